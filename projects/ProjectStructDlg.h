// CProjectStructDlg: one design project shown read-only: the tree of its project tasks and, under
// each task, the work tasks of the work groups with their sub-work tasks (a task's work tasks
// before its sub-tasks). It offers picking the project and expanding nodes.
#pragma once

#include "controls/TreeCtrlEx.h"
#include "controls/TreeItemData.h"
#include "platform/base/Collections.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"
#include "projects/ProjectTaskTree.h"

#include <set>
#include <string>
#include <vector>

class CProjectStructDlg : public CDialog {
public:
    static constexpr int kTreeId = 1401;
    static constexpr int kProjectNoId = 1402;
    static constexpr int kProjectNameId = 1403;
    static constexpr int kPickProjectId = 1404;
    static constexpr int kExpandId = 1405;

    explicit CProjectStructDlg(CWnd* parent = nullptr);
    ~CProjectStructDlg() override;

    CString ProjectNo;
    CString ProjectName;

    CTreeCtrlEx m_tree;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    void OnPickProject();
    void OnExpand();
    void OnSelChanged(NMHDR* pNMHDR, LRESULT* pResult);
    void OnTreeRightClick(NMHDR* pNMHDR, LRESULT* pResult);

    DECLARE_MESSAGE_MAP()

private:
    struct WorkRow {
        CString upWorkId;
        CString workId;
        CString name;
        CString state;
        CString type;
    };

    void BuildTree();
    void ReadWorkRows();
    void AddTasks(CTreeCursor parent, const CString& path);
    void AddWorks(CTreeCursor parent, const CString& key, std::set<std::string>& placed);
    CTreeCursor AddNode(CTreeCursor parent, const CString& text, int image, const CString& kind,
                        const CString& code, const CString& name);
    void FreeRecords();

    CImageList m_images;
    CPtrArray m_arrRecords; // TreeItemData*, owned
    std::vector<projects::TaskRow> m_tasks;
    std::vector<WorkRow> m_works;
    const projects::TaskRowsByPath* m_pTasksByPath = nullptr;
    std::map<std::string, std::vector<int>> m_worksByParent;
    CTreeCursor m_rootNode;
    CTreeCursor m_selectedNode;
    bool m_bFilling = false;
};
