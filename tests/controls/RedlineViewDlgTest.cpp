// The redline viewer window: the viewer the settings choose, files and markup files handed to it,
// the right-button menu of viewing commands, and its picture through the Qt view.
#include "controls/RedlineViewDlg.h"
#include "platform/ui/DC.h"
#include "platform/ui/Menu.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/View.h"
#include "platform/ui/qt/QtDialogView.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// A small drawing: a white sheet with a black frame and a blue part outline.
CString WriteDrawing(vqtest::Workspace& ws, const CString& name, int width = 120, int height = 90) {
    CBitmap picture;
    picture.CreateBitmap(width, height);
    CDC dc(picture);
    dc.FillSolidRect(0, 0, width, height, RGB(255, 255, 255));
    CPen black(PS_SOLID, 2, RGB(0, 0, 0));
    CPen* old = dc.SelectObject(&black);
    dc.SelectStockObject(NULL_BRUSH);
    dc.Rectangle(4, 4, width - 4, height - 4);
    CPen blue(PS_SOLID, 3, RGB(0, 0, 255));
    dc.SelectObject(&blue);
    dc.Rectangle(width / 5, height / 4, width * 3 / 5, height * 3 / 4);
    dc.Ellipse(width * 3 / 5 - height / 8, height / 2 - height / 8, width * 3 / 5 + height / 8,
               height / 2 + height / 8);
    dc.SelectObject(old);
    const CString path = ws.TempDir() + "/" + name;
    EXPECT_TRUE(picture.SavePng(path));
    return path;
}

// Remembers each popup menu before the scripted user answers it.
class MenuWatcher : public vq::ScriptedUser {
public:
    UINT TrackPopupMenu(const CMenu& menu, CPoint point, CWnd* owner) override {
        items.clear();
        for (const auto& item : menu.Items())
            items.push_back({item.id, item.text, item.flags});
        at = point;
        return ScriptedUser::TrackPopupMenu(menu, point, owner);
    }
    struct Item {
        UINT id;
        CString text;
        UINT flags;
    };
    std::vector<Item> items;
    CPoint at;
};

class RedlineViewDlgTest : public ::testing::Test {
protected:
    void Open() { ASSERT_TRUE(dlg.Create(CRedlineViewDlg::IDD, nullptr)); }
    void RightClick(int x, int y) {
        dlg.m_VoloViewer.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, y));
    }
    UINT FlagsOf(UINT id) const {
        for (const auto& item : user.items)
            if (item.id == id && !(item.flags & MF_SEPARATOR))
                return item.flags;
        ADD_FAILURE() << "no menu item " << id;
        return 0;
    }

    vqtest::Workspace ws;
    MenuWatcher user;
    CRedlineViewDlg dlg;
};

TEST_F(RedlineViewDlgTest, MissingToolSettingChoosesTheTemplateViewer) {
    Open();
    EXPECT_EQ(dlg.m_nViewerTool, 0);
    EXPECT_EQ(dlg.m_bViewerReady, 1);
    EXPECT_TRUE(dlg.m_VoloViewer.IsWindowVisible());
    EXPECT_FALSE(dlg.m_AutoVueViewer.IsWindowVisible());
    EXPECT_FALSE(dlg.m_AutoVueViewer.IsActive());

    const CString drawing = WriteDrawing(ws, "part.png");
    EXPECT_EQ(dlg.ShowFile(drawing), 1);
    EXPECT_EQ(dlg.m_VoloViewer.GetDrawingFile(), drawing);
    EXPECT_TRUE(dlg.m_VoloViewer.HasPicture());
    EXPECT_TRUE(dlg.m_AutoVueViewer.GetShownFile().IsEmpty());
    EXPECT_EQ(dlg.ShowFile(ws.TempDir() + "/missing.png"), 0);
    EXPECT_EQ(dlg.m_VoloViewer.GetDrawingFile(), drawing);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_F(RedlineViewDlgTest, SecondToolShowsFilesAndMarkupInTheViewerMadeWithTheWindow) {
    ws.WriteSetting("设计过程管理", "红线批注工具", "1");
    Open();
    EXPECT_EQ(dlg.m_nViewerTool, 1);
    EXPECT_EQ(dlg.m_bViewerReady, 1);
    EXPECT_FALSE(dlg.m_VoloViewer.IsWindowVisible());
    EXPECT_TRUE(dlg.m_AutoVueViewer.IsWindowVisible());
    EXPECT_TRUE(dlg.m_AutoVueViewer.IsActive());

    const CString drawing = WriteDrawing(ws, "part.png");
    vq::MarkupDocument markup;
    markup.items = {{vq::MarkupKind::Cloud, 10, 10, 50, 40, RGB(255, 0, 0), 2, ""}};
    const CString markupPath = ws.TempDir() + "/review.xml"; // any type: this viewer reads its own files
    ASSERT_TRUE(vq::WriteMarkupFile(markupPath, markup));
    EXPECT_EQ(dlg.OpenMarkupFile(markupPath, drawing), 1);
    EXPECT_EQ(dlg.m_AutoVueViewer.GetShownFile(), markupPath);
    EXPECT_TRUE(dlg.m_AutoVueViewer.HasPicture()); // the markup lies over the drawing
    EXPECT_EQ(dlg.m_AutoVueViewer.GetMarkup(), markup.items);
    EXPECT_TRUE(dlg.m_VoloViewer.GetDrawingFile().IsEmpty());
    EXPECT_EQ(dlg.m_bDisplayFailed, 0);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_F(RedlineViewDlgTest, LowerCaseDwfMarkupOpensAsMarkup) {
    Open();
    const CString drawing = WriteDrawing(ws, "part.png");
    dlg.ShowFile(drawing);
    dlg.m_VoloViewer.AddMarkup({vq::MarkupKind::Rectangle, 10, 10, 60, 50, RGB(255, 0, 0), 2, ""});
    const CString markup = ws.TempDir() + "/t_vq_1_审核.dwf";
    dlg.m_VoloViewer.SaveMarkupFile(markup);
    dlg.m_VoloViewer.ClearMarkupFile();
    dlg.m_VoloViewer.SetDrawingFile("");

    EXPECT_EQ(dlg.OpenMarkupFile(markup, ws.TempDir() + "/gone.png"), 1); // the design file is not needed
    EXPECT_EQ(dlg.m_VoloViewer.GetDrawingFile(), markup);
    EXPECT_TRUE(dlg.m_VoloViewer.HasPicture());
    EXPECT_EQ(dlg.m_VoloViewer.GetMarkup().size(), 1u);
    EXPECT_EQ(dlg.OpenMarkupFile(ws.TempDir() + "/missing.rml", drawing), 0);
    EXPECT_EQ(dlg.m_bDisplayFailed, 0);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_F(RedlineViewDlgTest, MarkupOfAnotherTypeShowsTheDesignFileAfterTheMessage) {
    Open();
    const CString drawing = WriteDrawing(ws, "part.png");
    const CString other = ws.WriteFile("tmp/review.pdf", "%PDF-1.4");
    user.Message("非Autodesk Volo View批注格式，不能正常打开...", IDOK);
    EXPECT_EQ(dlg.OpenMarkupFile(other, drawing), 1);
    EXPECT_EQ(dlg.m_VoloViewer.GetDrawingFile(), drawing);
    EXPECT_EQ(dlg.m_bDisplayFailed, 0);

    user.Message("非Autodesk Volo View批注格式，不能正常打开...", IDOK)
        .Message("不能正常显示设计文件，请与系统管理员联系...", IDOK);
    EXPECT_EQ(dlg.OpenMarkupFile(other, ws.TempDir() + "/gone.png"), 1);
    EXPECT_EQ(dlg.m_bDisplayFailed, 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_F(RedlineViewDlgTest, MenuInOrbitModeChecksOrbitAndGreysTheViewCommands) {
    Open();
    dlg.ShowFile(WriteDrawing(ws, "part.png"));
    dlg.m_VoloViewer.SetViewMode("Orbit");
    user.Menu(0);
    RightClick(30, 40);
    ASSERT_TRUE(user.Succeeded()) << user.Error().c_str();

    std::vector<UINT> ids;
    for (const auto& item : user.items)
        ids.push_back((item.flags & MF_SEPARATOR) ? 0 : item.id);
    EXPECT_EQ(ids, (std::vector<UINT>{1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 7, 8}));
    EXPECT_EQ(user.items[0].text, "平移(&P)...");
    EXPECT_EQ(user.items[12].text, "布局(&O)...");
    EXPECT_TRUE(FlagsOf(5) & MF_CHECKED);
    for (UINT id : {4u, 6u, 7u, 8u})
        EXPECT_TRUE(FlagsOf(id) & MF_GRAYED) << id;
    for (UINT id : {1u, 2u, 3u, 5u})
        EXPECT_FALSE(FlagsOf(id) & MF_GRAYED) << id;
    for (UINT id : {1u, 2u, 3u, 4u})
        EXPECT_FALSE(FlagsOf(id) & MF_CHECKED) << id;
    CRect viewer;
    dlg.m_VoloViewer.GetWindowRect(&viewer);
    EXPECT_EQ(user.at, CPoint(viewer.left + 30, viewer.top + 40));
    EXPECT_EQ(dlg.m_VoloViewer.GetViewMode(), "Select"); // no choice
}

TEST_F(RedlineViewDlgTest, MenuMarksTheCurrentCommandAndSetsTheChosenOne) {
    Open();
    dlg.ShowFile(WriteDrawing(ws, "part.png"));
    const std::vector<std::pair<CString, UINT>> marks = {
        {"Zoom", 2}, {"ZoomToRect", 3}, {"Pan", 1}, {"Select", 1}, {"Sketch", 1}};
    for (const auto& [mode, mark] : marks) {
        dlg.m_VoloViewer.SetViewMode(mode);
        user.Menu(0);
        RightClick(5, 5);
        EXPECT_TRUE(FlagsOf(mark) & MF_CHECKED) << mode.c_str();
        EXPECT_FALSE(FlagsOf(4) & MF_GRAYED) << mode.c_str();
    }
    const std::vector<std::pair<UINT, CString>> choices = {
        {1, "Pan"}, {2, "Zoom"}, {3, "ZoomToRect"}, {5, "Orbit"}};
    for (const auto& [command, mode] : choices) {
        user.Menu(command);
        RightClick(5, 5);
        EXPECT_EQ(dlg.m_VoloViewer.GetViewMode(), mode);
    }
    // A left button press is no menu.
    dlg.m_VoloViewer.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    dlg.m_VoloViewer.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_F(RedlineViewDlgTest, MaximiseShowsTheWholeDrawingAndLayersHideTheMarkup) {
    Open();
    dlg.ShowFile(WriteDrawing(ws, "part.png"));
    dlg.m_VoloViewer.ZoomToArea(10, 10, 20, 20);
    user.Menu(4);
    RightClick(5, 5);
    vq::DispatchPostedMessages(); // the Home key is posted to the viewer
    double l, t, r, b;
    dlg.m_VoloViewer.GetViewExtents(l, t, r, b);
    EXPECT_TRUE(l <= 0 && t <= 0 && r >= 120 && b >= 90) << l << " " << t << " " << r << " " << b;

    user.Menu(6).Dialog("图层").Check(1002, 0).Click(IDOK);
    RightClick(5, 5);
    EXPECT_TRUE(dlg.m_VoloViewer.IsPictureLayerVisible());
    EXPECT_FALSE(dlg.m_VoloViewer.IsMarkupLayerVisible());
    user.Menu(8).Dialog("布局").Click(IDOK);
    RightClick(5, 5);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_F(RedlineViewDlgTest, ViewerFollowsTheWindowSize) {
    Open();
    dlg.MoveWindow(0, 0, 800, 600);
    CRect rect = dlg.m_VoloViewer.GetRectInParent();
    EXPECT_EQ(rect, CRect(0, 0, 800, 600));
    EXPECT_EQ(dlg.m_AutoVueViewer.GetRectInParent(), rect);
}

TEST_F(RedlineViewDlgTest, ClosingHidesTheWindowForItsOwnerToShowAgain) {
    Open();
    const CString drawing = WriteDrawing(ws, "part.png");
    dlg.ShowFile(drawing);
    dlg.SendMessage(WM_CLOSE);
    EXPECT_TRUE(dlg.GetSafeHwnd() != nullptr);
    EXPECT_FALSE(dlg.IsWindowVisible());
    dlg.ShowWindow(SW_SHOW);
    EXPECT_TRUE(dlg.IsWindowVisible());
    EXPECT_EQ(dlg.m_VoloViewer.GetDrawingFile(), drawing);
}

// Through the Qt view, off screen: the picture of the window shows the drawing with its redline,
// in whichever of the two viewers the settings choose.
class RedlineViewQtTest : public ::testing::TestWithParam<const char*> {};

TEST_P(RedlineViewQtTest, PictureOpenedInTheViewerIsRenderedWithItsRedline) {
    vqtest::Workspace ws;
    vqtest::MessageBoxRecorder boxes;
    ws.WriteSetting("设计过程管理", "红线批注工具", GetParam());
    const CString drawing = WriteDrawing(ws, "bracket.png", 400, 300);
    CRedlineViewDlg dlg;
    ASSERT_TRUE(dlg.Create(CRedlineViewDlg::IDD, nullptr));
    ASSERT_EQ(dlg.ShowFile(drawing), 1);
    CDrawingViewer& viewer = dlg.m_nViewerTool == 0 ? static_cast<CDrawingViewer&>(dlg.m_VoloViewer)
                                                    : static_cast<CDrawingViewer&>(dlg.m_AutoVueViewer);
    viewer.AddMarkup({vq::MarkupKind::Rectangle, 70, 65, 250, 235, RGB(255, 0, 0), 3, ""});
    viewer.AddMarkup({vq::MarkupKind::Cloud, 270, 110, 350, 190, RGB(255, 0, 0), 2, ""});
    viewer.AddMarkup({vq::MarkupKind::Text, 260, 40, 0, 16, RGB(255, 0, 0), 2, "孔位偏移"});

    const CBitmap picture = vq::RenderDialogInQt(dlg);
    ASSERT_GT(picture.Width(), 300);
    ASSERT_GT(picture.Height(), 200);
    int red = 0, blue = 0, white = 0;
    for (int y = 0; y < picture.Height(); y += 2)
        for (int x = 0; x < picture.Width(); x += 2) {
            const COLORREF c = picture.GetPixel(x, y);
            red += c == RGB(255, 0, 0);
            blue += c == RGB(0, 0, 255);
            white += c == RGB(255, 255, 255);
        }
    EXPECT_GT(red, 50);
    EXPECT_GT(blue, 50);
    EXPECT_GT(white, 1000);

    const char* dir = std::getenv("VQ_SCREENSHOT_DIR");
    const CString shot =
        CString(dir && *dir ? dir : ws.TempDir().c_str()) + "/redline-viewer-" + GetParam() + ".png";
    EXPECT_TRUE(picture.SavePng(shot));
    EXPECT_EQ(boxes.Shown().size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(BothViewers, RedlineViewQtTest, ::testing::Values("0", "1"));

} // namespace
