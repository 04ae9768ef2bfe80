// CBrowseProjectTaskDlg ("浏览项目工作任务"): picks a design project or a project task among those
// the login account is in charge of. The tree shows the projects (and change tasks) the user
// manages or in which the user manages a task, and below each the managed tasks with the tasks on
// the way to them. It only reads the database.
//
//   CBrowseProjectTaskDlg dlg(this);
//   dlg.m_strTaskNo = current;             // optional: the node to select
//   if (dlg.DoModal() == IDOK) { dlg.m_strTaskNo, dlg.m_strTaskName ... }
#pragma once

#include "controls/TreeCtrlEx.h"
#include "controls/TreeItemData.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

#include <memory>
#include <vector>

class CBrowseProjectTaskDlg : public CDialog {
public:
    explicit CBrowseProjectTaskDlg(CWnd* parent = nullptr);
    ~CBrowseProjectTaskDlg() override;

    CString m_strTaskNo;   // in: the node to preselect; out: the chosen node's number
    CString m_strTaskName; // out: the chosen node's name
    CString m_strFindText; // the box "任务:"
    // Node labels: 1 "name [number]", 0 the name alone.
    int m_bShowNumbers = 1;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnDestroy() override;
    DECLARE_MESSAGE_MAP()

    afx_msg void OnSelChanged(NMHDR* header, LRESULT* result);
    afx_msg void OnRightClick(NMHDR* header, LRESULT* result);
    afx_msg void OnFind();
    afx_msg void OnExpand();

private:
    struct Row {
        CString number, name, path;
    };
    void FillTree();
    void ReadManagedRows();
    void BuildTasks(const CString& projectName, CTreeCursor projectNode);
    std::vector<Row> CollectChildren(const CString& path);
    CString FindNumber(const CString& path, const CString& name);
    CTreeCursor AddNode(CTreeCursor parent, const char* kind, const CString& number, const CString& name, int image);
    void FreeRecords();

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    int m_nDatabaseType = 0;
    CString m_strLoginUser;
    CImageList m_images;
    CTreeCtrlEx m_tree;
    CTreeCursor m_root;
    CTreeCursor m_preselected;
    std::vector<Row> m_managed;
    std::vector<TreeItemData*> m_records;
};
