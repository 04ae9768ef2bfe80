#include "projects/TaskChangeNoticeDlg.h"

#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"

namespace {

using D = CTaskChangeNoticeDlg;

const vq::DialogTemplate kNoticeTemplate{
    "任务更改通知单",
    {vq::Label("项目编号:"), vq::EditBox(D::kNumberId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::Label("工作状态:", vq::kBeside), vq::EditBox(D::kStateId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::Label("日期:", vq::kBeside), vq::EditBox(D::kDateId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::Label("更改内容", vq::kNoLayoutFlags, 0, D::kTextLabelId), vq::RichEdit(D::kTextId, vq::kFill),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside),
     vq::PushButton(D::kOpenId, "打开...", vq::kBeside), vq::PushButton(D::kSaveId, "存储...", vq::kBeside)},
    CSize(560, 420)};

} // namespace

BEGIN_MESSAGE_MAP(CTaskChangeNoticeDlg, CDialog)
    ON_BN_CLICKED(kOpenId, &CTaskChangeNoticeDlg::OnOpenFile)
    ON_BN_CLICKED(kSaveId, &CTaskChangeNoticeDlg::OnSaveFile)
END_MESSAGE_MAP()

CTaskChangeNoticeDlg::CTaskChangeNoticeDlg(CWnd* parent) : CDialog(kNoticeTemplate, parent) {
    m_text.m_pMenuOwner = this;
}

void CTaskChangeNoticeDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kTextId, m_text);
    DDX_Text(pDX, kNumberId, m_strTaskNo);
    DDX_Text(pDX, kStateId, m_strWorkState);
    DDX_Text(pDX, kDateId, m_strDate);
}

BOOL CTaskChangeNoticeDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    ReadTaskRow();
    if (!m_bRowFound)
        GetDlgItem(IDOK)->EnableWindow(FALSE);
    CString caption;
    caption.Format("任务更改内容 - %s[%s]", m_strTaskName, m_strTaskNo);
    SetWindowText(caption);
    SetDlgItemText(kTextLabelId, "更改内容");
    m_text.SetMarginFromWidth();
    m_strDate = CTime::GetCurrentTime().Format("%Y-%m-%d");
    UpdateData(FALSE);
    if (!m_strText.IsEmpty())
        m_text.SetWindowText(m_strText);
    return TRUE;
}

void CTaskChangeNoticeDlg::ReadTaskRow() {
    CString sql;
    sql.Format("Select ProjectNo,CurrentRev From ProjectManage WHERE ProjectPath='%s' AND ProjectName='%s'",
               SqlQuote(m_strProjectPath), SqlQuote(m_strTaskName));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            m_strTaskNo = VariantToString(rs->GetCollect(0L));
            m_bRowFound = true;
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CTaskChangeNoticeDlg::OnOK() {
    m_strText = m_text.GetWindowTextValue();
    EndDialog(IDOK);
}

void CTaskChangeNoticeDlg::OnOpenFile() {
    m_text.OpenFileAsked(this, MB_ICONWARNING);
}

void CTaskChangeNoticeDlg::OnSaveFile() {
    m_text.SaveFileAsked(this);
}
