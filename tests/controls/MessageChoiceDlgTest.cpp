// The message box with the caller's buttons: results of clicks, Enter, Escape and the close box,
// and a size that holds the whole message and the widest caption.
#include "controls/MessageChoiceDlg.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/Wnd.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The Qt view (used while screenshots are taken) lays dialogs out itself.
bool QtLaysOut() {
    return std::getenv("VQ_SCREENSHOT_DIR") != nullptr;
}

CMessageChoiceDlg* AsChoice(CDialog& d) {
    return dynamic_cast<CMessageChoiceDlg*>(&d);
}

void ThreeButtons(CMessageChoiceDlg& dlg) {
    dlg.m_strCaption = "评审结果";
    dlg.SetMessageText("请选择评审结果");
    dlg.AddButton(101, FALSE, FALSE, "通过");
    dlg.AddButton(102, FALSE, FALSE, "不通过");
    dlg.AddButton(103, TRUE, TRUE, "取消");
}

} // namespace

TEST(MessageChoice, AClickReturnsTheButtonsId) {
    CMessageChoiceDlg dlg;
    ThreeButtons(dlg);
    vq::ScriptedUser user;
    user.Dialog("评审结果").Click("不通过");
    EXPECT_EQ(dlg.DoModal(), 102);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST(MessageChoice, EscapeCloseBoxAndEnterOnTheDefaultAllGiveItsId) {
    for (int way = 0; way < 3; ++way) {
        CMessageChoiceDlg dlg;
        ThreeButtons(dlg);
        vq::ScriptedUser user;
        user.Dialog("评审结果");
        if (way == 0)
            user.Do([](CDialog& d) { vq::PressKey(d, VK_ESCAPE); });
        else if (way == 1)
            user.Close();
        else
            user.Do([](CDialog& d) {
                // The default button has the focus when the box opens.
                CWnd* focus = CWnd::GetFocus();
                ASSERT_NE(focus, nullptr);
                EXPECT_EQ(focus->GetDlgCtrlID(), 103);
                vq::PressKey(*focus, VK_RETURN);
            });
        EXPECT_EQ(dlg.DoModal(), 103) << way;
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    }
}

TEST(MessageChoice, EnterOnAnotherFocusedButtonGivesThatButtonsId) {
    CMessageChoiceDlg dlg;
    ThreeButtons(dlg);
    vq::ScriptedUser user;
    user.Dialog("评审结果").Do([](CDialog& d) {
        CWnd* button = AsChoice(d)->GetButton(0);
        button->SetFocus();
        vq::PressKey(*button, VK_RETURN);
    });
    EXPECT_EQ(dlg.DoModal(), 101);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST(MessageChoice, WithoutACancelIdThereIsNoCloseBoxAndEscapeDoesNothing) {
    CMessageChoiceDlg dlg;
    dlg.SetMessageText("存储类型?");
    dlg.AddButton(1, FALSE, FALSE, "临时");
    dlg.AddButton(2, FALSE, FALSE, "正式");
    vq::ScriptedUser user;
    user.Dialog("duzovara")
        .Do([](CDialog& d) {
            EXPECT_EQ(d.GetStyle() & WS_SYSMENU, 0u);
            vq::PressKey(d, VK_ESCAPE);
        })
        .Close()
        .Do([](CDialog& d) { EXPECT_FALSE(d.HasEnded()); })
        .Click("正式");
    EXPECT_EQ(dlg.DoModal(), 2);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST(MessageChoice, EnterWithoutADefaultGivesMinusOne) {
    CMessageChoiceDlg dlg;
    dlg.SetMessageText("?");
    dlg.AddButton(IDOK, FALSE, FALSE, "好");
    vq::ScriptedUser user;
    user.Dialog("duzovara").Do([](CDialog& d) { vq::PressKey(d, VK_RETURN); });
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST(MessageChoice, ButtonsShareTheWidthOfTheLongestCaption) {
    if (QtLaysOut())
        GTEST_SKIP() << "the Qt view places the controls";
    CMessageChoiceDlg shortDlg;
    shortDlg.AddButton(1, FALSE, TRUE, "是");
    shortDlg.AddButton(2, FALSE, FALSE, "否");
    CMessageChoiceDlg longDlg;
    longDlg.AddButton(1, FALSE, TRUE, "是");
    longDlg.AddButton(2, FALSE, FALSE, "保存到临时区并且通知所有的评审人员");
    int shortWidth = 0;
    vq::ScriptedUser user;
    user.Dialog("duzovara")
        .Do([&](CDialog& d) {
            auto* c = AsChoice(d);
            // Short captions get the minimum of 40 dialog units plus the margins.
            EXPECT_EQ(c->m_buttonSize.cx, c->DluX(40) + 2 * c->DluX(7));
            shortWidth = c->m_buttonSize.cx;
        })
        .Close()
        .Dialog("duzovara")
        .Do([&](CDialog& d) {
            auto* c = AsChoice(d);
            CRect a;
            CRect b;
            c->GetButton(0)->GetWindowRect(&a);
            c->GetButton(1)->GetWindowRect(&b);
            EXPECT_GT(a.Width(), shortWidth);
            EXPECT_EQ(a.Width(), b.Width());
            EXPECT_EQ(a.top, b.top);
            EXPECT_EQ(b.left - a.right, c->DluX(7));
            CRect client;
            d.GetClientRect(&client);
            EXPECT_GE(client.Width(), 2 * a.Width() + c->DluX(7) + c->DluX(20));
        })
        .Close();
    EXPECT_EQ(shortDlg.DoModal(), 1);
    EXPECT_EQ(longDlg.DoModal(), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST(MessageChoice, TheMessageGetsRoomForAllItsLines) {
    if (QtLaysOut())
        GTEST_SKIP() << "the Qt view places the controls";
    CMessageChoiceDlg oneLine;
    oneLine.SetMessageText("短");
    oneLine.AddButton(1, TRUE, TRUE, "确定");
    CMessageChoiceDlg manyLines;
    manyLines.SetMessageText(
        "第一行说明文字比按钮更宽一些，第一行说明文字比按钮更宽一些\n第二行\n第三行\n第四行");
    manyLines.AddButton(1, TRUE, TRUE, "确定");
    CRect small;
    vq::ScriptedUser user;
    user.Dialog("duzovara")
        .Do([&](CDialog& d) { d.GetClientRect(&small); })
        .Click(IDCANCEL)
        .Dialog("duzovara")
        .Do([&](CDialog& d) {
            auto* c = AsChoice(d);
            CRect client;
            d.GetClientRect(&client);
            EXPECT_GT(client.Width(), small.Width());
            EXPECT_GT(client.Height(), small.Height());
            // The message sits above the buttons, at the margins, and is as big as measured.
            CRect message;
            CRect button;
            c->m_message.GetWindowRect(&message);
            c->GetButton(0)->GetWindowRect(&button);
            d.ScreenToClient(&message);
            d.ScreenToClient(&button);
            EXPECT_EQ(message.left, c->DluX(10));
            EXPECT_EQ(message.top, c->DluY(10));
            EXPECT_EQ(message.Size(), c->m_messageSize);
            EXPECT_LE(message.bottom + c->DluY(7), button.top);
            EXPECT_GE(c->m_messageSize.cy, 4 * 10);
            CString text;
            c->m_message.GetWindowText(text);
            EXPECT_EQ(text.Left(9), "第一行");
        })
        .Click(IDCANCEL);
    EXPECT_EQ(oneLine.DoModal(), 1);
    EXPECT_EQ(manyLines.DoModal(), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}
