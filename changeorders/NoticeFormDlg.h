// CNoticeFormDlg: what the change notice form (CECOChangeItemDlg, group "更改单") and the
// modification notice form (CECOModifyItemDlg, group "修改单") have in common: the number,
// preparer, priority, departments and review fields, the list of parts or drawings, the
// attached documents, the numbering and review configuration of the group, and the steps of
// opening, storing and closing that both run the same way. Each form keeps its own template,
// control ids, texts and what only it shows; it tells this class its group, its control ids and
// its texts, and runs the shared steps from its own OnInitDialog, OnOK and OnCancel.
#pragma once

#include "changeorders/NoticeFormNumbering.h"
#include "changeorders/RelateDocPanel.h"
#include "controls/EditListCtrl.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"

#include <initializer_list>

// The form's controls the shared steps use.
struct NoticeFormControlIds {
    int number;
    int numberButton;
    int saveUser;
    int saveDate;
    int state;
    int level;
    int remark;
    int affectNo;
    int department;
    int departmentButton;
    int searchParts;
    int byProductClass;
    int partList;
    int auditFlow;
};

// The form's texts: each names the form's kind of notice.
struct NoticeFormTexts {
    const char* stateLabel;     // the label of the state field
    const char* noNumber;       // OK without a number
    const char* reviewMissing;  // OK in a review mode without flow or reviewers
    const char* registerNext;   // after a store of a new notice: register another?
    const char* clearNotice;    // ... and clear the fields for it?
    const char* storeReserved;  // Cancel of a new notice with a number
    const char* storeChanged;   // Cancel of an existing, editable notice
    const char* countStatement; // counts the stored notices of a number: the text before it
};

struct NoticeFormSetup {
    const char* group; // "更改单" or "修改单"
    NoticeFormControlIds ids;
    RelateDocControlIds docIds;
    NoticeFormTexts texts;
};

// The template rows both forms open with: number and its button, preparer, date and state.
std::vector<vq::ControlTemplate> NoticeNumberRow(const NoticeFormSetup& setup);
// The departments with their button.
std::vector<vq::ControlTemplate> NoticeDepartmentRow(const NoticeFormSetup& setup);

class CNoticeFormDlg : public CDialog {
public:
    CNoticeFormDlg(UINT idd, CWnd* parent, const NoticeFormSetup& setup);
    ~CNoticeFormDlg() override;

    CString m_strECONo;
    int m_bNewItem = 1;
    int m_bReadOnly = 0;
    CString m_strPersonalCode;
    CString m_strSaveUser;
    CString m_strSaveDate;
    CString m_strState;
    int m_nLevel = 0;
    CString m_strRemark;
    CString m_strAffectNo;
    CString m_strDepartment;
    int m_bSearchParts = 0;
    int m_bByProductClass = 0;
    int m_nReviewMode = 2;
    CString m_strAuditingModel;
    CString m_strAuditorName;
    CString m_strCfgAuditingModel;
    CString m_strCfgAuditorName;
    int m_nNoWidth = 1;
    CString m_strNoSeparator = "-";
    int m_nNoMode = 0;

    CEditListCtrl m_listParts;
    CRelateDocPanel m_docs;

    // Writes the notice itself (not its documents). Nonzero when stored; 0 when cancelled or a
    // statement failed (shown; nothing stored).
    virtual int StoreNotice() = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void PostNcDestroy() override;

    // Opening, in this order: the priority items, the documents panel, what the form copies from
    // the application object and the style of the part list.
    void SetUpSharedControls();
    // A new notice gets its preparer, date and state "临时"; an existing one loads the notice
    // and its documents (the number button stays disabled).
    void OpenNotice();
    // True when the notice is in "临时" or "更改" and the user is its preparer (case ignored).
    bool InPreparersHands() const;
    // Hands the read-only flag to the documents panel; a read-only form switches off in-place
    // editing, makes the edits read-only and disables the controls.
    void ApplyReadOnly(std::initializer_list<int> readOnlyEdits, std::initializer_list<int> disabled);
    // The last steps of opening: the product-class setting, the group's configuration, the
    // personal number, the review check, the configured flow and the hand-typed number.
    void ApplyConfigure();

    // The number button for the product the picker starts at; false when nothing changed.
    bool ApplyNumberFor(NoticeProduct& product);
    // Appends the parts picked (by the part search for `product`, or the multi-part picker),
    // each once; false when the picker was cancelled.
    bool AddPickedParts(const CString& product);
    // Replaces the departments with those picked (the caller asked about replacing them).
    void PickDepartments();
    void OnReviewFlow();

    // The checks of OK before anything is stored; false after a message.
    bool ReadyToStore();
    // Stores the notice and then its new documents; false when either failed or was cancelled
    // (the controls show the fields again).
    bool StoreAll();
    // After OK stored a new, editable notice: offers to register the next one in the same
    // form. True when the form stays open for it.
    bool OfferNextNotice();
    // What the next notice does not keep besides number, departments, remark, production order
    // number and parts; `cleared` when the user asked to clear the fields.
    virtual void ResetForNextNotice(bool cleared) = 0;
    // Cancel of an editable form: offers to store the notice; a reserved number the user lets
    // go is withdrawn. False when the form stays open.
    bool OfferStoreBeforeClose();

    void OnAddDocument() { m_docs.OnAddDocument(); }
    void OnDeleteDocument() { m_docs.OnDeleteDocument(); }
    void OnSaveDocumentAs() { m_docs.OnSaveDocumentAs(); }
    void OnBrowseDocument() { m_docs.OnBrowseDocument(); }
    void OnDocumentChanged(NMHDR* pNMHDR, LRESULT* pResult) { m_docs.OnDocumentChanged(pNMHDR, pResult); }
    // The form's message WM_USER + 10: clears the check that opens the selected document.
    LRESULT OnClearBrowse(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

    // Loads the header and the parts of the notice `m_strECONo`.
    virtual void LoadNotice() = 0;

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CString m_strLoginUser;
    CString m_strUserName;

private:
    NoticeNumbering Numbering() const;
    void LoadConfigure();
    void CheckAuditConfigure();
    void ReservePersonalNumber();
    void AddPartRow(const CString& code, const CString& name);

    NoticeFormSetup m_setup;
};
