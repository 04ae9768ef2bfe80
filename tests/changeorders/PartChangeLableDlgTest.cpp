// The change labels of part drawings in both dialects, with the drawings fetched from a real FTP
// server on loopback under "Vq/Proven/<product>/<part>/<revision>": the maintenance dialog (list,
// add with the viewer's view as rectangle, modify keeping or replacing it, delete, sort, zoom to a
// label, the drawing lookup with borrowing and its failures, the viewer's menu) and the comparison
// of two revisions (association zoom, revision choice, read-only properties), and both entry
// functions with their FTP connection.
#include "changeorders/ChangeLableItemDlg.h"
#include "changeorders/PartChangeLableBrowseDlg.h"
#include "changeorders/PartChangeLableMaintainDlg.h"
#include "controls/FtpTransferWindow.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/EndRequest.h"
#include "platform/ftp/FtpConnection.h"
#include "platform/ftp/InternetSession.h"
#include "platform/ui/Button.h"
#include "platform/ui/DC.h"
#include "platform/ui/Menu.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/Wnd.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/FtpServer.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/NoScreenshots.h"
#include "tests/support/VsftpdServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

extern "C" int PartChangeLableMaintain(CString partNumber, int unused, CString login);
extern "C" int PartChangeLableBrowse(CString partNumber, CString login);

namespace {

using Maintain = CPartChangeLableMaintainDlg;
using Browse = CPartChangeLableBrowseDlg;
using Item = CChangeLableItemDlg;

// A drawing of 420 by 297 pixels: frame, title block and a part outline; each revision draws its
// bore at another place, so the two revisions differ where the labels are.
std::string DrawingBytes(const CString& folder, const CString& revision) {
    CBitmap picture;
    picture.CreateBitmap(420, 297);
    CDC dc(picture);
    dc.FillSolidRect(0, 0, 420, 297, RGB(255, 255, 255));
    CPen pen(PS_SOLID, 2, RGB(0, 0, 0));
    CPen* old = dc.SelectObject(&pen);
    dc.SelectStockObject(NULL_BRUSH);
    dc.Rectangle(10, 10, 410, 287);
    dc.Rectangle(250, 237, 410, 287);
    dc.Rectangle(60, 60, 240, 200);
    dc.MoveTo(150, 40);
    dc.LineTo(150, 220);
    const bool second = revision != "A";
    dc.Ellipse(second ? 170 : 120, 100, second ? 210 : 160, 140);
    dc.SetBkMode(TRANSPARENT);
    dc.TextOut(260, 245, "P-1000-01-01 箱座");
    dc.TextOut(260, 265, "REV " + revision);
    dc.SelectObject(old);
    const CString path = folder + "/drawing-" + revision + ".png";
    EXPECT_TRUE(picture.SavePng(path));
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The cover P-1000-01-02 of the demo data as a drawing of 1260 by 891 pixels (an A3 sheet at three
// pixels a millimetre): frame, title block, the cover with its wall, two bearing bores and two
// lifting lugs. Revision B moves the left lug 60 to the right and thickens the wall.
std::string DemoCoverDrawing(const CString& folder, const CString& revision) {
    const bool b = revision == "B";
    CBitmap picture;
    picture.CreateBitmap(1260, 891);
    CDC dc(picture);
    dc.FillSolidRect(0, 0, 1260, 891, RGB(255, 255, 255));
    CPen thick(PS_SOLID, 3, RGB(0, 0, 0));
    CPen thin(PS_SOLID, 1, RGB(0, 0, 0));
    CPen centre(PS_DASHDOT, 1, RGB(0, 0, 160));
    CPen* old = dc.SelectObject(&thick);
    dc.SelectStockObject(NULL_BRUSH);
    dc.Rectangle(30, 30, 1230, 861);
    dc.Rectangle(750, 731, 1230, 861);
    dc.Rectangle(150, 330, 900, 600);
    const int wall = b ? 32 : 24;
    dc.SelectObject(&thin);
    dc.Rectangle(150 + wall, 330 + wall, 900 - wall, 600 - wall);
    for (int y : {763, 797, 829})
        dc.MoveTo(750, y), dc.LineTo(1230, y);
    dc.MoveTo(900, 731);
    dc.LineTo(900, 861);
    dc.SelectObject(&thick);
    dc.Ellipse(270, 490, 490, 710);
    dc.Ellipse(610, 510, 790, 690);
    for (int x : {b ? 270 : 210, 840}) {
        dc.Ellipse(x - 40, 258, x + 40, 338);
        dc.Ellipse(x - 14, 284, x + 14, 312);
        dc.Rectangle(x - 50, 300, x + 50, 330);
    }
    dc.SelectObject(&centre);
    for (int x : {380, 700}) {
        dc.MoveTo(x, 460);
        dc.LineTo(x, 740);
    }
    dc.MoveTo(120, 600);
    dc.LineTo(930, 600);
    dc.SelectObject(old);
    dc.SetBkMode(TRANSPARENT);
    CFont title;
    title.CreatePointFont(140, "Sans");
    CFont* oldFont = dc.SelectObject(&title);
    dc.TextOut(770, 740, "箱盖");
    dc.TextOut(920, 740, "P-1000-01-02");
    dc.TextOut(770, 772, "HT200");
    dc.TextOut(920, 772, "1:5");
    dc.TextOut(770, 804, "二级圆柱齿轮减速机");
    dc.TextOut(920, 836, "版本 " + revision);
    dc.TextOut(60, 60, "技术要求: 未注铸造圆角R5");
    if (b) {
        dc.TextOut(300, 220, "△1");
        dc.TextOut(900, 400, "△2");
        dc.TextOut(250, 350, "60");
    }
    dc.SelectObject(oldFont);
    const CString path = folder + "/cover-" + revision + ".png";
    EXPECT_TRUE(picture.SavePng(path));
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Remembers each popup menu before the scripted user answers it.
class MenuWatcher : public vq::ScriptedUser {
public:
    UINT TrackPopupMenu(const CMenu& menu, CPoint point, CWnd* owner) override {
        flags.clear();
        for (const auto& item : menu.Items())
            if (!(item.flags & MF_SEPARATOR))
                flags[item.id] = item.flags;
        return ScriptedUser::TrackPopupMenu(menu, point, owner);
    }
    std::map<UINT, UINT> flags;
};

class PartChangeLableTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.IsRunning());
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        m_oldLogin = theApp.m_strLoginUser;
        theApp.m_strLoginUser = "zhangsan";
        connection.reset(session.GetFtpConnection(server.Host(), server.User(), server.Password(),
                                                  static_cast<INTERNET_PORT>(server.Port())));
        ASSERT_TRUE(connection);
        theApp.m_pFtpConnection = connection.get();
        ws.Execute(
            "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三');"
            "INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode, CurrentRev) VALUES ('P1', '箱座', "
            "'PRD', 'B');"
            "INSERT INTO Documents VALUES ('P1', '说明书', 'p1b.txt', 'TXT', '1KB', '', '', 'B');"
            "INSERT INTO Documents VALUES ('P1', '零件设计图', 'p1b.dwg', 'DWG', '12KB', '', '', 'B');"
            "INSERT INTO Documents VALUES ('P1', '设计图', 'p1a.dwg', 'DWG', '12KB', '', '', 'A');"
            "INSERT INTO PartRevManage (PartCode, RevPath, RevNumber) VALUES ('P1', '', 'A');"
            "INSERT INTO PartRevManage (PartCode, RevPath, RevNumber) VALUES ('P1', 'A\\', 'B');"
            "INSERT INTO PartChangeLabel VALUES ('P1', 'B', 'a', '2B', '2', 'GC-1', '张三', '2026-11-02', "
            "'', '', '', '50.000000', '50.000000', '250.000000', '210.000000');"
            "INSERT INTO PartChangeLabel VALUES ('P1', 'B', 'b', '3C', '1', 'GC-2', '李四', '2026-11-05', "
            "'', '', '', '160.000000', '90.000000', '220.000000', '150.000000');"
            "INSERT INTO PartChangeLabel VALUES ('P1', 'A', '1', '3B', '1', 'GC-0', '张三', '2026-10-01', "
            "'', '', '', '110.000000', '90.000000', '170.000000', '150.000000')");
        server.MakeFolder("Vq/Proven/PRD/P1/B");
        server.MakeFolder("Vq/Proven/PRD/P1/A");
        server.WriteFile("Vq/Proven/PRD/P1/B/p1b.dwg", DrawingBytes(ws.TempDir(), "B"));
        server.WriteFile("Vq/Proven/PRD/P1/A/p1a.dwg", DrawingBytes(ws.TempDir(), "A"));
    }
    void TearDown() override {
        theApp.m_strLoginUser = m_oldLogin;
        theApp.m_pFtpConnection = nullptr;
        connection.reset();
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
    }

    static Maintain& M(CDialog& d) { return static_cast<Maintain&>(d); }
    static Browse& B(CDialog& d) { return static_cast<Browse&>(d); }
    static std::vector<CString> Column(CListCtrl& list, int column) {
        std::vector<CString> texts;
        for (int row = 0; row < list.GetItemCount(); ++row)
            texts.push_back(list.GetItemText(row, column));
        return texts;
    }
    static bool Enabled(CDialog& d, int id) { return d.GetDlgItem(id)->IsWindowEnabled(); }
    struct Extents {
        double l = 0, t = 0, r = 0, b = 0;
    };
    static Extents ViewOf(const CDrawingViewer& viewer) {
        Extents e;
        viewer.GetViewExtents(e.l, e.t, e.r, e.b);
        return e;
    }
    // The view shows the rectangle whole, centred, and fills the window with it in one direction.
    static void ExpectShows(const CDrawingViewer& viewer, double l, double t, double r, double b) {
        const Extents e = ViewOf(viewer);
        EXPECT_LE(e.l, l + 1e-6);
        EXPECT_LE(e.t, t + 1e-6);
        EXPECT_GE(e.r, r - 1e-6);
        EXPECT_GE(e.b, b - 1e-6);
        EXPECT_NEAR((e.l + e.r) / 2, (l + r) / 2, 1e-6);
        EXPECT_NEAR((e.t + e.b) / 2, (t + b) / 2, 1e-6);
        EXPECT_TRUE(std::abs((e.r - e.l) - (r - l)) < 1e-6 || std::abs((e.b - e.t) - (b - t)) < 1e-6);
    }
    CString Label(const CString& column, const CString& label, const CString& rev = "B") const {
        CString sql;
        sql.Format("SELECT %s FROM PartChangeLabel WHERE PartCode='P1' AND RevNo='%s' AND ChangeLabel='%s'",
                   column.c_str(), rev.c_str(), label.c_str());
        return ws.QueryText(sql);
    }

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::FtpServer server;
    CInternetSession session{"vqtest"};
    std::unique_ptr<CFtpConnection> connection;
    CString m_oldLogin;
};

// ---- Maintenance ------------------------------------------------------------------------------

TEST_P(PartChangeLableTest, MaintenanceListsTheCurrentRevisionBesideItsFetchedDrawing) {
    vq::ScriptedUser user;
    user.Dialog("零部件更改标记管理")
        .Do([&](CDialog& d) {
            Maintain& dlg = M(d);
            EXPECT_EQ(Column(dlg.m_listLabels, 0), (std::vector<CString>{"a", "b"}));
            EXPECT_EQ(dlg.m_listLabels.GetItemText(0, 3), "GC-1");
            EXPECT_EQ(dlg.m_listLabels.GetItemText(0, 5), "2026-11-02");
            EXPECT_TRUE(Enabled(d, Maintain::kModifyId));
            EXPECT_TRUE(Enabled(d, Maintain::kDeleteId));
            CString code, rev;
            d.GetDlgItemText(Maintain::kPartCodeId, code);
            d.GetDlgItemText(Maintain::kRevisionId, rev);
            EXPECT_EQ(code, "P1");
            EXPECT_EQ(rev, "B");
            EXPECT_TRUE(dlg.m_viewer.HasPicture());
            EXPECT_EQ(dlg.m_viewer.GetPictureSize(), CSize(420, 297));
        })
        .Click("退出");
    Maintain dlg;
    dlg.m_strPartNumber = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    // The first document whose type names a design drawing, copied into a folder of the dialog's
    // own in the working folder.
    EXPECT_EQ(dlg.Drawing().m_strDocType, "零件设计图");
    EXPECT_EQ(dlg.Drawing().m_strProductDwgCode, "PRD");
    EXPECT_EQ(ws.CopyInCallFolder(dlg.FetchedDrawing()), "_M_P1_p1b.dwg");
    EXPECT_EQ(ws.ReadFile(dlg.FetchedDrawing()), server.ReadFile("Vq/Proven/PRD/P1/B/p1b.dwg"));
    int recorded = 0;
    for (int i = 0; i < theApp.m_arrDownloadFiles.GetSize(); ++i)
        recorded += theApp.m_arrDownloadFiles[i] == dlg.FetchedDrawing() ? 1 : 0;
    EXPECT_EQ(recorded, 1);
}

TEST_P(PartChangeLableTest, AddedLabelTakesTheViewersViewAsItsRectangle) {
    ws.Execute("DELETE FROM PartChangeLabel WHERE RevNo='B'");
    Extents view;
    vq::ScriptedUser user;
    user.Dialog("零部件更改标记管理")
        .Do([&](CDialog& d) {
            EXPECT_FALSE(Enabled(d, Maintain::kModifyId));
            EXPECT_FALSE(Enabled(d, Maintain::kDeleteId));
            M(d).m_viewer.ZoomToArea(100, 80, 180, 140);
            view = ViewOf(M(d).m_viewer);
        })
        .Click("增加...")
        .Dialog("图纸更改标记项")
        .Set(Item::kLabelId, "C")
        .Set(Item::kAreaId, "4C")
        .Click(IDOK)
        .Dialog("零部件更改标记管理")
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(M(d).m_listLabels, 0), (std::vector<CString>{"C"}));
            EXPECT_EQ(M(d).m_listLabels.GetItemText(0, 1), "4C");
            EXPECT_EQ(M(d).m_listLabels.GetItemText(0, 4), "张三");
            EXPECT_TRUE(Enabled(d, Maintain::kModifyId));
            EXPECT_TRUE(Enabled(d, Maintain::kDeleteId));
        })
        .Click("退出");
    Maintain dlg;
    dlg.m_strPartNumber = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Label("LeftX", "C"), Item::FormatCoordinate(view.l));
    EXPECT_EQ(Label("LeftY", "C"), Item::FormatCoordinate(view.t));
    EXPECT_EQ(Label("RightX", "C"), Item::FormatCoordinate(view.r));
    EXPECT_EQ(Label("RightY", "C"), Item::FormatCoordinate(view.b));
    EXPECT_LT(view.l, 100.0001);
    EXPECT_GT(view.r, 179.9999);
}

TEST_P(PartChangeLableTest, ModifyKeepsTheLabelsRectangleOrTakesTheView) {
    vq::ScriptedUser user;
    user.Dialog("零部件更改标记管理")
        .Click("修改...")
        .Message("请选择更改标记项...", IDOK)
        .Select(Maintain::kListId, "a")
        .Do([](CDialog& d) { M(d).m_viewer.ZoomToArea(0, 0, 40, 30); })
        .DoubleClick(Maintain::kListId, "a")
        .Message("是否按照当前图形显示区域来设置更改标记位置?", IDNO)
        .Dialog("图纸更改标记项")
        .Set(Item::kAreaId, "5E")
        .Click(IDOK)
        .Dialog("零部件更改标记管理")
        .Do([](CDialog& d) { EXPECT_EQ(M(d).m_listLabels.GetItemText(0, 1), "5E"); })
        .Select(Maintain::kListId, "b")
        .Click("修改...")
        .Message("是否按照当前图形显示区域来设置更改标记位置?", IDYES)
        .Dialog("图纸更改标记项")
        .Set(Item::kLabelId, "B2")
        .Click(IDOK)
        .Dialog("零部件更改标记管理")
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(M(d).m_listLabels, 0), (std::vector<CString>{"a", "B2"}));
        })
        .Click("退出");
    Maintain dlg;
    dlg.m_strPartNumber = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Label("ChangeArea", "a"), "5E");
    EXPECT_EQ(Label("LeftX", "a"), "50.000000");
    EXPECT_EQ(Label("RightY", "a"), "210.000000");
    EXPECT_EQ(Label("count(*)", "b"), "0");
    EXPECT_EQ(Label("LeftX", "B2"), Item::FormatCoordinate(ViewOf(dlg.m_viewer).l));
    EXPECT_NE(Label("LeftX", "B2"), "160.000000");
    EXPECT_EQ(std::count(user.Log().begin(), user.Log().end(),
                         "message \"操作提示\": 是否按照当前图形显示区域来设置更改标记位置?"),
              2);
}

TEST_P(PartChangeLableTest, DeleteAsksFirstAndTheLastDeletionDisablesTheRowButtons) {
    vq::ScriptedUser user;
    user.Dialog("零部件更改标记管理")
        .Click("删除...")
        .Message("请选择更改标记项...", IDOK)
        .Select(Maintain::kListId, "b")
        .Click("删除...")
        .Message("是否真的要删除选中的更改标记项?", IDNO)
        .Click("删除...")
        .Message("是否真的要删除选中的更改标记项?", IDYES)
        .Do([&](CDialog& d) {
            EXPECT_EQ(Column(M(d).m_listLabels, 0), (std::vector<CString>{"a"}));
            EXPECT_TRUE(Enabled(d, Maintain::kDeleteId));
        })
        .Select(Maintain::kListId, "a")
        .Click("删除...")
        .Message("是否真的要删除选中的更改标记项?", IDYES)
        .Do([&](CDialog& d) {
            EXPECT_EQ(M(d).m_listLabels.GetItemCount(), 0);
            EXPECT_FALSE(Enabled(d, Maintain::kModifyId));
            EXPECT_FALSE(Enabled(d, Maintain::kDeleteId));
        })
        .Click("退出");
    Maintain dlg;
    dlg.m_strPartNumber = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM PartChangeLabel WHERE RevNo='B'"), "0");
    EXPECT_EQ(std::count(user.Log().begin(), user.Log().end(),
                         "message \"操作提示\": 是否真的要删除选中的更改标记项?"),
              3);
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM PartChangeLabel WHERE RevNo='A'"), "1");
}

TEST_P(PartChangeLableTest, CheckingZoomsTheViewerToTheSelectedLabel) {
    vq::ScriptedUser user;
    user.Dialog("零部件更改标记管理")
        .Select(Maintain::kListId, "a") // unchecked: the view stays whole
        .Do([](CDialog& d) { ExpectShows(M(d).m_viewer, 0, 0, 420, 297); })
        .Check("检查标记", 1) // the click zooms to the row already selected
        .Do([](CDialog& d) { ExpectShows(M(d).m_viewer, 50, 50, 250, 210); })
        .Select(Maintain::kListId, "b")
        .Do([](CDialog& d) { ExpectShows(M(d).m_viewer, 160, 90, 220, 150); })
        .Do([this](CDialog&) { ws.Execute("DELETE FROM PartChangeLabel WHERE ChangeLabel='a'"); })
        .Select(Maintain::kListId, "a")
        .Message("无对应的更改标记位置信息...", IDOK)
        .Click("退出");
    Maintain dlg;
    dlg.m_strPartNumber = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartChangeLableTest, ColumnSortsAscendingThenInExactReverse) {
    ws.Execute(
        "INSERT INTO PartChangeLabel (PartCode, RevNo, ChangeLabel, ChangeArea) VALUES ('P1', 'B', 'C', "
        "'2c');"
        "INSERT INTO PartChangeLabel (PartCode, RevNo, ChangeLabel, ChangeArea) VALUES ('P1', 'B', 'D', "
        "'1A')");
    std::vector<CString> ascending, descending, again;
    vq::ScriptedUser user;
    user.Dialog("零部件更改标记管理")
        .Column(Maintain::kListId, 1)
        .Do([&](CDialog& d) {
            ascending = Column(M(d).m_listLabels, 0);
            EXPECT_EQ(M(d).m_listLabels.m_header.GetColumnImage(1), 0);
        })
        .Column(Maintain::kListId, 1)
        .Do([&](CDialog& d) {
            descending = Column(M(d).m_listLabels, 0);
            EXPECT_EQ(M(d).m_listLabels.m_header.GetColumnImage(1), 1);
        })
        .Column(Maintain::kListId, 1)
        .Do([&](CDialog& d) { again = Column(M(d).m_listLabels, 0); })
        .Click("退出");
    Maintain dlg;
    dlg.m_strPartNumber = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    // Without regard to case: "2B" before "2c".
    EXPECT_EQ(ascending, (std::vector<CString>{"D", "a", "C", "b"}));
    EXPECT_EQ(descending, std::vector<CString>(ascending.rbegin(), ascending.rend()));
    EXPECT_EQ(again, ascending);
}

TEST_P(PartChangeLableTest, BorrowingPartWorksOnTheBorrowedPartsLabelsAndDrawing) {
    ws.Execute("INSERT INTO BorrowingRelation (Code, BorrowedCode) VALUES ('P1-COPY', 'P1')");
    vq::ScriptedUser user;
    user.Dialog("零部件更改标记管理")
        .Do([](CDialog& d) {
            EXPECT_EQ(M(d).m_listLabels.GetItemCount(), 2);
            EXPECT_TRUE(M(d).m_viewer.HasPicture());
        })
        .Click("退出");
    Maintain dlg;
    dlg.m_strPartNumber = "P1-COPY";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strPartCode, "P1");
}

TEST_P(PartChangeLableTest, DrawingLookupFailuresLeaveTheLabelsUsable) {
    // A part without a title row: revision "A", no product folder; its drawing is not found there.
    ws.Execute("INSERT INTO Documents VALUES ('N1', '设计图', 'n1.dwg', 'DWG', '', '', '', 'A');"
               "INSERT INTO PartChangeLabel (PartCode, RevNo, ChangeLabel) VALUES ('N1', 'A', 'x');"
               "INSERT INTO VqkorvelAll_title (TCode, ProductDwgCode, CurrentRev) VALUES ('P2', 'PRD', 'A');"
               "INSERT INTO Documents VALUES ('P2', '设计图', 'p2.pdf', 'PDF', '', '', '', 'A');"
               "INSERT INTO VqkorvelAll_title (TCode, ProductDwgCode, CurrentRev) VALUES ('P3', 'PRD', 'A');"
               "INSERT INTO Documents VALUES ('P3', '装配图', 'p3.dwg', 'DWG', '', '', '', 'A')");
    struct Case {
        CString part;
        CString message; // empty: none
    };
    for (const Case& c : {Case{"N1", "不能正常读取设计文档..."}, Case{"P2", "只能处理AutoCAD的设计图纸..."},
                          Case{"P3", ""}}) {
        vq::ScriptedUser user;
        if (!c.message.IsEmpty())
            user.Message(c.message, IDOK);
        user.Dialog("零部件更改标记管理")
            .Do([&c](CDialog& d) {
                EXPECT_FALSE(M(d).m_viewer.HasPicture());
                EXPECT_TRUE(Enabled(d, Maintain::kAddId));
                if (c.part == "N1") {
                    EXPECT_EQ(M(d).m_listLabels.GetItemCount(), 1);
                }
            })
            .Click("退出");
        Maintain dlg;
        dlg.m_strPartNumber = c.part;
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << c.part.c_str() << ": " << user.Error().c_str();
        EXPECT_TRUE(dlg.FetchedDrawing().IsEmpty()) << c.part.c_str();
        if (c.part == "N1") {
            EXPECT_EQ(dlg.m_strRevision, "A");
            EXPECT_EQ(dlg.Drawing().RemotePath("A"), "\\N1\\A\\n1.dwg");
        }
    }

    // Without an FTP connection.
    theApp.m_pFtpConnection = nullptr;
    vq::ScriptedUser user;
    user.Message("未能正确连接文件服务器，不能浏览设计文件...", IDOK)
        .Dialog("零部件更改标记管理")
        .Do([](CDialog& d) { EXPECT_EQ(M(d).m_listLabels.GetItemCount(), 2); })
        .Click("退出");
    Maintain dlg;
    dlg.m_strPartNumber = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

// A full local disk while the drawing is fetched is said as such, and the copy left from an
// earlier run is not shown as the current drawing.
TEST_P(PartChangeLableTest, AFullLocalDiskIsSaidAndTheOldCopyIsNotShown) {
    const CString old = ws.WorkDir() + "/_M_P1_p1b.dwg";
    std::ofstream(old.str(), std::ios::binary) << DrawingBytes(ws.TempDir(), "A");
    const std::string before = ws.ReadFile(old);
    vq::ScriptedUser user;
    user.Message("不能取得文档p1b.dwg：本地磁盘已满。", IDOK)
        .Dialog("零部件更改标记管理")
        .Do([](CDialog& d) { EXPECT_FALSE(M(d).m_viewer.HasPicture()); })
        .Click("退出");
    Maintain dlg;
    dlg.m_strPartNumber = "P1";
    {
        vqtest::FileSizeLimit full(16);
        dlg.DoModal();
    }
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_TRUE(dlg.FetchedDrawing().IsEmpty());
    EXPECT_EQ(ws.ReadFile(old), before);
}

TEST_P(PartChangeLableTest, LocalCopyStaysInTheTemporaryFolderWhateverTheStoredNames) {
    // A stored name with a subfolder of the revision's folder (one that leads out of it is
    // refused: see StoredNamePathsTest).
    ws.Execute("UPDATE Documents SET FileName='x/p1b.dwg' WHERE FileName='p1b.dwg'");
    server.MakeFolder("Vq/Proven/PRD/P1/B/x");
    server.WriteFile("Vq/Proven/PRD/P1/B/x/p1b.dwg", server.ReadFile("Vq/Proven/PRD/P1/B/p1b.dwg"));
    vq::ScriptedUser user;
    user.Dialog("零部件更改标记管理")
        .Do([](CDialog& d) { EXPECT_TRUE(M(d).m_viewer.HasPicture()); })
        .Click("退出");
    Maintain dlg;
    dlg.m_strPartNumber = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.CopyInCallFolder(dlg.FetchedDrawing()), "_M_P1_x#p1b.dwg");
}

TEST_P(PartChangeLableTest, EmptyPartNumberOrFailedLookupDisablesAddAndCheck) {
    vq::ScriptedUser user;
    user.Message("零部件图号不能为空...", IDOK)
        .Dialog("零部件更改标记管理")
        .Do([](CDialog& d) {
            EXPECT_FALSE(Enabled(d, Maintain::kAddId));
            EXPECT_FALSE(Enabled(d, Maintain::kCheckId));
        })
        .Click("退出");
    Maintain dlg;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();

    ws.Execute("DROP TABLE VqkorvelAll_title");
    vq::ScriptedUser failed;
    failed.AnyMessage(IDOK)
        .MessageContaining("SELECT ProductDwgCode, CurrentRev FROM VqkorvelAll_title", IDOK)
        .Message("不能正常读取零部件的所属产品和当前版本等信息...", IDOK)
        .Dialog("零部件更改标记管理")
        .Do([](CDialog& d) {
            EXPECT_FALSE(Enabled(d, Maintain::kAddId));
            EXPECT_EQ(M(d).m_listLabels.GetItemCount(), 0);
        })
        .Click("退出");
    Maintain second;
    second.m_strPartNumber = "P1";
    second.DoModal();
    EXPECT_TRUE(failed.Succeeded()) << failed.Error().c_str();
}

TEST_P(PartChangeLableTest, ViewerMenuOffersTheViewingCommandsAndTheHomeKey) {
    auto rightClick = [](CDialog& d) {
        M(d).m_viewer.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 30));
    };
    MenuWatcher user;
    user.Dialog("零部件更改标记管理")
        .Do([&](CDialog& d) {
            M(d).m_viewer.SetViewMode("Zoom");
            rightClick(d);
        })
        .Menu(0)
        .Do([&](CDialog& d) {
            EXPECT_TRUE(user.flags[2] & MF_CHECKED);
            for (UINT id : {6u, 7u, 8u})
                EXPECT_TRUE(user.flags[id] & MF_GRAYED) << id;
            EXPECT_FALSE(user.flags[4] & MF_GRAYED);
            EXPECT_EQ(M(d).m_viewer.GetViewMode(), "Select");
            M(d).m_viewer.SetViewMode("Orbit");
            rightClick(d);
        })
        .Menu(3)
        .Do([&](CDialog& d) {
            EXPECT_TRUE(user.flags[4] & MF_GRAYED);
            EXPECT_TRUE(user.flags[5] & MF_CHECKED);
            EXPECT_EQ(M(d).m_viewer.GetViewMode(), "ZoomToRect");
            M(d).m_viewer.ZoomToArea(10, 10, 30, 30);
            rightClick(d);
        })
        .Menu(4)
        .Do([](CDialog& d) {
            vq::DispatchPostedMessages(); // the Home key is posted to the viewer
            const Extents e = ViewOf(M(d).m_viewer);
            EXPECT_TRUE(e.l <= 0 && e.t <= 0 && e.r >= 420 && e.b >= 297) << e.l << " " << e.r;
        })
        .Click("退出");
    Maintain dlg;
    dlg.m_strPartNumber = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

// ---- Comparison of two revisions --------------------------------------------------------------

TEST_P(PartChangeLableTest, ComparisonZoomsBothRevisionsToTheSameArea) {
    vq::ScriptedUser user;
    user.Dialog("更改标记比较浏览")
        .Do([](CDialog& d) {
            Browse& dlg = B(d);
            EXPECT_EQ(Column(dlg.m_listUpper, 0), (std::vector<CString>{"a", "b"}));
            EXPECT_EQ(dlg.m_listLower.GetItemCount(), 0);
            EXPECT_TRUE(dlg.m_viewerUpper.HasPicture());
            EXPECT_FALSE(dlg.m_viewerLower.HasPicture());
            EXPECT_EQ(static_cast<CButton*>(d.GetDlgItem(Browse::kAssociateId))->GetCheck(), 1);
        })
        // No comparison revision yet: only the upper viewer zooms.
        .Select(Browse::kUpperListId, "b")
        .Do([](CDialog& d) {
            ExpectShows(B(d).m_viewerUpper, 160, 90, 220, 150);
            EXPECT_FALSE(B(d).m_viewerLower.HasPicture());
        })
        .Click(Browse::kPickRevId)
        .Dialog("选择图纸版本")
        .Tree(1009, "图纸 P1 的版本信息.../A/B") // the current revision is refused
        .Click(IDOK)
        .Message("不能与当前版本相同，请选择其他版本...", IDOK)
        .Click(Browse::kPickRevId)
        .Dialog("选择图纸版本")
        .Tree(1009, "图纸 P1 的版本信息.../A")
        .Click(IDOK)
        .Dialog("更改标记比较浏览")
        .Do([](CDialog& d) {
            Browse& dlg = B(d);
            CString rev;
            d.GetDlgItemText(Browse::kCompareRevId, rev);
            EXPECT_EQ(rev, "A");
            EXPECT_EQ(Column(dlg.m_listLower, 0), (std::vector<CString>{"1"}));
            EXPECT_TRUE(dlg.m_viewerLower.HasPicture());
        })
        .Select(Browse::kLowerListId, "1")
        .Do([](CDialog& d) {
            ExpectShows(B(d).m_viewerLower, 110, 90, 170, 150);
            ExpectShows(B(d).m_viewerUpper, 110, 90, 170, 150);
        })
        .Select(Browse::kUpperListId, "a") // a label only the current revision has
        .Do([](CDialog& d) {
            ExpectShows(B(d).m_viewerUpper, 50, 50, 250, 210);
            ExpectShows(B(d).m_viewerLower, 50, 50, 250, 210);
        })
        .Check(Browse::kAssociateId, 0)
        .Select(Browse::kUpperListId, "b")
        .Do([](CDialog& d) {
            ExpectShows(B(d).m_viewerUpper, 160, 90, 220, 150);
            ExpectShows(B(d).m_viewerLower, 50, 50, 250, 210);
        })
        .Click("退出");
    Browse dlg;
    dlg.m_strPartNumber = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.CopyInCallFolder(dlg.FetchedDrawing(Browse::kUpper)), "_M_P1[B]_p1b.dwg");
    EXPECT_EQ(ws.CopyInCallFolder(dlg.FetchedDrawing(Browse::kLower)), "_M_P1[A]_p1a.dwg");
}

TEST_P(PartChangeLableTest, ComparisonPropertiesShowTheReportedLabelReadOnly) {
    vq::ScriptedUser user;
    user.Dialog("更改标记比较浏览")
        .Click(Browse::kUpperPropId) // nothing reported yet: nothing opens
        .Select(Browse::kUpperListId, "a")
        .Click(Browse::kUpperPropId)
        .Dialog("图纸更改标记项")
        .Do([](CDialog& d) {
            CString serial;
            d.GetDlgItemText(Item::kFileSerialId, serial);
            EXPECT_EQ(serial, "GC-1");
            EXPECT_FALSE(Enabled(d, IDOK));
        })
        .Click(IDCANCEL)
        .Dialog("更改标记比较浏览")
        .DoubleClick(Browse::kUpperListId, "a")
        .Dialog("图纸更改标记项")
        .Click(IDCANCEL)
        .Dialog("更改标记比较浏览")
        .Do([](CDialog& d) { ExpectShows(B(d).m_viewerUpper, 50, 50, 250, 210); })
        .Click("退出");
    Browse dlg;
    dlg.m_strPartNumber = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartChangeLableTest, ComparisonWithoutPartNumberOffersNoRevisionChoice) {
    vq::ScriptedUser user;
    user.Message("零部件图号不能为空...", IDOK)
        .Dialog("更改标记比较浏览")
        .Do([](CDialog& d) { EXPECT_FALSE(Enabled(d, Browse::kPickRevId)); })
        .Click("退出");
    Browse dlg;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartChangeLableTest, ComparisonResizeSharesTheHeightBetweenTheViewers) {
    vqtest::NoScreenshots noScreenshots; // the geometry is the window's own, not the Qt view's
    vq::ScriptedUser user;
    user.Dialog("更改标记比较浏览")
        .Do([](CDialog& d) {
            Browse& dlg = B(d);
            const CRect upper = dlg.m_viewerUpper.GetRectInParent();
            const CRect lower = dlg.m_viewerLower.GetRectInParent();
            const CRect exit = d.GetDlgItem(IDCANCEL)->GetRectInParent();
            const CRect window = d.GetRectInParent();
            d.MoveWindow(window.left, window.top, window.Width() + 100, window.Height() + 61);
            EXPECT_EQ(dlg.m_viewerUpper.GetRectInParent(),
                      CRect(upper.left, upper.top, upper.right + 100, upper.bottom + 30));
            EXPECT_EQ(dlg.m_viewerLower.GetRectInParent(),
                      CRect(lower.left, lower.top + 30, lower.right + 100, lower.bottom + 61));
            CRect moved = exit;
            moved.OffsetRect(100, 0);
            EXPECT_EQ(d.GetDlgItem(IDCANCEL)->GetRectInParent(), moved);
            // Narrower and lower than at the start: nothing moves.
            d.MoveWindow(window.left, window.top, window.Width() - 10, window.Height() - 10);
            EXPECT_EQ(dlg.m_viewerLower.GetRectInParent().bottom, lower.bottom + 61);
        })
        .Click("退出");
    Browse dlg;
    dlg.m_strPartNumber = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

// ---- Entry functions --------------------------------------------------------------------------

class PartChangeLableEntryTest : public PartChangeLableTest {
protected:
    void SetUp() override {
        PartChangeLableTest::SetUp();
        theApp.m_pFtpConnection = nullptr;
        theApp.m_pConnPDM = nullptr;
    }

    // The label dialog of P1, opened through its entry, shows the drawing it fetched: the bytes
    // `served` holds. Its copy goes with the dialog.
    void ExpectTheReleasedDrawingFetched(const std::string& served) {
        bool shown = false;
        std::string copied;
        vq::ScriptedUser user;
        user.Dialog("零部件更改标记管理")
            .Do([&](CDialog& d) {
                shown = M(d).m_viewer.HasPicture();
                EXPECT_EQ(ws.CopyInCallFolder(M(d).FetchedDrawing()), "_M_P1_p1b.dwg");
                copied = ws.ReadFile(M(d).FetchedDrawing());
            })
            .Click("退出");
        EXPECT_EQ(PartChangeLableMaintain("P1", 0, "zhangsan"), 1);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_TRUE(shown);
        EXPECT_EQ(copied, served);
        EXPECT_EQ(ws.WorkDirEntries(), std::vector<std::string>());
    }
};

TEST_P(PartChangeLableEntryTest, EntriesOpenAndLendTheFtpServerForTheCall) {
    vqtest::ConfigRow config;
    config.domainName = server.Host() + ":" + CString(std::to_string(server.Port()));
    config.ftpUser = server.User();
    config.ftpPwd = server.Password();
    ws.SetConfig(config);
    ws.WriteSetting("服务器参数配置", "匿名连接", "0");
    bool lent = false;
    vq::ScriptedUser user;
    user.Dialog("零部件更改标记管理")
        .Do([&](CDialog& d) {
            lent = theApp.m_pFtpConnection != nullptr && theApp.m_pConnPDM;
            EXPECT_TRUE(M(d).m_viewer.HasPicture());
        })
        .Click("退出");
    EXPECT_EQ(PartChangeLableMaintain("P1", 0, "zhangsan"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_TRUE(lent);
    EXPECT_EQ(theApp.m_pFtpConnection, nullptr);
    EXPECT_FALSE(theApp.m_pConnPDM);

    vq::ScriptedUser browse;
    browse.Dialog("更改标记比较浏览")
        .Do([](CDialog& d) { EXPECT_TRUE(B(d).m_viewerUpper.HasPicture()); })
        .Click("退出");
    EXPECT_EQ(PartChangeLableBrowse("P1", "zhangsan"), 1);
    EXPECT_TRUE(browse.Succeeded()) << browse.Error().c_str();
    EXPECT_EQ(theApp.m_pFtpConnection, nullptr);
    // The released drawing's copies went with the dialogs.
    EXPECT_EQ(ws.WorkDirEntries(), std::vector<std::string>());
}

// On vsftpd with a named account the released drawing is fetched from "Vq/Proven" of the
// account's login folder, chrooted or below the machine's root, also from a server that refuses
// active mode (the session then fetches passively).
TEST_P(PartChangeLableEntryTest, OnVsftpdTheReleasedDrawingComesFromTheLoginFolder) {
    if (const CString why = vqtest::VsftpdServer::Unavailable(); !why.IsEmpty())
        GTEST_SKIP() << why.str();
    ws.WriteSetting("服务器参数配置", "匿名连接", "0");
    const struct {
        bool chrooted;
        bool passiveOnly;
        const char* name;
    } runs[] = {
        {false, false, "below the machine's root"}, {true, false, "chrooted"}, {true, true, "passive only"}};
    for (const auto& run : runs) {
        SCOPED_TRACE(run.name);
        vqtest::VsftpdServer vsftpd(run.chrooted, run.passiveOnly);
        ASSERT_TRUE(vsftpd.IsRunning());
        vsftpd.WriteFile("Vq/Proven/PRD/P1/B/p1b.dwg", server.ReadFile("Vq/Proven/PRD/P1/B/p1b.dwg"));
        vqtest::ConfigRow config;
        config.domainName = vsftpd.Url();
        config.ftpUser = vsftpd.User();
        config.ftpPwd = vsftpd.Password();
        ws.SetConfig(config);
        ExpectTheReleasedDrawingFetched(vsftpd.ReadFile("Vq/Proven/PRD/P1/B/p1b.dwg"));
    }
}

// A server behind NAT or a firewall takes the data port of active mode and cannot connect to it:
// it answers the transfer 425, or never answers. The released drawing still comes, passively,
// after one active attempt of the session (waiting at most 10 seconds).
TEST_P(PartChangeLableEntryTest, TheReleasedDrawingComesPassivelyWhenTheServerCannotConnectBack) {
    for (vqtest::FtpFault fault : {vqtest::FtpFault::PortThen425, vqtest::FtpFault::PortThenSilence}) {
        SCOPED_TRACE(static_cast<int>(fault));
        vqtest::FtpServer faulty(fault);
        ASSERT_TRUE(faulty.IsRunning());
        faulty.WriteFile("Vq/Proven/PRD/P1/B/p1b.dwg", server.ReadFile("Vq/Proven/PRD/P1/B/p1b.dwg"));
        vqtest::ConfigRow config;
        config.domainName = faulty.Url();
        ws.SetConfig(config);
        ExpectTheReleasedDrawingFetched(faulty.ReadFile("Vq/Proven/PRD/P1/B/p1b.dwg"));
        EXPECT_EQ(faulty.Received("EPRT") + faulty.Received("PORT"), 1);
        EXPECT_GE(faulty.Received("EPSV") + faulty.Received("PASV"), 1);
    }
}

// A server that cannot send the released drawing says why, and the dialog is told the reason: a
// drawing that another program holds (450), a data connection the server cannot open (425). The
// labels stay usable without the drawing.
TEST_P(PartChangeLableEntryTest, AReleasedDrawingTheServerCannotSendIsSaidWithTheCause) {
    const struct {
        vqtest::FtpFault fault;
        const char* message;
    } servers[] = {
        {vqtest::FtpFault::FileInUse,
         "不能取得文档p1b.dwg：FTP服务器上的该文件正被其他程序使用，请稍后再试。\n"
         "450 The process cannot access the file because it is being used by "
         "another process."},
        {vqtest::FtpFault::FetchWithoutDataConnection,
         "不能取得文档p1b.dwg："
         "不能与FTP服务器建立传输文件的数据连接，请检查防火墙的设置，或与FTP服务器的管理员"
         "联系。\n425 Can't open data connection."},
    };
    for (const auto& kind : servers) {
        SCOPED_TRACE(kind.message);
        vqtest::FtpServer faulty(kind.fault);
        ASSERT_TRUE(faulty.IsRunning());
        faulty.WriteFile("Vq/Proven/PRD/P1/B/p1b.dwg", server.ReadFile("Vq/Proven/PRD/P1/B/p1b.dwg"));
        vqtest::ConfigRow config;
        config.domainName = faulty.Url();
        ws.SetConfig(config);
        bool shown = true;
        vq::ScriptedUser user;
        user.Message(kind.message, IDOK)
            .Dialog("零部件更改标记管理")
            .Do([&](CDialog& d) {
                shown = M(d).m_viewer.HasPicture();
                EXPECT_EQ(M(d).m_listLabels.GetItemCount(), 2);
            })
            .Click("退出");
        EXPECT_EQ(PartChangeLableMaintain("P1", 0, "zhangsan"), 1);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_FALSE(shown);
    }
}

// Over a slow link the fetch of a 2 MB released drawing is shown in a window with 取消 once it
// takes a while. Pressing 取消, or the program being asked to end (an end signal), stops the fetch
// within two seconds: the dialog opens without the drawing, no failure is told, and no part of the
// copy is left in the working folder. The comparison's viewer says that its drawing was not loaded.
TEST_P(PartChangeLableEntryTest, ASlowFetchOfTheReleasedDrawingIsShownAndStops) {
    vqtest::FtpServer slow(vqtest::FtpFault::SlowDataConnection);
    ASSERT_TRUE(slow.IsRunning());
    slow.WriteFile("Vq/Proven/PRD/P1/B/p1b.dwg", std::string(2 << 20, 'd'));
    vqtest::ConfigRow config;
    config.domainName = slow.Url();
    ws.SetConfig(config);
    const auto nothingLeft = [&] {
        for (const auto& entry : std::filesystem::directory_iterator(ws.WorkDir().str())) {
            const std::string name = entry.path().filename().string();
            if (name.find("p1b") != std::string::npos || name.rfind(".vqnew.", 0) == 0)
                return false;
        }
        return true;
    };
    // Stands for the person: presses 取消 as soon as the transfer's window is shown.
    static bool pressed;
    struct PressingCancel : CFtpTransferWindow {
        bool Update(const FtpTransferState& state) override {
            const bool going = CFtpTransferWindow::Update(state);
            if (Window() && !pressed) {
                pressed = true;
                CString text;
                Window()->GetDlgItemText(CProgressWnd::kMessageId, text);
                EXPECT_NE(text.Find("p1b.dwg"), -1) << text.c_str();
                Window()->m_cancelButton.Click();
            }
            return going;
        }
    };
    for (bool byPerson : {true, false}) {
        SCOPED_TRACE(byPerson ? "取消" : "end signal");
        pressed = false;
        if (byPerson)
            SetFtpTransferDisplayFactory([] { return std::make_unique<PressingCancel>(); });
        bool shown = true;
        vq::ScriptedUser user;
        user.Dialog("零部件更改标记管理")
            .Do([&](CDialog& d) { shown = M(d).m_viewer.HasPicture(); })
            .Click("退出");
        const auto start = std::chrono::steady_clock::now();
        auto end = std::async(std::launch::async, [byPerson] {
            if (byPerson)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            vq::RequestEnd();
        });
        EXPECT_EQ(PartChangeLableMaintain("P1", 0, "zhangsan"), 1);
        end.get();
        vq::ClearEndRequest();
        SetFtpTransferDisplayFactory([] { return std::make_unique<CFtpTransferWindow>(); });
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(4500));
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(pressed, byPerson);
        EXPECT_FALSE(shown);
        EXPECT_TRUE(nothingLeft());
    }

    pressed = false;
    SetFtpTransferDisplayFactory([] { return std::make_unique<PressingCancel>(); });
    CString notice = "(not opened)";
    vq::ScriptedUser user;
    user.Dialog("更改标记比较浏览")
        .Do([&](CDialog& d) {
            EXPECT_FALSE(B(d).m_viewerUpper.HasPicture());
            notice = B(d).m_viewerUpper.GetNotice();
        })
        .Click("退出");
    EXPECT_EQ(PartChangeLableBrowse("P1", "zhangsan"), 1);
    SetFtpTransferDisplayFactory([] { return std::make_unique<CFtpTransferWindow>(); });
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_TRUE(pressed);
    EXPECT_EQ(notice, "版本 B 的设计图纸未载入：文件传输已取消。");
    EXPECT_TRUE(nothingLeft());
}

TEST_P(PartChangeLableEntryTest, EntriesReturnZeroWithoutADialogWhenTheFtpServerIsAway) {
    vqtest::ConfigRow config;
    config.domainName = "127.0.0.1:1";
    ws.SetConfig(config);
    vq::ScriptedUser user;
    // One box a call: what happened, and what to check.
    for (int call = 0; call < 2; ++call)
        user.Message(
            "无法连接FTP服务器 127.0.0.1:1：服务器拒绝了连接。\n请检查服务器是否正确安装,或网络是否正常工作?",
            IDOK);
    EXPECT_EQ(PartChangeLableMaintain("P1", 0, "zhangsan"), 0);
    EXPECT_EQ(PartChangeLableBrowse("P1", "zhangsan"), 0);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(theApp.m_pFtpConnection, nullptr);
    EXPECT_FALSE(theApp.m_pConnPDM);
}

// The comparison on the demo data: the cover's revisions B and A with the moved lifting lug zoomed
// in both (with VQ_SCREENSHOT_DIR set, the dialog's closing picture shows it).
TEST(PartChangeLableDemo, CoverRevisionsCompareWithTheMovedLugZoomedInBoth) {
    vqtest::DbWorkspace ws(0);
    std::ifstream file(VQ_SOURCE_DIR "/schema/sqlite/demo.sql");
    std::stringstream text;
    text << file.rdbuf();
    vqtest::DbWorkspace::RunScript(ws.Connect(), CString(text.str()));
    vqtest::FtpServer server;
    ASSERT_TRUE(server.IsRunning());
    for (const CString rev : {"A", "B"}) {
        server.MakeFolder("Vq/Proven/P-1000/P-1000-01-02/" + rev);
        server.WriteFile("Vq/Proven/P-1000/P-1000-01-02/" + rev + "/P-1000-01-02.dwg",
                         DemoCoverDrawing(ws.TempDir(), rev));
    }
    vqtest::ConfigRow config;
    config.domainName = server.Host() + ":" + CString(std::to_string(server.Port()));
    config.ftpUser = server.User();
    config.ftpPwd = server.Password();
    ws.SetConfig(config);
    ws.WriteSetting("服务器参数配置", "匿名连接", "0");
    vq::ScriptedUser user;
    user.Dialog("更改标记比较浏览")
        .Click(Browse::kPickRevId)
        .Dialog("选择图纸版本")
        .Tree(1009, "图纸 P-1000-01-02 的版本信息.../A")
        .Click(IDOK)
        .Dialog("更改标记比较浏览")
        .Select(Browse::kUpperListId, "1")
        .Do([](CDialog& d) {
            Browse& dlg = static_cast<Browse&>(d);
            EXPECT_EQ(dlg.m_listUpper.GetItemCount(), 2);
            EXPECT_EQ(dlg.m_listLower.GetItemCount(), 1);
            EXPECT_TRUE(dlg.m_viewerUpper.HasPicture());
            EXPECT_TRUE(dlg.m_viewerLower.HasPicture());
            double l, t, r, b;
            dlg.m_viewerLower.GetViewExtents(l, t, r, b);
            EXPECT_NEAR((l + r) / 2, 270, 1e-6);
            EXPECT_NEAR((t + b) / 2, 275, 1e-6);
        })
        .Click("退出");
    EXPECT_EQ(PartChangeLableBrowse("P-1000-01-02", "zhangsan"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

INSTANTIATE_TEST_SUITE_P(Dialects, PartChangeLableTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
INSTANTIATE_TEST_SUITE_P(Dialects, PartChangeLableEntryTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

} // namespace
