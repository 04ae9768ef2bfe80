// Part filter conditions: the stored form in [零部件过滤], the evaluation of a part against the
// list for each operator, and the editing dialogs.
#include "parts/PartFilterCondition.h"
#include "parts/FilterConditionDlg.h"
#include "parts/PartFilterDlg.h"
#include "platform/base/Profile.h"
#include "platform/base/TextCodec.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

namespace {

std::vector<PartFilterCondition> One(int item, const char* value, const char* op) {
    PartFilterCondition condition;
    condition.item = item;
    condition.value = value;
    condition.op = op;
    return {condition};
}

CString StoredList(const vqtest::Workspace& ws) {
    return vq::ReadProfileString("零部件过滤", "过滤比较条件", "<none>", ws.SettingsPath());
}

std::vector<std::string> Rows(CDialog& d) {
    auto* list = dynamic_cast<CListCtrl*>(d.GetDlgItem(1000));
    std::vector<std::string> rows;
    for (int i = 0; list && i < list->GetItemCount(); ++i)
        rows.push_back(
            (list->GetItemText(i, 0) + "|" + list->GetItemText(i, 1) + "|" + list->GetItemText(i, 2)).str());
    return rows;
}

} // namespace

TEST(PartFilterList, ParsesCurrentAndOlderFormsAndSkipsPiecesWithoutBracket) {
    auto list = ParsePartFilterList("图号[GB]<含>&&junk&&图名[垫圈]<等于>&&备注[外购]");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].item, "图号");
    EXPECT_EQ(list[0].value, "GB");
    EXPECT_EQ(list[0].op, "含");
    EXPECT_EQ(list[1].item, "图名");
    EXPECT_EQ(list[1].op, "等于");
    // The older form item[value] means "含".
    EXPECT_EQ(list[2].item, "备注");
    EXPECT_EQ(list[2].value, "外购");
    EXPECT_EQ(list[2].op, "含");
    EXPECT_TRUE(ParsePartFilterList("").empty());
}

TEST(PartFilterList, FormatTrimsValuesAndRoundTrips) {
    std::vector<PartFilterText> list{{"图号", "  GB ", "含"}, {"规格", "M8", "不等"}};
    CString stored = FormatPartFilterList(list);
    EXPECT_EQ(stored, "图号[GB]<含>&&规格[M8]<不等>");
    auto back = ParsePartFilterList(stored);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1].item, "规格");
    EXPECT_EQ(back[1].value, "M8");
    EXPECT_EQ(back[1].op, "不等");
    // Only code, name and remark have a number of their own.
    auto records = MakePartFilterConditions(back);
    EXPECT_EQ(records[0].item, 0);
    EXPECT_EQ(records[1].item, -1);
    EXPECT_EQ(records[1].connective, "OR");
}

TEST(PartFilterList, StoredInSettingsAndReadBack) {
    vqtest::Workspace ws;
    EXPECT_TRUE(LoadPartFilterList().empty());
    ASSERT_TRUE(StorePartFilterList({{"图号", "GB", "含"}, {"图名", "垫圈", "等于"}}));
    EXPECT_EQ(StoredList(ws), "图号[GB]<含>&&图名[垫圈]<等于>");
    auto list = LoadPartFilterList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].value, "垫圈");
}

TEST(PartFilterList, AListThatDoesNotFitTheKeyIsNotWritten) {
    vqtest::Workspace ws;
    ASSERT_TRUE(StorePartFilterList({{"图号", "GB", "含"}}));
    // Each condition "图名[零件XX]<含>" is 16 bytes in the file's code page, with "&&" 18.
    std::vector<PartFilterText> many;
    for (int i = 0; i < 28; ++i) {
        CString value;
        value.Format("零件%02d", i);
        many.push_back({"图名", value, "含"});
    }
    CString stored = FormatPartFilterList(many);
    ASSERT_EQ(vq::Utf8ToGbk(stored.str()).size(), 28u * 18u - 2u); // 502 bytes: fits
    EXPECT_TRUE(PartFilterListFits(stored));
    many.push_back({"图名", "零件28", "含"}); // 520 bytes: would be cut when read back
    EXPECT_FALSE(PartFilterListFits(FormatPartFilterList(many)));
    EXPECT_FALSE(StorePartFilterList(many));
    EXPECT_EQ(StoredList(ws), "图号[GB]<含>");
}

TEST(PartFilterMatch, EqualsIgnoresCaseAndNotEqualTurnsItRound) {
    EXPECT_EQ(MatchPartFilter(One(0, "gb-1", "等于"), "GB-1", "", ""), 1);
    EXPECT_EQ(MatchPartFilter(One(0, "GB-1", "等于"), "GB-12", "", ""), 0);
    EXPECT_EQ(MatchPartFilter(One(0, "gb-1", "不等"), "GB-1", "", ""), 0);
    EXPECT_EQ(MatchPartFilter(One(0, "GB-1", "不等"), "P-1", "", ""), 1);
}

TEST(PartFilterMatch, SimilarMatchesOnlyAtTheStart) {
    EXPECT_EQ(MatchPartFilter(One(0, "GB", "近似"), "GB/T 5782", "", ""), 1);
    EXPECT_EQ(MatchPartFilter(One(0, "GB", "近似"), "P-GB-1", "", ""), 0);
    EXPECT_EQ(MatchPartFilter(One(0, "GB", "不近似"), "P-GB-1", "", ""), 1);
    EXPECT_EQ(MatchPartFilter(One(0, "P-1.*-02", "近似"), "P-1000-02", "", ""), 1);
    // A pattern that does not compile matches nothing (so "不近似" matches).
    EXPECT_EQ(MatchPartFilter(One(0, "(GB", "近似"), "(GB", "", ""), 0);
    EXPECT_EQ(MatchPartFilter(One(0, "(GB", "不近似"), "(GB", "", ""), 1);
}

TEST(PartFilterMatch, ContainsComparesWithoutRegardToCase) {
    EXPECT_EQ(MatchPartFilter(One(1, "垫圈", "含"), "X", "弹簧垫圈", ""), 1);
    EXPECT_EQ(MatchPartFilter(One(0, "gb", "含"), "P-GB-1", "", ""), 1);
    EXPECT_EQ(MatchPartFilter(One(0, "gb", "不含"), "P-GB-1", "", ""), 0);
    EXPECT_EQ(MatchPartFilter(One(2, "外购", "不含"), "X", "", "自制"), 1);
    // The remark is the text of item 2, not the name.
    EXPECT_EQ(MatchPartFilter(One(2, "外购", "含"), "X", "外购件", ""), 0);
}

TEST(PartFilterMatch, UnknownOperatorMatchesAndItemsWithoutTextAreNotApplicable) {
    EXPECT_EQ(MatchPartFilter(One(0, "x", "大于"), "P-1", "", ""), 1);
    // "规格" (-1) has no part text: neither "含" nor "不含" filters anything out.
    EXPECT_FALSE(PartFilterApplies(One(-1, "M8", "不含")[0]));
    EXPECT_EQ(MatchPartFilter(One(-1, "M8", "不含"), "P-1", "n", "r"), 0);
    EXPECT_EQ(MatchPartFilter(One(-1, "", "含"), "P-1", "n", "r"), 0);
    EXPECT_EQ(MatchPartFilter({}, "P-1", "n", "r"), 0);
}

TEST(PartFilterMatch, AnyConditionOfTheListDecides) {
    auto list = One(0, "GB", "近似");
    list.push_back(One(-1, "M8", "不含")[0]);
    list.push_back(One(1, "垫圈", "含")[0]);
    EXPECT_EQ(MatchPartFilter(list, "GB/T 97", "平垫圈", ""), 1);
    EXPECT_EQ(MatchPartFilter(list, "P-1", "弹簧垫圈", ""), 1);
    EXPECT_EQ(MatchPartFilter(list, "P-1", "箱体", ""), 0);
}

TEST(PartFilterDlg, AddsEditsAndStoresDroppingBlankValues) {
    vqtest::Workspace ws;
    ASSERT_TRUE(StorePartFilterList({{"图号", "GB", "含"}}));
    CPartFilterDlg dlg;
    std::vector<std::string> before, after;
    vq::ScriptedUser user;
    user.Dialog("设置零部件过滤条件")
        .Do([&](CDialog& d) {
            before = Rows(d);
            EXPECT_TRUE(d.GetDlgItem(1091)->IsWindowEnabled());
        })
        .Select(1266, "图名")
        .Click(1090)
        .Click(1090)
        .Do([](CDialog& d) {
            auto* list = dynamic_cast<CListCtrl*>(d.GetDlgItem(1000));
            list->SetItemText(1, 2, " 垫圈 "); // typed in place
        })
        .Select(1000, 1)
        .Click(1007)
        .Dialog("选择过滤条件")
        .Do([](CDialog& d) {
            auto* ops = dynamic_cast<CListBox*>(d.GetDlgItem(1000));
            EXPECT_EQ(ops->GetCurSel(), 4); // "含"
        })
        .Check(1454, 1)
        .Select(1000, "不含")
        .Click(IDOK)
        .Dialog("设置零部件过滤条件")
        .Do([&](CDialog& d) { after = Rows(d); })
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(before, (std::vector<std::string>{"图号|含|GB"}));
    EXPECT_EQ(after, (std::vector<std::string>{"图号|含|GB", "备注|不含| 垫圈 ", "图名|含|"}));
    EXPECT_EQ(StoredList(ws), "图号[GB]<含>&&备注[垫圈]<不含>");
}

TEST(PartFilterDlg, ConditionWithoutSelectionAndDeleteOfSelectedRows) {
    vqtest::Workspace ws;
    ASSERT_TRUE(
        StorePartFilterList({{"图号", "GB", "含"}, {"图名", "垫圈", "等于"}, {"备注", "外购", "含"}}));
    CPartFilterDlg dlg;
    std::vector<std::string> after;
    vq::ScriptedUser user;
    user.Dialog("设置零部件过滤条件")
        .Click(1007)
        .Message("请先选择过滤条件项...", IDOK)
        .Select(1000, 1)
        .Click(1091)
        .Message("是否真的要删除?", IDNO)
        .Click(1091)
        .Message("是否真的要删除?", IDYES)
        .Do([&](CDialog& d) { after = Rows(d); })
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(after, (std::vector<std::string>{"图号|含|GB", "备注|含|外购"}));
    // "退出" stores nothing.
    EXPECT_EQ(StoredList(ws), "图号[GB]<含>&&图名[垫圈]<等于>&&备注[外购]<含>");
}

TEST(PartFilterDlg, TooLongAListKeepsTheDialogOpenAndTheOldList) {
    vqtest::Workspace ws;
    ASSERT_TRUE(StorePartFilterList({{"图号", "GB", "含"}}));
    CPartFilterDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("设置零部件过滤条件")
        .Do([](CDialog& d) {
            auto* list = dynamic_cast<CListCtrl*>(d.GetDlgItem(1000));
            for (int i = 0; i < 40; ++i) {
                int row = list->InsertItem(list->GetItemCount(), "图名");
                list->SetItemText(row, 1, "含");
                list->SetItemText(row, 2, "零件名称");
            }
        })
        .Click(IDOK)
        .Message("条件太多，不能正常存储...", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(StoredList(ws), "图号[GB]<含>");
}
