#include "review/WorkDocAuditResultDlg.h"

#include "controls/AuditManagerDlg.h"
#include "controls/DocViewLauncher.h"
#include "core/ComError.h"
#include "core/DocumentFetch.h"
#include "core/FileInfo.h"
#include "core/InstallPath.h"
#include "core/ItemText.h"
#include "core/Settings.h"
#include "core/SqlTransaction.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/maker/FileStore.h"
#include "platform/ui/DataExchange.h"
#include "review/AssistAuditDlg.h"
#include "review/AuditFlowEngine.h"
#include "review/TaskAuditFlowDlg.h"
#include "teamwork/DesignFilePartReader.h"
#include "teamwork/WorkDocAuditInfo.h"
#include "teamwork/WorkDocPropertyDlg.h"

#include <algorithm>
#include <vector>

namespace {

using D = CWorkDocAuditResultDlg;
constexpr DWORD kOpinionStyle = ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | WS_VSCROLL;
constexpr DWORD kListStyle = LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL;

// A list made large enough to show its rows at first sight.
vq::ControlTemplate WithSize(vq::ControlTemplate control, int width, int height) {
    control.rect = CRect(0, 0, width, height);
    return control;
}

const vq::DialogTemplate kWorkDocAuditResultTemplate{
    "工作文档评审结果",
    {WithSize(vq::ReportList(D::kStepListId, vq::kFill, kListStyle), 560, 170),
     vq::EditBox(D::kStepOpinionId, vq::kNoLayoutFlags, kOpinionStyle),
     vq::PushButton(D::kAuditFlowId, "评审流程..."),
     vq::PushButton(D::kDocPropertiesId, "文档属性...", vq::kBeside),
     vq::CheckBox(D::kBrowseId, "浏览文档", vq::kBeside),
     vq::PushButton(D::kChangeAuditorId, "更换负责人...", vq::kBeside, WS_DISABLED),
     vq::PushButton(D::kAssistAuditId, "协助评审...", vq::kBeside | vq::kHidden),
     vq::Label("以往评审结果："),
     WithSize(vq::ReportList(D::kHistoryListId, vq::kFill, kListStyle), 560, 150),
     vq::EditBox(D::kHistoryOpinionId, vq::kNoLayoutFlags, kOpinionStyle),
     vq::PushButton(IDCANCEL, "退出")},
    CSize(620, 520)};

const vq::TemplateRegistration kWorkDocAuditResultRegistration(D::IDD, kWorkDocAuditResultTemplate);

const char* const kPathSeparator = "|*|";

// The pieces of a text joined by "|*|"; an empty text gives none.
CStringArray SplitList(const CString& text) {
    CStringArray pieces;
    if (text.IsEmpty())
        return pieces;
    int start = 0;
    for (;;) {
        const int at = text.Find(kPathSeparator, start);
        if (at < 0) {
            pieces.Add(text.Mid(start));
            return pieces;
        }
        pieces.Add(text.Mid(start, at - start));
        start = at + 3;
    }
}

} // namespace

BEGIN_MESSAGE_MAP(CWorkDocAuditResultDlg, CDialog)
    ON_NOTIFY(LVN_ITEMCHANGED, CWorkDocAuditResultDlg::kStepListId, &CWorkDocAuditResultDlg::OnStepChanged)
    ON_NOTIFY(LVN_ITEMCHANGED, CWorkDocAuditResultDlg::kHistoryListId, &CWorkDocAuditResultDlg::OnHistoryChanged)
    ON_BN_CLICKED(CWorkDocAuditResultDlg::kAuditFlowId, &CWorkDocAuditResultDlg::OnAuditFlow)
    ON_BN_CLICKED(CWorkDocAuditResultDlg::kDocPropertiesId, &CWorkDocAuditResultDlg::OnDocProperties)
    ON_BN_CLICKED(CWorkDocAuditResultDlg::kBrowseId, &CWorkDocAuditResultDlg::OnBrowseDocument)
    ON_BN_CLICKED(CWorkDocAuditResultDlg::kAssistAuditId, &CWorkDocAuditResultDlg::OnAssistAudit)
    ON_BN_CLICKED(CWorkDocAuditResultDlg::kChangeAuditorId, &CWorkDocAuditResultDlg::OnChangeAuditor)
    ON_MESSAGE(CWorkDocAuditResultDlg::kResetBrowse, &CWorkDocAuditResultDlg::OnResetBrowse)
END_MESSAGE_MAP()

CWorkDocAuditResultDlg::CWorkDocAuditResultDlg(CWnd* parent) : CDialog(IDD, parent) {}

CWorkDocAuditResultDlg::CWorkDocAuditResultDlg(UINT templateId, CWnd* parent) : CDialog(templateId, parent) {}

CWorkDocAuditResultDlg::~CWorkDocAuditResultDlg() = default;

// --- Small rules shared by both results dialogs

CString CWorkDocAuditResultDlg::ResponsibleText(const CString& auditor, const CString& manager) {
    CString name = theApp.GetUserNameByLogName(auditor);
    if (name.IsEmpty())
        name = theApp.GetUserNameByLogName(manager);
    if (name.IsEmpty())
        name = auditor;
    return auditor + "{" + name + "}";
}

CString CWorkDocAuditResultDlg::ResponsibleLogin(const CString& text) {
    const int brace = text.Find('{');
    return brace > 0 ? text.Left(brace) : text;
}

bool CWorkDocAuditResultDlg::HasAssistingReviews(const CString& stepName) {
    return stepName.Find("[N]") > 0;
}

CString CWorkDocAuditResultDlg::StoredStepName(const CString& stepName, bool* mixed) {
    CString name = stepName;
    name.MakeUpper();
    const int at = name.Find("[M]");
    if (mixed)
        *mixed = at >= 0;
    if (at >= 0)
        name = name.Left(at);
    return name;
}

bool CWorkDocAuditResultDlg::IsGroupName(const CString& name) {
    if (name.IsEmpty() || !theApp.GetUserNameByLogName(name).IsEmpty())
        return false;
    CString sql;
    sql.Format("SELECT count(*) FROM GroupInformation WHERE GroupName='%s'", SqlQuote(name));
    return theApp.GetSqlInt(sql) > 0;
}

int CWorkDocAuditResultDlg::ResultImage(const CString& result) {
    if (result.CompareNoCase("不通过") == 0)
        return 1;
    if (result.CompareNoCase("通过") == 0)
        return 2;
    return 0;
}

// --- Opening

void CWorkDocAuditResultDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kHistoryListId, HistoryList);
    DDX_Control(pDX, kStepListId, StepList);
    DDX_Text(pDX, kStepOpinionId, StepOpinion);
    DDX_Text(pDX, kHistoryOpinionId, HistoryOpinion);
    if (GetDlgItem(kBrowseId))
        DDX_Check(pDX, kBrowseId, BrowseChecked);
}

void CWorkDocAuditResultDlg::TakeConnection() {
    _ConnectionPtr connection = theApp.m_pConnPDM; // the new reference before the old one goes
    Connection = connection;
    DbType = theApp.m_nDatabaseType;
    CloseMode = theApp.m_nAdoCloseMode;
}

void CWorkDocAuditResultDlg::CreateStepImages() {
    StepImages.Create(182, 16, 1, RGB(255, 0, 255));
    StepList.SetImageList(&StepImages, LVSIL_SMALL);
    HistoryList.SetImageList(&StepImages, LVSIL_SMALL);
    StepList.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    HistoryList.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
}

void CWorkDocAuditResultDlg::InsertHistoryColumns() {
    HistoryList.InsertColumn(0, "评审任务", LVCFMT_LEFT, 120);
    HistoryList.InsertColumn(1, "负责人", LVCFMT_LEFT, 90);
    HistoryList.InsertColumn(2, "开始日期", LVCFMT_LEFT, 120);
    HistoryList.InsertColumn(3, "完成日期", LVCFMT_LEFT, 120);
    HistoryList.InsertColumn(4, "结果", LVCFMT_LEFT, 80);
    HistoryList.InsertColumn(5, "评审意见", LVCFMT_LEFT, 80);
}

BOOL CWorkDocAuditResultDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    TakeConnection();
    CreateStepImages();
    StepList.InsertColumn(0, "评审任务", LVCFMT_LEFT, 120);
    StepList.InsertColumn(1, "负责人", LVCFMT_LEFT, 90);
    StepList.InsertColumn(2, "完成日期", LVCFMT_LEFT, 120);
    StepList.InsertColumn(3, "完成情况", LVCFMT_LEFT, 120);
    StepList.InsertColumn(4, "结果", LVCFMT_LEFT, 90);
    InsertHistoryColumns();

    Loading = 1;
    const int allowChange = ReadSuperiorSettings();
    LoadAuditSteps();
    LoadAuditHistory();
    Loading = 0;
    ReadReviewSettings();
    DecideSuperior();

    if (StepList.GetItemCount() > 0) {
        StepList.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        StepList.SetFocus();
    }
    if (!allowChange)
        GetDlgItem(kChangeAuditorId)->ShowWindow(SW_HIDE);
    return TRUE;
}

int CWorkDocAuditResultDlg::ReadSuperiorSettings() {
    const int allowChange = ReadSettingInt("设计过程管理配置", "允许设计者更换评审负责人", "1");
    FlowBySuperior = ReadSettingInt("设计过程管理配置", "工作任务评审流程由上级指派", "0");
    return allowChange;
}

void CWorkDocAuditResultDlg::DecideSuperior() {
    IsSuperior = 0;
    if (WorkID.IsEmpty())
        return;
    CString sql;
    switch (FlowBySuperior) {
    case 0:
        sql.Format("SELECT Manager FROM TeamWorkManage WHERE WorkID='%s'", SqlQuote(WorkID));
        break;
    case 1:
        sql.Format(DbType == 2 ? "SELECT A.ProjectManager FROM ProjectManage A, TeamWorkManage B WHERE "
                                 "rtrim(A.ProjectNo)=rtrim(B.TaskNo) AND B.WorkID='%s'"
                               : "SELECT A.ProjectManager FROM ProjectManage A, TeamWorkManage B WHERE "
                                 "A.ProjectNo=B.TaskNo AND B.WorkID='%s'",
                   SqlQuote(WorkID));
        break;
    case 2: {
        CWorkDocAuditInfo info;
        IsSuperior = info.CanAssignAuditFlow() ? 1 : 0;
        return;
    }
    default:
        return;
    }
    const CString superior = theApp.GetSqlString(sql);
    IsSuperior = !superior.IsEmpty() && superior.CompareNoCase(theApp.m_strLoginUser) == 0 ? 1 : 0;
}

// --- Reading

void CWorkDocAuditResultDlg::LoadAuditSteps() {
    CString sql;
    sql.Format("SELECT AuditTask,Auditor,FinishDate,State,Result,Prompt,Manager FROM TeamWorkAudit WHERE "
               "FileID='%s'",
               SqlQuote(FileID));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, Connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            CString v[7];
            for (long i = 0; i < 7; ++i)
                v[i] = VariantToString(rs->GetCollect(i));
            StepOpinions.Add(v[5]);
            const int row = StepList.InsertItem(StepList.GetItemCount(), v[0], ResultImage(v[4]));
            StepList.SetItemText(row, 1, ResponsibleText(v[1], v[6]));
            StepList.SetItemText(row, 2, v[2]);
            StepList.SetItemText(row, 3, v[3]);
            StepList.SetItemText(row, 4, v[4]);
            rs->MoveNext();
        }
        if (CloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CWorkDocAuditResultDlg::LoadAuditHistory() {
    CString sql;
    sql.Format("SELECT TaskName,UserName,Other1,SavedTime,Result,Advise FROM TaskLogInformation WHERE "
               "ProjectNo='%s' ORDER BY SavedTime",
               SqlQuote(FileID));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, Connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            CString v[6];
            for (long i = 0; i < 6; ++i)
                v[i] = VariantToString(rs->GetCollect(i));
            const int row = HistoryList.InsertItem(HistoryList.GetItemCount(), v[0], ResultImage(v[4]));
            for (int column = 1; column < 6; ++column)
                HistoryList.SetItemText(row, column, v[column]);
            rs->MoveNext();
        }
        if (CloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

int CWorkDocAuditResultDlg::ReadReviewSettings() {
    CString sql;
    sql.Format("SELECT WorkID, AuditingModel, AuditorName, AuditingType, State FROM TeamWorkResult WHERE "
               "FileID='%s'",
               SqlQuote(FileID));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, Connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        int found = 0;
        if (!rs->IsEOF()) {
            WorkID = VariantToString(rs->GetCollect(0L));
            AuditingModel = VariantToString(rs->GetCollect(1L));
            AuditorName = VariantToString(rs->GetCollect(2L));
            AuditingType = VariantToString(rs->GetCollect(3L));
            State = VariantToString(rs->GetCollect(4L));
            found = 1;
        }
        if (CloseMode)
            rs->Close();
        return found;
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
        return 0;
    }
}

int CWorkDocAuditResultDlg::ReadFileInfo(const CString& fileId) {
    CString sql;
    sql.Format("SELECT FilePrompt, FileName, FileSize FROM TeamWorkResult WHERE FileID='%s'", SqlQuote(fileId));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, Connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        int found = 0;
        if (!rs->IsEOF()) {
            FilePrompt = VariantToString(rs->GetCollect(0L));
            FileName = VariantToString(rs->GetCollect(1L));
            FileSize = VariantToString(rs->GetCollect(2L));
            found = 1;
        }
        if (CloseMode)
            rs->Close();
        return found;
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
        return 0;
    }
}

// --- Selection

void CWorkDocAuditResultDlg::UpdateStepButtons(int row, int stateColumn) {
    const CString step = StepList.GetItemText(row, 0);
    GetDlgItem(kAssistAuditId)->ShowWindow(HasAssistingReviews(step) ? SW_SHOW : SW_HIDE);
    const bool open = StepList.GetItemText(row, stateColumn) == "未完成";
    GetDlgItem(kChangeAuditorId)->EnableWindow(IsSuperior == 1 && State == "评审" && open);
}

void CWorkDocAuditResultDlg::OnStepChanged(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
    if (Loading || change->iItem < 0)
        return;
    SelectedStep = change->iItem;
    StepOpinion = SelectedStep < StepOpinions.GetSize() ? StepOpinions[SelectedStep] : CString();
    UpdateStepButtons(SelectedStep, 3);
    UpdateData(FALSE);
}

void CWorkDocAuditResultDlg::OnHistoryChanged(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
    if (change->iItem < 0)
        return;
    HistoryOpinion = HistoryList.GetItemText(change->iItem, 5);
    UpdateData(FALSE);
}

// --- Commands

void CWorkDocAuditResultDlg::OnAuditFlow() {
    CTaskAuditFlowDlg dlg(nullptr);
    dlg.m_strAuditMode = AuditingType;
    dlg.m_strWorkState = State;
    dlg.m_strAuditModel = AuditingModel;
    dlg.m_strAuditorName = AuditorName;
    dlg.m_bReadOnly = 1;
    dlg.m_bWriteToTask = 0;
    dlg.m_bSubmitMode = 0;
    dlg.DoModal();
}

void CWorkDocAuditResultDlg::OnDocProperties() {
    CWorkDocPropertyDlg dlg(nullptr);
    dlg.FileID = FileID;
    dlg.DoModal();
}

void CWorkDocAuditResultDlg::OnBrowseDocument() {
    UpdateData(TRUE);
    if (!BrowseChecked)
        return;
    CWaitCursor wait;
    OpenDocument();
}

LRESULT CWorkDocAuditResultDlg::OnResetBrowse(WPARAM, LPARAM) {
    BrowseChecked = 0;
    CheckDlgButton(kBrowseId, 0);
    return 1;
}

void CWorkDocAuditResultDlg::OnAssistAudit() {
    const int row = CurrentStepRow();
    if (row < 0 || row >= StepList.GetItemCount())
        return;
    CAssistAuditDlg dlg(nullptr);
    dlg.FileID = FileID;
    dlg.UpAuditName = StepList.GetItemText(row, 0);
    dlg.ReadOnly = 1; // viewing only
    dlg.DoModal();
}

CString CWorkDocAuditResultDlg::DownloadDocument(const CString& namePattern) {
    // The name through MakeValidFileName: a file id or a stored name may hold characters that
    // cannot stand in a file name.
    LastFetchFailure = vq::FetchFailure::None;
    CString name;
    name.Format(namePattern, FileID, FileName);
    const CString localPath = m_callFolder.Path() + MakeValidFileName(name);
    CString sql;
    sql.Format(DbType == 2 ? "SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE rtrim(FileID)='%s'"
                           : "SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE FileID='%s'",
               SqlQuote(FileID));
    CVQSaveFileToDB store;
    const CString written = store.PopFileFromDB(sql, localPath, "DocContent", FileID, FileName);
    if (written.IsEmpty()) {
        LastFetchFailure = store.GetLastFailure();
        ReportFetchFailure(FileName, LastFetchFailure, "文档下载失败!");
        return CString();
    }
    return written;
}

void CWorkDocAuditResultDlg::OpenDocument() {
    if (!ReadFileInfo(FileID))
        return;
    const CString localPath = DownloadDocument("T%s_%s");
    if (localPath.IsEmpty())
        return;
    theApp.AddUniqueFile(localPath);
    if (CFileInfo(localPath).Exists()) {
        CDesignFilePartReader reader;
        reader.ReadFileParts(localPath, FileID);
        OpenDocumentFile(localPath);
    }
}

// --- Change of a step's responsible person

void CWorkDocAuditResultDlg::OnChangeAuditor() {
    const int row = CurrentStepRow();
    if (row < 0 || row >= StepList.GetItemCount())
        return;
    CString step = StepList.GetItemText(row, 0);
    const CString oldAuditor = ResponsibleLogin(StepList.GetItemText(row, 1));

    CString sql;
    sql.Format("SELECT Working FROM TeamWorkAudit WHERE FileID='%s' AND AuditTask='%s'", SqlQuote(FileID),
               SqlQuote(step));
    const CString working = theApp.GetSqlString(sql);
    if (theApp.m_bConnectionLost)
        return;
    if (working.CompareNoCase("T") == 0) {
        AfxMessageBox("该评审任务正在进行更改评审，不能更换负责人...");
        return;
    }
    bool mixed = false;
    step = StoredStepName(step, &mixed);
    // The step rows hold names cut before "[M]": a mixed step is known by its responsible group.
    if (!mixed)
        mixed = IsGroupName(oldAuditor);

    CAuditManagerDlg dlg(nullptr);
    dlg.m_strManager = oldAuditor;
    dlg.m_bGroupMode = mixed ? 1 : 0;
    if (dlg.DoModal() != IDOK)
        return;
    const CString newAuditor = dlg.m_strManager;
    if (newAuditor.CompareNoCase(oldAuditor) == 0) {
        AfxMessageBox("两个评审任务负责人相同，不能继续...");
        return;
    }
    if (ChangeAuditor(step, oldAuditor, newAuditor))
        StepList.SetItemText(row, 1, newAuditor);
}

namespace {

// The first row of the statement, its columns as trimmed text (none when there is no row); false
// after a database error (shown once the transaction has ended).
bool ReadFirstRow(const CString& sql, long columns, std::vector<CString>& fields) {
    fields.clear();
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            for (long column = 0; column < columns; ++column)
                fields.push_back(VariantToString(rs->GetCollect(column)));
        }
        if (theApp.m_nAdoCloseMode)
            rs->Close();
        return true;
    } catch (_com_error& e) {
        ReportComError(e);
        return false;
    }
}

} // namespace

int CWorkDocAuditResultDlg::ChangeAuditor(const CString& stepName, const CString& oldAuditor,
                                          const CString& newAuditor) {
    CString refusal;
    CString joined;
    {
        // Read under the document's lock, which the review decisions take too: the list and the
        // step as they are stored now, not as the window read them when it opened.
        CSqlTransaction transaction;
        if (!transaction.IsActive() || !transaction.Lock(CAuditFlowEngine::DocumentLockName(FileID)))
            return 0;
        if (!HandOverLocked(stepName, oldAuditor, newAuditor, joined, refusal))
            return 0;
        if (refusal.IsEmpty() && !transaction.Commit())
            return 0;
    }
    if (!refusal.IsEmpty()) {
        AfxMessageBox(refusal);
        return 0;
    }
    AuditorName = joined;
    return 1;
}

bool CWorkDocAuditResultDlg::HandOverLocked(const CString& stepName, const CString& oldAuditor,
                                            const CString& newAuditor, CString& joined, CString& refusal) {
    std::vector<CString> document;
    CString sql;
    sql.Format("SELECT State, AuditingModel, AuditorName FROM TeamWorkResult WHERE FileID='%s'",
               SqlQuote(FileID));
    if (!ReadFirstRow(sql, 3, document))
        return false;
    if (document.empty() || document[0] != "评审") {
        refusal = "该工作文档已不在评审中，不能更换负责人...";
        return true;
    }
    std::vector<CString> step;
    sql.Format("SELECT State, Working, Auditor FROM TeamWorkAudit WHERE FileID='%s' AND AuditTask='%s'",
               SqlQuote(FileID), SqlQuote(stepName));
    if (!ReadFirstRow(sql, 3, step))
        return false;
    if (step.empty() || step[0] != "未完成") {
        refusal = "该评审任务已完成，不能更换负责人...";
        return true;
    }
    if (step[1].CompareNoCase("T") == 0) {
        refusal = "该评审任务正在进行更改评审，不能更换负责人...";
        return true;
    }
    if (step[2].CompareNoCase(oldAuditor) != 0) {
        refusal.Format("该评审任务的负责人已被更换为%s，不能再次更换...",
                       CString(vq::VisibleText(step[2].str())));
        return true;
    }
    const CString& templateName = document[1];
    sql.Format("SELECT AuditingPath FROM AuditingManage WHERE AuditingModel='%s'", SqlQuote(templateName));
    const CStringArray pathEntries = SplitList(theApp.GetSqlString(sql));
    if (theApp.m_bConnectionLost)
        return false;
    if (pathEntries.IsEmpty()) {
        // Without the template's path no auditor of the list can be matched to its step: the
        // stored list would be lost, so nothing is changed.
        refusal.Format("评审流程模板[%s]没有评审路径，不能更换负责人...", templateName);
        return true;
    }
    // Only the auditor of the step handed over changes: the others are as stored now, whatever
    // another hand-over wrote since this window opened.
    CStringArray auditors = SplitList(document[2]);
    const int count = std::min(pathEntries.GetSize(), auditors.GetSize());
    for (int i = 0; i < count; ++i) {
        const CString& entry = pathEntries[i];
        const int paren = entry.Find('(');
        const CString name = paren >= 0 ? StoredStepName(entry.Left(paren)) : CString();
        if (!name.IsEmpty() && name.CompareNoCase(stepName) == 0)
            auditors[i] = newAuditor;
    }
    // Auditors beyond the path's steps are kept as they were.
    joined.Empty();
    for (int i = 0; i < auditors.GetSize(); ++i) {
        if (i > 0)
            joined += kPathSeparator;
        joined += auditors[i];
    }
    sql.Format("UPDATE TeamWorkResult SET AuditorName='%s' WHERE FileID='%s'", SqlQuote(joined), SqlQuote(FileID));
    if (!theApp.ExecuteSql(sql))
        return false;
    sql.Format("UPDATE TeamWorkAudit SET Auditor='%s' WHERE FileID='%s' AND AuditTask='%s'", SqlQuote(newAuditor),
               SqlQuote(FileID), SqlQuote(stepName));
    return theApp.ExecuteSql(sql) != 0;
}
