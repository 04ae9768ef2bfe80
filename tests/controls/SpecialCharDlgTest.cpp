// The special characters: the file (blocks, markers, code page 936) read and written back, the
// grid's cells, selection, scrolling and painting, and the dialog's edit operations.
#include "controls/SpecialCharDlg.h"
#include "platform/base/TextCodec.h"
#include "platform/ui/DC.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <string>
#include <vector>

namespace {

constexpr const char* kCharFile = "install/qent/spt/vqpchar.txt";
constexpr const char* kChoose = "请选择特殊字符...";

std::vector<std::string> Strings(const CStringArray& a) {
    std::vector<std::string> v;
    for (INT_PTR i = 0; i < a.GetSize(); ++i)
        v.push_back(a[i].str());
    return v;
}

void WriteChars(vqtest::Workspace& ws, const std::string& utf8) {
    ws.WriteFile(kCharFile, vq::Utf8ToGbk(utf8));
}

std::string ReadChars(vqtest::Workspace& ws) {
    return vq::GbkToUtf8(ws.ReadFile(kCharFile));
}

CCharGridCtrl& Grid(CDialog& d) {
    return dynamic_cast<CSpecialCharDlg&>(d).m_grid;
}

// A click (or double click) on a cell of the grid as it is scrolled now.
void ClickCell(CDialog& d, int row, int column, bool twice = false) {
    CCharGridCtrl& grid = Grid(d);
    const CRect cell = grid.GetCellRect(row, column);
    ASSERT_FALSE(cell.IsRectEmpty());
    const LPARAM at = MAKELPARAM(cell.CenterPoint().x, cell.CenterPoint().y);
    grid.SendMessage(WM_LBUTTONDOWN, 0, at);
    grid.SendMessage(WM_LBUTTONUP, 0, at);
    if (twice)
        grid.SendMessage(WM_LBUTTONDBLCLK, 0, at);
}

using Texts = std::vector<std::string>;

} // namespace

TEST(SpecialCharFile, ReadsEveryBlockAndIgnoresLinesOutsideThem) {
    vqtest::Workspace ws;
    WriteChars(ws, "说明行\r\n[开始]\r\n±\r\n①\r\n[结束]\r\n注释\n[开始]\n°\n[结束]\n");
    CStringArray entries;
    CSpecialCharDlg::ReadCharFile(CSpecialCharDlg::GetCharFilePath(), entries);
    EXPECT_EQ(Strings(entries), (Texts{"±", "①", "°"}));
}

TEST(SpecialCharFile, UnclosedBlockKeepsItsLinesUpToTheEndOfTheFile) {
    vqtest::Workspace ws;
    WriteChars(ws, "[开始]\r\n①\r\n②");
    CStringArray entries;
    CSpecialCharDlg::ReadCharFile(CSpecialCharDlg::GetCharFilePath(), entries);
    EXPECT_EQ(Strings(entries), (Texts{"①", "②"}));
}

TEST(SpecialCharFile, MissingFileGivesNoEntries) {
    vqtest::Workspace ws;
    CStringArray entries;
    CSpecialCharDlg::ReadCharFile(CSpecialCharDlg::GetCharFilePath(), entries);
    EXPECT_EQ(entries.GetSize(), 0);
}

TEST(SpecialCharFile, WritesOneBlockInCodePage936) {
    vqtest::Workspace ws;
    WriteChars(ws, "old");
    CStringArray entries;
    entries.Add("±");
    entries.Add("1/2");
    ASSERT_TRUE(CSpecialCharDlg::WriteCharFile(CSpecialCharDlg::GetCharFilePath(), entries));
    EXPECT_EQ(ws.ReadFile(kCharFile), vq::Utf8ToGbk("[开始]\r\n±\r\n1/2\r\n[结束]\r\n"));
    CStringArray back;
    CSpecialCharDlg::ReadCharFile(CSpecialCharDlg::GetCharFilePath(), back);
    EXPECT_EQ(Strings(back), (Texts{"±", "1/2"}));
}

TEST(CharGrid, CellsOutsideTheGridAreRefusedAndFindTakesTheFirstRowByRow) {
    CCharGridCtrl grid;
    grid.SetSize(3, 2);
    EXPECT_FALSE(grid.SetCell(3, 0, "x", 0));
    EXPECT_FALSE(grid.SetCell(0, 2, "x", 0));
    EXPECT_FALSE(grid.SetCell(-1, 0, "x", 0));
    EXPECT_EQ(grid.GetCellText(5, 5), "");
    EXPECT_TRUE(grid.SetCell(2, 0, "α", 0));
    EXPECT_TRUE(grid.SetCell(1, 1, "α", 0));
    int row = -1;
    int column = -1;
    ASSERT_TRUE(grid.FindCell("α", row, column));
    EXPECT_EQ(row, 1);
    EXPECT_EQ(column, 1);
    EXPECT_FALSE(grid.FindCell("β", row, column));
    EXPECT_TRUE(grid.SelectCell(2, 1));
    // A smaller size empties the cells and moves a selection outside it to the first cell.
    grid.SetSize(2, 2);
    EXPECT_EQ(grid.GetSelectedRow(), 0);
    EXPECT_EQ(grid.GetSelectedColumn(), 0);
    EXPECT_EQ(grid.GetCellText(1, 1), "");
}

TEST(SpecialChar, OpensWithTheFileAndReturnsTheClickedEntry) {
    vqtest::Workspace ws;
    WriteChars(ws, "[开始]\r\n±\r\n①\r\n°\r\n[结束]\r\n");
    vqtest::MessageBoxRecorder rec;
    CSpecialCharDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("特殊字符")
        .Do([](CDialog& d) {
            CCharGridCtrl& grid = Grid(d);
            EXPECT_EQ(grid.GetRowCount(), 20);
            EXPECT_EQ(grid.GetColumnCount(), 10);
            EXPECT_EQ(grid.GetCellText(0, 1), "①");
            for (int id : {1090, 995, 1091, 46})
                EXPECT_FALSE(d.GetDlgItem(id)->IsWindowEnabled()) << id;
            ClickCell(d, 0, 2);
            EXPECT_EQ(grid.GetSelectedText(), "°");
        })
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strChar, "°");
    EXPECT_EQ(ReadChars(ws), "[开始]\r\n±\r\n①\r\n°\r\n[结束]\r\n");
}

TEST(SpecialChar, DoubleClickOnACellChooses) {
    vqtest::Workspace ws;
    WriteChars(ws, "[开始]\r\n±\r\n①\r\n[结束]\r\n");
    CSpecialCharDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("特殊字符").Do([](CDialog& d) { ClickCell(d, 0, 1, true); });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strChar, "①");
}

TEST(SpecialChar, OkOnAnEmptyCellAsksForAChoiceOutsideEditMode) {
    vqtest::Workspace ws;
    WriteChars(ws, "[开始]\r\n±\r\n[结束]\r\n");
    vqtest::MessageBoxRecorder rec;
    CSpecialCharDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("特殊字符")
        .Do([](CDialog& d) { ClickCell(d, 3, 3); })
        .Click(IDOK)
        .Message(kChoose, IDOK)
        .Do([](CDialog& d) { ClickCell(d, 0, 0); })
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strChar, "±");
}

TEST(SpecialChar, MoreThan200EntriesAreCutAndA201stCannotBeAdded) {
    vqtest::Workspace ws;
    std::string text = "[开始]\r\n";
    for (int i = 0; i < 205; ++i)
        text += std::to_string(i) + "\r\n";
    WriteChars(ws, text + "[结束]\r\n");
    CSpecialCharDlg dlg;
    vq::ScriptedUser user;
    user.Message("特殊字符总数不超过200...", IDOK)
        .Dialog("特殊字符")
        .Do([](CDialog& d) {
            EXPECT_EQ(Grid(d).GetCellText(19, 9), "199");
            EXPECT_EQ(dynamic_cast<CSpecialCharDlg&>(d).m_arrChars.GetSize(), 200);
        })
        .Check(1404, 1)
        .Click(1090)
        .Message("特殊字符总数不超过200...", IDOK)
        .Click(46)
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    CStringArray saved;
    CSpecialCharDlg::ReadCharFile(CSpecialCharDlg::GetCharFilePath(), saved);
    EXPECT_EQ(saved.GetSize(), 200);
}

TEST(SpecialChar, AddChangeAndDeleteActOnTheSelectedCellAndAreSaved) {
    vqtest::Workspace ws;
    WriteChars(ws, "[开始]\r\nα\r\nβ\r\nα\r\nγ\r\n[结束]\r\n");
    CSpecialCharDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("特殊字符")
        .Check(1404, 1)
        .Do([](CDialog& d) {
            for (int id : {1090, 995, 1091, 46})
                EXPECT_TRUE(d.GetDlgItem(id)->IsWindowEnabled()) << id;
            ClickCell(d, 0, 2); // the second "α"
        })
        .Click(995)
        .Dialog("输入字符串")
        .Do([](CDialog& d) {
            CString text;
            d.GetDlgItemText(1013, text);
            EXPECT_EQ(text, "α");
        })
        .Set(1013, "δ")
        .Click(IDOK)
        .Do([](CDialog& d) {
            EXPECT_EQ(Grid(d).GetCellText(0, 0), "α");
            EXPECT_EQ(Grid(d).GetCellText(0, 2), "δ");
            ClickCell(d, 0, 1);
        })
        .Click(1091)
        .Do([](CDialog& d) {
            CCharGridCtrl& grid = Grid(d);
            EXPECT_EQ(grid.GetCellText(0, 1), "δ");
            EXPECT_EQ(grid.GetCellText(0, 2), "γ");
            EXPECT_EQ(grid.GetCellText(0, 3), "");
            EXPECT_EQ(grid.GetSelectedColumn(), 2); // the last entry
        })
        .Click(1090)
        .Dialog("输入字符串")
        .Set(1013, "∑")
        .Click(IDOK)
        .Click(46)
        .Click(IDCANCEL)
        .Message("列表内容已被修改，是否要保存?", IDNO);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ReadChars(ws), "[开始]\r\nα\r\nδ\r\nγ\r\n∑\r\n[结束]\r\n");
}

TEST(SpecialChar, ChangeOrDeleteWithoutASelectedEntryAsksForOne) {
    vqtest::Workspace ws;
    WriteChars(ws, "[开始]\r\nα\r\n[结束]\r\n");
    CSpecialCharDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("特殊字符")
        .Check(1404, 1)
        .Do([](CDialog& d) { ClickCell(d, 1, 1); })
        .Click(995)
        .Message(kChoose, IDOK)
        .Click(1091)
        .Message(kChoose, IDOK)
        .Do([](CDialog& d) { ClickCell(d, 0, 0); })
        .Click(1091)
        .Do([](CDialog& d) {
            EXPECT_FALSE(d.GetDlgItem(995)->IsWindowEnabled());
            EXPECT_FALSE(d.GetDlgItem(1091)->IsWindowEnabled());
        })
        // In edit mode OK saves the empty list and closes.
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strChar, "");
    EXPECT_EQ(ReadChars(ws), "[开始]\r\n[结束]\r\n");
}

TEST(SpecialChar, CancelAfterAChangeAsksAndCanStayOrSave) {
    vqtest::Workspace ws;
    WriteChars(ws, "[开始]\r\nα\r\n[结束]\r\n");
    CSpecialCharDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("特殊字符")
        .Check(1404, 1)
        .Click(1090)
        .Dialog("输入字符串")
        .Set(1013, "Ω")
        .Click(IDOK)
        .Click(46)
        .Click(IDCANCEL) // saving keeps the question
        .Message("列表内容已被修改，是否要保存?", IDCANCEL)
        .Do([](CDialog& d) { EXPECT_FALSE(d.HasEnded()); })
        .Click(1090)
        .Dialog("输入字符串")
        .Set(1013, "Σ")
        .Click(IDOK)
        .Click(IDCANCEL)
        .Message("列表内容已被修改，是否要保存?", IDYES);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ReadChars(ws), "[开始]\r\nα\r\nΩ\r\nΣ\r\n[结束]\r\n");
}

TEST(SpecialChar, UnwritableFileIsReportedAndTheDialogGoesOn) {
    vqtest::Workspace ws;
    ws.WriteFile("install/qent/spt/vqpchar.txt/keep", "");
    CSpecialCharDlg dlg;
    const CString path = CSpecialCharDlg::GetCharFilePath();
    vq::ScriptedUser user;
    user.Dialog("特殊字符")
        .Check(1404, 1)
        .Click(46)
        .Message("文件: " + path + " 打不开!", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST(SpecialChar, GridScrollsWithItsBarAndPaintsSelectionAndFractions) {
    if (std::getenv("VQ_SCREENSHOT_DIR"))
        GTEST_SKIP() << "the Qt view sizes the grid itself";
    vqtest::Workspace ws;
    std::string text = "[开始]\r\n1/2\r\n";
    for (int i = 1; i < 150; ++i)
        text += "x\r\n";
    WriteChars(ws, text + "[结束]\r\n");
    CSpecialCharDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("特殊字符")
        .Do([](CDialog& d) {
            CCharGridCtrl& grid = Grid(d);
            ASSERT_TRUE(grid.HasVerticalBar());
            EXPECT_FALSE(grid.HasHorizontalBar());
            EXPECT_EQ(grid.GetVisibleRows(), 10);
            EXPECT_EQ(grid.GetVisibleColumns(), 10);
            ClickCell(d, 0, 0);
            CBitmap picture = vq::RenderWindow(grid);
            // The selected cell is dark blue, the fraction line crosses its middle in white.
            EXPECT_EQ(picture.GetPixel(3, 3), RGB(0, 0, 0x9B));
            EXPECT_EQ(picture.GetPixel(15, 10), RGB(255, 255, 255));
            EXPECT_EQ(picture.GetPixel(45, 3), RGB(255, 255, 255)); // an unselected cell
            EXPECT_EQ(picture.GetPixel(29, 5), RGB(0, 0, 0));       // a border

            // The down arrow scrolls one row, a click below the box a page of three.
            CRect client;
            grid.GetClientRect(&client);
            const int barX = client.right - 5;
            grid.SendMessage(WM_LBUTTONDOWN, 0, MAKELPARAM(barX, client.bottom - 3));
            EXPECT_EQ(grid.GetFirstVisibleRow(), 1);
            grid.SendMessage(WM_LBUTTONDOWN, 0, MAKELPARAM(barX, client.bottom - 30));
            EXPECT_EQ(grid.GetFirstVisibleRow(), 4);
            // The limit is the row count less the visible rows.
            for (int i = 0; i < 10; ++i)
                grid.SendMessage(WM_LBUTTONDOWN, 0, MAKELPARAM(barX, client.bottom - 3));
            EXPECT_EQ(grid.GetFirstVisibleRow(), 10);
            // A click in the cells now means the scrolled rows.
            grid.SendMessage(WM_LBUTTONDOWN, 0, MAKELPARAM(15, 10));
            EXPECT_EQ(grid.GetSelectedRow(), 10);
            grid.SendMessage(WM_LBUTTONDOWN, 0, MAKELPARAM(barX, 3));
            EXPECT_EQ(grid.GetFirstVisibleRow(), 9);
        })
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST(SpecialChar, DraggingTheScrollBoxScrollsOneRowPerTrackUnit) {
    if (std::getenv("VQ_SCREENSHOT_DIR"))
        GTEST_SKIP() << "the Qt view sizes the grid itself";
    vqtest::Workspace ws;
    WriteChars(ws, "[开始]\r\na\r\n[结束]\r\n");
    CSpecialCharDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("特殊字符")
        .Do([](CDialog& d) {
            CCharGridCtrl& grid = Grid(d);
            CRect client;
            grid.GetClientRect(&client);
            const int barX = client.right - 5;
            const int arrow = GetSystemMetrics(SM_CXVSCROLL);
            // 20 rows, 10 visible: the limit is 11 and a track unit the track length over it.
            const int unit = (client.Height() - 2 * arrow) / 11;
            grid.SendMessage(WM_LBUTTONDOWN, 0, MAKELPARAM(barX, arrow + 1));
            EXPECT_EQ(grid.m_nCapture, -1);
            grid.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(barX, arrow + 1 + unit));
            EXPECT_EQ(grid.GetFirstVisibleRow(), 1);
            grid.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(barX, arrow + 1 + 2 * unit));
            EXPECT_EQ(grid.GetFirstVisibleRow(), 2);
            grid.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(barX, arrow + 1 + 2 * unit));
            EXPECT_EQ(grid.m_nCapture, 0);
            grid.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(barX, 150));
            EXPECT_EQ(grid.GetFirstVisibleRow(), 2);
        })
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST(SpecialCharFile, AFullDiskKeepsTheOldFile) {
    vqtest::Workspace ws;
    const CString path = ws.WriteFile("chars.txt", "old");
    CStringArray entries;
    for (int i = 0; i < 200; ++i)
        entries.Add("±");
    {
        vqtest::FileSizeLimit full(100);
        EXPECT_FALSE(CSpecialCharDlg::WriteCharFile(path, entries));
    }
    EXPECT_EQ(ws.ReadFile(path), "old");
    EXPECT_TRUE(CSpecialCharDlg::WriteCharFile(path, entries));
    CStringArray back;
    CSpecialCharDlg::ReadCharFile(path, back);
    EXPECT_EQ(back.GetSize(), 200);
}
