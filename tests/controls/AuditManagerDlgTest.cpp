// The auditor picker in both dialects: its three refusals, names that try to change the
// statement, the mixed-step mark and browsing with the user and group pickers.
#include "controls/AuditManagerDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kNoManager = "评审任务不能无负责人，请重新输入!";
constexpr const char* kUnknownGroup = "该组不是系统注册使用的组，请重新输入!";
constexpr const char* kUnknownUser = "负责人不是系统注册使用人员，请重新输入!";

class AuditManagerTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.Execute(
            "INSERT INTO GroupInformation (GroupName, GroupDescription, Groupmanager) VALUES ('设计一室', "
            "'', "
            "'zhangsan');"
            "INSERT INTO GroupInformation (GroupName, GroupDescription, Groupmanager) VALUES ('工艺室', '', "
            "'wangwu');"
            "INSERT INTO UserInformation (UserLogName, UserName, GroupName) VALUES ('zhangsan', '张三', "
            "'设计一室');"
            "INSERT INTO UserInformation (UserLogName, UserName, GroupName) VALUES ('o''neil', '奥尼尔', "
            "'工艺室')");
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        EXPECT_EQ(rec.Pending(), 0) << "an expected message box was not shown";
    }

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::MessageBoxRecorder rec;
};

TEST_P(AuditManagerTest, RefusesAnEmptyNameThenAnUnknownUserThenTakesARegisteredOne) {
    CAuditManagerDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("评审负责人")
        .Click(IDOK)
        .Message(kNoManager, IDOK)
        .Set(1147, "nobody")
        .Click(IDOK)
        .Message(kUnknownUser, IDOK)
        // A name that would widen the statement if it were pasted into it unquoted.
        .Set(1147, "x' OR 'x'='x")
        .Click(IDOK)
        .Message(kUnknownUser, IDOK)
        .Set(1147, "o'neil")
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strManager, "o'neil");
}

TEST_P(AuditManagerTest, GroupModeAcceptsOnlyARegisteredGroup) {
    CAuditManagerDlg dlg;
    dlg.m_bGroupMode = 1;
    dlg.m_strManager = "zhangsan"; // a user, not a group
    vq::ScriptedUser user;
    user.Dialog("评审负责人")
        .Click(IDOK)
        .Message(kUnknownGroup, IDOK)
        .Set(1147, "x' OR 'x'='x")
        .Click(IDOK)
        .Message(kUnknownGroup, IDOK)
        .Set(1147, "工艺室")
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strManager, "工艺室");
}

TEST_P(AuditManagerTest, LowerCaseMixedMarkSwitchesToGroupModeOnlyWithTheCheck) {
    CAuditManagerDlg checked;
    checked.m_strStepName = "校对[m]";
    checked.m_bCheckMixed = 1;
    checked.m_strManager = "设计一室";
    vq::ScriptedUser user;
    user.Dialog("评审负责人").Click(IDOK);
    EXPECT_EQ(checked.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(checked.m_bGroupMode, 1);

    CAuditManagerDlg unchecked;
    unchecked.m_strStepName = "校对[M]";
    unchecked.m_strManager = "设计一室";
    vq::ScriptedUser user2;
    user2.Dialog("评审负责人").Click(IDOK).Message(kUnknownUser, IDOK).Click(IDCANCEL);
    EXPECT_EQ(unchecked.DoModal(), IDCANCEL);
    EXPECT_TRUE(user2.Succeeded()) << user2.Error().c_str();
    EXPECT_EQ(unchecked.m_bGroupMode, 0);
}

TEST_P(AuditManagerTest, BrowseTakesTheUserPickersChoiceAndCancelKeepsTheName) {
    CAuditManagerDlg dlg;
    dlg.m_strManager = "O'NEIL";
    vq::ScriptedUser user;
    user.Dialog("评审负责人")
        .Click(1148)
        .Dialog("用户浏览 - 选择用户")
        .Click(IDCANCEL)
        .Do([](CDialog& d) {
            CString name;
            d.GetDlgItemText(1147, name);
            EXPECT_EQ(name, "O'NEIL");
        })
        .Click(1148)
        .Dialog("用户浏览 - 选择用户")
        .Click(IDOK) // the preset user is selected
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strManager, "o'neil");
}

TEST_P(AuditManagerTest, BrowseInGroupModeUsesTheGroupPicker) {
    CAuditManagerDlg dlg;
    dlg.m_bGroupMode = 1;
    dlg.m_strManager = "设计一室";
    vq::ScriptedUser user;
    user.Dialog("评审负责人").Click(1148).Dialog("选择用户组").Select(1060, "工艺室").Click(1236).Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strManager, "工艺室");
}

INSTANTIATE_TEST_SUITE_P(Dialects, AuditManagerTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

} // namespace
