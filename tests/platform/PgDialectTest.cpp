// The translation for PostgreSQL: the rewritten text of each construct; the behaviour every
// engine must share (text without case, plain backslashes in LIKE, names as written, one row per
// update), checked on whichever engine the product database is on; and, on a PostgreSQL server,
// the schema made from the SQLite one.
#include "platform/base/String.h"
#include "platform/base/TextCodec.h"
#include "platform/db/Ado.h"
#include "platform/db/SqlText.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

namespace {

using vq::db::Engine;
using vq::db::TranslateStatement;

std::string Pg(const std::string& sql) {
    return TranslateStatement(sql, Engine::PostgreSQL).sql;
}

TEST(PgDialectText, ClockFunctionsGiveTheTextOfTheStatementTime) {
    const std::string now = "to_char(statement_timestamp(), 'YYYY-MM-DD HH24:MI:SS')";
    EXPECT_EQ(Pg("INSERT INTO L (LogTime) VALUES (getdate())"),
              "INSERT INTO L (LogTime) VALUES (" + now + ")");
    EXPECT_EQ(Pg("SELECT sysdate FROM dual"), "SELECT " + now + " ");
    EXPECT_EQ(Pg("SELECT DATEPART(mi, LogTime) FROM L"),
              "SELECT CAST(to_char(CAST(CAST(LogTime AS TEXT) AS TIMESTAMP), 'MI') AS INTEGER) FROM L");
    // Names and strings that only look like the functions stay.
    EXPECT_EQ(Pg("SELECT t.sysdate, 'getdate()' FROM T t"), "SELECT t.sysdate, 'getdate()' FROM T t");
}

TEST(PgDialectText, ToCharTakesTheHourOf24AndKeepsOtherLettersLiteral) {
    EXPECT_EQ(Pg("SELECT TO_CHAR(Ttime, 'yyyy-mm-dd hh:mi:ss') FROM T"),
              "SELECT to_char(CAST(CAST(Ttime AS TEXT) AS TIMESTAMP), 'YYYY-MM-DD HH24:MI:SS') FROM T");
    EXPECT_EQ(Pg("SELECT TO_CHAR(Ttime, 'yyyy\"T\"hh24') FROM T"),
              "SELECT to_char(CAST(CAST(Ttime AS TEXT) AS TIMESTAMP), 'YYYY\\\"\"T\"\\\"HH24') FROM T");
    EXPECT_EQ(Pg("SELECT TO_CHAR(Ditem) FROM D"), "SELECT CAST(Ditem AS TEXT) FROM D");
}

TEST(PgDialectText, LikeKeepsBackslashesPlainUnlessTheStatementNamesAnEscape) {
    EXPECT_EQ(Pg("SELECT a FROM T WHERE p LIKE 'C:\\d%' AND q=1"),
              "SELECT a FROM T WHERE p LIKE 'C:\\d%' ESCAPE '' AND q=1");
    EXPECT_EQ(Pg("SELECT a FROM T, U WHERE p LIKE '%' || ? || '%' ORDER BY a"),
              "SELECT a FROM T, U WHERE p LIKE '%' || ? || '%' ESCAPE '' ORDER BY a");
    EXPECT_EQ(Pg("SELECT a FROM T WHERE (p NOT LIKE ?)"), "SELECT a FROM T WHERE (p NOT LIKE ? ESCAPE '')");
    std::string escaped = "SELECT a FROM T WHERE p LIKE 'a\\_%' ESCAPE '\\'";
    EXPECT_EQ(Pg(escaped), escaped);
}

// What stands after quoted text, a doubled quote, a quoted name or a comment is still read as
// the statement's own: its LIKE, ORDER BY or subquery is translated. A statement with nothing to
// translate, whatever its quoted text holds, comes back byte for byte.
TEST(PgDialectText, TextAfterQuotesAndCommentsIsStillTranslated) {
    const struct {
        const char* sql;
        const char* translated;
    } cases[] = {
        {"UPDATE T SET a='it''s' WHERE b LIKE 'x'", "UPDATE T SET a='it''s' WHERE b LIKE 'x' ESCAPE ''"},
        {"SELECT [a'b], \"c\"\"d\" FROM T WHERE e Like 'x'",
         "SELECT [a'b], \"c\"\"d\" FROM T WHERE e Like 'x' ESCAPE ''"},
        {"SELECT a -- it's\nFROM T WHERE b LIKE 'x'", "SELECT a -- it's\nFROM T WHERE b LIKE 'x' ESCAPE ''"},
        {"SELECT a /* don't */ FROM T WHERE b LIKE 'x'", "SELECT a /* don't */ FROM T WHERE b LIKE 'x' ESCAPE ''"},
        {"SELECT a FROM T WHERE b='零件' Order By a", "SELECT a FROM T WHERE b='零件' Order By a, ctid"},
        {"SELECT COUNT(*) FROM (SELECT a FROM T WHERE b='x')",
         "SELECT COUNT(*) FROM (SELECT a FROM T WHERE b='x') vq_d1"},
        {"UPDATE T SET a=1;", "UPDATE T SET a=1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Pg(c.sql), c.translated) << c.sql;
    for (const char* same :
         {"UPDATE T SET a='x;y -- (+) like', b=? WHERE FileID='F-1' AND Step='审核'",
          "SELECT COUNT(*) FROM T WHERE a='order by' AND b=\"like\"",
          "INSERT INTO T (a, b) VALUES ('dual', 'it''s')", "SELECT a FROM T WHERE b='unclosed"})
        EXPECT_EQ(Pg(same), same);
    // The same text, again and again, on either engine: each engine's own translation.
    const std::string clock = "SELECT getdate() FROM T WHERE a = ? ORDER BY a";
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(Pg(clock), "SELECT to_char(statement_timestamp(), 'YYYY-MM-DD HH24:MI:SS') FROM T WHERE a = ? "
                             "ORDER BY a, ctid");
        EXPECT_EQ(TranslateStatement(clock, Engine::SQLite).sql,
                  "SELECT datetime('now','localtime') FROM T WHERE a = ? ORDER BY a");
        EXPECT_EQ(TranslateStatement(clock, Engine::Other).sql, clock);
    }
}

// The one-scan check and the memo of the translation answer every statement as the whole
// translation does, on each engine and when asked again: statements as the reviews and change
// orders write them, with values of every kind written into their text, and the edge cases.
TEST(PgDialectText, TheShortcutsAnswerAsTheWholeTranslation) {
    const char* const statements[] = {
        "SELECT FilePrompt, FileName, FileSize FROM TeamWorkResult WHERE FileID='F-0006'",
        "SELECT ProjectManager FROM ProjectManage WHERE ProjectNo IN (SELECT TaskNo FROM TeamWorkManage "
        "WHERE WorkID='W-1')",
        "SELECT State, Result, Prompt, Auditor FROM TeamWorkAudit WHERE FileID='F-1' AND AuditTask='审核'",
        "INSERT INTO MessageManage (Sender, Reseiver, SendTime, SendDate, MachineIP, Topic, Content, ReadFlag) "
        "VALUES('张三', 'lisi', '10:00', '2026-12-11', '127.0.0.1', '评审(通过)', 'it''s -- done; 1+1', '0')",
        "UPDATE TeamWorkAudit SET FinishDate=getdate(), State='已完成' WHERE FileID='F-1' AND AuditTask='审核'",
        "UPDATE TeamWorkResult SET State=State WHERE FileID='F-1'",
        "SELECT count(*) FROM TeamWorkAudit WHERE FileID='F-1' AND AuditTask='校对'",
        "DELETE FROM TeamWorkAuditChange WHERE FileID='F-1' AND TaskGroup='Task'",
        "SELECT a FROM T x, U y WHERE x.c = y.d(+) AND x.e = 'f'",
        "SELECT PartCode FROM Parts START WITH UpCode='P-1' CONNECT BY PRIOR PartCode = UpCode",
        "SELECT Markup_FileLogID.NEXTVAL FROM DUAL",
        "SELECT a FROM T WHERE b LIKE 'x%' ORDER BY a",
        "SELECT COUNT(*) FROM (SELECT a FROM T)",
        "SELECT [a b], \"c\" FROM T WHERE d = 'e]'",
        "SELECT a FROM T WHERE (b = 1",
        "SELECT a FROM T WHERE b = 1)",
        "UPDATE T SET a = 1;",
        "SELECT a -- order\nFROM T",
        "SELECT 12order, .5like FROM T",
        "",
    };
    for (const Engine engine : {Engine::PostgreSQL, Engine::SQLite, Engine::PostgreSQL})
        for (const char* sql : statements)
            for (int asked = 0; asked < 2; ++asked) {
                const vq::db::TranslatedStatement shortcut = TranslateStatement(sql, engine);
                const vq::db::TranslatedStatement whole = vq::db::TranslateEveryToken(sql, engine);
                EXPECT_EQ(shortcut.sql, whole.sql) << sql;
                EXPECT_EQ(shortcut.before, whole.before) << sql;
            }
}

TEST(PgDialectText, SubqueryInFromGetsTheNameItNeeds) {
    EXPECT_EQ(Pg("SELECT count(*) FROM (SELECT a FROM T)"), "SELECT count(*) FROM (SELECT a FROM T) vq_d1");
    EXPECT_EQ(Pg("SELECT x.a FROM T x JOIN (SELECT a FROM U) WHERE 1=1"),
              "SELECT x.a FROM T x JOIN (SELECT a FROM U) vq_d1 WHERE 1=1");
    EXPECT_EQ(Pg("SELECT 1 FROM T x JOIN U u ON u.a = x.a LEFT JOIN (SELECT b FROM V) ON 1=1"),
              "SELECT 1 FROM T x JOIN U u ON u.a = x.a LEFT JOIN (SELECT b FROM V) vq_d1 ON 1=1");
    // Named subqueries, scalar subqueries and value lists stay as written.
    for (const char* same : {"SELECT d.a FROM (SELECT a FROM T) d", "SELECT d.a FROM (SELECT a FROM T) AS d",
                             "SELECT a, (SELECT max(b) FROM U) FROM T",
                             "SELECT a FROM T WHERE a IN (SELECT a FROM U)", "INSERT INTO T (a) VALUES (1)"})
        EXPECT_EQ(Pg(same), same);
}

TEST(PgDialectText, OrderOfOneTableEndsWithTheRowsPlaces) {
    EXPECT_EQ(Pg("SELECT a, b FROM T WHERE c='x' ORDER BY a"),
              "SELECT a, b FROM T WHERE c='x' ORDER BY a, ctid");
    EXPECT_EQ(Pg("SELECT a FROM T t ORDER BY a DESC LIMIT 3"),
              "SELECT a FROM T t ORDER BY a DESC, ctid LIMIT 3");
    // Joins, DISTINCT and grouping keep their order as written.
    for (const char* same : {"SELECT a FROM T, U ORDER BY a", "SELECT DISTINCT a FROM T ORDER BY a",
                             "SELECT a, count(*) FROM T GROUP BY a ORDER BY a",
                             "SELECT max(a) FROM T ORDER BY 1", "SELECT a FROM T"})
        EXPECT_EQ(Pg(same), same);
}

TEST(PgDialectText, SequenceStepIsOneStatement) {
    auto t = TranslateStatement("select Markup_FileLogID.NEXTVAL from DUAL;", Engine::PostgreSQL);
    EXPECT_TRUE(t.before.empty());
    EXPECT_EQ(t.sql,
              "UPDATE vq_sequences SET Value = Value + 1 WHERE Name = 'Markup_FileLogID' RETURNING Value");
}

TEST(PgDialectText, TreeQueriesFollowTheRowsPlaces) {
    std::string sql =
        Pg("SELECT DCode FROM VqkorvelAll_detail START WITH UpCode='P' CONNECT BY UpCode = PRIOR DCode");
    EXPECT_NE(sql.find("WITH RECURSIVE"), std::string::npos) << sql;
    EXPECT_NE(sql.find("ctid <> ALL(vq_p.vq_path)"), std::string::npos) << sql;
    EXPECT_EQ(sql.find(".rowid"), std::string::npos) << sql;
    EXPECT_TRUE(vq::db::ProcedureStatement("ShowTeamStructTree", Engine::PostgreSQL));
}

TEST(PgDialectText, TrimmedTextKeepsComparingWithoutCase) {
    EXPECT_EQ(Pg("SELECT a FROM T WHERE rtrim(UserLogName)='x'"),
              "SELECT a FROM T WHERE CAST(rtrim(UserLogName) AS CITEXT)='x'");
    EXPECT_EQ(Pg("SELECT group_concat(a) FROM T"), "SELECT string_agg(CAST(a AS TEXT), ',') FROM T");
}

TEST(PgDialectText, NamesAreSpelledAsInTheStatement) {
    using vq::db::SpellingInStatement;
    std::string sql = "SELECT UserLogName, 'username' FROM UserInformation WHERE UserName='x'";
    EXPECT_EQ(SpellingInStatement(sql, "userlogname"), "UserLogName");
    EXPECT_EQ(SpellingInStatement(sql, "username"), "UserName"); // not from the string
    EXPECT_EQ(SpellingInStatement(sql, "count"), "count");
    EXPECT_EQ(SpellingInStatement(sql, "Mixed"), "Mixed"); // a name the engine kept is not changed
}

// Behaviour the statements rely on, whichever engine holds the product database.
class SharedEngineBehaviourTest : public ::testing::Test {
protected:
    std::vector<std::string> Column(const CString& sql) {
        std::vector<std::string> out;
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, conn, adOpenStatic, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            out.push_back(rs->GetCollect(0L).ToString().str());
            rs->MoveNext();
        }
        return out;
    }
    vqtest::DbWorkspace ws;
    _ConnectionPtr conn = ws.Connect();
};

TEST_F(SharedEngineBehaviourTest, TextComparesSortsAndMatchesWithoutCase) {
    ws.Execute("INSERT INTO GroupInformation (GroupName, GroupDescription) VALUES ('beta', 'b');"
               "INSERT INTO GroupInformation (GroupName, GroupDescription) VALUES ('Alpha', 'a');"
               "INSERT INTO GroupInformation (GroupName, GroupDescription) VALUES ('GAMMA', 'c')");
    EXPECT_EQ(Column("SELECT GroupName FROM GroupInformation ORDER BY GroupName"),
              (std::vector<std::string>{"Alpha", "beta", "GAMMA"}));
    EXPECT_EQ(Column("SELECT GroupDescription FROM GroupInformation WHERE GroupName='ALPHA'"),
              std::vector<std::string>{"a"});
    EXPECT_EQ(Column("SELECT GroupName FROM GroupInformation WHERE GroupName LIKE 'g%'"),
              std::vector<std::string>{"GAMMA"});
    EXPECT_EQ(Column("SELECT GroupName FROM GroupInformation WHERE GroupName <> 'BETA' ORDER BY 1"),
              (std::vector<std::string>{"Alpha", "GAMMA"}));
    // The key ignores case too: a second 'ALPHA' is the same group.
    EXPECT_THROW(conn->Execute("INSERT INTO GroupInformation (GroupName) VALUES ('ALPHA')"), _com_error);
}

TEST_F(SharedEngineBehaviourTest, BoundTextComparesWithoutCaseAndNumbersStayNumbers) {
    ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhang', '张三');"
               "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode) VALUES ('P', 3, 'C')");
    _CommandPtr cmd;
    cmd.CreateInstance();
    cmd->PutActiveConnection(conn);
    cmd->PutCommandText("SELECT UserName FROM UserInformation WHERE UserLogName = ? OR UserName LIKE ?");
    cmd->GetParameters()->Append(cmd->CreateParameter("", adVarChar, adParamInput, 50, _variant_t("ZHANG")));
    cmd->GetParameters()->Append(cmd->CreateParameter("", adVarChar, adParamInput, 50, _variant_t("none")));
    _RecordsetPtr rs = cmd->Execute(nullptr, nullptr, adCmdText);
    ASSERT_FALSE(rs->IsEOF());
    EXPECT_EQ(rs->GetCollect(0L).ToString(), "张三");

    _CommandPtr byItem;
    byItem.CreateInstance();
    byItem->PutActiveConnection(conn);
    byItem->PutCommandText("SELECT Dcode FROM VqkorvelAll_detail WHERE Ditem = ? AND UpCode = ?");
    byItem->GetParameters()->Append(byItem->CreateParameter("", adInteger, adParamInput, 4, _variant_t(3L)));
    byItem->GetParameters()->Append(
        byItem->CreateParameter("", adVarChar, adParamInput, 50, _variant_t("p")));
    rs = byItem->Execute(nullptr, nullptr, adCmdText);
    ASSERT_FALSE(rs->IsEOF());
    EXPECT_EQ(rs->GetCollect(0L).ToString(), "C");
}

TEST_F(SharedEngineBehaviourTest, BackslashesInLikePatternsArePlain) {
    ws.Execute("INSERT INTO LogInformation (PartCode, Operation) VALUES ('C:\\dir\\a', 'x');"
               "INSERT INTO LogInformation (PartCode, Operation) VALUES ('C:dir', 'y')");
    EXPECT_EQ(Column("SELECT Operation FROM LogInformation WHERE PartCode LIKE 'C:\\dir%'"),
              std::vector<std::string>{"x"});
    EXPECT_EQ(Column("SELECT Operation FROM LogInformation WHERE PartCode LIKE 'c:\\\\dir%' ESCAPE '\\'"),
              std::vector<std::string>{"x"});
}

TEST_F(SharedEngineBehaviourTest, NamesComeBackAsTheStatementWritesThem) {
    _RecordsetPtr rs =
        conn->Execute("SELECT UserLogName, count(*) AS Total FROM UserInformation GROUP BY UserLogName");
    EXPECT_EQ(rs->GetFields()->GetItem(0L)->GetName(), "UserLogName");
    EXPECT_EQ(rs->GetFields()->GetItem(1L)->GetName(), "Total");
    try {
        conn->Execute("SELECT Missing FROM UserInformation");
        ADD_FAILURE() << "a missing column must fail";
    } catch (const _com_error& e) {
        EXPECT_NE(e.Description().Find("Missing"), -1) << e.Description().c_str();
    }
}

TEST_F(SharedEngineBehaviourTest, AFailedStatementInATransactionUndoesOnlyItself) {
    conn->BeginTrans();
    conn->Execute("INSERT INTO GroupInformation (GroupName) VALUES ('g1')");
    EXPECT_THROW(conn->Execute("INSERT INTO GroupInformation (GroupName) VALUES ('G1')"), _com_error);
    conn->Execute("INSERT INTO GroupInformation (GroupName) VALUES ('g2')");
    conn->CommitTrans();
    EXPECT_EQ(Column("SELECT GroupName FROM GroupInformation ORDER BY GroupName"),
              (std::vector<std::string>{"g1", "g2"}));
}

TEST_F(SharedEngineBehaviourTest, UpdateChangesOneOfTwinRows) {
    ws.Execute("INSERT INTO TeamWorkLog (LogID, LogTopic) VALUES ('L', 'same');"
               "INSERT INTO TeamWorkLog (LogID, LogTopic) VALUES ('L', 'same')");
    _RecordsetPtr rs;
    rs.CreateInstance();
    rs->Open("SELECT LogID, LogTopic FROM TeamWorkLog WHERE LogID='L'", conn, adOpenKeyset, adLockOptimistic,
             adCmdText);
    ASSERT_FALSE(rs->IsEOF());
    rs->PutCollect("LogTopic", _variant_t("changed"));
    rs->Update();
    EXPECT_EQ(Column("SELECT LogTopic FROM TeamWorkLog ORDER BY LogTopic"),
              (std::vector<std::string>{"changed", "same"}));
}

TEST_F(SharedEngineBehaviourTest, IntegerKeyOfATableIsGivenWhenLeftOut) {
    ws.Execute("CREATE TABLE Numbered (ID INTEGER PRIMARY KEY, Note VARCHAR(20) COLLATE NOCASE, Ratio REAL);"
               "INSERT INTO Numbered (ID, Note) VALUES (5, 'five')");
    conn->Execute("INSERT INTO Numbered (Note, Ratio) VALUES ('next', 0.5)");
    EXPECT_EQ(Column("SELECT ID FROM Numbered WHERE Note='NEXT'"), std::vector<std::string>{"6"});
    EXPECT_EQ(Column("SELECT Ratio FROM Numbered WHERE ID=6"), std::vector<std::string>{"0.5"});
}

// Letters with a case stand in the first two planes of Unicode.
constexpr unsigned long kLastCasedCode = 0x1FFFF;

// Numbers fold as the client folds them on every engine, whatever the server's locale (the
// PostgreSQL run of the number tests also runs on a database whose LC_CTYPE is C): the functions
// on every character the client's table maps, and the conditions the number checks are made of.
TEST_F(SharedEngineBehaviourTest, NumbersFoldAsTheClientFoldsThemWhateverTheServersLocale) {
    std::string mapped;
    for (unsigned long code = 0x41; code <= kLastCasedCode; ++code) {
        std::string character;
        if (code < 0xD800 || code > 0xDFFF)
            vq::AppendUtf8Character(character, code);
        if (!character.empty() && vq::FolderNameKey(character) != character)
            mapped += character;
    }
    ASSERT_GT(mapped.size(), 2000u);
    const CString literal = "'" + SqlQuote(CString(mapped)) + "'";
    EXPECT_EQ(Column("SELECT vq_fold_case(" + literal + ")"), std::vector<std::string>{vq::FoldCase(mapped)});
    EXPECT_EQ(Column("SELECT vq_folder_key(" + literal + ")"),
              std::vector<std::string>{vq::FolderNameKey(mapped)});

    ws.Execute("INSERT INTO GroupInformation (GroupName) VALUES ('ΣM-05');"
               "INSERT INTO GroupInformation (GroupName) VALUES ('XI-09');"
               "INSERT INTO GroupInformation (GroupName) VALUES ('ＸＭ-06');"
               "INSERT INTO GroupInformation (GroupName) VALUES ('ЖM-07')");
    const Engine engine = conn->GetEngine();
    auto found = [&](const CString& condition) {
        return Column("SELECT GroupName FROM GroupInformation WHERE " + condition + " ORDER BY GroupName");
    };
    EXPECT_EQ(found(SqlFoldedEquals(engine, "GroupName", "σm-05")), std::vector<std::string>{"ΣM-05"});
    EXPECT_EQ(found(SqlFoldedEquals(engine, "GroupName", "xi-09")), std::vector<std::string>{"XI-09"});
    EXPECT_EQ(found(SqlFoldedEquals(engine, "GroupName", "ｘｍ-06")), std::vector<std::string>{"ＸＭ-06"});
    EXPECT_EQ(found(SqlFoldedEquals(engine, "GroupName", "xm-06")), std::vector<std::string>{});
    EXPECT_EQ(found(SqlFoldedEquals(engine, "GroupName", "жm-07")), std::vector<std::string>{"ЖM-07"});
    EXPECT_EQ(found(SqlFolderKeyEquals(engine, "GroupName", "ςm-05")), std::vector<std::string>{"ΣM-05"});
    EXPECT_EQ(found(SqlFolderKeyEquals(engine, "GroupName", "xı-09")), std::vector<std::string>{"XI-09"});
    EXPECT_EQ(found(SqlFoldedPrefix(engine, "GroupName", "σm-")), std::vector<std::string>{"ΣM-05"});
    EXPECT_EQ(found(SqlFoldedPrefix(engine, "GroupName", "ｘｍ")), std::vector<std::string>{"ＸＭ-06"});
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The column names of a table, in order.
std::vector<std::string> ColumnsOf(const _ConnectionPtr& conn, const std::string& table) {
    _RecordsetPtr rs = conn->Execute(CString("SELECT * FROM " + table + " WHERE 1=0"));
    std::vector<std::string> names;
    for (long i = 0; i < rs->GetFields()->GetCount(); ++i) {
        std::string name = rs->GetFields()->GetItem(i)->GetName().str();
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        names.push_back(name);
    }
    return names;
}

// The folding functions of the PostgreSQL schema (schema/postgresql/fold-case.sql) as the client's
// character table gives them: every character that vq::FoldCase, or vq::FolderNameKey, maps to
// another, in code point order, ASCII also in a table of its own for texts of ASCII alone.
std::string FoldFunction(const char* name, std::string (*map)(std::string_view)) {
    std::string asciiFrom, asciiTo, from, to;
    for (unsigned long code = 1; code <= kLastCasedCode; ++code) {
        if (code >= 0xD800 && code <= 0xDFFF)
            continue;
        std::string character;
        vq::AppendUtf8Character(character, code);
        const std::string mapped = map(character);
        if (mapped == character || character == "'" || mapped == "'")
            continue;
        if (code < 0x80) {
            asciiFrom += character;
            asciiTo += mapped;
        }
        from += character;
        to += mapped;
    }
    return std::string("CREATE OR REPLACE FUNCTION ") + name +
           "(t TEXT) RETURNS TEXT LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS 'SELECT CASE WHEN "
           "octet_length(t) = char_length(t) THEN translate(t, ''" +
           asciiFrom + "'', ''" + asciiTo + "'') ELSE translate(t, ''" + from + "'', ''" + to + "'') END';\n";
}

std::string FoldFunctions() {
    return "-- The project's own folding of numbers, the same whatever the server's locale (its lower() and\n"
           "-- citext follow LC_CTYPE: under C they fold ASCII alone). Made from the client's character\n"
           "-- table by the test PgSchemaTest.FoldingFunctionsHoldTheClientsCharacterTable, which writes\n"
           "-- this file anew beside the test's build when the table changed.\n" +
           FoldFunction("vq_fold_case", vq::FoldCase) + FoldFunction("vq_folder_key", vq::FolderNameKey);
}

// The folding functions the schema gives a PostgreSQL database are the client's, character for
// character: a number is one task on the server exactly when it is one in the client.
TEST(PgSchemaTest, FoldingFunctionsHoldTheClientsCharacterTable) {
    const std::string expected = FoldFunctions();
    const std::string stored = ReadText(VQ_SOURCE_DIR "/schema/postgresql/fold-case.sql");
    if (stored != expected) {
        std::ofstream(VQ_BINARY_DIR "/fold-case.sql", std::ios::binary) << expected;
        FAIL() << "schema/postgresql/fold-case.sql differs from the client's character table; the "
                  "table as it is now: " VQ_BINARY_DIR "/fold-case.sql";
    }
}

TEST(PgSchemaTest, ServerHasEveryTableWithTheSameColumnsInTheSameOrder) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "the product database is SQLite";
    if (const std::string refused = vqtest::DbWorkspace::LocaleRefused(); !refused.empty())
        GTEST_SKIP() << refused;
    std::string schema = ReadText(VQ_SOURCE_DIR "/schema/sqlite/product.sql");
    std::vector<std::string> tables;
    std::regex create(R"(CREATE\s+TABLE\s+(?:IF\s+NOT\s+EXISTS\s+)?(\w+))", std::regex::icase);
    for (std::sregex_iterator it(schema.begin(), schema.end(), create), end; it != end; ++it)
        tables.push_back((*it)[1]);
    ASSERT_GT(tables.size(), 10u);

    vqtest::DbWorkspace ws;
    _ConnectionPtr server = ws.Connect();
    EXPECT_EQ(server->GetEngine(), Engine::PostgreSQL);
    _ConnectionPtr file;
    file.CreateInstance();
    file->Open(CString("DRIVER=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so;Database=" +
                       (ws.TempDir() + "/reference.db").str() + ";"));
    vqtest::DbWorkspace::RunScript(file, CString(schema));
    for (const std::string& table : tables)
        EXPECT_EQ(ColumnsOf(server, table), ColumnsOf(file, table)) << table;
}

// Every integer key the SQLite schema numbers itself is numbered on the server by a sequence of
// the name the server folds the table's and the column's names to, ASCII letters alone, whatever
// the database's locale: a Turkish one folds "I" to a dotless "ı" in lower(), which named columns
// that do not exist ("filelogıd") and stopped the schema. A row inserted without its key gets one,
// and the next one another.
TEST(PgSchemaTest, KeysAreNumberedBySequencesOfTheServersOwnNamesInAnyLocale) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "the product database is SQLite";
    if (const std::string refused = vqtest::DbWorkspace::LocaleRefused(); !refused.empty())
        GTEST_SKIP() << refused;
    const std::string schema = ReadText(VQ_SOURCE_DIR "/schema/sqlite/product.sql");
    std::vector<std::pair<std::string, std::string>> keys;
    std::regex table(R"(CREATE\s+TABLE\s+(?:IF\s+NOT\s+EXISTS\s+)?(\w+)\s*\(([^;]*))", std::regex::icase);
    std::regex key(R"((\w+)\s+INTEGER\s+PRIMARY\s+KEY)", std::regex::icase);
    for (std::sregex_iterator it(schema.begin(), schema.end(), table), end; it != end; ++it) {
        const std::string body = (*it)[2];
        std::smatch found;
        if (std::regex_search(body, found, key))
            keys.emplace_back((*it)[1], found[1]);
    }
    ASSERT_FALSE(keys.empty());
    const auto asciiLower = [](std::string s) {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return s;
    };
    vqtest::DbWorkspace ws;
    for (const auto& [name, column] : keys) {
        SCOPED_TRACE(name + "." + column);
        const std::string sequence = asciiLower(name) + "_" + asciiLower(column) + "_seq";
        EXPECT_EQ(ws.QueryText(CString("SELECT count(*) FROM pg_class WHERE relkind = 'S' AND relname = '" +
                                       sequence + "'")),
                  "1");
    }
    bool hasFileLog = false;
    for (const auto& [name, column] : keys)
        hasFileLog = hasFileLog || (name == "DesignMarkupManage" && column == "FileLogID");
    ASSERT_TRUE(hasFileLog);
    ws.Execute("INSERT INTO DesignMarkupManage (FileID) VALUES ('a.dwg');"
               "INSERT INTO DesignMarkupManage (FileID) VALUES ('b.dwg')");
    EXPECT_EQ(
        ws.QueryText("SELECT count(DISTINCT FileLogID) FROM DesignMarkupManage WHERE FileLogID IS NOT NULL"),
        "2");
}

} // namespace
