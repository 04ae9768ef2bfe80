// The user picker over the product database in both dialects: group membership, the preset user,
// sorting by the column headers, and single and multiple selection.
#include "controls/UserBrowseDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class UserBrowseTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.Execute(
            "INSERT INTO GroupInformation (GroupName, GroupDescription, Groupmanager) VALUES ('设计一室', "
            "'结构', 'zhangsan');"
            "INSERT INTO GroupInformation (GroupName, GroupDescription, Groupmanager) VALUES ('工艺室', "
            "'工艺', "
            "'wangwu');"
            "INSERT INTO GroupInformation (GroupName, GroupDescription, Groupmanager) VALUES ('设计', "
            "'总体', "
            "'admin');"
            "INSERT INTO UserInformation (UserLogName, UserName, UserDescription, GroupName) VALUES "
            "('zhangsan', "
            "'张三', 'b主任', '设计一室');"
            "INSERT INTO UserInformation (UserLogName, UserName, UserDescription, GroupName) VALUES "
            "('Wangwu', "
            "'王五', 'a工艺', '工艺室),(设计一室');"
            "INSERT INTO UserInformation (UserLogName, UserName, UserDescription, GroupName) VALUES ('lisi', "
            "'李四', 'c设计', '设计');"
            "INSERT INTO UserInformation (UserLogName, UserName, UserDescription, GroupName) VALUES "
            "('admin', "
            "'管理员', '', '')");
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 0;
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        EXPECT_EQ(rec.Pending(), 0) << "an expected message box was not shown";
    }

    static std::vector<std::string> Column(CDialog& d, int column) {
        auto* list = dynamic_cast<CListCtrl*>(d.GetDlgItem(1059));
        std::vector<std::string> texts;
        for (int i = 0; list && i < list->GetItemCount(); ++i)
            texts.push_back(list->GetItemText(i, column).str());
        return texts;
    }
    static int Selected(CDialog& d) {
        auto* list = dynamic_cast<CListCtrl*>(d.GetDlgItem(1059));
        return list ? list->GetNextItem(-1, LVNI_SELECTED) : -2;
    }

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::MessageBoxRecorder rec;
};

using Rows = std::vector<std::string>;

TEST(UserBrowseGroupText, NamesTheGroupAloneOrJoinedToOthers) {
    EXPECT_TRUE(CUserBrowseDlg::GroupTextNames("设计一室", "设计一室"));
    EXPECT_TRUE(CUserBrowseDlg::GroupTextNames("Design", "DESIGN"));
    EXPECT_TRUE(CUserBrowseDlg::GroupTextNames("设计一室),(工艺室", "设计一室"));
    EXPECT_TRUE(CUserBrowseDlg::GroupTextNames("工艺室),(设计一室", "设计一室"));
    EXPECT_TRUE(CUserBrowseDlg::GroupTextNames("a),(b),(c", "b"));
    EXPECT_TRUE(CUserBrowseDlg::GroupTextNames("Design),(Tech", "tech"));
    // A group whose name merely begins or ends another's is not named.
    EXPECT_FALSE(CUserBrowseDlg::GroupTextNames("设计一室", "设计"));
    EXPECT_FALSE(CUserBrowseDlg::GroupTextNames("工艺室),(设计一室", "工艺"));
    EXPECT_FALSE(CUserBrowseDlg::GroupTextNames("工艺室),(设计一室", "设计"));
    EXPECT_FALSE(CUserBrowseDlg::GroupTextNames("", "设计"));
    EXPECT_FALSE(CUserBrowseDlg::GroupTextNames("设计一室", ""));
}

TEST_P(UserBrowseTest, GroupsListUsersByTheirGroupTexts) {
    CUserBrowseDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("用户浏览 - 选择用户")
        .Do([](CDialog& d) {
            auto* groups = dynamic_cast<CListBox*>(d.GetDlgItem(1060));
            ASSERT_NE(groups, nullptr);
            ASSERT_EQ(groups->GetCount(), 4);
            EXPECT_EQ(groups->GetText(0), "所有用户...");
            EXPECT_EQ(Column(d, 0).size(), 4u);
            CString count;
            d.GetDlgItemText(1252, count);
            EXPECT_EQ(count, "共 4 个用户");
        })
        .Select(1060, "设计一室")
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(d, 0), (Rows{"zhangsan", "Wangwu"}));
            EXPECT_EQ(Selected(d), 0);
            CString count;
            d.GetDlgItemText(1252, count);
            EXPECT_EQ(count, "共 2 个用户");
        })
        .Select(1060, "工艺室")
        .Do([](CDialog& d) { EXPECT_EQ(Column(d, 0), (Rows{"Wangwu"})); })
        // "设计" is a prefix of "设计一室" but lists only its own member.
        .Select(1060, "设计")
        .Do([](CDialog& d) { EXPECT_EQ(Column(d, 0), (Rows{"lisi"})); })
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(UserBrowseTest, PresetLogNameIsSelectedIgnoringCase) {
    CUserBrowseDlg dlg;
    dlg.m_strLogName = "WANGWU";
    vq::ScriptedUser user;
    user.Dialog("用户浏览 - 选择用户").Do([](CDialog& d) { EXPECT_EQ(Selected(d), 1); }).Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strLogName, "Wangwu");
    EXPECT_EQ(dlg.m_strUserName, "王五");
}

TEST_P(UserBrowseTest, UnknownPresetLeavesTheFirstRowSelected) {
    CUserBrowseDlg dlg;
    dlg.m_strLogName = "nobody";
    vq::ScriptedUser user;
    user.Dialog("用户浏览 - 选择用户").Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strLogName, "zhangsan");
}

TEST_P(UserBrowseTest, HeaderClicksSortBothWaysAndTheChoiceFollowsTheRow) {
    CUserBrowseDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("用户浏览 - 选择用户")
        .Column(1059, 0)
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(d, 0), (Rows{"admin", "lisi", "Wangwu", "zhangsan"}));
        })
        .Column(1059, 0)
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(d, 0), (Rows{"zhangsan", "Wangwu", "lisi", "admin"}));
        })
        // Another column starts ascending.
        .Column(1059, 2)
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(d, 2), (Rows{"", "a工艺", "b主任", "c设计"}));
            auto* header = dynamic_cast<CSortListCtrl*>(d.GetDlgItem(1059));
            ASSERT_NE(header, nullptr);
            EXPECT_EQ(header->m_header.GetColumnImage(2), 0);
            EXPECT_EQ(header->m_header.GetColumnImage(0), -1);
        })
        .Column(1059, 2)
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(d, 2), (Rows{"c设计", "b主任", "a工艺", ""}));
            EXPECT_EQ(dynamic_cast<CSortListCtrl*>(d.GetDlgItem(1059))->m_header.GetColumnImage(2), 1);
        })
        .Select(1059, "Wangwu")
        .Column(1059, 1)
        .Do([](CDialog& d) {
            // Names in code page 936 order (their UTF-8 bytes order them the other way round).
            EXPECT_EQ(Column(d, 1), (Rows{"管理员", "李四", "王五", "张三"}));
        })
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strLogName, "Wangwu");
}

TEST_P(UserBrowseTest, DoubleClickChoosesTheRow) {
    CUserBrowseDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("用户浏览 - 选择用户").DoubleClick(1059, "lisi");
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strLogName, "lisi");
    EXPECT_EQ(dlg.m_strUserName, "李四");
}

TEST_P(UserBrowseTest, MultiSelectRefusesAllUsersUnlessAllowed) {
    CUserBrowseDlg dlg;
    dlg.m_bMultiSelect = 1;
    vq::ScriptedUser user;
    user.Dialog("用户浏览 - 选择组(多用户)")
        .Click(IDOK)
        .Message("不能选择《所有用户...》，请选择具体的用户组", IDOK)
        .Select(1060, "设计一室")
        .Do([](CDialog& d) {
            auto* list = dynamic_cast<CListCtrl*>(d.GetDlgItem(1059));
            list->UserSelect(1, true); // both rows selected now
        })
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    ASSERT_EQ(dlg.m_arrLogNames.GetSize(), 2);
    EXPECT_EQ(dlg.m_arrLogNames[0], "zhangsan");
    EXPECT_EQ(dlg.m_arrLogNames[1], "Wangwu");
    EXPECT_EQ(dlg.m_arrUserNames[1], "王五");
    EXPECT_EQ(dlg.m_strCurGroup, "设计一室");
}

TEST_P(UserBrowseTest, MultiSelectWithAllUsersAllowedReturnsTheSelectedRowsInOrder) {
    CUserBrowseDlg dlg;
    dlg.m_bMultiSelect = 1;
    dlg.m_bAllowAllUsers = 1;
    vq::ScriptedUser user;
    user.Dialog("用户浏览 - 选择组(多用户)")
        .Do([](CDialog& d) {
            auto* list = dynamic_cast<CListCtrl*>(d.GetDlgItem(1059));
            list->UserSelect(3);
            list->UserSelect(1, true);
        })
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    ASSERT_EQ(dlg.m_arrLogNames.GetSize(), 2);
    EXPECT_EQ(dlg.m_arrLogNames[0], "Wangwu");
    EXPECT_EQ(dlg.m_arrLogNames[1], "admin");
}

TEST_P(UserBrowseTest, MultiSelectOfAnEmptyGroupAsksForAnotherGroup) {
    ws.Execute("INSERT INTO GroupInformation (GroupName) VALUES ('空组')");
    CUserBrowseDlg dlg;
    dlg.m_bMultiSelect = 1;
    vq::ScriptedUser user;
    user.Dialog("用户浏览 - 选择组(多用户)")
        .Select(1060, "空组")
        .Click(IDOK)
        .Message("组中无用户，请再选择...", IDOK)
        .Select(1060, "工艺室")
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    ASSERT_EQ(dlg.m_arrLogNames.GetSize(), 1);
    EXPECT_EQ(dlg.m_arrLogNames[0], "Wangwu");
}

TEST_P(UserBrowseTest, TeamFilterListsOnlyTheTeamsMembers) {
    ws.Execute(
        "CREATE TABLE IF NOT EXISTS DesignProjectTeam (TeamType VARCHAR(10), TeamGroup VARCHAR(50), "
        "TeamUser VARCHAR(50));"
        "INSERT INTO DesignProjectTeam (TeamType, TeamGroup, TeamUser) VALUES ('_P', 'PRJ''1', 'lisi');"
        "INSERT INTO DesignProjectTeam (TeamType, TeamGroup, TeamUser) VALUES ('_T', 'PRJ''1', 'zhangsan')");
    CUserBrowseDlg dlg;
    dlg.m_bTeamFilter = 1;
    dlg.m_strProjectNo = "PRJ'1"; // a quote in the key reaches the statement quoted
    vq::ScriptedUser user;
    user.Dialog("用户浏览 - 选择用户")
        .Do([](CDialog& d) { EXPECT_EQ(Column(d, 0), (Rows{"lisi"})); })
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();

    CUserBrowseDlg task;
    task.m_bTeamFilter = 1;
    task.m_nTeamType = 1;
    task.m_strTaskNo = "PRJ'1";
    vq::ScriptedUser user2;
    user2.Dialog("用户浏览 - 选择用户")
        .Do([](CDialog& d) { EXPECT_EQ(Column(d, 0), (Rows{"zhangsan"})); })
        .Click(IDCANCEL);
    EXPECT_EQ(task.DoModal(), IDCANCEL);
    EXPECT_TRUE(user2.Succeeded()) << user2.Error().c_str();
}

INSTANTIATE_TEST_SUITE_P(Dialects, UserBrowseTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

} // namespace
