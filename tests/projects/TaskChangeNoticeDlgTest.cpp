// The change content form: the task looked up by path and name, RTF files written in code page
// 936 and read back, foreign RTF read as its text, the refusals of the file buttons, and the
// format menu under the right mouse button.
#include "projects/TaskChangeNoticeDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/File.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

using D = CTaskChangeNoticeDlg;

CRichEditCtrl& Text(CDialog& d) {
    return static_cast<D&>(d).TextControl();
}

class TaskChangeNoticeTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES "
                   "('P1-01', '任务一', '项目甲\\', '正进行中')");
        dlg.m_strTaskName = "任务一";
        dlg.m_strProjectPath = "项目甲\\";
        dlg.m_strWorkState = "正进行中";
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
    }

    vqtest::DbWorkspace ws{GetParam()};
    CTaskChangeNoticeDlg dlg;
};

} // namespace

TEST_P(TaskChangeNoticeTest, RtfWrittenInCodePage936ReadsBackWithItsFormats) {
    const CString path = ws.TempDir() + "/意见.rtf";
    dlg.m_strText = "孔径改为Φ20\n材料不变";
    vq::ScriptedUser user;
    user.Dialog("任务更改内容 - 任务一[P1-01]")
        .Do([](CDialog& d) {
            EXPECT_TRUE(d.GetDlgItem(IDOK)->IsWindowEnabled());
            EXPECT_EQ(Text(d).GetWindowTextValue(), "孔径改为Φ20\n材料不变");
            EXPECT_GT(Text(d).GetRightMargin(), 0);
            Text(d).SetSel(0, 6); // 孔径
            Text(d).SendMessage(WM_RBUTTONDOWN, 0, MAKELPARAM(10, 10));
        })
        .Menu(D::kFontCommand)
        .Font("黑体", 12)
        .Do([](CDialog& d) { Text(d).SendMessage(WM_RBUTTONDOWN, 0, MAKELPARAM(10, 10)); })
        .Menu(D::kCenterCommand)
        .Do([](CDialog& d) { Text(d).SendMessage(WM_RBUTTONDOWN, 0, MAKELPARAM(10, 10)); })
        .Menu(D::kBulletCommand)
        .Click("存储...")
        .File(path)
        .Do([](CDialog& d) { Text(d).SetWindowText("别的"); })
        .Click("打开...")
        .File(path)
        .Message("打开意见文件将覆盖当前内容，是否继续?", IDYES)
        .Do([](CDialog& d) {
            EXPECT_EQ(Text(d).GetWindowTextValue(), "孔径改为Φ20\n材料不变");
            Text(d).SetSel(0, 3);
            CHARFORMAT format;
            Text(d).GetSelectionCharFormat(format);
            EXPECT_STREQ(format.szFaceName, "黑体");
            EXPECT_EQ(format.yHeight, 240);
            PARAFORMAT para;
            Text(d).GetParaFormat(para);
            EXPECT_EQ(para.wAlignment, PFA_CENTER);
            EXPECT_EQ(para.wNumbering, PFN_BULLET);
        })
        .Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strText, "孔径改为Φ20\n材料不变");
    const std::string rtf = ws.ReadFile(path);
    EXPECT_NE(rtf.find("\\ansicpg936"), std::string::npos);
    EXPECT_NE(rtf.find("\\'bf\\'d7"), std::string::npos) << "孔 as code page 936 bytes";
    EXPECT_FALSE(std::regex_search(rtf, std::regex(R"(\\u-?[0-9])"))) << "no Unicode escapes";
    EXPECT_FALSE(PathFileExists(path + ".part"));
}

TEST_P(TaskChangeNoticeTest, ForeignRtfGivesItsPlainText) {
    const CString path = ws.WriteFile(
        "foreign.RTF", "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 "
                       "\\'cb\\'ce\\'cc\\'e5;}}{\\*\\generator Other Writer;}\\viewkind4\\uc1\\pard"
                       "\\f0\\fs20 \\'b8\\'c4\\'bf\\'d7\\par\n\\b bold\\b0  \\u8364?\\par\n}");
    vq::ScriptedUser user;
    user.DialogContaining("任务更改内容")
        .Click("打开...")
        .File(path)
        .Message("打开意见文件将覆盖当前内容，是否继续?", IDYES)
        .Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strText, "改孔\nbold €");
}

TEST_P(TaskChangeNoticeTest, FileButtonsRefuseWhatIsNoRtf) {
    const CString text = ws.WriteFile("note.txt", "plain");
    const CString rtf = ws.WriteFile("note.rtf", "{\\rtf1 replaced}");
    dlg.m_strText = "原文";
    vq::ScriptedUser user;
    user.DialogContaining("任务更改内容")
        .Click("打开...")
        .File(text)
        .Message("该文件必须是RTF类型的文件!", IDOK)
        .Click("打开...")
        .File(ws.TempDir() + "/missing.rtf")
        .Message("文件不存在!", IDOK)
        .Click("打开...")
        .File(rtf)
        .Message("打开意见文件将覆盖当前内容，是否继续?", IDNO)
        .Click("存储...")
        .File(ws.TempDir() + "/out.doc")
        .Message("该文件必须是RTF类型的文件!", IDOK)
        .Click("打开...")
        .File("")
        .Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strText, "原文");
    EXPECT_FALSE(PathFileExists(ws.TempDir() + "/out.doc"));
}

TEST_P(TaskChangeNoticeTest, WithoutATaskRowOkIsDisabledAndTheTextStillEdits) {
    dlg.m_strProjectPath = "";
    dlg.m_strTaskNo = "P1-01";
    vq::ScriptedUser user;
    user.Dialog("任务更改内容 - 任务一[P1-01]")
        .Do([](CDialog& d) {
            EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled());
            EXPECT_EQ(Text(d).GetWindowTextValue(), "");
            Text(d).UserReplaceSel("第一行");
            vq::PressKey(Text(d), VK_RETURN);
            Text(d).UserReplaceSel("第二行");
            EXPECT_EQ(Text(d).GetWindowTextValue(), "第一行\n第二行");
            EXPECT_TRUE(::IsWindow(&d)) << "Enter stays in the text";
        })
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

INSTANTIATE_TEST_SUITE_P(Dialects, TaskChangeNoticeTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
