// The change labels of drawings attached to change orders, in both dialects, with the drawings
// fetched from the database: the management of one drawing's labels (edit rights from the order's
// state and preparer, add with the viewer's view as rectangle, zoom, delete, refused and missing
// drawings, the name of the local copy) and the browser of all drawings of an order (which
// attachments it lists, choosing a drawing, properties, opening the management, edit override).
#include "changeorders/ECOChangeLableBrowseDlg.h"
#include "changeorders/ECOChangeLableItemDlg.h"
#include "changeorders/ECOChangeLableMaintainDlg.h"
#include "controls/ListHelpers.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/File.h"
#include "platform/maker/FileStore.h"
#include "platform/ui/DC.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/Wnd.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using Maintain = CECOChangeLableMaintainDlg;
using Browse = CECOChangeLableBrowseDlg;
using Item = CECOChangeLableItemDlg;

class ECOChangeLableTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        m_oldLogin = theApp.m_strLoginUser;
        theApp.m_strLoginUser = "zhangsan";
        ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', 'Zhang San');"
                   "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('lisi', '李四')");
        AddOrder("更改单", "GG-1", "ZHANG SAN", "临时");
        Attach("更改单", "GG-1", "_VQ_ECO", "GG-1.dwg", true);
        Attach("更改单", "GG-1", "箱盖图", "cover.DWG", true);
        Attach("更改单", "GG-1", "说明", "readme.txt", true);
        Attach("更改单", "GG-1", "箱座图", "base.Dwg", true);
        Attach("更改单", "GG-1", "外观", "look.dwf", true);
        ws.Execute(
            "INSERT INTO ECOFileChangeLabel VALUES ('更改单', 'GG-1', '箱盖图', 'a', '2B', '1', 'F-1', "
            "'张三', "
            "'2026-11-02', '', '', '', '50.000000', '50.000000', '250.000000', '210.000000');"
            "INSERT INTO ECOFileChangeLabel VALUES ('更改单', 'GG-1', '箱盖图', 'b', '3C', '2', 'F-2', "
            "'李四', "
            "'2026-11-05', '', '', '', '160.000000', '90.000000', '220.000000', '150.000000');"
            "INSERT INTO ECOFileChangeLabel VALUES ('更改单', 'GG-1', '箱座图', 'x', '1A', '1', '', '张三', "
            "'2026-11-06', '', '', '', '0.000000', '0.000000', '100.000000', '100.000000')");
    }
    void TearDown() override {
        theApp.m_strLoginUser = m_oldLogin;
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
    }

    void AddOrder(const CString& group, const CString& number, const CString& saveUser,
                  const CString& state) {
        CString sql;
        sql.Format("INSERT INTO %s (ECONo, SaveUser, State) VALUES ('%s', '%s', '%s')",
                   group == "修改单" ? "ECOModifyManage" : "ECOChangeManage", number.c_str(),
                   saveUser.c_str(), state.c_str());
        ws.Execute(sql);
    }
    // An attached document; with content, a drawing of 420 by 297 pixels is stored in its row.
    void Attach(const CString& group, const CString& number, const CString& docType, const CString& fileName,
                bool content) {
        CString sql;
        sql.Format(
            "INSERT INTO ECORelateFile (ECOGroup, ECONo, DocType, FileName, FileBulk, FileType, Other1, "
            "Other4) VALUES ('%s', '%s', '%s', '%s', '12', 'AutoCAD 图形', '2026-11-01', '备注%s')",
            group.c_str(), number.c_str(), docType.c_str(), fileName.c_str(), docType.c_str());
        ws.Execute(sql);
        if (!content)
            return;
        CVQSaveFileToDB store;
        sql.Format("SELECT DocSaved, DocContent FROM ECORelateFile WHERE ECOGroup='%s' AND ECONo='%s' AND "
                   "DocType='%s'",
                   group.c_str(), number.c_str(), docType.c_str());
        ASSERT_EQ(store.PushFileToDB(sql, Drawing(), "DocContent", "PDM"), 1);
    }
    CString Drawing() {
        if (m_drawing.IsEmpty()) {
            CBitmap picture;
            picture.CreateBitmap(420, 297);
            CDC dc(picture);
            dc.FillSolidRect(0, 0, 420, 297, RGB(255, 255, 255));
            CPen pen(PS_SOLID, 2, RGB(0, 0, 0));
            CPen* old = dc.SelectObject(&pen);
            dc.SelectStockObject(NULL_BRUSH);
            dc.Rectangle(10, 10, 410, 287);
            dc.Rectangle(60, 60, 240, 200);
            dc.Ellipse(120, 100, 160, 140);
            dc.SelectObject(old);
            m_drawing = ws.TempDir() + "/source-drawing.png";
            EXPECT_TRUE(picture.SavePng(m_drawing));
        }
        return m_drawing;
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
    static CString Text(CDialog& d, int id) {
        CString text;
        d.GetDlgItemText(id, text);
        return text;
    }
    struct Extents {
        double l = 0, t = 0, r = 0, b = 0;
    };
    static Extents ViewOf(const CDrawingViewer& viewer) {
        Extents e;
        viewer.GetViewExtents(e.l, e.t, e.r, e.b);
        return e;
    }
    // The view shows the rectangle whole and centred.
    static void ExpectShows(const CDrawingViewer& viewer, double l, double t, double r, double b) {
        const Extents e = ViewOf(viewer);
        EXPECT_LE(e.l, l + 1e-6);
        EXPECT_LE(e.t, t + 1e-6);
        EXPECT_GE(e.r, r - 1e-6);
        EXPECT_GE(e.b, b - 1e-6);
        EXPECT_NEAR((e.l + e.r) / 2, (l + r) / 2, 1e-6);
        EXPECT_NEAR((e.t + e.b) / 2, (t + b) / 2, 1e-6);
    }
    CString Label(const CString& column, const CString& label, const CString& docType = "箱盖图") const {
        CString sql;
        sql.Format(
            "SELECT %s FROM ECOFileChangeLabel WHERE ECOGroup='更改单' AND ECONo='GG-1' AND DocType='%s' AND "
            "ChangeLabel='%s'",
            column.c_str(), docType.c_str(), label.c_str());
        return ws.QueryText(sql);
    }
    void RunMaintain(vq::ScriptedUser& user, const CString& number, const CString& docType, int readOnly = 0,
                     const CString& group = "更改单") {
        {
            Maintain dlg;
            dlg.m_strECOGroup = group;
            dlg.m_strECONo = number;
            dlg.m_strDocType = docType;
            dlg.m_bReadOnly = readOnly;
            dlg.DoModal();
            EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
            m_fetched = dlg.FetchedDrawing();
            m_fetchedBytes = m_fetched.IsEmpty() ? std::string() : ws.ReadFile(m_fetched);
        }
        // The copy went with the dialog.
        EXPECT_EQ(ws.WorkDirEntries(), std::vector<std::string>());
    }

    vqtest::DbWorkspace ws{GetParam()};
    CString m_oldLogin;
    CString m_drawing;
    CString m_fetched;
    std::string m_fetchedBytes; // what the copy held while the dialog was open
};

// ---- Label management ------------------------------------------------------------------------

TEST_P(ECOChangeLableTest, OrderStateAndPreparerDecideWhetherLabelsMayBeChanged) {
    AddOrder("更改单", "GG-2", "Zhang San", "正式");
    AddOrder("更改单", "GG-3", "Zhang San", "评审");
    AddOrder("更改单", "GG-4", "李四", "临时");
    AddOrder("更改单", "GG-5", "zhang san", "更改");
    AddOrder("修改单", "GG-6", "Zhang San", "临时");
    AddOrder("更改单", "GG-6", "Zhang San", "正式"); // the same number as a change notice
    struct Case {
        CString group, number;
        int readOnlyArg;
        bool editable;
    };
    // The preparer's name compared without regard to case, the state trimmed ("临时 " above
    // stored with a trailing blank in GG-1 through the dialects' text columns) and the group
    // choosing the modification notice table.
    ws.Execute("UPDATE ECOChangeManage SET State='临时 ' WHERE ECONo='GG-1'");
    const std::vector<Case> cases = {
        {"更改单", "GG-1", 0, true},  {"更改单", "GG-2", 0, false}, {"更改单", "GG-3", 0, false},
        {"更改单", "GG-4", 0, false}, {"更改单", "GG-5", 0, true},  {"修改单", "GG-6", 0, true},
        {"更改单", "GG-6", 0, false}, {"更改单", "GG-9", 0, false}, {"更改单", "GG-1", 1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE((c.group + " " + c.number).c_str());
        vq::ScriptedUser user;
        user.Dialog("设计更改标记管理")
            .Do([&](CDialog& d) {
                EXPECT_EQ(Enabled(d, Maintain::kAddId), c.editable);
                EXPECT_EQ(Text(d, Maintain::kModifyId), c.editable ? "修改..." : "属性...");
                EXPECT_EQ(M(d).m_bReadOnly, c.editable ? 0 : 1);
                EXPECT_EQ(Text(d, Maintain::kGroupId), c.group);
                EXPECT_EQ(Text(d, Maintain::kNumberId), c.number);
            })
            .Click("退出");
        RunMaintain(user, c.number, "箱盖图", c.readOnlyArg, c.group);
    }
}

TEST_P(ECOChangeLableTest, ReadOnlyManagementShowsALabelWithoutLettingItChange) {
    ws.Execute("UPDATE ECOChangeManage SET State='正式' WHERE ECONo='GG-1'");
    vq::ScriptedUser user;
    user.Dialog("设计更改标记管理")
        .Do([](CDialog& d) {
            EXPECT_FALSE(Enabled(d, Maintain::kAddId));
            EXPECT_TRUE(Enabled(d, Maintain::kModifyId));
            EXPECT_FALSE(Enabled(d, Maintain::kDeleteId));
        })
        .Select(Maintain::kListId, "b")
        .Click("属性...") // no question about the view in read-only mode
        .Dialog("设计更改标记项")
        .Do([](CDialog& d) {
            EXPECT_FALSE(Enabled(d, IDOK));
            EXPECT_FALSE(Enabled(d, Item::kLabelCharId));
            EXPECT_EQ(Text(d, Item::kAreaId), "3C");
        })
        .Click("取消")
        .Dialog("设计更改标记管理")
        .Click("退出");
    RunMaintain(user, "GG-1", "箱盖图");
    EXPECT_EQ(Label("ChangeArea", "b"), "3C");
}

TEST_P(ECOChangeLableTest, ManagementListsTheLabelsBesideTheDrawingFromTheDatabase) {
    vq::ScriptedUser user;
    user.Dialog("设计更改标记管理")
        .Do([](CDialog& d) {
            Maintain& dlg = M(d);
            EXPECT_EQ(Column(dlg.m_listLabels, 0), (std::vector<CString>{"a", "b"}));
            EXPECT_EQ(dlg.m_listLabels.GetItemText(1, 3), "F-2");
            EXPECT_EQ(dlg.m_listLabels.GetItemText(1, 4), "李四");
            EXPECT_TRUE(Enabled(d, Maintain::kModifyId));
            EXPECT_TRUE(Enabled(d, Maintain::kDeleteId));
            EXPECT_EQ(Text(d, Maintain::kDocTypeId), "箱盖图");
            EXPECT_TRUE(dlg.m_viewer.HasPicture());
            EXPECT_EQ(dlg.m_viewer.GetPictureSize(), CSize(420, 297));
        })
        .Click("退出");
    RunMaintain(user, "GG-1", "箱盖图");
    // An upper-case ".DWG" is a drawing; its copy is named by the number and the file name.
    EXPECT_EQ(ws.CopyInCallFolder(m_fetched), "MGG-1_cover.DWG");
    EXPECT_EQ(m_fetchedBytes, ws.ReadFile(Drawing()));
    int recorded = 0;
    for (int i = 0; i < theApp.m_arrDownloadFiles.GetSize(); ++i)
        recorded += theApp.m_arrDownloadFiles[i] == m_fetched ? 1 : 0;
    EXPECT_EQ(recorded, 1);
}

TEST_P(ECOChangeLableTest, LabelsAreAddedAtTheViewZoomedToAndDeleted) {
    ws.Execute("DELETE FROM ECOFileChangeLabel WHERE DocType='箱盖图'");
    Extents view;
    vq::ScriptedUser user;
    user.Dialog("设计更改标记管理")
        .Do([&](CDialog& d) {
            EXPECT_FALSE(Enabled(d, Maintain::kModifyId));
            EXPECT_FALSE(Enabled(d, Maintain::kDeleteId));
            M(d).m_viewer.ZoomToArea(100, 80, 180, 140);
            view = ViewOf(M(d).m_viewer);
        })
        .Click("增加...")
        .Dialog("设计更改标记项")
        .Do([](CDialog& d) { EXPECT_EQ(Text(d, Item::kChangerId), "Zhang San"); })
        .Set(Item::kLabelId, " O'1 ")
        .Set(Item::kContentId, "吊耳 'A' 右移")
        .Click(IDOK)
        .Dialog("设计更改标记管理")
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(M(d).m_listLabels, 0), (std::vector<CString>{"O'1"}));
            EXPECT_TRUE(Enabled(d, Maintain::kModifyId));
            EXPECT_TRUE(Enabled(d, Maintain::kDeleteId));
            M(d).m_viewer.ZoomToArea(0, 0, 420, 297);
        })
        .Click("增加...")
        .Dialog("设计更改标记项")
        .Set(Item::kLabelId, "o'1") // the same mark in other case: refused
        .Click(IDOK)
        .Message("该更改标记项已存在，请重新输入...", IDOK)
        .Set(Item::kLabelId, "2")
        .Click(IDOK)
        .Dialog("设计更改标记管理")
        .Select(Maintain::kListId, "O'1") // unchecked: the view stays whole
        .Do([](CDialog& d) { ExpectShows(M(d).m_viewer, 0, 0, 420, 297); })
        .Check("检查标记", 1) // zooms to the row already selected
        .Do([&](CDialog& d) { ExpectShows(M(d).m_viewer, view.l, view.t, view.r, view.b); })
        .Click("删除...")
        .Message("是否真的要删除选中的更改标记项?", IDYES)
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(M(d).m_listLabels, 0), (std::vector<CString>{"2"}));
            EXPECT_EQ(GetFirstSelectedItem(M(d).m_listLabels), 0);
        })
        .Click("删除...")
        .Message("是否真的要删除选中的更改标记项?", IDYES)
        .Do([](CDialog& d) {
            EXPECT_FALSE(Enabled(d, Maintain::kModifyId));
            EXPECT_FALSE(Enabled(d, Maintain::kDeleteId));
        })
        .Click("退出");
    RunMaintain(user, "GG-1", "箱盖图");
    EXPECT_EQ(Label("count(*)", "O''1"), "0");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM ECOFileChangeLabel WHERE DocType='箱盖图'"), "0");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM ECOFileChangeLabel WHERE DocType='箱座图'"), "1");
    EXPECT_EQ(std::count(user.Log().begin(), user.Log().end(),
                         "message \"操作提示\": 是否真的要删除选中的更改标记项?"),
              2);
}

TEST_P(ECOChangeLableTest, AQuoteInALabelIsStoredAndModifiedKeepingOrTakingTheView) {
    vq::ScriptedUser user;
    user.Dialog("设计更改标记管理")
        .Do([](CDialog& d) { M(d).m_viewer.ZoomToArea(0, 0, 40, 30); })
        .Select(Maintain::kListId, "a")
        .Click("修改...")
        .Message("是否按照当前图形显示区域来设置更改标记位置?", IDNO)
        .Dialog("设计更改标记项")
        .Set(Item::kLabelId, "a'")
        .Set(Item::kResionId, "壁厚 't' 加大")
        .Click(IDOK)
        .Dialog("设计更改标记管理")
        .DoubleClick(Maintain::kListId, "b")
        .Message("是否按照当前图形显示区域来设置更改标记位置?", IDYES)
        .Dialog("设计更改标记项")
        .Click(IDOK)
        .Dialog("设计更改标记管理")
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(M(d).m_listLabels, 0), (std::vector<CString>{"a'", "b"}));
        })
        .Click("退出");
    RunMaintain(user, "GG-1", "箱盖图");
    EXPECT_EQ(Label("Resion", "a''"), "壁厚 't' 加大");
    EXPECT_EQ(Label("LeftX", "a''"), "50.000000");
    EXPECT_EQ(Label("count(*)", "a"), "0");
    EXPECT_NE(Label("LeftX", "b"), "160.000000");
    EXPECT_EQ(std::count(user.Log().begin(), user.Log().end(),
                         "message \"操作提示\": 是否按照当前图形显示区域来设置更改标记位置?"),
              2);
}

TEST_P(ECOChangeLableTest, DrawingsThatAreNoDwgOrCannotBeFetchedAreSaidSo) {
    ws.Execute(
        "INSERT INTO ECOFileChangeLabel (ECOGroup, ECONo, DocType, ChangeLabel) VALUES ('更改单', 'GG-1', "
        "'外观', 'w')");
    Attach("更改单", "GG-1", "空图", "empty.dwg", false);
    AddOrder("更改单", "GG/7", "Zhang San", "临时");
    Attach("更改单", "GG/7", "图", "..\\..\\x/evil.dwg", true);
    vq::ScriptedUser user;
    user.Message("只能处理AutoCAD的设计图纸...", IDOK)
        .Dialog("设计更改标记管理")
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(M(d).m_listLabels, 0), (std::vector<CString>{"w"}));
            EXPECT_FALSE(M(d).m_viewer.HasPicture());
        })
        .Click("退出");
    RunMaintain(user, "GG-1", "外观");
    EXPECT_TRUE(m_fetched.IsEmpty());

    vq::ScriptedUser failing;
    failing.Message("不能取得文档empty.dwg：服务器上没有该文件。", IDOK)
        .Dialog("设计更改标记管理")
        .Click("退出");
    RunMaintain(failing, "GG-1", "空图");
    EXPECT_TRUE(m_fetched.IsEmpty());

    // A content row that says it holds nothing is a failed download too, not an empty drawing.
    Attach("更改单", "GG-1", "未存图", "unsaved.dwg", false);
    ws.Execute("UPDATE ECORelateFile SET DocSaved='N', DocContent='' WHERE DocType='未存图'");
    vq::ScriptedUser unsaved;
    unsaved.Message("不能取得文档unsaved.dwg：服务器上没有该文件。", IDOK)
        .Dialog("设计更改标记管理")
        .Click("退出");
    RunMaintain(unsaved, "GG-1", "未存图");
    EXPECT_TRUE(m_fetched.IsEmpty());
    EXPECT_EQ(ws.WorkDirEntries(), std::vector<std::string>());

    vq::ScriptedUser missing; // no attachment row: nothing shown, nothing said
    missing.Dialog("设计更改标记管理").Click("退出");
    RunMaintain(missing, "GG-1", "没有");

    // Separators in the number and the file name stay inside the dialog's folder.
    vq::ScriptedUser named;
    named.Dialog("设计更改标记管理").Click("退出");
    RunMaintain(named, "GG/7", "图");
    EXPECT_EQ(ws.CopyInCallFolder(m_fetched), "MGG#7_..#..#x#evil.dwg");
    EXPECT_EQ(m_fetchedBytes, ws.ReadFile(Drawing()));
}

TEST_P(ECOChangeLableTest, LabelWithoutRectangleRowAndColumnSort) {
    ws.Execute("INSERT INTO ECOFileChangeLabel (ECOGroup, ECONo, DocType, ChangeLabel, ChangeArea) VALUES "
               "('更改单', "
               "'GG-1', '箱盖图', 'C', '2c')");
    std::vector<CString> ascending, descending, again;
    vq::ScriptedUser user;
    user.Dialog("设计更改标记管理")
        .Check("检查标记", 1)
        .Select(Maintain::kListId, "b")
        .Do([](CDialog& d) { ExpectShows(M(d).m_viewer, 160, 90, 220, 150); })
        .Do([this](CDialog&) { ws.Execute("DELETE FROM ECOFileChangeLabel WHERE ChangeLabel='a'"); })
        .Select(Maintain::kListId, "a")
        .Message("无对应的更改标记位置信息...", IDOK)
        .Column(Maintain::kListId, 1)
        .Do([&](CDialog& d) { ascending = Column(M(d).m_listLabels, 0); })
        .Column(Maintain::kListId, 1)
        .Do([&](CDialog& d) { descending = Column(M(d).m_listLabels, 0); })
        .Column(Maintain::kListId, 1)
        .Do([&](CDialog& d) { again = Column(M(d).m_listLabels, 0); })
        .Click("退出");
    RunMaintain(user, "GG-1", "箱盖图");
    EXPECT_EQ(ascending, (std::vector<CString>{"a", "C", "b"}));
    EXPECT_EQ(descending, (std::vector<CString>{"b", "C", "a"}));
    EXPECT_EQ(again, ascending);
}

// ---- Label browser ---------------------------------------------------------------------------

TEST_P(ECOChangeLableTest, BrowserListsEveryDwgAttachmentAndItsLabels) {
    int fetchedBefore = 0;
    vq::ScriptedUser user;
    user.Dialog("设计更改标记浏览")
        .Do([](CDialog& d) {
            Browse& dlg = B(d);
            // Not the order's own sheet, not the text or the ".dwf"; ".DWG" in any case.
            std::vector<CString> files = Column(dlg.m_listFiles, 0);
            std::sort(files.begin(), files.end());
            EXPECT_EQ(files, (std::vector<CString>{"箱座图", "箱盖图"}));
            const int cover = dlg.m_listFiles.GetItemText(0, 0) == "箱盖图" ? 0 : 1;
            EXPECT_EQ(dlg.m_listFiles.GetItemText(cover, 1), "AutoCAD 图形");
            EXPECT_EQ(dlg.m_listFiles.GetItemText(cover, 2), "12");
            EXPECT_EQ(dlg.m_listFiles.GetItemText(cover, 3), "2026-11-01");
            EXPECT_EQ(dlg.m_listFiles.GetItemText(cover, 4), "备注箱盖图");
            EXPECT_EQ(dlg.m_listLabels.GetItemCount(), 0);
            EXPECT_FALSE(Enabled(d, Browse::kPropertiesId));
            EXPECT_EQ(Text(d, Browse::kGroupId), "更改单");
            EXPECT_EQ(Text(d, Browse::kNumberId), "GG-1");
        })
        .Click("更改标记...")
        .Message("请先选择制定的附加文件...", IDOK)
        .Select(Browse::kFileListId, "箱盖图")
        .Do([&](CDialog& d) {
            Browse& dlg = B(d);
            EXPECT_EQ(Column(dlg.m_listLabels, 0), (std::vector<CString>{"a", "b"}));
            EXPECT_EQ(dlg.m_listLabels.GetItemText(0, 1), "2B");
            EXPECT_EQ(dlg.m_listLabels.GetItemText(1, 2), "2");
            EXPECT_TRUE(Enabled(d, Browse::kPropertiesId));
            EXPECT_EQ(ws.CopyInCallFolder(dlg.FetchedDrawing()), "MGG-1_cover.DWG");
            EXPECT_TRUE(dlg.m_viewer.HasPicture());
            fetchedBefore = theApp.m_arrDownloadFiles.GetSize();
        })
        .Click("属性...")
        .Message("请选择指定的更改标记...", IDOK)
        .Select(Browse::kLabelListId, "b") // the browser always zooms
        .Do([](CDialog& d) { ExpectShows(B(d).m_viewer, 160, 90, 220, 150); })
        .Column(Browse::kLabelListId, 0) // not sortable
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(B(d).m_listLabels, 0), (std::vector<CString>{"a", "b"}));
        })
        .DoubleClick(Browse::kLabelListId, "b")
        .Dialog("设计更改标记项")
        .Do([](CDialog& d) {
            EXPECT_FALSE(Enabled(d, IDOK));
            EXPECT_EQ(Text(d, Item::kFileSerialId), "F-2");
        })
        .Click("取消")
        .Dialog("设计更改标记浏览")
        .Select(Browse::kFileListId, "箱座图")
        .Do([this](CDialog& d) {
            EXPECT_EQ(Column(B(d).m_listLabels, 0), (std::vector<CString>{"x"}));
            EXPECT_EQ(B(d).DocType(), "箱座图");
            EXPECT_EQ(ws.CopyInCallFolder(B(d).FetchedDrawing()), "MGG-1_base.Dwg");
        })
        .Click("退出");
    Browse dlg;
    dlg.m_strECOGroup = "更改单";
    dlg.m_strECONo = "GG-1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(theApp.m_arrDownloadFiles.GetSize(), fetchedBefore + 1);
}

TEST_P(ECOChangeLableTest, BrowserOpensTheManagementAndShowsItsLabelsOnReturn) {
    ws.Execute("DELETE FROM ECOFileChangeLabel WHERE DocType='箱座图'");
    vq::ScriptedUser user;
    user.Dialog("设计更改标记浏览")
        .Select(Browse::kFileListId, "箱座图")
        .Do([](CDialog& d) { EXPECT_FALSE(Enabled(d, Browse::kPropertiesId)); })
        .Click("更改标记...")
        .Dialog("设计更改标记管理")
        .Do([](CDialog& d) { EXPECT_EQ(Text(d, Maintain::kDocTypeId), "箱座图"); })
        .Click("增加...")
        .Dialog("设计更改标记项")
        .Set(Item::kLabelId, "N")
        .Click(IDOK)
        .Dialog("设计更改标记管理")
        .Click("退出")
        .Dialog("设计更改标记浏览")
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(B(d).m_listLabels, 0), (std::vector<CString>{"N"}));
            EXPECT_TRUE(Enabled(d, Browse::kPropertiesId));
        })
        .Click("退出");
    Browse dlg;
    dlg.m_strECOGroup = "更改单";
    dlg.m_strECONo = "GG-1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Label("count(*)", "N", "箱座图"), "1");
}

TEST_P(ECOChangeLableTest, EditOverrideLetsAnotherUserChangeLabelsThroughTheBrowser) {
    theApp.m_strLoginUser = "lisi";
    for (int override : {0, 1}) {
        SCOPED_TRACE(override);
        vq::ScriptedUser user;
        user.Dialog("设计更改标记浏览")
            .Select(Browse::kFileListId, "箱盖图")
            .Click("更改标记...")
            .Dialog("设计更改标记管理");
        if (override) {
            user.Do([](CDialog& d) {
                    EXPECT_TRUE(Enabled(d, Maintain::kAddId));
                    EXPECT_TRUE(Enabled(d, Maintain::kDeleteId));
                    EXPECT_EQ(Text(d, Maintain::kModifyId), "属性...");
                })
                .Select(Maintain::kListId, "a")
                .Click("属性...") // read-only: no question, but the item stays editable
                .Dialog("设计更改标记项")
                .Set(Item::kAreaId, "9Z")
                .Click(IDOK)
                .Dialog("设计更改标记管理");
        } else {
            user.Do([](CDialog& d) {
                EXPECT_FALSE(Enabled(d, Maintain::kAddId));
                EXPECT_FALSE(Enabled(d, Maintain::kDeleteId));
            });
        }
        user.Click("退出").Dialog("设计更改标记浏览").Click("退出");
        Browse dlg;
        dlg.m_strECOGroup = "更改单";
        dlg.m_strECONo = "GG-1";
        dlg.m_bEditOverride = override;
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    }
    EXPECT_EQ(Label("ChangeArea", "a"), "9Z");
}

TEST_P(ECOChangeLableTest, OrderWithoutDrawingsLeavesBothListsEmpty) {
    vq::ScriptedUser user;
    user.Dialog("设计更改标记浏览")
        .Do([](CDialog& d) {
            EXPECT_EQ(B(d).m_listFiles.GetItemCount(), 0);
            EXPECT_EQ(B(d).m_listLabels.GetItemCount(), 0);
        })
        .Do([](CDialog& d) { EXPECT_FALSE(Enabled(d, Browse::kPropertiesId)); })
        .Click("更改标记...")
        .Message("请先选择制定的附加文件...", IDOK)
        .Click("退出");
    Browse dlg;
    dlg.m_strECOGroup = "修改单";
    dlg.m_strECONo = "GG-1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

INSTANTIATE_TEST_SUITE_P(Dialects, ECOChangeLableTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

} // namespace

// What another client writes while the deletion is asked decides it: a notice that left the
// preparer's hands or a label that changed deletes nothing and says so in one box; a notice still
// in his hands, one opened through the override as it stays, or another label changed, does not
// stop it.
TEST_P(ECOChangeLableTest, DeletionIsDecidedOnTheNoticeAndLabelAsStoredWhenAnswered) {
    const struct {
        const char* name;
        const char* state; // of the notice when the window opens
        int override;
        const char* write;
        const char* refusal; // nullptr: deleted
        const char* left;    // rows of the label a afterwards
    } cases[] = {
        {"sent for review", "临时", 0, "UPDATE ECOChangeManage SET State='评审'",
         "更改单：GG-1 已提交评审，本次没有删除选中的更改标记项。", "1"},
        {"deleted", "临时", 0, "DELETE FROM ECOChangeManage",
         "更改单：GG-1 已被删除，本次没有删除选中的更改标记项。", "1"},
        {"another state", "更改", 0, "UPDATE ECOChangeManage SET State='作废'",
         "更改单：GG-1 的状态已变为“作废”，本次没有删除选中的更改标记项。", "1"},
        {"label deleted", "临时", 0, "DELETE FROM ECOFileChangeLabel WHERE ChangeLabel='a'",
         "更改标记项 a 已被其他用户删除...", "0"},
        {"still the preparer's", "临时", 0, "UPDATE ECOChangeManage SET State='更改'", nullptr, "0"},
        {"another label changed", "临时", 0,
         "UPDATE ECOFileChangeLabel SET ChangeArea='9Z' WHERE ChangeLabel='b'", nullptr, "0"},
        {"published, through the override", "正式", 1,
         "UPDATE ECOFileChangeLabel SET ChangeCount='7' WHERE "
         "ChangeLabel='b'",
         nullptr, "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ws.Execute("DELETE FROM ECOChangeManage");
        AddOrder("更改单", "GG-1", "Zhang San", c.state);
        ws.Execute("DELETE FROM ECOFileChangeLabel WHERE ChangeLabel='a'");
        ws.Execute("INSERT INTO ECOFileChangeLabel VALUES ('更改单', 'GG-1', '箱盖图', 'a', '2B', '1', "
                   "'F-1', '张三', "
                   "'2026-11-02', '', '', '', '50.000000', '50.000000', '250.000000', '210.000000')");
        vq::ScriptedUser user;
        user.Dialog("设计更改标记管理").Select(Maintain::kListId, "a").Click("删除...").Do([&](CDialog& d) {
            EXPECT_EQ(Column(M(d).m_listLabels, 0).size(), c.refusal ? 2u : 1u);
        });
        user.Click("退出");
        {
            vqtest::MessageBoxRecorder boxes;
            boxes.Expect("是否真的要删除选中的更改标记项?", IDYES, [&] { ws.Execute(c.write); });
            // The box is shown with nothing of the deletion holding the notice or the database.
            bool free = false;
            if (c.refusal)
                boxes.Expect(c.refusal, IDOK, [&] {
                    free = ws.WritesAtOnce("UPDATE ECOFileChangeLabel SET ChangeArea=ChangeArea");
                });
            Maintain dlg;
            dlg.m_strECOGroup = "更改单";
            dlg.m_strECONo = "GG-1";
            dlg.m_strDocType = "箱盖图";
            dlg.m_bEditOverride = c.override;
            dlg.DoModal();
            EXPECT_EQ(boxes.Pending(), 0);
            EXPECT_EQ(boxes.Texts().size(), c.refusal ? 2u : 1u);
            EXPECT_EQ(free, c.refusal != nullptr);
        }
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(Label("count(*)", "a"), c.left);
    }
}
