// CDrawingCheckDlg: the drawing completeness query of one work task. It expands the top parts the
// task designs into their bills of materials (collaborative-design tables), shows them as a tree
// with check boxes and sorts the parts into two lists: drawings that are stored (list 1) and
// drawings that are not (list 2). The user records an audit verdict and exports both lists.
//
// Modes: 0 completeness, 1 borrowing ratio, 2 association; they change captions and list rules.
#pragma once

#include "controls/ResizeCtrl.h"
#include "controls/SortListCtrl.h"
#include "controls/TreeCtrlEx.h"
#include "core/ItemText.h"
#include "controls/TreeStack.h"
#include "parts/PartFilterCondition.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

// One part of the tree: the fields of its structure row.
struct CDrawingCheckRecord {
    CString m_strUpCode;
    CString m_strCode;
    CString m_strName;
    CString m_strRemark;
    CString m_strTitleName; // empty: the part has no title row (its drawing is not stored)
    CString m_strTOther4;   // the old code of the title row
};

class CDrawingCheckDlg : public CDialog {
public:
    explicit CDrawingCheckDlg(CWnd* parent = nullptr);
    ~CDrawingCheckDlg() override;

    CString m_strTaskNo;   // the WorkID whose parts are checked (edit 1191)
    int m_nCheckMode = 0;  // 0 completeness, 1 borrowing ratio, 2 association
    int m_nReviewFlag = 0; // non-zero: "审查结果" is enabled
    BOOL m_bFilter = TRUE; // check box 1007 "过滤"

    CTreeCtrlEx m_tree;
    CSortListCtrl m_list1;
    CSortListCtrl m_list2;

    // The list columns.
    enum Column { kNumber, kCode, kName, kOldCode, kParentCode, kRemark };

    // Writes the export file; FALSE (after the message) when it cannot be created.
    BOOL WriteExport(const CString& path);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    afx_msg void OnPickTask();
    afx_msg void OnConditions();
    afx_msg void OnRefreshButton();
    afx_msg void OnRequery();
    afx_msg void OnAudit();
    afx_msg void OnExport();
    afx_msg void OnColumnClick1(NMHDR* header, LRESULT* result);
    afx_msg void OnColumnClick2(NMHDR* header, LRESULT* result);
    DECLARE_MESSAGE_MAP()

    void Refresh();
    void BuildTree();
    void ExpandTopPart(CTreeCursor node, const CString& code);
    BOOL ReadStructure(const CString& code);
    int FindChildren(const CString& code, const CString& path);
    void ListPart(const CString& code, const CString& name, const CString& remark, bool stored);
    void FillHandedInDrawings();
    void ShowInapplicableConditions();
    void CleanNotStored();
    void NumberRows();
    void ClearLists();
    void FreeRecords();
    void SortList(CSortListCtrl& list, int column);

private:
    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    int m_nDatabaseType = 0;
    CString m_strLoginUser;
    CString m_strLastTaskNo;

    std::vector<PartFilterCondition> m_conditions;
    std::unique_ptr<CTreeStack> m_stack;
    CTreeCycleNotice m_cycleNotice;
    CTreeCursor m_rootNode;

    // Structure rows of the top part being expanded, in row order (ordered by upper code).
    CStringArray m_arrUpCode, m_arrCode, m_arrName, m_arrTitleName, m_arrTOther4, m_arrRemark;
    std::vector<CDrawingCheckRecord*> m_rowRecords;
    // Children found for the current node.
    CStringArray m_arrChildCode, m_arrChildName, m_arrChildTOther4;
    std::vector<CDrawingCheckRecord*> m_childRecords;

    std::vector<std::unique_ptr<CDrawingCheckRecord>> m_records;
    std::vector<std::unique_ptr<CItemText>> m_itemTexts;
    std::set<std::string> m_storedCodes, m_notStoredCodes;
    CString m_strParentCode, m_strOldCode; // go with the next listed row
    int m_nCount1 = 0, m_nCount2 = 0;

    CImageList m_treeImages;
    CImageList m_headerImages;
    CResizeCtrl m_resize;
};
