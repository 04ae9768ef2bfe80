// CWorkDocAuditResultDlg ("工作文档评审结果"): where one work document stands in its review. The
// upper list holds the document's review steps (TeamWorkAudit rows), the lower one its review
// history (the task log rows of each decision); selecting a row shows that step's or entry's
// opinion. From here the user opens the review-flow chart, the document's properties, the
// document itself and the assisting reviews of a step; the document's superior may hand a step
// that is still open to another responsible person while the document is in review.
//
//   CWorkDocAuditResultDlg dlg;         // the application object holds a lent connection
//   dlg.FileID = fileId;
//   dlg.DoModal();                      // nothing is read back
//
// Callers that must choose between this dialog and the drawing twin use ShowAuditResultDialog
// (review/AuditResultChooser.h).
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/File.h"
#include "platform/base/Folders.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/ListCtrl.h"

class CWorkDocAuditResultDlg : public CDialog {
public:
    enum { IDD = 30032 };
    static constexpr int kStepOpinionId = 1001;
    static constexpr int kStepListId = 1002;
    static constexpr int kHistoryListId = 1003;
    static constexpr int kHistoryOpinionId = 1004;
    static constexpr int kBrowseId = 1007;
    static constexpr int kDocPropertiesId = 1029;
    static constexpr int kChangeAuditorId = 1056;
    static constexpr int kAuditFlowId = 1078;
    static constexpr int kAssistAuditId = 6075;
    static constexpr UINT kResetBrowse = WM_USER + 10;

    explicit CWorkDocAuditResultDlg(CWnd* parent = nullptr);
    ~CWorkDocAuditResultDlg() override;

    CString FileID; // the document shown; set before DoModal

    // The step list's responsible-person text of a step row: "login{user name}", the name being
    // the auditor's user name, else the row manager's, else the auditor itself.
    static CString ResponsibleText(const CString& auditor, const CString& manager);
    // The login or group name of a responsible-person text (the text before a "{" that is not its
    // first character).
    static CString ResponsibleLogin(const CString& text);
    // True for a step name that holds "[N]" after its first character (a step with assisting
    // reviews).
    static bool HasAssistingReviews(const CString& stepName);
    // The stored form of a step name as the review path and the step rows name it: upper-cased
    // (single-byte letters) and cut before "[M]"; mixed is set when "[M]" was found.
    static CString StoredStepName(const CString& stepName, bool* mixed = nullptr);
    // True for the name of a registered group that is no user's login.
    static bool IsGroupName(const CString& name);

    // The hand-over of a step (its stored name) from oldAuditor to another responsible person,
    // used by the drawing twin too: under the document's lock, rewrites the step's auditor in the
    // document's stored auditor list and in its step row. 1 when both were written; 0 (after one
    // message) when the document is no longer in review, the step was decided, is being worked on
    // or was handed over by another meanwhile, or the template has no review path.
    int ChangeAuditor(const CString& stepName, const CString& oldAuditor, const CString& newAuditor);

protected:
    CWorkDocAuditResultDlg(UINT templateId, CWnd* parent);

    // ChangeAuditor's reads and writes inside its transaction; refusal says why nothing was
    // written. False after a database error.
    bool HandOverLocked(const CString& stepName, const CString& oldAuditor, const CString& newAuditor,
                        CString& joined, CString& refusal);

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    // Steps shared with the drawing twin.
    void TakeConnection();
    void CreateStepImages();
    void InsertHistoryColumns();
    virtual void LoadAuditSteps();
    void LoadAuditHistory();
    int ReadReviewSettings();
    int ReadFileInfo(const CString& fileId);
    // Reads "允许设计者更换评审负责人" (returned) and "工作任务评审流程由上级指派" (into
    // FlowBySuperior) and decides IsSuperior.
    int ReadSuperiorSettings();
    void DecideSuperior();
    // Shows "协助评审..." and enables "更换负责人..." for a step row; stateColumn is the list
    // column of the step's state.
    void UpdateStepButtons(int row, int stateColumn);
    static int ResultImage(const CString& result);
    CString DownloadDocument(const CString& namePattern);
    vq::FetchFailure LastFetchFailure = vq::FetchFailure::None; // of the last DownloadDocument

    afx_msg void OnStepChanged(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnHistoryChanged(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnAuditFlow();
    afx_msg void OnDocProperties();
    afx_msg void OnBrowseDocument();
    afx_msg LRESULT OnResetBrowse(WPARAM wParam, LPARAM lParam);
    afx_msg void OnAssistAudit();
    afx_msg void OnChangeAuditor();
    void OpenDocument();
    // The row whose step the two step buttons act on.
    virtual int CurrentStepRow() const { return SelectedStep; }
    DECLARE_MESSAGE_MAP()

public:
    CListCtrl HistoryList;
    CListCtrl StepList;
    int BrowseChecked = 0;
    CString StepOpinion;
    CString HistoryOpinion;
    int IsSuperior = 0;
    _ConnectionPtr Connection;
    int CloseMode = 0;
    CImageList StepImages;
    CString State;
    CString AuditingType;
    CString AuditingModel;
    CString AuditorName;
    CString FileName;
    CString FileSize;
    CString FilePrompt;
    CStringArray StepOpinions;
    int Loading = 0;
    int DbType = 0;
    int SelectedStep = 0;
    CString WorkID;
    int FlowBySuperior = 0;
    // Where this object's copies are written: names of its own, so that another call of the same
    // user (another host on a document or step of the same name) never writes over them.
    mutable vq::CallFolder m_callFolder;
};
