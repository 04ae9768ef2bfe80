// _variant_t: one field or parameter value of the data access layer. It is NULL, empty,
// text (UTF-8), a whole number, a double or a byte array (BLOB columns). Conversions that cannot
// be made throw _com_error(DISP_E_TYPEMISMATCH); TryGetString is the conversion that never
// throws (NULL and empty give false).
#pragma once

#include "platform/base/String.h"
#include "platform/db/DbError.h"

#include <cstdint>
#include <vector>

using VARTYPE = unsigned short;
constexpr VARTYPE VT_EMPTY = 0;
constexpr VARTYPE VT_NULL = 1;
constexpr VARTYPE VT_I4 = 3;
constexpr VARTYPE VT_R8 = 5;
constexpr VARTYPE VT_BSTR = 8;
constexpr VARTYPE VT_ERROR = 10;
constexpr VARTYPE VT_UI1 = 17;
constexpr VARTYPE VT_I8 = 20;
constexpr VARTYPE VT_ARRAY = 0x2000;
constexpr VARTYPE VT_BINARY = VT_ARRAY | VT_UI1; // a byte array

class _variant_t {
public:
    VARTYPE vt = VT_EMPTY;

    _variant_t() = default;
    _variant_t(int v) : vt(VT_I4), m_int(v) {}
    _variant_t(long v) : vt(VT_I4), m_int(v) { Widen(); }
    _variant_t(long long v) : vt(VT_I4), m_int(v) { Widen(); }
    _variant_t(double v) : vt(VT_R8), m_double(v) {}
    _variant_t(const char* text) : vt(text ? VT_BSTR : VT_NULL), m_text(text) {}
    _variant_t(const CString& text) : vt(VT_BSTR), m_text(text) {}
    _variant_t(std::vector<BYTE> bytes) : vt(VT_BINARY), m_bytes(std::move(bytes)) {}
    _variant_t(const void* data, std::size_t size)
        : vt(VT_BINARY), m_bytes(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size) {}

    static _variant_t Null() {
        _variant_t v;
        v.vt = VT_NULL;
        return v;
    }

    bool IsNull() const { return vt == VT_NULL; }
    bool IsEmpty() const { return vt == VT_EMPTY; }
    bool IsBinary() const { return vt == VT_BINARY; }
    void Clear() { *this = _variant_t(); }

    // Conversions. Text converts to a number when it is a number as a whole (blanks around
    // it allowed); numbers convert to text ("12", "1.5").
    long long ToInt64() const;
    long ToLong() const { return static_cast<long>(ToInt64()); }
    double ToDouble() const;
    CString ToString() const;
    bool TryGetString(CString& text) const;
    // The bytes of a byte array, or the bytes of text.
    const std::vector<BYTE>& Bytes() const;

    explicit operator int() const { return static_cast<int>(ToInt64()); }
    explicit operator long() const { return ToLong(); }
    explicit operator double() const { return ToDouble(); }
    explicit operator CString() const { return ToString(); }

    // Converts in place (VT_BSTR, VT_I4, VT_I8, VT_R8); throws when it cannot.
    void ChangeType(VARTYPE type);

    friend bool operator==(const _variant_t& a, const _variant_t& b);

private:
    void Widen() {
        if (m_int < INT32_MIN || m_int > INT32_MAX)
            vt = VT_I8;
    }

    long long m_int = 0;
    double m_double = 0;
    CString m_text;
    std::vector<BYTE> m_bytes;
};

// The value that stands for an argument left out.
extern const _variant_t vtMissing;

// Text form of a value, as (LPCTSTR)(_bstr_t)value is written: NULL and empty give empty text.
class _bstr_t {
public:
    _bstr_t() = default;
    _bstr_t(const char* text) : m_text(text) {}
    _bstr_t(const CString& text) : m_text(text) {}
    explicit _bstr_t(const _variant_t& value) {
        if (!value.IsNull() && !value.IsEmpty())
            m_text = value.ToString();
    }
    operator const char*() const { return m_text.c_str(); }
    operator CString() const { return m_text; }
    unsigned int length() const { return static_cast<unsigned int>(m_text.GetLength()); }

private:
    CString m_text;
};
