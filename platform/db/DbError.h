// The error every failing call of the data access layer throws: a result code and the
// description the database or its driver gave. Dialog code catches it and shows it with
// ReportComError, as it would for any automation error.
#pragma once

#include "platform/base/String.h"

#include <exception>

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
// Errors of the data access objects themselves (not of the database).
constexpr HRESULT adErrItemNotFound = static_cast<HRESULT>(0x800A0CC1u);
constexpr HRESULT adErrNoCurrentRecord = static_cast<HRESULT>(0x800A0BCDu);
constexpr HRESULT adErrObjectClosed = static_cast<HRESULT>(0x800A0E78u);
constexpr HRESULT adErrObjectOpen = static_cast<HRESULT>(0x800A0E79u);
constexpr HRESULT adErrFeatureNotAvailable = static_cast<HRESULT>(0x800A0CB3u);
constexpr HRESULT adErrNoConnection = static_cast<HRESULT>(0x800A0E7Du);

inline bool FAILED(HRESULT hr) {
    return hr < 0;
}
inline bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}

class _com_error : public std::exception {
public:
    explicit _com_error(HRESULT code, CString description = CString(), CString source = CString())
        : m_code(code), m_description(std::move(description)), m_source(std::move(source)) {}

    HRESULT Error() const { return m_code; }
    // What the database or driver said (may be empty).
    CString Description() const { return m_description; }
    CString Source() const { return m_source; }
    // The system's text for the code: a known code's text, "IDispatch error #n" for the
    // dispatch range, else "Unknown error 0x...".
    CString ErrorMessage() const;
    const char* what() const noexcept override { return m_description.c_str(); }

private:
    HRESULT m_code;
    CString m_description;
    CString m_source;
};

namespace vq::db {
// The error of a connection whose session was lost and that could not be opened again: a
// connection exception (SQLSTATE 08003, the connection does not exist), as a statement on the
// lost session itself fails.
_com_error LostConnectionError();
} // namespace vq::db
