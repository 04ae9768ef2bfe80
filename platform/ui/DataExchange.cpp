#include "platform/ui/DataExchange.h"

#include "platform/base/MessageBox.h"
#include "platform/base/TextCodec.h"
#include "platform/ui/Button.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/DateTimeCtrl.h"
#include "platform/ui/Edit.h"
#include "platform/ui/ListBox.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

CWnd* CDataExchange::PrepareCtrl(int id) {
    m_idLastControl = id;
    return m_pDlgWnd ? m_pDlgWnd->GetDlgItem(id) : nullptr;
}

void CDataExchange::Fail() {
    if (m_pDlgWnd) {
        if (CWnd* control = m_pDlgWnd->GetDlgItem(m_idLastControl)) {
            control->SetFocus();
            if (auto* edit = dynamic_cast<CEdit*>(control))
                edit->SetSel(0, -1);
        }
    }
    throw vq::DataExchangeFailure{};
}

namespace {

void Complain(CDataExchange* pDX, const CString& text) {
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    pDX->Fail();
}

// Reads a whole number from the control's text; tells the person and fails when it is none.
long long ReadInteger(CDataExchange* pDX, int id, long long minValue, long long maxValue) {
    CWnd* control = pDX->PrepareEditCtrl(id);
    CString text = control ? control->GetWindowTextValue() : CString();
    text.Trim();
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (text.IsEmpty() || *end != '\0' || errno == ERANGE || value < minValue || value > maxValue)
        Complain(pDX, "请输入一个整数。");
    return value;
}

double ReadNumber(CDataExchange* pDX, int id) {
    CWnd* control = pDX->PrepareEditCtrl(id);
    CString text = control ? control->GetWindowTextValue() : CString();
    text.Trim();
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.IsEmpty() || *end != '\0' || errno == ERANGE || !std::isfinite(value))
        Complain(pDX, "请输入一个数字。");
    return value;
}

template <class T>
void IntegerText(CDataExchange* pDX, int id, T& value, long long minValue, long long maxValue,
                 const char* format) {
    if (pDX->m_bSaveAndValidate) {
        value = static_cast<T>(ReadInteger(pDX, id, minValue, maxValue));
    } else {
        CString text;
        text.Format(format, value);
        if (CWnd* control = pDX->PrepareEditCtrl(id))
            control->SetWindowText(text);
    }
}

void RangeError(CDataExchange* pDX, const CString& text) {
    // The failing value belongs to the control prepared last.
    Complain(pDX, text);
}

} // namespace

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
    if (!control.m_hWnd)
        control.SubclassDlgItem(static_cast<UINT>(id), pDX->m_pDlgWnd);
}

void DDX_Text(CDataExchange* pDX, int id, CString& value) {
    CWnd* control = pDX->PrepareEditCtrl(id);
    if (!control)
        return;
    if (pDX->m_bSaveAndValidate)
        value = control->GetWindowTextValue();
    else
        control->SetWindowText(value);
}

void DDX_Text(CDataExchange* pDX, int id, int& value) {
    IntegerText(pDX, id, value, INT32_MIN, INT32_MAX, "%d");
}
void DDX_Text(CDataExchange* pDX, int id, UINT& value) {
    IntegerText(pDX, id, value, 0, UINT32_MAX, "%u");
}
void DDX_Text(CDataExchange* pDX, int id, long& value) {
    IntegerText(pDX, id, value, INT32_MIN, INT32_MAX, "%ld");
}
void DDX_Text(CDataExchange* pDX, int id, unsigned long& value) {
    IntegerText(pDX, id, value, 0, UINT32_MAX, "%lu");
}
void DDX_Text(CDataExchange* pDX, int id, short& value) {
    IntegerText(pDX, id, value, INT16_MIN, INT16_MAX, "%hd");
}

void DDX_Text(CDataExchange* pDX, int id, double& value) {
    if (pDX->m_bSaveAndValidate) {
        value = ReadNumber(pDX, id);
    } else if (CWnd* control = pDX->PrepareEditCtrl(id)) {
        CString text;
        text.Format("%.15g", value);
        control->SetWindowText(text);
    }
}

void DDX_Text(CDataExchange* pDX, int id, float& value) {
    double d = value;
    DDX_Text(pDX, id, d);
    if (pDX->m_bSaveAndValidate)
        value = static_cast<float>(d);
}

void DDX_Check(CDataExchange* pDX, int id, int& value) {
    auto* button = dynamic_cast<CButton*>(pDX->PrepareCtrl(id));
    if (!button)
        return;
    if (pDX->m_bSaveAndValidate)
        value = button->GetCheck();
    else
        button->SetCheck(value);
}

void DDX_Radio(CDataExchange* pDX, int id, int& value) {
    auto* first = dynamic_cast<CButton*>(pDX->PrepareCtrl(id));
    if (!first)
        return;
    const std::vector<CButton*> group = first->RadioGroup();
    if (pDX->m_bSaveAndValidate) {
        value = -1;
        for (std::size_t i = 0; i < group.size(); ++i)
            if (group[i]->GetCheck() == BST_CHECKED) {
                value = static_cast<int>(i);
                break;
            }
    } else {
        for (std::size_t i = 0; i < group.size(); ++i)
            group[i]->SetCheck(static_cast<int>(i) == value ? BST_CHECKED : BST_UNCHECKED);
    }
}

void DDX_CBIndex(CDataExchange* pDX, int id, int& index) {
    auto* combo = dynamic_cast<CComboBox*>(pDX->PrepareCtrl(id));
    if (!combo)
        return;
    if (pDX->m_bSaveAndValidate)
        index = combo->GetCurSel();
    else
        combo->SetCurSel(index);
}

void DDX_CBString(CDataExchange* pDX, int id, CString& value) {
    auto* combo = dynamic_cast<CComboBox*>(pDX->PrepareCtrl(id));
    if (!combo)
        return;
    if (pDX->m_bSaveAndValidate) {
        value = combo->GetWindowTextValue();
    } else if (combo->SelectString(-1, value) == CB_ERR && combo->HasEditField()) {
        combo->SetWindowText(value);
    }
}

void DDX_CBStringExact(CDataExchange* pDX, int id, CString& value) {
    auto* combo = dynamic_cast<CComboBox*>(pDX->PrepareCtrl(id));
    if (!combo)
        return;
    if (pDX->m_bSaveAndValidate) {
        value = combo->GetWindowTextValue();
    } else {
        const int index = combo->FindStringExact(-1, value);
        if (index != CB_ERR)
            combo->SetCurSel(index);
        else if (combo->HasEditField())
            combo->SetWindowText(value);
    }
}

void DDX_LBIndex(CDataExchange* pDX, int id, int& index) {
    auto* list = dynamic_cast<CListBox*>(pDX->PrepareCtrl(id));
    if (!list)
        return;
    if (pDX->m_bSaveAndValidate)
        index = list->GetCurSel();
    else
        list->SetCurSel(index);
}

void DDX_LBString(CDataExchange* pDX, int id, CString& value) {
    auto* list = dynamic_cast<CListBox*>(pDX->PrepareCtrl(id));
    if (!list)
        return;
    if (pDX->m_bSaveAndValidate) {
        const int sel = list->GetCurSel();
        value = sel >= 0 ? list->GetText(sel) : CString();
    } else if (list->SelectString(-1, value) == LB_ERR) {
        list->SetCurSel(-1);
    }
}

void DDX_LBStringExact(CDataExchange* pDX, int id, CString& value) {
    auto* list = dynamic_cast<CListBox*>(pDX->PrepareCtrl(id));
    if (!list)
        return;
    if (pDX->m_bSaveAndValidate) {
        const int sel = list->GetCurSel();
        value = sel >= 0 ? list->GetText(sel) : CString();
    } else {
        list->SetCurSel(list->FindStringExact(-1, value));
    }
}

void DDX_DateTimeCtrl(CDataExchange* pDX, int id, SYSTEMTIME& value) {
    auto* picker = dynamic_cast<CDateTimeCtrl*>(pDX->PrepareCtrl(id));
    if (!picker)
        return;
    if (pDX->m_bSaveAndValidate)
        picker->GetTime(&value);
    else
        picker->SetTime(&value);
}

void DDV_MaxChars(CDataExchange* pDX, const CString& value, int maxChars) {
    // Characters are counted as the design's limits count them: code page 936 bytes.
    if (pDX->m_bSaveAndValidate && static_cast<int>(vq::Utf8ToGbk(value.str()).size()) > maxChars) {
        CString text;
        text.Format("此项最多只能输入 %d 个字符。", maxChars);
        RangeError(pDX, text);
    }
    if (!pDX->m_bSaveAndValidate)
        if (auto* edit = dynamic_cast<CEdit*>(
                pDX->m_pDlgWnd ? pDX->m_pDlgWnd->GetDlgItem(pDX->m_idLastControl) : nullptr))
            edit->LimitText(maxChars);
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minValue, int maxValue) {
    if (pDX->m_bSaveAndValidate && (value < minValue || value > maxValue)) {
        CString text;
        text.Format("请输入一个介于 %d 和 %d 之间的整数。", minValue, maxValue);
        RangeError(pDX, text);
    }
}

void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minValue, UINT maxValue) {
    if (pDX->m_bSaveAndValidate && (value < minValue || value > maxValue)) {
        CString text;
        text.Format("请输入一个介于 %u 和 %u 之间的整数。", minValue, maxValue);
        RangeError(pDX, text);
    }
}

void DDV_MinMaxLong(CDataExchange* pDX, long value, long minValue, long maxValue) {
    if (pDX->m_bSaveAndValidate && (value < minValue || value > maxValue)) {
        CString text;
        text.Format("请输入一个介于 %ld 和 %ld 之间的整数。", minValue, maxValue);
        RangeError(pDX, text);
    }
}

void DDV_MinMaxDWord(CDataExchange* pDX, DWORD value, DWORD minValue, DWORD maxValue) {
    DDV_MinMaxUInt(pDX, value, minValue, maxValue);
}

void DDV_MinMaxDouble(CDataExchange* pDX, double value, double minValue, double maxValue) {
    if (pDX->m_bSaveAndValidate && (value < minValue || value > maxValue)) {
        CString text;
        text.Format("请输入一个介于 %g 和 %g 之间的数字。", minValue, maxValue);
        RangeError(pDX, text);
    }
}
