// The product structure import: line parsing, the four file kinds, the column matching that the
// import remembers, the parent drawing and storing into both areas.
#include "platform/os/EntryTable.h"
#include "parts/ProductDataMatchDlg.h"
#include "parts/ProductStructImportDlg.h"
#include "platform/base/Folders.h"
#include "platform/base/TextCodec.h"
#include "platform/maker/TableFile.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/parts/ImportFixtures.h"

#include <gtest/gtest.h>

extern "C" int ImportProductDataFromFile(CString unused, CString login);

using namespace importtest;

namespace {

class ImportTest : public ::testing::TestWithParam<int> {};

} // namespace

// --- Parsing -------------------------------------------------------------------------------------

TEST(ImportParsing, TabLinesKeepTheirLastCharacterAndTrimSpaces) {
    CStringArray f;
    CProductStructImportDlg::SplitTabLine("A\tB", f);
    EXPECT_EQ(Strings(f), (std::vector<std::string>{"A", "B"}));
    CProductStructImportDlg::SplitTabLine("  A \t\t B  ", f);
    EXPECT_EQ(Strings(f), (std::vector<std::string>{"A", "", "B"}));
    CProductStructImportDlg::SplitTabLine("A\t", f);
    EXPECT_EQ(Strings(f), (std::vector<std::string>{"A", ""}));
}

TEST(ImportParsing, QuotedLinesTakeOnlyTheTextsBetweenQuotes) {
    CStringArray f;
    CProductStructImportDlg::SplitQuotedLine("\"A\";\"B\";x", f);
    EXPECT_EQ(Strings(f), (std::vector<std::string>{"A", "B"}));
    CProductStructImportDlg::SplitQuotedLine("\" A \",\"\",\"open", f);
    EXPECT_EQ(Strings(f), (std::vector<std::string>{" A ", ""}));
    CProductStructImportDlg::SplitQuotedLine("no quotes", f);
    EXPECT_EQ(f.GetSize(), 0);
}

TEST(ImportParsing, AttributesFillTheirFieldsAndTheLevelTakesItsDigits) {
    CProductStructItem item;
    EXPECT_EQ(CProductStructImportDlg::ApplyAttribute(item, "数量", "12abc"), -1);
    EXPECT_EQ(item.m_nQuantity, 12);
    CProductStructImportDlg::ApplyAttribute(item, "序号", "x");
    EXPECT_EQ(item.m_nItem, 0);
    CProductStructImportDlg::ApplyAttribute(item, "重量", "2.75kg");
    EXPECT_EQ(item.m_dWeight, 2.75);
    CProductStructImportDlg::ApplyAttribute(item, "规格", "M16");
    CProductStructImportDlg::ApplyAttribute(item, "类型", "标准件");
    EXPECT_EQ(item.m_strStand, "M16");
    EXPECT_EQ(item.m_strStyle, "标准件");
    CProductStructImportDlg::ApplyAttribute(item, "标题其他2", "t2");
    EXPECT_EQ(item.m_strTitleOther2, "t2");
    EXPECT_EQ(CProductStructImportDlg::ApplyAttribute(item, "装配级别", "1-2"), 12);
    EXPECT_EQ(CProductStructImportDlg::ApplyAttribute(item, "装配级别", "级"), 0);
    EXPECT_EQ(CProductStructImportDlg::ApplyAttribute(item, "不认识", "v"), -1);
}

TEST(ImportParsing, NumbersGoIntoSqlWithADecimalPoint) {
    EXPECT_EQ(CProductStructImportDlg::SqlNumber(1.5), "1.500000");
    EXPECT_EQ(CProductStructImportDlg::SqlNumber(-0.125), "-0.125000");
    EXPECT_EQ(CProductStructImportDlg::SqlNumber(0), "0.000000");
    EXPECT_EQ(CProductStructImportDlg::ParseDouble(" -3.5e1"), -35.0);
    EXPECT_EQ(CProductStructImportDlg::ParseDouble("abc"), 0.0);
}

TEST(ImportParsing, LevelsGiveTheParentOfEachLine) {
    CProductStructImportDlg dlg;
    dlg.m_levelStack.emplace_back(0, "P");
    EXPECT_EQ(dlg.ParentFromLevel(1, "A"), "P");
    EXPECT_EQ(dlg.ParentFromLevel(2, "B"), "A");
    EXPECT_EQ(dlg.ParentFromLevel(2, "C"), "A");
    EXPECT_EQ(dlg.ParentFromLevel(1, "D"), "P");
    EXPECT_EQ(dlg.ParentFromLevel(2, "E"), "D");
    EXPECT_EQ(dlg.ParentFromLevel(4, "F"), ""); // no level 3 above it
    EXPECT_EQ(dlg.ParentFromLevel(0, "G"), "");
    EXPECT_EQ(dlg.ParentFromLevel(1, ""), "");
}

// --- Reading and storing through the dialog -------------------------------------------------------

TEST_P(ImportTest, CsvIntoTheArchiveAreaWithTheProductFromThePicker) {
    vqtest::DbWorkspace ws(GetParam());
    AddProducts(ws);
    RememberMatching(ws, {"父图号", "序号", "图号", "图名", "材料", "数量", "重量", "备注", "图幅"});
    CString csv = WriteGbk(ws, "in/s.csv",
                           std::string(kCsvHeader) +
                               "\"P-1000\",\"0\",\"X-1\",\"箱体\",\"HT200\",\"2\",\"1.5\",\"r1\",\"A1\"\r\n"
                               "\"P-1000\",\"5\",\"X-2\",\"箱盖\",\"HT200\",\"1\",\"0.25\",\"\",\"\"\r\n"
                               "\"P-1000\",\"\",\"O'Brien\",\"引号件\",\"\",\"3\",\"0\",\"\",\"A4\"\r\n"
                               "\"X-1\",\"1\",\"X-1-1\",\"底座\",\"Q235\",\"4\",\"2\",\"\",\"A3\"\r\n"
                               "\"\",\"1\",\"LOOSE\",\"无父\",\"\",\"1\",\"0\",\"\",\"A4\"\r\n");
    vq::ScriptedUser user;
    user.Dialog("产品结构数据导入")
        .Click(1262)
        .DialogContaining("选择产品")
        .Select(1003, "P-1000")
        .Click(1236)
        .Dialog("产品结构数据导入")
        .Click(1388)
        .File(csv, 4)
        .Dialog("产品数据匹配")
        .Click(IDOK)
        .Message("有 1 行数据不能导入，已略去:\n第 6 行: 没有父图号", IDOK)
        .Dialog("产品结构数据导入")
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CProductStructImportDlg&>(d);
            EXPECT_EQ(dlg.m_arrLines.GetSize(), 4);
            EXPECT_EQ(dlg.m_arrNoParentLines.GetSize(), 1);
            EXPECT_EQ(dlg.m_listParents.GetItemCount(), 2);
            EXPECT_EQ(dlg.m_listParents.GetItemText(1, 0), "X-1");
            EXPECT_EQ(dlg.m_listParents.GetItemText(1, 1), "箱体");
            CString text;
            dlg.GetDlgItemText(1246, text);
            EXPECT_EQ(text, "共 4 条明细");
            dlg.GetDlgItemText(1245, text);
            EXPECT_EQ(text, "共 2 个装配");
        })
        .Select(1051, 0)
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CProductStructImportDlg&>(d);
            ASSERT_EQ(dlg.m_listLines.GetItemCount(), 3);
            EXPECT_EQ(dlg.m_listLines.GetItemText(2, 0), "3");
            EXPECT_EQ(dlg.m_listLines.GetItemText(2, 1), "O'Brien");
            EXPECT_EQ(dlg.m_listLines.GetItemText(0, 5), "2");
        })
        .Click(1329)
        .Message("产品结构信息存储完毕...", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(ImportProductDataFromFile("", "zhangsan"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();

    // Item numbers: 0 or missing become the position; 5 stays and still advances the position.
    EXPECT_EQ(Rows(ws, "SELECT UpCode, UpName, Ditem, Dcode, Dname, DMaterial, Dquantity, Dweight, Dremark, "
                       "ProductDwgCode FROM VqkorvelAll_detail ORDER BY UpCode, Ditem"),
              (std::vector<std::string>{"P-1000|减速机|1|X-1|箱体|HT200|2|1.5|r1|P-1000",
                                        "P-1000|减速机|3|O'Brien|引号件||3|0||P-1000",
                                        "P-1000|减速机|5|X-2|箱盖|HT200|1|0.25||P-1000",
                                        "X-1|箱体|1|X-1-1|底座|Q235|4|2||P-1000"}));
    // Title rows for lines with a sheet size; X-2 has none and is no parent.
    EXPECT_EQ(
        Rows(ws,
             "SELECT TCode, TName, Tframe, TWeight, ProductDwgCode, Tother2, CurrentRev, LateRev, Manager, "
             "State FROM VqkorvelAll_title ORDER BY TCode"),
        (std::vector<std::string>{"O'Brien|引号件|A4|0|P-1000|#|A|A|zhangsan|数据导入",
                                  "X-1|箱体|A1|1.5|P-1000|#|A|A|zhangsan|数据导入",
                                  "X-1-1|底座|A3|2|P-1000|#|A|A|zhangsan|数据导入"}));
    EXPECT_FALSE(ws.QueryText("SELECT Ttime FROM VqkorvelAll_title WHERE TCode='X-1'").IsEmpty());
}

TEST_P(ImportTest, StoringAgainReplacesOnlyThePairsBeingWritten) {
    vqtest::DbWorkspace ws(GetParam());
    AddProducts(ws);
    ws.Execute(
        "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode, Dname) VALUES ('P-1000', 1, 'X-1', 'old');"
        "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode, Dname) VALUES ('P-1000', 9, 'KEEP', 'kept');"
        "INSERT INTO VqkorvelAll_title (TCode, TName) VALUES ('X-1', 'old')");
    RememberMatching(ws, {"父图号", "序号", "图号", "图名", "材料", "数量", "重量", "备注", "图幅"});
    CString csv = WriteGbk(ws, "in/s.csv",
                           std::string(kCsvHeader) +
                               "\"P-1000\",\"1\",\"X-1\",\"箱体\",\"\",\"1\",\"0\",\"\",\"A1\"\r\n");
    vq::ScriptedUser user;
    user.Dialog("产品结构数据导入")
        .Click(1262)
        .DialogContaining("选择产品")
        .Select(1003, "P-1000")
        .Click(1236)
        .Click(1388)
        .File(csv, 4)
        .Dialog("产品数据匹配")
        .Click(IDOK)
        .Click(1329)
        .Message("产品结构信息存储完毕...", IDOK)
        .Close();
    EXPECT_EQ(ImportProductDataFromFile("", "admin"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Rows(ws, "SELECT Dcode, Dname FROM VqkorvelAll_detail ORDER BY Ditem"),
              (std::vector<std::string>{"X-1|箱体", "KEEP|kept"}));
    EXPECT_EQ(Rows(ws, "SELECT TCode, TName FROM VqkorvelAll_title"), (std::vector<std::string>{"X-1|箱体"}));
}

TEST_P(ImportTest, TabFileWithTheHeaderParsedAndLongLinesReadWhole) {
    vqtest::DbWorkspace ws(GetParam());
    RememberMatching(ws, {"父图号", "图号", "图名"});
    const std::string longName(400, 'n');
    // The last line has no line end and keeps its last character.
    CString txt = WriteGbk(ws, "in/t.txt",
                           "父图号\t图号\t图名\r\n"
                           "A\tA-1\t" +
                               longName +
                               "\r\n"
                               "\r\n"
                               "A\tA-2\t轴");
    vq::ScriptedUser user;
    user.Dialog("产品结构数据导入")
        .Check(1221, 0)
        .Click(1388)
        .File(txt, 2)
        .Dialog("产品数据匹配")
        .Click(IDOK)
        .Do([&](CDialog& d) {
            auto& dlg = static_cast<CProductStructImportDlg&>(d);
            // The header is a data line too: its parent column holds "父图号".
            ASSERT_EQ(dlg.m_arrLines.GetSize(), 3);
            auto* first = static_cast<CProductStructItem*>(dlg.m_arrLines[0]);
            EXPECT_EQ(first->m_strUpCode, "父图号");
            auto* second = static_cast<CProductStructItem*>(dlg.m_arrLines[1]);
            EXPECT_EQ(second->m_strName.str(), longName);
            auto* last = static_cast<CProductStructItem*>(dlg.m_arrLines[2]);
            EXPECT_EQ(last->m_strName, "轴");
        })
        .Select(1062, 1)
        .Click(1329)
        .Message("产品结构信息存储完毕...", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(ImportProductDataFromFile("", "admin"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    // The collaborative-design area needs no product: every row is marked "_X_SAVE_".
    EXPECT_EQ(Rows(ws,
                   "SELECT FileID, UpCode, Ditem, Dcode, ProductDwgCode FROM VqkorvelTeam_detail ORDER BY "
                   "UpCode, Ditem"),
              (std::vector<std::string>{"_X_SAVE_|A|1|A-1|_X_SAVE_", "_X_SAVE_|A|2|A-2|_X_SAVE_",
                                        "_X_SAVE_|父图号|1|图号|_X_SAVE_"}));
    // No line has a sheet size and no code is a parent: no title rows.
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM VqkorvelTeam_title"), "0");
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM VqkorvelAll_detail"), "0");
}

TEST_P(ImportTest, LevelFileNeedsAProductAndTakesParentsFromLevels) {
    vqtest::DbWorkspace ws(GetParam());
    AddProducts(ws);
    RememberMatching(ws, {"装配级别", "图号", "图名"});
    CString txt = WriteGbk(ws, "in/l.txt",
                           "\"级别\" \"图号\" \"图名\"\r\n"
                           "\"1\" \"A\" \"部件A\"\r\n"
                           "\"2\" \"B\" \"零件B\"\r\n"
                           "\"2\" \"C\" \"零件C\"\r\n"
                           "\"1\" \"D\" \"部件D\"\r\n"
                           "\"2\" \"E\" \"零件E\"\r\n"
                           "\"0\" \"Z\" \"零级\"\r\n");
    vq::ScriptedUser user;
    user.Dialog("产品结构数据导入")
        .Click(1388)
        .File(txt, 3)
        .Message("须先指定归档的产品信息...", IDOK)
        .Do([](CDialog& d) { EXPECT_EQ(static_cast<CProductStructImportDlg&>(d).m_arrLines.GetSize(), 0); })
        .Click(1262)
        .DialogContaining("选择产品")
        .Select(1003, "P-1000")
        .Click(1236)
        .Click(1388)
        .File(txt, 3)
        .Dialog("产品数据匹配")
        .Do([](CDialog& d) {
            // The level attribute is offered as the 19th entry.
            auto& match = static_cast<CProductDataMatchDlg&>(d);
            EXPECT_EQ(match.m_listAttributes.GetCount(), 19);
            EXPECT_EQ(match.m_listColumns.GetItemText(0, 1), "装配级别");
        })
        .Click(IDOK)
        .Message("有 1 行数据不能导入，已略去:\n第 7 行: 装配级别无效", IDOK)
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CProductStructImportDlg&>(d);
            std::vector<std::string> parents;
            for (CObject* o : dlg.m_arrLines)
                parents.push_back(static_cast<CProductStructItem*>(o)->m_strUpCode.str());
            EXPECT_EQ(parents, (std::vector<std::string>{"P-1000", "A", "A", "P-1000", "D"}));
            EXPECT_EQ(dlg.m_arrNoParentLines.GetSize(), 1);
        })
        .Click(1329)
        .Message("产品结构信息存储完毕...", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(ImportProductDataFromFile("", "admin"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    // Parents without a sheet size still get title rows; the product's name comes from the picker.
    EXPECT_EQ(Rows(ws, "SELECT UpCode, UpName, Dcode FROM VqkorvelAll_detail ORDER BY UpCode, Ditem"),
              (std::vector<std::string>{"A|部件A|B", "A|部件A|C", "D|部件D|E", "P-1000|减速机|A",
                                        "P-1000|减速机|D"}));
    EXPECT_EQ(Rows(ws, "SELECT TCode FROM VqkorvelAll_title ORDER BY TCode"),
              (std::vector<std::string>{"A", "D"}));
}

TEST_P(ImportTest, TableFileReadsItsFirstDetailArea) {
    vqtest::DbWorkspace ws(GetParam());
    RememberMatching(ws, {"图号", "图名", "数量"});
    CAttribValueTable table;
    CStringArray labels;
    for (const char* l : {"图号", "图名", "数量"})
        labels.Add(l);
    table.SetAttribLables(labels);
    auto row = [&](std::initializer_list<const char*> values) {
        CStringArray a;
        for (const char* v : values)
            a.Add(v);
        table.AddAttribValueRecord(a);
    };
    row({"T-1", "板", "2"});
    row({"T-2", "轴"}); // from here on only two columns are used
    row({"T-3", "套", "7"});
    CArray<CAttribValueTable> tables;
    tables.Add(table);
    const CString tbl = ws.Root() + "/in.tbl";
    ASSERT_TRUE(WriteTableFile(tbl, CStringArray(), CStringArray(), tables, CStringArray(), CStringArray()));
    const CString empty = ws.Root() + "/empty.tbl";
    ASSERT_TRUE(WriteTableFile(empty, CStringArray(), CStringArray(), CArray<CAttribValueTable>(),
                               CStringArray(), CStringArray()));

    vq::ScriptedUser user;
    user.Dialog("产品结构数据导入")
        .Click(1388)
        .File(empty, 1)
        .Message("该报表无明细区，不能进行数据导入...", IDOK)
        .Click(1388)
        .File(ws.Root() + "/none.tbl", 1)
        .Message(ws.Root() + "/none.tbl不在指定位置...", IDOK)
        .Check(1158, 1)
        .Dialog("指定父图")
        .Click(IDOK)
        .Message("父图号不能为空！", IDOK)
        .Set(1060, "ASM-9")
        .Set(1162, "A2")
        .Click(IDOK)
        .Dialog("产品结构数据导入")
        .Click(1388)
        .File(tbl, 1)
        .Dialog("产品数据匹配")
        .Click(IDOK)
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CProductStructImportDlg&>(d);
            ASSERT_EQ(dlg.m_arrLines.GetSize(), 3);
            std::vector<int> quantities;
            for (CObject* o : dlg.m_arrLines) {
                auto* item = static_cast<CProductStructItem*>(o);
                EXPECT_EQ(item->m_strUpCode, "ASM-9");
                EXPECT_EQ(item->m_strFrame, "A2");
                quantities.push_back(item->m_nQuantity);
            }
            EXPECT_EQ(quantities, (std::vector<int>{2, 1, 1}));
        })
        .Select(1062, 1)
        .Click(1329)
        .Message("产品结构信息存储完毕...", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(ImportProductDataFromFile("", "admin"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    // Every line has the parent's sheet size, so every line gets a title row.
    EXPECT_EQ(Rows(ws, "SELECT TCode, Tframe, FileID, ProductDwgCode FROM VqkorvelTeam_title ORDER BY TCode"),
              (std::vector<std::string>{"T-1|A2|_X_SAVE_|_X_SAVE_", "T-2|A2|_X_SAVE_|_X_SAVE_",
                                        "T-3|A2|_X_SAVE_|_X_SAVE_"}));
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM VqkorvelTeam_detail WHERE UpCode='ASM-9'"), "3");
}

TEST_P(ImportTest, SeparateTitlesSettingStoresDetailsOnly) {
    vqtest::DbWorkspace ws(GetParam());
    ws.WriteSetting("图纸入库配置", "标题明细分开入库", "1");
    RememberMatching(ws, {"父图号", "序号", "图号", "图名", "材料", "数量", "重量", "备注", "图幅"});
    CString csv =
        WriteGbk(ws, "in/s.csv",
                 std::string(kCsvHeader) + "\"Q\",\"1\",\"Q-1\",\"件\",\"\",\"1\",\"0\",\"\",\"A1\"\r\n");
    vq::ScriptedUser user;
    user.Dialog("产品结构数据导入")
        .Click(1329)
        .Message("未选择存入产品...", IDOK)
        .Select(1062, 1)
        .Click(1329)
        .Message("无明细数据，请选择数据文件...", IDOK)
        .Click(1388)
        .File(csv, 4)
        .Dialog("产品数据匹配")
        .Click(IDOK)
        .Click(1329)
        .Message("产品结构信息存储完毕...", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(ImportProductDataFromFile("", "admin"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM VqkorvelTeam_title"), "0");
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM VqkorvelTeam_detail"), "1");
}

TEST_P(ImportTest, AFailedInsertKeepsTheOldRowsAndTheMessageSaysSo) {
    vqtest::DbWorkspace ws(GetParam());
    ws.Execute(
        "INSERT INTO VqkorvelTeam_detail (UpCode, Ditem, Dcode, Dname) VALUES ('Q', 1, 'BAD', 'old bad');"
        "INSERT INTO VqkorvelTeam_detail (UpCode, Ditem, Dcode, Dname) VALUES ('Q', 2, 'Q-2', 'old q2');"
        "INSERT INTO VqkorvelTeam_title (TCode, TName) VALUES ('BAD', 'old title');"
        "INSERT INTO VqkorvelTeam_detail (UpCode, Ditem, Dcode, Dname) VALUES ('R', 1, 'R-1', 'old r1')");
    RefuseBadCodes(ws);
    RememberMatching(ws, {"父图号", "序号", "图号", "图名", "材料", "数量", "重量", "备注", "图幅"});
    CString csv =
        WriteGbk(ws, "in/s.csv",
                 std::string(kCsvHeader) + "\"Q\",\"1\",\"BAD\",\"new bad\",\"\",\"1\",\"0\",\"\",\"A1\"\r\n"
                                           "\"Q\",\"2\",\"Q-2\",\"new q2\",\"\",\"1\",\"0\",\"\",\"\"\r\n"
                                           "\"R\",\"1\",\"R-1\",\"new r1\",\"\",\"1\",\"0\",\"\",\"\"\r\n");
    vq::ScriptedUser user;
    user.Dialog("产品结构数据导入")
        .Click(1388)
        .File(csv, 4)
        .Dialog("产品数据匹配")
        .Click(IDOK)
        .Select(1062, 1)
        .Click(1329)
        // The title insert of BAD fails: the error, the statement after the system's words (never
        // a box of the statement alone), then the question.
        .AnyMessage(IDOK)
        .MessageContaining("执行出错的SQL语句,(请检查表、字段是否存在，或字段类型是否匹配)：\nINSERT INTO "
                           "VqkorvelTeam_title",
                           IDOK)
        .Message("插入标题出错，是否退出?", IDNO)
        // The detail insert of BAD fails: parent Q keeps its old lines, R goes on.
        .AnyMessage(IDOK)
        .MessageContaining("执行出错的SQL语句,(请检查表、字段是否存在，或字段类型是否匹配)：\nINSERT INTO "
                           "VqkorvelTeam_detail",
                           IDOK)
        .Message("插入明细信息出错，是否退出?", IDNO)
        .Message("产品结构信息存储完毕...\n有 3 条数据未能存储。", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(ImportProductDataFromFile("", "admin"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Rows(ws, "SELECT UpCode, Dcode, Dname FROM VqkorvelTeam_detail ORDER BY UpCode, Ditem"),
              (std::vector<std::string>{"Q|BAD|old bad", "Q|Q-2|old q2", "R|R-1|new r1"}));
    EXPECT_EQ(Rows(ws, "SELECT TCode, TName FROM VqkorvelTeam_title"),
              (std::vector<std::string>{"BAD|old title"}));
}

TEST_P(ImportTest, AnsweringYesStopsTheStoreAndTheMessageSaysSo) {
    vqtest::DbWorkspace ws(GetParam());
    RefuseBadCodes(ws);
    ws.WriteSetting("图纸入库配置", "标题明细分开入库", "1");
    RememberMatching(ws, {"父图号", "序号", "图号", "图名", "材料", "数量", "重量", "备注", "图幅"});
    CString csv =
        WriteGbk(ws, "in/s.csv",
                 std::string(kCsvHeader) + "\"A\",\"1\",\"A-1\",\"\",\"\",\"1\",\"0\",\"\",\"\"\r\n"
                                           "\"Q\",\"1\",\"BAD\",\"\",\"\",\"1\",\"0\",\"\",\"\"\r\n"
                                           "\"R\",\"1\",\"R-1\",\"\",\"\",\"1\",\"0\",\"\",\"\"\r\n");
    vq::ScriptedUser user;
    user.Dialog("产品结构数据导入")
        .Click(1388)
        .File(csv, 4)
        .Dialog("产品数据匹配")
        .Click(IDOK)
        .Select(1062, 1)
        .Click(1329)
        .AnyMessage(IDOK)
        .AnyMessage(IDOK)
        .Message("插入明细信息出错，是否退出?", IDYES)
        .Message("产品结构信息存储已中止，已完整存储 1 个装配，其余数据没有存储。", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(ImportProductDataFromFile("", "admin"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Rows(ws, "SELECT Dcode FROM VqkorvelTeam_detail"), (std::vector<std::string>{"A-1"}));
}

TEST_P(ImportTest, ClosingTheDialogStopsTheStore) {
    vqtest::DbWorkspace ws(GetParam());
    RememberMatching(ws, {"父图号", "序号", "图号", "图名", "材料", "数量", "重量", "备注", "图幅"});
    CString csv =
        WriteGbk(ws, "in/s.csv",
                 std::string(kCsvHeader) + "\"A\",\"1\",\"A-1\",\"\",\"\",\"1\",\"0\",\"\",\"A4\"\r\n");
    vq::ScriptedUser user;
    user.Dialog("产品结构数据导入")
        .Click(1388)
        .File(csv, 4)
        .Dialog("产品数据匹配")
        .Click(IDOK)
        .Select(1062, 1)
        // The close box was pressed while the lists were filled: the store stops at once.
        .Do([](CDialog& d) { static_cast<CProductStructImportDlg&>(d).m_bClosing = TRUE; })
        .Click(1329)
        .Message("产品结构信息存储已中止，没有存储任何数据。", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(ImportProductDataFromFile("", "admin"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM VqkorvelTeam_title"), "0");
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM VqkorvelTeam_detail"), "0");
}

// The file dialog opens in the user's home folder at first, then in the folder the last file was
// chosen from, which the settings keep; a remembered folder that is gone gives the home folder again.
TEST_P(ImportTest, ReadingAgainAsksBeforeReplacingTheLines) {
    vqtest::DbWorkspace ws(GetParam());
    RememberMatching(ws, {"父图号", "序号", "图号"});
    CString csv = WriteGbk(ws, "in/s.csv", "\"父图号\",\"序号\",\"图号\"\r\n\"A\",\"1\",\"A-1\"\r\n");
    CString csv2 = WriteGbk(ws, "in/t.csv",
                            "\"父图号\",\"序号\",\"图号\"\r\n\"B\",\"1\",\"B-1\"\r\n\"B\",\"2\",\"B-2\"\r\n");
    const CString home = vq::HomeFolder();
    vq::ScriptedUser user;
    user.Dialog("产品结构数据导入")
        .Click(1388)
        .File(csv, 4)
        .Dialog("产品数据匹配")
        .Do([&](CDialog&) {
            EXPECT_EQ(user.FileDialogFolder(), home);
            EXPECT_EQ(user.FileDialogFilterIndex(), 1);
        })
        .Click(IDOK)
        .Click(1388)
        .Message("覆盖当前列表中的明细数据?", IDNO)
        .Do([](CDialog& d) { EXPECT_EQ(static_cast<CProductStructImportDlg&>(d).m_arrLines.GetSize(), 1); })
        .Click(1388)
        .Message("覆盖当前列表中的明细数据?", IDYES)
        .File(csv2, 4)
        .Dialog("产品数据匹配")
        .Do([&](CDialog&) {
            EXPECT_EQ(user.FileDialogFolder(), ws.Root() + "/in");
            EXPECT_EQ(user.FileDialogFilterIndex(), 4) << "the file type chosen before is offered again";
        })
        .Dialog("产品数据匹配")
        .Click(IDCANCEL)
        // A cancelled matching leaves the lists empty.
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CProductStructImportDlg&>(d);
            EXPECT_EQ(dlg.m_arrLines.GetSize(), 0);
            EXPECT_EQ(dlg.m_listParents.GetItemCount(), 0);
        })
        .Click(IDCANCEL);
    EXPECT_EQ(ImportProductDataFromFile("", "admin"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();

    ws.WriteSetting("图纸入库配置", "导入文件目录", ws.Root() + "/gone");
    vq::ScriptedUser again;
    again.Dialog("产品结构数据导入").Click(1388).File("").Click(IDCANCEL);
    EXPECT_EQ(ImportProductDataFromFile("", "admin"), 1);
    EXPECT_TRUE(again.Succeeded()) << again.Error().c_str();
    EXPECT_EQ(again.FileDialogFolder(), home);
}

TEST(ImportEntry, IsExportedAndReturnsZeroWithoutADatabase) {
    int count = 0;
    const vq::EntryInfo* table = VqEntryTable(&count);
    bool found = false;
    for (int i = 0; i < count; ++i) {
        if (CString(table[i].name) == "ImportProductDataFromFile") {
            found = true;
            EXPECT_STREQ(table[i].signature, "ss");
            EXPECT_EQ(table[i].loginArg, 2);
        }
    }
    EXPECT_TRUE(found);
}

INSTANTIATE_TEST_SUITE_P(Dialects, ImportTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);
