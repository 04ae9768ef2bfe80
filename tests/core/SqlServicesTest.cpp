// The application object's SQL services, error reporting and value text, in both dialects.
#include "core/ComError.h"
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
    for (const _com_error& e : {_com_error(E_FAIL, "[unixODBC]SQLExecDirect unable due to the connection lost"),
                                _com_error(E_FAIL, "server closed the connection unexpectedly", "08006"),
                                _com_error(E_FAIL, "communication link failure", "08S01")}) {
        rec.Expect(lost);
        ReportComError(e);
    }
    ASSERT_EQ(rec.Shown().size(), 3u);
    for (const auto& box : rec.Shown())
        EXPECT_EQ(box.text, lost);
    // Remembered wherever it is reported, so that no caller reads the missing answer as a reason.
    EXPECT_TRUE(theApp.m_bConnectionLost);
    // A failing statement on a lost connection: said once, and the statement is not blamed.
    rec.Clear();
    rec.Expect(lost);
    theApp.m_bConnectionLost = FALSE;
    theApp.ReportSqlError(_com_error(E_FAIL, "SQLExecDirect unable due to the connection lost"), "UPDATE X SET A=1");
    EXPECT_EQ(rec.Shown().size(), 1u);
    EXPECT_TRUE(theApp.m_bConnectionLost);
    theApp.m_bConnectionLost = FALSE;
    // A busy database or a wrong statement keeps the driver's text, which names the cause.
    rec.Expect("database is locked");
    ReportComError(_com_error(E_FAIL, "database is locked"));
    EXPECT_EQ(rec.Shown().back().text, "database is locked");
}

TEST(ComErrorTest, VariantToStringTrimsAndGivesEmptyForWhatIsNoText) {
    EXPECT_EQ(VariantToString(_variant_t("  abc \t")), "abc");
    EXPECT_EQ(VariantToString(_variant_t(12)), "12");
    EXPECT_EQ(VariantToString(_variant_t(2.5)), "2.5");
    EXPECT_EQ(VariantToString(_variant_t::Null()), "");
    EXPECT_EQ(VariantToString(_variant_t()), "");
    EXPECT_EQ(VariantToString(_variant_t(std::vector<BYTE>{'a', 'b'})), "");
}

} // namespace
