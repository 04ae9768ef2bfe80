// CTaskExecutionDlg ("任务执行情况"): how one task was carried out: its task log split into design
// cycles (one tab each), the statistics of the chosen cycle and a pie of how its time was spent.
// From it the review path, the flow chart of the task's level, the versions, the properties
// (read-only) and the text of a log entry open. It writes nothing.
//
//   CTaskExecutionDlg dlg(this);
//   dlg.m_strTaskNo = number;   // name and path are optional
//   dlg.DoModal();
#pragma once

#include "controls/PieChartCtrl.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/TabCtrl.h"
#include "projects/TaskExecutionStats.h"

#include <vector>

class CTaskExecutionDlg : public CDialog {
public:
    static constexpr int kNumberId = 1001;
    static constexpr int kNameId = 1002;
    static constexpr int kManagerId = 1003;
    static constexpr int kStateId = 1004;
    static constexpr int kTabId = 1005;
    static constexpr int kHistoryId = 1006;
    static constexpr int kStatisticsId = 1007;
    static constexpr int kPieId = 1008;
    static constexpr int kAuditFlowId = 1009;
    static constexpr int kFlowChartId = 1010;
    static constexpr int kVersionsId = 1011;
    static constexpr int kPropertiesId = 1012;
    static constexpr int kWorkNoteId = 1013;

    explicit CTaskExecutionDlg(CWnd* parent = nullptr);

    CString m_strTaskNo;
    CString m_strTaskName;
    CString m_strProjectPath;

    // Read at opening.
    CString m_strManager;
    CString m_strWorkState;
    CString m_strRequiredFinish;
    CString m_strServerTime;
    int m_bProjectTask = 0;
    int m_bChangeNotice = 0;
    const std::vector<CTaskLogEntry>& TaskLog() const { return m_log; }
    CPieChartCtrl& PieChart() { return m_pie; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void PostNcDestroy() override;
    afx_msg void OnTabChanged(NMHDR* header, LRESULT* result);
    afx_msg void OnHistoryDblClk(NMHDR* header, LRESULT* result);
    afx_msg void OnAuditFlow();
    afx_msg void OnFlowChart();
    afx_msg void OnVersions();
    afx_msg void OnProperties();
    afx_msg void OnWorkNote();
    DECLARE_MESSAGE_MAP()

private:
    void ReadTaskHeader();
    void ReadTaskLog();
    void FillCycle(int cycle);
    void ShowStatistics();
    // The task row's path, read once when the caller gave none: the dialogs opened from here find
    // the task by path and name.
    void ResolvePath();

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    bool m_bPathResolved = false;
    std::vector<CTaskLogEntry> m_log;
    CTabCtrl m_tabs;
    CListCtrl m_history;
    CListBox m_statistics;
    CPieChartCtrl m_pie;
    CImageList m_largeImages;
    CImageList m_smallImages;
};
