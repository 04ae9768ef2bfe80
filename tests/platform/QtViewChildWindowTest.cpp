// The Qt view and windows that controls create over themselves while a dialog runs, and mouse
// input for classes of lists that take the mouse messages themselves (rendered off screen).
#include "platform/ui/Dialog.h"
#include "platform/ui/Edit.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/View.h"
#include "platform/ui/qt/QtDialogView.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kPlain = 1201;
constexpr int kPresses = 1202;
constexpr int kMapped = 1203;
constexpr int kUnlisted = 1204;
constexpr int kChild = 1290;
constexpr UINT kSteps = WM_USER + 41;

const vq::DialogTemplate kListsTemplate{"清单 - 示例",
                                        {vq::ReportList(kPlain), vq::ReportList(kPresses),
                                         vq::ReportList(kMapped), vq::ReportList(kUnlisted),
                                         vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")}};

// A list that takes left presses itself: it notes the row under the point it is given.
class CPressList : public CListCtrl {
public:
    std::vector<int> rows;

protected:
    void OnLButtonDown(UINT, CPoint point) override { rows.push_back(HitTest(point)); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPressList, CListCtrl)
    ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

// The same handler without its entry in a message map: the list stays an ordinary list.
class CUnlistedList : public CListCtrl {
public:
    std::vector<int> rows;

protected:
    void OnLButtonDown(UINT, CPoint point) override { rows.push_back(HitTest(point)); }
};

// A list whose message map takes double clicks.
class CMappedList : public CListCtrl {
public:
    std::vector<int> rows;

protected:
    LRESULT OnDouble(WPARAM, LPARAM lParam) {
        rows.push_back(HitTest(CPoint(static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lParam))),
                                      static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lParam))))));
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMappedList, CListCtrl)
    ON_MESSAGE(WM_LBUTTONDBLCLK, &CMappedList::OnDouble)
END_MESSAGE_MAP()

void Fill(CListCtrl& list) {
    list.InsertColumn(0, "图号", LVCFMT_LEFT, 100);
    list.InsertColumn(1, "名称", LVCFMT_LEFT, 100);
    for (int r = 0; r < 4; ++r)
        list.InsertItem(r, ("B-" + std::to_string(r)).c_str());
}

class CListsDlg : public CDialog {
public:
    CListsDlg() : CDialog(kListsTemplate, nullptr) {}
    CPressList m_presses;
    CMappedList m_mapped;
    CUnlistedList m_unlisted;
    std::function<void(CListsDlg&)> steps;
    std::vector<std::string> heard;

    CListCtrl& Plain() { return *static_cast<CListCtrl*>(GetDlgItem(kPlain)); }

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_presses.SubclassDlgItem(kPresses, this);
        m_mapped.SubclassDlgItem(kMapped, this);
        m_unlisted.SubclassDlgItem(kUnlisted, this);
        for (CListCtrl* list : {&Plain(), static_cast<CListCtrl*>(&m_presses),
                                static_cast<CListCtrl*>(&m_mapped), static_cast<CListCtrl*>(&m_unlisted)})
            Fill(*list);
        PostMessage(kSteps);
        return TRUE;
    }
    LRESULT OnSteps(WPARAM, LPARAM) {
        if (steps)
            steps(*this);
        EndDialog(IDOK);
        return 0;
    }
    void OnPlainChanged(NMHDR* header, LRESULT*) {
        const auto* change = reinterpret_cast<NMLISTVIEW*>(header);
        if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED))
            heard.push_back("row:" + std::to_string(change->iItem));
    }
    void OnPlainClick(NMHDR*, LRESULT*) { heard.push_back("click"); }
    void OnPlainDouble(NMHDR*, LRESULT*) { heard.push_back("double"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CListsDlg, CDialog)
    ON_MESSAGE(kSteps, &CListsDlg::OnSteps)
    ON_NOTIFY(LVN_ITEMCHANGED, kPlain, &CListsDlg::OnPlainChanged)
    ON_NOTIFY(NM_CLICK, kPlain, &CListsDlg::OnPlainClick)
    ON_NOTIFY(NM_DBLCLK, kPlain, &CListsDlg::OnPlainDouble)
END_MESSAGE_MAP()

class QtViewChildWindowTest : public ::testing::Test {
protected:
    void SetUp() override { m_previous = vq::SetDialogView(&vq::QtDialogView()); }
    void TearDown() override { vq::SetDialogView(m_previous); }
    vq::DialogView* m_previous = nullptr;
};

TEST_F(QtViewChildWindowTest, AChildOfAControlIsShownOverItFollowsItAndGoesWithIt) {
    CListsDlg dlg;
    bool ran = false;
    dlg.steps = [&](CListsDlg& d) {
        ran = true;
        CListCtrl& list = d.Plain();
        auto* field = new CEdit;
        ASSERT_TRUE(field->Create(WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(30, 40, 130, 60), &list, kChild));
        field->SetWindowText("B-1 备注");
        field->SetFocus();

        const CRect over = vq::qtinput::ShownRect(list);
        const CRect shown = vq::qtinput::ShownRect(*field);
        ASSERT_FALSE(shown.IsRectEmpty());
        EXPECT_EQ(shown.Width(), 100);
        EXPECT_EQ(shown.Height(), 20);
        // At (30, 40) in the list's client area: inside the list's frame, which is a few pixels.
        EXPECT_GE(shown.left - over.left, 30);
        EXPECT_LE(shown.left - over.left, 33);
        EXPECT_EQ(shown.top - over.top, shown.left - over.left + 10);
        EXPECT_EQ(vq::qtinput::ShownText(*field), "B-1 备注");
        EXPECT_TRUE(vq::qtinput::HasFocus(*field));

        // Typing reaches the window; moving the window moves the widget.
        EXPECT_TRUE(vq::qtinput::Type(*field, "改"));
        EXPECT_EQ(field->GetWindowTextValue(), "改");
        field->MoveWindow(CRect(50, 40, 100, 60));
        const CRect moved = vq::qtinput::ShownRect(*field);
        EXPECT_EQ(moved.left - shown.left, 20);
        EXPECT_EQ(moved.Width(), 50);

        // Destroyed: no widget is left to type into.
        field->DestroyWindow();
        delete field;
        EXPECT_FALSE(vq::qtinput::Type(list, "x"));
        EXPECT_TRUE(vq::qtinput::ShownRect(list).Width() > 0);
        EXPECT_EQ(list.GetDlgItem(kChild), nullptr);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(ran);
}

TEST_F(QtViewChildWindowTest, ClassesWhoseMapsListMousePressesGetThemAtThePointClicked) {
    CListsDlg dlg;
    dlg.steps = [](CListsDlg& d) {
        // The plain list: the view selects and tells the dialog, as before.
        EXPECT_TRUE(vq::qtinput::ClickCell(d.Plain(), 2, 1));
        EXPECT_TRUE(vq::qtinput::ClickCell(d.Plain(), 1, 0, true));
        // Own handler: the press arrives as the message, at a point over the row clicked.
        EXPECT_TRUE(vq::qtinput::ClickCell(d.m_presses, 3, 0));
        EXPECT_TRUE(vq::qtinput::ClickCell(d.m_presses, 0, 0));
        EXPECT_EQ(d.m_presses.GetSelectedCount(), 0u); // nobody selected: the class did not
        // Message map entry: double clicks arrive as the message.
        EXPECT_TRUE(vq::qtinput::ClickCell(d.m_mapped, 2, 0, true));
        // Its presses are the view's: the first press of the double click selected the row.
        EXPECT_NE(d.m_mapped.GetItemState(2, LVIS_SELECTED), 0u);
        // An overridden handler without its entry: the press is the view's, the handler hears nothing.
        EXPECT_TRUE(vq::qtinput::ClickCell(d.m_unlisted, 1, 0));
        EXPECT_NE(d.m_unlisted.GetItemState(1, LVIS_SELECTED), 0u);
        // A cell that does not exist.
        EXPECT_FALSE(vq::qtinput::ClickCell(d.Plain(), 4, 0));
        EXPECT_FALSE(vq::qtinput::ClickCell(d.Plain(), 0, 2));
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    // (A double click is a click and then the double click.)
    const std::vector<std::string> plain{"row:2", "click", "row:1", "click", "click", "double"};
    EXPECT_EQ(dlg.heard, plain);
    EXPECT_EQ(dlg.m_presses.rows, (std::vector<int>{3, 0}));
    EXPECT_EQ(dlg.m_mapped.rows, (std::vector<int>{2}));
    EXPECT_TRUE(dlg.m_unlisted.rows.empty());
}

} // namespace
