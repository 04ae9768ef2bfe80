// The department picker in both dialects: departments picked and returned in list order, a
// confirm without a choice, the column sort, and the list helper on empty and unselected lists.
#include "changeorders/SelectDeptDlg.h"
#include "controls/ListHelpers.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

namespace {

class SelectDeptTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        ws.Execute("INSERT INTO EnpartmentManage (Code, Name, Manager) VALUES ('D02', '设计二室', '李四');"
                   "INSERT INTO EnpartmentManage (Code, Name, Manager) VALUES ('d01', '设计一室', '张三');"
                   "INSERT INTO EnpartmentManage (Code, Name, Manager) VALUES ('G01', '工艺室', '王五')");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        EXPECT_EQ(rec.Pending(), 0) << "an expected message box was not shown";
    }
    static CListCtrl& List(CDialog& d) { return *dynamic_cast<CListCtrl*>(d.GetDlgItem(1060)); }
    static void SelectRows(CDialog& d, std::initializer_list<int> rows) {
        for (int row : rows)
            List(d).SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
    }
    static std::vector<CString> Column(CDialog& d, int column) {
        std::vector<CString> texts;
        for (int row = 0; row < List(d).GetItemCount(); ++row)
            texts.push_back(List(d).GetItemText(row, column));
        return texts;
    }

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::MessageBoxRecorder rec;
};

} // namespace

TEST_P(SelectDeptTest, TwoSelectedDepartmentsAreReturnedInListOrder) {
    CSelectDeptDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("选择部门")
        .Do([](CDialog& d) {
            ASSERT_EQ(List(d).GetItemCount(), 3);
            EXPECT_EQ(List(d).GetItemText(0, 2), "李四");
            EXPECT_EQ(GetFirstSelectedItem(List(d)), -1);
            SelectRows(d, {2, 0});
            EXPECT_EQ(GetFirstSelectedItem(List(d)), 0);
        })
        .Click("确定");
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    ASSERT_EQ(dlg.m_arrDeptCode.GetSize(), 2);
    ASSERT_EQ(dlg.m_arrDeptName.GetSize(), 2);
    EXPECT_EQ(dlg.m_arrDeptCode[0], "D02");
    EXPECT_EQ(dlg.m_arrDeptName[0], "设计二室");
    EXPECT_EQ(dlg.m_arrDeptCode[1], "G01");
    EXPECT_EQ(dlg.m_arrDeptName[1], "工艺室");
}

TEST_P(SelectDeptTest, ConfirmWithoutAChoiceAsksForOneAndStaysOpen) {
    CSelectDeptDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("选择部门")
        .Click("确定")
        .Message("请选择部门...", IDOK)
        .Do([](CDialog& d) { EXPECT_FALSE(d.HasEnded()); })
        .Click("取消");
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_arrDeptCode.GetSize(), 0);
}

TEST_P(SelectDeptTest, AColumnClickedThreeTimesSortsUpDownUp) {
    CSelectDeptDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("选择部门")
        .Column(1060, 0)
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(d, 0), (std::vector<CString>{"d01", "D02", "G01"}));
            auto* list = dynamic_cast<CSortListCtrl*>(&List(d));
            EXPECT_EQ(list->m_header.GetColumnImage(0), 0);
            EXPECT_EQ(list->m_header.GetColumnImage(1), -1);
        })
        .Column(1060, 0)
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(d, 0), (std::vector<CString>{"G01", "D02", "d01"}));
            EXPECT_EQ(dynamic_cast<CSortListCtrl*>(&List(d))->m_header.GetColumnImage(0), 1);
        })
        .Column(1060, 0)
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(d, 0), (std::vector<CString>{"d01", "D02", "G01"}));
        })
        .Column(1060, 2)
        .Do([](CDialog& d) {
            auto* list = dynamic_cast<CSortListCtrl*>(&List(d));
            EXPECT_EQ(list->m_header.GetColumnImage(0), -1);
            EXPECT_EQ(list->m_header.GetColumnImage(2), 0);
            // The rows keep their records: the choice returns the sorted row's code.
            SelectRows(d, {0});
        })
        .Click("确定");
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    ASSERT_EQ(dlg.m_arrDeptCode.GetSize(), 1);
    EXPECT_EQ(dlg.m_arrDeptName[0], CString(dlg.m_arrDeptCode[0] == "d01"   ? "设计一室"
                                            : dlg.m_arrDeptCode[0] == "D02" ? "设计二室"
                                                                            : "工艺室"));
}

TEST_P(SelectDeptTest, WithoutDepartmentsTheListIsEmpty) {
    ws.Execute("DELETE FROM EnpartmentManage");
    CSelectDeptDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("选择部门")
        .Do([](CDialog& d) {
            EXPECT_EQ(List(d).GetItemCount(), 0);
            EXPECT_EQ(GetFirstSelectedItem(List(d)), -1);
        })
        .Click(IDOK)
        .Message("请选择部门...", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

INSTANTIATE_TEST_SUITE_P(Dialects, SelectDeptTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
