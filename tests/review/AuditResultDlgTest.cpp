// The review results dialogs in both dialects: the steps and history of a reviewed document with
// their result faces and opinions, the change of a step's responsible person by the document's
// superior (and its refusals), the rule that chooses the dialog, and the drawing of a design
// document shown with the redline markup its reviewer stored.
#include "controls/RedlineViewDlg.h"
#include "core/EntryFrame.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/File.h"
#include "platform/maker/FileStore.h"
#include "platform/ui/DC.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/View.h"
#include "platform/ui/qt/QtDialogView.h"
#include "review/AssistAuditDlg.h"
#include "review/AuditResultChooser.h"
#include "review/DesignDocAuditResultDlg.h"
#include "review/DesignMarkupStore.h"
#include "review/WorkDocAuditResultDlg.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>

extern "C" int ShowTeamTaskAuditResult(CString fileId, CString login, int unused);

namespace {

using W = CWorkDocAuditResultDlg;
using G = CDesignDocAuditResultDlg;

// A drawing: a white sheet with a blue part outline.
CString WriteDrawing(vqtest::Workspace& ws, const CString& name) {
    CBitmap picture;
    picture.CreateBitmap(400, 300);
    CDC dc(picture);
    dc.FillSolidRect(0, 0, 400, 300, RGB(255, 255, 255));
    CPen blue(PS_SOLID, 3, RGB(0, 0, 255));
    CPen* old = dc.SelectObject(&blue);
    dc.SelectStockObject(NULL_BRUSH);
    dc.Rectangle(80, 60, 320, 240);
    dc.SelectObject(old);
    const CString path = ws.TempDir() + "/in-" + name;
    EXPECT_TRUE(picture.SavePng(path));
    return path;
}

struct Colours {
    int red = 0;
    int blue = 0;
};

Colours CountColours(const CBitmap& picture) {
    Colours c;
    for (int y = 0; y < picture.Height(); y += 2)
        for (int x = 0; x < picture.Width(); x += 2) {
            const COLORREF p = picture.GetPixel(x, y);
            c.red += p == RGB(255, 0, 0);
            c.blue += p == RGB(0, 0, 255);
        }
    return c;
}

void SaveShot(const CBitmap& picture, const CString& name) {
    const char* dir = std::getenv("VQ_SCREENSHOT_DIR");
    if (dir && *dir)
        picture.SavePng(CString(dir) + "/" + name);
}

class AuditResultTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.Execute(
            "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三'), ('lisi', '李四'), "
            "('wangwu', '王五'), ('zhaoliu', '赵六');"
            "INSERT INTO GroupInformation (GroupName) VALUES ('审核组'), ('标准化组');"
            "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectManager) VALUES ('XM-01', '减速器', "
            "'zhaoliu');"
            "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName) VALUES ('XM-01', 'XM-01', "
            "'XM-01#001', 'lisi', '箱体设计');"
            "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('三级评审', '', "
            "'校对(40,10)|*|审核[M](40,60)|*|批准[N](40,110)'), ('两级评审', '', '校对(40,10)|*|审核(40,60)'), "
            "('空流程', '', '');"
            "INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, FileSize, State, AuditingModel, "
            "AuditorName, AuditingType) VALUES ('F-1', 'XM-01#001', '箱座说明', 'gear.txt', '1KB', '评审', "
            "'三级评审', 'wangwu|*|审核组|*|zhaoliu', '混合'), ('F-2', 'XM-01#001', '箱座图', 'bracket.DWG', "
            "'1KB', '评审', '三级评审', 'wangwu|*|审核组|*|zhaoliu', '混合');"
            "INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, BeginDate, FinishDate, State, Result, Prompt, "
            "Manager, Working) VALUES "
            "('F-1', '校对', 'wangwu', '2026-12-01 09:00', '2026-12-01 10:00', '已完成', '通过', '图面清楚', '', "
            "'F'),"
            "('F-1', '审核', '审核组', '2026-12-01 10:00', '', '未完成', '', '', 'zhaoliu', 'F'),"
            "('F-1', '批准[N]', 'ghost', '2026-12-01 10:00', '', '未完成', '不通过-返', '', '', 'F'),"
            "('F-2', '校对', 'wangwu', '2026-12-01 09:00', '2026-12-01 10:00', '已完成', '通过', '孔位偏移', '', "
            "'F'),"
            "('F-2', '审核', '审核组', '2026-12-01 10:00', '', '未完成', '', '', 'zhaoliu', 'F');"
            "INSERT INTO TaskLogInformation (ProjectNo, TaskName, UserName, Other1, SavedTime, Result, Advise) "
            "VALUES ('F-1', '校对', 'wangwu', '2026-12-01 09:00', '2026-12-01 10:00', '通过', '图面清楚'),"
            "('F-1', '审核', 'zhaoliu', '2026-11-30 08:00', '2026-11-30 09:00', '不通过', '尺寸缺'),"
            "('F-2', '校对', 'wangwu', '2026-12-01 09:00', '2026-12-01 10:00', '通过', '孔位偏移');");
        ASSERT_TRUE(frame.IsOpen());
        theApp.m_nDatabaseType = GetParam();
    }
    void TearDown() override { theApp.m_nDatabaseType = 0; }
    CString AuditorOf(const char* fileId, const char* task) const {
        return ws.QueryText(CString("SELECT Auditor FROM TeamWorkAudit WHERE FileID='") + fileId +
                            "' AND AuditTask='" + task + "'");
    }
    CString AuditorList(const char* fileId) const {
        return ws.QueryText(CString("SELECT AuditorName FROM TeamWorkResult WHERE FileID='") + fileId + "'");
    }
    // Opens the work-document results of F-1 and runs the checks while it is open.
    void OpenWorkResults(std::function<void(W&)> check) {
        W dlg;
        dlg.FileID = "F-1";
        vq::ScriptedUser user;
        user.Dialog("工作文档评审结果").Do([&](CDialog& d) { check(static_cast<W&>(d)); }).Click(IDCANCEL);
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << user.Error();
    }

    vqtest::DbWorkspace ws{GetParam()};
    CEntryFrame frame{"lisi"};
};

} // namespace

TEST_P(AuditResultTest, StepsAndHistoryShowResultFacesNamesAndOpinions) {
    W dlg;
    dlg.FileID = "F-1";
    vq::ScriptedUser user;
    user.Dialog("工作文档评审结果")
        .Do([](CDialog& d) {
            auto& w = static_cast<W&>(d);
            ASSERT_EQ(w.StepList.GetItemCount(), 3);
            for (int row = 0; row < 3; ++row) {
                const CString step = w.StepList.GetItemText(row, 0);
                if (step == "校对") {
                    EXPECT_EQ(w.StepList.GetItemText(row, 1), "wangwu{王五}");
                    EXPECT_EQ(w.StepList.GetItemImage(row), 2);
                } else if (step == "审核") {
                    EXPECT_EQ(w.StepList.GetItemText(row, 1), "审核组{赵六}") << "a group shows its manager";
                    EXPECT_EQ(w.StepList.GetItemImage(row), 0);
                } else {
                    EXPECT_EQ(w.StepList.GetItemText(row, 1), "ghost{ghost}");
                    EXPECT_EQ(w.StepList.GetItemImage(row), 0) << "a returned step is neither face";
                }
            }
            ASSERT_EQ(w.HistoryList.GetItemCount(), 2);
            EXPECT_EQ(w.HistoryList.GetItemText(0, 0), "审核") << "history in the order of its time";
            EXPECT_EQ(w.HistoryList.GetItemImage(0), 1);
            EXPECT_EQ(w.HistoryList.GetItemText(0, 2), "2026-11-30 08:00");
            EXPECT_EQ(w.HistoryList.GetItemImage(1), 2);
            EXPECT_EQ(w.GetDlgItem(W::kStepOpinionId)->GetWindowTextValue(), w.StepOpinions[0]);
            EXPECT_EQ(w.IsSuperior, 1);
        })
        .Select(W::kStepListId, "批准[N]")
        .Do([](CDialog& d) {
            EXPECT_TRUE(d.GetDlgItem(W::kAssistAuditId)->IsWindowVisible());
            EXPECT_TRUE(d.GetDlgItem(W::kChangeAuditorId)->IsWindowEnabled());
        })
        .Click(W::kAssistAuditId)
        .Dialog("设计过程—协助评审任务管理")
        .Do([](CDialog& d) {
            const auto& a = static_cast<CAssistAuditDlg&>(d);
            EXPECT_EQ(a.UpAuditName, "批准[N]");
            EXPECT_EQ(a.ReadOnly, 1);
        })
        .Click(IDCANCEL)
        .Select(W::kStepListId, "校对")
        .Do([](CDialog& d) {
            EXPECT_EQ(d.GetDlgItem(W::kStepOpinionId)->GetWindowTextValue(), "图面清楚");
            EXPECT_FALSE(d.GetDlgItem(W::kAssistAuditId)->IsWindowVisible());
            EXPECT_FALSE(d.GetDlgItem(W::kChangeAuditorId)->IsWindowEnabled()) << "a finished step";
        })
        .Select(W::kHistoryListId, 0)
        .Do([](CDialog& d) { EXPECT_EQ(d.GetDlgItem(W::kHistoryOpinionId)->GetWindowTextValue(), "尺寸缺"); })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error();
}

TEST_P(AuditResultTest, TheSuperiorHandsAnOpenStepToAnother) {
    W dlg;
    dlg.FileID = "F-1";
    vq::ScriptedUser user;
    user.Dialog("工作文档评审结果")
        .Select(W::kStepListId, "审核")
        .Click(W::kChangeAuditorId)
        .Dialog("评审负责人")
        .Click(IDOK) // the same group again
        .Message("两个评审任务负责人相同，不能继续...", IDOK)
        .Click(W::kChangeAuditorId)
        .Dialog("评审负责人")
        .Set(1147, "标准化组")
        .Click(IDOK)
        .Do([](CDialog& d) {
            auto& w = static_cast<W&>(d);
            EXPECT_EQ(w.StepList.GetItemText(w.SelectedStep, 1), "标准化组");
        })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error();
    EXPECT_EQ(AuditorList("F-1"), "wangwu|*|标准化组|*|zhaoliu");
    EXPECT_EQ(AuditorOf("F-1", "审核"), "标准化组");
    EXPECT_EQ(AuditorOf("F-2", "审核"), "审核组") << "another document's step stays";

    // A step held by a review dialog cannot be handed over.
    ws.Execute("UPDATE TeamWorkAudit SET Working='t' WHERE FileID='F-1' AND AuditTask='批准[N]'");
    W held;
    held.FileID = "F-1";
    user.Dialog("工作文档评审结果")
        .Select(W::kStepListId, "批准[N]")
        .Click(W::kChangeAuditorId)
        .Message("该评审任务正在进行更改评审，不能更换负责人...", IDOK)
        .Click(IDCANCEL);
    held.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error();
    EXPECT_EQ(AuditorOf("F-1", "批准[N]"), "ghost");
}

TEST_P(AuditResultTest, OnlyTheSuperiorOfADocumentInReviewMayChange) {
    const auto openStepEnabled = [](W& w) {
        for (int row = 0; row < w.StepList.GetItemCount(); ++row)
            if (w.StepList.GetItemText(row, 0) == "审核")
                w.StepList.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
        return w.GetDlgItem(W::kChangeAuditorId)->IsWindowEnabled() != FALSE;
    };
    theApp.m_strLoginUser = "zhangsan";
    OpenWorkResults([&](W& w) {
        EXPECT_EQ(w.IsSuperior, 0);
        EXPECT_FALSE(openStepEnabled(w));
    });
    // With the flow assigned by the project's manager, the work task's manager is no superior.
    ws.WriteSetting("设计过程管理配置", "工作任务评审流程由上级指派", "1");
    theApp.m_strLoginUser = "lisi";
    OpenWorkResults([&](W& w) { EXPECT_FALSE(openStepEnabled(w)); });
    theApp.m_strLoginUser = "ZHAOLIU";
    OpenWorkResults([&](W& w) { EXPECT_TRUE(openStepEnabled(w)); });
    // A released document keeps its steps.
    ws.Execute("UPDATE TeamWorkResult SET State='正式' WHERE FileID='F-1'");
    OpenWorkResults([&](W& w) { EXPECT_FALSE(openStepEnabled(w)); });
    ws.Execute("UPDATE TeamWorkResult SET State='评审' WHERE FileID='F-1'");
    ws.WriteSetting("设计过程管理配置", "允许设计者更换评审负责人", "0");
    OpenWorkResults([&](W& w) {
        EXPECT_EQ(w.IsSuperior, 1);
        EXPECT_FALSE(w.GetDlgItem(W::kChangeAuditorId)->IsWindowVisible());
    });
}

TEST_P(AuditResultTest, AChangeKeepsAuditorsBeyondThePathAndNeedsAPath) {
    const auto useTemplate = [this](const char* model) {
        ws.Execute(CString("UPDATE TeamWorkResult SET AuditingModel='") + model + "' WHERE FileID='F-1'");
    };
    vqtest::MessageBoxRecorder boxes;
    W dlg;
    dlg.FileID = "F-1";
    // A path of two steps with three auditors: the third is kept as it was.
    useTemplate("两级评审");
    EXPECT_EQ(dlg.ChangeAuditor("审核", "审核组", "lisi"), 1);
    EXPECT_EQ(AuditorList("F-1"), "wangwu|*|lisi|*|zhaoliu");
    EXPECT_EQ(AuditorOf("F-1", "审核"), "lisi");
    // Mixed-step marks and letter case of the path do not hide the step.
    useTemplate("三级评审");
    EXPECT_EQ(dlg.ChangeAuditor("审核", "LISI", "审核组"), 1);
    EXPECT_EQ(AuditorList("F-1"), "wangwu|*|审核组|*|zhaoliu");
    EXPECT_TRUE(boxes.Shown().empty());
    // Without a path nothing can be matched: refused, the stored list stays whole.
    for (const char* model : {"空流程", "没有的流程"}) {
        useTemplate(model);
        boxes.Expect("没有评审路径");
        EXPECT_EQ(dlg.ChangeAuditor("审核", "审核组", "lisi"), 0) << model;
    }
    EXPECT_EQ(AuditorList("F-1"), "wangwu|*|审核组|*|zhaoliu");
    EXPECT_EQ(AuditorOf("F-1", "审核"), "审核组");
    // Quotes in names reach the database as text.
    useTemplate("两级评审");
    EXPECT_EQ(dlg.ChangeAuditor("审核", "审核组", "o'neil"), 1);
    EXPECT_EQ(AuditorOf("F-1", "审核"), "o'neil");
}

// The hand-over is judged on the stored rows when the new responsible person has been chosen:
// what another client did while the choice was open refuses it with one box, and the hand-over of
// another step meanwhile is kept beside it.
TEST_P(AuditResultTest, AHandOverIsJudgedOnWhatIsStoredWhenItIsMade) {
    struct Change {
        const char* what;
        const char* write;
        const char* refusal; // nullptr: the hand-over is made
    };
    const Change changes[] = {
        {"the step decided",
         "UPDATE TeamWorkAudit SET State='已完成', Result='通过' WHERE FileID='F-1' AND AuditTask='审核'",
         "该评审任务已完成，不能更换负责人..."},
        {"the document released", "UPDATE TeamWorkResult SET State='正式' WHERE FileID='F-1'",
         "该工作文档已不在评审中，不能更换负责人..."},
        {"the step handed over by another",
         "UPDATE TeamWorkAudit SET Auditor='lisi' WHERE FileID='F-1' AND AuditTask='审核';"
         "UPDATE TeamWorkResult SET AuditorName='wangwu|*|lisi|*|zhaoliu' WHERE FileID='F-1'",
         "该评审任务的负责人已被更换为lisi，不能再次更换..."},
        {"the step being worked on",
         "UPDATE TeamWorkAudit SET Working='T' WHERE FileID='F-1' AND AuditTask='审核'",
         "该评审任务正在进行更改评审，不能更换负责人..."},
        {"another step handed over",
         "UPDATE TeamWorkAudit SET Auditor='lisi' WHERE FileID='F-1' AND AuditTask='批准[N]';"
         "UPDATE TeamWorkResult SET AuditorName='wangwu|*|审核组|*|lisi' WHERE FileID='F-1'",
         nullptr}};
    const CString setUp =
        "UPDATE TeamWorkAudit SET State='未完成', Result='', Working='F', Auditor='审核组' WHERE "
        "FileID='F-1' AND AuditTask='审核';"
        "UPDATE TeamWorkResult SET State='评审', AuditorName='wangwu|*|审核组|*|zhaoliu' WHERE "
        "FileID='F-1'";
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        ws.Execute(setUp);
        W dlg;
        dlg.FileID = "F-1";
        vq::ScriptedUser user;
        user.Dialog("工作文档评审结果")
            .Select(W::kStepListId, "审核")
            .Click(W::kChangeAuditorId)
            .Dialog("评审负责人")
            .Do([&](CDialog&) { ws.Execute(change.write); })
            .Set(1147, "标准化组")
            .Click(IDOK);
        if (change.refusal)
            user.Message(change.refusal, IDOK);
        user.Dialog("工作文档评审结果").Click(IDCANCEL);
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << user.Error();
        if (change.refusal) {
            EXPECT_NE(AuditorOf("F-1", "审核"), "标准化组");
            EXPECT_EQ(AuditorList("F-1").Find("标准化组"), -1) << AuditorList("F-1").c_str();
        } else {
            EXPECT_EQ(AuditorOf("F-1", "审核"), "标准化组");
            EXPECT_EQ(AuditorList("F-1"), "wangwu|*|标准化组|*|lisi");
        }
    }
}

TEST_P(AuditResultTest, TheRuleChoosesTheDrawingResultsForDwgFiles) {
    EXPECT_TRUE(UseDesignDocAuditResult("bracket.DWG"));
    EXPECT_TRUE(UseDesignDocAuditResult("bracket.dwg"));
    EXPECT_FALSE(UseDesignDocAuditResult("bracket.dwg.txt"));
    EXPECT_FALSE(UseDesignDocAuditResult(""));
    ws.WriteSetting("设计过程管理", "红线批注工具", "1");
    EXPECT_TRUE(UseDesignDocAuditResult("bracket.dwg"));
    ws.WriteSetting("设计过程管理", "红线批注工具", "2");
    EXPECT_FALSE(UseDesignDocAuditResult("bracket.dwg"));
    ws.WriteSetting("设计过程管理", "红线批注工具", "0");

    vq::ScriptedUser user;
    user.Dialog("设计文档评审结果").Click(IDCANCEL);
    ShowAuditResultDialog("F-2");
    user.Dialog("工作文档评审结果").Click(IDCANCEL);
    ShowAuditResultDialog("F-1");
    user.Dialog("工作文档评审结果").Do([](CDialog& d) {
        EXPECT_EQ(static_cast<W&>(d).StepList.GetItemCount(), 0);
    }).Click(IDCANCEL);
    ShowAuditResultDialog("NO-SUCH");
    EXPECT_TRUE(user.Succeeded()) << user.Error();
}

TEST_P(AuditResultTest, TheEntryOpensTheChosenDialogInItsOwnFrame) {
    theApp.m_pConnPDM = nullptr; // the entry opens and lends its own connection
    vq::ScriptedUser user;
    user.Dialog("设计文档评审结果").Click(IDCANCEL);
    EXPECT_EQ(ShowTeamTaskAuditResult("F-2", "wangwu", 0), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error();
    EXPECT_EQ(theApp.m_strLoginUser, "wangwu");
}

// The design-document results: the drawing, and over it the markup its reviewer stored.
class DesignResultTest : public AuditResultTest {
protected:
    void SetUp() override {
        AuditResultTest::SetUp();
        ws.Execute("INSERT INTO TeamWorkResultPack (FileID, DocSaved) VALUES ('F-2', '')");
        CVQSaveFileToDB files;
        ASSERT_EQ(files.PushFileToDB("SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE FileID='F-2'",
                                     WriteDrawing(ws, "bracket.png"), "DocContent", "PDM"),
                  1);
        // The reviewer of "校对" marked the drawing (the markup file holds no drawing of its own).
        vq::MarkupDocument markup;
        markup.items.push_back({vq::MarkupKind::Rectangle, 60, 40, 200, 160, RGB(255, 0, 0), 3, ""});
        markup.items.push_back({vq::MarkupKind::Cloud, 220, 80, 340, 200, RGB(255, 0, 0), 3, ""});
        const CString path = ws.TempDir() + "/reviewer.rml";
        ASSERT_TRUE(vq::WriteMarkupFile(path, markup));
        CDesignMarkupStore store;
        store.m_strFileID = "F-2";
        store.m_strAuditTask = "校对";
        store.m_strAuditDate = "2026-12-01 09:00";
        store.m_strWorkID = "XM-01#001";
        store.m_strAuditor = "wangwu";
        store.m_strOpinion = "孔位偏移";
        ASSERT_EQ(store.SaveMarkup(path), 1);
    }
    static Colours Shown(CDialog& d) {
        CRedlineViewDlg* viewer = static_cast<G&>(d).GetViewerWindow();
        if (!viewer) {
            ADD_FAILURE() << "no viewer window";
            return {};
        }
        EXPECT_TRUE(viewer->IsWindowVisible());
        return CountColours(vq::RenderDialogInQt(*viewer));
    }
};

TEST_P(DesignResultTest, AStepsMarkupIsDrawnOverTheDrawing) {
    G dlg;
    dlg.FileID = "F-2";
    CString drawingPath;
    vq::ScriptedUser user;
    user.Dialog("设计文档评审结果")
        .Do([](CDialog& d) {
            auto& g = static_cast<G&>(d);
            EXPECT_EQ(g.StepList.GetItemText(0, 2), "2026-12-01 09:00") << "steps by begin date";
            EXPECT_EQ(g.GetDlgItem(G::kStateId)->GetWindowTextValue(), "评审");
            EXPECT_EQ(g.GetViewerWindow(), nullptr) << "nothing shown without a request";
        })
        .DoubleClick(G::kStepListId, 0)
        .Do([&](CDialog& d) {
            const Colours c = Shown(d);
            EXPECT_GT(c.red, 100) << "the reviewer's markup";
            EXPECT_GT(c.blue, 50) << "the drawing below it";
            auto& g = static_cast<G&>(d);
            EXPECT_EQ(g.HasMarkup, 1);
            drawingPath = g.ShownDrawingFile;
            EXPECT_NE(drawingPath.Find("TF-2_bracket.DWG"), -1) << drawingPath;
            SaveShot(vq::RenderDialogInQt(*g.GetViewerWindow()), "redline-view-of-step.png");
        })
        // The open step has no markup: the drawing alone.
        .Select(G::kStepListId, 1)
        .Click(G::kBrowseMarkupId)
        .Do([](CDialog& d) {
            const Colours c = Shown(d);
            EXPECT_EQ(c.red, 0);
            EXPECT_GT(c.blue, 50);
            EXPECT_EQ(static_cast<G&>(d).HasMarkup, 0);
        })
        // The history entry of the same step and start date brings its markup back.
        .Select(G::kHistoryListId, 0)
        .Do([](CDialog& d) { EXPECT_EQ(CountColours(vq::RenderDialogInQt(*static_cast<G&>(d).GetViewerWindow())).red, 0); })
        .DoubleClick(G::kHistoryListId, 0)
        .Do([](CDialog& d) { EXPECT_GT(Shown(d).red, 100); })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error();
    EXPECT_FALSE(drawingPath.IsEmpty());
    EXPECT_FALSE(PathFileExists(drawingPath)) << "downloaded files go with the dialog";
}

TEST_P(DesignResultTest, ClickBrowseShowsEachNewRowAndARestartedStepIsUnmarked) {
    // The step was started again after its markup: the new review has none.
    ws.Execute("UPDATE TeamWorkAudit SET BeginDate='2026-12-03 08:00' WHERE FileID='F-2' AND AuditTask='校对'");
    G dlg;
    dlg.FileID = "F-2";
    vq::ScriptedUser user;
    user.Dialog("设计文档评审结果")
        .Select(G::kStepListId, "审核")
        .Do([](CDialog& d) { EXPECT_EQ(static_cast<G&>(d).GetViewerWindow(), nullptr); })
        .Check(G::kClickBrowseId, 1)
        .Do([](CDialog& d) { EXPECT_EQ(static_cast<G&>(d).MarkupStep, "审核"); })
        .Select(G::kStepListId, "校对")
        .Do([](CDialog& d) {
            auto& g = static_cast<G&>(d);
            EXPECT_EQ(g.MarkupDate, "2026-12-03 08:00");
            EXPECT_EQ(g.HasMarkup, 0);
            EXPECT_EQ(Shown(d).red, 0);
        })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error();
}

TEST_P(DesignResultTest, AStepRestartedInTheMinuteOfItsReviewIsUnmarkedWhileTheHistoryKeepsTheMarkup) {
    // The review of "校对" ended and the step started again within the same minute.
    ws.Execute("UPDATE TeamWorkAudit SET State='未完成', Result='', FinishDate='' WHERE FileID='F-2' AND "
               "AuditTask='校对'");
    G dlg;
    dlg.FileID = "F-2";
    vq::ScriptedUser user;
    user.Dialog("设计文档评审结果")
        .Select(G::kStepListId, "审核")
        .Check(G::kClickBrowseId, 1)
        .Select(G::kStepListId, "校对")
        .Do([](CDialog& d) {
            auto& g = static_cast<G&>(d);
            EXPECT_EQ(g.MarkupDate, "2026-12-01 09:00");
            EXPECT_EQ(g.HasMarkup, 0);
            EXPECT_EQ(Shown(d).red, 0);
        })
        .Select(G::kHistoryListId, 0)
        .DoubleClick(G::kHistoryListId, 0)
        .Do([](CDialog& d) {
            EXPECT_EQ(static_cast<G&>(d).HasMarkup, 1);
            EXPECT_GT(Shown(d).red, 100);
        })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error();
}

TEST_P(DesignResultTest, StepsBegunTogetherFollowThePathLevelByLevelAndLeftToRight) {
    // The path text lists its boxes in the order they were drawn, not in the order of review.
    ws.Execute("UPDATE AuditingManage SET AuditingPath='批准[N](40,110)|*|工艺审查(240,60)|*|校对(40,10)|*|"
               "审核[M](40,60)' WHERE AuditingModel='三级评审';"
               "UPDATE TeamWorkAudit SET BeginDate='2026-12-01 09:00' WHERE FileID='F-2';"
               "INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, BeginDate, State) VALUES "
               "('F-2', '会签', 'lisi', '2026-12-01 09:00', '未完成'),"
               "('F-2', '批准[N]', 'zhaoliu', '2026-12-01 09:00', '未完成'),"
               "('F-2', '工艺审查', 'wangwu', '2026-12-01 09:00', '未完成'),"
               "('F-2', '工艺审查', 'wangwu', '2026-11-30 08:00', '已完成')");
    G dlg;
    dlg.FileID = "F-2";
    vq::ScriptedUser user;
    user.Dialog("设计文档评审结果")
        .Do([](CDialog& d) {
            auto& g = static_cast<G&>(d);
            std::vector<CString> shown;
            for (int row = 0; row < g.StepList.GetItemCount(); ++row)
                shown.push_back(g.StepList.GetItemText(row, 0) + " " + g.StepList.GetItemText(row, 2));
            // An earlier start still comes first; a step the path does not name comes last.
            const std::vector<CString> expected{"工艺审查 2026-11-30 08:00", "校对 2026-12-01 09:00",
                                                "审核 2026-12-01 09:00", "工艺审查 2026-12-01 09:00",
                                                "批准[N] 2026-12-01 09:00", "会签 2026-12-01 09:00"};
            EXPECT_EQ(shown, expected);
        })
        // Each row keeps its own opinion.
        .Select(G::kStepListId, 1)
        .Do([](CDialog& d) { EXPECT_EQ(static_cast<G&>(d).StepOpinion, "孔位偏移"); })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error();
}

TEST_P(DesignResultTest, AMissingDrawingIsReported) {
    ws.Execute("DELETE FROM TeamWorkResultPack");
    G dlg;
    dlg.FileID = "F-2";
    vq::ScriptedUser user;
    user.Dialog("设计文档评审结果")
        .Select(G::kStepListId, "审核")
        .Click(G::kBrowseMarkupId)
        .Message("不能取得文档bracket.DWG：服务器上没有该文件。", IDOK)
        .Message("不能正常显示设计文件，请与系统管理员联系...", IDOK)
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error();
}

// A local disk too full for the drawing's copy is said once, as what it is.
TEST_P(DesignResultTest, AFullLocalDiskIsSaidOnce) {
    G dlg;
    dlg.FileID = "F-2";
    std::optional<vqtest::FileSizeLimit> fullDisk;
    vq::ScriptedUser user;
    user.Dialog("设计文档评审结果")
        .Select(G::kStepListId, "审核")
        .Do([&](CDialog&) { fullDisk.emplace(16); })
        .Click(G::kBrowseMarkupId)
        .Message("不能取得文档bracket.DWG：本地磁盘已满。", IDOK)
        .Do([&](CDialog&) { fullDisk.reset(); })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error();
}

// A person in the Qt view opens the markup viewer from the results and closes the two windows,
// the viewer first or the results with the viewer still on the screen. The viewer's widgets go
// with the results' window; closing them must not touch them again.
namespace {

constexpr UINT kPersonSteps = WM_USER + 71;

class CResultsInQt : public CDesignDocAuditResultDlg {
public:
    std::function<void(CResultsInQt&)> steps;

protected:
    BOOL OnInitDialog() override {
        CDesignDocAuditResultDlg::OnInitDialog();
        PostMessage(kPersonSteps);
        return TRUE;
    }
    LRESULT OnPersonSteps(WPARAM, LPARAM) {
        steps(*this);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CResultsInQt, CDesignDocAuditResultDlg)
    ON_MESSAGE(kPersonSteps, &CResultsInQt::OnPersonSteps)
END_MESSAGE_MAP()

} // namespace

TEST_P(DesignResultTest, TheMarkupViewerAndTheResultsCloseInEitherOrderInTheQtView) {
    vq::DialogView* previous = vq::SetDialogView(&vq::QtDialogView());
    for (const bool viewerFirst : {true, false}) {
        bool shown = false;
        CResultsInQt dlg;
        dlg.FileID = "F-2";
        dlg.steps = [&](CResultsInQt& d) {
            ASSERT_TRUE(vq::qtinput::Click(*d.GetDlgItem(G::kBrowseMarkupId)));
            CRedlineViewDlg* viewer = d.GetViewerWindow();
            ASSERT_NE(viewer, nullptr);
            shown = !vq::qtinput::ShownRect(viewer->m_VoloViewer).IsRectEmpty();
            if (viewerFirst) {
                EXPECT_TRUE(vq::qtinput::Close(*viewer));
                EXPECT_FALSE(viewer->IsWindowVisible()) << "closing the viewer hides it";
            }
            EXPECT_TRUE(vq::qtinput::Close(d));
        };
        dlg.DoModal();
        EXPECT_TRUE(shown) << "the viewer was on the screen";
        EXPECT_EQ(dlg.GetViewerWindow(), nullptr) << "the viewer goes with the results";
    }
    vq::SetDialogView(previous);
}

// Of several markups stored for one step the first is shown; a lookup the database refuses
// leaves the view as it was; a markup that cannot be fetched is said as a failed download.
TEST_P(DesignResultTest, TheFirstOfSeveralMarkupsIsShownAndFailedLookupsOrDownloadsAreSaid) {
    ws.Execute("INSERT INTO DesignMarkupManage (FileLogID, TaskGroup, FileID, AuditName, Auditor, AuditDate, "
               "FileGroup, FileBulk, FileType) VALUES (999999, '_T', 'F-2', '校对', 'wangwu', "
               "'2026-12-01 09:00', '_Markup', '1', '.rml')");
    G dlg;
    dlg.FileID = "F-2";
    CString markupPath;
    vq::ScriptedUser user;
    user.Dialog("设计文档评审结果")
        .DoubleClick(G::kStepListId, "校对")
        .Do([&](CDialog& d) {
            EXPECT_GT(Shown(d).red, 100);
            markupPath = static_cast<G&>(d).ShownMarkupFile;
            EXPECT_FALSE(markupPath.IsEmpty());
            ws.Execute("ALTER TABLE DesignMarkupManage RENAME TO DesignMarkupManageOld");
        })
        .DoubleClick(G::kStepListId, "校对")
        .AnyMessage(IDOK) // the database error
        .Do([&](CDialog& d) {
            EXPECT_EQ(static_cast<G&>(d).ShownMarkupFile, markupPath);
            EXPECT_GT(Shown(d).red, 100) << "the markup shown before stays";
            ws.Execute("ALTER TABLE DesignMarkupManageOld RENAME TO DesignMarkupManage");
            ws.Execute("DELETE FROM DesignMarkupPackage");
        })
        .DoubleClick(G::kStepListId, "校对")
        .Message("文档下载失败!", IDOK)
        .Message("不能正常显示红线批注文件，请与系统管理员联系...", IDOK)
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error();
}

TEST_P(DesignResultTest, EnlargingGivesTheViewerTheGrowthAndHalfTheHeightToTheHistory) {
    G dlg;
    dlg.FileID = "F-2";
    vq::ScriptedUser user;
    user.Dialog("设计文档评审结果")
        .Do([](CDialog& d) {
            auto& g = static_cast<G&>(d);
            const auto rectOf = [&](int id) { return g.GetDlgItem(id)->GetRectInParent(); };
            const CRect viewer = rectOf(G::kViewerId), opinion = rectOf(G::kStepOpinionId),
                        history = rectOf(G::kHistoryListId), historyOpinion = rectOf(G::kHistoryOpinionId),
                        exit = rectOf(IDCANCEL), steps = rectOf(G::kStepListId);
            CRect window;
            g.GetWindowRect(&window);
            g.MoveWindow(window.left, window.top, window.Width() + 30, window.Height() + 41);
            EXPECT_EQ(rectOf(G::kViewerId).Width(), viewer.Width() + 30);
            EXPECT_EQ(rectOf(G::kViewerId).Height(), viewer.Height() + 41);
            EXPECT_EQ(rectOf(G::kStepOpinionId).Height(), opinion.Height() + 20);
            EXPECT_EQ(rectOf(G::kHistoryListId).top, history.top + 20);
            EXPECT_EQ(rectOf(G::kHistoryListId).Height(), history.Height());
            EXPECT_EQ(rectOf(G::kHistoryOpinionId).top, historyOpinion.top + 20);
            EXPECT_EQ(rectOf(G::kHistoryOpinionId).Height(), historyOpinion.Height() + 21);
            EXPECT_EQ(rectOf(IDCANCEL).left, exit.left + 30);
            EXPECT_EQ(rectOf(G::kStepListId), steps) << "the step list stays";
        })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error();
}

INSTANTIATE_TEST_SUITE_P(Dialects, AuditResultTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);
INSTANTIATE_TEST_SUITE_P(Dialects, DesignResultTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);
