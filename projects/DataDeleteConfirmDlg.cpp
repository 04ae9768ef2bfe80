#include "projects/DataDeleteConfirmDlg.h"

#include "controls/ItemTextSort.h"
#include "controls/ProgressDlg.h"
#include "core/ComError.h"
#include "core/ItemText.h"
#include "core/SqlTransaction.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/TextCodec.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ftp/FtpConnection.h"
#include "platform/maker/FileStore.h"
#include "platform/ui/DataExchange.h"
#include "projects/ProjectTaskRecords.h"
#include "projects/WorkDocumentCopies.h"

#include <set>
#include <tuple>
#include <vector>

namespace {

const vq::DialogTemplate kDataDeleteConfirmTemplate{
    "数据删除确认",
    {vq::Label("", vq::kNoLayoutFlags, 0, CDataDeleteConfirmDlg::kWarningId),
     vq::ReportList(CDataDeleteConfirmDlg::kListId, vq::kFill), vq::Label("涉及文档数目"),
     vq::EditBox(CDataDeleteConfirmDlg::kDocCountId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside)},
    CSize(640, 380)};

enum Column { kSerial, kName, kNumber, kPath, kState, kColumns };

// Folders are emptied at most this deep; a deeper tree is left and reported.
constexpr int kMaxFolderDepth = 16;

// The statement with its "<column>=%s" the condition that the column holds the task's number
// exactly as stored: a task numbered "xm-02-01" never reaches the rows of task "XM-02-01".
CString WithTask(const char* format, const CString& taskNo) {
    CString sql(format);
    const char* column = sql.Find("TaskNo=%s") >= 0 ? "TaskNo" : "ProjectNo";
    // One pass: the number put in is not read again.
    sql.Replace(CString(column) + "=%s", projects::NumberIsExactly(column, taskNo));
    return sql;
}

// The rows of one task, in the order they are deleted; the work rows go last because every
// statement before reaches the task's work tasks through them.
std::vector<CString> TaskDeletionStatements(const CString& taskNo, int storageMode) {
    std::vector<const char*> formats = {
        "DELETE FROM TaskDocuments WHERE ProjectNo=%s",
        "DELETE FROM TaskExtDocument WHERE TaskNo=%s",
        "DELETE FROM TaskAuditManage WHERE ProjectNo=%s",
        "DELETE FROM TaskFileResult WHERE ProjectNo=%s",
        "DELETE FROM TaskLogInformation WHERE ProjectNo=%s",
        "DELETE FROM TaskRevDocuments WHERE ProjectNo=%s",
        "DELETE FROM TaskRevManage WHERE ProjectNo=%s",
        "DELETE FROM VqkorvelTask_title WHERE ProjectNo=%s",
        "DELETE FROM VqkorvelTask_detail WHERE ProjectNo=%s",
        "DELETE FROM TeamWorkRequest WHERE WorkID IN (SELECT WorkID FROM TeamWorkManage WHERE TaskNo=%s)",
        "DELETE FROM TeamWorkResourcePack WHERE ResourceID in (SELECT ResourceID FROM TeamWorkResource WHERE "
        "WorkID "
        "IN (SELECT WorkID FROM TeamWorkManage WHERE TaskNo=%s))",
        "DELETE FROM TeamWorkResource WHERE WorkID IN (SELECT WorkID FROM TeamWorkManage WHERE TaskNo=%s)",
        "DELETE FROM TeamWorkRelation WHERE FileID in (SELECT FileID FROM TeamWorkResult WHERE WorkID IN "
        "(SELECT "
        "WorkID FROM TeamWorkManage WHERE TaskNo=%s))",
        "DELETE FROM TeamWorkAdvise WHERE FileID in (SELECT FileID FROM TeamWorkResult WHERE WorkID IN "
        "(SELECT "
        "WorkID FROM TeamWorkManage WHERE TaskNo=%s))",
        "DELETE FROM TeamWorkAudit WHERE FileID in (SELECT FileID FROM TeamWorkResult WHERE WorkID IN "
        "(SELECT "
        "WorkID FROM TeamWorkManage WHERE TaskNo=%s))",
        "DELETE FROM TeamWorkHistory WHERE FileID in (SELECT FileID FROM TeamWorkResult WHERE WorkID IN "
        "(SELECT "
        "WorkID FROM TeamWorkManage WHERE TaskNo=%s))"};
    if (storageMode == 0 || storageMode == 1)
        formats.push_back(
            "DELETE FROM TeamWorkResultPack WHERE FileID in (SELECT FileID FROM TeamWorkResult WHERE "
            "WorkID IN (SELECT WorkID FROM TeamWorkManage WHERE TaskNo=%s))");
    formats.push_back(
        "DELETE FROM TeamWorkResult WHERE WorkID IN (SELECT WorkID FROM TeamWorkManage WHERE TaskNo=%s)");
    formats.push_back(
        "DELETE FROM TeamWorkPart WHERE WorkID IN (SELECT WorkID FROM TeamWorkManage WHERE TaskNo=%s)");
    formats.push_back(
        "DELETE FROM TeamWorkPartTree WHERE WorkID IN (SELECT WorkID FROM TeamWorkManage WHERE TaskNo=%s)");
    formats.push_back("DELETE FROM TeamWorkManage WHERE TaskNo=%s");
    std::vector<CString> statements;
    for (const char* format : formats)
        statements.push_back(WithTask(format, taskNo));
    return statements;
}

bool IsUndeletableState(const CString& state) {
    return state == "评审" || state == "归档" || state == "完成" || state == "已归档" || state == "已入库";
}

} // namespace

BEGIN_MESSAGE_MAP(CDataDeleteConfirmDlg, CDialog)
    ON_NOTIFY(LVN_COLUMNCLICK, CDataDeleteConfirmDlg::kListId, &CDataDeleteConfirmDlg::OnColumnClick)
END_MESSAGE_MAP()

CDataDeleteConfirmDlg::CDataDeleteConfirmDlg(CWnd* parent) : CDialog(kDataDeleteConfirmTemplate, parent) {}

CDataDeleteConfirmDlg::~CDataDeleteConfirmDlg() {
    DeleteItemTexts(m_arrItemTexts);
}

void CDataDeleteConfirmDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kListId, m_list);
}

void CDataDeleteConfirmDlg::OnDestroy() {
    m_storedRows.clear();
    DeleteItemTexts(m_arrItemTexts);
    CDialog::OnDestroy();
}

CString CDataDeleteConfirmDlg::SubtreePrefix() const {
    return projects::ChildrenPath(ProjectPath, ProjectName);
}

vq::db::Engine CDataDeleteConfirmDlg::Engine() const {
    return m_pConnection ? m_pConnection->GetEngine() : vq::db::Engine::Other;
}

CString CDataDeleteConfirmDlg::NodeCondition(const CString& alias) const {
    return SqlExactEquals(Engine(), alias + "ProjectName", ProjectName) + " AND " +
           SqlExactEquals(Engine(), alias + "ProjectPath", ProjectPath);
}

CString CDataDeleteConfirmDlg::SubtreeCondition(const CString& alias) const {
    return SqlExactPrefix(Engine(), alias + "ProjectPath", SubtreePrefix());
}

BOOL CDataDeleteConfirmDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_pFtpConnection = theApp.m_pFtpConnection;
    if (!AskAboutStartedDescendants()) {
        GetDlgItem(IDOK)->EnableWindow(FALSE);
        EndDialog(IDCANCEL);
        return TRUE;
    }
    CheckWorkTasks();
    BuildList();
    return TRUE;
}

bool CDataDeleteConfirmDlg::AskAboutStartedDescendants() {
    // Descendants are found by the subtree's path (task numbers join their levels with "-", so
    // a pattern on the number would find none).
    CString sql;
    sql.Format("SELECT count(*) FROM ProjectManage WHERE %s AND WorkState<>'未开始'", SubtreeCondition());
    const int started = theApp.GetSqlInt(sql);
    if (started <= 0)
        return true;
    CString text;
    text.Format("该项目任务下有 %d 个下级子项目，不能直接删除，是否继续?", started);
    return vq::ShowMessageBox("操作提示", text, MB_YESNO | MB_ICONWARNING) == IDYES;
}

int CDataDeleteConfirmDlg::CountWorkTasks() const {
    CString sql;
    // Work tasks are counted by their task number as the column compares it: one that hangs on a
    // task of the subtree by a number written in another case refuses as well.
    sql.Format(
        "SELECT count(*) FROM TeamWorkManage WHERE TaskNo IN (SELECT ProjectNo FROM ProjectManage WHERE "
        "(%s) OR %s)",
        NodeCondition(), SubtreeCondition());
    return projects::QueryGuardCount(sql);
}

CString CDataDeleteConfirmDlg::WorkTasksRefusal(int works) {
    CString text;
    text.Format("该项目任务下有 %d 个相关的工作组工作任务，不能直接删除...", works);
    return text;
}

bool CDataDeleteConfirmDlg::CheckWorkTasks() {
    const int works = CountWorkTasks();
    if (works <= 0)
        return true;
    GetDlgItem(IDOK)->EnableWindow(FALSE);
    AfxMessageBox(WorkTasksRefusal(works));
    return false;
}

bool CDataDeleteConfirmDlg::FindStoredRefusal(StoredCheck check, CString& refusal) const {
    refusal.Empty();
    // The node's own row, not a row whose number only differs from it in case.
    CString sql;
    sql.Format("SELECT WorkState FROM ProjectManage WHERE %s", NodeCondition());
    const CString state = theApp.GetSqlString(sql);
    if (theApp.m_bConnectionLost)
        return false;
    if (IsUndeletableState(state)) {
        refusal = "任务处于评审或完成状态，不能进行删除...";
        return true;
    }
    const int works = CountWorkTasks();
    if (works < 0)
        return false;
    if (works > 0) {
        refusal = WorkTasksRefusal(works);
        return true;
    }
    if (check == StoredCheck::StateAndWorkTasks)
        return true;
    // The rows of the subtree are those listed: none added below a listed task (it would stay
    // without its parent), none gone, renamed or moved.
    std::multiset<std::tuple<std::string, std::string, std::string>> listed;
    for (const auto& [record, stored] : m_storedRows)
        listed.emplace(stored.number.str(), stored.name.str(), stored.path.str());
    std::multiset<std::tuple<std::string, std::string, std::string>> stored;
    try {
        sql.Format("SELECT ProjectNo, ProjectName, ProjectPath FROM ProjectManage WHERE (%s) OR %s",
                   NodeCondition(), SubtreeCondition());
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        for (; !rs->IsEOF(); rs->MoveNext())
            stored.emplace(VariantToStoredText(rs->GetCollect(0L)).str(),
                           VariantToStoredText(rs->GetCollect(1L)).str(),
                           VariantToStoredText(rs->GetCollect(2L)).str());
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return false;
    }
    if (stored != listed) {
        refusal = "打开删除确认后，其他用户增加、删除或修改了该项目下的任务，没有删除任何数据，请重新打开后再"
                  "删除...";
        return true;
    }
    if (check == StoredCheck::Everything && CountDocuments() != m_nDocCount)
        refusal.Format("打开删除确认后，涉及文档数目已变为 %d，没有删除任何数据，请重新打开后再删除...",
                       CountDocuments());
    return true;
}

bool CDataDeleteConfirmDlg::LockAndCheck(CSqlTransaction& transaction, StoredCheck check,
                                         CString& refusal) const {
    return transaction.IsActive() && transaction.Lock(projects::ProjectTaskLockName(ProjectNo)) &&
           FindStoredRefusal(check, refusal);
}

bool CDataDeleteConfirmDlg::StillAsListed() {
    CString refusal;
    {
        CSqlTransaction transaction;
        if (!LockAndCheck(transaction, StoredCheck::Everything, refusal))
            return false;
        if (refusal.IsEmpty())
            return true;
    }
    AfxMessageBox(refusal);
    return false;
}

void CDataDeleteConfirmDlg::BuildList() {
    m_imageArrows.Create(344, 16, 10, RGB(0, 0, 0));
    m_list.m_header.SetImageList(&m_imageArrows);
    m_imageRows.Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1);
    if (HICON icon = vq::LoadIconResource(6007))
        m_imageRows.Add(icon);
    m_list.SetImageList(&m_imageRows, LVSIL_SMALL);
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    m_list.InsertColumn(kSerial, "序号", LVCFMT_LEFT, 50);
    m_list.InsertColumn(kName, "名称", LVCFMT_LEFT, 180);
    m_list.InsertColumn(kNumber, "编号", LVCFMT_LEFT, 120);
    m_list.InsertColumn(kPath, "路径", LVCFMT_LEFT, 180);
    m_list.InsertColumn(kState, "状态", LVCFMT_LEFT, 70);
    SetWindowText("数据删除确认 - 项目");
    SetDlgItemText(kWarningId, "删除数据将不可再恢复，请谨慎处理...");

    // The node and the rows below it by their stored name and path exactly: a sibling "GEAR" is
    // no part of the deletion of "Gear", nor are the tasks below it.
    CString sql;
    sql.Format("SELECT ProjectName, ProjectNo, ProjectPath, WorkState FROM ProjectManage WHERE %s",
               NodeCondition());
    FillRows(sql);
    sql.Format("SELECT ProjectName, ProjectNo, ProjectPath, WorkState FROM ProjectManage WHERE %s",
               SubtreeCondition());
    FillRows(sql);
    m_nDocCount = CountDocuments();

    RenumberRows();
    CString count;
    count.Format("%d", m_nDocCount);
    SetDlgItemText(kDocCountId, count);
}

int CDataDeleteConfirmDlg::CountDocuments() const {
    // Counted as they are deleted, by their task's number exactly.
    const CString documents =
        "SELECT count(*) FROM TaskDocuments d WHERE EXISTS (SELECT 1 FROM ProjectManage p "
        "WHERE " +
        SqlExactColumns(Engine(), "d.ProjectNo", "p.ProjectNo") + " AND ";
    return theApp.GetSqlInt(documents + NodeCondition("p.") + ")") +
           theApp.GetSqlInt(documents + SubtreeCondition("p.") + ")");
}

void CDataDeleteConfirmDlg::FillRows(const CString& sql) {
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            const int row = m_list.GetItemCount();
            CString serial;
            serial.Format("%d", row + 1);
            m_list.InsertItem(row, serial, 0);
            auto* record = new CItemText;
            record->SetFirstField(serial);
            for (long field = 0; field < 4; ++field) {
                const CString text = VariantToString(rs->GetCollect(field));
                m_list.SetItemText(row, static_cast<int>(field) + 1, text);
                record->SetField(static_cast<int>(field) + 1, text);
            }
            m_storedRows[record] = {VariantToStoredText(rs->GetCollect(1L)),
                                    VariantToStoredText(rs->GetCollect(0L)),
                                    VariantToStoredText(rs->GetCollect(2L))};
            m_arrItemTexts.Add(record);
            m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CDataDeleteConfirmDlg::RenumberRows() {
    for (int row = 0; row < m_list.GetItemCount(); ++row) {
        CString serial;
        serial.Format("%d", row + 1);
        m_list.SetItemText(row, kSerial, serial);
        if (auto* record = reinterpret_cast<CItemText*>(m_list.GetItemData(row)))
            record->SetFirstField(serial);
    }
}

void CDataDeleteConfirmDlg::OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    SortListByItemText(m_list, reinterpret_cast<NMLISTVIEW*>(pNMHDR)->iSubItem);
    RenumberRows();
}

// ---------------------------------------------------------------------------------------------
// The deletion

void CDataDeleteConfirmDlg::OnOK() {
    // The node's own row, not a row whose number only differs from it in case.
    CString sql;
    sql.Format("SELECT WorkState FROM ProjectManage WHERE %s", NodeCondition());
    if (IsUndeletableState(theApp.GetSqlString(sql))) {
        AfxMessageBox("任务处于评审或完成状态，不能进行删除...");
        return;
    }
    if (m_bPartlyDeleted) {
        // The documents of the tasks that an earlier try deleted are gone: the box shows what the
        // repeated deletion is about.
        m_nDocCount = CountDocuments();
        CString documents;
        documents.Format("%d", m_nDocCount);
        SetDlgItemText(kDocCountId, documents);
    }
    if (vq::ShowMessageBox("警告", "删除将不可再恢复，是否真的要删除?", MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    // What the list and the question showed is judged again on the stored rows: another client
    // may have stored a work task, a task or a document, or started the node, meanwhile. Each
    // task's rows and the project rows are judged once more in the transaction that deletes them.
    if (!StillAsListed())
        return;

    // The task folders (and, in storage modes 1 and 2, the work documents) are on the FTP
    // server: it must be usable before anything is deleted.
    CVQTWSaveFileToFTP store;
    if (m_pFtpConnection)
        store.SetConnection(m_pFtpConnection);
    if (!m_pFtpConnection || !store.InitVQPDMFTP()) {
        AfxMessageBox("文件服务器(FTP)不能使用，没有删除任何数据...");
        return;
    }

    CWaitCursor wait;
    const int count = m_list.GetItemCount();
    // Which tasks go, decided before anything goes: a task whose number cannot be used keeps its
    // rows, its own ProjectManage row included; the folders of a task that goes are kept when a
    // task that stays has a number that names the same folder on a server that ignores case.
    std::vector<bool> deleted(static_cast<std::size_t>(count), true);
    CStringArray keptTasks;
    bool keptBelowDeleted = false;
    for (int row = 0; row < count; ++row) {
        const CString taskNo = StoredNumber(row);
        if (taskNo.IsEmpty())
            continue;
        const int usable = NumberNamesOnlyItsTask(taskNo);
        if (usable < 0)
            return;
        if (usable == 0) {
            deleted[static_cast<std::size_t>(row)] = false;
            keptTasks.Add(DescribeTask(row));
        }
    }
    for (int row = 0; row < count; ++row) {
        if (deleted[static_cast<std::size_t>(row)])
            continue;
        const StoredRow kept = Stored(row);
        for (int parent = 0; parent < count && !keptBelowDeleted; ++parent) {
            const StoredRow above = Stored(parent);
            keptBelowDeleted = deleted[static_cast<std::size_t>(parent)] &&
                               projects::ChildrenPath(above.path, above.name).Compare(kept.path) == 0;
        }
    }
    std::set<std::string> stayingKeys;
    if (!ReadStayingFolderKeys(deleted, stayingKeys))
        return;

    auto* progress = new CProgressDlg(nullptr);
    progress->Create(CProgressDlg::IDD, nullptr);
    progress->CenterWindow();
    progress->ShowWindow(SW_SHOW);
    progress->m_progress.SetRange(0, count);

    CStringArray leftovers;
    CStringArray sharedFolders;
    CStringArray sharedCopies;
    CStringArray unnamableFolders;
    bool completed = true;
    bool serverLost = false;
    int deletedTasks = 0; // tasks whose documents, logs and folders are gone
    for (int row = 0; row < count && completed; ++row) {
        CString text;
        text.Format("正在删除第 %d 项任务...", row + 1);
        progress->SetText(text);
        progress->m_progress.SetPos(row + 1);
        const CString taskNo = StoredNumber(row);
        if (taskNo.IsEmpty() || !deleted[static_cast<std::size_t>(row)])
            continue;
        // A server that went away since the last task stops the deletion before this task's
        // rows go, so that no content is left without its rows unnoticed.
        if (!store.InitVQPDMFTP()) {
            CString message;
            message.Format("文件服务器(FTP)连接中断，删除在第 %d 项任务[%s]前停止，此前的任务已删除...",
                           row + 1, CString(vq::VisibleText(taskNo.str())));
            AfxMessageBox(message);
            completed = false;
            serverLost = true;
            break;
        }
        completed =
            DeleteTask(taskNo, store, stayingKeys, leftovers, sharedFolders, sharedCopies, unnamableFolders);
        if (completed) {
            ++deletedTasks;
            OnTaskDeleted(row);
        }
    }
    // The project rows go last, in one unit of their own.
    if (completed)
        completed = DeleteProjectRows(deleted);

    progress->ShowWindow(SW_HIDE);
    progress->DestroyWindow();
    delete progress;
    if (!completed && !serverLost && deletedTasks > 0) {
        // The failure shown so far names only its cause. A task's rows and folders that are gone
        // stay gone; deleting again finds nothing of them and goes on to the rest.
        CString message;
        message.Format("删除未能完成：%d 项任务的文档、日志及文件服务器上的文件夹已删除，任务本身的记录仍在。\n"
                       "再次删除即可完成删除。",
                       deletedTasks);
        AfxMessageBox(message);
    }
    ReportFtpLeftovers(leftovers, keptTasks, completed && keptBelowDeleted, sharedFolders, sharedCopies,
                       unnamableFolders);
    if (completed) {
        EndDialog(IDOK);
    } else if (deletedTasks > 0) {
        m_bPartlyDeleted = true;
    }
}

CDataDeleteConfirmDlg::StoredRow CDataDeleteConfirmDlg::Stored(int row) const {
    const auto found = m_storedRows.find(reinterpret_cast<const void*>(m_list.GetItemData(row)));
    return found == m_storedRows.end() ? StoredRow() : found->second;
}

int CDataDeleteConfirmDlg::NumberNamesOnlyItsTask(const CString& taskNo) {
    if (StoredFolderName(taskNo).IsEmpty())
        return 0;
    // As read, the number is exactly that of a chosen row, and of no row outside them (two rows
    // may hold one number where no unique index keeps them apart).
    const CString number = projects::NumberIsExactly("ProjectNo", taskNo);
    CString sql;
    sql.Format("SELECT count(*) FROM ProjectManage WHERE %s AND ((%s) OR %s)", number, NodeCondition(),
               SubtreeCondition());
    const int chosen = projects::QueryGuardCount(sql);
    if (chosen <= 0)
        return chosen < 0 ? -1 : 0;
    sql.Format("SELECT count(*) FROM ProjectManage WHERE %s AND (CASE WHEN (%s) OR %s THEN 0 ELSE 1 END)=1",
               number, NodeCondition(), SubtreeCondition());
    const int others = projects::QueryGuardCount(sql);
    return others < 0 ? -1 : (others > 0 ? 0 : 1);
}

CString CDataDeleteConfirmDlg::DescribeTask(int row) const {
    const StoredRow stored = Stored(row);
    auto visible = [](const CString& text) { return CString(vq::VisibleText(text.str())); };
    const CString path = projects::IsTopLevelPath(stored.path) ? CString() : visible(stored.path);
    return path + visible(stored.name) + " [" + visible(stored.number) + "]";
}

bool CDataDeleteConfirmDlg::ReadStayingFolderKeys(const std::vector<bool>& deleted,
                                                  std::set<std::string>& keys) {
    // Every number of the table is read: a server may read numbers as one folder that the
    // database holds apart ("ς" and "σ"), so no condition on the column can find them all.
    m_stayingFolderNumbers.clear();
    std::set<std::tuple<std::string, std::string, std::string>> going;
    for (int row = 0; row < m_list.GetItemCount(); ++row) {
        if (deleted[static_cast<std::size_t>(row)]) {
            const StoredRow stored = Stored(row);
            going.emplace(stored.number.str(), stored.name.str(), stored.path.str());
        }
    }
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open("SELECT ProjectNo, ProjectName, ProjectPath FROM ProjectManage", m_pConnection,
                 adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            const CString number = VariantToStoredText(rs->GetCollect(0L));
            const CString name = StoredFolderName(number);
            if (!name.IsEmpty() && !going.count({number.str(), VariantToStoredText(rs->GetCollect(1L)).str(),
                                                 VariantToStoredText(rs->GetCollect(2L)).str()})) {
                const std::string key = vq::FolderNameKey(name.str());
                keys.insert(key);
                m_stayingFolderNumbers.emplace(key, number);
            }
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
        return true;
    } catch (_com_error& e) {
        ReportComError(e);
        return false;
    }
}

bool CDataDeleteConfirmDlg::DeleteTask(const CString& taskNo, CVQTWSaveFileToFTP& store,
                                       const std::set<std::string>& stayingKeys, CStringArray& leftovers,
                                       CStringArray& sharedFolders, CStringArray& sharedCopies,
                                       CStringArray& unnamableFolders) {
    const int storageMode = theApp.m_nDocStorageMode;
    const bool onFtp = storageMode == 1 || storageMode == 2;
    std::vector<WorkDocumentRef> documents;
    if (onFtp &&
        !ReadWorkDocuments(
            WithTask("SELECT FileID, FileName FROM TeamWorkResult WHERE WorkID IN (SELECT WorkID FROM "
                     "TeamWorkManage WHERE TaskNo=%s)",
                     taskNo),
            documents))
        return false;
    // Copies that a server ignoring case reads as a staying task's folder, or as a copy of a
    // document of another task's work, stay.
    if (onFtp && !documents.empty() &&
        !KeepCopiesOfStayingNames(
            documents, stayingKeys,
            WithTask("WorkID IS NULL OR WorkID NOT IN (SELECT WorkID FROM TeamWorkManage WHERE "
                     "TaskNo=%s AND WorkID IS NOT NULL)",
                     taskNo),
            sharedCopies))
        return false;
    if (!DeleteRowsIfStillAsListed(TaskDeletionStatements(taskNo, storageMode),
                                   StoredCheck::StateAndWorkTasks))
        return false;
    // The rows are gone: now the contents on the server, each one that stays being reported.
    if (onFtp)
        RemoveWorkDocumentCopies(store, documents, leftovers);
    const CString name = StoredFolderName(taskNo);
    const std::string key = vq::FolderNameKey(name.str());
    const bool shared = stayingKeys.count(key) > 0;
    const auto staying = m_stayingFolderNumbers.find(key);
    // A folder the server's code page cannot name was never made: there is nothing to clean.
    const bool nameable = vq::HasGbkForm(name.str());
    for (const char* area : {"Auditing", "Working"}) {
        const CString folder = FtpFolder(area, name);
        const CString shown(vq::VisibleText(folder.str()));
        if (shared)
            sharedFolders.Add(shown + "（任务 " + CString(vq::VisibleText(taskNo.str())) + " 与任务 " +
                              (staying == m_stayingFolderNumbers.end()
                                   ? CString()
                                   : CString(vq::VisibleText(staying->second.str()))) +
                              "）");
        else if (!nameable)
            unnamableFolders.Add(shown);
        else if (!RemoveTaskFolder(folder))
            leftovers.Add(shown);
    }
    return true;
}

bool CDataDeleteConfirmDlg::DeleteProjectRows(const std::vector<bool>& deleted) {
    std::vector<CString> statements;
    for (int row = 0; row < m_list.GetItemCount(); ++row) {
        if (!deleted[static_cast<std::size_t>(row)])
            continue;
        const StoredRow stored = Stored(row);
        statements.push_back("DELETE FROM ProjectManage WHERE " +
                             projects::NumberIsExactly("ProjectNo", stored.number) + " AND " +
                             SqlExactEquals(Engine(), "ProjectName", stored.name) + " AND " +
                             SqlExactEquals(Engine(), "ProjectPath", stored.path));
    }
    return DeleteRowsIfStillAsListed(statements, StoredCheck::StateWorkTasksAndRows);
}

bool CDataDeleteConfirmDlg::DeleteRowsIfStillAsListed(const std::vector<CString>& statements,
                                                      StoredCheck check) {
    CString refusal;
    {
        CSqlTransaction transaction;
        if (!LockAndCheck(transaction, check, refusal))
            return false;
        if (refusal.IsEmpty())
            return transaction.ExecuteAndCommit(statements);
    }
    AfxMessageBox(refusal);
    return false;
}

// ---------------------------------------------------------------------------------------------
// Task folders on the FTP server: "Vq\Auditing\<number>" and "Vq\Working\<number>" below the
// FTP base folder, named by the task number's folder name (StoredFolderName).

CString CDataDeleteConfirmDlg::FtpFolder(const CString& area, const CString& name) const {
    CString root = theApp.m_strFtpRootDir;
    root.Replace('\\', '/');
    if (root.IsEmpty() || root[root.GetLength() - 1] != '/')
        root += '/';
    return root + "Vq/" + area + "/" + name;
}

bool CDataDeleteConfirmDlg::RemoveTaskFolder(const CString& folder) {
    CWaitCursor wait;
    bool exists = false;
    if (!LookForFolder(folder, exists))
        return false;
    if (!exists)
        return true;
    EmptyFtpFolder(folder, 0);
    m_pFtpConnection->RemoveDirectory(folder);
    // Looked for again, whatever the removal answered.
    return LookForFolder(folder, exists) && !exists;
}

bool CDataDeleteConfirmDlg::LookForFolder(const CString& folder, bool& exists) {
    CString current;
    m_pFtpConnection->GetCurrentDirectory(current);
    exists = m_pFtpConnection->SetCurrentDirectory(folder) != FALSE;
    if (exists)
        return m_pFtpConnection->SetCurrentDirectory(current) != FALSE;
    // Only the server's "no such folder" says that it is not there.
    return m_pFtpConnection->GetLastFailure() == vq::FetchFailure::NotOnServer;
}

void CDataDeleteConfirmDlg::EmptyFtpFolder(const CString& folder, int depth) {
    if (depth > kMaxFolderDepth)
        return;
    // Hidden names too: what an upload that never ended left (its temporary name) would keep the
    // folder from going.
    std::vector<FtpDirEntry> entries;
    if (!m_pFtpConnection->ListDirectory(folder, entries, true))
        return;
    CStringArray subFolders;
    for (const FtpDirEntry& entry : entries) {
        if (entry.name == "." || entry.name == "..")
            continue;
        if (entry.isDirectory)
            subFolders.Add(entry.name);
        else
            m_pFtpConnection->Remove(folder + "/" + entry.name);
    }
    for (int i = 0; i < subFolders.GetSize(); ++i) {
        const CString sub = folder + "/" + subFolders[i];
        EmptyFtpFolder(sub, depth + 1);
        m_pFtpConnection->RemoveDirectory(sub);
    }
}
