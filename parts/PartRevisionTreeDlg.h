// CPartRevisionTreeDlg ("浏览图号版本信息"): the revisions of one drawing number as a tree (from
// PartRevManage), the released documents of the chosen revision (from Documents) and the
// modification notices that concern it (from ECOPartRelease). A released document is fetched
// from the release folder "/Vq/Proven/<product>/<part>/<revision>" of the FTP connection the
// current entry call lends (none: documents are listed but not opened); a notice's sheet comes
// out of the file store.
//
//   CPartRevisionTreeDlg dlg(this);
//   dlg.m_strPartCode = code;
//   dlg.m_strProductCode = product;   // may stay empty
//   dlg.DoModal();
#pragma once

#include "controls/SysImageList.h"
#include "controls/TreeCtrlEx.h"
#include "controls/TreeStack.h"
#include "parts/DocumentItem.h"
#include "platform/base/Collections.h"
#include "platform/base/Folders.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/ListCtrl.h"

class CFtpConnection;

class CPartRevisionTreeDlg : public CDialog {
public:
    explicit CPartRevisionTreeDlg(CWnd* parent = nullptr);
    ~CPartRevisionTreeDlg() override;

    CListCtrl m_listChangeOrders;   // 1382
    CListCtrl m_listDocuments;      // 1172
    CTreeCtrlEx m_treeRevisions;    // 1009
    CString m_strCurrentRevText;    // edit 1001
    CString m_strLatestRevText;     // edit 1228
    BOOL m_bBrowseDocument = FALSE; // check box 1013
    CString m_strProductCode;
    CString m_strPartCode;
    CString m_strPartName;

    // Steps of the dialog, public for its openers' tests.
    void ResolveBorrowedPart();
    void LoadPartRevisions();
    void BuildRevisionTree();
    void FilterRevisionsByPath(const CString& path);
    void AddRevisionSubtree(CTreeCursor item);
    void LoadDocuments();
    void FillChangeOrderList(const CString& revision);
    void FillDocumentList(const CString& revision);
    void OpenReleasedDocument();
    int SetFtpFolder(const CString& folder);

    const CString& ChosenRevision() const { return m_strChosenRevision; }
    const CString& CurrentRevision() const { return m_strCurrentRev; }
    const CString& LatestRevision() const { return m_strLatestRev; }
    int CurrentDocumentRow() const { return m_nCurrentDocRow; }
    int GetNoRevisionFlag() const { return m_nNoRevision; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void PostNcDestroy() override;
    afx_msg void OnSelChangedTree(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnItemChangedDocuments(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnBrowseDocument();
    afx_msg void OnRevisionProperties();
    afx_msg void OnWhereUsed();
    afx_msg void OnChangeHistory();
    afx_msg void OnDblClkChangeOrders(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg LRESULT OnUncheckBrowse(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    void InsertRevision(CTreeCursor parent, const CString& number, CTreeCursor* inserted);
    void FreeRecords();

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CString m_strChosenRevision;
    CImageList m_treeImages;
    CSysImageList m_sysImageList;
    int m_nFoundCount = 0;
    CStringArray m_arrChildRevisions;
    CStringArray m_arrTopRevisions;
    CTreeStack m_treeStack;
    CTreeStackItem m_spareItem;
    CTreeCursor m_rootItem;
    CString m_strPathPrefix;
    CStringArray m_arrRevPaths;
    CStringArray m_arrRevNumbers;
    CObArray m_arrDocuments; // CDocumentItem
    CStringArray m_arrRowFileNames;
    int m_nNoRevision = 0;
    int m_nBuilding = 1;
    int m_nFilling = 1;
    int m_nCurrentDocRow = -1;
    CFtpConnection* m_pFtpConnection = nullptr;
    CString m_strCurrentRev;
    CString m_strLatestRev;
    int m_nCheckRights = 1;
    CPtrArray m_arrChangeOrderRows; // CItemText behind each notice row
    // Where documents and sheets are fetched to: a folder of the dialog's own, so that another
    // host of the same user never writes over a copy this one opened.
    vq::CallFolder m_copies;
};

// BrowsePartReversionTree(partCode, login): shows the revision browser of a part over the product
// database; 1 after it closed, 0 when the database could not be opened.
extern "C" int BrowsePartReversionTree(CString partCode, CString login);
