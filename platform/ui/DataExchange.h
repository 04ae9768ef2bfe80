// Data exchange between a dialog's members and its controls (DoDataExchange), with validation.
// A failed validation tells the person why, puts the focus on the control and makes
// UpdateData return FALSE.
#pragma once

#include "platform/base/String.h"
#include "platform/ui/Wnd.h"

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate)
        : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;

    // The control that the next validation belongs to.
    CWnd* PrepareCtrl(int id);
    CWnd* PrepareEditCtrl(int id) { return PrepareCtrl(id); }
    // Stops the exchange: focus to the last prepared control; UpdateData returns FALSE.
    [[noreturn]] void Fail();

    int m_idLastControl = 0;
};

namespace vq {
// Thrown by CDataExchange::Fail and caught by UpdateData.
struct DataExchangeFailure {};
} // namespace vq

void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
void DDX_Text(CDataExchange* pDX, int id, CString& value);
void DDX_Text(CDataExchange* pDX, int id, int& value);
void DDX_Text(CDataExchange* pDX, int id, UINT& value);
void DDX_Text(CDataExchange* pDX, int id, long& value);
void DDX_Text(CDataExchange* pDX, int id, unsigned long& value);
void DDX_Text(CDataExchange* pDX, int id, short& value);
void DDX_Text(CDataExchange* pDX, int id, double& value);
void DDX_Text(CDataExchange* pDX, int id, float& value);
void DDX_Check(CDataExchange* pDX, int id, int& value);
// The index of the checked button in the radio group that starts at id (-1: none checked).
void DDX_Radio(CDataExchange* pDX, int id, int& value);
void DDX_CBIndex(CDataExchange* pDX, int id, int& index);
void DDX_CBString(CDataExchange* pDX, int id, CString& value);
void DDX_CBStringExact(CDataExchange* pDX, int id, CString& value);
void DDX_LBIndex(CDataExchange* pDX, int id, int& index);
void DDX_LBString(CDataExchange* pDX, int id, CString& value);
void DDX_LBStringExact(CDataExchange* pDX, int id, CString& value);
void DDX_DateTimeCtrl(CDataExchange* pDX, int id, SYSTEMTIME& value);
// The date of a date-time picker as any date class with GetYear ... GetSecond and a
// (year, month, day, hour, minute, second) constructor (CTime, COleDateTime).
template <class Date> void DDX_DateTimeCtrl(CDataExchange* pDX, int id, Date& value) {
    SYSTEMTIME st;
    if (!pDX->m_bSaveAndValidate) {
        st.wYear = static_cast<WORD>(value.GetYear());
        st.wMonth = static_cast<WORD>(value.GetMonth());
        st.wDay = static_cast<WORD>(value.GetDay());
        st.wHour = static_cast<WORD>(value.GetHour());
        st.wMinute = static_cast<WORD>(value.GetMinute());
        st.wSecond = static_cast<WORD>(value.GetSecond());
    }
    DDX_DateTimeCtrl(pDX, id, st);
    if (pDX->m_bSaveAndValidate)
        value = Date(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
}

void DDV_MaxChars(CDataExchange* pDX, const CString& value, int maxChars);
void DDV_MinMaxInt(CDataExchange* pDX, int value, int minValue, int maxValue);
void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minValue, UINT maxValue);
void DDV_MinMaxLong(CDataExchange* pDX, long value, long minValue, long maxValue);
void DDV_MinMaxDWord(CDataExchange* pDX, DWORD value, DWORD minValue, DWORD maxValue);
void DDV_MinMaxDouble(CDataExchange* pDX, double value, double minValue, double maxValue);
