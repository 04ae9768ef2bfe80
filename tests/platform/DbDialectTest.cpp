// The dialect translation: the rewritten text of each construct, and the rows each construct
// gives on SQLite compared with rows worked out by hand.
#include "platform/db/Ado.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <regex>

namespace {

using vq::db::Engine;
using vq::db::TranslateStatement;

std::string Sqlite(const std::string& sql) {
    return TranslateStatement(sql, Engine::SQLite).sql;
}

TEST(DbDialectText, OtherEnginesGetTheStatementUnchanged) {
    std::string sql = "SELECT TO_CHAR(sysdate, 'yyyy-mm-dd') FROM DUAL";
    EXPECT_EQ(TranslateStatement(sql, Engine::Other).sql, sql);
    EXPECT_FALSE(vq::db::ProcedureStatement("ShowPartTree", Engine::Other));
}

TEST(DbDialectText, ClockFunctionsBecomeLocalTime) {
    EXPECT_EQ(Sqlite("SELECT DATEPART(yy,getdate())"),
              "SELECT CAST(strftime('%Y', datetime('now','localtime')) AS INTEGER)");
    EXPECT_EQ(Sqlite("SELECT TO_CHAR(SYSDATE, 'YYYY-MM-DD HH24:MI:SS') FROM dual"),
              "SELECT strftime('%Y-%m-%d %H:%M:%S', datetime('now','localtime')) ");
    // Names that only look like the functions stay.
    EXPECT_EQ(Sqlite("SELECT t.sysdate, 'getdate()' FROM T t"), "SELECT t.sysdate, 'getdate()' FROM T t");
    EXPECT_EQ(Sqlite("SELECT x FROM dual_table"), "SELECT x FROM dual_table");
}

TEST(DbDialectText, UnknownDatePartIsLeftAlone) {
    EXPECT_EQ(Sqlite("SELECT DATEPART(qq, getdate())"), "SELECT DATEPART(qq, datetime('now','localtime'))");
}

TEST(DbDialectText, TrimmedTextComparesWithoutCase) {
    EXPECT_EQ(Sqlite("SELECT a FROM T WHERE rtrim(UserLogName)='x'"),
              "SELECT a FROM T WHERE rtrim(UserLogName) COLLATE NOCASE='x'");
}

TEST(DbDialectText, OuterJoinBecomesLeftJoin) {
    EXPECT_EQ(Sqlite("SELECT d.a, t.b FROM D d, T t WHERE d.c=t.c(+) AND d.x='1' ORDER BY d.a"),
              "SELECT d.a, t.b FROM D d LEFT JOIN T t ON d.c=t.c WHERE d.x='1' ORDER BY d.a");
    // An OR at the top of the condition cannot be split: the statement stays as written.
    std::string withOr = "SELECT d.a FROM D d, T t WHERE d.c=t.c(+) OR d.x='1'";
    EXPECT_EQ(Sqlite(withOr), withOr);
}

TEST(DbDialectText, SequenceStepRunsBeforeTheRead) {
    auto t = TranslateStatement("select Markup_FileLogID.NEXTVAL from DUAL", Engine::SQLite);
    ASSERT_EQ(t.before.size(), 1u);
    EXPECT_NE(t.before[0].find("UPDATE vq_sequences"), std::string::npos);
    EXPECT_NE(t.sql.find("'Markup_FileLogID'"), std::string::npos);
}

TEST(DbDialectText, SingleTableOfASelect) {
    EXPECT_EQ(vq::db::SingleTableOf("SELECT a, b FROM Docs WHERE x='1'"), "Docs");
    EXPECT_EQ(vq::db::SingleTableOf("SELECT * FROM Docs d"), "Docs");
    EXPECT_EQ(vq::db::SingleTableOf("SELECT * FROM A, B"), "");
    EXPECT_EQ(vq::db::SingleTableOf("SELECT * FROM A JOIN B ON A.x=B.x"), "");
}

// ----------------------------------------------------------------------------- on SQLite

// A small archive structure:  P -> A, B;  A -> A1, A2;  B -> B1;  and Q -> X (another product).
// X2 has no title row. Codes are written in mixed case to check that comparisons ignore it.
// The tables are those of the schema; they are made here only when the schema lacks them.
constexpr const char* kStructure = R"(
CREATE TABLE IF NOT EXISTS VqkorvelAll_detail (UpCode VARCHAR(50) COLLATE NOCASE, DCode VARCHAR(50) COLLATE NOCASE,
    DItem INTEGER, DName VARCHAR(50) COLLATE NOCASE, DRemark VARCHAR(50) COLLATE NOCASE);
CREATE TABLE IF NOT EXISTS VqkorvelAll_title (TCode VARCHAR(50) COLLATE NOCASE, TName VARCHAR(50) COLLATE NOCASE);
INSERT INTO VqkorvelAll_detail (UpCode, DCode, DItem, DName, DRemark) VALUES ('P', 'B', 2, 'Unit B', 'rb');
INSERT INTO VqkorvelAll_detail (UpCode, DCode, DItem, DName, DRemark) VALUES ('P', 'A', 1, 'Unit A', 'ra');
INSERT INTO VqkorvelAll_detail (UpCode, DCode, DItem, DName, DRemark) VALUES ('a', 'A2', 2, 'Unit A2', 'ra2');
INSERT INTO VqkorvelAll_detail (UpCode, DCode, DItem, DName, DRemark) VALUES ('A', 'A1', 1, 'Unit A1', 'ra1');
INSERT INTO VqkorvelAll_detail (UpCode, DCode, DItem, DName, DRemark) VALUES ('b', 'B1', 1, 'Unit B1', 'rb1');
INSERT INTO VqkorvelAll_detail (UpCode, DCode, DItem, DName, DRemark) VALUES ('Q', 'X', 1, 'Unit X', 'rx');
INSERT INTO VqkorvelAll_detail (UpCode, DCode, DItem, DName, DRemark) VALUES ('B1', 'X2', 1, 'Unit X2', 'rx2');
INSERT INTO VqkorvelAll_title (TCode, TName) VALUES ('A', 'Title A');
INSERT INTO VqkorvelAll_title (TCode, TName) VALUES ('B', 'Title B');
INSERT INTO VqkorvelAll_title (TCode, TName) VALUES ('A1', 'Title A1');
INSERT INTO VqkorvelAll_title (TCode, TName) VALUES ('A2', 'Title A2');
INSERT INTO VqkorvelAll_title (TCode, TName) VALUES ('B1', 'Title B1');
INSERT INTO VqkorvelAll_title (TCode, TName) VALUES ('X', 'Title X');
CREATE TABLE IF NOT EXISTS VqkorvelTeam_detail (PartFileID VARCHAR(50) COLLATE NOCASE, UpCode VARCHAR(50) COLLATE NOCASE,
    DCode VARCHAR(50) COLLATE NOCASE, DItem INTEGER, DName VARCHAR(50) COLLATE NOCASE,
    Dremark VARCHAR(50) COLLATE NOCASE);
CREATE TABLE IF NOT EXISTS VqkorvelTeam_title (TCode VARCHAR(50) COLLATE NOCASE, TName VARCHAR(50) COLLATE NOCASE,
    TOther4 VARCHAR(50) COLLATE NOCASE);
INSERT INTO VqkorvelTeam_detail (PartFileID, UpCode, DCode, DItem, DName, Dremark) VALUES ('F1', 'T', 'T1', 1, 'Team 1', 'r1');
INSERT INTO VqkorvelTeam_detail (PartFileID, UpCode, DCode, DItem, DName, Dremark) VALUES ('F2', 'T', 'T2', 2, 'Team 2', 'r2');
INSERT INTO VqkorvelTeam_detail (PartFileID, UpCode, DCode, DItem, DName, Dremark) VALUES ('F3', 'T1', 'T11', 1, 'Team 11', 'r11');
INSERT INTO VqkorvelTeam_title (TCode, TName, TOther4) VALUES ('T1', 'Title T1', 'old1');
INSERT INTO VqkorvelTeam_title (TCode, TName, TOther4) VALUES ('T11', 'Title T11', 'old11');
)";

// Rows as "col|col|..." texts.
std::vector<std::string> Rows(const _RecordsetPtr& rs) {
    std::vector<std::string> out;
    while (!rs->IsEOF()) {
        std::string row;
        for (long i = 0; i < rs->GetFields()->GetCount(); ++i) {
            _variant_t v = rs->GetCollect(i);
            row += (i ? "|" : "") + (v.IsNull() ? std::string("NULL") : v.ToString().str());
        }
        out.push_back(row);
        rs->MoveNext();
    }
    return out;
}

class DbDialectTest : public ::testing::Test {
protected:
    void SetUp() override {
        ws.Execute(kStructure);
        conn = ws.Connect();
    }
    std::vector<std::string> Query(const CString& sql) {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, conn, adOpenForwardOnly, adLockReadOnly, adCmdText);
        return Rows(rs);
    }
    std::vector<std::string> Procedure(const CString& name, const CString& upCode, long type) {
        _CommandPtr cmd;
        cmd.CreateInstance();
        cmd->PutActiveConnection(conn);
        cmd->PutCommandText(name);
        cmd->PutCommandType(type);
        cmd->PutCommandTimeout(0);
        cmd->GetParameters()->Append(
            cmd->CreateParameter("UpCode", adBSTR, adParamInput, 50, _variant_t(upCode)));
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(cmd, adOpenForwardOnly, adLockReadOnly, type == adCmdText ? adCmdUnknown : adCmdStoredProc);
        return Rows(rs);
    }
    vqtest::DbWorkspace ws;
    _ConnectionPtr conn;
};

TEST_F(DbDialectTest, ConnectByReadsTheWholeStructureDepthFirst) {
    // Depth first, each part before its children, children in the order they were stored.
    EXPECT_EQ(Query("SELECT UpCode, DCode FROM VqkorvelAll_detail START WITH UpCode='p' CONNECT BY "
                    "UpCode=Prior DCode"),
              (std::vector<std::string>{"P|B", "b|B1", "B1|X2", "P|A", "a|A2", "A|A1"}));
}

TEST_F(DbDialectTest, ConnectByJoinedToTitlesAsTheStructureReaderWritesIt) {
    // Inner join on the titles (X2 has none) and the reader's ordering by parent and item.
    EXPECT_EQ(
        Query("SELECT d.UpCode, d.DCode, d.DItem, d.DRemark, t.TName FROM (SELECT UpCode, DCode, DItem, "
              "DRemark FROM VqkorvelAll_detail START WITH UpCode='P' CONNECT BY UpCode=Prior DCode) d, "
              "VqkorvelAll_title t WHERE d.DCode=t.TCode ORDER BY UpCode, DItem"),
        (std::vector<std::string>{"A|A1|1|ra1|Title A1", "a|A2|2|ra2|Title A2", "b|B1|1|rb1|Title B1",
                                  "P|A|1|ra|Title A", "P|B|2|rb|Title B"}));
}

TEST_F(DbDialectTest, ConnectByWithPriorOnTheLeftAndAnAlias) {
    EXPECT_EQ(
        Query("select x.DCode from VqkorvelAll_detail x start with x.UpCode='B' connect by prior x.DCode = "
              "x.UpCode;"),
        (std::vector<std::string>{"B1", "X2"}));
}

TEST_F(DbDialectTest, ConnectByStopsAtACycleInsteadOfLooping) {
    ws.Execute("INSERT INTO VqkorvelAll_detail (UpCode, DCode, DItem, DName, DRemark) VALUES ('X2', 'B', 9, "
               "'back to B', 'loop')");
    EXPECT_EQ(
        Query("SELECT DCode FROM VqkorvelAll_detail START WITH UpCode='B' CONNECT BY UpCode=Prior DCode"),
        (std::vector<std::string>{"B1", "X2", "B"}));
}

TEST_F(DbDialectTest, OuterJoinKeepsRowsWithoutATitle) {
    EXPECT_EQ(
        Query(
            "SELECT d.UpCode, d.DCode, d.DItem, d.DName, t.TName, t.TOther4, d.Dremark FROM (SELECT UpCode, "
            "DCode, DItem, DName, Dremark FROM VqkorvelTeam_detail START WITH UpCode='T' CONNECT BY "
            "UpCode=Prior DCode) d, VqkorvelTeam_title t WHERE d.DCode=t.TCode(+) ORDER BY UpCode, DItem"),
        (std::vector<std::string>{"T|T1|1|Team 1|Title T1|old1|r1", "T|T2|2|Team 2|NULL|NULL|r2",
                                  "T1|T11|1|Team 11|Title T11|old11|r11"}));
}

TEST_F(DbDialectTest, StoredProceduresReturnTheRowsTheirReadersExpect) {
    // Read by column positions 0, 1 and 4, ordered by parent code.
    EXPECT_EQ(Procedure("ShowPartTree", "P", adCmdStoredProc),
              (std::vector<std::string>{"A|A1|1|ra1|Title A1", "a|A2|2|ra2|Title A2", "b|B1|1|rb1|Title B1",
                                        "P|A|1|ra|Title A", "P|B|2|rb|Title B"}));
    // Called with the command type "text", as one of its readers does.
    EXPECT_EQ(Procedure("ShowTeamStructTree", "T", adCmdText),
              (std::vector<std::string>{"T|T1|1|Team 1|Title T1|old1|r1", "T|T2|2|Team 2|NULL|NULL|r2",
                                        "T1|T11|1|Team 11|Title T11|old11|r11"}));
    // Columns 2, 3, 5 and 6: parent, child, name, part file id.
    EXPECT_EQ(
        Procedure("showteamworkfile", "T", adCmdStoredProc),
        (std::vector<std::string>{"F1|T|T1|1|Team 1|F1", "F3|T1|T11|1|Team 11|F3", "F2|T|T2|2|Team 2|F2"}));
}

TEST_F(DbDialectTest, AQuoteInTheProcedureParameterIsOnlyText) {
    EXPECT_TRUE(Procedure("ShowPartTree", "P' OR '1'='1", adCmdStoredProc).empty());
}

TEST_F(DbDialectTest, UnknownProcedureFails) {
    EXPECT_THROW(Procedure("NoSuchProcedure", "P", adCmdStoredProc), _com_error);
}

TEST_F(DbDialectTest, SequenceGivesIncreasingValuesAndNoRowWhenMissing) {
    ws.Execute("DELETE FROM vq_sequences WHERE Name = 'Markup_FileLogID'"); // the schema's own row
    ws.Execute("INSERT INTO vq_sequences (Name, Value) VALUES ('Markup_FileLogID', 0)");
    EXPECT_EQ(Query("SELECT Markup_FileLogID.nextVal FROM dual"), std::vector<std::string>{"1"});
    EXPECT_EQ(Query("SELECT markup_filelogid.NEXTVAL FROM DUAL"), std::vector<std::string>{"2"});
    EXPECT_TRUE(Query("SELECT Missing_Seq.nextVal FROM dual").empty());
}

TEST_F(DbDialectTest, SequenceStepInsideATransactionIsRolledBackWithIt) {
    ws.Execute("INSERT INTO vq_sequences (Name, Value) VALUES ('S', 10)");
    conn->BeginTrans();
    EXPECT_EQ(Query("SELECT S.nextVal FROM dual"), std::vector<std::string>{"11"});
    conn->RollbackTrans();
    EXPECT_EQ(Query("SELECT S.nextVal FROM dual"), std::vector<std::string>{"11"});
}

TEST_F(DbDialectTest, ClockTextsAreLocalTime) {
    // The precise clock, as the engine reads it: time() may read a coarse clock that is still in
    // the last second when the engine's clock has entered the next.
    using clock = std::chrono::system_clock;
    std::time_t before = clock::to_time_t(clock::now());
    auto rows = Query("SELECT TO_CHAR(sysdate, 'yyyy-mm-dd hh24:mi:ss') FROM DUAL");
    std::time_t after = clock::to_time_t(clock::now());
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_TRUE(std::regex_match(rows[0], std::regex(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2})"))) << rows[0];
    char low[32], high[32];
    std::strftime(low, sizeof low, "%Y-%m-%d %H:%M:%S", std::localtime(&before));
    std::strftime(high, sizeof high, "%Y-%m-%d %H:%M:%S", std::localtime(&after));
    EXPECT_LE(std::string(low), rows[0]);
    EXPECT_GE(std::string(high), rows[0]);

    auto parts = Query("SELECT DATEPART(yy,getdate()),DATEPART(mm,getdate()),DATEPART(dd,getdate()),"
                       "DATEPART(hh,getdate()),DATEPART(mi,getdate()),DATEPART(ss,getdate())");
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_TRUE(
        std::regex_match(parts[0], std::regex(R"(\d{4}\|\d{1,2}\|\d{1,2}\|\d{1,2}\|\d{1,2}\|\d{1,2})")))
        << parts[0];
}

TEST_F(DbDialectTest, TrimmedComparisonIgnoresCaseLikeThePlainOne) {
    ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('Admin  ', 'Administrator')");
    EXPECT_EQ(Query("SELECT UserName FROM UserInformation WHERE rtrim(UserLogName)='ADMIN'"),
              std::vector<std::string>{"Administrator"});
}

} // namespace
