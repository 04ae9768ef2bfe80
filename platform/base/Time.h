// Points in time and spans of time as the dialogs use them: CTime (seconds since 1970, local time
// for its parts and Format) with CTimeSpan, and COleDateTime (days since 30 December 1899 with the
// time of day as fraction, as date-time controls and stored dates use it) with COleDateTimeSpan.
// Format takes strftime codes ("%Y-%m-%d %H:%M").
#pragma once

#include "platform/base/String.h"

#include <ctime>

class CTimeSpan {
public:
    CTimeSpan() = default;
    CTimeSpan(std::time_t seconds) : m_span(seconds) {}
    CTimeSpan(LONG days, int hours, int minutes, int seconds)
        : m_span(((static_cast<std::time_t>(days) * 24 + hours) * 60 + minutes) * 60 + seconds) {}

    long long GetDays() const { return m_span / 86400; }
    long long GetTotalHours() const { return m_span / 3600; }
    int GetHours() const { return static_cast<int>(GetTotalHours() - GetDays() * 24); }
    long long GetTotalMinutes() const { return m_span / 60; }
    int GetMinutes() const { return static_cast<int>(GetTotalMinutes() - GetTotalHours() * 60); }
    long long GetTotalSeconds() const { return m_span; }
    int GetSeconds() const { return static_cast<int>(GetTotalSeconds() - GetTotalMinutes() * 60); }
    std::time_t GetTimeSpan() const { return m_span; }

    CTimeSpan operator+(CTimeSpan o) const { return CTimeSpan(m_span + o.m_span); }
    CTimeSpan operator-(CTimeSpan o) const { return CTimeSpan(m_span - o.m_span); }
    CTimeSpan& operator+=(CTimeSpan o) {
        m_span += o.m_span;
        return *this;
    }
    CTimeSpan& operator-=(CTimeSpan o) {
        m_span -= o.m_span;
        return *this;
    }
    friend auto operator<=>(const CTimeSpan&, const CTimeSpan&) = default;

private:
    std::time_t m_span = 0;
};

class CTime {
public:
    CTime() = default;
    CTime(std::time_t t) : m_time(t) {}
    // Local time; dst -1 lets the system decide whether summer time applies.
    CTime(int year, int month, int day, int hour, int minute, int second, int dst = -1);

    static CTime GetCurrentTime();

    std::time_t GetTime() const { return m_time; }
    int GetYear() const;
    int GetMonth() const; // 1..12
    int GetDay() const;   // 1..31
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const; // 1 = Sunday .. 7 = Saturday

    // Local time formatted with strftime codes; FormatGmt uses universal time.
    CString Format(LPCTSTR format) const;
    CString FormatGmt(LPCTSTR format) const;

    CTime operator+(CTimeSpan s) const { return CTime(m_time + s.GetTimeSpan()); }
    CTime operator-(CTimeSpan s) const { return CTime(m_time - s.GetTimeSpan()); }
    CTimeSpan operator-(CTime o) const { return CTimeSpan(m_time - o.m_time); }
    CTime& operator+=(CTimeSpan s) {
        m_time += s.GetTimeSpan();
        return *this;
    }
    CTime& operator-=(CTimeSpan s) {
        m_time -= s.GetTimeSpan();
        return *this;
    }
    friend auto operator<=>(const CTime&, const CTime&) = default;

private:
    std::tm Local() const;
    std::time_t m_time = 0;
};

class COleDateTimeSpan {
public:
    enum DateTimeSpanStatus { valid = 0, invalid = 1, null = 2 };

    COleDateTimeSpan() = default;
    COleDateTimeSpan(double days) : m_span(days) {}
    COleDateTimeSpan(long days, int hours, int minutes, int seconds)
        : m_span(days + hours / 24.0 + minutes / 1440.0 + seconds / 86400.0) {}

    double GetTotalDays() const { return m_span; }
    double GetTotalHours() const { return m_span * 24; }
    double GetTotalMinutes() const { return m_span * 1440; }
    double GetTotalSeconds() const { return m_span * 86400; }
    long GetDays() const { return static_cast<long>(m_span); }
    int GetHours() const;
    int GetMinutes() const;
    int GetSeconds() const;
    DateTimeSpanStatus GetStatus() const { return m_status; }

    COleDateTimeSpan operator+(const COleDateTimeSpan& o) const {
        return COleDateTimeSpan(m_span + o.m_span);
    }
    COleDateTimeSpan operator-(const COleDateTimeSpan& o) const {
        return COleDateTimeSpan(m_span - o.m_span);
    }
    friend bool operator==(const COleDateTimeSpan& a, const COleDateTimeSpan& b) {
        return a.m_span == b.m_span;
    }
    friend bool operator<(const COleDateTimeSpan& a, const COleDateTimeSpan& b) {
        return a.m_span < b.m_span;
    }
    friend bool operator>(const COleDateTimeSpan& a, const COleDateTimeSpan& b) { return b < a; }

    double m_span = 0;
    DateTimeSpanStatus m_status = valid;

private:
    long long RoundedSeconds() const;
};

class COleDateTime {
public:
    enum DateTimeStatus { error = -1, valid = 0, invalid = 1, null = 2 };

    COleDateTime() = default;
    COleDateTime(double date) : m_dt(date) {}
    COleDateTime(int year, int month, int day, int hour, int minute, int second) {
        SetDateTime(year, month, day, hour, minute, second);
    }
    COleDateTime(const CTime& time);

    static COleDateTime GetCurrentTime();

    // 0 on success; an impossible date or time (year outside 100..9999, 30 February, 25:00) makes
    // the object invalid and returns 1.
    int SetDateTime(int year, int month, int day, int hour, int minute, int second);
    int SetDate(int year, int month, int day) { return SetDateTime(year, month, day, 0, 0, 0); }
    int SetTime(int hour, int minute, int second) { return SetDateTime(1899, 12, 30, hour, minute, second); }

    DateTimeStatus GetStatus() const { return m_status; }
    void SetStatus(DateTimeStatus status) { m_status = status; }

    // The parts (-1 when the object is not valid).
    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const; // 1 = Sunday .. 7 = Saturday
    int GetDayOfYear() const; // 1 = 1 January

    // strftime codes; empty when the object is not valid. Without a format: "%Y-%m-%d %H:%M:%S",
    // or the date alone when the time is midnight.
    CString Format(LPCTSTR format) const;
    CString Format() const;

    // Reads "2026-12-07", "2026/12/7", either followed by "10:30" or "10:30:15", or a time alone
    // (on 30 December 1899). Returns false and makes the object invalid when the text is none of them.
    bool ParseDateTime(LPCTSTR text);

    // The same moment as a CTime (local time); false when it is not valid or out of CTime's range.
    bool GetAsTime(CTime& time) const;

    COleDateTime operator+(const COleDateTimeSpan& s) const;
    COleDateTime operator-(const COleDateTimeSpan& s) const;
    COleDateTimeSpan operator-(const COleDateTime& o) const;
    COleDateTime& operator+=(const COleDateTimeSpan& s) { return *this = *this + s; }
    COleDateTime& operator-=(const COleDateTimeSpan& s) { return *this = *this - s; }
    friend bool operator==(const COleDateTime& a, const COleDateTime& b) {
        return a.m_status == b.m_status && a.m_dt == b.m_dt;
    }
    friend bool operator<(const COleDateTime& a, const COleDateTime& b) { return a.Linear() < b.Linear(); }
    friend bool operator>(const COleDateTime& a, const COleDateTime& b) { return b < a; }
    friend bool operator<=(const COleDateTime& a, const COleDateTime& b) { return !(b < a); }
    friend bool operator>=(const COleDateTime& a, const COleDateTime& b) { return !(a < b); }

    double m_dt = 0;
    DateTimeStatus m_status = valid;

private:
    // Broken-down parts (tm_year from 1900, tm_mon from 0); false when not valid.
    bool Parts(std::tm& parts) const;
    // The value on a straight line (negative dates carry their time as a positive fraction).
    double Linear() const;
    static COleDateTime FromLinear(double value);
};
