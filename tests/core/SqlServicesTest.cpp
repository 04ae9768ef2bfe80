// The application object's SQL services, error reporting and value text, in both dialects.
#include "core/ComError.h"
#include "core/SqlTransaction.h"
#include "core/VqConnectHolder.h"
#include "core/VqDesignTaskApp.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <ctime>
#include <regex>

namespace {

constexpr const char* kStatementBox = "执行出错的SQL语句,(请检查表、字段是否存在，或字段类型是否匹配)：\n";

class SqlServicesTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 0;
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        EXPECT_EQ(rec.Pending(), 0) << "an expected message box was not shown";
    }
    vqtest::DbWorkspace ws{GetParam()};
    vqtest::MessageBoxRecorder rec;
};

TEST_P(SqlServicesTest, GetSqlIntCountsAndGivesZeroWithoutARow) {
    EXPECT_EQ(theApp.GetSqlInt("SELECT count(*) FROM UserInformation"), 0);
    ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('u1', 'One');"
               "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('u2', 'Two');");
    EXPECT_EQ(theApp.GetSqlInt("SELECT count(*) FROM UserInformation"), 2);
    EXPECT_EQ(theApp.GetSqlInt("SELECT UserName FROM UserInformation WHERE UserLogName='nobody'"), 0);
    // A value that is not a number counts as 0.
    EXPECT_EQ(theApp.GetSqlInt("SELECT UserName FROM UserInformation WHERE UserLogName='u1'"), 0);
    EXPECT_TRUE(rec.Shown().empty());
}

TEST_P(SqlServicesTest, FailingQueryShowsTheDatabasesMessage) {
    rec.Expect("NoSuchTable");
    EXPECT_EQ(theApp.GetSqlInt("SELECT count(*) FROM NoSuchTable"), 0);
    rec.Expect("NoSuchTable");
    EXPECT_EQ(theApp.GetSqlString("SELECT Name FROM NoSuchTable"), "");
}

TEST_P(SqlServicesTest, ServicesWithoutAConnectionReportInsteadOfCrashing) {
    theApp.m_pConnPDM = nullptr;
    rec.Expect("");
    EXPECT_EQ(theApp.GetSqlInt("SELECT 1"), 0);
    rec.Expect("");
    rec.Expect(kStatementBox);
    EXPECT_EQ(theApp.ExecuteSql("DELETE FROM MessageManage"), 0);
}

TEST_P(SqlServicesTest, GetSqlStringTrimsTheValue) {
    ws.Execute("CREATE TABLE Fixed (Code CHAR(10)); INSERT INTO Fixed VALUES ('AB12      ');");
    EXPECT_EQ(theApp.GetSqlString("SELECT Code FROM Fixed"), "AB12");
    EXPECT_EQ(theApp.GetSqlString("SELECT Code FROM Fixed WHERE 1=0"), "");
}

TEST_P(SqlServicesTest, ExecuteSqlStoresAQuotedValueUnchanged) {
    CString text = "It's \"done\"; 100% \\ ok";
    CString sql;
    sql.Format(
        "INSERT INTO MessageManage (Sender, Reseiver, Content, ReadFlag) VALUES('系统', 'u1', '%s', 'N')",
        SqlQuote(text));
    EXPECT_EQ(theApp.ExecuteSql(sql), 1);
    EXPECT_EQ(ws.QueryText("SELECT Content FROM MessageManage"), text);
}

TEST_P(SqlServicesTest, FailingStatementShowsTwoBoxesTheSecondEndingWithTheStatement) {
    ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('u1', 'One')");
    CString sql = "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('u1', 'Again')";
    rec.Expect("");
    rec.Expect(kStatementBox);
    EXPECT_EQ(theApp.ExecuteSql(sql), 0);
    ASSERT_EQ(rec.Shown().size(), 2u);
    EXPECT_FALSE(rec.Shown()[0].text.IsEmpty());
    EXPECT_EQ(rec.Shown()[1].text, kStatementBox + sql);
    EXPECT_EQ(ws.QueryText("SELECT UserName FROM UserInformation"), "One");
}

// A failure inside the caller's transaction is told once the transaction has ended, whether it
// is rolled back or committed: a box shown while the transaction holds its locks keeps every
// other client waiting (on SQLite the whole database) until the person answers it.
TEST_P(SqlServicesTest, BoxesOfAFailureInsideATransactionWaitForItsEnd) {
    ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('u1', 'One')");
    const CString duplicate = "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('u1', 'Again')";
    bool shownInTransaction = false;
    auto noteTransaction = [&] { shownInTransaction |= theApp.m_pConnPDM->InTransaction(); };
    rec.Expect("", IDOK, noteTransaction);
    rec.Expect(kStatementBox, IDOK, noteTransaction);
    {
        CSqlTransaction transaction;
        ASSERT_TRUE(transaction.IsActive());
        EXPECT_EQ(theApp.ExecuteSql(duplicate), 0);
        EXPECT_TRUE(rec.Shown().empty()) << rec.Shown()[0].text.str();
    }
    ASSERT_EQ(rec.Shown().size(), 2u) << "shown once the transaction was rolled back";
    EXPECT_EQ(rec.Shown()[1].text, kStatementBox + duplicate);

    // A commit after the failure shows the kept box before anything the caller says next.
    rec.Expect("NoSuchTable", IDOK, noteTransaction);
    theApp.m_pConnPDM->BeginTrans();
    EXPECT_EQ(theApp.GetSqlString("SELECT Name FROM NoSuchTable"), "");
    EXPECT_EQ(rec.Shown().size(), 2u);
    theApp.m_pConnPDM->CommitTrans();
    EXPECT_EQ(rec.Shown().size(), 3u);
    EXPECT_FALSE(shownInTransaction);

    // A box the caller shows inside its transaction comes after the kept one, never before it.
    rec.Expect("NoSuchTable");
    rec.Expect("未能保存");
    theApp.m_pConnPDM->BeginTrans();
    EXPECT_EQ(theApp.GetSqlInt("SELECT count(*) FROM NoSuchTable"), 0);
    AfxMessageBox("未能保存");
    theApp.m_pConnPDM->RollbackTrans();
    ASSERT_EQ(rec.Shown().size(), 5u);
    EXPECT_EQ(rec.Shown()[4].text, "未能保存");
    rec.Clear();

    // Outside a transaction nothing waits.
    rec.Expect("NoSuchTable");
    EXPECT_EQ(theApp.GetSqlInt("SELECT count(*) FROM NoSuchTable"), 0);
    EXPECT_EQ(rec.Shown().size(), 1u);
}

// A commit the database refuses ends the transaction: what was kept for its end is shown, then the
// commit's own error, at once and once, whether the caller rolls back afterwards or not, and the
// next statement works (no transaction is left holding the window's later messages).
TEST_P(SqlServicesTest, ARefusedCommitIsToldAtOnceAndEndsTheTransaction) {
    _ConnectionPtr conn = theApp.m_pConnPDM;
    if (conn->GetEngine() == vq::db::Engine::SQLite)
        conn->Execute("PRAGMA foreign_keys=ON");
    ws.Execute(
        "CREATE TABLE VqParent (Id INTEGER PRIMARY KEY);"
        "CREATE TABLE VqChild (ParentId INTEGER REFERENCES VqParent (Id) DEFERRABLE INITIALLY DEFERRED)");
    rec.Expect("NoSuchTable");
    rec.Expect("");
    {
        CSqlTransaction transaction;
        ASSERT_TRUE(transaction.IsActive());
        EXPECT_EQ(theApp.GetSqlString("SELECT Name FROM NoSuchTable"), "");
        EXPECT_EQ(theApp.ExecuteSql("INSERT INTO VqChild (ParentId) VALUES (7)"), 1);
        EXPECT_TRUE(rec.Shown().empty());
        EXPECT_FALSE(transaction.Commit());
        ASSERT_EQ(rec.Shown().size(), 2u);
        CString refused = rec.Shown()[1].text;
        refused.MakeLower();
        EXPECT_NE(refused.Find("foreign key"), -1) << refused.str();
    }
    EXPECT_FALSE(conn->InTransaction());
    // A caller that only reports the refused commit (no rollback) leaves nothing open either.
    conn->BeginTrans();
    EXPECT_EQ(theApp.ExecuteSql("INSERT INTO VqChild (ParentId) VALUES (8)"), 1);
    rec.Expect("");
    try {
        conn->CommitTrans();
        ADD_FAILURE() << "the commit was not refused";
    } catch (_com_error& e) {
        ReportComError(e);
    }
    EXPECT_EQ(rec.Shown().size(), 3u);
    EXPECT_FALSE(conn->InTransaction());
    rec.Expect("NoSuchTable");
    EXPECT_EQ(theApp.GetSqlInt("SELECT count(*) FROM NoSuchTable"), 0);
    EXPECT_EQ(rec.Shown().size(), 4u) << "the next failure is told at once";
    rec.Clear();
    EXPECT_EQ(theApp.ExecuteSql("INSERT INTO VqParent (Id) VALUES (7)"), 1);
    EXPECT_EQ(theApp.GetSqlInt("SELECT count(*) FROM VqChild"), 0);
    EXPECT_TRUE(ws.WritesAtOnce("INSERT INTO VqParent (Id) VALUES (8)"));
    EXPECT_TRUE(rec.Shown().empty());
}

// A session the server ends inside a transaction: the loss is told at once (a lost session holds
// no locks to keep others waiting), after what was kept and before anything else, once for every
// statement after it and the commit, and the connection is opened again for the next action.
TEST_P(SqlServicesTest, ASessionLostInsideATransactionIsToldAtOnceAndOnce) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "needs the PostgreSQL server";
    const CString lost = DbFailureText(DbFailure::ConnectionLost);
    _ConnectionPtr conn = theApp.m_pConnPDM;
    theApp.m_bConnectionLost = FALSE;
    conn->BeginTrans();
    rec.Expect("NoSuchTable");
    rec.Expect(lost);
    EXPECT_EQ(theApp.GetSqlString("SELECT Name FROM NoSuchTable"), "");
    ws.EndSession(conn);
    EXPECT_EQ(theApp.ExecuteSql("INSERT INTO GroupInformation (GroupName) VALUES ('g1')"), 0);
    ASSERT_EQ(rec.Shown().size(), 2u) << "told while the transaction is still open";
    EXPECT_EQ(rec.Shown()[1].text, lost);
    EXPECT_TRUE(conn->InTransaction());
    EXPECT_EQ(theApp.GetSqlInt("SELECT count(*) FROM GroupInformation"), 0);
    try {
        conn->CommitTrans();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    EXPECT_FALSE(conn->InTransaction());
    EXPECT_EQ(rec.Shown().size(), 2u);
    EXPECT_TRUE(theApp.m_bConnectionLost);

    EXPECT_TRUE(CVqConnectHolder::ReopenReportedLoss());
    EXPECT_FALSE(theApp.m_bConnectionLost);
    EXPECT_EQ(theApp.ExecuteSql("INSERT INTO GroupInformation (GroupName) VALUES ('g1')"), 1);
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM GroupInformation"), "1");
    EXPECT_EQ(rec.Shown().size(), 2u);
}

// The server stays away when the connection is to be opened again: every use of the connection
// says in the system's words that it is lost, once, neither the data layer's own texts nor the
// statement; once the server is back, the connection is opened again.
TEST_P(SqlServicesTest, AConnectionThatCannotBeOpenedAgainIsToldAsLost) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "needs the PostgreSQL server";
    const CString lost = DbFailureText(DbFailure::ConnectionLost);
    theApp.m_bConnectionLost = FALSE;
    ws.EndSession(theApp.m_pConnPDM);
    ws.AllowNewSessions(false);
    rec.Expect(lost);
    EXPECT_EQ(theApp.GetSqlInt("SELECT count(*) FROM GroupInformation"), 0);
    EXPECT_FALSE(CVqConnectHolder::ReopenReportedLoss());
    EXPECT_TRUE(theApp.m_pConnPDM->IsLost());
    // The next action, told anew (as before every action whose reopening failed).
    theApp.m_bConnectionLost = FALSE;
    rec.Expect(lost);
    EXPECT_EQ(theApp.ExecuteSql("INSERT INTO GroupInformation (GroupName) VALUES ('g1')"), 0);
    EXPECT_EQ(theApp.GetSqlString("SELECT GroupName FROM GroupInformation"), "");
    {
        CSqlTransaction transaction;
        EXPECT_FALSE(transaction.IsActive());
    }
    EXPECT_FALSE(ExecuteSqlAsOneUnit(theApp.m_pConnPDM, {"DELETE FROM GroupInformation"}));
    ASSERT_EQ(rec.Shown().size(), 2u);
    for (const auto& box : rec.Shown())
        EXPECT_EQ(box.text, lost);
    ws.AllowNewSessions(true);
    EXPECT_TRUE(CVqConnectHolder::ReopenReportedLoss());
    EXPECT_EQ(theApp.ExecuteSql("INSERT INTO GroupInformation (GroupName) VALUES ('g1')"), 1);
    EXPECT_EQ(rec.Shown().size(), 2u);
}

// What the drivers of both dialects say for a missing column and a database that refuses writes
// is recognised: the box begins with the cause.
TEST_P(SqlServicesTest, MissingColumnAndReadOnlyDatabaseAreNamed) {
    rec.Expect(DbFailureText(DbFailure::SchemaMismatch));
    rec.Expect(kStatementBox);
    EXPECT_EQ(theApp.ExecuteSql("UPDATE UserInformation SET NoSuchColumn='x'"), 0);
    theApp.m_pConnPDM->Execute(vqtest::DbWorkspace::OnPostgreSQL()
                                   ? "SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY"
                                   : "PRAGMA query_only=1");
    rec.Expect(DbFailureText(DbFailure::ReadOnly));
    EXPECT_EQ(theApp.ExecuteSql("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('u1', 'One')"),
              0);
    ASSERT_EQ(rec.Shown().size(), 3u);
    EXPECT_EQ(rec.Shown()[2].text.Find(DbFailureText(DbFailure::ReadOnly)), 0) << rec.Shown()[2].text.str();
    EXPECT_EQ(rec.Shown()[0].text.Find(DbFailureText(DbFailure::SchemaMismatch)), 0)
        << rec.Shown()[0].text.str();
}

TEST_P(SqlServicesTest, ServerClockTextsAreWellFormedAndCurrent) {
    std::time_t now = std::time(nullptr);
    char today[16];
    std::strftime(today, sizeof today, "%Y-%m-%d", std::localtime(&now));
    CString dateTime = theApp.GetServerDateTime();
    CString date = theApp.GetServerDate();
    EXPECT_TRUE(std::regex_match(dateTime.str(), std::regex(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2})")))
        << dateTime.c_str();
    EXPECT_TRUE(std::regex_match(date.str(), std::regex(R"(\d{4}-\d{2}-\d{2})"))) << date.c_str();
    // Around midnight the two readings may straddle the day.
    std::time_t later = std::time(nullptr);
    char todayLater[16];
    std::strftime(todayLater, sizeof todayLater, "%Y-%m-%d", std::localtime(&later));
    EXPECT_TRUE(date == today || date == todayLater) << date.c_str();
    EXPECT_TRUE(dateTime.Left(10) == today || dateTime.Left(10) == todayLater) << dateTime.c_str();
    EXPECT_TRUE(rec.Shown().empty());
}

TEST_P(SqlServicesTest, UserNameByLoginIgnoresCaseAndTrailingBlanks) {
    ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhang', '张三');"
               "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('o''neil', 'O Neil');");
    EXPECT_EQ(theApp.GetUserNameByLogName("ZHANG"), "张三");
    EXPECT_EQ(theApp.GetUserNameByLogName("o'neil"), "O Neil");
    EXPECT_EQ(theApp.GetUserNameByLogName("x' OR '1'='1"), "");
    EXPECT_EQ(theApp.GetUserNameByLogName("nobody"), "");
    EXPECT_TRUE(rec.Shown().empty());
}

TEST_P(SqlServicesTest, RefreshUserNameFillsTheCurrentUsersName) {
    ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('li', '李四')");
    theApp.m_strLoginUser = "li";
    theApp.RefreshUserName();
    EXPECT_EQ(theApp.m_strUserName, "李四");
    theApp.m_strUserName.Empty();
}

TEST_P(SqlServicesTest, CloseModeClosesRecordsetsWithoutChangingResults) {
    theApp.m_nAdoCloseMode = 1;
    ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('u1', 'One')");
    EXPECT_EQ(theApp.GetSqlInt("SELECT count(*) FROM UserInformation"), 1);
    EXPECT_EQ(theApp.GetSqlString("SELECT UserName FROM UserInformation"), "One");
    EXPECT_FALSE(theApp.GetServerDate().IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Dialects, SqlServicesTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

TEST(ComErrorTest, ReportShowsTheDescriptionElseTheCodesText) {
    vqtest::MessageBoxRecorder rec;
    rec.Expect("no such table: X");
    ReportComError(_com_error(E_FAIL, "no such table: X"));
    rec.Expect("Unspecified error");
    ReportComError(_com_error(E_FAIL));
    rec.Expect("IDispatch error #3");
    ReportComError(_com_error(static_cast<HRESULT>(0x80040203u)));
    rec.Expect("Unknown error 0x80001234");
    ReportComError(_com_error(static_cast<HRESULT>(0x80001234u)));
    EXPECT_EQ(rec.Shown().size(), 4u);
    EXPECT_EQ(rec.Shown()[2].text, "IDispatch error #3");
    EXPECT_EQ(rec.Shown()[0].type & MB_TYPEMASK, MB_OK);
}

// A lost connection is said in the system's words, whatever the driver's own text: the person
// is told the same for every database and driver.
TEST(ComErrorTest, ALostConnectionIsReportedInTheSystemsWords) {
    vqtest::MessageBoxRecorder rec;
    const CString lost = DbFailureText(DbFailure::ConnectionLost);
    for (const _com_error& e :
         {_com_error(E_FAIL, "[unixODBC]SQLExecDirect unable due to the connection lost"),
          _com_error(E_FAIL, "server closed the connection unexpectedly", "08006"),
          _com_error(E_FAIL, "communication link failure", "08S01"), vq::db::LostConnectionError()}) {
        theApp.m_bConnectionLost = FALSE;
        rec.Expect(lost);
        ReportComError(e);
        // Remembered wherever it is reported, so that no caller reads the missing answer as a
        // reason; and said once: the failures after it are the same loss.
        EXPECT_TRUE(theApp.m_bConnectionLost);
        ReportComError(e);
    }
    ASSERT_EQ(rec.Shown().size(), 4u);
    for (const auto& box : rec.Shown())
        EXPECT_EQ(box.text, lost);
    // A failing statement on a lost connection: said once, and the statement is not blamed.
    rec.Clear();
    rec.Expect(lost);
    theApp.m_bConnectionLost = FALSE;
    theApp.ReportSqlError(_com_error(E_FAIL, "SQLExecDirect unable due to the connection lost"), "UPDATE X SET A=1");
    EXPECT_EQ(rec.Shown().size(), 1u);
    EXPECT_TRUE(theApp.m_bConnectionLost);
    theApp.m_bConnectionLost = FALSE;
    // A busy database is said in the system's words alone: the driver's text names nothing more.
    for (const char* busy :
         {"[SQLite]database is locked (5)",
          "ERROR: canceling statement due to lock timeout;\nError while executing the query"}) {
        rec.Expect(DbFailureText(DbFailure::Busy));
        ReportComError(_com_error(E_FAIL, busy));
        EXPECT_EQ(rec.Shown().back().text, DbFailureText(DbFailure::Busy)) << busy;
    }
}

// The common causes of a failure are said in the system's words, the driver's own text after
// them, so that the box still names the table, column or value.
TEST(ComErrorTest, CommonCausesComeBeforeTheDriversText) {
    struct Case {
        const char* description;
        const char* state;
        DbFailure failure;
    };
    const Case cases[] = {
        {"[SQLite]attempt to write a readonly database (8)", "HY000", DbFailure::ReadOnly},
        {"ERROR: cannot execute UPDATE in a read-only transaction;\nError while executing the query", "25006",
         DbFailure::ReadOnly},
        {"[SQLite]no such table: ProductStruct (1)", "HY000", DbFailure::SchemaMismatch},
        {"[SQLite]table TeamWorkResult has no column named Remark (1)", "HY000", DbFailure::SchemaMismatch},
        {"ERROR: relation \"NoSuchTable\" does not exist;\nError while executing the query", "42P01",
         DbFailure::SchemaMismatch},
        {"ERROR: column \"Remark\" of relation \"TeamWorkResult\" does not exist", "42703",
         DbFailure::SchemaMismatch},
        {"ERROR: value too long for type character varying(20)", "22001", DbFailure::ValueTooLong},
        {"ERROR: index row size 2720 exceeds btree version 4 maximum 2704 for index \"ix_name\"", "54000",
         DbFailure::ValueTooLong},
        {"[SQLite]file is not a database (26)", "HY000", DbFailure::NotADatabase},
        // A full disk as SQLite says it (a short write, or the database's page limit) and as the
        // server does, with its SQLSTATE or only in its words.
        {"[SQLite]database or disk is full (13)", "HY000", DbFailure::DiskFull},
        {"ERROR: could not extend file \"base/16384/16385\": No space left on device", "53100",
         DbFailure::DiskFull},
        {"ERROR: could not extend file \"base/16384/16385\": No space left on device;\nError while executing "
         "the query",
         "HY000", DbFailure::DiskFull},
        // A write the disk refused (SQLite: a file larger than the process may write).
        {"[SQLite]disk I/O error (10)", "HY000", DbFailure::DiskError},
        {"ERROR: could not write to file \"pg_wal/xlogtemp.123\": Input/output error", "58030",
         DbFailure::DiskError},
        {"ERROR: permission denied for table teamworkaudit", "42501", DbFailure::NoPermission},
    };
    vqtest::MessageBoxRecorder rec;
    for (const Case& c : cases) {
        const _com_error e(E_FAIL, c.description, c.state);
        EXPECT_EQ(ClassifyDbError(e), c.failure) << c.description;
        EXPECT_FALSE(DbFailureText(c.failure).IsEmpty());
        rec.Expect("");
        ReportComError(e);
        EXPECT_EQ(rec.Shown().back().text, DbFailureText(c.failure) + "\n" + c.description);
    }
    // A refused duplicate key is none of them: the driver's text alone.
    const _com_error duplicate(E_FAIL, "[SQLite]UNIQUE constraint failed: UserInformation.UserLogName (19)",
                               "HY000");
    EXPECT_EQ(ClassifyDbError(duplicate), DbFailure::Other);

    // A failing statement: its text follows where tables or fields are the cause, not where the
    // database is busy or read-only.
    rec.Clear();
    rec.Expect(DbFailureText(DbFailure::Busy));
    theApp.ReportSqlError(_com_error(E_FAIL, "[SQLite]database is locked (5)", "HY000"), "UPDATE X SET A=1");
    rec.Expect("no such column");
    rec.Expect(kStatementBox);
    theApp.ReportSqlError(_com_error(E_FAIL, "[SQLite]no such column: A (1)", "HY000"), "UPDATE X SET A=1");
    ASSERT_EQ(rec.Shown().size(), 3u);
    EXPECT_EQ(rec.Shown()[2].text, CString(kStatementBox) + "UPDATE X SET A=1");
    EXPECT_EQ(rec.Pending(), 0);
}

// The stored text keeps its blanks: it is the key of its own row, where the trimmed text may be
// another row's key.
TEST(ComErrorTest, VariantToStringTrimsAndGivesEmptyForWhatIsNoText) {
    EXPECT_EQ(VariantToString(_variant_t("  abc \t")), "abc");
    EXPECT_EQ(VariantToStoredText(_variant_t("  abc \t")), "  abc \t");
    for (auto* read : {&VariantToString, &VariantToStoredText}) {
        EXPECT_EQ(read(_variant_t(12)), "12");
        EXPECT_EQ(read(_variant_t(2.5)), "2.5");
        EXPECT_EQ(read(_variant_t::Null()), "");
        EXPECT_EQ(read(_variant_t()), "");
        EXPECT_EQ(read(_variant_t(std::vector<BYTE>{'a', 'b'})), "");
    }
}

} // namespace
