#include "teamwork/ECOAuditLevel.h"

#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/db/SqlText.h"
#include "teamwork/AuditPath.h"

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace {
CString ChangeOrderNo(const CString& workId) {
    int mark = workId.Find("[M]");
    return mark >= 0 ? workId.Left(mark) : workId;
}

constexpr const char* kOrderPartsError = "获取更改单涉及零部件信息时, 数据库发生异常...";
constexpr const char* kSubmittedPartsError = "获取更改任务提交文档涉及零部件信息时, 数据库发生异常...";
constexpr const char* kMorePartsWarning = "提交文档对应零部件的数量大于更改单设计的零部件数量, "
                                          "\n请检查修改，否则评审流程将无法进行下去...";

// Reads every row of a statement; false after the error and errorText (when given) were shown. A
// lost connection is said once, by the error alone: what the statement was for adds nothing.
bool ReadRows(const CString& sql, long columns, const char* errorText,
              const std::function<void(const std::vector<_variant_t>&)>& onRow) {
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        std::vector<_variant_t> row(static_cast<std::size_t>(columns));
        while (!rs->IsEOF()) {
            for (long c = 0; c < columns; ++c)
                row[static_cast<std::size_t>(c)] = rs->GetCollect(c);
            onRow(row);
            rs->MoveNext();
        }
        rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        if (errorText && !IsConnectionLost(e))
            AfxMessageBox(errorText);
        return false;
    }
    return true;
}

// The count of a statement that counts: -1 after the error was shown.
long CountRows(const CString& sql) {
    long count = 0;
    if (!ReadRows(sql, 1, nullptr, [&count](const std::vector<_variant_t>& row) {
            count = std::atol(VariantToString(row[0]));
        }))
        return -1;
    return count;
}

// Runs a writing statement as CVqDesignTaskApp::ExecuteSql does, and gives the rows it wrote.
bool ExecuteCounting(const CString& sql, long& rows) {
    rows = -1;
    try {
        theApp.m_pConnPDM->Execute(sql, &rows, adCmdText);
        return true;
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
        return false;
    }
}

// A stored value as the database told it apart in DISTINCT and in its joins: NULL, or the text.
std::string Identity(const _variant_t& value) {
    return value.IsNull() ? std::string(1, '\0') : "=" + VariantToStoredText(value).str();
}
} // namespace

// ---------------------------------------------------------------------------------------------
// The snapshot of a change task

bool ECOTaskSnapshot::ReadStamps(Stamp& task, Stamp& order, WaitStamp& wait) {
    task = order = Stamp();
    wait = WaitStamp();
    const bool waits = m_waitStamped > 0;
    try {
        // PostgreSQL compares a bound text value as text: cast to the key's type, it compares
        // without regard to case as the key's column does (and finds the row through its index).
        const char* key =
            theApp.m_pConnPDM->GetEngine() == vq::db::Engine::PostgreSQL ? "CAST(? AS citext)" : "?";
        CString text;
        text.Format("SELECT StampKey, Writes, Token, 0, '' FROM ECOTaskStamp WHERE StampKey IN (%s, %s)", key,
                    key);
        if (waits)
            text += " UNION ALL SELECT StampKey, Writes, Token, RunFrom, FileID FROM ECOWaitStamp WHERE "
                    "StampKey = " +
                    CString(key);
        if (!m_stampQuery || m_stampQuery->GetCommandText() != text) {
            m_stampQuery.CreateInstance();
            m_stampQuery->PutCommandText(text);
            m_stampQuery->PutCommandType(adCmdText);
            m_stampQuery->PutPrepared(true);
            for (const char* name : {"TaskKey", "OrderKey", "WaitKey"}) {
                if (waits || name[0] != 'W')
                    m_stampQuery->GetParameters()->Append(
                        m_stampQuery->CreateParameter(name, adBSTR, adParamInput, 210));
            }
        }
        m_stampQuery->PutActiveConnection(theApp.m_pConnPDM);
        ParametersPtr keys = m_stampQuery->GetParameters();
        keys->GetItem(0L)->PutValue(_variant_t("T:" + m_readingId));
        keys->GetItem(1L)->PutValue(_variant_t("O:" + ChangeOrderNo(m_readingId)));
        if (waits)
            keys->GetItem(2L)->PutValue(_variant_t("W:" + m_readingId));
        _RecordsetPtr rs = m_stampQuery->Execute(nullptr, nullptr, adCmdText);
        for (; !rs->IsEOF(); rs->MoveNext()) {
            const CString key = VariantToStoredText(rs->GetCollect(0L)).Left(2);
            Stamp& stamp = key.CompareNoCase("T:") == 0   ? task
                           : key.CompareNoCase("W:") == 0 ? wait.stamp
                                                          : order;
            stamp.writes = VariantToString(rs->GetCollect(1L));
            stamp.token = VariantToString(rs->GetCollect(2L));
            if (&stamp == &wait.stamp) {
                wait.runFrom = VariantToString(rs->GetCollect(3L));
                wait.fileId = VariantToStoredText(rs->GetCollect(4L));
            }
        }
        rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return false;
    }
    return true;
}

int ECOTaskSnapshot::StampsHeld(WaitStamp& wait) {
    Stamp task, order;
    m_readingId = m_workId;
    if (!ReadStamps(task, order, wait))
        return -1;
    return task == m_taskStamp && order == m_orderStamp ? 1 : 0;
}

void ECOTaskSnapshot::ForgetReleases() {
    for (auto& levels : m_released)
        levels.clear();
}

void ECOTaskSnapshot::FollowWaitStamp(const WaitStamp& read) {
    if (read.stamp == m_waitStamp)
        return;
    // The writes since the held stamp all concern one document when they began on the held token
    // (tokens are never given twice, and a rolled-back write leaves the stamp as it was before it).
    // A stamp the snapshot held as missing began with the first write of all.
    const bool oneDocument =
        !read.runFrom.IsEmpty() &&
        (read.runFrom == m_waitStamp.token || (m_waitStamp.token.IsEmpty() && std::atol(read.runFrom) == 0));
    m_waitStamp = read.stamp;
    if (!oneDocument) {
        ForgetReleases();
        return;
    }
    for (auto& levels : m_released) {
        for (auto at = levels.begin(); at != levels.end();) {
            at->second.insert(read.fileId.str());
            at = at->second.size() > kMaxPending ? levels.erase(at) : std::next(at);
        }
    }
}

void ECOTaskSnapshot::NoteMoved(const CString& fileId, int level) {
    for (auto& levels : m_released) {
        const auto at = levels.find(level);
        if (at == levels.end())
            continue;
        at->second.insert(fileId.str());
        if (at->second.size() > kMaxPending)
            levels.erase(at);
    }
}

bool ECOTaskSnapshot::StampsInstalled() {
    // The stamp's table and its triggers (a database made before them, or whose triggers were
    // dropped or disabled, stamps nothing: every question then goes to the tables).
    CString sql;
    long expected = 0;
    switch (theApp.m_pConnPDM->GetEngine()) {
    case vq::db::Engine::SQLite:
        sql =
            "SELECT COUNT(*) FROM sqlite_master WHERE (type = 'table' AND name = 'ECOTaskStamp') OR (type = "
            "'trigger' AND name LIKE 'TR_ECOStamp_%')";
        expected = 10;
        break;
    case vq::db::Engine::PostgreSQL:
        sql = "SELECT (SELECT COUNT(*) FROM pg_class WHERE relname = 'ecotaskstamp' AND relkind = 'r') + "
              "(SELECT "
              "COUNT(*) FROM pg_trigger WHERE tgname LIKE 'tr_ecostamp_%' AND tgenabled <> 'D')";
        expected = 4;
        break;
    default:
        return false;
    }
    return CountRows(sql) == expected;
}

bool ECOTaskSnapshot::WaitStampsInstalled() {
    // As the stamps of the deciding rows: a database made before the waiting steps' stamps releases
    // every level through the table.
    CString sql;
    switch (theApp.m_pConnPDM->GetEngine()) {
    case vq::db::Engine::SQLite:
        sql =
            "SELECT COUNT(*) FROM sqlite_master WHERE (type = 'table' AND name = 'ECOWaitStamp') OR (type = "
            "'trigger' AND name LIKE 'TR_ECOWait_%')";
        break;
    case vq::db::Engine::PostgreSQL:
        sql = "SELECT (SELECT COUNT(*) FROM pg_class WHERE relname = 'ecowaitstamp' AND relkind = 'r') + "
              "(SELECT COUNT(*) FROM pg_trigger WHERE tgname LIKE 'tr_ecowait_%' AND tgenabled <> 'D')";
        break;
    default:
        return false;
    }
    return CountRows(sql) == 7;
}

bool ECOTaskSnapshot::Read(const CString& workId) {
    m_workId.Empty();
    m_readingId = workId;
    m_order.clear();
    m_orderByTrimmed.clear();
    m_orderAmbiguous = false;
    m_codes.clear();
    m_codesByTrimmed.clear();
    m_codesByFile.clear();
    m_codesAmbiguous = false;
    m_rows.clear();
    m_rowsByKey.clear();
    m_sheets.clear();
    m_unfinished = 0;
    m_codeReach.clear();
    m_orderReach.clear();
    m_bestByTrimmed.clear();
    // The stamps first: a write after them and before the rows is taken for one after the rows.
    // Levels released before are forgotten: another writer may have moved a document with a
    // waiting step to one of them.
    WaitStamp wait;
    ForgetReleases();
    if (!ReadStamps(m_taskStamp, m_orderStamp, wait))
        return false;
    m_waitStamp = wait.stamp;
    // Distinct stored codes, each with the database's key for it: two codes of one key are one
    // to DISTINCT, which then returns either.
    std::unordered_map<std::string, std::string> orderKeys, codeKeys;
    const auto distinct = [](std::unordered_map<std::string, std::string>& keys, const _variant_t& code,
                             const _variant_t& key, bool& ambiguous) {
        const auto [at, added] = keys.emplace(Identity(key), Identity(code));
        ambiguous = ambiguous || (!added && at->second != Identity(code));
        return added;
    };
    CString sql;
    sql.Format(
        "SELECT PartCode, Lower(PartCode) FROM ECOModifyPart WHERE ECONo = '%s' AND Upper(Other3) = '0'",
        SqlQuote(ChangeOrderNo(workId)));
    if (!ReadRows(sql, 2, kOrderPartsError, [&](const std::vector<_variant_t>& row) {
            if (!distinct(orderKeys, row[0], row[1], m_orderAmbiguous))
                return;
            m_order.push_back(VariantToString(row[0]).str());
            ++m_orderByTrimmed[m_order.back()];
        }))
        return false;
    std::unordered_map<std::string, std::size_t> codeIndex;
    sql.Format("SELECT Lower(FileID), PartCode, Lower(PartCode) FROM TeamWorkResult WHERE WorkID = '%s' AND "
               "Upper(FileName) Like '%%.DWG'",
               SqlQuote(workId));
    if (!ReadRows(sql, 3, kSubmittedPartsError, [&](const std::vector<_variant_t>& row) {
            distinct(codeKeys, row[1], row[2], m_codesAmbiguous);
            const auto [at, added] = codeIndex.emplace(Identity(row[1]), m_codes.size());
            if (added) {
                m_codes.push_back(Code{VariantToString(row[1]).str(), {}, kNoLevel});
                m_codesByTrimmed[m_codes.back().trimmed].push_back(at->second);
            }
            if (!row[0].IsNull()) {
                const std::string file = VariantToStoredText(row[0]).str();
                m_codes[at->second].fileKeys.push_back(file);
                m_codesByFile[file].push_back(at->second);
            }
        }))
        return false;
    sql.Format(
        "SELECT Lower(FileID), CurrentAuditLevel, MaxAuditLevel, CASE WHEN IsECOFile = 'Y' THEN 1 ELSE 0 "
        "END FROM ECOAuditLevel WHERE ECOTaskNo = '%s'",
        SqlQuote(workId));
    if (!ReadRows(sql, 4, nullptr, [&](const std::vector<_variant_t>& row) {
            LevelRow level;
            level.null = row[0].IsNull();
            level.key = VariantToStoredText(row[0]).str();
            level.current = VariantToString(row[1]);
            level.maximum = VariantToString(row[2]);
            level.sheet = std::atoi(VariantToString(row[3])) != 0;
            level.reached = level.current.IsEmpty() ? kNoLevel : std::atoi(level.current);
            if (level.sheet)
                m_sheets.push_back(m_rows.size());
            if (!level.null)
                m_rowsByKey[level.key].push_back(m_rows.size());
            m_unfinished += level.Finished() ? 0 : 1;
            m_rows.push_back(std::move(level));
        }))
        return false;
    for (Code& code : m_codes) {
        code.reach = ReachOf(code);
        Count(m_codeReach, code.reach, 1);
        int& best = m_bestByTrimmed.try_emplace(code.trimmed, kNoLevel).first->second;
        best = std::max(best, code.reach);
    }
    for (const std::string& part : m_order) {
        const auto best = m_bestByTrimmed.find(part);
        Count(m_orderReach, best == m_bestByTrimmed.end() ? kNoLevel : best->second, 1);
    }
    m_workId = workId;
    return true;
}

bool ECOTaskSnapshot::Prepare(const CString& workId) {
    if (Holds(workId)) {
        WaitStamp wait;
        const int held = StampsHeld(wait);
        if (held > 0) {
            FollowWaitStamp(wait);
            return true;
        }
        if (held < 0) {
            m_workId.Empty();
            return false;
        }
    }
    return Read(workId);
}

bool ECOTaskSnapshot::Exact() const {
    if (m_orderAmbiguous || m_codesAmbiguous)
        return false;
    // Sheet rows at different levels: the part check reads whichever the database returns first.
    for (const std::size_t sheet : m_sheets) {
        if (m_rows[sheet].current != m_rows[m_sheets.front()].current)
            return false;
    }
    return true;
}

int ECOTaskSnapshot::ReachOf(const Code& code) const {
    // A drawing is at the level when one of the level rows of its file id is.
    int reach = kNoLevel;
    for (const std::string& file : code.fileKeys) {
        const auto rows = m_rowsByKey.find(file);
        if (rows == m_rowsByKey.end())
            continue;
        for (const std::size_t row : rows->second)
            reach = std::max(reach, m_rows[row].reached);
    }
    return reach;
}

void ECOTaskSnapshot::Count(std::map<int, long>& histogram, int level, long change) {
    histogram[level] += change;
}

void ECOTaskSnapshot::SetReached(const std::string& key, int level) {
    const auto rows = m_rowsByKey.find(key);
    if (rows == m_rowsByKey.end())
        return;
    for (const std::size_t row : rows->second) {
        LevelRow& file = m_rows[row];
        m_unfinished -= file.Finished() ? 0 : 1;
        file.current.Format("%d", level);
        file.reached = level;
        m_unfinished += file.Finished() ? 0 : 1;
    }
    const auto codes = m_codesByFile.find(key);
    if (codes == m_codesByFile.end())
        return;
    for (const std::size_t index : codes->second) {
        Code& code = m_codes[index];
        const int reach = ReachOf(code);
        if (reach == code.reach)
            continue;
        Count(m_codeReach, code.reach, -1);
        Count(m_codeReach, reach, 1);
        code.reach = reach;
        int best = kNoLevel;
        for (const std::size_t same : m_codesByTrimmed[code.trimmed])
            best = std::max(best, m_codes[same].reach);
        int& known = m_bestByTrimmed[code.trimmed];
        const auto parts = m_orderByTrimmed.find(code.trimmed);
        if (best != known && parts != m_orderByTrimmed.end()) {
            Count(m_orderReach, known, -parts->second);
            Count(m_orderReach, best, parts->second);
        }
        known = best;
    }
}

int ECOTaskSnapshot::Answer(int level, bool& warn) const {
    // As the part check: fewer distinct codes at the level than the order has, or an order part
    // none of whose codes (trimmed, compared exactly) is among them, keeps the level closed; more
    // open it with the warning; else the sheet decides.
    warn = false;
    const long ordered = static_cast<long>(m_order.size());
    long submitted = 0;
    for (auto at = m_codeReach.lower_bound(level); at != m_codeReach.end(); ++at)
        submitted += at->second;
    if (submitted < ordered)
        return 0;
    for (auto at = m_orderReach.begin(); at != m_orderReach.end() && at->first < level; ++at) {
        if (at->second > 0)
            return 0;
    }
    if (submitted > ordered) {
        warn = true;
        return 1;
    }
    if (m_sheets.empty() || m_rows[m_sheets.front()].current.IsEmpty())
        return 0;
    return std::atoi(m_rows[m_sheets.front()].current) >= level ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------

CECOAuditLevel::CECOAuditLevel() {
    if (!theApp.m_pConnPDM)
        theApp.ConnectDatabase();
}

CECOAuditLevel::CECOAuditLevel(ECOTaskSnapshot* snapshot) : CECOAuditLevel() {
    m_pSnapshot = snapshot;
}

ECOTaskSnapshot* CECOAuditLevel::Snapshot(const CString& workId, bool& failed) {
    failed = false;
    if (!m_pSnapshot || !theApp.m_pConnPDM)
        return nullptr;
    ECOTaskSnapshot& task = *m_pSnapshot;
    if (task.m_stamped < 0) {
        task.m_stamped = ECOTaskSnapshot::StampsInstalled() ? 1 : 0;
        task.m_waitStamped = task.m_stamped && ECOTaskSnapshot::WaitStampsInstalled() ? 1 : 0;
    }
    if (task.m_stamped == 0)
        return nullptr;
    if (!task.Prepare(workId)) {
        failed = true;
        return nullptr;
    }
    return task.Exact() ? &task : nullptr;
}

bool CECOAuditLevel::CountOwnWrite(ECOTaskSnapshot& task, long rows) {
    // Nothing but this write since the stamps were compared: the rows it wrote, and a new token.
    ECOTaskSnapshot::Stamp written, order;
    ECOTaskSnapshot::WaitStamp wait; // followed at the next question
    if (rows >= 0 && task.ReadStamps(written, order, wait) && order == task.m_orderStamp &&
        std::atol(written.writes) == std::atol(task.m_taskStamp.writes) + rows) {
        task.m_taskStamp = written;
        return true;
    }
    task.m_workId.Empty();
    return false;
}

int CECOAuditLevel::CheckPartsInTable(const CString& workId, int level) {
    CString sql;
    sql.Format("SELECT Distinct PartCode FROM ECOModifyPart WHERE ECONo = '%s' AND Upper(Other3) = '0'",
               SqlQuote(ChangeOrderNo(workId)));
    CStringArray orderParts;
    if (!ReadColumnValues(sql, orderParts, kOrderPartsError))
        return 0;
    sql.Format(
        "SELECT distinct PartCode FROM TeamWorkResult WHERE WorkID = '%s' AND Upper(FileName) Like '%%.DWG' "
        "AND FileID IN ( SELECT Distinct FileID FROM ECOAuditLevel WHERE CurrentAuditLevel >= %d AND "
        "ECOTaskNo = '%s' )",
        SqlQuote(workId), level, SqlQuote(workId));
    CStringArray submitted;
    if (!ReadColumnValues(sql, submitted, kSubmittedPartsError))
        return 0;
    if (submitted.GetSize() < orderParts.GetSize())
        return 0;
    for (int i = 0; i < orderParts.GetSize(); ++i) {
        bool found = false;
        for (int j = 0; j < submitted.GetSize() && !found; ++j)
            found = submitted[j] == orderParts[i];
        if (!found)
            return 0;
    }
    if (submitted.GetSize() > orderParts.GetSize()) {
        AfxMessageBox(kMorePartsWarning);
        return 1;
    }
    sql.Format("SELECT CurrentAuditLevel FROM ECOAuditLevel WHERE ECOTaskNo = '%s' AND IsECOFile = 'Y'",
               SqlQuote(workId));
    CString sheetLevel = theApp.GetSqlString(sql);
    if (sheetLevel.IsEmpty())
        return 0;
    return std::atoi(sheetLevel) >= level ? 1 : 0;
}

bool CECOAuditLevel::ReadColumnValues(const CString& sql, CStringArray& values, const char* errorText) {
    values.RemoveAll();
    return ReadRows(sql, 1, errorText,
                    [&values](const std::vector<_variant_t>& row) { values.Add(VariantToString(row[0])); });
}

int CECOAuditLevel::PartsReady(const CString& workId, int level, ECOTaskSnapshot*& used) {
    bool failed = false;
    used = Snapshot(workId, failed);
    if (used) {
        bool warn = false;
        const int answer = used->Answer(level, warn);
        if (warn)
            AfxMessageBox(kMorePartsWarning);
        return answer;
    }
    return failed ? 0 : CheckPartsInTable(workId, level); // a failed read was shown
}

int CECOAuditLevel::CheckModifiedPartsReady(CString workId, int level) {
    ECOTaskSnapshot* used = nullptr;
    return PartsReady(workId, level, used);
}

void CECOAuditLevel::CountOwnReleases(ECOTaskSnapshot& task, long rows) {
    // Each step released is one write of the task's waiting stamp.
    ECOTaskSnapshot::Stamp written, order;
    ECOTaskSnapshot::WaitStamp wait;
    task.m_readingId = task.m_workId;
    if (!task.ReadStamps(written, order, wait)) {
        task.ForgetReleases();
        return;
    }
    if (rows < 0 || std::atol(wait.stamp.writes) != std::atol(task.m_waitStamp.writes) + rows)
        task.ForgetReleases();
    task.m_waitStamp = wait.stamp;
}

int CECOAuditLevel::ResetWaitingAudits(int level, CString workId, int alsoGroupRows) {
    ECOTaskSnapshot* task = nullptr;
    if (!PartsReady(workId, level, task))
        return 1;
    if (task && task->m_waitStamped <= 0)
        task = nullptr;
    // The statements release the waiting steps of every document of the task at the level. Where
    // the snapshot released the level before, only the documents that may have a waiting step there
    // since are asked, with the same conditions; none, and the table is not asked at all.
    const char* const statements[] = {
        "Update TeamWorkAudit SET State = '未完成' WHERE State = '等待' AND %sFileID IN ( SELECT FileID FROM "
        "ECOAuditLevel WHERE ECOTaskNo = '%s' AND CurrentAuditLevel = %d%s )",
        "Update TeamWorkGroupAudit SET State = '未完成' WHERE State = '等待' AND  %sFileID IN ( SELECT "
        "FileID "
        "FROM ECOAuditLevel WHERE ECOTaskNo = '%s' AND CurrentAuditLevel = %d%s )"};
    long released = 0;
    for (int table = 0; table < (alsoGroupRows ? 2 : 1); ++table) {
        CString before, after; // the documents asked, when not all
        if (task) {
            const auto known = task->m_released[table].find(level);
            if (known != task->m_released[table].end()) {
                if (known->second.empty())
                    continue;
                CString list;
                for (const std::string& file : known->second)
                    list += (list.IsEmpty() ? "'" : ", '") + SqlQuote(CString(file)) + "'";
                before = "FileID IN (" + list + ") AND ";
                after = " AND FileID IN (" + list + ")";
            }
        }
        CString sql;
        sql.Format(statements[table], before, SqlQuote(workId), level, after);
        long rows = 0;
        if (!(task ? ExecuteCounting(sql, rows) : theApp.ExecuteSql(sql))) {
            if (task)
                task->ForgetReleases();
            return 0;
        }
        if (task) {
            task->m_released[table][level].clear();
            // A count the driver does not give leaves the stamp unaccounted for: forgotten below.
            released = rows < 0 || released < 0 ? -1 : released + rows;
        }
    }
    if (task && released != 0)
        CountOwnReleases(*task, released);
    return 1;
}

int CECOAuditLevel::ReadLevel(const char* column, const CString& workId, const CString& fileId) {
    CString sql;
    sql.Format("SELECT %s FROM ECOAuditLevel WHERE ECOTaskNo = '%s' AND FileID = '%s'", column,
               SqlQuote(workId), SqlQuote(fileId));
    return std::atoi(theApp.GetSqlString(sql));
}

int CECOAuditLevel::AdvanceFileLevel(CString workId, CString fileId, int advance) {
    CString sql;
    if (!advance) {
        // Back to the start, with the order's sheet: a snapshot reads the task again when next used.
        if (m_pSnapshot)
            m_pSnapshot->m_workId.Empty();
        sql.Format("UPDATE ECOAuditLevel SET CurrentAuditLevel = 0 WHERE ECOTaskNo = '%s' AND FileID = '%s'",
                   SqlQuote(workId), SqlQuote(fileId));
        if (!theApp.ExecuteSql(sql)) {
            if (!theApp.m_bConnectionLost)
                AfxMessageBox(sql);
            return 0;
        }
        sql.Format(
            "UPDATE ECOAuditLevel SET CurrentAuditLevel = 0 WHERE ECOTaskNo = '%s' AND IsECOFile = 'Y'",
            SqlQuote(workId));
        return theApp.ExecuteSql(sql) ? 1 : 0;
    }
    bool failed = false;
    ECOTaskSnapshot* task = Snapshot(workId, failed);
    if (failed)
        return 0; // shown
    int current = 0, maximum = 0;
    std::string key;
    if (task) {
        // The document's rows as the statements below find them: the first one's levels, and the
        // key every one of them has.
        sql.Format(
            "SELECT CurrentAuditLevel, MaxAuditLevel, Lower(FileID) FROM ECOAuditLevel WHERE ECOTaskNo = "
            "'%s' AND FileID = '%s'",
            SqlQuote(workId), SqlQuote(fileId));
        bool found = false;
        if (!ReadRows(sql, 3, nullptr, [&](const std::vector<_variant_t>& row) {
                if (found)
                    return;
                found = true;
                current = std::atoi(VariantToString(row[0]));
                maximum = std::atoi(VariantToString(row[1]));
                key = VariantToStoredText(row[2]).str();
            }))
            return 0;
    } else {
        current = ReadLevel("CurrentAuditLevel", workId, fileId);
        maximum = ReadLevel("MaxAuditLevel", workId, fileId);
    }
    if (current >= maximum)
        return 0;
    sql.Format("UPDATE ECOAuditLevel SET CurrentAuditLevel = %d WHERE ECOTaskNo = '%s' AND FileID = '%s'",
               current + 1, SqlQuote(workId), SqlQuote(fileId));
    if (!task)
        return theApp.ExecuteSql(sql) ? 1 : 0;
    long rows = 0;
    if (!ExecuteCounting(sql, rows)) {
        task->m_workId.Empty();
        return 0;
    }
    if (CountOwnWrite(*task, rows)) {
        task->SetReached(key, current + 1);
        task->NoteMoved(fileId, current + 1);
    }
    return 1;
}

int CECOAuditLevel::CountUnfinishedFiles(CString workId) {
    bool failed = false;
    if (const ECOTaskSnapshot* task = Snapshot(workId, failed)) {
        bool warn = false;
        if (!task->Answer(0, warn))
            return 0;
        if (!warn)
            return task->m_unfinished == 0 ? 1 : 0;
        // Others may have written while the warning was up: the count is the table's after it,
        // as the part check's own statements count.
        AfxMessageBox(kMorePartsWarning);
        return CountUnfinishedInTable(workId);
    }
    if (failed || !CheckPartsInTable(workId, 0))
        return 0;
    return CountUnfinishedInTable(workId);
}

int CECOAuditLevel::CountUnfinishedInTable(const CString& workId) {
    CString sql;
    sql.Format(
        "SELECT count(*) FROM ECOAuditLevel WHERE CurrentAuditLevel <> MaxAuditLevel AND ECOTASKNO = '%s'",
        SqlQuote(workId));
    // A count that could not be read (shown) is not "all finished": that would release every
    // document of the task.
    return CountRows(sql) == 0 ? 1 : 0;
}

int CECOAuditLevel::GetFileLevels(CString workId, CString fileId, int& maxLevel, int& currentLevel) {
    // Always from the table: the document's row is found by the statement's own comparison.
    CString sql;
    sql.Format(
        "SELECT MaxAuditLevel, CurrentAuditLevel FROM ECOAuditLevel WHERE ECOTASKNO = '%s' AND FileID = '%s'",
        SqlQuote(workId), SqlQuote(fileId));
    bool found = false;
    if (!ReadRows(sql, 2, nullptr, [&](const std::vector<_variant_t>& row) {
            if (found)
                return;
            found = true;
            maxLevel = std::atoi(VariantToString(row[0]));
            currentLevel = std::atoi(VariantToString(row[1]));
        })) {
        if (!theApp.m_bConnectionLost)
            AfxMessageBox(sql);
        return 0;
    }
    return 1;
}

int CECOAuditLevel::RejectECOFiles(CString workId, CString state, CString stepName) {
    const CString time = CTime::GetCurrentTime().Format("%Y-%m-%d %H:%M");
    CString sql;
    sql.Format("SELECT FileID FROM TeamWorkResult WHERE WorkID = '%s' AND Other4 = '_ECO'", SqlQuote(workId));
    const CString sheet = theApp.GetSqlString(sql);
    // "未通过" is the result the peers of the change-order review read for the sheet's step.
    sql.Format(
        "Update TeamWorkAudit SET FinishDate='%s', State='已完成', Result='未通过', Prompt='', Manager='%s' "
        "WHERE AuditTask= '%s' AND FileID = '%s'",
        SqlQuote(time), SqlQuote(theApp.m_strLoginUser), SqlQuote(stepName), SqlQuote(sheet));
    if (!theApp.ExecuteSql(sql))
        return 0;
    sql.Format("Update TeamWorkResult Set State = '%s' WHERE WorkID = '%s' AND Other4 = '_ECO'",
               SqlQuote(state), SqlQuote(workId));
    return theApp.ExecuteSql(sql) ? 1 : 0;
}

int CECOAuditLevel::ReleaseWaitingResults(CString workId) {
    CString sql;
    sql.Format("UPDATE TeamWorkResult SET State='正式' WHERE WorkID='%s' AND State = '等待正式'",
               SqlQuote(workId));
    return theApp.ExecuteSql(sql) ? 1 : 0;
}

int CECOAuditLevel::GetAuditorIndex(CString listText, CString stepName) {
    return ::GetAuditorIndex(listText, stepName);
}
