// The group picker in both dialects: the preset group, the choice by button and double click,
// and a list without groups.
#include "controls/SelectGroupDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

namespace {

class SelectGroupTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        EXPECT_EQ(rec.Pending(), 0) << "an expected message box was not shown";
    }
    void AddGroups() {
        ws.Execute(
            "INSERT INTO GroupInformation (GroupName, GroupDescription, Groupmanager) VALUES ('设计一室', "
            "'结构设计', 'zhangsan');"
            "INSERT INTO GroupInformation (GroupName, GroupDescription, Groupmanager) VALUES ('Tech', "
            "'工艺', "
            "'wangwu')");
    }
    static int Selected(CDialog& d) {
        auto* list = dynamic_cast<CListCtrl*>(d.GetDlgItem(1060));
        return list ? list->GetNextItem(-1, LVNI_SELECTED) : -2;
    }

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::MessageBoxRecorder rec;
};

TEST_P(SelectGroupTest, PresetGroupIsSelectedIgnoringCaseAndReturnedWithItsManager) {
    AddGroups();
    CSelectGroupDlg dlg;
    dlg.m_strGroupName = "TECH";
    vq::ScriptedUser user;
    user.Dialog("选择用户组")
        .Do([](CDialog& d) {
            auto* list = dynamic_cast<CListCtrl*>(d.GetDlgItem(1060));
            ASSERT_EQ(list->GetItemCount(), 2);
            EXPECT_EQ(list->GetItemText(0, 1), "结构设计");
            EXPECT_EQ(list->GetItemImage(0), 1);
            EXPECT_EQ(Selected(d), 1);
        })
        .Click(1236);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strGroupName, "Tech");
    EXPECT_EQ(dlg.m_strGroupManager, "wangwu");
}

TEST_P(SelectGroupTest, WithoutAChoiceOkDoesNothingAndDoubleClickChooses) {
    AddGroups();
    CSelectGroupDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("选择用户组")
        .Click(1236)
        .Do([](CDialog& d) { EXPECT_FALSE(d.HasEnded()); })
        .DoubleClick(1060, "设计一室");
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strGroupName, "设计一室");
    EXPECT_EQ(dlg.m_strGroupManager, "zhangsan");
}

TEST_P(SelectGroupTest, WithoutGroupsOnlyCancelCloses) {
    CSelectGroupDlg dlg;
    dlg.m_strGroupName = "keep";
    vq::ScriptedUser user;
    // Enter (the OK command) and the button do nothing on an empty list.
    user.Dialog("选择用户组")
        .Click(1236)
        .Click(IDOK)
        .Do([](CDialog& d) { EXPECT_FALSE(d.HasEnded()); })
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strGroupName, "keep");
}

INSTANTIATE_TEST_SUITE_P(Dialects, SelectGroupTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

} // namespace
