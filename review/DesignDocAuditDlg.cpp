#include "review/DesignDocAuditDlg.h"

#include "controls/DocViewLauncher.h"
#include "controls/RedlineViewDlg.h"
#include "core/AppConnectionLease.h"
#include "core/ComError.h"
#include "core/DocumentFetch.h"
#include "core/FileInfo.h"
#include "core/InstallPath.h"
#include "core/ItemText.h"
#include "core/Settings.h"
#include "core/VqConnectHolder.h"
#include "core/VqDesignTaskApp.h"
#include "parts/PartWorkDocDlg.h"
#include "platform/base/File.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/maker/FileStore.h"
#include "platform/ui/DataExchange.h"
#include "review/AssistAuditDlg.h"
#include "review/AuditFlowEngine.h"
#include "review/SelectReturnTaskDlg.h"
#include "review/TaskAuditFlowDlg.h"
#include "teamwork/WorkDocPropertyDlg.h"

#include <cstdlib>
#include <iterator>
#include <map>

namespace {

constexpr DWORD kMultiLine = ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL;
using D = CDesignDocAuditDlg;

// The buttons about the document on one row, the viewer taking the free space, the result and
// the opinion below it, and the confirm row last. (No group frames: a frame would hold every row
// after it, the confirm row too, since the second viewer is made after the template's controls.)
const vq::DialogTemplate kDesignDocAuditTemplate{
    "设计文档评审意见",
    {vq::Label("零部件图号", vq::kNoLayoutFlags, 0, D::kDrawingLabelId),
     vq::EditBox(D::kDrawingNoId, vq::kBeside), vq::PushButton(D::kDotsId, "...", vq::kBeside),
     vq::PushButton(D::kBrowseDrawingId, "文档浏览(&V)...", vq::kBeside),
     vq::PushButton(D::kChangeOrderId, "更改单...", vq::kBeside),
     vq::PushButton(D::kPropertyId, "文档属性...", vq::kBeside),
     vq::PushButton(D::kFlowId, "评审流程...", vq::kBeside),
     vq::PushButton(D::kAssistId, "协助评审...", vq::kBeside),
     vq::CustomWindow(D::kViewerId, vq::kFill, WS_BORDER, CRect(0, 0, 720, 460)),
     vq::Label("结果", vq::kNoLayoutFlags, 0, D::kResultGroupId),
     vq::RadioButton(D::kPassId, "评审通过", true, vq::kBeside),
     vq::RadioButton(D::kFailId, "评审不通过", false, vq::kBeside),
     vq::RadioButton(D::kLaterId, "下次再评审", false, vq::kBeside),
     vq::CheckBox(D::kReassignId, "建议重新安排评审负责人", vq::kBeside | vq::kHidden),
     vq::Label("评审意见:", vq::kNoLayoutFlags, 0, D::kOpinionLabelId),
     vq::EditBox(D::kOpinionId, vq::kNoLayoutFlags, kMultiLine),
     vq::PushButton(D::kRemarkupId, "重新批注..."), vq::DefPushButton(IDOK, "确定", vq::kBeside),
     vq::PushButton(IDCANCEL, "取消", vq::kBeside)},
    CSize(760, 680),
    WS_CAPTION | WS_SYSMENU | WS_THICKFRAME};

const vq::TemplateRegistration kRegistration(CDesignDocAuditDlg::IDD, kDesignDocAuditTemplate);

int g_liveDialogs = 0;

// Which window holds each step it opened: the rows of the review tables by table, document and
// step. A window that takes a hold over replaces the holder, so that the first one leaves the
// row alone when it closes. Never destroyed: windows still open when the program exits give their
// holds back after the static objects made since they opened are gone.
std::map<CString, const CDesignDocAuditDlg*>& Holders() {
    static auto* holders = new std::map<CString, const CDesignDocAuditDlg*>();
    return *holders;
}

CString HoldKey(const CString& table, const CString& fileId, const CString& task) {
    CString key = table + "\n" + fileId + "\n" + task;
    key.MakeUpper();
    return key;
}

CString Quoted(const char* format, const CString& a, const CString& b = CString(),
               const CString& c = CString()) {
    CString sql;
    sql.Format(format, SqlQuote(a).c_str(), SqlQuote(b).c_str(), SqlQuote(c).c_str());
    return sql;
}

} // namespace

BEGIN_MESSAGE_MAP(CDesignDocAuditDlg, CDialog)
    ON_WM_SIZE()
    ON_BN_CLICKED(CDesignDocAuditDlg::kRemarkupId, &CDesignDocAuditDlg::OnRemarkup)
    ON_BN_CLICKED(CDesignDocAuditDlg::kPropertyId, &CDesignDocAuditDlg::OnDocProperty)
    ON_BN_CLICKED(CDesignDocAuditDlg::kFlowId, &CDesignDocAuditDlg::OnAuditFlow)
    ON_BN_CLICKED(CDesignDocAuditDlg::kPassId, &CDesignDocAuditDlg::OnResultChanged)
    ON_BN_CLICKED(CDesignDocAuditDlg::kFailId, &CDesignDocAuditDlg::OnResultChanged)
    ON_BN_CLICKED(CDesignDocAuditDlg::kLaterId, &CDesignDocAuditDlg::OnResultChanged)
    ON_BN_CLICKED(CDesignDocAuditDlg::kBrowseDrawingId, &CDesignDocAuditDlg::OnBrowsePartDrawing)
    ON_BN_CLICKED(CDesignDocAuditDlg::kChangeOrderId, &CDesignDocAuditDlg::OnChangeOrderSheet)
    ON_BN_CLICKED(CDesignDocAuditDlg::kAssistId, &CDesignDocAuditDlg::OnAssistAudit)
    ON_VIEWER_MOUSEDOWN(CDesignDocAuditDlg::kViewerId, &CDesignDocAuditDlg::OnViewerMouseDown)
END_MESSAGE_MAP()

CDesignDocAuditDlg::CDesignDocAuditDlg(CWnd* parent) : CDialog(IDD, parent) {
    ++g_liveDialogs;
}

CDesignDocAuditDlg::~CDesignDocAuditDlg() {
    // A dialog that goes while its window is still open gives its hold back first (the base
    // class would destroy the window without this class's handlers).
    m_bOwnsItself = false;
    if (m_hWnd)
        DestroyWindow();
    if (!m_strScratchFile.IsEmpty())
        DeleteFile(m_strScratchFile);
    for (auto it = Holders().begin(); it != Holders().end();)
        it = it->second == this ? Holders().erase(it) : std::next(it);
    --g_liveDialogs;
}

int CDesignDocAuditDlg::LiveCount() {
    return g_liveDialogs;
}

void CDesignDocAuditDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, kOpinionId, m_strOpinion);
    DDX_Radio(pDX, kPassId, m_nResult);
    DDX_Control(pDX, kViewerId, m_VoloViewer);
    DDX_Check(pDX, kReassignId, m_bReassign);
    DDX_Text(pDX, kDrawingNoId, m_strDrawingNo);
}

LRESULT CDesignDocAuditDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // A modeless window works on its own connection whatever the application holds now. The
    // lease copies what it lends: the handler may delete this window.
    CAppConnectionLease lease(m_bModeless ? m_pConnection : _ConnectionPtr(), m_strLoginUser, m_strUserName);
    return CDialog::WindowProc(message, wParam, lParam);
}

// --- Load --------------------------------------------------------------------------------------

BOOL CDesignDocAuditDlg::OnInitDialog() {
    // The second viewer is made with the window; it takes the place of the first when chosen.
    m_AutoVueViewer.CreateChild(this, kAutoVueId);
    CDialog::OnInitDialog();
    m_strAuditTable = m_bAssistAudit ? "TeamWorkNextAudit" : "TeamWorkAudit";
    if (!LoadReview()) {
        RememberShownWork();
        return TRUE;
    }
    m_bLoaded = 1;
    if (ReadSettingInt("设计过程管理配置", "工作任务评审流程由上级指派", "0") != 0)
        GetDlgItem(kReassignId)->ShowWindow(SW_SHOW);
    m_dVoloViewVersion = std::atof(ReadSetting("设计过程管理", "VoloView版本", "1"));
    const CString workId =
        theApp.GetSqlString(Quoted("SELECT WorkID FROM TeamWorkResult WHERE FileID='%s'", m_strFileID));
    if (workId.Find("[M]") < 0)
        GetDlgItem(kChangeOrderId)->ShowWindow(SW_HIDE);
    CheckAssistReviews();
    OnResultChanged();
    RememberShownWork();
    return TRUE;
}

void CDesignDocAuditDlg::RememberShownWork() {
    if (!::IsWindow(this))
        return;
    GetDlgItemText(kOpinionId, m_strShownOpinion);
    m_nShownResult = GetCheckedRadioButton(kPassId, kLaterId);
    m_shownMarkup = m_VoloViewer.GetSafeHwnd() ? m_VoloViewer.GetMarkup() : std::vector<vq::MarkupItem>();
}

bool CDesignDocAuditDlg::HasUnsavedWork() {
    CString opinion;
    GetDlgItemText(kOpinionId, opinion);
    if (opinion != m_strShownOpinion || GetCheckedRadioButton(kPassId, kLaterId) != m_nShownResult)
        return true;
    return m_VoloViewer.GetSafeHwnd() && m_VoloViewer.GetMarkup() != m_shownMarkup;
}

int CDesignDocAuditDlg::LoadReview() {
    CWaitCursor wait;
    if (m_strFileID.IsEmpty() || m_strAuditTask.IsEmpty()) {
        DisableDecision();
        return 0;
    }
    m_pConnection = theApp.m_pConnPDM;
    m_strLoginUser = theApp.m_strLoginUser;
    m_strUserName = theApp.m_strUserName;
    m_nDatabaseType = theApp.m_nDatabaseType;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    // The engine copies the connection and the account now, as the window does.
    auto options = CAuditFlowEngine::DesignDocDialogOptions();
    // A next level whose step has no reviewer would be opened for nobody: refused, as in the
    // work-document review.
    options.requireNextAuditor = 1;
    m_pEngine = std::make_unique<CAuditFlowEngine>(options);
    m_pEngine->m_strFileID = m_strFileID;
    m_pEngine->m_strAuditTask = m_strAuditTask;
    m_pEngine->m_bConsigned = m_bConsigned;
    m_pEngine->m_bAssistAudit = m_bAssistAudit;
    if (!TakeHold()) {
        CloseWindow(IDCANCEL);
        return 0;
    }

    m_nViewerTool = ReadSettingInt("设计过程管理", "红线批注工具", "0");
    m_bViewerReady = 1;
    if (m_nViewerTool == 0) {
        if (m_AutoVueViewer.GetSafeHwnd())
            m_AutoVueViewer.ShowWindow(SW_HIDE);
        if (!m_VoloViewer.GetSafeHwnd()) {
            m_bViewerReady = 0;
            AfxMessageBox("没有正确安装Autodesk Volo View浏览工具...");
            DisableDecision();
        }
    } else {
        if (m_VoloViewer.GetSafeHwnd()) {
            m_AutoVueViewer.MoveWindow(&m_VoloViewer.GetRectInParent());
            m_VoloViewer.ShowWindow(SW_HIDE);
        }
        if (!m_AutoVueViewer.GetSafeHwnd()) {
            m_bViewerReady = 0;
            AfxMessageBox("没有正确安装AutoVue浏览工具...");
            DisableDecision();
        } else {
            m_AutoVueViewer.Activate(TRUE);
        }
    }

    CString caption;
    caption.Format("设计文档评审意见 - %s[%s]", m_strAuditTask.c_str(), m_strFileID.c_str());
    SetWindowText(caption);
    m_strAuditTaskCopy = m_strAuditTask;
    ReadStep();
    if (!ReadDocument()) {
        DisableDecision();
        return 0;
    }
    UpdateData(FALSE);

    m_markup.m_strFileID = m_strFileID;
    m_markup.m_strAuditTask = m_strAuditTask;
    m_markup.m_strAuditDate = m_strBeginDate;
    m_markup.SetRoundOfStep(m_strStepState);
    m_markup.m_strWorkID = m_strWorkID;
    m_markup.m_strAuditor = m_strLoginUser;
    m_markup.m_bAutoVue = m_nViewerTool != 0 ? TRUE : FALSE;
    if (m_bViewerReady)
        ShowDocumentOrMarkup();

    if (!m_bAssistAudit && !PrepareDecision())
        DisableDecision();

    m_size.Start(*this);
    return 1;
}

void CDesignDocAuditDlg::DisableDecision() {
    if (CWnd* ok = GetDlgItem(IDOK))
        ok->EnableWindow(FALSE);
    if (CWnd* remarkup = GetDlgItem(kRemarkupId))
        remarkup->EnableWindow(FALSE);
}

void CDesignDocAuditDlg::ReadStep() {
    CString sql;
    sql.Format("SELECT BeginDate, State, Result, Prompt FROM %s WHERE FileID='%s' AND AuditTask='%s'",
               m_strAuditTable.c_str(), SqlQuote(m_strFileID).c_str(), SqlQuote(m_strAuditTask).c_str());
    bool found = false;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            found = true;
            m_strBeginDate = VariantToString(rs->GetCollect("BeginDate"));
            m_strStepState = VariantToString(rs->GetCollect("State"));
            m_strStepResult = VariantToString(rs->GetCollect("Result"));
            m_strOpinion = VariantToString(rs->GetCollect("Prompt"));
        }
        rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    if (!found) {
        DisableDecision();
        return;
    }
    // The engine keeps the step's auditor as read now: the decision checks that it still has it.
    CString state, result, prompt;
    m_pEngine->ReadStepRow(state, result, prompt);
    if (m_strStepResult == "通过")
        m_nResult = 0;
    else if (m_strStepResult == "不通过")
        m_nResult = 1;
    if (m_strStepState == "已完成") {
        AfxMessageBox("该工作文档已被评审...");
        DisableDecision();
    }
}

bool CDesignDocAuditDlg::ReadDocument() {
    const CString sql = Quoted(
        "SELECT WorkID, FilePrompt, FileName, FileSize FROM TeamWorkResult WHERE FileID='%s'", m_strFileID);
    bool found = false;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            found = true;
            m_strWorkID = VariantToString(rs->GetCollect("WorkID"));
            m_strFilePrompt = VariantToString(rs->GetCollect("FilePrompt"));
            m_strFileName = VariantToString(rs->GetCollect("FileName"));
            m_strFileSize = VariantToString(rs->GetCollect("FileSize"));
        }
        rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    return found;
}

void CDesignDocAuditDlg::CheckAssistReviews() {
    const int tagged = m_strAuditTask.Find("[N]");
    if (tagged > 0 && !m_bAssistAudit) {
        const CString sql =
            Quoted("SELECT count(*) FROM TeamWorkNextAudit WHERE FileID='%s' AND UpAuditName='%s'",
                   m_strFileID, m_strAuditTask);
        const int assists = theApp.GetSqlInt(sql);
        // A lost connection has been said: its missing count is no reason of its own.
        if (theApp.m_bConnectionLost) {
            GetDlgItem(IDOK)->EnableWindow(FALSE);
        } else if (assists < 1) {
            AfxMessageBox("此评审任务需要分配下级协助评审任务...");
            GetDlgItem(IDOK)->EnableWindow(FALSE);
        } else if (!m_pEngine->CheckAssistAudits(m_strFileID, m_strAuditTask)) {
            AfxMessageBox("有未完成的下级协助评审任务, 请等待...");
            GetDlgItem(IDOK)->EnableWindow(FALSE);
        }
        return;
    }
    GetDlgItem(kAssistId)->ShowWindow(SW_HIDE);
}

// --- The Working hold ---------------------------------------------------------------------------

bool CDesignDocAuditDlg::TakeHold() {
    CString sql;
    sql.Format("SELECT Working FROM %s WHERE FileID='%s' AND AuditTask='%s'", m_strAuditTable.c_str(),
               SqlQuote(m_strFileID).c_str(), SqlQuote(m_strAuditTask).c_str());
    const CString key = HoldKey(m_strAuditTable, m_strFileID, m_strAuditTask);
    const CString working = theApp.GetSqlString(sql);
    // A lost connection has been said once; the mark is not tried on it again.
    if (theApp.m_bConnectionLost)
        return true;
    if (working.CompareNoCase("T") == 0) {
        if (MessageBox("此设计文档正进行指定的评审工作，是否继续?", "操作提示", MB_YESNO | MB_ICONWARNING) !=
            IDYES)
            return false;
        // The hold is taken over: this window gives it back, not the one that took it first.
        Holders()[key] = this;
        m_bHolding = true;
        return true;
    }
    sql.Format("UPDATE %s SET Working='T' WHERE  FileID='%s' AND AuditTask='%s'", m_strAuditTable.c_str(),
               SqlQuote(m_strFileID).c_str(), SqlQuote(m_strAuditTask).c_str());
    if (theApp.ExecuteSql(sql)) {
        Holders()[key] = this;
        m_bHolding = true;
    } else {
        SayStepNotMarked();
    }
    return true;
}

bool CDesignDocAuditDlg::HoldsStep() const {
    if (!m_bHolding)
        return false;
    auto it = Holders().find(HoldKey(m_strAuditTable, m_strFileID, m_strAuditTask));
    return it != Holders().end() && it->second == this;
}

void CDesignDocAuditDlg::ReleaseHold() {
    if (!m_bHolding)
        return;
    if (HoldsStep()) {
        // After a lost connection (said already) the mark is given back on the connection opened
        // again when the server is back; while it stays away nothing more is said.
        CVqConnectHolder::ReopenReportedLoss();
        CString sql;
        sql.Format("UPDATE %s SET Working='F' WHERE  FileID='%s' AND AuditTask='%s'", m_strAuditTable.c_str(),
                   SqlQuote(m_strFileID).c_str(), SqlQuote(m_strAuditTask).c_str());
        theApp.ExecuteSql(sql);
        Holders().erase(HoldKey(m_strAuditTable, m_strFileID, m_strAuditTask));
    }
    m_bHolding = false;
    m_bWorkingCleared = 1;
}

// --- Viewer and files ---------------------------------------------------------------------------

void CDesignDocAuditDlg::ShowDocumentOrMarkup() {
    if (m_markup.FindStoredMarkup()) {
        const CString path = m_markup.DownloadMarkupFile();
        if (!path.IsEmpty())
            m_arrTempFiles.Add(path);
        if (path.IsEmpty() || !OpenMarkupInViewer(path)) {
            AfxMessageBox("不能正常显示红线批注文件，请重试...");
            m_markup.DeleteStoredMarkup();
        }
        if (!m_strMarkupFile.IsEmpty() && m_strMarkupFile != path)
            DeleteFile(m_strMarkupFile);
        m_strMarkupFile = path;
        return;
    }
    const CString path = DownloadDesignFile();
    if (!OpenInViewer(path))
        SayDesignFileNotShown();
    m_strDesignFile = path;
}

void CDesignDocAuditDlg::SayDesignFileNotShown() const {
    if (m_designFetchFailure != vq::FetchFailure::LocalDiskFull)
        AfxMessageBox("不能正常显示设计文件，请与系统管理员联系...");
}

CString CDesignDocAuditDlg::DownloadDesignFile() {
    m_designFetchFailure = vq::FetchFailure::None;
    if (!ReadDocument())
        return CString();
    // Named after the document as well as its file, so that two windows on documents of the same
    // name and size do not share (and delete) one file.
    const CString path =
        m_callFolder.Path() + "T" + MakeValidFileName(m_strFileID) + "_" + MakeValidFileName(m_strFileName);
    const char* format = m_nDatabaseType == 2
                             ? "SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE rtrim(FileID)='%s'"
                             : "SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE FileID='%s'";
    CVQSaveFileToDB store;
    const CString written = store.PopFileFromDB(Quoted(format, m_strFileID), path, "DocContent", "PDM");
    if (written.IsEmpty()) {
        m_designFetchFailure = store.GetLastFailure();
        ReportFetchFailure(m_strFileName, m_designFetchFailure, "文档下载失败!");
        return CString();
    }
    m_arrTempFiles.Add(written);
    theApp.AddUniqueFile(written);
    return written;
}

int CDesignDocAuditDlg::OpenInViewer(const CString& path) {
    if (path.IsEmpty() || !CFileInfo(path).Exists())
        return 0;
    if (m_nViewerTool == 0) {
        m_VoloViewer.SetDrawingFile(path);
    } else if (m_AutoVueViewer.GetSafeHwnd()) {
        m_AutoVueViewer.SetFileName(path);
        m_AutoVueViewer.UpdateView();
    }
    return 1;
}

int CDesignDocAuditDlg::OpenMarkupInViewer(const CString& path) {
    if (!CFileInfo(path).Exists())
        return 0;
    auto showDesign = [this] {
        const CString design = DownloadDesignFile();
        if (!OpenInViewer(design))
            SayDesignFileNotShown();
        m_strDesignFile = design;
    };
    if (m_nViewerTool == 0) {
        const CString ext = CFileInfo(path).GetFileExt();
        if (ext.CompareNoCase(".DWF") == 0 || ext.CompareNoCase(".RML") == 0) {
            m_VoloViewer.SetDrawingFile(path);
        } else {
            AfxMessageBox("非Autodesk Volo View批注格式，不能正常打开...");
            showDesign();
        }
    } else {
        showDesign();
        if (m_AutoVueViewer.GetSafeHwnd())
            m_AutoVueViewer.SetFileName(path);
    }
    return 1;
}

const CString& CDesignDocAuditDlg::ScratchMarkupFile() {
    if (m_strScratchFile.IsEmpty())
        m_strScratchFile = vq::CreateUniqueFile(m_callFolder.Path(), "_vq_temp_red_", ".dwf");
    return m_strScratchFile;
}

void CDesignDocAuditDlg::DiscardViewerMarkup() {
    const CString scratch = ScratchMarkupFile();
    if (!scratch.IsEmpty())
        m_VoloViewer.SaveMarkupFile(scratch);
    m_VoloViewer.ClearMarkupFile();
    if (!scratch.IsEmpty())
        DeleteFile(scratch);
}

int CDesignDocAuditDlg::SaveMarkup() {
    UpdateData(TRUE);
    m_markup.m_strOpinion = m_strOpinion;
    m_markup.m_dVoloViewVersion = m_dVoloViewVersion;
    const CString name = m_markup.MarkupFileName();
    if (name.IsEmpty())
        return 0;
    if (m_VoloViewer.GetSafeHwnd())
        m_VoloViewer.SaveMarkupFile(name);
    if (!CFileInfo(name).Exists())
        return 0;
    return m_markup.SaveMarkup(name);
}

void CDesignDocAuditDlg::DeleteTempFiles() {
    for (int i = 0; i < m_arrTempFiles.GetSize(); ++i)
        DeleteFile(m_arrTempFiles[i]);
    m_arrTempFiles.RemoveAll();
    for (int i = 0; i < m_markup.m_arrTempFiles.GetSize(); ++i)
        DeleteFile(m_markup.m_arrTempFiles[i]);
    m_markup.m_arrTempFiles.RemoveAll();
    if (!m_strScratchFile.IsEmpty())
        DeleteFile(m_strScratchFile);
}

// --- The decision ------------------------------------------------------------------------------

bool CDesignDocAuditDlg::PrepareDecision() {
    if (!m_pEngine->LoadDocument())
        return false;
    m_pEngine->ReadWorkManagers();
    m_strWorkManager = m_pEngine->m_strWorkManager;
    m_strProjectManager = m_pEngine->m_strProjectManager;
    m_strDocState = m_pEngine->m_strDocState;
    // Every reason that applies is said, so that one look tells the reviewer all that is wrong.
    bool valid = true;
    if (!m_pEngine->m_path.m_bValidPath || m_pEngine->m_path.GetCount() == 0) {
        AfxMessageBox("无评审路径或缺负责人，为无效路径，不能进行评审!");
        valid = false;
    }
    if (m_pEngine->m_path.m_nCurrentLevel < 0) {
        AfxMessageBox("该评审任务不存在，为无效路径，不能进行评审!");
        valid = false;
    }
    if (m_strDocState != "评审") {
        AfxMessageBox("该工作文档不处于评审状态，不能进行评审!");
        valid = false;
    }
    return valid;
}

bool CDesignDocAuditDlg::ChooseReturnStep() {
    m_bReturnToStep = 0;
    m_pEngine->m_bReturnToStep = 0;
    if (m_nResult != CAuditFlowEngine::kFail || m_pEngine->m_path.m_arrLowerSteps.GetSize() == 0 ||
        theApp.m_nUseChangeTask || !m_pEngine->CanAskReturnToStep())
        return true;
    const int answer =
        MessageBox("是否指定返回的再提交评审任务?", "操作提示", MB_YESNOCANCEL | MB_ICONEXCLAMATION);
    if (answer == IDCANCEL)
        return false;
    if (answer != IDYES)
        return true;
    m_bReturnToStep = 1;
    CSelectReturnTaskDlg dlg(this);
    dlg.m_strAuditModel = m_pEngine->m_strAuditingModel;
    dlg.m_strAuditorName = m_pEngine->m_strAuditorName;
    dlg.m_strAuditStyle = m_pEngine->m_strAuditingStyle;
    dlg.m_strAuditPath = m_pEngine->m_strAuditingPath;
    dlg.m_arrCandidates.Copy(m_pEngine->m_path.m_arrLowerSteps);
    if (dlg.DoModal() != IDOK) {
        m_bReturnToStep = 0;
        return false;
    }
    // The engine writes the return record in the decision's own transaction: a failed write
    // stores nothing of the decision either.
    m_pEngine->m_bReturnToStep = 1;
    m_pEngine->m_strReturnStep = dlg.m_strReturnTask;
    m_pEngine->m_strReturnStepAuditor = dlg.m_strReturnAuditor;
    m_pEngine->m_strReturnLevelType = dlg.m_strLevelType;
    return true;
}

bool CDesignDocAuditDlg::StoreDecision() {
    if (!m_pEngine)
        return false;
    m_pEngine->m_strOpinion = m_strOpinion;
    m_pEngine->m_nResult = m_nResult;
    m_pEngine->m_bReassign = m_bReassign;
    if (m_bAssistAudit) {
        if (!m_pEngine->SaveAssistAuditResult()) {
            // A task decided or handed over meanwhile has been said as such.
            if (m_pEngine->m_bStepChanged)
                DisableDecision();
            else
                MessageBox("保存评审信息时, 数据库出现异常!", "操作说明", MB_OK | MB_ICONEXCLAMATION);
            return false;
        }
        return true;
    }
    m_pEngine->m_strReturnTime = CTime::GetCurrentTime().Format("%Y-%m-%d %H:%M");
    if (m_nResult == CAuditFlowEngine::kLater) {
        if (m_pEngine->SaveOpinionOnly())
            return true;
        if (m_pEngine->m_bStepChanged)
            DisableDecision();
        return false;
    }
    if (!ChooseReturnStep())
        return false;
    if (!m_pEngine->ApplyAuditResult()) {
        if (m_pEngine->m_bStepChanged)
            DisableDecision();
        return false;
    }
    m_bSaved = 1;
    m_strDocState = m_pEngine->m_strDocState;
    if (m_nResult == CAuditFlowEngine::kFail)
        AfxMessageBox(m_bReturnToStep ? "设计文档已返回以前的评审环节进行重新评审..."
                                      : "设计文档已返回设计者进行修改...");
    else if (m_strDocState == "正式")
        AfxMessageBox("设计文档已通过了流程中的各项评审...");
    else
        AfxMessageBox("设计文档已转给评审流程下一级进行处理...");
    return true;
}

void CDesignDocAuditDlg::OnAssistAudit() {
    CAssistAuditDlg dlg(this);
    dlg.FileID = m_strFileID;
    dlg.UpAuditName = m_strAuditTask;
    dlg.ReadOnly = 0;
    dlg.DoModal();
}

// --- Confirm and the ways out -----------------------------------------------------------------

void CDesignDocAuditDlg::OnOK() {
    UpdateData(TRUE);
    // What the markup meets decides: a lost connection it met has been said, and the decision is
    // not tried on it.
    theApp.m_bConnectionLost = FALSE;
    // A step decided or handed over since the window read it takes no markup of this reviewer
    // either; the decision reads the step again under its lock.
    if (m_pEngine && !m_pEngine->CheckStep()) {
        if (m_pEngine->m_bStepChanged)
            DisableDecision();
        return;
    }
    // Markup that could not be stored stops the decision: the box has said why, the markup stays
    // in the viewer and the reviewer confirms again.
    if (SaveMarkup() < 0 || theApp.m_bConnectionLost)
        return;
    if (!StoreDecision())
        return;
    ReleaseHold();
    CloseWindow(IDOK);
}

void CDesignDocAuditDlg::CloseWindow(int result) {
    if (m_bModeless)
        DestroyWindow();
    else
        EndDialog(result);
}

void CDesignDocAuditDlg::OnCancel() {
    // Asked only where something would be lost: an opinion typed, a result chosen or markup drawn
    // since the window opened, with a decision that could still be stored.
    CWnd* ok = GetDlgItem(IDOK);
    if (ok && ok->IsWindowEnabled() && HasUnsavedWork() &&
        MessageBox("批注结果未保存，是否真的要退出?", "操作提示",
                   MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
        return;
    if (m_VoloViewer.GetSafeHwnd() && !m_VoloViewer.GetDrawingFile().IsEmpty())
        DiscardViewerMarkup();
    if (!m_strMarkupFile.IsEmpty())
        DeleteFile(m_strMarkupFile);
    if (!m_strDesignFile.IsEmpty())
        DeleteFile(m_strDesignFile);
    CloseWindow(IDCANCEL);
}

void CDesignDocAuditDlg::OnClose() {
    DeleteTempFiles();
    if (m_bModeless) {
        ReleaseHold();
        DestroyWindow();
        return;
    }
    CDialog::OnClose();
}

void CDesignDocAuditDlg::PostNcDestroy() {
    {
        CAppConnectionLease lease(m_bModeless ? m_pConnection : _ConnectionPtr(), m_strLoginUser,
                                  m_strUserName);
        DeleteTempFiles();
        ReleaseHold();
    }
    CDialog::PostNcDestroy();
    if (m_bModeless && m_bOwnsItself)
        delete this;
}

// --- Buttons -----------------------------------------------------------------------------------

void CDesignDocAuditDlg::OnSize(UINT type, int cx, int cy) {
    CDialog::OnSize(type, cx, cy);
    int dx = 0, dy = 0;
    if (!m_VoloViewer.GetSafeHwnd() || !m_size.Follow(*this, dx, dy))
        return;
    // A view that lays the window out (the Qt view) has already placed the controls.
    if (!m_VoloViewer.GetViewData()) {
        OffsetControls(*this,
                       {IDOK, IDCANCEL, kRemarkupId, kPropertyId, kFlowId, kResultGroupId, kPassId, kFailId, kLaterId,
                        kReassignId, kDrawingLabelId, kDotsId, kDrawingNoId, kBrowseDrawingId, kChangeOrderId},
                       dx, 0);
        MoveEdges(m_VoloViewer, 0, 0, dx, dy);
        if (m_AutoVueViewer.GetSafeHwnd())
            m_AutoVueViewer.MoveWindow(&m_VoloViewer.GetRectInParent());
        OffsetControls(*this, {kOpinionLabelId}, 0, dy);
        if (CWnd* opinion = GetDlgItem(kOpinionId))
            MoveEdges(*opinion, 0, dy, dx, dy);
    }
    m_VoloViewer.UpdateView();
}

void CDesignDocAuditDlg::OnRemarkup() {
    if (MessageBox("是否打开原始设计文件，进行重新批注?", "操作提示", MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    m_VoloViewer.ClearMarkupFile();
    m_VoloViewer.SetDrawingFile("");
    const CString path = DownloadDesignFile();
    if (!OpenInViewer(path))
        SayDesignFileNotShown();
    m_strDesignFile = path;
}

void CDesignDocAuditDlg::OnDocProperty() {
    CWorkDocPropertyDlg dlg(this);
    dlg.FileID = m_strFileID;
    dlg.DoModal();
}

void CDesignDocAuditDlg::OnAuditFlow() {
    CTaskAuditFlowDlg dlg(this);
    dlg.m_bReadOnly = 1;
    dlg.m_bSubmitMode = 0;
    dlg.m_bWriteToTask = 0;
    dlg.m_strAuditMode = m_pEngine ? m_pEngine->m_strAuditingStyle : CString();
    dlg.m_strWorkState = m_strDocState;
    dlg.m_strAuditModel = m_pEngine ? m_pEngine->m_strAuditingModel : CString();
    dlg.m_strAuditorName = m_pEngine ? m_pEngine->m_strAuditorName : CString();
    dlg.DoModal();
}

void CDesignDocAuditDlg::OnResultChanged() {
    UpdateData(TRUE);
    if (CWnd* reassign = GetDlgItem(kReassignId))
        reassign->EnableWindow(m_nResult == 1 ? TRUE : FALSE);
}

void CDesignDocAuditDlg::OnBrowsePartDrawing() {
    UpdateData(TRUE);
    const CString count =
        Quoted("SELECT count(*) FROM TeamWorkResult WHERE PartCode = '%s' AND FileType Like 'AutoCAD%%'",
               m_strDrawingNo);
    const int found = theApp.GetSqlInt(count);
    if (found < 1) {
        AfxMessageBox("图号为:" + m_strDrawingNo + "的零部件没有对应的图纸,请检查图号...");
        return;
    }
    if (found == 1) {
        const CString fileId = theApp.GetSqlString(
            Quoted("SELECT FileID FROM TeamworkResult WHERE PartCode = '%s' AND FileType Like 'AutoCAD%%'",
                   m_strDrawingNo));
        const CString fileName = theApp.GetSqlString(
            Quoted("SELECT FileName FROM TeamworkResult WHERE PartCode = '%s' AND FileType Like 'AutoCAD%%'",
                   m_strDrawingNo));
        OpenRelatedDocument(fileId, fileName);
        return;
    }
    CPartWorkDocDlg dlg(this);
    dlg.m_strPartCode = m_strDrawingNo;
    if (dlg.DoModal() == IDOK)
        OpenRelatedDocument(dlg.m_strFileID, dlg.m_strFileName);
}

void CDesignDocAuditDlg::OpenRelatedDocument(const CString& fileId, const CString& fileName) {
    const CString name = StoredFolderName(fileName);
    const char* format =
        m_nDatabaseType == 2
            ? "SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE rtrim(FileID)='%s' ORDER BY FileID"
            : "SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE FileID='%s' ORDER BY FileID";
    CVQSaveFileToDB store;
    // A stored name such as ".." or "" names no file of its own in the temporary folder.
    const CString written =
        name.IsEmpty()
            ? CString()
            : store.PopFileFromDB(Quoted(format, fileId), m_callFolder.Path() + name, "DocContent", "PDM");
    if (written.IsEmpty()) {
        ReportFetchFailure(fileName, store.GetLastFailure(), "相关文档下载失败!");
        return;
    }
    m_arrTempFiles.Add(written);
    if (CFileInfo(written).Exists())
        OpenDocumentFile(written);
}

void CDesignDocAuditDlg::OnChangeOrderSheet() {
    const int tag = m_strWorkID.Find("[M]");
    const CString orderNo = tag >= 0 ? m_strWorkID.Left(tag) : m_strWorkID;
    const CString fileName =
        theApp.GetSqlString(Quoted("SELECT FileName FROM ECORelateFile WHERE ECONo='%s'", orderNo));
    const char* format =
        m_nDatabaseType == 2
            ? "SELECT DocSaved, DocContent FROM ECORelateFile WHERE rtrim(ECONo)='%s' ORDER BY ECONo"
            : "SELECT DocSaved, DocContent FROM ECORelateFile WHERE ECONo='%s' ORDER BY ECONo";
    CVQSaveFileToDB store;
    const CString name = StoredFolderName(fileName);
    const CString written =
        name.IsEmpty()
            ? CString()
            : store.PopFileFromDB(Quoted(format, orderNo), m_callFolder.Path() + name, "DocContent", "PDM");
    if (written.IsEmpty()) {
        ReportFetchFailure(fileName, store.GetLastFailure(), "更改单下载失败!");
        return;
    }
    m_arrTempFiles.Add(written);
    if (CFileInfo(written).Exists())
        OpenDocumentFile(written);
}

void CDesignDocAuditDlg::OnViewerMouseDown(short button, short, double x, double y) {
    if (button != 2)
        return;
    const UINT chosen = TrackViewerCommandMenu(m_VoloViewer, x, y, this, true, true);
    if (chosen == kClearMarkupCommand &&
        MessageBox("是否清除当前设计文件的批注内容?", "操作提示", MB_YESNO | MB_ICONWARNING) == IDYES)
        DiscardViewerMarkup();
}
