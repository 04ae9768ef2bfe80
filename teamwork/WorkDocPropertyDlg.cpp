#include "teamwork/WorkDocPropertyDlg.h"

#include "controls/DocViewLauncher.h"
#include "core/ComError.h"
#include "core/DocumentFetch.h"
#include "core/FileInfo.h"
#include "core/InstallPath.h"
#include "core/ItemText.h"
#include "core/TeamWorkLog.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/maker/FileStore.h"
#include "platform/ui/DataExchange.h"
#include "teamwork/WorkDocumentBrowse.h"

namespace {

using D = CWorkDocPropertyDlg;
constexpr DWORD kReadOnly = ES_AUTOHSCROLL | ES_READONLY;

const vq::DialogTemplate kWorkDocPropertyTemplate{"工作文档属性",
                                                  {vq::Label("文档编号:"),
                                                   vq::EditBox(D::kFileIdId, vq::kNoLayoutFlags, kReadOnly),
                                                   vq::Label("文档名称:", vq::kBeside),
                                                   vq::EditBox(D::kFilePromptId, vq::kBeside, kReadOnly),
                                                   vq::Label("文档类型:"),
                                                   vq::EditBox(D::kFileTypeId, vq::kNoLayoutFlags, kReadOnly),
                                                   vq::Label("文档大小:", vq::kBeside),
                                                   vq::EditBox(D::kFileSizeId, vq::kBeside, kReadOnly),
                                                   vq::Label("文档日期:"),
                                                   vq::EditBox(D::kFileDateId, vq::kNoLayoutFlags, kReadOnly),
                                                   vq::Label("提交日期:", vq::kBeside),
                                                   vq::EditBox(D::kSaveDateId, vq::kBeside, kReadOnly),
                                                   vq::Label("所属任务号:"),
                                                   vq::EditBox(D::kWorkIdId, vq::kNoLayoutFlags, kReadOnly),
                                                   vq::Label("所属任务名:", vq::kBeside),
                                                   vq::EditBox(D::kWorkNameId, vq::kBeside, kReadOnly),
                                                   vq::Label("负责人:"),
                                                   vq::EditBox(D::kManagerId, vq::kNoLayoutFlags, kReadOnly),
                                                   vq::Label("标记:", vq::kBeside),
                                                   vq::EditBox(D::kLabelId, vq::kBeside, kReadOnly),
                                                   vq::Label("状  态:"),
                                                   vq::EditBox(D::kStateId, vq::kNoLayoutFlags, kReadOnly),
                                                   vq::Label("提交评审日期:", vq::kBeside),
                                                   vq::EditBox(D::kSubmitDateId, vq::kBeside, kReadOnly),
                                                   vq::Label("流程名称:"),
                                                   vq::EditBox(D::kModelId, vq::kNoLayoutFlags, kReadOnly),
                                                   vq::Label("评审人:"),
                                                   vq::EditBox(D::kAuditorsId, vq::kNoLayoutFlags, kReadOnly),
                                                   vq::CheckBox(D::kBrowseId, "文档浏览"),
                                                   vq::PushButton(IDCANCEL, "退出", vq::kBeside)}};

const vq::TemplateRegistration kWorkDocPropertyRegistration(D::IDD, kWorkDocPropertyTemplate);

} // namespace

BEGIN_MESSAGE_MAP(CWorkDocPropertyDlg, CDialog)
    ON_BN_CLICKED(CWorkDocPropertyDlg::kBrowseId, &CWorkDocPropertyDlg::OnBrowse)
    ON_MESSAGE(CWorkDocPropertyDlg::kUncheckBrowse, &CWorkDocPropertyDlg::OnUncheckBrowse)
END_MESSAGE_MAP()

CWorkDocPropertyDlg::CWorkDocPropertyDlg(CWnd* parent) : CDialog(IDD, parent) {}

void CWorkDocPropertyDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, kSaveDateId, m_strSaveDate);
    DDX_Text(pDX, kFileDateId, m_strFileDate);
    DDX_Text(pDX, kFilePromptId, m_strFilePrompt);
    DDX_Text(pDX, kFileIdId, FileID);
    DDX_Text(pDX, kFileSizeId, m_strFileSize);
    DDX_Text(pDX, kFileTypeId, m_strFileType);
    DDX_Text(pDX, kManagerId, m_strManager);
    DDX_Text(pDX, kWorkNameId, m_strWorkName);
    DDX_Text(pDX, kWorkIdId, m_strWorkID);
    DDX_Text(pDX, kLabelId, m_strFileLabel);
    DDX_Text(pDX, kStateId, m_strState);
    DDX_Check(pDX, kBrowseId, m_bBrowse);
    DDX_Text(pDX, kModelId, m_strAuditingModel);
    DDX_Text(pDX, kAuditorsId, m_strAuditorName);
    DDX_Text(pDX, kSubmitDateId, m_strSubmitDate);
}

BOOL CWorkDocPropertyDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_pConnection = theApp.m_pConnPDM;
    m_nDatabaseType = theApp.m_nDatabaseType;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    if (!FileID.IsEmpty())
        ReadDocument();
    if (!m_strWorkID.IsEmpty())
        ReadWorkTask();
    UpdateData(FALSE);
    CString prompt;
    prompt.Format("在任务 %s[%s] 中浏览文档：%s[%s] 的属性信息", m_strWorkName, m_strWorkID, m_strFilePrompt,
                  FileID);
    WriteLog(prompt);
    if (!ShowBrowse)
        GetDlgItem(kBrowseId)->ShowWindow(SW_HIDE);
    return TRUE;
}

void CWorkDocPropertyDlg::ReadDocument() {
    CString sql;
    sql.Format(
        "SELECT WorkID, FilePrompt, FileName, FileSize, FileDate, FileType, FileLabel, SaveDate, State, "
        "AuditingModel, AuditorName, Other3 FROM TeamWorkResult WHERE FileID='%s'",
        SqlQuote(FileID));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            CString* targets[] = {&m_strWorkID,   &m_strFilePrompt,    &m_strFileName,    &m_strFileSize,
                                  &m_strFileDate, &m_strFileType,      &m_strFileLabel,   &m_strSaveDate,
                                  &m_strState,    &m_strAuditingModel, &m_strAuditorName, &m_strSubmitDate};
            long column = 0;
            for (CString* target : targets)
                *target = VariantToString(rs->GetCollect(column++));
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CWorkDocPropertyDlg::ReadWorkTask() {
    CString sql;
    sql.Format("SELECT WorkName, Manager FROM TeamWorkManage WHERE WorkID='%s'", SqlQuote(m_strWorkID));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            m_strWorkName = VariantToString(rs->GetCollect(0L));
            m_strManager = VariantToString(rs->GetCollect(1L));
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CWorkDocPropertyDlg::WriteLog(const CString& prompt) {
    CTeamWorkLog log;
    log.WriteLog(FileID, "浏览", "浏览文档", prompt);
}

void CWorkDocPropertyDlg::OnBrowse() {
    UpdateData(TRUE);
    if (!m_bBrowse)
        return;
    CWaitCursor wait;
    BrowseDocument();
}

void CWorkDocPropertyDlg::BrowseDocument() {
    const CString tempPath = WorkDocumentTempPath(m_copies.Path(), FileID, m_strFileName);
    CString sql;
    sql.Format(m_nDatabaseType == 2
                   ? "SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE rtrim(FileID)='%s'"
                   : "SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE FileID='%s'",
               SqlQuote(FileID));
    CVQSaveFileToDB store;
    if (store.PopFileFromDB(sql, tempPath, "DocContent", FileID, m_strFileName).IsEmpty()) {
        ReportFetchFailure(m_strFileName, store.GetLastFailure(), "文档下载失败!");
        return;
    }
    CString prompt;
    prompt.Format("在任务 %s[%s] 中浏览文档：%s[%s]", m_strWorkName, m_strWorkID, m_strFilePrompt, FileID);
    WriteLog(prompt);
    OpenFetchedWorkDocument(tempPath, FileID);
}

LRESULT CWorkDocPropertyDlg::OnUncheckBrowse(WPARAM, LPARAM) {
    UpdateData(TRUE);
    m_bBrowse = 0;
    UpdateData(FALSE);
    return 1;
}

void CWorkDocPropertyDlg::PostNcDestroy() {
    m_pConnection = nullptr;
    CDialog::PostNcDestroy();
}
