// The connection, recordset and command objects on the SQLite product database.
#include "platform/db/Ado.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
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

// Each SQLite connection counts the rows it writes to the tables a reader names (an update only when
// it changes a named column); a rollback, also to a savepoint, changes the epoch; a connection
// opened without the watch answers NULL.
TEST_F(DbConnectionTest, SqliteConnectionsCountTheirOwnWritesToWatchedTables) {
    if (vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "the watch is SQLite's";
    _ConnectionPtr conn = ws.Connect();
    const auto watched = [&conn] {
        const std::string answer =
            conn->Execute("SELECT vq_watched_writes('ECOModifyPart:PartCode,Other3;ECOAuditLevel') FROM "
                          "sqlite_master LIMIT 1")
                ->GetCollect(0L)
                .ToString()
                .str();
        const std::size_t dot = answer.rfind('.');
        return std::pair{answer.substr(0, dot), std::stol(answer.substr(dot + 1))};
    };
    const auto [epoch, count] = watched();
    conn->Execute(
        "INSERT INTO ECOModifyPart (ECONo, PartCode, Other3) VALUES ('A', 'P1', '0'), ('A', 'P2', '0')");
    conn->Execute("UPDATE ECOModifyPart SET Result = 'x'");                       // no named column changes
    conn->Execute("UPDATE ECOModifyPart SET Other3 = '0' WHERE PartCode = 'P1'"); // the same value
    conn->Execute("INSERT INTO GroupInformation (GroupName) VALUES ('g1')");      // not watched
    EXPECT_EQ(watched(), std::pair(epoch, count + 2));
    conn->Execute("UPDATE ECOModifyPart SET Other3 = '1' WHERE PartCode = 'P1'");
    conn->Execute("UPDATE ECOModifyPart SET PartCode = 'p2' WHERE PartCode = 'P2'"); // case counts
    conn->Execute("DELETE FROM ECOModifyPart"); // every row, each counted
    conn->Execute("INSERT INTO ECOAuditLevel (ECOTaskNo, FileID) VALUES ('T', 'F')");
    conn->Execute("UPDATE ECOAuditLevel SET CurrentAuditLevel = CurrentAuditLevel"); // every row counts
    EXPECT_EQ(watched(), std::pair(epoch, count + 2 + 2 + 2 + 1 + 1));
    // Another connection's commit is not counted as this one's rows, but changes the answer; so do
    // an own change of the schema that may take rows or move columns, not an index.
    ws.Execute("INSERT INTO ECOAuditLevel (ECOTaskNo, FileID) VALUES ('T', 'G')");
    const auto seen = watched();
    EXPECT_NE(seen.first, epoch);
    EXPECT_EQ(seen.second, count + 8);
    EXPECT_EQ(watched(), seen);
    conn->Execute("CREATE INDEX IX_Watch_Test ON ECOModifyPart (Result)");
    EXPECT_EQ(watched(), seen);
    conn->Execute("CREATE TABLE WatchTest (a)");
    EXPECT_NE(watched().first, seen.first);

    for (const char* undo : {"ROLLBACK", "ROLLBACK TO s"}) {
        const auto before = watched();
        conn->Execute("BEGIN");
        conn->Execute("SAVEPOINT s");
        conn->Execute("DELETE FROM ECOAuditLevel");
        conn->Execute(undo);
        if (std::string(undo) != "ROLLBACK")
            conn->Execute("COMMIT");
        const auto after = watched();
        EXPECT_NE(after.first, before.first) << undo;
        EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM ECOAuditLevel"), "2") << undo;
    }

    _ConnectionPtr plain = ws.ConnectWithoutWriteWatch();
    EXPECT_TRUE(plain->Execute("SELECT vq_watched_writes('ECOAuditLevel')")->GetCollect(0L).IsNull());
}

// A lock asked with the next statement (PostgreSQL: in that statement's round trip) is held before
// the statement runs and until the transaction ends; the statement gives its own result, a prepared
// one as well, and it is the statement that fails when the lock cannot be had. A transaction that
// ends before any statement has taken no lock.
TEST_F(DbConnectionTest, ALockAskedWithTheNextStatementHoldsFromThatStatementOn) {
    _ConnectionPtr conn = ws.Connect();
    _ConnectionPtr other = ws.Connect();
    conn->Execute("INSERT INTO GroupInformation (GroupName) VALUES ('g1'), ('g2')");
    const auto lockedByOther = [&] {
        other->SetLockWait(100);
        other->BeginTrans();
        bool locked = false;
        try {
            other->LockUntilTransactionEnds("GROUPS");
        } catch (const _com_error&) {
            locked = true;
        }
        other->RollbackTrans();
        return locked;
    };
    const bool server = conn->GetEngine() == vq::db::Engine::PostgreSQL;
    const auto quietly = [](const std::function<void()>& step) {
        try {
            step();
        } catch (const _com_error& e) {
            ADD_FAILURE() << e.Description().str();
        }
    };

    quietly([&] {
        conn->BeginTrans();
        conn->LockUntilTransactionEnds("GROUPS", true);
        long affected = -1;
        conn->Execute("UPDATE GroupInformation SET GroupName = GroupName", &affected);
        EXPECT_EQ(affected, 2);
        EXPECT_EQ(conn->Execute("SELECT count(*) FROM GroupInformation")->GetCollect(0L).ToLong(), 2);
        if (server) {
            EXPECT_TRUE(lockedByOther());
        }
        conn->CommitTrans();
    });
    EXPECT_FALSE(server && lockedByOther()) << "released with the transaction";

    // A prepared statement next: the lock is asked on its own before it.
    quietly([&] {
        conn->BeginTrans();
        conn->LockUntilTransactionEnds("GROUPS", true);
        _CommandPtr count;
        count.CreateInstance();
        count->PutActiveConnection(conn);
        count->PutCommandText("SELECT count(*) FROM GroupInformation WHERE GroupName = ?");
        count->PutCommandType(adCmdText);
        count->PutPrepared(true);
        count->GetParameters()->Append(count->CreateParameter("", adBSTR, adParamInput, 0, _variant_t("g2")));
        EXPECT_EQ(count->Execute(nullptr, nullptr, adCmdText)->GetCollect(0L).ToLong(), 1);
        if (server) {
            EXPECT_TRUE(lockedByOther());
        }
        conn->RollbackTrans();
    });

    // Nothing ran under it: no lock was taken, and nothing is left to take.
    quietly([&] {
        conn->BeginTrans();
        conn->LockUntilTransactionEnds("GROUPS", true);
        conn->CommitTrans();
    });
    EXPECT_FALSE(lockedByOther());

    if (!server)
        return; // SQLite takes its write lock at once
    // Held elsewhere: the statement waits as long as the lock wait, fails, and changes nothing.
    other->BeginTrans();
    other->LockUntilTransactionEnds("GROUPS");
    conn->SetLockWait(200);
    conn->BeginTrans();
    EXPECT_NO_THROW(conn->LockUntilTransactionEnds("GROUPS", true));
    try {
        conn->Execute("UPDATE GroupInformation SET GroupName = 'changed'");
        ADD_FAILURE() << "the statement ran without the lock";
    } catch (const _com_error& e) {
        CString text = e.Description();
        text.MakeLower();
        EXPECT_NE(text.Find("lock timeout"), -1) << text.str();
    }
    conn->RollbackTrans();
    other->RollbackTrans();
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM GroupInformation WHERE GroupName = 'changed'"), "0");
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
