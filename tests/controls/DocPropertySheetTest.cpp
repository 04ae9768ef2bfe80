// The document viewer sheet with its pages, and the zoom window of the picture page.
#include "controls/DocPropertySheet.h"
#include "controls/ImageZoomWnd.h"
#include "platform/base/Folders.h"
#include "platform/base/TextCodec.h"
#include "platform/os/ShellOpen.h"
#include "platform/ui/DC.h"
#include "platform/ui/Menu.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/RecordingShell.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

namespace {

CBitmap Picture(int width, int height, COLORREF color) {
    CBitmap picture;
    picture.CreateBitmap(width, height);
    CDC dc(picture);
    dc.FillSolidRect(0, 0, width, height, color);
    return picture;
}

class MenuWatcher : public vq::ScriptedUser {
public:
    UINT TrackPopupMenu(const CMenu& menu, CPoint point, CWnd* owner) override {
        ids.clear();
        checked = 0;
        for (const auto& item : menu.Items()) {
            ids.push_back((item.flags & MF_SEPARATOR) ? 0 : item.id);
            if (item.flags & MF_CHECKED)
                checked = item.id;
        }
        return ScriptedUser::TrackPopupMenu(menu, point, owner);
    }
    std::vector<UINT> ids;
    UINT checked = 0;
};

class ImageZoomWndTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(zoom.Create(CRect(0, 0, 100, 100), nullptr, 1));
        zoom.SetCursors(219, 220, 308);
    }
    void RightClick() {
        zoom.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(50, 50));
        zoom.SendMessage(WM_RBUTTONUP, 0, MAKELPARAM(50, 50));
    }
    MenuWatcher user;
    CImageZoomWnd zoom;
};

TEST_F(ImageZoomWndTest, FitModesSizeAndCentreTheImage) {
    EXPECT_EQ(zoom.GetMode(), CImageZoomWnd::kActualSize);
    EXPECT_EQ(zoom.GetCursorId(), 0u); // no image: the arrow
    zoom.SetImage(Picture(200, 100, RGB(0, 0, 255)));
    EXPECT_EQ(zoom.GetImageRect(), CRect(-50, 0, 150, 100));
    zoom.SetMode(CImageZoomWnd::kFitWhole);
    EXPECT_EQ(zoom.GetImageRect(), CRect(0, 25, 100, 75));
    zoom.SetMode(CImageZoomWnd::kFitHeight);
    EXPECT_EQ(zoom.GetImageRect(), CRect(-50, 0, 150, 100));
    zoom.SetMode(CImageZoomWnd::kFitWidth);
    EXPECT_EQ(zoom.GetImageRect(), CRect(0, 25, 100, 75));
    zoom.SetMode(CImageZoomWnd::kStretch);
    EXPECT_EQ(zoom.GetImageRect(), CRect(0, 0, 100, 100));
    EXPECT_EQ(zoom.GetCursorId(), 219u);

    // The zoom modes change the cursor only.
    zoom.SetMode(CImageZoomWnd::kWindowZoom);
    EXPECT_EQ(zoom.GetCursorId(), 308u);
    EXPECT_EQ(zoom.GetImageRect(), CRect(0, 0, 100, 100));
    zoom.SetMode(CImageZoomWnd::kRealTimeZoom);
    EXPECT_EQ(zoom.GetCursorId(), 220u);
    EXPECT_EQ(zoom.GetImageRect(), CRect(0, 0, 100, 100));
}

TEST_F(ImageZoomWndTest, PaintsTheImageOnTheBackground) {
    CBitmap image = vq::RenderWindow(zoom);
    EXPECT_EQ(image.GetPixel(50, 50), GetSysColor(COLOR_WINDOW));
    zoom.SetBkColor(RGB(0, 255, 0));
    zoom.SetImage(Picture(200, 100, RGB(0, 0, 255)));
    zoom.SetMode(CImageZoomWnd::kFitWhole);
    image = vq::RenderWindow(zoom);
    EXPECT_EQ(image.GetPixel(50, 10), RGB(0, 255, 0));
    EXPECT_EQ(image.GetPixel(50, 50), RGB(0, 0, 255));
    EXPECT_EQ(image.GetPixel(50, 90), RGB(0, 255, 0));
}

TEST_F(ImageZoomWndTest, WindowZoomEnlargesTheDraggedRectangleUpToFiveTimes) {
    zoom.SetImage(Picture(100, 100, RGB(0, 0, 255)));
    zoom.SetMode(CImageZoomWnd::kWindowZoom);
    auto drag = [&](CPoint from, CPoint to) {
        zoom.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
        zoom.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
        zoom.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
    };
    drag(CPoint(25, 25), CPoint(75, 75));
    EXPECT_EQ(zoom.GetImageRect(), CRect(-50, -50, 150, 150));
    drag(CPoint(40, 40), CPoint(60, 60)); // five times as large again: 1000 by 1000
    EXPECT_EQ(zoom.GetImageRect().Width(), 1000);
    const CRect large = zoom.GetImageRect();
    drag(CPoint(40, 40), CPoint(60, 60)); // already five times the image: no further
    EXPECT_EQ(zoom.GetImageRect(), large);
}

TEST_F(ImageZoomWndTest, ContextMenuOffersTheModesOnlyWithAnImage) {
    user.Menu(0);
    RightClick();
    EXPECT_EQ(user.ids, std::vector<UINT>{3000});

    zoom.SetImage(Picture(50, 50, RGB(0, 0, 255)));
    user.Menu(3007);
    RightClick();
    EXPECT_EQ(user.ids, (std::vector<UINT>{3001, 3002, 3003, 3004, 3005, 0, 3006, 3007, 0, 3000}));
    EXPECT_EQ(user.checked, 3004u);
    EXPECT_EQ(zoom.GetMode(), CImageZoomWnd::kWindowZoom);
    user.Menu(3007); // chosen again while active: the plain mode
    RightClick();
    EXPECT_EQ(user.checked, 3007u);
    EXPECT_EQ(zoom.GetMode(), CImageZoomWnd::kPlain);

    user.Menu(3000).Color(RGB(10, 20, 30));
    RightClick();
    EXPECT_EQ(zoom.GetBkColor(), RGB(10, 20, 30));
    user.Menu(3000).Color(-1); // cancelled: unchanged
    RightClick();
    EXPECT_EQ(zoom.GetBkColor(), RGB(10, 20, 30));
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

using vqtest::RecordingShell;

TEST(DocPropertySheetTest, DocumentsGoToThePageOfTheirKind) {
    EXPECT_EQ(CDocPropertySheet::PageFor("a.DWG"), CDocPropertySheet::kDrawing);
    EXPECT_EQ(CDocPropertySheet::PageFor("a.jpeg"), CDocPropertySheet::kPicture);
    EXPECT_EQ(CDocPropertySheet::PageFor("a.sldprt"), CDocPropertySheet::kModel);
    EXPECT_EQ(CDocPropertySheet::PageFor("a.txt"), CDocPropertySheet::kText);
    EXPECT_EQ(CDocPropertySheet::PageFor("a.doc"), CDocPropertySheet::kOther);
    EXPECT_EQ(CDocPropertySheet::PageFor("README"), CDocPropertySheet::kOther);
}

TEST(DocPropertySheetTest, PagesShowTheirDocumentsWithTheStandIns) {
    vqtest::Workspace ws;
    ws.WriteSetting("浏览器配置", "屏蔽DWG右键菜单", "1");
    ws.WriteSetting("浏览器配置", "直接浏览文档格式", "doc");
    const CString picture = ws.TempDir() + "/photo.png";
    ASSERT_TRUE(Picture(40, 20, RGB(255, 0, 0)).SavePng(picture));
    const CString text = ws.WriteFile(
        "tmp/notes.txt", vq::Utf8ToGbk("第一行\r\nsecond\r\n")); // text files are in code page 936
    const CString doc = ws.WriteFile("tmp/manual.doc", "word");
    const CString acad = ws.WriteFile("install/qent/spt/acad.dwg", "AC1015");

    vq::ScriptedUser user;
    RecordingShell shell;
    CDocPropertySheet sheet;
    sheet.m_strDocument = picture;
    user.Dialog("文档浏览")
        .Do([&](CDialog&) {
            EXPECT_EQ(sheet.GetActivePage(), CDocPropertySheet::kPicture);
            EXPECT_TRUE(sheet.m_picturePage.m_zoom.HasImage());
            EXPECT_TRUE(sheet.m_picturePage.m_zoom.IsWindowVisible());
            EXPECT_FALSE(sheet.m_dwgPage.m_viewer.IsWindowVisible());
            EXPECT_EQ(sheet.m_picturePage.m_zoom.GetCursorId(), 219u);
        })
        .Select(CDocPropertySheet::kTabId, 1) // the drawing page, opened for the first time
        .Do([&](CDialog&) {
            EXPECT_EQ(sheet.GetActivePage(), CDocPropertySheet::kDrawing);
            EXPECT_TRUE(sheet.m_dwgPage.m_viewer.IsWindowVisible());
            EXPECT_FALSE(sheet.m_picturePage.m_zoom.IsWindowVisible());
            EXPECT_EQ(vq::NativePath(sheet.m_dwgPage.m_strDrawing), acad);
            EXPECT_EQ(sheet.m_dwgPage.m_viewer.GetDrawingFile(), sheet.m_dwgPage.m_strDrawing);
            EXPECT_EQ(sheet.m_dwgPage.m_viewer.GetOptionText(), "DisableRightClickMenu");
            EXPECT_TRUE(sheet.ShowDocument(text));
            EXPECT_EQ(sheet.GetActivePage(), CDocPropertySheet::kText);
            CString shown;
            sheet.m_textPage.m_text.GetWindowText(shown);
            EXPECT_EQ(shown, "第一行\nsecond");
            EXPECT_TRUE(sheet.ShowDocument(doc));
        })
        .Click("打开(&O)...")
        .Click(IDOK);
    sheet.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(shell.opened, std::vector<CString>{doc});
}

} // namespace
