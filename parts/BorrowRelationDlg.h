// CBorrowRelationDlg ("借用关系浏览", template 229): browses the borrowing register
// (BorrowingRelation) as a tree and releases borrowings: one at a time ("解除借用") or all those
// below a node ("解除所有借用...", one level at a time).
//
// The tree: under the root node "借用关系" one node per parent code (UpCode) that is not itself a
// borrowing part, and below each parent node one node per borrowing row, shown by its part code
// (Code); a part that is itself the parent of borrowings carries those rows below it. Parent and
// part nodes show the code exactly as stored, so a node's text is the UpCode of the rows below it.
// Row nodes carry a record: the first text is the row's ProductCode, the second its Code.
//
// "查询" (button 1) lists in list box 1237 every node whose code contains the drawing number of
// edit 1076 (without regard to case); with "关联树节点" ticked, choosing an entry selects its node.
#pragma once

#include "controls/TreeCtrlEx.h"
#include "platform/base/Collections.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ListBox.h"

#include <map>
#include <vector>

constexpr UINT IDD_BORROW_RELATION = 229;

class CBorrowRelationDlg : public CDialog {
public:
    explicit CBorrowRelationDlg(CWnd* parent = nullptr);
    ~CBorrowRelationDlg() override;

    struct Record {
        CString first;  // ProductCode
        CString second; // Code
    };

    CString m_strQueryCode; // 1076
    int m_bLinkTree = 0;    // 1007 "关联树节点"

    CTreeCtrlEx m_tree;   // 1205
    CListBox m_listQuery; // 1237
    HTREEITEM m_hRoot = nullptr;
    BOOL m_bLoading = FALSE;
    std::vector<Record*> m_records; // behind the row nodes, owned
    std::vector<HTREEITEM> m_found; // the node of each query list entry
    int m_nFoundCount = 0;

    // Fills the tree from BorrowingRelation.
    void LoadTree();
    // The two release commands (with their confirmations).
    void ReleaseOne();
    void ReleaseAllBelow(HTREEITEM node);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override; // "查询"
    void OnDestroy() override;
    afx_msg void OnExpand();
    afx_msg void OnProperties();
    afx_msg void OnRelease();
    afx_msg void OnLinkTree();
    afx_msg void OnQuerySelChange();
    afx_msg void OnTreeSelChanged(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnTreeRightClick(NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    struct Row {
        CString code;
        CString productCode;
    };
    void AddRows(HTREEITEM parent, const CString& upCode, const std::map<CString, std::vector<Row>>& byParent,
                 std::vector<CString>& path);
    void FreeRecords();
    void UpdateButtons();
    void ExpandBelow(HTREEITEM node);
    void FindNodes(HTREEITEM parent, const CString& pattern);
    void LinkSelectedEntry();
};
