// Work-state propagation up the task tree and the work tree.
#include "core/VqDesignTaskApp.h"
#include "projects/WorkStateUpdater.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

namespace {

class WorkStateUpdaterTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState, TaskType) VALUES "
                   "('P', '项目', '项目管理', '未开始', 'V'), ('P-01', '任务一', '项目\\', '完成', 'V'),"
                   "('P-01-01', '子任务', '项目\\任务一\\', NULL, 'M'), ('P-02', '任务二', '项目\\', '未开始', 'V'),"
                   "('S', '简单', '项目管理', '正进行中', 'S'), ('E', '无路径', '', '未开始', 'V')");
        ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, WorkState) VALUES "
                   "('P-01-01', 'P-01-01', 'P-01-01#001', '完成'),"
                   "('P-01-01', 'P-01-01#001', 'P-01-01#001#001', '正进行中'),"
                   "('P-01-01', 'P-01-01#001', 'P-01-01#001#002', '正进行中'),"
                   "('P-01-01', 'P-01-01#001#002', 'P-01-01#001#002#001', '待确认'),"
                   "('S', 'S', 'S#001', '正进行中'), ('S', 'S', 'S#002', '完成')");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
    }
    CString TaskState(const char* number) {
        return ws.QueryText(CString("SELECT WorkState FROM ProjectManage WHERE ProjectNo='") + number + "'");
    }
    CString WorkState(const char* id) {
        return ws.QueryText(CString("SELECT WorkState FROM TeamWorkManage WHERE WorkID='") + id + "'");
    }
    void StoreWork(const char* id, const char* state) {
        ws.Execute(CString("UPDATE TeamWorkManage SET WorkState='") + state + "' WHERE WorkID='" + id + "'");
    }

    vqtest::DbWorkspace ws{GetParam()};
};

} // namespace

TEST_P(WorkStateUpdaterTest, AncestorListFollowsThePath) {
    CWorkStateUpdater updater;
    updater.m_strProjectName = "C";
    updater.m_strProjectPath = "A\\B\\";
    updater.BuildAncestorList();
    ASSERT_EQ(updater.m_arrAncestorNames.GetSize(), 3);
    EXPECT_EQ(updater.m_arrAncestorNames[2], "A");
    EXPECT_EQ(updater.m_arrAncestorPaths[1], "A\\");
    EXPECT_EQ(updater.m_arrAncestorPaths[2], "项目管理");
}

TEST_P(WorkStateUpdaterTest, StartedTaskStartsTheTasksAboveThatHadNotStarted) {
    CWorkStateUpdater updater;
    EXPECT_EQ(updater.SetProjectInProgress("P-01-01"), 1);
    EXPECT_EQ(TaskState("P-01-01"), "正进行中");
    EXPECT_EQ(TaskState("P-01"), "完成");
    EXPECT_EQ(TaskState("P"), "正进行中");
    EXPECT_EQ(TaskState("P-02"), "未开始");
    // A task without a path changes nothing and still succeeds; an unknown task fails.
    EXPECT_EQ(updater.SetProjectInProgress("E"), 1);
    EXPECT_EQ(TaskState("E"), "未开始");
    EXPECT_EQ(updater.SetProjectInProgress("none"), 0);
    EXPECT_FALSE(updater.StatementFailed()); // nothing to update is no failure
    ws.Execute("ALTER TABLE ProjectManage RENAME COLUMN TaskType TO TaskKind");
    vqtest::MessageBoxRecorder shown;
    shown.Expect("TaskType"); // the error
    shown.Expect("SELECT ProjectNo, ProjectName, ProjectPath, TaskType FROM ProjectManage");
    EXPECT_EQ(updater.SetProjectInProgress("P-02"), 0);
    EXPECT_TRUE(updater.StatementFailed());
    EXPECT_EQ(shown.Pending(), 0);
}

TEST_P(WorkStateUpdaterTest, AcceptedWorkStartsEveryWorkAboveIt) {
    CWorkStateUpdater updater;
    EXPECT_EQ(updater.SetTeamWorkInProgress("P-01-01#001#002#001"), 1);
    EXPECT_EQ(WorkState("P-01-01#001#002"), "正进行中");
    EXPECT_EQ(WorkState("P-01-01#001"), "正进行中"); // also when it was complete
    EXPECT_EQ(WorkState("P-01-01#001#002#001"), "待确认");
    EXPECT_EQ(TaskState("P-01-01"), "正进行中");
    EXPECT_EQ(TaskState("P"), "正进行中");
}

TEST_P(WorkStateUpdaterTest, CompletionWaitsForTheSiblingsThenArchivesTheChangeTask) {
    CWorkStateUpdater updater;
    StoreWork("P-01-01#001#001", "完成");
    StoreWork("P-01-01#001", "正进行中");
    EXPECT_EQ(updater.SetTeamWorkState("P-01-01#001#001", "完成"), 1);
    EXPECT_EQ(WorkState("P-01-01#001"), "正进行中");
    EXPECT_EQ(TaskState("P-01-01"), "");

    StoreWork("P-01-01#001#002#001", "完成");
    EXPECT_EQ(updater.SetTeamWorkState("P-01-01#001#002#001", "完成"), 1);
    EXPECT_EQ(WorkState("P-01-01#001#002"), "完成");
    EXPECT_EQ(WorkState("P-01-01#001"), "完成");
    EXPECT_EQ(TaskState("P-01-01"), "归档");
}

TEST_P(WorkStateUpdaterTest, CompletionStopsBelowAWorkWithUnfinishedWorksAndArchivesOnlyACompleteTask) {
    ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState, TaskType) VALUES "
               "('C-9', '更改九', '项目\\', '正进行中', 'M')");
    ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, WorkState) VALUES "
               "('C-9', 'C-9', 'C-9#001', '正进行中'), ('C-9', 'C-9', 'C-9#002', '正进行中'),"
               "('C-9', 'C-9#002', 'C-9#002#001', '完成'), ('C-9', 'C-9', 'C-9#003', '正进行中'),"
               "('C-9', 'C-9#003', 'C-9#003#001', '正进行中'), ('C-9', 'C-9#003', 'C-9#003#002', '正进行中'),"
               "('C-9', 'C-9#003#001', 'C-9#003#001#001', '完成')");
    CWorkStateUpdater updater;
    // The last work under C-9#002 completes it; C-9#001 still runs, so the task is not archived.
    EXPECT_EQ(updater.SetTeamWorkState("C-9#002#001", "完成"), 1);
    EXPECT_EQ(WorkState("C-9#002"), "完成");
    EXPECT_EQ(WorkState("C-9#001"), "正进行中");
    EXPECT_EQ(TaskState("C-9"), "正进行中");
    // Completion passes up only as far as a work whose works are all complete.
    EXPECT_EQ(updater.SetTeamWorkState("C-9#003#001#001", "完成"), 1);
    EXPECT_EQ(WorkState("C-9#003#001"), "完成");
    EXPECT_EQ(WorkState("C-9#003"), "正进行中");
    EXPECT_EQ(TaskState("C-9"), "正进行中");

    StoreWork("C-9#003#002", "完成");
    EXPECT_EQ(updater.SetTeamWorkState("C-9#003#002", "完成"), 1);
    EXPECT_EQ(WorkState("C-9#003"), "完成");
    EXPECT_EQ(TaskState("C-9"), "正进行中");
    StoreWork("C-9#001", "完成");
    EXPECT_EQ(updater.SetTeamWorkState("C-9#001", "完成"), 1);
    EXPECT_EQ(TaskState("C-9"), "归档");
}

TEST_P(WorkStateUpdaterTest, ChangePassesUpAndNeverArchives) {
    CWorkStateUpdater updater;
    StoreWork("P-01-01#001#002#001", "更改");
    EXPECT_EQ(updater.SetTeamWorkState("P-01-01#001#002#001", "更改"), 1);
    EXPECT_EQ(WorkState("P-01-01#001#002"), "更改");
    EXPECT_EQ(WorkState("P-01-01#001"), "更改");
    EXPECT_EQ(TaskState("P-01-01"), "");
}

TEST_P(WorkStateUpdaterTest, SimpleProjectIsArchivedOnlyWithTheSwitch) {
    StoreWork("S#001", "完成");
    {
        CWorkStateUpdater updater;
        EXPECT_EQ(updater.SetTeamWorkState("S#001", "完成"), 1);
        EXPECT_EQ(TaskState("S"), "正进行中");
    }
    ws.WriteSetting("设计过程管理配置", "简单项目不进行项目级任务评审", "1");
    CWorkStateUpdater updater;
    EXPECT_EQ(updater.SetTeamWorkState("S#001", "完成"), 1);
    EXPECT_EQ(TaskState("S"), "归档");
}

TEST_P(WorkStateUpdaterTest, CyclicWorkLinksEndTheWalk) {
    ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, WorkState) VALUES "
               "('P-02', 'P-02#002', 'P-02#001', '待确认'), ('P-02', 'P-02#001', 'P-02#002', '待确认')");
    CWorkStateUpdater updater;
    EXPECT_EQ(updater.SetTeamWorkInProgress("P-02#001"), 1);
    EXPECT_EQ(WorkState("P-02#002"), "正进行中");
    EXPECT_EQ(TaskState("P-02"), "正进行中");
    updater.m_arrAncestorWorks.RemoveAll();
    updater.CollectAncestorWorks("P-02#002");
    EXPECT_EQ(updater.m_arrAncestorWorks.GetSize(), 1);
}

INSTANTIATE_TEST_SUITE_P(Dialects, WorkStateUpdaterTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);
