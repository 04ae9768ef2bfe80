// The connection, recordset and command objects on the SQLite product database.
#include "platform/db/Ado.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

namespace {

class DbConnectionTest : public ::testing::Test {
protected:
    vqtest::DbWorkspace ws;
};

TEST_F(DbConnectionTest, TextRoundTripsAsUtf8) {
    _ConnectionPtr conn = ws.Connect();
    conn->Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhang', '张三')");
    _RecordsetPtr rs;
    rs.CreateInstance();
    rs->Open("SELECT UserName, count(*) FROM UserInformation WHERE UserLogName='ZHANG' GROUP BY UserName",
             conn, adOpenStatic, adLockReadOnly, adCmdText);
    ASSERT_FALSE(rs->IsEOF());
    EXPECT_EQ(rs->GetCollect("username").ToString(), "张三");
    EXPECT_EQ(rs->GetCollect(1L).ToLong(), 1);
}

TEST_F(DbConnectionTest, SqliteDatabasesUseWriteAheadLogging) {
    if (vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "the product database is on a PostgreSQL server";
    _ConnectionPtr conn = ws.Connect();
    EXPECT_EQ(conn->GetEngine(), vq::db::Engine::SQLite);
    EXPECT_EQ(conn->Execute("PRAGMA journal_mode")->GetCollect(0L).ToString().CompareNoCase("wal"), 0);
    // A second connection sees what the first committed while the first stays open.
    conn->Execute("INSERT INTO GroupInformation (GroupName) VALUES ('g1')");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM GroupInformation"), "1");
}

TEST(DbWorkspaceTest, SecondWorkspaceUsesItsOwnDatabase) {
    {
        vqtest::DbWorkspace first;
        first.Execute("INSERT INTO GroupInformation (GroupName) VALUES ('g1')");
        EXPECT_EQ(first.Connect()->Execute("SELECT count(*) FROM GroupInformation")->GetCollect(0L).ToLong(),
                  1);
    }
    vqtest::DbWorkspace second;
    EXPECT_EQ(second.Connect()->Execute("SELECT count(*) FROM GroupInformation")->GetCollect(0L).ToLong(), 0);
}

} // namespace
