// The drawing detail: the sheet-size text, the title block read by column position from either
// table family, the lines sorted by item number and the decimal-quantity switch.
#include "parts/DwgDetailDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

TEST(DwgSheetSize, CustomSizesAreNamedByStandardSheetAndMultiple) {
    EXPECT_EQ(CDwgSheetSize().GetSheetSizeText("A2", "", ""), "A2");
    EXPECT_EQ(CDwgSheetSize().GetSheetSizeText("自定义", "1682*1189", "横置"), "A0*2");
    EXPECT_EQ(CDwgSheetSize().GetSheetSizeText("自定义", "630*297", "竖置"), "A3*1");
    EXPECT_EQ(CDwgSheetSize().GetSheetSizeText("自定义", "100*297", ""), "A3");
    EXPECT_EQ(CDwgSheetSize().GetSheetSizeText("自定义", "500*700", ""), "A0*1");
    // The same height means another sheet in landscape: 297 is the short side of A3 there.
    EXPECT_EQ(CDwgSheetSize().GetSheetSizeText("自定义", "840*297", "横置"), "A4*4");
    // Dimensions without "*" leave no height to look up.
    EXPECT_EQ(CDwgSheetSize().GetSheetSizeText("自定义", "abc", "横置"), "A0*1");
}

class DwgDetailTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.emplace(GetParam());
        theApp.m_pConnPDM = ws->Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        ws->Execute(
            "INSERT INTO VqkorvelAll_title (TCode, TName, TMaterial, TWeight, TScale, Tframe, TSize, TStyle, "
            "TStand, "
            "TLayout, TBinding, TDesigner, TDesignTime, Ttime, TNote, ProductDwgCode, TParamDwgCode, "
            "Tother1, Tother2, "
            "CurrentRev, LateRev, TParam, Tother3, Tother4, Tother5, Manager, State) VALUES ('P-1', '底座', "
            "'Q235', "
            "2.5, '1:2', '自定义', '630*297', '零件', 'GB1', '竖置', '有', 'wang', '2026-01-02', "
            "'2026-01-03', "
            "'skipped note', 'PRD', 'PAR', 'o1', 'o2', 'C', 'D', 'pp', 'o3', 'o4', 'o5', 'li', '已入库');"
            "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode, Dname, Dweight, Dtweight, Dquantity, "
            "Dremark) "
            "VALUES ('P-1', 10, 'X10', '十', 1.5, 3, 2, 'r10');"
            "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode, Dname, Dweight, Dtweight, Dquantity) "
            "VALUES ('P-1', 2, 'X2', '二', 4, 8, 2);"
            "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode, Dname, Dweight, Dtweight, Dquantity) "
            "VALUES ('P-1', 1, 'X1', '一', 1, 1, 1);"
            "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode) VALUES ('OTHER', 1, 'Y1');"
            "INSERT INTO VqkorvelVer_title (TCode, TName, Tframe, CurrentRev, LateRev) VALUES ('P-1', '旧A', "
            "'A4', 'A', 'A');"
            "INSERT INTO VqkorvelVer_title (TCode, TName, Tframe, CurrentRev, LateRev) VALUES ('P-1', '旧B', "
            "'A3', 'B', 'B');"
            "INSERT INTO VqkorvelVer_detail (UpCode, Ditem, Dcode, ParentRev) VALUES ('P-1', 1, 'VA', 'A');"
            "INSERT INTO VqkorvelVer_detail (UpCode, Ditem, Dcode, ParentRev) VALUES ('P-1', 1, 'VB', 'B')");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        ws.reset();
    }

    struct Shown {
        std::vector<CString> labels, values;
        std::vector<std::vector<CString>> lines;
        bool historyEnabled = false;
    };

    Shown Show(const CString& prefix, const CString& code, const CString& revision, int changeHistory = 1) {
        Shown shown;
        vq::ScriptedUser user;
        user.Dialog("图纸的详细信息")
            .Do([&](CDialog& d) {
                auto& dlg = static_cast<CDwgDetailDlg&>(d);
                for (int i = 0; i < dlg.m_titleList.GetItemCount(); ++i) {
                    shown.labels.push_back(dlg.m_titleList.GetItemText(i, 0));
                    shown.values.push_back(dlg.m_titleList.GetItemText(i, 1));
                }
                for (int i = 0; i < dlg.m_lineList.GetItemCount(); ++i) {
                    std::vector<CString> line;
                    for (int c = 0; c < 12; ++c)
                        line.push_back(dlg.m_lineList.GetItemText(i, c));
                    shown.lines.push_back(line);
                }
                shown.historyEnabled = dlg.GetDlgItem(1381)->IsWindowEnabled();
            })
            .Click(IDCANCEL);
        CDwgDetailDlg dlg;
        dlg.m_strTablePrefix = prefix;
        dlg.m_strPartCode = code;
        dlg.m_strRevision = revision;
        dlg.m_bChangeHistory = changeHistory;
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        return shown;
    }

    std::optional<vqtest::DbWorkspace> ws;
};

TEST_P(DwgDetailTest, TitleBlockFollowsTheColumnsByPositionWithoutTheNote) {
    ws->WriteSetting("产品属性", "标题其他1", "工艺");
    ws->WriteSetting("零部件配置", "替换版本号", "1");
    const Shown shown = Show("VqkorvelAll", "P-1", "");
    ASSERT_EQ(shown.labels.size(), 26u);
    EXPECT_EQ(shown.labels[16], "工艺");
    EXPECT_EQ(shown.labels[17], "其他2");
    const std::vector<CString> expected = {"P-1",  "底座", "Q235", "2.5", "1:2",   "A3*1",       "630*297",
                                           "零件", "GB1",  "竖置", "有",  "wang",  "2026-01-02", "2026-01-03",
                                           "PRD",  "PAR",  "o1",   "o2",  "02",    "03",         "pp",
                                           "o3",   "o4",   "o5",   "li",  "已入库"};
    ASSERT_EQ(shown.values.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(shown.values[i], expected[i]) << "row " << i << " " << shown.labels[i].c_str();
    EXPECT_TRUE(shown.historyEnabled);
}

TEST_P(DwgDetailTest, LinesAreSortedByItemNumber) {
    const Shown shown = Show("VqkorvelAll", "P-1", "C", 0);
    ASSERT_EQ(shown.lines.size(), 3u);
    EXPECT_EQ(shown.lines[0][1], "X1");
    EXPECT_EQ(shown.lines[1][1], "X2");
    EXPECT_EQ(shown.lines[2][1], "X10");
    EXPECT_EQ(shown.lines[2][5], "3");
    EXPECT_EQ(shown.lines[2][6], "2");
    EXPECT_EQ(shown.lines[2][7], "r10");
    EXPECT_FALSE(shown.historyEnabled);
}

TEST_P(DwgDetailTest, DecimalQuantityShowsTheWeightTwiceAndQuantityOne) {
    ws->WriteSetting("初设数据配置", "件数为小数", "1");
    const Shown shown = Show("VqkorvelAll", "P-1", "C");
    ASSERT_EQ(shown.lines.size(), 3u);
    for (const auto& line : shown.lines) {
        EXPECT_EQ(line[5], line[4]);
        EXPECT_EQ(line[6], "1");
    }
}

TEST_P(DwgDetailTest, EarlierRevisionReadsTheRevisionTables) {
    const Shown shown = Show("VqkorvelVer", "P-1", "B");
    EXPECT_EQ(shown.values[1], "旧B");
    EXPECT_EQ(shown.values[5], "A3");
    ASSERT_EQ(shown.lines.size(), 1u);
    EXPECT_EQ(shown.lines[0][1], "VB");
}

TEST_P(DwgDetailTest, UnknownDrawingAndQuotedCodeShowEmptyLists) {
    const Shown shown = Show("VqkorvelAll", "X' OR '1'='1", "");
    ASSERT_EQ(shown.values.size(), 26u);
    for (const CString& value : shown.values)
        EXPECT_TRUE(value.IsEmpty());
    EXPECT_TRUE(shown.lines.empty());
}

INSTANTIATE_TEST_SUITE_P(Dialects, DwgDetailTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

} // namespace
