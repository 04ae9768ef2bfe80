// The work task item dialog in both dialects: a new work task stored with its work log and its
// notice, the refusals of OK, editing with and without a new responsible person, the rights of
// the parent's manager, dates and day counts, the priority, and a number taken meanwhile by
// another client.
#include "teamwork/TeamTaskItemDlg.h"
#include "core/StoredRow.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/SpinButtonCtrl.h"
#include "platform/ui/TreeCtrl.h"
#include "projects/ProjectTaskRecords.h"
#include "teamwork/DeleteWorkCascade.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/ProcessBarrier.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kWorkId = 1001;
constexpr int kName = 1002;
constexpr int kType = 1003;
constexpr int kBegin = 1004;
constexpr int kBeginDays = 1005;
constexpr int kPriority = 1006;
constexpr int kSpin = 1007;
constexpr int kManager = 1008;
constexpr int kCheck = 1010;
constexpr int kEnd = 1012;
constexpr int kPrompt = 1014;
constexpr int kState = 1016;

HTREEITEM FindNode(CTreeCtrl& tree, HTREEITEM item, const CString& text) {
    for (HTREEITEM child = tree.GetChildItem(item); child; child = tree.GetNextSiblingItem(child)) {
        if (tree.GetItemText(child) == text)
            return child;
        if (HTREEITEM found = FindNode(tree, child, text))
            return found;
    }
    return nullptr;
}

CString Text(CDialog& d, int id) {
    CString text;
    d.GetDlgItemText(id, text);
    return text;
}

class TeamTaskItemTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strLoginUser = "zhangsan";
        theApp.m_strHostIP = "10.0.0.7";
        ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三'), "
                   "('lisi', '李四')");
        ws.Execute(
            "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, PreendedTime, "
            "WorkState, TaskType) VALUES "
            "('P1', '项目甲', '项目管理', 'zhangsan', '2099-12-31', '正进行中', 'V'),"
            "('T1', '任务一', '项目甲\\', 'zhangsan', '2040-12-31', '正进行中', 'T'),"
            "('S1', '简单项目', '项目管理', 'zhangsan', '2040-12-31', '正进行中', 'S')");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        theApp.m_strHostIP.Empty();
    }
    // Dates within the parent's planned finish.
    static void SetDates(vq::ScriptedUser& user, const char* begin = "2030-01-01",
                         const char* check = "2030-01-05", const char* end = "2030-02-01") {
        user.Set(kBegin, begin).Set(kCheck, check).Set(kEnd, end);
    }
    void AddWork(const char* id, const char* up, const char* manager, const char* type,
                 const char* state = "待确认") {
        CString sql;
        sql.Format(
            "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkPrompt, WorkType, "
            "BeginTime, CheckTime, PreEndedTime, CreateTime, WorkState, PartCode, BeginNum, EndNum, Other1) "
            "VALUES ('T1', '%s', '%s', '%s', '旧名称', '旧内容', '%s', '2030-01-01', '2030-01-02', "
            "'2030-01-03', "
            "'2026-01-01 08:00', '%s', 'P-9', 5, 50, 300)",
            up, id, manager, type, state);
        ws.Execute(sql);
    }

    vqtest::DbWorkspace ws{GetParam()};
};

} // namespace

TEST_P(TeamTaskItemTest, ANewWorkTaskIsStoredWithItsLogAndNotice) {
    CTeamTaskItemDlg dlg;
    dlg.TaskNo = "T1";
    CString shownId, shownState, shownManager;
    int focused = 0;
    vq::ScriptedUser user;
    user.Dialog("工作任务分解").Do([&](CDialog& d) {
        focused = CWnd::GetFocus() ? CWnd::GetFocus()->GetDlgCtrlID() : 0;
        shownId = Text(d, kWorkId);
        shownState = Text(d, kState);
        shownManager = Text(d, kManager);
    });
    user.Set("工作名称", "  箱体设计 ").Set(kPrompt, "第一行\n第二行");
    SetDates(user);
    user.Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK) << user.Error().c_str();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(shownId, "T1#001");
    EXPECT_EQ(focused, kName) << "typing starts in the name, not the read-only number or the type's choice";
    EXPECT_EQ(shownState, "待确认");
    EXPECT_EQ(shownManager, "zhangsan");
    EXPECT_EQ(dlg.WorkID, "T1#001");
    EXPECT_EQ(
        ws.QueryText(
            "SELECT TaskNo || '|' || UpWorkID || '|' || Manager || '|' || WorkName || '|' || WorkType || "
            "'|' || BeginTime || '|' || CheckTime || '|' || PreEndedTime || '|' || WorkState || '|' || "
            "BeginNum || '|' || EndNum || '|' || Other1 FROM TeamWorkManage WHERE WorkID='T1#001'"),
        "T1|T1|zhangsan|箱体设计|W|2030-01-01|2030-01-05|2030-02-01|待确认|1|9999|500");
    EXPECT_EQ(ws.QueryText("SELECT WorkPrompt FROM TeamWorkManage WHERE WorkID='T1#001'"), "第一行\n第二行");
    EXPECT_EQ(ws.QueryText("SELECT CreateTime FROM TeamWorkManage WHERE WorkID='T1#001'").GetLength(), 16);
    EXPECT_EQ(ws.QueryText(
                  "SELECT LogType || '|' || UserName || '|' || LogTopic || '|' || LogPrompt FROM TeamWorkLog "
                  "WHERE LogID='T1#001'"),
              "增加|zhangsan|分配工作|给zhangsan分配新工作：箱体设计[T1#001]");
    EXPECT_EQ(
        ws.QueryText(
            "SELECT Reseiver || '|' || MachineIP || '|' || Topic || '|' || Content FROM MessageManage"),
        "zhangsan|10.0.0.7|系统工作消息|辛苦了，张三[zhangsan]给您分配了工作组工作任务：箱体设计[T1#001]...");
}

// A person who types the name at once writes it into 工作名称: the type stays 工作任务, so that
// Cancel stores nothing and Enter (OK) stores a work task, not a group.
TEST_P(TeamTaskItemTest, ANameTypedAtOnceIsTheNameAndTheTypeStays) {
    {
        CTeamTaskItemDlg dlg;
        dlg.TaskNo = "T1";
        vq::ScriptedUser user;
        user.Dialog("工作任务分解").Type("工装设计").Click(IDCANCEL);
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(user.Log().back(), "typed \"工装设计\" into field 1002");
        EXPECT_EQ(dlg.TypeIndex, 1);
        EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkManage"), "0");
        EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkLog"), "0");
    }
    CTeamTaskItemDlg dlg;
    dlg.TaskNo = "T1";
    vq::ScriptedUser user;
    user.Dialog("工作任务分解").Type("工装设计");
    SetDates(user);
    user.Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT WorkName || '|' || WorkType FROM TeamWorkManage WHERE WorkID='T1#001'"),
              "工装设计|W");
}

TEST_P(TeamTaskItemTest, BelowASimpleProjectOnlyAWorkTaskMayBeCreated) {
    CTeamTaskItemDlg dlg;
    dlg.TaskNo = "S1";
    bool typeEnabled = true;
    int typeIndex = -1;
    vq::ScriptedUser user;
    user.Dialog("工作任务分解").Do([&](CDialog& d) {
        typeEnabled = d.GetDlgItem(kType)->IsWindowEnabled();
        typeIndex = dynamic_cast<CComboBox*>(d.GetDlgItem(kType))->GetCurSel();
    });
    user.Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_FALSE(typeEnabled);
    EXPECT_EQ(typeIndex, 1);
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkManage"), "0");
}

TEST_P(TeamTaskItemTest, OkIsRefusedUntilNameAndDatesFit) {
    CTeamTaskItemDlg dlg;
    dlg.TaskNo = "T1";
    dlg.UpWorkID = "";
    vq::ScriptedUser user;
    user.Dialog("工作任务分解").Click(IDOK).Message("未指定工作名称...", IDOK);
    user.Set(kName, "设计");
    SetDates(user, "2030-01-01", "2030-01-05", "2041-01-01");
    user.Click(IDOK).Message("预计完成时间不能晚于上级项目任务预计完成时间：2040-12-31 ...", IDOK);
    SetDates(user, "2030-01-06", "2030-01-05", "2030-02-01");
    user.Click(IDOK).Message("开始时间、校对时间、完成时间之间不匹配...", IDOK);
    // Equal dates pass.
    SetDates(user, "2030-01-05", "2030-01-05", "2030-01-05");
    user.Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkManage"), "1");
}

// Below a task that another client numbered with characters the file server's code page 936
// cannot write (an accent written apart from its letter, the ligature "ﬁ"), a work task, whose
// number holds the task's, is refused with the message of the characters a number may not hold,
// and nothing is stored.
TEST_P(TeamTaskItemTest, AWorkNumberTheServersCodePageCannotWriteIsRefused) {
    for (const char* taskNo : {"T-e\u0301", "T-\uFB01"}) {
        SCOPED_TRACE(taskNo);
        ws.Execute(CString("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, "
                           "PreendedTime, WorkState, TaskType) VALUES ('") +
                   taskNo + "', '任务二', '项目甲\\', 'zhangsan', '2040-12-31', '正进行中', 'T')");
        CTeamTaskItemDlg dlg;
        dlg.TaskNo = taskNo;
        vq::ScriptedUser user;
        user.Dialog("工作任务分解").Set(kName, "设计");
        SetDates(user);
        user.Click(IDOK).Message(projects::NumberCharacterMessage(), IDOK).Click(IDCANCEL);
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkManage"), "0");
        EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkLog"), "0");
    }
}

// A work number holds its task's and "#NNN": below a task stored by another client under a long
// number, a work task whose number would make the local copies of its resources ("T<number>_<file>")
// pass the file name limit is refused with that limit named, and nothing is stored; one byte less
// is stored.
TEST_P(TeamTaskItemTest, AWorkNumberPastTheFileNameLimitIsRefused) {
    const struct {
        int taskLength;
        bool stored;
    } cases[] = {{238, false}, {237, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.taskLength);
        CString taskNo;
        for (int i = 0; i < c.taskLength; ++i)
            taskNo += "T";
        ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, "
                   "PreendedTime, WorkState, TaskType) VALUES ('" +
                   taskNo + "', '长任务', '项目甲\\', 'zhangsan', '2040-12-31', '正进行中', 'T')");
        CTeamTaskItemDlg dlg;
        dlg.TaskNo = taskNo;
        vq::ScriptedUser user;
        user.Dialog("工作任务分解").Set(kName, "设计");
        SetDates(user);
        user.Click(IDOK);
        if (!c.stored)
            user.Message("工作任务编号太长：它的本地文档副本名至少有 256 字节，超过了文件名 255 "
                         "字节的上限，请使用较短的编号!",
                         IDOK)
                .Click(IDCANCEL);
        EXPECT_EQ(dlg.DoModal(), c.stored ? IDOK : IDCANCEL);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkManage WHERE WorkID='" + taskNo + "#001'"),
                  c.stored ? "1" : "0");
        ws.Execute("DELETE FROM ProjectManage WHERE ProjectNo='" + taskNo + "'");
    }
}

TEST_P(TeamTaskItemTest, WithoutAParentFinishDateTheSettingsBoundTheDateOrNothingDoes) {
    AddWork("T1#001", "T1", "zhangsan", "V");
    ws.Execute("UPDATE TeamWorkManage SET PreEndedTime='' WHERE WorkID='T1#001'");
    // The date from the settings stands in for the missing one.
    ws.WriteSetting("项目任务管理", "上级任务完成日期", "2035-01-01");
    CTeamTaskItemDlg dlg;
    dlg.TaskNo = "T1";
    dlg.UpWorkID = "T1#001";
    vq::ScriptedUser user;
    user.Dialog("工作任务分解").Set(kName, "子工作");
    SetDates(user, "2030-01-01", "2030-01-05", "2035-01-02");
    user.Click(IDOK).Message("预计完成时间不能晚于上级工作任务组预计完成时间：2035-01-01 ...", IDOK);
    SetDates(user);
    user.Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.WorkID, "T1#001#001");

    // No date in the settings either: an empty bound is no bound.
    ws.WriteSetting("项目任务管理", "上级任务完成日期", "");
    CTeamTaskItemDlg again;
    again.TaskNo = "T1";
    again.UpWorkID = "T1#001";
    vq::ScriptedUser second;
    second.Dialog("工作任务分解").Set(kName, "子工作二");
    SetDates(second, "2030-01-01", "2030-01-05", "2090-01-01");
    second.Click(IDOK);
    EXPECT_EQ(again.DoModal(), IDOK);
    EXPECT_TRUE(second.Succeeded()) << second.Error().c_str();
    EXPECT_EQ(again.WorkID, "T1#001#002");
}

TEST_P(TeamTaskItemTest, EditingNotifiesOnlyANewResponsiblePerson) {
    AddWork("T1#001", "T1", "lisi", "W");
    {
        CTeamTaskItemDlg dlg;
        dlg.TaskNo = "T1";
        dlg.WorkID = "T1#001";
        dlg.ModifyMode = 1;
        CString prefix;
        vq::ScriptedUser user;
        user.DialogContaining("工作任务属性").Set(kName, "新名称").Click(IDOK);
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(
            ws.QueryText(
                "SELECT WorkName || '|' || Manager || '|' || BeginTime || '|' || PreEndedTime || '|' || "
                "PartCode || '|' || BeginNum || '|' || EndNum || '|' || Other1 || '|' || CreateTime FROM "
                "TeamWorkManage WHERE WorkID='T1#001'"),
            "新名称|lisi|2030-01-01|2030-01-03|P-9|5|50|300|2026-01-01 08:00");
        EXPECT_EQ(ws.QueryText("SELECT count(*) FROM MessageManage"), "0");
        EXPECT_EQ(ws.QueryText("SELECT LogTopic FROM TeamWorkLog WHERE LogID='T1#001' AND LogType='修改'"),
                  "修改分配工作");
    }
    CTeamTaskItemDlg dlg;
    dlg.TaskNo = "T1";
    dlg.WorkID = "T1#001";
    dlg.ModifyMode = 1;
    vq::ScriptedUser user;
    user.DialogContaining("属性").Do([](CDialog& d) { d.SetDlgItemText(kManager, "ZhangSan"); }).Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT Reseiver || '|' || Content FROM MessageManage"),
              "ZhangSan|辛苦了，张三[zhangsan]给您分配了工作组工作任务：新名称[T1#001]...");
}

TEST_P(TeamTaskItemTest, AChangeTaskKeepsItsType) {
    AddWork("T1#001", "T1", "lisi", "M");
    CTeamTaskItemDlg dlg;
    dlg.TaskNo = "T1";
    dlg.WorkID = "T1#001";
    dlg.ModifyMode = 1;
    bool typeEnabled = true;
    CString typeText;
    vq::ScriptedUser user;
    user.Dialog("更改任务属性")
        .Do([&](CDialog& d) {
            auto* combo = dynamic_cast<CComboBox*>(d.GetDlgItem(kType));
            typeEnabled = combo->IsWindowEnabled();
            typeText = combo->GetLBText(combo->GetCurSel());
        })
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_FALSE(typeEnabled);
    EXPECT_EQ(typeText, "更改任务");
    EXPECT_EQ(dlg.TypeIndex, 2);
    EXPECT_EQ(ws.QueryText("SELECT WorkType FROM TeamWorkManage WHERE WorkID='T1#001'"), "M");
}

TEST_P(TeamTaskItemTest, AGroupWithWorksBelowCannotBecomeAWorkTask) {
    AddWork("T1#001", "T1", "lisi", "V");
    AddWork("T1#001#001", "T1#001", "lisi", "W");
    CTeamTaskItemDlg dlg;
    dlg.TaskNo = "T1";
    dlg.WorkID = "T1#001";
    dlg.ModifyMode = 1;
    dlg.HasSubWorks = 1;
    bool typeEnabled = true;
    vq::ScriptedUser user;
    user.Dialog("工作任务组属性")
        .Do([&](CDialog& d) {
            typeEnabled = d.GetDlgItem(kType)->IsWindowEnabled();
            // A caller's combo could still be changed: the stored check refuses it.
            dynamic_cast<CComboBox*>(d.GetDlgItem(kType))->SetCurSel(1);
        })
        .Click(IDOK)
        .Message("上级任务已经分配了任务，不能再设定为<实任务>...", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_FALSE(typeEnabled);
    EXPECT_EQ(ws.QueryText("SELECT WorkType FROM TeamWorkManage WHERE WorkID='T1#001'"), "V");
}

TEST_P(TeamTaskItemTest, OnlyTheParentsManagerOrAdminMaintainsAWork) {
    AddWork("T1#001", "T1", "lisi", "W");
    theApp.m_strLoginUser = "lisi";
    CTeamTaskItemDlg dlg;
    dlg.TaskNo = "T1";
    dlg.WorkID = "T1#001";
    dlg.ModifyMode = 1;
    bool okEnabled = true, nameReadOnly = false, queryEnabled = false;
    vq::ScriptedUser user;
    user.Message("非系统管理员或者上级任务负责人，不能进行属性维护!", IDOK)
        .Dialog("工作任务属性")
        .Do([&](CDialog& d) {
            okEnabled = d.GetDlgItem(IDOK)->IsWindowEnabled();
            nameReadOnly = (d.GetDlgItem(kName)->GetStyle() & ES_READONLY) != 0;
            queryEnabled = d.GetDlgItem(1020)->IsWindowEnabled();
        })
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_FALSE(okEnabled);
    EXPECT_TRUE(nameReadOnly);
    EXPECT_TRUE(queryEnabled);
    EXPECT_EQ(dlg.ReadOnly, 1);

    theApp.m_strLoginUser = "ADMIN";
    CTeamTaskItemDlg admin;
    admin.TaskNo = "T1";
    admin.WorkID = "T1#001";
    admin.ModifyMode = 1;
    vq::ScriptedUser adminUser;
    adminUser.Dialog("工作任务属性").Click(IDOK);
    EXPECT_EQ(admin.DoModal(), IDOK);
    EXPECT_TRUE(adminUser.Succeeded()) << adminUser.Error().c_str();
    theApp.m_strLoginUser = "zhangsan";
}

TEST_P(TeamTaskItemTest, DayCountsAndPriorityFollowTheControls) {
    AddWork("T1#001", "T1", "lisi", "W");
    CTeamTaskItemDlg dlg;
    dlg.TaskNo = "T1";
    dlg.WorkID = "T1#001";
    dlg.ModifyMode = 1;
    const CTime today = CTime::GetCurrentTime();
    const CString inThreeDays =
        (CTime(today.GetYear(), today.GetMonth(), today.GetDay(), 12, 0, 0) + CTimeSpan(3, 0, 0, 0))
            .Format("%Y-%m-%d");
    CString beginDate, beginDays;
    std::vector<CString> priorities;
    vq::ScriptedUser user;
    user.Dialog("工作任务属性").Set(kBeginDays, "3").Do([&](CDialog& d) {
        beginDate = Text(d, kBegin);
        auto* spin = dynamic_cast<CSpinButtonCtrl*>(d.GetDlgItem(kSpin));
        spin->UserDelta(1); // 300 -> 320
        priorities.push_back(Text(d, kPriority));
        d.SetDlgItemText(kPriority, "990");
        spin->UserDelta(1);
        priorities.push_back(Text(d, kPriority));
        d.SetDlgItemText(kPriority, "500");
        spin->UserDelta(-1);
        priorities.push_back(Text(d, kPriority));
    });
    user.Set(kPriority, "1500").Message("请输入一个介于 0 和 1000 之间的整数。", IDOK).Do([&](CDialog& d) {
        priorities.push_back(Text(d, kPriority));
    });
    user.Set(kBegin, "2030-01-01").Do([&](CDialog& d) { beginDays = Text(d, kBeginDays); });
    user.Set(kEnd, "2030-01-10").Set(kCheck, "2030-01-02").Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(beginDate, inThreeDays);
    EXPECT_EQ(priorities, (std::vector<CString>{"320", "1000", "480", "1000"}));
    const CTime origin(today.GetYear(), today.GetMonth(), today.GetDay(), 1, 1, 1);
    CString expectedDays;
    expectedDays.Format("%d", static_cast<int>((CTime(2030, 1, 1, 1, 1, 1) - origin).GetTimeSpan() / 86400));
    EXPECT_EQ(beginDays, expectedDays);
    EXPECT_EQ(ws.QueryText("SELECT Other1 || '|' || BeginTime FROM TeamWorkManage WHERE WorkID='T1#001'"),
              "1000|2030-01-01");
}

// Two clients opened the dialog under one parent: the second to press OK stores under the next
// free number instead of failing on (or duplicating) the first one's id.
TEST_P(TeamTaskItemTest, ANumberTakenMeanwhileIsReplacedByTheNextFreeOne) {
    CTeamTaskItemDlg dlg;
    dlg.TaskNo = "T1";
    vq::ScriptedUser user;
    user.Dialog("工作任务分解").Set(kName, "后存者").Do([&](CDialog&) {
        ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, WorkName) VALUES ('T1', 'T1', "
                   "'T1#001', '先存者')");
    });
    SetDates(user);
    user.Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.WorkID, "T1#002");
    EXPECT_EQ(ws.QueryText("SELECT WorkName FROM TeamWorkManage WHERE WorkID='T1#002'"), "后存者");
    EXPECT_EQ(ws.QueryText("SELECT WorkName FROM TeamWorkManage WHERE WorkID='T1#001'"), "先存者");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkLog WHERE LogID='T1#001'"), "0");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkLog WHERE LogID='T1#002'"), "1");
}

// The parent a new work task hangs on is read again under the lock its deletion takes: a work
// task group or project task that another client deleted while the window was open takes no work
// task (one box, no row, no log row, the window stays open); a client that takes none of our locks
// cannot delete the parent between that read and the insert.
TEST_P(TeamTaskItemTest, AWorkTaskIsNotStoredBelowAParentDeletedMeanwhile) {
    const struct {
        const char* what;
        const char* upWorkId;
        const char* deletion;
        const char* refusal;
    } cases[] = {
        {"a work task group", "T1#001", "DELETE FROM TeamWorkManage WHERE WorkID='T1#001'",
         "上级工作任务已被其他用户删除，工作任务没有保存..."},
        {"the project task", "", "DELETE FROM ProjectManage WHERE ProjectNo='T1'",
         "上级项目任务已被其他用户删除，工作任务没有保存..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        AddWork("T1#001", "T1", "zhangsan", "V");
        CTeamTaskItemDlg dlg;
        dlg.TaskNo = "T1";
        dlg.UpWorkID = c.upWorkId;
        bool stillOpen = false;
        vq::ScriptedUser user;
        user.Dialog("工作任务分解").Set(kName, "子工作").Do([&](CDialog&) { ws.Execute(c.deletion); });
        SetDates(user, "2030-01-01", "2030-01-02", "2030-01-03");
        user.Click(IDOK).Message(c.refusal, IDOK).Do([&](CDialog& d) {
            stillOpen = true;
            d.EndDialog(IDCANCEL);
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_TRUE(stillOpen);
        EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkManage WHERE WorkName='子工作'"), "0");
        EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkLog"), "0");
        EXPECT_EQ(ws.QueryText("SELECT count(*) FROM MessageManage"), "0");
        ws.Execute("DELETE FROM TeamWorkManage; DELETE FROM ProjectManage WHERE ProjectNo='T1'");
        ws.Execute(
            "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, PreendedTime, "
            "WorkState, TaskType) VALUES ('T1', '任务一', '项目甲\\', 'zhangsan', '2040-12-31', '正进行中', "
            "'T')");
    }

    // Between the read under the lock and the insert, a program without our locks tries to delete
    // the parent: the parent's row is held, and the work task is stored below a parent that stays.
    AddWork("T1#001", "T1", "zhangsan", "V");
    bool deleted = true;
    SetAfterRecheckHook(
        [&] { deleted = ws.WritesAtOnce("DELETE FROM TeamWorkManage WHERE WorkID='T1#001'"); });
    CTeamTaskItemDlg dlg;
    dlg.TaskNo = "T1";
    dlg.UpWorkID = "T1#001";
    vq::ScriptedUser user;
    user.Dialog("工作任务分解").Set(kName, "子工作");
    SetDates(user, "2030-01-01", "2030-01-02", "2030-01-03");
    user.Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    SetAfterRecheckHook(nullptr);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_FALSE(deleted);
    EXPECT_EQ(ws.QueryText("SELECT UpWorkID FROM TeamWorkManage WHERE WorkName='子工作'"), "T1#001");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkManage WHERE WorkID='T1#001'"), "1");
}

// The work item dialog with its OK at hand, for a client that presses it at a given moment.
class PressingTeamTaskItemDlg : public CTeamTaskItemDlg {
public:
    using CTeamTaskItemDlg::OnOK;
};

// One client deletes a work task group while three others divide it, each in a process of its own,
// all at once: one after the other, never an orphan. Either the group goes and every division is
// refused with one box, or the divisions stored before the deletion keep the group and the
// deletion says why.
TEST_P(TeamTaskItemTest, ClientsDividingAGroupWhileAnotherDeletesItLeaveNoOrphan) {
    constexpr int kClients = 4;
    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE(run);
        ws.Execute("DELETE FROM TeamWorkManage; DELETE FROM TeamWorkLog");
        AddWork("T1#001", "T1", "zhangsan", "V");
        const std::vector<std::optional<std::string>> reports =
            vqtest::RunAtBarrier(kClients, [&](int index, const std::function<void()>& arrive) {
                theApp.m_pConnPDM = ws.Connect();
                std::string said;
                if (index == 0) {
                    vq::SetMessageBoxPresenter([&said](const vq::MessageBoxRequest& request) {
                        if (request.text.Find("真的要删除吗") >= 0)
                            return IDYES;
                        said += request.text.str() + "|";
                        return IDOK;
                    });
                    arrive();
                    const bool deleted = DeleteWorkCascade("T1#001", "T1", "待确认", false, "p");
                    return std::string(deleted ? "deleted|" : "kept|") + said;
                }
                PressingTeamTaskItemDlg dlg;
                dlg.TaskNo = "T1";
                dlg.UpWorkID = "T1#001";
                vq::ScriptedUser user;
                vq::SetMessageBoxPresenter([&said](const vq::MessageBoxRequest& request) {
                    said += request.text.str() + "|";
                    return IDOK;
                });
                user.Dialog("工作任务分解").Set(kName, CString(("子工作" + std::to_string(index)).c_str()));
                SetDates(user, "2030-01-01", "2030-01-02", "2030-01-03");
                user.Do([&](CDialog& d) {
                    arrive();
                    static_cast<PressingTeamTaskItemDlg&>(d).OnOK();
                    d.EndDialog(IDCANCEL);
                });
                dlg.DoModal();
                return "divided|" + said;
            });
        const bool groupStays =
            ws.QueryText("SELECT count(*) FROM TeamWorkManage WHERE WorkID='T1#001'") == "1";
        const int below =
            std::atoi(ws.QueryText("SELECT count(*) FROM TeamWorkManage WHERE UpWorkID='T1#001'").c_str());
        EXPECT_TRUE(groupStays || below == 0) << "a work task below a group that is gone";
        ASSERT_TRUE(reports[0]);
        EXPECT_EQ(*reports[0], groupStays ? "kept|请先删除任务下面的任务，再删除本任务...|" : "deleted|");
        int stored = 0;
        for (int index = 1; index < kClients; ++index) {
            ASSERT_TRUE(reports[static_cast<std::size_t>(index)]) << index;
            const std::string& report = *reports[static_cast<std::size_t>(index)];
            CString query;
            query.Format("SELECT count(*) FROM TeamWorkManage WHERE WorkName='子工作%d'", index);
            const bool mine = ws.QueryText(query) == "1";
            stored += mine ? 1 : 0;
            EXPECT_EQ(report,
                      mine ? "divided|" : "divided|上级工作任务已被其他用户删除，工作任务没有保存...|")
                << index;
        }
        EXPECT_EQ(stored, below);
        EXPECT_EQ(groupStays, stored > 0);
    }
}

TEST_P(TeamTaskItemTest, AFailedStoreLeavesTheDialogOpenWithoutNotice) {
    CTeamTaskItemDlg dlg;
    dlg.TaskNo = "T1";
    bool stillOpen = false;
    vq::ScriptedUser user;
    user.Dialog("工作任务分解").Set(kName, "设计").Do([&](CDialog&) {
        ws.Execute("DROP TABLE TeamWorkLog");
    });
    SetDates(user);
    user.Click(IDOK).AnyMessage(IDOK).MessageContaining("INSERT INTO TeamWorkLog", IDOK).Do([&](CDialog& d) {
        stillOpen = true;
        d.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkManage"), "0");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM MessageManage"), "0");
}

TEST_P(TeamTaskItemTest, CancelRemovesTheResourcesOfANewWorkOnly) {
    ws.Execute(
        "INSERT INTO TeamWorkResource (WorkID, ResourceID, ResourceType) VALUES ('T1#001', 'R1', '说明'),"
        "('T1#009', 'R9', '别的')");
    ws.Execute("INSERT INTO TeamWorkResourcePack (ResourceID) VALUES ('R1'), ('R9')");
    {
        CTeamTaskItemDlg dlg;
        dlg.TaskNo = "T1";
        vq::ScriptedUser user;
        user.Dialog("工作任务分解").Click(IDCANCEL);
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    }
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkResource"), "1");
    EXPECT_EQ(ws.QueryText("SELECT ResourceID FROM TeamWorkResourcePack"), "R9");
    AddWork("T1#009", "T1", "lisi", "W");
    CTeamTaskItemDlg dlg;
    dlg.TaskNo = "T1";
    dlg.WorkID = "T1#009";
    dlg.ModifyMode = 1;
    vq::ScriptedUser user;
    user.Dialog("工作任务属性").Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkResource"), "1");
}

// By default the responsible person is chosen from the work group of the project task, also
// below a work task group (whose id names no project row).
TEST_P(TeamTaskItemTest, TheResponsiblePersonComesFromTheTasksWorkGroup) {
    ws.Execute("INSERT INTO DesignProjectTeam (ProjectNo, TeamType, TeamGroup, TeamUser, IsLeader) VALUES "
               "('P1', '_T', 'T1', 'lisi', 'N'), ('P1', '_T', 'T1', 'zhangsan', 'Y')");
    AddWork("T1#001", "T1", "zhangsan", "V");
    ws.Execute("UPDATE TeamWorkManage SET PreEndedTime='2040-01-01' WHERE WorkID='T1#001'");
    CTeamTaskItemDlg dlg;
    dlg.TaskNo = "T1";
    dlg.UpWorkID = "T1#001";
    CString pickerProject, pickerTask, afterCancel;
    vq::ScriptedUser user;
    user.Dialog("工作任务分解")
        .Set(kName, "组内工作")
        .Click("...")
        .Dialog("选择项目组成员")
        .Do([&](CDialog& d) {
            d.GetDlgItemText(1202, pickerProject);
            d.GetDlgItemText(1204, pickerTask);
        })
        .Click(IDCANCEL)
        .Dialog("工作任务分解")
        .Do([&](CDialog& d) { afterCancel = Text(d, kManager); })
        .Click("...")
        .Dialog("选择项目组成员")
        .Do([](CDialog& d) {
            auto* tree = dynamic_cast<CTreeCtrl*>(d.GetDlgItem(1206));
            HTREEITEM node = FindNode(*tree, TVI_ROOT, "李四 [lisi]");
            ASSERT_NE(node, nullptr);
            tree->SelectItem(node);
        })
        .Click(IDOK)
        .Dialog("工作任务分解");
    SetDates(user);
    user.Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(pickerProject, "P1");
    EXPECT_EQ(pickerTask, "T1");
    EXPECT_EQ(afterCancel, "zhangsan");
    EXPECT_EQ(ws.QueryText("SELECT Manager FROM TeamWorkManage WHERE WorkID='T1#001#001'"), "lisi");
    EXPECT_EQ(ws.QueryText("SELECT Reseiver FROM MessageManage"), "lisi");
}

TEST_P(TeamTaskItemTest, TheTaskQueryListsTheResponsiblePersonsTasks) {
    AddWork("T1#001", "T1", "lisi", "W");
    CTeamTaskItemDlg dlg;
    dlg.TaskNo = "T1";
    dlg.WorkID = "T1#001";
    dlg.ModifyMode = 1;
    bool opened = false;
    vq::ScriptedUser user;
    user.Dialog("工作任务属性")
        .Click("任务查询...")
        .Dialog("任务查询 - lisi")
        .Do([&](CDialog&) { opened = true; })
        .Click(IDCANCEL)
        .Dialog("工作任务属性")
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_TRUE(opened);
}

INSTANTIATE_TEST_SUITE_P(Dialects, TeamTaskItemTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
