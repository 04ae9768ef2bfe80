#include "platform/db/Variant.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

const _variant_t vtMissing = [] {
    _variant_t v;
    v.vt = VT_ERROR;
    return v;
}();

namespace {

[[noreturn]] void TypeMismatch() {
    throw _com_error(DISP_E_TYPEMISMATCH, "Type mismatch.");
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' || s.front() == '\n'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

bool ParseInt(std::string_view text, long long& out) {
    std::string s(TrimBlanks(text));
    if (s.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(s.c_str(), &end, 10);
    if (errno != 0 || *end != '\0')
        return false;
    out = v;
    return true;
}

bool ParseDouble(std::string_view text, double& out) {
    std::string s(TrimBlanks(text));
    if (s.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (errno != 0 || *end != '\0')
        return false;
    out = v;
    return true;
}

CString FormatDouble(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return CString(buf);
}

} // namespace

long long _variant_t::ToInt64() const {
    switch (vt) {
    case VT_I4:
    case VT_I8:
        return m_int;
    case VT_R8:
        if (!std::isfinite(m_double) || std::fabs(m_double) > 9.2e18)
            TypeMismatch();
        return static_cast<long long>(std::llround(m_double));
    case VT_BSTR: {
        long long v = 0;
        if (ParseInt(m_text.str(), v))
            return v;
        double d = 0;
        if (ParseDouble(m_text.str(), d) && std::isfinite(d) && std::fabs(d) < 9.2e18)
            return static_cast<long long>(std::llround(d));
        TypeMismatch();
    }
    default:
        TypeMismatch();
    }
}

double _variant_t::ToDouble() const {
    switch (vt) {
    case VT_I4:
    case VT_I8:
        return static_cast<double>(m_int);
    case VT_R8:
        return m_double;
    case VT_BSTR: {
        double d = 0;
        if (ParseDouble(m_text.str(), d))
            return d;
        TypeMismatch();
    }
    default:
        TypeMismatch();
    }
}

bool _variant_t::TryGetString(CString& text) const {
    switch (vt) {
    case VT_I4:
    case VT_I8:
        text.Format("%lld", m_int);
        return true;
    case VT_R8:
        text = FormatDouble(m_double);
        return true;
    case VT_BSTR:
        text = m_text;
        return true;
    case VT_BINARY:
        text = CString(std::string(m_bytes.begin(), m_bytes.end()));
        return true;
    default:
        return false;
    }
}

CString _variant_t::ToString() const {
    CString text;
    if (!TryGetString(text))
        TypeMismatch();
    return text;
}

const std::vector<BYTE>& _variant_t::Bytes() const {
    if (vt == VT_BSTR) {
        auto& self = const_cast<_variant_t&>(*this);
        self.m_bytes.assign(m_text.str().begin(), m_text.str().end());
        return m_bytes;
    }
    if (vt != VT_BINARY)
        TypeMismatch();
    return m_bytes;
}

void _variant_t::ChangeType(VARTYPE type) {
    if (type == vt)
        return;
    switch (type) {
    case VT_BSTR:
        *this = _variant_t(ToString());
        return;
    case VT_I4:
    case VT_I8:
        *this = _variant_t(ToInt64());
        return;
    case VT_R8:
        *this = _variant_t(ToDouble());
        return;
    case VT_NULL:
        *this = Null();
        return;
    default:
        TypeMismatch();
    }
}

bool operator==(const _variant_t& a, const _variant_t& b) {
    if (a.vt != b.vt)
        return false;
    switch (a.vt) {
    case VT_I4:
    case VT_I8:
        return a.m_int == b.m_int;
    case VT_R8:
        return a.m_double == b.m_double;
    case VT_BSTR:
        return a.m_text == b.m_text;
    case VT_BINARY:
        return a.m_bytes == b.m_bytes;
    default:
        return true;
    }
}
