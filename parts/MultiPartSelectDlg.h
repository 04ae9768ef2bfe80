// CMultiPartSelectDlg ("多选零部件", template 379): the user picks a product, browses its
// structure as a tree that loads one level of the archive bill of materials at a time (or, by the
// setting [VQPDM功能配置] "结构树方式", every part of the product as a flat list), locates parts in
// the loaded tree by drawing number and moves parts into the list of chosen parts.
//
//   CMultiPartSelectDlg dlg(this);
//   if (dlg.DoModal() == IDOK)
//       for (int i = 0; i < dlg.m_arrSelCode.GetSize(); ++i) ... dlg.m_arrSelCode[i], dlg.m_arrSelName[i]
//
// OK returns the chosen rows, or the selected tree node alone when no row was chosen. Tree node
// texts are "name [drawing number]".
#pragma once

#include "controls/TreeCtrlEx.h"
#include "controls/TreeStack.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/ListCtrl.h"

constexpr UINT IDD_MULTI_PART_SELECT = 379;

class CMultiPartSelectDlg : public CDialog {
public:
    explicit CMultiPartSelectDlg(CWnd* parent = nullptr);
    ~CMultiPartSelectDlg() override;

    // Bound to controls.
    CString m_strProductCode; // 1052 (read-only): the product whose structure is shown
    CString m_strLocateCode;  // 1076: the drawing number to locate
    // 1177 "模糊": locate by code prefix. Openers may preset it.
    int m_bFuzzy = 0;
    // 1009 "产品大类": which product picker "..." opens. Read from [选择产品] "按产品大类" when the
    // dialog opens (so a value preset by the opener is replaced) and written back on OK.
    int m_bByProductClass = 0;

    // Results, filled by OK.
    CStringArray m_arrSelCode;
    CStringArray m_arrSelName;
    CStringArray m_arrSelFlag; // always empty texts
    CString m_strSelCode;      // the tree node selected at OK
    CString m_strSelName;
    CString m_strSelFlag;
    CString m_strResultProduct;

    // Internal state.
    int m_nTreeMode = 0; // [VQPDM功能配置] "结构树方式": 0 bill of materials, other flat list
    CString m_strLoadedProduct;
    BOOL m_bLoading = TRUE; // selection changes are ignored while set
    HTREEITEM m_hTopItem = nullptr;
    CTreeCycleNotice m_cycleNotice;
    int m_nChosenCount = 0;
    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CObArray m_arrRecords; // CProductStructItem behind the product node and flat-list nodes, owned

    CTreeCtrlEx m_tree; // 1051
    CListCtrl m_list;   // 1211
    CImageList m_imageList;

    // Drawing number and name of a node text "name [number]": the number is what lies between the
    // first " [" and the last character; the name what lies before the first " [".
    static CString CodeOfText(const CString& text);
    static CString NameOfText(const CString& text);

    void LoadProductTree();
    void LoadChildren(HTREEITEM node, const CString& code);
    void LoadFlatParts(HTREEITEM productNode);
    void LoadAllBelow(HTREEITEM node, CString path);
    void Locate(const CString& code);
    void ExpandBelow(HTREEITEM node);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnDestroy() override;
    afx_msg void OnPickProduct();
    afx_msg void OnLocate();
    afx_msg void OnAddPart();
    afx_msg void OnRemoveParts();
    afx_msg void OnTreeSelChanged(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnTreeRightClick(NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    void FreeRecords();
    HTREEITEM FindBelow(HTREEITEM parent, const CString& pattern) const;
    void RenumberRows();
};
