// CDesignDocAuditDlg ("设计文档评审意见"): the review of one step of a design drawing. The reviewer
// sees the drawing (or the markup stored for the step) in the drawing viewer, may draw redline
// markup on it, writes an opinion, picks a result and confirms; the dialog stores the markup and
// hands the decision to the review engine.
//
// Modal (DoTeamTaskAuditWithMarkup, DoTeamTaskNextAudit) or a modeless window that outlives the
// entry call (DoMultiTeamTaskAuditWithMarkup): a modeless window is made with new, keeps its own
// reference to the connection it was opened on, lends it to the application while it works, and
// deletes itself when its window goes. The number of live objects is counted; no more than ten
// modeless windows are opened.
//
// While the dialog is open the reviewer's row of the review table holds Working = 'T'. The hold
// is given back ('F') on every way out of a window that holds it; a second window that took the
// hold over after the question keeps it, and the first then leaves the row alone.
#pragma once

#include "controls/ViewerWindowSize.h"
#include "platform/base/File.h"
#include "platform/base/Folders.h"
#include "platform/com/DrawingViewer.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "review/DesignMarkupStore.h"

#include <memory>
#include <vector>

class CAuditFlowEngine;

class CDesignDocAuditDlg : public CDialog {
public:
    enum { IDD = 268 };
    // Controls of the template
    static constexpr int kRemarkupId = 6031;
    static constexpr int kPropertyId = 1029;
    static constexpr int kFlowId = 6033;
    static constexpr int kResultGroupId = 6029;
    static constexpr int kPassId = 1159;
    static constexpr int kFailId = 1160;
    static constexpr int kLaterId = 1401;
    static constexpr int kOpinionLabelId = 1252;
    static constexpr int kOpinionId = 1161;
    static constexpr int kViewerId = 6027;
    static constexpr int kAutoVueId = 6028;
    static constexpr int kReassignId = 6098;
    static constexpr int kDrawingLabelId = 1425;
    static constexpr int kDrawingNoId = 1038;
    static constexpr int kDotsId = 6106;
    static constexpr int kBrowseDrawingId = 6034;
    static constexpr int kChangeOrderId = 6109;
    static constexpr int kAssistId = 6035;
    // Commands of the viewer's menu that the dialog handles itself
    static constexpr UINT kClearMarkupCommand = 11;
    static constexpr int kMaxModelessWindows = 10;

    explicit CDesignDocAuditDlg(CWnd* parent = nullptr);
    ~CDesignDocAuditDlg() override;

    // The number of CDesignDocAuditDlg objects that exist.
    static int LiveCount();

    CString m_strOpinion;
    int m_nResult = 2; // 0 pass, 1 fail, 2 decide later
    CAvViewX m_VoloViewer;
    int m_bReassign = 0;
    CString m_strDrawingNo;
    int m_bConsigned = 0;
    int m_bAssistAudit = 0;
    int m_bSaved = 0;
    CString m_strFileID;
    CString m_strAuditTask;
    int m_bModeless = 0; // made by DoMultiTeamTaskAuditWithMarkup: deletes itself when its window goes
    // Set by the maker of a modeless window once it was created: from then on the object deletes
    // itself when its window goes (a window that closes while it is being created is deleted by
    // its maker).
    bool m_bOwnsItself = false;

    _ConnectionPtr m_pConnection; // the window's own reference, taken at load
    int m_nAdoCloseMode = 0;
    CString m_strFileName;
    CString m_strFileSize; // kilobytes, as text
    CString m_strFilePrompt;
    CString m_strLoginUser;
    CString m_strUserName;
    CString m_strStepState;
    CString m_strStepResult;
    CString m_strWorkID;
    CString m_strWorkManager;
    CString m_strProjectManager;
    CString m_strBeginDate; // BeginDate of the reviewer's row; the markup rows' AuditDate
    CString m_strAuditTaskCopy;
    CString m_strDocState;
    int m_nDatabaseType = 0;
    int m_nViewerTool = 0; // [设计过程管理] "红线批注工具"
    int m_bViewerReady = 1;
    CString m_strDesignFile; // where the design file was downloaded
    vq::FetchFailure m_designFetchFailure = vq::FetchFailure::None; // of the last fetch
    CString m_strMarkupFile; // where stored markup was downloaded
    CStringArray m_arrTempFiles;
    CViewerWindowSize m_size;
    CAutoVueX m_AutoVueViewer;
    int m_bLoaded = 0;
    int m_bWorkingCleared = 0;
    int m_bReturnToStep = 0;
    CString m_strAuditTable = "TeamWorkAudit"; // "TeamWorkNextAudit" when assisting
    double m_dVoloViewVersion = 1.0;

    // What the window showed when it opened: the opinion, the result chosen (its radio button's
    // id, 0: none) and the markup. Cancel asks before anything else is thrown away.
    CString m_strShownOpinion;
    int m_nShownResult = 0;
    std::vector<vq::MarkupItem> m_shownMarkup;

    CDesignMarkupStore m_markup; // the stored markup of the step
    // The review engine of the step: document record, path and the decision. Made at load.
    std::unique_ptr<CAuditFlowEngine> m_pEngine;

    // The scratch file into which the viewer saves the markup before it is cleared: a file of
    // its own for each window, made when first needed and deleted with the window.
    const CString& ScratchMarkupFile();
    // True while this window holds the step (Working = 'T' written or taken over by it).
    bool HoldsStep() const;

    // Loads the step, the document and its path; 1 on success (public for the load tests).
    int LoadReview();
    // Shows the reviewer's stored markup, or the design file when there is none.
    void ShowDocumentOrMarkup();
    // Fetches the design file into the temporary folder; its path, or empty after the message.
    CString DownloadDesignFile();
    // Says that the design file cannot be shown, unless its fetch has just said why already (a
    // full local disk): one box for one fault.
    void SayDesignFileNotShown() const;
    int OpenInViewer(const CString& path);
    int OpenMarkupInViewer(const CString& path);
    // Stores the markup in hand as the step's markup: 1 when stored, 0 when there is none, -1
    // when the store failed (said in one box).
    int SaveMarkup();
    // True when an opinion was typed, a result chosen or markup drawn since the window opened.
    bool HasUnsavedWork();

protected:
    void RememberShownWork();
    void DoDataExchange(CDataExchange* pDX) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnClose() override;
    void PostNcDestroy() override;
    void OnSize(UINT type, int cx, int cy) override;
    afx_msg void OnRemarkup();
    afx_msg void OnDocProperty();
    afx_msg void OnAuditFlow();
    afx_msg void OnResultChanged();
    afx_msg void OnBrowsePartDrawing();
    afx_msg void OnChangeOrderSheet();
    afx_msg void OnAssistAudit();
    afx_msg void OnViewerMouseDown(short button, short shift, double x, double y);
    DECLARE_MESSAGE_MAP()

private:
    // Asks about, or takes, the Working hold of the step; false when the reviewer declined.
    bool TakeHold();
    // Gives the hold back when this window holds it.
    void ReleaseHold();
    void DisableDecision();
    void ReadStep();
    bool ReadDocument();
    void CheckAssistReviews();
    // The return question and the choice of the earlier step of a fail; false when the reviewer
    // cancelled (the dialog stays open).
    bool ChooseReturnStep();
    // The engine's load: review record, path and the managers; false after its message.
    bool PrepareDecision();
    // Saves the markup in hand into the scratch file and clears it from the viewer.
    void DiscardViewerMarkup();
    void DeleteTempFiles();
    void CloseWindow(int result);
    void OpenRelatedDocument(const CString& fileId, const CString& fileName);
    // The decision of a confirm (after the markup was saved); false when the dialog stays open.
    bool StoreDecision();

    CString m_strScratchFile;
    bool m_bHolding = false;
    // Where this object's copies are written: names of its own, so that another call of the same
    // user (another host on a document or step of the same name) never writes over them.
    mutable vq::CallFolder m_callFolder;
};
