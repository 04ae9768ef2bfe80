// One reviewer's decision over the documents of a work, as the opinion dialog runs it for several
// documents at once (one engine, one decision per document): on the documents of a change task of
// a change order of as many parts, and the same decision on as many documents of a plain work as
// the baseline. The change task is shaped as a real one (bench/DecisionShape.h): the drawing of
// each part, the order's sheet beside them and a second document of each part (a report or a second
// drawing sheet), decided after all the drawings: those are decided while their level is already
// complete; the documents' opinions and notices and the order's modification notice with its
// documents and review steps. Both works have two review
// levels; the first decision passes every document's first step and opens the second, the second
// passes the last step. Each size runs in a database of its own, filled just before (a server has
// no statistics of it yet).
//
//   build/bench/bench/decision_bench [parts ...]
//   build/bench/bench/decision_bench --writes [rows ...]
//
// Runs on SQLite (default sizes 200, 2,000 and 20,000 parts), or on PostgreSQL when VQ_PG_PORT
// names a server (200 and 2,000: at 20,000 parts a server decides for well over an hour, so that
// size runs there only when the arguments name it, as "decision_bench 200 2000 20000"). Each size then runs
// the change task once more on a database made from an earlier version's schema (tests/host/data), as it is
// before scripts/upgrade-database (on PostgreSQL without the stamps, where the snapshot only guides; SQLite's
// stamps need nothing of the schema), and decides a sample at a complete level there as the tables answer it
// (the database computes the part check). When VQ_PREVIOUS_DECISION_BENCH names the previous build's
// decision_bench (bench/run builds it from bench/PreviousDecisionBench.cpp and bench/DecisionShape.h on the
// previous build's source), that decides the same change task on a database of its own schema, on the same
// sizes. Last, per size: a decision at a complete level against the same decision answered by the tables,
// with whether it holds the goal of at most 1.5 times it, and against a decision of the plain work (how far
// from flat in the parts); then a drawing's decision against the previous build's, on a database of the
// earlier schema (goal: no more) and of this one (goal: at most 1.2 times). Processor time on
// SQLite, the clock on PostgreSQL (where the process's processor time leaves out the server's share).
//
// With --writes it measures what the stamps cost the writes of many rows to the tables they watch
// instead (default 2,000, 10,000 and 20,000 rows): a change order's parts stored again as the change
// order dialog stores them (one transaction: its DELETE, then an INSERT per part) and one work's
// documents deleted as the work deletion deletes them (one statement), each with the stamps and in a
// database of the same schema without them (on SQLite: through a connection that does not watch its
// writes); then the documents of as many works, one each, stored by one array insert, 200 more
// works' rows after them on the same connection, one statement each, the documents of as many works
// loaded by one COPY (PostgreSQL), and all of them deleted by one statement. The goal is at most 1.2
// times that, and a cost per row that does not grow with the rows (at most 1.5 times the smallest
// size's).
//
// It ends with a failure when a decision or a write failed, or a goal was missed.
#include "changeorders/ECOModifyParts.h"
#include "core/InstallPath.h"
#include "core/Settings.h"
#include "core/SqlTransaction.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Profile.h"
#include "platform/db/Command.h"
#include "review/AuditFlowEngine.h"
#include "tests/support/DbWorkspace.h"

#include "bench/DecisionShape.h"
#include "bench/Goals.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using bench::FileId;
using bench::Insert;
using bench::kChangeTask;
using bench::kPlainWork;

// The change task and the plain work of bench/DecisionShape.h in the database; a benchmark that
// cannot make them stops with a failure.
void MakeChangeTask(const _ConnectionPtr& conn, int parts) {
    try {
        bench::Generate(conn, parts);
    } catch (const _com_error& e) {
        std::fprintf(stderr, "the change task of %d parts could not be made: %s\n", parts,
                     e.Description().c_str());
        std::exit(2);
    }
}

// Seconds on the clock and of the process's processor time (the SQLite engine runs in the
// process: on a busy machine its processor time is the steadier figure).
struct Times {
    double wall = 0;
    double cpu = 0;
};

class Stopwatch {
public:
    Stopwatch() { Restart(); }
    void Restart() {
        m_wall = Clock::now();
        m_cpu = std::clock();
    }
    Times Elapsed() const {
        return {std::chrono::duration<double>(Clock::now() - m_wall).count(),
                static_cast<double>(std::clock() - m_cpu) / CLOCKS_PER_SEC};
    }

private:
    Clock::time_point m_wall;
    std::clock_t m_cpu = 0;
};

// One decision over every document of the work at the step: the times the first `first`
// documents took and the times the others took; ok is false when a document was not decided.
struct Decision {
    Times first;
    Times rest;
    bool ok = true;
};

// What reading the settings cost the decisions: look-ups of the installation folder (reading
// vqpdm.txt and resolving the settings file's path), opens and parses of the settings file.
struct SettingsCost {
    unsigned long lookups = 0;
    unsigned long opens = 0;
    unsigned long parses = 0;
    unsigned long documents = 0;
};
SettingsCost g_settings;

Decision Decide(const char* work, const char* step, const char* login, int documents, int first,
                int from = 0) {
    theApp.m_strLoginUser = login;
    CAuditFlowEngine engine(CAuditFlowEngine::OpinionDialogOptions(true));
    engine.m_strLogin = login;
    Decision decision;
    Stopwatch watch;
    for (int i = from; i < documents; ++i) {
        if (i == first) {
            decision.first = watch.Elapsed();
            watch.Restart();
        }
        // Each document is decided in an entry call of its own, as a reviewer's review is.
        CSettingsCallScope call;
        const unsigned long lookups = InstallFolderLookupsSoFar();
        const vq::ProfileReadCounts reads = vq::ProfileReadCountsSoFar();
        engine.m_strFileID = FileId(work, i);
        engine.m_strAuditTask = step;
        decision.ok = engine.LoadDocument() != 0;
        if (!decision.ok)
            return decision;
        engine.m_strOpinion = "同意";
        engine.m_nResult = CAuditFlowEngine::kPass;
        decision.ok = engine.ApplyAuditResult() != 0;
        if (!decision.ok)
            return decision;
        g_settings.lookups += InstallFolderLookupsSoFar() - lookups;
        g_settings.opens += vq::ProfileReadCountsSoFar().opens - reads.opens;
        g_settings.parses += vq::ProfileReadCountsSoFar().parses - reads.parses;
        ++g_settings.documents;
    }
    (first < documents ? decision.rest : decision.first) = watch.Elapsed();
    return decision;
}

// The schema without the stamps' triggers (PostgreSQL) and the waiting steps' indexes (taken out of
// the database, and put back as they were): what the writes cost without the stamps.
class WithoutShortcuts {
public:
    explicit WithoutShortcuts(const vqtest::DbWorkspace& ws)
        : m_ws(ws), m_triggers(ws.StampTriggerCount()), m_indexes(ws.WaitingIndexCount()) {
        Drop();
        // The figures "without" mean something only when nothing of the stamps is left.
        Expect("dropped", 0, 0);
    }
    ~WithoutShortcuts() {
        try {
            if (vqtest::DbWorkspace::OnPostgreSQL())
                Run(m_restore);
            else
                m_ws.Execute(m_restore);
        } catch (const _com_error& e) {
            std::fprintf(stderr, "the stamps and indexes could not be put back: %s\n",
                         e.Description().c_str());
            std::exit(2);
        }
        Expect("put back", m_triggers, m_indexes);
    }
    WithoutShortcuts(const WithoutShortcuts&) = delete;
    WithoutShortcuts& operator=(const WithoutShortcuts&) = delete;

private:
    void Expect(const char* when, int triggers, int indexes) const {
        const int nowTriggers = m_ws.StampTriggerCount();
        const int nowIndexes = m_ws.WaitingIndexCount();
        if (nowTriggers == triggers && nowIndexes == indexes)
            return;
        std::fprintf(stderr,
                     "the baseline is not what it claims: with the stamps %s, %d stamp triggers and %d "
                     "waiting-step indexes stand (expected %d and %d)\n",
                     when, nowTriggers, nowIndexes, triggers, indexes);
        std::exit(2);
    }
    void Drop() {
        if (vqtest::DbWorkspace::OnPostgreSQL()) {
            m_connection = m_ws.Connect();
            // Dropped, not disabled: a disabled row trigger still makes the server fetch every
            // deleted row for it. Each is put back enabled ALWAYS, as the schema makes them all.
            const char* stamps = "FROM pg_trigger WHERE tgname LIKE 'tr!_ecostamp!_%' ESCAPE '!' AND NOT "
                                 "tgisinternal";
            m_restore =
                m_ws.QueryText(CString("SELECT string_agg(pg_get_triggerdef(oid) || '; ALTER TABLE ' || "
                                       "tgrelid::regclass || ' ENABLE ALWAYS TRIGGER ' || tgname, '; ') ") +
                               stamps) +
                "; CREATE INDEX ix_teamworkaudit_waiting ON TeamWorkAudit (FileID) WHERE State = '等待'; "
                "CREATE INDEX ix_teamworkgroupaudit_waiting ON TeamWorkGroupAudit (FileID) WHERE "
                "State = '等待'";
            Run(m_ws.QueryText(CString("SELECT string_agg('DROP TRIGGER ' || tgname || ' ON ' || "
                                       "tgrelid::regclass, '; ') ") +
                               stamps) +
                "; DROP INDEX ix_teamworkaudit_waiting; DROP INDEX ix_teamworkgroupaudit_waiting");
            return;
        }
        // SQLite's stamps are the connection's watch of its own writes: a connection opened without
        // it (DbWorkspace::ConnectWithoutWriteWatch) writes without them.
        const char* which =
            "FROM sqlite_master WHERE type = 'index' AND name LIKE 'IX!_%!_Waiting' ESCAPE '!'";
        m_restore = m_ws.QueryText(CString("SELECT group_concat(sql, ';' || char(10)) ") + which);
        m_ws.Execute(m_ws.QueryText(
            CString("SELECT group_concat('DROP ' || upper(type) || ' ' || name, '; ') ") + which));
    }
    // Runs statements separated by "; " one by one, as they stand (no schema conversion).
    void Run(const CString& statements) {
        const std::string text = statements.str();
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t end = std::min(text.find("; ", start), text.size());
            if (end > start)
                m_connection->Execute(CString(text.substr(start, end - start)));
            start = end + 2;
        }
    }

    const vqtest::DbWorkspace& m_ws;
    _ConnectionPtr m_connection; // PostgreSQL
    CString m_restore;
    int m_triggers = 0;
    int m_indexes = 0;
};

// One line: milliseconds per document of the change task and of the plain work, on the clock and
// of processor time (the process's own: on PostgreSQL the server's work is not in it), and the
// ratios of both.
void PrintLine(const char* step, const char* documents, const Times& change, const Times& plain, int count) {
    std::printf("%-6s %-16s %9.2f %9.2f %9.2f %9.2f %7.2f %7.2f\n", step, documents,
                1000 * change.wall / count, 1000 * change.cpu / count, 1000 * plain.wall / count,
                1000 * plain.cpu / count, change.wall / plain.wall, change.cpu / plain.cpu);
}

// A decision at a complete level may cost this many times the same decision answered by the tables.
constexpr double kGoal = 1.5;
// Against the previous build on the same kind of database: a drawing's decision on a database made by
// an earlier version (before it is upgraded) costs no more than the previous build's, and on a
// database of this version no more than this many times it.
constexpr double kEarlierGoal = 1.0;
constexpr double kCurrentGoal = 1.2;
// Rounds of the drawings' decisions judged against the previous build (the best of each is kept).
constexpr int kDrawingRounds = 5;

// Milliseconds per decision, on the clock and of the process's processor time.
struct Figure {
    double clock = 0;
    double process = 0;
    bool measured = false;
    // The figure a goal is judged on: processor time on SQLite (the engine works in the process),
    // the clock on PostgreSQL (where the server's share is not the process's).
    double Judged() const { return vqtest::DbWorkspace::OnPostgreSQL() ? clock : process; }
    void Add(const Times& t, int count, int of) {
        clock += 1000 * t.wall / count / of;
        process += 1000 * t.cpu / count / of;
        measured = true;
    }
};

// The lower of two measurements of one figure (the machine may have been busy during either).
void KeepBest(Figure& kept, const Figure& another) {
    if (another.measured && (!kept.measured || another.Judged() < kept.Judged()))
        kept = another;
}

struct SizeResult {
    int parts = 0;
    Figure drawings;         // a drawing's decision while its level is open (both steps)
    Figure change;           // a decision at a complete level (both steps)
    Figure plain;            // a decision of the plain work
    Figure earlierDrawings;  // the same on a database made by an earlier version, not yet upgraded
    Figure tables;           // ... at a complete level: every question asked of the tables
    Figure previousDrawings; // the previous build's, on a database of its own schema
    Figure previousComplete;
    bool ok = true;
};

// The same change task on a database made by an earlier version (the schema of
// tests/host/data/earlier-product.sql, as scripts/upgrade-database finds it: no stamps of the
// writes, no indexes of the waiting steps): every drawing's decision while its level is open (on
// PostgreSQL the snapshot only guides there, the tables confirm; SQLite stamps without the schema),
// then a sample of the second documents at a complete level answered by the tables (on SQLite
// through a connection without the stamps), where the database computes the part check at every
// question.
void RunEarlierSchema(SizeResult& result) {
    const int parts = result.parts;
    const int documents = parts * 2;
    // At a complete level each decision there asks the whole order: a sample is enough.
    const int decided = std::min(documents, parts + (parts <= 2000 ? 200 : 50));
    vqtest::DbWorkspace ws(0);
    ws.RemakeProductDatabase(VQ_SOURCE_DIR "/tests/host/data/earlier-product.sql",
                             VQ_SOURCE_DIR "/tests/host/data/earlier-product-sql");
    _ConnectionPtr conn = ws.Connect();
    MakeChangeTask(conn, parts);
    // SQLite's stamps need nothing of the schema: there the questions at a complete level go to the
    // tables through a connection that does not watch its writes.
    _ConnectionPtr tablesConnection =
        vqtest::DbWorkspace::OnPostgreSQL() ? conn : ws.ConnectWithoutWriteWatch();
    for (const auto& [step, login] : {std::pair{"审核", "lisi"}, std::pair{"批准", "wangwu"}}) {
        theApp.m_pConnPDM = conn;
        const Decision drawings = Decide(kChangeTask, step, login, parts, parts);
        theApp.m_pConnPDM = tablesConnection;
        const Decision rest = Decide(kChangeTask, step, login, decided, decided, parts);
        result.ok = result.ok && drawings.ok && rest.ok;
        result.earlierDrawings.Add(drawings.first, parts, 2);
        result.tables.Add(rest.first, decided - parts, 2);
    }
    std::printf("the same change task on a database of the earlier schema, before its upgrade: %.2f ms "
                "on the clock, %.2f ms of processor time per drawing's decision at an open level; %.2f "
                "ms, %.2f ms per decision at a complete level (%d second documents decided per step, "
                "the part check computed by the database)\n\n",
                result.earlierDrawings.clock, result.earlierDrawings.process, result.tables.clock,
                result.tables.process, decided - parts);
    theApp.m_pConnPDM = nullptr;
}

// The previous build's figures, from its decision_bench (VQ_PREVIOUS_DECISION_BENCH names it):
// bench/run builds bench/PreviousDecisionBench.cpp with bench/DecisionShape.h from the previous
// build's source as that program, so that it decides the same change task (the second documents,
// opinions and notices included) on a database of its own schema. It decides the second documents
// too up to 2,000 parts (above, each decision at a complete level reads the whole order: it would
// take hours), else the drawings alone. A program that does not say it made this change task (the
// previous build's own benchmark, whose shape differs) gives no figures.
void RunPrevious(const char* program, SizeResult& result, bool drawingsOnly = false) {
    const bool second = result.parts <= 2000 && !drawingsOnly;
    const std::string command =
        std::string("'") + program + "' " + std::to_string(result.parts) + (second ? " 1" : " 0");
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        std::printf("the previous build's benchmark could not be started: %s\n", command.c_str());
        return;
    }
    std::printf("the previous build (%s):\n", command.c_str());
    const std::string shape =
        "one decision over the change task of " + std::to_string(result.parts) + " parts";
    bool shaped = false;
    Figure drawings, complete;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        std::fputs(line, stdout);
        if (std::string(line).rfind(shape, 0) == 0)
            shaped = true;
        char step[64] = {}, kind[64] = {};
        double clock = 0, process = 0;
        // "step drawings clock process" and "step second documents clock process".
        if (std::sscanf(line, "%63s %63s", step, kind) != 2)
            continue;
        const std::string k = kind;
        if (k == "drawings" && std::sscanf(line, "%*s %*s %lf %lf", &clock, &process) == 2)
            drawings.Add({clock / 1000, process / 1000}, 1, 2);
        else if (k == "second" && std::sscanf(line, "%*s %*s %*s %lf %lf", &clock, &process) == 2)
            complete.Add({clock / 1000, process / 1000}, 1, 2);
    }
    if (pclose(pipe) != 0) {
        std::printf("the previous build's benchmark failed\n\n");
        return;
    }
    if (!shaped) {
        std::printf("the previous build's program does not decide this benchmark's change task: its "
                    "figures are left out (bench/run builds the one that does)\n\n");
        return;
    }
    result.previousDrawings = drawings;
    if (second)
        result.previousComplete = complete;
    std::printf("\n");
}

// Every drawing's decision of the change task while its level is open (both steps), on a database
// of this version's schema or of the earlier one: a drawing's figure measured again.
Figure RunDrawings(int parts, bool earlierSchema) {
    vqtest::DbWorkspace ws(0);
    if (earlierSchema)
        ws.RemakeProductDatabase(VQ_SOURCE_DIR "/tests/host/data/earlier-product.sql",
                                 VQ_SOURCE_DIR "/tests/host/data/earlier-product-sql");
    _ConnectionPtr conn = ws.Connect();
    MakeChangeTask(conn, parts);
    theApp.m_pConnPDM = conn;
    Figure drawings;
    bool ok = true;
    for (const auto& [step, login] : {std::pair{"审核", "lisi"}, std::pair{"批准", "wangwu"}}) {
        const Decision decision = Decide(kChangeTask, step, login, parts, parts);
        ok = ok && decision.ok;
        drawings.Add(decision.first, parts, 2);
    }
    theApp.m_pConnPDM = nullptr;
    return ok ? drawings : Figure();
}

SizeResult RunSize(int parts) {
    const int documents = parts * 2;
    // Above 2,000 parts a sample of the second documents is decided (each decision at a complete
    // level is timed alike); the task is then not finished.
    const int decided = parts <= 2000 ? documents : parts + 1000;
    SizeResult result;
    result.parts = parts;
    vqtest::DbWorkspace ws(0);
    _ConnectionPtr conn = ws.Connect();
    MakeChangeTask(conn, parts);
    theApp.m_pConnPDM = conn;
    theApp.m_nDatabaseType = 0;
    theApp.m_nAdoCloseMode = 1;
    theApp.m_nUseChangeTask = 1;

    std::printf("one decision over %d of %d documents (%d parts) on %s\n", decided, documents, parts,
                vqtest::DbWorkspace::OnPostgreSQL() ? "PostgreSQL" : "SQLite");
    // Per decision: over the drawings (while their level is still open) and over the second
    // documents (decided once the drawings have completed the level).
    std::printf("%-6s %-16s %19s %19s %15s\n", "step", "documents", "change task ms", "plain work ms",
                "ratio");
    std::printf("%-6s %-16s %9s %9s %9s %9s %7s %7s\n", "", "", "clock", "process", "clock", "process",
                "clock", "process");
    for (const auto& [step, login] : {std::pair{"审核", "lisi"}, std::pair{"批准", "wangwu"}}) {
        const Decision change = Decide(kChangeTask, step, login, decided, parts);
        const Decision plain = Decide(kPlainWork, step, login, decided, parts);
        result.ok = result.ok && change.ok && plain.ok;
        PrintLine(step, "drawings", change.first, plain.first, parts);
        PrintLine(step, "second documents", change.rest, plain.rest, decided - parts);
        result.drawings.Add(change.first, parts, 2);
        result.change.Add(change.rest, decided - parts, 2);
        result.plain.Add(plain.rest, decided - parts, 2);
        std::fflush(stdout);
    }
    // The change task's documents wait for each other: all of them are formal only now.
    const CString released =
        ws.QueryText("SELECT COUNT(*) FROM TeamWorkResult WHERE WorkID='EC-1[M]#001' AND "
                     "State='正式'");
    std::printf("change-task documents released: %s of %d\n\n", released.c_str(), documents);
    result.ok = result.ok && released == CString(std::to_string(decided < documents ? 0 : documents));
    theApp.m_pConnPDM = nullptr;
    return result;
}

// The writes of many rows to the tables the stamps watch, with and without the stamps.
constexpr double kWriteGoal = 1.2;
constexpr double kWriteGrowth = 1.5;

// A change order's `rows` parts stored again by the change order dialog's own store, in one
// transaction.
bool StoreOrderParts(int rows) {
    std::vector<std::vector<_variant_t>> parts;
    parts.reserve(static_cast<std::size_t>(rows));
    for (int i = 0; i < rows; ++i)
        parts.push_back({CString("P-" + std::to_string(i)), "零件", "", "", "", "0"});
    CSqlTransaction transaction;
    return transaction.IsActive() && ReplaceModifyParts("BG-1", parts) && transaction.Commit();
}

// One work's `rows` documents stored, for the work deletion to delete.
void StoreWorkDocuments(const _ConnectionPtr& conn, int rows) {
    std::vector<std::vector<_variant_t>> documents;
    for (int i = 0; i < rows; ++i)
        documents.push_back({CString("BG-F-" + std::to_string(i)), CString("P-" + std::to_string(i))});
    conn->BeginTrans();
    Insert(
        conn,
        "INSERT INTO TeamWorkResult (FileID, WorkID, PartCode, FileName, State) VALUES (?, 'BG-1[M]#001', ?, "
        "'p.dwg', '评审')",
        documents);
    conn->CommitTrans();
}

// PostgreSQL: each statement trigger of the stamps fired once, in a transaction undone. A trigger
// put back by WithoutShortcuts is new to the connection, and the first firing of a trigger in a
// session compiles its function for it; in use, a connection's earlier writes have done that.
bool FireStampTriggersOnce(const _ConnectionPtr& conn) {
    try {
        conn->BeginTrans();
        for (const char* table : {"ECOAuditLevel", "TeamWorkResult", "ECOModifyPart"}) {
            conn->Execute(CString("DELETE FROM ") + table + " WHERE false");
            conn->Execute(CString("INSERT INTO ") + table + " SELECT * FROM " + table + " WHERE false");
        }
        conn->RollbackTrans();
    } catch (const _com_error& e) {
        std::fprintf(stderr, "the stamps' triggers could not be fired: %s\n", e.Description().c_str());
        return false;
    }
    return true;
}

// The work's documents deleted by the work deletion's one statement.
bool DeleteWorkDocuments(Times& spent) {
    Stopwatch watch;
    const bool ok = theApp.ExecuteSql("DELETE FROM TeamWorkResult WHERE WorkID='BG-1[M]#001'");
    spent = watch.Elapsed();
    return ok;
}

// The documents of `rows` works, one each, stored by one array insert in one transaction (a bulk
// load: each row a key of its own); then one more work's document on the same connection, 200
// times, each a statement of its own (what the connection's later work costs after the bulk).
bool StoreManyWorks(const _ConnectionPtr& conn, int rows, Times& bulk, Times& after) {
    std::vector<std::vector<_variant_t>> documents;
    for (int i = 0; i < rows; ++i)
        documents.push_back(
            {CString("BM-F-" + std::to_string(i)), CString("BM-" + std::to_string(i) + "[M]#001")});
    try {
        Stopwatch watch;
        conn->BeginTrans();
        Insert(conn,
               "INSERT INTO TeamWorkResult (FileID, WorkID, PartCode, FileName, State) VALUES (?, ?, 'P', "
               "'p.dwg', '评审')",
               documents);
        conn->CommitTrans();
        bulk = watch.Elapsed();
        Stopwatch more;
        conn->BeginTrans();
        for (int i = 0; i < 200; ++i)
            conn->Execute(CString(
                "INSERT INTO TeamWorkResult (FileID, WorkID, PartCode, FileName, State) VALUES "
                "('BN-F-" +
                std::to_string(i) + "', 'BN-" + std::to_string(i) + "[M]#001', 'P', 'p.dwg', '评审')"));
        conn->CommitTrans();
        after = more.Elapsed();
    } catch (const _com_error& e) {
        std::fprintf(stderr, "storing the documents of many works failed: %s\n", e.Description().c_str());
        return false;
    }
    return true;
}

// PostgreSQL: the documents of `rows` works, one each, loaded by one COPY of a file (a restore or a
// bulk load; each row a key of its own). The server reads the file: it runs on this machine.
bool CopyManyWorks(int rows, Times& spent) {
    char path[] = "/tmp/vqbench-copy-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) {
        std::perror("the file for the COPY could not be made");
        return false;
    }
    std::string text;
    for (int i = 0; i < rows; ++i)
        text += "BC-F-" + std::to_string(i) + "\tBC-" + std::to_string(i) + "[M]#001\tP\tp.dwg\t评审\n";
    bool written = fchmod(fd, 0644) == 0;
    for (std::size_t at = 0; written && at < text.size();) {
        const ssize_t n = write(fd, text.data() + at, text.size() - at);
        written = n > 0;
        at += written ? static_cast<std::size_t>(n) : 0;
    }
    written = close(fd) == 0 && written;
    bool ok = written;
    if (ok) {
        Stopwatch watch;
        ok = theApp.ExecuteSql(
                 CString("COPY TeamWorkResult (FileID, WorkID, PartCode, FileName, State) FROM '") + path +
                 "'") != 0;
        spent = watch.Elapsed();
    } else {
        std::perror("the file for the COPY could not be written");
    }
    if (std::remove(path) != 0 && ok) {
        std::perror("the file for the COPY could not be removed");
        ok = false;
    }
    return ok;
}

// The documents of every one of those works deleted by one statement.
bool DeleteManyWorks(Times& spent) {
    Stopwatch watch;
    const bool ok =
        theApp.ExecuteSql("DELETE FROM TeamWorkResult WHERE FileID LIKE 'BM-F-%' OR FileID LIKE 'BN-F-%'");
    spent = watch.Elapsed();
    return ok;
}

int RunWrites(std::vector<int> sizes) {
    if (sizes.empty())
        sizes = {2000, 10000, 20000};
    const bool server = vqtest::DbWorkspace::OnPostgreSQL();
    const auto seconds = [server](const Times& t) { return server ? t.wall : t.cpu; };
    theApp.m_nDatabaseType = 0;
    theApp.m_nAdoCloseMode = 1;
    // [size][write][with the stamps]: the best of seven runs (the machine may be busy), and of more
    // for the smaller sizes: a deletion of 2,000 rows takes about a millisecond, and a moment's noise
    // of a tenth of that would decide its verdict. Each size runs about as long as the largest.
    constexpr int kRuns = 7;
    const int largest = *std::max_element(sizes.begin(), sizes.end());
    const auto runsOf = [largest](int size) {
        return kRuns * std::clamp(largest / std::max(1, size), 1, 10);
    };
    const int allRuns = runsOf(*std::min_element(sizes.begin(), sizes.end()));
    constexpr int kWrites = 6; // the last, a COPY, on PostgreSQL only
    std::vector<std::array<std::array<double, 2>, kWrites>> best(sizes.size());
    for (auto& size : best)
        for (auto& write : size)
            write = {1e9, 1e9};
    bool ok = true;
    vqtest::DbWorkspace ws(0);
    // On SQLite the writes without the stamps go through a connection that does not watch them.
    _ConnectionPtr stampedConnection = ws.Connect();
    _ConnectionPtr plainConnection = server ? stampedConnection : ws.ConnectWithoutWriteWatch();
    // Each size is written with and without the stamps one after the other (the first of the two
    // alternating from run to run), from tables vacuumed alike, so that neither side gets the
    // machine's quieter moments or the other's dead rows.
    // On SQLite the write-ahead log is written back into the file first: a write that crosses its
    // limit writes it back as it commits, and whichever side's write that happened to be would pay
    // for the other's pages.
    const auto settle = [server] {
        return theApp.ExecuteSql(server ? "VACUUM ECOModifyPart, TeamWorkResult"
                                        : "PRAGMA wal_checkpoint(TRUNCATE)");
    };
    // The server writes out what the benchmarks before this one left (the databases they made and
    // dropped) first, not during the smallest writes.
    if (server) {
        theApp.m_pConnPDM = stampedConnection;
        ok = theApp.ExecuteSql("CHECKPOINT") != 0;
    }
    for (int run = 0; run < allRuns && ok; ++run) {
        for (std::size_t size = 0; size < sizes.size() && ok; ++size) {
            if (run >= runsOf(sizes[size]))
                continue;
            for (const bool stamped : {run % 2 == 0, run % 2 != 0}) {
                _ConnectionPtr conn = stamped ? stampedConnection : plainConnection;
                theApp.m_pConnPDM = conn;
                std::unique_ptr<WithoutShortcuts> without;
                if (!stamped)
                    without = std::make_unique<WithoutShortcuts>(ws);
                else if (server)
                    ok = ok && FireStampTriggersOnce(conn);
                // The order holds its parts already: the dialog stores them again.
                ok = ok && StoreOrderParts(sizes[size]) && settle();
                Stopwatch watch;
                ok = ok && StoreOrderParts(sizes[size]);
                best[size][0][stamped] = std::min(best[size][0][stamped], seconds(watch.Elapsed()));
                Times deleted;
                if (ok)
                    StoreWorkDocuments(conn, sizes[size]);
                ok = ok && settle() && DeleteWorkDocuments(deleted);
                best[size][1][stamped] = std::min(best[size][1][stamped], seconds(deleted));
                ok = ok && theApp.ExecuteSql("DELETE FROM ECOModifyPart WHERE ECONo='BG-1'");
                // Many works at once, and the connection's next rows after them.
                Times bulk, after, many;
                ok = ok && settle() && StoreManyWorks(conn, sizes[size], bulk, after);
                Times copied;
                if (server) {
                    ok = ok && settle() && CopyManyWorks(sizes[size], copied) &&
                         theApp.ExecuteSql("DELETE FROM TeamWorkResult WHERE FileID LIKE 'BC-F-%'");
                    best[size][5][stamped] = std::min(best[size][5][stamped], seconds(copied));
                }
                ok = ok && settle() && DeleteManyWorks(many);
                best[size][2][stamped] = std::min(best[size][2][stamped], seconds(bulk));
                best[size][3][stamped] = std::min(best[size][3][stamped], seconds(after));
                best[size][4][stamped] = std::min(best[size][4][stamped], seconds(many));
            }
        }
    }
    theApp.m_pConnPDM = nullptr;
    std::printf(
        "writes of many rows to the tables the stamps watch, on %s (%s, best of %d runs for the largest "
        "size to %d for the smallest): with the stamps against the same schema without them (goal: at "
        "most %.1f times, and per row at most %.1f times the smallest size's)\n",
        server ? "PostgreSQL" : "SQLite", server ? "seconds on the clock" : "seconds of processor time",
        kRuns, allRuns, kWriteGoal, kWriteGrowth);
    std::printf("%-32s %8s %10s %10s %8s %12s %s\n", "write", "rows", "stamps", "without", "ratio",
                "ms/1000 rows", "goal");
    if (!ok)
        bench::Failed(std::string("writes on ") + (server ? "PostgreSQL" : "SQLite"));
    const char* names[] = {"order's parts stored again",    "work's documents deleted",
                           "many works' documents stored",  "200 more works' rows after them",
                           "many works' documents deleted", "many works' documents copied"};
    for (int write = 0; write < (server ? kWrites : kWrites - 1); ++write) {
        for (std::size_t size = 0; size < sizes.size(); ++size) {
            const double with = best[size][write][1];
            const double without = best[size][write][0];
            // The rows after the bulk are as many at every size: their time, not per row, grows.
            const int rows = write == 3 ? 200 : sizes[size];
            const double perRow = 1e6 * with / rows;
            const double firstPerRow = 1e6 * best[0][write][1] / (write == 3 ? 200 : sizes[0]);
            const std::string name = std::string(names[write]) + ", " + std::to_string(sizes[size]) +
                                     (server ? " (PostgreSQL)" : " (SQLite)");
            const bool ratioMet =
                bench::Goal(name + ", against without the stamps", with / without, "<=", kWriteGoal);
            const bool growthMet = bench::Goal(name + ", per row against the smallest size",
                                               perRow / firstPerRow, "<=", kWriteGrowth);
            std::printf("%-32s %8d %10.3f %10.3f %8.2f %12.2f %s\n", names[write], sizes[size], with, without,
                        with / without, perRow,
                        !ok                     ? "failed"
                        : ratioMet && growthMet ? "holds"
                                                : "missed");
        }
    }
    return bench::Status();
}

// The verdict of a figure against its goal, kept as a miss when it is not met.
const char* Verdict(const std::string& name, bool ok, double ratio, double goal) {
    if (!ok) {
        bench::Failed(name);
        return "failed";
    }
    return bench::Verdict(bench::Goal(name, ratio, "<=", goal));
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    const bool writes = argc > 1 && std::string(argv[1]) == "--writes";
    for (int i = writes ? 2 : 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (writes) {
        vq::SetMessageBoxPresenter([](const vq::MessageBoxRequest&) { return IDOK; });
        return RunWrites(sizes);
    }
    if (sizes.empty())
        sizes = vqtest::DbWorkspace::OnPostgreSQL() ? std::vector<int>{200, 2000}
                                                    : std::vector<int>{200, 2000, 20000};
    const char* previous = std::getenv("VQ_PREVIOUS_DECISION_BENCH");
    if (previous && !*previous)
        previous = nullptr;
    // Nobody answers the decisions' messages (the congratulation once every change-task document
    // has passed): each is answered with OK, as a reviewer would.
    vq::SetMessageBoxPresenter([](const vq::MessageBoxRequest&) { return IDOK; });
    std::vector<SizeResult> results;
    for (const int parts : sizes) {
        results.push_back(RunSize(parts));
        SizeResult& result = results.back();
        RunEarlierSchema(result);
        if (!previous)
            continue;
        RunPrevious(previous, result);
        // The drawings' figures that are judged against the previous build's are measured again,
        // this build's and the previous build's in turn, and the best of each is kept: a clock that
        // a busy moment slowed by a fifth would otherwise decide the verdict.
        for (int round = 1; round < kDrawingRounds; ++round) {
            KeepBest(result.earlierDrawings, RunDrawings(parts, true));
            KeepBest(result.drawings, RunDrawings(parts, false));
            SizeResult again;
            again.parts = parts;
            RunPrevious(previous, again, true);
            KeepBest(result.previousDrawings, again.previousDrawings);
        }
        std::printf("best of %d rounds, ms per drawing's decision: previous %.3f, earlier schema %.3f, this "
                    "schema %.3f\n\n",
                    kDrawingRounds, result.previousDrawings.Judged(), result.earlierDrawings.Judged(),
                    result.drawings.Judged());
    }
    const bool server = vqtest::DbWorkspace::OnPostgreSQL();
    const char* engine = server ? "PostgreSQL" : "SQLite";
    const char* judged = server ? "the clock" : "processor time";
    std::printf(
        "a decision at a complete level (both steps), ms, on %s: against the same decision answered by "
        "the tables (on a database without the stamps, where the database computes the part check; goal "
        "at most %.1f times, judged on %s), and against a decision of a plain work (how far from flat)\n",
        engine, kGoal, judged);
    std::printf("%-8s %10s %10s %10s %9s %-6s %7s\n", "parts", "change", "tables", "plain", "/tables", "goal",
                "/plain");
    for (const SizeResult& r : results) {
        const double ratio = r.change.Judged() / r.tables.Judged();
        std::printf("%-8d %10.3f %10.3f %10.3f %9.2f %-6s %7.2f\n", r.parts, r.change.Judged(),
                    r.tables.Judged(), r.plain.Judged(), ratio,
                    Verdict("complete level against the tables, " + std::to_string(r.parts) + " parts (" +
                                engine + ")",
                            r.ok, ratio, kGoal),
                    r.change.Judged() / r.plain.Judged());
    }
    if (previous) {
        std::printf(
            "\nagainst the previous build (%s), ms per decision on %s, judged on %s: a drawing's decision "
            "at an open level (the best of %d rounds) on a database of the earlier schema before its upgrade "
            "(goal at most "
            "%.1f times the previous build's) and on a database of this schema (goal at most %.1f "
            "times); a decision at a complete level answered by the tables (%s), against the previous "
            "build's (where it decided the second documents)\n",
            previous, engine, judged, kDrawingRounds, kEarlierGoal, kCurrentGoal,
            server ? "before the upgrade"
                   : "through a connection without stamps: before the upgrade SQLite decides as after it");
        std::printf("%-8s %10s %10s %10s %7s %-6s %7s %-6s %10s %10s %7s\n", "parts", "previous", "earlier",
                    "current", "/prev", "goal", "/prev", "goal", "prev.cmpl", "earl.cmpl", "/prev");
        for (const SizeResult& r : results) {
            if (!r.previousDrawings.measured) {
                std::printf("%-8d the previous build's figures are missing\n", r.parts);
                bench::Failed("previous build's figures, " + std::to_string(r.parts) + " parts");
                continue;
            }
            const double earlier = r.earlierDrawings.Judged() / r.previousDrawings.Judged();
            const double current = r.drawings.Judged() / r.previousDrawings.Judged();
            std::printf("%-8d %10.3f %10.3f %10.3f %7.2f %-6s %7.2f %-6s", r.parts,
                        r.previousDrawings.Judged(), r.earlierDrawings.Judged(), r.drawings.Judged(), earlier,
                        Verdict("open level on the earlier schema against the previous build, " +
                                    std::to_string(r.parts) + " parts (" + engine + ")",
                                r.ok, earlier, kEarlierGoal),
                        current,
                        Verdict("open level on this schema against the previous build, " +
                                    std::to_string(r.parts) + " parts (" + engine + ")",
                                r.ok, current, kCurrentGoal));
            if (r.previousComplete.measured)
                std::printf(" %10.3f %10.3f %7.2f\n", r.previousComplete.Judged(), r.tables.Judged(),
                            r.tables.Judged() / r.previousComplete.Judged());
            else
                std::printf(" %10s %10.3f %7s\n", "-", r.tables.Judged(), "-");
        }
    }
    const double documents = static_cast<double>(std::max(1ul, g_settings.documents));
    const double lookups = static_cast<double>(g_settings.lookups) / documents;
    const double parses = static_cast<double>(g_settings.parses) / documents;
    std::printf(
        "settings per decided document (an entry call each): %.2f look-ups of the installation "
        "folder (goal <= 1, once per call: %s), %.2f opens of the settings file, %.2f parses "
        "(goal 0: %s)\n",
        lookups,
        bench::Goal("look-ups of the installation folder per document", lookups, "<=", 1.0) ? "holds"
                                                                                            : "missed",
        static_cast<double>(g_settings.opens) / documents, parses,
        bench::Goal("parses of the settings file per document", parses, "<=", 0.0) ? "holds" : "missed");
    return bench::Status();
}
