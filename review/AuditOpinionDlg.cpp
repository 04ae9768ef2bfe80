#include "review/AuditOpinionDlg.h"

#include "controls/DocViewLauncher.h"
#include "controls/ProgressDlg.h"
#include "core/ComError.h"
#include "core/DocumentFetch.h"
#include "core/FileInfo.h"
#include "core/InstallPath.h"
#include "core/ItemText.h"
#include "core/Settings.h"
#include "core/VqConnectHolder.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/com/ProcessPlanningUtility.h"
#include "platform/db/SqlText.h"
#include "platform/maker/DBConnect.h"
#include "platform/maker/FileStore.h"
#include "platform/ui/DataExchange.h"
#include "review/AssistAuditDlg.h"
#include "review/DesignReportSigner.h"
#include "review/SelectReturnTaskDlg.h"
#include "review/TaskAuditFlowDlg.h"
#include "review/WordDocSigner.h"
#include "teamwork/DesignFilePartReader.h"
#include "teamwork/WorkDocPropertyDlg.h"

#include "platform/base/File.h"

namespace {

using D = CAuditOpinionDlg;
constexpr const char* kSettingsSection = "设计过程管理配置";

const vq::DialogTemplate kAuditOpinionTemplate{
    "评审意见",
    {vq::Label("意见"), vq::EditBox(D::kOpinionId, vq::kFill, ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL),
     vq::GroupFrame("结果"), vq::RadioButton(D::kPassId, "评审通过", true),
     vq::RadioButton(D::kFailId, "评审不通过", false, vq::kBeside),
     vq::RadioButton(D::kLaterId, "下次再评审", false, vq::kBeside),
     vq::CheckBox(D::kReassignId, "建议重新安排评审负责人", vq::kHidden),
     vq::PushButton(D::kDocPropertiesId, "文档属性..."), vq::CheckBox(D::kBrowseId, "文档浏览", vq::kBeside),
     vq::PushButton(D::kAuditFlowId, "评审流程...", vq::kBeside),
     vq::PushButton(D::kAssistAuditId, "协助评审...", vq::kBeside), vq::DefPushButton(IDOK, "确定"),
     vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

const vq::TemplateRegistration kAuditOpinionRegistration(CAuditOpinionDlg::IDD, kAuditOpinionTemplate);

int HasExtension(const CString& fileName, const char* extension) {
    return CFileInfo(fileName).GetFileExt().CompareNoCase(extension) == 0 ? 1 : 0;
}

} // namespace

BEGIN_MESSAGE_MAP(CAuditOpinionDlg, CDialog)
    ON_BN_CLICKED(CAuditOpinionDlg::kDocPropertiesId, &CAuditOpinionDlg::OnDocProperties)
    ON_BN_CLICKED(CAuditOpinionDlg::kBrowseId, &CAuditOpinionDlg::OnBrowseDocument)
    ON_BN_CLICKED(CAuditOpinionDlg::kAuditFlowId, &CAuditOpinionDlg::OnShowAuditFlow)
    ON_BN_CLICKED(CAuditOpinionDlg::kAssistAuditId, &CAuditOpinionDlg::OnAssistAudit)
    ON_BN_CLICKED(CAuditOpinionDlg::kPassId, &CAuditOpinionDlg::OnResultChanged)
    ON_BN_CLICKED(CAuditOpinionDlg::kFailId, &CAuditOpinionDlg::OnResultChanged)
    ON_BN_CLICKED(CAuditOpinionDlg::kLaterId, &CAuditOpinionDlg::OnResultChanged)
    ON_MESSAGE(CAuditOpinionDlg::kBrowseDone, &CAuditOpinionDlg::OnBrowseDone)
END_MESSAGE_MAP()

CAuditOpinionDlg::CAuditOpinionDlg(CWnd* parent) : CDialog(IDD, parent) {}

CAuditOpinionDlg::~CAuditOpinionDlg() = default;

int CAuditOpinionDlg::IsReportFile(const CString& fileName) {
    return HasExtension(fileName, ".TBL");
}

int CAuditOpinionDlg::IsWordFile(const CString& fileName) {
    return HasExtension(fileName, ".DOC");
}

void CAuditOpinionDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Check(pDX, kBrowseId, m_bBrowse);
    DDX_Text(pDX, kOpinionId, m_strOpinion);
    DDX_Radio(pDX, kPassId, m_nResult);
    DDX_Check(pDX, kReassignId, m_bReassign);
}

bool CAuditOpinionDlg::ConnectProcessPlanning() {
    if (m_nProcessPlanning <= 0 || theApp.m_pConnCAPP)
        return true;
    CVQDBConnect* connect = CVQDBConnect::GetCurDBConnect();
    if (!connect) {
        auto* made = new CVQDBConnect();
        if (!made->Init() || !made->ConnectCAPP()) {
            delete made;
            return false;
        }
        // The application object owns the connection object and closes it when it ends.
        if (theApp.m_bOwnDBConnect && theApp.m_pDBConnect) {
            theApp.m_pDBConnect->CloseAll();
            delete theApp.m_pDBConnect;
        }
        theApp.m_pDBConnect = made;
        theApp.m_bOwnDBConnect = TRUE;
        CVQDBConnect::SetCurDBConnect(made);
        connect = made;
    }
    theApp.m_pConnCAPP = connect->GetPtrCAPP();
    return true;
}

void CAuditOpinionDlg::CreateProcessPlanningUtility() {
    // Without a registered process-planning utility the calls have no effect.
    m_pUtilityObject = vq::CreateOutsideObject(vq::kProcessPlanningUtility);
    auto* utility = dynamic_cast<vq::ProcessPlanningUtility*>(m_pUtilityObject.get());
    if (!utility) {
        m_pUtilityObject.reset();
        return;
    }
    utility->SetPdmConnection(m_engine.m_pConnPDM);
    utility->SetCappConnection(theApp.m_pConnCAPP);
    m_engine.m_pProcessPlanning = utility;
}

BOOL CAuditOpinionDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_engine.m_options = CAuditFlowEngine::OpinionDialogOptions(m_bMultiDoc != 0);
    m_engine.m_pNotices = &m_notices;
    m_engine.m_pConnPDM = theApp.m_pConnPDM;
    m_engine.m_strLogin = theApp.m_strLoginUser;
    m_engine.m_nDatabaseType = theApp.m_nDatabaseType;
    m_engine.m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_nProcessPlanning = ReadSettingInt("VQCAPP配置", "有无VQCAPP", "0");
    if (!ConnectProcessPlanning()) {
        // Without the process-planning database nothing can be decided here.
        GetDlgItem(IDOK)->EnableWindow(FALSE);
        return TRUE;
    }
    if (!m_bMultiDoc)
        LoadAuditContext();
    m_engine.m_strWorkID = m_strWorkID;
    m_engine.ReadWorkManagers();
    UpdateData(FALSE);
    m_strShownOpinion = m_strOpinion;
    m_strUpAuditName = m_strAuditTask;

    if (!m_bMultiDoc) {
        if (!CheckAssistTasksOnLoad())
            GetDlgItem(IDOK)->EnableWindow(FALSE);
    } else {
        bool hideAssist = m_bAssistAudit != 0;
        for (int i = 0; i < m_arrFileIDs.GetSize() && i < m_arrAuditTasks.GetSize(); ++i) {
            if (m_bAssistAudit || m_arrAuditTasks[i].Find("[N]") <= 0) {
                hideAssist = true;
                continue;
            }
            CString sql;
            sql.Format("SELECT count(*) FROM TeamWorkNextAudit WHERE FileID='%s' AND UpAuditName='%s'",
                       SqlQuote(m_arrFileIDs[i]), SqlQuote(m_arrAuditTasks[i]));
            const CString prefix = "编号为:" + m_arrFileIDs[i] + "文档的评审任务:" + m_arrAuditTasks[i];
            const int assists = theApp.GetSqlInt(sql);
            // A lost connection has been said: its missing count is no reason of its own.
            if (theApp.m_bConnectionLost) {
                GetDlgItem(IDOK)->EnableWindow(FALSE);
                return TRUE;
            }
            if (assists < 1) {
                AfxMessageBox(prefix + "需要分配下级协助评审任务...");
                GetDlgItem(IDOK)->EnableWindow(FALSE);
                return TRUE;
            }
            if (!m_engine.CheckAssistAudits(m_arrFileIDs[i], m_arrAuditTasks[i])) {
                AfxMessageBox(prefix + "有未完成的下级协助评审任务, 请等待...");
                GetDlgItem(IDOK)->EnableWindow(FALSE);
                return TRUE;
            }
        }
        if (hideAssist)
            GetDlgItem(kAssistAuditId)->ShowWindow(SW_HIDE);
        // With no step left to decide, OK could only close the dialog as if it had stored something.
        if (!BatchHasOpenStep())
            GetDlgItem(IDOK)->EnableWindow(FALSE);
    }
    m_nAssignedBySuperior = ReadSettingInt(kSettingsSection, "工作任务评审流程由上级指派", "0");
    if (m_nProcessPlanning == 1)
        CreateProcessPlanningUtility();
    if (m_nAssignedBySuperior != 0 && !m_bAssistAudit)
        GetDlgItem(kReassignId)->ShowWindow(SW_SHOW);
    GetDlgItem(kReassignId)->EnableWindow(m_nResult == 1);
    return TRUE;
}

bool CAuditOpinionDlg::CheckAssistTasksOnLoad() {
    m_bNeedsAssist = !m_bAssistAudit && m_strAuditTask.Find("[N]") > 0 ? 1 : 0;
    if (!m_bNeedsAssist) {
        GetDlgItem(kAssistAuditId)->ShowWindow(SW_HIDE);
        return true;
    }
    CString sql;
    sql.Format("SELECT count(*) FROM TeamWorkNextAudit WHERE FileID='%s' AND UpAuditName='%s'", SqlQuote(m_strFileID),
               SqlQuote(m_strUpAuditName));
    const int assists = theApp.GetSqlInt(sql);
    if (theApp.m_bConnectionLost)
        return false;
    if (assists < 1) {
        AfxMessageBox("此评审任务需要分配下级协助评审任务...");
        m_bAssistMissing = 1;
        return false;
    }
    if (!m_engine.CheckAssistAudits(m_strFileID, m_strUpAuditName)) {
        AfxMessageBox("有未完成的下级协助评审任务, 请等待...");
        return false;
    }
    return true;
}

bool CAuditOpinionDlg::BatchHasOpenStep() {
    if (m_arrFileIDs.GetSize() == 0 || m_arrAuditTasks.GetSize() == 0)
        return true;
    m_engine.m_bAssistAudit = m_bAssistAudit;
    bool open = false;
    for (int i = 0; !open && i < m_arrFileIDs.GetSize() && i < m_arrAuditTasks.GetSize(); ++i) {
        m_engine.m_strFileID = m_arrFileIDs[i];
        m_engine.m_strAuditTask = m_arrAuditTasks[i];
        CString state, result, prompt;
        open = m_engine.ReadStepRow(state, result, prompt) && state != "已完成";
    }
    m_engine.m_strFileID = m_strFileID;
    m_engine.m_strAuditTask = m_strAuditTask;
    return open;
}

int CAuditOpinionDlg::LoadAuditContext() {
    m_engine.m_strFileID = m_strFileID;
    m_engine.m_strAuditTask = m_strAuditTask;
    m_engine.m_bAssistAudit = m_bAssistAudit;
    m_bStepFinished = 0;
    LoadAuditState();
    if (m_strStepResult == "通过")
        m_nResult = 0;
    else if (m_strStepResult == "不通过")
        m_nResult = 1;
    if (m_strStepState == "已完成") {
        m_bStepFinished = 1;
        AfxMessageBox("该工作文档已被评审...");
        GetDlgItem(IDOK)->EnableWindow(FALSE);
    }
    const unsigned long failures = ReportedDbFailureCount();
    if (!m_engine.ReadDocumentInfo()) {
        // A database that cannot be read (a disk error, locked, lost) has been said as what it is.
        if (!NoWriteFailureReportedSince(failures))
            AfxMessageBox("无法正确读取设计文档信息...");
        GetDlgItem(IDOK)->EnableWindow(FALSE);
        return 0;
    }
    m_engine.ReadDocumentRecord();
    m_engine.ReadAuditPath();
    m_engine.BuildPath();
    if (!m_bMultiDoc)
        m_strWorkID = m_engine.m_strWorkID;
    return 1;
}

void CAuditOpinionDlg::LoadAuditState() {
    m_strStepState.Empty();
    m_strStepResult.Empty();
    m_bStepRowFound = 0;
    if (m_bAssistAudit && !m_engine.MarkAssistWorking()) {
        SayStepNotMarked();
        return;
    }
    CString prompt;
    if (m_engine.ReadStepRow(m_strStepState, m_strStepResult, prompt)) {
        m_bStepRowFound = 1;
        m_strOpinion = prompt;
    } else {
        GetDlgItem(IDOK)->EnableWindow(FALSE);
    }
}

// ---------------------------------------------------------------------------------------------
// Buttons

void CAuditOpinionDlg::OnDocProperties() {
    CWorkDocPropertyDlg dlg(this);
    dlg.FileID = m_strFileID;
    dlg.DoModal();
}

void CAuditOpinionDlg::OnCancel() {
    // An opinion typed since the dialog opened is lost on Cancel (Esc, the close box): asked
    // first, while a decision could still be stored.
    CString opinion;
    GetDlgItemText(kOpinionId, opinion);
    CWnd* ok = GetDlgItem(IDOK);
    if (!m_bSaved && ok && ok->IsWindowEnabled() && opinion != m_strShownOpinion &&
        MessageBox("批注结果未保存，是否真的要退出?", "操作提示",
                   MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
        return;
    CDialog::OnCancel();
}

void CAuditOpinionDlg::OnBrowseDocument() {
    UpdateData(TRUE);
    if (!m_bBrowse)
        return;
    BrowseDocument();
    PostMessage(kBrowseDone);
}

LRESULT CAuditOpinionDlg::OnBrowseDone(WPARAM, LPARAM) {
    UpdateData(TRUE);
    m_bBrowse = 0;
    UpdateData(FALSE);
    return 1;
}

CString CAuditOpinionDlg::DownloadDocument(vq::FetchFailure* why) {
    if (!m_engine.ReadDocumentInfo())
        return CString();
    CString tempPath;
    tempPath.Format("%s%s", m_callFolder.Path(),
                    MakeValidFileName("T" + m_strFileID + "_" + m_engine.m_strFileName));
    CString sql;
    sql.Format(theApp.m_nDatabaseType == 2
                   ? "SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE rtrim(FileID)='%s'"
                   : "SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE FileID='%s'",
               SqlQuote(m_strFileID));
    CVQSaveFileToDB store;
    const CString written =
        store.PopFileFromDB(sql, tempPath, "DocContent", m_strFileID, m_engine.m_strFileName);
    if (why)
        *why = store.GetLastFailure();
    return written;
}

void CAuditOpinionDlg::BrowseDocument() {
    if (!m_engine.ReadDocumentInfo())
        return;
    CWaitCursor wait;
    vq::FetchFailure why = vq::FetchFailure::Other;
    const CString path = DownloadDocument(&why);
    if (path.IsEmpty()) {
        ReportFetchFailure(m_engine.m_strFileName, why, "文档下载失败!");
        return;
    }
    theApp.AddUniqueFile(path);
    if (!CFileInfo(path).Exists())
        return;
    CDesignFilePartReader reader;
    reader.ReadFileParts(path, m_strFileID);
    OpenDocumentFile(path);
}

void CAuditOpinionDlg::OnShowAuditFlow() {
    CTaskAuditFlowDlg dlg(this);
    dlg.m_bReadOnly = 1;
    dlg.m_bSubmitMode = 0;
    dlg.m_bWriteToTask = 0;
    dlg.m_strAuditMode = m_engine.m_strAuditingStyle;
    dlg.m_strWorkState = m_engine.m_strDocState;
    dlg.m_strAuditModel = m_engine.m_strAuditingModel;
    dlg.m_strAuditorName = m_engine.m_strAuditorName;
    dlg.DoModal();
}

void CAuditOpinionDlg::OnAssistAudit() {
    const int count = m_bMultiDoc ? static_cast<int>(m_arrFileIDs.GetSize()) : 1;
    if (count > 1) {
        CString question;
        question.Format("这将同时对所选中的%d个文档进行协助评审指派, 是否继续?", count);
        if (vq::ShowMessageBox("操作提示", question, MB_YESNO | MB_ICONWARNING) != IDYES)
            return;
    }
    CAssistAuditDlg dlg(nullptr);
    dlg.FileID = m_strFileID;
    dlg.UpAuditName = m_strUpAuditName;
    dlg.ReadOnly = 0;
    dlg.DoModal();
    if (dlg.PresetAuditors.GetSize() == 0 || count < 2)
        return;
    for (int i = 1; i < m_arrFileIDs.GetSize() && i < m_arrAuditTasks.GetSize(); ++i) {
        CAssistAuditDlg more(nullptr);
        more.FileID = m_arrFileIDs[i];
        more.UpAuditName = m_arrAuditTasks[i];
        more.AutoAssign = 1;
        more.PresetAuditors.Copy(dlg.PresetAuditors);
        more.DoModal();
    }
}

void CAuditOpinionDlg::OnResultChanged() {
    UpdateData(TRUE);
    GetDlgItem(kReassignId)->EnableWindow(m_nResult == 1);
}

// ---------------------------------------------------------------------------------------------
// Confirm

void CAuditOpinionDlg::PrepareEngine() {
    m_engine.m_strFileID = m_strFileID;
    m_engine.m_strAuditTask = m_strAuditTask;
    m_engine.m_strOpinion = m_strOpinion;
    m_engine.m_nResult = m_nResult;
    m_engine.m_bReassign = m_bReassign;
    m_engine.m_bConsigned = m_bConsigned;
    m_engine.m_bAssistAudit = m_bAssistAudit;
}

bool CAuditOpinionDlg::AskReturnToStep() {
    m_engine.m_bReturnToStep = 0;
    if (m_nResult != 1 || !m_engine.CanAskReturnToStep())
        return true;
    const int answer = vq::ShowMessageBox("操作提示", "是否指定返回的再提交评审任务?", MB_YESNOCANCEL | MB_ICONWARNING);
    if (answer == IDCANCEL)
        return false;
    if (answer != IDYES)
        return true;
    CSelectReturnTaskDlg dlg(this);
    dlg.m_strAuditModel = m_engine.m_strAuditingModel;
    dlg.m_strAuditorName = m_engine.m_strAuditorName;
    dlg.m_strAuditStyle = m_engine.m_strAuditingStyle;
    dlg.m_strAuditPath = m_engine.m_strAuditingPath;
    dlg.m_arrCandidates.Copy(m_engine.m_path.m_arrLowerSteps);
    if (dlg.DoModal() != IDOK)
        return false;
    m_engine.m_bReturnToStep = 1;
    m_engine.m_strReturnStep = dlg.m_strReturnTask;
    m_engine.m_strReturnStepAuditor = dlg.m_strReturnAuditor;
    m_engine.m_strReturnLevelType = dlg.m_strLevelType;
    return true;
}

bool CAuditOpinionDlg::LinkProcessPlanning() {
    if (m_nProcessPlanning != 1 || !m_engine.m_pProcessPlanning)
        return true;
    CString sql;
    sql.Format("SELECT CFileID FROM CAPPFileIDMap WHERE PFileID = '%s'", SqlQuote(m_strFileID));
    const CString mapped = theApp.GetSqlString(sql);
    if (mapped.IsEmpty())
        return true;
    const CString path = DownloadDocument();
    if (path.IsEmpty())
        return false;
    if (m_engine.m_pProcessPlanning->UpdateFileContent(mapped, path) == 0)
        m_engine.m_pProcessPlanning->SetFileState(mapped, 4);
    DeleteFile(path);
    return true;
}

bool CAuditOpinionDlg::DecideMainStep() {
    PrepareEngine();
    m_engine.m_strReturnTime = CTime::GetCurrentTime().Format("%Y-%m-%d %H:%M");
    // A step decided or handed over since the window read it is not asked about nor linked to the
    // process-planning side; the decision reads it again under its lock.
    if (!m_engine.CheckStep()) {
        RefuseChangedStep();
        return false;
    }
    if (!AskReturnToStep())
        return false;
    if (!LinkProcessPlanning()) {
        vq::ShowMessageBox("操作提示", "下载文件失败!", MB_OK | MB_ICONWARNING);
        return false;
    }
    if (m_nResult == 2) {
        if (m_engine.SaveOpinionOnly())
            return true;
        RefuseChangedStep();
        return false;
    }
    if (!m_engine.ApplyAuditResult()) {
        // A step off its path, a path without auditors or a document no longer under review
        // cannot be decided here; the reason has been shown once.
        if (!m_engine.m_path.m_bValidPath || m_engine.m_path.m_nCurrentLevel < 0 ||
            m_engine.m_strDocState != "评审")
            GetDlgItem(IDOK)->EnableWindow(FALSE);
        RefuseChangedStep();
        return false;
    }
    m_bSaved = 1;
    return true;
}

// A step that another client decided or handed over since the window read it takes no decision
// from this window (the box has said who has it now). Several documents go on with the next one.
void CAuditOpinionDlg::RefuseChangedStep() {
    if (m_engine.m_bStepChanged && !m_bMultiDoc)
        GetDlgItem(IDOK)->EnableWindow(FALSE);
}

void CAuditOpinionDlg::SignFiles(const CString& fileName) {
    if (m_nResult != 0)
        return;
    if (IsReportFile(fileName) && m_bReportSigning)
        SignReportFile();
    if (IsWordFile(fileName) && m_bWordSigning)
        SignWordFile();
}

void CAuditOpinionDlg::OnOK() {
    UpdateData(TRUE);
    m_bReportSigning = ReadSettingInt(kSettingsSection, "进行独立报表文件的自动签名", "0");
    m_bWordSigning = ReadSettingInt(kSettingsSection, "进行Word文件的自动签名", "0");
    if (!m_bMultiDoc && !m_bAssistAudit) {
        if (!DecideMainStep())
            return;
        SignFiles(m_engine.m_strFileName);
    } else if (!m_bMultiDoc) {
        if (!m_engine.CheckAssistAudits(m_strFileID, m_strUpAuditName)) {
            AfxMessageBox("有未完成的下级协助评审任务，不能继续，请等待...");
            return;
        }
        PrepareEngine();
        if (!m_engine.SaveAssistAuditResult()) {
            RefuseChangedStep();
            return;
        }
        SignFiles(m_engine.m_strFileName);
        m_bSaved = 1;
    } else {
        m_notices.RemoveAll();
        m_notices.m_strWorkID = m_strWorkID;
        const CString opinion = m_strOpinion;
        const int result = m_nResult;
        for (int i = 0; i < m_arrFileIDs.GetSize() && i < m_arrAuditTasks.GetSize(); ++i) {
            m_strFileID = m_arrFileIDs[i];
            m_strAuditTask = m_arrAuditTasks[i];
            const int loaded = LoadAuditContext();
            // What the reviewer typed applies to every document.
            m_strOpinion = opinion;
            m_nResult = result;
            if (!loaded || m_bStepFinished || !m_bStepRowFound)
                continue; // a finished or unreadable step is not decided again
            PrepareEngine();
            if (m_bAssistAudit) {
                if (!m_engine.SaveAssistAuditResult()) {
                    if (m_engine.m_bStepChanged)
                        continue;
                    return;
                }
                m_bSaved = 1;
                continue;
            }
            if (!m_engine.CheckAssistAudits(m_strFileID, m_strAuditTask)) {
                AfxMessageBox("有未完成的下级协助评审任务，不能继续，请等待...");
                continue;
            }
            if (m_nResult != 2 && (!m_engine.m_path.m_bValidPath || m_engine.m_path.m_nCurrentLevel < 0)) {
                // Each document is decided on its own path: a step that is not on it is skipped.
                AfxMessageBox(!m_engine.m_path.m_bValidPath ? "无评审路径或缺负责人，为无效路径!"
                                                            : "该评审任务不存在，为无效路径!");
                continue;
            }
            if (!DecideMainStep()) {
                if (m_engine.m_bStepChanged)
                    continue;
                return;
            }
            SignFiles(m_engine.m_strFileName);
        }
        m_notices.SendAuditResultMessages();
    }
    EndDialog(IDOK);
}

int CAuditOpinionDlg::SignReportFile() {
    CProgressDlg progress(this);
    progress.Create(CProgressDlg::IDD, this);
    progress.CenterWindow();
    progress.ShowWindow(SW_SHOW);
    progress.m_progress.SetRange(0, 100);
    progress.SetText("正在进行设计报表的电子签名处理...");
    progress.m_progress.SetPos(55);
    CDesignReportSigner signer;
    signer.FileID = m_strFileID;
    signer.SignReport(m_strAuditTask, m_strOpinion, m_bAssistAudit);
    progress.m_progress.SetPos(100);
    progress.ShowWindow(SW_HIDE);
    progress.DestroyWindow();
    return 1;
}

int CAuditOpinionDlg::SignWordFile() {
    CProgressDlg progress(this);
    progress.Create(CProgressDlg::IDD, this);
    progress.CenterWindow();
    progress.ShowWindow(SW_SHOW);
    progress.m_progress.SetRange(0, 100);
    progress.SetText("正在进行Word文档的电子签名处理...");
    progress.m_progress.SetPos(55);
    CWordDocSigner signer;
    signer.FileID = m_strFileID;
    signer.SignDocument(m_strAuditTask);
    progress.m_progress.SetPos(100);
    progress.ShowWindow(SW_HIDE);
    progress.DestroyWindow();
    return 1;
}

void CAuditOpinionDlg::PostNcDestroy() {
    m_engine.m_pProcessPlanning = nullptr;
    m_pUtilityObject.reset();
    m_engine.m_strFileID = m_strFileID;
    m_engine.m_strAuditTask = m_strAuditTask;
    m_engine.m_bAssistAudit = m_bAssistAudit;
    // After a lost connection (said already) the mark is given back on the connection opened
    // again when the server is back; while it stays away nothing more is said.
    if (!m_strFileID.IsEmpty())
        CVqConnectHolder::ReopenReportedLoss();
    if (!m_strFileID.IsEmpty() && m_engine.ClearWorking())
        m_engine.m_path.ClearAuditPath();
    CDialog::PostNcDestroy();
}
