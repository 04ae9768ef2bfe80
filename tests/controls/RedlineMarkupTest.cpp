// The drawing viewer of our own: markup files written and read back, pictures shown, zoomed,
// turned and marked up with the mouse, painted into an image.
#include "platform/com/DrawingViewer.h"
#include "platform/ui/DC.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A picture of 40 by 30 pixels: red on the left half, blue on the right.
CString WritePicture(vqtest::Workspace& ws, const CString& name) {
    CBitmap picture;
    picture.CreateBitmap(40, 30);
    CDC dc(picture);
    dc.FillSolidRect(0, 0, 20, 30, RGB(255, 0, 0));
    dc.FillSolidRect(20, 0, 20, 30, RGB(0, 0, 255));
    const CString path = ws.TempDir() + "/" + name;
    EXPECT_TRUE(picture.SavePng(path));
    return path;
}

vq::MarkupDocument SampleDocument() {
    vq::MarkupDocument doc;
    doc.drawingName = "底座 \"A\".png";
    doc.drawingBytes = std::string("\x89PNG\0\r\n\x1a binary", 16);
    vq::MarkupItem line{vq::MarkupKind::Line, 0.1, 0.2, 100.25, 1e-7, RGB(255, 0, 0), 2, ""};
    vq::MarkupItem rect{vq::MarkupKind::Rectangle, -5, 3.5, 7, 9, RGB(1, 2, 3), 1, ""};
    vq::MarkupItem cloud{vq::MarkupKind::Cloud, 10, 10, 20, 30, RGB(0, 128, 255), 3, ""};
    vq::MarkupItem text{vq::MarkupKind::Text, 4, 5, 0, 12.5, RGB(255, 0, 0), 2, "尺寸\t\"30\"\\偏大\n请核对"};
    doc.items = {line, rect, cloud, text};
    return doc;
}

TEST(RedlineMarkupFileTest, SavedMarkupLoadsBackEqual) {
    vqtest::Workspace ws;
    const vq::MarkupDocument doc = SampleDocument();
    const CString path = ws.TempDir() + "/review.dwf";
    ASSERT_TRUE(vq::WriteMarkupFile(path, doc));
    EXPECT_TRUE(vq::IsMarkupFile(path));
    vq::MarkupDocument back;
    ASSERT_TRUE(vq::ReadMarkupFile(path, back));
    EXPECT_EQ(back.drawingName, doc.drawingName);
    EXPECT_EQ(back.drawingBytes, doc.drawingBytes);
    EXPECT_EQ(back.items, doc.items);

    // Markup without a drawing, and a drawing without markup.
    vq::MarkupDocument bare;
    bare.items = doc.items;
    ASSERT_TRUE(vq::WriteMarkupFile(path, bare));
    ASSERT_TRUE(vq::ReadMarkupFile(path, back));
    EXPECT_TRUE(back.drawingName.IsEmpty());
    EXPECT_TRUE(back.drawingBytes.empty());
    EXPECT_EQ(back.items, doc.items);
}

TEST(RedlineMarkupFileTest, DamagedOrForeignFilesAreRefusedWhole) {
    vqtest::Workspace ws;
    const CString good = ws.TempDir() + "/good.rml";
    ASSERT_TRUE(vq::WriteMarkupFile(good, SampleDocument()));
    const std::string content = ws.ReadFile(good);
    vq::MarkupDocument untouched;
    untouched.drawingName = "keep";

    const std::vector<std::string> damaged = {
        content.substr(0, content.size() - 4),                           // the end line is missing
        std::string(content).replace(content.find("rect"), 4, "oval"),   // an unknown item
        std::string(content).replace(content.find(" 16\n"), 4, " 17\n"), // wrong drawing size
        "AC1015 a drawing of another program\n",
        "",
    };
    for (const std::string& bytes : damaged) {
        const CString path = ws.WriteFile("tmp/bad.rml", bytes);
        vq::MarkupDocument doc = untouched;
        EXPECT_FALSE(vq::ReadMarkupFile(path, doc)) << bytes.substr(0, 40);
        EXPECT_EQ(doc.drawingName, "keep");
        EXPECT_TRUE(doc.items.empty());
    }
    vq::MarkupDocument doc;
    EXPECT_FALSE(vq::ReadMarkupFile(ws.TempDir() + "/missing.rml", doc));
    EXPECT_FALSE(vq::WriteMarkupFile(ws.TempDir() + "/no/such/folder/a.rml", SampleDocument()));
}

class DrawingViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(viewer.Create(nullptr, nullptr, WS_VISIBLE, CRect(0, 0, 200, 150), nullptr, 1));
    }
    vq::ScriptedUser user; // no widgets: the viewer paints into images only
    vqtest::Workspace ws;
    CDrawingViewer viewer;
};

TEST_F(DrawingViewerTest, PictureIsShownWholeAndPaintedWithTheMarkupOverIt) {
    ASSERT_TRUE(viewer.ShowFile(WritePicture(ws, "part.png")));
    ASSERT_TRUE(viewer.HasPicture());
    EXPECT_EQ(viewer.GetPictureSize(), CSize(40, 30));
    EXPECT_DOUBLE_EQ(viewer.GetScale(), 5.0); // 40 by 30 fits 200 by 150 five times
    double l, t, r, b;
    viewer.GetViewExtents(l, t, r, b);
    EXPECT_NEAR(l, 0, 1e-9);
    EXPECT_NEAR(t, 0, 1e-9);
    EXPECT_NEAR(r, 40, 1e-9);
    EXPECT_NEAR(b, 30, 1e-9);

    viewer.AddMarkup({vq::MarkupKind::Rectangle, 2, 2, 38, 28, RGB(0, 255, 0), 2, ""});
    CBitmap image = vq::RenderWindow(viewer);
    EXPECT_EQ(image.GetPixel(50, 75), RGB(255, 0, 0));
    EXPECT_EQ(image.GetPixel(150, 75), RGB(0, 0, 255));
    const CPoint corner = viewer.DrawingToClient(2, 2);
    EXPECT_EQ(corner, CPoint(10, 10));
    EXPECT_EQ(image.GetPixel(10, 75), RGB(0, 255, 0)); // the left side of the redline rectangle

    viewer.SetLayerVisible(true, false);
    image = vq::RenderWindow(viewer);
    EXPECT_EQ(image.GetPixel(10, 75), RGB(255, 0, 0));
}

TEST_F(DrawingViewerTest, ZoomToAreaAndViewExtentsAgreeAlsoAfterATurn) {
    ASSERT_TRUE(viewer.ShowFile(WritePicture(ws, "part.png")));
    for (int turn = 0; turn < 4; ++turn) {
        viewer.ZoomToArea(10, 5, 26, 17); // 16 by 12: the window's shape
        double l, t, r, b;
        viewer.GetViewExtents(l, t, r, b);
        const bool across = viewer.GetQuarterTurns() % 2 == 1;
        if (!across) {
            EXPECT_NEAR(l, 10, 1e-9);
            EXPECT_NEAR(t, 5, 1e-9);
            EXPECT_NEAR(r, 26, 1e-9);
            EXPECT_NEAR(b, 17, 1e-9);
        } else { // turned on its side the area fits by its height and shows more across
            EXPECT_NEAR((l + r) / 2, 18, 1e-9);
            EXPECT_NEAR((t + b) / 2, 11, 1e-9);
            EXPECT_NEAR(r - l, 16, 1e-9);
        }
        double x, y;
        viewer.ClientToDrawing(viewer.DrawingToClient(13, 7), x, y);
        EXPECT_NEAR(x, 13, 0.2);
        EXPECT_NEAR(y, 7, 0.2);
        viewer.Turn(1);
    }
    EXPECT_EQ(viewer.GetQuarterTurns(), 0);
    viewer.SendMessage(WM_KEYDOWN, VK_HOME, 0);
    double l, t, r, b;
    viewer.GetViewExtents(l, t, r, b);
    EXPECT_NEAR(r - l, 40, 1e-9);
}

TEST_F(DrawingViewerTest, SketchingWithTheMouseAddsMarkupInDrawingCoordinates) {
    ASSERT_TRUE(viewer.ShowFile(WritePicture(ws, "part.png")));
    auto drag = [&](UINT flags, CPoint from, CPoint to) {
        viewer.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON | flags, MAKELPARAM(from.x, from.y));
        viewer.SendMessage(WM_MOUSEMOVE, MK_LBUTTON | flags, MAKELPARAM(to.x, to.y));
        viewer.SendMessage(WM_LBUTTONUP, flags, MAKELPARAM(to.x, to.y));
    };
    drag(0, CPoint(10, 10), CPoint(60, 40)); // "Select": nothing
    EXPECT_TRUE(viewer.GetMarkup().empty());

    viewer.SetCommand("Sketch");
    drag(0, CPoint(10, 10), CPoint(60, 40));
    drag(MK_SHIFT, CPoint(0, 0), CPoint(100, 50));
    drag(MK_CONTROL, CPoint(20, 20), CPoint(40, 45));
    drag(0, CPoint(20, 20), CPoint(21, 22)); // too small to count
    ASSERT_EQ(viewer.GetMarkup().size(), 3u);
    const vq::MarkupItem& rect = viewer.GetMarkup()[0];
    EXPECT_EQ(rect.kind, vq::MarkupKind::Rectangle);
    EXPECT_DOUBLE_EQ(rect.x1, 2);
    EXPECT_DOUBLE_EQ(rect.y1, 2);
    EXPECT_DOUBLE_EQ(rect.x2, 12);
    EXPECT_DOUBLE_EQ(rect.y2, 8);
    EXPECT_EQ(viewer.GetMarkup()[1].kind, vq::MarkupKind::Line);
    EXPECT_EQ(viewer.GetMarkup()[2].kind, vq::MarkupKind::Cloud);

    // Saved with its drawing, the markup brings the drawing back by itself.
    const CString markup = ws.TempDir() + "/review.dwf";
    ASSERT_TRUE(viewer.SaveMarkup(markup));
    const auto saved = viewer.GetMarkup();
    EXPECT_TRUE(viewer.ClearMarkup());
    EXPECT_TRUE(viewer.GetMarkup().empty());
    ASSERT_TRUE(viewer.ShowFile(""));
    EXPECT_FALSE(viewer.HasPicture());
    ASSERT_TRUE(viewer.ShowFile(markup));
    EXPECT_TRUE(viewer.HasPicture());
    EXPECT_EQ(viewer.GetMarkup(), saved);
}

TEST_F(DrawingViewerTest, MarkupWithoutDrawingIsLaidOverTheDrawingShown) {
    vq::MarkupDocument doc;
    doc.items = {{vq::MarkupKind::Line, 0, 0, 40, 30, RGB(255, 0, 0), 1, ""}};
    const CString markup = ws.TempDir() + "/bare.rml";
    ASSERT_TRUE(vq::WriteMarkupFile(markup, doc));
    ASSERT_TRUE(viewer.ShowFile(WritePicture(ws, "part.png")));
    ASSERT_TRUE(viewer.ShowFile(markup));
    EXPECT_TRUE(viewer.HasPicture());
    EXPECT_EQ(viewer.GetMarkup(), doc.items);
    // A new drawing drops the markup of the old one.
    ASSERT_TRUE(viewer.ShowFile(WritePicture(ws, "other.png")));
    EXPECT_TRUE(viewer.GetMarkup().empty());
}

TEST_F(DrawingViewerTest, FormatsItCannotShowAreNamedInTheWindow) {
    const CString dwg = ws.WriteFile("tmp/bracket.dwg", "AC1015\x01\x02 not a picture");
    EXPECT_TRUE(viewer.ShowFile(dwg));
    EXPECT_FALSE(viewer.HasPicture());
    EXPECT_EQ(viewer.GetNotice(), "不能显示此格式的图形文件: bracket.dwg");
    EXPECT_EQ(viewer.GetShownFile(), dwg);
    CBitmap image = vq::RenderWindow(viewer);
    bool dark = false; // the notice is written in the window
    for (int y = 0; y < 150 && !dark; ++y)
        for (int x = 0; x < 200 && !dark; ++x)
            dark = image.GetPixel(x, y) == RGB(0, 0, 0);
    EXPECT_TRUE(dark);

    EXPECT_FALSE(viewer.ShowFile(ws.TempDir() + "/missing.png"));
    EXPECT_FALSE(viewer.HasPicture());
}

TEST_F(DrawingViewerTest, PanAndZoomFollowTheMouse) {
    ASSERT_TRUE(viewer.ShowFile(WritePicture(ws, "part.png")));
    viewer.SetCommand("Pan");
    viewer.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 75));
    viewer.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(150, 75));
    viewer.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(150, 75));
    double l, t, r, b;
    viewer.GetViewExtents(l, t, r, b);
    EXPECT_NEAR(l, -10, 1e-9); // 50 pixels at 5 per unit

    viewer.SetCommand("Zoom");
    const double before = viewer.GetScale();
    viewer.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    viewer.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 0));
    viewer.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(100, 0));
    EXPECT_NEAR(viewer.GetScale(), before * 2, 1e-9); // 100 pixels up doubles
}

TEST_F(DrawingViewerTest, TextOrbitAndZoomWindowCommandsWorkByClicks) {
    ASSERT_TRUE(viewer.ShowFile(WritePicture(ws, "part.png")));
    auto click = [&](UINT flags, CPoint at) {
        viewer.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON | flags, MAKELPARAM(at.x, at.y));
        viewer.SendMessage(WM_LBUTTONUP, flags, MAKELPARAM(at.x, at.y));
    };
    viewer.SetCommand("Text");
    user.Dialog("文字批注").Set(1001, "此处倒角").Click(IDOK);
    click(0, CPoint(50, 25));
    user.Dialog("文字批注").Click(IDCANCEL); // cancelled: no text
    click(0, CPoint(60, 25));
    ASSERT_EQ(viewer.GetMarkup().size(), 1u);
    const vq::MarkupItem& text = viewer.GetMarkup()[0];
    EXPECT_EQ(text.kind, vq::MarkupKind::Text);
    EXPECT_EQ(text.text, "此处倒角");
    EXPECT_DOUBLE_EQ(text.x1, 10);
    EXPECT_DOUBLE_EQ(text.y1, 5);
    EXPECT_DOUBLE_EQ(text.y2, 16.0 / 5); // 16 pixels high at the scale it was placed

    viewer.SetCommand("Orbit");
    click(0, CPoint(100, 75));
    EXPECT_EQ(viewer.GetQuarterTurns(), 1);
    click(MK_SHIFT, CPoint(100, 75));
    click(MK_SHIFT, CPoint(100, 75));
    EXPECT_EQ(viewer.GetQuarterTurns(), 3);
    // The markup stays on its place of the drawing whatever the turn.
    double x, y;
    viewer.ClientToDrawing(viewer.DrawingToClient(text.x1, text.y1), x, y);
    EXPECT_NEAR(x, 10, 0.2);
    EXPECT_NEAR(y, 5, 0.2);

    viewer.Turn(1);
    viewer.ZoomExtents();
    viewer.SetCommand("ZoomToRect");
    viewer.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 0));
    viewer.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 75));
    viewer.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(100, 75));
    double l, t, r, b;
    viewer.GetViewExtents(l, t, r, b);
    EXPECT_NEAR(l, 0, 1e-9);
    EXPECT_NEAR(t, 0, 1e-9);
    EXPECT_NEAR(r, 20, 1e-9);
    EXPECT_NEAR(b, 15, 1e-9);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

} // namespace
