// CPartRevSelectDlg ("选择零部件版本"): picks one revision of a part from its revision tree and
// shows, before confirming, the title block and the bill-of-materials lines stored for it. After
// IDOK m_strRevision, m_titleItem and m_arrLines hold the choice; the opener takes over the
// records of m_arrLines.
#pragma once

#include "controls/ResizeCtrl.h"
#include "controls/TreeCtrlEx.h"
#include "controls/TreeStack.h"
#include "parts/ProductTitleItem.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/ListCtrl.h"

class CPartRevSelectDlg : public CDialog {
public:
    explicit CPartRevSelectDlg(CWnd* parent = nullptr);
    ~CPartRevSelectDlg() override;

    CListCtrl m_titleList; // 1033
    CListCtrl m_lineList;  // 1030
    CTreeCtrlEx m_tree;    // 1009
    CString m_strTableFamily;
    CString m_strProductCode;
    CString m_strPartCode;
    CString m_strRevision;
    CString m_strInitialRevision;
    CString m_strCurrentRev;
    CProductTitleItem m_titleItem;
    CObArray m_arrLines; // CProductStructItem, the caller's after IDOK
    BOOL m_bChangeHistory = TRUE;

    // The sheet area of a size text "width*height" in units of an A1 sheet's sixteenth: 0 when the
    // text has no "*" after its first character.
    static float SheetArea(const CString& size);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void PostNcDestroy() override;
    afx_msg void OnSelChangedTree(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnWhereUsed();
    afx_msg void OnChangeHistory();
    DECLARE_MESSAGE_MAP()

private:
    void LoadRevisions();
    void BuildTree();
    void FilterRevisionsByPath(const CString& path);
    void AddRevisionSubtree(CTreeCursor item);
    CTreeCursor InsertRevision(CTreeCursor parent, const CString& number);
    void LoadTitle();
    void LoadLines();
    void FreeLineRecords();

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CString m_strTitleLabel[5] = {"其他1", "其他2", "其他3", "其他4", "其他5"};
    CString m_strLineLabel[5] = {"备注", "类型", "规格", "其他1", "其他2"};
    int m_nDecimalQuantity = 0;
    CImageList m_imageList;
    CStringArray m_arrChildRevisions;
    CStringArray m_arrTopRevisions;
    int m_nFoundCount = 0;
    CTreeStack m_treeStack;
    CTreeStackItem m_spareItem;
    CTreeCursor m_rootItem;
    CString m_strPathPrefix;
    CTreeCursor m_itemToSelect;
    int m_bItemFound = 0;
    CStringArray m_arrRevPaths;
    CStringArray m_arrRevNumbers;
    int m_nNoRevision = 0;
    CResizeCtrl m_resize;
    CPtrArray m_arrLineRecords; // CItemText behind each line row
};
