#include "review/ProjectTaskAuditDlg.h"

#include "controls/DocViewLauncher.h"
#include "controls/FtpTransferWindow.h"
#include "controls/InputFileNameDlg.h"
#include "core/ComError.h"
#include "core/DocumentFetch.h"
#include "core/EntryFrame.h"
#include "core/FileInfo.h"
#include "core/InstallPath.h"
#include "core/ItemText.h"
#include "core/VqConnectHolder.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/Folders.h"
#include "platform/base/MessageBox.h"
#include "platform/base/TextCodec.h"
#include "platform/base/WaitCursor.h"
#include "platform/ftp/FtpConnection.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/Menu.h"
#include "projects/ProjectTaskRecords.h"
#include "projects/TaskExecutionDlg.h"
#include "projects/TaskFtpFolder.h"
#include "review/ProjectTaskDecision.h"
#include "review/RelateInfoDlg.h"

namespace {

using D = CProjectTaskAuditDlg;

const vq::DialogTemplate kAuditTemplate{
    "评审意见",
    {vq::Label("任务文档"),
     vq::ReportList(D::kDocumentsId, vq::kFill, LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_SHOWSELALWAYS),
     vq::PushButton(D::kToPassedId, "->"), vq::PushButton(D::kBackId, "<-", vq::kBeside, WS_DISABLED),
     vq::CheckBox(D::kBrowseId, "浏览", vq::kBeside), vq::PushButton(D::kAttachId, "附加...", vq::kBeside, WS_DISABLED),
     vq::PushButton(D::kSaveId, "保存...", vq::kBeside, WS_DISABLED),
     vq::Label("审查通过的文档"), vq::ListBox(D::kPassedId),
     vq::Label("评审意见"), vq::RichEdit(D::kOpinionId, vq::kFill),
     vq::PushButton(D::kOpenId, "打开"), vq::PushButton(D::kStoreId, "存储", vq::kBeside),
     vq::GroupFrame("评审结果"), vq::RadioButton(D::kPassId, "评审通过", true),
     vq::RadioButton(D::kFailId, "评审不通过", false, vq::kBeside),
     vq::RadioButton(D::kLaterId, "下次再评审", false, vq::kBeside),
     vq::Label("备注:"), vq::EditBox(D::kRemarkId),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside),
     vq::PushButton(D::kHistoryId, "任务历史...", vq::kBeside),
     vq::PushButton(D::kRelatedId, "相关信息...", vq::kBeside)},
    CSize(720, 640)};
const vq::TemplateRegistration kAuditRegistration(209, kAuditTemplate);

constexpr const char* kAuditingFolder = "\\Vq\\Auditing\\";
constexpr const char* kWorkingFolder = "\\Vq\\Working\\";
constexpr const char* kRedlineSeparator = ">;<";
constexpr const char* kUploadFailed =
    "增加文档失败，请检查网络是否工作正常，\n或者系统是否长时间不使用而造成连接失效!";

// The extension of a file name with its dot, empty when it has none.
CString ExtensionOf(const CString& name) {
    const int dot = name.ReverseFind('.');
    const int slash = std::max(name.ReverseFind('/'), name.ReverseFind('\\'));
    return dot > slash ? name.Mid(dot) : CString();
}

void SplitRedlineFiles(const CString& text, CStringArray& names) {
    names.RemoveAll();
    CString rest = text;
    while (!rest.IsEmpty()) {
        const int at = rest.Find(kRedlineSeparator);
        if (at < 0) {
            names.Add(rest);
            break;
        }
        if (at > 0)
            names.Add(rest.Left(at));
        rest = rest.Mid(at + 3);
    }
}

} // namespace

BEGIN_MESSAGE_MAP(CProjectTaskAuditDlg, CDialog)
    ON_BN_CLICKED(kToPassedId, &CProjectTaskAuditDlg::OnMoveToPassed)
    ON_BN_CLICKED(kBackId, &CProjectTaskAuditDlg::OnMoveBack)
    ON_LBN_DBLCLK(kPassedId, &CProjectTaskAuditDlg::OnMoveBack)
    ON_NOTIFY(NM_DBLCLK, kDocumentsId, &CProjectTaskAuditDlg::OnDocumentsDblClk)
    ON_NOTIFY(LVN_ITEMCHANGED, kDocumentsId, &CProjectTaskAuditDlg::OnDocumentChanged)
    ON_NOTIFY(NM_RCLICK, kDocumentsId, &CProjectTaskAuditDlg::OnDocumentRightClick)
    ON_BN_CLICKED(kBrowseId, &CProjectTaskAuditDlg::OnBrowse)
    ON_BN_CLICKED(kAttachId, &CProjectTaskAuditDlg::OnAttachRedline)
    ON_BN_CLICKED(kOpenId, &CProjectTaskAuditDlg::OnOpenOpinion)
    ON_BN_CLICKED(kStoreId, &CProjectTaskAuditDlg::OnStoreOpinion)
    ON_BN_CLICKED(kHistoryId, &CProjectTaskAuditDlg::OnTaskHistory)
    ON_BN_CLICKED(kRelatedId, &CProjectTaskAuditDlg::OnRelatedInfo)
    ON_MESSAGE(kClearBrowseMessage, &CProjectTaskAuditDlg::OnClearBrowse)
    ON_MESSAGE(CFtpTransferWindow::kCloseDuringTransfer, &CProjectTaskAuditDlg::OnCloseDuringTransfer)
END_MESSAGE_MAP()

CProjectTaskAuditDlg::CProjectTaskAuditDlg(CWnd* parent) : CDialog(kAuditTemplate, parent) {
    m_opinion.m_pMenuOwner = this;
}

void CProjectTaskAuditDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kPassedId, m_passed);
    DDX_Control(pDX, kDocumentsId, m_documents);
    DDX_Control(pDX, kOpinionId, m_opinion);
    DDX_Radio(pDX, kPassId, m_nResult);
    DDX_Text(pDX, kRemarkId, m_strRemark);
    DDV_MaxChars(pDX, m_strRemark, 255);
    DDX_Check(pDX, kBrowseId, m_bBrowse);
}

BOOL CProjectTaskAuditDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    SetupDocumentsList();
    m_pFtpConnection = theApp.m_pFtpConnection;
    if (!m_pFtpConnection) {
        AfxMessageBox("连接文件服务器出错...");
        EndDialog(IDCANCEL);
        return TRUE;
    }
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_strLoginUser = theApp.m_strLoginUser;
    m_opinion.SetMarginFromWidth();

    // A connection lost while the window reads (the server ended the session or restarted) has
    // been said once: the window reads again on the connection opened anew, or does not open.
    // Half a window would name no task and give the missing rows reasons of their own.
    if (!LoadFromDatabase() && (!CVqConnectHolder::ReopenReportedLoss() || !LoadFromDatabase())) {
        EndDialog(IDCANCEL);
        return TRUE;
    }
    // The caption names the task, whose name its row has just given.
    CString caption;
    caption.Format("评审意见 - %s[%s] - %s", m_strTaskNo, m_strTaskName, m_strStepName);
    SetWindowText(caption);
    m_path.Load(m_path.m_strAuditingStyle, m_path.m_strAuditingPath, m_strAuditorName, m_strStepName);
    if (!m_path.m_bValidPath) {
        AfxMessageBox("无评审路径或缺负责人，为无效路径!");
        GetDlgItem(IDOK)->EnableWindow(FALSE);
    }
    if (m_path.m_nCurrentLevel < 0) {
        AfxMessageBox("该评审任务不存在，为无效路径!");
        GetDlgItem(IDOK)->EnableWindow(FALSE);
    }
    if (m_strTaskState != "评审")
        GetDlgItem(IDOK)->EnableWindow(FALSE);
    if (m_documents.GetItemCount() == 0) {
        GetDlgItem(kBrowseId)->EnableWindow(FALSE);
    } else {
        m_documents.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        m_documents.SetFocus();
    }
    return TRUE;
}

bool CProjectTaskAuditDlg::LoadFromDatabase() {
    ReadStoredTaskNo();
    LoadStepRecord();
    LoadDocuments();
    LoadTask();
    LoadReviewTemplate();
    LoadFileResults();
    return !theApp.m_bConnectionLost;
}

// The caller's number finds the task's row without regard to case; the server folders, the copies
// and the caption are named from the number as the row stores it, never from the caller's
// spelling (a case-sensitive server would take "xm-02-01" for a folder of its own).
void CProjectTaskAuditDlg::ReadStoredTaskNo() {
    m_strTaskNo = StoredNumber("ProjectManage", "ProjectNo", m_strTaskNo);
}

void CProjectTaskAuditDlg::SetupDocumentsList() {
    m_documents.SetImageList(CSysImageList::GetImageList(TRUE), LVSIL_SMALL);
    m_documents.SetImageList(CSysImageList::GetImageList(FALSE), LVSIL_NORMAL);
    m_documents.SetExtendedStyle(m_documents.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_documents.InsertColumn(0, "文档说明", LVCFMT_LEFT, 110);
    m_documents.InsertColumn(1, "文档类型", LVCFMT_LEFT, 110);
    m_documents.InsertColumn(2, "文件大小", LVCFMT_LEFT, 70);
    m_documents.InsertColumn(3, "创建日期", LVCFMT_LEFT, 100);
    m_documents.InsertColumn(4, "备注", LVCFMT_LEFT, 140);
}

void CProjectTaskAuditDlg::LoadStepRecord() {
    CString sql;
    sql.Format("UPDATE TaskAuditManage SET Working='T' WHERE ProjectNo='%s' AND AuditName='%s'",
               SqlQuote(m_strTaskNo), SqlQuote(m_strStepName));
    // Read again after a lost connection, the mark is written again; one written before the
    // loss stays this window's.
    const bool marked = theApp.ExecuteSql(sql) != 0;
    m_bMarked = m_bMarked || marked;
    if (!marked)
        SayStepNotMarked();
    CString state, result, remark, redlines;
    sql.Format("Select AuditState,AuditResult,AuditRemark,RedlineFiles,Auditor From TaskAuditManage WHERE "
               "ProjectNo='%s' AND AuditName='%s'",
               SqlQuote(m_strTaskNo), SqlQuote(m_strStepName));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            state = VariantToString(rs->GetCollect(0L));
            result = VariantToString(rs->GetCollect(1L));
            remark = VariantToString(rs->GetCollect(2L));
            redlines = VariantToString(rs->GetCollect(3L));
            // The decision checks that the step still has this auditor.
            m_strStepAuditor = VariantToString(rs->GetCollect(4L));
            m_strStepAuditor.Trim();
            m_bStepRead = true;
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    SplitRedlineFiles(redlines, m_arrRedlineFiles);
    if (result.IsEmpty())
        return;
    if (state == "已完成")
        GetDlgItem(IDOK)->EnableWindow(FALSE);
    m_nResult = result == "不通过" ? 1 : 0;
    m_strRemark = remark;
    UpdateData(FALSE);
    FetchOpinion();
}

void CProjectTaskAuditDlg::FetchOpinion() {
    const CString number = StoredFolderName(m_strTaskNo);
    // The step name names the file below the task's folder; one that would lead elsewhere is
    // refused like a failed transfer, and so is a number that names no folder of its own.
    if (number.IsEmpty() || !vq::StaysBelowFolder(m_strStepName + ".rtf")) {
        AfxMessageBox("打开评审意见文件出错!");
        return;
    }
    if (!SetTaskFtpFolder(theApp.m_pFtpConnection, kAuditingFolder + number + "\\"))
        return;
    m_pFtpConnection = theApp.m_pFtpConnection;
    CString local;
    local.Format("%s%s_%s.rtf", m_callFolder.Path(), number, MakeValidFileName(m_strStepName));
    if (!FetchDocumentCopy(m_pFtpConnection, m_strStepName + ".rtf", local, m_strStepName + ".rtf",
                           "打开评审意见文件出错!"))
        return;
    m_opinion.LoadFile(local);
}

void CProjectTaskAuditDlg::LoadDocuments() {
    m_documents.DeleteAllItems();
    m_arrFileNames.RemoveAll();
    CString sql;
    sql.Format("Select DocumentType,FileName,FileType,FileBulk,FileDate,FileRemark FROM TaskDocuments WHERE "
               "ProjectNo='%s' ORDER BY DocumentType",
               SqlQuote(m_strTaskNo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            const CString fileName = VariantToString(rs->GetCollect(1L));
            const int row = m_documents.InsertItem(m_documents.GetItemCount(), VariantToString(rs->GetCollect(0L)),
                                                   CSysImageList::GetIconIndex(fileName));
            for (long column = 2; column <= 5; ++column)
                m_documents.SetItemText(row, static_cast<int>(column - 1), VariantToString(rs->GetCollect(column)));
            m_arrFileNames.Add(fileName);
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    m_bFilling = false;
}

void CProjectTaskAuditDlg::LoadTask() {
    CString sql;
    sql.Format("SELECT ProjectName,ProjectManager,WorkState,AuditingModel,AuditorName FROM ProjectManage WHERE "
               "ProjectNo='%s'",
               SqlQuote(m_strTaskNo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            m_strTaskName = VariantToString(rs->GetCollect(0L));
            m_strTaskManager = VariantToString(rs->GetCollect(1L));
            m_strTaskState = VariantToString(rs->GetCollect(2L));
            m_strAuditingModel = VariantToString(rs->GetCollect(3L));
            m_strAuditorName = VariantToString(rs->GetCollect(4L));
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CProjectTaskAuditDlg::LoadReviewTemplate() {
    CString sql;
    sql.Format("SELECT AuditingStyle,AuditingPath FROM AuditingManage WHERE AuditingModel='%s'",
               SqlQuote(m_strAuditingModel));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            m_path.m_strAuditingStyle = VariantToString(rs->GetCollect(0L));
            m_path.m_strAuditingPath = VariantToString(rs->GetCollect(1L));
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CProjectTaskAuditDlg::LoadFileResults() {
    CStringArray results;
    CString sql;
    sql.Format("SELECT DocumentType FROM TaskFileResult WHERE ProjectNo='%s' AND AuditName='%s'",
               SqlQuote(m_strTaskNo), SqlQuote(m_strStepName));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            results.Add(VariantToString(rs->GetCollect(0L)));
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    m_documents.m_markedTexts.RemoveAll();
    for (int row = 0; row < m_documents.GetItemCount(); ++row) {
        const CString text = m_documents.GetItemText(row, 0);
        bool passed = false;
        for (const CString& result : results)
            passed = passed || result.CompareNoCase(text) == 0;
        if (!passed)
            m_documents.m_markedTexts.Add(text);
        else if (m_passed.FindStringExact(-1, text) < 0)
            m_passed.AddString(text);
    }
    GetDlgItem(kBackId)->EnableWindow(m_passed.GetCount() > 0);
    m_documents.Invalidate();
}

void CProjectTaskAuditDlg::OnMoveToPassed() {
    POSITION pos = m_documents.GetFirstSelectedItemPosition();
    while (pos) {
        const CString text = m_documents.GetItemText(m_documents.GetNextSelectedItem(pos), 0);
        const int existing = m_passed.FindStringExact(-1, text);
        if (existing < 0) {
            m_passed.AddString(text);
            GetDlgItem(kBackId)->EnableWindow(TRUE);
        } else {
            m_passed.SetCurSel(existing);
        }
        CStringArray& marked = m_documents.m_markedTexts;
        for (int i = static_cast<int>(marked.GetSize()) - 1; i >= 0; --i)
            if (marked[i].CompareNoCase(text) == 0)
                marked.RemoveAt(i);
    }
    m_documents.Invalidate();
}

void CProjectTaskAuditDlg::OnMoveBack() {
    const int selected = m_passed.GetCurSel();
    if (selected < 0)
        return;
    const CString text = m_passed.GetText(selected);
    m_passed.DeleteString(selected);
    if (m_passed.GetCount() == 0)
        GetDlgItem(kBackId)->EnableWindow(FALSE);
    else
        m_passed.SetCurSel(std::min(selected, m_passed.GetCount() - 1));
    m_documents.m_markedTexts.Add(text);
    m_documents.Invalidate();
}

void CProjectTaskAuditDlg::OnDocumentsDblClk(NMHDR*, LRESULT* result) {
    *result = 0;
    OnMoveToPassed();
}

bool CProjectTaskAuditDlg::IsDrawingRow(int row) const {
    if (row < 0 || row >= m_arrFileNames.GetSize())
        return false;
    CString extension = ExtensionOf(m_arrFileNames[row]);
    extension.MakeUpper();
    return extension == ".DWG" || extension == ".DXF" || extension == ".DWF";
}

void CProjectTaskAuditDlg::OnDocumentChanged(NMHDR* header, LRESULT* result) {
    *result = 0;
    if (m_bFilling)
        return;
    const auto* info = reinterpret_cast<const NMLISTVIEW*>(header);
    if (info->iItem < 0 || info->iItem == m_nSelectedRow || !(info->uNewState & LVIS_SELECTED))
        return;
    m_nSelectedRow = info->iItem;
    GetDlgItem(kAttachId)->EnableWindow(IsDrawingRow(m_nSelectedRow));
    GetDlgItem(kSaveId)->EnableWindow(TRUE);
    if (IsDlgButtonChecked(kBrowseId))
        ViewDocument();
}

void CProjectTaskAuditDlg::OnBrowse() {
    UpdateData(TRUE);
    if (m_bBrowse)
        ViewDocument();
}

LRESULT CProjectTaskAuditDlg::OnClearBrowse(WPARAM, LPARAM) {
    UpdateData(TRUE);
    m_bBrowse = 0;
    UpdateData(FALSE);
    return 1;
}

// The copy goes to this window's own folder, never to whatever the process's current folder is.
void CProjectTaskAuditDlg::ViewDocument() {
    if (m_nSelectedRow < 0 || m_nSelectedRow >= m_arrFileNames.GetSize())
        return;
    CWaitCursor wait;
    const CString number = StoredFolderName(m_strTaskNo);
    const CString file = m_arrFileNames[m_nSelectedRow];
    // A stored file name may name a subfolder of the task's folder, nothing outside it.
    if (number.IsEmpty() || !vq::StaysBelowFolder(file))
        return;
    if (!SetTaskFtpFolder(theApp.m_pFtpConnection, kWorkingFolder + number + "\\")) {
        ReportFetchFailure(file, vq::FetchFailure::Other, CString(),
                           theApp.m_pFtpConnection ? theApp.m_pFtpConnection->GetLastErrorText() : CString());
        return;
    }
    m_pFtpConnection = theApp.m_pFtpConnection;
    const CString extension = ExtensionOf(file);
    const CString title = file.Left(file.GetLength() - extension.GetLength());
    CString localName;
    localName.Format("%s_%s_%s", number, MakeValidFileName(title), extension);
    const CString local = m_callFolder.Path() + localName;
    // Only the copy this fetch wrote is shown: an older one of the same name is not the
    // document the server holds now.
    if (!FetchDocumentCopy(m_pFtpConnection, file, local, file))
        return;
    m_strViewedPath = local;
    OpenDocumentFile(local);
}

bool CProjectTaskAuditDlg::EnterAuditFolder() {
    const CString folder = StoredFolderName(m_strTaskNo);
    if (folder.IsEmpty() || !SetTaskFtpFolder(theApp.m_pFtpConnection, kAuditingFolder))
        return false;
    m_pFtpConnection = theApp.m_pFtpConnection;
    if (m_pFtpConnection->SetCurrentDirectory(folder))
        return true;
    return m_pFtpConnection->CreateDirectory(folder) && m_pFtpConnection->SetCurrentDirectory(folder);
}

bool CProjectTaskAuditDlg::EnterAuditFolderToStore(const CString& remote) {
    // The step and the document type name a file in the task's folder, never a path: a separator
    // in them, or a name of dots only, would put it elsewhere. A task number that names no folder
    // of its own, or one the server's code page cannot name, has no review folder.
    const bool plainName = vq::StaysBelowFolder(remote) && remote.Find('/') < 0 && remote.Find('\\') < 0;
    const bool numberNamesFolder =
        !StoredFolderName(m_strTaskNo).IsEmpty() && vq::HasGbkForm(m_strTaskNo.str());
    const CString unusable = !plainName ? remote : !numberNamesFolder ? m_strTaskNo : CString();
    if (!unusable.IsEmpty()) {
        AfxMessageBox(UnusableNameText(unusable));
        return false;
    }
    // Folders that another task's number names too are that task's as well: nothing is written
    // into them for either task.
    CString other;
    const int shared = projects::OtherTaskNamingFolders(m_strTaskNo, other);
    if (shared != 0) {
        if (shared > 0)
            AfxMessageBox(projects::SharedTaskFolderText(m_strTaskNo, other));
        return false;
    }
    // A folder that cannot be entered or made fails the upload as loudly as the transfer does:
    // the reviewer must learn that nothing was stored.
    if (!EnterAuditFolder()) {
        AfxMessageBox(kUploadFailed);
        return false;
    }
    return true;
}

void CProjectTaskAuditDlg::OnAttachRedline() {
    if (m_nSelectedRow < 0)
        return;
    CInputFileNameDlg input(this);
    input.m_strPrompt = "请指定与文档相关的红线批注文件...";
    if (input.DoModal() != IDOK)
        return;
    // A typed name has no extension from the file dialog; the name's own one counts then.
    CString extension = input.m_strFileExt;
    if (extension.IsEmpty())
        extension = ExtensionOf(input.m_strFilePath).Mid(1);
    // The step and the stored document type name the file; a name that is no plain name in the
    // task's folder is refused, and nothing is recorded.
    const CString remote = m_strStepName + "_" + m_documents.GetItemText(m_nSelectedRow, 0) + "." + extension;
    CWaitCursor wait;
    if (!EnterAuditFolderToStore(remote))
        return;
    if (!m_pFtpConnection->PutFile(input.m_strFilePath, remote, FTP_TRANSFER_TYPE_BINARY, 1)) {
        ReportStoreFailure(m_pFtpConnection, kUploadFailed, remote);
        return;
    }
    for (const CString& name : m_arrRedlineFiles)
        if (name.CompareNoCase(remote) == 0)
            return;
    m_arrRedlineFiles.Add(remote);
    CString joined;
    for (int i = 0; i < m_arrRedlineFiles.GetSize(); ++i)
        joined += (i ? kRedlineSeparator : "") + m_arrRedlineFiles[i];
    CString sql;
    sql.Format("UPDATE TaskAuditManage SET RedlineFiles='%s' WHERE ProjectNo='%s' AND AuditName='%s'",
               SqlQuote(joined), SqlQuote(m_strTaskNo), SqlQuote(m_strStepName));
    if (!theApp.ExecuteSql(sql)) {
        // A file the step does not name is never shown again: it does not stay on the server.
        m_arrRedlineFiles.RemoveAt(m_arrRedlineFiles.GetSize() - 1);
        RemoveUploadedFile(remote);
    }
}

// Takes back a file this dialog put into the task's review folder; a failure to do so changes
// nothing of what the reviewer has been told.
void CProjectTaskAuditDlg::RemoveUploadedFile(const CString& remote) {
    if (EnterAuditFolder())
        m_pFtpConnection->Remove(remote);
}

void CProjectTaskAuditDlg::OnDocumentRightClick(NMHDR*, LRESULT* result) {
    *result = 0;
    if (!IsDrawingRow(m_nSelectedRow))
        return;
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, kSaveRedlineCommand, "批注文件另存为(&A)...");
    const CPoint point = m_documents.m_clickPoint;
    const UINT command = static_cast<UINT>(
        menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, point.x, point.y, this));
    if (command == kSaveRedlineCommand)
        SaveRedlineAs(m_documents.GetItemText(m_nSelectedRow, 0));
}

void CProjectTaskAuditDlg::SaveRedlineAs(const CString& documentType) {
    CFileDialog dialog(FALSE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       "红线批注文件 (*.dwf)|*.dwf|红线批注文件 (*.Rml)|*.Rml||", this);
    if (dialog.DoModal() != IDOK)
        return;
    CString remote;
    remote.Format("%s_%s.%s", m_strStepName, documentType, dialog.GetFileExt());
    CWaitCursor wait;
    const CString number = StoredFolderName(m_strTaskNo);
    if (number.IsEmpty() || !vq::StaysBelowFolder(remote) ||
        !SetTaskFtpFolder(theApp.m_pFtpConnection, kAuditingFolder + number + "\\") ||
        !theApp.m_pFtpConnection->GetFile(remote, dialog.GetPathName(), FALSE, FILE_ATTRIBUTE_NORMAL,
                                          FTP_TRANSFER_TYPE_BINARY, 1)) {
        AfxMessageBox("另存红线批注文件出错...");
        return;
    }
    theApp.AddUniqueFile(dialog.GetPathName());
}

void CProjectTaskAuditDlg::OnOpenOpinion() {
    m_opinion.OpenFileAsked(this, MB_ICONQUESTION);
}

void CProjectTaskAuditDlg::OnStoreOpinion() {
    m_opinion.SaveFileAsked(this);
}

void CProjectTaskAuditDlg::OnTaskHistory() {
    CTaskExecutionDlg history(this);
    history.m_strTaskNo = m_strTaskNo;
    history.DoModal();
}

void CProjectTaskAuditDlg::OnRelatedInfo() {
    CRelateInfoDlg related(this);
    related.m_strCode = m_strTaskNo;
    related.m_nKind = 0;
    related.DoModal();
}

void CProjectTaskAuditDlg::FillDecision(CProjectTaskDecision& decision) const {
    decision.m_strTaskNo = m_strTaskNo;
    decision.m_strStepName = m_strStepName;
    decision.m_strReviewer = m_strReviewer;
    decision.m_strLoginUser = m_strLoginUser;
    decision.m_strTaskName = m_strTaskName;
    decision.m_strTaskManager = m_strTaskManager;
    decision.m_strRemark = m_strRemark;
    decision.m_strOpinionText = m_opinion.GetWindowTextValue();
    for (int row = 0; row < m_documents.GetItemCount(); ++row)
        decision.m_arrDocumentTypes.Add(m_documents.GetItemText(row, 0));
    for (int i = 0; i < m_passed.GetCount(); ++i)
        decision.m_arrPassedTypes.Add(m_passed.GetText(i));
    decision.m_pPath = const_cast<CAuditPath*>(&m_path);
    decision.m_strReadAuditor = m_strStepAuditor;
    decision.m_bStepRead = m_bStepRead;
}

void CProjectTaskAuditDlg::OnOK() {
    if (!UpdateData(TRUE))
        return;
    if (m_nResult == -1) {
        AfxMessageBox("请确定评审结果!");
        return;
    }
    if (m_nResult == 2) {
        CProjectTaskDecision decision;
        FillDecision(decision);
        if (decision.SaveDecideLater())
            EndDialog(IDOK);
        else if (decision.m_bStepChanged)
            GetDlgItem(IDOK)->EnableWindow(FALSE);
        return;
    }
    if (SaveAuditResult())
        EndDialog(IDOK);
}

int CProjectTaskAuditDlg::SaveAuditResult() {
    const bool pass = m_nResult != 1;
    if (pass && m_documents.m_markedTexts.GetSize() > 0) {
        AfxMessageBox("有未审查通过文档，请确认...");
        return 0;
    }
    CWaitCursor wait;
    CProjectTaskDecision decision;
    FillDecision(decision);
    // A step decided or handed over since the window read it is refused before its opinion file
    // is replaced on the server; the decision reads it again under the task's lock.
    if (!decision.CheckStep()) {
        if (decision.m_bStepChanged)
            GetDlgItem(IDOK)->EnableWindow(FALSE);
        return 0;
    }
    if (!UploadOpinion())
        return 0;
    // The opinion takes the step's name only under the decision's lock, after the step was read
    // again: a decision refused there (another reviewer decided the step, or it was handed over)
    // leaves nothing of its opinion, and another reviewer's opinion file keeps its place.
    decision.m_placeOpinion = [this](CString& why) { return PlaceOpinion(why); };
    const bool stored = decision.SaveAuditResult(pass) != 0;
    FinishOpinion(stored);
    if (!stored) {
        if (decision.m_bStepChanged)
            GetDlgItem(IDOK)->EnableWindow(FALSE);
        return 0;
    }
    if (!decision.m_strNewTaskState.IsEmpty())
        m_strTaskState = decision.m_strNewTaskState;
    return 1;
}

CString CProjectTaskAuditDlg::OwnOpinionName(const char* suffix) {
    // The call folder's name is this call's own: no other call, of this host or another, picks it.
    CString folder = m_callFolder.Path();
    folder.TrimRight('/');
    const int slash = folder.ReverseFind('/');
    return m_strStepName + ".rtf." + (slash >= 0 ? folder.Mid(slash + 1) : folder) + suffix;
}

// The opinion goes to the server before anything of the decision is written, under a name of its
// own; a failure stops the decision with nothing stored. The decision puts it in place
// (PlaceOpinion), and FinishOpinion takes it back when the decision is not stored.
bool CProjectTaskAuditDlg::UploadOpinion() {
    m_bOpinionPlaced = m_bFormerOpinionKept = false;
    m_strStagedOpinion.Empty();
    const CString local = m_callFolder.Path() + MakeValidFileName(m_strStepName) + ".rtf";
    if (!m_opinion.SaveFile(local)) {
        // Nothing has gone to the network yet: the local disk (full, or the folder not
        // writable) is what failed.
        AfxMessageBox("评审意见不能写入本地文件：\n" + local + "\n请检查磁盘空间和文件夹的写入权限!");
        return false;
    }
    theApp.AddUniqueFile(local);
    const CString remote = m_strStepName + ".rtf";
    const CString staged = OwnOpinionName(".tmp");
    if (!EnterAuditFolderToStore(remote))
        return false;
    m_bUploadingOpinion = true;
    const BOOL put = m_pFtpConnection->PutFile(local, staged, FTP_TRANSFER_TYPE_BINARY, 1);
    m_bUploadingOpinion = false;
    if (!put) {
        // A full server disk or a name too long for the server is said as such. What arrived of a
        // broken transfer does not stay.
        ReportStoreFailure(m_pFtpConnection, kUploadFailed, remote);
        RemoveUploadedFile(staged);
        return false;
    }
    m_strStagedOpinion = staged;
    return true;
}

bool CProjectTaskAuditDlg::PlaceOpinion(CString& why) {
    const CString remote = m_strStepName + ".rtf";
    if (m_strStagedOpinion.IsEmpty() || !EnterAuditFolder()) {
        why = kUploadFailed;
        return false;
    }
    // A folder under the step's name is no opinion file to move aside: the server cannot take the
    // opinion there.
    if (m_pFtpConnection->SetCurrentDirectory(remote)) {
        EnterAuditFolder();
        why = kUploadFailed;
        return false;
    }
    // A step without an opinion file (its first decision) has none to move aside.
    m_strFormerOpinion = OwnOpinionName(".old");
    m_bFormerOpinionKept = m_pFtpConnection->Rename(remote, m_strFormerOpinion) != FALSE;
    if (m_pFtpConnection->Rename(m_strStagedOpinion, remote)) {
        m_bOpinionPlaced = true;
        return true;
    }
    why = StoreFailureText(m_pFtpConnection, kUploadFailed, remote);
    if (m_bFormerOpinionKept && m_pFtpConnection->Rename(m_strFormerOpinion, remote))
        m_bFormerOpinionKept = false;
    return false;
}

void CProjectTaskAuditDlg::FinishOpinion(bool stored) {
    if (m_strStagedOpinion.IsEmpty() || !EnterAuditFolder())
        return;
    const CString remote = m_strStepName + ".rtf";
    if (stored) {
        if (m_bFormerOpinionKept)
            m_pFtpConnection->Remove(m_strFormerOpinion);
    } else if (m_bOpinionPlaced) {
        // Placed under the lock, then the commit failed: the file under the step's name is ours.
        m_pFtpConnection->Remove(remote);
        if (m_bFormerOpinionKept)
            m_pFtpConnection->Rename(m_strFormerOpinion, remote);
    } else {
        m_pFtpConnection->Remove(m_strStagedOpinion);
        // A former opinion that PlaceOpinion moved aside and could not give its name back.
        if (m_bFormerOpinionKept)
            m_pFtpConnection->Rename(m_strFormerOpinion, remote);
    }
    m_strStagedOpinion.Empty();
    m_bOpinionPlaced = m_bFormerOpinionKept = false;
}

// Closed while a file goes to the server: one question says what each answer does, the close's
// own question (whether to keep the passed document types) included; the close that follows
// the stopped transfer does what was answered here without asking again.
LRESULT CProjectTaskAuditDlg::OnCloseDuringTransfer(WPARAM, LPARAM) {
    CString question = CFtpTransferWindow::kStopQuestion;
    if (m_bUploadingOpinion)
        question += "\n评审意见尚未上传完毕，停止传输后本次评审结果不会保存。";
    question += "\n是：停止传输，保存审查文档结果后关闭窗口"
                "\n否：停止传输，不保存审查文档结果，关闭窗口"
                "\n取消：继续传输";
    const int answer = MessageBox(question, "操作提示", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer != IDYES && answer != IDNO)
        return CFtpTransferWindow::kGoOn;
    m_nCloseAfterStop = answer == IDYES ? 1 : 2;
    return CFtpTransferWindow::kStopForClose;
}

void CProjectTaskAuditDlg::OnCancel() {
    // Closing works on the connection opened again when the server is back (the results asked
    // for, and the mark given back).
    CVqConnectHolder::ReopenReportedLoss();
    const int asked = m_nCloseAfterStop;
    m_nCloseAfterStop = 0;
    const bool keep =
        asked != 0 ? asked == 1
                   : MessageBox("是否要保存审查文档结果?", "操作提示", MB_YESNO | MB_ICONQUESTION) == IDYES;
    if (keep) {
        UpdateData(TRUE);
        CProjectTaskDecision decision;
        FillDecision(decision);
        decision.SaveFileResultsOnly();
    }
    CDialog::OnCancel();
}

// Only a mark this window wrote is given back: one it could not write may be another reviewer's.
// After a lost connection the connection is opened again first (the server may be back), and a
// loss that stays is not said again.
void CProjectTaskAuditDlg::PostNcDestroy() {
    if (m_pConnection && m_bMarked) {
        CVqConnectHolder::ReopenReportedLoss();
        CString sql;
        sql.Format("UPDATE TaskAuditManage SET Working='F' WHERE ProjectNo='%s' AND AuditName='%s'",
                   SqlQuote(m_strTaskNo), SqlQuote(m_strStepName));
        theApp.ExecuteSql(sql);
    }
    m_path.ClearAuditPath();
    CDialog::PostNcDestroy();
}
