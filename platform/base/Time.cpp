#include "platform/base/Time.h"

#include <cmath>
#include <cstring>
#include <string>

namespace {

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (m <= 2));
}

// 30 December 1899, day 0 of COleDateTime, counted from 1970-01-01.
constexpr long long kOleEpoch = -25569;

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

CString FormatTm(const std::tm& parts, LPCTSTR format) {
    if (!format || !*format)
        return CString();
    // strftime gives 0 both for a too small buffer and for an empty result; a marker tells them apart.
    std::string fmt = std::string(format) + "\x01";
    for (std::size_t size = 128; size <= 65536; size *= 4) {
        std::string out(size, '\0');
        std::size_t n = std::strftime(out.data(), out.size(), fmt.c_str(), &parts);
        if (n > 0) {
            out.resize(n - 1);
            return CString(out);
        }
    }
    return CString();
}

void SkipSpaces(const char*& p) {
    while (*p == ' ' || *p == '\t')
        ++p;
}

bool ReadNumber(const char*& p, int maxDigits, int& value) {
    int digits = 0;
    value = 0;
    while (*p >= '0' && *p <= '9' && digits < maxDigits) {
        value = value * 10 + (*p - '0');
        ++p;
        ++digits;
    }
    return digits > 0;
}

bool ReadTime(const char*& p, int& hour, int& minute, int& second) {
    const char* start = p;
    int h, mi, s = 0;
    if (!ReadNumber(p, 2, h) || *p != ':') {
        p = start;
        return false;
    }
    ++p;
    if (!ReadNumber(p, 2, mi)) {
        p = start;
        return false;
    }
    if (*p == ':') {
        ++p;
        if (!ReadNumber(p, 2, s)) {
            p = start;
            return false;
        }
    }
    hour = h;
    minute = mi;
    second = s;
    return true;
}

bool ReadDate(const char*& p, int& year, int& month, int& day) {
    const char* start = p;
    int y, m, d;
    if (!ReadNumber(p, 4, y) || (*p != '-' && *p != '/')) {
        p = start;
        return false;
    }
    char sep = *p++;
    if (!ReadNumber(p, 2, m) || *p != sep) {
        p = start;
        return false;
    }
    ++p;
    if (!ReadNumber(p, 2, d)) {
        p = start;
        return false;
    }
    year = y;
    month = m;
    day = d;
    return true;
}

} // namespace

// ---- CTime

CTime::CTime(int year, int month, int day, int hour, int minute, int second, int dst) {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = dst < 0 ? -1 : (dst > 0 ? 1 : 0);
    m_time = std::mktime(&parts);
}

CTime CTime::GetCurrentTime() {
    return CTime(std::time(nullptr));
}

std::tm CTime::Local() const {
    std::tm parts{};
    localtime_r(&m_time, &parts);
    return parts;
}

int CTime::GetYear() const {
    return Local().tm_year + 1900;
}
int CTime::GetMonth() const {
    return Local().tm_mon + 1;
}
int CTime::GetDay() const {
    return Local().tm_mday;
}
int CTime::GetHour() const {
    return Local().tm_hour;
}
int CTime::GetMinute() const {
    return Local().tm_min;
}
int CTime::GetSecond() const {
    return Local().tm_sec;
}
int CTime::GetDayOfWeek() const {
    return Local().tm_wday + 1;
}

CString CTime::Format(LPCTSTR format) const {
    return FormatTm(Local(), format);
}

CString CTime::FormatGmt(LPCTSTR format) const {
    std::tm parts{};
    gmtime_r(&m_time, &parts);
    return FormatTm(parts, format);
}

// ---- COleDateTimeSpan

long long COleDateTimeSpan::RoundedSeconds() const {
    return std::llround(m_span * 86400.0);
}

int COleDateTimeSpan::GetHours() const {
    return static_cast<int>(RoundedSeconds() / 3600 % 24);
}
int COleDateTimeSpan::GetMinutes() const {
    return static_cast<int>(RoundedSeconds() / 60 % 60);
}
int COleDateTimeSpan::GetSeconds() const {
    return static_cast<int>(RoundedSeconds() % 60);
}

// ---- COleDateTime

COleDateTime::COleDateTime(const CTime& time) {
    std::tm parts{};
    std::time_t t = time.GetTime();
    localtime_r(&t, &parts);
    SetDateTime(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min,
                parts.tm_sec);
}

COleDateTime COleDateTime::GetCurrentTime() {
    return COleDateTime(CTime::GetCurrentTime());
}

int COleDateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second) {
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
        hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
        m_dt = 0;
        m_status = invalid;
        return 1;
    }
    long long days =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kOleEpoch;
    double fraction = (hour * 3600 + minute * 60 + second) / 86400.0;
    m_dt = days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
    m_status = valid;
    return 0;
}

bool COleDateTime::Parts(std::tm& parts) const {
    if (m_status != valid || !std::isfinite(m_dt) || std::fabs(m_dt) > 3000000.0)
        return false;
    double whole = std::trunc(m_dt);
    long long days = static_cast<long long>(whole);
    long long seconds = std::llround(std::fabs(m_dt - whole) * 86400.0);
    if (seconds >= 86400) {
        seconds = 0;
        ++days;
    }
    int y, m, d;
    CivilFromDays(days + kOleEpoch, y, m, d);
    parts = std::tm{};
    parts.tm_year = y - 1900;
    parts.tm_mon = m - 1;
    parts.tm_mday = d;
    parts.tm_hour = static_cast<int>(seconds / 3600);
    parts.tm_min = static_cast<int>(seconds / 60 % 60);
    parts.tm_sec = static_cast<int>(seconds % 60);
    long long dow = (days % 7 + 7) % 7; // day 0 was a Saturday
    parts.tm_wday = static_cast<int>((dow + 6) % 7);
    parts.tm_yday = static_cast<int>(days + kOleEpoch - DaysFromCivil(y, 1, 1));
    return true;
}

int COleDateTime::GetYear() const {
    std::tm p;
    return Parts(p) ? p.tm_year + 1900 : -1;
}
int COleDateTime::GetMonth() const {
    std::tm p;
    return Parts(p) ? p.tm_mon + 1 : -1;
}
int COleDateTime::GetDay() const {
    std::tm p;
    return Parts(p) ? p.tm_mday : -1;
}
int COleDateTime::GetHour() const {
    std::tm p;
    return Parts(p) ? p.tm_hour : -1;
}
int COleDateTime::GetMinute() const {
    std::tm p;
    return Parts(p) ? p.tm_min : -1;
}
int COleDateTime::GetSecond() const {
    std::tm p;
    return Parts(p) ? p.tm_sec : -1;
}
int COleDateTime::GetDayOfWeek() const {
    std::tm p;
    return Parts(p) ? p.tm_wday + 1 : -1;
}
int COleDateTime::GetDayOfYear() const {
    std::tm p;
    return Parts(p) ? p.tm_yday + 1 : -1;
}

CString COleDateTime::Format(LPCTSTR format) const {
    std::tm p;
    if (!Parts(p))
        return CString();
    return FormatTm(p, format);
}

CString COleDateTime::Format() const {
    std::tm p;
    if (!Parts(p))
        return CString();
    if (p.tm_hour == 0 && p.tm_min == 0 && p.tm_sec == 0)
        return FormatTm(p, "%Y-%m-%d");
    return FormatTm(p, "%Y-%m-%d %H:%M:%S");
}

bool COleDateTime::ParseDateTime(LPCTSTR text) {
    const char* p = text ? text : "";
    SkipSpaces(p);
    int y = 1899, m = 12, d = 30, h = 0, mi = 0, s = 0;
    bool haveDate = ReadDate(p, y, m, d);
    if (haveDate) {
        const char* beforeTime = p;
        SkipSpaces(p);
        if (p == beforeTime || !ReadTime(p, h, mi, s))
            p = beforeTime;
    } else if (!ReadTime(p, h, mi, s)) {
        m_dt = 0;
        m_status = invalid;
        return false;
    }
    SkipSpaces(p);
    if (*p != '\0') {
        m_dt = 0;
        m_status = invalid;
        return false;
    }
    return SetDateTime(y, m, d, h, mi, s) == 0;
}

bool COleDateTime::GetAsTime(CTime& time) const {
    std::tm p;
    if (!Parts(p) || p.tm_year < 70)
        return false;
    p.tm_isdst = -1;
    std::time_t t = std::mktime(&p);
    if (t == static_cast<std::time_t>(-1))
        return false;
    time = CTime(t);
    return true;
}

double COleDateTime::Linear() const {
    if (m_dt >= 0)
        return m_dt;
    double whole = std::trunc(m_dt);
    return whole - (m_dt - whole); // -1.25 (29 December, 06:00) lies at -0.75
}

COleDateTime COleDateTime::FromLinear(double value) {
    double days = std::floor(value);
    double fraction = value - days;
    return COleDateTime(days >= 0 ? value : days - fraction);
}

COleDateTime COleDateTime::operator+(const COleDateTimeSpan& s) const {
    if (m_status != valid)
        return *this;
    return FromLinear(Linear() + s.m_span);
}

COleDateTime COleDateTime::operator-(const COleDateTimeSpan& s) const {
    if (m_status != valid)
        return *this;
    return FromLinear(Linear() - s.m_span);
}

COleDateTimeSpan COleDateTime::operator-(const COleDateTime& o) const {
    COleDateTimeSpan span(Linear() - o.Linear());
    if (m_status != valid || o.m_status != valid)
        span.m_status = COleDateTimeSpan::invalid;
    return span;
}
