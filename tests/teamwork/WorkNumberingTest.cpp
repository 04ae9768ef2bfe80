// The numbering of work tasks and the part result documents, in both dialects: the smallest free
// number below a parent, three digits and more, sub-works, literal prefixes; the latest document
// of each drawing page.
#include "projects/WorkNumbering.h"
#include "core/VqDesignTaskApp.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

namespace {

class WorkNumberingTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        conn = ws.Connect();
        theApp.m_pConnPDM = conn;
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
    }
    void AddWorks(std::initializer_list<const char*> ids) {
        for (const char* id : ids) {
            CString sql;
            sql.Format("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID) VALUES ('T1', 'T1', '%s')", id);
            ws.Execute(sql);
        }
    }

    vqtest::DbWorkspace ws{GetParam()};
    _ConnectionPtr conn;
};

} // namespace

TEST(FormatSerialNo3Test, PadsToThreeDigitsAndKeepsLongerNumbers) {
    EXPECT_EQ(FormatSerialNo3(1), "001");
    EXPECT_EQ(FormatSerialNo3(42), "042");
    EXPECT_EQ(FormatSerialNo3(999), "999");
    EXPECT_EQ(FormatSerialNo3(1000), "1000");
}

TEST_P(WorkNumberingTest, TheSmallestFreeNumberBelowTheParent) {
    EXPECT_EQ(MakeNewWorkID(conn, "T1", 1), "T1#001");
    // A sub-work counts as the number of its first-level ancestor; the gap 2 is filled first.
    AddWorks({"T1#001", "T1#003", "T1#003#001", "T1#004#001"});
    EXPECT_EQ(MakeNewWorkID(conn, "T1", 1), "T1#002");
    AddWorks({"T1#002"});
    EXPECT_EQ(MakeNewWorkID(conn, "T1", 0), "T1#005");
    // Below a work task group the group's id is the prefix.
    EXPECT_EQ(MakeNewWorkID(conn, "T1#003", 1), "T1#003#002");
    EXPECT_EQ(MakeNewWorkID(conn, "t1#004", 1), "t1#004#002");
}

// Ids that differ only in letter case, in any script, are one id on both engines: a work stored
// below a task's number written in another case takes its number, and the id counts as stored.
TEST_P(WorkNumberingTest, AnIdThatDiffersOnlyInCaseIsTheSameId) {
    const std::pair<const char*, const char*> twins[] = {{"T1", "t1"},
                                                         {"ΣM-05", "σm-05"},
                                                         {"ＸＭ-06", "ｘｍ-06"},
                                                         {"ЖM-07", "жm-07"},
                                                         {"\xE2\x84\xAA-08", "k-08"}};
    for (const auto& [task, stored] : twins) {
        SCOPED_TRACE(std::string(task) + " beside " + stored);
        ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID) VALUES ('" + CString(stored) +
                   "', '" + stored + "', '" + stored + "#001'), ('" + stored + "', '" + stored + "#001', '" +
                   stored + "#001#001')");
        EXPECT_EQ(MakeNewWorkID(conn, task, 1), CString(task) + "#002");
        EXPECT_EQ(MakeNewWorkID(conn, CString(task) + "#001", 1), CString(task) + "#001#002");
        EXPECT_TRUE(IsWorkIDStored(conn, CString(task) + "#001", 1));
        EXPECT_FALSE(IsWorkIDStored(conn, CString(task) + "#002", 1));
    }
}

TEST_P(WorkNumberingTest, AfterNineHundredNinetyNineTheNumbersGrowLonger) {
    CString values;
    for (int i = 1; i <= 999; ++i) {
        CString row;
        row.Format("%s('T1', 'T1', 'T1#%s')", i == 1 ? "" : ",", FormatSerialNo3(i));
        values += row;
    }
    ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID) VALUES " + values);
    EXPECT_EQ(MakeNewWorkID(conn, "T1", 1), "T1#1000");
    ws.Execute("DELETE FROM TeamWorkManage WHERE WorkID='T1#500'");
    EXPECT_EQ(MakeNewWorkID(conn, "T1", 1), "T1#500");
}

TEST_P(WorkNumberingTest, OtherIdsUnderThePrefixDoNotBlockNumbers) {
    // A suffix without digits counts as 0; an id equal to the prefix does not count.
    AddWorks({"T1#abc", "T1#", "T1#0"});
    EXPECT_EQ(MakeNewWorkID(conn, "T1", 1), "T1#001");
    // The parent's id is taken literally: "A_" is not a pattern for "AB".
    ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID) VALUES ('AB', 'AB', 'AB#001'), "
               "('A%', 'A%', 'A%#001')");
    EXPECT_EQ(MakeNewWorkID(conn, "A_", 1), "A_#001");
    EXPECT_EQ(MakeNewWorkID(conn, "A%", 1), "A%#002");
    EXPECT_EQ(MakeNewWorkID(conn, "O'Brien", 1), "O'Brien#001");
}

TEST_P(WorkNumberingTest, TheWorkIdIsAUniqueKey) {
    AddWorks({"T1#001"});
    EXPECT_TRUE(IsWorkIDStored(conn, "t1#001", 1));
    EXPECT_FALSE(IsWorkIDStored(conn, "T1#002", 1));
    EXPECT_THROW(
        conn->Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID) VALUES ('T1', 'T1', 'T1#001')"),
        _com_error);
}

TEST_P(WorkNumberingTest, ADatabaseErrorGivesNoId) {
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("");
    ws.Execute("DROP TABLE TeamWorkManage");
    EXPECT_EQ(MakeNewWorkID(conn, "T1", 1), "");
    EXPECT_EQ(boxes.Pending(), 0);
}

TEST_P(WorkNumberingTest, PartResultFilesKeepTheLatestDocumentOfEachPage) {
    ws.Execute(
        "INSERT INTO TeamWorkResult (FileID, WorkID, SaveDate) VALUES "
        "('F1', 'W', '2026-03-01 10:00'), ('F2', 'W', '2026-04-01 10:00'), ('F3', 'W', '2026-02-01 10:00'),"
        "('F4', 'W', '2026-05-01 10:00'), ('F5', 'W', '2026-05-01 10:00'), ('F6', 'W', '2026-01-01 10:00'),"
        "('F''7', 'W', '2026-01-01 10:00')");
    ws.Execute("INSERT INTO TeamWorkPartResult (PartCode, FileID, PageNum, PageCount) VALUES "
               "('P1', 'F1', '1', '2'), ('P1', 'F2', '1', '2'), ('P1', 'F3', '2', '2'),"
               "('P2', 'F4', '1', '1'), ('P2', 'F5', '1', '1'),"
               "('P3', 'F6', '01', '1'), ('P3', 'F''7', '1', '1')");
    EXPECT_EQ(theApp.GetPartResultFiles("P1"), "'F2','F3'");
    // Equal dates: the row read later stays.
    const CString p2 = theApp.GetPartResultFiles("P2");
    EXPECT_TRUE(p2 == "'F5'" || p2 == "'F4'") << p2.c_str();
    // Pages compare as text; every id is a valid SQL literal.
    EXPECT_EQ(theApp.GetPartResultFiles("P3"), "'F6','F''7'");
    EXPECT_EQ(theApp.GetPartResultFiles("P9"), "''");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkResult WHERE FileID IN (" +
                           theApp.GetPartResultFiles("P3") + ")"),
              "2");
}

TEST_P(WorkNumberingTest, PartResultFilesAfterADatabaseError) {
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("");
    boxes.Expect("TeamWorkPartResult");
    ws.Execute("DROP TABLE TeamWorkPartResult");
    EXPECT_EQ(theApp.GetPartResultFiles("P1"), "''");
    EXPECT_EQ(boxes.Pending(), 0);
}

INSTANTIATE_TEST_SUITE_P(Dialects, WorkNumberingTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
