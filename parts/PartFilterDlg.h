// CPartFilterDlg: edits the user's part filter conditions ([零部件过滤] "过滤比较条件"). One row
// per condition: item, operator, value; the value is edited in place, item and operator through
// CFilterConditionDlg. "确定" drops rows without a value and stores the list.
#pragma once

#include "controls/CellEditListCtrl.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/Dialog.h"

class CPartFilterDlg : public CDialog {
public:
    explicit CPartFilterDlg(CWnd* parent = nullptr);

    CCellEditListCtrl m_list;
    CComboBox m_comboItems;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    afx_msg void OnAdd();
    afx_msg void OnDelete();
    afx_msg void OnCondition();
    afx_msg void OnDblClkList(NMHDR* header, LRESULT* result);
    afx_msg void OnItemChangedList(NMHDR* header, LRESULT* result);
    DECLARE_MESSAGE_MAP()

private:
    void AddRow(const CString& item, const CString& op, const CString& value);
    void UpdateDeleteButton();
};
