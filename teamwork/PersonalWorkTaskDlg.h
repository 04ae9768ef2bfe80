// CPersonalWorkTaskDlg: the personal work-task browser. It shows as one tree the design projects,
// project tasks and work tasks that concern the login account and lets the user choose a work
// task (or, where the opener allows it, a project or a task). It only reads the database.
//
//   CPersonalWorkTaskDlg dlg;
//   dlg.m_nTreeMode = 1;            // 0: tasks holding my work tasks; 1: projects and tasks I manage
//   dlg.m_strWorkID = currentWork;  // the node to select
//   if (dlg.DoModal() == IDOK) { dlg.m_strWorkID, dlg.m_strWorkName ... }
#pragma once

#include "controls/TreeCtrlEx.h"
#include "controls/TreeStack.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

#include <memory>

class CPersonalWorkTaskDlg : public CDialog {
public:
    explicit CPersonalWorkTaskDlg(CWnd* parent = nullptr);

    // The three switches, in this order.
    int m_bTasksSelectable = 0; // a project or task may be chosen while work tasks are shown
    int m_nTreeMode = 0;  // 0: tasks in which the user manages work tasks; 1: managed projects and tasks
    int m_bShowWorks = 1; // work tasks are shown

    CString m_strWorkID;   // in: the node to select; out: the chosen work task of type "W"
    CString m_strWorkName; // out
    CString m_strChosenNo; // out: a chosen project, task or other work task
    CString m_strChosenName;
    CString m_strFindText; // the text of the edit beside "任务:"

    CTreeCtrlEx m_tree;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    afx_msg void OnSelChanged(NMHDR* header, LRESULT* result);
    afx_msg void OnTreeDblClk(NMHDR* header, LRESULT* result);
    afx_msg void OnFind();
    afx_msg void OnExpand();
    DECLARE_MESSAGE_MAP()

    void FillManagedProjects();
    void FillManagedWorkTasks();
    void BuildTaskTree(const CString& projectName, CTreeCursor projectNode);
    void CollectChildren(const CString& path);
    CString FindTaskByNameAndPath(const CString& name, const CString& path);
    void LoadProjectWorks(const CString& projectNo);
    void AddWorks(const CString& parentId, CTreeCursor parentNode);
    bool HasOwnWorkBelow(const CString& workId) const;
    static CString GetTopProjectName(const CString& name, const CString& path);

private:
    CTreeCursor AddNode(CTreeCursor parent, const CString& name, const CString& id, int image,
                        DWORD_PTR data);
    void LocateIfWanted(const CString& id, CTreeCursor node);
    void UpdateChoice();

    _ConnectionPtr m_pConnection;
    int m_nDatabaseType = 0;
    int m_nAdoCloseMode = 0;
    CString m_strLoginUser;
    CImageList m_images;
    CTreeCursor m_rootNode;
    CTreeCursor m_currentNode;
    bool m_bValidChoice = false;
    bool m_bLocated = false;
    CString m_strFoundType; // the TaskType of the last FindTaskByNameAndPath

    // Project rows kept by FillManagedProjects.
    CStringArray m_arrProjectNo, m_arrProjectName, m_arrProjectPath, m_arrTaskType;
    // The children collected by CollectChildren.
    CStringArray m_arrChildNo, m_arrChildName, m_arrChildType;
    // Work rows of one project, by UpWorkID and WorkID.
    CStringArray m_arrUpWorkID, m_arrWorkID, m_arrWorkName, m_arrWorkState, m_arrWorkType, m_arrWorkManager;
    std::unique_ptr<CTreeStack> m_stack;
};
