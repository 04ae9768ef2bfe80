// The part revision picker: the initial revision loaded at once from the revision tables, the
// current revision from the archive tables, the results handed back on OK, the sheet area, and
// the dialog without revisions.
#include "parts/PartRevSelectDlg.h"
#include "core/VqDesignTaskApp.h"
#include "parts/ProductStructItem.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

TEST(PartRevSelectSheetArea, SixteenthsOfAnA1Sheet) {
    EXPECT_FLOAT_EQ(CPartRevSelectDlg::SheetArea("594*841"), 1.0f);
    EXPECT_FLOAT_EQ(CPartRevSelectDlg::SheetArea("297*210"), 0.125f);
    EXPECT_FLOAT_EQ(CPartRevSelectDlg::SheetArea("1189*841"), 2.0f);
    EXPECT_FLOAT_EQ(CPartRevSelectDlg::SheetArea("*297"), 0.0f);
    EXPECT_FLOAT_EQ(CPartRevSelectDlg::SheetArea("297"), 0.0f);
    EXPECT_FLOAT_EQ(CPartRevSelectDlg::SheetArea(""), 0.0f);
}

class PartRevSelectTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.emplace(GetParam());
        theApp.m_pConnPDM = ws->Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        ws->Execute(
            "INSERT INTO VqkorvelAll_title (TCode, TName, TMaterial, TScale, Tframe, TSize, TNote, "
            "ProductDwgCode, "
            "TParamDwgCode, Tother1, Tother2, CurrentRev, LateRev, Tother3, Tother4, Tother5, State) VALUES "
            "('P1', "
            "'底座', 'Q235', '1:1', 'A1', '594*841', 'n', 'PRD', 'PAR', 'o1', 'o2', 'B', 'C', 'o3', 'o4', "
            "'o5', 'ok');"
            "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode, Dname, DMaterial, Dweight, Dtweight, "
            "Dquantity, "
            "Dremark, Dstyle, Dstand, Dother1, Dother2) VALUES ('P1', 10, 'X10', '十', 'M', 1.5, 3, 2, 'r', "
            "'s', 't', "
            "'u', 'v');"
            "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode) VALUES ('P1', 2, 'X2');"
            "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode) VALUES ('P1', 1, 'X1');"
            "INSERT INTO VqkorvelVer_title (TCode, TName, CurrentRev, LateRev) VALUES ('P1', '底座A', 'A', "
            "'A');"
            "INSERT INTO VqkorvelVer_detail (UpCode, Ditem, Dcode, ParentRev) VALUES ('P1', 1, 'OLD', 'A');"
            "INSERT INTO BorrowedParts (PartCode, ProductCode) VALUES ('P1', 'PRD');"
            "INSERT INTO PartRevManage (PartCode, RevPath, RevNumber) VALUES ('P1', '', 'A');"
            "INSERT INTO PartRevManage (PartCode, RevPath, RevNumber) VALUES ('P1', 'A\\', 'B')");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        ws.reset();
    }
    static CPartRevSelectDlg& Dlg(CDialog& d) { return static_cast<CPartRevSelectDlg&>(d); }
    std::optional<vqtest::DbWorkspace> ws;
};

TEST_P(PartRevSelectTest, InitialRevisionIsLoadedFromTheRevisionTables) {
    CString name, line;
    int rows = 0;
    vq::ScriptedUser user;
    user.Dialog("选择零部件版本")
        .Do([&](CDialog& d) {
            rows = Dlg(d).m_titleList.GetItemCount();
            name = Dlg(d).m_titleList.GetItemText(1, 1);
            line = Dlg(d).m_lineList.GetItemText(0, 1);
            EXPECT_EQ(Dlg(d).m_lineList.GetItemCount(), 1);
            EXPECT_FALSE(d.GetDlgItem(1381)->IsWindowEnabled());
        })
        .Click(IDCANCEL);
    CPartRevSelectDlg dlg;
    dlg.m_strPartCode = "P1";
    dlg.m_strInitialRevision = "a";
    dlg.m_bChangeHistory = FALSE;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(rows, 24);
    EXPECT_EQ(name, "底座A");
    EXPECT_EQ(line, "OLD");
    EXPECT_EQ(dlg.m_strTableFamily, "VqkorvelVer");
}

TEST_P(PartRevSelectTest, OkHandsBackTheTitleAndTheSortedLines) {
    std::vector<CString> values;
    vq::ScriptedUser user;
    user.Dialog("选择零部件版本")
        .Do([&](CDialog& d) {
            for (int i = 0; i < Dlg(d).m_titleList.GetItemCount(); ++i)
                values.push_back(Dlg(d).m_titleList.GetItemText(i, 1));
        })
        .Click(IDOK);
    CPartRevSelectDlg dlg;
    // No initial revision: the current one, B, found under the product the part is kept for.
    dlg.m_strPartCode = "P1";
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    ASSERT_EQ(values.size(), 24u);
    EXPECT_EQ(values[14], "o1"); // note, product and parameter drawing are skipped
    EXPECT_EQ(values[16], "B");
    EXPECT_EQ(values[23], "ok");
    EXPECT_EQ(dlg.m_strRevision, "B");
    EXPECT_EQ(dlg.m_titleItem.m_strText1, "P1");
    EXPECT_EQ(dlg.m_titleItem.m_strText4, "o1");
    EXPECT_EQ(dlg.m_titleItem.m_strText6, "1:1");
    EXPECT_EQ(dlg.m_titleItem.m_strText8, "594*841");
    EXPECT_FLOAT_EQ(dlg.m_titleItem.m_fNumber9, 1.0f);
    EXPECT_EQ(dlg.m_titleItem.m_strText12, "o5");
    EXPECT_EQ(dlg.m_titleItem.m_strText13, "B");
    ASSERT_EQ(dlg.m_arrLines.GetSize(), 3);
    std::vector<CString> codes;
    for (CObject* p : dlg.m_arrLines)
        codes.push_back(static_cast<CProductStructItem*>(p)->m_strCode);
    EXPECT_EQ(codes, (std::vector<CString>{"X1", "X2", "X10"}));
    const auto* last = static_cast<CProductStructItem*>(dlg.m_arrLines[2]);
    EXPECT_EQ(last->m_strUpCode, "P1");
    EXPECT_EQ(last->m_strOwnerCode, "P1");
    EXPECT_EQ(last->m_strUpName, "底座");
    EXPECT_EQ(last->m_nItem, 10);
    EXPECT_DOUBLE_EQ(last->m_dWeight, 1.5);
    EXPECT_EQ(last->m_nQuantity, 2);
    EXPECT_EQ(last->m_nNumber17, 2);
    EXPECT_EQ(last->m_strOther2, "v");
    EXPECT_EQ(last->m_nFlag24, 1);
    EXPECT_EQ(last->m_nFlag26, 0);
    for (CObject* p : dlg.m_arrLines)
        delete p;
}

TEST_P(PartRevSelectTest, RootCannotBeConfirmed) {
    vq::ScriptedUser user;
    user.Dialog("选择零部件版本")
        .Tree(1009, "图纸 P1 的版本信息...")
        .Click(IDOK)
        .Message("请选择版本号...", IDOK)
        .Click(IDCANCEL);
    CPartRevSelectDlg dlg;
    dlg.m_strPartCode = "P1";
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartRevSelectTest, PartWithoutRevisionsCannotBeConfirmed) {
    vq::ScriptedUser user;
    user.Dialog("选择零部件版本")
        .Do([](CDialog& d) {
            EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled());
            EXPECT_EQ(Dlg(d).m_tree.GetRootItem().GetChild().GetText(), "无版本信息，请创建!");
            EXPECT_EQ(Dlg(d).m_lineList.GetItemCount(), 0);
        })
        .Click(IDCANCEL);
    CPartRevSelectDlg dlg;
    dlg.m_strPartCode = "NONE";
    dlg.m_strInitialRevision = "A";
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

INSTANTIATE_TEST_SUITE_P(Dialects, PartRevSelectTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

} // namespace
