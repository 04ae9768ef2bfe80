// CAuditTaskPropDlg ("任务流程属性"): the name of one step of a flow chart, the steps linked to
// it and from it, and the marks "[N]" and "[M]" where the settings allow them. OK renames the
// step and rewrites the links that touch it.
#pragma once

#include "platform/ui/Dialog.h"
#include "platform/ui/ListBox.h"

class CAuditTaskPropDlg : public CDialog {
public:
    enum { IDD = 130 };
    static constexpr int kNameId = 1001;
    static constexpr int kPredecessorsId = 1002;
    static constexpr int kSuccessorsId = 1003;
    static constexpr int kMultiLevelId = 1004;
    static constexpr int kMixedId = 1005;

    explicit CAuditTaskPropDlg(CWnd* parent = nullptr);

    CListBox m_listSuccessors;
    CListBox m_listPredecessors;
    CString m_strName;
    int m_bMultiLevel = 0;
    int m_bMixed = 0;
    CStringArray m_arrLinks;     // every link of the chart: source + "->*<-" + target
    CStringArray m_arrTaskNames; // every step name of the chart
    CString m_strKind;
    int m_bAllowMultiLevel = 0;
    int m_bAllowMixed = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    afx_msg void OnDblClkPredecessors();
    afx_msg void OnDblClkSuccessors();
    DECLARE_MESSAGE_MAP()

private:
    void RemoveSelectedLine(CListBox& list);

    CString m_strOpeningName;
};
