#include "teamwork/TeamWorkTaskStateDlg.h"

#include "controls/ListHelpers.h"
#include "core/ComError.h"
#include "core/DialogSeams.h"
#include "core/Settings.h"
#include "core/SqlTransaction.h"
#include "core/VqDesignTaskApp.h"
#include "parts/DrawingCheckDlg.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "projects/ProjectTaskRecords.h"
#include "projects/WorkStateUpdater.h"
#include "teamwork/DocFileItem.h"
#include "teamwork/ECOAuditLevel.h"
#include "teamwork/PersonalWorkTaskDlg.h"
#include "teamwork/WorkDocPropertyDlg.h"
#include "teamwork/WorkDocumentBrowse.h"

namespace {

using D = CTeamWorkTaskStateDlg;
constexpr DWORD kReadOnlyEdit = ES_AUTOHSCROLL | ES_READONLY;

const vq::DialogTemplate kWorkTaskStateTemplate{
    "工作任务状态维护",
    {vq::ReportList(D::kListId, vq::kFill, LVS_REPORT | LVS_SHOWSELALWAYS),
     vq::PushButton(D::kMarkCompleteId, "标记完成..."), vq::PushButton(D::kMarkChangedId, "标记更改...", vq::kBeside),
     vq::PushButton(D::kChangeFileId, "更改文件...", vq::kBeside),
     vq::PushButton(D::kFilePropertyId, "文件属性...", vq::kBeside),
     vq::PushButton(D::kBrowseId, "浏览...", vq::kBeside), vq::PushButton(D::kReviewResultId, "评审结果...", vq::kBeside),
     vq::Label("状态"), vq::EditBox(D::kStateId, vq::kBeside, kReadOnlyEdit),
     vq::PushButton(D::kSelectWorkId, "任务编号", vq::kBeside, WS_DISABLED),
     vq::EditBox(D::kWorkIdId, vq::kBeside, kReadOnlyEdit), vq::PushButton(IDCANCEL, "退出", vq::kBeside)},
    CSize(860, 420)};

const vq::TemplateRegistration kWorkTaskStateRegistration(D::IDD, kWorkTaskStateTemplate);

const std::pair<const char*, int> kColumns[] = {{"序号", 60},  {"名称", 120},     {"大小", 60},
                                                {"类型", 140}, {"状态", 60},      {"修改时间", 140},
                                                {"对应零部件", 110}};

constexpr char kSection[] = "设计过程管理配置";
constexpr char kNoSelection[] = "请选择指定的设计文件...";
constexpr char kNoRecord[] = "无文档属性信息，不能进行浏览...";
constexpr char kPropagationFailed[] = "不能更新上级任务的状态，工作任务状态没有改变...";

bool ParentStateBlocks(const CString& state) {
    auto is = [&state](const char* text) { return state.CollateNoCase(text) == 0; };
    if (is("完成")) {
        AfxMessageBox("上级任务已经完成，不能更改...");
        return true;
    }
    if (is("已归档") || is("归档") || is("已入库")) {
        AfxMessageBox("上级任务已经归档，不能更改...");
        return true;
    }
    if (is("评审") || is("待评审")) {
        AfxMessageBox("上级任务已经提交评审，不能更改...");
        return true;
    }
    return false;
}

} // namespace

BEGIN_MESSAGE_MAP(CTeamWorkTaskStateDlg, CDialog)
    ON_BN_CLICKED(CTeamWorkTaskStateDlg::kMarkCompleteId, &CTeamWorkTaskStateDlg::OnMarkComplete)
    ON_BN_CLICKED(CTeamWorkTaskStateDlg::kMarkChangedId, &CTeamWorkTaskStateDlg::OnMarkChanged)
    ON_BN_CLICKED(CTeamWorkTaskStateDlg::kChangeFileId, &CTeamWorkTaskStateDlg::OnChangeFile)
    ON_BN_CLICKED(CTeamWorkTaskStateDlg::kFilePropertyId, &CTeamWorkTaskStateDlg::OnFileProperty)
    ON_BN_CLICKED(CTeamWorkTaskStateDlg::kBrowseId, &CTeamWorkTaskStateDlg::OnBrowse)
    ON_BN_CLICKED(CTeamWorkTaskStateDlg::kReviewResultId, &CTeamWorkTaskStateDlg::OnReviewResult)
    ON_BN_CLICKED(CTeamWorkTaskStateDlg::kSelectWorkId, &CTeamWorkTaskStateDlg::OnSelectWork)
    ON_NOTIFY(NM_DBLCLK, CTeamWorkTaskStateDlg::kListId, &CTeamWorkTaskStateDlg::OnListDblClk)
END_MESSAGE_MAP()

CTeamWorkTaskStateDlg::CTeamWorkTaskStateDlg(CWnd* parent) : CDialog(IDD, parent) {}

CTeamWorkTaskStateDlg::~CTeamWorkTaskStateDlg() {
    ClearRecords();
}

void CTeamWorkTaskStateDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kListId, DocList);
    DDX_Text(pDX, kStateId, StateText);
    DDX_Text(pDX, kWorkIdId, ShownWorkID);
}

void CTeamWorkTaskStateDlg::EnableButton(int id, BOOL enable) {
    if (CWnd* button = GetDlgItem(id))
        button->EnableWindow(enable);
}

void CTeamWorkTaskStateDlg::ShowButton(int id, BOOL show) {
    if (CWnd* button = GetDlgItem(id))
        button->ShowWindow(show ? SW_SHOW : SW_HIDE);
}

bool CTeamWorkTaskStateDlg::IsChangeWorkID() const {
    return theApp.m_nUseChangeTask && WorkID.Find("[M]") > 0;
}

BOOL CTeamWorkTaskStateDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    Connection = theApp.m_pConnPDM;
    LoginUser = theApp.m_strLoginUser;
    DatabaseType = theApp.m_nDatabaseType;
    CloseMode = theApp.m_nAdoCloseMode;
    NeedAllSigned = ReadSettingInt(kSection, "反签所有的图纸才可以标记完成", "1");
    UseChangeMarks = ReadSettingInt(kSection, "使用任务标记更改和文件更改", "1");
    DocsNeedNoReview = ReadSettingInt(kSection, "任务文档不需要评审", "0");
    if (!UseChangeMarks) {
        ShowButton(kMarkChangedId, FALSE);
        ShowButton(kChangeFileId, FALSE);
    }
    DocList.SetExtendedStyle(DocList.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    DocList.SetImageList(CSysImageList::GetImageList(FALSE), LVSIL_NORMAL);
    DocList.SetImageList(CSysImageList::GetImageList(TRUE), LVSIL_SMALL);
    int column = 0;
    for (const auto& [heading, width] : kColumns)
        DocList.InsertColumn(column++, heading, LVCFMT_LEFT, width);
    if (WorkID.IsEmpty()) {
        EnableButton(kSelectWorkId, TRUE);
        return TRUE;
    }
    ShownWorkID = WorkID;
    UpdateData(FALSE);
    ReadWork();
    FillDocumentList();
    ApplyStateButtons();
    if (ReadOnly == 1) {
        for (int id : {kMarkCompleteId, kMarkChangedId, kChangeFileId, kFilePropertyId, kBrowseId, kReviewResultId})
            EnableButton(id, FALSE);
    }
    if (IsChangeWorkID()) {
        IsChangeTask = 1;
        EnableButton(kMarkChangedId, FALSE);
    }
    if (DocsNeedNoReview) {
        ShowButton(kChangeFileId, FALSE);
        ShowButton(kReviewResultId, FALSE);
    }
    return TRUE;
}

void CTeamWorkTaskStateDlg::ApplyStateButtons() {
    const bool complete = StateText == "完成";
    EnableButton(kMarkCompleteId, !complete);
    EnableButton(kMarkChangedId, complete);
}

void CTeamWorkTaskStateDlg::ReadWork() {
    if (!WorkID.IsEmpty()) {
        CString sql;
        sql.Format("SELECT WorkName, Manager, WorkState FROM TeamWorkManage WHERE WorkID='%s'", SqlQuote(WorkID));
        try {
            _RecordsetPtr rs;
            rs.CreateInstance();
            rs->Open(sql, Connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
            if (!rs->IsEOF()) {
                WorkName = VariantToString(rs->GetCollect(0L));
                Manager = VariantToString(rs->GetCollect(1L));
                StateText = VariantToString(rs->GetCollect(2L));
            }
            if (CloseMode)
                rs->Close();
        } catch (_com_error& e) {
            theApp.ReportSqlError(e, sql);
        }
    }
    ReadOnly = 0;
    if (Manager.CompareNoCase(LoginUser) != 0 && LoginUser.CompareNoCase("admin") != 0)
        ReadOnly = 1;
    if (StateText == "待确认") {
        AfxMessageBox("工作任务还没有进行确认，不能进行状态维护...");
        ReadOnly = 1;
    }
    UpdateData(FALSE);
}

void CTeamWorkTaskStateDlg::ClearRecords() {
    for (void* record : Records)
        delete static_cast<DocFileItem*>(record);
    Records.RemoveAll();
}

void CTeamWorkTaskStateDlg::FillDocumentList() {
    if (WorkID.IsEmpty()) {
        AfxMessageBox("工作任务编号不能为空...");
        ReadOnly = 1;
        return;
    }
    DocList.DeleteAllItems();
    CString sql;
    sql.Format("SELECT FileID, FilePrompt, FileName, FileSize, FileType, State, SaveDate, PartCode FROM "
               "TeamWorkResult WHERE WorkID='%s' ORDER BY FileID",
               SqlQuote(WorkID));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, Connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            auto* record = new DocFileItem;
            record->m_strKey = VariantToString(rs->GetCollect(0L));
            record->m_strDescription = VariantToString(rs->GetCollect(1L));
            record->m_strFile = VariantToString(rs->GetCollect(2L));
            record->m_strFileSize = VariantToString(rs->GetCollect(3L));
            record->m_strFileType = VariantToString(rs->GetCollect(4L));
            const CString state = VariantToString(rs->GetCollect(5L));
            record->m_strSaveDate = VariantToString(rs->GetCollect(6L));
            const CString partCode = VariantToString(rs->GetCollect(7L));
            Records.Add(record);
            const int row = DocList.GetItemCount();
            CString number;
            number.Format("%d", row + 1);
            DocList.InsertItem(row, number, CSysImageList::GetIconIndex(record->m_strFile));
            DocList.SetItemText(row, 1, record->m_strDescription);
            DocList.SetItemText(row, 2, record->m_strFileSize);
            DocList.SetItemText(row, 3, record->m_strFileType);
            DocList.SetItemText(row, kStateColumn, state);
            DocList.SetItemText(row, 5, record->m_strSaveDate);
            DocList.SetItemText(row, 6, partCode);
            DocList.SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
            rs->MoveNext();
        }
        if (CloseMode)
            rs->Close();
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
    }
}

int CTeamWorkTaskStateDlg::AllDrawingsCounterSigned() {
    CString all;
    all.Format("SELECT COUNT(*) FROM TeamWorkResult WHERE WorkID='%s' AND FileType LIKE '%s%%'%s", SqlQuote(WorkID),
               SqlLikeLiteral("AutoCAD"), kSqlLikeEscape);
    CString signedOnes;
    signedOnes.Format("SELECT COUNT(*) FROM TeamWorkResult WHERE WorkID='%s' AND FileType LIKE '%s%%'%s AND "
                      "Other2='已反签'",
                      SqlQuote(WorkID), SqlLikeLiteral("AutoCAD"), kSqlLikeEscape);
    return theApp.GetSqlInt(all) == theApp.GetSqlInt(signedOnes) ? 1 : 0;
}

int CTeamWorkTaskStateDlg::CanChangeWorkState() {
    CString sql;
    sql.Format("SELECT UpWorkID FROM TeamWorkManage WHERE WorkID='%s'", SqlQuote(WorkID));
    const CString parent = theApp.GetSqlString(sql);
    if (parent.IsEmpty())
        return 1;
    CString state;
    sql.Format("SELECT COUNT(*) FROM TeamWorkManage WHERE WorkID='%s'", SqlQuote(parent));
    if (theApp.GetSqlInt(sql) >= 1) {
        sql.Format("SELECT WorkState FROM TeamWorkManage WHERE WorkID='%s'", SqlQuote(parent));
        state = theApp.GetSqlString(sql);
    } else {
        sql.Format("SELECT Count(*) FROM ProjectManage WHERE ProjectNo='%s'", SqlQuote(parent));
        if (theApp.GetSqlInt(sql) < 1)
            return 1;
        sql.Format("SELECT WorkState FROM ProjectManage WHERE ProjectNo='%s'", SqlQuote(parent));
        state = theApp.GetSqlString(sql);
    }
    return ParentStateBlocks(state) ? 0 : 1;
}

int CTeamWorkTaskStateDlg::PropagateWorkState(const CString& state) {
    CWorkStateUpdater updater;
    // Nothing to bring into line (no task row above the work task) is no failure: only a failed
    // statement stops the change.
    if (updater.SetTeamWorkState(WorkID, state))
        return 1;
    return updater.StatementFailed() ? 0 : 1;
}

int CTeamWorkTaskStateDlg::SetDocumentsState(const CString& state) {
    CString sql;
    sql.Format("Update TeamworkResult Set State = '%s' WHERE WorkID = '%s'", SqlQuote(state), SqlQuote(WorkID));
    return theApp.ExecuteSql(sql);
}

// Runs the work task's update, the documents' state (when given) and the propagation of the
// work task's new state as one transaction: after a failure nothing of it is stored.
bool CTeamWorkTaskStateDlg::WorkUpdated(const CString& sql, const CString& state,
                                        const CString& documentsState, bool propagate, Judged judged) {
    CWaitCursor wait;
    CString refusal;
    {
        CSqlTransaction transaction;
        if (!transaction.IsActive() || !transaction.Lock(projects::WorkTaskLockName(WorkID)))
            return false;
        if (!FindStoredRefusal(judged, refusal))
            return false;
        if (refusal.IsEmpty()) {
            if (!theApp.ExecuteSql(sql))
                return false;
            if (!documentsState.IsEmpty() && !SetDocumentsState(documentsState))
                return false;
            if (propagate && !PropagateWorkState(state)) {
                AfxMessageBox(kPropagationFailed);
                return false;
            }
            return transaction.Commit();
        }
    }
    AfxMessageBox(refusal);
    return false;
}

bool CTeamWorkTaskStateDlg::FindStoredRefusal(Judged judged, CString& refusal) {
    refusal.Empty();
    CString sql;
    if (judged == Judged::Change) {
        sql.Format("SELECT WorkState FROM TeamWorkManage WHERE WorkID='%s'", SqlQuote(WorkID));
        const CString stored = theApp.GetSqlString(sql);
        if (theApp.m_bConnectionLost)
            return false;
        if (stored != "完成")
            refusal = "工作任务不处于完成状态，不能标记为更改...";
        return true;
    }
    if (judged != Judged::Completion)
        return true;
    // The documents as they are stored now: one stored, sent back or added since the list was
    // filled is judged as the list would have shown it.
    sql.Format("SELECT count(*) FROM TeamWorkResult WHERE WorkID='%s'", SqlQuote(WorkID));
    const int documents = projects::QueryGuardCount(sql);
    if (documents < 0)
        return false;
    if (documents == 0) {
        refusal = "没有提交工作文档，不能标记任务状态为完成...";
        return true;
    }
    if (DocsNeedNoReview)
        return true;
    sql.Format(
        "SELECT count(*) FROM TeamWorkResult WHERE WorkID='%s' AND (State IS NULL OR State NOT IN ('正式', "
        "'已归档'))",
        SqlQuote(WorkID));
    const int unreviewed = projects::QueryGuardCount(sql);
    if (unreviewed < 0)
        return false;
    if (unreviewed > 0)
        refusal = "有未经过评审通过的设计文档，不能标记任务状态为完成...";
    else if (NeedAllSigned && !AllDrawingsCounterSigned())
        refusal = "有未经过反签的图纸，不能标记任务状态为完成...";
    return true;
}

void CTeamWorkTaskStateDlg::OnMarkComplete() {
    const int rows = DocList.GetItemCount();
    if (rows == 0) {
        // Nothing to complete: the work task stays as it is and the caller is told nothing changed.
        AfxMessageBox("没有提交工作文档，不能标记任务状态为完成...");
        return;
    }
    if (!DocsNeedNoReview) {
        for (int row = 0; row < rows; ++row) {
            const CString state = DocList.GetItemText(row, kStateColumn);
            if (state != "正式" && state != "已归档") {
                AfxMessageBox("有未经过评审通过的设计文档，不能标记任务状态为完成...");
                return;
            }
        }
        if (NeedAllSigned && !AllDrawingsCounterSigned()) {
            AfxMessageBox("有未经过反签的图纸，不能标记任务状态为完成...");
            return;
        }
        if (AfxMessageBox("是否进行完整性分析?", MB_YESNO) == IDYES) {
            CDrawingCheckDlg check(nullptr);
            check.m_strTaskNo = WorkID;
            check.m_nCheckMode = 0;
            check.DoModal();
        }
        if (AfxMessageBox("是否继续标记任务完成?", MB_YESNO) != IDYES)
            return;
    }
    CString sql;
    sql.Format("UPDATE TeamWorkManage SET WorkState='完成', FinishedTime='%s' WHERE WorkID='%s'",
               CTime::GetCurrentTime().Format("%Y-%m-%d %H:%M"), SqlQuote(WorkID));
    if (!WorkUpdated(sql, "完成", DocsNeedNoReview ? "正式" : "", !DocsNeedNoReview, Judged::Completion))
        return;
    StateText = "完成";
    UpdateData(FALSE);
    EnableButton(kMarkCompleteId, FALSE);
    EnableButton(kMarkChangedId, TRUE);
    EnableButton(kChangeFileId, TRUE);
    if (DocsNeedNoReview) {
        for (int row = 0; row < rows; ++row)
            DocList.SetItemText(row, kStateColumn, "正式");
    }
    AfxMessageBox("工作任务已标记为完成状态...");
    Changed = 1;
}

void CTeamWorkTaskStateDlg::OnMarkChanged() {
    UpdateData(TRUE);
    if (StateText != "完成") {
        AfxMessageBox("工作任务不处于完成状态，不能标记为更改...");
        return;
    }
    if (!CanChangeWorkState())
        return;
    if (vq::ShowMessageBox("操作提示", "将修改工作任务状态为更改，是否继续?", MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    CString sql;
    sql.Format("UPDATE TeamWorkManage SET WorkState='更改' WHERE WorkID='%s'", SqlQuote(WorkID));
    if (!WorkUpdated(sql, "更改", DocsNeedNoReview ? "更改" : "", true, Judged::Change))
        return;
    StateText = "更改";
    UpdateData(FALSE);
    EnableButton(kMarkCompleteId, TRUE);
    EnableButton(kMarkChangedId, FALSE);
    if (DocsNeedNoReview) {
        for (int row = 0; row < DocList.GetItemCount(); ++row)
            DocList.SetItemText(row, kStateColumn, "更改");
    }
    AfxMessageBox("工作任务已标记为更改状态...");
    Changed = 1;
}

DocFileItem* CTeamWorkTaskStateDlg::SelectedRecord(int* rowOut) {
    const int row = GetFirstSelectedItem(DocList);
    if (row < 0) {
        AfxMessageBox(kNoSelection);
        return nullptr;
    }
    auto* record = reinterpret_cast<DocFileItem*>(DocList.GetItemData(row));
    if (!record) {
        AfxMessageBox(kNoRecord);
        return nullptr;
    }
    if (rowOut)
        *rowOut = row;
    return record;
}

bool CTeamWorkTaskStateDlg::MayChangeDocument(const CString& state, const DocFileItem& record,
                                              bool beingChanged) {
    if (theApp.m_nUseChangeTask && state == "评审") {
        CString sql;
        sql.Format("SELECT count(*) from teamworkaudit where fileid = '%s' AND  state = '等待'",
                   SqlQuote(record.m_strKey));
        return std::atoi(theApp.GetSqlString(sql)) >= 1;
    }
    return state == "正式" || state == "已归档" || beingChanged;
}

bool CTeamWorkTaskStateDlg::StoreDocumentsChanged(const std::vector<int>& rows) {
    CString sql;
    for (int row : rows) {
        const auto* record = reinterpret_cast<const DocFileItem*>(DocList.GetItemData(row));
        sql.Format("UPDATE TeamWorkResult SET State='更改', Other2=NULL WHERE FileID='%s'",
                   SqlQuote(record->m_strKey));
        if (!theApp.ExecuteSql(sql))
            return false;
        if (IsChangeTask) {
            CECOAuditLevel levels;
            if (!levels.AdvanceFileLevel(WorkID, record->m_strKey, 0))
                return false;
        }
    }
    sql.Format("UPDATE TeamWorkManage SET WorkState='更改' WHERE WorkID='%s'", SqlQuote(WorkID));
    if (!theApp.ExecuteSql(sql))
        return false;
    if (!PropagateWorkState("更改")) {
        AfxMessageBox(kPropagationFailed);
        return false;
    }
    return true;
}

void CTeamWorkTaskStateDlg::OnChangeFile() {
    if (!CanChangeWorkState())
        return;
    const int first = GetFirstSelectedItem(DocList);
    if (first < 0) {
        AfxMessageBox(kNoSelection);
        return;
    }
    if (DocList.GetItemText(first, kStateColumn) != "正式") {
        AfxMessageBox("当前文件不是正式状态，不允许更改!");
        return;
    }
    CString sql;
    if (IsChangeTask) {
        sql.Format("SELECT State FROM TeamWorkResult WHERE WorkID = '%s' AND Other4 = '_ECO'", SqlQuote(WorkID));
        if (theApp.GetSqlString(sql) != "更改") {
            AfxMessageBox("当前任务关联的更改单状态不为更改, 不允许更改文件!");
            return;
        }
    }
    bool beingChanged = false;
    if (IsChangeWorkID()) {
        for (int row = 0; row < DocList.GetItemCount() && !beingChanged; ++row)
            beingChanged = DocList.GetItemText(row, kStateColumn).CompareNoCase("更改") == 0;
    }
    if (vq::ShowMessageBox("操作提示", "将修改选择工作文档的状态为更改，是否继续?", MB_YESNO | MB_ICONWARNING) !=
        IDYES)
        return;

    // Every selected document is checked before any is changed, so a refusal changes nothing.
    std::vector<int> rows;
    for (int row = 0; row < DocList.GetItemCount(); ++row) {
        if (!DocList.GetItemState(row, LVIS_SELECTED))
            continue;
        const auto* record = reinterpret_cast<const DocFileItem*>(DocList.GetItemData(row));
        if (!record) {
            AfxMessageBox(kNoRecord);
            return;
        }
        if (!MayChangeDocument(DocList.GetItemText(row, kStateColumn), *record, beingChanged)) {
            AfxMessageBox("选中工作文档不处于正式或已归档状态，不能更改状态...");
            return;
        }
        rows.push_back(row);
    }

    // The documents, their review levels and the work task's state are stored together or not at all,
    // each document judged again on its stored state under the work task's lock: one sent to
    // review or changed by another client while the question was open is not changed.
    bool refused = false;
    {
        CWaitCursor wait;
        CSqlTransaction transaction;
        if (!transaction.IsActive() || !transaction.Lock(projects::WorkTaskLockName(WorkID)))
            return;
        for (int row : rows) {
            const auto* record = reinterpret_cast<const DocFileItem*>(DocList.GetItemData(row));
            sql.Format("SELECT State FROM TeamWorkResult WHERE FileID='%s'", SqlQuote(record->m_strKey));
            const CString stored = theApp.GetSqlString(sql);
            if (theApp.m_bConnectionLost)
                return;
            if (!MayChangeDocument(stored, *record, beingChanged)) {
                refused = true;
                break;
            }
        }
        if (!refused && !StoreDocumentsChanged(rows))
            return;
        if (!refused && !transaction.Commit())
            return;
    }
    if (refused) {
        AfxMessageBox("选中工作文档不处于正式或已归档状态，不能更改状态...");
        return;
    }
    for (int row : rows)
        DocList.SetItemText(row, kStateColumn, "更改");
    StateText = "更改";
    UpdateData(FALSE);
    EnableButton(kMarkChangedId, FALSE);
    EnableButton(kMarkCompleteId, TRUE);
    AfxMessageBox("选中工作文档已标记为更改状态...");
    Changed = 1;
}

void CTeamWorkTaskStateDlg::OnFileProperty() {
    DocFileItem* record = SelectedRecord();
    if (!record)
        return;
    CWorkDocPropertyDlg dlg(nullptr);
    dlg.FileID = record->m_strKey;
    dlg.DoModal();
}

void CTeamWorkTaskStateDlg::OnListDblClk(NMHDR*, LRESULT* result) {
    *result = 0;
    if (DocList.GetItemCount() > 0)
        OnFileProperty();
}

void CTeamWorkTaskStateDlg::OnBrowse() {
    int row = -1;
    DocFileItem* record = SelectedRecord(&row);
    if (!record)
        return;
    CWaitCursor wait;
    BrowseWorkDocument(m_copies.Path(), *record, DocList.GetItemText(row, kNameColumn), DatabaseType);
}

void CTeamWorkTaskStateDlg::OnReviewResult() {
    DocFileItem* record = SelectedRecord();
    if (!record)
        return;
    vq::ShowAuditResult(record->m_strKey, record->m_strFile);
}

void CTeamWorkTaskStateDlg::OnSelectWork() {
    CPersonalWorkTaskDlg dlg(this);
    dlg.m_bTasksSelectable = 0;
    dlg.m_nTreeMode = 1;
    dlg.m_bShowWorks = 1;
    dlg.m_strWorkID = WorkID;
    if (dlg.DoModal() != IDOK)
        return;
    ShownWorkID = dlg.m_strWorkID;
    WorkID = dlg.m_strWorkID;
    Manager.Empty();
    WorkName.Empty();
    StateText.Empty();
    IsChangeTask = 0;
    UpdateData(FALSE);
    ReadWork();
    FillDocumentList();
    ApplyStateButtons();
    if (IsChangeWorkID()) {
        IsChangeTask = 1;
        EnableButton(kMarkChangedId, FALSE);
    } else if (ReadOnly != 1) {
        EnableButton(kMarkChangedId, TRUE);
    }
    // A work task the account may not change keeps every command that changes data locked.
    const BOOL editable = ReadOnly != 1;
    EnableButton(kFilePropertyId, editable);
    EnableButton(kBrowseId, editable);
    EnableButton(kReviewResultId, editable);
    EnableButton(kChangeFileId, editable);
    if (!editable) {
        EnableButton(kMarkCompleteId, FALSE);
        EnableButton(kMarkChangedId, FALSE);
    }
}

void CTeamWorkTaskStateDlg::PostNcDestroy() {
    ClearRecords();
    Connection = nullptr;
    CDialog::PostNcDestroy();
}
