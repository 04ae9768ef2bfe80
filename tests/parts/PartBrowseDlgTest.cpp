// The part browser: choosing the product through either picker, the level-by-level tree with
// and without the title filter, the whole structure in both dialects (stored procedure and
// CONNECT BY) with shared sub-assemblies, cycles and standard parts, the flat part list,
// locating, OK and the remembered picker setting.
#include "parts/PartBrowseDlg.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class PartBrowseTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.emplace(GetParam());
        theApp.m_pConnPDM = ws->Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_strLoginUser = "admin";
        ws->Execute(
            "INSERT INTO Product (ProductDwgCode, ProductName, ProductStyle, ProductStand) VALUES ('P1', "
            "'产品一', 'JX', 'ZQ')");
        for (const char* t :
             {"P1|产品一", "A|甲", "B|乙", "A1|甲一", "S|共用", "S1|共用一", "M8 [GB5782|螺栓"}) {
            CString pair(t);
            const int bar = pair.Find('|');
            CString sql;
            sql.Format(
                "INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode) VALUES ('%s', '%s', 'P1')",
                SqlQuote(pair.Left(bar)), SqlQuote(pair.Mid(bar + 1)));
            ws->Execute(sql);
        }
        // P1: B (item 1), A (item 2), a line without a title row (item 3); A and B share S.
        Line("P1", 2, "A", "甲");
        Line("P1", 1, "B", "乙");
        Line("P1", 3, "NT", "无标题");
        Line("A", 1, "A1", "甲一");
        Line("A", 2, "S", "共用");
        Line("B", 1, "S", "共用");
        Line("B", 2, "M8 [GB5782", "螺栓");
        Line("S", 1, "S1", "共用一");
        Line("M8 [GB5782", 1, "A1", "甲一");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        ws.reset();
    }
    void Line(const char* up, int item, const char* code, const char* name) {
        CString sql;
        sql.Format(
            "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode, Dname, ProductDwgCode) VALUES ('%s', %d, "
            "'%s', '%s', 'P1')",
            SqlQuote(up), item, SqlQuote(code), SqlQuote(name));
        ws->Execute(sql);
    }
    // The steps that pick P1 with the list picker and answer the question about the whole tree.
    static vq::ScriptedUser& PickP1(vq::ScriptedUser& user, int answer) {
        return user.Dialog("浏览零部件")
            .Click(1056)
            .DialogContaining("选择产品")
            .Select(1003, "P1")
            .Click(1236)
            .Message("是否全部展开产品结构树?", answer)
            .Dialog("浏览零部件");
    }

    static std::vector<std::string> TreeLines(CPartBrowseDlg& dlg) {
        std::vector<std::string> lines;
        std::function<void(CTreeCursor, int)> walk = [&](CTreeCursor n, int depth) {
            for (; n.m_item; n = n.GetNext()) {
                lines.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + n.GetText().str());
                walk(n.GetChild(), depth + 1);
            }
        };
        walk(dlg.m_tree.GetRootItem(), 0);
        return lines;
    }

    std::optional<vqtest::DbWorkspace> ws;
};

using Lines = std::vector<std::string>;

} // namespace

TEST(PartBrowseNodeText, CodeAndNameComeFromTheBrackets) {
    EXPECT_EQ(CPartBrowseDlg::CodeFromText("轴 [A-1]"), "A-1");
    EXPECT_EQ(CPartBrowseDlg::NameFromText("轴 [A-1]"), "轴");
    EXPECT_EQ(CPartBrowseDlg::CodeFromText("螺栓 [M8 [GB5782]"), "M8 [GB5782");
    EXPECT_EQ(CPartBrowseDlg::CodeFromText(" []"), "");
    EXPECT_EQ(CPartBrowseDlg::CodeFromText("所有产品信息..."), "");
    EXPECT_EQ(CPartBrowseDlg::NameFromText("所有产品信息..."), "所有产品信息...");
}

TEST_P(PartBrowseTest, LevelByLevelReadsChildrenWithTitlesAsNodesAreSelected) {
    vq::ScriptedUser user;
    PickP1(user, IDNO)
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CPartBrowseDlg&>(d);
            EXPECT_EQ(TreeLines(dlg),
                      (Lines{"所有产品信息...", "  产品一 [P1]", "    乙 [B]", "    甲 [A]"}));
        })
        .Tree(1051, "所有产品信息.../产品一 [P1]/甲 [A]")
        .Tree(1051, "所有产品信息.../产品一 [P1]/乙 [B]")
        .Tree(1051, "所有产品信息.../产品一 [P1]/乙 [B]/螺栓 [M8 [GB5782]")
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CPartBrowseDlg&>(d);
            EXPECT_EQ(TreeLines(dlg),
                      (Lines{"所有产品信息...", "  产品一 [P1]", "    乙 [B]", "      共用 [S]",
                             "      螺栓 [M8 [GB5782]", "    甲 [A]", "      甲一 [A1]", "      共用 [S]"}))
                << "the standard part is not opened";
        })
        .Click(IDOK);
    CPartBrowseDlg dlg;
    const INT_PTR result = dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    ASSERT_EQ(result, IDOK);
    EXPECT_EQ(dlg.m_partCode, "M8 [GB5782");
    EXPECT_EQ(dlg.m_partName, "螺栓");
    EXPECT_EQ(dlg.m_resultProductCode, "P1");
    EXPECT_EQ(dlg.m_productName, "产品一");
}

TEST_P(PartBrowseTest, WithoutTheFilterLinesWithoutTitlesAreListedToo) {
    vq::ScriptedUser user;
    PickP1(user, IDNO)
        .Do([](CDialog& d) {
            EXPECT_EQ(
                TreeLines(static_cast<CPartBrowseDlg&>(d)),
                (Lines{"所有产品信息...", "  产品一 [P1]", "    乙 [B]", "    甲 [A]", "    无标题 [NT]"}));
        })
        .Click(IDCANCEL);
    CPartBrowseDlg dlg;
    dlg.m_childFilter = 0;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartBrowseTest, TheWholeStructureShowsSharedPartsOnceUnderEachUse) {
    vq::ScriptedUser user;
    PickP1(user, IDYES)
        .Do([](CDialog& d) {
            EXPECT_EQ(TreeLines(static_cast<CPartBrowseDlg&>(d)),
                      (Lines{"所有产品信息...", "  产品一 [P1]", "    乙 [B]", "      共用 [S]",
                             "        共用一 [S1]", "      螺栓 [M8 [GB5782]", "    甲 [A]",
                             "      甲一 [A1]", "      共用 [S]", "        共用一 [S1]"}));
        })
        .Click(IDCANCEL);
    CPartBrowseDlg dlg;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartBrowseTest, ACycleInTheWholeStructureIsReportedOnceAndTheRestIsBuilt) {
    Line("A1", 1, "A", "甲");
    // The read runs inside the button's handler: the message comes before the dialog resumes.
    vq::ScriptedUser user;
    user.Dialog("浏览零部件")
        .Click(1056)
        .DialogContaining("选择产品")
        .Select(1003, "P1")
        .Click(1236)
        .Message("是否全部展开产品结构树?", IDYES)
        .Message("图号: A 在: P1||A||A1|| 处出现循环，请检查设计图纸...", IDOK)
        .Dialog("浏览零部件")
        .Do([](CDialog& d) {
            EXPECT_EQ(TreeLines(static_cast<CPartBrowseDlg&>(d)),
                      (Lines{"所有产品信息...", "  产品一 [P1]", "    乙 [B]", "      共用 [S]",
                             "        共用一 [S1]", "      螺栓 [M8 [GB5782]", "    甲 [A]",
                             "      甲一 [A1]", "        甲 [A]", "      共用 [S]", "        共用一 [S1]"}));
        })
        .Click(IDCANCEL);
    CPartBrowseDlg dlg;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

// A cycle inside an assembly used in many places is met once per use: one message tells of it,
// and every use is cut at the same place.
TEST_P(PartBrowseTest, ACycleInASharedAssemblyIsReportedOnceWhereverItIsUsed) {
    Line("S1", 1, "S", "共用");
    vq::ScriptedUser user;
    user.Dialog("浏览零部件")
        .Click(1056)
        .DialogContaining("选择产品")
        .Select(1003, "P1")
        .Click(1236)
        .Message("是否全部展开产品结构树?", IDYES)
        .MessageContaining("处出现循环，请检查设计图纸...", IDOK)
        .Dialog("浏览零部件")
        .Do([](CDialog& d) {
            EXPECT_EQ(
                TreeLines(static_cast<CPartBrowseDlg&>(d)),
                (Lines{"所有产品信息...", "  产品一 [P1]", "    乙 [B]", "      共用 [S]",
                       "        共用一 [S1]", "          共用 [S]", "      螺栓 [M8 [GB5782]", "    甲 [A]",
                       "      甲一 [A1]", "      共用 [S]", "        共用一 [S1]", "          共用 [S]"}));
        })
        .Click(IDCANCEL);
    CPartBrowseDlg dlg;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartBrowseTest, TheSameProductInAnotherCaseIsNotLoadedAgain) {
    ws->Execute("INSERT INTO Product (ProductDwgCode, ProductName) VALUES ('p2', '二')");
    vq::ScriptedUser user;
    PickP1(user, IDNO)
        .Tree(1051, "所有产品信息.../产品一 [P1]/甲 [A]")
        .Set(1191, "p1")
        .Click(1056)
        .DialogContaining("选择产品")
        .Click(1236)
        .Dialog("浏览零部件")
        .Do([](CDialog& d) {
            EXPECT_EQ(TreeLines(static_cast<CPartBrowseDlg&>(d)).size(), 6u)
                << "the tree walked so far stays";
        })
        .Click(IDCANCEL);
    CPartBrowseDlg dlg;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartBrowseTest, OkNeedsAPartNodeAndRemembersThePickerSetting) {
    ws->WriteSetting("选择产品", "按产品大类", "0");
    vq::ScriptedUser user;
    user.Dialog("浏览零部件")
        .Click(IDOK)
        .Message("请选择零部件!", IDOK)
        .Click(1056)
        .DialogContaining("选择产品")
        .Select(1003, "P1")
        .Click(1236)
        .Message("是否全部展开产品结构树?", IDNO)
        .Dialog("浏览零部件")
        .Click(IDOK)
        .Message("请选择零部件!", IDOK)
        .Check(1008, 1)
        .Tree(1051, "所有产品信息.../产品一 [P1]/甲 [A]")
        .Click(IDOK);
    CPartBrowseDlg dlg;
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_partCode, "A");
    EXPECT_EQ(ReadSetting("选择产品", "按产品大类", ""), "1");
}

TEST_P(PartBrowseTest, TheClassSettingOpensTheTreePickerAndCancelStoresTheSetting) {
    ws->WriteSetting("选择产品", "按产品大类", "1");
    vq::ScriptedUser user;
    user.Dialog("浏览零部件")
        .Do([](CDialog& d) { EXPECT_EQ(static_cast<CPartBrowseDlg&>(d).m_byProductClass, 1); })
        .Click(1056)
        .Dialog("选择产品信息")
        .Click(IDCANCEL)
        .Dialog("浏览零部件")
        .Check(1008, 0)
        .Click(IDCANCEL);
    CPartBrowseDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ReadSetting("选择产品", "按产品大类", ""), "0");
}

TEST_P(PartBrowseTest, ThePartListShowsTheProductsPartsByCodeWithoutItsOwnRow) {
    ws->WriteSetting("VQPDM功能配置", "结构树方式", "1");
    vq::ScriptedUser user;
    user.Dialog("浏览零部件")
        .Click(1056)
        .DialogContaining("选择产品")
        .Select(1003, "P1")
        .Click(1236)
        .Dialog("浏览零部件")
        .Do([](CDialog& d) {
            EXPECT_EQ(TreeLines(static_cast<CPartBrowseDlg&>(d)),
                      (Lines{"所有产品信息...", "  产品一 [P1]", "    甲 [A]", "    甲一 [A1]", "    乙 [B]",
                             "    螺栓 [M8 [GB5782]", "    共用 [S]", "    共用一 [S1]"}));
        })
        .Tree(1051, "所有产品信息.../产品一 [P1]/乙 [B]")
        .Do([](CDialog& d) {
            EXPECT_EQ(TreeLines(static_cast<CPartBrowseDlg&>(d)).size(), 10u)
                << "a listed part opens its lines";
        })
        .Click(IDCANCEL);
    CPartBrowseDlg dlg;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartBrowseTest, LocatingFindsAPieceOfATextBelowTheSelectedNode) {
    vq::ScriptedUser user;
    PickP1(user, IDYES)
        .Set(1076, "s1")
        .Click(1185)
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CPartBrowseDlg&>(d);
            CTreeCursor found = dlg.m_tree.GetSelectedItem();
            EXPECT_EQ(found.GetText(), "共用一 [S1]");
            EXPECT_EQ(found.GetParent().GetParent().GetText(), "乙 [B]") << "the first match in tree order";
        })
        .Tree(1051, "所有产品信息.../产品一 [P1]/甲 [A]")
        .Set(1076, "S1")
        .Click(1185)
        .Do([](CDialog& d) {
            CTreeCursor found = static_cast<CPartBrowseDlg&>(d).m_tree.GetSelectedItem();
            EXPECT_EQ(found.GetParent().GetParent().GetText(), "甲 [A]");
        })
        .Set(1076, "NOWHERE")
        .Click(1185)
        .Do([](CDialog& d) {
            EXPECT_EQ(static_cast<CPartBrowseDlg&>(d).m_tree.GetSelectedItem().GetText(), "共用一 [S1]");
        })
        .Click(IDCANCEL);
    CPartBrowseDlg dlg;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

INSTANTIATE_TEST_SUITE_P(Dialects, PartBrowseTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
