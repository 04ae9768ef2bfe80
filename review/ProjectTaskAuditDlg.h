// CProjectTaskAuditDlg ("评审意见"): the review of one step of a project task. It lists the task's
// documents (fetched from the FTP server's "\Vq\Working\<task>\" to be looked at), lets the
// reviewer move the document types that passed to the passed list, write a remark and a
// formatted opinion, attach redline markup files to drawings, and choose "评审通过",
// "评审不通过" or "下次再评审". The opinion and the redline files are kept on the FTP server below
// "\Vq\Auditing\<task>\". "确定" stores the decision through CProjectTaskDecision.
//
// While the dialog is open the step's row is marked as held (Working 'T'); it is freed when the
// window goes, whatever the outcome.
//
//   CProjectTaskAuditDlg dlg;                      // no parent; needs theApp's FTP connection
//   dlg.m_strTaskNo = number; dlg.m_strStepName = step; dlg.m_strReviewer = login;
//   dlg.DoModal();
#pragma once

#include "controls/ColorListCtrl.h"
#include "controls/RichText.h"
#include "controls/SysImageList.h"
#include "platform/base/Folders.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ListBox.h"
#include "teamwork/AuditPath.h"

class CFtpConnection;

class CProjectTaskAuditDlg : public CDialog {
public:
    static constexpr int kDocumentsId = 1001;
    static constexpr int kPassedId = 1002;
    static constexpr int kToPassedId = 1003;
    static constexpr int kBackId = 1004;
    static constexpr int kOpinionId = 1005;
    static constexpr int kPassId = 1006;
    static constexpr int kFailId = 1007;
    static constexpr int kLaterId = 1008;
    static constexpr int kRemarkId = 1009;
    static constexpr int kBrowseId = 1010;
    static constexpr int kAttachId = 1011;
    static constexpr int kSaveId = 1012;
    static constexpr int kOpenId = 1013;
    static constexpr int kStoreId = 1014;
    static constexpr int kHistoryId = 1015;
    static constexpr int kRelatedId = 1016;
    static constexpr UINT kSaveRedlineCommand = 32811;
    static constexpr UINT kClearBrowseMessage = WM_USER + 10;

    explicit CProjectTaskAuditDlg(CWnd* parent = nullptr);

    // Set by the entry function.
    CString m_strTaskNo;
    CString m_strStepName;
    CString m_strReviewer; // the login account given to the entry function

    // Read when the dialog opens.
    CString m_strTaskName;
    CString m_strTaskState;
    CString m_strTaskManager;
    CString m_strLoginUser;
    int m_nResult = 2; // 0 pass, 1 fail, 2 decide later, -1 none chosen
    CString m_strRemark;
    int m_bBrowse = 0;
    CStringArray m_arrRedlineFiles;
    CStringArray m_arrFileNames; // FileName of each document row
    const CAuditPath& Path() const { return m_path; }
    CColorListCtrl& Documents() { return m_documents; }
    CListBox& Passed() { return m_passed; }
    CRichText& Opinion() { return m_opinion; }
    // The local copy of the document viewed last (empty when none was fetched).
    const CString& ViewedPath() const { return m_strViewedPath; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void PostNcDestroy() override;
    afx_msg void OnMoveToPassed();
    afx_msg void OnMoveBack();
    afx_msg void OnDocumentsDblClk(NMHDR* header, LRESULT* result);
    afx_msg void OnDocumentChanged(NMHDR* header, LRESULT* result);
    afx_msg void OnDocumentRightClick(NMHDR* header, LRESULT* result);
    afx_msg void OnBrowse();
    afx_msg void OnAttachRedline();
    afx_msg void OnOpenOpinion();
    afx_msg void OnStoreOpinion();
    afx_msg void OnTaskHistory();
    afx_msg void OnRelatedInfo();
    afx_msg LRESULT OnClearBrowse(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnCloseDuringTransfer(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    void SetupDocumentsList();
    // Reads what the window shows from the database; false when the connection was lost on the
    // way (said once, by the first statement that met it).
    bool LoadFromDatabase();
    void ReadStoredTaskNo();
    void LoadStepRecord();
    void LoadDocuments();
    void LoadTask();
    void LoadReviewTemplate();
    void LoadFileResults();
    void FetchOpinion();
    void ViewDocument();
    void SaveRedlineAs(const CString& documentType);
    bool IsDrawingRow(int row) const;
    // Enters "\Vq\Auditing\", then the task's folder, creating it when it is not there.
    bool EnterAuditFolder();
    // Enters the task's review folder to store the file `remote` in it, or says why not: a name
    // the file server cannot use there, or a folder that cannot be entered.
    bool EnterAuditFolderToStore(const CString& remote);
    int SaveAuditResult();
    // Stages the opinion on the server under a name of this call's own (m_strStagedOpinion).
    bool UploadOpinion();
    // Under the decision's lock: the step's opinion file as stored moves aside and the staged one
    // takes its name; false (nothing moved, `why` the failure) when the staged file cannot.
    bool PlaceOpinion(CString& why);
    // After the decision: a stored one drops the opinion file it replaced; a refused one takes its
    // own file back and gives the step's former opinion file its name again.
    void FinishOpinion(bool stored);
    // The name of this call's own beside the step's opinion file, with `suffix`.
    CString OwnOpinionName(const char* suffix);
    void RemoveUploadedFile(const CString& remote);
    void FillDecision(class CProjectTaskDecision& decision) const;

    CListBox m_passed;
    CColorListCtrl m_documents;
    CRichText m_opinion;
    CFtpConnection* m_pFtpConnection = nullptr;
    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CSysImageList m_sysImages;
    int m_nSelectedRow = -1;
    bool m_bFilling = true;
    bool m_bMarked = false; // the step's row was marked as held (Working 'T') by this window
    // A close during a transfer asked its one question: 0 not asked, 1 close keeping the passed
    // document types, 2 close without them. The close that follows the stop asks nothing more.
    int m_nCloseAfterStop = 0;
    bool m_bUploadingOpinion = false; // the transfer running is the decision's opinion file
    CString m_strStagedOpinion;       // the opinion as uploaded, before the decision places it
    CString m_strFormerOpinion;       // the step's opinion file moved aside by PlaceOpinion
    bool m_bOpinionPlaced = false;    // the staged opinion has the step's name
    bool m_bFormerOpinionKept = false; // a former opinion file is under m_strFormerOpinion
    CString m_strStepAuditor;         // the step's auditor as the window read it
    bool m_bStepRead = false;
    CAuditPath m_path;
    CString m_strAuditingModel;
    CString m_strAuditorName;
    CString m_strViewedPath;
    // Where this window's opinion and fetched copies are written: names of its own, so that
    // another host of the same user at a step of the same name never writes over them.
    vq::CallFolder m_callFolder;
};
