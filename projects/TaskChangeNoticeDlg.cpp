#include "projects/TaskChangeNoticeDlg.h"

#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/File.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/FileDialog.h"

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

constexpr const char* kRtfFilter = "评审意见文件 (*.rtf)|*.rtf||";
constexpr const char* kNotRtf = "该文件必须是RTF类型的文件!";

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
    CFileDialog dialog(TRUE, "*.rtf", nullptr, OFN_HIDEREADONLY, kRtfFilter, this);
    if (dialog.DoModal() != IDOK)
        return;
    const CString path = dialog.GetPathName();
    if (!PathFileExists(path)) {
        AfxMessageBox("文件不存在!");
        return;
    }
    if (dialog.GetFileExt().CompareNoCase("rtf") != 0) {
        AfxMessageBox(kNotRtf);
        return;
    }
    if (MessageBox("打开意见文件将覆盖当前内容，是否继续?", "操作提示", MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    if (!m_text.LoadFile(path))
        AfxMessageBox("不能读取该RTF文件!");
}

void CTaskChangeNoticeDlg::OnSaveFile() {
    CFileDialog dialog(FALSE, ".rtf", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kRtfFilter, this);
    if (dialog.DoModal() != IDOK)
        return;
    if (dialog.GetFileExt().CompareNoCase("rtf") != 0) {
        AfxMessageBox(kNotRtf);
        return;
    }
    if (!m_text.SaveFile(dialog.GetPathName()))
        AfxMessageBox("不能存储该RTF文件!");
}
