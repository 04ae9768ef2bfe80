// The entry functions of the work tasks through the frame of an entry call: their results after
// OK, after only looking, and without the database.
#include "core/VqDesignTaskApp.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/FtpServer.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

extern "C" CString CreateNewTeamTaskItem(CString taskNo, CString upWorkId, CString unused, CString login);
extern "C" int AssignTeamTaskMain(CString projectNo, CString parentNo, CString login, int readOnly,
                                  int groupMode);

namespace {

class TeamTaskEntryTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = nullptr;
        ws.Execute(
            "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, PreendedTime, "
            "WorkState, TaskType) VALUES ('P1', '项目甲', '项目管理', 'zhangsan', '2099-12-31', '正进行中', "
            "'V'),"
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
    EXPECT_EQ(ws.QueryText("SELECT Manager || '|' || UpWorkID FROM TeamWorkManage WHERE WorkID='T1#001'"),
              "lisi|T1");
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

// With the work documents on the FTP server, the work-group work management opens only the
// database; deleting a work task reaches the server of the configuration all the same.
TEST_P(TeamTaskEntryTest, AssignTeamTaskMainDeletesAWorkWithTheDocumentsOnTheFtpServer) {
    vqtest::FtpServer ftp;
    ASSERT_TRUE(ftp.IsRunning());
    vqtest::ConfigRow row;
    row.domainName = ftp.Url();
    row.ftpUser = ftp.User();
    row.ftpPwd = ftp.Password();
    ws.SetConfig(row);
    for (int mode : {1, 2}) {
        theApp.m_nDocStorageMode = mode;
        ws.Execute(
            "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkType, WorkState) "
            "SELECT 'T1', 'T1', 'T1#001', 'lisi', '工作', 'W', '待确认' WHERE NOT EXISTS (SELECT 1 FROM "
            "TeamWorkManage WHERE WorkID='T1#001')");
        vq::ScriptedUser user;
        user.Dialog("设计工作组工作管理")
            .Tree(1050, "项目：项目甲[P1] 下的任务：任务一[T1].../工作 [T1#001]")
            .Click(1057)
            .Message("删除该工作任务将失去其对应的所有信息,真的要删除吗?", IDYES)
            .Click("退出");
        EXPECT_EQ(AssignTeamTaskMain("P1", "T1", "zhangsan", 0, 0), 1) << "mode " << mode;
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkManage WHERE WorkID='T1#001'"), "0");
    }
    theApp.m_nDocStorageMode = 0;
    EXPECT_FALSE(theApp.m_pFtpConnection);
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

INSTANTIATE_TEST_SUITE_P(Dialects, TeamTaskEntryTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
