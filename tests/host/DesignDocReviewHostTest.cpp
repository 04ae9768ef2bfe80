// The host reviews the demo drawing headless with the design-document review: the reviewer's
// stored markup over the drawing in the modal dialog, then a modeless review window worked by the
// script after its entry function has returned.
#include "core/VqDesignTaskApp.h"
#include "platform/com/DrawingViewer.h"
#include "platform/maker/FileStore.h"
#include "platform/ui/DC.h"
#include "review/DesignMarkupStore.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/HostProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::string ReadBytes(const CString& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void LoadDemo(const vqtest::DbWorkspace& ws) {
    vqtest::DbWorkspace::RunScript(ws.Connect(), CString(ReadBytes(VQ_SOURCE_DIR "/schema/sqlite/demo.sql")));
}

// The demo drawing's content: a sheet with a frame, a title block and the outline of the lifting
// lug, stored as the document's file.
CString StoreDemoDrawing(vqtest::DbWorkspace& ws) {
    CBitmap picture;
    picture.CreateBitmap(640, 440);
    CDC dc(picture);
    dc.FillSolidRect(0, 0, 640, 440, RGB(255, 255, 255));
    CPen black(PS_SOLID, 2, RGB(0, 0, 0));
    CPen* old = dc.SelectObject(&black);
    dc.SelectStockObject(NULL_BRUSH);
    dc.Rectangle(8, 8, 632, 432);
    dc.Rectangle(420, 360, 632, 432);
    CPen part(PS_SOLID, 3, RGB(0, 0, 160));
    dc.SelectObject(&part);
    dc.Rectangle(120, 200, 340, 280);
    dc.Ellipse(190, 90, 270, 170);
    dc.MoveTo(190, 130);
    dc.LineTo(150, 200);
    dc.MoveTo(270, 130);
    dc.LineTo(310, 200);
    dc.SelectObject(old);
    const CString path = ws.TempDir() + "/P-1000-01-02-01.dwg";
    EXPECT_TRUE(picture.SavePng(path));
    ws.Execute("DELETE FROM TeamWorkResultPack WHERE FileID='F-0005'");
    ws.Execute("INSERT INTO TeamWorkResultPack (FileID) VALUES ('F-0005')");
    CVQSaveFileToDB store;
    EXPECT_EQ(store.PushFileToDB("SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE FileID='F-0005'",
                                 path, "DocContent", "PDM"),
              1);
    return path;
}

} // namespace

TEST(DesignDocReviewHost, TheDemoDrawingIsReviewedWithMarkupInTheDialogAndInAModelessWindow) {
    vqtest::DbWorkspace ws(0);
    LoadDemo(ws);
    const CString none = ws.WriteFile("in/none.script", "");
    vqtest::HostRun run =
        vqtest::RunHost("--headless --script " + none.str() + " SendDesignFileToAudit F-0005 zhangsan admin");
    ASSERT_NE(run.out.find("result: 1"), std::string::npos) << run.out;

    // The first reviewer's markup is stored for the step, drawn over the demo drawing.
    theApp.m_pConnPDM = ws.Connect();
    const CString drawing = StoreDemoDrawing(ws);
    vq::MarkupDocument markup;
    markup.drawingName = "P-1000-01-02-01.dwg";
    markup.drawingBytes = ReadBytes(drawing);
    markup.items.push_back({vq::MarkupKind::Cloud, 170, 75, 290, 185, RGB(255, 0, 0), 2, ""});
    markup.items.push_back({vq::MarkupKind::Line, 290, 130, 380, 100, RGB(255, 0, 0), 2, ""});
    markup.items.push_back({vq::MarkupKind::Text, 385, 80, 0, 18, RGB(255, 0, 0), 2, "吊耳孔位偏移"});
    CDesignMarkupStore store;
    store.m_strFileID = "F-0005";
    store.m_strAuditTask = "校对";
    store.m_strAuditDate =
        ws.QueryText("SELECT BeginDate FROM TeamWorkAudit WHERE FileID='F-0005' AND AuditTask='校对'");
    store.m_strWorkID = "XM-01-01#001";
    store.m_strAuditor = "zhaoliu";
    store.m_strOpinion = "吊耳孔位偏移";
    const CString markupFile = store.MarkupFileName();
    ASSERT_TRUE(vq::WriteMarkupFile(markupFile, markup));
    ASSERT_EQ(store.SaveMarkup(markupFile), 1);
    theApp.m_pConnPDM = nullptr;

    // The modal dialog shows the stored markup over the drawing.
    const CString look = ws.WriteFile("in/look.script", "dialog \"设计文档评审意见 - 校对[F-0005]\"\n"
                                                        "click 2\n");
    run = vqtest::RunHost("--headless --script " + look.str() +
                          " DoTeamTaskAuditWithMarkup F-0005 zhaoliu 校对 0");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("result: 0"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("不能正常显示"), std::string::npos) << run.out;

    // The modeless window stays open after its call; the rest of the script decides in it.
    const CString decide =
        ws.WriteFile("in/decide.script", "window ~\"校对[F-0005]\"\n"
                                         "set 1161 \"吊耳孔位偏移, 其余同意\"\n"
                                         "check \"评审通过\" 1\n"
                                         "click 1\n"
                                         "message \"设计文档已转给评审流程下一级进行处理...\" IDOK\n");
    run = vqtest::RunHost("--headless --script " + decide.str() +
                          " DoMultiTeamTaskAuditWithMarkup F-0005 zhaoliu 校对 0");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("window \"设计文档评审意见 - 校对[F-0005]\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("result: 0"), std::string::npos) << run.out;
    EXPECT_EQ(
        ws.QueryText("SELECT State || '/' || Result || '/' || Prompt || '/' || Working FROM TeamWorkAudit "
                     "WHERE FileID='F-0005' AND AuditTask='校对'"),
        "已完成/通过/吊耳孔位偏移, 其余同意/F");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkAudit WHERE FileID='F-0005' AND State='未完成'"),
              "2")
        << "the next level is open";

    // A window the script leaves alone is closed with the host, and gives its step back.
    run = vqtest::RunHost("--headless --script " + none.str() +
                          " DoMultiTeamTaskAuditWithMarkup F-0005 zhangsan 审核 0");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(ws.QueryText("SELECT Working FROM TeamWorkAudit WHERE FileID='F-0005' AND AuditTask='审核'"),
              "F");
}
