// The string and file name input dialogs: reserved names, forbidden characters, the review-step
// marks and the redline file checks.
#include "controls/InputFileNameDlg.h"
#include "controls/InputStringDlg.h"
#include "platform/base/TextCodec.h"
#include "platform/ui/Button.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kReserved = "该字符串已被系统使用，请重新输入!";
constexpr const char* kForbidden = "字符串不能包含以下字母\n         \\ / : * ? \" ' < > |";

CString Field(CDialog& d, int id) {
    CString text;
    d.GetDlgItemText(id, text);
    return text;
}

} // namespace

TEST(InputDlgNames, ReservedNamesAreExactAndForbiddenCharactersAreWhole) {
    EXPECT_TRUE(CInputStringDlg::IsReservedName(""));
    EXPECT_TRUE(CInputStringDlg::IsReservedName("项目管理"));
    EXPECT_TRUE(CInputStringDlg::IsReservedName("评审结果文档"));
    EXPECT_FALSE(CInputStringDlg::IsReservedName("项目管理 "));
    EXPECT_FALSE(CInputStringDlg::IsReservedName("文件夹1"));
    for (const char* bad : {"a\\b", "a/b", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b", "a'b"})
        EXPECT_TRUE(CInputStringDlg::HasForbiddenCharacter(bad)) << bad;
    // Characters whose second byte in code page 936 is "\\" or "|" are whole characters, not
    // the forbidden ones.
    const CString backslashTrail = vq::GbkToUtf8(std::string("\x81\x5c"));
    const CString barTrail = vq::GbkToUtf8(std::string("\x81\x7c"));
    ASSERT_FALSE(backslashTrail.IsEmpty());
    EXPECT_FALSE(CInputStringDlg::HasForbiddenCharacter(backslashTrail + "格"));
    EXPECT_FALSE(CInputStringDlg::HasForbiddenCharacter(barTrail));
    EXPECT_FALSE(CInputStringDlg::HasForbiddenCharacter("½ ±°"));
}

TEST(InputDlgString, EmptyValueIsReservedThenForbiddenCharactersThenAccepted) {
    vqtest::MessageBoxRecorder rec;
    CInputStringDlg dlg;
    dlg.m_strPrompt = "请输入名称:";
    vq::ScriptedUser user;
    user.Dialog("输入字符串")
        .Do([](CDialog& d) {
            EXPECT_EQ(Field(d, 1014), "请输入名称:");
            EXPECT_FALSE(d.GetDlgItem(1087)->IsWindowVisible());
            EXPECT_FALSE(d.GetDlgItem(6084)->IsWindowVisible());
        })
        .Click(IDOK)
        .Message(kReserved, IDOK)
        .Set(1013, "待评审产品数据")
        .Click(IDOK)
        .Message(kReserved, IDOK)
        .Set(1013, "a'b")
        .Click(IDOK)
        .Message(kForbidden, IDOK)
        .Set(1013, "待评审产品数据 ")
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strValue, "待评审产品数据 ");
}

TEST(InputDlgString, WithoutShowFlagsMarksStayInTheText) {
    CInputStringDlg dlg;
    dlg.m_strValue = "校对[N][M]";
    vq::ScriptedUser user;
    user.Dialog("输入字符串").Do([](CDialog& d) { EXPECT_EQ(Field(d, 1013), "校对[N][M]"); }).Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strValue, "校对[N][M]");
}

TEST(InputDlgString, MarksOpenAsCheckBoxesAndAreAppendedOnOk) {
    CInputStringDlg dlg;
    dlg.m_strValue = "审核[N][M]";
    dlg.m_bShowMultiLevel = 1;
    dlg.m_bShowMixed = 1;
    vq::ScriptedUser user;
    user.Dialog("输入字符串")
        .Do([](CDialog& d) {
            EXPECT_EQ(Field(d, 1013), "审核");
            EXPECT_EQ(d.IsDlgButtonChecked(1087), 1u);
            EXPECT_EQ(d.IsDlgButtonChecked(6084), 1u);
            EXPECT_TRUE(d.GetDlgItem(1087)->IsWindowVisible());
        })
        .Check(1087, 0)
        .Set(1013, "批准")
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strValue, "批准[M]");
}

TEST(InputDlgString, LowerCaseMixedMarkCountsButLowerCaseMultiLevelDoesNot) {
    CInputStringDlg dlg;
    dlg.m_strValue = "审核[n][m]";
    dlg.m_bShowMixed = 1; // the multi-level box stays hidden and keeps its state
    vq::ScriptedUser user;
    user.Dialog("输入字符串")
        .Do([](CDialog& d) {
            EXPECT_EQ(Field(d, 1013), "审核[n]");
            EXPECT_FALSE(d.GetDlgItem(1087)->IsWindowVisible());
            EXPECT_EQ(d.IsDlgButtonChecked(6084), 1u);
        })
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strValue, "审核[n][M]");
    EXPECT_EQ(dlg.m_bMultiLevel, 0);
}

TEST(InputDlgString, AMarkAtTheStartStaysInTheText) {
    CInputStringDlg dlg;
    dlg.m_strValue = "[M]步骤";
    dlg.m_bShowMixed = 1;
    vq::ScriptedUser user;
    user.Dialog("输入字符串").Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strValue, "[M]步骤");
    EXPECT_EQ(dlg.m_bMixed, 0);
}

TEST(InputDlgFileName, RefusesEmptyAndMissingPathsAndTakesABrowsedFile) {
    vqtest::Workspace ws;
    const CString markup = ws.WriteFile("marks/a.Rml", "<rml/>");
    vqtest::MessageBoxRecorder rec;
    CInputFileNameDlg dlg;
    dlg.m_strPrompt = "请指定红线批注文件:";
    vq::ScriptedUser user;
    user.Dialog("输入文件名")
        .Do([](CDialog& d) { EXPECT_EQ(Field(d, 1014), "请指定红线批注文件:"); })
        .Click(IDOK)
        .Message("未指定红线批注文件...", IDOK)
        .Set(1182, ws.Root() + "/marks/none.dwf")
        .Click(IDOK)
        .Message("指定的红线批注文件不存在...", IDOK)
        .Click(1056)
        .File("", 1) // cancelled: nothing changes
        .Do([&](CDialog& d) { EXPECT_EQ(Field(d, 1182), ws.Root() + "/marks/none.dwf"); })
        .Click(1056)
        .File(markup, 2)
        .Do([&](CDialog& d) { EXPECT_EQ(Field(d, 1182), markup); })
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strFilePath, markup);
    EXPECT_EQ(dlg.m_strFileExt, "Rml");
}

TEST(InputDlgFileName, TypedPathLeavesTheExtensionAlone) {
    vqtest::Workspace ws;
    const CString markup = ws.WriteFile("b.dwf", "x");
    CInputFileNameDlg dlg;
    dlg.m_strFileExt = "old";
    vq::ScriptedUser user;
    user.Dialog("输入文件名").Set(1182, markup).Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strFileExt, "old");
}
