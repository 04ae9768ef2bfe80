// CPartBrowseDlg ("浏览零部件"): picks one part from the bill of materials of a chosen product.
// The structure is shown as a tree of "name [code]" nodes, read one level at a time as the
// person walks it or whole at once, or as the flat list of the product's parts; a node can be
// located by a piece of its text. OK returns the part's code and name and the product.
#pragma once

#include "controls/TreeCtrlEx.h"
#include "controls/TreeStack.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

#include <unordered_map>
#include <vector>

class CPartBrowseDlg : public CDialog {
public:
    explicit CPartBrowseDlg(CWnd* parent = nullptr);
    ~CPartBrowseDlg() override;

    CString m_productCode;       // edit 1191
    CString m_findText;          // edit 1076
    int m_fuzzy = 0;             // check 1177, kept for the caller
    int m_byProductClass = 0;    // check 1008: the product comes from the class tree
    CString m_resultProductCode; // OK: the product in use
    CString m_productName;
    CString m_partCode; // OK: the chosen node
    CString m_partName;
    int m_childFilter = 2; // 2: the level read lists only children with a title row

    // The code and the name of a node text "name [code]".
    static CString CodeFromText(const CString& text);
    static CString NameFromText(const CString& text);

    // The structure read at once: parent code, child code and child name of each line.
    CStringArray m_arrParentCodes;
    CStringArray m_arrChildCodes;
    CStringArray m_arrChildNames;

    CTreeCtrlEx m_tree; // 1051
    CTreeCursor m_topNode;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnDestroy() override;
    afx_msg void OnPickProduct();
    afx_msg void OnLocate();
    afx_msg void OnSelChanged(NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    void LoadProduct();
    void ReadLevel(const CString& code, CTreeCursor parent);
    void ReadWholeStructure(const CString& productCode, CTreeCursor productNode);
    bool LoadStructure(const CString& productCode);
    void FindChildren(const CString& code, const CString& path);
    void ListProductParts(CTreeCursor productNode);
    bool LocateBelow(CTreeCursor node, const CString& text);
    void FreeRecords();
    void WriteClassSetting();

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    int m_nDatabaseType = 0;
    CImageList m_imageList;
    CTreeStack m_stack;
    CTreeCycleNotice m_cycleNotice;
    CString m_loadedProduct;
    int m_treeMode = 0;
    BOOL m_busy = FALSE;
    // Lines of the structure by upper-cased parent code, in the order they were read.
    std::unordered_map<CString, std::vector<int>, std::hash<CString>> m_lineIndex;
    // The children found for the node being expanded.
    CStringArray m_childCodes;
    CStringArray m_childNames;
    int m_childCount = 0;
    BOOL m_found = FALSE;
    CTreeCursor m_foundItem;
    CPtrArray m_arrRecords; // CProductStructItem* of the part-list nodes, owned
};
