// The attached documents of a change order (group "更改单" or "修改单"): a report list with the
// buttons "增加...", "删除...", "另存为..." and the check that opens the selected document. The
// form owns one panel, puts its controls into the form's template, binds them in its data
// exchange and hands the panel the clicks and list notifications:
//
//   CRelateDocPanel m_docs{kChangeNoticeGroup, {1070, 1071, 1072, 1073, 1074}};
//   void DoDataExchange(CDataExchange* pDX) { ...; m_docs.DoDataExchange(pDX); }
//   OnInitDialog: m_docs.Init(this); m_docs.m_strECONo = ...; m_docs.LoadRelatedDocs();
//   ON_BN_CLICKED(1071, OnAddDocument)  ->  m_docs.OnAddDocument();   and so on
//   after the order itself was stored: if (!m_docs.SaveRelatedDocs()) stay open
//
// The document contents lie in ECORelateFile.DocContent and move through the maker's file store.
// The sheet of a modification notice itself (DocType "_VQ_ECO") is read but neither listed nor
// stored nor deleted here; a change notice lists every row of its group.
#pragma once

#include "changeorders/ChangeOrderState.h"
#include "changeorders/RelateFileItem.h"
#include "platform/base/Collections.h"
#include "platform/base/Folders.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/ListCtrl.h"

#include <vector>

class CDataExchange;
class CDialog;

struct RelateDocControlIds {
    int list;
    int add;
    int remove;
    int saveAs;
    int browse; // the check box
};

class CRelateDocPanel {
public:
    CRelateDocPanel(CString group, RelateDocControlIds ids);
    ~CRelateDocPanel();
    CRelateDocPanel(const CRelateDocPanel&) = delete;
    CRelateDocPanel& operator=(const CRelateDocPanel&) = delete;

    // The panel's controls for the form's template, in a group frame.
    std::vector<vq::ControlTemplate> TemplateControls() const;
    void DoDataExchange(CDataExchange* pDX);
    // Image lists and columns of the list; the owner's controls must exist.
    void Init(CDialog* owner);

    void LoadRelatedDocs();
    void OnAddDocument();
    void OnDeleteDocument();
    void OnSaveDocumentAs();
    void OnBrowseDocument();                                 // the check box was clicked
    void OnDocumentChanged(NMHDR* pNMHDR, LRESULT* pResult); // LVN_ITEMCHANGED of the list
    void OpenRelatedDoc();
    // Stores every new document of the list in order; 0 at the first failure.
    int SaveRelatedDocs();
    int SaveRelatedDoc(int row);
    // Clears the check "浏览" (the form's message WM_USER + 10).
    void ClearBrowseCheck();
    // Frees the records and empties the list.
    void FreeDocs();
    // Enables the buttons for the order's rights: adding and deleting only when editable.
    void EnableEditing();

    // The local file of a row's document: fetched into the panel's own call folder when it is
    // stored, its own path when it is new. Empty after a message.
    CString FetchDocument(const CRelateFileItem& item);
    CRelateFileItem* ItemOf(int row) const;

    CListCtrl m_list;
    CString m_strGroup;
    CString m_strECONo;
    int m_bReadOnly = 0;
    int m_bBrowseDoc = 0;
    int m_nCurDoc = -1;
    CPtrArray m_arrDocs; // CRelateFileItem, owned

private:
    bool HidesSheet() const;
    bool IsDescriptionTaken(const CString& description) const;
    CString SelectStatement(const CString& docType) const;
    // Stores a new document under the description's lock, inside the transaction open on the
    // connection; a document stored under the description meanwhile refuses it (one box).
    int StoreNewDocument(const CRelateFileItem& item, bool removeOnFailure);
    // Deletes a stored document once the person has confirmed it: under the order's lock and the
    // description's, only while the order is as the documents were loaded with (or still in the
    // preparer's hands) and the document is stored as listed; only that row, by its stored
    // identity. False after one box said why nothing was deleted.
    bool DeleteStoredDocument(const CRelateFileItem& item);
    void SelectRow(int row);
    void EnableButton(int id, BOOL enable);

    RelateDocControlIds m_ids;
    CChangeOrderState m_order; // as read when the documents were loaded
    CDialog* m_pOwner = nullptr;
    // Where the stored documents are fetched to: a folder of the form's own, so that another
    // host of the same user never writes over a copy this one opened, and nothing stays when
    // the form closes (but a copy handed to a viewer, which stays while the viewer may read it).
    vq::CallFolder m_copies;
};
