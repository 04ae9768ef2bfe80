// CFilterConditionDlg: picks the comparison item and the operator of one part filter condition.
// The opener presets both; after OK they hold the choice.
#pragma once

#include "platform/ui/Dialog.h"
#include "platform/ui/ListBox.h"

class CFilterConditionDlg : public CDialog {
public:
    explicit CFilterConditionDlg(CWnd* parent = nullptr);

    int m_nItem = 0;       // index in kPartFilterItems (radio group 1395...)
    CString m_strOperator; // one of kPartFilterOperators
    CListBox m_listOperators;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    afx_msg void OnDblClkOperators();
    DECLARE_MESSAGE_MAP()
};
