// Date-time pickers with a display format ("yyyy-MM-dd", "HH:mm:ss" ...), optionally with a
// check box for "no date" (DTS_SHOWNONE).
#pragma once

#include "platform/ui/Wnd.h"

#include <type_traits>

class CDateTimeCtrl : public CWnd {
public:
    CDateTimeCtrl();
    vq::ControlKind GetControlKind() const override { return vq::ControlKind::DateTime; }
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    // GDT_VALID with the value, or GDT_NONE when the "no date" box is cleared.
    DWORD GetTime(SYSTEMTIME* time) const;
    // null: "no date" (only with DTS_SHOWNONE). Invalid dates are refused (FALSE).
    BOOL SetTime(const SYSTEMTIME* time);
    // Any date class with GetYear ... GetSecond and a (y, m, d, h, mi, s) constructor.
    template <class Date>
    requires(!std::is_pointer_v<Date>) BOOL GetTime(Date& value)
    const {
        SYSTEMTIME st;
        if (GetTime(&st) != GDT_VALID)
            return FALSE;
        value = Date(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
        return TRUE;
    }
    template <class Date>
    requires(!std::is_pointer_v<Date> && !std::is_null_pointer_v<Date>) BOOL SetTime(const Date& value) {
        SYSTEMTIME st;
        st.wYear = static_cast<WORD>(value.GetYear());
        st.wMonth = static_cast<WORD>(value.GetMonth());
        st.wDay = static_cast<WORD>(value.GetDay());
        st.wHour = static_cast<WORD>(value.GetHour());
        st.wMinute = static_cast<WORD>(value.GetMinute());
        st.wSecond = static_cast<WORD>(value.GetSecond());
        return SetTime(&st);
    }
    // The display format; empty: by the style (date "yyyy-MM-dd", time "HH:mm:ss").
    BOOL SetFormat(LPCTSTR format);
    CString GetFormat() const;
    bool HasValue() const { return m_hasValue; }
    CString GetWindowTextValue() const override;

    // A person picks a value (null: clears the "no date" box): DTN_DATETIMECHANGE.
    bool UserSetTime(const SYSTEMTIME* time);

private:
    SYSTEMTIME m_time;
    bool m_hasValue = true;
    CString m_format;
};

namespace vq {
// Formats a time with a picker format: yyyy yy MM M dd d HH H hh h mm m ss s tt, 'quoted text'.
CString FormatPickerTime(const SYSTEMTIME& time, const CString& format);
// True for a real calendar date and time of day.
bool IsValidSystemTime(const SYSTEMTIME& time);
// The local time now.
SYSTEMTIME LocalTimeNow();
} // namespace vq
