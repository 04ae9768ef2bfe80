// CSelectProjectTeamerDlg ("选择项目组成员"): picks one member of a project group or of the work
// group of a project task, shown as the tree of the group member dialog. Cancel leaves the
// preset login name in place, so a caller may take m_strLogName whatever the result.
#pragma once

#include "controls/TreeCtrlEx.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"
#include "projects/ProjectTeamTree.h"

class CSelectProjectTeamerDlg : public CDialog {
public:
    explicit CSelectProjectTeamerDlg(CWnd* parent = nullptr);

    CString m_strProjectNo;
    CString m_strTaskNo;
    CString m_strProjectName; // read from ProjectManage when empty
    CString m_strTaskName;
    int m_bWorkGroup = 0;
    CString m_strLogName;  // in: the member to preselect; out after OK: the chosen member
    CString m_strUserName; // out after OK: the chosen member's full name

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnDestroy() override;
    DECLARE_MESSAGE_MAP()

    afx_msg void OnChooseGroup();
    afx_msg void OnSelChanged(NMHDR* header, LRESULT* result);
    afx_msg void OnDblClick(NMHDR* header, LRESULT* result);

private:
    void FillTree();

    CImageList m_images;
    CTreeCtrlEx m_tree;
    CProjectTeamTree m_team;
};
