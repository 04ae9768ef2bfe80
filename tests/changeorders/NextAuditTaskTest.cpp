// The assisting-review tasks of a change order's review step in both dialects: adding through
// the user picker (numbered names, one task per account, at most 100), changing in the item
// dialog (and refusing an account that holds another task), restarting, deleting, the
// display-only opening by the entry functions, and the notices each change sends.
#include "changeorders/ECONextAuditTaskDlg.h"
#include "changeorders/ECONextAuditTaskItemDlg.h"
#include "changeorders/PartDesignHistoryDlg.h"
#include "review/AssistAuditDlg.h"
#include "platform/ui/Dialog.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/Time.h"
#include "platform/ui/Edit.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/View.h"
#include "platform/ui/qt/QtDialogView.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/MessageServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

extern "C" int ECOAssignNextAuditTaskMain(CString group, CString number, CString stepName, CString login,
                                          int displayOnly);
extern "C" int ECOAssignNextAuditTaskShow(CString group, CString number, CString stepName, CString login);
extern "C" int ECOAssignNextAuditFlatroof(CString, CString, CString, CString);

namespace {

using TaskDlg = CECONextAuditTaskDlg;
using ItemDlg = CECONextAuditTaskItemDlg;

const char* const kManage = "更改单—协助评审任务管理";
const char* const kItem = "更改单—协助评审任务";
const char* const kPickMany = "用户浏览 - 选择组(多用户)";
const char* const kPickOne = "用户浏览 - 选择用户";
const char* const kStep = "校对[N]";

class NextAuditTaskTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strLoginUser = "admin";
        theApp.m_strHostIP = "10.0.0.8";
        ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三');"
                   "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('lisi', '李四');"
                   "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('wangwu', '王五');"
                   "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhaoliu', '赵六')");
        ws.WriteSetting("消息配置", "服务器名称", server.ServerName());
        ws.WriteSetting("消息配置", "自动连接消息服务器", "1");
        dlg.m_strECOGroup = "更改单";
        dlg.m_strECONo = "C-1";
        dlg.m_strUpAuditName = kStep;
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        theApp.m_strHostIP.Empty();
        EXPECT_EQ(rec.Pending(), 0) << "an expected message box was not shown";
    }
    // A task row of C-1's step: name, auditor, state, and finish time, result and opinion.
    void Task(const char* name, const char* auditor, const char* state, const char* finish = "",
              const char* result = "", const char* remark = "") const {
        ws.Execute(
            CString("INSERT INTO ECONextAuditManage (ECOGroup, ECONo, UpAuditName, Assigner, AuditName, "
                    "Auditor, BeginTime, FinishTime, AuditState, AuditResult, AuditRemark) VALUES "
                    "('更改单', 'C-1', '校对[N]', 'admin', '") +
            name + "', '" + auditor + "', '2026-11-01', '" + finish + "', '" + state + "', '" + result +
            "', '" + remark + "')");
    }
    CString Query(const CString& sql) const { return ws.QueryText(sql); }
    CString Count(const CString& where) const { return Query("SELECT count(*) FROM " + where); }
    static CListCtrl& List(CDialog& d, int id) { return *dynamic_cast<CListCtrl*>(d.GetDlgItem(id)); }
    static std::vector<CString> Column(CDialog& d, int column) {
        std::vector<CString> texts;
        for (int row = 0; row < List(d, TaskDlg::kListId).GetItemCount(); ++row)
            texts.push_back(List(d, TaskDlg::kListId).GetItemText(row, column));
        return texts;
    }
    static bool Enabled(CDialog& d, int id) { return d.GetDlgItem(id)->IsWindowEnabled() != 0; }
    // Selects the rows of a list whose first column is one of the texts.
    static void SelectRows(CDialog& d, int id, std::vector<CString> texts) {
        auto& list = List(d, id);
        bool first = true;
        for (int row = 0; row < list.GetItemCount(); ++row)
            if (std::find(texts.begin(), texts.end(), list.GetItemText(row, 0)) != texts.end()) {
                list.UserSelect(row, !first); // a click, then clicks with Ctrl
                first = false;
            }
    }
    // Picks users in the multiple-choice user picker.
    static vq::ScriptedUser& PickUsers(vq::ScriptedUser& user, std::vector<CString> accounts) {
        return user.Click(TaskDlg::kAddId)
            .Dialog(kPickMany)
            .Do([accounts](CDialog& d) { SelectRows(d, 1059, accounts); })
            .Click(IDOK)
            .Dialog(kManage);
    }
    std::vector<std::pair<CString, CString>> Notices() const {
        std::vector<std::pair<CString, CString>> all;
        for (const auto& session : server.Sessions())
            all.insert(all.end(), session.notices.begin(), session.notices.end());
        return all;
    }

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::MessageBoxRecorder rec;
    vqtest::MessageServer server;
    TaskDlg dlg;
};

} // namespace

// The buttons of the assisting-task list of a change order and of the part design history stand
// in the column on the right, "退出" at its top; the assisting-task list of a design document keeps
// its row of buttons that ends with "退出".
TEST(NextAuditTaskNames, ExitButtonsStandWhereTheirDialogsPlaceThem) {
    auto buttons = [](UINT id) {
        std::vector<std::string> texts;
        const vq::DialogTemplate* tpl = vq::FindDialogTemplate(id);
        if (tpl)
            for (const vq::ControlTemplate& c : tpl->controls)
                if (c.kind == vq::ControlKind::PushButton)
                    texts.push_back(c.text.str());
        return texts;
    };
    EXPECT_EQ(buttons(CECONextAuditTaskDlg::IDD),
              (std::vector<std::string>{"退出", "重新评审...", "增加...", "修改...", "删除..."}));
    EXPECT_EQ(buttons(CPartDesignHistoryDlg::IDD),
              (std::vector<std::string>{"...", "退出", "文档属性...", "评审流程...", "评审结果..."}));
    ASSERT_FALSE(buttons(CAssistAuditDlg::IDD).empty());
    EXPECT_EQ(buttons(CAssistAuditDlg::IDD).back(), "退出");
}

namespace {

constexpr UINT kShownSteps = WM_USER + 71;

// The task list's template shown in the Qt view; `steps` run once the widgets are up.
class CTaskTemplateInQt : public CDialog {
public:
    CTaskTemplateInQt() : CDialog(TaskDlg::IDD, nullptr) {}
    std::function<void(CTaskTemplateInQt&)> steps;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        PostMessage(kShownSteps);
        return TRUE;
    }
    LRESULT OnShownSteps(WPARAM, LPARAM) {
        if (steps)
            steps(*this);
        EndDialog(IDOK);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTaskTemplateInQt, CDialog)
    ON_MESSAGE(kShownSteps, &CTaskTemplateInQt::OnShownSteps)
END_MESSAGE_MAP()

} // namespace

// On the screen the buttons stand right of the list, from its top, one under the other in the
// template's order and equally wide.
TEST(NextAuditTaskNames, TheButtonsStandInAColumnRightOfTheListInTheQtView) {
    vq::DialogView* previous = vq::SetDialogView(&vq::QtDialogView());
    CTaskTemplateInQt dlg;
    bool ran = false;
    dlg.steps = [&](CTaskTemplateInQt& d) {
        ran = true;
        const CRect list = vq::qtinput::ShownRect(*d.GetDlgItem(TaskDlg::kListId));
        const int order[] = {IDCANCEL, TaskDlg::kReReviewId, TaskDlg::kAddId, TaskDlg::kModifyId,
                             TaskDlg::kDeleteId};
        CRect above;
        for (int id : order) {
            const CRect button = vq::qtinput::ShownRect(*d.GetDlgItem(id));
            ASSERT_FALSE(button.IsRectEmpty()) << id;
            EXPECT_GT(button.left, list.right) << id;
            if (above.IsRectEmpty()) {
                EXPECT_EQ(button.top, list.top);
            } else {
                EXPECT_EQ(button.left, above.left) << id;
                EXPECT_EQ(button.Width(), above.Width()) << id;
                EXPECT_GT(button.top, above.bottom) << id;
                EXPECT_LT(button.top, above.bottom + button.Height()) << id;
            }
            above = button;
        }
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    vq::SetDialogView(previous);
    EXPECT_TRUE(ran);
}

TEST(NextAuditTaskNames, TheBaseNameIsTheStepCutBeforeItsMark) {
    EXPECT_EQ(TaskDlg::BaseNameOf("校对[N]"), "校对");
    EXPECT_EQ(TaskDlg::BaseNameOf("会签[N]甲[N]"), "会签");
    EXPECT_EQ(TaskDlg::BaseNameOf("审核"), "审核");
    EXPECT_EQ(TaskDlg::BaseNameOf("[N]审核"), "[N]审核");
    EXPECT_EQ(ECOAssignNextAuditFlatroof("a", "b", "c", "d"), 1);
}

TEST_P(NextAuditTaskTest, AddingUsersGivesNumberedTasksStampedByTheServerAndNotices) {
    vq::ScriptedUser user;
    user.Dialog(kManage).Do([](CDialog& d) {
        EXPECT_FALSE(Enabled(d, TaskDlg::kModifyId));
        EXPECT_FALSE(Enabled(d, TaskDlg::kDeleteId));
        EXPECT_TRUE(Enabled(d, TaskDlg::kAddId));
    });
    PickUsers(user, {"zhangsan", "lisi", "wangwu"})
        .Do([](CDialog& d) {
            auto names = Column(d, TaskDlg::kNameColumn);
            EXPECT_EQ(names, (std::vector<CString>{"校对[1]", "校对[2]", "校对[3]"}));
            EXPECT_EQ(Column(d, TaskDlg::kStateColumn), (std::vector<CString>(3, "未完成")));
            EXPECT_TRUE(Enabled(d, TaskDlg::kModifyId));
            EXPECT_TRUE(Enabled(d, TaskDlg::kDeleteId));
        })
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    const CString today = theApp.GetServerDate();
    EXPECT_EQ(Count("ECONextAuditManage WHERE ECONo='C-1' AND UpAuditName='校对[N]' AND Assigner='admin' AND "
                    "AuditState='未完成' AND AssignDate='" +
                    today + "' AND BeginTime='" + today + "'"),
              "3");
    std::vector<CString> auditors;
    for (const char* name : {"校对[1]", "校对[2]", "校对[3]"})
        auditors.push_back(
            Query(CString("SELECT Auditor FROM ECONextAuditManage WHERE AuditName='") + name + "'"));
    std::sort(auditors.begin(), auditors.end());
    EXPECT_EQ(auditors, (std::vector<CString>{"lisi", "wangwu", "zhangsan"}));
    const CString text = "辛苦了， 需要您对更改单 C-1 进行 校对[N] 的协助评审";
    EXPECT_EQ(Count("MessageManage WHERE Sender='系统' AND Topic='系统工作消息' AND ReadFlag='N' AND "
                    "MachineIP='10.0.0.8' AND Content='" +
                    text + "'"),
              "3");
    ASSERT_TRUE(server.WaitForClosedSessions(3));
    ASSERT_EQ(Notices().size(), 3u);
    EXPECT_EQ(Notices()[0].second, text);
}

TEST_P(NextAuditTaskTest, AnAccountHoldingATaskInAnyCaseIsSkippedAndTheOthersAdded) {
    Task("校对[1]", "ZhangSan", "未完成");
    vq::ScriptedUser user;
    user.Dialog(kManage)
        .Do([](CDialog& d) { EXPECT_TRUE(Enabled(d, TaskDlg::kModifyId)); })
        .Click(TaskDlg::kAddId)
        .Dialog(kPickMany)
        .Do([](CDialog& d) {
            SelectRows(d, 1059, {"zhangsan", "lisi"});
        })
        .Click(IDOK)
        .Message("选定的评审负责人已经有评审任务，不能再分配...", IDOK)
        .Dialog(kManage)
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Count("ECONextAuditManage"), "2");
    EXPECT_EQ(Query("SELECT Auditor FROM ECONextAuditManage WHERE AuditName='校对[2]'"), "lisi");
    EXPECT_EQ(Count("MessageManage"), "1");
}

TEST_P(NextAuditTaskTest, DeletingKeepsFinishedTasksAndFreesTheNamesOfTheOthers) {
    Task("校对[1]", "zhaoliu", "完成", "2026-11-02", "通过");
    Task("校对[2]", "lisi", "未完成");
    Task("校对[3]", "wangwu", "未完成");
    vq::ScriptedUser user;
    user.Dialog(kManage)
        .Do([](CDialog& d) {
            SelectRows(d, TaskDlg::kListId, {"校对[1]", "校对[2]", "校对[3]"});
        })
        .Click(TaskDlg::kDeleteId)
        .Message("是否要删除选中的协助评审任务?", IDNO)
        .Do([](CDialog& d) { EXPECT_EQ(List(d, TaskDlg::kListId).GetItemCount(), 3); })
        .Click(TaskDlg::kDeleteId)
        .Message("是否要删除选中的协助评审任务?", IDYES)
        .Message("协助评审任务：校对[1] 已完成，不能进行删除...", IDOK)
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(d, TaskDlg::kNameColumn), (std::vector<CString>{"校对[1]"}));
        });
    // The freed number 2 is the next one given.
    PickUsers(user, {"zhangsan"})
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(d, TaskDlg::kNameColumn), (std::vector<CString>{"校对[1]", "校对[2]"}));
        })
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Count("ECONextAuditManage"), "2");
    EXPECT_EQ(Query("SELECT Auditor FROM ECONextAuditManage WHERE AuditName='校对[2]'"), "zhangsan");
    EXPECT_EQ(Query("SELECT AuditResult FROM ECONextAuditManage WHERE AuditName='校对[1]'"), "通过");
}

TEST_P(NextAuditTaskTest, TwoUsersAddingAtOnceGetDistinctNamesAndADeleteSparesAFinishedTask) {
    // A second user on a connection of his own, working on the same step at the same time.
    _ConnectionPtr other = ws.Connect();
    auto otherAdds = [&other](const char* name, const char* auditor) {
        other->Execute(CString("INSERT INTO ECONextAuditManage (ECOGroup, ECONo, UpAuditName, Assigner, "
                               "AuditName, Auditor, AuditState) VALUES ('更改单', 'C-1', '校对[N]', 'lisi', '") +
                       name + "', '" + auditor + "', '未完成')");
    };
    vq::ScriptedUser user;
    // Both lists were empty: the other user stores 校对[1] first, so this one's 校对[1] is
    // refused by the key and the next name is taken, with the other's task now listed.
    user.Dialog(kManage).Do([&](CDialog&) { otherAdds("校对[1]", "wangwu"); });
    PickUsers(user, {"zhangsan"})
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(d, TaskDlg::kNameColumn), (std::vector<CString>{"校对[1]", "校对[2]"}));
            EXPECT_EQ(Column(d, TaskDlg::kAuditorColumn), (std::vector<CString>{"wangwu", "zhangsan"}));
        })
        // The other user finishes his review and this one's task is given to zhaoliu meanwhile;
        // an account that took a task meanwhile gets no second one.
        .Do([&](CDialog&) {
            other->Execute("UPDATE ECONextAuditManage SET AuditState='完成' WHERE AuditName='校对[1]'");
            otherAdds("校对[3]", "lisi");
        })
        .Click(TaskDlg::kAddId)
        .Dialog(kPickMany)
        .Do([](CDialog& d) { SelectRows(d, 1059, {"lisi"}); })
        .Click(IDOK)
        .Message("选定的评审负责人已经有评审任务，不能再分配...", IDOK)
        .Dialog(kManage)
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(d, TaskDlg::kNameColumn),
                      (std::vector<CString>{"校对[1]", "校对[2]", "校对[3]"}));
            SelectRows(d, TaskDlg::kListId, {"校对[1]", "校对[2]"});
        })
        // The list still says 校对[1] is open: the table's state guards it.
        .Click(TaskDlg::kDeleteId)
        .Message("是否要删除选中的协助评审任务?", IDYES)
        .Message("协助评审任务：校对[1] 已完成，不能进行删除...", IDOK)
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(d, TaskDlg::kNameColumn), (std::vector<CString>{"校对[1]", "校对[3]"}));
            EXPECT_EQ(List(d, TaskDlg::kListId).GetItemText(0, TaskDlg::kStateColumn), "完成");
        })
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Query("SELECT AuditState FROM ECONextAuditManage WHERE AuditName='校对[1]'"), "完成");
    EXPECT_EQ(Count("ECONextAuditManage WHERE AuditName='校对[2]'"), "0");
    EXPECT_EQ(Count("ECONextAuditManage"), "2");
    // The key itself refuses a second row of a name, whoever writes it.
    EXPECT_THROW(otherAdds("校对[3]", "zhaoliu"), _com_error);
}

TEST_P(NextAuditTaskTest, AStepWithAHundredTasksTakesNoMore) {
    CString script;
    for (int n = 1; n <= 100; ++n) {
        CString name;
        name.Format("校对[%d]", n);
        script +=
            "INSERT INTO ECONextAuditManage (ECOGroup, ECONo, UpAuditName, AuditName, Auditor, AuditState) "
            "VALUES ('更改单', 'C-1', '校对[N]', '" +
            name + "', 'u', '未完成');";
    }
    ws.Execute(script);
    vq::ScriptedUser user;
    user.Dialog(kManage)
        .Click(TaskDlg::kAddId)
        .Dialog(kPickMany)
        .Do([](CDialog& d) {
            SelectRows(d, 1059, {"zhangsan", "lisi"});
        })
        .Click(IDOK)
        .Message("协助评审任务不能超过100项...", IDOK) // once: no further account is handled
        .Dialog(kManage)
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Count("ECONextAuditManage"), "100");
    EXPECT_EQ(Count("MessageManage"), "0");
}

TEST_P(NextAuditTaskTest, RestartingMakesAFinishedTaskOpenAgainAndKeepsItsReview) {
    Task("校对[1]", "zhaoliu", "完成", "2026-11-02", "通过", "同意");
    vq::ScriptedUser user;
    user.Dialog(kManage)
        .Click(TaskDlg::kReReviewId)
        .Message("请选择协助评审任务项...", IDOK)
        .Click(TaskDlg::kModifyId)
        .Message("请选择协助评审任务项...", IDOK)
        .Click(TaskDlg::kDeleteId)
        .Message("请选择协助评审任务项...", IDOK)
        .Select(TaskDlg::kListId, 0)
        .Click(TaskDlg::kReReviewId)
        .Message("是否要重新启动选中的协助评审任务?", IDYES)
        .Do([](CDialog& d) {
            EXPECT_EQ(List(d, TaskDlg::kListId).GetItemText(0, TaskDlg::kStateColumn), "未完成");
        })
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Query("SELECT AuditState || '/' || FinishTime || '/' || AuditResult || '/' || AuditRemark FROM "
                    "ECONextAuditManage"),
              "未完成/2026-11-02/通过/同意");
    EXPECT_EQ(Count("MessageManage"), "0");
}

// Another client deletes one selected task and hands another to a new reviewer before the
// answer: the restart and the deletion of the selection are refused whole, and the list shows the
// tasks as stored.
TEST_P(NextAuditTaskTest, ASelectionAnotherClientChangedIsNeitherRestartedNorDeleted) {
    Task("校对[1]", "zhaoliu", "完成", "2026-11-02", "通过");
    Task("校对[2]", "lisi", "完成", "2026-11-02", "通过");
    Task("校对[3]", "wangwu", "未完成");
    vq::ScriptedUser user;
    user.Dialog(kManage)
        .Do([this](CDialog& d) {
            SelectRows(d, TaskDlg::kListId, {"校对[1]", "校对[2]"});
            ws.Execute("DELETE FROM ECONextAuditManage WHERE AuditName='校对[2]'");
        })
        .Click(TaskDlg::kReReviewId)
        .Message("是否要重新启动选中的协助评审任务?", IDYES)
        .Message("协助评审任务：校对[2] 已被其他用户删除\n本次没有重新启动选中的协助评审任务。", IDOK)
        .Do([this](CDialog& d) {
            EXPECT_EQ(Column(d, TaskDlg::kNameColumn), (std::vector<CString>{"校对[1]", "校对[3]"}));
            EXPECT_EQ(Column(d, TaskDlg::kStateColumn), (std::vector<CString>{"完成", "未完成"}));
            SelectRows(d, TaskDlg::kListId, {"校对[1]", "校对[3]"});
            ws.Execute("UPDATE ECONextAuditManage SET Auditor='lisi' WHERE AuditName='校对[3]'");
        })
        .Click(TaskDlg::kDeleteId)
        .Message("是否要删除选中的协助评审任务?", IDYES)
        .Message("协助评审任务：校对[3] 已被其他用户修改\n本次没有删除选中的协助评审任务。", IDOK)
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(d, TaskDlg::kAuditorColumn), (std::vector<CString>{"zhaoliu", "lisi"}));
        })
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Query("SELECT AuditState FROM ECONextAuditManage WHERE AuditName='校对[1]'"), "完成");
    EXPECT_EQ(Count("ECONextAuditManage"), "2");
}

TEST_P(NextAuditTaskTest, ChangingATaskStoresAuditorAndRequestAndTellsTheAuditor) {
    Task("校对[1]", "lisi", "未完成");
    Task("校对[2]", "wangwu", "未完成");
    const CString before = CTime::GetCurrentTime().Format("%Y-%m-%d");
    vq::ScriptedUser user;
    user.Dialog(kManage)
        .DoubleClick(TaskDlg::kListId, 0)
        .Dialog(kItem)
        .Do([](CDialog& d) {
            CString text;
            d.GetDlgItem(ItemDlg::kAuditNameId)->GetWindowText(text);
            EXPECT_EQ(text, "校对[1]");
            EXPECT_TRUE(Enabled(d, ItemDlg::kAuditorButtonId));
        })
        // An account holding another task of the step is refused, in any case.
        .Click(ItemDlg::kAuditorButtonId)
        .Dialog(kPickOne)
        .Select(1059, "wangwu")
        .Click(IDOK)
        .Dialog(kItem)
        .Click(IDOK)
        .Message("选定的评审负责人已经有评审任务，不能再分配...", IDOK)
        .Click(ItemDlg::kAuditorButtonId)
        .Dialog(kPickOne)
        .Select(1059, "zhaoliu")
        .Click(IDOK)
        .Dialog(kItem)
        .Set(ItemDlg::kRequestId, "核对尺寸'公差'")
        .Click(IDOK)
        .Dialog(kManage)
        .Do([](CDialog& d) {
            EXPECT_EQ(List(d, TaskDlg::kListId).GetItemText(0, TaskDlg::kAuditorColumn), "zhaoliu");
            EXPECT_EQ(List(d, TaskDlg::kListId).GetItemText(0, TaskDlg::kRequestColumn), "核对尺寸'公差'");
        })
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(
        Query("SELECT Auditor || '/' || AuditRequest FROM ECONextAuditManage WHERE AuditName='校对[1]'"),
        "zhaoliu/核对尺寸'公差'");
    // Stamped by the workstation's clock, with seconds.
    const CString sendTime = Query("SELECT SendTime FROM MessageManage WHERE Reseiver='zhaoliu'");
    EXPECT_EQ(sendTime.GetLength(), 19) << sendTime.c_str();
    EXPECT_GE(Query("SELECT SendDate FROM MessageManage WHERE Reseiver='zhaoliu'").str(), before.str());
    ASSERT_TRUE(server.WaitForClosedSessions(1));
    EXPECT_EQ(Notices()[0].first, "zhaoliu");
}

TEST_P(NextAuditTaskTest, AFinishedTaskOpensReadOnlyAndItsOkWritesAndSendsNothing) {
    Task("校对[1]", "lisi", "完成");
    ws.Execute("UPDATE ECONextAuditManage SET AuditRequest='原要求'");
    vq::ScriptedUser user;
    user.Dialog(kManage)
        .DoubleClick(TaskDlg::kListId, 0)
        .Message("该评审任务已执行，不能再修改...", IDOK)
        .Dialog(kItem)
        .Do([](CDialog& d) {
            EXPECT_FALSE(Enabled(d, ItemDlg::kAuditorButtonId));
            EXPECT_TRUE(dynamic_cast<CEdit*>(d.GetDlgItem(ItemDlg::kRequestId))->IsReadOnly());
            EXPECT_TRUE(Enabled(d, IDOK));
        })
        .Click(IDOK)
        .Dialog(kManage)
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Query("SELECT AuditRequest FROM ECONextAuditManage"), "原要求");
    EXPECT_EQ(Count("MessageManage"), "0");
    EXPECT_EQ(server.Sessions().size(), 0u);
}

TEST_P(NextAuditTaskTest, ATaskWhoseRowVanishedKeepsTheListsAuditorAndIsSaidToBeGoneOnOk) {
    Task("校对[1]", "lisi", "未完成");
    vq::ScriptedUser user;
    user.Dialog(kManage)
        .Do([this](CDialog&) { ws.Execute("DELETE FROM ECONextAuditManage"); })
        .DoubleClick(TaskDlg::kListId, 0)
        .Dialog(kItem)
        .Do([](CDialog& d) {
            CString auditor;
            CString request;
            d.GetDlgItem(ItemDlg::kAuditorId)->GetWindowText(auditor);
            d.GetDlgItem(ItemDlg::kRequestId)->GetWindowText(request);
            EXPECT_EQ(auditor, "lisi");
            EXPECT_EQ(request, "");
        })
        .Click(IDOK)
        .Message("该记录已被其他用户删除，本次修改未保存。", IDOK)
        .Click(IDCANCEL)
        .Dialog(kManage)
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Count("ECONextAuditManage"), "0");
}

TEST_P(NextAuditTaskTest, TheShowEntryOpensDisplayOnlyAndChangesNothing) {
    Task("校对[1]", "lisi", "未完成");
    ws.Execute("UPDATE ECONextAuditManage SET AuditRequest='原要求'");
    theApp.m_pConnPDM = nullptr; // the entry opens its own connection
    vq::ScriptedUser user;
    user.Dialog(kManage)
        .Do([](CDialog& d) {
            for (int id : {TaskDlg::kReReviewId, TaskDlg::kAddId, TaskDlg::kModifyId, TaskDlg::kDeleteId})
                EXPECT_FALSE(Enabled(d, id)) << id;
            EXPECT_EQ(Column(d, TaskDlg::kRequestColumn), (std::vector<CString>{"原要求"}));
        })
        .DoubleClick(TaskDlg::kListId, 0)
        .Dialog(kItem)
        .Do([](CDialog& d) { EXPECT_FALSE(Enabled(d, ItemDlg::kAuditorButtonId)); })
        .Click(IDOK)
        .Dialog(kManage)
        .Click("退出");
    EXPECT_EQ(ECOAssignNextAuditTaskShow("更改单", "C-1", kStep, "admin"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    theApp.m_pConnPDM = ws.Connect();
    EXPECT_EQ(Query("SELECT AuditRequest FROM ECONextAuditManage"), "原要求");
    EXPECT_EQ(Count("MessageManage"), "0");
    EXPECT_EQ(server.Sessions().size(), 0u);

    // The main entry with the switch off lets the user change the tasks.
    theApp.m_pConnPDM = nullptr;
    user.Dialog(kManage).Do([](CDialog& d) { EXPECT_TRUE(Enabled(d, TaskDlg::kAddId)); }).Click("退出");
    EXPECT_EQ(ECOAssignNextAuditTaskMain("更改单", "C-1", kStep, "admin", 0), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

INSTANTIATE_TEST_SUITE_P(Dialects, NextAuditTaskTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
