// CPartBorrowQueryDlg ("零部件借用性查询"): where a part is used. Given a part code it shows the
// assemblies whose bill of materials lists it, either as an upward tree that climbs the archive
// bill of materials to the top assemblies, or as a table of the direct parents; either view can
// be saved as a text file (code page 936, CRLF).
#pragma once

#include "controls/SortListCtrl.h"
#include "controls/TreeCtrlEx.h"
#include "controls/TreeStack.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

#include <string>
#include <unordered_map>
#include <vector>

class CProgressWnd;

class CPartBorrowQueryDlg : public CDialog {
public:
    explicit CPartBorrowQueryDlg(CWnd* parent = nullptr);
    ~CPartBorrowQueryDlg() override;

    CString m_strPartCode;   // edit 1022: the part to query
    int m_nShowMode = 0;     // radios 1392/1393: 0 tree, 1 table
    int m_bPickBySearch = 0; // check 1177: "..." opens the part search instead of the browser

    CString m_strProductCode; // the product of the queried part's title row
    CString m_strPartName;

    // The parents of the last lookup.
    CStringArray m_arrUpCodes;
    CStringArray m_arrUpNames;
    int m_nParentCount = 0;

    CTreeCursor m_startNode;
    int m_nLeafCount = 0;

    CTreeCtrlEx m_tree;   // 1205
    CSortListCtrl m_list; // 1395

    // The bytes of the two text exports (code page 936, CRLF line ends), as OnSave writes them.
    std::string TableText();
    std::string TreeText();

    void RunQuery();

    // The progress window of a running tree query (its cancel button stops the query), else null.
    CProgressWnd* m_pProgress = nullptr;
    BOOL m_bCancelled = FALSE; // the last tree query was cancelled: the tree shows part of it

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    afx_msg void OnPickPart();
    afx_msg void OnQuery();
    afx_msg void OnTreeMode();
    afx_msg void OnTableMode();
    afx_msg void OnExpandAll();
    afx_msg void OnSave();
    afx_msg void OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    void BuildTree();
    bool ReadUpwardLines(CProgressWnd& progress);
    double EstimateNodes(const CString& code) const;
    void AddUpwardTree(CProgressWnd& progress);
    void LoadParents(CString code, const CString& path);
    void QueryTable();
    int CountLeaves(CTreeCursor node);
    void ExpandBelow(CTreeCursor node);
    void SaveText(const char* filter, bool tree);
    void FreeItemTexts();

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CTreeStack m_stack;
    CTreeCycleNotice m_cycleNotice;
    CImageList m_imageList;
    CImageList m_imageArrows;
    CPtrArray m_arrItemTexts; // CItemText* of the table rows, owned

    struct ParentLine {
        CString code;
        CString name;
    };
    // The parents of every code the upward tree reaches, by upper-cased code, in the order the
    // database gives them: read level by level before the tree is built.
    std::unordered_map<CString, std::vector<ParentLine>> m_parentsByCode;
};
