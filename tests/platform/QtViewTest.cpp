// The Qt view of dialogs, rendered off screen (QT_QPA_PLATFORM=offscreen is set when no display is).
#include "platform/ui/Button.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/DateTimeCtrl.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Edit.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/Menu.h"
#include "platform/ui/TreeCtrl.h"
#include "platform/ui/View.h"
#include "platform/ui/qt/QtApplication.h"
#include "platform/ui/qt/QtDialogView.h"
#include "platform/ui/qt/SigpipeHeld.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <pthread.h>
#include <unistd.h>

namespace {

constexpr int kName = 1001;
constexpr int kKind = 1002;
constexpr int kList = 1003;
constexpr int kTree = 1004;
constexpr int kChart = 1005;
constexpr int kBrowse = 1006;
constexpr int kLocked = 1007;
constexpr int kNote = 1008;
constexpr int kSwatch = 1009;

const vq::DialogTemplate kSampleTemplate{
    "任务属性 - 示例",
    {vq::Label("任务名称:"), vq::EditBox(kName), vq::PushButton(kBrowse, "...", vq::kBeside),
     vq::Label("任务类型:"), vq::DropDownList(kKind), vq::CheckBox(kLocked, "锁定任务"),
     vq::PushButton(kSwatch, "颜色", vq::kBeside), vq::GroupFrame("成员"), vq::ReportList(kList),
     vq::Tree(kTree), vq::Label("说明:"),
     vq::EditBox(kNote, vq::kNoLayoutFlags, ES_MULTILINE | ES_AUTOVSCROLL),
     vq::CustomWindow(kChart, vq::kNoLayoutFlags, 0, CRect(0, 0, 160, 100)), vq::DefPushButton(IDOK, "确定"),
     vq::PushButton(IDCANCEL, "取消")}};

// A custom window: a blue disc on white.
class ChartWindow : public CWnd {
public:
    void OnPaint() override {
        CPaintDC dc(this);
        CRect client;
        GetClientRect(&client);
        dc.FillSolidRect(&client, RGB(255, 255, 255));
        CBrush blue(RGB(0, 0, 255));
        dc.SelectObject(&blue);
        dc.Ellipse(&client);
    }
};

// An owner-drawn button: a green swatch.
class SwatchButton : public CButton {
public:
    void DrawItem(LPDRAWITEMSTRUCT item) override { item->hDC->FillSolidRect(&item->rcItem, RGB(0, 160, 0)); }
};

class SampleDlg : public CDialog {
public:
    SampleDlg() : CDialog(kSampleTemplate) {}
    ChartWindow m_chart;
    SwatchButton m_swatch;
    bool m_endOnOpen = false;
    CImageList m_images;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_chart.SubclassDlgItem(kChart, this);
        m_swatch.SubclassDlgItem(kSwatch, this);
        m_swatch.ModifyStyle(0, BS_OWNERDRAW); // as an owner-drawn button class does when attached
        SetDlgItemText(kName, "总体设计");
        auto* kind = static_cast<CComboBox*>(GetDlgItem(kKind));
        kind->AddString("设计任务");
        kind->AddString("评审任务");
        kind->SetCurSel(1);
        auto* list = static_cast<CListCtrl*>(GetDlgItem(kList));
        list->SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
        list->InsertColumn(0, "姓名", LVCFMT_LEFT, 100);
        list->InsertColumn(1, "角色", LVCFMT_CENTER, 80);
        list->InsertColumn(2, "工时", LVCFMT_RIGHT, 60);
        for (int i = 0; i < 3; ++i) {
            const char* names[] = {"张三", "李四", "王五"};
            list->InsertItem(i, names[i]);
            list->SetItemText(i, 1, i == 0 ? "负责人" : "成员");
            list->SetItemText(i, 2, "8");
        }
        list->SetItemState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        auto* tree = static_cast<CTreeCtrl*>(GetDlgItem(kTree));
        HTREEITEM root = tree->InsertItem("项目A");
        tree->InsertItem("任务1", root);
        tree->InsertItem("任务2", root);
        tree->Expand(root, TVE_EXPAND);
        if (m_endOnOpen)
            PostMessage(WM_USER + 7);
        return TRUE;
    }
    LRESULT OnEndNow(WPARAM, LPARAM) {
        EndDialog(IDOK);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(SampleDlg, CDialog)
    ON_MESSAGE(WM_USER + 7, &SampleDlg::OnEndNow)
END_MESSAGE_MAP()

// Runs DoModal with the Qt view in use; OnInitDialog builds the controls, the loop is ended by a
// message the dialog posts to itself.
class QtViewTest : public ::testing::Test {
protected:
    void SetUp() override { m_previous = vq::SetDialogView(&vq::QtDialogView()); }
    void TearDown() override { vq::SetDialogView(m_previous); }
    vq::DialogView* m_previous = nullptr;
};

TEST_F(QtViewTest, ModalLoopRunsUntilTheDialogEndsItself) {
    SampleDlg dlg;
    dlg.m_endOnOpen = true;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_FALSE(dlg.GetSafeHwnd());
}

// The picture of the sample dialog: a sensible size, every control laid out inside it without
// overlapping another, the custom window painted.
class RenderDlg : public SampleDlg {
public:
    CBitmap m_picture;

protected:
    BOOL OnInitDialog() override {
        SampleDlg::OnInitDialog();
        m_picture = vq::RenderDialogInQt(*this);
        m_rects.clear();
        for (CWnd* child : GetChildren())
            m_rects.push_back({child->GetDlgCtrlID(), child->GetRectInParent()});
        PostMessage(WM_USER + 7);
        return TRUE;
    }

public:
    std::vector<std::pair<int, CRect>> m_rects;
};

TEST_F(QtViewTest, SampleDialogIsRenderedWithEveryControlVisible) {
    RenderDlg dlg;
    ASSERT_EQ(dlg.DoModal(), IDOK);
    const CSize size = dlg.m_picture.GetSize();
    EXPECT_GE(size.cx, 300);
    EXPECT_GE(size.cy, 300);
    EXPECT_LE(size.cx, 1400);
    EXPECT_LE(size.cy, 1000);
    ASSERT_FALSE(dlg.m_rects.empty());
    const CRect whole(0, 0, size.cx, size.cy);
    for (const auto& [id, rect] : dlg.m_rects) {
        EXPECT_FALSE(rect.IsRectEmpty()) << "control " << id;
        CRect inside;
        inside.IntersectRect(rect, whole);
        EXPECT_EQ(inside, rect) << "control " << id << " leaves the dialog";
    }
    // No two controls overlap, except a frame and what it holds.
    for (std::size_t i = 0; i < dlg.m_rects.size(); ++i)
        for (std::size_t j = i + 1; j < dlg.m_rects.size(); ++j) {
            CRect overlap;
            const CRect& a = dlg.m_rects[i].second;
            const CRect& b = dlg.m_rects[j].second;
            CRect both;
            both.UnionRect(a, b);
            if (both == a || both == b)
                continue; // one holds the other (the group frame)
            EXPECT_FALSE(overlap.IntersectRect(a, b))
                << dlg.m_rects[i].first << " and " << dlg.m_rects[j].first << " overlap";
        }
    // The custom window shows its blue disc at its centre.
    for (const auto& [id, rect] : dlg.m_rects) {
        if (id == kChart) {
            EXPECT_EQ(dlg.m_picture.GetPixel(rect.CenterPoint().x, rect.CenterPoint().y), RGB(0, 0, 255));
        }
    }
    // The owner-drawn button shows what its DrawItem painted.
    for (const auto& [id, rect] : dlg.m_rects) {
        if (id == kSwatch) {
            EXPECT_EQ(dlg.m_picture.GetPixel(rect.CenterPoint().x, rect.CenterPoint().y), RGB(0, 160, 0));
        }
    }
    // The buttons of the last row sit at the bottom right, OK left of Cancel.
    CRect ok, cancel;
    for (const auto& [id, rect] : dlg.m_rects) {
        if (id == IDOK)
            ok = rect;
        if (id == IDCANCEL)
            cancel = rect;
    }
    EXPECT_EQ(ok.top, cancel.top);
    EXPECT_LT(ok.right, cancel.left);
    EXPECT_GT(cancel.right, size.cx * 3 / 4);
    EXPECT_GT(ok.top, size.cy * 3 / 4);
}

// The width and height in the header of a PNG file (0, 0 when it is none).
CSize PngSize(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    unsigned char header[24] = {};
    if (!in.read(reinterpret_cast<char*>(header), sizeof header))
        return CSize(0, 0);
    auto at = [&](int i) { return (header[i] << 24) | (header[i + 1] << 16) | (header[i + 2] << 8) | header[i + 3]; };
    return CSize(at(16), at(20));
}

TEST_F(QtViewTest, ScreenshotFolderKeepsEveryPictureOfDialogsAndMessageBoxes) {
    namespace fs = std::filesystem;
    const auto dir = fs::temp_directory_path() / "vq-qtview-shots";
    fs::remove_all(dir);
    fs::create_directories(dir);
    // A picture from an earlier run stays as it is.
    const auto first = dir / vq::ScreenshotFileName("任务属性 - 示例").c_str();
    { std::ofstream(first) << "earlier"; }
    const char* old = std::getenv("VQ_SCREENSHOT_DIR");
    const std::string saved = old ? old : "";
    setenv("VQ_SCREENSHOT_DIR", dir.c_str(), 1);
    for (int run = 0; run < 2; ++run) {
        SampleDlg dlg;
        dlg.m_endOnOpen = true;
        EXPECT_EQ(dlg.DoModal(), IDOK);
    }
    // Message boxes are pictured whoever answers them.
    auto previous = vq::SetMessageBoxPresenter([](const vq::MessageBoxRequest&) { return IDNO; });
    EXPECT_EQ(vq::ShowMessageBox("删除任务", "是否真的要删除?", MB_YESNO | MB_ICONQUESTION), IDNO);
    vq::SetMessageBoxPresenter(previous);
    // A modeless window is pictured once as it opens; one without a caption (a progress window)
    // has no title bar, only its border.
    const vq::DialogTemplate bareTemplate{"", {vq::Label("正在读取......")}, CSize(240, 60), WS_POPUP | WS_BORDER};
    CSize bareClient;
    {
        CDialog bare(bareTemplate);
        ASSERT_TRUE(bare.Create(bareTemplate, nullptr));
        const CBitmap client = vq::RenderDialogInQt(bare);
        bareClient = CSize(client.Width(), client.Height());
        bare.DestroyWindow();
    }
    if (old)
        setenv("VQ_SCREENSHOT_DIR", saved.c_str(), 1);
    else
        unsetenv("VQ_SCREENSHOT_DIR");

    std::ifstream earlier(first);
    std::string text;
    earlier >> text;
    EXPECT_EQ(text, "earlier");
    // Each dialog opened and closed twice: four new pictures, numbered on.
    for (int n = 2; n <= 5; ++n) {
        const auto file = dir / ("任务属性 - 示例 (" + std::to_string(n) + ").png");
        ASSERT_TRUE(fs::exists(file)) << file;
        EXPECT_GT(fs::file_size(file), 1000u);
    }
    EXPECT_FALSE(fs::exists(dir / "任务属性 - 示例 (6).png"));
    const auto box = dir / vq::ScreenshotFileName("删除任务").c_str();
    ASSERT_TRUE(fs::exists(box));
    EXPECT_GT(fs::file_size(box), 1000u);
    EXPECT_EQ(PngSize(dir / vq::ScreenshotFileName("").c_str()), CSize(bareClient.cx + 2, bareClient.cy + 2));
    EXPECT_FALSE(fs::exists(dir / "dialog (2).png"));
    fs::remove_all(dir);
}

// ---- A person's input through the widgets ----------------------------------------------------

constexpr int kCount = 1101;
constexpr int kRows = 1102;
constexpr int kPick = 1103;
constexpr int kFlag = 1104;

const vq::DialogTemplate kInputTemplate{"输入",
                                        {vq::Label("名称:"), vq::EditBox(kName), vq::Label("数量:"),
                                         vq::EditBox(kCount, vq::kNoLayoutFlags, ES_NUMBER),
                                         vq::Label("类别:"), vq::DropDownList(kPick),
                                         vq::CheckBox(kFlag, "只读"), vq::ReportList(kRows),
                                         vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")},
                                        CSize(0, 0),
                                        WS_CAPTION | WS_SYSMENU};

// A browse dialog: no OK button, a number with its spin arrows, a list, a close button.
constexpr int kSpin = 1105;
const vq::DialogTemplate kBrowseTemplate{"浏览",
                                         {vq::Label("名称:"), vq::EditBox(kName), vq::Label("数量:"),
                                          vq::EditBox(kCount, vq::kNoLayoutFlags, ES_NUMBER), vq::Spin(kSpin),
                                          vq::Label("类别:"), vq::DropDownList(kPick),
                                          vq::CheckBox(kFlag, "只读"), vq::ReportList(kRows),
                                          vq::PushButton(IDCANCEL, "退出")},
                                         CSize(0, 0),
                                         WS_CAPTION | WS_SYSMENU};

// Records what the dialog hears; `steps` runs inside the modal loop, with the widgets shown.
class InputDlg : public CDialog {
public:
    explicit InputDlg(const vq::DialogTemplate& form = kInputTemplate) : CDialog(form) {}
    std::vector<std::string> heard;
    std::function<void(InputDlg&)> steps;
    bool closeBox = false;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        auto* pick = static_cast<CComboBox*>(GetDlgItem(kPick));
        pick->AddString("图纸");
        pick->AddString("文档");
        auto* rows = static_cast<CListCtrl*>(GetDlgItem(kRows));
        rows->InsertColumn(0, "图号", LVCFMT_LEFT, 100);
        rows->InsertColumn(1, "名称", LVCFMT_LEFT, 100);
        rows->InsertItem(0, "A-1");
        rows->InsertItem(1, "A-2");
        PostMessage(WM_USER + 1);
        return TRUE;
    }
    LRESULT OnSteps(WPARAM, LPARAM) {
        if (steps)
            steps(*this);
        return 0;
    }
    void OnClose() override {
        closeBox = true;
        CDialog::OnClose();
    }
    void OnNameChange() {
        heard.push_back("name:" + std::string(GetDlgItem(kName)->GetWindowTextValue().c_str()));
    }
    void OnCountChange() { heard.push_back("count"); }
    void OnPickChange() {
        heard.push_back("pick:" + std::to_string(static_cast<CComboBox*>(GetDlgItem(kPick))->GetCurSel()));
    }
    void OnFlag() {
        heard.push_back("flag:" + std::to_string(static_cast<CButton*>(GetDlgItem(kFlag))->GetCheck()));
    }
    void OnRowChanged(NMHDR* header, LRESULT*) {
        auto* change = reinterpret_cast<NMLISTVIEW*>(header);
        if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED))
            heard.push_back("row:" + std::to_string(change->iItem));
    }
    void OnRowDouble(NMHDR*, LRESULT*) { heard.push_back("double"); }
    void OnColumn(NMHDR* header, LRESULT*) {
        heard.push_back("column:" + std::to_string(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem));
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(InputDlg, CDialog)
    ON_MESSAGE(WM_USER + 1, &InputDlg::OnSteps)
    ON_EN_CHANGE(kName, &InputDlg::OnNameChange)
    ON_EN_CHANGE(kCount, &InputDlg::OnCountChange)
    ON_CBN_SELCHANGE(kPick, &InputDlg::OnPickChange)
    ON_BN_CLICKED(kFlag, &InputDlg::OnFlag)
    ON_NOTIFY(LVN_ITEMCHANGED, kRows, &InputDlg::OnRowChanged)
    ON_NOTIFY(NM_DBLCLK, kRows, &InputDlg::OnRowDouble)
    ON_NOTIFY(LVN_COLUMNCLICK, kRows, &InputDlg::OnColumn)
END_MESSAGE_MAP()

TEST_F(QtViewTest, TypingClickingAndPickingRaiseTheNotificationsOfTheControls) {
    InputDlg dlg;
    bool stepsRan = false;
    dlg.steps = [&](InputDlg& d) {
        stepsRan = true;
        EXPECT_TRUE(vq::qtinput::Type(*d.GetDlgItem(kName), "零件"));
        // A digits-only field refuses letters; the widget goes back to what the field holds.
        EXPECT_TRUE(vq::qtinput::Type(*d.GetDlgItem(kCount), "12"));
        EXPECT_TRUE(vq::qtinput::Type(*d.GetDlgItem(kCount), "1x"));
        EXPECT_EQ(vq::qtinput::ShownText(*d.GetDlgItem(kCount)), "12");
        EXPECT_TRUE(vq::qtinput::ClickItem(*d.GetDlgItem(kPick), 1));
        EXPECT_TRUE(vq::qtinput::Click(*d.GetDlgItem(kFlag)));
        EXPECT_TRUE(vq::qtinput::ClickItem(*d.GetDlgItem(kRows), 1));
        EXPECT_TRUE(vq::qtinput::ClickItem(*d.GetDlgItem(kRows), 0, false, true));
        EXPECT_TRUE(vq::qtinput::ClickColumn(*d.GetDlgItem(kRows), 1));
        EXPECT_FALSE(vq::qtinput::ClickItem(*d.GetDlgItem(kRows), 5));
        // Code changes reach the widgets.
        d.SetDlgItemText(kName, "部件");
        EXPECT_EQ(vq::qtinput::ShownText(*d.GetDlgItem(kName)), "部件");
        // Enter in a field presses the default button.
        EXPECT_TRUE(vq::qtinput::Key(*d.GetDlgItem(kName), VK_RETURN));
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(stepsRan);
    const std::vector<std::string> expected{"name:零件", "count",  "pick:1",   "flag:1",   "row:1",
                                            "row:0",     "double", "column:1", "name:部件"};
    EXPECT_EQ(dlg.heard, expected);
    EXPECT_FALSE(dlg.closeBox);
}

TEST_F(QtViewTest, EscapeCancelsAndTheCloseBoxGoesThroughOnClose) {
    {
        InputDlg dlg;
        dlg.steps = [](InputDlg& d) { vq::qtinput::Key(*d.GetDlgItem(kName), VK_ESCAPE); };
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_FALSE(dlg.closeBox);
    }
    {
        InputDlg dlg;
        dlg.steps = [](InputDlg& d) { EXPECT_TRUE(vq::qtinput::Close(d)); };
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_TRUE(dlg.closeBox);
    }
}

// Without an OK button Enter presses no hidden one: in a field or a check box the dialog stays, on
// a list it does what a double click does. Tab goes from the number to the next control, not
// through the spin arrows.
TEST_F(QtViewTest, EnterWithoutAnOkButtonClosesNothingAndOnAListOpensTheRow) {
    InputDlg dlg(kBrowseTemplate);
    std::vector<std::string> focus;
    dlg.steps = [&](InputDlg& d) {
        for (int id : {kName, kCount, kFlag})
            EXPECT_TRUE(vq::qtinput::Key(*d.GetDlgItem(id), VK_RETURN)) << id;
        EXPECT_TRUE(vq::qtinput::ClickItem(*d.GetDlgItem(kRows), 1));
        EXPECT_TRUE(vq::qtinput::Key(*d.GetDlgItem(kRows), VK_RETURN));
        EXPECT_TRUE(vq::qtinput::Key(*d.GetDlgItem(kCount), VK_TAB));
        for (int id : {kName, kCount, kSpin, kPick})
            if (vq::qtinput::HasFocus(*d.GetDlgItem(id)))
                focus.push_back(std::to_string(id));
        d.EndDialog(IDCANCEL);
    };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.heard, (std::vector<std::string>{"row:1", "double"}));
    EXPECT_EQ(focus, std::vector<std::string>{std::to_string(kPick)});
}

constexpr int kNodes = 1201;

const vq::DialogTemplate kTreeTemplate{
    "结构", {vq::Tree(kNodes), vq::DefPushButton(IDOK, "确定")}, CSize(0, 0), WS_CAPTION | WS_SYSMENU};

class TreeDlg : public CDialog {
public:
    TreeDlg() : CDialog(kTreeTemplate) {}
    std::vector<std::string> heard;
    HTREEITEM root = nullptr;
    HTREEITEM child = nullptr;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        auto* tree = static_cast<CTreeCtrl*>(GetDlgItem(kNodes));
        root = tree->InsertItem("产品A [P1]");
        child = tree->InsertItem("部件B [B2]", root);
        PostMessage(WM_USER + 2);
        return TRUE;
    }
    LRESULT OnSteps(WPARAM, LPARAM) {
        CWnd& tree = *GetDlgItem(kNodes);
        vq::qtinput::ClickItem(tree, 0);  // selects the root
        vq::qtinput::Key(tree, VK_RIGHT); // expands it
        vq::qtinput::Key(tree, VK_DOWN);  // moves to its child
        heard.push_back("shown:" + std::string(vq::qtinput::ShownText(tree).c_str()));
        vq::qtinput::Key(tree, VK_LEFT); // back to the parent
        EndDialog(IDOK);
        return 0;
    }
    void OnSelChanged(NMHDR* header, LRESULT*) {
        auto* change = reinterpret_cast<NMTREEVIEW*>(header);
        auto* tree = static_cast<CTreeCtrl*>(GetDlgItem(kNodes));
        heard.push_back("select:" + std::string(tree->GetItemText(change->itemNew.hItem).c_str()));
    }
    void OnExpanding(NMHDR*, LRESULT* result) {
        heard.push_back("expanding");
        *result = 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TreeDlg, CDialog)
    ON_MESSAGE(WM_USER + 2, &TreeDlg::OnSteps)
    ON_NOTIFY(TVN_SELCHANGED, kNodes, &TreeDlg::OnSelChanged)
    ON_NOTIFY(TVN_ITEMEXPANDING, kNodes, &TreeDlg::OnExpanding)
END_MESSAGE_MAP()

TEST_F(QtViewTest, TreeTakesClicksAndArrowKeysAsAPersonGivesThem) {
    TreeDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    const std::vector<std::string> expected{"select:产品A [P1]", "expanding", "select:部件B [B2]",
                                            "shown:部件B [B2]", "select:产品A [P1]"};
    EXPECT_EQ(dlg.heard, expected);
}

// The tree's items as ShownTree writes the widget's: every item, open and selected ones marked.
void AddTreeItems(CTreeCtrl& tree, HTREEITEM parent, int depth, std::string& out) {
    for (HTREEITEM c = tree.GetChildItem(parent); c; c = tree.GetNextSiblingItem(c)) {
        out += std::string(static_cast<std::size_t>(depth) * 2, ' ') + tree.GetItemText(c).str() +
               ((tree.GetItemState(c, TVIS_EXPANDED) & TVIS_EXPANDED) ? " +" : "") +
               (tree.GetSelectedItem() == c ? " *" : "") + "\n";
        AddTreeItems(tree, c, depth + 1, out);
    }
}

std::string TreeItems(CTreeCtrl& tree) {
    std::string out;
    AddTreeItems(tree, TVI_ROOT, 0, out);
    return out;
}

// The widget follows the tree through changes shown in several refreshes: items added at the
// end, at the front and in the middle, deleted, renamed, opened and selected, and a tree filled
// while the view refreshes every few items, as under a progress window.
TEST_F(QtViewTest, TreeWidgetFollowsEveryChangeAcrossRefreshes) {
    auto* dlg = new CDialog();
    ASSERT_TRUE(dlg->Create(kTreeTemplate, nullptr));
    auto& tree = *static_cast<CTreeCtrl*>(dlg->GetDlgItem(kNodes));
    auto shown = [&] {
        vq::ActiveDialogView().ProcessPendingEvents();
        return std::string(vq::qtinput::ShownTree(tree).c_str());
    };
    HTREEITEM root = tree.InsertItem("产品A [P1]");
    HTREEITEM b = tree.InsertItem("部件B [B2]", root);
    HTREEITEM c = tree.InsertItem("零件C [C3]", b);
    HTREEITEM d = tree.InsertItem("部件D [D4]", root);
    EXPECT_EQ(shown(), "产品A [P1]\n  部件B [B2]\n    零件C [C3]\n  部件D [D4]\n");

    tree.InsertItem("部件X", root, b);
    tree.InsertItem("部件F", root, TVI_FIRST);
    tree.DeleteItem(d);
    tree.SetItemText(b, "部件B [B9]");
    tree.Expand(root, TVE_EXPAND);
    tree.SelectItem(c);
    tree.InsertItem("产品Z");
    EXPECT_EQ(shown(), TreeItems(tree));
    EXPECT_EQ(shown(), "产品A [P1] +\n  部件F\n  部件B [B9] +\n    零件C [C3] *\n  部件X\n产品Z\n");

    tree.SelectItem(root);
    tree.Expand(b, TVE_COLLAPSE);
    tree.DeleteItem(tree.GetChildItem(root));
    EXPECT_EQ(shown(), TreeItems(tree));

    HTREEITEM wide = tree.InsertItem("宽", root);
    for (int i = 0; i < 300; ++i) {
        HTREEITEM item = tree.InsertItem(CString("W") + std::to_string(i).c_str(), wide);
        if (i % 3 == 0)
            tree.InsertItem("子", item);
        if (i % 40 == 0) {
            EXPECT_EQ(shown(), TreeItems(tree)) << i;
        }
    }
    tree.Expand(wide, TVE_EXPAND);
    EXPECT_EQ(shown(), TreeItems(tree));
    tree.DeleteAllItems();
    EXPECT_EQ(shown(), "");
    dlg->DestroyWindow();
    delete dlg;
    vq::ActiveDialogView().ProcessPendingEvents();
}

// Three dates in a row, as the work-task breakdown has them: Tab goes from field to field (not
// through year, month and day first), Shift+Tab back; the arrows to the left and right move between
// the parts of the date under the focus, and up and down change that part.
constexpr int kStart = 1211;
constexpr int kFinish = 1212;
constexpr int kDue = 1213;
const vq::DialogTemplate kDatesTemplate{
    "日期",
    {vq::Label("名称:"), vq::EditBox(kName), vq::Label("开始:"), vq::DateTimePicker(kStart),
     vq::Label("完成:", vq::kBeside), vq::DateTimePicker(kFinish, vq::kBeside),
     vq::Label("期限:", vq::kBeside), vq::DateTimePicker(kDue, vq::kBeside), vq::DefPushButton(IDOK, "确定"),
     vq::PushButton(IDCANCEL, "取消")}};

class DatesDlg : public CDialog {
public:
    DatesDlg() : CDialog(kDatesTemplate) {}
    std::function<void(DatesDlg&)> steps;
    CDateTimeCtrl& Date(int id) { return *static_cast<CDateTimeCtrl*>(GetDlgItem(id)); }
    std::string Shown(int id) {
        SYSTEMTIME st{};
        Date(id).GetTime(&st);
        char text[32];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", st.wYear, st.wMonth, st.wDay);
        return text;
    }

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        const SYSTEMTIME st{2026, 5, 3, 20, 0, 0, 0, 0};
        for (int id : {kStart, kFinish, kDue}) {
            Date(id).SetFormat("yyyy-MM-dd");
            Date(id).SetTime(&st);
        }
        PostMessage(WM_USER + 3);
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

BEGIN_MESSAGE_MAP(DatesDlg, CDialog)
    ON_MESSAGE(WM_USER + 3, &DatesDlg::OnSteps)
END_MESSAGE_MAP()

TEST_F(QtViewTest, DateFieldsTakeOneTabEachAndTheArrowsMoveBetweenTheirParts) {
    DatesDlg dlg;
    bool ran = false;
    dlg.steps = [&](DatesDlg& d) {
        ran = true;
        // Forward through the fields to the first button, then back two.
        const std::vector<CWnd*> chain{d.GetDlgItem(kName), &d.Date(kStart), &d.Date(kFinish), &d.Date(kDue),
                                       d.GetDlgItem(IDOK)};
        for (std::size_t i = 0; i + 1 < chain.size(); ++i) {
            ASSERT_TRUE(vq::qtinput::Key(*chain[i], VK_TAB));
            EXPECT_TRUE(vq::qtinput::HasFocus(*chain[i + 1])) << i;
        }
        vq::qtinput::Key(*chain[4], VK_TAB, true);
        vq::qtinput::Key(*chain[3], VK_TAB, true);
        CWnd& finish = d.Date(kFinish);
        EXPECT_TRUE(vq::qtinput::HasFocus(finish));
        // Two to the left reach the year whichever part the field started at, and stay there.
        const std::pair<std::vector<UINT>, const char*> steps[] = {
            {{VK_LEFT, VK_LEFT, VK_LEFT, VK_UP}, "2027-05-20"},
            {{VK_RIGHT, VK_UP}, "2027-06-20"},
            {{VK_RIGHT, VK_RIGHT, VK_DOWN}, "2027-06-19"},
            {{VK_LEFT, VK_DOWN}, "2027-05-19"}};
        for (const auto& [keys, expected] : steps) {
            for (UINT key : keys)
                vq::qtinput::Key(finish, key);
            EXPECT_EQ(d.Shown(kFinish), expected);
        }
        EXPECT_TRUE(vq::qtinput::HasFocus(finish));
        EXPECT_EQ(d.Shown(kStart), "2026-05-20");
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(ran);
}

// A form that shows its number for reference and offers a choice before the name; without the
// name, only its list takes input.
constexpr int kNumber = 1010;
constexpr UINT kFocusSteps = WM_USER + 4;

const vq::DialogTemplate kFirstFocusTemplate{
    "工作任务 - 示例",
    {vq::Label("编号:"), vq::EditBox(kNumber, vq::kNoLayoutFlags, ES_AUTOHSCROLL | ES_READONLY),
     vq::Label("类型:", vq::kBeside), vq::DropDownList(kKind, vq::kBeside), vq::CheckBox(kLocked, "锁定任务"),
     vq::Label("名称:"), vq::EditBox(kName), vq::ReportList(kList), vq::DefPushButton(IDOK, "确定"),
     vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

class FirstFocusDlg : public CDialog {
public:
    explicit FirstFocusDlg(bool withName) : CDialog(kFirstFocusTemplate), m_withName(withName) {}
    std::function<void(FirstFocusDlg&)> steps;
    CComboBox& Kind() { return *static_cast<CComboBox*>(GetDlgItem(kKind)); }

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        SetDlgItemText(kNumber, "T1#001");
        Kind().AddString("工作任务组");
        Kind().AddString("工作任务");
        Kind().SetCurSel(1);
        auto* list = static_cast<CListCtrl*>(GetDlgItem(kList));
        list->InsertColumn(0, "名称", LVCFMT_LEFT, 120);
        list->InsertItem(0, "箱体");
        list->InsertItem(1, "工装");
        if (!m_withName)
            GetDlgItem(kName)->ShowWindow(SW_HIDE);
        PostMessage(kFocusSteps);
        return TRUE;
    }
    LRESULT OnSteps(WPARAM, LPARAM) {
        if (steps)
            steps(*this);
        EndDialog(IDOK);
        return 0;
    }
    DECLARE_MESSAGE_MAP()

private:
    bool m_withName;
};

BEGIN_MESSAGE_MAP(FirstFocusDlg, CDialog)
    ON_MESSAGE(kFocusSteps, &FirstFocusDlg::OnSteps)
END_MESSAGE_MAP()

// The widget of the control a dialog opens in holds the real keyboard focus: a word typed at once
// goes into the name, past the read-only number and the drop-down list, and chooses nothing;
// without a field to type in, the list holds it.
TEST_F(QtViewTest, TheControlADialogOpensInHoldsTheKeyboardFocus) {
    for (const bool withName : {true, false}) {
        FirstFocusDlg dlg(withName);
        bool ran = false;
        dlg.steps = [&](FirstFocusDlg& d) {
            ran = true;
            CWnd& expected = *d.GetDlgItem(withName ? kName : kList);
            EXPECT_EQ(CWnd::GetFocus(), &expected) << withName;
            EXPECT_TRUE(vq::qtinput::HasFocus(expected)) << withName;
            EXPECT_FALSE(vq::qtinput::HasFocus(d.Kind())) << withName;
            ASSERT_TRUE(vq::qtinput::TypeAtFocus(d, "工装设计"));
            EXPECT_EQ(d.Kind().GetCurSel(), 1) << withName;
            EXPECT_EQ(vq::qtinput::ShownText(d.Kind()), "工作任务") << withName;
            EXPECT_EQ(static_cast<CButton*>(d.GetDlgItem(kLocked))->GetCheck(), 0);
            EXPECT_EQ(d.GetDlgItem(kName)->GetWindowTextValue(), withName ? "工装设计" : "");
        };
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_TRUE(ran);
    }
}

// Windows that come and go while a dialog is open get and lose their widgets.
class LateWindowDlg : public InputDlg {
public:
    bool clickedBefore = false;
    bool clickedAfter = true;
    int paintsSeen = 0;

protected:
    BOOL OnInitDialog() override {
        InputDlg::OnInitDialog();
        steps = [this](InputDlg&) {
            auto* chart = new ChartWindow;
            chart->Create(nullptr, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 80, 60), this, 4242);
            clickedBefore = vq::qtinput::Click(*chart);
            chart->DestroyWindow();
            delete chart;
            vq::ActiveDialogView().ProcessPendingEvents();
            // The window is gone: nothing of it may be reached any more.
            clickedAfter = GetDlgItem(4242) != nullptr;
            EndDialog(IDOK);
        };
        return TRUE;
    }
};

TEST_F(QtViewTest, ControlsCreatedAndDestroyedDuringTheLoopAreFollowed) {
    LateWindowDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(dlg.clickedBefore);
    EXPECT_FALSE(dlg.clickedAfter);
}

TEST_F(QtViewTest, ModelessDialogsAreShownKeptInStepAndRemoved) {
    auto* dlg = new CDialog();
    ASSERT_TRUE(dlg->Create(kInputTemplate, nullptr));
    dlg->SetDlgItemText(kName, "进行中");
    EXPECT_EQ(vq::qtinput::ShownText(*dlg->GetDlgItem(kName)), "进行中");
    static_cast<CButton*>(dlg->GetDlgItem(kFlag))->SetCheck(1);
    vq::ActiveDialogView().ProcessPendingEvents();
    EXPECT_TRUE(vq::qtinput::Close(*dlg)); // the close box cancels: the dialog hides itself
    EXPECT_FALSE(dlg->IsWindowVisible());
    dlg->DestroyWindow();
    EXPECT_FALSE(vq::qtinput::Close(*dlg));
    delete dlg;
    vq::ActiveDialogView().ProcessPendingEvents();
}

// Message boxes, menus and file dialogs run their own loops; a message posted before they open
// answers them with keys, as a person would.
class Answerer : public CWnd {
public:
    std::vector<UINT> keys;
    bool found = true;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_USER + 9) {
            for (UINT key : keys)
                found = vq::qtinput::KeyToTopWindow(key) && found;
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
    void AnswerNextWith(std::vector<UINT> answer) {
        keys = std::move(answer);
        PostMessage(WM_USER + 9);
    }
};

TEST_F(QtViewTest, MessageBoxesMenusAndFileDialogsTakeTheKeysOfAPerson) {
    Answerer answerer;
    ASSERT_TRUE(answerer.Create(nullptr, "", 0, CRect(0, 0, 1, 1), nullptr, 0));
    vq::DialogView& view = vq::QtDialogView();

    answerer.AnswerNextWith({VK_RETURN});
    EXPECT_EQ(view.ShowMessageBox({"提示", "是否真的要删除?", MB_YESNO | MB_ICONQUESTION}), IDYES);
    answerer.AnswerNextWith({VK_RETURN});
    EXPECT_EQ(view.ShowMessageBox({"提示", "是否继续?", MB_YESNO | MB_DEFBUTTON2}), IDNO);
    answerer.AnswerNextWith({VK_ESCAPE});
    EXPECT_EQ(view.ShowMessageBox({"提示", "保存修改?", MB_YESNOCANCEL}), IDCANCEL);
    answerer.AnswerNextWith({VK_ESCAPE});
    EXPECT_EQ(view.ShowMessageBox({"提示", "已完成", MB_OK | MB_ICONINFORMATION}), IDOK);

    // The greyed item and the separator are passed over.
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING | MF_GRAYED, 301, "修改...");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING, 302, "删除...");
    answerer.AnswerNextWith({VK_DOWN, VK_RETURN});
    EXPECT_EQ(view.TrackPopupMenu(menu, CPoint(100, 100), nullptr), 302u);
    answerer.AnswerNextWith({VK_ESCAPE});
    EXPECT_EQ(view.TrackPopupMenu(menu, CPoint(100, 100), nullptr), 0u);

    vq::FileDialogRequest request;
    request.filters = {{"文本文件 (*.txt)", "*.txt"}, {"所有文件 (*.*)", "*.*"}};
    answerer.AnswerNextWith({VK_ESCAPE});
    EXPECT_FALSE(view.RunFileDialog(request));
    EXPECT_TRUE(request.paths.empty());
    EXPECT_TRUE(answerer.found);
    answerer.DestroyWindow();
}

// Rows drawn by the list itself, and row icons from an image list.
class StripedList : public CListCtrl {
public:
    void DrawItem(LPDRAWITEMSTRUCT item) override {
        item->hDC->FillSolidRect(&item->rcItem, item->itemID % 2 ? RGB(255, 200, 0) : RGB(0, 200, 255));
    }
};

constexpr int kStriped = 1301;
constexpr int kIcons = 1302;

const vq::DialogTemplate kPictureTemplate{
    "图片",
    {vq::ReportList(kStriped), vq::ReportList(kIcons), vq::DefPushButton(IDOK, "确定")},
    CSize(0, 0),
    WS_CAPTION | WS_SYSMENU};

class PictureDlg : public CDialog {
public:
    PictureDlg() : CDialog(kPictureTemplate) {}
    StripedList m_striped;
    CImageList m_images;
    CBitmap m_picture;
    CRect m_stripedRect, m_iconsRect;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_striped.SubclassDlgItem(kStriped, this);
        m_striped.ModifyStyle(0, LVS_OWNERDRAWFIXED);
        m_striped.InsertColumn(0, "名称", LVCFMT_LEFT, 200);
        m_striped.InsertItem(0, "一");
        m_striped.InsertItem(1, "二");
        // A 16-pixel icon: red on magenta, magenta transparent.
        CBitmap strip;
        strip.CreateBitmap(16, 16);
        {
            CDC dc(strip);
            dc.FillSolidRect(0, 0, 16, 16, RGB(255, 0, 255));
            dc.FillSolidRect(2, 2, 12, 12, RGB(220, 0, 0));
        }
        m_images.Create(16, 16, ILC_COLOR24 | ILC_MASK, 1, 1);
        m_images.Add(&strip, RGB(255, 0, 255));
        auto* icons = static_cast<CListCtrl*>(GetDlgItem(kIcons));
        icons->SetImageList(&m_images, LVSIL_SMALL);
        icons->InsertColumn(0, "文档", LVCFMT_LEFT, 200);
        icons->InsertItem(0, "说明书", 0);
        m_picture = vq::RenderDialogInQt(*this);
        m_stripedRect = m_striped.GetRectInParent();
        m_iconsRect = icons->GetRectInParent();
        EndDialog(IDOK);
        return TRUE;
    }
};

TEST_F(QtViewTest, OwnerDrawnRowsAndRowIconsAppearInThePicture) {
    PictureDlg dlg;
    dlg.DoModal();
    ASSERT_FALSE(dlg.m_stripedRect.IsRectEmpty());
    auto count = [&](const CRect& r, COLORREF c) {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += dlg.m_picture.GetPixel(x, y) == c;
        return n;
    };
    EXPECT_GT(count(dlg.m_stripedRect, RGB(0, 200, 255)), 100);
    EXPECT_GT(count(dlg.m_stripedRect, RGB(255, 200, 0)), 100);
    EXPECT_GT(count(dlg.m_iconsRect, RGB(220, 0, 0)), 60);
    EXPECT_EQ(count(dlg.m_iconsRect, RGB(255, 0, 255)), 0); // the mask colour never shows
}

TEST(QtViewNames, ScreenshotNamesKeepTheCaptionButNoPathCharacters) {
    EXPECT_EQ(vq::ScreenshotFileName("用户浏览 - 选择用户"), "用户浏览 - 选择用户.png");
    EXPECT_EQ(vq::ScreenshotFileName("a/b:c"), "a_b_c.png");
    EXPECT_EQ(vq::ScreenshotFileName("  "), "dialog.png");
}

TEST(QtViewNames, FileTypesNameTheirPatternsOnce) {
    EXPECT_EQ(vq::FileDialogNameFilter("表格文件", "*.tbl"), "表格文件 (*.tbl)");
    EXPECT_EQ(vq::FileDialogNameFilter("(*.tbl)", "*.tbl"), "(*.tbl)");
    EXPECT_EQ(vq::FileDialogNameFilter("表格文件(*.tbl)", "*.tbl"), "表格文件 (*.tbl)");
    EXPECT_EQ(vq::FileDialogNameFilter("图形 (*.dwg;*.dxf)", "*.dwg;*.dxf"), "图形 (*.dwg *.dxf)");
    EXPECT_EQ(vq::FileDialogNameFilter("文本 (*.txt)", "*.csv"), "文本 (*.txt) (*.csv)");
}

// A write to a socket or pipe whose reader is gone (the X server killed under the windows) fails
// with EPIPE while the windows' loop runs, in a program that left SIGPIPE at its default, which would
// end it before the windows give back what they hold. The signal the write raised is gone when the
// loop ends and the thread's mask is as before; a thread that holds SIGPIPE itself keeps it held,
// with what is waiting.
TEST(QtViewDisplayWrites, AWriteToAClosedReaderFailsInsteadOfEndingTheProgram) {
    struct sigaction previous {};
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    ASSERT_EQ(::sigaction(SIGPIPE, &byDefault, &previous), 0);
    const auto writeToClosedReader = [] {
        int ends[2];
        if (::pipe(ends) != 0)
            return 0;
        ::close(ends[0]);
        const ssize_t written = ::write(ends[1], "x", 1);
        const int error = written < 0 ? errno : 0;
        ::close(ends[1]);
        return error;
    };
    const auto held = [] {
        sigset_t mask;
        ::pthread_sigmask(SIG_SETMASK, nullptr, &mask);
        return sigismember(&mask, SIGPIPE) == 1;
    };
    const auto pending = [] {
        sigset_t set;
        ::sigpending(&set);
        return sigismember(&set, SIGPIPE) == 1;
    };
    for (const bool heldByTheThread : {false, true}) {
        SCOPED_TRACE(heldByTheThread ? "the thread holds SIGPIPE itself" : "SIGPIPE at its default");
        int error = 0;
        bool heldAfter = false;
        bool pendingAfter = false;
        std::thread loop([&] {
            sigset_t pipe;
            sigemptyset(&pipe);
            sigaddset(&pipe, SIGPIPE);
            if (heldByTheThread)
                ::pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
            {
                const vq::SigpipeHeld scope;
                error = writeToClosedReader();
            }
            heldAfter = held();
            pendingAfter = pending();
            if (heldByTheThread) {
                const struct timespec now {0, 0};
                ::sigtimedwait(&pipe, nullptr, &now);
                ::pthread_sigmask(SIG_UNBLOCK, &pipe, nullptr);
            }
        });
        loop.join();
        EXPECT_EQ(error, EPIPE);
        EXPECT_EQ(heldAfter, heldByTheThread);
        EXPECT_EQ(pendingAfter, heldByTheThread);
    }
    ::sigaction(SIGPIPE, &previous, nullptr);
}

// Qt's own buttons and the file dialog speak Chinese like the rest of the system.
TEST(QtViewTexts, QtsOwnTextsAreTranslated) {
    vq::EnsureQtApplication();
    EXPECT_TRUE(vq::QtTextsTranslated());
}

} // namespace
