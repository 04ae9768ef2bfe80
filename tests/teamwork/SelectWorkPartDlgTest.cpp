// The work part picker in both dialects, in its three ways: a part of the list, a part typed by
// hand (also into an empty list), and the removed association; the shown flags and types, the
// parts of every work of a project task, and the sort by a column.
#include "teamwork/SelectWorkPartDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "teamwork/DesignPartDlg.h"
#include "teamwork/WorkPartIds.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace teamwork::part_ids;

namespace {

std::vector<std::string> ListRows(CDialog& d) {
    auto* list = dynamic_cast<CListCtrl*>(d.GetDlgItem(kWorkPartList));
    std::vector<std::string> rows;
    for (int row = 0; row < list->GetItemCount(); ++row) {
        std::string text;
        for (int c = 0; c < 5; ++c)
            text += (c ? "|" : "") + list->GetItemText(row, c).str();
        rows.push_back(text);
    }
    return rows;
}

class SelectWorkPartTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strLoginUser = "zhangsan";
        ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkType, "
                   "WorkState) VALUES "
                   "('T1', 'T1', 'T1#001', 'zhangsan', '一', 'W', '正进行中'),"
                   "('T1', 'T1', 'T1#002', 'lisi', '二', 'W', '正进行中')");
        ws.Execute("INSERT INTO TeamWorkPart (WorkID, PartCode, PartName, UserName, UsedFlag, State) VALUES "
                   "('T1#001', 'B-2', '轴', 'zhangsan', 0, '分配'),"
                   "('T1#001', 'a-1', '齿轮', 'zhangsan', 1, '自动'),"
                   "('T1#001', 'C-3', '键', 'lisi', NULL, '借用'),"
                   "('T1#002', 'D-4', '销', 'lisi', 0, '分配')");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
    }

    vqtest::DbWorkspace ws{GetParam()};
};

} // namespace

TEST_P(SelectWorkPartTest, ARowOfTheListIsChosenAndADeselectedRowStaysCurrent) {
    CSelectWorkPartDlg dlg;
    dlg.m_strScopeCode = "T1#001";
    dlg.m_strPartCode = "A-1";
    std::vector<std::string> rows;
    CString shownCode;
    vq::ScriptedUser user;
    user.Dialog("选择工作零部件")
        .Do([&](CDialog& d) {
            rows = ListRows(d);
            d.GetDlgItemText(kPickedCode, shownCode);
        })
        .Select(kWorkPartList, "C-3")
        .Do([&](CDialog& d) {
            auto* list = dynamic_cast<CListCtrl*>(d.GetDlgItem(kWorkPartList));
            list->SetItemState(-1, 0, LVIS_SELECTED);
        })
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    // The rows come in the order the database returns them.
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<std::string>{"B-2|轴|zhangsan|未|上级分配", "C-3|键|lisi|已|借用",
                                              "a-1|齿轮|zhangsan|已|独自设计"}));
    EXPECT_EQ(shownCode, "a-1") << "the preset code's row is current when the list opens";
    EXPECT_EQ(dlg.m_strPartCode, "C-3");
    EXPECT_EQ(dlg.m_strPartName, "键");
}

TEST_P(SelectWorkPartTest, APartTypedByHandIsReturnedAsTyped) {
    CSelectWorkPartDlg dlg;
    dlg.m_strScopeCode = "T1#001";
    vq::ScriptedUser user;
    user.Dialog("选择工作零部件")
        .Check(kManualInput, 1)
        .Set(kPickedCode, "")
        .Click(IDOK)
        .Message("图号不能为空...", IDOK)
        .Set(kPickedCode, "NEW-9 ")
        .Set(kPickedName, "新件")
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strPartCode, "NEW-9 ");
    EXPECT_EQ(dlg.m_strPartName, "新件");
}

TEST_P(SelectWorkPartTest, AnEmptyListTakesOnlyAPartTypedByHand) {
    CSelectWorkPartDlg dlg;
    dlg.m_strScopeCode = "T9#001";
    bool okAtOpen = true, okWhenTicked = false, okWhenCleared = true, boxReadOnly = false;
    vq::ScriptedUser user;
    user.Dialog("选择工作零部件")
        .Do([&](CDialog& d) {
            okAtOpen = d.GetDlgItem(IDOK)->IsWindowEnabled();
            boxReadOnly = (d.GetDlgItem(kPickedCode)->GetStyle() & ES_READONLY) != 0;
        })
        .Check(kManualInput, 1)
        .Do([&](CDialog& d) { okWhenTicked = d.GetDlgItem(IDOK)->IsWindowEnabled(); })
        .Check(kManualInput, 0)
        .Do([&](CDialog& d) { okWhenCleared = d.GetDlgItem(IDOK)->IsWindowEnabled(); })
        .Check(kManualInput, 1)
        .Set(kPickedCode, "Z-1")
        .Set(kPickedName, "支架")
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_FALSE(okAtOpen);
    EXPECT_TRUE(boxReadOnly);
    EXPECT_TRUE(okWhenTicked);
    EXPECT_FALSE(okWhenCleared);
    EXPECT_EQ(dlg.m_strPartCode, "Z-1");
    EXPECT_EQ(dlg.m_strPartName, "支架");
}

TEST_P(SelectWorkPartTest, RemovingTheAssociationEndsWithEmptyResults) {
    for (const char* scope : {"T1#001", "T9#001"}) {
        CSelectWorkPartDlg dlg;
        dlg.m_strScopeCode = scope;
        dlg.m_strPartCode = "B-2";
        dlg.m_strPartName = "轴";
        vq::ScriptedUser user;
        user.Dialog("选择工作零部件").Click("撤消关联");
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_TRUE(dlg.m_strPartCode.IsEmpty());
        EXPECT_TRUE(dlg.m_strPartName.IsEmpty());
    }
}

TEST_P(SelectWorkPartTest, ThePartsOfEveryWorkOfATaskSortByTheShownTexts) {
    CSelectWorkPartDlg dlg;
    dlg.m_strScopeCode = "T1";
    dlg.m_bTaskScope = 1;
    std::vector<std::string> ascending, descending, again;
    vq::ScriptedUser user;
    user.Dialog("选择工作零部件")
        .Column(kWorkPartList, 3)
        .Do([&](CDialog& d) { ascending = ListRows(d); })
        .Column(kWorkPartList, 0)
        .Column(kWorkPartList, 0)
        .Do([&](CDialog& d) { descending = ListRows(d); })
        .Column(kWorkPartList, 0)
        .Do([&](CDialog& d) { again = ListRows(d); })
        .DoubleClick(kWorkPartList, 1);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    ASSERT_EQ(ascending.size(), 4u);
    // The shown flag texts are compared, not the stored numbers.
    std::string flags;
    for (const std::string& row : ascending)
        flags += row.find("|已|") != std::string::npos ? "Y" : "N";
    EXPECT_EQ(flags, "YYNN");
    EXPECT_EQ(descending.front().substr(0, 3), "D-4");
    EXPECT_EQ(descending.back().substr(0, 3), "a-1");
    EXPECT_EQ(again.front().substr(0, 3), "a-1");
    EXPECT_EQ(dlg.m_strPartCode, "B-2") << "the double-clicked row of the list as it is sorted";
}

TEST_P(SelectWorkPartTest, TheDesignPartDialogTakesThePickedPart) {
    CDesignPartDlg dlg;
    dlg.WorkID = "T1#001";
    CString code, name;
    vq::ScriptedUser user;
    user.Dialog("增加设计零部件")
        .Click("选择...")
        .Dialog("选择工作零部件")
        .Select(kWorkPartList, "B-2")
        .Click(IDOK)
        .Dialog("增加设计零部件")
        .Do([&](CDialog& d) {
            d.GetDlgItemText(kPartCode, code);
            d.GetDlgItemText(kPartName, name);
        })
        .Click("选择...")
        .Dialog("选择工作零部件")
        .Click("撤消关联")
        .Dialog("增加设计零部件")
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(code, "B-2");
    EXPECT_EQ(name, "轴");
    EXPECT_TRUE(dlg.PartCode.IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Dialects, SelectWorkPartTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
