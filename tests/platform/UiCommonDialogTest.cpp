// File, colour and font dialogs and popup menus as the dialog code sees them, answered by the
// scripted user; posted keys.
#include "platform/ui/ColorDialog.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/FontDialog.h"
#include "platform/ui/Menu.h"
#include "platform/ui/ScriptedUser.h"

#include <gtest/gtest.h>

namespace {

TEST(UiCommonDialogTest, FilterTextSplitsIntoPairs) {
    const auto pairs = CFileDialog::ParseFilter("评审意见文件 (*.rtf)|*.rtf|所有文件 (*.*)|*.*||");
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0].first, "评审意见文件 (*.rtf)");
    EXPECT_EQ(pairs[0].second, "*.rtf");
    EXPECT_EQ(pairs[1].second, "*.*");
    EXPECT_TRUE(CFileDialog::ParseFilter("").empty());
    EXPECT_EQ(CFileDialog::ParseFilter("文本|*.txt").size(), 1u) << "the closing bars may be missing";
}

TEST(UiCommonDialogTest, SaveAddsTheDefaultExtensionOnlyWhenThereIsNone) {
    EXPECT_EQ(CFileDialog::ApplyDefaultExtension("/tmp/意见", "rtf"), "/tmp/意见.rtf");
    EXPECT_EQ(CFileDialog::ApplyDefaultExtension("/tmp/意见.RTF", "rtf"), "/tmp/意见.RTF");
    EXPECT_EQ(CFileDialog::ApplyDefaultExtension("/tmp/a.b/意见", ".rtf"), "/tmp/a.b/意见.rtf")
        << "a dot in a folder name is no extension";
    EXPECT_EQ(CFileDialog::ApplyDefaultExtension("/tmp/意见.", "rtf"), "/tmp/意见")
        << "a trailing dot asks for none";

    vq::ScriptedUser user;
    user.File("/tmp/out/意见", 1);
    CFileDialog save(FALSE, "rtf", nullptr, OFN_OVERWRITEPROMPT, "评审意见文件 (*.rtf)|*.rtf||");
    ASSERT_EQ(save.DoModal(), IDOK);
    EXPECT_EQ(save.GetPathName(), "/tmp/out/意见.rtf");
    EXPECT_EQ(save.GetFileName(), "意见.rtf");
    EXPECT_EQ(save.GetFileTitle(), "意见");
    EXPECT_EQ(save.GetFileExt(), "rtf");
    EXPECT_EQ(save.GetFolderPath(), "/tmp/out");
    EXPECT_TRUE(user.Succeeded());
}

TEST(UiCommonDialogTest, OpenWithSeveralFilesAndAChosenFilter) {
    vq::ScriptedUser user;
    user.Files({"/tmp/a.txt", "/tmp/b.txt"}, 2).File("", 1).Files({"/tmp/a.txt", "/tmp/b.txt"}, 1);
    CFileDialog open(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT, "全部|*.*|文本|*.txt||");
    ASSERT_EQ(open.DoModal(), IDOK);
    EXPECT_EQ(open.m_ofn.nFilterIndex, 2u);
    std::vector<CString> paths;
    for (POSITION pos = open.GetStartPosition(); pos;)
        paths.push_back(open.GetNextPathName(pos));
    EXPECT_EQ(paths, (std::vector<CString>{"/tmp/a.txt", "/tmp/b.txt"}));
    EXPECT_EQ(open.DoModal(), IDCANCEL) << "an empty path cancels";
    EXPECT_EQ(open.GetPathName(), "");
    CFileDialog single(TRUE, nullptr, nullptr, 0, "全部|*.*||");
    EXPECT_EQ(single.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Failed()) << "several files for a dialog that takes one";
}

TEST(UiCommonDialogTest, FilterIndexOutOfRangeFails) {
    vq::ScriptedUser user;
    user.File("/tmp/a.csv", 4);
    CFileDialog open(TRUE, nullptr, nullptr, 0, "文本|*.txt|逗号分隔|*.csv||");
    EXPECT_EQ(open.DoModal(), IDCANCEL);
    EXPECT_NE(user.Error().Find("filter"), -1) << user.Error().c_str();
}

TEST(UiCommonDialogTest, ColourAndFontAnswers) {
    vq::ScriptedUser user;
    user.Color(RGB(10, 20, 30)).Color(-1).Font("宋体", 12).Font("", 0);
    CColorDialog colour(RGB(1, 2, 3));
    ASSERT_EQ(colour.DoModal(), IDOK);
    EXPECT_EQ(colour.GetColor(), RGB(10, 20, 30));
    EXPECT_EQ(colour.DoModal(), IDCANCEL);
    EXPECT_EQ(colour.GetColor(), RGB(10, 20, 30)) << "a cancelled dialog keeps the colour";
    LOGFONT initial;
    initial.lfWeight = 700;
    CFontDialog font(&initial);
    ASSERT_EQ(font.DoModal(), IDOK);
    EXPECT_EQ(font.GetFaceName(), "宋体");
    EXPECT_EQ(font.GetSize(), 120);
    EXPECT_TRUE(font.IsBold()) << "what the answer does not name stays";
    LOGFONT chosen;
    font.GetCurrentFont(&chosen);
    EXPECT_EQ(chosen.lfHeight, -16);
    EXPECT_EQ(font.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

const vq::DialogTemplate kMenuTemplate{"菜单", {vq::DefPushButton(IDOK, "确定")}};

class CMenuDlg : public CDialog {
public:
    CMenuDlg() : CDialog(kMenuTemplate, nullptr) {}
    std::vector<UINT> m_commands;
    bool m_tracked = false;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        PostMessage(WM_USER + 1);
        return TRUE;
    }
    LRESULT OnShowMenu(WPARAM, LPARAM) {
        CMenu sub;
        sub.CreatePopupMenu();
        sub.AppendMenu(MF_STRING, 42, "图层(&L)...");
        CMenu menu;
        menu.CreatePopupMenu();
        menu.AppendMenu(MF_STRING | MF_CHECKED, 41, "平移(&P)...");
        menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(&sub), "视图");
        m_tracked = menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, 100, 100, this) != FALSE;
        return 0;
    }
    void OnLayers() { m_commands.push_back(42); }
    void OnPan() { m_commands.push_back(41); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMenuDlg, CDialog)
ON_MESSAGE(WM_USER + 1, &CMenuDlg::OnShowMenu)
ON_COMMAND(41, &CMenuDlg::OnPan)
ON_COMMAND(42, &CMenuDlg::OnLayers)
END_MESSAGE_MAP()

TEST(UiCommonDialogTest, MenuWithoutReturnCommandSendsItToTheOwner) {
    vq::ScriptedUser user;
    user.Menu(42).Click(IDOK);
    CMenuDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_TRUE(dlg.m_tracked);
    EXPECT_EQ(dlg.m_commands, (std::vector<UINT>{42})) << "a command of a sub-menu";
}

TEST(UiCommonDialogTest, MenuItemsCheckGreyAndFind) {
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, 1, "一");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING, 2, "二");
    EXPECT_EQ(menu.GetMenuItemCount(), 3);
    EXPECT_EQ(menu.GetMenuItemID(1), 0u) << "a separator";
    EXPECT_EQ(menu.CheckMenuItem(2, MF_CHECKED), MF_UNCHECKED);
    EXPECT_EQ(menu.GetMenuState(2, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
    menu.EnableMenuItem(1, MF_GRAYED);
    EXPECT_FALSE(menu.IsEnabledCommand(1));
    EXPECT_EQ(menu.CheckMenuItem(9, MF_CHECKED), static_cast<UINT>(-1));
    CString text;
    menu.GetMenuString(2, text, MF_BYPOSITION);
    EXPECT_EQ(text, "二");
    EXPECT_TRUE(menu.DeleteMenu(1, MF_BYPOSITION));
    EXPECT_EQ(menu.GetMenuItemID(1), 2u);
}

const vq::DialogTemplate kKeyTemplate{
    "按键", {vq::EditBox(6001), vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")}};

// Swallows Enter in its field (as dialogs do to keep Enter from closing them) and posts Escape
// to itself on a user message.
class CKeyDlg : public CDialog {
public:
    CKeyDlg() : CDialog(kKeyTemplate, nullptr) {}
    int m_enters = 0;

protected:
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN && msg->hwnd == GetDlgItem(6001)) {
            ++m_enters;
            return TRUE;
        }
        return CDialog::PreTranslateMessage(msg);
    }
};

TEST(UiCommonDialogTest, PostedKeysGoThroughPreTranslateMessage) {
    vq::ScriptedUser user;
    user.Do([](CDialog& d) {
        d.GetDlgItem(6001)->PostMessage(WM_KEYDOWN, VK_RETURN);
        d.PostMessage(WM_KEYDOWN, VK_ESCAPE);
    });
    CKeyDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_enters, 1) << "Enter in the field was swallowed, Escape cancelled";
}

} // namespace
