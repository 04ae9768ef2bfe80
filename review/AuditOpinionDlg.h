// CAuditOpinionDlg ("评审意见"): a reviewer records the result of one review step of a work
// document (or of several documents that get the same opinion and result): an opinion and pass,
// fail or decide later. It loads the step and the document, checks that the step may be decided
// now, lets the reviewer look at the document, its properties, its review flow and its assisting
// reviews, and on OK hands the decision to the audit-flow engine (CAuditFlowEngine), then signs
// Word and report files and, for several documents, sends the collected notices.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/File.h"
#include "platform/base/Folders.h"
#include "platform/ui/Dialog.h"
#include "review/AuditFlowEngine.h"
#include "review/AuditFlowList.h"

#include <memory>

namespace vq {
class OutsideObject;
}

class CAuditOpinionDlg : public CDialog {
public:
    enum { IDD = 6040 };
    static constexpr int kOpinionId = 1001;
    static constexpr int kPassId = 1002;
    static constexpr int kFailId = 1003;
    static constexpr int kLaterId = 1004;
    static constexpr int kDocPropertiesId = 1005;
    static constexpr int kBrowseId = 1006;
    static constexpr int kAuditFlowId = 1007;
    static constexpr int kAssistAuditId = 1008;
    static constexpr int kReassignId = 1009;
    static constexpr UINT kBrowseDone = WM_USER + 10;

    explicit CAuditOpinionDlg(CWnd* parent = nullptr);
    ~CAuditOpinionDlg() override;

    int m_bBrowse = 0;
    CString m_strOpinion;
    int m_nResult = 2;    // 0 pass, 1 fail, 2 decide later
    int m_bReassign = 0;  // "建议重新安排评审负责人"
    int m_bSaved = 0;     // 1 once a pass or fail (or an assisting result) was stored
    CString m_strFileID;
    CString m_strWorkID;
    CString m_strAuditTask;
    int m_bAssistAudit = 0;
    int m_bConsigned = 0;
    int m_bMultiDoc = 0;
    CStringArray m_arrFileIDs;    // several documents: the documents ...
    CStringArray m_arrAuditTasks; // ... and their steps, same index

    // Loads one document and its step into the engine; 1 when the document could be read.
    int LoadAuditContext();
    // 1 when the file name's extension is ".TBL" (report) or ".DOC" (Word), letter case ignored.
    static int IsReportFile(const CString& fileName);
    static int IsWordFile(const CString& fileName);

    CAuditFlowEngine& Engine() { return m_engine; }
    const CAuditFlowList& Notices() const { return m_notices; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void PostNcDestroy() override;
    afx_msg void OnDocProperties();
    afx_msg void OnBrowseDocument();
    afx_msg LRESULT OnBrowseDone(WPARAM wParam, LPARAM lParam);
    afx_msg void OnShowAuditFlow();
    afx_msg void OnAssistAudit();
    afx_msg void OnResultChanged();
    DECLARE_MESSAGE_MAP()

private:
    bool ConnectProcessPlanning();
    void CreateProcessPlanningUtility();
    void LoadAuditState();
    bool CheckAssistTasksOnLoad();
    // A batch: true when some document has a step row for this reviewer that is not finished yet
    // (an empty batch too: OK only closes it).
    bool BatchHasOpenStep();
    void BrowseDocument();
    // Fetches the document to a fresh copy in the temporary folder; empty, and why, on failure.
    CString DownloadDocument(vq::FetchFailure* why = nullptr);
    // The return question and choice of a fail; false when the reviewer cancelled.
    bool AskReturnToStep();
    bool LinkProcessPlanning();
    // One main-step decision of the current document (2.1 to 2.4 of the confirm); false when
    // the confirm must end.
    bool DecideMainStep();
    void RefuseChangedStep();
    void SignFiles(const CString& fileName);
    int SignReportFile();
    int SignWordFile();
    void PrepareEngine();

    CAuditFlowEngine m_engine;
    CAuditFlowList m_notices;
    std::unique_ptr<vq::OutsideObject> m_pUtilityObject;
    int m_nProcessPlanning = 0; // [VQCAPP配置] "有无VQCAPP"
    int m_nAssignedBySuperior = 0;
    int m_bNeedsAssist = 0;
    int m_bAssistMissing = 0;
    int m_bStepFinished = 0;
    int m_bStepRowFound = 0;
    int m_bReportSigning = 0;
    int m_bWordSigning = 0;
    CString m_strShownOpinion; // the opinion as the dialog showed it when it opened
    CString m_strStepState;
    CString m_strStepResult;
    CString m_strUpAuditName;
    // Where this object's copies are written: names of its own, so that another call of the same
    // user (another host on a document or step of the same name) never writes over them.
    mutable vq::CallFolder m_callFolder;
};
