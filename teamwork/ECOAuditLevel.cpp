#include "teamwork/ECOAuditLevel.h"

#include "core/ComError.h"
#include "core/ProductSchema.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/db/SqlText.h"
#include "teamwork/AuditPath.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <utility>

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

// A stored value as the database told it apart in DISTINCT and in its joins: NULL, or the text.
std::string Identity(const _variant_t& value) {
    return value.IsNull() ? std::string(1, '\0') : "=" + VariantToStoredText(value).str();
}
} // namespace

// ---------------------------------------------------------------------------------------------
// The snapshot of a change task

_CommandPtr& ECOTaskSnapshot::Statement(const char* text, const std::vector<_variant_t>& values,
                                        bool planOnce) {
    const bool server = theApp.m_pConnPDM->GetEngine() == vq::db::Engine::PostgreSQL;
    if (server && !planOnce) {
        // On the server a small statement gets its values written into the text and runs as one
        // plain statement: inside a transaction the driver sends a prepared statement's savepoint
        // on a round trip of its own, which costs more than planning it. A text value is written
        // untyped, as the driver binds it, so that it compares as the column does.
        std::string sql;
        std::size_t next = 0;
        const auto literal = [&values, &next] {
            if (next >= values.size())
                throw _com_error(E_FAIL, "A statement has more marks than values.");
            const _variant_t& value = values[next++];
            if (value.IsNull() || value.IsEmpty())
                return std::string("NULL");
            if (value.vt == VT_BSTR)
                return "'" + SqlQuote(VariantToStoredText(value)).str() + "'";
            return VariantToStoredText(value).str();
        };
        for (const char* at = text; *at; ++at) {
            if (at[0] == '%' && at[1] == 'k') {
                sql += "CAST(" + literal() + " AS citext)";
                ++at;
            } else if (*at == '?') {
                sql += literal();
            } else {
                sql += *at;
            }
        }
        m_literal.CreateInstance();
        m_literal->PutActiveConnection(theApp.m_pConnPDM);
        m_literal->PutCommandText(CString(sql));
        m_literal->PutCommandType(adCmdText);
        return m_literal;
    }
    _CommandPtr& command = m_statements[(server ? "P " : "S ") + std::string(text)];
    if (!command) {
        std::string sql = text;
        for (std::size_t at = sql.find("%k"); at != std::string::npos; at = sql.find("%k", at))
            sql.replace(at, 2, server ? "CAST(? AS citext)" : "?");
        command.CreateInstance();
        command->PutCommandText(CString(sql));
        command->PutCommandType(adCmdText);
        command->PutPrepared(true);
        for (std::size_t i = 0; i < values.size(); ++i)
            command->GetParameters()->Append(command->CreateParameter("", adBSTR, adParamInput, 0));
    }
    command->PutActiveConnection(theApp.m_pConnPDM);
    for (std::size_t i = 0; i < values.size(); ++i)
        command->GetParameters()->GetItem(static_cast<long>(i))->PutValue(values[i]);
    return command;
}

// PostgreSQL: what the stamps' triggers and their functions are (their catalog rows get a new
// version, xmin, at every change of them), one row; NULL unless the stamp's table, all twelve
// triggers, enabled ALWAYS, and the three functions are there, and NULL in a database that
// subscribes to a publication: logical replication applies rows without the statements whose
// triggers stamp them.
#define VQ_TRIGGERS_FINGERPRINT                                                                              \
    "SELECT CASE WHEN to_regclass('ecotaskstamp') IS NOT NULL AND count(*) = 12 AND (SELECT count(*) FROM "  \
    "pg_proc WHERE proname IN ('vq_eco_stamp', 'vq_eco_stamp_mark', 'vq_eco_stamp_read')) = 3 AND "          \
    "bool_and(t.tgenabled = 'A') AND NOT EXISTS (SELECT 1 FROM pg_subscription WHERE subdbid = (SELECT oid " \
    "FROM pg_database WHERE datname = current_database())) THEN string_agg(t.oid::text || '.' || "           \
    "t.xmin::text || '.' || "                                                                                \
    "p.xmin::text, "                                                                                         \
    "',' ORDER BY t.oid) || '/' || (SELECT string_agg(f.oid::text || '.' || f.xmin::text, ',' ORDER BY "     \
    "f.oid) FROM pg_proc f WHERE f.proname IN ('vq_eco_stamp', 'vq_eco_stamp_mark', 'vq_eco_stamp_read')) "  \
    "END AS fingerprint FROM pg_trigger t JOIN pg_proc p ON p.oid = t.tgfoid WHERE t.tgrelid IN "            \
    "(to_regclass('ecoauditlevel'), to_regclass('teamworkresult'), to_regclass('ecomodifypart')) AND "       \
    "t.tgname LIKE 'tr_ecostamp_%'"
constexpr const char* kTriggersFingerprint = VQ_TRIGGERS_FINGERPRINT;
// The stamps of a task and its order with the fingerprint of the triggers, in one statement (a
// question of a held snapshot asks both): the fingerprint on every row, and one row without a
// stamp when none is stored yet.
constexpr const char* kStampsAndTriggers =
    "SELECT s.StampKey, s.Writes, s.Token, s.marked, f.fingerprint FROM (" VQ_TRIGGERS_FINGERPRINT
    ") f LEFT JOIN (SELECT StampKey, Writes, Token, vq_eco_stamp_read(StampKey::text) AS marked FROM "
    "ECOTaskStamp WHERE StampKey IN (%k, %k, 'G:')) s ON true";
#undef VQ_TRIGGERS_FINGERPRINT

// The writes a SQLite connection watches of its own: what decides a change task's levels.
constexpr const char* kWatchedWrites =
    "ECOAuditLevel;TeamWorkResult:FileID,WorkID,PartCode,FileName;ECOModifyPart:ECONo,PartCode,Other3";

bool ECOTaskSnapshot::ReadStamps(Stamps& stamps) {
    stamps = Stamps();
    if (theApp.m_pConnPDM->GetEngine() == vq::db::Engine::SQLite)
        return ReadWatchedWrites(stamps);
    try {
        // PostgreSQL stamps a key once per transaction: the mark says the own transaction has since
        // the last read, and the read takes it away, so that the transaction's next write stamps.
        _RecordsetPtr rs =
            Statement("SELECT StampKey, Writes, Token, vq_eco_stamp_read(StampKey::text) FROM "
                      "ECOTaskStamp WHERE StampKey IN (%k, %k, 'G:')",
                      {_variant_t("T:" + m_readingId), _variant_t("O:" + ChangeOrderNo(m_readingId))})
                ->Execute(nullptr, nullptr, adCmdText);
        for (; !rs->IsEOF(); rs->MoveNext())
            TakeStamp(rs, stamps);
        rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return false;
    }
    return true;
}

void ECOTaskSnapshot::TakeStamp(const _RecordsetPtr& rs, Stamps& stamps) {
    const _variant_t keyValue = rs->GetCollect(0L);
    if (keyValue.IsNull())
        return; // no stamp (the fingerprint's row alone)
    const CString key = VariantToStoredText(keyValue).Left(2);
    Stamp& stamp = key.CompareNoCase("T:") == 0   ? stamps.task
                   : key.CompareNoCase("O:") == 0 ? stamps.order
                                                  : stamps.truncated;
    stamp.writes = VariantToString(rs->GetCollect(1L));
    stamp.token = VariantToString(rs->GetCollect(2L));
    stamp.marked = std::atoi(VariantToString(rs->GetCollect(3L))) != 0;
}

bool ECOTaskSnapshot::ReadStampsAndTriggers(Stamps& stamps, CString& triggers) {
    stamps = Stamps();
    triggers.Empty();
    if (theApp.m_pConnPDM->GetEngine() != vq::db::Engine::PostgreSQL) {
        // SQLite's stamps need nothing of the schema: the connection's watch answers for both.
        if (!ReadStamps(stamps))
            return false;
        if (!stamps.task.writes.IsEmpty())
            triggers = "watched";
        return true;
    }
    try {
        _RecordsetPtr rs =
            Statement(kStampsAndTriggers,
                      {_variant_t("T:" + m_readingId), _variant_t("O:" + ChangeOrderNo(m_readingId))}, true)
                ->Execute(nullptr, nullptr, adCmdText);
        for (; !rs->IsEOF(); rs->MoveNext()) {
            TakeStamp(rs, stamps);
            triggers = VariantToString(rs->GetCollect(4L));
        }
        rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return false;
    }
    return true;
}

bool ECOTaskSnapshot::ReadWatchedWrites(Stamps& stamps) {
    // SQLite: the rows the application's connection wrote to the watched tables (counted by the
    // connection itself, whoever wrote through it), and how many commits of other connections it
    // has seen. The task's stamp carries the count, so that an own write is counted in; the
    // order's carries the rest.
    try {
        // Reading a table begins the statement's read of the database, which sees the commits of
        // other connections before the function counts them.
        _RecordsetPtr rs = Statement("SELECT vq_watched_writes(?) FROM sqlite_master LIMIT 1",
                                     {_variant_t(CString(kWatchedWrites))})
                               ->Execute(nullptr, nullptr, adCmdText);
        const CString watched = rs->IsEOF() ? CString() : VariantToString(rs->GetCollect(0L));
        rs->Close();
        const int count = watched.ReverseFind('.');
        if (count < 0)
            return true; // a connection without the watch: no stamps
        stamps.task.writes = watched.Mid(count + 1);
        stamps.task.token = watched.Left(count);
        stamps.order.writes = "0";
        stamps.order.token = stamps.task.token;
    } catch (_com_error& e) {
        ReportComError(e);
        return false;
    }
    return true;
}

bool ECOTaskSnapshot::ReadTriggers(CString& triggers) {
    // A write that a dropped or disabled trigger did not stamp may have come between two questions,
    // whatever the triggers are at the second: a change of them reads the task again. On PostgreSQL
    // the catalog rows of the triggers and of their functions get a new version (xmin) at every such
    // change.
    triggers.Empty();
    try {
        if (theApp.m_pConnPDM->GetEngine() == vq::db::Engine::PostgreSQL) {
            _RecordsetPtr rs =
                Statement(kTriggersFingerprint, {}, true)->Execute(nullptr, nullptr, adCmdText);
            if (!rs->IsEOF())
                triggers = VariantToString(rs->GetCollect(0L));
            rs->Close();
            return true;
        }
        if (theApp.m_pConnPDM->GetEngine() != vq::db::Engine::SQLite)
            return true;
    } catch (_com_error& e) {
        ReportComError(e);
        return false;
    }
    // SQLite needs nothing of the schema: its stamps work wherever the connection watches its
    // writes (every connection this process opens does).
    Stamps probe;
    if (!ReadWatchedWrites(probe))
        return false;
    triggers = probe.task.writes.IsEmpty() ? CString() : CString("watched");
    return true;
}

bool ECOTaskSnapshot::WaitingIndexed() {
    return WaitingStepsIndexed(theApp.m_pConnPDM);
}

bool ECOTaskSnapshot::Read(const CString& workId, const CString& triggers) {
    m_workId.Empty();
    m_readingId = workId;
    m_triggers = triggers;
    m_order.clear();
    m_orderStored.clear();
    m_missingHint = m_unfinishedHint = 0;
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
    // The triggers, then the stamps, then the rows: a write after one of them and before the next is
    // taken for one after the rows. A guide (no working stamps) has none.
    if (!triggers.IsEmpty() && !ReadStamps(m_stamps))
        return false;
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
            m_orderStored.push_back(VariantToStoredText(row[0]).str());
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

ECOTaskSnapshot::Ready ECOTaskSnapshot::Prepare(const CString& workId, bool beforeOwnWrite) {
    CString triggers;
    // A guide (read without working stamps) stays one for the snapshot's life: it only guides, and
    // the tables confirm what it names (stamps that begin to work meanwhile make nothing wrong; the
    // next snapshot uses them). It asks the catalog nothing more.
    if (m_stamped == 0)
        return Ready::Untrusted;
    if (Holds(workId) && !m_triggers.IsEmpty()) {
        if (TakeConfirmed())
            return Ready::Yes;
        // The stamps and the triggers in one read: a trigger changed since the stamps were last
        // compared shows.
        Stamps now;
        m_readingId = m_workId;
        if (!(beforeOwnWrite ? ReadStamps(now) : ReadStampsAndTriggers(now, triggers))) {
            m_workId.Empty();
            return Ready::Failed;
        }
        if (beforeOwnWrite)
            triggers = m_triggers; // read after the write
        // A mark: the own transaction wrote since the last read, without a new stamp when it had
        // stamped before (or a read that took the mark away was rolled back).
        if (!triggers.IsEmpty() && triggers == m_triggers && now == m_stamps && !now.Marked())
            return Ready::Yes;
        m_workId.Empty();
    } else if (!ReadTriggers(triggers)) {
        m_workId.Empty();
        return Ready::Failed;
    }
    m_stamped = triggers.IsEmpty() ? 0 : 1;
    if (triggers.IsEmpty())
        return Ready::Untrusted;
    return Read(workId, triggers) ? Ready::Yes : Ready::Failed;
}

void ECOTaskSnapshot::MarkConfirmed() {
    const _ConnectionPtr& connection = theApp.m_pConnPDM;
    m_confirmed = Confirmed{connection.GetInterfacePtr(), connection ? connection->Uses() : 0,
                            vq::MessageBoxesShown(), std::chrono::steady_clock::now()};
}

bool ECOTaskSnapshot::TakeConfirmed() {
    // The same transaction, nothing run on the connection since the read, nobody asked anything
    // meanwhile, and hardly any time gone: the read is as good as one now. The task's own rows are
    // still its to write (its stamp stays locked until the transaction ends); what another client
    // committed since to the order's parts is as much after this question as after that read. A
    // second question with nothing run between is as much at that moment as the first.
    const _ConnectionPtr& connection = theApp.m_pConnPDM;
    const bool holds =
        connection && connection->InTransaction() && m_confirmed.connection == connection.GetInterfacePtr() &&
        m_confirmed.uses == connection->Uses() && m_confirmed.boxes == vq::MessageBoxesShown() &&
        std::chrono::steady_clock::now() - m_confirmed.at < std::chrono::seconds(1);
    if (!holds)
        m_confirmed = Confirmed();
    return holds;
}

const std::size_t* ECOTaskSnapshot::MissingPart(int level) {
    // How far the order's parts have come says at once whether one is missing.
    bool below = false;
    for (auto at = m_orderReach.begin(); at != m_orderReach.end() && at->first < level && !below; ++at)
        below = at->second > 0;
    if (!below)
        return nullptr;
    const std::size_t count = m_order.size();
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t part = (m_missingHint + k) % count;
        const auto best = m_bestByTrimmed.find(m_order[part]);
        if (best == m_bestByTrimmed.end() || best->second < level) {
            m_missingHint = m_missingFound = part;
            return &m_missingFound;
        }
    }
    return nullptr;
}

const ECOTaskSnapshot::LevelRow* ECOTaskSnapshot::UnfinishedRow() {
    const std::size_t count = m_rows.size();
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t row = (m_unfinishedHint + k) % count;
        if (!m_rows[row].null && !m_rows[row].Finished()) {
            m_unfinishedHint = row;
            return &m_rows[row];
        }
    }
    return nullptr;
}

int ECOTaskSnapshot::OrdersByBytes() {
    // SQLite's NOCASE compares bytes after folding ASCII letters. A server compares citext by its
    // database's collation: only the C collations order by bytes (others may pass over blanks).
    if (theApp.m_pConnPDM->GetEngine() != vq::db::Engine::PostgreSQL)
        return 1;
    const long c = CountRows("SELECT COUNT(*) FROM pg_database WHERE datname = current_database() AND "
                             "(datcollate IN ('C', 'POSIX') OR datcollate LIKE 'C.%')");
    return c < 0 ? -1 : c > 0 ? 1 : 0;
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

ECOTaskSnapshot* CECOAuditLevel::Snapshot(const CString& workId, bool& failed, bool beforeOwnWrite) {
    failed = false;
    if (!m_pSnapshot || !theApp.m_pConnPDM)
        return nullptr;
    ECOTaskSnapshot& task = *m_pSnapshot;
    switch (task.Prepare(workId, beforeOwnWrite)) {
    case ECOTaskSnapshot::Ready::Failed:
        failed = true;
        return nullptr;
    case ECOTaskSnapshot::Ready::Untrusted:
        return nullptr;
    case ECOTaskSnapshot::Ready::Yes:
        break;
    }
    return task.Exact() ? &task : nullptr;
}

ECOTaskSnapshot* CECOAuditLevel::Guide(const CString& workId, bool& failed) {
    failed = false;
    if (!m_pSnapshot || !theApp.m_pConnPDM || m_pSnapshot->m_stamped != 0)
        return nullptr;
    ECOTaskSnapshot& guide = *m_pSnapshot;
    if (guide.m_byBytes < 0)
        guide.m_byBytes = ECOTaskSnapshot::OrdersByBytes();
    if (guide.m_byBytes <= 0) {
        failed = guide.m_byBytes < 0;
        return nullptr;
    }
    if (!guide.Holds(workId) && !guide.Read(workId, CString())) {
        failed = true;
        return nullptr;
    }
    return &guide;
}

int CECOAuditLevel::ConfirmMissing(ECOTaskSnapshot& guide, std::size_t part, int level) {
    // The part check keeps the level closed when a part of the order, trimmed, is none of the codes
    // of the drawings at the level, trimmed. Confirmed here for one part, by the index of the codes:
    // every stored spelling of the part (the rows the order's DISTINCT takes for one) trims to the
    // part, and no drawing of the task at the level has a code that trims to it. Such a code is the
    // part with blanks after it (a range of codes from the part on) or begins with a blank (a range
    // of codes before "!"). The task's id is compared without its index, so that the codes' is used.
    // On PostgreSQL OFFSET 0 keeps the level look-up per drawing found by its code: as a join, a
    // server without statistics of the tables yet goes through every level row of the task at the
    // level instead, a cost that grows with the drawings that reached it.
    const bool server = theApp.m_pConnPDM->GetEngine() == vq::db::Engine::PostgreSQL;
    const char* text =
        server
            ? "SELECT COUNT(*), SUM(CASE WHEN btrim(PartCode::text, ?) = ? THEN 1 ELSE 0 END), (SELECT "
              "COUNT(*) "
              "FROM TeamWorkResult r WHERE ((r.PartCode >= %k AND r.PartCode < %k) OR (r.PartCode > '' AND "
              "r.PartCode < '!')) AND btrim(r.PartCode::text, ?) = ? AND lower(r.WorkID::text) = lower(?) "
              "AND "
              "Upper(r.FileName) Like '%.DWG' AND EXISTS (SELECT 1 FROM ECOAuditLevel a WHERE a.ECOTaskNo = "
              "%k AND a.FileID = r.FileID AND a.CurrentAuditLevel >= ? LIMIT 1 OFFSET 0)) FROM ECOModifyPart "
              "WHERE ECONo = %k AND PartCode = %k AND Upper(Other3) = '0'"
            : "SELECT COUNT(*), SUM(CASE WHEN trim(PartCode, ?) = ? THEN 1 ELSE 0 END), (SELECT COUNT(*) "
              "FROM "
              "TeamWorkResult r WHERE ((r.PartCode >= %k AND r.PartCode < %k) OR (r.PartCode > '' AND "
              "r.PartCode "
              "< '!')) AND trim(r.PartCode, ?) = ? AND +r.WorkID = ? COLLATE NOCASE AND Upper(r.FileName) "
              "Like "
              "'%.DWG' AND EXISTS (SELECT 1 FROM ECOAuditLevel a WHERE a.ECOTaskNo = %k AND a.FileID = "
              "r.FileID "
              "AND a.CurrentAuditLevel >= ?)) FROM ECOModifyPart WHERE ECONo = %k AND PartCode = %k AND "
              "Upper(Other3) = '0'";
    const CString workId = guide.m_workId;
    const _variant_t order(ChangeOrderNo(workId));
    const _variant_t stored(CString(guide.m_orderStored[part]));
    const _variant_t trimmed(CString(guide.m_order[part]));
    const _variant_t blanks(CString(" \t\n\r\v\f"));
    long spellings = 0, trimmedSpellings = 0, drawings = 0;
    // On the server it goes with its values in the text, one round trip: planning it costs about
    // as much as the separate round trip of a prepared statement's savepoint, and it then never
    // runs on a generic plan.
    try {
        _RecordsetPtr rs =
            guide
                .Statement(text,
                           {blanks, trimmed, trimmed, _variant_t(CString(guide.m_order[part] + "!")), blanks,
                            trimmed, _variant_t(workId), _variant_t(workId),
                            _variant_t(static_cast<long>(level)), order, stored},
                           false)
                ->Execute(nullptr, nullptr, adCmdText);
        if (!rs->IsEOF()) {
            spellings = std::atol(VariantToString(rs->GetCollect(0L)));
            trimmedSpellings = std::atol(VariantToString(rs->GetCollect(1L)));
            drawings = std::atol(VariantToString(rs->GetCollect(2L)));
        }
        rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return -1;
    }
    return spellings > 0 && trimmedSpellings == spellings && drawings == 0 ? 1 : 0;
}

int CECOAuditLevel::CheckPartsOnServer(ECOTaskSnapshot& guide, const CString& workId, int level) {
    // The part check computed where the rows are, instead of reading the order's parts and the
    // task's drawings: the distinct codes of the order and of the drawings at the level (a NULL
    // code is one more), the order's codes that trimmed are none of the drawings' codes trimmed
    // (a NULL code reads as empty), and the level of the order's sheet. Where a code is stored in
    // two spellings the database takes for one, or the sheet has rows at different levels, the
    // answer depends on the row the database returns first: the part check's own statements answer.
    // On PostgreSQL each drawing looks its level row up by the index (OFFSET 0 keeps the look-up
    // from becoming a join, which a server without statistics of the tables yet runs as a loop over
    // every level row of the task for every drawing). The codes the database takes for one are
    // counted as citext compares them, by their lower case, and both counts sort bytes: sorting
    // citext itself lowers both codes at every comparison.
    const bool server = theApp.m_pConnPDM->GetEngine() == vq::db::Engine::PostgreSQL;
    const char* text =
        server
            ? "WITH s AS MATERIALIZED (SELECT r.PartCode AS c FROM TeamWorkResult r WHERE r.WorkID = %k AND "
              "Upper(r.FileName) Like '%.DWG' AND EXISTS (SELECT 1 FROM ECOAuditLevel a WHERE "
              "a.CurrentAuditLevel >= ? AND a.ECOTaskNo = %k AND a.FileID = r.FileID LIMIT 1 OFFSET 0)), p "
              "AS "
              "MATERIALIZED (SELECT PartCode AS c FROM "
              "ECOModifyPart WHERE ECONo = %k AND Upper(Other3) = '0') SELECT (SELECT COUNT(DISTINCT "
              "lower(c::text) COLLATE \"C\") + coalesce(MAX(CASE WHEN c IS NULL THEN 1 ELSE 0 END), 0) "
              "FROM p), (SELECT COUNT(DISTINCT c::text COLLATE \"C\") + coalesce(MAX(CASE WHEN c IS NULL "
              "THEN 1 ELSE 0 END), 0) FROM p), (SELECT COUNT(DISTINCT lower(c::text) COLLATE \"C\") + "
              "coalesce(MAX(CASE WHEN c IS NULL THEN 1 ELSE 0 END), 0) FROM s), (SELECT COUNT(DISTINCT "
              "c::text COLLATE \"C\") + coalesce(MAX(CASE WHEN c IS NULL THEN 1 ELSE 0 END), 0) FROM s), "
              "(SELECT COUNT(*) FROM p WHERE "
              "btrim(coalesce(c::text, ''), ?) NOT IN (SELECT btrim(coalesce(c::text, ''), ?) FROM s)), "
              "(SELECT COUNT(DISTINCT coalesce(CurrentAuditLevel::text, '')) FROM ECOAuditLevel WHERE "
              "ECOTaskNo = %k AND IsECOFile = 'Y'), (SELECT MIN(CurrentAuditLevel) FROM ECOAuditLevel WHERE "
              "ECOTaskNo = %k AND IsECOFile = 'Y')"
            : "WITH s AS MATERIALIZED (SELECT r.PartCode AS c FROM TeamWorkResult r WHERE r.WorkID = %k AND "
              "Upper(r.FileName) Like '%.DWG' AND r.FileID IN (SELECT FileID FROM ECOAuditLevel WHERE "
              "CurrentAuditLevel >= ? AND ECOTaskNo = %k)), p AS MATERIALIZED (SELECT PartCode AS c FROM "
              "ECOModifyPart WHERE ECONo = %k AND Upper(Other3) = '0') SELECT (SELECT COUNT(DISTINCT c) + "
              "coalesce(MAX(CASE WHEN c IS NULL THEN 1 ELSE 0 END), 0) FROM p), (SELECT COUNT(DISTINCT c "
              "COLLATE BINARY) + coalesce(MAX(CASE WHEN c IS NULL THEN 1 ELSE 0 END), 0) FROM p), (SELECT "
              "COUNT(DISTINCT c) + coalesce(MAX(CASE WHEN c IS NULL THEN 1 "
              "ELSE 0 END), 0) FROM s), (SELECT COUNT(DISTINCT c COLLATE BINARY) + coalesce(MAX(CASE WHEN c "
              "IS NULL THEN 1 ELSE 0 END), 0) FROM s), (SELECT COUNT(*) "
              "FROM p WHERE trim(coalesce(c, ''), ?) NOT IN (SELECT trim(coalesce(c, ''), ?) FROM s)), "
              "(SELECT COUNT(DISTINCT coalesce(CurrentAuditLevel, '')) FROM ECOAuditLevel WHERE ECOTaskNo = "
              "%k AND IsECOFile = 'Y'), (SELECT MIN(CurrentAuditLevel) FROM ECOAuditLevel WHERE ECOTaskNo = "
              "%k AND IsECOFile = 'Y')";
    const _variant_t task(workId), blanks(CString(" \t\n\r\v\f"));
    long order = 0, orderSpellings = 0, submitted = 0, submittedSpellings = 0, missing = 0, sheetLevels = 0;
    CString sheet;
    try {
        _RecordsetPtr rs = guide
                               .Statement(text,
                                          {task, _variant_t(static_cast<long>(level)), task,
                                           _variant_t(ChangeOrderNo(workId)), blanks, blanks, task, task},
                                          true)
                               ->Execute(nullptr, nullptr, adCmdText);
        if (!rs->IsEOF()) {
            order = std::atol(VariantToString(rs->GetCollect(0L)));
            orderSpellings = std::atol(VariantToString(rs->GetCollect(1L)));
            submitted = std::atol(VariantToString(rs->GetCollect(2L)));
            submittedSpellings = std::atol(VariantToString(rs->GetCollect(3L)));
            missing = std::atol(VariantToString(rs->GetCollect(4L)));
            sheetLevels = std::atol(VariantToString(rs->GetCollect(5L)));
            sheet = VariantToString(rs->GetCollect(6L));
        }
        rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        if (!IsConnectionLost(e))
            AfxMessageBox(kSubmittedPartsError);
        return 0;
    }
    if (order != orderSpellings || submitted != submittedSpellings || sheetLevels > 1)
        return CheckPartsInTable(workId, level);
    if (submitted < order || missing > 0)
        return 0;
    if (submitted > order) {
        AfxMessageBox(kMorePartsWarning);
        return 1;
    }
    if (sheet.IsEmpty())
        return 0;
    return std::atoi(sheet) >= level ? 1 : 0;
}

int CECOAuditLevel::ConfirmUnfinished(ECOTaskSnapshot& guide, const std::string& fileKey) {
    long count = 0;
    try {
        _RecordsetPtr rs =
            guide
                .Statement("SELECT COUNT(*) FROM ECOAuditLevel WHERE ECOTaskNo = %k AND FileID = %k "
                           "AND CurrentAuditLevel <> MaxAuditLevel",
                           {_variant_t(guide.m_workId), _variant_t(CString(fileKey))})
                ->Execute(nullptr, nullptr, adCmdText);
        if (!rs->IsEOF())
            count = std::atol(VariantToString(rs->GetCollect(0L)));
        rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return -1;
    }
    return count > 0 ? 1 : 0;
}

bool CECOAuditLevel::CountOwnWrite(ECOTaskSnapshot& task, long rows) {
    // Nothing but this write since the stamps were compared: on SQLite, whose connection counts each
    // row it writes, the rows it wrote and nothing else; on PostgreSQL, whose last read took the marks away,
    // one new stamp and its mark (none when it wrote no row).
    // The triggers are read with the stamps, as a question reads them: the snapshot is then
    // confirmed as the tables are now, and the decision's next question needs no read of its own.
    const ECOTaskSnapshot::Stamp held = task.m_stamps.task;
    ECOTaskSnapshot::Stamps now;
    CString triggers;
    bool alone = rows >= 0 && task.ReadStampsAndTriggers(now, triggers) && !triggers.IsEmpty() &&
                 triggers == task.m_triggers && now.order == task.m_stamps.order &&
                 now.truncated == task.m_stamps.truncated && !now.order.marked && !now.truncated.marked;
    const bool server = theApp.m_pConnPDM->GetEngine() == vq::db::Engine::PostgreSQL;
    const long stamps = !server ? rows : rows > 0 ? 1 : 0;
    alone = alone && now.task.marked == (server && rows > 0) &&
            std::atol(now.task.writes) == std::atol(held.writes) + stamps;
    if (alone) {
        task.m_stamps = now;
        // Inside a transaction the write keeps the task's stamp locked: nobody else writes the
        // task's rows until it ends.
        if (theApp.m_pConnPDM->InTransaction())
            task.MarkConfirmed();
        return true;
    }
    task.m_workId.Empty();
    return false;
}

int CECOAuditLevel::CheckPartsInTable(const CString& workId, int level) {
    // The distinct codes of the order and of the drawings at the level, as the database tells codes
    // apart. Of two spellings the database takes for one (a code in upper and lower case), DISTINCT
    // would return whichever row it meets first, and the exact comparison below would then answer
    // by the rows' order on disk; each group gives its lowest spelling by bytes instead, so that the
    // answer is the same however the rows lie.
    const bool server = theApp.m_pConnPDM && theApp.m_pConnPDM->GetEngine() == vq::db::Engine::PostgreSQL;
    const char* spelling = server ? "MIN(PartCode::text COLLATE \"C\")" : "MIN(PartCode COLLATE BINARY)";
    CString sql;
    sql.Format("SELECT %s FROM ECOModifyPart WHERE ECONo = '%s' AND Upper(Other3) = '0' GROUP BY PartCode",
               spelling, SqlQuote(ChangeOrderNo(workId)));
    CStringArray orderParts;
    if (!ReadColumnValues(sql, orderParts, kOrderPartsError))
        return 0;
    sql.Format(
        "SELECT %s FROM TeamWorkResult WHERE WorkID = '%s' AND Upper(FileName) Like '%%.DWG' AND FileID "
        "IN ( SELECT Distinct FileID FROM ECOAuditLevel WHERE CurrentAuditLevel >= %d AND ECOTaskNo = "
        "'%s' ) GROUP BY PartCode",
        spelling, SqlQuote(workId), level, SqlQuote(workId));
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
    // Of the sheet's rows (one, unless a client stored more) the lowest level answers, a row without
    // a level lowest of all: not whichever row the database happens to return first.
    sql.Format("SELECT CurrentAuditLevel FROM ECOAuditLevel WHERE ECOTaskNo = '%s' AND IsECOFile = 'Y' ORDER "
               "BY CASE WHEN CurrentAuditLevel IS NULL THEN 0 ELSE 1 END, CurrentAuditLevel",
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

int CECOAuditLevel::CheckModifiedPartsReady(CString workId, int level) {
    bool failed = false;
    if (const ECOTaskSnapshot* task = Snapshot(workId, failed)) {
        bool warn = false;
        const int answer = task->Answer(level, warn);
        if (warn)
            AfxMessageBox(kMorePartsWarning);
        return answer;
    }
    if (failed)
        return 0; // shown
    if (ECOTaskSnapshot* guide = Guide(workId, failed)) {
        if (const std::size_t* part = guide->MissingPart(level)) {
            const int missing = ConfirmMissing(*guide, *part, level);
            if (missing != 0)
                return 0;            // still missing, or the read failed (shown)
            guide->m_workId.Empty(); // read again when next used
        }
        return CheckPartsOnServer(*guide, workId, level);
    }
    return failed ? 0 : CheckPartsInTable(workId, level);
}

int CECOAuditLevel::ResetWaitingAudits(int level, CString workId, int alsoGroupRows) {
    if (!CheckModifiedPartsReady(workId, level))
        return 1;
    // The statements go through the level rows of every document of the task at the level: at a
    // complete level a decision would cost the more, the more parts the order has. Where the waiting
    // steps are indexed, a reviewer's decisions release the same steps the other way round: through
    // the steps waiting now (of every change task), each looked up among the task's level rows.
    // OFFSET 0 keeps PostgreSQL from turning the look-up into a join over the task's rows, a plan
    // it may choose for tables it has no statistics of yet.
    if (m_pSnapshot && theApp.m_pConnPDM && m_pSnapshot->m_waitingIndexed < 0)
        m_pSnapshot->m_waitingIndexed = ECOTaskSnapshot::WaitingIndexed() ? 1 : 0;
    const bool throughWaiting = m_pSnapshot && m_pSnapshot->m_waitingIndexed > 0;
    CString sql;
    for (int group = 0; group <= (alsoGroupRows ? 1 : 0); ++group) {
        if (throughWaiting) {
            static const char* const releases[] = {
                "Update TeamWorkAudit SET State = '未完成' WHERE State = '等待' AND EXISTS ( SELECT 1 FROM "
                "ECOAuditLevel WHERE ECOAuditLevel.FileID = TeamWorkAudit.FileID AND ECOTaskNo = %k AND "
                "CurrentAuditLevel = ? LIMIT 1 OFFSET 0 )",
                "Update TeamWorkGroupAudit SET State = '未完成' WHERE State = '等待' AND EXISTS ( SELECT 1 "
                "FROM "
                "ECOAuditLevel WHERE ECOAuditLevel.FileID = TeamWorkGroupAudit.FileID AND ECOTaskNo = %k AND "
                "CurrentAuditLevel = ? LIMIT 1 OFFSET 0 )"};
            try {
                m_pSnapshot
                    ->Statement(releases[group], {_variant_t(workId), _variant_t(static_cast<long>(level))})
                    ->Execute(nullptr, nullptr, adCmdText);
            } catch (_com_error& e) {
                sql.Format("%s (%s, %d)", releases[group], workId, level);
                theApp.ReportSqlError(e, sql);
                return 0;
            }
            continue;
        }
        if (group)
            sql.Format("Update TeamWorkGroupAudit SET State = '未完成' WHERE State = '等待' AND  FileID IN ( "
                       "SELECT FileID "
                       "FROM ECOAuditLevel WHERE ECOTaskNo = '%s' AND CurrentAuditLevel = %d )",
                       SqlQuote(workId), level);
        else
            sql.Format("Update TeamWorkAudit SET State = '未完成' WHERE State = '等待' AND FileID IN ( "
                       "SELECT FileID "
                       "FROM ECOAuditLevel WHERE ECOTaskNo = '%s' AND CurrentAuditLevel = %d )",
                       SqlQuote(workId), level);
        if (!theApp.ExecuteSql(sql))
            return 0;
    }
    return 1;
}

bool CECOAuditLevel::ReadFileRow(const CString& workId, const CString& fileId, int& current, int& maximum,
                                 std::string& key) {
    // The first row's levels (0 when there is none), and its key.
    CString sql;
    sql.Format("SELECT CurrentAuditLevel, MaxAuditLevel, Lower(FileID) FROM ECOAuditLevel WHERE ECOTaskNo = "
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
        return false;
    return true;
}

int CECOAuditLevel::AdvanceFileLevel(CString workId, CString fileId, int advance) {
    CString sql;
    if (!advance) {
        // Back to the start, with the order's sheet: a snapshot reads the task again when next used.
        if (m_pSnapshot)
            m_pSnapshot->m_workId.Empty();
        sql.Format("UPDATE ECOAuditLevel SET CurrentAuditLevel = 0 WHERE ECOTaskNo = '%s' AND FileID = '%s'",
                   SqlQuote(workId), SqlQuote(fileId));
        if (!theApp.ExecuteSql(sql))
            return 0; // shown, with its statement
        sql.Format(
            "UPDATE ECOAuditLevel SET CurrentAuditLevel = 0 WHERE ECOTaskNo = '%s' AND IsECOFile = 'Y'",
            SqlQuote(workId));
        return theApp.ExecuteSql(sql) ? 1 : 0;
    }
    bool failed = false;
    ECOTaskSnapshot* task = Snapshot(workId, failed, true);
    if (failed)
        return 0; // shown
    if (m_pSnapshot && theApp.m_pConnPDM->GetEngine() == vq::db::Engine::PostgreSQL)
        return AdvanceOnServer(task, workId, fileId);
    int current = 0, maximum = 0;
    std::string key;
    if (task) {
        // The document's rows as the statements below find them: the first one's levels, and the
        // key every one of them has.
        try {
            _RecordsetPtr rs =
                task->Statement(
                        "SELECT CurrentAuditLevel, MaxAuditLevel, Lower(FileID) FROM ECOAuditLevel WHERE "
                        "ECOTaskNo = %k AND FileID = %k",
                        {_variant_t(workId), _variant_t(fileId)})
                    ->Execute(nullptr, nullptr, adCmdText);
            if (!rs->IsEOF()) {
                current = std::atoi(VariantToString(rs->GetCollect(0L)));
                maximum = std::atoi(VariantToString(rs->GetCollect(1L)));
                key = VariantToStoredText(rs->GetCollect(2L)).str();
            }
            rs->Close();
        } catch (_com_error& e) {
            ReportComError(e);
            return 0;
        }
    } else if (!ReadFileRow(workId, fileId, current, maximum, key)) {
        return 0; // shown
    }
    // The decision asks for the document's levels next: they are those of the row just read.
    m_lastRow = LastRow{workId, fileId, current, maximum, !key.empty() && m_pSnapshot};
    if (current >= maximum)
        return 0;
    ++m_lastRow.current;
    sql.Format("UPDATE ECOAuditLevel SET CurrentAuditLevel = %d WHERE ECOTaskNo = '%s' AND FileID = '%s'",
               current + 1, SqlQuote(workId), SqlQuote(fileId));
    if (!task) {
        if (!theApp.ExecuteSql(sql)) {
            m_lastRow.known = false;
            return 0;
        }
        // A guide of the task follows the decision's own write (it only guides: the tables confirm).
        if (m_pSnapshot && m_pSnapshot->m_stamped == 0 && m_pSnapshot->Holds(workId) && !key.empty())
            m_pSnapshot->SetReached(key, current + 1);
        return 1;
    }
    long rows = -1;
    try {
        task->Statement("UPDATE ECOAuditLevel SET CurrentAuditLevel = ? WHERE ECOTaskNo = %k AND FileID = %k",
                        {_variant_t(static_cast<long>(current + 1)), _variant_t(workId), _variant_t(fileId)})
            ->Execute(&rows, nullptr, adCmdText);
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
        task->m_workId.Empty();
        m_lastRow.known = false;
        return 0;
    }
    if (CountOwnWrite(*task, rows))
        task->SetReached(key, current + 1);
    return 1;
}

int CECOAuditLevel::AdvanceOnServer(ECOTaskSnapshot* task, const CString& workId, const CString& fileId) {
    // The document's first row is read and every row of it moved one level up from there in one
    // statement: one round trip where the read and the write took two. As the two statements do, the
    // first row's levels decide (a NULL level reads as 0), nothing moves beyond the maximum, and the
    // rows are all written with the first one's level plus one.
    static const char* const kAdvance =
        "WITH r AS MATERIALIZED (SELECT CurrentAuditLevel AS c, MaxAuditLevel AS m, Lower(FileID) AS k FROM "
        "ECOAuditLevel WHERE ECOTaskNo = %k AND FileID = %k LIMIT 1), u AS (UPDATE ECOAuditLevel SET "
        "CurrentAuditLevel = (SELECT coalesce(c, 0) + 1 FROM r) WHERE ECOTaskNo = %k AND FileID = %k AND "
        "(SELECT coalesce(c, 0) < coalesce(m, 0) FROM r) RETURNING 1) SELECT coalesce(c, 0), coalesce(m, 0), "
        "k, (SELECT COUNT(*) FROM u) FROM r";
    const _variant_t taskId(workId), file(fileId);
    int current = 0, maximum = 0;
    std::string key;
    long rows = 0;
    try {
        _RecordsetPtr rs = m_pSnapshot->Statement(kAdvance, {taskId, file, taskId, file})
                               ->Execute(nullptr, nullptr, adCmdText);
        if (!rs->IsEOF()) {
            current = std::atoi(VariantToString(rs->GetCollect(0L)));
            maximum = std::atoi(VariantToString(rs->GetCollect(1L)));
            key = VariantToStoredText(rs->GetCollect(2L)).str();
            rows = std::atol(VariantToString(rs->GetCollect(3L)));
        }
        rs->Close();
    } catch (_com_error& e) {
        // Said as a failed read of the levels is: the decision names what it could not do.
        ReportComError(e);
        if (task)
            task->m_workId.Empty();
        m_lastRow.known = false;
        return 0;
    }
    // The decision asks for the document's levels next: they are those of the row just read.
    m_lastRow = LastRow{workId, fileId, current, maximum, !key.empty()};
    if (current >= maximum)
        return 0;
    ++m_lastRow.current;
    if (!task) {
        // A guide of the task follows the decision's own write (it only guides: the tables confirm).
        if (m_pSnapshot->m_stamped == 0 && m_pSnapshot->Holds(workId) && !key.empty())
            m_pSnapshot->SetReached(key, current + 1);
        return 1;
    }
    if (CountOwnWrite(*task, rows))
        task->SetReached(key, current + 1);
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
    if (failed)
        return 0; // shown
    if (ECOTaskSnapshot* guide = Guide(workId, failed)) {
        // Not finished while a part has no drawing at level 0 (the part check comes first), or while
        // a document is below its maximum: either one, named by the guide and confirmed by the
        // tables, is the answer. Where the guide has more parts at level 0 than the order, the part
        // check's warning is shown by the part check's own statements.
        bool warn = false;
        if (const std::size_t* part = guide->MissingPart(0)) {
            const int missing = ConfirmMissing(*guide, *part, 0);
            if (missing != 0)
                return 0; // still missing, or the read failed (shown)
            guide->m_workId.Empty();
        } else if (guide->Answer(0, warn) && !warn) {
            if (const ECOTaskSnapshot::LevelRow* row = guide->UnfinishedRow()) {
                const int unfinished = ConfirmUnfinished(*guide, row->key);
                if (unfinished != 0)
                    return 0; // still unfinished, or the read failed (shown)
                guide->m_workId.Empty();
            }
        }
        return CheckPartsOnServer(*guide, workId, 0) ? CountUnfinishedInTable(workId) : 0;
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
    // Right after a decision advanced the document (a snapshot's decision, in its transaction): the
    // row it read and wrote, found by the same comparison. Else from the table.
    if (m_lastRow.known && m_lastRow.workId == workId && m_lastRow.fileId == fileId) {
        m_lastRow.known = false;
        maxLevel = m_lastRow.maximum;
        currentLevel = m_lastRow.current;
        return 1;
    }
    m_lastRow.known = false;
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
        }))
        return 0; // the error shown
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
