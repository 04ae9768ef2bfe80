// The review opinion dialog in both dialects, worked by the scripted user: a document submitted
// for review walks a three-level path with peers and a mixed-auditor step to its release, fails
// back to its designer, is returned to an earlier step, waits for a decision taken later, a batch
// of documents is decided together, and a batch's assisting reviewers are assigned to each document.
#include "review/AuditOpinionDlg.h"
#include "core/ComError.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/com/ProcessPlanningUtility.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/View.h"
#include "platform/ui/qt/QtDialogView.h"
#include "review/AssistAuditDlg.h"
#include "review/DesignFileAuditSender.h"
#include "review/SelectReturnTaskDlg.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/UnattendedMessageBoxes.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using D = CAuditOpinionDlg;
using R = CSelectReturnTaskDlg;
using Set = std::set<std::string>;
using Script = std::function<void(vq::ScriptedUser&)>;

class AuditOpinionDlgTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三'), "
                   "('zhaoliu', '赵六'), ('lisi', '李四'), ('wangwu', '王五'), ('admin', '管理员'), "
                   "('chenqi', '陈七')");
        ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectManager) VALUES ('XM-01', '减速器', "
                   "'chenqi')");
        ws.Execute("INSERT INTO TeamWorkManage (TaskNo, WorkID, Manager, WorkName) VALUES ('XM-01', "
                   "'XM-01[M]#001', 'zhangsan', '箱体部件设计')");
        // Level 20: 校对; level 110: 审核 and the mixed-auditor 工艺审查[M]; level 200: 批准.
        ws.Execute("INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES "
                   "('三级评审', '混合', '校对(40,20)|*|审核(40,110)|*|工艺审查[M](240,110)|*|批准(40,200)'),"
                   "('会签', '并联', '设计会签(40,20)')");
        AddDocument("F-1", "箱盖零件图", "a.dwg", "三级评审", "zhaoliu|*|lisi|*|工艺组|*|wangwu");
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_nUseChangeTask = 0;
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
    }
    void AddDocument(const char* fileId, const char* prompt, const char* name, const char* model,
                     const char* auditors) {
        CString sql;
        sql.Format("INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, State, AuditingModel, "
                   "AuditorName, AuditingType) VALUES ('%s', 'XM-01[M]#001', '%s', '%s', '工作中', '%s', '%s', "
                   "'混合')",
                   fileId, prompt, name, model, auditors);
        ws.Execute(sql);
    }
    void Submit(const char* fileId = "F-1") {
        theApp.m_strLoginUser = "zhangsan";
        CDesignFileAuditSender sender;
        sender.m_strFileID = fileId;
        sender.m_strSuperior = "admin";
        ASSERT_EQ(sender.Send(), 1);
    }
    // One reviewer opens his step and works the dialog; the entry function's result.
    int Review(const char* login, const char* step, const Script& script, const char* fileId = "F-1") {
        theApp.m_strLoginUser = login;
        vq::ScriptedUser user;
        script(user);
        CAuditOpinionDlg dlg(nullptr);
        dlg.m_strFileID = fileId;
        dlg.m_strAuditTask = step;
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << login << " " << step << ": " << user.Error();
        return dlg.m_bSaved;
    }
    static Script Pass(const char* opinion = "同意") {
        return [opinion](vq::ScriptedUser& u) {
            u.Dialog("评审意见").Set(D::kOpinionId, opinion).Check(D::kPassId, 1).Click(IDOK);
        };
    }
    static Script Fail(const char* opinion = "尺寸链不闭合") {
        return [opinion](vq::ScriptedUser& u) {
            u.Dialog("评审意见").Set(D::kOpinionId, opinion).Check(D::kFailId, 1).Click(IDOK);
        };
    }
    Set Steps(const char* fileId = "F-1") {
        CString sql;
        sql.Format("SELECT AuditTask || '=' || Auditor || '/' || coalesce(State, '') || '/' || coalesce(Result, '') "
                   "FROM TeamWorkAudit WHERE FileID = '%s'",
                   fileId);
        return Column(sql);
    }
    Set Column(const CString& sql) {
        Set all;
        _ConnectionPtr conn = ws.Connect();
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, conn, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            all.insert(VariantToString(rs->GetCollect(0L)).str());
            rs->MoveNext();
        }
        rs->Close();
        return all;
    }
    CString State(const char* fileId = "F-1") {
        return ws.QueryText(CString("SELECT State FROM TeamWorkResult WHERE FileID='") + fileId + "'");
    }
    Set NoticesTo(const char* receiver) {
        return Column(CString("SELECT Content FROM MessageManage WHERE Reseiver='") + receiver + "'");
    }

    vqtest::DbWorkspace ws{GetParam()};
};

} // namespace

TEST_P(AuditOpinionDlgTest, ADocumentWalksItsLevelsWithPeersAndAMixedStepToItsRelease) {
    Submit();
    EXPECT_EQ(Steps(), (Set{"校对=zhaoliu/未完成/"}));

    // Level 1 passes: both steps of level 2 open, the mixed step with its group row.
    EXPECT_EQ(Review("zhaoliu", "校对", Pass("图面清楚")), 1);
    EXPECT_EQ(Steps(), (Set{"校对=zhaoliu/已完成/通过", "审核=lisi/未完成/", "工艺审查=工艺组/未完成/"}));
    EXPECT_EQ(ws.QueryText("SELECT AuditTask || '/' || Auditor || '/' || State FROM TeamWorkGroupAudit"),
              "工艺审查/工艺组/未完成");
    EXPECT_EQ(NoticesTo("lisi"), (Set{"辛苦了， 需要您对工作文档 箱盖零件图 [F-1] 进行 审核"}));
    EXPECT_EQ(ws.QueryText("SELECT Prompt FROM TeamWorkAudit WHERE AuditTask='校对'"), "图面清楚");
    EXPECT_FALSE(ws.QueryText("SELECT FinishDate FROM TeamWorkAudit WHERE AuditTask='校对'").IsEmpty());

    // Decide later keeps the step open and returns 0; the opinion is kept for next time.
    EXPECT_EQ(Review("lisi", "审核", [](vq::ScriptedUser& u) {
                  u.Dialog("评审意见").Set(D::kOpinionId, "待核对").Check(D::kLaterId, 1).Click(IDOK);
              }),
              0);
    EXPECT_EQ(Steps().count("审核=lisi/未完成/"), 1u);
    EXPECT_EQ(ws.QueryText("SELECT Prompt FROM TeamWorkAudit WHERE AuditTask='审核'"), "待核对");

    // The first peer of level 2 passes: the document waits for the mixed step.
    EXPECT_EQ(Review("lisi", "审核",
                     [](vq::ScriptedUser& u) {
                         u.Dialog("评审意见")
                             .Do([](CDialog& d) {
                                 EXPECT_EQ(d.GetDlgItem(D::kOpinionId)->GetWindowTextValue(), "待核对");
                             })
                             .Check(D::kPassId, 1)
                             .Click(IDOK);
                     }),
              1);
    EXPECT_EQ(Steps().count("批准=wangwu/未完成/"), 0u);
    EXPECT_EQ(State(), "评审");

    // The mixed step passes last: level 3 opens.
    EXPECT_EQ(Review("chenqi", "工艺审查", Pass()), 1);
    EXPECT_EQ(Steps().count("批准=wangwu/未完成/"), 1u);

    EXPECT_EQ(Review("wangwu", "批准", Pass()), 1);
    EXPECT_EQ(State(), "正式");
    EXPECT_EQ(NoticesTo("zhangsan"), (Set{"恭喜您，您提交的工作文档： 箱盖零件图 [F-1] 在 批准 评审通过"}));
    // One log row per decision, each with its own opinion.
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TaskLogInformation WHERE ProjectNo='F-1'"), "4");
    EXPECT_EQ(ws.QueryText("SELECT Advise FROM TaskLogInformation WHERE TaskName='校对'"), "图面清楚");
    EXPECT_EQ(ws.QueryText("SELECT UserName FROM TaskLogInformation WHERE TaskName='校对'"), "zhaoliu{赵六}");

    // A finished step is shown with its result and cannot be decided again.
    EXPECT_EQ(Review("wangwu", "批准",
                     [](vq::ScriptedUser& u) {
                         u.Message("该工作文档已被评审...", IDOK)
                             .Dialog("评审意见")
                             .Do([](CDialog& d) {
                                 EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled());
                                 EXPECT_EQ(static_cast<CAuditOpinionDlg&>(d).m_nResult, 0);
                             })
                             .Click(IDCANCEL);
                     }),
              0);
}

TEST_P(AuditOpinionDlgTest, AFailOnTheFirstLevelGoesBackToTheDesignerWithoutAQuestion) {
    Submit();
    EXPECT_EQ(Review("zhaoliu", "校对", Fail()), 1);
    EXPECT_EQ(Steps(), (Set{"校对=zhaoliu/已完成/不通过"}));
    EXPECT_EQ(State(), "更改");
    EXPECT_EQ(NoticesTo("zhangsan"),
              (Set{"对不起，您提交的工作文档： 箱盖零件图 [F-1] 在 校对 未评审通过，需要再修改"}));
    EXPECT_EQ(NoticesTo("chenqi"),
              (Set{"您负责的工作组成员：张三 的工作文档的 箱盖零件图 [F-1] 在 校对 未评审通过，需要再修改"}));
    EXPECT_EQ(ws.QueryText("SELECT length(SendTime) FROM MessageManage WHERE Reseiver='chenqi'"), "19");
}

// Worked with the keyboard in its window, as the dialogs of the system are: it opens in the
// opinion, Ctrl+Tab writes a tab there and Tab moves on to the result without writing one.
TEST_P(AuditOpinionDlgTest, TabMovesOnFromTheOpinionAndCtrlTabWritesATab) {
    Submit();
    theApp.m_strLoginUser = "zhaoliu";
    vq::DialogView* previous = vq::SetDialogView(&vq::QtDialogView());
    CAuditOpinionDlg dlg(nullptr);
    dlg.m_strFileID = "F-1";
    dlg.m_strAuditTask = "校对";
    std::vector<std::string> seen;
    vq::qtinput::WhenReady([&dlg] { return ::IsWindow(&dlg) && !vq::qtinput::ShownRect(dlg).IsRectEmpty(); },
                           [&] {
                               CWnd& opinion = *dlg.GetDlgItem(D::kOpinionId);
                               seen.push_back(vq::qtinput::HasFocus(opinion) ? "opens in the opinion"
                                                                             : "elsewhere");
                               vq::qtinput::TypeAtFocus(dlg, "孔距");
                               vq::qtinput::PressKeys(opinion, "Ctrl+Tab");
                               vq::qtinput::TypeAtFocus(dlg, "5");
                               vq::qtinput::PressKeys(opinion, "Tab");
                               seen.push_back(opinion.GetWindowTextValue().str());
                               seen.push_back(vq::qtinput::HasFocus(opinion) ? "stays" : "moved on");
                               dlg.EndDialog(IDCANCEL);
                           });
    dlg.DoModal();
    vq::SetDialogView(previous);
    EXPECT_EQ(seen, (std::vector<std::string>{"opens in the opinion", "孔距\t5", "moved on"}));
    EXPECT_EQ(Steps(), (Set{"校对=zhaoliu/未完成/"}));
}

// Cancel (Esc, the close box) would lose an opinion typed since the dialog opened: it asks first,
// and 否 keeps the dialog and the opinion; without a typed opinion it closes at once.
TEST_P(AuditOpinionDlgTest, CancelAsksBeforeATypedOpinionIsLost) {
    Submit();
    const char* question = "批注结果未保存，是否真的要退出?";
    CString kept;
    EXPECT_EQ(
        Review("zhaoliu", "校对",
               [&](vq::ScriptedUser& u) {
                   u.Dialog("评审意见")
                       .Set(D::kOpinionId, "孔距尺寸未注公差")
                       .Click(IDCANCEL)
                       .Message(question, IDNO)
                       .Do([&](CDialog& d) { kept = d.GetDlgItem(D::kOpinionId)->GetWindowTextValue(); })
                       .Close()
                       .Message(question, IDYES);
               }),
        0);
    EXPECT_EQ(kept, "孔距尺寸未注公差");
    EXPECT_EQ(Review("zhaoliu", "校对", [](vq::ScriptedUser& u) { u.Dialog("评审意见").Click(IDCANCEL); }),
              0);
    EXPECT_EQ(Steps(), (Set{"校对=zhaoliu/未完成/"}));
}

// A person who hurries out with Esc and confirms with Enter, as the keys of every other box
// allow: the question that would throw the typed opinion away has 否 as its default, so Enter
// keeps the window and the opinion; only 是 chosen on purpose closes it.
TEST_P(AuditOpinionDlgTest, EscThenEnterKeepsATypedOpinion) {
    Submit();
    theApp.m_strLoginUser = "zhaoliu";
    vq::DialogView* previous = vq::SetDialogView(&vq::QtDialogView());
    vq::MessageBoxPresenter testBoxes = vq::SetMessageBoxPresenter(vqtest::LibraryMessageBoxPresenter());
    CAuditOpinionDlg dlg(nullptr);
    dlg.m_strFileID = "F-1";
    dlg.m_strAuditTask = "校对";
    const CString question = "批注结果未保存，是否真的要退出?";
    auto asked = [question] { return vq::qtinput::MessageBoxText() == question; };
    auto answered = [] { return vq::qtinput::MessageBoxText().IsEmpty(); };
    std::vector<std::string> seen;
    // A step still waiting when the dialog has gone (the fault: Enter closed it) does nothing.
    auto running = std::make_shared<bool>(true);
    vq::qtinput::WhenReady(
        [&dlg] { return ::IsWindow(&dlg) && !vq::qtinput::ShownRect(dlg).IsRectEmpty(); },
        [&] {
            vq::qtinput::TypeAtFocus(dlg, "孔距尺寸未注公差");
            vq::qtinput::WhenReady(asked, [&] {
                vq::qtinput::WhenReady(answered, [&, running] {
                    if (!*running)
                        return;
                    const bool open = ::IsWindow(&dlg);
                    seen.push_back(open ? "open: " + dlg.GetDlgItem(D::kOpinionId)->GetWindowTextValue().str()
                                        : "closed");
                    if (open) {
                        vq::qtinput::WhenReady(asked,
                                               [] { EXPECT_TRUE(vq::qtinput::AnswerMessageBox("是(Y)")); });
                        EXPECT_TRUE(vq::qtinput::Key(*dlg.GetDlgItem(D::kOpinionId), VK_ESCAPE));
                    }
                });
                EXPECT_TRUE(vq::qtinput::KeyToTopWindow(VK_RETURN));
            });
            EXPECT_TRUE(vq::qtinput::Key(*dlg.GetDlgItem(D::kOpinionId), VK_ESCAPE));
        });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    *running = false;
    vq::SetMessageBoxPresenter(std::move(testBoxes));
    vq::SetDialogView(previous);
    EXPECT_EQ(seen, (std::vector<std::string>{"open: 孔距尺寸未注公差"}));
    EXPECT_EQ(Steps(), (Set{"校对=zhaoliu/未完成/"}));
}

TEST_P(AuditOpinionDlgTest, AFailReturnsTheDocumentToAnEarlierStepWhichThenOpensTheLevelsAfresh) {
    Submit();
    Review("zhaoliu", "校对", Pass());
    Review("lisi", "审核", Pass());
    // The mixed step fails and sends the document back to 校对 alone.
    EXPECT_EQ(Review("chenqi", "工艺审查",
                     [](vq::ScriptedUser& u) {
                         u.Dialog("评审意见")
                             .Set(D::kOpinionId, "工艺性差")
                             .Check(D::kFailId, 1)
                             .Click(IDOK)
                             .Message("是否指定返回的再提交评审任务?", IDYES)
                             .Dialog("选择评审返回的任务")
                             .Do([](CDialog& d) {
                                 auto& r = static_cast<CSelectReturnTaskDlg&>(d);
                                 EXPECT_EQ(r.AuditorOfStep("校对"), "zhaoliu");
                                 EXPECT_EQ(r.AuditorOfStep("不在路径"), "");
                             })
                             .Select(R::kStepListId, "校对(zhaoliu)")
                             .Check(R::kSameLevelId, 0)
                             .Click(IDOK);
                     }),
              1);
    EXPECT_EQ(State(), "评审");
    EXPECT_EQ(Steps(), (Set{"校对=zhaoliu/未完成/不通过-返", "审核=lisi/已完成/通过",
                            "工艺审查=工艺组/已完成/不通过"}));
    EXPECT_EQ(ws.QueryText("SELECT PreAuditName || '/' || PreAuditor || '/' || LevelType || '/' || CurrentAudit || "
                           "'/' || CurrentAuditor FROM TeamWorkAuditChange WHERE FileID='F-1' AND TaskGroup='Task'"),
              "校对/zhaoliu/U/工艺审查/chenqi");
    EXPECT_EQ(ws.QueryText("SELECT State FROM TeamWorkGroupAudit WHERE AuditTask='工艺审查'"), "未完成");

    // 校对 passes again: level 2 is opened afresh, the failed step included.
    EXPECT_EQ(Review("zhaoliu", "校对", Pass()), 1);
    EXPECT_EQ(Steps(), (Set{"校对=zhaoliu/已完成/通过", "审核=lisi/未完成/", "工艺审查=工艺组/未完成/"}));

    // Cancelling the question stores nothing and keeps the dialog open.
    Review("lisi", "审核", Pass());
    EXPECT_EQ(Review("chenqi", "工艺审查",
                     [](vq::ScriptedUser& u) {
                         u.Dialog("评审意见")
                             .Check(D::kFailId, 1)
                             .Click(IDOK)
                             .Message("是否指定返回的再提交评审任务?", IDCANCEL)
                             .Dialog("评审意见")
                             .Click(IDOK)
                             .Message("是否指定返回的再提交评审任务?", IDNO);
                     }),
              1);
    EXPECT_EQ(State(), "更改");
    EXPECT_EQ(Steps().count("工艺审查=工艺组/已完成/不通过"), 1u);
}

TEST_P(AuditOpinionDlgTest, ReturningToAWholeLevelReopensEveryStepBelowTheFailingLevel) {
    Submit();
    Review("zhaoliu", "校对", Pass());
    Review("lisi", "审核", Pass());
    Review("chenqi", "工艺审查", Pass());
    EXPECT_EQ(Review("wangwu", "批准",
                     [](vq::ScriptedUser& u) {
                         u.Dialog("评审意见")
                             .Check(D::kFailId, 1)
                             .Click(IDOK)
                             .Message("是否指定返回的再提交评审任务?", IDYES)
                             .Dialog("选择评审返回的任务")
                             .Do([](CDialog& d) {
                                 // The candidates are the steps of the lower levels, with their auditors.
                                 auto& list = *static_cast<CListBox*>(d.GetDlgItem(R::kStepListId));
                                 EXPECT_EQ(list.GetCount(), 3);
                             })
                             .Select(R::kStepListId, "校对(zhaoliu)")
                             .Check(R::kSameLevelId, 1)
                             .Click(IDOK);
                     }),
              1);
    EXPECT_EQ(Steps(), (Set{"校对=zhaoliu/未完成/不通过-返", "审核=lisi/未完成/不通过-返",
                            "工艺审查=工艺组/未完成/不通过-返", "批准=wangwu/已完成/不通过"}));
    EXPECT_EQ(State(), "评审");
    EXPECT_EQ(ws.QueryText("SELECT LevelType FROM TeamWorkAuditChange"), "S");
}

TEST_P(AuditOpinionDlgTest, NoReturnQuestionWithoutTheMarkInTheWorkId) {
    ws.Execute("UPDATE TeamWorkManage SET WorkID='XM-01#001'");
    ws.Execute("UPDATE TeamWorkResult SET WorkID='XM-01#001'");
    Submit();
    Review("zhaoliu", "校对", Pass());
    EXPECT_EQ(Review("lisi", "审核", Fail()), 1);
    EXPECT_EQ(State(), "更改");
}

TEST_P(AuditOpinionDlgTest, TheSuggestionToReassignSendsTheDocumentBackToItsSuperior) {
    ws.WriteSetting("设计过程管理配置", "工作任务评审流程由上级指派", "1");
    Submit();
    EXPECT_EQ(Review("zhaoliu", "校对",
                     [](vq::ScriptedUser& u) {
                         u.Dialog("评审意见")
                             .Do([](CDialog& d) {
                                 // Offered, but only while fail is chosen.
                                 EXPECT_TRUE(d.GetDlgItem(D::kReassignId)->GetStyle() & WS_VISIBLE);
                                 EXPECT_FALSE(d.GetDlgItem(D::kReassignId)->IsWindowEnabled());
                             })
                             .Check(D::kFailId, 1)
                             .Do([](CDialog& d) { EXPECT_TRUE(d.GetDlgItem(D::kReassignId)->IsWindowEnabled()); })
                             .Check(D::kReassignId, 1)
                             .Click(IDOK);
                     }),
              1);
    EXPECT_EQ(State(), "待评审");
}

TEST_P(AuditOpinionDlgTest, ABatchDecidesEachDocumentOnItsOwnPathAndSendsOneNoticePerRecipient) {
    ws.Execute("UPDATE AuditingManage SET AuditingPath='设计会签(40,20)' WHERE AuditingModel='会签'");
    AddDocument("F-2", "箱座零件图", "b.dwg", "会签", "lisi");
    AddDocument("F-3", "箱座技术要求", "c.doc", "会签", "lisi");
    AddDocument("F-4", "端盖零件图", "d.dwg", "会签", "lisi");
    for (const char* id : {"F-2", "F-3", "F-4"})
        Submit(id);
    // F-4's step is not on its path: it is skipped, the others are decided.
    ws.Execute("UPDATE TeamWorkAudit SET AuditTask='旧步骤' WHERE FileID='F-4'");
    theApp.m_strLoginUser = "lisi";
    CStringArray files, steps;
    for (const char* id : {"F-2", "F-3", "F-4"}) {
        files.Add(id);
        steps.Add(CString(id) == "F-4" ? "旧步骤" : "设计会签");
    }
    vq::ScriptedUser user;
    user.Dialog("评审意见")
        .Set(D::kOpinionId, "批量同意")
        .Check(D::kPassId, 1)
        .Click(IDOK)
        .Message("该评审任务不存在，为无效路径!", IDOK);
    CAuditOpinionDlg dlg(nullptr);
    dlg.m_bMultiDoc = 1;
    dlg.m_arrFileIDs.Copy(files);
    dlg.m_arrAuditTasks.Copy(steps);
    dlg.m_strFileID = "F-2";
    dlg.m_strAuditTask = "设计会签";
    dlg.m_strWorkID = "XM-01[M]#001";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error();
    EXPECT_EQ(dlg.m_bSaved, 1);
    EXPECT_EQ(State("F-2"), "正式");
    EXPECT_EQ(State("F-3"), "正式");
    EXPECT_EQ(State("F-4"), "评审");
    EXPECT_EQ(Steps("F-4"), (Set{"旧步骤=lisi/未完成/"}));
    // One notice for the work, not one per document.
    EXPECT_EQ(NoticesTo("zhangsan"),
              (Set{"恭喜您，您提交的工作任务 箱体部件设计 [XM-01[M]#001] 的部分文档在 设计会签 评审通过"}));
}

// Also when another client writes the step's opinion after the window read it: the opinion the
// step holds as the decision is written is the one joined to.
TEST_P(AuditOpinionDlgTest, ABatchJoinsTheNewOpinionToWhatTheStepAlreadyHolds) {
    struct Case {
        const char* id;
        const char* part;
        const char* file;
        const char* writtenMeanwhile; // the opinion another client stores before the decision
        const char* joined;
    };
    const Case cases[] = {{"F-2", "箱座零件图", "b.dwg", nullptr, "先看过 ;  \n 集中评审意见:同意"},
                          {"F-3", "箱盖零件图", "c.dwg", "又看过", "又看过 ;  \n 集中评审意见:同意"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const CString id = c.id;
        AddDocument(id, c.part, c.file, "会签", "lisi");
        Submit(id);
        ws.Execute("UPDATE TeamWorkAudit SET Prompt='先看过' WHERE FileID='" + id + "'");
        theApp.m_strLoginUser = "lisi";
        vq::ScriptedUser user;
        user.Dialog("评审意见").Set(D::kOpinionId, "同意").Check(D::kPassId, 1).Click(IDOK);
        CAuditOpinionDlg dlg(nullptr);
        dlg.m_bMultiDoc = 1;
        dlg.m_arrFileIDs.Add(id);
        dlg.m_arrAuditTasks.Add("设计会签");
        dlg.m_strFileID = id;
        dlg.m_strAuditTask = "设计会签";
        dlg.m_strWorkID = "XM-01[M]#001";
        if (c.writtenMeanwhile)
            CAuditFlowEngine::s_beforeNextDecision = [this, &c, id] {
                ws.Execute(CString("UPDATE TeamWorkAudit SET Prompt='") + c.writtenMeanwhile +
                           "' WHERE FileID='" + id + "'");
            };
        dlg.DoModal();
        CAuditFlowEngine::s_beforeNextDecision = nullptr;
        EXPECT_TRUE(user.Succeeded()) << user.Error();
        EXPECT_EQ(ws.QueryText("SELECT Prompt FROM TeamWorkAudit WHERE FileID='" + id + "'"), c.joined);
    }
}

// A decision that the path or the document's state refuses is said once; OK then stays disabled
// and nothing is stored.
TEST_P(AuditOpinionDlgTest, ARefusedDecisionDisablesOkAndStoresNothing) {
    Submit();
    const auto refused = [](const char* message) {
        return [message](vq::ScriptedUser& u) {
            u.Dialog("评审意见")
                .Check(D::kPassId, 1)
                .Click(IDOK)
                .Message(message, IDOK)
                .Do([](CDialog& d) {
                    EXPECT_FALSE(d.HasEnded());
                    EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled());
                })
                .Click(IDCANCEL);
        };
    };
    ws.Execute("UPDATE TeamWorkAudit SET AuditTask='旧步骤' WHERE FileID='F-1'");
    EXPECT_EQ(Review("zhaoliu", "旧步骤", refused("该评审任务不存在，为无效路径!")), 0);
    EXPECT_EQ(Steps(), (Set{"旧步骤=zhaoliu/未完成/"}));
    ws.Execute("UPDATE TeamWorkAudit SET AuditTask='校对' WHERE FileID='F-1'");
    ws.Execute("UPDATE TeamWorkResult SET AuditorName='zhaoliu|*|lisi' WHERE FileID='F-1'");
    EXPECT_EQ(Review("zhaoliu", "校对", refused("无评审路径或缺负责人，为无效路径!")), 0);
    ws.Execute("UPDATE TeamWorkResult SET AuditorName='zhaoliu|*|lisi|*|工艺组|*|wangwu', State='更改' "
               "WHERE FileID='F-1'");
    EXPECT_EQ(Review("zhaoliu", "校对", refused("该工作文档不在评审中，不能保存评审结果...")), 0);
    EXPECT_EQ(Steps(), (Set{"校对=zhaoliu/未完成/"}));
    EXPECT_EQ(State(), "更改");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TaskLogInformation"), "0");
}

// The database takes no writes when the reviewer confirms: read-only (a session or database that
// is, as a read-only file is to SQLite) and, on SQLite, a full disk. One box names the cause and
// says that nothing was stored, without a statement in it; nothing of the decision is stored, and
// the window stays open to try again.
TEST_P(AuditOpinionDlgTest, ADecisionTheDatabaseCannotWriteIsSaidInOneBoxAndStoresNothing) {
    Submit();
    const Set before = Steps();
    const CString notices = ws.QueryText("SELECT count(*) FROM MessageManage");
    struct Fault {
        const char* name;
        DbFailure cause;
    };
    std::vector<Fault> faults{{"read-only", DbFailure::ReadOnly}};
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        faults.push_back({"full disk", DbFailure::DiskError}); // the process may write no more
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.name);
        std::optional<vqtest::FileSizeLimit> fullDisk;
        const bool readOnly = fault.cause == DbFailure::ReadOnly;
        // Sessions opened from now on are read-only; this one takes it back.
        _ConnectionPtr admin = ws.Connect();
        if (readOnly && vqtest::DbWorkspace::OnPostgreSQL()) {
            admin->Execute(
                "DO $$ BEGIN EXECUTE format('ALTER DATABASE %I SET default_transaction_read_only = on', "
                "current_database()); END $$");
            theApp.m_pConnPDM = ws.Connect();
        } else if (readOnly) {
            theApp.m_pConnPDM->Execute("PRAGMA query_only=1");
        }
        CString said;
        theApp.m_strLoginUser = "zhaoliu";
        vq::ScriptedUser user;
        user.Dialog("评审意见")
            .Set(D::kOpinionId, "同意")
            .Check(D::kPassId, 1)
            .Do([&](CDialog&) {
                if (!readOnly)
                    fullDisk.emplace(16);
            })
            .Click(IDOK)
            .MessageContaining(DbFailureText(fault.cause), IDOK)
            .Do([&](CDialog& d) {
                fullDisk.reset();
                EXPECT_FALSE(d.HasEnded());
                EXPECT_TRUE(d.GetDlgItem(IDOK)->IsWindowEnabled());
            })
            .Click(IDCANCEL)
            .Message("批注结果未保存，是否真的要退出?", IDYES);
        CAuditOpinionDlg dlg(nullptr);
        dlg.m_strFileID = "F-1";
        dlg.m_strAuditTask = "校对";
        dlg.DoModal();
        fullDisk.reset();
        EXPECT_TRUE(user.Succeeded()) << user.Error();
        for (const CString& line : user.Log()) {
            if (line.Find("message") != 0 || line.Find(DbFailureText(fault.cause)) < 0)
                continue;
            EXPECT_GE(line.Find(kNothingStoredText), 0) << line;
            // The driver's words may name the kind of statement; no statement is quoted.
            for (const char* sql : {"SELECT ", "INSERT INTO", " WHERE ", "TeamWork"})
                EXPECT_LT(line.Find(sql), 0) << line;
        }
        if (readOnly && vqtest::DbWorkspace::OnPostgreSQL())
            admin->Execute(
                "DO $$ BEGIN EXECUTE format('ALTER DATABASE %I RESET default_transaction_read_only', "
                "current_database()); END $$");
        theApp.m_pConnPDM = ws.Connect();
        EXPECT_EQ(Steps(), before);
        EXPECT_EQ(State(), "评审");
        EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TaskLogInformation"), "0");
        EXPECT_EQ(ws.QueryText("SELECT count(*) FROM MessageManage"), notices);
    }
}

// A batch in which no document has an open step for the reviewer cannot be confirmed: OK would
// close the dialog with nothing stored.
TEST_P(AuditOpinionDlgTest, ABatchWithoutAnOpenStepKeepsOkDisabled) {
    AddDocument("F-2", "箱座零件图", "b.dwg", "会签", "lisi");
    AddDocument("F-3", "端盖零件图", "d.dwg", "会签", "lisi");
    Submit("F-2");
    Submit("F-3");
    ws.Execute("UPDATE TeamWorkAudit SET State='已完成', Result='通过' WHERE FileID='F-3'");
    theApp.m_strLoginUser = "lisi";
    const auto run = [](const std::vector<const char*>& files, const char* step, bool okEnabled) {
        vq::ScriptedUser user;
        user.Dialog("评审意见")
            .Do([okEnabled](CDialog& d) { EXPECT_EQ(d.GetDlgItem(IDOK)->IsWindowEnabled() != 0, okEnabled); })
            .Click(IDCANCEL);
        CAuditOpinionDlg dlg(nullptr);
        dlg.m_bMultiDoc = 1;
        for (const char* id : files) {
            dlg.m_arrFileIDs.Add(id);
            dlg.m_arrAuditTasks.Add(step);
        }
        dlg.m_strFileID = files.front();
        dlg.m_strAuditTask = step;
        dlg.m_strWorkID = "XM-01[M]#001";
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << user.Error();
        EXPECT_EQ(dlg.m_bSaved, 0);
    };
    run({"F-2", "F-3"}, "其他步骤", false); // no step row at all
    run({"F-3"}, "设计会签", false);        // only a finished step
    run({"F-3", "F-2"}, "设计会签", true);  // one step still open
    EXPECT_EQ(Steps("F-2"), (Set{"设计会签=lisi/未完成/"}));
}

// "协助评审..." of a batch gives the auditors picked for the first document to the others too. A
// document whose step another client decided, or which was released, while the person was asked
// and picked gets no task and no notice, and one box names it; the other documents get theirs.
TEST_P(AuditOpinionDlgTest, ABatchAssignmentSkipsAStepDecidedOrADocumentReleasedMeanwhile) {
    ws.Execute(
        "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('协审', '并联', "
        "'会审[N](40,20)')");
    struct Case {
        const char* name;
        const char* meanwhile;
        const char* refusal;
    };
    const Case cases[] = {
        {"step decided", "UPDATE TeamWorkAudit SET State='已完成', Result='通过' WHERE FileID='F-3'",
         "工作文档：F-3 的评审任务：会审[N] 已评审完成\n本次没有增加协助评审任务。"},
        {"document released",
         "UPDATE TeamWorkAudit SET State='已完成', Result='通过' WHERE FileID='F-3'; UPDATE TeamWorkResult "
         "SET "
         "State='正式' WHERE FileID='F-3'",
         "工作文档：F-3 已不在评审中\n本次没有增加协助评审任务。"},
    };
    constexpr const char* kQuestion = "这将同时对所选中的3个文档进行协助评审指派, 是否继续?";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ws.Execute(
            "DELETE FROM TeamWorkResult; DELETE FROM TeamWorkAudit; DELETE FROM TeamWorkNextAudit; DELETE "
            "FROM MessageManage");
        for (const char* id : {"F-2", "F-3", "F-4"}) {
            CString sql;
            sql.Format(
                "INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, State, AuditingModel, "
                "AuditorName) VALUES ('%s', 'XM-01[M]#001', '箱座零件图', 'b.dwg', '评审', '协审', "
                "'zhangsan'); INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, State) VALUES ('%s', "
                "'会审[N]', 'zhangsan', '未完成')",
                id, id);
            ws.Execute(sql);
        }
        theApp.m_strLoginUser = "zhangsan";
        vq::ScriptedUser user;
        user.Message("编号为:F-2文档的评审任务:会审[N]需要分配下级协助评审任务...", IDOK)
            .Dialog("评审意见")
            .Click(D::kAssistAuditId)
            .Message(kQuestion, IDYES)
            .Dialog("设计过程—协助评审任务管理")
            .Click(CAssistAuditDlg::kAddId)
            .Dialog("用户浏览 - 选择组(多用户)")
            .Select(1059, "lisi")
            .Click(IDOK)
            .Dialog("设计过程—协助评审任务管理")
            .Click(IDCANCEL)
            .Message(c.refusal, IDOK)
            .Dialog("评审意见")
            .Click(IDCANCEL);
        vqtest::MessageBoxRecorder boxes;
        boxes.WhenShown(kQuestion, [&] { ws.Execute(c.meanwhile); });
        CAuditOpinionDlg dlg(nullptr);
        dlg.m_bMultiDoc = 1;
        for (const char* id : {"F-2", "F-3", "F-4"}) {
            dlg.m_arrFileIDs.Add(id);
            dlg.m_arrAuditTasks.Add("会审[N]");
        }
        dlg.m_strFileID = "F-2";
        dlg.m_strAuditTask = "会审[N]";
        dlg.m_strWorkID = "XM-01[M]#001";
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << user.Error();
        EXPECT_EQ(
            Column(
                "SELECT FileID || ':' || AuditTask || '=' || Auditor || '/' || State FROM TeamWorkNextAudit"),
            (Set{"F-2:会审[1]=lisi/未完成", "F-4:会审[1]=lisi/未完成"}));
        EXPECT_EQ(NoticesTo("lisi"), (Set{"辛苦了， 需要您对工作组任务 F-2 进行 会审[N] 的协助评审",
                                          "辛苦了， 需要您对工作组任务 F-4 进行 会审[N] 的协助评审"}));
        EXPECT_EQ(ws.QueryText("SELECT count(*) FROM MessageManage"), "2");
    }
}

TEST_P(AuditOpinionDlgTest, AnEmptyBatchClosesWithoutStoringAnything) {
    vq::ScriptedUser user;
    user.Dialog("评审意见").Click(IDOK);
    CAuditOpinionDlg dlg(nullptr);
    dlg.m_bMultiDoc = 1;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error();
    EXPECT_EQ(dlg.m_bSaved, 0);
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM MessageManage"), "0");
}

TEST_P(AuditOpinionDlgTest, ReportAndWordFilesAreRecognisedByOneExtensionTest) {
    EXPECT_EQ(D::IsReportFile("清单.TBL"), 1);
    EXPECT_EQ(D::IsReportFile("清单.tbl"), 1);
    EXPECT_EQ(D::IsReportFile("a.tbl.dwg"), 0);
    EXPECT_EQ(D::IsWordFile("说明.doc"), 1);
    EXPECT_EQ(D::IsWordFile("说明.DOCX"), 0);
    EXPECT_EQ(D::IsWordFile("a.DOC.txt"), 0);
}

namespace {
class SilentUtility : public vq::ProcessPlanningUtility {
public:
    short SetPdmConnection(_ConnectionPtr) override { return 1; }
    short SetCappConnection(_ConnectionPtr) override { return 1; }
    short SetFileState(const CString&, short) override { return 1; }
    short UpdateFileContent(const CString&, const CString&) override { return 1; }
};
} // namespace

TEST_P(AuditOpinionDlgTest, ADocumentWithAProcessPlanningCopyThatCannotBeFetchedIsNotDecided) {
    Submit();
    ws.WriteSetting("VQCAPP配置", "有无VQCAPP", "1");
    ws.Execute("INSERT INTO CAPPFileIDMap (PFileID, CFileID) VALUES ('F-1', 'C-77')");
    theApp.m_pConnCAPP = ws.Connect();
    const vq::OutsideObjectFactory old = vq::RegisterOutsideObject(
        vq::kProcessPlanningUtility, [] { return std::unique_ptr<vq::OutsideObject>(new SilentUtility); });
    // The document has no stored content: the decision is not stored.
    EXPECT_EQ(Review("zhaoliu", "校对",
                     [](vq::ScriptedUser& u) {
                         u.Dialog("评审意见")
                             .Check(D::kPassId, 1)
                             .Click(IDOK)
                             .Message("下载文件失败!", IDOK)
                             .Dialog("评审意见")
                             .Click(IDCANCEL);
                     }),
              0);
    vq::RegisterOutsideObject(vq::kProcessPlanningUtility, old);
    theApp.m_pConnCAPP = nullptr;
    EXPECT_EQ(Steps(), (Set{"校对=zhaoliu/未完成/"}));
}

INSTANTIATE_TEST_SUITE_P(Dialects, AuditOpinionDlgTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);
