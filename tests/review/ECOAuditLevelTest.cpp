// The review levels of the documents of a change task in both dialects.
#include "teamwork/ECOAuditLevel.h"
#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/db/SqlText.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <functional>
#include <limits>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr const char* kTask = "JX-01[M]#001";

class ECOAuditLevelTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        // Change order JX-01 changes parts A and B; the task holds drawings of A and B and the
        // order's own sheet.
        ws.Execute(
            "INSERT INTO ECOModifyPart (ECONo, PartCode, Other3) VALUES ('JX-01', 'A', '0'), ('JX-01', 'B', "
            "'0'), ('JX-01', 'C', '1')");
        ws.Execute("INSERT INTO TeamWorkResult (FileID, WorkID, FileName, PartCode, State, Other4) VALUES "
                   "('DA', 'JX-01[M]#001', 'a.dwg', 'A', '评审', ''), ('DB', 'JX-01[M]#001', 'b.DWG', 'B', "
                   "'等待正式', ''),"
                   "('SH', 'JX-01[M]#001', 'sheet.tbl', '', '评审', '_ECO')");
        ws.Execute("INSERT INTO ECOAuditLevel (ECOTaskNo, FileID, IsECOFile, CurrentAuditLevel, "
                   "MaxAuditLevel) VALUES "
                   "('JX-01[M]#001', 'DA', 'N', 0, 2), ('JX-01[M]#001', 'DB', 'N', 0, 1), "
                   "('JX-01[M]#001', 'SH', 'Y', 0, 2)");
        ws.Execute("INSERT INTO TeamWorkAudit (FileID, AuditTask, State) VALUES ('DA', '审核', '等待'), "
                   "('DB', '审核', '等待'), ('SH', '审核', '未完成')");
        ws.Execute("INSERT INTO TeamWorkGroupAudit (FileID, AuditTask, State) VALUES ('DA', '审核', '等待')");
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strLoginUser = "zhangsan";
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        EXPECT_EQ(rec.Pending(), 0);
    }
    CString Level(const char* fileId) {
        return ws.QueryText(CString("SELECT CurrentAuditLevel FROM ECOAuditLevel WHERE FileID='") + fileId +
                            "'");
    }
    CString StepState(const char* table, const char* fileId) {
        return ws.QueryText(CString("SELECT State FROM ") + table + " WHERE FileID='" + fileId + "'");
    }
    // Beside the drawings of A and B and the sheet: a report of each part, a second drawing of A
    // and a drawing of C (a part the order has, but does not change), each with a waiting step.
    void AddDocuments() {
        ws.Execute("INSERT INTO TeamWorkResult (FileID, WorkID, FileName, PartCode, State, Other4) VALUES "
                   "('RA', 'JX-01[M]#001', 'a.doc', 'A', '评审', ''), ('RB', 'JX-01[M]#001', 'b.doc', 'B', "
                   "'评审', ''), ('DA2', 'JX-01[M]#001', 'a2.dwg', 'A', '评审', ''), ('DC', 'JX-01[M]#001', "
                   "'c.dwg', 'C', '评审', '')");
        ws.Execute(
            "INSERT INTO ECOAuditLevel (ECOTaskNo, FileID, IsECOFile, CurrentAuditLevel, MaxAuditLevel) "
            "VALUES ('JX-01[M]#001', 'RA', 'N', 0, 2), ('JX-01[M]#001', 'RB', 'N', 0, 1), "
            "('JX-01[M]#001', 'DA2', 'N', 0, 2), ('JX-01[M]#001', 'DC', 'N', 0, 2)");
        ws.Execute(
            "INSERT INTO TeamWorkAudit (FileID, AuditTask, State) VALUES ('RA', '审核', '等待'), ('RB', "
            "'审核', '等待'), ('DA2', '审核', '等待'), ('DC', '审核', '等待')");
    }
    // Every row of a statement on the application's connection (inside its transaction), its
    // columns joined by "/" and the rows by " ".
    static CString Rows(const CString& sql, long columns) {
        CString text;
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        for (; !rs->IsEOF(); rs->MoveNext()) {
            for (long c = 0; c < columns; ++c)
                text += VariantToString(rs->GetCollect(c)) + (c + 1 < columns ? "/" : " ");
        }
        rs->Close();
        return text;
    }
    // The steps of both tables, each as "file/state" in the order of their text (rows the database
    // holds equal, such as two steps of one document, come in any order).
    static CString Steps() {
        const auto sorted = [](const char* table) {
            std::vector<std::string> items;
            _RecordsetPtr rs;
            rs.CreateInstance();
            rs->Open(CString("SELECT FileID, State FROM ") + table, theApp.m_pConnPDM, adOpenForwardOnly,
                     adLockReadOnly, adCmdText);
            for (; !rs->IsEOF(); rs->MoveNext())
                items.push_back(
                    (VariantToString(rs->GetCollect(0L)) + "/" + VariantToString(rs->GetCollect(1L))).str());
            rs->Close();
            std::sort(items.begin(), items.end());
            CString text;
            for (const std::string& item : items)
                text += CString(item) + " ";
            return text;
        };
        return sorted("TeamWorkAudit") + "| " + sorted("TeamWorkGroupAudit");
    }
    static void Write(const CString& sql) { ASSERT_TRUE(theApp.ExecuteSql(sql)) << sql.c_str(); }
    // The database as an earlier version made it: no stamps of the writes and their triggers, no
    // indexes of the waiting steps. SQLite needs nothing of the schema for its stamps: there a
    // connection that does not watch its own writes has none.
    void AsEarlierSchema() {
        if (vqtest::DbWorkspace::OnPostgreSQL()) {
            ws.Execute(ws.QueryText("SELECT string_agg(format('DROP TRIGGER %I ON %s', tgname, "
                                    "tgrelid::regclass), '; ') FROM pg_trigger WHERE tgname LIKE "
                                    "'tr!_ecostamp!_%' ESCAPE '!'"));
            ws.Execute("DROP TABLE ECOTaskStamp; DROP INDEX IX_TeamWorkAudit_Waiting; DROP INDEX "
                       "IX_TeamWorkGroupAudit_Waiting");
        } else {
            ws.Execute("DROP INDEX IX_TeamWorkAudit_Waiting; DROP INDEX IX_TeamWorkGroupAudit_Waiting");
            WithoutTheWatch();
        }
        // What the earlier schema lacks is gone for certain, or the comparison proves nothing.
        ASSERT_EQ(ws.StampTriggerCount(), 0);
        ASSERT_EQ(ws.WaitingIndexCount(), 0);
    }
    // SQLite: the application's connection opened anew, without the watch of its own writes.
    void WithoutTheWatch() { theApp.m_pConnPDM = ws.ConnectWithoutWriteWatch(); }
    // The state of one step of a document, as the application's connection reads it.
    static CString Step(const char* table, const char* fileId, const char* step) {
        return Rows(CString("SELECT State FROM ") + table + " WHERE FileID = '" + fileId +
                        "' AND AuditTask = '" + step + "'",
                    1);
    }

    // What a reviewer's decision gives: the answer whether its level is complete, the warnings
    // shown, and the state of every review step afterwards.
    struct Outcome {
        int answer = -1;
        int warnings = 0;
        CString steps;
    };

    // The randomized sequences of other clients' writes between a reviewer's decisions, compared
    // with and without a snapshot: on a database with the stamps, or on one of the earlier schema.
    void CompareRandomSequences(bool stamped);

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::MessageBoxRecorder rec;
    CECOAuditLevel levels;
};

// Answers every message box with OK and counts them (the more-parts warnings of a question).
class BoxCounter {
public:
    BoxCounter() {
        m_previous = vq::SetMessageBoxPresenter([this](const vq::MessageBoxRequest&) {
            ++m_count;
            return IDOK;
        });
    }
    ~BoxCounter() { vq::SetMessageBoxPresenter(std::move(m_previous)); }
    BoxCounter(const BoxCounter&) = delete;
    BoxCounter& operator=(const BoxCounter&) = delete;
    // The boxes shown since the last call.
    int Take() { return std::exchange(m_count, 0); }

private:
    int m_count = 0;
    vq::MessageBoxPresenter m_previous;
};

std::ostream& operator<<(std::ostream& out, const CString& text) {
    return out << text.c_str();
}

} // namespace

TEST_P(ECOAuditLevelTest, ADocumentAdvancesOneLevelAtATimeUpToItsMaximum) {
    EXPECT_EQ(levels.AdvanceFileLevel(kTask, "DB", 1), 1);
    EXPECT_EQ(Level("DB"), "1");
    EXPECT_EQ(levels.AdvanceFileLevel(kTask, "DB", 1), 0);
    EXPECT_EQ(Level("DB"), "1");
    int maximum = -1, current = -1;
    EXPECT_EQ(levels.GetFileLevels(kTask, "DB", maximum, current), 1);
    EXPECT_EQ(maximum, 1);
    EXPECT_EQ(current, 1);
    maximum = current = -1;
    EXPECT_EQ(levels.GetFileLevels(kTask, "XX", maximum, current), 1);
    EXPECT_EQ(maximum, -1) << "no row: unchanged";
    // Back to the start takes the order's sheet with it.
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 2 WHERE FileID = 'SH'");
    EXPECT_EQ(levels.AdvanceFileLevel(kTask, "DB", 0), 1);
    EXPECT_EQ(Level("DB"), "0");
    EXPECT_EQ(Level("SH"), "0");
}

TEST_P(ECOAuditLevelTest, ALevelOpensOnlyWhenEveryPartAndTheSheetHaveReachedIt) {
    levels.AdvanceFileLevel(kTask, "DA", 1);
    EXPECT_EQ(levels.CheckModifiedPartsReady(kTask, 1), 0) << "only A has reached level 1";
    EXPECT_EQ(levels.ResetWaitingAudits(1, kTask, 1), 1);
    EXPECT_EQ(StepState("TeamWorkAudit", "DA"), "等待");
    levels.AdvanceFileLevel(kTask, "DB", 1);
    EXPECT_EQ(levels.CheckModifiedPartsReady(kTask, 1), 0) << "the sheet is still at 0";
    levels.AdvanceFileLevel(kTask, "SH", 1);
    EXPECT_EQ(levels.CheckModifiedPartsReady(kTask, 1), 1);
    EXPECT_EQ(levels.ResetWaitingAudits(1, kTask, 1), 1);
    EXPECT_EQ(StepState("TeamWorkAudit", "DA"), "未完成");
    EXPECT_EQ(StepState("TeamWorkAudit", "DB"), "未完成");
    EXPECT_EQ(StepState("TeamWorkGroupAudit", "DA"), "未完成");
}

// Levels kept in a snapshot for a reviewer's decisions answer as the table does, follow the
// writes made through them, and are read again when another writer or a rolled-back decision
// changed the table.
TEST_P(ECOAuditLevelTest, ASnapshotFollowsItsOwnWritesOtherWritersAndRollbacks) {
    ECOTaskSnapshot snapshot;
    CECOAuditLevel kept(&snapshot);
    EXPECT_EQ(kept.AdvanceFileLevel(kTask, "DA", 1), 1);
    EXPECT_EQ(Level("DA"), "1");
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0) << "only A has reached level 1";
    EXPECT_EQ(kept.AdvanceFileLevel(kTask, "DB", 1), 1);
    EXPECT_EQ(kept.AdvanceFileLevel(kTask, "DB", 1), 0) << "B is at its maximum";
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0) << "the sheet is still at 0";
    EXPECT_EQ(kept.CountUnfinishedFiles(kTask), 0);

    // Another reviewer moves the sheet: the next advance sees it.
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 2 WHERE FileID = 'SH'");
    EXPECT_EQ(kept.AdvanceFileLevel(kTask, "DA", 1), 1);
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 1);
    EXPECT_EQ(kept.ResetWaitingAudits(1, kTask, 1), 1);
    EXPECT_EQ(StepState("TeamWorkAudit", "DB"), "未完成") << "B is at level 1";
    EXPECT_EQ(StepState("TeamWorkAudit", "DA"), "等待") << "A has gone on to level 2";
    int maximum = -1, current = -1;
    EXPECT_EQ(kept.GetFileLevels(kTask, "DA", maximum, current), 1);
    EXPECT_EQ(maximum, 2);
    EXPECT_EQ(current, 2);
    EXPECT_EQ(kept.CountUnfinishedFiles(kTask), 1);

    // A rejection rolled back with its decision leaves the levels as they were.
    theApp.m_pConnPDM->BeginTrans();
    EXPECT_EQ(kept.AdvanceFileLevel(kTask, "DA", 0), 1);
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0);
    theApp.m_pConnPDM->RollbackTrans();
    EXPECT_EQ(kept.AdvanceFileLevel(kTask, "DA", 1), 0) << "A is at its maximum again";
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 2), 0) << "B cannot reach level 2";
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 1);
    EXPECT_EQ(kept.CountUnfinishedFiles(kTask), 1);
}

// Keys that hold quotes, question marks, backslashes and "%k" reach every statement of a snapshot's
// decisions as they are stored (on a server, its small statements carry their values in the text),
// with the stamps and on a database made before them, where the snapshot only guides.
TEST_P(ECOAuditLevelTest, ASnapshotDecidesTasksWhoseKeysHoldQuotesAndMarks) {
    const CString order = "JX'0?1\\%k", task = order + "[M]#001", drawing = "D'A?\\";
    const CString quotedOrder = "JX''0?1\\%k", quotedTask = quotedOrder + "[M]#001", quotedDrawing = "D''A?\\";
    ws.Execute("UPDATE ECOModifyPart SET ECONo='" + quotedOrder + "';"
               "UPDATE TeamWorkResult SET WorkID='" + quotedTask + "';"
               "UPDATE TeamWorkResult SET FileID='" + quotedDrawing + "' WHERE FileID='DA';"
               "UPDATE ECOAuditLevel SET ECOTaskNo='" + quotedTask + "';"
               "UPDATE ECOAuditLevel SET FileID='" + quotedDrawing + "' WHERE FileID='DA';"
               "UPDATE TeamWorkAudit SET FileID='" + quotedDrawing + "' WHERE FileID='DA';"
               "UPDATE TeamWorkGroupAudit SET FileID='" + quotedDrawing + "' WHERE FileID='DA'");
    for (const bool earlier : {false, true}) {
        SCOPED_TRACE(earlier ? "the earlier schema" : "the stamps");
        if (earlier) {
            ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 0; UPDATE TeamWorkAudit SET State = "
                       "'等待' WHERE FileID <> 'SH'; UPDATE TeamWorkGroupAudit SET State = '等待'");
            AsEarlierSchema();
        }
        ECOTaskSnapshot snapshot;
        CECOAuditLevel kept(&snapshot);
        EXPECT_EQ(kept.AdvanceFileLevel(task, drawing, 1), 1);
        EXPECT_EQ(kept.CheckModifiedPartsReady(task, 1), 0) << "B is still at 0";
        EXPECT_EQ(kept.AdvanceFileLevel(task, "DB", 1), 1);
        EXPECT_EQ(kept.CheckModifiedPartsReady(task, 1), 0) << "the sheet is still at 0";
        EXPECT_EQ(kept.AdvanceFileLevel(task, "SH", 1), 1);
        EXPECT_EQ(kept.CheckModifiedPartsReady(task, 1), 1);
        EXPECT_EQ(kept.ResetWaitingAudits(1, task, 1), 1);
        EXPECT_EQ(StepState("TeamWorkAudit", quotedDrawing.c_str()), "未完成");
        EXPECT_EQ(StepState("TeamWorkGroupAudit", quotedDrawing.c_str()), "未完成");
        EXPECT_EQ(StepState("TeamWorkAudit", "DB"), "未完成");
        EXPECT_EQ(Level(quotedDrawing.c_str()), "1");
        EXPECT_EQ(kept.CountUnfinishedFiles(task), 0);
        EXPECT_EQ(kept.AdvanceFileLevel(task, drawing, 1), 1);
        EXPECT_EQ(kept.AdvanceFileLevel(task, "SH", 1), 1);
        EXPECT_EQ(kept.CountUnfinishedFiles(task), 1);
    }
}

// A decision rolled back after the snapshot counted its write in, then another client's write of as
// many rows: the stamp's count is where the snapshot expects it, its token is not.
TEST_P(ECOAuditLevelTest, ASnapshotSeesAnotherWriteAfterItsDecisionWasRolledBack) {
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 1 WHERE FileID IN ('DB', 'SH')");
    ECOTaskSnapshot snapshot;
    CECOAuditLevel kept(&snapshot);
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0) << "A is at 0";
    theApp.m_pConnPDM->BeginTrans();
    EXPECT_EQ(kept.AdvanceFileLevel(kTask, "DA", 1), 1);
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 1);
    theApp.m_pConnPDM->RollbackTrans();
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 2 WHERE FileID = 'SH'");
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0) << "A is at 0 again";
    EXPECT_EQ(Level("DA"), "0");

    // The same decision rolled back to a savepoint of a transaction that goes on.
    theApp.m_pConnPDM->BeginTrans();
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0);
    Write("SAVEPOINT decision");
    EXPECT_EQ(kept.AdvanceFileLevel(kTask, "DA", 1), 1);
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 1);
    Write("ROLLBACK TO decision");
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0) << "A is at 0 again";
    theApp.m_pConnPDM->RollbackTrans();
}

// A database made before the stamps, or one whose triggers are gone, stamps nothing: a snapshot then
// only guides, and every answer is the tables'.
TEST_P(ECOAuditLevelTest, WithoutTheStampsEveryAnswerIsTheTables) {
    if (vqtest::DbWorkspace::OnPostgreSQL())
        ws.Execute("DROP TRIGGER tr_ecostamp_level_update ON ECOAuditLevel");
    else
        WithoutTheWatch();
    ECOTaskSnapshot snapshot;
    CECOAuditLevel kept(&snapshot);
    for (const char* file : {"DA", "DB", "SH"})
        EXPECT_EQ(kept.AdvanceFileLevel(kTask, file, 1), 1);
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 1);
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 0 WHERE FileID = 'DB'");
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0) << "B has gone back";
    EXPECT_EQ(kept.CountUnfinishedFiles(kTask), 0);

    // A snapshot that has B at no drawing of level 1 only guides: another client's drawing of B there
    // counts when its code trims to B (blanks before or after it), not when it is b.
    AsEarlierSchema();
    ECOTaskSnapshot guide;
    CECOAuditLevel second(&guide);
    for (const char* code : {" B", "B   ", "b"}) {
        ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 0 WHERE FileID = 'DB'");
        guide = ECOTaskSnapshot();
        EXPECT_EQ(second.CheckModifiedPartsReady(kTask, 1), 0) << code;
        ws.Execute(CString("UPDATE TeamWorkResult SET PartCode = '") + code + "' WHERE FileID = 'DB'");
        ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 1 WHERE FileID = 'DB'");
        EXPECT_EQ(second.CheckModifiedPartsReady(kTask, 1), CString(code) == "b" ? 0 : 1) << code;
        EXPECT_EQ(second.CheckModifiedPartsReady(kTask, 1),
                  CECOAuditLevel().CheckModifiedPartsReady(kTask, 1))
            << code;
    }
}

// Writes that no row of the stamps' triggers sees (a TRUNCATE, an update of a replica session as
// logical replication and bulk loaders write, a write while a trigger was disabled or after one was
// dropped) come between two decisions of a reviewer and take level 1 back from the order's sheet or
// from part B: the reviewer's next decision answers and releases as one without a snapshot does.
TEST_P(ECOAuditLevelTest, WritesThatNoRowTriggerSeesReachTheNextDecision) {
    const bool server = vqtest::DbWorkspace::OnPostgreSQL();
    struct Case {
        const char* name;
        std::vector<const char*> statements;
        bool warns = false;
    };
    std::vector<Case> cases;
    if (server) {
        cases = {
            {"the level rows truncated", {"TRUNCATE ECOAuditLevel"}},
            {"the documents truncated", {"TRUNCATE TeamWorkResult"}},
            {"the order's parts truncated (more drawn parts than ordered: the warning)",
             {"TRUNCATE ECOModifyPart"},
             true},
            {"the sheet put back by a replica session",
             {"SET LOCAL session_replication_role = replica",
              "UPDATE ECOAuditLevel SET CurrentAuditLevel = 0 WHERE FileID = 'SH'",
              "SET LOCAL session_replication_role = origin"}},
            {"the order's parts stored again by a replica session",
             {"SET LOCAL session_replication_role = replica",
              "DELETE FROM ECOModifyPart WHERE PartCode = 'A'",
              "INSERT INTO ECOModifyPart (ECONo, PartCode, Other3) VALUES ('JX-01', 'D', '0')",
              "SET LOCAL session_replication_role = origin"}},
            {"the sheet put back while the trigger was disabled",
             {"ALTER TABLE ECOAuditLevel DISABLE TRIGGER tr_ecostamp_level_update",
              "UPDATE ECOAuditLevel SET CurrentAuditLevel = 0 WHERE FileID = 'SH'",
              "ALTER TABLE ECOAuditLevel ENABLE ALWAYS TRIGGER tr_ecostamp_level_update"}},
            {"the sheet put back with every trigger of the table disabled, and left so",
             {"ALTER TABLE ECOAuditLevel DISABLE TRIGGER ALL",
              "UPDATE ECOAuditLevel SET CurrentAuditLevel = 0 WHERE FileID = 'SH'"}},
            {"the sheet put back after the trigger was dropped",
             {"DROP TRIGGER tr_ecostamp_level_update ON ECOAuditLevel",
              "UPDATE ECOAuditLevel SET CurrentAuditLevel = 0 WHERE FileID = 'SH'"}},
        };
    } else {
        // The connection counts the rows it writes itself: also those of a DELETE of every row, which
        // SQLite would otherwise do without visiting a row.
        cases = {
            {"every level row deleted", {"DELETE FROM ECOAuditLevel"}},
            {"every document deleted", {"DELETE FROM TeamWorkResult"}},
            {"every order part deleted (more drawn parts than ordered: the warning)",
             {"DELETE FROM ECOModifyPart"},
             true},
            {"the sheet put back inside a savepoint that was released",
             {"SAVEPOINT other", "UPDATE ECOAuditLevel SET CurrentAuditLevel = 0 WHERE FileID = 'SH'",
              "RELEASE other"}},
        };
    }
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 1 WHERE FileID = 'SH'");
    BoxCounter boxes;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Outcome outcomes[2];
        for (const bool kept : {false, true}) {
            theApp.m_pConnPDM->BeginTrans();
            ECOTaskSnapshot snapshot;
            CECOAuditLevel reviewer(kept ? &snapshot : nullptr);
            for (const char* file : {"DA", {"DB"}}) {
                EXPECT_EQ(reviewer.AdvanceFileLevel(kTask, file, 1), 1);
                EXPECT_EQ(reviewer.ResetWaitingAudits(1, kTask, 1), 1);
            }
            EXPECT_EQ(reviewer.CheckModifiedPartsReady(kTask, 1), 1);
            // Steps come to wait at level 1 again; the table decides whether the next decision
            // releases them.
            Write("UPDATE TeamWorkAudit SET State = '等待' WHERE FileID IN ('DA', 'DB')");
            for (const char* statement : c.statements)
                Write(statement);
            boxes.Take();
            Outcome& outcome = outcomes[kept ? 1 : 0];
            outcome.answer = reviewer.CheckModifiedPartsReady(kTask, 1);
            EXPECT_EQ(reviewer.ResetWaitingAudits(1, kTask, 1), 1);
            outcome.warnings = boxes.Take();
            outcome.steps = Steps();
            theApp.m_pConnPDM->RollbackTrans();
        }
        EXPECT_EQ(outcomes[0].answer, c.warns ? 1 : 0) << "level 1 is no longer complete, or warns";
        EXPECT_EQ(outcomes[0].warnings > 0, c.warns);
        EXPECT_EQ(outcomes[1].answer, outcomes[0].answer);
        EXPECT_EQ(outcomes[1].warnings, outcomes[0].warnings);
        EXPECT_EQ(outcomes[1].steps, outcomes[0].steps);
    }
}

// A question right after the decision's own write takes the read that confirmed that write. A part
// another client added to the order meanwhile (the task's own rows wait for the decision: its stamp
// is locked) is seen by the next question when anything ran on the connection or a box was shown in
// between; a write that a trigger changed for it did not stamp before the decision (which compares
// only the stamps before its write) is seen as well. On SQLite no other client writes while the
// decision holds the write lock.
TEST_P(ECOAuditLevelTest, AQuestionAfterTheOwnWriteSeesWhatCameBetween) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "SQLite keeps other clients from writing during the decision";
    BoxCounter boxes;
    const auto partAdded = [this] {
        ws.Execute("INSERT INTO ECOModifyPart (ECONo, PartCode, Other3) VALUES ('JX-01', 'D', '0')");
    };
    struct Case {
        const char* name;
        std::function<void()> before, between;
        int answer;
    };
    const Case cases[] = {
        {"a statement between", nullptr,
         [&] {
             partAdded();
             theApp.GetSqlString("SELECT count(*) FROM GroupInformation");
         },
         0},
        {"a box between", nullptr,
         [&] {
             partAdded();
             AfxMessageBox("继续?");
         },
         0},
        {"an unstamped write before the decision",
         [&] {
             ws.Execute("ALTER TABLE ECOAuditLevel DISABLE TRIGGER tr_ecostamp_level_update");
             ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 1 WHERE FileID = 'SH'");
             ws.Execute("ALTER TABLE ECOAuditLevel ENABLE ALWAYS TRIGGER tr_ecostamp_level_update");
         },
         nullptr, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ws.Execute("DELETE FROM ECOModifyPart WHERE PartCode = 'D'");
        ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 0");
        ws.Execute(c.before ? "UPDATE ECOAuditLevel SET CurrentAuditLevel = 1 WHERE FileID = 'DB'"
                            : "UPDATE ECOAuditLevel SET CurrentAuditLevel = 1 WHERE FileID IN ('DB', 'SH')");
        ECOTaskSnapshot snapshot;
        CECOAuditLevel kept(&snapshot);
        EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0);
        if (c.before)
            c.before();
        theApp.m_pConnPDM->BeginTrans();
        EXPECT_EQ(kept.AdvanceFileLevel(kTask, "DA", 1), 1);
        if (c.between)
            c.between();
        EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), c.answer);
        theApp.m_pConnPDM->RollbackTrans();
    }
    EXPECT_EQ(boxes.Take(), 1);
    // The decision's questions one after the other may take the same read while nothing runs
    // between them; a part added before a later question that comes after a statement is seen there.
    ws.Execute("DELETE FROM ECOModifyPart WHERE PartCode = 'D'");
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 0");
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 1 WHERE FileID IN ('DB', 'SH')");
    ECOTaskSnapshot snapshot;
    CECOAuditLevel kept(&snapshot);
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0);
    theApp.m_pConnPDM->BeginTrans();
    EXPECT_EQ(kept.AdvanceFileLevel(kTask, "DA", 1), 1);
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 1);
    EXPECT_EQ(kept.CountUnfinishedFiles(kTask), 0);
    partAdded();
    theApp.GetSqlString("SELECT count(*) FROM GroupInformation");
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0);
    EXPECT_EQ(kept.CountUnfinishedFiles(kTask), 0);
    theApp.m_pConnPDM->RollbackTrans();
    EXPECT_EQ(boxes.Take(), 0);
}

// The server's stamp token is a 64-bit number: past 2^31 stamps every write of the rows that decide
// still succeeds (plain works too). On both engines a snapshot then still sees another client's write.
TEST_P(ECOAuditLevelTest, StampsPastTheRangeOfAnIntegerKeepEveryWriteWorking) {
    if (vqtest::DbWorkspace::OnPostgreSQL()) {
        ws.Execute("SELECT setval('vq_eco_stamp_token', 2147483646)");
        ws.Execute("INSERT INTO ECOTaskStamp (StampKey, Writes, Token) VALUES ('T:MOVED', 3000000000, "
                   "-7205759403792793600)");
        EXPECT_EQ(ws.QueryText("SELECT Token FROM ECOTaskStamp WHERE StampKey = 'T:MOVED'"),
                  "-7205759403792793600");
    }
    ECOTaskSnapshot snapshot;
    CECOAuditLevel kept(&snapshot);
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0);
    // Each statement a transaction of its own: a stamp each.
    ws.Execute("INSERT INTO TeamWorkResult (FileID, WorkID, FileName, PartCode) VALUES ('P1', 'XM-01#002', "
               "'p.dwg', 'P')");
    ws.Execute("UPDATE TeamWorkResult SET FileName = 'p2.dwg', PartCode = 'Q' WHERE FileID = 'P1'");
    ws.Execute("DELETE FROM TeamWorkResult WHERE FileID = 'P1'");
    ws.Execute("INSERT INTO ECOModifyPart (ECONo, PartCode, Other3) VALUES ('XM-01', 'P', '0')");
    ws.Execute("UPDATE ECOModifyPart SET Other3 = '1' WHERE ECONo = 'XM-01'");
    for (const char* file : {"DA", "DB", "SH"})
        EXPECT_EQ(kept.AdvanceFileLevel(kTask, file, 1), 1);
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 1);
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 0 WHERE FileID = 'SH'");
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0) << "another client put the sheet back";
    if (vqtest::DbWorkspace::OnPostgreSQL()) {
        EXPECT_GT(std::stoll(ws.QueryText("SELECT MAX(Token) FROM ECOTaskStamp").str()), 2147483647LL);
    }
}

// A key is stamped once per transaction however many rows and spellings of it a statement writes
// (twins in case among them, which the database takes for one key). A transaction stamps its first
// eight keys one by one; a statement or transaction over more stamps the key every reader compares
// ("G:") once instead, as every deletion does, and nothing more until it reads: a bulk load costs one
// stamp, not one per key.
TEST_P(ECOAuditLevelTest, AWriteOverManyTasksStampsThemAllAtOnce) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        return; // SQLite's connection counts its writes itself
    const auto writes = [&](const char* key) {
        const CString text =
            ws.QueryText(CString("SELECT Writes FROM ECOTaskStamp WHERE StampKey = '") + key + "'");
        return text.IsEmpty() ? 0 : std::atoi(text.c_str());
    };
    const char* const perTask = "SELECT count(*) FROM ECOTaskStamp WHERE StampKey LIKE 'T:MANY#%'";
    ws.Execute(
        "INSERT INTO TeamWorkResult (FileID, WorkID, FileName, PartCode) SELECT 'M' || g, 'MANY#' || g, "
        "'m.dwg', 'P' FROM generate_series(1, 300) g UNION ALL SELECT 'A', 'xm-01#002', 'a.dwg', 'P' UNION "
        "ALL SELECT 'B', 'XM-01#002', 'b.dwg', 'P'");
    EXPECT_EQ(writes("G:"), 1);
    EXPECT_EQ(writes("T:XM-01#002"), 0);
    EXPECT_EQ(ws.QueryText(perTask), "0");

    // Two keys in one transaction: each stamped once, however often written.
    _ConnectionPtr other = ws.Connect();
    other->BeginTrans();
    other->Execute(
        "INSERT INTO TeamWorkResult (FileID, WorkID, FileName, PartCode) VALUES ('A2', 'XM-01#002', "
        "'a.dwg', 'P'), ('M7B', 'MANY#7', 'm.dwg', 'P')");
    other->Execute("UPDATE TeamWorkResult SET FileName = 'b2.dwg' WHERE FileID = 'B'");
    other->Execute(
        "INSERT INTO TeamWorkResult (FileID, WorkID, FileName, PartCode) VALUES ('C', 'XM-01#002', "
        "'c.dwg', 'P')");
    other->CommitTrans();
    EXPECT_EQ(writes("T:XM-01#002"), 1) << "one transaction, one stamp";
    EXPECT_EQ(writes("T:MANY#7"), 1);
    EXPECT_EQ(writes("T:MANY#8"), 0);
    EXPECT_EQ(writes("G:"), 1);

    // A deletion stamps "G:" once, whatever rows it deletes (also none), and its transaction's
    // writes after it stamp nothing more.
    other->BeginTrans();
    other->Execute("DELETE FROM TeamWorkResult WHERE FileID IN ('A', 'M7')");
    other->Execute("DELETE FROM TeamWorkResult WHERE FileID = 'none'");
    other->Execute(
        "INSERT INTO TeamWorkResult (FileID, WorkID, FileName, PartCode) VALUES ('C2', 'XM-01#002', "
        "'c.dwg', 'P')");
    other->CommitTrans();
    EXPECT_EQ(writes("G:"), 2);
    EXPECT_EQ(writes("T:XM-01#002"), 1);
    EXPECT_EQ(writes("T:MANY#7"), 1);
    ws.Execute("DELETE FROM ECOModifyPart WHERE ECONo = 'none'");
    EXPECT_EQ(writes("G:"), 3);

    ws.Execute("DELETE FROM TeamWorkResult WHERE WorkID LIKE 'MANY#%'");
    EXPECT_EQ(writes("G:"), 4);
    EXPECT_EQ(ws.QueryText(perTask), "1");

    // Rows of twelve tasks one statement each, and a change order's and the level rows' after them.
    other->BeginTrans();
    for (int i = 1; i <= 12; ++i)
        other->Execute(CString("INSERT INTO TeamWorkResult (FileID, WorkID, FileName, PartCode) VALUES ('N") +
                       std::to_string(i) + "', 'MANY#" + std::to_string(i) + "', 'n.dwg', 'P')");
    other->Execute("INSERT INTO ECOModifyPart (ECONo, PartCode, Other3) VALUES ('XM-01', 'P', '0')");
    other->Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 0 WHERE FileID = 'SH'");
    other->CommitTrans();
    EXPECT_EQ(ws.QueryText(perTask), "8") << "MANY#7 and seven more";
    EXPECT_EQ(writes("T:MANY#9"), 0);
    EXPECT_EQ(writes("O:XM-01"), 0);
    EXPECT_EQ(writes("G:"), 5);

    // Statements that insert no row, or rows without a key, stamp nothing and fail nothing.
    const char* const stamps = "SELECT count(*) || '/' || sum(Writes) FROM ECOTaskStamp";
    const CString before = ws.QueryText(stamps);
    ws.Execute("INSERT INTO TeamWorkResult (FileID, WorkID, FileName, PartCode) SELECT 'N', 'NONE#1', "
               "'n.dwg', 'P' WHERE false");
    ws.Execute(
        "INSERT INTO TeamWorkResult (FileID, WorkID, FileName, PartCode) VALUES ('N', NULL, 'n.dwg', 'P')");
    ws.Execute("INSERT INTO ECOModifyPart (ECONo, PartCode, Other3) VALUES (NULL, 'N', '0')");
    EXPECT_EQ(ws.QueryText(stamps), before);

    // One task written in two cases by one statement is one key: stamped once, not "G:".
    ws.Execute(
        "INSERT INTO TeamWorkResult (FileID, WorkID, FileName, PartCode) VALUES ('D1', 'xc-01#003', 'd.dwg', "
        "'P'), ('D2', 'XC-01#003', 'd.dwg', 'P'), ('D3', 'xc-01#003', 'd.dwg', 'P')");
    EXPECT_EQ(
        ws.QueryText("SELECT count(*) || '/' || sum(Writes) FROM ECOTaskStamp WHERE lower(StampKey::text) = "
                     "'t:xc-01#003'"),
        "1/1");
    EXPECT_EQ(writes("G:"), 5);
}

// Logical replication applies rows without the statements whose triggers stamp them. A write that
// no stamp shows (here: the sheet put back, and the stamps put back as they were) is not seen by a
// snapshot that trusts the stamps; in a database that subscribes to a publication the snapshot
// trusts none, and its next decision answers as one without a snapshot does.
TEST_P(ECOAuditLevelTest, ADatabaseThatSubscribesIsReadAtEveryDecision) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        return; // SQLite's connection counts its writes itself
    const auto unstampedSheet = [this](int level) {
        const CString stampsBefore = ws.QueryText(
            "SELECT string_agg(format('UPDATE ECOTaskStamp SET Writes = %s, Token = %s, Xact = %s "
            "WHERE StampKey = %L', Writes, Token, coalesce(Xact::text, 'NULL'), StampKey), '; ') "
            "FROM ECOTaskStamp");
        ASSERT_FALSE(stampsBefore.IsEmpty());
        ws.Execute(CString("UPDATE ECOAuditLevel SET CurrentAuditLevel = ") + std::to_string(level) +
                   " WHERE FileID = 'SH'");
        ws.Execute(stampsBefore);
    };
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 1 WHERE FileID = 'SH'");
    ECOTaskSnapshot snapshot;
    CECOAuditLevel kept(&snapshot);
    for (const char* file : {"DA", "DB"})
        EXPECT_EQ(kept.AdvanceFileLevel(kTask, file, 1), 1);
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 1);
    unstampedSheet(0);
    ASSERT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 1)
        << "the snapshot trusted the stamps, or the write was stamped: the rest proves nothing";

    struct Subscription {
        vqtest::DbWorkspace& ws;
        explicit Subscription(vqtest::DbWorkspace& w) : ws(w) {
            ws.Execute("CREATE SUBSCRIPTION vq_test_subscription CONNECTION 'host=127.0.0.1 dbname=none' "
                       "PUBLICATION vq_none WITH (connect = false, enabled = false, create_slot = false, "
                       "slot_name = NONE)");
        }
        ~Subscription() { ws.Execute("DROP SUBSCRIPTION IF EXISTS vq_test_subscription"); }
        Subscription(const Subscription&) = delete;
        Subscription& operator=(const Subscription&) = delete;
    };
    const Subscription subscription(ws);
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0) << "the sheet is back at 0";
    EXPECT_EQ(kept.AdvanceFileLevel(kTask, "SH", 1), 1);
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 1);
    unstampedSheet(0);
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0);
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), CECOAuditLevel().CheckModifiedPartsReady(kTask, 1));
}

// After a reviewer's snapshot released a complete level, every step that comes to wait there is
// released by its next decisions as the table's statements release it: written by another client
// (in either table, under another spelling of the document's id), by the reviewer's own decision
// moving a document there, after its own release was rolled back, and after a rolled-back removal of
// a waiting step. The reviewer names the task in another spelling than its rows.
TEST_P(ECOAuditLevelTest, AReleasedLevelReleasesEveryStepThatComesToWaitThere) {
    AddDocuments();
    const char* const task = "jx-01[M]#001";
    ECOTaskSnapshot snapshot;
    CECOAuditLevel kept(&snapshot);
    for (const char* file : {"DA", "DB", "SH"}) {
        EXPECT_EQ(kept.AdvanceFileLevel(task, file, 1), 1);
        EXPECT_EQ(kept.ResetWaitingAudits(1, task, 1), 1);
    }
    EXPECT_EQ(Steps(), "DA/未完成 DA2/等待 DB/未完成 DC/等待 RA/等待 RB/等待 SH/未完成 | DA/未完成 ");

    ws.Execute("INSERT INTO TeamWorkAudit (FileID, AuditTask, State) VALUES ('db', '批准', '等待')");
    EXPECT_EQ(kept.ResetWaitingAudits(1, task, 0), 1);
    EXPECT_EQ(Step("TeamWorkAudit", "DB", "批准"), "未完成 ");
    ws.Execute("INSERT INTO TeamWorkAudit (FileID, AuditTask, State) VALUES ('DA', '批准', '等待')");
    ws.Execute(
        "INSERT INTO TeamWorkGroupAudit (FileID, AuditTask, State) VALUES ('DB', '批准', '等待'), ('RB', "
        "'批准', '等待')");
    EXPECT_EQ(kept.ResetWaitingAudits(1, task, 0), 1);
    EXPECT_EQ(Step("TeamWorkAudit", "DA", "批准"), "未完成 ");
    EXPECT_EQ(Step("TeamWorkGroupAudit", "DB", "批准"), "等待 ") << "group steps only when asked";
    EXPECT_EQ(kept.ResetWaitingAudits(1, task, 1), 1);
    EXPECT_EQ(Step("TeamWorkGroupAudit", "DB", "批准"), "未完成 ");
    EXPECT_EQ(Step("TeamWorkGroupAudit", "RB", "批准"), "等待 ") << "RB is at level 0";

    // The reviewer's own decisions move documents with waiting steps to the level.
    EXPECT_EQ(kept.AdvanceFileLevel(task, "RA", 1), 1);
    EXPECT_EQ(kept.ResetWaitingAudits(1, task, 1), 1);
    EXPECT_EQ(kept.AdvanceFileLevel(task, "rb", 1), 1);
    EXPECT_EQ(kept.ResetWaitingAudits(1, task, 1), 1);
    EXPECT_EQ(Rows("SELECT FileID FROM TeamWorkAudit WHERE State = '等待' ORDER BY FileID", 1), "DA2 DC ");
    EXPECT_EQ(Rows("SELECT FileID FROM TeamWorkGroupAudit WHERE State = '等待'", 1), "");

    // A release rolled back with its decision: the step waits again.
    ws.Execute("INSERT INTO TeamWorkAudit (FileID, AuditTask, State) VALUES ('DB', '会签', '等待')");
    theApp.m_pConnPDM->BeginTrans();
    EXPECT_EQ(kept.ResetWaitingAudits(1, task, 0), 1);
    EXPECT_EQ(Step("TeamWorkAudit", "DB", "会签"), "未完成 ");
    theApp.m_pConnPDM->RollbackTrans();
    EXPECT_EQ(Step("TeamWorkAudit", "DB", "会签"), "等待 ");
    EXPECT_EQ(kept.ResetWaitingAudits(1, task, 0), 1);
    EXPECT_EQ(Step("TeamWorkAudit", "DB", "会签"), "未完成 ");

    // A waiting step removed by a decision that is rolled back: it is there again, waiting.
    ws.Execute("INSERT INTO TeamWorkAudit (FileID, AuditTask, State) VALUES ('DA', '会签', '等待')");
    theApp.m_pConnPDM->BeginTrans();
    Write("DELETE FROM TeamWorkAudit WHERE FileID = 'DA' AND AuditTask = '会签'");
    EXPECT_EQ(kept.ResetWaitingAudits(1, task, 0), 1);
    theApp.m_pConnPDM->RollbackTrans();
    EXPECT_EQ(kept.ResetWaitingAudits(1, task, 0), 1);
    EXPECT_EQ(Step("TeamWorkAudit", "DA", "会签"), "未完成 ");

    // Another client moves a document with a waiting step to the level.
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 1 WHERE FileID = 'DA2'");
    EXPECT_EQ(kept.ResetWaitingAudits(1, task, 0), 1);
    EXPECT_EQ(Step("TeamWorkAudit", "DA2", "审核"), "未完成 ");
}

// A database made before the waiting steps were indexed: the steps are released as the statements
// of a decision without a snapshot release them.
TEST_P(ECOAuditLevelTest, WithoutTheWaitingIndexesTheStepsAreReleasedAsBefore) {
    ws.Execute("DROP INDEX IX_TeamWorkGroupAudit_Waiting");
    ECOTaskSnapshot snapshot;
    CECOAuditLevel kept(&snapshot);
    for (const char* file : {"DA", "DB", "SH"}) {
        EXPECT_EQ(kept.AdvanceFileLevel(kTask, file, 1), 1);
        EXPECT_EQ(kept.ResetWaitingAudits(1, kTask, 1), 1);
    }
    EXPECT_EQ(Steps(), "DA/未完成 DB/未完成 SH/未完成 | DA/未完成 ");
}

// Between one reviewer's decisions others change the task: the snapshot's answers are those of
// the table, whichever part, document or sheet the change touched.
TEST_P(ECOAuditLevelTest, ASnapshotAnswersAsTheTableAfterOtherWritersChangedIt) {
    ECOTaskSnapshot snapshot;
    CECOAuditLevel kept(&snapshot);
    EXPECT_EQ(kept.AdvanceFileLevel(kTask, "DA", 1), 1);
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0) << "B is missing";
    // B reaches level 1 elsewhere, and the sheet too.
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 1 WHERE FileID IN ('DB', 'SH')");
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 1);
    // B goes back to 0 elsewhere: level 1 is no longer complete.
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 0 WHERE FileID = 'DB'");
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0);
    // The order drops B: A and the sheet make it complete.
    ws.Execute("UPDATE ECOModifyPart SET Other3 = '1' WHERE PartCode = 'B'");
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 1);
    ws.Execute("UPDATE ECOModifyPart SET Other3 = '0' WHERE PartCode = 'B'");
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0);

    // Unfinished while A is below its maximum; finished once others brought every document there.
    EXPECT_EQ(kept.CountUnfinishedFiles(kTask), 0);
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = MaxAuditLevel");
    EXPECT_EQ(kept.CountUnfinishedFiles(kTask), 1);
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 0 WHERE FileID = 'SH'");
    EXPECT_EQ(kept.CountUnfinishedFiles(kTask), 0);
    // A document of the task read before others moved it advances from where the table has it.
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 1 WHERE FileID = 'DA'");
    EXPECT_EQ(kept.AdvanceFileLevel(kTask, "DA", 1), 1);
    EXPECT_EQ(Level("DA"), "2");
    EXPECT_EQ(kept.AdvanceFileLevel(kTask, "DA", 1), 0);

    // The sheet alone keeps level 1 closed, until another writer replaces the order's sheet row by
    // one that has reached it: the level opens, and the steps waiting for it are released.
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0) << "the sheet is at 0";
    ws.Execute("DELETE FROM ECOAuditLevel WHERE FileID = 'SH'");
    ws.Execute("INSERT INTO ECOAuditLevel (ECOTaskNo, FileID, IsECOFile, CurrentAuditLevel, MaxAuditLevel) "
               "VALUES ('JX-01[M]#001', 'SH2', 'Y', 1, 2)");
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 1);
    EXPECT_EQ(kept.ResetWaitingAudits(1, kTask, 1), 1);
    EXPECT_EQ(StepState("TeamWorkAudit", "DB"), "未完成") << "B is at level 1";
    // Later answers follow the new sheet row: taken back to 0 elsewhere, it closes level 1 again.
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 0 WHERE FileID = 'SH2'");
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0);
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 2 WHERE FileID = 'SH2'");
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 2), 0) << "B cannot reach level 2";
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 1);

    // Writes over more tasks than a transaction stamps one by one: one statement over many tasks
    // that takes the sheet back, then a transaction of many tasks' rows that ends with the sheet.
    ws.Execute(
        "WITH RECURSIVE g(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM g WHERE n < 20) INSERT INTO "
        "ECOAuditLevel (ECOTaskNo, FileID, CurrentAuditLevel) SELECT 'MANY#' || n, 'M' || n, 1 FROM g");
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 1);
    ws.Execute(
        "UPDATE ECOAuditLevel SET CurrentAuditLevel = 0 WHERE FileID = 'SH2' OR ECOTaskNo LIKE 'MANY#%'");
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0);
    _ConnectionPtr other = ws.Connect();
    other->BeginTrans();
    for (int i = 1; i <= 12; ++i)
        other->Execute(CString("UPDATE ECOAuditLevel SET CurrentAuditLevel = 2 WHERE FileID = 'M") +
                       std::to_string(i) + "'");
    other->Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 1 WHERE FileID = 'SH2'");
    other->CommitTrans();
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 1);
}

// Once a level is complete, the documents that do not decide it (a report beside a part's drawing)
// still go on to it and have their waiting steps released; a drawing taken back elsewhere closes it.
TEST_P(ECOAuditLevelTest, ASnapshotKeepsAnsweringACompleteLevelAsTheTableDoes) {
    ws.Execute(
        "INSERT INTO TeamWorkResult (FileID, WorkID, FileName, PartCode, State, Other4) VALUES ('RA', "
        "'JX-01[M]#001', 'a.doc', 'A', '评审', ''), ('DA2', 'JX-01[M]#001', 'a2.dwg', 'A', '评审', '')");
    ws.Execute(
        "INSERT INTO ECOAuditLevel (ECOTaskNo, FileID, IsECOFile, CurrentAuditLevel, MaxAuditLevel) VALUES "
        "('JX-01[M]#001', 'RA', 'N', 0, 2), ('JX-01[M]#001', 'DA2', 'N', 0, 2)");
    ws.Execute("INSERT INTO TeamWorkAudit (FileID, AuditTask, State) VALUES ('RA', '审核', '等待'), ('DA2', "
               "'审核', '等待')");
    ECOTaskSnapshot snapshot;
    CECOAuditLevel kept(&snapshot);
    for (const char* file : {"DA", "DB", "SH"}) {
        EXPECT_EQ(kept.AdvanceFileLevel(kTask, file, 1), 1);
        EXPECT_EQ(kept.ResetWaitingAudits(1, kTask, 0), 1);
    }
    EXPECT_EQ(StepState("TeamWorkAudit", "DB"), "未完成");
    for (const char* file : {"RA", "DA2"}) {
        EXPECT_EQ(kept.AdvanceFileLevel(kTask, file, 1), 1);
        EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 1) << file;
        EXPECT_EQ(kept.ResetWaitingAudits(1, kTask, 0), 1);
        EXPECT_EQ(StepState("TeamWorkAudit", file), "未完成") << file;
    }
    // A's first drawing goes back elsewhere: its second one keeps the part at level 1. B's goes
    // back: the level is no longer complete; once B is back, it is again.
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 0 WHERE FileID = 'DA'");
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 1);
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 0 WHERE FileID = 'DB'");
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0);
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 1 WHERE FileID = 'DB'");
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 1);
    // A part the order gains elsewhere, with no drawing at level 1, closes it too.
    ws.Execute("UPDATE ECOModifyPart SET Other3 = '0' WHERE PartCode = 'C'");
    EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0);
    EXPECT_EQ(kept.CountUnfinishedFiles(kTask), 0);
}

// Other clients write between two decisions of a reviewer so that the task keeps as many rows, as
// many of them at the level, as many order parts and its sheet where it was, while a part's only
// drawing at the level is no longer there: the reviewer's next decision answers and releases
// exactly as a decision without a snapshot does (the level is not complete).
TEST_P(ECOAuditLevelTest, ADecisionAfterOtherClientsWroteAnswersAsOneWithoutASnapshot) {
    AddDocuments();
    struct Case {
        const char* name;
        std::vector<const char*> completing; // the reviewer's documents that complete level 1
        std::function<void()> others;        // what other clients write meanwhile
    };
    const std::vector<Case> cases = {
        {"A's drawing rejected, A's report passed (complete by a drawing of C)",
         {"DA", "DB", "DC"},
         [] {
             ECOTaskSnapshot second;
             CECOAuditLevel client2(&second), client3;
             EXPECT_EQ(client2.AdvanceFileLevel(kTask, "DA", 0), 1);
             EXPECT_EQ(client2.RejectECOFiles(kTask, "更改", "审核"), 1);
             EXPECT_EQ(client3.AdvanceFileLevel(kTask, "RA", 1), 1);
             EXPECT_EQ(client3.ResetWaitingAudits(1, kTask, 1), 1);
         }},
        {"A's drawing rejected, the sheet and A's report passed again",
         {"DA", "DB", "SH"},
         [] {
             ECOTaskSnapshot second, third;
             CECOAuditLevel client2(&second), client3(&third);
             EXPECT_EQ(client2.AdvanceFileLevel(kTask, "DA", 0), 1);
             EXPECT_EQ(client2.RejectECOFiles(kTask, "更改", "审核"), 1);
             for (const char* file : {"SH", "RA"}) {
                 EXPECT_EQ(client3.AdvanceFileLevel(kTask, file, 1), 1);
                 EXPECT_EQ(client3.ResetWaitingAudits(1, kTask, 1), 1);
             }
         }},
        {"the order's parts stored again with D in place of B",
         {"DA", "DB", "SH"},
         [] {
             // As the change order dialog stores its part list: every row deleted and inserted.
             Write("DELETE FROM ECOModifyPart WHERE ECONo = 'JX-01'");
             Write("INSERT INTO ECOModifyPart (ECONo, PartCode, Other3) VALUES ('JX-01', 'A', '0')");
             Write("INSERT INTO ECOModifyPart (ECONo, PartCode, Other3) VALUES ('JX-01', 'D', '0')");
             Write("INSERT INTO ECOModifyPart (ECONo, PartCode, Other3) VALUES ('JX-01', 'C', '1')");
         }},
        {"A's drawing renamed to a document",
         {"DA", "DB", "SH"},
         [] { Write("UPDATE TeamWorkResult SET FileName = 'a.pdf' WHERE FileID = 'DA'"); }},
        {"A's drawing given to part C",
         {"DA", "DB", "SH"},
         [] { Write("UPDATE TeamWorkResult SET PartCode = 'C' WHERE FileID = 'DA'"); }},
    };
    BoxCounter boxes;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Outcome outcomes[2];
        for (const bool kept : {false, true}) {
            theApp.m_pConnPDM->BeginTrans();
            ECOTaskSnapshot snapshot;
            CECOAuditLevel reviewer(kept ? &snapshot : nullptr);
            for (const char* file : c.completing) {
                EXPECT_EQ(reviewer.AdvanceFileLevel(kTask, file, 1), 1);
                EXPECT_EQ(reviewer.ResetWaitingAudits(1, kTask, 1), 1);
            }
            EXPECT_EQ(Rows("SELECT State FROM TeamWorkAudit WHERE FileID = 'DB'", 1), "未完成 ")
                << "level 1 complete";
            c.others();
            boxes.Take();
            // The reviewer passes B's report on to level 1.
            Outcome& outcome = outcomes[kept ? 1 : 0];
            EXPECT_EQ(reviewer.AdvanceFileLevel(kTask, "RB", 1), 1);
            outcome.answer = reviewer.CheckModifiedPartsReady(kTask, 1);
            EXPECT_EQ(reviewer.ResetWaitingAudits(1, kTask, 1), 1);
            outcome.warnings = boxes.Take();
            outcome.steps = Steps();
            theApp.m_pConnPDM->RollbackTrans();
        }
        EXPECT_EQ(outcomes[0].answer, 0) << "A has no drawing at level 1";
        EXPECT_EQ(outcomes[1].answer, outcomes[0].answer);
        EXPECT_EQ(outcomes[1].warnings, outcomes[0].warnings);
        EXPECT_EQ(outcomes[1].steps, outcomes[0].steps);
    }
}

namespace {

// A code as clients store it: as written, in the other case, with a leading or a trailing blank,
// padded as a char(12) column pads it, or in full-width letters (each in upper or lower case).
CString CodeVariant(const CString& code, int kind) {
    CString text = code;
    switch (kind) {
    case 1:
        text.MakeLower();
        break;
    case 2:
        text = " " + code;
        break;
    case 3:
        text = code + " ";
        break;
    case 4:
        while (text.GetLength() < 12)
            text += " ";
        break;
    case 5:
    case 6: {
        std::string wide;
        for (const char c : code.str()) {
            if (std::isalpha(static_cast<unsigned char>(c))) {
                // U+FF21 (Ａ) .. U+FF3A, U+FF41 (ａ) .. U+FF5A: three bytes in UTF-8.
                const int letter = std::toupper(static_cast<unsigned char>(c)) - 'A';
                const int point = (kind == 5 ? 0xFF21 : 0xFF41) + letter;
                wide += static_cast<char>(0xE0 | (point >> 12));
                wide += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
                wide += static_cast<char>(0x80 | (point & 0x3F));
            } else {
                wide += c;
            }
        }
        text = CString(wide);
        break;
    }
    default:
        break;
    }
    return text;
}

// The seeds of the randomized sequences: fixed ones (the second found a difference once), and the
// one VQ_SNAPSHOT_SEED names (scripts/test gives every run a new one), each with how many
// sequences it runs on a database with stamps and on one without.
struct SnapshotSeed {
    unsigned seed;
    int stamped;
    int unstamped;
};

std::vector<SnapshotSeed> SnapshotSeeds() {
    std::vector<SnapshotSeed> seeds = {{20261208, 50, 30}, {4242, 20, 30}};
    if (const char* text = std::getenv("VQ_SNAPSHOT_SEED"); text && *text) {
        char* end = nullptr;
        errno = 0;
        const unsigned long value = std::strtoul(text, &end, 10);
        if (*end != '\0' || errno != 0 || value > std::numeric_limits<unsigned>::max())
            ADD_FAILURE() << "VQ_SNAPSHOT_SEED=" << text << " is not a seed (a number below 2^32)";
        else
            seeds.push_back({static_cast<unsigned>(value), 25, 25});
    }
    return seeds;
}

} // namespace

// Between the decisions of one reviewer, other clients make the system's own writes in random
// order: pass, reject, a document taken back, the sheet replaced, the order's part list stored
// again, a drawing renamed or given to another part, a level row stored under another spelling of
// its document, steps put to wait or taken out of it, a decision of theirs or of the reviewer's own
// rolled back. Codes of the order's parts, of the drawings and of the level rows come in every
// spelling a client may store (CodeVariant). Each sequence runs twice from the same state: with a
// snapshot kept by the reviewer and by one of the other clients, and with none. Every answer, every
// box and the steps released after every decision are the same. The seed and the sequence that
// failed are printed: VQ_SNAPSHOT_SEED=<seed> runs that seed again.
void ECOAuditLevelTest::CompareRandomSequences(bool stamped) {
    AddDocuments();
    if (!stamped)
        AsEarlierSchema(); // the snapshot then only guides the questions
    if (HasFatalFailure())
        return;
    const std::vector<CString> documents = {"DA", "DB", "RA", "RB", "DA2", "DC"};
    const char* const parts[] = {"A", "B", "C", "D"};
    const char* const names[] = {"x.dwg", "x.DWG", "x.doc"};
    BoxCounter boxes;
    // One run of a sequence: what the reviewer's questions answered and showed, and the steps.
    // Without the stamps a reviewer's snapshot only guides, and the question whether every document
    // is finished takes a document its guide names below its maximum, once the tables confirm it,
    // for the answer: the part check's warning of more parts than the order has is then not shown
    // when other clients made them more since the guide was read (the answer is the same).
    const bool finishedBoxes = stamped;
    const auto run = [&](unsigned seed, int sequence, bool kept, std::ostringstream& trace) {
        std::mt19937 random(seed + static_cast<unsigned>(sequence));
        const auto pick = [&random](std::size_t n) { return static_cast<int>(random() % n); };
        // Mostly as written, else one of the other spellings.
        const auto variant = [&](const CString& code) {
            return CodeVariant(code, pick(2) ? 0 : 1 + pick(6));
        };
        std::ostringstream log;
        trace.str("");
        trace << "seed " << seed << ", sequence " << sequence << ":";
        theApp.m_pConnPDM->BeginTrans();
        std::vector<CString> files = documents;
        files.push_back("SH");
        for (const CString& file : files) {
            const int level = pick(3);
            CString sql;
            sql.Format("UPDATE ECOAuditLevel SET CurrentAuditLevel = CASE WHEN MaxAuditLevel < %d THEN "
                       "MaxAuditLevel ELSE %d END WHERE FileID = '%s'",
                       level, level, file.c_str());
            Write(sql);
            trace << " " << file << "@" << level;
        }
        // The spellings this sequence starts with.
        for (const char* part : {"A", "B"}) {
            const CString code = variant(part);
            if (code != part) {
                trace << " order " << part << "='" << code << "'";
                Write("UPDATE ECOModifyPart SET PartCode = '" + SqlQuote(code) + "' WHERE PartCode = '" +
                      part + "'");
            }
            if (pick(8) == 0) {
                const CString twin = CodeVariant(part, 1 + pick(6));
                trace << " order+'" << twin << "'";
                Write("INSERT INTO ECOModifyPart (ECONo, PartCode, Other3) VALUES ('JX-01', '" +
                      SqlQuote(twin) + "', '0')");
            }
        }
        for (const CString& file : documents) {
            const CString part = file.Mid(1, 1);
            const CString code = variant(part);
            if (code != part) {
                trace << " " << file << ".part='" << code << "'";
                Write("UPDATE TeamWorkResult SET PartCode = '" + SqlQuote(code) + "' WHERE FileID = '" +
                      file + "'");
            }
            const CString id = variant(file);
            if (id != file) {
                trace << " " << file << ".level='" << id << "'";
                Write("UPDATE ECOAuditLevel SET FileID = '" + SqlQuote(id) + "' WHERE FileID = '" + file +
                      "'");
            }
        }
        ECOTaskSnapshot mine, second;
        CECOAuditLevel reviewer(kept ? &mine : nullptr), client2(kept ? &second : nullptr), client3;
        // A question of the reviewer: its answer and the boxes it showed.
        const auto ask = [&](const char* question, int answer) {
            log << question << "=" << answer << "/" << boxes.Take() << " ";
        };
        const auto decide = [&](const CString& file) {
            trace << " | decide " << file;
            boxes.Take();
            // As a decision opening the next step: its row (and its group row) written waiting first.
            if (const int next = pick(3); next > 0) {
                trace << " (next step" << (next == 2 ? "s)" : ")");
                Write("DELETE FROM TeamWorkAudit WHERE FileID = '" + file + "' AND AuditTask = '批准'");
                Write("INSERT INTO TeamWorkAudit (FileID, AuditTask, State) VALUES ('" + file +
                      "', '批准', '等待')");
                if (next == 2)
                    Write("INSERT INTO TeamWorkGroupAudit (FileID, AuditTask, State) VALUES ('" + file +
                          "', '批准', '等待')");
            }
            log << "| " << file << " advance=" << reviewer.AdvanceFileLevel(kTask, file, 1);
            int maximum = -1, current = -1;
            log << " levels=" << reviewer.GetFileLevels(kTask, file, maximum, current) << ":" << current
                << "/" << maximum << " ";
            ask("ready", reviewer.CheckModifiedPartsReady(kTask, current));
            ask("open", reviewer.ResetWaitingAudits(current, kTask, 1));
            const int finished = reviewer.CountUnfinishedFiles(kTask);
            if (finishedBoxes)
                ask("finished", finished);
            else
                log << "finished=" << finished << "/" << (boxes.Take(), "-") << " ";
            log << Steps() << " ";
        };
        // Another client's write, of any kind (below 11) or only of the steps (7 and above).
        const auto otherWrites = [&](int kinds) {
            const CString file = files[static_cast<std::size_t>(pick(files.size()))];
            CECOAuditLevel& client = pick(2) ? client2 : client3;
            CString sql;
            switch (kinds == 11 ? pick(11) : 7 + pick(4)) {
            case 0: {
                trace << " | pass " << file;
                client.AdvanceFileLevel(kTask, file, 1);
                int maximum = 0, current = 0;
                client.GetFileLevels(kTask, file, maximum, current);
                client.ResetWaitingAudits(current, kTask, 1);
                break;
            }
            case 1:
                trace << " | reject " << file;
                client.AdvanceFileLevel(kTask, file, 0);
                client.RejectECOFiles(kTask, "更改", "审核");
                break;
            case 2:
                trace << " | take back " << file;
                CECOAuditLevel().AdvanceFileLevel(kTask, file, 0);
                break;
            case 3: {
                const CString sheet = "SH" + CString(std::to_string(sequence));
                const int level = pick(3);
                trace << " | sheet " << sheet << "@" << level;
                std::erase_if(files, [](const CString& f) { return f.Left(2) == "SH"; });
                files.push_back(sheet);
                Write("DELETE FROM ECOAuditLevel WHERE ECOTaskNo = 'JX-01[M]#001' AND IsECOFile = 'Y'");
                Write("DELETE FROM TeamWorkResult WHERE WorkID = 'JX-01[M]#001' AND Other4 = '_ECO'");
                sql.Format("INSERT INTO ECOAuditLevel (ECOTaskNo, FileID, IsECOFile, CurrentAuditLevel, "
                           "MaxAuditLevel) VALUES ('JX-01[M]#001', '%s', 'Y', %d, 2)",
                           sheet.c_str(), level);
                Write(sql);
                sql.Format(
                    "INSERT INTO TeamWorkResult (FileID, WorkID, FileName, PartCode, State, Other4) VALUES "
                    "('%s', 'JX-01[M]#001', 'sheet.tbl', '', '评审', '_ECO')",
                    sheet.c_str());
                Write(sql);
                break;
            }
            case 4:
                trace << " | order parts";
                Write("DELETE FROM ECOModifyPart WHERE ECONo = 'JX-01'");
                for (const char* part : parts) {
                    const int kind = pick(4); // mostly changed, else unchanged or not in the order
                    if (kind == 3)
                        continue;
                    const CString code = variant(part);
                    trace << " '" << code << (kind == 2 ? "'=1" : "'=0");
                    sql.Format(
                        "INSERT INTO ECOModifyPart (ECONo, PartCode, Other3) VALUES ('JX-01', '%s', '%s')",
                        SqlQuote(code).c_str(), kind == 2 ? "1" : "0");
                    Write(sql);
                }
                break;
            case 5: {
                const CString document = documents[static_cast<std::size_t>(pick(documents.size()))];
                const CString id = variant(document);
                trace << " | level row of " << document << " as '" << id << "'";
                Write("UPDATE ECOAuditLevel SET FileID = '" + SqlQuote(id) +
                      "' WHERE ECOTaskNo = 'JX-01[M]#001' "
                      "AND Trim(FileID) = '" +
                      document + "'");
                break;
            }
            case 7: {
                // A step of a document put to wait, in either table, under any spelling of its id.
                const char* table = pick(2) ? "TeamWorkAudit" : "TeamWorkGroupAudit";
                const CString id = variant(file);
                trace << " | waiting step of '" << id << "' in " << table;
                Write(CString("INSERT INTO ") + table + " (FileID, AuditTask, State) VALUES ('" +
                      SqlQuote(id) + "', '会签', '等待')");
                break;
            }
            case 8: {
                // Steps taken out of waiting, or back to it, without a release.
                const char* table = pick(2) ? "TeamWorkAudit" : "TeamWorkGroupAudit";
                const bool back = pick(2) != 0;
                trace << " | " << table << " of " << file
                      << (back ? " back to waiting" : " no longer waiting");
                if (back)
                    Write(CString("UPDATE ") + table + " SET State = '等待' WHERE FileID = '" + file + "'");
                else
                    Write(CString("DELETE FROM ") + table + " WHERE FileID = '" + file +
                          "' AND State = '等待'");
                break;
            }
            case 9: {
                // Another client's decision, rolled back.
                trace << " | rolled back: pass " << file;
                Write("SAVEPOINT other_decision");
                Write("INSERT INTO TeamWorkAudit (FileID, AuditTask, State) VALUES ('" + file +
                      "', '会签', '等待')");
                client.AdvanceFileLevel(kTask, file, 1);
                int maximum = 0, current = 0;
                client.GetFileLevels(kTask, file, maximum, current);
                client.ResetWaitingAudits(current, kTask, 1);
                Write("ROLLBACK TO SAVEPOINT other_decision");
                Write("RELEASE SAVEPOINT other_decision");
                break;
            }
            case 10: {
                // A decision of the reviewer's own, rolled back after its release.
                trace << " | own rolled back " << file;
                Write("SAVEPOINT own_decision");
                boxes.Take();
                log << "| rolled back " << file << " advance=" << reviewer.AdvanceFileLevel(kTask, file, 1);
                int maximum = -1, current = -1;
                reviewer.GetFileLevels(kTask, file, maximum, current);
                ask("open", reviewer.ResetWaitingAudits(current, kTask, pick(2)));
                Write("ROLLBACK TO SAVEPOINT own_decision");
                Write("RELEASE SAVEPOINT own_decision");
                break;
            }
            default: {
                const CString document = documents[static_cast<std::size_t>(pick(documents.size()))];
                const char* name = names[pick(3)];
                const CString part = variant(parts[pick(4)]);
                trace << " | rename " << document << " " << name << " '" << part << "'";
                sql.Format("UPDATE TeamWorkResult SET FileName = '%s', PartCode = '%s' WHERE FileID = '%s'",
                           name, SqlQuote(part).c_str(), document.c_str());
                Write(sql);
            }
            }
        };
        for (int n = 1 + pick(3); n > 0; --n)
            decide(files[static_cast<std::size_t>(pick(files.size()))]);
        for (int n = 1 + pick(4); n > 0; --n)
            otherWrites(11);
        for (int n = 1 + pick(2); n > 0; --n)
            decide(files[static_cast<std::size_t>(pick(files.size()))]);
        // Writes of steps alone leave the levels as they were: the decisions after them are those
        // that may go by what the reviewer released before.
        for (int round = 0; round < 2; ++round) {
            for (int n = 1 + pick(3); n > 0; --n)
                otherWrites(4);
            for (int n = 1 + pick(2); n > 0; --n)
                decide(files[static_cast<std::size_t>(pick(files.size()))]);
        }
        for (int level = 0; level <= 3; ++level) {
            boxes.Take();
            ask(("level " + std::to_string(level)).c_str(), reviewer.CheckModifiedPartsReady(kTask, level));
        }
        theApp.m_pConnPDM->RollbackTrans();
        return log.str();
    };
    const auto compare = [&](const char* database, unsigned seed, int sequences) {
        SCOPED_TRACE("VQ_SNAPSHOT_SEED=" + std::to_string(seed) + ", " + database);
        for (int sequence = 0; sequence < sequences && !HasFailure(); ++sequence) {
            std::ostringstream trace;
            const std::string plain = run(seed, sequence, false, trace);
            const std::string kept = run(seed, sequence, true, trace);
            EXPECT_EQ(kept, plain) << database << ", " << trace.str();
        }
    };
    for (const SnapshotSeed& seed : SnapshotSeeds())
        compare(stamped ? "stamped" : "without the stamps", seed.seed,
                stamped ? seed.stamped : seed.unstamped);
}

TEST_P(ECOAuditLevelTest, ASnapshotAnswersAsTheTableWhateverOtherClientsWrite) {
    CompareRandomSequences(true);
}

// The same on a database made by an earlier version (no stamps, no waiting-step indexes).
TEST_P(ECOAuditLevelTest, AGuideAnswersAsTheTableWhateverOtherClientsWrite) {
    CompareRandomSequences(false);
}

TEST_P(ECOAuditLevelTest, MoreSubmittedPartsThanTheOrderHasWarnAndOpen) {
    ws.Execute(
        "INSERT INTO TeamWorkResult (FileID, WorkID, FileName, PartCode) VALUES ('DC', 'JX-01[M]#001', "
        "'c.dwg', 'C')");
    ws.Execute(
        "INSERT INTO ECOAuditLevel (ECOTaskNo, FileID, IsECOFile, CurrentAuditLevel, MaxAuditLevel) VALUES "
        "('JX-01[M]#001', 'DC', 'N', 0, 1)");
    ECOTaskSnapshot snapshot;
    CECOAuditLevel kept(&snapshot);
    for (CECOAuditLevel* asking : {&levels, &kept}) {
        rec.Expect("提交文档对应零部件的数量大于更改单设计的零部件数量");
        EXPECT_EQ(asking->CheckModifiedPartsReady(kTask, 0), 1);
    }
    // The snapshot kept: the warning once for each question, as without one, whether the answer
    // is taken from the snapshot or the task had to be asked again.
    for (CECOAuditLevel* asking : {&levels, &kept}) {
        rec.Expect("提交文档对应零部件的数量大于更改单设计的零部件数量");
        EXPECT_EQ(asking->CheckModifiedPartsReady(kTask, 0), 1);
        rec.Expect("提交文档对应零部件的数量大于更改单设计的零部件数量");
        EXPECT_EQ(asking->CountUnfinishedFiles(kTask), 0) << "A is below its maximum";
        EXPECT_EQ(rec.Pending(), 0);
    }
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = MaxAuditLevel");
    for (CECOAuditLevel* asking : {&levels, &kept}) {
        rec.Expect("提交文档对应零部件的数量大于更改单设计的零部件数量");
        EXPECT_EQ(asking->CountUnfinishedFiles(kTask), 1);
        EXPECT_EQ(rec.Pending(), 0);
    }
    EXPECT_EQ(rec.Shown().size(), 8u) << "one warning for each question";
}

TEST_P(ECOAuditLevelTest, AnOrderWithoutItsSheetRowNeverCompletes) {
    ws.Execute("DELETE FROM ECOAuditLevel WHERE FileID = 'SH'");
    EXPECT_EQ(levels.CheckModifiedPartsReady(kTask, 0), 0);
    EXPECT_EQ(levels.CountUnfinishedFiles(kTask), 0);
}

// The count of unfinished documents cannot be read (here: the table changed while the part
// check's warning was up): the task is not finished, and nothing is released.
// The order lists part A twice, in two spellings the database takes for one, and A's drawing
// carries one of them: the answer is the same whichever spelling was stored first, with a snapshot
// and without (the rows' order on disk decides nothing).
TEST_P(ECOAuditLevelTest, TwoSpellingsOfAPartAnswerTheSameWhicheverWasStoredFirst) {
    ws.Execute("UPDATE TeamWorkResult SET PartCode = 'a' WHERE FileID = 'DA'");
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = 1");
    std::set<int> answers;
    for (const CString first : {"A", "a"}) {
        const CString second = first == "A" ? "a" : "A";
        ws.Execute("DELETE FROM ECOModifyPart WHERE ECONo = 'JX-01'");
        for (const CString& code : {first, CString("B"), second})
            ws.Execute("INSERT INTO ECOModifyPart (ECONo, PartCode, Other3) VALUES ('JX-01', '" + code +
                       "', '0')");
        ECOTaskSnapshot snapshot;
        CECOAuditLevel kept(&snapshot);
        answers.insert(levels.CheckModifiedPartsReady(kTask, 1));
        answers.insert(kept.CheckModifiedPartsReady(kTask, 1));
    }
    EXPECT_EQ(answers.size(), 1u);
    // The same with the order's sheet stored twice, at two levels: the lower one answers.
    ws.Execute("UPDATE ECOModifyPart SET PartCode = 'a' WHERE PartCode = 'A'");
    for (const bool lowerFirst : {false, true}) {
        ws.Execute("DELETE FROM ECOAuditLevel WHERE IsECOFile = 'Y'");
        for (const int level : {lowerFirst ? 0 : 1, lowerFirst ? 1 : 0})
            ws.Execute("INSERT INTO ECOAuditLevel (ECOTaskNo, FileID, IsECOFile, CurrentAuditLevel, "
                       "MaxAuditLevel) VALUES ('JX-01[M]#001', 'SH" +
                       CString(std::to_string(level)) + "', 'Y', " + CString(std::to_string(level)) + ", 2)");
        ECOTaskSnapshot snapshot;
        CECOAuditLevel kept(&snapshot);
        EXPECT_EQ(levels.CheckModifiedPartsReady(kTask, 1), 0) << lowerFirst;
        EXPECT_EQ(kept.CheckModifiedPartsReady(kTask, 1), 0) << lowerFirst;
    }
}

TEST_P(ECOAuditLevelTest, AnUnreadableCountIsNotAllFinished) {
    ws.Execute(
        "INSERT INTO TeamWorkResult (FileID, WorkID, FileName, PartCode) VALUES ('DC', 'JX-01[M]#001', "
        "'c.dwg', 'C')");
    ws.Execute(
        "INSERT INTO ECOAuditLevel (ECOTaskNo, FileID, IsECOFile, CurrentAuditLevel, MaxAuditLevel) VALUES "
        "('JX-01[M]#001', 'DC', 'N', 1, 1)");
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = MaxAuditLevel");
    ECOTaskSnapshot snapshot;
    CECOAuditLevel kept(&snapshot);
    for (CECOAuditLevel* asking : {&levels, &kept}) {
        rec.Expect("提交文档对应零部件的数量大于更改单设计的零部件数量", IDOK, [this] {
            ws.Execute("ALTER TABLE ECOAuditLevel RENAME COLUMN MaxAuditLevel TO MaxLevelGone");
        });
        rec.Expect(""); // the database's error
        EXPECT_EQ(asking->CountUnfinishedFiles(kTask), 0);
        EXPECT_EQ(rec.Pending(), 0);
        ws.Execute("ALTER TABLE ECOAuditLevel RENAME COLUMN MaxLevelGone TO MaxAuditLevel");
    }
}

TEST_P(ECOAuditLevelTest, AllFinishedOnlyWhenEveryDocumentIsAtItsMaximum) {
    EXPECT_EQ(levels.CountUnfinishedFiles(kTask), 0);
    ws.Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = MaxAuditLevel");
    EXPECT_EQ(levels.CountUnfinishedFiles(kTask), 1);
}

TEST_P(ECOAuditLevelTest, RejectingTheSheetAndReleasingTheWaitingDocuments) {
    EXPECT_EQ(levels.RejectECOFiles(kTask, "更改", "审核"), 1);
    EXPECT_EQ(
        ws.QueryText("SELECT State || '/' || Result || '/' || Manager FROM TeamWorkAudit WHERE FileID='SH'"),
        "已完成/未通过/zhangsan");
    EXPECT_EQ(StepState("TeamWorkResult", "SH"), "更改");
    EXPECT_EQ(StepState("TeamWorkResult", "DA"), "评审");
    EXPECT_EQ(levels.ReleaseWaitingResults(kTask), 1);
    EXPECT_EQ(StepState("TeamWorkResult", "DB"), "正式");
    EXPECT_EQ(StepState("TeamWorkResult", "DA"), "评审");
}

TEST_P(ECOAuditLevelTest, StepPositionInAPathText) {
    const CString path = "校对(40,20)|*|审核(40,110)|*|工艺审查(240,110)";
    EXPECT_EQ(levels.GetAuditorIndex(path, "工艺审查[M]"), 2);
    EXPECT_EQ(levels.GetAuditorIndex(path, "批准"), 0);
}

INSTANTIATE_TEST_SUITE_P(Dialects, ECOAuditLevelTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
