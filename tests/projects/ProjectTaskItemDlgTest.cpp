// The project/task item properties: new projects and tasks checked and returned, existing items
// stored with the paths below them, the notices to new managers, the opening modes.
#include "projects/ProjectTaskItemDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/String.h"
#include "platform/base/TextCodec.h"
#include "platform/base/Time.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/Edit.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/SpinButtonCtrl.h"
#include "projects/ProjectTaskItemIds.h"
#include "projects/ProjectTaskRecords.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

using namespace projects::item_ids;
using projects::NumberCharacterMessage;

namespace {

CString Text(CDialog& d, int id) {
    CString text;
    d.GetDlgItemText(id, text);
    return text;
}

CString DaysFromToday(int days) {
    return (CTime::GetCurrentTime() + CTimeSpan(days, 0, 0, 0)).Format("%Y-%m-%d");
}

class ProjectTaskItemTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        ws.WriteSetting("公共管理功能", "当前登陆用户帐号", "zhangsan");
        theApp.m_strLoginUser = "zhangsan";
        ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三'), ('lisi', '李四')");
        const CString far = DaysFromToday(400);
        ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, CreatedTime, "
                   "PreendedTime, WorkState, TaskType, TaskAssigner, Other4) VALUES "
                   "('P1', '项目甲', '项目管理', 'zhangsan', '2026-01-01 08:00', '" + far +
                   "', '正进行中', 'V', 'zhangsan', 500),"
                   "('P1-01', '任务一', '项目甲\\', 'zhangsan', '2026-01-01 09:00', '" + DaysFromToday(200) +
                   "', '未开始', 'T', 'zhangsan', 510),"
                   "('P1-01-01', '子任务', '项目甲\\任务一\\', 'lisi', '2026-01-01 09:00', '" + DaysFromToday(100) +
                   "', '未开始', 'V', 'zhangsan', 500),"
                   "('P1-02', '任务二', '项目甲\\', 'lisi', '2026-01-01 09:00', '" + DaysFromToday(100) +
                   "', '未开始', 'V', 'zhangsan', 500),"
                   "('P10', '项目甲乙', '项目管理', 'lisi', '2026-01-01 08:00', '" + far +
                   "', '未开始', 'V', 'lisi', 500),"
                   "('P10-01', '任务一', '项目甲乙\\', 'lisi', '2026-01-01 08:00', '" + far +
                   "', '未开始', 'V', 'lisi', 500),"
                   "('C1', '更改甲', '更改任务管理', 'lisi', '2026-01-01 08:00', '', '未开始', 'M', 'lisi', 500)");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
    }
    CString Query(const CString& sql) { return ws.QueryText(sql); }

    vqtest::DbWorkspace ws{GetParam()};
};

} // namespace

TEST_P(ProjectTaskItemTest, NewProjectIsCheckedThenReturnedWithANoticeToItsManager) {
    CProjectTaskItemDlg dlg;
    dlg.NewItem = 1;
    dlg.Editable = 1;
    dlg.IsProject = 1;
    dlg.ProjectPath = "项目管理";
    bool numberWritable = false;
    vq::ScriptedUser user;
    user.Dialog("项目/任务项属性")
        .Do([&](CDialog& d) {
            numberWritable = !dynamic_cast<CEdit*>(d.GetDlgItem(kNumber))->IsReadOnly();
            EXPECT_EQ(Text(d, IDOK), "添加");
            EXPECT_TRUE(d.GetDlgItem(kSimpleProject)->IsWindowVisible());
            EXPECT_FALSE(d.GetDlgItem(kSubdivide)->IsWindowVisible());
            EXPECT_TRUE(d.GetDlgItem(kMembers)->IsWindowVisible());
        })
        .Set(kEndDate, DaysFromToday(30))
        .Click(IDOK)
        .Message("项目或任务名称不能为空!", IDOK)
        .Set(kName, " 项目管理 ")
        .Click(IDOK)
        .Message("项目管理、更改任务管理、产品评审管理为系统使用内容，不能做为任务名称进行定义...", IDOK)
        .Set(kName, "项目甲")
        .Click(IDOK)
        .Message("在同一项目路径下，项目或任务名称已存在...", IDOK)
        .Set(kName, "新项目")
        .Set(kNumber, "X#1")
        .Click(IDOK)
        .Message("项目或任务编号不能包含字符：# ......", IDOK)
        .Set(kNumber, "P10")
        .Click(IDOK)
        .Message("该项目或任务编号已存在，请重新输入!", IDOK)
        .Set(kNumber, "P[M]")
        .Click(IDOK)
        .MessageContaining("项目或任务编号不能包含以下字母", IDOK)
        .Set(kNumber, " P2 ")
        .Set(kEndDate, DaysFromToday(-1))
        .Click(IDOK)
        .Message("预计完成时间不能早于当前计算机完成时间...", IDOK)
        .Set(kEndDate, DaysFromToday(0))
        .Set(kAlertDate, DaysFromToday(1))
        .Click(IDOK)
        .Message("报警时间不能晚于预计完成时间...", IDOK)
        .Set(kAlertDate, DaysFromToday(0))
        .Check(kSimpleProject, 1)
        .Check(kCreateWorkTask, 1)
        .Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_TRUE(numberWritable);
    EXPECT_EQ(dlg.ItemNo, "P2");
    EXPECT_EQ(dlg.ItemName, "新项目");
    EXPECT_EQ(dlg.Manager, "zhangsan");
    EXPECT_EQ(dlg.PreendedTime, DaysFromToday(0));
    EXPECT_EQ(dlg.TaskTypeLetter(), "S");
    EXPECT_EQ(dlg.CreateWorkTask, 1);
    // Nothing is inserted by the dialog, and nothing is told of a row that is not stored yet; once
    // the caller has stored it, the operation is logged and the new manager hears of the project.
    EXPECT_EQ(Query("SELECT count(*) FROM ProjectManage WHERE ProjectNo='P2'"), "0");
    EXPECT_EQ(Query("SELECT count(*) FROM MessageManage"), "0");
    EXPECT_EQ(Query("SELECT count(*) FROM LogInformation WHERE PartCode='P2'"), "0");
    dlg.AnnounceNewItem();
    EXPECT_EQ(Query("SELECT Content FROM MessageManage WHERE Reseiver='zhangsan'"),
              "辛苦了，项目上级张三给您分配了项目任务及工作组任务：新项目[P2]...");
    EXPECT_EQ(Query("SELECT Operation FROM LogInformation WHERE PartCode='P2'"), "增加任务属性");
}

// A number of dots names no folder of its own on the file server (the task's folder would be
// "Vq/Working/." or the folder above), and one ending in a dot names another task's folder on a
// server that drops trailing dots ("XM-02-01." is "XM-02-01"): it is refused like a number with a
// forbidden character, by the OK button and by the buttons that lock a new number, and nothing is
// stored under it.
TEST_P(ProjectTaskItemTest, ANumberOfDotsIsRefusedWithTheCharacterMessage) {
    CProjectTaskItemDlg dlg;
    dlg.NewItem = 1;
    dlg.Editable = 1;
    dlg.IsProject = 1;
    dlg.ProjectPath = "项目管理";
    vq::ScriptedUser user;
    user.Dialog("项目/任务项属性")
        .Set(kName, "新项目")
        .Set(kEndDate, DaysFromToday(30))
        .Set(kNumber, ".")
        .Click(IDOK)
        .Message(NumberCharacterMessage(), IDOK)
        .Set(kNumber, "..")
        .Click(IDOK)
        .Message(NumberCharacterMessage(), IDOK)
        .Set(kNumber, " . ")
        .Click(IDOK)
        .Message(NumberCharacterMessage(), IDOK)
        .Set(kNumber, "XM-02-01.")
        .Click(IDOK)
        .Message(NumberCharacterMessage(), IDOK)
        .Set(kNumber, "XM-02-01. . ")
        .Click(IDOK)
        .Message(NumberCharacterMessage(), IDOK)
        // Characters the file server's code page 936 cannot write: the accent written apart from
        // its letter, the ligature "ﬁ" (the texts look like "XM-é" and "XM-fi", which it can).
        .Set(kNumber, "XM-e\u0301")
        .Click(IDOK)
        .Message(NumberCharacterMessage(), IDOK)
        .Set(kNumber, "XM-\uFB01")
        .Click(IDOK)
        .Message(NumberCharacterMessage(), IDOK)
        .Set(kNumber, "XM-\uFB01")
        .Click(kMembers)
        .Message(NumberCharacterMessage() + "，不能设置项目成员...", IDOK)
        .Set(kNumber, "..")
        .Click(kMembers)
        .Message(NumberCharacterMessage() + "，不能设置项目成员...", IDOK)
        .Set(kNumber, "XM-02-01.")
        .Click(kMembers)
        .Message(NumberCharacterMessage() + "，不能设置项目成员...", IDOK)
        .Set(kNumber, ".")
        .Click(kMembers)
        .Message(NumberCharacterMessage() + "，不能设置项目成员...", IDOK)
        .Do([](CDialog& d) { EXPECT_FALSE(dynamic_cast<CEdit*>(d.GetDlgItem(kNumber))->IsReadOnly()); })
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    const CString refused = "('.', '..', 'XM-02-01.', 'XM-02-01. .', 'XM-e\u0301', 'XM-\uFB01')";
    EXPECT_EQ(Query("SELECT count(*) FROM ProjectManage WHERE ProjectNo IN " + refused), "0");
    EXPECT_EQ(Query("SELECT count(*) FROM DesignProjectTeam"), "0");
    EXPECT_EQ(Query("SELECT count(*) FROM LogInformation WHERE PartCode IN " + refused), "0");
}

// A new number whose local copies ("T<number>_<file>", UTF-8) would pass the file name limit is
// refused with the limit named, before anything is stored under it: by OK and by the buttons that
// lock a new number, for a typed project number (80 Chinese characters pass, 81 do not; 242 ASCII
// do not), for the first work task made with a simple project ("<number>#001"), and for the number
// a new task of the work breakdown is given below a long one.
TEST_P(ProjectTaskItemTest, ANumberWhoseCopiesWouldPassTheFileNameLimitIsRefused) {
    const auto repeated = [](const char* piece, int times) {
        CString text;
        for (int i = 0; i < times; ++i)
            text += piece;
        return text;
    };
    const auto message = [](int bytes) {
        CString text;
        text.Format("项目或任务编号太长：它的本地文档副本名至少有 %d 字节，超过了文件名 255 "
                    "字节的上限，请使用较短的编号!",
                    bytes);
        return text;
    };
    CProjectTaskItemDlg dlg;
    dlg.NewItem = 1;
    dlg.Editable = 1;
    dlg.IsProject = 1;
    dlg.ProjectPath = "项目管理";
    vq::ScriptedUser user;
    user.Dialog("项目/任务项属性")
        .Set(kName, "长编号项目")
        .Set(kEndDate, DaysFromToday(30))
        .Set(kNumber, repeated("箱", 81))
        .Click(IDOK)
        .Message(message(257), IDOK)
        .Set(kNumber, repeated("A", 242))
        .Click(kMembers)
        .Message(message(256), IDOK)
        .Set(kNumber, repeated("箱", 80))
        .Check(kSimpleProject, 1)
        .Check(kCreateWorkTask, 1)
        .Click(IDOK)
        .Message(message(258), IDOK)
        .Check(kCreateWorkTask, 0)
        .Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.ItemNo, repeated("箱", 80));
    EXPECT_EQ(Query("SELECT count(*) FROM DesignProjectTeam"), "0");

    const CString parent = repeated("L", 239);
    ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, CreatedTime, "
               "PreendedTime, WorkState, TaskType, TaskAssigner, Other4) VALUES ('" +
               parent + "', '长项目', '项目管理', 'zhangsan', '2026-01-01 08:00', '" + DaysFromToday(400) +
               "', '正进行中', 'V', 'zhangsan', 500)");
    CProjectTaskItemDlg task;
    task.NewItem = 1;
    task.Editable = 1;
    task.ProjectNo = parent;
    vq::ScriptedUser breakdown;
    breakdown.Dialog("项目/任务项属性")
        .Do([&](CDialog& d) { EXPECT_EQ(Text(d, kNumber), parent + "-01"); })
        .Set(kName, "长编号子任务")
        .Set(kEndDate, DaysFromToday(30))
        .Click(IDOK)
        .Message(message(256), IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(task.DoModal(), IDCANCEL);
    EXPECT_TRUE(breakdown.Succeeded()) << breakdown.Error().c_str();
    EXPECT_EQ(Query("SELECT count(*) FROM ProjectManage WHERE ProjectName IN ('长编号项目', '长编号子任务')"),
              "0");
}

TEST_P(ProjectTaskItemTest, NewTaskGetsTheNextNumberAndTheParentsDateBound) {
    CProjectTaskItemDlg dlg;
    dlg.NewItem = 1;
    dlg.Editable = 1;
    dlg.ProjectNo = "P1";
    vq::ScriptedUser user;
    user.Dialog("项目/任务项属性")
        .Do([&](CDialog& d) {
            EXPECT_EQ(Text(d, kNumber), "P1-03");
            EXPECT_TRUE(dynamic_cast<CEdit*>(d.GetDlgItem(kNumber))->IsReadOnly());
            EXPECT_FALSE(d.GetDlgItem(kNewCode)->IsWindowEnabled());
            EXPECT_FALSE(d.GetDlgItem(kSimpleProject)->IsWindowVisible());
            // A project task shows no members button until it becomes a work-group task.
            EXPECT_FALSE(d.GetDlgItem(kMembers)->IsWindowVisible());
        })
        .Select(kTaskType, 1)
        .Do([&](CDialog& d) {
            EXPECT_TRUE(d.GetDlgItem(kMembers)->IsWindowVisible());
            EXPECT_EQ(Text(d, kMembers), "工作组成员...");
        })
        .Set(kName, "任务三")
        .Set(kEndDate, DaysFromToday(401))
        .Click(IDOK)
        .Message("预计完成时间不能晚于上级任务预计完成时间：" + DaysFromToday(400) + " ...", IDOK)
        .Set(kEndDate, DaysFromToday(400))
        .Set(kAlertDate, DaysFromToday(10))
        .Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.ItemNo, "P1-03");
    EXPECT_EQ(dlg.TaskTypeLetter(), "T");
    EXPECT_EQ(dlg.EndDays, 400);
}

TEST_P(ProjectTaskItemTest, NewTaskUnderAMissingParentCannotBeAdded) {
    CProjectTaskItemDlg dlg;
    dlg.NewItem = 1;
    dlg.Editable = 1;
    dlg.ProjectName = "无此任务";
    dlg.ProjectPath = "项目甲\\";
    vq::ScriptedUser user;
    user.Message("不能正确获取任务编号...", IDOK)
        .Dialog("项目/任务项属性")
        .Do([](CDialog& d) { EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled()); })
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(ProjectTaskItemTest, RenameRewritesThePathsBelowOnlyAndChangingTheManagerSendsOneNotice) {
    CProjectTaskItemDlg dlg;
    dlg.ProjectNo = "P1";
    dlg.Editable = 1;
    vq::ScriptedUser user;
    user.Dialog("项目/任务项属性")
        .Do([](CDialog& d) {
            EXPECT_TRUE(dynamic_cast<CEdit*>(d.GetDlgItem(kNumber))->IsReadOnly());
            EXPECT_EQ(Text(d, IDOK), "修改");
            EXPECT_EQ(Text(d, kStateText), "正进行中");
            // A project with tasks below it cannot become a simple project.
            EXPECT_FALSE(d.GetDlgItem(kSimpleProject)->IsWindowEnabled());
            EXPECT_FALSE(d.GetDlgItem(kCreateWorkTask)->IsWindowVisible());
        })
        .Set(kName, "项目丙")
        .Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Query("SELECT ProjectName FROM ProjectManage WHERE ProjectNo='P1'"), "项目丙");
    EXPECT_EQ(Query("SELECT ProjectPath FROM ProjectManage WHERE ProjectNo='P1-01-01'"), "项目丙\\任务一\\");
    EXPECT_EQ(Query("SELECT ProjectPath FROM ProjectManage WHERE ProjectNo='P1-02'"), "项目丙\\");
    // The project whose number begins with P1 and whose name begins with the old name keeps its paths.
    EXPECT_EQ(Query("SELECT ProjectPath FROM ProjectManage WHERE ProjectNo='P10-01'"), "项目甲乙\\");
    EXPECT_EQ(Query("SELECT count(*) FROM MessageManage"), "0");
}

TEST_P(ProjectTaskItemTest, AnItemOpenedAndStoredUnchangedKeepsItsDates) {
    const CString end = DaysFromToday(55), alert = DaysFromToday(40), start = DaysFromToday(-5);
    ws.Execute("UPDATE ProjectManage SET PreendedTime='" + end + "', AlertTime='" + alert + "', Other3='" + start +
               "' WHERE ProjectNo='P1-01-01'");
    CProjectTaskItemDlg dlg;
    dlg.ProjectNo = "P1-01-01";
    dlg.Editable = 1;
    vq::ScriptedUser user;
    user.Dialog("项目/任务项属性")
        .Do([&](CDialog& d) {
            EXPECT_EQ(Text(d, kEndDate), end);
            EXPECT_EQ(Text(d, kAlertDate), alert);
            EXPECT_EQ(Text(d, kStartDate), start);
            EXPECT_EQ(Text(d, kEndDays), "55");
            EXPECT_EQ(Text(d, kAlertDays), "40");
        })
        .Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Query("SELECT PreendedTime || '|' || AlertTime || '|' || Other3 FROM ProjectManage "
                    "WHERE ProjectNo='P1-01-01'"),
              end + "|" + alert + "|" + start);
    EXPECT_EQ(dlg.EndDays, 55);
}

// A task stored without a start date shows today and no days, and keeps the date empty.
TEST_P(ProjectTaskItemTest, AnItemWithoutAStartDateShowsTodayAndStaysWithout) {
    ws.Execute("UPDATE ProjectManage SET Other3=NULL WHERE ProjectNo='P1-01-01'");
    CProjectTaskItemDlg dlg;
    dlg.ProjectNo = "P1-01-01";
    dlg.Editable = 1;
    vq::ScriptedUser user;
    user.Dialog("项目/任务项属性")
        .Do([&](CDialog& d) {
            EXPECT_EQ(Text(d, kStartDate), DaysFromToday(0));
            EXPECT_EQ(Text(d, kStartDays), "0");
            EXPECT_EQ(Text(d, kEndDays), "100");
        })
        .Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Query("SELECT COALESCE(Other3, '') FROM ProjectManage WHERE ProjectNo='P1-01-01'"), "");
}

TEST_P(ProjectTaskItemTest, AParentWithoutAPlannedDateSetsNoBound) {
    // C1 lies directly in the change task folder and has no planned date: neither it nor a new task
    // below it is held to one. Its dates, stored empty and left alone, stay empty.
    CProjectTaskItemDlg change;
    change.ProjectNo = "C1";
    change.Editable = 1;
    vq::ScriptedUser user;
    user.Dialog("项目/任务项属性").Set(kRemark, "说明").Click(IDOK);
    ASSERT_EQ(change.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(
        Query("SELECT Remark || '|' || COALESCE(PreendedTime, '') || '|' || COALESCE(AlertTime, '') || '|' "
              "|| COALESCE(Other3, '') FROM ProjectManage WHERE ProjectNo='C1'"),
        "说明|||");

    CProjectTaskItemDlg task;
    task.NewItem = 1;
    task.Editable = 1;
    task.ProjectNo = "C1";
    vq::ScriptedUser user2;
    user2.Dialog("项目/任务项属性")
        .Set(kName, "更改子任务")
        .Set(kEndDate, DaysFromToday(30))
        .Set(kAlertDate, DaysFromToday(20))
        .Click(IDOK);
    ASSERT_EQ(task.DoModal(), IDOK);
    EXPECT_TRUE(user2.Succeeded()) << user2.Error().c_str();
    EXPECT_EQ(task.ItemNo, "C1-01");
    EXPECT_EQ(task.PreendedTime, DaysFromToday(30));
}

TEST_P(ProjectTaskItemTest, AFailedUpdateLeavesThePathsBelowUnchanged) {
    // A trigger refusing the row's update stands for any failure of the second statement.
    if (vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "the refusing trigger is written for SQLite";
    theApp.m_pConnPDM->Execute("CREATE TRIGGER refuse BEFORE UPDATE OF ProjectName ON ProjectManage "
                               "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    CProjectTaskItemDlg dlg;
    dlg.ProjectNo = "P1";
    dlg.Editable = 1;
    vq::ScriptedUser user;
    user.Dialog("项目/任务项属性")
        .Set(kName, "项目壹")
        .Click(IDOK)
        .MessageContaining("refused", IDOK)
        .MessageContaining("执行出错的SQL语句", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Query("SELECT ProjectPath FROM ProjectManage WHERE ProjectNo='P1-01-01'"), "项目甲\\任务一\\");
}

TEST_P(ProjectTaskItemTest, TaskRulesOfAnExistingItem) {
    ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID) VALUES ('P1-01', 'P1-01', 'P1-01#001')");
    CProjectTaskItemDlg dlg;
    dlg.ProjectNo = "P1-01";
    dlg.Editable = 1;
    vq::ScriptedUser user;
    user.Dialog("项目/任务项属性")
        .Select(kTaskType, 0)
        .Click(IDOK)
        .Message("指定项目任务下已分配了工作任务，不能再设定为项目任务组...", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();

    CProjectTaskItemDlg second;
    second.ProjectNo = "P1-02";
    second.Editable = 1;
    ws.Execute("UPDATE ProjectManage SET ProjectPath='项目甲\\任务二\\' WHERE ProjectNo='P1-01-01'");
    vq::ScriptedUser user2;
    user2.Dialog("项目/任务项属性")
        .Select(kTaskType, 1)
        .Click(IDOK)
        .Message("上级项目节点已经分配了任务，不能再设定为<工作组任务>...", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(second.DoModal(), IDCANCEL);
    EXPECT_TRUE(user2.Succeeded()) << user2.Error().c_str();
}

TEST_P(ProjectTaskItemTest, ChangeTaskReadOnlyAndPriority) {
    CProjectTaskItemDlg change;
    change.ProjectNo = "C1";
    change.Editable = 1;
    vq::ScriptedUser user;
    user.Dialog("项目/任务项属性")
        .Do([](CDialog& d) {
            auto* type = dynamic_cast<CComboBox*>(d.GetDlgItem(kTaskType));
            EXPECT_EQ(type->GetLBText(type->GetCurSel()), "更改任务");
            EXPECT_FALSE(type->IsWindowEnabled());
        })
        .Click(IDCANCEL);
    change.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();

    CProjectTaskItemDlg task;
    task.ProjectNo = "P1-01";
    task.Editable = 0;
    vq::ScriptedUser user2;
    user2.Dialog("项目/任务项属性")
        .Do([](CDialog& d) {
            EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled());
            EXPECT_TRUE(dynamic_cast<CEdit*>(d.GetDlgItem(kName))->IsReadOnly());
            auto* spin = dynamic_cast<CSpinButtonCtrl*>(d.GetDlgItem(kPrioritySpin));
            EXPECT_EQ(Text(d, kPriority), "510");
            spin->UserDelta(1);
            EXPECT_EQ(Text(d, kPriority), "520");
            d.SetDlgItemText(kPriority, "510");
            spin->UserDelta(-1);
            EXPECT_EQ(Text(d, kPriority), "480");
            d.SetDlgItemText(kPriority, "1000");
            spin->UserDelta(1);
            EXPECT_EQ(Text(d, kPriority), "1000");
        })
        .Click(IDCANCEL);
    task.DoModal();
    EXPECT_TRUE(user2.Succeeded()) << user2.Error().c_str();
}

namespace {

// Numbers that differ only in letter case, made of the capital and small letters of several
// scripts: ASCII, full width, Greek, Cyrillic, one of each mixed, and letters that fold to ASCII
// (the Kelvin sign to "k"), and letters that only a server comparing upper case takes for one.
// Each pair in both orders: the first is stored, the second typed.
std::vector<std::pair<CString, CString>> CaseTwinNumbers() {
    const std::vector<std::pair<std::string, std::string>> letters = {
        {"X", "x"},
        {"Ｘ", "ｘ"},
        {"Σ", "σ"},
        {"Ж", "ж"},
        {"Ω", "ω"},
        {"Ä", "ä"},
        {"\xE2\x84\xAA", "k"},
        // Two letters to the database, one folder name to a server that compares upper case.
        {"σ", "ς"},
        {"S", "ſ"},
        {"I", "ı"}};
    std::vector<std::pair<CString, CString>> pairs;
    auto add = [&](const std::string& capital, const std::string& small) {
        const CString number = CString(std::to_string(pairs.size() / 2 + 10));
        pairs.emplace_back(CString(capital) + "M-" + number, CString(small) + "m-" + number);
        pairs.emplace_back(CString(small) + "m-" + number, CString(capital) + "M-" + number);
    };
    std::string mixedCapital, mixedSmall;
    for (const auto& [capital, small] : letters) {
        add(capital, small);
        mixedCapital += capital;
        mixedSmall += small;
    }
    add(mixedCapital, mixedSmall);
    add("xＸжΣ", "XｘЖσ");
    // Every pair of capital and small letter beyond ASCII that code page 936 holds (Greek,
    // Cyrillic, full width, Roman numerals: what a Chinese input method types), eight to a number.
    std::string capitals, smalls;
    int inNumber = 0;
    for (unsigned long code = 0x80; code <= 0xFFFF; ++code) {
        std::string capital;
        if (code < 0xD800 || code > 0xDFFF)
            vq::AppendUtf8Character(capital, code);
        const std::string small = vq::FoldCase(capital);
        if (small == capital || vq::Utf8ToGbk(capital) == "?" || vq::Utf8ToGbk(small) == "?")
            continue;
        capitals += capital;
        smalls += small;
        if (++inNumber == 8) {
            add(capitals, smalls);
            capitals.clear();
            smalls.clear();
            inNumber = 0;
        }
    }
    if (inNumber > 0)
        add(capitals, smalls);
    return pairs;
}

// A typed number that another is taken for is refused as taken; one holding a character the
// file server's code page 936 cannot write ("ς", "ſ", the Kelvin sign) never gets that far.
CString Refusal(const CString& typed) {
    return vq::HasGbkForm(typed.str()) ? CString("该项目或任务编号已存在，请重新输入!")
                                       : NumberCharacterMessage();
}

// Numbers that name one folder on the file server once made valid file names ("+" and the
// characters a file name cannot hold become "#"), in another case as well: the first is stored
// (by another client: the dialog refuses most of these characters), the second proposed or typed.
std::vector<std::pair<CString, CString>> FolderTwinNumbers() {
    std::vector<std::pair<CString, CString>> pairs;
    const std::string merged = std::string(vq::kFileNameUnsafe) + "#";
    for (std::size_t i = 0; i < merged.size(); ++i) {
        for (const char typed : {'+', '#'}) {
            if (merged[i] == typed)
                continue;
            const CString number = CString(std::to_string(20 + i));
            pairs.emplace_back("xm-" + number + CString(merged[i]) + "1",
                               "XM-" + number + CString(typed) + "1");
        }
    }
    return pairs;
}

} // namespace

// A number equal to a stored one but for letter case, in any script, is refused by the project
// dialog and by the task dialog, on both engines: two such numbers would share the task's folders
// on a file server that ignores case.
TEST_P(ProjectTaskItemTest, ANumberThatDiffersOnlyInCaseFromAStoredOneIsRefused) {
    for (const auto& [stored, typed] : CaseTwinNumbers()) {
        SCOPED_TRACE(("stored " + stored + ", typed " + typed).str());
        ws.Execute(
            "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, WorkState) "
            "VALUES ('" +
            SqlQuote(stored) + "', '已有项目', '项目管理', 'zhangsan', '未开始')");
        CProjectTaskItemDlg project;
        project.NewItem = 1;
        project.Editable = 1;
        project.IsProject = 1;
        project.ProjectPath = "项目管理";
        vq::ScriptedUser user;
        user.Dialog("项目/任务项属性")
            .Set(kName, "新项目")
            .Set(kEndDate, DaysFromToday(30))
            .Set(kNumber, typed)
            .Click(IDOK)
            .Message(Refusal(typed), IDOK)
            .Click(IDCANCEL);
        EXPECT_EQ(project.DoModal(), IDCANCEL);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();

        ws.Execute("DELETE FROM ProjectManage WHERE ProjectName='已有项目'");

        // The first task below the project numbered as typed is proposed that number and "-01";
        // another client stored its twin for a task of another project.
        ws.Execute(
            "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, PreendedTime, "
            "WorkState) VALUES ('" +
            SqlQuote(typed) + "', '父项目', '项目管理', 'zhangsan', '" + DaysFromToday(400) +
            "', '未开始'), ('" + SqlQuote(stored) +
            "-01', '别的任务', '别的项目\\', 'zhangsan', '', '未开始')");
        CProjectTaskItemDlg task;
        task.NewItem = 1;
        task.Editable = 1;
        task.ProjectNo = typed;
        vq::ScriptedUser taskUser;
        taskUser.Dialog("项目/任务项属性")
            .Do([&](CDialog& d) { EXPECT_EQ(Text(d, kNumber), typed + "-01"); })
            .Set(kName, "新任务")
            .Set(kEndDate, DaysFromToday(30))
            .Set(kAlertDate, DaysFromToday(20))
            .Click(IDOK)
            .Message(Refusal(typed + "-01"), IDOK)
            .Click(IDCANCEL);
        EXPECT_EQ(task.DoModal(), IDCANCEL);
        EXPECT_TRUE(taskUser.Succeeded()) << taskUser.Error().c_str();
        ws.Execute("DELETE FROM ProjectManage WHERE ProjectName IN ('父项目', '别的任务')");
    }
}

// A number whose folder name is that of a stored number ("XM-20+1" and "xm-20#1" both name the
// folder "XM-20#1" to a server that ignores case, "xm-20#1" alone to one that does not) is refused
// as taken by the project dialog and by the task dialog, on both engines, for every character the
// file-name mapping merges with "#".
TEST_P(ProjectTaskItemTest, ANumberNamingTheFoldersOfAStoredOneIsRefused) {
    for (const auto& [stored, typed] : FolderTwinNumbers()) {
        SCOPED_TRACE(("stored " + stored + ", typed " + typed).str());
        // A top-level project's number holds no "#": only the "+" twins reach the number check.
        if (typed.Find('#') < 0) {
            ws.Execute(
                "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, WorkState) "
                "VALUES ('" +
                SqlQuote(stored) + "', '已有项目', '项目管理', 'zhangsan', '未开始')");
            CProjectTaskItemDlg project;
            project.NewItem = 1;
            project.Editable = 1;
            project.IsProject = 1;
            project.ProjectPath = "项目管理";
            vq::ScriptedUser user;
            user.Dialog("项目/任务项属性")
                .Set(kName, "新项目")
                .Set(kEndDate, DaysFromToday(30))
                .Set(kNumber, typed)
                .Click(IDOK)
                .Message("该项目或任务编号已存在，请重新输入!", IDOK)
                .Click(IDCANCEL);
            EXPECT_EQ(project.DoModal(), IDCANCEL);
            EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
            ws.Execute("DELETE FROM ProjectManage WHERE ProjectName='已有项目'");
        }

        // The first task below a parent numbered as typed is proposed that number and "-01";
        // another client stored its folder twin for a task of another project.
        ws.Execute(
            "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, PreendedTime, "
            "WorkState) VALUES ('" +
            SqlQuote(typed) + "', '父项目', '项目管理', 'zhangsan', '" + DaysFromToday(400) +
            "', '未开始'), ('" + SqlQuote(stored) +
            "-01', '别的任务', '别的项目\\', 'zhangsan', '', '未开始')");
        CProjectTaskItemDlg task;
        task.NewItem = 1;
        task.Editable = 1;
        task.ProjectNo = typed;
        vq::ScriptedUser taskUser;
        taskUser.Dialog("项目/任务项属性")
            .Do([&](CDialog& d) { EXPECT_EQ(Text(d, kNumber), typed + "-01"); })
            .Set(kName, "新任务")
            .Set(kEndDate, DaysFromToday(30))
            .Set(kAlertDate, DaysFromToday(20))
            .Click(IDOK)
            .Message("该项目或任务编号已存在，请重新输入!", IDOK)
            .Click(IDCANCEL);
        EXPECT_EQ(task.DoModal(), IDCANCEL);
        EXPECT_TRUE(taskUser.Succeeded()) << taskUser.Error().c_str();
        ws.Execute("DELETE FROM ProjectManage WHERE ProjectName IN ('父项目', '别的任务')");
    }
}

INSTANTIATE_TEST_SUITE_P(Dialects, ProjectTaskItemTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);
