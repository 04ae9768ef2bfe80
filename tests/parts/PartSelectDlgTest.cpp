// The part search: the WHERE text of each field with wildcards, quotes and literal LIKE
// characters, the three table families, line searches, the progress window's cancel, the
// chosen rows, header sorting and the coding manager button.
#include "parts/PartSelectDlg.h"
#include "controls/ProgressWnd.h"
#include "core/VqDesignTaskApp.h"
#include "platform/maker/CodingManager.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/parts/CancellingUser.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class PartSelectTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.emplace(GetParam());
        theApp.m_pConnPDM = ws->Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        ws->Execute(
            "INSERT INTO VqkorvelAll_title (TCode, TName, Tother1, ProductDwgCode, TMaterial, TWeight) "
            "VALUES "
            "('A', '底座', 'o1', 'P1', 'Q235', 1.5);"
            "INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode) VALUES ('A-1', '支架', 'P1');"
            "INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode) VALUES ('AB1', '下划线对照', 'P2');"
            "INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode) VALUES ('A_1', '下划线', 'P2');"
            "INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode) VALUES ('B-50%', '百分号', 'P2');"
            "INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode) VALUES ('B-500', '五百', 'P2');"
            "INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode) VALUES ('O''Brien', '引号件', "
            "'P''3')");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        ws.reset();
    }

    // Runs one search with the fields given and returns the codes listed (column 1).
    std::vector<std::string> SearchCodes(const CString& code, const CString& name, const CString& product,
                                         int detail = 0) {
        std::vector<std::string> codes;
        vq::ScriptedUser user;
        user.Dialog("选择零部件")
            .Set(1038, code)
            .Set(1199, name)
            .Set(1044, product)
            .Check(1007, detail)
            .Click(1244)
            .Do([&](CDialog& d) {
                auto& dlg = static_cast<CPartSelectDlg&>(d);
                for (int i = 0; i < dlg.m_list.GetItemCount(); ++i)
                    codes.push_back(dlg.m_list.GetItemText(i, 1).str());
            })
            .Click(IDCANCEL);
        CPartSelectDlg dlg;
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        // Without ORDER BY the database order is not fixed: compare the sets.
        std::sort(codes.begin(), codes.end());
        return codes;
    }

    std::optional<vqtest::DbWorkspace> ws;
};

using Codes = std::vector<std::string>;

class FakeCodingManager : public vq::CodingManager {
public:
    FakeCodingManager() { m_old = vq::SetCodingManager(this); }
    ~FakeCodingManager() override { vq::SetCodingManager(m_old); }
    bool IsLoaded() override { return loaded; }
    bool HasVersionExport() override { return version; }
    void NewCode(CString& code) override {
        ++calls;
        code = next;
    }
    bool loaded = true;
    bool version = true;
    CString next;
    int calls = 0;

private:
    vq::CodingManager* m_old = nullptr;
};

} // namespace

TEST(PartSelectWhere, EachFieldAddsItsConditionWithStarAsTheOnlyWildcard) {
    EXPECT_EQ(CPartSelectDlg::MakeWhere(false, "", "", ""), "");
    EXPECT_EQ(CPartSelectDlg::MakeWhere(false, "A*", "", ""), " WHERE Tcode LIKE 'A%' ESCAPE '\\'");
    EXPECT_EQ(CPartSelectDlg::MakeWhere(true, "", "轴*", "P'1"),
              " WHERE Dname LIKE '轴%' ESCAPE '\\' AND ProductDwgCode LIKE 'P''1' ESCAPE '\\'");
    EXPECT_EQ(CPartSelectDlg::MakeWhere(false, "A_%", "n", ""),
              " WHERE Tcode LIKE 'A\\_\\%' ESCAPE '\\' AND Tname LIKE 'n' ESCAPE '\\'");
}

TEST_P(PartSelectTest, AllFieldsEmptyListsEveryRowNumberedFromOne) {
    vq::ScriptedUser user;
    user.Dialog("选择零部件")
        .Do([](CDialog& d) { EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled()); })
        .Click(1244)
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CPartSelectDlg&>(d);
            ASSERT_EQ(dlg.m_list.GetItemCount(), 7);
            EXPECT_EQ(dlg.m_nRowCount, 7);
            EXPECT_EQ(dlg.m_list.GetItemText(0, 0), "1");
            EXPECT_EQ(dlg.m_list.GetItemText(6, 0), "7");
            EXPECT_EQ(dlg.m_list.GetItemText(0, 1), "A");
            EXPECT_EQ(dlg.m_list.GetItemText(0, 3), "o1");
            EXPECT_EQ(dlg.m_list.GetItemText(0, 5), "Q235");
            EXPECT_EQ(dlg.m_list.GetItemText(0, 6), "1.5");
            EXPECT_TRUE(d.GetDlgItem(IDOK)->IsWindowEnabled());
        })
        .Click(IDCANCEL);
    CPartSelectDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartSelectTest, CodePatternsMatchWholeValuesUnlessAStarIsGiven) {
    EXPECT_EQ(SearchCodes("A*", "", ""), (Codes{"A", "A-1", "AB1", "A_1"}));
    EXPECT_EQ(SearchCodes("A", "", ""), (Codes{"A"}));
    EXPECT_EQ(SearchCodes("  a  ", "", ""), (Codes{"A"})) << "trimmed, and without regard to case";
    EXPECT_EQ(SearchCodes("*1", "", ""), (Codes{"A-1", "AB1", "A_1"}));
}

TEST_P(PartSelectTest, UnderscoreAndPercentInAPatternAreLiteral) {
    EXPECT_EQ(SearchCodes("A_1", "", ""), (Codes{"A_1"}));
    EXPECT_EQ(SearchCodes("B-50%", "", ""), (Codes{"B-50%"}));
    EXPECT_EQ(SearchCodes("B-50*", "", ""), (Codes{"B-50%", "B-500"}));
}

TEST_P(PartSelectTest, QuotesInEveryFieldAreSearchedAsText) {
    EXPECT_EQ(SearchCodes("O'Brien", "", ""), (Codes{"O'Brien"}));
    EXPECT_EQ(SearchCodes("", "引号*", "P'3"), (Codes{"O'Brien"}));
    EXPECT_EQ(SearchCodes("x' OR '1'='1", "", ""), Codes{});
}

TEST_P(PartSelectTest, NameAndProductNarrowTogether) {
    EXPECT_EQ(SearchCodes("", "下划线*", ""), (Codes{"AB1", "A_1"}));
    EXPECT_EQ(SearchCodes("", "", "P1"), (Codes{"A", "A-1"}));
    EXPECT_EQ(SearchCodes("A*", "", "P2"), (Codes{"AB1", "A_1"}));
    EXPECT_EQ(SearchCodes("A*", "支*", "P1"), (Codes{"A-1"}));
}

TEST_P(PartSelectTest, LineSearchShowsTheStyleAndEveryLineOfAPart) {
    ws->Execute(
        "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode, Dname, Dstyle, ProductDwgCode, DMaterial) "
        "VALUES ('P1', 1, 'S-1', '螺栓', '标准件', 'P1', '35');"
        "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode, Dname, Dstyle, ProductDwgCode) "
        "VALUES ('A', 2, 'S-1', '螺栓', '外购', 'P1');"
        "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode, Dname, ProductDwgCode) "
        "VALUES ('A', 3, 'S-2', '螺母', 'P1')");
    vq::ScriptedUser user;
    user.Dialog("选择零部件")
        .Set(1038, "S-1")
        .Check(1007, 1)
        .Click(1244)
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CPartSelectDlg&>(d);
            ASSERT_EQ(dlg.m_list.GetItemCount(), 2);
            EXPECT_EQ(dlg.m_list.GetItemText(0, 3), "标准件");
            EXPECT_EQ(dlg.m_list.GetItemText(1, 3), "外购");
            EXPECT_EQ(dlg.m_list.GetItemText(0, 5), "35");
        })
        .Click(IDCANCEL);
    CPartSelectDlg dlg;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartSelectTest, TheDataTypeChoosesTheTablesOnlyForTheNextSearch) {
    ws->Execute("INSERT INTO VqkorvelTask_title (TCode, TName) VALUES ('T-1', '任务件');"
                "INSERT INTO VqkorvelTeam_title (TCode, TName) VALUES ('W-1', '工作件')");
    vq::ScriptedUser user;
    user.Dialog("选择零部件")
        .Click(1244)
        .Select(1074, 2)
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CPartSelectDlg&>(d);
            EXPECT_EQ(dlg.m_strTitleTable, "VqkorvelTask_title");
            EXPECT_EQ(dlg.m_strDetailTable, "VqkorvelTask_detail");
            EXPECT_EQ(dlg.m_list.GetItemCount(), 7) << "choosing does not search";
        })
        .Click(1244)
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CPartSelectDlg&>(d);
            ASSERT_EQ(dlg.m_list.GetItemCount(), 1);
            EXPECT_EQ(dlg.m_list.GetItemText(0, 1), "T-1");
        })
        .Select(1074, "工作数据")
        .Click(1244)
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CPartSelectDlg&>(d);
            ASSERT_EQ(dlg.m_list.GetItemCount(), 1);
            EXPECT_EQ(dlg.m_list.GetItemText(0, 1), "W-1");
        })
        .Click(IDCANCEL);
    CPartSelectDlg dlg;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartSelectTest, CancellingTheProgressAfterThreeRowsKeepsThemAndEnablesOk) {
    vqtest::CancellingUser user("正读取第 4 条");
    user.Dialog("选择零部件")
        .Click(1244)
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CPartSelectDlg&>(d);
            EXPECT_EQ(dlg.m_list.GetItemCount(), 3);
            EXPECT_EQ(dlg.m_nRowCount, 3);
            EXPECT_TRUE(d.GetDlgItem(IDOK)->IsWindowEnabled());
        })
        .Click(IDCANCEL);
    CPartSelectDlg dlg;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartSelectTest, NothingFoundLeavesOkDisabledAndADoubleClickDoesNothing) {
    vq::ScriptedUser user;
    user.Dialog("选择零部件")
        .Click(1244)
        .Set(1038, "NONE")
        .Click(1244)
        .Do([](CDialog& d) {
            EXPECT_EQ(static_cast<CPartSelectDlg&>(d).m_list.GetItemCount(), 0);
            EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled()) << "disabled again after an empty search";
            static_cast<CPartSelectDlg&>(d).m_list.UserDoubleClick(-1);
        })
        .Click(IDCANCEL);
    CPartSelectDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartSelectTest, OkReturnsTheChosenRowsInListOrder) {
    vq::ScriptedUser user;
    user.Dialog("选择零部件")
        .Click(1244)
        .Do([](CDialog& d) {
            auto& list = static_cast<CPartSelectDlg&>(d).m_list;
            list.SetItemState(4, LVIS_SELECTED, LVIS_SELECTED);
            list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
        })
        .Click(IDOK);
    CPartSelectDlg dlg;
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    ASSERT_EQ(dlg.m_arrCode.GetSize(), 2);
    EXPECT_EQ(dlg.m_arrCode[0], "A");
    EXPECT_EQ(dlg.m_arrCode[1], "B-50%");
    EXPECT_EQ(dlg.m_arrWeight[0], "1.5");
    EXPECT_EQ(dlg.m_strSelCode, "A");
    EXPECT_EQ(dlg.m_strSelName, "底座");
    EXPECT_EQ(dlg.m_strSelOther, "o1");
    EXPECT_EQ(dlg.m_strSelProduct, "P1");
    EXPECT_EQ(dlg.m_strSelMaterial, "Q235");
    EXPECT_EQ(dlg.m_strSelWeight, "1.5");
}

TEST_P(PartSelectTest, OkWithoutASelectionStaysOpenAndADoubleClickConfirms) {
    vq::ScriptedUser user;
    user.Dialog("选择零部件")
        .Set(1038, "A*")
        .Click(1244)
        .Click(IDOK)
        .Message("未选中任何内容...", IDOK)
        .DoubleClick(1051, 1);
    CPartSelectDlg dlg;
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strSelCode, "A-1");
    EXPECT_EQ(dlg.m_arrCode.GetSize(), 1);
}

TEST_P(PartSelectTest, HeaderClicksSortAsTextAndToggleTheArrow) {
    for (int i = 0; i < 5; ++i)
        ws->Execute("INSERT INTO VqkorvelAll_title (TCode, TName) VALUES ('Z" + CString(std::to_string(i)) +
                    "', 'z')");
    vq::ScriptedUser user;
    user.Dialog("选择零部件")
        .Click(1244)
        .Do([](CDialog& d) {
            EXPECT_EQ(static_cast<CPartSelectDlg&>(d).m_list.m_header.GetColumnImage(0), 0);
        })
        .Column(1051, 0)
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CPartSelectDlg&>(d);
            EXPECT_EQ(dlg.m_list.m_header.GetColumnImage(0), 1) << "the ascending arrow turns descending";
            EXPECT_EQ(dlg.m_list.GetItemText(0, 0), "9");
            EXPECT_EQ(dlg.m_list.GetItemText(11, 0), "1");
        })
        .Column(1051, 0)
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CPartSelectDlg&>(d);
            EXPECT_EQ(dlg.m_list.GetItemText(0, 0), "1");
            EXPECT_EQ(dlg.m_list.GetItemText(1, 0), "10") << "numbers sort as text";
            EXPECT_EQ(dlg.m_list.GetItemText(2, 0), "11");
            EXPECT_EQ(dlg.m_list.GetItemText(3, 0), "12");
            EXPECT_EQ(dlg.m_list.GetItemText(4, 0), "2");
        })
        .Column(1051, 1)
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CPartSelectDlg&>(d);
            EXPECT_EQ(dlg.m_list.m_header.GetColumnImage(0), -1);
            EXPECT_EQ(dlg.m_list.m_header.GetColumnImage(1), 0);
            EXPECT_EQ(dlg.m_list.GetItemText(0, 1), "A");
            EXPECT_EQ(dlg.m_list.GetItemText(11, 1), "Z4");
        })
        .Click(IDCANCEL);
    CPartSelectDlg dlg;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

INSTANTIATE_TEST_SUITE_P(Dialects, PartSelectTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

TEST(PartSelectCodingManager, ANewNumberFillsTheCodeAndAnEmptyOneChangesNothing) {
    FakeCodingManager manager;
    manager.next = "NEW-001";
    vq::ScriptedUser user;
    user.Dialog("选择零部件")
        .Set(1038, "OLD")
        .Click(1126)
        .Do([&](CDialog& d) {
            CString text;
            d.GetDlgItemText(1038, text);
            EXPECT_EQ(text, "NEW-001");
            manager.next = "";
        })
        .Click(1126)
        .Do([](CDialog& d) {
            CString text;
            d.GetDlgItemText(1038, text);
            EXPECT_EQ(text, "NEW-001");
        })
        .Click(IDCANCEL);
    CPartSelectDlg dlg;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(manager.calls, 2);
}

TEST(PartSelectCodingManager, AnOldLibraryIsReportedAndAMissingOneIsNotCalled) {
    FakeCodingManager manager;
    manager.next = "X";
    manager.version = false;
    vq::ScriptedUser user;
    user.Dialog("选择零部件")
        .Click(1126)
        .Message("功能进行了升级，请更新Vqpdmcod.dll的版本...", IDOK)
        .Do([&](CDialog&) { manager.loaded = false; })
        .Click(1126)
        .Click(IDCANCEL);
    CPartSelectDlg dlg;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(manager.calls, 0);
    EXPECT_EQ(dlg.m_strCode, "");
}

TEST(PartSelectCodingManager, TheConfiguredLibraryIsLoadedFromTheSettings) {
    vqtest::Workspace ws;
    vq::CodingManager& configured = vq::ActiveCodingManager();
    EXPECT_FALSE(configured.IsLoaded()) << "no library named";
    ws.WriteSetting("编码管理", "编码库文件", ws.Root() + "/missing.so");
    EXPECT_FALSE(configured.IsLoaded());
    ws.WriteSetting("编码管理", "编码库文件", "libc.so.6");
    CString code = "stale";
    configured.NewCode(code);
    EXPECT_EQ(code, "") << "a library that cannot be loaded produces nothing";
}
