// The entry functions of the work tasks through the frame of an entry call: their results after
// OK, after only looking, and without the database.
#include "core/VqDesignTaskApp.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

extern "C" CString CreateNewTeamTaskItem(CString taskNo, CString upWorkId, CString unused, CString login);
extern "C" int AssignTeamTaskMain(CString projectNo, CString parentNo, CString login, int readOnly, int groupMode);

namespace {

class TeamTaskEntryTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = nullptr;
        ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, PreendedTime, "
                   "WorkState, TaskType) VALUES ('P1', '项目甲', '项目管理', 'zhangsan', '2099-12-31', '正进行中', 'V'),"
                   "('T1', '任务一', '项目甲\\', 'zhangsan', '2040-12-31', '正进行中', 'T')");
    }
    vqtest::DbWorkspace ws{GetParam()};
};

} // namespace

TEST_P(TeamTaskEntryTest, CreateNewTeamTaskItemGivesTheIdAfterOkOnly) {
    vq::ScriptedUser cancel;
    cancel.Dialog("工作任务分解").Click(IDCANCEL);
    EXPECT_EQ(CreateNewTeamTaskItem("T1", "", "x", "zhangsan"), "");
    EXPECT_TRUE(cancel.Succeeded()) << cancel.Error().c_str();

    vq::ScriptedUser user;
    user.Dialog("工作任务分解")
        .Set(1002, "工作")
        .Set(1004, "2030-01-01")
        .Set(1010, "2030-01-01")
        .Set(1012, "2030-01-01")
        .Click(IDOK);
    EXPECT_EQ(CreateNewTeamTaskItem("T1", "", "x", "lisi"), "T1#001");
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT Manager || '|' || UpWorkID FROM TeamWorkManage WHERE WorkID='T1#001'"), "lisi|T1");
    EXPECT_FALSE(theApp.m_pConnPDM);
}

TEST_P(TeamTaskEntryTest, AssignTeamTaskMainGivesZeroWhenTheUserOnlyLooks) {
    vq::ScriptedUser user;
    user.Dialog("设计工作组工作管理").Click("退出");
    EXPECT_EQ(AssignTeamTaskMain("P1", "T1", "zhangsan", 0, 0), 0);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();

    // The browse switch leaves no command that changes data.
    vq::ScriptedUser browse;
    browse.Dialog("设计工作组工作管理")
        .Do([](CDialog& d) {
            EXPECT_FALSE(d.GetDlgItem(1055)->IsWindowEnabled());
            EXPECT_FALSE(d.GetDlgItem(1057)->IsWindowEnabled());
        })
        .Click("退出");
    EXPECT_EQ(AssignTeamTaskMain("P1", "T1", "zhangsan", 1, 0), 0);
    EXPECT_TRUE(browse.Succeeded()) << browse.Error().c_str();
}

TEST_P(TeamTaskEntryTest, NoDialogWithoutTheDatabase) {
    ws.ClearConfig();
    vqtest::MessageBoxRecorder rec;
    rec.Expect("");
    EXPECT_EQ(AssignTeamTaskMain("P1", "T1", "zhangsan", 0, 0), 0);
    rec.Expect("");
    EXPECT_EQ(CreateNewTeamTaskItem("T1", "", "x", "zhangsan"), "");
    EXPECT_EQ(rec.Pending(), 0);
}

INSTANTIATE_TEST_SUITE_P(Dialects, TeamTaskEntryTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);
