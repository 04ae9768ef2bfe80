// CTeamGroupFileManageDlg ("工作组文档管理"): the design documents that the work tasks of one
// project task have produced. The tree on the left shows the project task, its work tasks and
// sub-work tasks and the parts of each work task; the list on the right the work documents of
// the selected branch, or of the selected part. From the list a document is opened, its
// properties, review flow or review results shown. Only work-log rows are written.
//
//   CTeamGroupFileManageDlg dlg;
//   dlg.TaskNo = projectTaskNo;   // or a work id with dlg.ByWorkID = 1
//   dlg.DoModal();
#pragma once

#include "controls/SysImageList.h"
#include "controls/TreeCtrlEx.h"
#include "controls/TreeStack.h"
#include "platform/base/Collections.h"
#include "platform/base/Folders.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/ListCtrl.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct TreeItemData;

class CTeamGroupFileManageDlg : public CDialog {
public:
    enum { IDD = 6014 };
    static constexpr int kListId = 1009;
    static constexpr int kTreeId = 6000;
    static constexpr int kPropertiesId = 6042;
    static constexpr int kAuditFlowId = 1078;
    static constexpr int kAuditResultId = 6044;
    static constexpr int kBrowseId = 1007;
    static constexpr int kExpandCommand = 1;

    explicit CTeamGroupFileManageDlg(CWnd* parent = nullptr);
    ~CTeamGroupFileManageDlg() override;

    CString TaskNo;   // a project-task number, or a work id when ByWorkID is set
    int ByWorkID = 0; // non-zero: TaskNo is a work id

    // The node text of a work task or a part: "name [code]".
    static CString NodeText(const CString& name, const CString& code);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    void PostNcDestroy() override;
    afx_msg void OnProperties();
    afx_msg void OnAuditFlow();
    afx_msg void OnAuditResult();
    afx_msg void OnBrowse();
    afx_msg void OnListDblClk(NMHDR* header, LRESULT* result);
    afx_msg void OnListItemChanged(NMHDR* header, LRESULT* result);
    afx_msg void OnTreeSelChanged(NMHDR* header, LRESULT* result);
    afx_msg void OnTreeRClick(NMHDR* header, LRESULT* result);
    DECLARE_MESSAGE_MAP()

    void BuildTree();
    void ListWorkDocuments();

private:
    void ReadProjectTask();
    void ReadWorkRows();
    void AddWorkNodes(CTreeCursor parent, const CString& parentId, std::vector<CString>& path);
    void AddWorkParts(CTreeCursor workNode, const CString& workId);
    CTreeStackItem PopPart();
    bool IsOnOwnPath(CTreeCursor node, const CString& code);
    void LoadPartChildren(CTreeCursor node, const CString& code);
    CString ClassifyPart(const CString& code);
    void CollectBranchCodes(CTreeCursor node);
    CTreeCursor AddNode(CTreeCursor parent, const CString& text, int image, const CString& kind,
                        const CString& code, const CString& name);
    TreeItemData* NodeRecord(HTREEITEM item);
    struct DocFileItem* CurrentRecord();
    void ClearRows();

    CListCtrl m_list;
    CTreeCtrlEx m_tree;
    CString m_strProjectTaskNo;
    CString m_strTaskName;
    CString m_strProjectNo;
    CString m_strProjectName;
    _ConnectionPtr m_pConnection;
    int m_nDatabaseType = 0;
    int m_nAdoCloseMode = 0;
    CImageList m_treeImages;
    CPoint m_clickPoint;
    CTreeCursor m_selectedNode;
    CTreeCursor m_rootNode;
    int m_bBusy = 1;
    CStringArray m_arrUpWorkID, m_arrWorkID, m_arrWorkName, m_arrWorkState, m_arrWorkType;
    // The rows of the work tasks by the grouping key of their UpWorkID, in row order.
    std::unordered_map<std::string, std::vector<int>> m_worksByParent;
    CSysImageList m_sysImages;
    CStringArray m_arrSelectedCodes;
    int m_nCurrentRow = -1;
    std::unique_ptr<CTreeStack> m_partStack;
    CTreeStackItem m_currentEntry;
    CStringArray m_arrPartUpCode, m_arrPartCode, m_arrPartName;
    CStringArray m_arrChildCode, m_arrChildName;
    int m_nPartMode = 0;
    CString m_strPartCode;
    CPtrArray m_nodeRecords;
    CPtrArray m_rowRecords;
    // Where documents are fetched to: a folder of the dialog's own, so that another host of the
    // same user never writes over a copy this one opened, and nothing stays when it closes (but a
    // copy handed to a viewer, which stays while the viewer may read it).
    vq::CallFolder m_copies;
};
