#include "review/AssistAuditTaskDlg.h"

#include "controls/UserBrowseDlg.h"
#include "core/ComError.h"
#include "core/SqlTransaction.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Edit.h"
#include "review/AuditFlowEngine.h"

namespace {

using D = CAssistAuditTaskDlg;

const vq::DialogTemplate kAssistAuditTaskTemplate{
    "设计过程—协助评审任务",
    {vq::Label("负责人:"), vq::EditBox(D::kAuditorId, vq::kNoLayoutFlags, ES_AUTOHSCROLL | ES_READONLY),
     vq::PushButton(D::kPickAuditorId, "...", vq::kBeside), vq::Label("任务名称:"),
     vq::EditBox(D::kTaskId, vq::kNoLayoutFlags, ES_AUTOHSCROLL | ES_READONLY), vq::Label("工作要求:"),
     vq::EditBox(D::kRequestId, vq::kFill, ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

const vq::TemplateRegistration kAssistAuditTaskRegistration(CAssistAuditTaskDlg::IDD, kAssistAuditTaskTemplate);

} // namespace

bool ReadAssistTaskStateLocked(CSqlTransaction& transaction, const CString& fileId,
                               const CString& upAuditName, const CString& task, CString& state) {
    if (!transaction.IsActive() || !transaction.Lock(CAuditFlowEngine::DocumentLockName(fileId)))
        return false;
    CString sql;
    sql.Format(
        "SELECT State FROM TeamWorkNextAudit WHERE FileID='%s' AND UpAuditName='%s' AND AuditTask='%s'",
        SqlQuote(fileId), SqlQuote(upAuditName), SqlQuote(task));
    state = theApp.GetSqlString(sql).Trim();
    return !theApp.m_bConnectionLost;
}

BEGIN_MESSAGE_MAP(CAssistAuditTaskDlg, CDialog)
    ON_BN_CLICKED(CAssistAuditTaskDlg::kPickAuditorId, &CAssistAuditTaskDlg::OnPickAuditor)
END_MESSAGE_MAP()

CAssistAuditTaskDlg::CAssistAuditTaskDlg(CWnd* parent) : CDialog(IDD, parent) {}

void CAssistAuditTaskDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, kAuditorId, Auditor);
    DDX_Text(pDX, kTaskId, AuditTask);
    DDX_Text(pDX, kRequestId, AuditRequest);
}

BOOL CAssistAuditTaskDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    Connection = theApp.m_pConnPDM;
    CloseMode = theApp.m_nAdoCloseMode;
    CString sql;
    sql.Format("SELECT Auditor, AuditRequest FROM TeamWorkNextAudit WHERE FileID='%s' AND UpAuditName='%s' AND "
               "AuditTask='%s'",
               SqlQuote(FileID), SqlQuote(UpAuditName), SqlQuote(AuditTask));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, Connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            Auditor = VariantToString(rs->GetCollect(0L));
            AuditRequest = VariantToString(rs->GetCollect(1L));
        }
        if (CloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    // Who assigned the task and when tell it from one deleted and added again under its name.
    m_storedRow = std::make_unique<CStoredRowEdit>(
        "TeamWorkNextAudit",
        std::vector<std::pair<CString, CString>>{
            {"FileID", FileID}, {"UpAuditName", UpAuditName}, {"AuditTask", AuditTask}},
        std::vector<CString>{"Assigner", "AssignDate"});
    if (!ReadOnly)
        m_storedRow->Open(StoredFields());
    UpdateData(FALSE);
    if (ReadOnly) {
        GetDlgItem(kPickAuditorId)->EnableWindow(FALSE);
        if (auto* edit = dynamic_cast<CEdit*>(GetDlgItem(kRequestId)))
            edit->SetReadOnly(TRUE);
    }
    return TRUE;
}

void CAssistAuditTaskDlg::OnPickAuditor() {
    UpdateData(TRUE);
    CUserBrowseDlg dlg(nullptr);
    dlg.m_bMultiSelect = 0;
    dlg.m_strLogName = Auditor;
    if (dlg.DoModal() != IDOK)
        return;
    Auditor = dlg.m_strLogName;
    UpdateData(FALSE);
}

std::vector<StoredField> CAssistAuditTaskDlg::StoredFields() const {
    return {{"Auditor", "负责人", Auditor}, {"AuditRequest", "工作要求", AuditRequest}};
}

void CAssistAuditTaskDlg::OnOK() {
    UpdateData(TRUE);
    if (ReadOnly) {
        EndDialog(IDCANCEL);
        return;
    }
    bool decided = false;
    {
        // The task may have been decided since the list showed it open: the stored state decides,
        // read under the document's lock that the assisting reviewer's result takes too, so that
        // a finished review never gets another auditor. A task that is gone is said as deleted by
        // the merge.
        CSqlTransaction transaction;
        CString state;
        if (!ReadAssistTaskStateLocked(transaction, FileID, UpAuditName, AuditTask, state))
            return;
        decided = !state.IsEmpty() && state != "未完成";
        if (!decided) {
            // Only the fields the person changed go over the task as stored now.
            const std::vector<StoredField> fields = StoredFields();
            CString statement;
            if (!m_storedRow || !m_storedRow->PrepareUpdate(fields, {}, false, statement))
                return; // the dialog stays open with the person's input; the box is said after the rollback
            if (!statement.IsEmpty() && !theApp.ExecuteSql(statement))
                return;
            const std::vector<CString> merged = m_storedRow->MergedValues(fields);
            if (!transaction.Commit())
                return;
            m_storedRow->Written(fields);
            Auditor = merged[0];
            AuditRequest = merged[1];
        }
    }
    if (decided) {
        AfxMessageBox("该评审任务已执行，不能再修改...");
        EndDialog(IDCANCEL);
        return;
    }
    EndDialog(IDOK);
}
