// CTaskPartDlg ("设计产品结构管理"): the product structure that one work task designs. The root
// is the work; below it the parts its designers declared (TeamWorkPartTree links, TeamWorkPart
// rows), and below a part the bill-of-materials lines already stored for it in the
// collaborative-design or archive tables. The work's manager adds, replaces and deletes parts
// (through CDesignPartDlg); everybody else browses. A manager who opens a work that waits for
// acceptance is asked to accept it.
//
//   CTaskPartDlg dlg(nullptr);
//   dlg.m_strWorkID = workId;   // empty: the work is chosen in the dialog
//   dlg.m_bReadOnly = 0;
//   dlg.DoModal();
//   if (dlg.m_bChanged) ...
#pragma once

#include "controls/TreeCtrlEx.h"
#include "controls/TreeItemData.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

#include <memory>
#include <vector>

class CTaskPartDlg : public CDialog {
public:
    explicit CTaskPartDlg(CWnd* parent = nullptr);
    ~CTaskPartDlg() override;

    CString m_strWorkID;
    int m_bReadOnly = 1;
    int m_bChanged = 0;

    // Shown in the four read-only boxes.
    CString m_strProjectNo;
    CString m_strProjectName;
    CString m_strWorkName;

    // Read with the work.
    CString m_strTaskNo;
    CString m_strTaskName;
    CString m_strManager;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void PostNcDestroy() override;
    DECLARE_MESSAGE_MAP()

    afx_msg void OnSelectTask();
    afx_msg void OnNewPart();
    afx_msg void OnModifyPart();
    afx_msg void OnDeletePart();
    afx_msg void OnExpand();
    afx_msg void OnSelchangedTree(NMHDR* header, LRESULT* result);
    afx_msg void OnRclickTree(NMHDR* header, LRESULT* result);

    void LoadWork();
    void ExpandPartNode(CTreeCursor node, const CString& code, int rootFlag);
    CString GetPartKind(const CString& code);
    bool DeletePartRows(CTreeCursor node, const CString& workId, const CString& code);
    void ShowWorkMenu();
    void ShowPartMenu();
    void DeleteChildItems(CTreeCursor node);
    void ConfirmAcceptTask(const CString& workId);
    void ClearTreeItemData();

private:
    TreeItemData* NewItemData(const CString& kind, const CString& code, const CString& text);
    TreeItemData* NodeData(HTREEITEM item);
    CTreeCursor AddPartNode(CTreeCursor parent, const CString& code, const CString& name);
    void ReadWorkRow();
    void ReadProjectTask();
    // Which part commands the node allows (before the read-only flag is applied).
    struct PartCommands {
        bool canNew = false;
        bool canModify = false;
        bool canDelete = false;
    };
    PartCommands CommandsFor(CTreeCursor node);
    void EnablePartButtons(const PartCommands& commands);
    void RunMenu(UINT command);
    void ExpandSelected();

    _ConnectionPtr m_pConnection;
    int m_nDatabaseType = 0;
    int m_nAdoCloseMode = 0;
    CString m_strLoginUser;
    CTreeCtrlEx m_tree;
    CImageList m_images;
    CTreeCursor m_rootNode;
    CTreeCursor m_selectedNode;
    CPoint m_rightClickPoint;
    bool m_bInitialising = false;
    std::vector<std::unique_ptr<TreeItemData>> m_itemData;
};
