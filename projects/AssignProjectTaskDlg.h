// CAssignProjectTaskDlg: the work breakdown of one design project ("设计项目结构管理 — WBS分解"): the
// tree of its project tasks, where a node is divided into a new task (optionally with the task's
// first work task), a task's properties are edited, a task is deleted with its whole subtree, and
// the project's members are managed. In read-only mode no command that changes data is offered;
// the properties of a task can still be looked at.
#pragma once

#include "controls/TreeCtrlEx.h"
#include "controls/TreeItemData.h"
#include "controls/TreeStack.h"
#include "platform/base/Collections.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"
#include "projects/ProjectTaskTree.h"

#include <memory>
#include <vector>

class CAssignProjectTaskDlg : public CDialog {
public:
    static constexpr int kTreeId = 1501;
    static constexpr int kProjectNoId = 1502;
    static constexpr int kProjectNameId = 1503;
    static constexpr int kDivideId = 1504;
    static constexpr int kModifyId = 1505;
    static constexpr int kDeleteId = 1506;
    static constexpr int kMembersId = 1507;
    static constexpr int kPickProjectId = 1508;
    static constexpr int kExpandId = 1509;

    explicit CAssignProjectTaskDlg(CWnd* parent = nullptr);
    ~CAssignProjectTaskDlg() override;

    CString ProjectNo;
    CString ProjectName;
    int ReadOnly = 0;
    int Changed = 0; // 1 once a task was divided, changed or deleted

    CTreeCtrlEx m_tree;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    void OnDivide();
    void OnModify();
    void OnDelete();
    void OnMembers();
    void OnPickProject();
    void OnExpand();
    void OnSelChanged(NMHDR* pNMHDR, LRESULT* pResult);
    void OnTreeDblClick(NMHDR* pNMHDR, LRESULT* pResult);
    void OnTreeRightClick(NMHDR* pNMHDR, LRESULT* pResult);

    DECLARE_MESSAGE_MAP()

private:
    void BuildTree();
    void FillTree(const projects::TaskRowsByPath& byPath);
    CTreeCursor AddNode(CTreeCursor parent, const CString& text, int image, const CString& kind,
                        const CString& code, const CString& name);
    TreeItemData* RecordOf(HTREEITEM node) const;
    void FreeRecords();
    void EnableCommand(int id, BOOL enable);
    // Delete is offered for task nodes only, and never in read-only mode.
    void UpdateCommands();
    // The login account that may change the node: the project's creator for the root, the
    // manager of the parent node for a task.
    bool IsResponsibleFor(CTreeCursor node) const;
    CString ReadPath(const CString& number) const;
    void CreateFirstWorkTask(const class CProjectTaskItemDlg& item, const CString& created, const CString& today);

    CImageList m_images;
    CPtrArray m_arrRecords; // TreeItemData*, owned
    std::vector<projects::TaskRow> m_tasks;
    std::unique_ptr<CTreeStack> m_stack;
    CTreeCursor m_rootNode;
    CTreeCursor m_selectedNode;
    CString m_strLoginUser;
    int m_nDatabaseType = 0;
    bool m_bFilling = false;
};
