// The review results of the demo drawing after real decisions: the housing cover drawing of the
// demo data is submitted to its three-level review, its first reviewer marks it up and passes
// it, the next level opens; the results dialogs then show the steps, the history and, over the
// drawing, the markup of the first step.
#include "review/AuditFlowEngine.h"
#include "review/AuditResultChooser.h"
#include "review/DesignDocAuditResultDlg.h"
#include "review/DesignMarkupStore.h"
#include "review/WorkDocAuditResultDlg.h"
#include "controls/RedlineViewDlg.h"
#include "core/EntryFrame.h"
#include "core/VqDesignTaskApp.h"
#include "platform/maker/FileStore.h"
#include "platform/ui/DC.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/qt/QtDialogView.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

using W = CWorkDocAuditResultDlg;
using G = CDesignDocAuditResultDlg;

CString ReadText(const CString& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return CString(text.str());
}

CString WriteCoverDrawing(vqtest::Workspace& ws) {
    CBitmap picture;
    picture.CreateBitmap(480, 340);
    CDC dc(picture);
    dc.FillSolidRect(0, 0, 480, 340, RGB(255, 255, 255));
    dc.SelectStockObject(NULL_BRUSH);
    CPen frame(PS_SOLID, 2, RGB(0, 0, 0));
    CPen* old = dc.SelectObject(&frame);
    dc.Rectangle(6, 6, 474, 334);
    CPen part(PS_SOLID, 3, RGB(0, 0, 255));
    dc.SelectObject(&part);
    dc.Rectangle(90, 80, 390, 250);
    dc.Ellipse(200, 125, 280, 205);
    dc.SelectObject(old);
    const CString path = ws.TempDir() + "/cover.png";
    EXPECT_TRUE(picture.SavePng(path));
    return path;
}

class AuditResultRoadTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.Execute(ReadText(CString(VQ_SOURCE_DIR) + "/schema/sqlite/demo.sql"));
        ASSERT_TRUE(frame.IsOpen());
        theApp.m_nDatabaseType = GetParam();
        // The submission of F-0005 opened its first level.
        ws.Execute(
            "INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, BeginDate, FinishDate, State, Result, Prompt, "
            "Manager, Working) VALUES ('F-0005', '校对', 'zhaoliu', '2026-11-26 09:40', '', '未完成', '', '', "
            "'zhaoliu', 'F');"
            "INSERT INTO TeamWorkResultPack (FileID, DocSaved) VALUES ('F-0005', '')");
        CVQSaveFileToDB files;
        ASSERT_EQ(files.PushFileToDB("SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE FileID='F-0005'",
                                     WriteCoverDrawing(ws), "DocContent", "PDM"),
                  1);
        // The first reviewer marks the drawing up and passes it.
        theApp.m_strLoginUser = "zhaoliu";
        vq::MarkupDocument markup;
        markup.items.push_back({vq::MarkupKind::Cloud, 180, 105, 300, 225, RGB(255, 0, 0), 3, ""});
        markup.items.push_back({vq::MarkupKind::Text, 300, 40, 0, 18, RGB(255, 0, 0), 2, "孔径改为Φ40"});
        const CString markupPath = ws.TempDir() + "/zhaoliu.rml";
        ASSERT_TRUE(vq::WriteMarkupFile(markupPath, markup));
        CDesignMarkupStore store;
        store.m_strFileID = "F-0005";
        store.m_strAuditTask = "校对";
        store.m_strAuditDate = "2026-11-26 09:40";
        store.m_strWorkID = "XM-01-01#001";
        store.m_strAuditor = "zhaoliu";
        store.m_strOpinion = "轴承孔径标注有误";
        ASSERT_EQ(store.SaveMarkup(markupPath), 1);
        CAuditFlowEngine engine(CAuditFlowEngine::DesignDocDialogOptions());
        engine.m_strFileID = "F-0005";
        engine.m_strAuditTask = "校对";
        ASSERT_EQ(engine.LoadDocument(), 1);
        engine.m_strOpinion = "轴承孔径标注有误，已批注，其余通过。";
        engine.m_nResult = CAuditFlowEngine::kPass;
        ASSERT_EQ(engine.ApplyAuditResult(), 1);
        theApp.m_strLoginUser = "zhangsan"; // the work task's manager looks at the results
    }
    void TearDown() override { theApp.m_nDatabaseType = 0; }

    vqtest::DbWorkspace ws{GetParam()};
    CEntryFrame frame{"zhaoliu"};
};

} // namespace

TEST_P(AuditResultRoadTest, BothResultsDialogsShowTheDecidedFirstLevel) {
    ASSERT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkAudit WHERE FileID='F-0005'"), "3")
        << "the second level opened";
    vq::ScriptedUser user;
    user.Dialog("设计文档评审结果")
        .Do([](CDialog& d) {
            auto& g = static_cast<G&>(d);
            EXPECT_EQ(g.StepList.GetItemCount(), 3);
            EXPECT_EQ(g.StepList.GetItemText(0, 0), "校对");
            EXPECT_EQ(g.StepList.GetItemText(0, 1), "zhaoliu{赵六}");
            EXPECT_EQ(g.StepList.GetItemImage(0), 2);
            EXPECT_EQ(g.HistoryList.GetItemCount(), 1);
            EXPECT_EQ(g.IsSuperior, 1);
        })
        .DoubleClick(G::kStepListId, 0)
        .Do([](CDialog& d) {
            auto& g = static_cast<G&>(d);
            ASSERT_NE(g.GetViewerWindow(), nullptr);
            const CBitmap picture = vq::RenderDialogInQt(*g.GetViewerWindow());
            int red = 0;
            for (int y = 0; y < picture.Height(); y += 2)
                for (int x = 0; x < picture.Width(); x += 2)
                    red += picture.GetPixel(x, y) == RGB(255, 0, 0);
            EXPECT_GT(red, 100);
            const char* dir = std::getenv("VQ_SCREENSHOT_DIR");
            if (dir && *dir)
                picture.SavePng(CString(dir) + "/设计文档评审结果-批注.png");
        })
        .Select(G::kStepListId, 1)
        .Click(IDCANCEL);
    ShowAuditResultDialog("F-0005");

    ws.WriteSetting("设计过程管理", "红线批注工具", "2");
    user.Dialog("工作文档评审结果")
        .Do([](CDialog& d) {
            auto& w = static_cast<W&>(d);
            EXPECT_EQ(w.StepList.GetItemCount(), 3);
            EXPECT_EQ(w.HistoryList.GetItemCount(), 1);
        })
        .Select(W::kStepListId, "审核")
        .Do([](CDialog& d) { EXPECT_TRUE(d.GetDlgItem(W::kChangeAuditorId)->IsWindowEnabled()); })
        .Select(W::kHistoryListId, 0)
        .Click(IDCANCEL);
    ShowAuditResultDialog("F-0005");
    EXPECT_TRUE(user.Succeeded()) << user.Error();
}

INSTANTIATE_TEST_SUITE_P(Dialects, AuditResultRoadTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
