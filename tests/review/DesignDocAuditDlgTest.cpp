// The design-document review in both dialects: a drawing reviewed with markup drawn through the
// viewer, stored, shown again and cleared; the decision through the review engine; the hold of
// the step on every way out; modeless review windows that outlive their entry call.
#include "review/DesignDocAuditDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/File.h"
#include "platform/maker/FileStore.h"
#include "platform/ui/DC.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/View.h"
#include "platform/ui/Wnd.h"
#include "platform/ui/qt/QtDialogView.h"
#include "review/AuditFlowEngine.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/UnattendedMessageBoxes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <vector>

extern "C" int DoTeamTaskAuditWithMarkup(CString fileId, CString login, CString task, int delegated);
extern "C" int DoTeamTaskNextAudit(CString fileId, CString login, CString task);
extern "C" int DoMultiTeamTaskAuditWithMarkup(_ConnectionPtr connection, CWnd* parent, CString fileId,
                                              CString login, CString task, int delegated);

namespace {

constexpr const char* kStep = "设计文档评审意见 - 校对[F-1]";

// A drawing sheet: a white page with a frame and a part outline.
std::string DrawingBytes(const CString& path) {
    CBitmap picture;
    picture.CreateBitmap(400, 280);
    CDC dc(picture);
    dc.FillSolidRect(0, 0, 400, 280, RGB(255, 255, 255));
    CPen black(PS_SOLID, 2, RGB(0, 0, 0));
    CPen* old = dc.SelectObject(&black);
    dc.SelectStockObject(NULL_BRUSH);
    dc.Rectangle(6, 6, 394, 274);
    CPen blue(PS_SOLID, 3, RGB(0, 0, 200));
    dc.SelectObject(&blue);
    dc.Rectangle(80, 70, 260, 210);
    dc.Ellipse(230, 110, 290, 170);
    dc.SelectObject(old);
    EXPECT_TRUE(picture.SavePng(path));
    std::ifstream file(path.c_str(), std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

CAvViewX& Viewer(CDialog& d) {
    return static_cast<CDesignDocAuditDlg&>(d).m_VoloViewer;
}

// Drags a redline rectangle over the viewer (its command must be "Sketch").
void DragRectangle(CDialog& d, int x1, int y1, int x2, int y2) {
    CAvViewX& viewer = Viewer(d);
    viewer.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x1, y1));
    viewer.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM((x1 + x2) / 2, (y1 + y2) / 2));
    viewer.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x2, y2));
    viewer.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(x2, y2));
}

void RightClickViewer(CDialog& d) {
    Viewer(d).SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(50, 50));
}

class DesignDocAuditDlgTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = nullptr;
        ws.Execute(
            "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhaoliu', '赵六'), ('zhangsan', "
            "'张三'), ('wangwu', '王五'), ('lisi', '李四')");
        ws.Execute(
            "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectManager, WorkState) VALUES ('XM-01', "
            "'减速机', 'lisi', '正进行中')");
        ws.Execute(
            "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkState) VALUES "
            "('XM-01', 'XM-01', 'XM-01#001', 'zhangsan', '箱体设计', '正进行中')");
        ws.Execute(
            "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('三级评审', "
            "'混合', '校对(40,20)|*|审核(40,110)|*|批准(40,200)')");
        drawing = DrawingBytes(ws.TempDir() + "/sheet.png");
        for (const char* id : {"F-1", "F-2", "F-3"})
            AddDocument(id, CString(id) == "F-1" ? "bracket.dwg" : CString("part-") + id + ".DWG");
    }
    void TearDown() override { theApp.m_pConnPDM = nullptr; }

    void AddDocument(const CString& id, const CString& fileName) {
        ws.Execute(
            "INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, FileSize, FileType, State, "
            "AuditingModel, AuditorName, AuditingType, PartCode) VALUES ('" +
            id + "', 'XM-01#001', '支架零件图', '" + fileName +
            "', '2', 'AutoCAD 图形', '评审', '三级评审', 'zhaoliu|*|zhangsan|*|wangwu', '混合', 'P-1')");
        ws.Execute(
            "INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, BeginDate, State, Manager, Working) "
            "VALUES ('" +
            id + "', '校对', 'zhaoliu', '2026-12-01 09:00', '未完成', 'zhaoliu', 'F')");
        ws.Execute("INSERT INTO TeamWorkResultPack (FileID) VALUES ('" + id + "')");
        const CString local = ws.TempDir() + "/upload.dwg";
        ws.WriteFile(local, drawing);
        theApp.m_pConnPDM = ws.Connect();
        CVQSaveFileToDB store;
        EXPECT_EQ(store.PushFileToDB("SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE FileID='" +
                                         id + "'",
                                     local, "DocContent", "PDM"),
                  1);
        theApp.m_pConnPDM = nullptr;
    }

    CString Working(const char* id = "F-1", const char* step = "校对") {
        return ws.QueryText(CString("SELECT Working FROM TeamWorkAudit WHERE FileID='") + id +
                            "' AND AuditTask='" + step + "'");
    }

    vqtest::DbWorkspace ws{GetParam()};
    std::string drawing;
};

} // namespace

TEST_P(DesignDocAuditDlgTest, MarkupDrawnThroughTheViewerIsStoredShownAgainAndTheDecisionMovesOn) {
    vq::ScriptedUser user;
    user.Dialog(kStep)
        .Do([&](CDialog& d) {
            EXPECT_TRUE(Viewer(d).HasPicture()) << "the drawing is shown";
            EXPECT_EQ(Working(), "T") << "the step is held while the dialog is open";
            EXPECT_FALSE(d.GetDlgItem(CDesignDocAuditDlg::kAssistId)->IsWindowVisible());
            EXPECT_FALSE(d.GetDlgItem(CDesignDocAuditDlg::kChangeOrderId)->IsWindowVisible());
            RightClickViewer(d);
        })
        .Menu("红线批注(&K)...")
        .Do([](CDialog& d) {
            EXPECT_EQ(Viewer(d).GetViewMode(), "Sketch");
            DragRectangle(d, 120, 100, 260, 190);
            ASSERT_EQ(Viewer(d).GetMarkup().size(), 1U);
        })
        .Set(CDesignDocAuditDlg::kOpinionId, "孔位'偏移")
        .Check("下次再评审", 1)
        .Click(IDOK);
    EXPECT_EQ(DoTeamTaskAuditWithMarkup("F-1", "zhaoliu", "校对", 0), 0);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(
        ws.QueryText("SELECT count(*) FROM DesignMarkupManage WHERE FileID='F-1' AND AuditName='校对' AND "
                     "AuditDate='2026-12-01 09:00' AND Auditor='zhaoliu'"),
        "1");
    EXPECT_EQ(ws.QueryText("SELECT Other1 FROM DesignMarkupManage"), "孔位'偏移");
    EXPECT_EQ(ws.QueryText("SELECT Prompt FROM TeamWorkAudit WHERE FileID='F-1'"), "孔位'偏移");
    EXPECT_EQ(Working(), "F");
    EXPECT_FALSE(theApp.m_pConnPDM) << "the entry call gave its connection back";

    // The reviewer comes back: the stored markup is shown over the drawing; a pass opens the
    // next level.
    vq::ScriptedUser again;
    again.Dialog(kStep)
        .Do([](CDialog& d) {
            EXPECT_TRUE(Viewer(d).HasPicture());
            ASSERT_EQ(Viewer(d).GetMarkup().size(), 1U) << "the stored markup is shown";
            EXPECT_NE(Viewer(d).GetDrawingFile().Find("Vq_Markup_"), -1);
            EXPECT_EQ(static_cast<CDesignDocAuditDlg&>(d).m_strOpinion, "孔位'偏移");
        })
        .Check("评审通过", 1)
        .Click(IDOK)
        .Message("设计文档已转给评审流程下一级进行处理...", IDOK);
    EXPECT_EQ(DoTeamTaskAuditWithMarkup("F-1", "zhaoliu", "校对", 0), 1);
    EXPECT_TRUE(again.Succeeded()) << again.Error().c_str();
    EXPECT_EQ(ws.QueryText(
                  "SELECT State || '/' || Result FROM TeamWorkAudit WHERE FileID='F-1' AND AuditTask='校对'"),
              "已完成/通过");
    EXPECT_EQ(
        ws.QueryText(
            "SELECT Auditor || '/' || State FROM TeamWorkAudit WHERE FileID='F-1' AND AuditTask='审核'"),
        "zhangsan/未完成");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM DesignMarkupManage"), "1") << "one markup per step";
    EXPECT_EQ(Working(), "F");

    // The next reviewer opens the next step on the unmarked drawing; the first step's markup stays
    // stored for the results.
    vq::ScriptedUser next;
    next.Dialog("设计文档评审意见 - 审核[F-1]")
        .Do([](CDialog& d) {
            EXPECT_TRUE(Viewer(d).HasPicture());
            EXPECT_TRUE(Viewer(d).GetMarkup().empty());
        })
        .Click(IDCANCEL);
    EXPECT_EQ(DoTeamTaskAuditWithMarkup("F-1", "zhangsan", "审核", 0), 0);
    EXPECT_TRUE(next.Succeeded()) << next.Error().c_str();
    EXPECT_EQ(Working("F-1", "审核"), "F");

    // The step starts again in the minute of its review (the same begin date): its reviewer
    // starts from the unmarked drawing.
    ws.Execute("UPDATE TeamWorkAudit SET State='未完成', Result='' WHERE FileID='F-1' AND AuditTask='校对'");
    vq::ScriptedUser restarted;
    restarted.Dialog(kStep)
        .Do([](CDialog& d) {
            EXPECT_TRUE(Viewer(d).HasPicture());
            EXPECT_TRUE(Viewer(d).GetMarkup().empty()) << "the earlier round's markup is not shown";
        })
        .Click(IDCANCEL);
    EXPECT_EQ(DoTeamTaskAuditWithMarkup("F-1", "zhaoliu", "校对", 0), 0);
    EXPECT_TRUE(restarted.Succeeded()) << restarted.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM DesignMarkupManage"), "1") << "and it stays stored";
}

// Markup that cannot be stored stops the decision: one box says so, nothing of the decision is
// stored and the window stays open with the markup; once the store works, the same confirm
// stores both.
TEST_P(DesignDocAuditDlgTest, MarkupThatCannotBeStoredStopsTheDecisionWithOneBox) {
    ws.Execute("DROP TABLE DesignMarkupPackage");
    ws.Execute(
        "CREATE TABLE DesignMarkupPackage (FileLogID INTEGER, FileType VARCHAR(20), FileDate VARCHAR(30), "
        "DocSaved VARCHAR(10), DocContent BLOB, Refused INTEGER NOT NULL)");
    int boxes = 0;
    vq::ScriptedUser user;
    user.Dialog(kStep)
        .Do([](CDialog& d) { RightClickViewer(d); })
        .Menu("红线批注(&K)...")
        .Do([](CDialog& d) { DragRectangle(d, 120, 100, 260, 190); })
        .Check("评审通过", 1)
        .Click(IDOK)
        .MessageContaining("未能正确存储红线批注文件...", IDOK)
        .Dialog(kStep)
        .Do([&](CDialog& d) {
            EXPECT_FALSE(d.HasEnded());
            EXPECT_EQ(Viewer(d).GetMarkup().size(), 1U) << "the markup stays in the viewer";
            EXPECT_EQ(ws.QueryText("SELECT State FROM TeamWorkAudit WHERE FileID='F-1' AND AuditTask='校对'"),
                      "未完成");
            EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkAudit WHERE FileID='F-1'"), "1");
            EXPECT_EQ(ws.QueryText("SELECT count(*) FROM DesignMarkupManage"), "0");
            boxes =
                static_cast<int>(std::count_if(user.Log().begin(), user.Log().end(), [](const CString& line) {
                    return line.Find("message") == 0;
                }));
            ws.Execute("DROP TABLE DesignMarkupPackage");
            ws.Execute("CREATE TABLE DesignMarkupPackage (FileLogID INTEGER, FileType VARCHAR(20), FileDate "
                       "VARCHAR(30), DocSaved VARCHAR(10), DocContent BLOB)");
        })
        .Click(IDOK)
        .Message("设计文档已转给评审流程下一级进行处理...", IDOK);
    EXPECT_EQ(DoTeamTaskAuditWithMarkup("F-1", "zhaoliu", "校对", 0), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(
        ws.QueryText("SELECT count(*) FROM DesignMarkupManage m, DesignMarkupPackage p WHERE p.FileLogID = "
                     "m.FileLogID AND m.AuditName='校对'"),
        "1");
    EXPECT_EQ(ws.QueryText("SELECT State || '/' || Result FROM TeamWorkAudit WHERE FileID='F-1' AND "
                           "AuditTask='校对'"),
              "已完成/通过");
}

// Cancel asks "批注结果未保存" only where something would be lost: an opinion typed, a result
// chosen or markup drawn since the window opened. An untouched review, or one whose opinion was
// typed and put back as it was, closes at once; 否 keeps the window and what was done in it.
TEST_P(DesignDocAuditDlgTest, CancelAsksOnlyBeforeWorkIsThrownAway) {
    const CString question = "批注结果未保存，是否真的要退出?";
    using Work = std::function<void(vq::ScriptedUser&)>;
    const std::pair<const char*, Work> untouched[] = {
        {"nothing done", [](vq::ScriptedUser&) {}},
        {"an opinion typed and taken back",
         [](vq::ScriptedUser& u) {
             u.Set(CDesignDocAuditDlg::kOpinionId, "孔距").Set(CDesignDocAuditDlg::kOpinionId, "");
         }},
        {"the drawing number typed",
         [](vq::ScriptedUser& u) { u.Set(CDesignDocAuditDlg::kDrawingNoId, "P-2"); }},
    };
    for (const auto& [what, work] : untouched) {
        vq::ScriptedUser user;
        user.Dialog(kStep);
        work(user);
        user.Click(IDCANCEL);
        EXPECT_EQ(DoTeamTaskAuditWithMarkup("F-1", "zhaoliu", "校对", 0), 0);
        EXPECT_TRUE(user.Succeeded()) << what << ": " << user.Error().c_str();
        EXPECT_EQ(Working(), "F") << what;
    }
    const std::pair<const char*, Work> work[] = {
        {"an opinion typed", [](vq::ScriptedUser& u) { u.Set(CDesignDocAuditDlg::kOpinionId, "孔距"); }},
        {"a result chosen", [](vq::ScriptedUser& u) { u.Check("评审通过", 1); }},
        {"markup drawn",
         [](vq::ScriptedUser& u) {
             u.Do([](CDialog& d) { RightClickViewer(d); }).Menu("红线批注(&K)...").Do([](CDialog& d) {
                 DragRectangle(d, 100, 100, 200, 200);
             });
         }},
    };
    for (const auto& [what, steps] : work) {
        vq::ScriptedUser user;
        user.Dialog(kStep);
        steps(user);
        user.Click(IDCANCEL).Message(question, IDNO).Dialog(kStep).Click(IDCANCEL).Message(question, IDYES);
        EXPECT_EQ(DoTeamTaskAuditWithMarkup("F-1", "zhaoliu", "校对", 0), 0);
        EXPECT_TRUE(user.Succeeded()) << what << ": " << user.Error().c_str();
        EXPECT_EQ(Working(), "F") << what;
        EXPECT_EQ(ws.QueryText("SELECT count(*) FROM DesignMarkupManage"), "0") << what;
    }
}

// Esc then Enter over a typed opinion, as a person hurries out: Enter answers the question with
// its default 否, the window stays with the opinion; 是 chosen on purpose then closes it.
TEST_P(DesignDocAuditDlgTest, EscThenEnterKeepsTheWindowAndItsOpinion) {
    vq::DialogView* previous = vq::SetDialogView(&vq::QtDialogView());
    vq::MessageBoxPresenter testBoxes = vq::SetMessageBoxPresenter(vqtest::LibraryMessageBoxPresenter());
    const CString question = "批注结果未保存，是否真的要退出?";
    auto review = []() -> CDesignDocAuditDlg* {
        for (CWnd* w : vq::TopLevelWindows())
            if (auto* shown = dynamic_cast<CDesignDocAuditDlg*>(w);
                shown && ::IsWindow(shown) && !vq::qtinput::ShownRect(*shown).IsRectEmpty())
                return shown;
        return nullptr;
    };
    auto asked = [question] { return vq::qtinput::MessageBoxText() == question; };
    auto answered = [] { return vq::qtinput::MessageBoxText().IsEmpty(); };
    std::vector<std::string> seen;
    // A step still waiting when the window has gone (the fault: Enter closed it) does nothing.
    auto running = std::make_shared<bool>(true);
    vq::qtinput::WhenReady(
        [&] { return review() != nullptr; },
        [&] {
            CWnd& opinion = *review()->GetDlgItem(CDesignDocAuditDlg::kOpinionId);
            EXPECT_TRUE(vq::qtinput::Type(opinion, "孔距"));
            vq::qtinput::WhenReady(asked, [&] {
                vq::qtinput::WhenReady(answered, [&, running] {
                    if (!*running)
                        return;
                    CDesignDocAuditDlg* open = review();
                    seen.push_back(open ? "open: " + vq::qtinput::ShownText(
                                                         *open->GetDlgItem(CDesignDocAuditDlg::kOpinionId))
                                                         .str()
                                        : "closed");
                    if (open) {
                        vq::qtinput::WhenReady(asked,
                                               [] { EXPECT_TRUE(vq::qtinput::AnswerMessageBox("是(Y)")); });
                        EXPECT_TRUE(
                            vq::qtinput::Key(*open->GetDlgItem(CDesignDocAuditDlg::kOpinionId), VK_ESCAPE));
                    }
                });
                EXPECT_TRUE(vq::qtinput::KeyToTopWindow(VK_RETURN));
            });
            EXPECT_TRUE(vq::qtinput::Key(opinion, VK_ESCAPE));
        });
    EXPECT_EQ(DoTeamTaskAuditWithMarkup("F-1", "zhaoliu", "校对", 0), 0);
    *running = false;
    vq::SetMessageBoxPresenter(std::move(testBoxes));
    vq::SetDialogView(previous);
    EXPECT_EQ(seen, (std::vector<std::string>{"open: 孔距"}));
    EXPECT_EQ(Working(), "F");
}

TEST_P(DesignDocAuditDlgTest, RemarkupStartsFromTheDrawingAndClearingUsesAScratchFileOfItsOwn) {
    vq::ScriptedUser first;
    first.Dialog(kStep)
        .Do([](CDialog& d) { RightClickViewer(d); })
        .Menu("红线批注(&K)...")
        .Do([](CDialog& d) { DragRectangle(d, 100, 100, 200, 200); })
        .Check("下次再评审", 1)
        .Click(IDOK);
    ASSERT_EQ(DoTeamTaskAuditWithMarkup("F-1", "zhaoliu", "校对", 0), 0);
    ASSERT_TRUE(first.Succeeded()) << first.Error().c_str();

    CString scratch;
    vq::ScriptedUser user;
    user.Dialog(kStep)
        .Do([](CDialog& d) { ASSERT_EQ(Viewer(d).GetMarkup().size(), 1U); })
        .Click("重新批注...")
        .Message("是否打开原始设计文件，进行重新批注?", IDYES)
        .Do([](CDialog& d) {
            EXPECT_TRUE(Viewer(d).HasPicture());
            EXPECT_TRUE(Viewer(d).GetMarkup().empty()) << "the unmarked drawing";
            EXPECT_EQ(Viewer(d).GetDrawingFile().Find("Vq_Markup_"), -1);
            Viewer(d).SetViewMode("Sketch");
            DragRectangle(d, 50, 60, 90, 120);
            DragRectangle(d, 150, 60, 190, 120);
            RightClickViewer(d);
        })
        .Menu("清除批注(&R)...")
        .Message("是否清除当前设计文件的批注内容?", IDYES)
        .Do([&](CDialog& d) {
            auto& dlg = static_cast<CDesignDocAuditDlg&>(d);
            EXPECT_TRUE(Viewer(d).GetMarkup().empty());
            scratch = dlg.ScratchMarkupFile();
            EXPECT_FALSE(scratch.IsEmpty());
            EXPECT_EQ(scratch.Find("C:"), -1);
            // Another window has a scratch file of its own.
            CDesignDocAuditDlg other;
            EXPECT_NE(other.ScratchMarkupFile(), scratch);
            EXPECT_TRUE(PathFileExists(other.ScratchMarkupFile()));
            Viewer(d).SetViewMode("Sketch");
            DragRectangle(d, 10, 10, 40, 40);
        })
        .Check("下次再评审", 1)
        .Click(IDOK);
    EXPECT_EQ(DoTeamTaskAuditWithMarkup("F-1", "zhaoliu", "校对", 0), 0);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_FALSE(PathFileExists(scratch)) << "the scratch file goes with the window";
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM DesignMarkupManage"), "1");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM DesignMarkupPackage"), "1");

    // Only the markup drawn after the clearing was stored.
    vq::ScriptedUser check;
    check.Dialog(kStep).Do([](CDialog& d) { EXPECT_EQ(Viewer(d).GetMarkup().size(), 1U); }).Click(IDCANCEL);
    DoTeamTaskAuditWithMarkup("F-1", "zhaoliu", "校对", 0);
    EXPECT_TRUE(check.Succeeded()) << check.Error().c_str();
}

TEST_P(DesignDocAuditDlgTest, TheHoldIsGivenBackOnEveryWayOutButNotWhenAnotherTookItOver) {
    // A document that is not under review, on a template that no longer exists: the load says
    // every reason and refuses the decision; the hold still goes.
    ws.Execute("UPDATE TeamWorkResult SET State='更改', AuditingModel='旧模板' WHERE FileID='F-2'");
    vq::ScriptedUser refused;
    refused.Message("无评审路径或缺负责人，为无效路径，不能进行评审!", IDOK)
        .Message("该评审任务不存在，为无效路径，不能进行评审!", IDOK)
        .Message("该工作文档不处于评审状态，不能进行评审!", IDOK)
        .Dialog("设计文档评审意见 - 校对[F-2]")
        .Do([](CDialog& d) {
            EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled());
            EXPECT_FALSE(d.GetDlgItem(CDesignDocAuditDlg::kRemarkupId)->IsWindowEnabled());
        })
        .Click(IDCANCEL);
    EXPECT_EQ(DoTeamTaskAuditWithMarkup("F-2", "zhaoliu", "校对", 0), 0);
    EXPECT_TRUE(refused.Succeeded()) << refused.Error().c_str();
    EXPECT_EQ(Working("F-2"), "F");

    // Two windows on one step: the second takes the hold over after the question.
    _ConnectionPtr host = ws.Connect();
    vq::ScriptedUser user;
    ASSERT_EQ(DoMultiTeamTaskAuditWithMarkup(host, nullptr, "F-1", "zhaoliu", "校对", 0), 0);
    EXPECT_EQ(Working(), "T");
    user.Message("此设计文档正进行指定的评审工作，是否继续?", IDNO);
    EXPECT_EQ(DoMultiTeamTaskAuditWithMarkup(host, nullptr, "F-1", "zhaoliu", "校对", 0), 0);
    EXPECT_EQ(CDesignDocAuditDlg::LiveCount(), 1) << "declining opens nothing";
    user.Message("此设计文档正进行指定的评审工作，是否继续?", IDYES);
    EXPECT_EQ(DoMultiTeamTaskAuditWithMarkup(host, nullptr, "F-1", "zhaoliu", "校对", 0), 0);
    EXPECT_EQ(CDesignDocAuditDlg::LiveCount(), 2);
    host = nullptr;

    // The first window (the oldest of the caption) closes: the second still holds the step.
    user.Window(kStep).Close();
    EXPECT_TRUE(user.RunModeless()) << user.Error().c_str();
    EXPECT_EQ(CDesignDocAuditDlg::LiveCount(), 1);
    EXPECT_EQ(Working(), "T");
    user.Window(kStep).Click(IDCANCEL);
    EXPECT_TRUE(user.RunModeless()) << user.Error().c_str();
    EXPECT_EQ(CDesignDocAuditDlg::LiveCount(), 0);
    EXPECT_EQ(Working(), "F");
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

// A settings file saved in UTF-8: the call on the host's connection says so once and opens no
// window, and the login account is not written into the file in another encoding.
TEST_P(DesignDocAuditDlgTest, SettingsThatCannotBeReadOpenNoWindowAndAreNotWritten) {
    const std::string utf8 = "[公共管理功能]\n当前登陆用户帐号=admin\n";
    ws.WriteFile(ws.SettingsPath(), utf8);
    _ConnectionPtr host = ws.Connect();
    vq::ScriptedUser user;
    user.MessageContaining(ws.SettingsPath() + " 不是代码页936", IDOK);
    EXPECT_EQ(DoMultiTeamTaskAuditWithMarkup(host, nullptr, "F-1", "zhaoliu", "校对", 0), 0);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(CDesignDocAuditDlg::LiveCount(), 0);
    EXPECT_EQ(Working(), "F");
    EXPECT_EQ(ws.ReadFile(ws.SettingsPath()), utf8);
}

// The server restarts while a modeless window works on the host's connection: the decision that
// meets the lost session says only that, and the next one opens the connection again and is
// stored.
TEST_P(DesignDocAuditDlgTest, AModelessWindowSaysALostSessionOnceAndWorksAgainAfterwards) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "needs the PostgreSQL server";
    _ConnectionPtr host = ws.Connect();
    vq::ScriptedUser user;
    ASSERT_EQ(DoMultiTeamTaskAuditWithMarkup(host, nullptr, "F-1", "zhaoliu", "校对", 0), 0);
    ws.EndSession(host);
    host = nullptr;
    user.Window(kStep)
        .Set(CDesignDocAuditDlg::kOpinionId, "下次再看")
        .Check("下次再评审", 1)
        .Click(IDOK)
        .Message("与数据库的连接已断开，操作不能继续。", IDOK)
        .Click(IDOK);
    EXPECT_TRUE(user.RunModeless()) << user.Error().c_str();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(CDesignDocAuditDlg::LiveCount(), 0);
    EXPECT_EQ(ws.QueryText("SELECT Prompt FROM TeamWorkAudit WHERE FileID='F-1' AND AuditTask='校对'"),
              "下次再看");
    EXPECT_EQ(Working(), "F");
    EXPECT_FALSE(theApp.m_bConnectionLost);
}

// A window closed after it said the lost session opens the connection again (the server is back)
// to give its hold back, and does not say the loss again.
TEST_P(DesignDocAuditDlgTest, ClosingAfterALostSessionGivesTheHoldBackWithoutSayingItAgain) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "needs the PostgreSQL server";
    _ConnectionPtr host = ws.Connect();
    vq::ScriptedUser user;
    ASSERT_EQ(DoMultiTeamTaskAuditWithMarkup(host, nullptr, "F-1", "zhaoliu", "校对", 0), 0);
    EXPECT_EQ(Working(), "T");
    ws.EndSession(host);
    host = nullptr;
    user.Window(kStep)
        .Set(CDesignDocAuditDlg::kOpinionId, "下次再看")
        .Check("下次再评审", 1)
        .Click(IDOK)
        .Message("与数据库的连接已断开，操作不能继续。", IDOK)
        .Close();
    EXPECT_TRUE(user.RunModeless()) << user.Error().c_str();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(CDesignDocAuditDlg::LiveCount(), 0);
    EXPECT_EQ(Working(), "F");
    EXPECT_FALSE(theApp.m_bConnectionLost);
}

TEST_P(DesignDocAuditDlgTest, ModelessWindowsOutliveTheirCallAndAnEleventhIsRefused) {
    _ConnectionPtr host = ws.Connect();
    vq::ScriptedUser user;
    for (const char* id : {"F-1", "F-2", "F-3"})
        EXPECT_EQ(DoMultiTeamTaskAuditWithMarkup(host, nullptr, id, "zhaoliu", "校对", 0), 0);
    EXPECT_EQ(CDesignDocAuditDlg::LiveCount(), 3);
    EXPECT_EQ(theApp.m_pConnPDM, host) << "the host's connection stays the application's";
    host = nullptr;

    {
        // Seven more review objects make ten: the next window is refused.
        std::vector<std::unique_ptr<CDesignDocAuditDlg>> others;
        for (int i = 0; i < 7; ++i)
            others.push_back(std::make_unique<CDesignDocAuditDlg>());
        user.Message("无模式评审界面不允许超过10个，请先关闭其他界面...", IDOK);
        EXPECT_EQ(DoMultiTeamTaskAuditWithMarkup(theApp.m_pConnPDM, nullptr, "F-1", "wangwu", "批准", 0), 0);
        EXPECT_EQ(CDesignDocAuditDlg::LiveCount(), 10);
    }

    // Another entry call opens and closes a connection of its own and clears the application's.
    AddDocument("F-4", "part-F-4.dwg");
    user.Dialog("设计文档评审意见 - 校对[F-4]").Click(IDCANCEL);
    EXPECT_EQ(DoTeamTaskAuditWithMarkup("F-4", "zhaoliu", "校对", 0), 0);
    EXPECT_FALSE(theApp.m_pConnPDM);

    // The windows still decide on their own connections.
    user.Window("设计文档评审意见 - 校对[F-1]")
        .Check("评审通过", 1)
        .Click(IDOK)
        .Message("设计文档已转给评审流程下一级进行处理...", IDOK)
        .Window("设计文档评审意见 - 校对[F-2]")
        .Set(CDesignDocAuditDlg::kOpinionId, "下次再看")
        .Check("下次再评审", 1)
        .Click(IDOK)
        .Window("设计文档评审意见 - 校对[F-3]")
        .Close();
    EXPECT_TRUE(user.RunModeless()) << user.Error().c_str();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(CDesignDocAuditDlg::LiveCount(), 0);
    EXPECT_FALSE(theApp.m_pConnPDM) << "a window lends its connection only while it works";
    EXPECT_EQ(ws.QueryText(
                  "SELECT State || '/' || Result FROM TeamWorkAudit WHERE FileID='F-1' AND AuditTask='校对'"),
              "已完成/通过");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkAudit WHERE FileID='F-1' AND AuditTask='审核'"),
              "1");
    EXPECT_EQ(ws.QueryText("SELECT Prompt FROM TeamWorkAudit WHERE FileID='F-2' AND AuditTask='校对'"),
              "下次再看");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkAudit WHERE Working='T'"), "0");
}

TEST_P(DesignDocAuditDlgTest, APersonSeesTheModelessWindowUntilClosingIt) {
    vq::DialogView* previous = vq::SetDialogView(&vq::QtDialogView());
    _ConnectionPtr host = ws.Connect();
    EXPECT_EQ(DoMultiTeamTaskAuditWithMarkup(host, nullptr, "F-1", "zhaoliu", "校对", 0), 0);
    host = nullptr;
    CDesignDocAuditDlg* window = nullptr;
    for (CWnd* w : vq::TopLevelWindows())
        if (auto* review = dynamic_cast<CDesignDocAuditDlg*>(w))
            window = review;
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(vq::qtinput::ShownRect(window->m_VoloViewer).IsRectEmpty()) << "the window is on the screen";
    EXPECT_EQ(Working(), "T");
    EXPECT_TRUE(vq::qtinput::Close(*window));
    vq::SetDialogView(previous);
    EXPECT_EQ(CDesignDocAuditDlg::LiveCount(), 0) << "the closed window deleted itself";
    EXPECT_EQ(Working(), "F");
}

INSTANTIATE_TEST_SUITE_P(Dialects, DesignDocAuditDlgTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

TEST_P(DesignDocAuditDlgTest, DecisionsOnTheEngineWithTheClosingNoteOfEachRoad) {
    // A fail sends the document back to its designer.
    vq::ScriptedUser fail;
    fail.Dialog(kStep)
        .Set(CDesignDocAuditDlg::kOpinionId, "尺寸链不封闭")
        .Check("评审不通过", 1)
        .Click(IDOK)
        .Message("设计文档已返回设计者进行修改...", IDOK);
    EXPECT_EQ(DoTeamTaskAuditWithMarkup("F-1", "zhaoliu", "校对", 0), 1);
    EXPECT_TRUE(fail.Succeeded()) << fail.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT State FROM TeamWorkResult WHERE FileID='F-1'"), "更改");
    EXPECT_EQ(Working(), "F");

    // A change-task document failed at its second level goes back to the first step, quietly.
    ws.Execute("UPDATE TeamWorkResult SET WorkID='JX-001[M]#001' WHERE FileID='F-2'");
    ws.Execute("UPDATE TeamWorkAudit SET State='已完成', Result='通过' WHERE FileID='F-2'");
    ws.Execute(
        "INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, BeginDate, State, Manager, Working) VALUES "
        "('F-2', '审核', 'zhangsan', '2026-12-02 09:00', '未完成', 'zhangsan', 'F')");
    vq::ScriptedUser back;
    back.Dialog("设计文档评审意见 - 审核[F-2]")
        .Do([](CDialog& d) {
            EXPECT_TRUE(d.GetDlgItem(CDesignDocAuditDlg::kChangeOrderId)->IsWindowVisible());
        })
        .Check("评审不通过", 1)
        .Click(IDOK)
        .Message("是否指定返回的再提交评审任务?", IDYES)
        .Dialog("选择评审返回的任务")
        .Select("返回的评审任务:", "校对(zhaoliu)")
        .Click(IDOK)
        .Message("设计文档已返回以前的评审环节进行重新评审...", IDOK);
    EXPECT_EQ(DoTeamTaskAuditWithMarkup("F-2", "zhangsan", "审核", 0), 1);
    EXPECT_TRUE(back.Succeeded()) << back.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT State FROM TeamWorkResult WHERE FileID='F-2'"), "评审");
    EXPECT_EQ(ws.QueryText("SELECT State FROM TeamWorkAudit WHERE FileID='F-2' AND AuditTask='校对'"),
              "未完成");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM MessageManage WHERE Content LIKE '%F-2%未评审通过%'"), "0")
        << "no notice of failure when the document goes back to an earlier step";
    EXPECT_EQ(
        ws.QueryText("SELECT PreAuditName FROM TeamWorkAuditChange WHERE FileID='F-2' AND TaskGroup='Task'"),
        "校对");

    // The last level's pass releases the document and removes its return record.
    ws.Execute("UPDATE TeamWorkAudit SET State='已完成', Result='通过' WHERE FileID='F-3'");
    ws.Execute(
        "INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, BeginDate, State, Result, Manager, Working) "
        "VALUES ('F-3', '审核', 'zhangsan', '2026-12-02 09:00', '已完成', '通过', 'zhangsan', 'F'), ('F-3', "
        "'批准', 'wangwu', '2026-12-03 09:00', '未完成', '', 'wangwu', 'F')");
    ws.Execute(
        "INSERT INTO TeamWorkAuditChange (FileID, TaskGroup, PreAuditName) VALUES ('F-3', 'Task', '校对')");
    vq::ScriptedUser release;
    release.Dialog("设计文档评审意见 - 批准[F-3]")
        .Check("评审通过", 1)
        .Click(IDOK)
        .Message("设计文档已通过了流程中的各项评审...", IDOK);
    EXPECT_EQ(DoTeamTaskAuditWithMarkup("F-3", "wangwu", "批准", 0), 1);
    EXPECT_TRUE(release.Succeeded()) << release.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT State FROM TeamWorkResult WHERE FileID='F-3'"), "正式");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkAuditChange WHERE FileID='F-3'"), "0");
    EXPECT_EQ(ws.QueryText("SELECT length(SendTime) FROM MessageManage WHERE Content LIKE '%F-3%' LIMIT 1"),
              "19")
        << "notices carry their time with seconds";
}

// Another window passes the step, or another program hands it over, after this window read it:
// before the confirm (checked before any markup is stored), or in the moment before the
// decision's write. One box says
// who has the step now, nothing of the decision is stored and the window takes no decision again.
// A reviewer acting for the step's auditor acts for the auditor the window showed, not for the one
// the step was handed to meanwhile.
TEST_P(DesignDocAuditDlgTest, AStepDecidedOrHandedOverMeanwhileTakesNoDecisionWithOneBox) {
    struct Case {
        const char* id;
        const char* result;
        bool atTheWrite; // in the moment between the confirm's check and the write
        const char* write;
        const char* refusal;
        const char* login = "zhaoliu";
        int delegated = 0;
    };
    AddDocument("F-4", "part-F-4.DWG");
    const Case cases[] = {
        {"F-1", "评审不通过", false,
         "UPDATE TeamWorkAudit SET State='已完成', Result='通过', Prompt='可以' WHERE FileID='F-1'",
         "该评审任务已被zhaoliu评审，不能保存评审结果..."},
        {"F-2", "下次再评审", true,
         "UPDATE TeamWorkAudit SET Auditor='wangwu', Manager='wangwu' WHERE FileID='F-2'",
         "该评审任务的负责人已被更换为wangwu，不能保存评审结果..."},
        {"F-3", "评审通过", true,
         "UPDATE TeamWorkAudit SET State='已完成', Result='不通过', Prompt='可以' WHERE FileID='F-3'",
         "该评审任务已被zhaoliu评审，不能保存评审结果..."},
        {"F-4", "评审通过", false,
         "UPDATE TeamWorkAudit SET Auditor='wangwu', Manager='wangwu' WHERE FileID='F-4'",
         "该评审任务的负责人已被更换为wangwu，不能保存评审结果...", "lisi", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const auto write = [this, &c] { ws.Execute(c.write); };
        vq::ScriptedUser user;
        user.Dialog(CString("设计文档评审意见 - 校对[") + c.id + "]")
            .Set(CDesignDocAuditDlg::kOpinionId, "迟到的意见")
            .Check(c.result, 1)
            .Do([&](CDialog&) {
                if (c.atTheWrite)
                    CAuditFlowEngine::s_beforeNextDecision = write;
                else
                    write();
            })
            .Click(IDOK)
            .Message(c.refusal, IDOK)
            .Dialog(CString("设计文档评审意见 - 校对[") + c.id + "]")
            .Do([](CDialog& d) { EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled()); })
            .Click(IDCANCEL);
        EXPECT_EQ(DoTeamTaskAuditWithMarkup(c.id, c.login, "校对", c.delegated), 0);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        CAuditFlowEngine::s_beforeNextDecision = nullptr;
        EXPECT_EQ(ws.QueryText(CString("SELECT Prompt FROM TeamWorkAudit WHERE FileID='") + c.id + "'"),
                  CString(c.refusal).Find("更换") >= 0 ? "" : "可以");
        EXPECT_EQ(ws.QueryText(CString("SELECT State FROM TeamWorkResult WHERE FileID='") + c.id + "'"),
                  "评审");
        EXPECT_EQ(
            ws.QueryText(CString("SELECT count(*) FROM TaskLogInformation WHERE ProjectNo='") + c.id + "'"),
            "0");
        EXPECT_EQ(
            ws.QueryText(CString("SELECT count(*) FROM MessageManage WHERE Content LIKE '%") + c.id + "%'"),
            "0");
        EXPECT_EQ(
            ws.QueryText(CString("SELECT count(*) FROM AuditConsignHistory WHERE FILEID='") + c.id + "'"),
            "0");
    }
}

TEST_P(DesignDocAuditDlgTest, ANextLevelWithoutAReviewerIsRefusedAndNothingIsStored) {
    ws.Execute("UPDATE TeamWorkResult SET AuditorName='zhaoliu|*||*|wangwu' WHERE FileID='F-1'");
    vq::ScriptedUser user;
    user.Dialog(kStep)
        .Check("评审通过", 1)
        .Click(IDOK)
        .Message("没有设置下级评审负责人，不能到下级评审...", IDOK)
        .Dialog(kStep)
        .Click(IDCANCEL)
        .Message("批注结果未保存，是否真的要退出?", IDYES);
    EXPECT_EQ(DoTeamTaskAuditWithMarkup("F-1", "zhaoliu", "校对", 0), 0);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT State FROM TeamWorkAudit WHERE FileID='F-1' AND AuditTask='校对'"),
              "未完成");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkAudit WHERE FileID='F-1'"), "1");
    EXPECT_EQ(Working(), "F");
}

TEST_P(DesignDocAuditDlgTest, OtherDocumentsAndInstallationsWithoutMarkupUseTheOpinionDialog) {
    ws.WriteSetting("设计过程管理", "红线批注工具", "2");
    vq::ScriptedUser noMarkup;
    noMarkup.Dialog("评审意见").Click(IDCANCEL);
    EXPECT_EQ(DoTeamTaskAuditWithMarkup("F-1", "zhaoliu", "校对", 0), 0);
    EXPECT_TRUE(noMarkup.Succeeded()) << noMarkup.Error().c_str();

    ws.WriteSetting("设计过程管理", "红线批注工具", "0");
    AddDocument("F-4", "说明书.doc");
    vq::ScriptedUser word;
    word.Dialog("评审意见").Click(IDCANCEL);
    EXPECT_EQ(DoTeamTaskAuditWithMarkup("F-4", "zhaoliu", "校对", 0), 0);
    EXPECT_TRUE(word.Succeeded()) << word.Error().c_str();

    // The modeless entry opens the opinion dialog modally on the other road: no window is left.
    _ConnectionPtr host = ws.Connect();
    vq::ScriptedUser modeless;
    modeless.Dialog("评审意见").Click(IDCANCEL);
    EXPECT_EQ(DoMultiTeamTaskAuditWithMarkup(host, nullptr, "F-4", "zhaoliu", "校对", 0), 0);
    EXPECT_TRUE(modeless.Succeeded()) << modeless.Error().c_str();
    EXPECT_EQ(CDesignDocAuditDlg::LiveCount(), 0);
}

TEST_P(DesignDocAuditDlgTest, AssistingReviewsGuardTheStepAndAreDecidedWithoutANote) {
    // A step that needs assisting reviews refuses its decision until they are there and finished.
    ws.Execute("UPDATE TeamWorkAudit SET AuditTask='校对[N]' WHERE FileID='F-2'");
    ws.Execute("UPDATE AuditingManage SET AuditingPath='校对[N](40,20)|*|审核(40,110)|*|批准(40,200)'");
    vq::ScriptedUser missing;
    missing.Message("此评审任务需要分配下级协助评审任务...", IDOK)
        .Dialog("设计文档评审意见 - 校对[N][F-2]")
        .Do([](CDialog& d) {
            EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled());
            EXPECT_TRUE(d.GetDlgItem(CDesignDocAuditDlg::kAssistId)->IsWindowVisible());
        })
        .Click(IDCANCEL);
    EXPECT_EQ(DoTeamTaskAuditWithMarkup("F-2", "zhaoliu", "校对[N]", 0), 0);
    EXPECT_TRUE(missing.Succeeded()) << missing.Error().c_str();

    ws.Execute(
        "INSERT INTO TeamWorkNextAudit (FileID, UpAuditName, Assigner, AuditTask, Auditor, BeginDate, State, "
        "Working) VALUES ('F-2', '校对[N]', 'zhaoliu', '校对[1]', 'wangwu', '2026-12-01 10:00', '未完成', "
        "'F')");
    vq::ScriptedUser waiting;
    waiting.Message("有未完成的下级协助评审任务, 请等待...", IDOK)
        .Dialog("设计文档评审意见 - 校对[N][F-2]")
        .Do([](CDialog& d) { EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled()); })
        .Click(IDCANCEL);
    EXPECT_EQ(DoTeamTaskAuditWithMarkup("F-2", "zhaoliu", "校对[N]", 0), 0);
    EXPECT_TRUE(waiting.Succeeded()) << waiting.Error().c_str();

    // The assisting reviewer decides: no closing note, nothing returned.
    vq::ScriptedUser assist;
    assist.Dialog("设计文档评审意见 - 校对[1][F-2]")
        .Do([&](CDialog&) {
            EXPECT_EQ(ws.QueryText("SELECT Working FROM TeamWorkNextAudit WHERE AuditTask='校对[1]'"), "T");
        })
        .Set(CDesignDocAuditDlg::kOpinionId, "同意")
        .Check("评审通过", 1)
        .Click(IDOK);
    EXPECT_EQ(DoTeamTaskNextAudit("F-2", "wangwu", "校对[1]"), 0);
    EXPECT_TRUE(assist.Succeeded()) << assist.Error().c_str();
    EXPECT_EQ(ws.QueryText(
                  "SELECT State || '/' || Result || '/' || Prompt || '/' || Working FROM TeamWorkNextAudit"),
              "已完成/通过/同意/F");

    // A hold written in lower case counts as set; declining opens nothing and keeps it.
    ws.Execute("UPDATE TeamWorkAudit SET Working='t' WHERE FileID='F-3'");
    vq::ScriptedUser declined;
    declined.Message("此设计文档正进行指定的评审工作，是否继续?", IDNO);
    EXPECT_EQ(DoTeamTaskAuditWithMarkup("F-3", "zhaoliu", "校对", 0), 0);
    EXPECT_TRUE(declined.Succeeded()) << declined.Error().c_str();
    EXPECT_EQ(Working("F-3"), "t");
}
