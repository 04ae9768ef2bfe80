#include "changeorders/PartDesignHistoryDlg.h"

#include "controls/ListHelpers.h"
#include "core/ComError.h"
#include "core/ItemText.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "parts/PartBrowseDlg.h"
#include "parts/PartSelectDlg.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "review/DesignDocAuditResultDlg.h"
#include "review/TaskAuditFlowDlg.h"
#include "review/WorkDocAuditResultDlg.h"
#include "teamwork/WorkDocAuditInfo.h"
#include "teamwork/WorkDocPropertyDlg.h"

namespace {

using Dlg = CPartDesignHistoryDlg;

const vq::DialogTemplate kPartDesignHistoryTemplate{
    "零部件设计历史",
    {vq::GroupFrame("", Dlg::kFrameId), vq::Label("零部件图号:"),
     vq::EditBox(Dlg::kPartCodeId, vq::kBeside, ES_READONLY), vq::Label("零部件图名:", vq::kBeside),
     vq::EditBox(Dlg::kPartNameId, vq::kBeside, ES_READONLY), vq::PushButton(Dlg::kPartButtonId, "...", vq::kBeside),
     vq::ReportList(Dlg::kListId, vq::kFill, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
     vq::PushButton(IDCANCEL, "退出", vq::kRightColumn),
     vq::PushButton(Dlg::kDocPropId, "文档属性...", vq::kRightColumn),
     vq::PushButton(Dlg::kAuditFlowId, "评审流程...", vq::kRightColumn),
     vq::PushButton(Dlg::kAuditResultId, "评审结果...", vq::kRightColumn),
     vq::CheckBox(Dlg::kSearchModeId, "查询模式", vq::kRightColumn), vq::Label("设计时间从:", vq::kRightColumn),
     vq::DateTimePicker(Dlg::kDateFromId, vq::kRightColumn), vq::Label("到:", vq::kRightColumn),
     vq::DateTimePicker(Dlg::kDateToId, vq::kRightColumn)},
    CSize(940, 564)};

const vq::TemplateRegistration kPartDesignHistoryRegistration(CPartDesignHistoryDlg::IDD,
                                                              kPartDesignHistoryTemplate);

struct ColumnSpec {
    const char* header;
    int width;
};
constexpr ColumnSpec kColumns[] = {{"任务编号", 140}, {"任务名", 140}, {"文件编号", 140}, {"文件提示", 80},
                                   {"任务时间", 100}, {"负责人", 80},  {"状态", 60}};
constexpr int kColumnCount = 7;

const char* const kSelectDocuments =
    "SELECT A.WorkID, A.WorkName, B.FileID, B.FilePrompt, A.BeginTime, A.Manager, B.State FROM TeamWorkManage "
    "A, TeamWorkResult B WHERE A.WorkID=B.WorkID AND B.PartCode='%s'";

} // namespace

BEGIN_MESSAGE_MAP(CPartDesignHistoryDlg, CDialog)
    ON_BN_CLICKED(CPartDesignHistoryDlg::kPartButtonId, &CPartDesignHistoryDlg::OnPickPart)
    ON_BN_CLICKED(CPartDesignHistoryDlg::kDocPropId, &CPartDesignHistoryDlg::OnDocProperty)
    ON_BN_CLICKED(CPartDesignHistoryDlg::kAuditFlowId, &CPartDesignHistoryDlg::OnAuditFlow)
    ON_BN_CLICKED(CPartDesignHistoryDlg::kAuditResultId, &CPartDesignHistoryDlg::OnAuditResult)
    ON_NOTIFY(NM_DBLCLK, CPartDesignHistoryDlg::kListId, &CPartDesignHistoryDlg::OnDblClick)
END_MESSAGE_MAP()

CPartDesignHistoryDlg::CPartDesignHistoryDlg(CWnd* parent) : CDialog(IDD, parent) {}

void CPartDesignHistoryDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kListId, m_list);
    DDX_Control(pDX, kDateFromId, m_ctlDateFrom);
    DDX_Control(pDX, kDateToId, m_ctlDateTo);
    DDX_Text(pDX, kPartCodeId, m_strPartCode);
    DDX_Text(pDX, kPartNameId, m_strPartName);
    DDX_Check(pDX, kSearchModeId, m_bSearchMode);
}

BOOL CPartDesignHistoryDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    if (!m_strPartCode.IsEmpty() && m_strPartName.IsEmpty()) {
        CString sql;
        sql.Format("SELECT TName FROM VqkorvelAll_title WHERE TCode='%s'", SqlQuote(m_strPartCode));
        m_strPartName = theApp.GetSqlString(sql);
    }
    UpdateData(FALSE);
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    for (int c = 0; c < kColumnCount; ++c)
        m_list.InsertColumn(c, kColumns[c].header, LVCFMT_LEFT, kColumns[c].width);
    m_ctlDateFrom.SetFormat("yyyy-MM-dd");
    m_ctlDateTo.SetFormat("yyyy-MM-dd");
    const COleDateTime now = COleDateTime::GetCurrentTime();
    m_ctlDateTo.SetTime(now);
    m_ctlDateFrom.SetTime(now - COleDateTimeSpan(60, 0, 0, 0));
    LoadList();
    return TRUE;
}

CString CPartDesignHistoryDlg::DateCondition(const COleDateTime& from, const COleDateTime& to, bool* reversed) {
    *reversed = false;
    const CString fromText = from.Format("%Y-%m-%d");
    const CString toText = (to + COleDateTimeSpan(1, 0, 0, 0)).Format("%Y-%m-%d");
    const int order = toText.CompareNoCase(fromText);
    CString condition;
    if (order > 0) {
        condition.Format("A.BeginTime>'%s' AND A.BeginTime<'%s'", SqlQuote(fromText), SqlQuote(toText));
    } else if (order == 0) {
        condition.Format("A.BeginTime LIKE '%s%%'%s", SqlLikeLiteral(fromText), kSqlLikeEscape);
    } else {
        *reversed = true;
    }
    return condition;
}

CString CPartDesignHistoryDlg::BuildLoadSql(const CString& condition) const {
    CString sql;
    sql.Format(kSelectDocuments, SqlQuote(m_strPartCode));
    if (!condition.IsEmpty())
        sql += " AND " + condition;
    return sql;
}

void CPartDesignHistoryDlg::LoadList() {
    CWaitCursor wait;
    UpdateData(TRUE);
    m_list.DeleteAllItems();
    if (m_strPartCode.IsEmpty())
        return;
    COleDateTime from, to;
    m_ctlDateFrom.GetTime(from);
    m_ctlDateTo.GetTime(to);
    bool reversed = false;
    const CString condition = DateCondition(from, to, &reversed);
    if (reversed)
        AfxMessageBox("开始日期与结束日期不匹配...");
    const CString sql = BuildLoadSql(condition);
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        AppendTextRows(m_list, rs, kColumnCount);
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
    }
}

void CPartDesignHistoryDlg::OnPickPart() {
    UpdateData(TRUE);
    if (m_bSearchMode) {
        CPartSelectDlg dlg;
        dlg.m_strCode = m_strPartCode;
        if (dlg.DoModal() != IDOK)
            return;
        m_strPartCode = dlg.m_strSelCode;
        m_strPartName = dlg.m_strSelName;
    } else {
        CPartBrowseDlg dlg;
        dlg.m_childFilter = 2;
        if (dlg.DoModal() != IDOK)
            return;
        m_strPartCode = dlg.m_partCode;
        m_strPartName = dlg.m_partName;
    }
    UpdateData(FALSE);
    LoadList();
}

CString CPartDesignHistoryDlg::SelectedFileId() const {
    const int row = GetFirstSelectedItem(m_list);
    return row < 0 ? CString() : m_list.GetItemText(row, 2);
}

void CPartDesignHistoryDlg::OnDocProperty() {
    const int row = GetFirstSelectedItem(m_list);
    if (row < 0)
        return;
    CWorkDocPropertyDlg dlg;
    dlg.FileID = m_list.GetItemText(row, 2);
    dlg.DoModal();
}

void CPartDesignHistoryDlg::OnDblClick(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    OnDocProperty();
}

// The review flow chart of the row's document, opened as ShowTeamTaskAuditFlow opens it.
void CPartDesignHistoryDlg::OnAuditFlow() {
    if (GetFirstSelectedItem(m_list) < 0)
        return;
    CWorkDocAuditInfo info;
    if (!info.ReadDocAuditInfo(SelectedFileId()))
        return;
    CTaskAuditFlowDlg dlg(nullptr);
    dlg.m_bReadOnly = 1;
    dlg.m_bSubmitMode = 0;
    dlg.m_bWriteToTask = 0;
    dlg.m_strAuditMode = info.AuditingType;
    dlg.m_strAuditModel = info.AuditingModel;
    dlg.m_strAuditorName = info.AuditorName;
    dlg.DoModal();
}

void CPartDesignHistoryDlg::OnAuditResult() {
    if (GetFirstSelectedItem(m_list) < 0)
        return;
    if (ReadSettingInt("设计过程管理", "红线批注工具", "0") == 2) {
        CWorkDocAuditResultDlg dlg(nullptr);
        dlg.FileID = SelectedFileId();
        dlg.DoModal();
    } else {
        CDesignDocAuditResultDlg dlg(nullptr);
        dlg.FileID = SelectedFileId();
        dlg.DoModal();
    }
}
