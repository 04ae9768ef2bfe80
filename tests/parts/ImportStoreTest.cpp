// The store of a larger structure goes through batches of bound statements: several batches of
// titles and of parents, a code listed under many parents (its title written once, with the
// values of its last line), codes in another letter case and quotes, items numbered where the
// file gives none, and rows outside the file left alone.
#include "core/VqDesignTaskApp.h"
#include "parts/ProductStructImportDlg.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/parts/ImportFixtures.h"

#include <gtest/gtest.h>

extern "C" int ImportProductDataFromFile(CString unused, CString login);

using namespace importtest;

namespace {
class ImportStoreTest : public ::testing::TestWithParam<int> {};
} // namespace

TEST_P(ImportStoreTest, BatchesStoreWhatLineByLineStatementsWould) {
    vqtest::DbWorkspace ws(GetParam());
    ws.Execute(
        "INSERT INTO VqkorvelTeam_detail (UpCode, Ditem, Dcode, Dname) VALUES ('a-0', 1, 'C-0-0', 'old');"
        "INSERT INTO VqkorvelTeam_detail (UpCode, Ditem, Dcode, Dname) VALUES ('KEEP', 1, 'C-0-0', 'keep');"
        // A parent of a later batch: its line in the file is replaced, its line not in the file stays.
        "INSERT INTO VqkorvelTeam_detail (UpCode, Ditem, Dcode, Dname) VALUES ('a-650', 5, 'c-650-2', 'old');"
        "INSERT INTO VqkorvelTeam_detail (UpCode, Ditem, Dcode, Dname) VALUES ('A-650', 7, 'OTHER', 'other');"
        "INSERT INTO VqkorvelTeam_title (TCode, TName) VALUES ('c-0-1', 'old title')");
    RememberMatching(ws, {"父图号", "序号", "图号", "图名", "材料", "数量", "重量", "备注", "图幅"});
    // 700 parents of three lines each; every parent also lists the shared part "STD'1".
    std::string csv = kCsvHeader;
    for (int p = 0; p < 700; ++p) {
        const std::string up = "A-" + std::to_string(p);
        for (int c = 0; c < 3; ++c)
            csv += "\"" + up + "\",\"" + (c == 1 ? "" : std::to_string(c + 1)) + "\",\"C-" +
                   std::to_string(p) + "-" + std::to_string(c) + "\",\"件" + std::to_string(c) +
                   "\",\"Q235\",\"2\",\"1.125\",\"\",\"A4\"\r\n";
        csv += "\"" + up + "\",\"9\",\"STD'1\",\"标准件" + std::to_string(p) +
               "\",\"\",\"4\",\"0.5\",\"\",\"A4\"\r\n";
    }
    const CString path = WriteGbk(ws, "in/big.csv", csv);
    vq::ScriptedUser user;
    user.Dialog("产品结构数据导入")
        .Click(1388)
        .File(path, 4)
        .Dialog("产品数据匹配")
        .Click(IDOK)
        .Select(1062, 1)
        .Click(1329)
        .Message("产品结构信息存储完毕...", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(ImportProductDataFromFile("", "admin"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();

    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM VqkorvelTeam_detail"), "2802");
    EXPECT_EQ(Rows(ws, "SELECT Ditem, Dcode, Dname FROM VqkorvelTeam_detail WHERE UpCode='A-650' ORDER BY Ditem"),
              (std::vector<std::string>{"1|C-650-0|件0", "2|C-650-1|件1", "3|C-650-2|件2", "7|OTHER|other",
                                        "9|STD'1|标准件650"}));
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM VqkorvelTeam_title"), "2101");
    EXPECT_EQ(Rows(ws, "SELECT TName, TWeight FROM VqkorvelTeam_title WHERE TCode='std''1'"),
              (std::vector<std::string>{"标准件699|0.5"}));
    EXPECT_EQ(Rows(ws, "SELECT TName, TMaterial FROM VqkorvelTeam_title WHERE TCode='C-0-1'"),
              (std::vector<std::string>{"件1|Q235"}));
    EXPECT_EQ(Rows(ws, "SELECT UpCode, Ditem, Dname, Dquantity, Dweight FROM VqkorvelTeam_detail WHERE "
                       "UpCode='A-0' ORDER BY Ditem"),
              (std::vector<std::string>{"A-0|1|件0|2|1.125", "A-0|2|件1|2|1.125", "A-0|3|件2|2|1.125",
                                        "A-0|9|标准件0|4|0.5"}));
    EXPECT_EQ(Rows(ws, "SELECT Dname FROM VqkorvelTeam_detail WHERE UpCode='KEEP'"),
              (std::vector<std::string>{"keep"}));
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM VqkorvelTeam_detail WHERE FileID='_X_SAVE_' AND "
                           "ProductDwgCode='_X_SAVE_'"),
              "2800");
}

// A parent that fails inside a batch of many parents: the batch is written again parent by
// parent, so the failing one is shown and asked about as always and keeps its old lines, and
// every other parent of the batch and after it is stored.
TEST_P(ImportStoreTest, AFailingParentInsideABatchIsFoundAndTheOthersAreStored) {
    vqtest::DbWorkspace ws(GetParam());
    ws.Execute("INSERT INTO VqkorvelTeam_detail (UpCode, Ditem, Dcode, Dname) VALUES ('P-150', 1, 'OLD', 'old')");
    RefuseBadCodes(ws);
    RememberMatching(ws, {"父图号", "序号", "图号", "图名", "材料", "数量", "重量", "备注", "图幅"});
    std::string csv = kCsvHeader;
    for (int p = 0; p < 300; ++p) {
        const std::string up = "P-" + std::to_string(p);
        csv += "\"" + up + "\",\"1\",\"D-" + std::to_string(p) + "\",\"件\",\"\",\"1\",\"0\",\"\",\"\"\r\n";
        csv += "\"" + up + "\",\"2\",\"" + (p == 150 ? std::string("BAD") : "E-" + std::to_string(p)) +
               "\",\"件\",\"\",\"1\",\"0\",\"\",\"\"\r\n";
    }
    const CString path = WriteGbk(ws, "in/bad.csv", csv);
    vq::ScriptedUser user;
    user.Dialog("产品结构数据导入")
        .Click(1388)
        .File(path, 4)
        .Dialog("产品数据匹配")
        .Click(IDOK)
        .Select(1062, 1)
        .Click(1329)
        .AnyMessage(IDOK)
        .MessageContaining("执行出错的SQL语句,(请检查表、字段是否存在，或字段类型是否匹配)：\nINSERT INTO "
                           "VqkorvelTeam_detail",
                           IDOK)
        .Message("插入明细信息出错，是否退出?", IDNO)
        .Message("产品结构信息存储完毕...\n有 2 条数据未能存储。", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(ImportProductDataFromFile("", "admin"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM VqkorvelTeam_detail"), "599");
    EXPECT_EQ(Rows(ws, "SELECT Dcode FROM VqkorvelTeam_detail WHERE UpCode='P-150'"),
              (std::vector<std::string>{"OLD"}));
    EXPECT_EQ(Rows(ws, "SELECT Dcode FROM VqkorvelTeam_detail WHERE UpCode IN ('P-149', 'P-151') ORDER BY "
                       "UpCode, Ditem"),
              (std::vector<std::string>{"D-149", "E-149", "D-151", "E-151"}));
}

INSTANTIATE_TEST_SUITE_P(Dialects, ImportStoreTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
