// CDesignDocAuditResultDlg ("设计文档评审结果"): the review results of a design drawing. The same
// two lists and commands as the work-document results, plus the drawing: a change of step row
// (with "单击浏览" ticked), a double click on a step or history row, or "浏览批注..." shows the
// drawing with the redline markup that the reviewer of that step stored, in a separate viewer
// window (CRedlineViewDlg). The markup is looked up by the row's task name and begin date.
//
//   CDesignDocAuditResultDlg dlg;       // the application object holds a lent connection
//   dlg.FileID = fileId;
//   dlg.DoModal();                      // nothing is read back
#pragma once

#include "platform/com/DrawingViewer.h"
#include "review/DesignMarkupStore.h"
#include "review/WorkDocAuditResultDlg.h"

#include <vector>

class CRedlineViewDlg;

class CDesignDocAuditResultDlg : public CWorkDocAuditResultDlg {
public:
    enum { IDD = 269 };
    static constexpr int kViewerId = 6027;
    static constexpr int kAutoVueId = 6028;
    static constexpr int kStateId = 1057;
    static constexpr int kClickBrowseId = 6036;
    static constexpr int kBrowseMarkupId = 6100;
    static constexpr int kHistoryLabelId = 1005;

    explicit CDesignDocAuditResultDlg(CWnd* parent = nullptr);
    ~CDesignDocAuditResultDlg() override;

    // Shows the drawing with the markup of (MarkupStep, MarkupDate) in the viewer window.
    void ShowDrawing();
    // The separate viewer window (null until the first ShowDrawing).
    CRedlineViewDlg* GetViewerWindow() const { return ViewerWindow; }

    CAvViewX VoloViewer;
    CAutoVueX AutoVueViewer;
    CString StateText;
    int RedlineTool = 0;
    int HasMarkup = 0;
    CString ShownDrawingFile;
    CString ShownMarkupFile;
    CString MarkupStep;
    CString MarkupDate;
    int MarkupRound = 0; // earlier reviews of MarkupStep that began at MarkupDate
    CStringArray TempFiles;
    int LastStepRow = -1;
    int LastHistoryRow = -1;
    int LastWidth = 0; // the window size the controls were last laid out for (0 before opening)
    int LastHeight = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    void PostNcDestroy() override;
    void LoadAuditSteps() override;
    std::vector<CString> ReadPathStepOrder();
    int CurrentStepRow() const override { return LastStepRow; }
    void OnSize(UINT type, int cx, int cy) override;

    afx_msg void OnStepChanged(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnStepDblClk(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnHistoryChanged(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnHistoryDblClk(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnClickBrowse();
    afx_msg void OnBrowseMarkup();
    afx_msg void OnViewerMouseDown(short button, short shift, double x, double y);
    DECLARE_MESSAGE_MAP()

private:
    void SetUpViewers();
    void NoteWindowSize();
    CString DownloadDrawing();
    CString DownloadMarkup();
    void DeleteShownFiles();
    CRedlineViewDlg* OpenViewerWindow();
    // The round of the review in a row: for a step, from the reviews logged with its begin date;
    // for an entry of the history, the entries of the same step and begin date above it.
    int StepRound(int row);
    int HistoryRound(int row) const;

    CRedlineViewDlg* ViewerWindow = nullptr;
    CDesignMarkupStore m_markup; // the markup row last found (the step's stored markup)
};
