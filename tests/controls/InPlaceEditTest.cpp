// In-place cell editing: opening an editor with the mouse, storing by Enter and by focus loss,
// cancelling with Esc, and moving from cell to cell with the keyboard.
#include "controls/CellEditListCtrl.h"
#include "controls/EditListCtrl.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ScriptedUser.h"

#include <gtest/gtest.h>

namespace {

constexpr int kCellList = 1061;
constexpr int kEditList = 1062;

const vq::DialogTemplate kEditTemplate{
    "更改单 - 零部件",
    {vq::ReportList(kCellList, vq::kNoLayoutFlags, LVS_REPORT | LVS_SHOWSELALWAYS | LVS_EDITLABELS),
     vq::ReportList(kEditList, vq::kNoLayoutFlags, LVS_REPORT | LVS_SHOWSELALWAYS),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")}};

class CEditHost : public CDialog {
public:
    CEditHost() : CDialog(kEditTemplate, nullptr) {}
    CCellEditListCtrl m_cells;
    CEditListCtrl m_edits;
    int m_endEdits = 0; // end-of-edit notifications the dialog saw
    int m_oks = 0;
    int m_cancels = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Control(pDX, kCellList, m_cells);
        DDX_Control(pDX, kEditList, m_edits);
    }
    void OnOK() override { ++m_oks; }
    void OnCancel() override { ++m_cancels; }
    void OnEndLabelEdit(NMHDR*, LRESULT*) { ++m_endEdits; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CEditHost, CDialog)
    ON_NOTIFY(LVN_ENDLABELEDIT, kCellList, &CEditHost::OnEndLabelEdit)
    ON_NOTIFY(LVN_ENDLABELEDIT, kEditList, &CEditHost::OnEndLabelEdit)
END_MESSAGE_MAP()

// Three rows of a change list: drawing number, opinion, mark, count.
void Fill(CListCtrl& list) {
    list.MoveWindow(0, 0, 420, 200);
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

class InPlaceEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Create(kEditTemplate));
        Fill(host.m_cells);
        Fill(host.m_edits);
        for (UINT c : {1u, 2u, 3u}) {
            host.m_cells.m_editColumns.Add(c);
            host.m_edits.m_editColumns.Add(c);
        }
        host.m_cells.m_editable = 1;
        host.m_edits.m_editable = 1;
    }
    void TearDown() override {
        if (host.GetSafeHwnd())
            host.DestroyWindow();
    }

    // A left button press at the middle of a cell.
    static void Press(CListCtrl& list, int row, int column) {
        CRect cell;
        list.GetSubItemRect(row, column, LVIR_LABEL, cell);
        const CPoint p = cell.CenterPoint();
        list.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON,
                         MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
    }
    static CInPlaceEdit* Editor(CListCtrl& list) {
        return dynamic_cast<CInPlaceEdit*>(list.GetDlgItem(static_cast<int>(kInPlaceEditId)));
    }

    vq::ScriptedUser user;
    CEditHost host;
};

TEST_F(InPlaceEditTest, HitTestFindsRowAndColumnByTheColumnWidths) {
    CCellEditListCtrl& list = host.m_cells;
    CRect cell;
    list.GetSubItemRect(1, 2, LVIR_LABEL, cell);
    int column = -1;
    EXPECT_EQ(list.HitTestEx(cell.CenterPoint(), &column), 1);
    EXPECT_EQ(column, 2);
    EXPECT_EQ(list.HitTestEx(CPoint(cell.left + 1, cell.top + 1), &column), 1);
    EXPECT_EQ(column, 2);
    // Right of every column, and below every row: nothing.
    CRect last;
    list.GetSubItemRect(1, 3, LVIR_LABEL, last);
    EXPECT_EQ(list.HitTestEx(CPoint(last.right + 2, cell.CenterPoint().y), &column), -1);
    EXPECT_EQ(list.HitTestEx(CPoint(50, 190), &column), -1);
}

TEST_F(InPlaceEditTest, TheFirstClickSelectsTheRowTheSecondEditsTheCell) {
    CCellEditListCtrl& list = host.m_cells;
    Press(list, 1, 1);
    EXPECT_EQ(Editor(list), nullptr);
    EXPECT_TRUE(list.GetItemState(1, LVIS_SELECTED | LVIS_FOCUSED) == (LVIS_SELECTED | LVIS_FOCUSED));
    EXPECT_TRUE(list.m_clickPoint != CPoint(0, 0));

    Press(list, 1, 1);
    CInPlaceEdit* editor = Editor(list);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->m_row, 1);
    EXPECT_EQ(editor->m_column, 1);
    CString text;
    editor->GetWindowText(text);
    EXPECT_EQ(text, "返修");
    EXPECT_EQ(CWnd::GetFocus(), editor);
    int start = -1, end = -1;
    editor->GetSel(start, end);
    EXPECT_EQ(end - start, text.GetLength()); // everything selected
    // Over the cell, 4 pixels in.
    CRect cell;
    list.GetSubItemRect(1, 1, LVIR_LABEL, cell);
    EXPECT_EQ(editor->GetRectInParent().left, cell.left + 4);
    EXPECT_EQ(editor->GetRectInParent().Width(), list.GetColumnWidth(1) - 3);
}

TEST_F(InPlaceEditTest, EnterStoresTheTextWithoutPressingTheDialogsButton) {
    CCellEditListCtrl& list = host.m_cells;
    Press(list, 0, 1);
    Press(list, 0, 1);
    CInPlaceEdit* editor = Editor(list);
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->UserSetText("重新设计"));
    vq::PressKey(*editor, VK_RETURN);
    EXPECT_EQ(list.GetItemText(0, 1), "重新设计");
    EXPECT_EQ(Editor(list), nullptr);
    EXPECT_EQ(CWnd::GetFocus(), &list);
    EXPECT_EQ(host.m_oks, 0);
    EXPECT_EQ(host.m_endEdits, 0); // the list took the notification itself
}

TEST_F(InPlaceEditTest, LosingTheFocusStoresTheText) {
    CCellEditListCtrl& list = host.m_cells;
    Press(list, 2, 3);
    Press(list, 2, 3);
    ASSERT_NE(Editor(list), nullptr);
    Editor(list)->UserSetText("5");
    host.GetDlgItem(IDOK)->SetFocus();
    EXPECT_EQ(list.GetItemText(2, 3), "5");
    EXPECT_EQ(Editor(list), nullptr);

    // A click on another row ends the edit too, and only selects that row.
    Press(list, 2, 2);
    ASSERT_NE(Editor(list), nullptr);
    Editor(list)->UserSetText("x");
    Press(list, 0, 2);
    EXPECT_EQ(list.GetItemText(2, 2), "x");
    EXPECT_EQ(Editor(list), nullptr);
    EXPECT_NE(list.GetItemState(0, LVIS_SELECTED), 0u);
}

TEST_F(InPlaceEditTest, EscLeavesTheCellUnchangedAndTheDialogOpen) {
    CCellEditListCtrl& list = host.m_cells;
    Press(list, 1, 2);
    Press(list, 1, 2);
    ASSERT_NE(Editor(list), nullptr);
    Editor(list)->UserSetText("zzz");
    vq::PressKey(*Editor(list), VK_ESCAPE);
    EXPECT_EQ(list.GetItemText(1, 2), "b");
    EXPECT_EQ(Editor(list), nullptr);
    EXPECT_EQ(host.m_cancels, 0);
    EXPECT_TRUE(host.GetSafeHwnd());
}

TEST_F(InPlaceEditTest, ColumnZeroNotEditableColumnsAndNarrowColumnsGetNoEditor) {
    CCellEditListCtrl& list = host.m_cells;
    list.m_editColumns.Add(0);
    Press(list, 0, 0);
    Press(list, 0, 0);
    EXPECT_EQ(Editor(list), nullptr);

    list.m_editColumns.RemoveAll();
    list.m_editColumns.Add(1);
    Press(list, 0, 2);
    EXPECT_EQ(Editor(list), nullptr);

    list.SetColumnWidth(3, 4);
    EXPECT_EQ(list.EditSubLabel(0, 3), nullptr);
    EXPECT_EQ(host.m_edits.EditSubLabel(0, 4), nullptr); // no such column
    host.m_edits.SetColumnWidth(2, 4);
    EXPECT_EQ(host.m_edits.EditSubLabel(0, 2), nullptr);
    list.SetColumnWidth(3, 5);
    EXPECT_NE(list.EditSubLabel(0, 3), nullptr);
}

TEST_F(InPlaceEditTest, TheCellListEditsOnlyWithEditLabelsAndStoresOnlyWhenEditableIsOne) {
    CCellEditListCtrl& list = host.m_cells;
    list.ModifyStyle(LVS_EDITLABELS, 0);
    Press(list, 0, 1);
    Press(list, 0, 1);
    EXPECT_EQ(Editor(list), nullptr);

    list.ModifyStyle(0, LVS_EDITLABELS);
    list.m_editable = 2;
    Press(list, 0, 1);
    ASSERT_NE(Editor(list), nullptr);
    Editor(list)->UserSetText("不存");
    vq::PressKey(*Editor(list), VK_RETURN);
    EXPECT_EQ(list.GetItemText(0, 1), "报废");

    // Editing off: a press only selects.
    list.m_editable = 0;
    Press(list, 1, 1);
    Press(list, 1, 1);
    EXPECT_EQ(Editor(list), nullptr);
}

TEST_F(InPlaceEditTest, TheFirstColumnIsStoredOnlyWhenAllowed) {
    CCellEditListCtrl& list = host.m_cells;
    ASSERT_NE(list.EditSubLabel(1, 0), nullptr);
    Editor(list)->UserSetText("B-2");
    vq::PressKey(*Editor(list), VK_RETURN);
    EXPECT_EQ(list.GetItemText(1, 0), "A-2");

    list.m_firstColumnEditable = 1;
    ASSERT_NE(list.EditSubLabel(1, 0), nullptr);
    Editor(list)->UserSetText("B-2");
    vq::PressKey(*Editor(list), VK_RETURN);
    EXPECT_EQ(list.GetItemText(1, 0), "B-2");
}

TEST_F(InPlaceEditTest, TypingWidensTheEditorUpToTheListsEdge) {
    CCellEditListCtrl& list = host.m_cells;
    Press(list, 0, 1);
    Press(list, 0, 1);
    CInPlaceEdit* editor = Editor(list);
    ASSERT_NE(editor, nullptr);
    const int before = editor->GetRectInParent().Width();
    editor->UserSetText("一个很长很长很长很长很长的处理意见");
    vq::PressKey(*editor, 'A');
    EXPECT_GT(editor->GetRectInParent().Width(), before);
    editor->UserSetText(CString('W', 200));
    vq::PressKey(*editor, 'A');
    EXPECT_EQ(editor->GetRectInParent().right, 420);
}

TEST_F(InPlaceEditTest, TabAndArrowsMoveFromCellToCellStoringOnTheWay) {
    CEditListCtrl& list = host.m_edits;
    Press(list, 0, 1);
    Press(list, 0, 1);
    ASSERT_NE(Editor(list), nullptr);
    Editor(list)->UserSetText("修改");

    vq::PressKey(*Editor(list), VK_TAB);
    EXPECT_EQ(list.GetItemText(0, 1), "修改");
    ASSERT_NE(Editor(list), nullptr);
    EXPECT_EQ(Editor(list)->m_row, 0);
    EXPECT_EQ(Editor(list)->m_column, 2);

    vq::PressKey(*Editor(list), VK_DOWN);
    ASSERT_NE(Editor(list), nullptr);
    EXPECT_EQ(Editor(list)->m_row, 1);
    EXPECT_EQ(Editor(list)->m_column, 2);
    EXPECT_NE(list.GetItemState(1, LVIS_SELECTED), 0u);

    vq::PressKey(*Editor(list), VK_END);
    EXPECT_EQ(Editor(list)->m_column, 3);
    vq::PressKey(*Editor(list), VK_LEFT);
    EXPECT_EQ(Editor(list)->m_column, 2);
    vq::PressKey(*Editor(list), VK_UP);
    EXPECT_EQ(Editor(list)->m_row, 0);
    vq::PressKey(*Editor(list), VK_UP); // no row before the first
    EXPECT_EQ(Editor(list)->m_row, 0);
    EXPECT_EQ(host.m_oks + host.m_cancels + host.m_endEdits, 0);
}

TEST_F(InPlaceEditTest, TabInTheLastCellStaysOnTheLastRowAndGoesToColumnZero) {
    CEditListCtrl& list = host.m_edits;
    list.SetFocus();
    list.m_curRow = 2;
    list.m_curColumn = 2;
    vq::PressKey(list, VK_TAB);
    ASSERT_NE(Editor(list), nullptr);
    EXPECT_EQ(Editor(list)->m_column, 3);
    Editor(list)->UserSetText("9");

    vq::PressKey(*Editor(list), VK_TAB);
    EXPECT_EQ(list.m_curRow, 2);
    EXPECT_EQ(list.m_curColumn, 0);
    EXPECT_NE(list.GetItemState(2, LVIS_SELECTED | LVIS_FOCUSED), 0u);
    // Column 0 opens no editor; the one still open keeps its cell and stores it when it closes.
    ASSERT_NE(Editor(list), nullptr);
    EXPECT_EQ(Editor(list)->m_column, 3);
    list.SetFocus();
    EXPECT_EQ(list.GetItemText(2, 3), "9");
    EXPECT_EQ(Editor(list), nullptr);
}

TEST_F(InPlaceEditTest, LeftBeforeColumnZeroGoesToTheLastColumnOfTheRowAbove) {
    CEditListCtrl& list = host.m_edits;
    list.SetFocus();
    list.m_curRow = 1;
    list.m_curColumn = 0;
    vq::PressKey(list, VK_LEFT);
    ASSERT_NE(Editor(list), nullptr);
    EXPECT_EQ(Editor(list)->m_row, 0);
    EXPECT_EQ(Editor(list)->m_column, 3);
    vq::PressKey(*Editor(list), VK_HOME); // column 0: no editor opens
    EXPECT_EQ(list.m_curColumn, 0);
    vq::PressKey(list, VK_RIGHT);
    ASSERT_NE(Editor(list), nullptr);
    EXPECT_EQ(Editor(list)->m_column, 1);
}

TEST_F(InPlaceEditTest, WithEditingOffKeysAndClicksOnlyMoveTheSelection) {
    CEditListCtrl& list = host.m_edits;
    list.m_editable = 0;
    list.SetFocus();
    list.m_curRow = 0;
    vq::PressKey(list, VK_TAB);
    EXPECT_EQ(list.m_curColumn, 0);
    Press(list, 1, 1);
    Press(list, 1, 1);
    EXPECT_EQ(Editor(list), nullptr);
    EXPECT_NE(list.GetItemState(1, LVIS_SELECTED), 0u);
}

} // namespace
