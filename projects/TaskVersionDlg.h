// CTaskVersionDlg ("浏览所有版本信息"): the versions of one project task as a tree (from
// TaskRevManage), the documents of the selected version (from TaskRevDocuments), and a version
// document fetched from the task's version folder on the FTP server and opened. It writes
// nothing.
//
//   CTaskVersionDlg dlg(this);
//   dlg.m_strTaskNo = number;       // or leave it empty and set path and name
//   dlg.m_strTaskName = name;
//   dlg.m_strProjectPath = path;
//   dlg.DoModal();
#pragma once

#include "controls/TreeCtrlEx.h"
#include "controls/TreeStack.h"
#include "platform/base/Collections.h"
#include "platform/base/Folders.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/ListCtrl.h"

class CFtpConnection;

class CTaskVersionDlg : public CDialog {
public:
    static constexpr int kWorkStateId = 1001;
    static constexpr int kCurrentRevId = 1002;
    static constexpr int kTreeId = 1003;
    static constexpr int kStoreId = 1004;
    static constexpr int kBrowseId = 1005;
    static constexpr int kListId = 1006;

    explicit CTaskVersionDlg(CWnd* parent = nullptr);
    ~CTaskVersionDlg() override;

    CString m_strTaskNo;
    CString m_strTaskName;
    CString m_strProjectPath;

    // Read at opening.
    CString m_strWorkState;
    CString m_strCurrentRev;
    BOOL m_bBrowseDocument = FALSE;

    const CString& SelectedVersion() const { return m_strSelectedVersion; }
    int SelectedRow() const { return m_nSelectedRow; }
    // The local path of the latest fetched document (empty before one was fetched).
    const CString& FetchedPath() const { return m_strFetchedPath; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void PostNcDestroy() override;
    afx_msg void OnSelChangedTree(NMHDR* header, LRESULT* result);
    afx_msg void OnItemChangedList(NMHDR* header, LRESULT* result);
    afx_msg void OnBrowseDocument();
    DECLARE_MESSAGE_MAP()

private:
    void ReadTaskRow();
    void ReadVersions();
    void ReadDocuments();
    void BuildTree();
    CTreeCursor InsertVersion(CTreeCursor parent, const CString& number);
    void AddDescendants(CTreeCursor node, const CString& number);
    void FillDocumentList(const CString& version);
    void OpenDocument();
    void FreeRecords();

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CFtpConnection* m_pFtpConnection = nullptr;
    CStringArray m_arrRevPaths;
    CStringArray m_arrRevNumbers;
    CObArray m_arrDocuments; // CDocumentItem, owned
    CStringArray m_arrRowFileNames;
    CString m_strSelectedVersion;
    CString m_strFetchedPath;
    int m_nSelectedRow = -1;
    int m_bInitialising = 1;
    int m_bFilling = 0;
    CTreeCursor m_currentNode;
    CTreeCursor m_rootNode;
    CTreeStack m_treeStack;
    CTreeCtrlEx m_tree;
    CListCtrl m_list;
    CImageList m_treeImages;
    // Where version documents are fetched to: a folder of the dialog's own, so that another host
    // of the same user never writes over a copy this one opened.
    vq::CallFolder m_copies;
};
