// The product structure import with bad files and failing databases: lines that cannot be stored
// are refused and named before storing, a failed commit or a quit writes nothing more, a host
// killed while it stores leaves the tables as they were, and a moved database file does not end
// the host.
#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "parts/ProductStructImportDlg.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/parts/CancellingUser.h"
#include "tests/parts/ImportFixtures.h"
#include "tests/support/FileSizeLimit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>

extern "C" int ImportProductDataFromFile(CString unused, CString login);

using namespace importtest;

namespace {

class ImportFaultTest : public ::testing::TestWithParam<int> {};

CProductStructImportDlg& ImportDlg(CDialog& d) {
    return static_cast<CProductStructImportDlg&>(d);
}

void RememberAllColumns(vqtest::Workspace& ws) {
    RememberMatching(ws, {"父图号", "序号", "图号", "图名", "材料", "数量", "重量", "备注", "图幅"});
}

// Reads one file into the dialog (no lines loaded before) and answers the messages that follow.
vq::ScriptedUser& ReadCsv(vq::ScriptedUser& user, const CString& path, int kind = 4) {
    return user.Click(1388).File(path, kind).Dialog("产品数据匹配").Click(IDOK);
}

} // namespace

TEST(ImportCsv, FieldsAreReadAsSpreadsheetsWriteThem) {
    CStringArray f;
    EXPECT_TRUE(CProductStructImportDlg::SplitCsvLine("\"He said \"\"hi\"\"\",B", ',', f));
    EXPECT_EQ(Strings(f), (std::vector<std::string>{"He said \"hi\"", "B"}));
    EXPECT_TRUE(CProductStructImportDlg::SplitCsvLine("A,B,,C ", ',', f));
    EXPECT_EQ(Strings(f), (std::vector<std::string>{"A", "B", "", "C "}));
    EXPECT_TRUE(CProductStructImportDlg::SplitCsvLine("\"a;b\";c", ';', f));
    EXPECT_EQ(Strings(f), (std::vector<std::string>{"a;b", "c"}));
    EXPECT_TRUE(CProductStructImportDlg::SplitCsvLine(" \"M16\" ,\"\",", ',', f));
    EXPECT_EQ(Strings(f), (std::vector<std::string>{"M16 ", "", ""}));
    // A quoted field left open goes on in the next line.
    EXPECT_FALSE(CProductStructImportDlg::SplitCsvLine("A,\"two", ',', f));
    EXPECT_TRUE(CProductStructImportDlg::SplitCsvLine("A,\"two\nlines\",B", ',', f));
    EXPECT_EQ(Strings(f), (std::vector<std::string>{"A", "two\nlines", "B"}));

    EXPECT_EQ(CProductStructImportDlg::CsvSeparator("\"a,b\";\"c\""), ';');
    EXPECT_EQ(CProductStructImportDlg::CsvSeparator("a,b;c"), ',');
    EXPECT_EQ(CProductStructImportDlg::CsvSeparator("abc"), ',');

    EXPECT_TRUE(CProductStructImportDlg::SplitQuotedLine("\"1\" \"He said \"\"hi\"\"\"", f));
    EXPECT_EQ(Strings(f), (std::vector<std::string>{"1", "He said \"hi\""}));
    EXPECT_FALSE(CProductStructImportDlg::SplitQuotedLine("\"1\" \"open", f));
}

TEST_P(ImportFaultTest, RefusedLinesAreCountedAndNamedBeforeStoring) {
    vqtest::DbWorkspace ws(GetParam());
    RememberAllColumns(ws);
    CString csv =
        WriteGbk(ws, "in/s.csv",
                 std::string(kCsvHeader) +
                     "\"P\",\"1\",\"X-1\",\"He said \"\"hi\"\"\",\"HT200\",\"2\",\"1.5\",\"\",\"A1\"\r\n" // 2
                     "P,2,X-2,unquoted,Q235,1,0.25,,\r\n"                                                 // 3
                     "\"\",\"1\",\"LOOSE\",\"无父\",\"\",\"1\",\"0\",\"\",\"\"\r\n"                       // 4
                     "\"P\",\"3\",\"\",\"空图号\",\"\",\"1\",\"0\",\"\",\"\"\r\n"                         // 5
                     "\"P\",\"4\",\"X-4\",\"n\",\"\",\"1\",\"nan\",\"\",\"\"\r\n"                         // 6
                     "\"P\",\"5\",\"X-5\",\"i\",\"\",\"1\",\"-inf\",\"\",\"\"\r\n"                        // 7
                     "\"P\",\"6\",\"X-6\",\"两行\r\n名称\",\"\",\"1\",\"0\",\"\",\"\"\r\n" // 8-9
                     "\"P\",\"7\",\"X-7\x01\",\"c\",\"\",\"1\",\"0\",\"\",\"\"\r\n"        // 10
                     "\"P\",\"8\",\"X-8\",\"open\r\n");                                    // 11
    vq::ScriptedUser user;
    user.Dialog("产品结构数据导入");
    ReadCsv(user, csv)
        .Message("有 6 行数据不能导入，已略去:\n第 4 行: 没有父图号\n第 5 行: 图号为空\n第 6 行: "
                 "重量不是有效的数字\n第 7 行: 重量不是有效的数字\n第 10 行: 含有不是文本的字符\n(另有 1 行)",
                 IDOK)
        .Do([](CDialog& d) {
            auto& dlg = ImportDlg(d);
            EXPECT_EQ(dlg.m_arrLines.GetSize(), 3);
            ASSERT_EQ(dlg.m_refusedLines.size(), 6u);
            EXPECT_EQ(dlg.m_refusedLines[5].line, 11);
            EXPECT_EQ(dlg.m_refusedLines[5].reason, "引号没有配对");
        })
        .Select(1062, 1)
        .Click(1329)
        .Message("产品结构信息存储完毕...", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(ImportProductDataFromFile("", "admin"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Rows(ws, "SELECT Dcode, Dname, DMaterial, Dweight FROM VqkorvelTeam_detail ORDER BY Ditem"),
              (std::vector<std::string>{"X-1|He said \"hi\"|HT200|1.5", "X-2|unquoted|Q235|0.25",
                                        "X-6|两行\n名称||0"}));
}

TEST_P(ImportFaultTest, SkippedAndBadLevelsAreRefused) {
    vqtest::DbWorkspace ws(GetParam());
    AddProducts(ws);
    RememberMatching(ws, {"装配级别", "图号", "图名"});
    CString txt = WriteGbk(ws, "in/l.txt",
                           "\"级别\" \"图号\" \"图名\"\r\n"
                           "\"1\" \"A\" \"部件A\"\r\n"
                           "\"3\" \"J\" \"跳级\"\r\n"
                           "\"4\" \"K\" \"跳级之下\"\r\n"
                           "\"x\" \"B\" \"无级别\"\r\n"
                           "\"2\" \"C\" \"零件C\"\r\n"
                           "no quotes here\r\n");
    vq::ScriptedUser user;
    user.Dialog("产品结构数据导入")
        .Click(1262)
        .DialogContaining("选择产品")
        .Select(1003, "P-1000")
        .Click(1236);
    ReadCsv(user, txt, 3)
        .Message("有 4 行数据不能导入，已略去:\n第 3 行: 装配级别3跳级，前面没有第2级\n第 4 行: "
                 "装配级别4跳级，前面没有第3级\n第 5 行: 装配级别无效\n第 7 行: 没有数据",
                 IDOK)
        .Do([](CDialog& d) {
            std::vector<std::string> lines;
            for (CObject* o : ImportDlg(d).m_arrLines) {
                auto* item = static_cast<CProductStructItem*>(o);
                lines.push_back(item->m_strUpCode.str() + ">" + item->m_strCode.str());
            }
            EXPECT_EQ(lines, (std::vector<std::string>{"P-1000>A", "A>C"}));
        })
        .Click(IDCANCEL);
    EXPECT_EQ(ImportProductDataFromFile("", "admin"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST(ImportFaults, FilesWithoutALineToStoreAreRefused) {
    vqtest::DbWorkspace ws(0);
    RememberAllColumns(ws);
    static const char kPicture[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\x01\0,\"x\",\"y\"\n";
    const std::string binary(kPicture, sizeof kPicture - 1);
    const CString png = ws.WriteFile("in/picture.csv", binary);
    const CString loose = WriteGbk(
        ws, "in/loose.csv", std::string(kCsvHeader) + "\"\",\"1\",\"A\",\"\",\"\",\"1\",\"0\",\"\",\"\"\r\n");
    const CString empty = ws.WriteFile("in/empty.csv", "");
    const CString notTable = ws.WriteFile("in/text.tbl", "图号\t图名\r\nA\tB\r\n");
    const CString unknownSection = ws.WriteFile("in/other.tbl", "VQTBL 1\r\n[TITLE]\r\n[PICTURE]\r\nx\r\n");
    auto noLines = [](CDialog& d) {
        EXPECT_EQ(ImportDlg(d).m_arrLines.GetSize(), 0);
        EXPECT_EQ(ImportDlg(d).m_listParents.GetItemCount(), 0);
    };
    vq::ScriptedUser user;
    user.Dialog("产品结构数据导入")
        .Click(1388)
        .File(png, 4)
        .Message(png + "不是文本文件，不能导入...", IDOK)
        .Do(noLines);
    ReadCsv(user, loose).Message("文件中没有可以导入的明细数据...\n第 2 行: 没有父图号", IDOK).Do(noLines);
    user.Click(1388)
        .File(empty, 4)
        .Message("文件中没有可以导入的明细数据...", IDOK)
        .Click(1388)
        .File(notTable, 1)
        .Message(notTable + "不是VQPDM独立明细表文件，或含有不能识别的内容，不能导入...", IDOK)
        .Click(1388)
        .File(unknownSection, 1)
        .Message(unknownSection + "不是VQPDM独立明细表文件，或含有不能识别的内容，不能导入...", IDOK)
        .Do(noLines)
        .Click(IDCANCEL);
    EXPECT_EQ(ImportProductDataFromFile("", "admin"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

// The database refuses the commit at the end of the store (as a full disk or an I/O error
// would): nothing of the store stays, the message says so and why, and the old rows are whole.
TEST_P(ImportFaultTest, AFailedCommitStoresNothingAndTheMessageSaysSoAndWhy) {
    vqtest::DbWorkspace ws(GetParam());
    ws.Execute("INSERT INTO VqkorvelTeam_detail (UpCode, Ditem, Dcode, Dname) VALUES ('Q', 1, 'A-1', 'old')");
    {
        _ConnectionPtr conn = ws.Connect();
        if (vqtest::DbWorkspace::OnPostgreSQL()) {
            conn->Execute("CREATE FUNCTION refuse_late() RETURNS trigger LANGUAGE plpgsql AS "
                          "$$ BEGIN RAISE EXCEPTION 'refused at commit'; END $$");
            conn->Execute(
                "CREATE CONSTRAINT TRIGGER late_title AFTER INSERT ON VqkorvelTeam_title DEFERRABLE "
                "INITIALLY DEFERRED FOR EACH ROW WHEN (NEW.TCode = 'LATE') EXECUTE FUNCTION "
                "refuse_late()");
        } else {
            // A deferred foreign key that a title 'LATE' breaks: checked only at the commit.
            conn->Execute("CREATE TABLE late_parent (id INTEGER PRIMARY KEY)");
            conn->Execute("CREATE TABLE late_child (pid INTEGER REFERENCES late_parent(id) DEFERRABLE "
                          "INITIALLY DEFERRED)");
            conn->Execute(
                "CREATE TRIGGER late_title AFTER INSERT ON VqkorvelTeam_title WHEN NEW.TCode='LATE' "
                "BEGIN INSERT INTO late_child VALUES (1); END");
        }
    }
    RememberAllColumns(ws);
    CString csv =
        WriteGbk(ws, "in/s.csv",
                 std::string(kCsvHeader) + "\"Q\",\"1\",\"A-1\",\"new\",\"\",\"1\",\"0\",\"\",\"A1\"\r\n"
                                           "\"Q\",\"2\",\"LATE\",\"\",\"\",\"1\",\"0\",\"\",\"A1\"\r\n"
                                           "\"Q\",\"3\",\"B-1\",\"\",\"\",\"1\",\"0\",\"\",\"\"\r\n");
    vq::ScriptedUser user;
    user.Dialog("产品结构数据导入");
    ReadCsv(user, csv)
        .Do([](CDialog&) {
            if (!vqtest::DbWorkspace::OnPostgreSQL())
                theApp.m_pConnPDM->Execute("PRAGMA foreign_keys=ON");
        })
        .Select(1062, 1)
        .Click(1329)
        .MessageContaining("产品结构信息存储失败，没有存储任何数据。\n", IDOK) // one box, with the cause
        .Do([](CDialog& d) {
            const CString& cause = ImportDlg(d).m_strFailCause;
            EXPECT_NE(cause.Find(vqtest::DbWorkspace::OnPostgreSQL() ? "refused at commit" : "FOREIGN KEY"),
                      -1)
                << cause.c_str();
        })
        .Click(IDCANCEL);
    EXPECT_EQ(ImportProductDataFromFile("", "admin"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Rows(ws, "SELECT UpCode, Dcode, Dname FROM VqkorvelTeam_detail"),
              (std::vector<std::string>{"Q|A-1|old"}));
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM VqkorvelTeam_title"), "0");
}

// Quit means quit: after Yes to the title question no detail is written, so no assembly is
// whole and the titles written before go too.
TEST_P(ImportFaultTest, QuittingAtATitleErrorStoresNothing) {
    vqtest::DbWorkspace ws(GetParam());
    ws.Execute("INSERT INTO VqkorvelTeam_detail (UpCode, Ditem, Dcode, Dname) VALUES ('Q', 1, 'BAD', 'old')");
    RefuseBadCodes(ws);
    RememberAllColumns(ws);
    CString csv =
        WriteGbk(ws, "in/s.csv",
                 std::string(kCsvHeader) + "\"Q\",\"1\",\"A-1\",\"a\",\"\",\"1\",\"0\",\"\",\"A1\"\r\n"
                                           "\"Q\",\"2\",\"BAD\",\"new\",\"\",\"1\",\"0\",\"\",\"A1\"\r\n");
    vq::ScriptedUser user;
    user.Dialog("产品结构数据导入");
    ReadCsv(user, csv)
        .Select(1062, 1)
        .Click(1329)
        .AnyMessage(IDOK)                             // the database's refusal
        .MessageContaining("执行出错的SQL语句", IDOK) // the statement, after the system's words
        .Message("插入标题出错，是否退出?", IDYES)
        .Message("产品结构信息存储已中止，没有存储任何数据。", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(ImportProductDataFromFile("", "admin"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Rows(ws, "SELECT Dcode, Dname FROM VqkorvelTeam_detail"),
              (std::vector<std::string>{"BAD|old"}));
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM VqkorvelTeam_title"), "0");
}

// The user stops the store among the lines of a structure TOP > A, B; A > A-1, A-2; B > B-1
// (titles first, then the lines parent by parent): what stays is the assemblies whose lines were
// all stored, each with its title and the titles of its parts; of B, a parent not reached, neither
// its new title nor its parts' titles nor its lines, and its old rows are as they were. Stopped at
// the first parent, nothing stays.
TEST_P(ImportFaultTest, AStopAmongTheLinesKeepsWholeAssembliesOnly) {
    for (const auto& [at, message] :
         {std::pair{"共 3 条，正处理第 3 条",
                    "产品结构信息存储已中止，已完整存储 2 个装配，其余数据没有存储。"},
          std::pair{"共 3 条，正处理第 1 条", "产品结构信息存储已中止，没有存储任何数据。"}}) {
        SCOPED_TRACE(at);
        vqtest::DbWorkspace ws(GetParam());
        ws.Execute(
            "INSERT INTO VqkorvelTeam_title (FileID, Tcode, Tname) VALUES ('_X_SAVE_', 'B', 'old');"
            "INSERT INTO VqkorvelTeam_title (FileID, Tcode, Tname) VALUES ('_X_SAVE_', 'A-1', 'old');"
            "INSERT INTO VqkorvelTeam_detail (FileID, UpCode, Ditem, Dcode, Dname) VALUES ('_X_SAVE_', 'B', "
            "1, 'B-1', 'old')");
        RememberAllColumns(ws);
        const CString csv = WriteGbk(ws, "in/s.csv",
                                     std::string(kCsvHeader) +
                                         "\"TOP\",\"1\",\"A\",\"部件A\",\"\",\"1\",\"0\",\"\",\"A1\"\r\n"
                                         "\"TOP\",\"2\",\"B\",\"部件B\",\"\",\"1\",\"0\",\"\",\"A1\"\r\n"
                                         "\"A\",\"1\",\"A-1\",\"new\",\"\",\"1\",\"0\",\"\",\"A4\"\r\n"
                                         "\"A\",\"2\",\"A-2\",\"new\",\"\",\"1\",\"0\",\"\",\"A4\"\r\n"
                                         "\"B\",\"1\",\"B-1\",\"new\",\"\",\"1\",\"0\",\"\",\"A4\"\r\n");
        vqtest::CancellingUser user(at);
        user.Dialog("产品结构数据导入");
        ReadCsv(user, csv).Select(1062, 1).Click(1329).Message(message, IDOK).Click(IDCANCEL);
        EXPECT_EQ(ImportProductDataFromFile("", "admin"), 1);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        const bool kept = CString(message).Find("2 个装配") >= 0;
        EXPECT_EQ(Rows(ws, "SELECT Tcode, Tname FROM VqkorvelTeam_title ORDER BY Tcode"),
                  kept ? (std::vector<std::string>{"A|部件A", "A-1|new", "A-2|new", "B|old"})
                       : (std::vector<std::string>{"A-1|old", "B|old"}));
        EXPECT_EQ(Rows(ws, "SELECT UpCode, Dcode, Dname FROM VqkorvelTeam_detail ORDER BY UpCode, Dcode"),
                  kept ? (std::vector<std::string>{"A|A-1|new", "A|A-2|new", "B|B-1|old", "TOP|A|部件A",
                                                   "TOP|B|部件B"})
                       : (std::vector<std::string>{"B|B-1|old"}));
    }
}

// The server ends the session while the dialog is open and lets no new one in: each store says in
// one box that nothing was stored and why, the first and a second one while the server is still
// away; once it is back, the store stores.
TEST_P(ImportFaultTest, AStoreWithoutTheServerSaysInOneBoxThatNothingWasStored) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "needs the PostgreSQL server";
    vqtest::DbWorkspace ws(GetParam());
    ws.Execute(
        "INSERT INTO VqkorvelTeam_detail (FileID, UpCode, Ditem, Dcode, Dname) VALUES ('_X_SAVE_', 'Q', 1, "
        "'A-1', 'old')");
    RememberAllColumns(ws);
    const CString csv =
        WriteGbk(ws, "in/s.csv",
                 std::string(kCsvHeader) + "\"Q\",\"1\",\"A-1\",\"new\",\"\",\"1\",\"0\",\"\",\"A1\"\r\n"
                                           "\"Q\",\"2\",\"B-1\",\"\",\"\",\"1\",\"0\",\"\",\"\"\r\n");
    theApp.m_bConnectionLost = FALSE;
    const CString nothing = "产品结构信息存储失败，没有存储任何数据。\n与数据库的连接已断开，操作不能继续。";
    std::vector<std::string> whileAway;
    vq::ScriptedUser user;
    user.Dialog("产品结构数据导入");
    ReadCsv(user, csv)
        .Select(1062, 1)
        .Do([&](CDialog&) {
            ws.EndSession(theApp.m_pConnPDM);
            ws.AllowNewSessions(false);
        })
        .Click(1329)
        .Message(nothing, IDOK)
        .Click(1329)
        .Message(nothing, IDOK)
        .Do([&](CDialog&) {
            ws.AllowNewSessions(true);
            whileAway = Rows(ws, "SELECT UpCode, Dcode, Dname FROM VqkorvelTeam_detail");
        })
        .Click(1329)
        .Message("产品结构信息存储完毕...", IDOK)
        .Click(IDCANCEL);
    const int result = ImportProductDataFromFile("", "admin");
    ws.AllowNewSessions(true);
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(whileAway, (std::vector<std::string>{"Q|A-1|old"}));
    EXPECT_EQ(Rows(ws, "SELECT UpCode, Dcode, Dname FROM VqkorvelTeam_detail ORDER BY Dcode"),
              (std::vector<std::string>{"Q|A-1|new", "Q|B-1|"}));
    EXPECT_FALSE(theApp.m_bConnectionLost);
}

// A database that takes no writes: read-only (the database on the server, a read-only session on
// SQLite, which says what a read-only file says), a disk with little room left (SQLite's page
// limit) and a full one (a process that may write no more). The store ends at the first refused
// statement with one box that names the cause and says that nothing was stored, no statement and
// no question before it; the rows are as they were.
TEST_P(ImportFaultTest, ADatabaseThatTakesNoWritesIsSaidInOneBoxAndNothingIsStored) {
    struct Fault {
        const char* name;
        DbFailure cause;
        const char* setUp; // on the dialog's connection, once the file is read
    };
    std::vector<Fault> faults{{"read-only", DbFailure::ReadOnly, "PRAGMA query_only=1"}};
    if (!vqtest::DbWorkspace::OnPostgreSQL()) {
        faults.push_back({"little room", DbFailure::DiskFull, nullptr});
        faults.push_back({"full disk", DbFailure::DiskError, nullptr});
    }
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.name);
        vqtest::DbWorkspace ws(GetParam());
        ws.Execute(
            "INSERT INTO VqkorvelTeam_title (FileID, Tcode, Tname) VALUES ('_X_SAVE_', 'N-5', 'old');"
            "INSERT INTO VqkorvelTeam_detail (FileID, UpCode, Ditem, Dcode, Dname) VALUES ('_X_SAVE_', "
            "'N-0', 5, 'N-15', 'old')");
        RememberAllColumns(ws);
        std::string lines = kCsvHeader;
        for (int i = 0; i < 400; ++i)
            lines += "\"" + (i < 10 ? std::string("TOP") : "N-" + std::to_string(i / 10 - 1)) + "\",\"" +
                     std::to_string(i % 10 + 1) + "\",\"N-" + std::to_string(i) +
                     "\",\"一个名称足够长的零件\",\"Q235\",\"1\",\"0.5\",\"\",\"A4\"\r\n";
        const CString csv = WriteGbk(ws, "in/s.csv", lines);
        const bool readOnly = fault.cause == DbFailure::ReadOnly;
        // Sessions opened from now on are read-only; this one takes it back.
        _ConnectionPtr admin = ws.Connect();
        if (readOnly && vqtest::DbWorkspace::OnPostgreSQL())
            admin->Execute(
                "DO $$ BEGIN EXECUTE format('ALTER DATABASE %I SET default_transaction_read_only = on', "
                "current_database()); END $$");
        std::optional<vqtest::FileSizeLimit> fullDisk;
        vq::ScriptedUser user;
        user.Dialog("产品结构数据导入");
        ReadCsv(user, csv)
            .Select(1062, 1)
            .Do([&](CDialog&) {
                if (readOnly && !vqtest::DbWorkspace::OnPostgreSQL())
                    theApp.m_pConnPDM->Execute(fault.setUp);
                if (fault.cause == DbFailure::DiskFull) {
                    const CString pages =
                        VariantToString(theApp.m_pConnPDM->Execute("PRAGMA page_count")->GetCollect(0L));
                    theApp.m_pConnPDM->Execute("PRAGMA max_page_count=" + pages);
                }
                if (fault.cause == DbFailure::DiskError)
                    fullDisk.emplace(16);
            })
            .Click(1329)
            .Message(CString("产品结构信息存储失败，没有存储任何数据。\n") + DbFailureText(fault.cause), IDOK)
            .Do([&](CDialog&) { fullDisk.reset(); })
            .Click(IDCANCEL);
        const int result = ImportProductDataFromFile("", "admin");
        fullDisk.reset();
        if (readOnly && vqtest::DbWorkspace::OnPostgreSQL())
            admin->Execute(
                "DO $$ BEGIN EXECUTE format('ALTER DATABASE %I RESET default_transaction_read_only', "
                "current_database()); END $$");
        EXPECT_EQ(result, 1);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(Rows(ws, "SELECT Tcode, Tname FROM VqkorvelTeam_title"),
                  (std::vector<std::string>{"N-5|old"}));
        EXPECT_EQ(Rows(ws, "SELECT UpCode, Dcode, Dname FROM VqkorvelTeam_detail"),
                  (std::vector<std::string>{"N-0|N-15|old"}));
    }
}

// The old title of a code can neither be deleted nor replaced (the user goes on each time): the
// title is one row not stored, however many of its statements failed, and its parent's two lines
// are two more. No box shows a statement without the system's words before it.
TEST_P(ImportFaultTest, ATitleWhoseStatementsAllFailCountsAsOneRowNotStored) {
    vqtest::DbWorkspace ws(GetParam());
    ws.Execute(
        "INSERT INTO VqkorvelTeam_title (FileID, TCode, TName) VALUES ('_X_SAVE_', 'BAD', 'old title')");
    RefuseBadCodes(ws);
    {
        _ConnectionPtr conn = ws.Connect();
        if (vqtest::DbWorkspace::OnPostgreSQL()) {
            conn->Execute("CREATE FUNCTION refuse_delete() RETURNS trigger LANGUAGE plpgsql AS "
                          "$$ BEGIN RAISE EXCEPTION 'refused'; END $$");
            conn->Execute(
                "CREATE TRIGGER keep_bad_title BEFORE DELETE ON VqkorvelTeam_title FOR EACH ROW WHEN "
                "(OLD.TCode = 'BAD') EXECUTE FUNCTION refuse_delete()");
        } else {
            conn->Execute(
                "CREATE TRIGGER keep_bad_title BEFORE DELETE ON VqkorvelTeam_title WHEN OLD.TCode='BAD' "
                "BEGIN SELECT RAISE(ABORT, 'refused'); END");
        }
    }
    RememberAllColumns(ws);
    const CString csv =
        WriteGbk(ws, "in/s.csv",
                 std::string(kCsvHeader) + "\"Q\",\"1\",\"BAD\",\"new\",\"\",\"1\",\"0\",\"\",\"A1\"\r\n"
                                           "\"Q\",\"2\",\"Q-2\",\"\",\"\",\"1\",\"0\",\"\",\"\"\r\n"
                                           "\"R\",\"1\",\"R-1\",\"\",\"\",\"1\",\"0\",\"\",\"\"\r\n");
    const CString statement = "执行出错的SQL语句,(请检查表、字段是否存在，或字段类型是否匹配)：\n";
    vq::ScriptedUser user;
    user.Dialog("产品结构数据导入");
    ReadCsv(user, csv)
        .Select(1062, 1)
        .Click(1329)
        .AnyMessage(IDOK)
        .MessageContaining(statement + "DELETE FROM VqkorvelTeam_title", IDOK)
        .Message("插入标题出错，是否退出?", IDNO)
        .AnyMessage(IDOK)
        .MessageContaining(statement + "INSERT INTO VqkorvelTeam_title", IDOK)
        .Message("插入标题出错，是否退出?", IDNO)
        .AnyMessage(IDOK)
        .MessageContaining(statement + "INSERT INTO VqkorvelTeam_detail", IDOK)
        .Message("插入明细信息出错，是否退出?", IDNO)
        .Message("产品结构信息存储完毕...\n有 3 条数据未能存储。", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(ImportProductDataFromFile("", "admin"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Rows(ws, "SELECT TCode, TName FROM VqkorvelTeam_title WHERE TCode='BAD'"),
              (std::vector<std::string>{"BAD|old title"}));
    EXPECT_EQ(Rows(ws, "SELECT UpCode, Dcode FROM VqkorvelTeam_detail ORDER BY UpCode"),
              (std::vector<std::string>{"R|R-1"}));
}

// The database file is moved away while the dialog is open (its connection keeps the file): the
// store ends with its message, and nothing opens the data source anew behind the user's back.
TEST(ImportFaults, AMovedDatabaseFileDoesNotEndTheHost) {
    if (vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "a file of SQLite";
    vqtest::DbWorkspace ws(0);
    RememberAllColumns(ws);
    CString csv =
        WriteGbk(ws, "in/s.csv",
                 std::string(kCsvHeader) + "\"Q\",\"1\",\"A-1\",\"a\",\"\",\"1\",\"0\",\"\",\"A1\"\r\n");
    const CString path = ws.ProductDatabasePath();
    const CString moved = path + ".moved";
    vq::ScriptedUser user;
    user.Dialog("产品结构数据导入");
    ReadCsv(user, csv)
        .Select(1062, 1)
        .Do([&](CDialog&) { ASSERT_EQ(std::rename(path.c_str(), moved.c_str()), 0); })
        .Click(1329)
        .Message("产品结构信息存储完毕...", IDOK)
        .Do([&](CDialog&) {
            std::remove(path.c_str());
            ASSERT_EQ(std::rename(moved.c_str(), path.c_str()), 0);
        })
        .Click(IDCANCEL);
    EXPECT_EQ(ImportProductDataFromFile("", "admin"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM VqkorvelTeam_detail"), "1");
}

// A host killed in the middle of a store of 2,000 parts (ten under each assembly), once among the
// titles and once among the details: the import is stored whole or not at all, the rows it would
// have replaced are as they were, and the next import stores everything.
TEST_P(ImportFaultTest, AHostKilledWhileStoringLeavesTheTablesAsTheyWere) {
    vqtest::DbWorkspace ws(GetParam());
    ws.Execute("INSERT INTO VqkorvelTeam_title (FileID, Tcode, Tname) VALUES ('_X_SAVE_', 'N-5', 'old');"
               "INSERT INTO VqkorvelTeam_detail (FileID, UpCode, Ditem, Dcode, Dname) VALUES ('_X_SAVE_', 'N-0', 5, "
               "'N-15', 'old')");
    RememberAllColumns(ws);
    std::string csv = kCsvHeader;
    for (int i = 0; i < 2000; ++i)
        csv += "\"" + (i < 10 ? std::string("TOP") : "N-" + std::to_string(i / 10 - 1)) + "\",\"" +
               std::to_string(i % 10 + 1) + "\",\"N-" + std::to_string(i) + "\",\"件\",\"Q235\",\"1\",\"0.5\",\"\","
               "\"A4\"\r\n";
    const CString file = WriteGbk(ws, "in/big.csv", csv);
    const CString script = ws.WriteFile("in/store.script", "dialog \"产品结构数据导入\"\nclick 1388\nfile \"" +
                                                                file.str() +
                                                                "\" 4\ndialog \"产品数据匹配\"\nclick 1\nselect 1062 "
                                                                "1\nclick 1329\nmessage \"产品结构信息存储完毕...\" "
                                                                "IDOK\nclick 2\n");
    const std::vector<std::string> args{"--headless", "--script", script.str(), "ImportProductDataFromFile", "x",
                                        "admin"};
    for (const auto& [table, condition] : {std::pair{"VqkorvelTeam_title", "NEW.Tcode = 'N-1200'"},
                                           std::pair{"VqkorvelTeam_detail", "NEW.Dcode = 'N-1500'"}}) {
        SCOPED_TRACE(table);
        const vqtest::HostRun run = ws.RunHostKilledAtInsert(table, condition, args);
        ASSERT_TRUE(run.killed) << run.out;
        EXPECT_EQ(Rows(ws, "SELECT Tcode, Tname FROM VqkorvelTeam_title"), (std::vector<std::string>{"N-5|old"}));
        EXPECT_EQ(Rows(ws, "SELECT UpCode, Dcode, Dname FROM VqkorvelTeam_detail"),
                  (std::vector<std::string>{"N-0|N-15|old"}));
    }
    const vqtest::HostRun run = vqtest::RunHostMeasured(args);
    EXPECT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM VqkorvelTeam_title"), "2000");
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM VqkorvelTeam_detail"), "2000");
    EXPECT_EQ(ws.QueryText("SELECT Dname FROM VqkorvelTeam_detail WHERE Dcode = 'N-15'"), "件");
}

INSTANTIATE_TEST_SUITE_P(Dialects, ImportFaultTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
