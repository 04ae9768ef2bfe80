// The connection, recordset and command objects on the SQLite product database.
#include "platform/db/Ado.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

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

// A commit the database refuses (here a deferred foreign key) ends the transaction: nothing of it
// stays, its locks are gone, the reports kept for its end run before the error reaches the
// caller, and the connection goes on without a rollback of the caller's.
TEST_F(DbConnectionTest, ARefusedCommitEndsTheTransaction) {
    _ConnectionPtr conn = ws.Connect();
    if (conn->GetEngine() == vq::db::Engine::SQLite)
        conn->Execute("PRAGMA foreign_keys=ON");
    conn->Execute("CREATE TABLE VqParent (Id INTEGER PRIMARY KEY)");
    conn->Execute(
        "CREATE TABLE VqChild (ParentId INTEGER REFERENCES VqParent (Id) DEFERRABLE INITIALLY DEFERRED)");
    std::vector<std::string> order;
    conn->BeginTrans();
    conn->Execute("INSERT INTO GroupInformation (GroupName) VALUES ('kept')");
    conn->Execute("INSERT INTO VqChild (ParentId) VALUES (7)");
    conn->AfterTransaction([&] { order.push_back("kept report"); });
    EXPECT_TRUE(order.empty());
    try {
        conn->CommitTrans();
        ADD_FAILURE() << "the commit was not refused";
    } catch (const _com_error& e) {
        order.push_back("error");
        CString refused = e.Description();
        refused.MakeLower();
        EXPECT_NE(refused.Find("foreign key"), -1) << refused.str();
    }
    EXPECT_EQ(order, (std::vector<std::string>{"kept report", "error"}));
    EXPECT_FALSE(conn->InTransaction());
    EXPECT_TRUE(ws.WritesAtOnce("INSERT INTO GroupInformation (GroupName) VALUES ('other client')"));
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM GroupInformation WHERE GroupName='kept'"), "0");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM VqChild"), "0");
    // Statements commit on their own again; a new transaction can begin.
    conn->Execute("INSERT INTO VqParent (Id) VALUES (7)");
    conn->BeginTrans();
    conn->Execute("INSERT INTO VqChild (ParentId) VALUES (7)");
    conn->CommitTrans();
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM VqChild"), "1");
    EXPECT_THROW(conn->RollbackTrans(), _com_error) << "no transaction is left open";
}

// A connection opened again in place that cannot be opened (its database gone, its server away)
// fails every use as a lost connection does (SQLSTATE 08003), the connection itself, its
// recordsets and commands alike, until it is opened again; one closed by its program does not.
TEST_F(DbConnectionTest, AConnectionThatCannotBeOpenedAgainStaysLost) {
    if (vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "the database file is moved away";
    _ConnectionPtr conn = ws.Connect();
    conn->Execute("INSERT INTO GroupInformation (GroupName) VALUES ('g1')");
    const std::string file = ws.ProductDatabasePath().str();
    ASSERT_EQ(std::rename(file.c_str(), (file + ".away").c_str()), 0);
    EXPECT_THROW(conn->Reopen(), _com_error);
    ASSERT_EQ(std::rename((file + ".away").c_str(), file.c_str()), 0);
    EXPECT_TRUE(conn->IsLost());
    EXPECT_EQ(conn->GetState(), adStateClosed);
    auto stateOf = [](auto use) {
        try {
            use();
        } catch (const _com_error& e) {
            return e.Source();
        }
        return CString("no error");
    };
    EXPECT_EQ(stateOf([&] { conn->Execute("SELECT 1"); }), "08003");
    EXPECT_EQ(stateOf([&] { conn->BeginTrans(); }), "08003");
    EXPECT_EQ(stateOf([&] {
                  _RecordsetPtr rs;
                  rs.CreateInstance();
                  rs->Open("SELECT 1", conn, adOpenStatic, adLockReadOnly, adCmdText);
              }),
              "08003");
    EXPECT_EQ(stateOf([&] {
                  _CommandPtr cmd;
                  cmd.CreateInstance();
                  cmd->PutActiveConnection(conn);
                  cmd->PutCommandText("SELECT 1");
                  cmd->Execute(nullptr, nullptr, adCmdText);
              }),
              "08003");
    conn->Reopen();
    EXPECT_FALSE(conn->IsLost());
    EXPECT_EQ(conn->Execute("SELECT count(*) FROM GroupInformation")->GetCollect(0L).ToLong(), 1);
    conn->Close();
    EXPECT_FALSE(conn->IsLost());
    EXPECT_EQ(stateOf([&] { conn->Execute("SELECT 1"); }), "");
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
