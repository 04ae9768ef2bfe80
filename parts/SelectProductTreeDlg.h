// CSelectProductTreeDlg ("选择产品信息"): picks a product from the product classification tree:
// the product classes the account may see, their stands, and below each stand the groups and
// products of ProductGroupTree to any depth. In single mode it returns the chosen product's
// number, name, class and stand; in multiple mode every product below the chosen node.
#pragma once

#include "controls/TreeCtrlEx.h"
#include "controls/TreeItemData.h"
#include "controls/TreeStack.h"
#include "parts/StringPairRecord.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

#include <vector>

// One row of ProductGroupTree; the parent key is "%s [%s]" of UpGroupNo and UpGroupType.
struct ProductGroupRecord {
    CString style;
    CString stand;
    CString upKey;
    CString groupNo;
    CString groupName;
    CString groupType;
};

class CSelectProductTreeDlg : public CDialog {
public:
    explicit CSelectProductTreeDlg(CWnd* parent = nullptr);
    ~CSelectProductTreeDlg() override;

    BOOL m_bMultiSelect = 0;
    CString m_strCode;       // entry: the product number to preselect; OK: the chosen node's code
    CString m_strName;       // OK: the chosen node's record text
    CString m_strStyle;      // OK: the class above the chosen node
    CString m_strStand;      // OK: the stand above (or at) the chosen node
    CStringArray m_arrCodes; // multiple mode: the products collected
    CStringArray m_arrNames;

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CString m_strLoginUser;
    CImageList m_imageList;
    CTreeCtrlEx m_tree; // 1001
    CTreeCursor m_current;
    CTreeCursor m_root;
    int m_nDisplayType = 0;
    BOOL m_bFoundPreselected = FALSE;
    CTreeCursor m_preselected;
    CPtrArray m_arrItemData; // TreeItemData*, owned

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnDestroy() override;
    afx_msg void OnExpand();
    afx_msg void OnSelChanged(NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    void FillTree();
    bool ReadPairs(const CString& sql, CStringPairArray& pairs);
    void InsertGroupNodes(CTreeCursor standNode, const CString& style, const CString& stand);
    CTreeCursor AddNode(CTreeCursor parent, const CString& text, int image, const char* kind,
                        const CString& code, const CString& recordText);
    void ExpandBelow(CTreeCursor node);
    void CollectProducts(CTreeCursor node);
    void FreeItemData();

    CStringPairArray m_classPairs; // ProductStyle, Description
    CStringPairArray m_standPairs; // ProductStyle, ProductStand
    std::vector<ProductGroupRecord> m_groupRecords;
};
