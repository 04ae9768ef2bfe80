// CAssignTeamTaskDlg: the work-group work management ("设计工作组工作管理"). It shows as a tree
// the work tasks below one project task, or in work-group mode below one work task group
// ("工作任务组任务管理"), and lets the manager of that parent divide it into work tasks, divide
// them further, edit and delete them. Creating and editing go through CTeamTaskItemDlg.
//
//   CAssignTeamTaskDlg dlg(nullptr);
//   dlg.ProjectNo = projectNo;   // shown; in work-group mode the project task of the group
//   dlg.ParentNo = parentNo;     // the project task, or the group's WorkID; empty: chosen here
//   dlg.ReadOnly = 0;            // callers set it (1 forbids every change)
//   dlg.GroupMode = 0;
//   dlg.DoModal();
//   if (dlg.Changed) ...
#pragma once

#include "controls/TreeCtrlEx.h"
#include "controls/TreeItemData.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

#include <memory>
#include <vector>

class CAssignTeamTaskDlg : public CDialog {
public:
    explicit CAssignTeamTaskDlg(CWnd* parent = nullptr);
    ~CAssignTeamTaskDlg() override;

    CString ProjectNo;
    CString ProjectName;
    CString ParentNo;
    CString ParentName;
    int ReadOnly = 0;
    int GroupMode = 0;
    int Changed = 0;

    // Work nodes show "name [WorkID]" when set, the name alone otherwise.
    int ShowWorkNumbers = 1;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // "退出" and the close box both end here: the parent is marked started after a change.
    void OnCancel() override;
    void PostNcDestroy() override;

    afx_msg void OnDivideWork();
    afx_msg void OnWorkProperties();
    afx_msg void OnDeleteWork();
    afx_msg void OnSelectTask();
    afx_msg void OnProjectMembers();
    afx_msg void OnExpand();
    afx_msg void OnTreeSelChanged(NMHDR* header, LRESULT* result);
    afx_msg void OnTreeDblClk(NMHDR* header, LRESULT* result);
    afx_msg void OnTreeRClick(NMHDR* header, LRESULT* result);
    DECLARE_MESSAGE_MAP()

    void LoadTaskTree();
    void LoadGroupTree();
    void ReadParentTask();
    bool ReadGroupWork();
    void ReadWorkRows();
    void AddChildWorks(CTreeCursor node, const CString& number);

private:
    TreeItemData* NewItemData(const CString& kind, const CString& code, const CString& text);
    TreeItemData* NodeData(HTREEITEM item);
    CString WorkNodeText(const CString& name, const CString& id) const;
    void ClearTree();
    void ExpandCurrent();
    void MarkParentStarted();
    void EnableButton(int id, BOOL enable);

    CString m_parentManager;
    CString m_parentState = "未开始";
    CString m_loginUser;
    _ConnectionPtr m_connection;
    int m_closeMode = 0;
    // The work rows read for the tree, in parallel.
    CStringArray m_upWorkIds, m_workIds, m_workNames, m_workStates, m_workTypes;
    CTreeCtrlEx m_tree;
    CTreeCursor m_rootNode;
    CTreeCursor m_currentNode;
    CPoint m_rightClickPoint;
    bool m_initialising = false;
    CImageList m_images;
    std::vector<std::unique_ptr<TreeItemData>> m_itemData;
};
