// The connection, recordset and command objects on the SQLite product database.
#include "platform/db/Ado.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <langinfo.h>
#include <optional>
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

// --- Text whatever the locale of the process --------------------------------------------------

// The process in the locale zh_CN.GB18030 (LC_ALL, in the environment and set) while the object
// lives. When the system lacks it, it is taken from the folder that LOCPATH names or else made
// there with localedef; Reason() says why the process could not take it.
class Gb18030Locale {
public:
    explicit Gb18030Locale(const std::string& folder) {
        const char* all = std::getenv("LC_ALL");
        const char* path = std::getenv("LOCPATH");
        m_oldAll = all ? std::optional<std::string>(all) : std::nullopt;
        m_oldPath = path ? std::optional<std::string>(path) : std::nullopt;
        m_oldLocale = std::setlocale(LC_ALL, nullptr);
        setenv("LC_ALL", kName, 1);
        if (!std::setlocale(LC_ALL, kName) && !(path && *path)) {
            const std::string command =
                "localedef -i zh_CN -f GB18030 '" + folder + "/" + kName + "' >/dev/null 2>&1";
            [[maybe_unused]] const int status = std::system(command.c_str());
            setenv("LOCPATH", folder.c_str(), 1);
            std::setlocale(LC_ALL, kName);
        }
        const char* codeset = nl_langinfo(CODESET);
        if (std::string(codeset ? codeset : "") != "GB18030")
            m_reason =
                std::string("the locale ") + kName + " is not installed and localedef could not make it";
    }
    ~Gb18030Locale() {
        Restore("LC_ALL", m_oldAll);
        Restore("LOCPATH", m_oldPath);
        std::setlocale(LC_ALL, m_oldLocale.c_str());
    }
    const std::string& Reason() const { return m_reason; }

private:
    static constexpr const char* kName = "zh_CN.GB18030";
    static void Restore(const char* name, const std::optional<std::string>& value) {
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    std::optional<std::string> m_oldAll, m_oldPath;
    std::string m_oldLocale;
    std::string m_reason;
};

CString Show(const _ConnectionPtr& conn, const char* setting) {
    return conn->Execute(CString("SHOW ") + setting)->GetCollect(0L).ToString();
}

// A process in zh_CN.GB18030 writes and reads Chinese text as UTF-8: in a statement's text, beside
// quotes and parameter markers that a reader of GB18030 would take for the second byte of a
// character, and as bound values. On PostgreSQL the session is UTF-8 from its start, and again
// after the server ended it and the connection was opened anew; statements the connection text or
// the data source set to run at the start still run.
TEST_F(DbConnectionTest, ChineseTextRoundTripsInAGb18030Locale) {
    Gb18030Locale locale(ws.Root().str());
    if (!locale.Reason().empty())
        GTEST_SKIP() << locale.Reason();
    const auto writeAndRead = [&](const _ConnectionPtr& conn, const CString& login) {
        conn->Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('" + login + "', '评审')");
        _CommandPtr cmd;
        cmd.CreateInstance();
        cmd->PutActiveConnection(conn);
        cmd->PutCommandText("UPDATE UserInformation SET UserName = '该评审' || ? WHERE UserLogName = ?");
        cmd->GetParameters()->Append(
            cmd->CreateParameter("", adVarChar, adParamInput, 50, _variant_t("任务")));
        cmd->GetParameters()->Append(
            cmd->CreateParameter("", adVarChar, adParamInput, 50, _variant_t(login)));
        cmd->Execute(nullptr, nullptr, adCmdText);
        _RecordsetPtr rs =
            conn->Execute("SELECT UserName FROM UserInformation WHERE UserLogName = '" + login + "'");
        EXPECT_FALSE(rs->IsEOF());
        return rs->IsEOF() ? CString() : rs->GetCollect(0L).ToString();
    };
    _ConnectionPtr conn = ws.Connect();
    EXPECT_EQ(writeAndRead(conn, "张三"), "该评审任务");
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        return;
    EXPECT_EQ(Show(conn, "client_encoding"), "UTF8");
    ws.EndSession(conn);
    conn->Reopen();
    EXPECT_EQ(Show(conn, "client_encoding"), "UTF8");
    EXPECT_EQ(writeAndRead(conn, "李四"), "该评审任务");

    _ConnectionPtr given;
    given.CreateInstance();
    given->Open("DSN=vqdetail;UID=sa;PWD=;ConnSettings={SET application_name TO 'vq given'}");
    EXPECT_EQ(Show(given, "application_name"), "vq given");
    EXPECT_EQ(Show(given, "client_encoding"), "UTF8");
    given->Close();
    // A data source of another name: the driver manager keeps what it read of one it has opened.
    const CString odbcIni(std::getenv("ODBCINI"));
    const std::string dsn = ws.ReadFile(odbcIni);
    std::string source = dsn.substr(dsn.find('\n'));
    ws.WriteFile(odbcIni,
                 dsn + "[vqsource]" + source + "ConnSettings=SET+application_name+TO+%27vq+source%27\n");
    _ConnectionPtr sourced;
    sourced.CreateInstance();
    sourced->Open("DSN=vqsource;UID=sa;PWD=");
    ws.WriteFile(odbcIni, dsn);
    EXPECT_EQ(Show(sourced, "application_name"), "vq source");
    EXPECT_EQ(Show(sourced, "client_encoding"), "UTF8");
    EXPECT_EQ(writeAndRead(sourced, "王五"), "该评审任务");
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
