// CProjectTeamDlg ("项目组成员管理"): the members of a project group or of the work group of a
// project task, as a tree. Adds members chosen in the user picker or taken from the people who
// manage work in the project or task, removes a member with the member's rights, and makes one
// member the leader. Every change is stored at once.
#pragma once

#include "controls/TreeCtrlEx.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"
#include "projects/ProjectTeamTree.h"

class CProjectTeamDlg : public CDialog {
public:
    explicit CProjectTeamDlg(CWnd* parent = nullptr);

    CString m_strProjectNo;
    CString m_strTaskNo;
    CString m_strProjectName; // read from ProjectManage when empty
    CString m_strTaskName;
    int m_bWorkGroup = 0; // non-zero: the work group of the task ("_T")
    int m_bReadOnly = 0;
    int m_bChanged = 0; // out: 1 once members were added through the user picker

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    DECLARE_MESSAGE_MAP()

    afx_msg void OnAddMembers();
    afx_msg void OnDeleteMember();
    afx_msg void OnRefreshFromWork();
    afx_msg void OnChooseGroup();
    afx_msg void OnSelChanged(NMHDR* header, LRESULT* result);
    afx_msg void OnRightClick(NMHDR* header, LRESULT* result);

private:
    ProjectTeamGroup Group() const;
    void FillTree();
    void UpdateButtons();
    void MakeLeader(HTREEITEM item);
    // The lock of the group's members, taken by every change of the leader or of who is a member
    // that is decided on rows read after a question.
    CString GroupLockName() const;

    CImageList m_images;
    CTreeCtrlEx m_tree;
    CProjectTeamTree m_team;
    HTREEITEM m_selected = nullptr;
};
