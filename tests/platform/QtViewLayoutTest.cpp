// The automatic layout of dialog templates in the Qt view (rendered off screen): controls keep a
// standard gap, small buttons are as wide as their text, buttons between two lists stand in a
// column, report lists show no blank strip beside their columns, short dialogs no empty strip,
// controls marked for the right column stand there from the top; a list of many columns scrolls
// rather than widening its dialog; every registered dialog fits a 1024×768 screen, at a scale of
// 1 and of 125 % (ctest runs these tests once more with QT_SCALE_FACTOR=1.25), and shows its
// columns and button texts whole; a dialog too large for the screen scrolls above its buttons.
#include "platform/ui/DC.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/View.h"
#include "platform/ui/qt/QtDialogView.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kGap = 6; // the standard gap of the view's layout
// The client area a dialog may take on a 1024×768 screen (the smallest the users work on, and
// laptops of 1366×768): the screen less the task bar (40) and the window's frame and title bar, in
// the screen's own pixels.
constexpr int kScreenClientWidth = 1014;
constexpr int kScreenClientHeight = 698;

// The height in the view's pixels, at the scale the tests run at (1, or 1.25: 558).
int ViewClientHeight() {
    return static_cast<int>(kScreenClientHeight / vq::ViewScreenScale());
}
// Whether a client area of this size in the view's pixels fits the screen's.
bool FitsTheScreen(const CRect& client) {
    const double scale = vq::ViewScreenScale();
    return std::lround(client.Width() * scale) <= kScreenClientWidth &&
           std::lround(client.Height() * scale) <= kScreenClientHeight;
}
// Whether a control's rectangle lies whole within another (the dialog's client area).
bool Inside(const CRect& inner, const CRect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}
std::string AtScale() {
    return " at scale " + std::to_string(vq::ViewScreenScale()).substr(0, 4);
}

constexpr int kOwner = 1301;
constexpr int kBrowse = 1302;
constexpr int kMode = 1303;
constexpr int kQuery = 1304;
constexpr int kArea = 1305;
constexpr int kProduct = 1306;
constexpr int kStore = 1307;
constexpr int kColumns = 1310;
constexpr int kSet = 1311;
constexpr int kClear = 1312;
constexpr int kAttributes = 1313;
constexpr int kParents = 1314;
constexpr int kLines = 1315;
constexpr int kCount = 1316;
constexpr UINT kSteps = WM_USER + 61;

const vq::DialogTemplate kFormTemplate{
    "布局 - 示例",
    {vq::Label("负责人:"), vq::EditBox(kOwner), vq::PushButton(kBrowse, "...", vq::kBeside),
     vq::CheckBox(kMode, "查询模式", vq::kBeside), vq::PushButton(kQuery, "查询...", vq::kBeside),
     vq::Label("明细存储到:"), vq::DropDownList(kArea, vq::kBeside), vq::EditBox(kProduct, vq::kBeside),
     vq::PushButton(kStore, "存入产品...", vq::kBeside), vq::ReportList(kColumns),
     vq::PushButton(kSet, "设置 ->", vq::kBeside), vq::PushButton(kClear, "<- 清空", vq::kBeside),
     vq::ListBox(kAttributes, vq::kBeside), vq::ReportList(kParents), vq::ReportList(kLines, vq::kBeside),
     vq::Label("共 2 个装配", vq::kNoLayoutFlags, 0, kCount), vq::DefPushButton(IDOK, "确定"),
     vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

// A short dialog whose template asks for more height than its rows need.
const vq::DialogTemplate kShortTemplate{"评审负责人 - 示例",
                                        {vq::Label("负责人:"), vq::EditBox(kOwner),
                                         vq::PushButton(kBrowse, "...", vq::kBeside),
                                         vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")},
                                        CSize(300, 400)};

// A tree and a hidden list in its place, as a dialog that shows its result one way or the other.
constexpr int kAsTree = 1320;
constexpr int kAsTable = 1321;
constexpr int kTree = 1322;
constexpr int kTable = 1323;
const vq::DialogTemplate kEitherTemplate{
    "借用性 - 示例",
    {vq::RadioButton(kAsTree, "树方式", true), vq::RadioButton(kAsTable, "表方式", false, vq::kBeside),
     vq::Tree(kTree, vq::kFill), vq::ReportList(kTable, vq::kFill | vq::kHidden),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

// Two lists, the second with its label before it, and a column of controls on the right.
constexpr int kFiles = 1330;
constexpr int kLabels = 1331;
constexpr int kLabelsText = 1332;
constexpr int kManage = 1333;
constexpr int kAssist = 1334;
constexpr int kStateText = 1335;
constexpr int kRevision = 1336;
constexpr int kPick = 1337;
constexpr int kAssociate = 1338;
const vq::DialogTemplate kColumnTemplate{
    "标记浏览 - 示例",
    {vq::Label("附加文件"), vq::ReportList(kFiles, vq::kBeside), vq::Label("标记列表", vq::kBeside, 0, kLabelsText),
     vq::ReportList(kLabels, vq::kBeside), vq::PushButton(IDCANCEL, "退出", vq::kRightColumn),
     vq::PushButton(kManage, "更改标记...", vq::kRightColumn),
     vq::PushButton(kAssist, "协助评审...", vq::kRightColumn | vq::kHidden),
     vq::Label("单据状态", vq::kRightColumn, 0, kStateText), vq::EditBox(kRevision, vq::kRightColumn | vq::kBeside),
     vq::PushButton(kPick, "...", vq::kRightColumn | vq::kBeside),
     vq::CheckBox(kAssociate, "关联显示", vq::kRightColumn), vq::Label("共 2 项", vq::kNoLayoutFlags, 0, kCount)}};

// Runs `steps` inside the modal loop of the Qt view, with the widgets shown, then ends.
class CLayoutDlg : public CDialog {
public:
    explicit CLayoutDlg(const vq::DialogTemplate& t) : CDialog(t, nullptr) {}
    std::function<void(CLayoutDlg&)> fill;
    std::function<void(CLayoutDlg&)> steps;

    CRect Shown(int id) { return vq::qtinput::ShownRect(*GetDlgItem(id)); }

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (fill)
            fill(*this);
        PostMessage(kSteps);
        return TRUE;
    }
    LRESULT OnSteps(WPARAM, LPARAM) {
        if (steps)
            steps(*this);
        EndDialog(IDOK);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CLayoutDlg, CDialog)
    ON_MESSAGE(kSteps, &CLayoutDlg::OnSteps)
END_MESSAGE_MAP()

void FillForm(CLayoutDlg& d) {
    for (int id : {kColumns, kParents, kLines}) {
        auto* list = static_cast<CListCtrl*>(d.GetDlgItem(id));
        list->InsertColumn(0, "图号", LVCFMT_LEFT, 60);
        list->InsertColumn(1, "名称", LVCFMT_LEFT, 60);
        list->InsertItem(0, "P-1000");
        list->SetItemText(0, 1, "减速机");
    }
    auto* attributes = static_cast<CListBox*>(d.GetDlgItem(kAttributes));
    attributes->AddString("图号");
    attributes->AddString("图名");
}

// The distance between two rectangles that do not overlap: the larger of the horizontal and the
// vertical gap (negative when they overlap).
int Distance(const CRect& a, const CRect& b) {
    const int dx = std::max(b.left - a.right, a.left - b.right);
    const int dy = std::max(b.top - a.bottom, a.top - b.bottom);
    return std::max(dx, dy);
}

class QtViewLayoutTest : public ::testing::Test {
protected:
    void SetUp() override { m_previous = vq::SetDialogView(&vq::QtDialogView()); }
    void TearDown() override { vq::SetDialogView(m_previous); }
    vq::DialogView* m_previous = nullptr;
};

TEST_F(QtViewLayoutTest, ControlsDoNotOverlapAndKeepTheStandardGap) {
    CLayoutDlg dlg(kFormTemplate);
    dlg.fill = FillForm;
    bool ran = false;
    dlg.steps = [&](CLayoutDlg& d) {
        ran = true;
        std::vector<std::pair<int, CRect>> shown;
        for (CWnd* child : d.GetChildren()) {
            const CRect rect = vq::qtinput::ShownRect(*child);
            ASSERT_FALSE(rect.IsRectEmpty()) << "control " << child->GetDlgCtrlID();
            shown.push_back({child->GetDlgCtrlID(), rect});
        }
        ASSERT_EQ(shown.size(), kFormTemplate.controls.size());
        for (std::size_t i = 0; i < shown.size(); ++i)
            for (std::size_t j = i + 1; j < shown.size(); ++j)
                EXPECT_GE(Distance(shown[i].second, shown[j].second), kGap)
                    << shown[i].first << " and " << shown[j].first << " stand too close";
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(ran);
}

TEST_F(QtViewLayoutTest, SmallButtonsFitTheirTextAndButtonsBetweenListsStandInAColumn) {
    CLayoutDlg dlg(kFormTemplate);
    dlg.fill = FillForm;
    dlg.steps = [](CLayoutDlg& d) {
        // "..." is as wide as its text needs, beside its field at the standard gap.
        const CRect field = d.Shown(kOwner);
        const CRect browse = d.Shown(kBrowse);
        EXPECT_LT(browse.Width(), 40);
        EXPECT_GT(field.Width(), 2 * browse.Width());
        EXPECT_EQ(browse.left - field.right, kGap);
        EXPECT_NEAR(browse.CenterPoint().y, field.CenterPoint().y, 1);
        // Buttons with longer texts keep the usual width.
        EXPECT_GE(d.Shown(kStore).Width(), 70);

        // The two buttons between the lists: one over the other, between the lists, in the middle.
        const CRect columns = d.Shown(kColumns);
        const CRect attributes = d.Shown(kAttributes);
        const CRect set = d.Shown(kSet);
        const CRect clear = d.Shown(kClear);
        EXPECT_EQ(set.left, clear.left);
        EXPECT_EQ(clear.top - set.bottom, kGap);
        EXPECT_GE(set.left - columns.right, kGap);
        EXPECT_GE(attributes.left - set.right, kGap);
        EXPECT_NEAR((set.top + clear.bottom) / 2, columns.CenterPoint().y, 2);

        // The two lists of a row share its width with the gap between them.
        const CRect parents = d.Shown(kParents);
        const CRect lines = d.Shown(kLines);
        EXPECT_EQ(lines.left - parents.right, kGap);
        EXPECT_NEAR(parents.Width(), lines.Width(), 2);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST_F(QtViewLayoutTest, TheLastColumnOfAReportListReachesTheListsWidth) {
    CLayoutDlg dlg(kFormTemplate);
    dlg.fill = FillForm;
    dlg.steps = [](CLayoutDlg& d) {
        auto& list = *static_cast<CListCtrl*>(d.GetDlgItem(kParents));
        const CRect whole = vq::qtinput::ShownRect(list);
        const CRect first = vq::qtinput::ShownCellRect(list, 0, 0);
        const CRect last = vq::qtinput::ShownCellRect(list, 0, 1);
        // Given 60 pixels of the system's font, shown as wide as the list keeps the column.
        const int given = list.GetColumnWidth(0);
        EXPECT_EQ(given, static_cast<int>(std::lround(60 * vq::ViewTextScale())));
        EXPECT_EQ(first.Width(), given);
        // Inside the list's frame (a few pixels), up to its right edge.
        EXPECT_GE(last.right, whole.right - 4);
        EXPECT_LE(last.right, whole.right);
        // The list keeps the width it gave the column.
        EXPECT_EQ(list.GetColumnWidth(1), given);

        // Columns wider than the list keep their widths (the list scrolls).
        list.SetColumnWidth(0, 400);
        list.SetColumnWidth(1, 500);
        EXPECT_EQ(vq::qtinput::ShownCellRect(list, 0, 1).Width(), 500);
        // Narrower again: the last column fills the list once more.
        list.SetColumnWidth(0, 60);
        list.SetColumnWidth(1, 60);
        EXPECT_GE(vq::qtinput::ShownCellRect(list, 0, 1).right, whole.right - 4);
        EXPECT_EQ(list.GetColumnWidth(1), 60) << "a width set later is in the list's own pixels";
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

// A list of columns wider than its dialog's template: the dialog opens at the template's width and
// the list scrolls; a row of buttons whose texts need more widens the dialog that far, no further.
constexpr int kWide = 1340;
const vq::DialogTemplate kNarrowTemplate{"查询 - 示例",
                                         {vq::Label("图号:"), vq::EditBox(kOwner), vq::ReportList(kWide),
                                          vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")},
                                         CSize(500, 300)};
const vq::DialogTemplate kLongButtonsTemplate{"查询 - 示例",
                                              {vq::Label("图号:"), vq::EditBox(kOwner), vq::ReportList(kWide),
                                               vq::PushButton(kSet, "设置零部件的显示属性..."),
                                               vq::PushButton(kClear, "清除零部件的显示属性...", vq::kBeside),
                                               vq::PushButton(kStore, "存储零部件的显示属性...", vq::kBeside),
                                               vq::DefPushButton(IDOK, "确定"),
                                               vq::PushButton(IDCANCEL, "取消", vq::kBeside)},
                                              CSize(500, 300)};

void FillWideList(CLayoutDlg& d) {
    auto* list = static_cast<CListCtrl*>(d.GetDlgItem(kWide));
    for (int c = 0; c < 6; ++c)
        list->InsertColumn(c, "列", LVCFMT_LEFT, 150);
    list->InsertItem(0, "P-1000");
}

TEST_F(QtViewLayoutTest, AListOfManyColumnsScrollsRatherThanWideningItsDialog) {
    int columns = 0;
    {
        CLayoutDlg dlg(kNarrowTemplate);
        dlg.fill = FillWideList;
        dlg.steps = [&](CLayoutDlg& d) {
            CRect client;
            d.GetClientRect(&client);
            EXPECT_EQ(client.Width(), 500);
            auto& list = *static_cast<CListCtrl*>(d.GetDlgItem(kWide));
            const CRect shown = vq::qtinput::ShownRect(list);
            EXPECT_LT(shown.right, client.right);
            // The columns keep their widths, the last one beyond the list's right edge.
            columns = list.GetColumnWidth(0) * 6;
            EXPECT_EQ(vq::qtinput::ShownCellRect(list, 0, 0).Width(), list.GetColumnWidth(0));
            EXPECT_GT(vq::qtinput::ShownCellRect(list, 0, 5).right, shown.right);
        };
        EXPECT_EQ(dlg.DoModal(), IDOK);
    }
    CLayoutDlg dlg(kLongButtonsTemplate);
    dlg.fill = FillWideList;
    dlg.steps = [&](CLayoutDlg& d) {
        CRect client;
        d.GetClientRect(&client);
        EXPECT_GT(client.Width(), 500);
        EXPECT_LT(client.Width(), columns);
        // As wide as the buttons' row needs: from the margin to the margin.
        EXPECT_LE(d.Shown(kSet).left, 12);
        EXPECT_GE(d.Shown(IDCANCEL).right, client.right - 12);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

// A form with a lower part below a separator line that it shows and hides ("展开>>"): the window
// switches between two heights and keeps its place and width, the lists keep theirs; the expanded
// form stays within the screen, so a tall form opens short enough to leave the room for it.
constexpr int kDocs = 1340;
constexpr int kParts = 1341;
constexpr int kLine = 1342;
constexpr int kContentText = 1343;
constexpr int kContent = 1344;
constexpr int kReasonText = 1345;
constexpr int kReason = 1346;
constexpr int kLowerPart[] = {kLine, kContentText, kContent, kReasonText, kReason};

// Lists of the given height, in a template of the given size.
vq::DialogTemplate NoticeTemplate(CSize size, int listHeight) {
    vq::ControlTemplate docs = vq::ReportList(kDocs);
    vq::ControlTemplate parts = vq::ReportList(kParts);
    docs.rect = parts.rect = CRect(0, 0, 400, listHeight);
    return vq::DialogTemplate{"通知单 - 示例",
                              {vq::Label("编号:"), vq::EditBox(kOwner), docs, parts,
                               vq::Label("", vq::kNoLayoutFlags, SS_ETCHEDHORZ, kLine),
                               vq::Label("更改内容:", vq::kNoLayoutFlags, 0, kContentText),
                               vq::EditBox(kContent, vq::kBeside, ES_MULTILINE | ES_WANTRETURN),
                               vq::Label("更改原因:", vq::kNoLayoutFlags, 0, kReasonText),
                               vq::EditBox(kReason, vq::kBeside, ES_MULTILINE | ES_WANTRETURN),
                               vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside),
                               vq::PushButton(kBrowse, "展开>>", vq::kBeside)},
                              size};
}
const vq::DialogTemplate kShortNoticeTemplate = NoticeTemplate(CSize(600, 420), 150);
// Its lists need more height than the screen leaves beside the lower part: they give way.
const vq::DialogTemplate kTallNoticeTemplate = NoticeTemplate(CSize(780, 690), 260);

void ShowLowerPart(CDialog& d, bool shown) {
    for (int id : kLowerPart)
        d.GetDlgItem(id)->ShowWindow(shown ? SW_SHOW : SW_HIDE);
}

// The window and its lists as they stand once the view has followed the last change.
struct FormGeometry {
    CRect window;
    int docs = 0;
    int parts = 0;
};
FormGeometry Settled(CLayoutDlg& d) {
    FormGeometry now;
    for (int round = 0; round < 20; ++round) {
        vq::ActiveDialogView().ProcessPendingEvents();
        FormGeometry next;
        d.GetWindowRect(&next.window);
        next.docs = d.Shown(kDocs).Height();
        next.parts = d.Shown(kParts).Height();
        if (round > 0 && next.window == now.window && next.docs == now.docs && next.parts == now.parts)
            break;
        now = next;
    }
    return now;
}

TEST_F(QtViewLayoutTest, ALowerPartShownAndHiddenSwitchesTheWindowBetweenTwoHeights) {
    for (const vq::DialogTemplate* t : {&kShortNoticeTemplate, &kTallNoticeTemplate}) {
        SCOPED_TRACE(t->size.cy);
        CLayoutDlg dlg(*t);
        dlg.fill = [](CLayoutDlg& d) { ShowLowerPart(d, false); };
        bool ran = false;
        dlg.steps = [&](CLayoutDlg& d) {
            ran = true;
            const FormGeometry collapsed = Settled(d);
            ShowLowerPart(d, true);
            const FormGeometry expanded = Settled(d);
            CRect client;
            d.GetClientRect(&client);
            EXPECT_LE(client.Height(), ViewClientHeight());
            // Taller by the room of the lower part, in the same place and as wide; the lists keep
            // the height they need (what the template gave above it goes to all rows alike).
            EXPECT_GE(d.Shown(kContent).Height(), 60);
            EXPECT_GE(d.Shown(kReason).Height(), 60);
            EXPECT_GE(expanded.window.Height() - collapsed.window.Height(), 2 * 60 + 3 * kGap);
            EXPECT_EQ(expanded.window.TopLeft(), collapsed.window.TopLeft());
            EXPECT_EQ(expanded.window.Width(), collapsed.window.Width());
            EXPECT_GE(expanded.docs, std::min(collapsed.docs, 150));
            EXPECT_GE(expanded.parts, std::min(collapsed.parts, 150));
            if (t == &kTallNoticeTemplate) {
                // At the screen's height, the lists as high as they were.
                EXPECT_EQ(client.Height(), ViewClientHeight());
                EXPECT_NEAR(expanded.docs, collapsed.docs, 1);
                EXPECT_NEAR(expanded.parts, collapsed.parts, 1);
            }
            EXPECT_LT(d.Shown(kReason).bottom, d.Shown(IDOK).top);
            // The separator line runs across the form.
            EXPECT_GE(d.Shown(kLine).Width(), d.Shown(kParts).Width());
            // Back to the first height; again to the second.
            ShowLowerPart(d, false);
            const FormGeometry again = Settled(d);
            EXPECT_EQ(again.window, collapsed.window);
            EXPECT_EQ(again.docs, collapsed.docs);
            EXPECT_EQ(again.parts, collapsed.parts);
            ShowLowerPart(d, true);
            EXPECT_EQ(Settled(d).window, expanded.window);
        };
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_TRUE(ran);
    }
}

TEST_F(QtViewLayoutTest, AShortDialogHasNoEmptyStripAboveItsButtons) {
    CLayoutDlg dlg(kShortTemplate);
    dlg.steps = [](CLayoutDlg& d) {
        const CRect field = d.Shown(kOwner);
        const CRect ok = d.Shown(IDOK);
        EXPECT_GE(ok.top - field.bottom, kGap);
        EXPECT_LE(ok.top - field.bottom, 3 * kGap);
        // The width the template asks for is kept.
        CRect client;
        d.GetClientRect(&client);
        EXPECT_GE(client.Width(), 300);
        EXPECT_LT(client.Height(), 200);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST_F(QtViewLayoutTest, AHiddenListLeavesNoBlankWhereItWouldStand) {
    CLayoutDlg dlg(kEitherTemplate);
    dlg.steps = [](CLayoutDlg& d) {
        const int radiosBottom = d.Shown(kAsTree).bottom;
        EXPECT_LE(d.Shown(kTree).top - radiosBottom, 2 * kGap);
        EXPECT_TRUE(d.Shown(kTable).IsRectEmpty());
        // The other way round: the list takes the tree's place and height.
        const int treeHeight = d.Shown(kTree).Height();
        d.GetDlgItem(kTree)->ShowWindow(SW_HIDE);
        d.GetDlgItem(kTable)->ShowWindow(SW_SHOW);
        const CRect table = d.Shown(kTable);
        EXPECT_LE(table.top - radiosBottom, 2 * kGap);
        EXPECT_NEAR(table.Height(), treeHeight, 2);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST_F(QtViewLayoutTest, RightColumnControlsStandBesideTheRestFromTheTopInTemplateOrder) {
    CLayoutDlg dlg(kColumnTemplate);
    dlg.steps = [](CLayoutDlg& d) {
        const CRect files = d.Shown(kFiles);
        const CRect labels = d.Shown(kLabels);
        // The label before the second list stands by it, at its top.
        const CRect labelsText = d.Shown(kLabelsText);
        EXPECT_EQ(labels.left - labelsText.right, kGap);
        EXPECT_GE(labelsText.left - files.right, kGap);
        EXPECT_NEAR(labelsText.top, labels.top, 4);

        // The column: right of the lists and of the text under them, its first button level with
        // the lists' top, the buttons equally wide one under the other at the standard gap; the
        // hidden button leaves no blank.
        const CRect exit = d.Shown(IDCANCEL);
        const CRect manage = d.Shown(kManage);
        EXPECT_TRUE(d.Shown(kAssist).IsRectEmpty());
        EXPECT_GE(exit.left - labels.right, kGap);
        EXPECT_GE(exit.left - d.Shown(kCount).right, kGap);
        EXPECT_EQ(exit.top, labels.top);
        EXPECT_EQ(manage.left, exit.left);
        EXPECT_EQ(manage.Width(), exit.Width());
        EXPECT_EQ(manage.top - exit.bottom, kGap);
        const CRect stateText = d.Shown(kStateText);
        EXPECT_EQ(stateText.top - manage.bottom, kGap);
        EXPECT_EQ(stateText.left, exit.left);
        // Controls beside each other in the column share a row: the label, its field and "...".
        const CRect revision = d.Shown(kRevision);
        const CRect pick = d.Shown(kPick);
        EXPECT_EQ(revision.left - stateText.right, kGap);
        EXPECT_EQ(pick.left - revision.right, kGap);
        EXPECT_NEAR(revision.CenterPoint().y, stateText.CenterPoint().y, 1);
        EXPECT_LE(pick.right, exit.right);
        const CRect associate = d.Shown(kAssociate);
        EXPECT_EQ(associate.left, exit.left);
        EXPECT_GE(associate.top - revision.bottom, kGap);
        EXPECT_LE(associate.top - revision.bottom, 2 * kGap);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

// A dialog too large for any screen: a painted window wider than the screen at 125 % over more
// rows of fields than a screen holds.
constexpr int kPicture = 1350;
constexpr int kFirstField = 1400;
constexpr int kFieldCount = 30;
vq::DialogTemplate HugeTemplate() {
    std::vector<vq::ControlTemplate> c{
        vq::CustomWindow(kPicture, vq::kFill, WS_BORDER, CRect(0, 0, 900, 200))};
    for (int i = 0; i < kFieldCount; ++i) {
        c.push_back(vq::Label(("字段" + std::to_string(i) + ":").c_str()));
        c.push_back(vq::EditBox(kFirstField + i, vq::kBeside));
    }
    c.push_back(vq::DefPushButton(IDOK, "确定"));
    c.push_back(vq::PushButton(IDCANCEL, "取消", vq::kBeside));
    return vq::DialogTemplate{"过大 - 示例", c};
}

TEST_F(QtViewLayoutTest, ADialogTooLargeForTheScreenScrollsAboveItsButtons) {
    const vq::DialogTemplate huge = HugeTemplate();
    CLayoutDlg dlg(huge);
    bool ran = false;
    dlg.steps = [&](CLayoutDlg& d) {
        ran = true;
        CRect client;
        d.GetClientRect(&client);
        EXPECT_TRUE(FitsTheScreen(client)) << client.Width() << "x" << client.Height() << AtScale();
        EXPECT_EQ(client.Height(), ViewClientHeight()) << "it takes the screen's height";
        // The buttons whole in sight at the bottom, the painted window narrowed to the dialog.
        for (int id : {IDOK, IDCANCEL}) {
            const CRect button = d.Shown(id);
            EXPECT_TRUE(Inside(button, client)) << id;
            EXPECT_GE(button.top, client.bottom - 60) << id;
        }
        const CRect picture = d.Shown(kPicture);
        EXPECT_FALSE(picture.IsRectEmpty());
        EXPECT_LE(picture.right, client.right);
        // The last fields lie below the dialog's client area at first; Tab into them brings each
        // in sight above the buttons, wide enough to type in.
        const int last = kFirstField + kFieldCount - 1;
        EXPECT_GT(d.Shown(last).top, client.bottom);
        for (int id = last - 2; id < last; ++id) {
            ASSERT_TRUE(vq::qtinput::Key(*d.GetDlgItem(id), VK_TAB));
            CWnd& next = *d.GetDlgItem(id + 1);
            EXPECT_TRUE(vq::qtinput::HasFocus(next)) << id + 1;
            const CRect field = d.Shown(id + 1);
            EXPECT_TRUE(Inside(field, client)) << id + 1;
            EXPECT_LT(field.bottom, d.Shown(IDOK).top) << id + 1;
            EXPECT_GE(field.Width(), 100) << id + 1;
        }
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(ran);
}

// The width and height in the header of a PNG file (0, 0 when it is none).
CSize PngSize(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    unsigned char header[24] = {};
    if (!in.read(reinterpret_cast<char*>(header), sizeof header))
        return CSize(0, 0);
    auto at = [&](int i) {
        return (header[i] << 24) | (header[i + 1] << 16) | (header[i + 2] << 8) | header[i + 3];
    };
    return CSize(at(16), at(20));
}

// A dialog's picture in the screenshot folder has its frame at the scale of the screen, as the
// dialog: a border and a title bar (28) of the view's pixels around it, in the screen's pixels. (A
// frame of the screen's pixels drawn around a picture of them showed the dialog shrunk into a
// corner at 125 %.)
TEST_F(QtViewLayoutTest, AScreenshotFramesTheDialogAtTheScreensScale) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("vq-layout-shots-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const char* old = std::getenv("VQ_SCREENSHOT_DIR");
    const std::string saved = old ? old : "";
    ::setenv("VQ_SCREENSHOT_DIR", dir.c_str(), 1);
    CRect client;
    {
        CLayoutDlg dlg(kShortTemplate);
        dlg.steps = [&](CLayoutDlg& d) { d.GetClientRect(&client); };
        EXPECT_EQ(dlg.DoModal(), IDOK);
    }
    if (old)
        ::setenv("VQ_SCREENSHOT_DIR", saved.c_str(), 1);
    else
        ::unsetenv("VQ_SCREENSHOT_DIR");
    const double scale = vq::ViewScreenScale();
    for (const char* name : {"评审负责人 - 示例.png", "评审负责人 - 示例 (2).png"}) {
        EXPECT_EQ(PngSize(dir / name), CSize(static_cast<int>(std::lround((client.Width() + 2) * scale)),
                                             static_cast<int>(std::lround((client.Height() + 29) * scale))))
            << name << AtScale();
    }
    fs::remove_all(dir);
}

} // namespace

namespace {

// A registered dialog built from its template alone, pictured and ended at once; `fill` runs as
// its OnInitDialog would, `steps` inside its modal loop.
class CPictureDlg : public CDialog {
public:
    explicit CPictureDlg(UINT id) : CDialog(id, nullptr) {}
    CBitmap m_picture;
    std::function<void(CPictureDlg&)> fill;
    std::function<void(CPictureDlg&)> steps;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (fill)
            fill(*this);
        m_picture = vq::RenderDialogInQt(*this);
        PostMessage(kSteps);
        return TRUE;
    }
    LRESULT OnSteps(WPARAM, LPARAM) {
        if (steps)
            steps(*this);
        EndDialog(IDOK);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

// The width of a text in the view's font.
int ViewTextWidth(const CString& text) {
    CBitmap scratch;
    scratch.CreateBitmap(1, 1);
    CDC dc(scratch);
    LOGFONT lf;
    lf.lfHeight = -vq::kViewFontPixels;
    lf.lfWeight = FW_NORMAL;
    std::strncpy(lf.lfFaceName, vq::DefaultFontFace(), LF_FACESIZE - 1);
    CFont font;
    font.CreateFontIndirect(&lf);
    dc.SelectObject(&font);
    return dc.GetTextExtent(text).cx;
}

// The width of a text in the system's 9-point font (6 pixels a byte-wide character, 12 a Chinese
// one), for which the dialogs give their column widths.
int SystemTextWidth(const CString& text) {
    int width = 0;
    for (unsigned char c : text.str())
        width += c < 0x80 ? 6 : ((c & 0xC0) == 0xC0 ? 12 : 0);
    return width;
}

// Columns of the kinds the dialogs' lists have (a number, codes, Chinese names, a login with its
// name, a time, a type), each given the width that just fitted its text in the system's font with
// the system's cell margins (6 pixels each side).
const char* const kCellTexts[] = {"128",          "XM-01-01#001",        "箱座轴承孔详图",
                                  "zhaoliu{赵六}", "2026-12-07 19:45:00", "AutoCAD 图形",
                                  "P-1000-01-04", "待评审"};
constexpr int kSystemCellMargins = 12;
// The margins of a cell in the view (3 pixels each side).
constexpr int kViewCellMargins = 6;

void FillEveryReportList(CDialog& d) {
    for (CWnd* child : d.GetChildren()) {
        auto* list = dynamic_cast<CListCtrl*>(child);
        if (!list || list->GetColumnCount() > 0)
            continue;
        int c = 0;
        for (const char* text : kCellTexts) {
            list->InsertColumn(c, "列", LVCFMT_LEFT, SystemTextWidth(text) + kSystemCellMargins);
            if (c == 0)
                list->InsertItem(0, text);
            else
                list->SetItemText(0, c, text);
            ++c;
        }
    }
}

BEGIN_MESSAGE_MAP(CPictureDlg, CDialog)
    ON_MESSAGE(kSteps, &CPictureDlg::OnSteps)
END_MESSAGE_MAP()

} // namespace

// Every dialog of the system fits the smallest screen its users work on, so that its top rows and
// its buttons are in reach: its picture (in the screen's pixels) within the screen, and its 确定 and
// 取消 whole within its client area.
TEST_F(QtViewLayoutTest, EveryRegisteredDialogFitsALaptopScreen) {
    const std::vector<UINT> ids = vq::RegisteredDialogTemplateIds();
    ASSERT_GT(ids.size(), 50u); // the library's dialogs register when it is loaded
    std::vector<std::string> tooLarge;
    for (UINT id : ids) {
        const std::string caption = vq::FindDialogTemplate(id)->caption.c_str();
        CPictureDlg dlg(id);
        dlg.steps = [&](CPictureDlg& d) {
            CRect client;
            d.GetClientRect(&client);
            for (int button : {IDOK, IDCANCEL}) {
                CWnd* control = d.GetDlgItem(button);
                const CRect shown = control ? vq::qtinput::ShownRect(*control) : CRect();
                if (!shown.IsRectEmpty() && !Inside(shown, client))
                    tooLarge.push_back(caption + AtScale() + ": button " + std::to_string(button) +
                                       " out of sight");
            }
        };
        ASSERT_EQ(dlg.DoModal(), IDOK) << id;
        const CSize size = dlg.m_picture.GetSize();
        if (size.cx > kScreenClientWidth || size.cy > kScreenClientHeight)
            tooLarge.push_back(caption + AtScale() + ": " + std::to_string(size.cx) + "x" +
                               std::to_string(size.cy));
    }
    EXPECT_TRUE(tooLarge.empty()) << ::testing::PrintToString(tooLarge);
}

// With report lists of the kinds of columns the dialogs have: every dialog still fits the screen
// and opens as wide as without them (a list scrolls sideways rather than widening its dialog); a
// column is shown as wide as its list keeps it and wide enough for the text it was given for in
// the system's font; every push button shows its text with room beside it.
TEST_F(QtViewLayoutTest, EveryRegisteredDialogShowsItsColumnsAndButtonTextsWithinTheScreen) {
    const std::vector<UINT> ids = vq::RegisteredDialogTemplateIds();
    ASSERT_GT(ids.size(), 50u);
    std::vector<std::string> faults;
    for (UINT id : ids) {
        const std::string caption = vq::FindDialogTemplate(id)->caption.c_str();
        CPictureDlg empty(id);
        int emptyWidth = 0;
        empty.steps = [&](CPictureDlg& d) {
            CRect client;
            d.GetClientRect(&client);
            emptyWidth = client.Width();
        };
        ASSERT_EQ(empty.DoModal(), IDOK) << id;
        CPictureDlg dlg(id);
        dlg.fill = FillEveryReportList;
        dlg.steps = [&](CPictureDlg& d) {
            CRect client;
            d.GetClientRect(&client);
            if (!FitsTheScreen(client))
                faults.push_back(caption + AtScale() + ": " + std::to_string(client.Width()) + "x" +
                                 std::to_string(client.Height()));
            if (client.Width() != emptyWidth)
                faults.push_back(caption + ": " + std::to_string(client.Width()) + " wide with columns, " +
                                 std::to_string(emptyWidth) + " without");
            for (CWnd* child : d.GetChildren()) {
                const CRect shown = vq::qtinput::ShownRect(*child);
                if (shown.IsRectEmpty())
                    continue;
                const std::string name = caption + " #" + std::to_string(child->GetDlgCtrlID());
                if (auto* list = dynamic_cast<CListCtrl*>(child); list && list->GetItemCount() > 0) {
                    const int last = list->GetColumnCount() - 1;
                    for (int c = 0; c <= last; ++c) {
                        const int width = vq::qtinput::ShownCellRect(*list, 0, c).Width();
                        if (c < last ? width != list->GetColumnWidth(c) : width < list->GetColumnWidth(c))
                            faults.push_back(name + " column " + std::to_string(c) + " shown " +
                                             std::to_string(width) + " for " +
                                             std::to_string(list->GetColumnWidth(c)));
                        if (width < ViewTextWidth(kCellTexts[c]) + kViewCellMargins)
                            faults.push_back(name + " cuts \"" + kCellTexts[c] + "\"");
                    }
                } else if (child->GetControlKind() == vq::ControlKind::PushButton &&
                           (child->GetStyle() & BS_TYPEMASK) != BS_OWNERDRAW) {
                    CString text = child->GetWindowTextValue();
                    text.Remove('&');
                    if (!text.IsEmpty() && shown.Width() < ViewTextWidth(text) + 16)
                        faults.push_back(name + " cuts \"" + text.c_str() + "\"");
                }
            }
        };
        ASSERT_EQ(dlg.DoModal(), IDOK) << id;
    }
    EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}
