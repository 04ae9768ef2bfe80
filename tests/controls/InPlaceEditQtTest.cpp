// In-place cell editing in the Qt view, as a person does it: clicks on cells, typing into the
// editor that opens over the cell, Enter, Esc and Tab (rendered off screen).
#include "controls/CellEditListCtrl.h"
#include "controls/EditListCtrl.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/View.h"
#include "platform/ui/qt/QtDialogView.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kEditList = 1062;
constexpr int kCellList = 1061;
constexpr UINT kSteps = WM_USER + 31;

const vq::DialogTemplate kCellsTemplate{
    "更改单 - 处理意见",
    {vq::ReportList(kEditList, vq::kNoLayoutFlags, LVS_REPORT | LVS_SHOWSELALWAYS),
     vq::ReportList(kCellList, vq::kNoLayoutFlags, LVS_REPORT | LVS_SHOWSELALWAYS | LVS_EDITLABELS),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")}};

void Fill(CListCtrl& list) {
    list.InsertColumn(0, "图号", LVCFMT_LEFT, 100);
    list.InsertColumn(1, "处理意见", LVCFMT_LEFT, 120);
    list.InsertColumn(2, "更改标记", LVCFMT_CENTER, 80);
    list.InsertColumn(3, "更改处数", LVCFMT_RIGHT, 80);
    const char* rows[][4] = {{"A-1", "报废", "a", "1"}, {"A-2", "返修", "b", "2"}, {"A-3", "利用", "c", "3"}};
    for (int r = 0; r < 3; ++r) {
        list.InsertItem(r, rows[r][0]);
        for (int c = 1; c < 4; ++c)
            list.SetItemText(r, c, rows[r][c]);
    }
}

// The steps run inside the modal loop of the Qt view; the dialog ends when they are done.
class CCellsDlg : public CDialog {
public:
    CCellsDlg() : CDialog(kCellsTemplate, nullptr) {}
    CEditListCtrl m_edits;
    CCellEditListCtrl m_cells;
    std::function<void(CCellsDlg&)> steps;
    int oks = 0;
    int cancels = 0;
    CString textAtOk;

    CInPlaceEdit* Editor(CListCtrl& list) {
        return dynamic_cast<CInPlaceEdit*>(list.GetDlgItem(static_cast<int>(kInPlaceEditId)));
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Control(pDX, kEditList, m_edits);
        DDX_Control(pDX, kCellList, m_cells);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        for (CListCtrl* list : {static_cast<CListCtrl*>(&m_edits), static_cast<CListCtrl*>(&m_cells)})
            Fill(*list);
        for (UINT c : {1u, 2u, 3u}) {
            m_edits.m_editColumns.Add(c);
            m_cells.m_editColumns.Add(c);
        }
        m_edits.m_editable = 1;
        m_cells.m_editable = 1;
        PostMessage(kSteps);
        return TRUE;
    }
    void OnOK() override {
        ++oks;
        textAtOk = m_edits.GetItemText(1, 2);
    }
    void OnCancel() override { ++cancels; }
    LRESULT OnSteps(WPARAM, LPARAM) {
        if (steps)
            steps(*this);
        EndDialog(IDOK);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCellsDlg, CDialog)
    ON_MESSAGE(kSteps, &CCellsDlg::OnSteps)
END_MESSAGE_MAP()

class InPlaceEditQtTest : public ::testing::Test {
protected:
    void SetUp() override { m_previous = vq::SetDialogView(&vq::QtDialogView()); }
    void TearDown() override { vq::SetDialogView(m_previous); }
    vq::DialogView* m_previous = nullptr;
};

// The first click selects the row, the second (on the focused row) opens the editor.
CInPlaceEdit* OpenEditor(CCellsDlg& d, CListCtrl& list, int row, int column) {
    vq::qtinput::ClickCell(list, row, column);
    if (!d.Editor(list))
        vq::qtinput::ClickCell(list, row, column);
    return d.Editor(list);
}

TEST_F(InPlaceEditQtTest, TheEditorOpensOverTheClickedCellWithTheFocusAndEnterStoresTheText) {
    CCellsDlg dlg;
    bool ran = false;
    dlg.steps = [&](CCellsDlg& d) {
        ran = true;
        CEditListCtrl& list = d.m_edits;
        ASSERT_TRUE(vq::qtinput::ClickCell(list, 1, 1));
        EXPECT_EQ(d.Editor(list), nullptr); // the first click only selects
        EXPECT_NE(list.GetItemState(1, LVIS_SELECTED), 0u);
        ASSERT_TRUE(vq::qtinput::ClickCell(list, 1, 1));
        CInPlaceEdit* editor = d.Editor(list);
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->m_row, 1);
        EXPECT_EQ(editor->m_column, 1);
        // A widget of its own over the cell the list shows, holding the keyboard.
        EXPECT_EQ(vq::qtinput::ShownText(*editor), "返修");
        const CRect shown = vq::qtinput::ShownRect(*editor);
        const CRect cell = vq::qtinput::ShownCellRect(list, 1, 1);
        ASSERT_FALSE(shown.IsRectEmpty());
        EXPECT_NEAR(shown.left, cell.left + 4, 1);
        EXPECT_NEAR(shown.CenterPoint().y, cell.CenterPoint().y, 2);
        EXPECT_LE(shown.right, cell.right + 1);
        EXPECT_TRUE(vq::qtinput::HasFocus(*editor));

        if (const char* dir = std::getenv("VQ_SCREENSHOT_DIR"); dir && *dir) {
            std::filesystem::create_directories(dir);
            vq::RenderDialogInQt(d).SavePng(CString(std::string(dir) + "/cell-editor-open.png"));
        }

        EXPECT_TRUE(vq::qtinput::Type(*editor, "报废后重做"));
        EXPECT_TRUE(vq::qtinput::Key(*editor, VK_RETURN));
        EXPECT_EQ(list.GetItemText(1, 1), "报废后重做");
        EXPECT_EQ(d.Editor(list), nullptr);
        EXPECT_EQ(d.oks, 0); // Enter ended the edit, not the dialog
        // The editor's widget has gone with it.
        EXPECT_EQ(vq::qtinput::ShownText(list), "A-2");
        EXPECT_TRUE(vq::qtinput::HasFocus(list));
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(ran);
}

TEST_F(InPlaceEditQtTest, EscCancelsTheEditAndLeavesTheDialogOpen) {
    CCellsDlg dlg;
    dlg.steps = [](CCellsDlg& d) {
        CEditListCtrl& list = d.m_edits;
        CInPlaceEdit* editor = OpenEditor(d, list, 0, 2);
        ASSERT_NE(editor, nullptr);
        EXPECT_TRUE(vq::qtinput::Type(*editor, "zz"));
        EXPECT_TRUE(vq::qtinput::Key(*editor, VK_ESCAPE));
        EXPECT_EQ(d.Editor(list), nullptr);
        EXPECT_EQ(list.GetItemText(0, 2), "a");
        EXPECT_EQ(d.cancels, 0);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST_F(InPlaceEditQtTest, TabAndArrowsStoreTheCellAndMoveTheEditor) {
    CCellsDlg dlg;
    dlg.steps = [](CCellsDlg& d) {
        CEditListCtrl& list = d.m_edits;
        CInPlaceEdit* editor = OpenEditor(d, list, 0, 1);
        ASSERT_NE(editor, nullptr);
        EXPECT_TRUE(vq::qtinput::Type(*editor, "返修"));
        EXPECT_TRUE(vq::qtinput::Key(*editor, VK_TAB));
        EXPECT_EQ(list.GetItemText(0, 1), "返修");
        editor = d.Editor(list);
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->m_row, 0);
        EXPECT_EQ(editor->m_column, 2);
        EXPECT_TRUE(vq::qtinput::HasFocus(*editor));
        EXPECT_EQ(vq::qtinput::ShownText(*editor), "a");
        // Down: the same column of the next row.
        EXPECT_TRUE(vq::qtinput::Type(*editor, "b"));
        EXPECT_TRUE(vq::qtinput::Key(*editor, VK_DOWN));
        EXPECT_EQ(list.GetItemText(0, 2), "b");
        editor = d.Editor(list);
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->m_row, 1);
        EXPECT_EQ(editor->m_column, 2);
        const CRect shown = vq::qtinput::ShownRect(*editor);
        EXPECT_NEAR(shown.CenterPoint().y, vq::qtinput::ShownCellRect(list, 1, 2).CenterPoint().y, 2);
        EXPECT_TRUE(vq::qtinput::Key(*editor, VK_ESCAPE));
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

// The keyboard can always leave a list that moves between its cells: Tab from the last cell,
// Shift+Tab (which moves back a cell) from the first, Ctrl+Tab from any cell, and Tab at once
// while editing is off (a notice shown read-only).
TEST_F(InPlaceEditQtTest, TabFromTheLastCellShiftTabFromTheFirstAndCtrlTabLeaveTheList) {
    CCellsDlg dlg;
    std::vector<std::string> seen;
    dlg.steps = [&](CCellsDlg& d) {
        CEditListCtrl& list = d.m_edits;
        auto where = [&] {
            if (CInPlaceEdit* editor = d.Editor(list))
                return "cell " + std::to_string(editor->m_row) + "," + std::to_string(editor->m_column);
            if (vq::qtinput::HasFocus(list))
                return std::string("list");
            return std::string(vq::qtinput::HasFocus(d.m_cells) ? "next list" : "elsewhere");
        };
        CInPlaceEdit* editor = OpenEditor(d, list, 2, 3);
        ASSERT_NE(editor, nullptr);
        EXPECT_TRUE(vq::qtinput::Type(*editor, "8"));
        EXPECT_TRUE(vq::qtinput::Key(*editor, VK_TAB));
        seen.push_back("Tab from the last cell: " + where());
        EXPECT_EQ(list.GetItemText(2, 3), "8");

        // Back from column 2 to column 1, then to column 0, which takes no text (the editor of
        // column 1 stays open until the focus leaves it), then out of the list.
        editor = OpenEditor(d, list, 0, 2);
        ASSERT_NE(editor, nullptr);
        EXPECT_TRUE(vq::qtinput::Key(*editor, VK_TAB, true));
        seen.push_back("Shift+Tab: " + where());
        for (const char* step : {"Shift+Tab to column 0: ", "Shift+Tab from the first cell: "}) {
            if (CInPlaceEdit* open = d.Editor(list))
                EXPECT_TRUE(vq::qtinput::Key(*open, VK_TAB, true));
            else
                EXPECT_TRUE(vq::qtinput::Key(list, VK_TAB, true));
            seen.push_back(step + where());
        }

        editor = OpenEditor(d, list, 1, 1);
        ASSERT_NE(editor, nullptr);
        EXPECT_TRUE(vq::qtinput::PressKeys(*editor, "Ctrl+Tab"));
        seen.push_back("Ctrl+Tab: " + where());

        list.m_editable = 0;
        vq::qtinput::ClickCell(list, 1, 0);
        EXPECT_TRUE(vq::qtinput::Key(list, VK_TAB));
        seen.push_back("Tab, editing off: " + where());
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(seen, (std::vector<std::string>{"Tab from the last cell: next list", "Shift+Tab: cell 0,1",
                                              "Shift+Tab to column 0: cell 0,1",
                                              "Shift+Tab from the first cell: elsewhere",
                                              "Ctrl+Tab: next list", "Tab, editing off: next list"}));
}

TEST_F(InPlaceEditQtTest, ClickingAnotherCellStoresTheOpenEdit) {
    CCellsDlg dlg;
    dlg.steps = [](CCellsDlg& d) {
        CEditListCtrl& list = d.m_edits;
        CInPlaceEdit* editor = OpenEditor(d, list, 2, 3);
        ASSERT_NE(editor, nullptr);
        // The last column reaches past the list's right edge: the list scrolls to it, and the
        // editor stands over the cell where the list shows it.
        const CRect cell = vq::qtinput::ShownCellRect(list, 2, 3);
        EXPECT_LE(cell.right, vq::qtinput::ShownRect(list).right + 2); // within its frame
        EXPECT_NEAR(vq::qtinput::ShownRect(*editor).left, cell.left, 6);
        EXPECT_TRUE(vq::qtinput::Type(*editor, "7"));
        // The press takes the focus to the list, which ends the edit; it selects the other row.
        vq::qtinput::ClickCell(list, 0, 1);
        EXPECT_EQ(list.GetItemText(2, 3), "7");
        EXPECT_EQ(d.Editor(list), nullptr);
        EXPECT_NE(list.GetItemState(0, LVIS_SELECTED), 0u);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST_F(InPlaceEditQtTest, PressingTheOkButtonWhileEditingStoresTheEditBeforeTheDialogReadsIt) {
    CCellsDlg dlg;
    dlg.steps = [](CCellsDlg& d) {
        vq::ActiveDialogView().ProcessPendingEvents(); // the dialog becomes the active window
        CEditListCtrl& list = d.m_edits;
        CInPlaceEdit* editor = OpenEditor(d, list, 1, 2);
        ASSERT_NE(editor, nullptr);
        EXPECT_TRUE(vq::qtinput::Type(*editor, "x"));
        // The press moves the focus to the button, which ends the edit; then OK runs.
        EXPECT_TRUE(vq::qtinput::Click(*d.GetDlgItem(IDOK)));
        EXPECT_EQ(d.oks, 1);
        EXPECT_EQ(d.textAtOk, "x");
        EXPECT_EQ(d.Editor(list), nullptr);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST_F(InPlaceEditQtTest, ArrowKeysInAListThatTakesKeysMoveItsCellsAndWithEditingOffItsRows) {
    CCellsDlg dlg;
    dlg.steps = [](CCellsDlg& d) {
        CEditListCtrl& list = d.m_edits;
        vq::qtinput::ClickCell(list, 0, 0);
        // Right moves to column 1, an editable cell: the editor opens there.
        EXPECT_TRUE(vq::qtinput::Key(list, VK_RIGHT));
        CInPlaceEdit* editor = d.Editor(list);
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->m_column, 1);
        EXPECT_TRUE(vq::qtinput::Key(*editor, VK_ESCAPE));

        // Editing off: the list's own keys move the selected row.
        list.m_editable = 0;
        vq::qtinput::ClickCell(list, 0, 0);
        EXPECT_TRUE(vq::qtinput::Key(list, VK_DOWN));
        EXPECT_NE(list.GetItemState(1, LVIS_SELECTED), 0u);
        EXPECT_EQ(list.GetItemState(0, LVIS_SELECTED), 0u);
        EXPECT_TRUE(vq::qtinput::Key(list, VK_END));
        EXPECT_NE(list.GetItemState(2, LVIS_SELECTED), 0u);
        EXPECT_EQ(d.Editor(list), nullptr);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST_F(InPlaceEditQtTest, CellListEditsOnlyWithEditLabelsAndKeepsTabForTheEditor) {
    CCellsDlg dlg;
    dlg.steps = [](CCellsDlg& d) {
        CCellEditListCtrl& list = d.m_cells;
        CInPlaceEdit* editor = OpenEditor(d, list, 1, 3);
        ASSERT_NE(editor, nullptr);
        EXPECT_TRUE(vq::qtinput::Type(*editor, "9"));
        // This list does not move between cells: Tab stays with the editor.
        EXPECT_TRUE(vq::qtinput::Key(*editor, VK_TAB));
        EXPECT_EQ(d.Editor(list), editor);
        EXPECT_TRUE(vq::qtinput::HasFocus(*editor));
        EXPECT_TRUE(vq::qtinput::Key(*editor, VK_RETURN));
        EXPECT_EQ(list.GetItemText(1, 3), "9");

        // Without LVS_EDITLABELS the second click only selects.
        list.ModifyStyle(LVS_EDITLABELS, 0);
        vq::qtinput::ClickCell(list, 2, 1);
        vq::qtinput::ClickCell(list, 2, 1);
        EXPECT_EQ(d.Editor(list), nullptr);
        EXPECT_NE(list.GetItemState(2, LVIS_SELECTED), 0u);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

} // namespace
