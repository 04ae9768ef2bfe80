// The script format and the scripted user's rules: what each line means, which lines are
// refused, how a run stops and unwinds, and what the log shows.
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/Button.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Edit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace {

using Step = vq::ScriptedUser::Step;
using Verb = vq::ScriptedUser::Verb;

Step Parse(const char* line) {
    Step step;
    CString error;
    EXPECT_TRUE(vq::ParseScriptLine(line, step, error)) << line << ": " << error.c_str();
    return step;
}

CString Refusal(const char* line) {
    Step step;
    CString error;
    EXPECT_FALSE(vq::ParseScriptLine(line, step, error)) << line;
    return error;
}

TEST(ScriptedUserTest, LinesMeanWhatTheFormatSays) {
    Step s = Parse("dialog \"用户浏览 - 选择用户\"");
    EXPECT_EQ(s.verb, Verb::Dialog);
    EXPECT_EQ(s.target, "用户浏览 - 选择用户");
    EXPECT_FALSE(s.partial);
    s = Parse("dialog ~\"选择产品\"");
    EXPECT_TRUE(s.partial);
    s = Parse("set 1013 \"text\"");
    EXPECT_EQ(s.id, 1013);
    EXPECT_EQ(s.text, "text");
    s = Parse("set \"负责人:\" \"张三\"");
    EXPECT_TRUE(s.byText);
    EXPECT_EQ(s.target, "负责人:");
    s = Parse("select 1060 \"所有用户...\"");
    EXPECT_FALSE(s.hasNumber);
    EXPECT_EQ(s.text, "所有用户...");
    s = Parse("select 1060 2");
    EXPECT_TRUE(s.hasNumber);
    EXPECT_EQ(s.number, 2);
    s = Parse("message \"是否真的要删除?\" IDYES");
    EXPECT_EQ(s.number, IDYES);
    s = Parse("message * 7");
    EXPECT_TRUE(s.any);
    EXPECT_EQ(s.number, IDNO);
    s = Parse("file \"/tmp/a.csv\" 4");
    EXPECT_EQ(s.paths, (std::vector<CString>{"/tmp/a.csv"}));
    EXPECT_EQ(s.number, 4);
    s = Parse("file \"/tmp/a.csv\"");
    EXPECT_EQ(s.number, 1) << "the first filter when none is named";
    s = Parse("file \"\"");
    EXPECT_TRUE(s.paths.empty()) << "cancel";
    s = Parse("tree 1051 \"产品A [P1]/部件B [B2]\"");
    EXPECT_EQ(s.text, "产品A [P1]/部件B [B2]");
    s = Parse("set 1 \"第一行\\n第二行\\t\\\"引\\\\号\\\"\"");
    EXPECT_EQ(s.text, "第一行\n第二行\t\"引\\号\"");
    s = Parse("select \"类型\" 2");
    EXPECT_TRUE(s.byText);
    EXPECT_EQ(s.target, "类型");
    EXPECT_EQ(s.number, 2);
    s = Parse("tree * \"a/b\"");
    EXPECT_TRUE(s.byText);
    EXPECT_EQ(s.target, "*") << "the dialog's only tree";
    s = Parse("check \"只读\" 1");
    EXPECT_EQ(s.target, "只读");
    s = Parse("menu \"设为组长(&S)...\"");
    EXPECT_FALSE(s.hasNumber);
    EXPECT_EQ(s.text, "设为组长(&S)...");
    s = Parse("menu 2");
    EXPECT_TRUE(s.hasNumber);
    s = Parse("  close  \r");
    EXPECT_EQ(s.verb, Verb::Close);
    s = Parse("type \"工装设计\"");
    EXPECT_EQ(s.verb, Verb::Type);
    EXPECT_EQ(s.text, "工装设计");
}

TEST(ScriptedUserTest, LinesThatCannotBeReadAreRefused) {
    EXPECT_NE(Refusal("jump 3").Find("unknown action"), -1);
    Refusal("click");
    Refusal("click 1 2");
    Refusal("check 1087");
    Refusal("check 1087 \"1\""); // a state is a number
    Refusal("tree 1051 *");
    Refusal("select 1060");
    Refusal("message \"text\"");
    Refusal("message \"text\" MAYBE");
    Refusal("message 12 IDOK");
    Refusal("set 1013 plain");
    Refusal("set 1013 \"unterminated");
    Refusal("tree 1051 2");
    Refusal("menu");
    Refusal("close now");
    Refusal("type 1002 \"text\""); // typing goes where the focus is, never to a named field
    Refusal("type");
    Refusal("color 1 2");
    Refusal("\"quoted first\"");
}

// A number that does not fit is refused as any other bad number, never wrapped modulo 2^32:
// 4294967297 would be 1, the OK button, and 4294967296 entry 0.
TEST(ScriptedUserTest, NumbersThatDoNotFitAreRefusedNotWrapped) {
    for (const char* line : {"click 4294967297",
                             "click 4294967296",
                             "click 2147483648",
                             "click 99999999999999999999",
                             "click -1",
                             "click +1",
                             "click 1x",
                             "click 0x10",
                             "select 1105 4294967296",
                             "select 1105 -1",
                             "select -1105 0",
                             "dblclick * 4294967296",
                             "column * -1",
                             "check 1087 4294967297",
                             "check 1087 3",
                             "menu -2",
                             "menu 4294967298",
                             "file \"/tmp/a.csv\" 4294967297",
                             "message * 4294967302",
                             "message * -1",
                             "color 256 0 0",
                             "color 0 -1 0",
                             "font \"宋体\" 4294967308"})
        EXPECT_NE(Refusal(line).Find("cannot read"), -1) << line;
    // The largest numbers that fit are taken as written.
    EXPECT_EQ(Parse("click 2147483647").id, 2147483647);
    EXPECT_EQ(Parse("select 1105 2147483647").number, 2147483647);
    EXPECT_EQ(Parse("check 1087 2").number, 2);
    EXPECT_EQ(Parse("color 255 0 255").color, static_cast<long long>(RGB(255, 0, 255)));
    EXPECT_EQ(Parse("message * 0007").number, IDNO);
}

const vq::DialogTemplate kInnerTemplate{"内层",
                                        {vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")}};
const vq::DialogTemplate kOuterTemplate{"外层",
                                        {vq::Label("名称:"), vq::EditBox(8001),
                                         vq::PushButton(8002, "打开内层..."), vq::PushButton(8003, "问..."),
                                         vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")}};

class COuterDlg : public CDialog {
public:
    COuterDlg() : CDialog(kOuterTemplate, nullptr) {}
    INT_PTR m_innerResult = -99;
    int m_answer = 0;
    int m_cancels = 0;

protected:
    void OnInner() {
        CDialog inner(kInnerTemplate, this);
        m_innerResult = inner.DoModal();
        // Code after a nested dialog asks another question.
        m_answer = AfxMessageBox("继续吗?", MB_YESNOCANCEL);
    }
    void OnAsk() { m_answer = MessageBox("确定吗?", "操作提示", MB_OKCANCEL); }
    void OnCancel() override {
        ++m_cancels;
        CDialog::OnCancel();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(COuterDlg, CDialog)
ON_BN_CLICKED(8002, &COuterDlg::OnInner)
ON_BN_CLICKED(8003, &COuterDlg::OnAsk)
END_MESSAGE_MAP()

TEST(ScriptedUserTest, FailureInsideANestedDialogUnwindsEveryLevel) {
    vq::ScriptedUser user;
    user.Dialog("外层").Click(8002).Dialog("内层").Click(4711).Click(IDOK);
    COuterDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Failed());
    EXPECT_NE(user.Error().Find("内层"), -1) << user.Error().c_str();
    EXPECT_EQ(dlg.m_innerResult, IDCANCEL);
    EXPECT_EQ(dlg.m_answer, IDCANCEL) << "the question after it got the safe answer";
    EXPECT_EQ(dlg.m_cancels, 0) << "the Cancel handler does not run";
    EXPECT_EQ(user.Remaining(), 1) << "what follows the failure stays unused";
}

TEST(ScriptedUserTest, AnswerMeantForAMessageBoxWhileADialogWaits) {
    vq::ScriptedUser user;
    user.Message("确定吗?", IDOK);
    COuterDlg dlg;
    dlg.DoModal();
    EXPECT_NE(user.Error().Find("外层"), -1) << "the error names the dialog that is open";
    EXPECT_NE(user.Error().Find("message"), -1) << user.Error().c_str();
}

TEST(ScriptedUserTest, MessageTextMustMatchWholeOrPart) {
    {
        vq::ScriptedUser user;
        user.Click(8003).Message("确定", IDOK);
        COuterDlg dlg;
        dlg.DoModal();
        EXPECT_TRUE(user.Failed()) << "a whole text must be whole";
        EXPECT_NE(user.Error().Find("操作提示"), -1) << "the error names the box's caption";
        EXPECT_EQ(dlg.m_answer, IDCANCEL);
    }
    {
        vq::ScriptedUser user;
        user.Click(8003).MessageContaining("确定", IDOK).Click(IDOK);
        COuterDlg dlg;
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(dlg.m_answer, IDOK);
        EXPECT_EQ(user.Log()[1], "message \"操作提示\": 确定吗?");
    }
}

TEST(ScriptedUserTest, MessageBoxesWithoutAnyDialog) {
    vq::ScriptedUser user;
    std::vector<CString> printed;
    user.SetLogSink([&printed](const CString& line) { printed.push_back(line); });
    user.AnyMessage(IDNO);
    EXPECT_EQ(vq::ShowMessageBox("提示", "没有对话框", MB_YESNO), IDNO);
    EXPECT_TRUE(user.Succeeded());
    EXPECT_EQ(vq::ShowMessageBox("提示", "又一个", MB_YESNO), IDNO) << "the safe answer of a Yes/No box";
    EXPECT_EQ(vq::ShowMessageBox("提示", "再一个", MB_OK), IDOK);
    EXPECT_TRUE(user.Failed());
    EXPECT_EQ(printed.front(), "message \"提示\": 没有对话框");
    ASSERT_EQ(printed.size(), 4u);
    EXPECT_EQ(printed[2], "error: an unexpected message box [提示]: 又一个")
        << "the sink hears the error too";
    EXPECT_EQ(printed[3], "message \"提示\": 再一个") << "boxes after the error are still shown";
}

TEST(ScriptedUserTest, UserInstallsAndRestoresTheViewAndPresenter) {
    vq::DialogView* before = &vq::ActiveDialogView();
    {
        vq::ScriptedUser outer;
        EXPECT_EQ(&vq::ActiveDialogView(), &outer);
        {
            vq::ScriptedUser inner;
            inner.AnyMessage(IDOK);
            EXPECT_EQ(&vq::ActiveDialogView(), &inner);
            vq::ShowMessageBox("提示", "给内层", MB_OK);
            EXPECT_TRUE(inner.Succeeded());
        }
        EXPECT_EQ(&vq::ActiveDialogView(), &outer);
        outer.AnyMessage(IDOK);
        vq::ShowMessageBox("提示", "给外层", MB_OK);
        EXPECT_TRUE(outer.Succeeded());
    }
    EXPECT_EQ(&vq::ActiveDialogView(), before);
}

TEST(ScriptedUserTest, ScriptFilesAreReadWithTheirLineNumbers) {
    const std::string path = testing::TempDir() + "vq_script_test.txt";
    {
        std::ofstream out(path, std::ios::binary);
        out << "\xEF\xBB\xBF# 外层的脚本\r\n\r\ndialog \"外层\"\r\nset \"名称:\" \"图纸\"\r\nclick "
               "\"确定\"\r\n";
    }
    vq::ScriptedUser user;
    ASSERT_TRUE(user.LoadFile(path.c_str())) << user.Error().c_str();
    EXPECT_EQ(user.Remaining(), 3);
    COuterDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    std::remove(path.c_str());

    vq::ScriptedUser broken;
    EXPECT_FALSE(broken.Load("dialog \"外层\"\n\nclick\n"));
    EXPECT_NE(broken.Error().Find("line 3"), -1) << broken.Error().c_str();
    vq::ScriptedUser missing;
    EXPECT_FALSE(missing.LoadFile("/nonexistent/script.txt"));
}

TEST(ScriptedUserTest, FailedStepNamesItsScriptLine) {
    vq::ScriptedUser user;
    ASSERT_TRUE(user.Load("dialog \"外层\"\nset 8001 \"x\"\nclick 9999\n"));
    COuterDlg dlg;
    dlg.DoModal();
    EXPECT_NE(user.Error().Find("script line 3: click 9999"), -1) << user.Error().c_str();
}

TEST(ScriptedUserTest, HiddenControlsCannotBeWorked) {
    vq::ScriptedUser user;
    user.Do([](CDialog& d) { d.GetDlgItem(8001)->ShowWindow(SW_HIDE); }).Set(8001, "x");
    COuterDlg dlg;
    dlg.DoModal();
    EXPECT_NE(user.Error().Find("hidden"), -1) << user.Error().c_str();
}

} // namespace

namespace {

TEST(ScriptedUserTest, AnswerMustBeAButtonOfTheBox) {
    vq::ScriptedUser user;
    user.AnyMessage(IDYES).AnyMessage(IDOK);
    EXPECT_EQ(vq::ShowMessageBox("提示", "只有确定", MB_OK | MB_ICONINFORMATION), IDOK) << "the safe answer";
    EXPECT_NE(user.Error().Find("no such button"), -1) << user.Error().c_str();
    EXPECT_EQ(user.Remaining(), 2);
}

} // namespace

TEST(ScriptedUserTest, WindowLinesWorkModelessWindowsLeftOpen) {
    Step s = Parse("window ~\"外层\"");
    EXPECT_EQ(s.verb, Verb::Window);
    EXPECT_TRUE(s.partial);
    EXPECT_EQ(s.target, "外层");

    vq::ScriptedUser user;
    ASSERT_TRUE(user.Load("window \"外层\"\nset 8001 \"甲\"\nclick 8003\nmessage \"确定吗?\" IDOK\nclick 2\n"));
    COuterDlg window;
    ASSERT_TRUE(window.Create(kOuterTemplate, nullptr));
    EXPECT_TRUE(user.RunModeless()) << user.Error().c_str();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    CString name;
    window.GetDlgItemText(8001, name);
    EXPECT_EQ(name, "甲");
    EXPECT_EQ(window.m_answer, IDOK) << "a box the window raises is answered by the next line";
    EXPECT_EQ(window.m_cancels, 1);
    EXPECT_FALSE(window.IsWindowVisible());
    EXPECT_EQ(user.Log().front(), "window \"外层\"");

    // A closed (hidden) window, or a caption no window has, is not open.
    vq::ScriptedUser gone;
    gone.Window("外层").Click(IDOK);
    EXPECT_FALSE(gone.RunModeless());
    EXPECT_NE(gone.Error().Find("modeless"), -1) << gone.Error().c_str();

    // Actions for a modeless window need its window line first.
    vq::ScriptedUser bare;
    bare.Click(IDOK);
    EXPECT_FALSE(bare.RunModeless());

    // A window line while a modal dialog waits for its own actions is an error.
    vq::ScriptedUser modal;
    modal.Window("外层");
    COuterDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_NE(modal.Error().Find("answers something else"), -1) << modal.Error().c_str();
}

namespace {

// A form whose number is shown for reference, with choices before and after the field a person
// types the name into, and a list below.
const vq::DialogTemplate kTypingTemplate{
    "键入",
    {vq::Label("编号"), vq::EditBox(8101, vq::kNoLayoutFlags, ES_READONLY), vq::Label("类型", vq::kBeside),
     vq::DropDownList(8102, vq::kBeside), vq::CheckBox(8103, "只读(&R)"), vq::RadioButton(8104, "甲", true),
     vq::DateTimePicker(8105), vq::Label("名称"), vq::EditBox(8106), vq::ReportList(8107), vq::Tree(8108),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")}};

class CTypingDlg : public CDialog {
public:
    explicit CTypingDlg(std::vector<int> hidden = {}, int focus = 0)
        : CDialog(kTypingTemplate, nullptr), m_hidden(std::move(hidden)), m_focus(focus) {}
    int m_kind = -1;
    int m_checked = -1;
    CString m_name;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        auto* kind = static_cast<CComboBox*>(GetDlgItem(8102));
        kind->AddString("工作任务组");
        kind->AddString("工作任务");
        kind->SetCurSel(1);
        SetDlgItemText(8101, "T1#001");
        for (int id : m_hidden)
            GetDlgItem(id)->ShowWindow(SW_HIDE);
        if (!m_focus)
            return TRUE;
        GetDlgItem(m_focus)->SetFocus();
        return FALSE;
    }
    void OnCancel() override {
        m_kind = static_cast<CComboBox*>(GetDlgItem(8102))->GetCurSel();
        m_checked = static_cast<CButton*>(GetDlgItem(8103))->GetCheck();
        GetDlgItemText(8106, m_name);
        CDialog::OnCancel();
    }

private:
    std::vector<int> m_hidden;
    int m_focus;
};

// A dialog opens in its first field a person types a name or number into, past the read-only
// number and every choice before it: a word typed at once lands there and changes no choice.
// Without such a field the first list or tree takes the keys, else a button; a read-only field
// never does.
TEST(ScriptedUserTest, ADialogOpensWhereTypingChoosesNothing) {
    struct Case {
        std::vector<int> hidden;
        int focused;
        const char* logged;
    };
    const Case cases[] = {
        {{}, 8106, "typed \"工装设计\" into field 8106"},
        {{8106}, 8107, "typed \"工装设计\" into report list 8107"},
        {{8106, 8107}, 8108, "typed \"工装设计\" into tree 8108"},
        {{8106, 8107, 8108}, IDOK, "typed \"工装设计\" into button 1 \"确定\""},
    };
    for (const Case& c : cases) {
        vq::ScriptedUser user;
        int focused = 0;
        user.Do([&focused](CDialog&) { focused = CWnd::GetFocus() ? CWnd::GetFocus()->GetDlgCtrlID() : 0; })
            .Type("工装设计")
            .Click(IDCANCEL);
        CTypingDlg dlg(c.hidden);
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(focused, c.focused);
        EXPECT_EQ(dlg.m_kind, 1) << c.logged;
        EXPECT_EQ(dlg.m_checked, 0) << c.logged;
        EXPECT_EQ(dlg.m_name, c.focused == 8106 ? "工装设计" : "") << c.logged;
        EXPECT_EQ(user.Log().back(), c.logged);
    }
}

// What typing does where a dialog put the focus itself: a drop-down list moves to the entry that
// begins with the text (the fault that a first focus on a choice makes), a read-only field loses
// it, a field keeps what it had and gets the text after it.
TEST(ScriptedUserTest, TypingGoesWhereTheFocusIs) {
    {
        vq::ScriptedUser user;
        user.Type("工装设计").Click(IDCANCEL);
        CTypingDlg dlg({}, 8102);
        dlg.DoModal();
        EXPECT_EQ(dlg.m_kind, 0) << "工作任务组 begins with the first character typed";
        EXPECT_EQ(user.Log().back(), "typed \"工装设计\" into drop-down list 8102");
    }
    {
        vq::ScriptedUser user;
        user.Type("工装").Click(IDCANCEL);
        CTypingDlg dlg({}, 8101);
        dlg.DoModal();
        EXPECT_EQ(user.Log().back(), "typed \"工装\" into read-only field 8101");
    }
    {
        vq::ScriptedUser user;
        user.Set(8106, "箱体").Type("设计").Click(IDCANCEL);
        CTypingDlg dlg;
        dlg.DoModal();
        EXPECT_EQ(dlg.m_name, "箱体设计");
    }
}

} // namespace
