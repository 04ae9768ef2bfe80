// CProductInfoSelectDlg ("选择产品信息", template 279): picks a product from a three-level tree of
// product classes (ProductGroup), their stands (ProductStand) and their products (Product), and
// returns the product's drawing number and name with its stand, class code and class name. By
// configuration it accepts a stand or a class instead, shows one class only, or shows only the
// products that the current account controls.
//
//   CProductInfoSelectDlg dlg(this);
//   dlg.m_strCode = current;      // preselected when listed
//   dlg.m_bNeedProduct = 1;
//   if (dlg.DoModal() == IDOK) ... dlg.m_strCode, dlg.m_strName, dlg.m_strStand, dlg.m_strStyle
//
// Node texts are "name::code" for classes and products and the stand itself for stands; the
// item data of a node is its level + 1 (1 class, 2 stand, 3 product).
#pragma once

#include "controls/TreeCtrlEx.h"
#include "parts/StringPairRecord.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

constexpr UINT IDD_PRODUCT_INFO_SELECT = 279;

class CProductInfoSelectDlg : public CDialog {
public:
    explicit CProductInfoSelectDlg(CWnd* parent = nullptr);

    int m_nRightMode = 0;    // 2: only the products the account controls ("admin" sees all)
    BOOL m_bBrowseOnly = 0;  // exactly 1: OK closes without taking the selection
    BOOL m_bAnyLevel = 0;    // a class, a stand or a product is accepted
    BOOL m_bNeedStand = 1;   // without the two others: a stand (or deeper) is required
    BOOL m_bNeedProduct = 1; // without m_bAnyLevel: a product is required
    CString m_strStyle;      // entry: the only class to show (when given); OK: the class code
    CString m_strStand;      // OK: the stand
    CString m_strName;       // OK: the product name
    CString m_strCode;       // entry: the product to preselect; OK: the product's drawing number
    CString m_strStyleName;  // entry: the name shown for m_strStyle; OK: the class name
    int m_nLevel = 2;        // OK: 0 class, 1 stand, 2 product

    // Copied from the application object when the dialog opens.
    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CString m_strLoginUser;

    CTreeCtrlEx m_tree; // 1001
    CImageList m_imageList;
    CTreeCursor m_root;
    // Working lists while the tree is built (empty afterwards).
    CStringPairArray m_groupPairs;   // ProductStyle, class name
    CStringPairArray m_standPairs;   // ProductStyle, ProductStand
    CStringPairArray m_productPairs; // "style[stand]", "name::code"
    CStringArray m_arrRightCodes;
    BOOL m_bFoundSelected = FALSE;
    CTreeCursor m_selectedCursor;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    afx_msg void OnExpand();
    DECLARE_MESSAGE_MAP()

private:
    void BuildTree();
    void LoadRights();
    void ReadPairs(const CString& sql, CStringPairArray& pairs, bool product);
    void ExpandBelow(HTREEITEM item);
    // Results of a product, stand or class node (the nodes above give stand and class).
    void TakeProduct(HTREEITEM product);
    void TakeStand(HTREEITEM stand);
    void TakeClass(HTREEITEM cls);
};
