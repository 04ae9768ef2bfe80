#include "platform/db/DbError.h"

namespace {

struct KnownCode {
    HRESULT code;
    const char* text;
};

// The system texts of the codes this layer raises.
constexpr KnownCode kKnownCodes[] = {
    {E_FAIL, "Unspecified error"},
    {E_POINTER, "Invalid pointer"},
    {E_INVALIDARG, "The parameter is incorrect."},
    {E_OUTOFMEMORY, "Not enough memory resources are available to complete this operation."},
    {DISP_E_TYPEMISMATCH, "Type mismatch."},
};

} // namespace

CString _com_error::ErrorMessage() const {
    for (const auto& known : kKnownCodes)
        if (known.code == m_code)
            return known.text;
    auto code = static_cast<unsigned long>(static_cast<std::uint32_t>(m_code));
    CString text;
    if (code >= 0x80040201ul && code <= 0x8004FFFFul)
        text.Format("IDispatch error #%d", static_cast<int>(code - 0x80040200ul));
    else
        text.Format("Unknown error 0x%0lX", code);
    return text;
}

_com_error vq::db::LostConnectionError() {
    return _com_error(adErrNoConnection,
                      "The connection to the database was lost and could not be opened again.", "08003");
}
