// The task query: the four scopes, the user picker and the sort with its serial numbers.
#include "core/VqDesignTaskApp.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "projects/TaskQueryDlg.h"
#include "projects/TaskQueryIds.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace projects::query_ids;

namespace {

std::vector<std::string> Column(CDialog& d, int column) {
    auto* list = dynamic_cast<CListCtrl*>(d.GetDlgItem(kList));
    std::vector<std::string> out;
    for (int i = 0; i < list->GetItemCount(); ++i)
        out.push_back(list->GetItemText(i, column).str());
    return out;
}

class TaskQueryTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strLoginUser = "zhangsan";
        ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三'), ('lisi', '李四')");
        ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, WorkState) VALUES "
                   "('P_1', '项目', '项目管理', 'zhangsan', '未开始'), ('P_1-01', '任务', '项目\\', 'lisi', '未开始'),"
                   "('PX1-01', '别的', '别\\', 'zhangsan', '完成'), ('Q', '其他', '项目管理', 'lisi', '归档')");
        ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, WorkName, Manager, WorkState) VALUES "
                   "('P_1-01', 'P_1-01', 'P_1-01#001', '工作甲', 'zhangsan', '待确认'),"
                   "('PX1-01', 'PX1-01', 'PX1-01#001', '工作乙', 'zhangsan', '完成'),"
                   "('Q', 'Q', 'Q#001', '工作丙', 'lisi', '完成')");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
    }

    vqtest::DbWorkspace ws{GetParam()};
};

} // namespace

TEST_P(TaskQueryTest, ScopesOfProjectAndUser) {
    CTaskQueryDlg dlg;
    dlg.ProjectNo = "P_1";
    dlg.UserName = "zhangsan";
    vq::ScriptedUser user;
    user.Dialog("任务查询 - zhangsan")
        .Do([](CDialog& d) {
            // "P_1" is no pattern: PX1's rows stay out.
            EXPECT_EQ(Column(d, 1), (std::vector<std::string>{"P_1", "P_1-01#001"}));
            EXPECT_EQ(Column(d, 6), (std::vector<std::string>{"项目", "工作组"}));
        })
        .Check(kAllUsers, 1)
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(d, 1), (std::vector<std::string>{"P_1", "P_1-01", "P_1-01#001"}));
        })
        .Check(kAllProjects, 1)
        .Do([](CDialog& d) { EXPECT_EQ(Column(d, 1).size(), 7u); })
        .Check(kGivenUser, 1)
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(d, 1), (std::vector<std::string>{"P_1", "PX1-01", "P_1-01#001", "PX1-01#001"}));
            EXPECT_EQ(Column(d, 0), (std::vector<std::string>{"1", "2", "3", "4"}));
        })
        // Sorted by the serial numbers, descending: the rows reverse and are numbered anew.
        .Column(kList, 0)
        .Column(kList, 0)
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(d, 1), (std::vector<std::string>{"PX1-01#001", "P_1-01#001", "PX1-01", "P_1"}));
            EXPECT_EQ(Column(d, 0), (std::vector<std::string>{"1", "2", "3", "4"}));
        })
        .Click(kPickUser)
        .Dialog("用户浏览 - 选择用户")
        .Select(1059, "lisi")
        .Click(IDOK)
        .Dialog("任务查询 - lisi")
        .Do([](CDialog& d) { EXPECT_EQ(Column(d, 1), (std::vector<std::string>{"P_1-01", "Q", "Q#001"})); })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.UserName, "lisi");
}

TEST_P(TaskQueryTest, WithoutProjectOrUserTheScopeIsEveryProjectOfTheLogin) {
    CTaskQueryDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("任务查询 - zhangsan")
        .Do([](CDialog& d) {
            EXPECT_FALSE(d.GetDlgItem(kThisProject)->IsWindowEnabled());
            EXPECT_FALSE(d.GetDlgItem(kAllProjects)->IsWindowEnabled());
            EXPECT_EQ(Column(d, 1).size(), 4u);
        })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.UserName, "zhangsan");
}

INSTANTIATE_TEST_SUITE_P(Dialects, TaskQueryTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);
