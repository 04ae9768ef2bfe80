// The design-document review in both dialects: a drawing reviewed with markup drawn through the
// viewer, stored, shown again and cleared; the decision through the review engine; the hold of
// the step on every way out; modeless review windows that outlive their entry call.
#include "core/VqDesignTaskApp.h"
#include "platform/base/File.h"
#include "platform/maker/FileStore.h"
#include "platform/ui/DC.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/Wnd.h"
#include "review/DesignDocAuditDlg.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

extern "C" int DoTeamTaskAuditWithMarkup(CString fileId, CString login, CString task, int delegated);
extern "C" int DoTeamTaskNextAudit(CString fileId, CString login, CString task);
extern "C" int DoMultiTeamTaskAuditWithMarkup(_ConnectionPtr connection, CWnd* parent, CString fileId, CString login,
                                              CString task, int delegated);

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
        ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhaoliu', '赵六'), ('zhangsan', "
                   "'张三'), ('wangwu', '王五'), ('lisi', '李四')");
        ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectManager, WorkState) VALUES ('XM-01', "
                   "'减速机', 'lisi', '正进行中')");
        ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkState) VALUES "
                   "('XM-01', 'XM-01', 'XM-01#001', 'zhangsan', '箱体设计', '正进行中')");
        ws.Execute("INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('三级评审', "
                   "'混合', '校对(40,20)|*|审核(40,110)|*|批准(40,200)')");
        drawing = DrawingBytes(ws.TempDir() + "/sheet.png");
        for (const char* id : {"F-1", "F-2", "F-3"})
            AddDocument(id, CString(id) == "F-1" ? "bracket.dwg" : CString("part-") + id + ".DWG");
    }
    void TearDown() override { theApp.m_pConnPDM = nullptr; }

    void AddDocument(const CString& id, const CString& fileName) {
        ws.Execute("INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, FileSize, FileType, State, "
                   "AuditingModel, AuditorName, AuditingType, PartCode) VALUES ('" +
                   id + "', 'XM-01#001', '支架零件图', '" + fileName +
                   "', '2', 'AutoCAD 图形', '评审', '三级评审', 'zhaoliu|*|zhangsan|*|wangwu', '混合', 'P-1')");
        ws.Execute("INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, BeginDate, State, Manager, Working) "
                   "VALUES ('" +
                   id + "', '校对', 'zhaoliu', '2026-12-01 09:00', '未完成', 'zhaoliu', 'F')");
        ws.Execute("INSERT INTO TeamWorkResultPack (FileID) VALUES ('" + id + "')");
        const CString local = ws.TempDir() + "/upload.dwg";
        ws.WriteFile(local, drawing);
        theApp.m_pConnPDM = ws.Connect();
        CVQSaveFileToDB store;
        EXPECT_EQ(store.PushFileToDB("SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE FileID='" + id + "'",
                                     local, "DocContent", "PDM"),
                  1);
        theApp.m_pConnPDM = nullptr;
    }

    CString Working(const char* id = "F-1", const char* step = "校对") {
        return ws.QueryText(CString("SELECT Working FROM TeamWorkAudit WHERE FileID='") + id + "' AND AuditTask='" +
                            step + "'");
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
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM DesignMarkupManage WHERE FileID='F-1' AND AuditName='校对' AND "
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
    EXPECT_EQ(ws.QueryText("SELECT State || '/' || Result FROM TeamWorkAudit WHERE FileID='F-1' AND AuditTask='校对'"),
              "已完成/通过");
    EXPECT_EQ(ws.QueryText("SELECT Auditor || '/' || State FROM TeamWorkAudit WHERE FileID='F-1' AND AuditTask='审核'"),
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
        .Click(IDCANCEL)
        .Message("批注结果未保存，是否真的要退出?", IDYES);
    EXPECT_EQ(DoTeamTaskAuditWithMarkup("F-1", "zhangsan", "审核", 0), 0);
    EXPECT_TRUE(next.Succeeded()) << next.Error().c_str();
    EXPECT_EQ(Working("F-1", "审核"), "F");
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
    check.Dialog(kStep)
        .Do([](CDialog& d) { EXPECT_EQ(Viewer(d).GetMarkup().size(), 1U); })
        .Click(IDCANCEL)
        .Message("批注结果未保存，是否真的要退出?", IDYES);
    DoTeamTaskAuditWithMarkup("F-1", "zhaoliu", "校对", 0);
    EXPECT_TRUE(check.Succeeded()) << check.Error().c_str();
}

TEST_P(DesignDocAuditDlgTest, TheHoldIsGivenBackOnEveryWayOutButNotWhenAnotherTookItOver) {
    // A document that is not under review: the load refuses the decision, the hold still goes.
    ws.Execute("UPDATE TeamWorkResult SET State='更改' WHERE FileID='F-2'");
    vq::ScriptedUser refused;
    refused.Message("该工作文档不处于评审状态，不能进行评审!", IDOK)
        .Dialog("设计文档评审意见 - 校对[F-2]")
        .Do([](CDialog& d) { EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled()); })
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
    user.Window(kStep).Click(IDCANCEL).Message("批注结果未保存，是否真的要退出?", IDYES);
    EXPECT_TRUE(user.RunModeless()) << user.Error().c_str();
    EXPECT_EQ(CDesignDocAuditDlg::LiveCount(), 0);
    EXPECT_EQ(Working(), "F");
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
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
    user.Dialog("设计文档评审意见 - 校对[F-4]").Click(IDCANCEL).Message("批注结果未保存，是否真的要退出?", IDYES);
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
    EXPECT_EQ(ws.QueryText("SELECT State || '/' || Result FROM TeamWorkAudit WHERE FileID='F-1' AND AuditTask='校对'"),
              "已完成/通过");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkAudit WHERE FileID='F-1' AND AuditTask='审核'"), "1");
    EXPECT_EQ(ws.QueryText("SELECT Prompt FROM TeamWorkAudit WHERE FileID='F-2' AND AuditTask='校对'"), "下次再看");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkAudit WHERE Working='T'"), "0");
}

INSTANTIATE_TEST_SUITE_P(Dialects, DesignDocAuditDlgTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);
