#include "platform/ui/DateTimeCtrl.h"

#include <ctime>

namespace vq {

bool IsValidSystemTime(const SYSTEMTIME& t) {
    if (t.wYear < 1601 || t.wYear > 30827 || t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1)
        return false;
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (t.wYear % 4 == 0 && t.wYear % 100 != 0) || t.wYear % 400 == 0;
    const int monthDays = days[t.wMonth - 1] + ((t.wMonth == 2 && leap) ? 1 : 0);
    return t.wDay <= monthDays && t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60;
}

SYSTEMTIME LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    SYSTEMTIME t;
    t.wYear = static_cast<WORD>(tm.tm_year + 1900);
    t.wMonth = static_cast<WORD>(tm.tm_mon + 1);
    t.wDay = static_cast<WORD>(tm.tm_mday);
    t.wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    t.wHour = static_cast<WORD>(tm.tm_hour);
    t.wMinute = static_cast<WORD>(tm.tm_min);
    t.wSecond = static_cast<WORD>(tm.tm_sec);
    return t;
}

CString FormatPickerTime(const SYSTEMTIME& t, const CString& format) {
    const std::string& f = format.str();
    std::string out;
    std::size_t i = 0;
    auto run = [&](char c) {
        std::size_t n = 0;
        while (i + n < f.size() && f[i + n] == c)
            ++n;
        return n;
    };
    auto number = [&](int value, std::size_t width) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%0*d", static_cast<int>(width), value);
        out += buffer;
    };
    while (i < f.size()) {
        const char c = f[i];
        if (c == '\'') {
            const std::size_t end = f.find('\'', i + 1);
            if (end == std::string::npos) {
                out += f.substr(i + 1);
                break;
            }
            out += end == i + 1 ? std::string("'") : f.substr(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        const std::size_t n = run(c);
        switch (c) {
        case 'y':
            if (n >= 3)
                number(t.wYear, 4);
            else if (n == 2)
                number(t.wYear % 100, 2);
            else
                number(t.wYear % 10, 1);
            break;
        case 'M':
            number(t.wMonth, n >= 2 ? 2 : 1);
            break;
        case 'd':
            number(t.wDay, n >= 2 ? 2 : 1);
            break;
        case 'H':
            number(t.wHour, n >= 2 ? 2 : 1);
            break;
        case 'h':
            number(t.wHour % 12 == 0 ? 12 : t.wHour % 12, n >= 2 ? 2 : 1);
            break;
        case 'm':
            number(t.wMinute, n >= 2 ? 2 : 1);
            break;
        case 's':
            number(t.wSecond, n >= 2 ? 2 : 1);
            break;
        case 't':
            out += n >= 2 ? (t.wHour < 12 ? "AM" : "PM") : (t.wHour < 12 ? "A" : "P");
            break;
        default:
            out.append(n, c);
            break;
        }
        i += n;
    }
    return CString(std::move(out));
}

} // namespace vq

CDateTimeCtrl::CDateTimeCtrl() {
    m_time = vq::LocalTimeNow();
}

BOOL CDateTimeCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("SysDateTimePick32", "", style, rect, parent, id);
}

DWORD CDateTimeCtrl::GetTime(SYSTEMTIME* time) const {
    if (!time)
        return GDT_ERROR;
    if (!m_hasValue)
        return GDT_NONE;
    *time = m_time;
    return GDT_VALID;
}

BOOL CDateTimeCtrl::SetTime(const SYSTEMTIME* time) {
    if (!time) {
        if (!(m_style & DTS_SHOWNONE))
            return FALSE;
        m_hasValue = false;
        StateChanged();
        return TRUE;
    }
    if (!vq::IsValidSystemTime(*time))
        return FALSE;
    m_time = *time;
    m_time.wMilliseconds = 0;
    m_hasValue = true;
    StateChanged();
    return TRUE;
}

BOOL CDateTimeCtrl::SetFormat(LPCTSTR format) {
    m_format = format ? format : "";
    StateChanged();
    return TRUE;
}

CString CDateTimeCtrl::GetFormat() const {
    if (!m_format.IsEmpty())
        return m_format;
    if ((m_style & DTS_TIMEFORMAT) == DTS_TIMEFORMAT)
        return "HH:mm:ss";
    if (m_style & DTS_LONGDATEFORMAT)
        return "yyyy'年'M'月'd'日'";
    return "yyyy-MM-dd";
}

CString CDateTimeCtrl::GetWindowTextValue() const {
    return m_hasValue ? vq::FormatPickerTime(m_time, GetFormat()) : CString();
}

bool CDateTimeCtrl::UserSetTime(const SYSTEMTIME* time) {
    if (!m_hWnd || !IsWindowEnabled())
        return false;
    if (!SetTime(time))
        return false;
    NMDATETIMECHANGE nm;
    nm.dwFlags = m_hasValue ? GDT_VALID : GDT_NONE;
    nm.st = m_time;
    NotifyParent(nm.hdr, DTN_DATETIMECHANGE);
    return true;
}
