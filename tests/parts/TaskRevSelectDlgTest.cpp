// The task revision picker: the tree of project or drawing revisions, the chosen revision with
// its path, the number form of drawing revisions, "无父版本", Cancel and an empty code.
#include "parts/TaskRevSelectDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

CString Describe(CTreeCursor node) {
    CString text = node.GetText();
    CTreeCursor child = node.GetChild();
    if (child.m_item) {
        text += "[";
        for (bool first = true; child.m_item; child = child.GetNext(), first = false)
            text += (first ? "" : ",") + Describe(child);
        text += "]";
    }
    return text;
}

class TaskRevSelectTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.emplace(GetParam());
        theApp.m_pConnPDM = ws->Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        ws->Execute("INSERT INTO TaskRevManage (ProjectNo, RevPath, RevNumber) VALUES ('PJ', '', 'A');"
                    "INSERT INTO TaskRevManage (ProjectNo, RevPath, RevNumber) VALUES ('PJ', 'A\\', 'B');"
                    "INSERT INTO TaskRevManage (ProjectNo, RevPath, RevNumber) VALUES ('PJ', 'A\\B\\', 'C');"
                    "INSERT INTO TaskRevManage (ProjectNo, RevPath, RevNumber) VALUES ('PJ', 'X\\', 'Q');"
                    "INSERT INTO PartRevManage (PartCode, RevPath, RevNumber) VALUES ('P1', '', 'A');"
                    "INSERT INTO PartRevManage (PartCode, RevPath, RevNumber) VALUES ('P1', 'A\\', 'B');"
                    "INSERT INTO PartRevManage (PartCode, RevPath, RevNumber) VALUES ('P1', 'A\\B\\', 'C')");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        ws.reset();
    }
    std::optional<vqtest::DbWorkspace> ws;
};

TEST_P(TaskRevSelectTest, ProjectRevisionWithItsPath) {
    CString tree;
    vq::ScriptedUser user;
    user.Dialog("选择任务版本")
        .Do([&](CDialog& d) { tree = Describe(static_cast<CTaskRevSelectDlg&>(d).m_tree.GetRootItem()); })
        .Click(IDOK)
        .Message("请选择任务版本号!", IDOK)
        .Tree(1009, "项目 PJ 的版本信息.../A/B/C")
        .Click(IDOK);
    CTaskRevSelectDlg dlg;
    dlg.m_strCode = "PJ";
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(tree, "项目 PJ 的版本信息...[A[B[C]]]"); // the orphan Q is not shown
    EXPECT_EQ(dlg.m_strSelectedRev, "C");
    EXPECT_EQ(dlg.m_strSelectedPath, "A\\B\\");
}

TEST_P(TaskRevSelectTest, DrawingModeShowsNumbersAndReturnsLetters) {
    ws->WriteSetting("零部件配置", "替换版本号", "1");
    vq::ScriptedUser user;
    user.Dialog("选择图纸版本").Tree(1009, "图纸 P1 的版本信息.../00/01/02").Click(IDOK);
    CTaskRevSelectDlg dlg;
    dlg.m_nTaskMode = 0;
    dlg.m_strCode = "P1";
    dlg.m_strCurrentRev = "b";
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strSelectedRev, "C");
    EXPECT_EQ(dlg.m_strSelectedPath, "A\\B\\");
}

TEST_P(TaskRevSelectTest, NoParentCancelAndEmptyCode) {
    {
        vq::ScriptedUser user;
        user.Dialog("选择任务版本").Tree(1009, "项目 PJ 的版本信息.../A").Click("无父版本");
        CTaskRevSelectDlg dlg;
        dlg.m_strCode = "PJ";
        dlg.m_strSelectedRev = "old";
        dlg.m_strSelectedPath = "old\\";
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_TRUE(dlg.m_strSelectedRev.IsEmpty());
        EXPECT_TRUE(dlg.m_strSelectedPath.IsEmpty());
    }
    {
        vq::ScriptedUser user;
        user.Dialog("选择任务版本").Tree(1009, "项目 PJ 的版本信息.../A").Click(IDCANCEL);
        CTaskRevSelectDlg dlg;
        dlg.m_strCode = "PJ";
        dlg.m_strSelectedRev = "old";
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(dlg.m_strSelectedRev, "old");
    }
    {
        vq::ScriptedUser user;
        user.Dialog("选择任务版本")
            .Do([](CDialog& d) {
                EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled());
                EXPECT_EQ(static_cast<CTaskRevSelectDlg&>(d).m_tree.GetCount(), 0u);
                EXPECT_FALSE(d.GetDlgItem(1020)->IsWindowVisible());
            })
            .Click(IDCANCEL);
        CTaskRevSelectDlg dlg;
        dlg.m_nHideNoParent = 1;
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    }
}

TEST_P(TaskRevSelectTest, NoRevisionsDisableOk) {
    CString tree;
    vq::ScriptedUser user;
    user.Dialog("选择图纸版本")
        .Do([&](CDialog& d) {
            tree = Describe(static_cast<CTaskRevSelectDlg&>(d).m_tree.GetRootItem());
            EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled());
        })
        .Click(IDCANCEL);
    CTaskRevSelectDlg dlg;
    dlg.m_nTaskMode = 0;
    dlg.m_strCode = "N'1";
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(tree, "图纸 N'1 的版本信息...[无版本信息，请创建!]");
}

INSTANTIATE_TEST_SUITE_P(Dialects, TaskRevSelectTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

} // namespace
