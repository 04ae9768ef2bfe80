// The review levels of the documents of a change task in both dialects.
#include "teamwork/ECOAuditLevel.h"
#include "core/VqDesignTaskApp.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

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

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::MessageBoxRecorder rec;
    CECOAuditLevel levels;
};

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
