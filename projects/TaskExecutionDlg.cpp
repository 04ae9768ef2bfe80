#include "projects/TaskExecutionDlg.h"

#include "core/ComError.h"
#include "core/DialogSeams.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "projects/ProjectTaskItemDlg.h"
#include "projects/TaskChangeNoticeDlg.h"
#include "projects/TaskFlowChartDlg.h"
#include "projects/TaskVersionDlg.h"

namespace {

using D = CTaskExecutionDlg;

const vq::DialogTemplate kExecutionTemplate{
    "任务执行情况",
    {vq::Label("编号:"), vq::EditBox(D::kNumberId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::Label("名称:", vq::kBeside), vq::EditBox(D::kNameId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::Label("负责人:"), vq::EditBox(D::kManagerId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::Label("状态:", vq::kBeside), vq::EditBox(D::kStateId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::TabControl(D::kTabId),
     vq::ReportList(D::kHistoryId, vq::kFill, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
     vq::ListBox(D::kStatisticsId, vq::kNoLayoutFlags, LBS_NOTIFY),
     vq::CustomWindow(D::kPieId, vq::kBeside, 0, CRect(0, 0, 300, 200)),
     vq::PushButton(D::kAuditFlowId, "评审流程"), vq::PushButton(D::kFlowChartId, "任务流程", vq::kBeside),
     vq::PushButton(D::kVersionsId, "任务版本", vq::kBeside),
     vq::PushButton(D::kPropertiesId, "属性...", vq::kBeside),
     vq::PushButton(D::kWorkNoteId, "工作说明...", vq::kBeside),
     vq::PushButton(IDCANCEL, "退出", vq::kBeside)},
    CSize(760, 600)};

} // namespace

BEGIN_MESSAGE_MAP(CTaskExecutionDlg, CDialog)
    ON_NOTIFY(TCN_SELCHANGE, kTabId, &CTaskExecutionDlg::OnTabChanged)
    ON_NOTIFY(NM_DBLCLK, kHistoryId, &CTaskExecutionDlg::OnHistoryDblClk)
    ON_BN_CLICKED(kAuditFlowId, &CTaskExecutionDlg::OnAuditFlow)
    ON_BN_CLICKED(kFlowChartId, &CTaskExecutionDlg::OnFlowChart)
    ON_BN_CLICKED(kVersionsId, &CTaskExecutionDlg::OnVersions)
    ON_BN_CLICKED(kPropertiesId, &CTaskExecutionDlg::OnProperties)
    ON_BN_CLICKED(kWorkNoteId, &CTaskExecutionDlg::OnWorkNote)
END_MESSAGE_MAP()

CTaskExecutionDlg::CTaskExecutionDlg(CWnd* parent) : CDialog(kExecutionTemplate, parent) {}

void CTaskExecutionDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kTabId, m_tabs);
    DDX_Control(pDX, kHistoryId, m_history);
    DDX_Control(pDX, kStatisticsId, m_statistics);
    DDX_Control(pDX, kPieId, m_pie);
    DDX_Text(pDX, kNumberId, m_strTaskNo);
    DDX_Text(pDX, kNameId, m_strTaskName);
    DDX_Text(pDX, kManagerId, m_strManager);
    DDX_Text(pDX, kStateId, m_strWorkState);
}

void CTaskExecutionDlg::PostNcDestroy() {
    m_log.clear();
    CDialog::PostNcDestroy();
}

BOOL CTaskExecutionDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_strServerTime = theApp.GetServerDateTime();

    m_history.SetExtendedStyle(m_history.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_largeImages.Create(32, 32, ILC_COLOR32 | ILC_MASK, 1, 1);
    m_smallImages.Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1);
    if (HICON icon = vq::LoadIconResource(6007)) {
        m_largeImages.Add(icon);
        m_smallImages.Add(icon);
    }
    m_history.SetImageList(&m_largeImages, LVSIL_NORMAL);
    m_history.SetImageList(&m_smallImages, LVSIL_SMALL);
    m_pie.m_title = "任务执行时间分布图";
    m_history.InsertColumn(0, "日期", LVCFMT_LEFT, 160);
    m_history.InsertColumn(1, "涉及人", LVCFMT_LEFT, 90);
    m_history.InsertColumn(2, "工作内容", LVCFMT_LEFT, 140);

    CString sql;
    sql.Format("SELECT count(*) FROM ProjectManage WHERE ProjectNo = '%s'", SqlQuote(m_strTaskNo));
    m_bProjectTask = theApp.GetSqlInt(sql) >= 1 ? 1 : 0;
    ReadTaskHeader();
    ReadTaskLog();

    const int notices = ChangeNoticeCount(m_log);
    m_bChangeNotice = notices > 0 ? 1 : 0;
    m_tabs.InsertItem(0, "首次设计");
    for (int k = 2; k <= notices + 1; ++k) {
        CString text;
        text.Format("第%d次设计", k);
        m_tabs.InsertItem(k - 1, text);
    }
    m_tabs.SetCurSel(0);
    FillCycle(0);
    UpdateData(FALSE);
    return TRUE;
}

void CTaskExecutionDlg::ReadTaskHeader() {
    CString sql;
    enum class Kind { ByPath, Project, Work } kind;
    if (!m_strProjectPath.IsEmpty()) {
        kind = Kind::ByPath;
        sql.Format("SELECT ProjectNo,ProjectManager,WorkState,PreendedTime FROM ProjectManage WHERE "
                   "ProjectName='%s' "
                   "AND ProjectPath='%s'",
                   SqlQuote(m_strTaskName), SqlQuote(m_strProjectPath));
    } else if (m_bProjectTask) {
        kind = Kind::Project;
        sql.Format("SELECT ProjectName,ProjectManager,WorkState,PreendedTime FROM ProjectManage WHERE "
                   "ProjectNo='%s'",
                   SqlQuote(m_strTaskNo));
    } else {
        kind = Kind::Work;
        sql.Format("SELECT WorkName, Manager, PreendedTime FROM TeamWorkManage WHERE WorkID = '%s'",
                   SqlQuote(m_strTaskNo));
    }
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            const CString first = VariantToString(rs->GetCollect(0L));
            if (kind == Kind::ByPath)
                m_strTaskNo = first;
            else
                m_strTaskName = first;
            m_strManager = VariantToString(rs->GetCollect(1L));
            if (kind == Kind::Work) {
                // A work's planned completion is its required finish time, not its state.
                m_strRequiredFinish = VariantToString(rs->GetCollect(2L));
            } else {
                m_strWorkState = VariantToString(rs->GetCollect(2L));
                m_strRequiredFinish = VariantToString(rs->GetCollect(3L));
            }
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CTaskExecutionDlg::ReadTaskLog() {
    CString sql;
    sql.Format(
        "SELECT SavedTime,UserName,WorkType FROM TaskLogInformation WHERE ProjectNo='%s' Order By SavedTime",
        SqlQuote(m_strTaskNo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            CTaskLogEntry entry;
            entry.SavedTime = VariantToString(rs->GetCollect(0L)).Trim();
            entry.UserName = VariantToString(rs->GetCollect(1L)).Trim();
            entry.WorkType = VariantToString(rs->GetCollect(2L)).Trim();
            m_log.push_back(entry);
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CTaskExecutionDlg::FillCycle(int cycle) {
    m_history.DeleteAllItems();
    for (const auto& entry : CycleEntries(m_log, cycle)) {
        const int row = m_history.InsertItem(m_history.GetItemCount(), entry.SavedTime, 0);
        m_history.SetItemText(row, 1, entry.UserName);
        m_history.SetItemText(row, 2, entry.WorkType);
    }
    ShowStatistics();
}

// The statistics of the rows now in the history list, in list order.
void CTaskExecutionDlg::ShowStatistics() {
    m_pie.RemoveAllSlices();
    m_pie.Invalidate();
    m_statistics.ResetContent();
    for (const CString& line : StatisticsHeading())
        m_statistics.AddString(line);
    std::vector<CTaskLogEntry> rows;
    for (int row = 0; row < m_history.GetItemCount(); ++row)
        rows.push_back(
            {m_history.GetItemText(row, 0), m_history.GetItemText(row, 1), m_history.GetItemText(row, 2)});
    const CCycleStatistics stats = CycleStatistics(rows);
    for (const CString& line : StatisticsLines(stats, m_strRequiredFinish))
        m_statistics.AddString(line);
    const CPieAngles angles = PieAngles(stats, m_strRequiredFinish, m_strServerTime, m_bChangeNotice != 0);
    m_pie.AddSlice(RGB(255, 128, 0), RGB(255, 255, 255), angles.Design, "设计");
    m_pie.AddSlice(RGB(128, 128, 255), RGB(255, 255, 255), angles.Review, "评审");
    m_pie.AddSlice(RGB(0, 128, 192), RGB(255, 255, 255), angles.Other, "其他");
}

void CTaskExecutionDlg::OnTabChanged(NMHDR*, LRESULT* result) {
    *result = 0;
    FillCycle(m_tabs.GetCurSel());
}

void CTaskExecutionDlg::ResolvePath() {
    if (m_bPathResolved || !m_strProjectPath.IsEmpty() || !m_bProjectTask)
        return;
    m_bPathResolved = true;
    CString sql;
    sql.Format("SELECT ProjectPath FROM ProjectManage WHERE ProjectNo='%s'", SqlQuote(m_strTaskNo));
    m_strProjectPath = theApp.GetSqlString(sql);
}

void CTaskExecutionDlg::OnAuditFlow() {
    ResolvePath();
    vq::TaskAuditFlowRequest flow;
    flow.parent = this;
    flow.projectPath = m_strProjectPath;
    flow.projectName = m_strTaskName;
    flow.taskId = m_strTaskNo;
    flow.readOnly = 1;
    flow.writeToTask = 1;
    vq::OpenTaskAuditFlow(flow);
}

void CTaskExecutionDlg::OnFlowChart() {
    ResolvePath();
    CTaskFlowChartDlg chart(this);
    chart.m_strProjectPath = m_strProjectPath;
    chart.m_strProjectName = m_strTaskName;
    chart.DoModal();
}

void CTaskExecutionDlg::OnVersions() {
    ResolvePath();
    CTaskVersionDlg versions(this);
    versions.m_strTaskNo = m_strTaskNo;
    versions.m_strTaskName = m_strTaskName;
    versions.m_strProjectPath = m_strProjectPath;
    versions.DoModal();
}

void CTaskExecutionDlg::OnProperties() {
    ResolvePath();
    CProjectTaskItemDlg item(this);
    item.ProjectNo = m_strTaskNo;
    item.ProjectName = m_strTaskName;
    item.ProjectPath = m_strProjectPath;
    item.NewItem = 0;
    item.Editable = 0;
    item.IsProject = m_strProjectPath == "项目管理" ? 1 : 0;
    item.DoModal();
}

void CTaskExecutionDlg::OnHistoryDblClk(NMHDR*, LRESULT* result) {
    *result = 0;
    OnWorkNote();
}

void CTaskExecutionDlg::OnWorkNote() {
    if (m_history.GetItemCount() == 0)
        return;
    POSITION pos = m_history.GetFirstSelectedItemPosition();
    if (!pos) {
        AfxMessageBox("没有选择列表中的项,请选择...");
        return;
    }
    const int row = m_history.GetNextSelectedItem(pos);
    CString sql;
    sql.Format("SELECT Advise FROM TaskLogInformation WHERE ProjectNo='%s' AND SavedTime='%s'",
               SqlQuote(m_strTaskNo), SqlQuote(m_history.GetItemText(row, 0)));
    const CString advise = theApp.GetSqlString(sql).Trim();
    ResolvePath();
    CTaskChangeNoticeDlg notice(this);
    notice.m_strTaskNo = m_strTaskNo;
    notice.m_strWorkState = m_strWorkState;
    notice.m_strTaskName = m_strTaskName;
    notice.m_strProjectPath = m_strProjectPath;
    notice.m_strText = advise;
    notice.DoModal();
}
