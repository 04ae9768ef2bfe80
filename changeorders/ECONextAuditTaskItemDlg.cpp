#include "changeorders/ECONextAuditTaskItemDlg.h"

#include "controls/UserBrowseDlg.h"
#include "core/ComError.h"
#include "core/SqlTransaction.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Edit.h"

namespace {

using Dlg = CECONextAuditTaskItemDlg;

const vq::DialogTemplate kItemTemplate{
    "更改单—协助评审任务",
    {vq::Label("任务名称:"), vq::EditBox(Dlg::kAuditNameId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::Label("负责人:"), vq::EditBox(Dlg::kAuditorId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::PushButton(Dlg::kAuditorButtonId, "...", vq::kBeside), vq::Label("工作要求:"),
     vq::EditBox(Dlg::kRequestId, vq::kBeside, ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside)},
    CSize(420, 260)};
const vq::TemplateRegistration kItemRegistration(CECONextAuditTaskItemDlg::IDD, kItemTemplate);

} // namespace

BEGIN_MESSAGE_MAP(CECONextAuditTaskItemDlg, CDialog)
    ON_BN_CLICKED(CECONextAuditTaskItemDlg::kAuditorButtonId, &CECONextAuditTaskItemDlg::OnBrowseAuditor)
END_MESSAGE_MAP()

CECONextAuditTaskItemDlg::CECONextAuditTaskItemDlg(CWnd* parent) : CDialog(IDD, parent) {}

CECONextAuditTaskItemDlg::~CECONextAuditTaskItemDlg() {
    m_pConnection = nullptr;
}

void CECONextAuditTaskItemDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, kAuditorId, m_strAuditor);
    DDX_Text(pDX, kAuditNameId, m_strAuditName);
    DDX_Text(pDX, kRequestId, m_strRequest);
}

BOOL CECONextAuditTaskItemDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    LoadTask();
    m_storedRow = std::make_unique<CStoredRowEdit>(
        "ECONextAuditManage", std::vector<std::pair<CString, CString>>{{"ECOGroup", m_strECOGroup},
                                                                       {"ECONo", m_strECONo},
                                                                       {"UpAuditName", m_strUpAuditName},
                                                                       {"AuditName", m_strAuditName}});
    m_storedRow->Open(StoredFields());
    UpdateData(FALSE);
    if (m_bReadOnly) {
        GetDlgItem(kAuditorButtonId)->EnableWindow(FALSE);
        static_cast<CEdit*>(GetDlgItem(kRequestId))->SetReadOnly(TRUE);
    }
    return TRUE;
}

void CECONextAuditTaskItemDlg::LoadTask() {
    CString sql;
    sql.Format("SELECT Auditor, AuditRequest FROM ECONextAuditManage WHERE ECOGroup='%s' AND ECONo='%s' AND "
               "UpAuditName='%s' AND AuditName='%s'",
               SqlQuote(m_strECOGroup), SqlQuote(m_strECONo), SqlQuote(m_strUpAuditName),
               SqlQuote(m_strAuditName));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            m_strAuditor = VariantToString(rs->GetCollect(0L));
            m_strRequest = VariantToString(rs->GetCollect(1L));
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CECONextAuditTaskItemDlg::OnBrowseAuditor() {
    UpdateData(TRUE);
    CUserBrowseDlg dlg;
    dlg.m_strLogName = m_strAuditor;
    if (dlg.DoModal() != IDOK)
        return;
    m_strAuditor = dlg.m_strLogName;
    UpdateData(FALSE);
}

// The rule of adding holds on change too: one task of a step per account, whatever its case.
bool CECONextAuditTaskItemDlg::HoldsAnotherTask(const CString& auditor) {
    if (auditor.IsEmpty())
        return false;
    CString sql;
    sql.Format("SELECT count(*) FROM ECONextAuditManage WHERE ECOGroup='%s' AND ECONo='%s' AND "
               "UpAuditName='%s' AND AuditName<>'%s' AND Upper(Auditor)=Upper('%s')",
               SqlQuote(m_strECOGroup), SqlQuote(m_strECONo), SqlQuote(m_strUpAuditName),
               SqlQuote(m_strAuditName), SqlQuote(auditor));
    return theApp.GetSqlInt(sql) > 0;
}

void CECONextAuditTaskItemDlg::OnOK() {
    // Read-only: the values shown are the stored ones; nothing is written.
    if (m_bReadOnly) {
        EndDialog(IDOK);
        return;
    }
    UpdateData(TRUE);
    if (HoldsAnotherTask(m_strAuditor)) {
        AfxMessageBox("选定的评审负责人已经有评审任务，不能再分配...");
        return;
    }
    // Under the task's lock, the fields the user changed over the task as stored now; nothing
    // (one box, the dialog stays open) when another client changed the same field or deleted it.
    CSqlTransaction transaction;
    if (!transaction.IsActive() || !transaction.Lock(m_storedRow->LockName()) ||
        !m_storedRow->StoreChanges(StoredFields()) || !transaction.Commit())
        return;
    EndDialog(IDOK);
}

std::vector<StoredField> CECONextAuditTaskItemDlg::StoredFields() const {
    return {{"Auditor", "负责人", m_strAuditor}, {"AuditRequest", "工作要求", m_strRequest}};
}
