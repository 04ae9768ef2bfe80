// Message maps: lookup through base classes, id ranges, notifications a control keeps to itself
// (reflection), windows destroyed by their own handlers; window family, text and position.
#include "platform/ui/Button.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Edit.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/TreeCtrl.h"

#include <gtest/gtest.h>

namespace {

const vq::DialogTemplate kMapTemplate{
    "消息",
    {vq::PushButton(7001, "一"), vq::PushButton(7002, "二"), vq::PushButton(7003, "三"), vq::EditBox(7010),
     vq::EditBox(7011, vq::kNoLayoutFlags, ES_MULTILINE), vq::ReportList(7020),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")}};

// A base dialog with a handler that derived dialogs inherit.
class CBaseDlg : public CDialog {
public:
    CBaseDlg() : CDialog(kMapTemplate, nullptr) {}
    std::vector<CString> m_heard;

protected:
    void OnOne() { m_heard.push_back("base one"); }
    void OnTwo() { m_heard.push_back("base two"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseDlg, CDialog)
ON_BN_CLICKED(7001, &CBaseDlg::OnOne)
ON_BN_CLICKED(7002, &CBaseDlg::OnTwo)
END_MESSAGE_MAP()

class CDerivedDlg : public CBaseDlg {
protected:
    void OnTwoAgain() { m_heard.push_back("derived two"); }
    void OnRange(UINT id) {
        CString text;
        text.Format("range %u", id);
        m_heard.push_back(text);
    }
    void OnEdit(UINT id) {
        CString text;
        text.Format("edit %u", id);
        m_heard.push_back(text);
    }
    LRESULT OnAsk(WPARAM wParam, LPARAM lParam) {
        return static_cast<LRESULT>(wParam + static_cast<WPARAM>(lParam));
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedDlg, CBaseDlg)
ON_BN_CLICKED(7002, &CDerivedDlg::OnTwoAgain)
ON_COMMAND_RANGE(7002, 7003, &CDerivedDlg::OnRange)
ON_CONTROL_RANGE(EN_CHANGE, 7010, 7011, &CDerivedDlg::OnEdit)
ON_MESSAGE(WM_USER + 20, &CDerivedDlg::OnAsk)
END_MESSAGE_MAP()

class UiMessageMapTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dlg.Create(kMapTemplate)); }
    void TearDown() override {
        if (dlg.m_hWnd)
            dlg.DestroyWindow();
    }
    CButton* Button(int id) { return static_cast<CButton*>(dlg.GetDlgItem(id)); }
    vq::ScriptedUser user; // the view while the windows live: no widgets, no layout
    CDerivedDlg dlg;
};

TEST_F(UiMessageMapTest, DerivedEntriesComeFirstThenRangesThenTheBase) {
    Button(7001)->Click();
    Button(7002)->Click();
    Button(7003)->Click();
    EXPECT_EQ(dlg.m_heard, (std::vector<CString>{"base one", "derived two", "range 7003"}));
}

TEST_F(UiMessageMapTest, EditChangesFromCodeAndPerson) {
    dlg.m_heard.clear();
    static_cast<CEdit*>(dlg.GetDlgItem(7010))->UserSetText("a");
    dlg.GetDlgItem(7010)->SetWindowText("b"); // a single-line field tells its parent
    dlg.GetDlgItem(7011)->SetWindowText("c"); // a multi-line one does not
    static_cast<CEdit*>(dlg.GetDlgItem(7011))->UserSetText("d");
    EXPECT_EQ(dlg.m_heard, (std::vector<CString>{"edit 7010", "edit 7010", "edit 7011"}));
}

TEST_F(UiMessageMapTest, UserMessagesReturnTheirResult) {
    EXPECT_EQ(dlg.SendMessage(WM_USER + 20, 40, 2), 42);
    EXPECT_EQ(dlg.SendMessage(WM_USER + 21, 40, 2), 0) << "a message nobody handles";
    dlg.DestroyWindow();
    EXPECT_EQ(dlg.SendMessage(WM_USER + 20, 40, 2), 0) << "a destroyed window hears nothing";
    EXPECT_FALSE(dlg.PostMessage(WM_USER + 20));
}

// A list that handles its own column clicks (sorting itself) and lets the parent see right clicks.
class CSelfSortingList : public CListCtrl {
public:
    int m_sorted = 0;
    int m_rightClicks = 0;

protected:
    void OnColumnClick(NMHDR*, LRESULT* result) {
        ++m_sorted;
        *result = 0;
    }
    BOOL OnRightClick(NMHDR*, LRESULT*) {
        ++m_rightClicks;
        return FALSE; // the parent hears it too
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSelfSortingList, CListCtrl)
ON_NOTIFY_REFLECT(LVN_COLUMNCLICK, &CSelfSortingList::OnColumnClick)
ON_NOTIFY_REFLECT_EX(NM_RCLICK, &CSelfSortingList::OnRightClick)
END_MESSAGE_MAP()

class CListOwner : public CDialog {
public:
    CListOwner() : CDialog(kMapTemplate, nullptr) {}
    CSelfSortingList m_list;
    int m_columnClicks = 0;
    int m_rightClicks = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, 7020, m_list); }
    void OnColumn(NMHDR*, LRESULT*) { ++m_columnClicks; }
    void OnRClick(NMHDR*, LRESULT*) { ++m_rightClicks; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CListOwner, CDialog)
ON_NOTIFY(LVN_COLUMNCLICK, 7020, &CListOwner::OnColumn)
ON_NOTIFY(NM_RCLICK, 7020, &CListOwner::OnRClick)
END_MESSAGE_MAP()

TEST(UiReflectionTest, ControlsKeepOrShareTheirOwnNotifications) {
    vq::ScriptedUser user;
    CListOwner owner;
    ASSERT_TRUE(owner.Create(kMapTemplate));
    owner.m_list.InsertColumn(0, "图号");
    owner.m_list.InsertItem(0, "A-1");
    owner.m_list.UserColumnClick(0);
    owner.m_list.UserRightClick(0);
    EXPECT_EQ(owner.m_list.m_sorted, 1);
    EXPECT_EQ(owner.m_columnClicks, 0) << "a reflected handler keeps the notification";
    EXPECT_EQ(owner.m_list.m_rightClicks, 1);
    EXPECT_EQ(owner.m_rightClicks, 1) << "an _EX handler returning FALSE passes it on";
    EXPECT_EQ(owner.GetDlgItem(7020), &owner.m_list) << "the member took the template's place";
    owner.DestroyWindow();
}

// A dialog whose button handler destroys the dialog and deletes it.
class CSelfClosingDlg : public CDialog {
public:
    static bool s_deleted;
    ~CSelfClosingDlg() override { s_deleted = true; }

protected:
    void OnOne() { DestroyWindow(); }
    void PostNcDestroy() override { delete this; }
    DECLARE_MESSAGE_MAP()
};
bool CSelfClosingDlg::s_deleted = false;

BEGIN_MESSAGE_MAP(CSelfClosingDlg, CDialog)
ON_BN_CLICKED(7001, &CSelfClosingDlg::OnOne)
END_MESSAGE_MAP()

TEST(UiWindowLifeTest, HandlerMayDestroyItsOwnWindow) {
    vq::ScriptedUser user;
    auto* dlg = new CSelfClosingDlg;
    ASSERT_TRUE(dlg->Create(kMapTemplate));
    CButton* one = static_cast<CButton*>(dlg->GetDlgItem(7001));
    one->Click(); // the button and its dialog are gone when Click returns
    EXPECT_TRUE(CSelfClosingDlg::s_deleted);
}

TEST_F(UiMessageMapTest, NumbersInFields) {
    BOOL ok = FALSE;
    dlg.SetDlgItemInt(7010, static_cast<UINT>(-12));
    CString shown;
    EXPECT_EQ(dlg.GetDlgItemText(7010, shown), 3);
    EXPECT_EQ(shown, "-12");
    EXPECT_EQ(static_cast<int>(dlg.GetDlgItemInt(7010, &ok)), -12);
    EXPECT_TRUE(ok);
    dlg.GetDlgItemInt(7010, &ok, FALSE);
    EXPECT_FALSE(ok) << "negative is no unsigned number";
    dlg.SetDlgItemText(7010, "3000000000");
    EXPECT_EQ(dlg.GetDlgItemInt(7010, &ok, FALSE), 3000000000u);
    EXPECT_TRUE(ok);
    dlg.GetDlgItemInt(7010, &ok);
    EXPECT_FALSE(ok) << "too big for a signed number";
    dlg.SetDlgItemText(7010, "12x");
    dlg.GetDlgItemInt(7010, &ok);
    EXPECT_FALSE(ok);
    dlg.GetDlgItemInt(9999, &ok);
    EXPECT_FALSE(ok) << "no such field";
}

const vq::DialogTemplate kRadioTemplate{
    "单选",
    {vq::RadioButton(7101, "甲", true), vq::RadioButton(7102, "乙", false), vq::RadioButton(7103, "丙", true),
     vq::RadioButton(7104, "丁", false), vq::CheckBox(7105, "戊")}};

TEST(UiRadioTest, GroupsEndWhereTheNextGroupStarts) {
    vq::ScriptedUser user;
    CDialog dlg(kRadioTemplate, nullptr);
    ASSERT_TRUE(dlg.Create(kRadioTemplate));
    auto radio = [&dlg](int id) { return static_cast<CButton*>(dlg.GetDlgItem(id)); };
    radio(7101)->Click();
    radio(7103)->Click();
    radio(7102)->Click();
    EXPECT_EQ(radio(7101)->GetCheck(), BST_UNCHECKED);
    EXPECT_EQ(radio(7102)->GetCheck(), BST_CHECKED);
    EXPECT_EQ(radio(7103)->GetCheck(), BST_CHECKED) << "another group";
    EXPECT_EQ(radio(7103)->RadioGroup().size(), 2u) << "the check box is no member";
    dlg.CheckRadioButton(7101, 7102, 7101);
    EXPECT_EQ(dlg.GetCheckedRadioButton(7101, 7102), 7101);
    dlg.CheckDlgButton(7105, BST_CHECKED);
    EXPECT_EQ(dlg.IsDlgButtonChecked(7105), 1u);
    radio(7105)->Click();
    EXPECT_EQ(dlg.IsDlgButtonChecked(7105), 0u) << "an automatic check box toggles";
    radio(7104)->EnableWindow(FALSE);
    radio(7104)->Click();
    EXPECT_EQ(radio(7104)->GetCheck(), BST_UNCHECKED) << "a disabled button ignores clicks";
    dlg.DestroyWindow();
}

TEST(UiGeometryTest, RectanglesIntersectAndUniteAsTheFrameworkDoes) {
    CRect r;
    EXPECT_TRUE(r.IntersectRect(CRect(0, 0, 10, 10), CRect(5, 5, 20, 20)));
    EXPECT_EQ(r, CRect(5, 5, 10, 10));
    EXPECT_FALSE(r.IntersectRect(CRect(0, 0, 10, 10), CRect(10, 0, 20, 10)))
        << "touching edges do not overlap";
    EXPECT_TRUE(r.IsRectNull());
    EXPECT_TRUE(r.UnionRect(CRect(0, 0, 0, 0), CRect(2, 2, 4, 4)));
    EXPECT_EQ(r, CRect(2, 2, 4, 4)) << "an empty rectangle takes no part";
    EXPECT_TRUE(CRect(0, 0, 10, 10).PtInRect(CPoint(0, 0)));
    EXPECT_FALSE(CRect(0, 0, 10, 10).PtInRect(CPoint(10, 5))) << "the right edge lies outside";
    CRect n(10, 10, 0, 0);
    n.NormalizeRect();
    EXPECT_EQ(n, CRect(0, 0, 10, 10));
    CRect d(0, 0, 10, 10);
    d.DeflateRect(2, 3);
    EXPECT_EQ(d, CRect(2, 3, 8, 7));
    EXPECT_EQ(CPoint(5, 5) - CPoint(2, 1), CSize(3, 4));
}

TEST(UiGeometryTest, ScreenAndClientCoordinatesFollowTheParents) {
    vq::ScriptedUser user;
    CWnd top, child, grandchild;
    ASSERT_TRUE(top.Create(nullptr, "顶层", WS_VISIBLE, CRect(100, 50, 500, 400), nullptr, 0));
    ASSERT_TRUE(child.Create(nullptr, "", WS_VISIBLE | WS_CHILD, CRect(10, 20, 110, 120), &top, 1));
    ASSERT_TRUE(grandchild.Create(nullptr, "", WS_VISIBLE | WS_CHILD, CRect(5, 5, 25, 25), &child, 2));
    CPoint p(1, 1);
    grandchild.ClientToScreen(&p);
    EXPECT_EQ(p, CPoint(116, 76));
    child.ScreenToClient(&p);
    EXPECT_EQ(p, CPoint(6, 6));
    CRect window;
    grandchild.GetWindowRect(&window);
    EXPECT_EQ(window, CRect(115, 75, 135, 95));
    top.ScreenToClient(&window);
    EXPECT_EQ(window, CRect(15, 25, 35, 45));
    EXPECT_TRUE(top.IsChild(&grandchild));
    EXPECT_FALSE(child.IsChild(&top));
    child.ShowWindow(SW_HIDE);
    EXPECT_FALSE(grandchild.IsWindowVisible()) << "hidden with its parent";
    EXPECT_EQ(grandchild.GetTopLevelParent(), &top);
    top.DestroyWindow();
    EXPECT_FALSE(grandchild.m_hWnd) << "children go with their parent";
    EXPECT_FALSE(::IsWindow(&child));
}

} // namespace

namespace {

const vq::DialogTemplate kContextTemplate{"右键", {vq::Tree(7201), vq::ReportList(7202)}};

// Handles right clicks of its tree as a context-menu request, and limits its size.
class CContextDlg : public CDialog {
public:
    CContextDlg() : CDialog(kContextTemplate, nullptr) {}
    std::vector<std::pair<CWnd*, CPoint>> m_requests;
    int m_listRightClicks = 0;

protected:
    void OnContextMenu(CWnd* window, CPoint point) override { m_requests.emplace_back(window, point); }
    void OnGetMinMaxInfo(MINMAXINFO* info) override {
        info->ptMinTrackSize.x = 320;
        info->ptMinTrackSize.y = 240;
    }
    void OnListRClick(NMHDR*, LRESULT* result) {
        ++m_listRightClicks;
        *result = 1; // handled: no context-menu request follows
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CContextDlg, CDialog)
ON_NOTIFY(NM_RCLICK, 7202, &CContextDlg::OnListRClick)
ON_WM_CONTEXTMENU()
ON_WM_GETMINMAXINFO()
END_MESSAGE_MAP()

TEST(UiContextMenuTest, UnhandledRightClickBecomesAContextMenuRequest) {
    vq::ScriptedUser user;
    CContextDlg dlg;
    ASSERT_TRUE(dlg.Create(kContextTemplate));
    auto* tree = static_cast<CTreeCtrl*>(dlg.GetDlgItem(7201));
    HTREEITEM item = tree->InsertItem("节点");
    tree->UserRightClick(item);
    ASSERT_EQ(dlg.m_requests.size(), 1u);
    EXPECT_EQ(dlg.m_requests[0].first, tree) << "the request names the control clicked";
    CPoint cursor;
    GetCursorPos(&cursor);
    CPoint inTree = cursor;
    tree->ScreenToClient(&inTree);
    EXPECT_EQ(tree->HitTest(inTree), item) << "the cursor was put over the item";
    auto* list = static_cast<CListCtrl*>(dlg.GetDlgItem(7202));
    list->InsertColumn(0, "列");
    list->InsertItem(0, "行");
    list->UserRightClick(0);
    EXPECT_EQ(dlg.m_listRightClicks, 1);
    EXPECT_EQ(dlg.m_requests.size(), 1u) << "a handled right click asks for nothing more";
    EXPECT_EQ(vq::MinTrackSize(dlg), CSize(320, 240));
    EXPECT_EQ(vq::MinTrackSize(*list), CSize(0, 0));
    dlg.DestroyWindow();
}

} // namespace
