// Assisting reviews in both dialects: tasks added by hand and automatically, their names, the
// hundred-task limit, tasks another window added meanwhile, a lock held too long, changing,
// restarting and deleting them (finished ones stay, also when finished after the list was read,
// and keep their auditor), what another client writes while a restart, deletion or add is asked,
// the read-only mode, and the opinion dialog of a step that needs them.
#include "review/AssistAuditDlg.h"
#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "review/AssistAuditTaskDlg.h"
#include "review/AuditFlowEngine.h"
#include "review/AuditOpinionDlg.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/ProcessBarrier.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using A = CAssistAuditDlg;
using T = CAssistAuditTaskDlg;
using Set = std::set<std::string>;
constexpr const char* kCaption = "设计过程—协助评审任务管理";
constexpr const char* kPicker = "用户浏览 - 选择组(多用户)";

class AssistAuditDlgTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三'), "
                   "('lisi', '李四'), ('wangwu', '王五'), ('zhaoliu', '赵六')");
        ws.Execute("INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, State, AuditingModel, "
                   "AuditorName) VALUES ('F-1', 'XM-01#001', '箱盖零件图', 'a.dwg', '评审', '会审', 'zhangsan')");
        ws.Execute("INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('会审', '并联', "
                   "'会审[N](40,20)')");
        ws.Execute("INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, State) VALUES ('F-1', '会审[N]', "
                   "'zhangsan', '未完成')");
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strLoginUser = "zhangsan";
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
    }
    void AddTask(const char* task, const char* auditor, const char* state) {
        CString sql;
        sql.Format("INSERT INTO TeamWorkNextAudit (FileID, UpAuditName, AuditTask, Auditor, State) VALUES ('F-1', "
                   "'会审[N]', '%s', '%s', '%s')",
                   task, auditor, state);
        ws.Execute(sql);
    }
    void Run(vq::ScriptedUser& user, int readOnly = 0) {
        CAssistAuditDlg dlg(nullptr);
        dlg.FileID = "F-1";
        dlg.UpAuditName = "会审[N]";
        dlg.ReadOnly = readOnly;
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << user.Error();
    }
    Set Tasks() {
        Set all;
        _ConnectionPtr conn = ws.Connect();
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open("SELECT AuditTask || '=' || Auditor || '/' || State FROM TeamWorkNextAudit WHERE FileID='F-1'", conn,
                 adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            all.insert(VariantToString(rs->GetCollect(0L)).str());
            rs->MoveNext();
        }
        rs->Close();
        return all;
    }
    // The list as shown, one "task=auditor/state" per row, in the form of Tasks().
    static Set Listed(CDialog& d) {
        auto& list = *static_cast<CListCtrl*>(d.GetDlgItem(A::kListId));
        Set all;
        for (int row = 0; row < list.GetItemCount(); ++row)
            all.insert((list.GetItemText(row, A::kTaskColumn) + "=" +
                        list.GetItemText(row, A::kAuditorColumn) + "/" +
                        list.GetItemText(row, A::kStateColumn))
                           .str());
        return all;
    }
    static void SelectRows(CDialog& d, std::initializer_list<int> rows) {
        auto& list = *static_cast<CListCtrl*>(d.GetDlgItem(A::kListId));
        list.SetItemState(-1, 0, LVIS_SELECTED);
        for (int row : rows)
            list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
    }

    vqtest::DbWorkspace ws{GetParam()};
};

} // namespace

TEST_P(AssistAuditDlgTest, TasksAddedByHandAreNamedAfterTheStepAndTheirAuditorsAreTold) {
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Do([](CDialog& d) { EXPECT_FALSE(d.GetDlgItem(A::kModifyId)->IsWindowEnabled()); })
        .Click(A::kAddId)
        .Dialog(kPicker)
        .Select(1059, "lisi")
        .Click(IDOK)
        .Dialog(kCaption)
        .Do([](CDialog& d) { EXPECT_TRUE(d.GetDlgItem(A::kModifyId)->IsWindowEnabled()); })
        // lisi has a task already: only wangwu gets one.
        .Click(A::kAddId)
        .Dialog(kPicker)
        .Select(1059, "lisi")
        .Do([](CDialog& d) {
            auto& list = *static_cast<CListCtrl*>(d.GetDlgItem(1059));
            for (int i = 0; i < list.GetItemCount(); ++i)
                if (list.GetItemText(i, 0) == "wangwu")
                    list.SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
        })
        .Click(IDOK)
        .Message("选定的评审负责人已经有评审任务，不能再分配...", IDOK)
        .Dialog(kCaption)
        .Click(IDCANCEL);
    Run(user);
    EXPECT_EQ(Tasks(), (Set{"会审[1]=lisi/未完成", "会审[2]=wangwu/未完成"}));
    EXPECT_EQ(ws.QueryText("SELECT Content FROM MessageManage WHERE Reseiver='wangwu'"),
              "辛苦了， 需要您对工作组任务 F-1 进行 会审[N] 的协助评审");
    EXPECT_EQ(ws.QueryText("SELECT Assigner || '/' || AssignDate || '/' || BeginDate FROM TeamWorkNextAudit WHERE "
                           "AuditTask='会审[1]'")
                  .Left(9),
              "zhangsan/");
}

TEST_P(AssistAuditDlgTest, TheAutomaticModeGivesThePresetAuditorsTheirTasksAndCloses) {
    vq::ScriptedUser user;
    CAssistAuditDlg dlg(nullptr);
    dlg.FileID = "F-1";
    dlg.UpAuditName = "会审[N]";
    dlg.AutoAssign = 1;
    dlg.PresetAuditors.Add("lisi");
    dlg.PresetAuditors.Add("zhaoliu");
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error();
    EXPECT_EQ(Tasks(), (Set{"会审[1]=lisi/未完成", "会审[2]=zhaoliu/未完成"}));
}

// Another window adds a task after this list was read: the add reads the tasks again, so that
// neither the name nor the auditor is given twice, and the list shows both tasks.
TEST_P(AssistAuditDlgTest, ATaskAddedInAnotherWindowMeanwhileKeepsItsNameAndAuditor) {
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Do([this](CDialog&) { AddTask("会审[1]", "wangwu", "未完成"); })
        .Click(A::kAddId)
        .Dialog(kPicker)
        .Select(1059, "wangwu")
        .Click(IDOK)
        .Message("选定的评审负责人已经有评审任务，不能再分配...", IDOK)
        .Dialog(kCaption)
        .Click(A::kAddId)
        .Dialog(kPicker)
        .Select(1059, "lisi")
        .Click(IDOK)
        .Dialog(kCaption)
        .Do([](CDialog& d) {
            auto& list = *static_cast<CListCtrl*>(d.GetDlgItem(A::kListId));
            ASSERT_EQ(list.GetItemCount(), 2);
            EXPECT_EQ(list.GetItemText(0, A::kAuditorColumn), "wangwu");
            EXPECT_EQ(list.GetItemText(1, A::kTaskColumn), "会审[2]");
            EXPECT_TRUE(d.GetDlgItem(A::kDeleteId)->IsWindowEnabled());
        })
        .Click(IDCANCEL);
    Run(user);
    EXPECT_EQ(Tasks(), (Set{"会审[1]=wangwu/未完成", "会审[2]=lisi/未完成"}));
    EXPECT_EQ(ws.QueryText("SELECT Reseiver FROM MessageManage"), "lisi");
}

// A decision or an add of the same document holds its lock longer than the lock wait: the add says
// so once and writes neither the task nor a notice.
TEST_P(AssistAuditDlgTest, AnAddWaitingTooLongForItsDocumentSaysSoOnceAndWritesNothing) {
    _ConnectionPtr other = ws.Connect();
    other->BeginTrans();
    other->LockUntilTransactionEnds(CAuditFlowEngine::DocumentLockName("F-1"));
    theApp.m_pConnPDM->SetLockWait(200);
    vq::ScriptedUser user;
    user.MessageContaining("数据正被其他用户或程序锁定，请稍后再试。", IDOK);
    CAssistAuditDlg dlg(nullptr);
    dlg.FileID = "F-1";
    dlg.UpAuditName = "会审[N]";
    dlg.AutoAssign = 1;
    dlg.PresetAuditors.Add("lisi");
    dlg.PresetAuditors.Add("wangwu");
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error();
    other->RollbackTrans();
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkNextAudit"), "0");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM MessageManage"), "0");
}

TEST_P(AssistAuditDlgTest, AFreedNameIsUsedAgainAndAHundredTasksAreTheLimit) {
    AddTask("会审[1]", "lisi", "未完成");
    AddTask("会审[2]", "wangwu", "未完成");
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Do([](CDialog& d) { SelectRows(d, {0}); })
        .Click(A::kDeleteId)
        .Message("是否要删除选中的协助评审任务?", IDYES)
        .Click(A::kAddId)
        .Dialog(kPicker)
        .Select(1059, "zhaoliu")
        .Click(IDOK)
        .Dialog(kCaption)
        .Click(IDCANCEL);
    Run(user);
    EXPECT_EQ(Tasks(), (Set{"会审[1]=zhaoliu/未完成", "会审[2]=wangwu/未完成"}));

    for (int n = 3; n <= 100; ++n)
        AddTask(("会审[" + std::to_string(n) + "]").c_str(), "u", "未完成");
    vq::ScriptedUser full;
    full.Dialog(kCaption)
        .Click(A::kAddId)
        .Dialog(kPicker)
        .Select(1059, "zhangsan")
        .Click(IDOK)
        .Message("协助评审任务不能超过100项...", IDOK)
        .Dialog(kCaption)
        .Click(IDCANCEL);
    Run(full);
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkNextAudit"), "100");
}

TEST_P(AssistAuditDlgTest, FinishedTasksAreNotDeletedAndRestartedTasksOpenAgain) {
    AddTask("会审[1]", "lisi", "已完成");
    AddTask("会审[2]", "wangwu", "未完成");
    AddTask("会审[3]", "zhaoliu", "完成");
    ws.Execute("INSERT INTO DesignMarkupManage (FileLogID, FileID, AuditName, TaskGroup, FileGroup) VALUES (7, 'F-1', "
               "'会审[2]', '_T', '_Markup')");
    ws.Execute("INSERT INTO DesignMarkupPackage (FileLogID, DocSaved) VALUES (7, '是')");
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Do([](CDialog& d) { SelectRows(d, {0, 1, 2}); })
        .Click(A::kDeleteId)
        .Message("是否要删除选中的协助评审任务?", IDYES)
        .Message("协助评审任务：会审[1] 已完成，不能进行删除...", IDOK)
        .Message("协助评审任务：会审[3] 已完成，不能进行删除...", IDOK)
        .Do([](CDialog& d) {
            EXPECT_EQ(static_cast<CListCtrl*>(d.GetDlgItem(A::kListId))->GetItemCount(), 2);
            SelectRows(d, {0});
        })
        .Click(A::kRestartId)
        .Message("是否要重新启动选中的协助评审任务?", IDYES)
        .Click(IDCANCEL);
    Run(user);
    EXPECT_EQ(Tasks(), (Set{"会审[1]=lisi/未完成", "会审[3]=zhaoliu/完成"}));
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM DesignMarkupManage"), "0");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM DesignMarkupPackage"), "0");
}

// The assisting reviewer finishes his task after the list was read: the deletion goes by the
// stored state, keeps the task and shows it finished.
TEST_P(AssistAuditDlgTest, ATaskFinishedAfterTheListWasReadIsNotDeleted) {
    AddTask("会审[1]", "lisi", "未完成");
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Do([this](CDialog& d) {
            ws.Execute("UPDATE TeamWorkNextAudit SET State='已完成', Result='通过'");
            SelectRows(d, {0});
        })
        .Click(A::kDeleteId)
        .Message("是否要删除选中的协助评审任务?", IDYES)
        .Message("协助评审任务：会审[1] 已完成，不能进行删除...", IDOK)
        .Do([](CDialog& d) {
            EXPECT_EQ(static_cast<CListCtrl*>(d.GetDlgItem(A::kListId))->GetItemText(0, A::kStateColumn),
                      "已完成");
        })
        .Click(IDCANCEL);
    Run(user);
    EXPECT_EQ(Tasks(), (Set{"会审[1]=lisi/已完成"}));
}

// Another client writes while a restart or a deletion is asked: the tasks, the step and the
// document are read again under the document's lock after the answer. A task deleted, handed to
// another reviewer or decided again, a step decided or a document released meanwhile stops the
// whole write: one box says what changed, nothing is stored, and the list shows the tasks as
// stored (never "未完成" for a restart that was not stored).
TEST_P(AssistAuditDlgTest, WhatAnotherClientWritesWhileARestartOrDeletionIsAskedStopsIt) {
    struct Case {
        const char* name;
        int button;
        std::vector<int> rows;
        const char* meanwhile;
        const char* refusal;
        Set after;
    };
    constexpr const char* kRestart = "是否要重新启动选中的协助评审任务?";
    constexpr const char* kDelete = "是否要删除选中的协助评审任务?";
    const Case cases[] = {
        {"restart of a task deleted",
         A::kRestartId,
         {0},
         "DELETE FROM TeamWorkNextAudit WHERE AuditTask='会审[1]'",
         "协助评审任务：会审[1] 已被其他用户删除\n本次没有重新启动选中的协助评审任务。",
         Set{"会审[2]=wangwu/未完成"}},
        {"restart of a task handed over",
         A::kRestartId,
         {0},
         "UPDATE TeamWorkNextAudit SET Auditor='zhaoliu' WHERE AuditTask='会审[1]'",
         "协助评审任务：会审[1] 已被其他用户修改\n本次没有重新启动选中的协助评审任务。",
         Set{"会审[1]=zhaoliu/已完成", "会审[2]=wangwu/未完成"}},
        {"restart of a task decided again",
         A::kRestartId,
         {0},
         "UPDATE TeamWorkNextAudit SET Result='不通过' WHERE AuditTask='会审[1]'",
         "协助评审任务：会审[1] 已被其他用户修改\n本次没有重新启动选中的协助评审任务。",
         Set{"会审[1]=lisi/已完成", "会审[2]=wangwu/未完成"}},
        {"restart of two, one of them deleted",
         A::kRestartId,
         {0, 1},
         "DELETE FROM TeamWorkNextAudit WHERE AuditTask='会审[2]'",
         "协助评审任务：会审[2] 已被其他用户删除\n本次没有重新启动选中的协助评审任务。",
         Set{"会审[1]=lisi/已完成"}},
        {"restart on a released document",
         A::kRestartId,
         {0},
         "UPDATE TeamWorkAudit SET State='已完成', Result='通过'; UPDATE TeamWorkResult SET State='正式'",
         "工作文档：F-1 已不在评审中\n本次没有重新启动选中的协助评审任务。",
         Set{"会审[1]=lisi/已完成", "会审[2]=wangwu/未完成"}},
        {"restart on a step decided",
         A::kRestartId,
         {0},
         "UPDATE TeamWorkAudit SET State='已完成', Result='通过'",
         "工作文档：F-1 的评审任务：会审[N] 已评审完成\n本次没有重新启动选中的协助评审任务。",
         Set{"会审[1]=lisi/已完成", "会审[2]=wangwu/未完成"}},
        {"deletion of a task handed over",
         A::kDeleteId,
         {1},
         "UPDATE TeamWorkNextAudit SET Auditor='zhaoliu' WHERE AuditTask='会审[2]'",
         "协助评审任务：会审[2] 已被其他用户修改\n本次没有删除选中的协助评审任务。",
         Set{"会审[1]=lisi/已完成", "会审[2]=zhaoliu/未完成"}},
        {"deletion of two, one of them given another request",
         A::kDeleteId,
         {0, 1},
         "UPDATE TeamWorkNextAudit SET AuditRequest='再核对' WHERE AuditTask='会审[2]'",
         "协助评审任务：会审[2] 已被其他用户修改\n本次没有删除选中的协助评审任务。",
         Set{"会审[1]=lisi/已完成", "会审[2]=wangwu/未完成"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ws.Execute("DELETE FROM TeamWorkNextAudit; DELETE FROM DesignMarkupManage; UPDATE TeamWorkAudit SET "
                   "State='未完成', Result=NULL; UPDATE TeamWorkResult SET State='评审'");
        AddTask("会审[1]", "lisi", "已完成");
        AddTask("会审[2]", "wangwu", "未完成");
        ws.Execute("UPDATE TeamWorkNextAudit SET Result='通过' WHERE AuditTask='会审[1]'");
        ws.Execute(
            "INSERT INTO DesignMarkupManage (FileLogID, FileID, AuditName, TaskGroup, FileGroup) VALUES (7, "
            "'F-1', '会审[2]', '_T', '_Markup')");
        const char* question = c.button == A::kRestartId ? kRestart : kDelete;
        const Set after = c.after;
        vq::ScriptedUser user;
        user.Dialog(kCaption)
            .Do([&c](CDialog& d) {
                SelectRows(d, {});
                for (int row : c.rows)
                    static_cast<CListCtrl*>(d.GetDlgItem(A::kListId))
                        ->SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
            })
            .Click(c.button)
            .Message(question, IDYES)
            .Do([&after](CDialog& d) { EXPECT_EQ(Listed(d), after); })
            .Click(IDCANCEL);
        vqtest::MessageBoxRecorder boxes;
        boxes.WhenShown(question, [&] { ws.Execute(c.meanwhile); });
        boxes.Expect(c.refusal);
        Run(user);
        EXPECT_EQ(boxes.Pending(), 0);
        EXPECT_EQ(boxes.Texts().size(), 2u) << "the question and one box";
        EXPECT_EQ(Tasks(), after);
        EXPECT_EQ(ws.QueryText("SELECT count(*) FROM DesignMarkupManage"), "1");
    }
}

// The step is decided, or the document released, while the person picks the auditors (or before
// the opinion dialog's automatic mode comes to the document): no task and no notice is written,
// and one box says why for all the users picked.
TEST_P(AssistAuditDlgTest, NoTaskIsAddedToAStepDecidedOrADocumentReleasedMeanwhile) {
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Click(A::kAddId)
        .Dialog(kPicker)
        .Do([this](CDialog&) { ws.Execute("UPDATE TeamWorkAudit SET State='已完成', Result='通过'"); })
        .Select(1059, "lisi")
        .Do([](CDialog& d) {
            auto& list = *static_cast<CListCtrl*>(d.GetDlgItem(1059));
            for (int i = 0; i < list.GetItemCount(); ++i)
                if (list.GetItemText(i, 0) == "wangwu")
                    list.SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
        })
        .Click(IDOK)
        .Message("工作文档：F-1 的评审任务：会审[N] 已评审完成\n本次没有增加协助评审任务。", IDOK)
        .Dialog(kCaption)
        .Do([](CDialog& d) {
            EXPECT_EQ(Listed(d), Set{});
            EXPECT_FALSE(d.GetDlgItem(A::kDeleteId)->IsWindowEnabled());
        })
        .Click(IDCANCEL);
    Run(user);
    EXPECT_EQ(Tasks(), Set{});

    ws.Execute(
        "UPDATE TeamWorkAudit SET State='未完成', Result=NULL; UPDATE TeamWorkResult SET State='正式'");
    vq::ScriptedUser automatic;
    automatic.Message("工作文档：F-1 已不在评审中\n本次没有增加协助评审任务。", IDOK);
    CAssistAuditDlg dlg(nullptr);
    dlg.FileID = "F-1";
    dlg.UpAuditName = "会审[N]";
    dlg.AutoAssign = 1;
    dlg.PresetAuditors.Add("lisi");
    dlg.PresetAuditors.Add("zhaoliu");
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(automatic.Succeeded()) << automatic.Error();
    EXPECT_EQ(Tasks(), Set{});
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM MessageManage"), "0");
}

TEST_P(AssistAuditDlgTest, ATaskIsChangedInItsOwnDialogAndItsAuditorIsTold) {
    AddTask("会审[1]", "lisi", "未完成");
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .DoubleClick(A::kListId, 0)
        .Dialog("设计过程—协助评审任务")
        .Do([](CDialog& d) { EXPECT_EQ(d.GetDlgItem(T::kTaskId)->GetWindowTextValue(), "会审[1]"); })
        .Click(T::kPickAuditorId)
        .Dialog("用户浏览 - 选择用户")
        .Select(1059, "wangwu")
        .Click(IDOK)
        .Dialog("设计过程—协助评审任务")
        .Set(T::kRequestId, "核对孔位")
        .Click(IDOK)
        .Dialog(kCaption)
        .Do([](CDialog& d) {
            auto& list = *static_cast<CListCtrl*>(d.GetDlgItem(A::kListId));
            EXPECT_EQ(list.GetItemText(0, A::kAuditorColumn), "wangwu");
            EXPECT_EQ(list.GetItemText(0, A::kRequestColumn), "核对孔位");
        })
        .Click(IDCANCEL);
    Run(user);
    EXPECT_EQ(ws.QueryText("SELECT Auditor || '/' || AuditRequest FROM TeamWorkNextAudit"), "wangwu/核对孔位");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM MessageManage WHERE Reseiver='wangwu'"), "1");
}

// The task is decided while its dialog is open: the change is refused, the finished review keeps
// its auditor and nobody is told.
TEST_P(AssistAuditDlgTest, ATaskDecidedWhileItIsBeingChangedKeepsItsAuditor) {
    AddTask("会审[1]", "lisi", "未完成");
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .DoubleClick(A::kListId, 0)
        .Dialog("设计过程—协助评审任务")
        .Do([this](CDialog&) { ws.Execute("UPDATE TeamWorkNextAudit SET State='已完成', Result='通过'"); })
        .Click(T::kPickAuditorId)
        .Dialog("用户浏览 - 选择用户")
        .Select(1059, "wangwu")
        .Click(IDOK)
        .Dialog("设计过程—协助评审任务")
        .Click(IDOK)
        .Message("该评审任务已执行，不能再修改...", IDOK)
        .Dialog(kCaption)
        .Do([](CDialog& d) {
            EXPECT_EQ(static_cast<CListCtrl*>(d.GetDlgItem(A::kListId))->GetItemText(0, A::kAuditorColumn),
                      "lisi");
        })
        .Click(IDCANCEL);
    Run(user);
    EXPECT_EQ(Tasks(), (Set{"会审[1]=lisi/已完成"}));
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM MessageManage"), "0");
}

// The task's dialog writes only what the person changed in it over the task as stored when OK is
// pressed: another client's change of the other field stays, the same value stored by another
// client is no conflict, another value in the changed field or a task deleted (or deleted and
// added again under its name) meanwhile stores nothing and one box says so.
TEST_P(AssistAuditDlgTest, ATaskChangedInItsDialogKeepsWhatAnotherClientStoredMeanwhile) {
    const struct {
        const char* what;
        const char* other;   // another client's write while the dialog is open
        const char* typed;   // the request the person types
        const char* refusal; // nullptr: stored
        const char* stored;  // Auditor/AuditRequest/AssignDate afterwards
    } cases[] = {
        {"another auditor", "UPDATE TeamWorkNextAudit SET Auditor='zhaoliu'", "核对孔位", nullptr,
         "zhaoliu/核对孔位/2026-12-01 10:00:00"},
        {"the same request", "UPDATE TeamWorkNextAudit SET AuditRequest='核对孔位'", "核对孔位", nullptr,
         "lisi/核对孔位/2026-12-01 10:00:00"},
        {"another request", "UPDATE TeamWorkNextAudit SET AuditRequest='核对壁厚'", "核对孔位",
         "该记录已被其他用户修改（工作要求），本次修改未保存，请重新打开后再修改。",
         "lisi/核对壁厚/2026-12-01 10:00:00"},
        {"deleted", "DELETE FROM TeamWorkNextAudit", "核对孔位", "该记录已被其他用户删除，本次修改未保存。",
         ""},
        {"deleted and added again",
         "UPDATE TeamWorkNextAudit SET AssignDate='2026-12-01 10:05:00', AuditRequest=''", "核对孔位",
         "该记录已被其他用户删除，本次修改未保存。", "lisi//2026-12-01 10:05:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ws.Execute("DELETE FROM TeamWorkNextAudit; DELETE FROM MessageManage");
        ws.Execute(
            "INSERT INTO TeamWorkNextAudit (FileID, UpAuditName, Assigner, AssignDate, AuditTask, Auditor, "
            "State, AuditRequest) VALUES ('F-1', '会审[N]', 'zhangsan', '2026-12-01 10:00:00', '会审[1]', "
            "'lisi', '未完成', '')");
        vq::ScriptedUser user;
        user.Dialog(kCaption)
            .DoubleClick(A::kListId, 0)
            .Dialog("设计过程—协助评审任务")
            .Do([&](CDialog&) { ws.Execute(c.other); })
            .Set(T::kRequestId, c.typed)
            .Click(IDOK);
        if (c.refusal)
            user.Message(c.refusal, IDOK).Dialog("设计过程—协助评审任务").Click(IDCANCEL);
        user.Dialog(kCaption)
            .Do([&](CDialog& d) {
                if (!c.refusal) {
                    auto& list = *static_cast<CListCtrl*>(d.GetDlgItem(A::kListId));
                    EXPECT_EQ(list.GetItemText(0, A::kAuditorColumn) + "/" +
                                  list.GetItemText(0, A::kRequestColumn),
                              CString(c.stored).Left(CString(c.stored).ReverseFind('/')));
                }
            })
            .Click(IDCANCEL);
        Run(user);
        EXPECT_EQ(
            ws.QueryText("SELECT Auditor || '/' || AuditRequest || '/' || AssignDate FROM TeamWorkNextAudit"),
            c.stored);
        EXPECT_EQ(ws.QueryText("SELECT count(*) FROM MessageManage"), c.refusal ? "0" : "1");
    }
}

// The task's dialog with its OK at hand, for a client that presses it at a given moment.
class PressingAssistTaskDlg : public CAssistAuditTaskDlg {
public:
    using CAssistAuditTaskDlg::OnOK;
};

// Three clients change the request of one task at once, each in a process of its own, two of them
// to the same text: one after the other, the first stores, a client storing the value stored by
// then stores too (no conflict), and a client storing another value is told and stores nothing.
TEST_P(AssistAuditDlgTest, ClientsChangingOneTaskAtOnceStoreOneAfterTheOther) {
    constexpr int kClients = 3;
    const char* const typed[kClients] = {"核对孔位", "核对孔位", "核对壁厚"};
    const std::string conflict = "该记录已被其他用户修改（工作要求），本次修改未保存，请重新打开后再修改。|";
    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE(run);
        ws.Execute("DELETE FROM TeamWorkNextAudit");
        ws.Execute(
            "INSERT INTO TeamWorkNextAudit (FileID, UpAuditName, Assigner, AssignDate, AuditTask, Auditor, "
            "State, AuditRequest) VALUES ('F-1', '会审[N]', 'zhangsan', '2026-12-01 10:00:00', '会审[1]', "
            "'lisi', '未完成', '')");
        const std::vector<std::optional<std::string>> reports =
            vqtest::RunAtBarrier(kClients, [&](int index, const std::function<void()>& arrive) {
                theApp.m_pConnPDM = ws.Connect();
                PressingAssistTaskDlg dlg;
                dlg.FileID = "F-1";
                dlg.UpAuditName = "会审[N]";
                dlg.AuditTask = "会审[1]";
                vq::ScriptedUser user;
                std::string said;
                vq::SetMessageBoxPresenter([&said](const vq::MessageBoxRequest& request) {
                    said += request.text.str() + "|";
                    return IDOK;
                });
                user.Dialog("设计过程—协助评审任务").Set(T::kRequestId, typed[index]).Do([&](CDialog& d) {
                    arrive();
                    static_cast<PressingAssistTaskDlg&>(d).OnOK();
                    d.EndDialog(IDCANCEL);
                });
                dlg.DoModal();
                return said;
            });
        const CString stored = ws.QueryText("SELECT AuditRequest FROM TeamWorkNextAudit");
        EXPECT_TRUE(stored == typed[0] || stored == typed[2]) << stored.c_str();
        for (int index = 0; index < kClients; ++index) {
            ASSERT_TRUE(reports[static_cast<std::size_t>(index)]) << index;
            EXPECT_EQ(*reports[static_cast<std::size_t>(index)], stored == typed[index] ? "" : conflict)
                << index;
        }
    }
}

TEST_P(AssistAuditDlgTest, ReadOnlyTheTasksCanOnlyBeLookedAt) {
    AddTask("会审[1]", "lisi", "未完成");
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Do([](CDialog& d) {
            for (int id : {A::kAddId, A::kModifyId, A::kDeleteId, A::kRestartId})
                EXPECT_FALSE(d.GetDlgItem(id)->IsWindowEnabled()) << id;
            EXPECT_TRUE(d.GetDlgItem(A::kBrowseMarkupId)->IsWindowEnabled());
        })
        .DoubleClick(A::kListId, 0)
        .Dialog("设计过程—协助评审任务")
        .Do([](CDialog& d) { EXPECT_FALSE(d.GetDlgItem(T::kPickAuditorId)->IsWindowEnabled()); })
        .Click(IDOK)
        .Dialog(kCaption)
        .Click(IDCANCEL);
    Run(user, 1);
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM MessageManage"), "0");
}

TEST_P(AssistAuditDlgTest, AStepThatNeedsAssistingReviewsIsDecidedOnlyWhenAllAreFinished) {
    auto open = [this](const char* expectedMessage, bool okEnabled) {
        vq::ScriptedUser user;
        if (expectedMessage)
            user.Message(expectedMessage, IDOK);
        user.Dialog("评审意见")
            .Do([okEnabled](CDialog& d) {
                EXPECT_EQ(d.GetDlgItem(IDOK)->IsWindowEnabled() != FALSE, okEnabled);
                EXPECT_TRUE(d.GetDlgItem(CAuditOpinionDlg::kAssistAuditId)->GetStyle() & WS_VISIBLE);
            })
            .Click(IDCANCEL);
        CAuditOpinionDlg dlg(nullptr);
        dlg.m_strFileID = "F-1";
        dlg.m_strAuditTask = "会审[N]";
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << user.Error();
    };
    open("此评审任务需要分配下级协助评审任务...", false);
    AddTask("会审[1]", "lisi", "未完成");
    open("有未完成的下级协助评审任务, 请等待...", false);
    ws.Execute("UPDATE TeamWorkNextAudit SET State='已完成'");
    open(nullptr, true);
}

TEST_P(AssistAuditDlgTest, AnAssistingReviewerRecordsHisResultInTheOpinionDialog) {
    AddTask("会审[1]", "lisi", "未完成");
    theApp.m_strLoginUser = "lisi";
    vq::ScriptedUser user;
    user.Dialog("评审意见")
        .Do([this](CDialog&) {
            // The task is held while its dialog is open.
            EXPECT_EQ(ws.QueryText("SELECT Working FROM TeamWorkNextAudit"), "T");
        })
        .Set(CAuditOpinionDlg::kOpinionId, "可以")
        .Check(CAuditOpinionDlg::kPassId, 1)
        .Click(IDOK);
    CAuditOpinionDlg dlg(nullptr);
    dlg.m_strFileID = "F-1";
    dlg.m_strAuditTask = "会审[1]";
    dlg.m_bAssistAudit = 1;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error();
    EXPECT_EQ(dlg.m_bSaved, 1);
    EXPECT_EQ(ws.QueryText("SELECT State || '/' || Result || '/' || Prompt || '/' || Working FROM TeamWorkNextAudit"),
              "已完成/通过/可以/F");
    // The main step stays open for its own auditor.
    EXPECT_EQ(ws.QueryText("SELECT State FROM TeamWorkAudit"), "未完成");
}

INSTANTIATE_TEST_SUITE_P(Dialects, AssistAuditDlgTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);
