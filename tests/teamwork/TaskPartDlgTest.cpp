// The design product structure of a work task in both dialects: the tree of the work's parts and
// of their stored lines, acceptance of a pending work by its manager only, adding, replacing and
// deleting parts with the rows behind them, and deletions that fail or meet a cyclic structure.
#include "teamwork/TaskPartDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/TreeCtrl.h"
#include "teamwork/WorkPartIds.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

using namespace teamwork::part_ids;

namespace {

void WalkTree(CTreeCtrl& tree, HTREEITEM item, int depth, std::vector<std::string>& out) {
    for (HTREEITEM child = tree.GetChildItem(item); child; child = tree.GetNextSiblingItem(child)) {
        int image = -1, selected = -1;
        tree.GetItemImage(child, image, selected);
        out.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + tree.GetItemText(child).str() +
                      " #" + std::to_string(image));
        WalkTree(tree, child, depth + 1, out);
    }
}

std::vector<std::string> TreeTexts(CDialog& d) {
    std::vector<std::string> out;
    WalkTree(*dynamic_cast<CTreeCtrl*>(d.GetDlgItem(kTaskPartTree)), TVI_ROOT, 0, out);
    return out;
}

bool Enabled(CDialog& d, int id) {
    return d.GetDlgItem(id)->IsWindowEnabled() != FALSE;
}

class TaskPartTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strLoginUser = "zhangsan";
        ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三'), "
                   "('lisi', '李四')");
        ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, "
                   "WorkState, TaskType) "
                   "VALUES ('P1', '项目甲', '项目管理', 'zhangsan', '未开始', 'V'),"
                   "('P1-01', '任务A', '项目甲\\', 'zhangsan', '未开始', 'T')");
        ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkType, "
                   "WorkState) VALUES "
                   "('P1-01', 'P1-01', 'P1-01#001', 'ZhangSan', '机座设计', 'W', '正进行中')");
        // The work's structure: 机座 below the work, 底板 below it, 垫片 below that (three levels).
        ws.Execute("INSERT INTO TeamWorkPartTree (WorkID, UpCode, DCode, DName, Other1) VALUES "
                   "('P1-01#001', 'P1-01#001', 'P-1', '机座', ''),"
                   "('P1-01#001', 'P-1', 'P-1-1', '底板', ''),"
                   "('P1-01#001', 'P-1-1', 'P-1-1-1', '垫片', '')");
        ws.Execute(
            "INSERT INTO TeamWorkPart (WorkID, PartCode, PartName, PartRev, UserName, TrastUser, SaveDate, "
            "UsedFlag, IsAssemble, State) VALUES "
            "('P1-01#001', 'P-1', '机座', 'A', 'zhangsan', 'zhangsan', '2026-01-01 10:00', 0, 1, '分配'),"
            "('P1-01#001', 'P-1-1', '底板', 'C', 'zhangsan', 'zhangsan', '2026-01-01 10:00', 1, 1, '自动'),"
            "('P1-01#001', 'P-1-1-1', '垫片', 'A', 'zhangsan', 'zhangsan', '2026-01-01 10:00', 0, 0, "
            "'分配')");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
    }
    CString Rows(const char* sql) const { return ws.QueryText(sql); }

    // Runs the dialog on the work, editable, with the user's script, which must run whole.
    void Run(CTaskPartDlg& dlg, vq::ScriptedUser& user) {
        dlg.m_strWorkID = "P1-01#001";
        dlg.m_bReadOnly = 0;
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    }
    // Selects 机座 and deletes it with the user's confirmation.
    vq::ScriptedUser& DeleteBasePart(vq::ScriptedUser& user) const {
        return user.Tree(kTaskPartTree, root + "/机座 [P-1]")
            .Click("删除零部件...")
            .Message("是否要删除选定的零部件?", IDYES);
    }

    vqtest::DbWorkspace ws{GetParam()};
    const std::string root = "任务：任务A[P1-01] 下的工作：机座设计[P1-01#001]...";
};

} // namespace

TEST_P(TaskPartTest, TheTreeShowsTheWorkAndLoadsEachPartOnItsFirstSelection) {
    // 底板 has lines in both families: it is an archive part and shows the collaborative lines of
    // its current result document only.
    ws.Execute(
        "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode, Dname) VALUES ('P-1-1', 1, 'X-9', '旧件')");
    ws.Execute("INSERT INTO VqkorvelTeam_detail (UpCode, Ditem, Dcode, Dname, FileID) VALUES "
               "('P-1-1', 2, 'P-1-1-2', '螺母', 'F2'), ('P-1-1', 1, 'P-1-1-3', '旧螺母', 'F1')");
    ws.Execute(
        "INSERT INTO TeamWorkResult (FileID, WorkID, FileName, SaveDate, PartCode) VALUES "
        "('F1', 'P1-01#001', 'a.dwg', '2026-01-01', 'P-1-1'), ('F2', 'P1-01#001', 'b.dwg', '2026-02-01', "
        "'P-1-1')");
    ws.Execute("INSERT INTO TeamWorkPartResult (PartCode, FileID, PageNum, PageCount) VALUES "
               "('P-1-1', 'F1', '1', '1'), ('P-1-1', 'F2', '1', '1')");
    ws.Execute("INSERT INTO VqkorvelTeam_title (TCode, TName) VALUES ('P-1-1-2', '螺母')");
    CTaskPartDlg dlg;
    std::vector<std::string> opened, loaded;
    bool selectVisible = true, newOn = false, modifyOn = true, deleteOn = true, modifyOnPart = false;
    vq::ScriptedUser user;
    user.Dialog("设计产品结构管理")
        .Do([&](CDialog& d) {
            opened = TreeTexts(d);
            selectVisible = d.GetDlgItem(kSelectWork)->IsWindowVisible();
            newOn = Enabled(d, kNewPart);
            modifyOn = Enabled(d, kModifyPart);
            deleteOn = Enabled(d, kDeletePart);
        })
        .Tree(kTaskPartTree, root + "/机座 [P-1]")
        .Do([&](CDialog& d) { modifyOnPart = Enabled(d, kModifyPart); })
        .Tree(kTaskPartTree, root + "/机座 [P-1]/底板 [P-1-1]")
        .Do([&](CDialog& d) {
            loaded = TreeTexts(d);
            EXPECT_FALSE(Enabled(d, kNewPart));
            EXPECT_FALSE(Enabled(d, kModifyPart));
            EXPECT_TRUE(Enabled(d, kDeletePart)) << "a stored line directly below a part of the work";
        })
        .Tree(kTaskPartTree, root + "/机座 [P-1]/底板 [P-1-1]/螺母 [P-1-1-2]")
        .Do([&](CDialog& d) { EXPECT_FALSE(Enabled(d, kDeletePart)) << "a line below a stored line"; })
        .Click("退出");
    Run(dlg, user);
    EXPECT_EQ(opened, (std::vector<std::string>{root + " #0", "  机座 [P-1] #18"}));
    EXPECT_EQ(loaded, (std::vector<std::string>{root + " #0", "  机座 [P-1] #18", "    底板 [P-1-1] #20",
                                                "      螺母 [P-1-1-2] #22"}));
    EXPECT_FALSE(selectVisible);
    EXPECT_TRUE(newOn);
    EXPECT_FALSE(modifyOn);
    EXPECT_FALSE(deleteOn);
    EXPECT_TRUE(modifyOnPart);
    EXPECT_EQ(dlg.m_strProjectNo, "P1");
    EXPECT_EQ(dlg.m_strProjectName, "项目甲");
    EXPECT_EQ(dlg.m_bChanged, 0);
}

TEST_P(TaskPartTest, ThePendingWorkIsOfferedToItsManagerAndAcceptanceStartsTheTasksAbove) {
    ws.Execute("UPDATE TeamWorkManage SET WorkState='待确认'");
    CTaskPartDlg dlg;
    vq::ScriptedUser user;
    user.Message("该任务尚处于待确认状态，是否接受此任务?", IDYES).Dialog("设计产品结构管理").Click("退出");
    Run(dlg, user);
    EXPECT_EQ(Rows("SELECT WorkState FROM TeamWorkManage WHERE WorkID='P1-01#001'"), "正进行中");
    EXPECT_EQ(Rows("SELECT WorkState FROM ProjectManage WHERE ProjectNo='P1-01'"), "正进行中");
    EXPECT_EQ(Rows("SELECT WorkState FROM ProjectManage WHERE ProjectNo='P1'"), "正进行中");
    EXPECT_EQ(dlg.m_bChanged, 0);
}

// Another client finished the work task while the acceptance was asked about: Yes does not set
// it back to "正进行中".
TEST_P(TaskPartTest, AWorkTaskFinishedWhileAskedKeepsItsState) {
    ws.Execute("UPDATE TeamWorkManage SET WorkState='待确认'");
    CTaskPartDlg dlg;
    vq::ScriptedUser user;
    user.Message("该任务尚处于待确认状态，是否接受此任务?", IDYES).Dialog("设计产品结构管理").Click("退出");
    vqtest::MessageBoxRecorder boxes;
    boxes.WhenShown("是否接受此任务?", [this] {
        ws.Execute("UPDATE TeamWorkManage SET WorkState='完成' WHERE WorkID='P1-01#001'");
    });
    Run(dlg, user);
    EXPECT_EQ(Rows("SELECT WorkState FROM TeamWorkManage WHERE WorkID='P1-01#001'"), "完成");
}

TEST_P(TaskPartTest, DecliningKeepsTheWorkPendingAndTheManagerMayStillEdit) {
    ws.Execute("UPDATE TeamWorkManage SET WorkState='待确认'");
    CTaskPartDlg dlg;
    bool newOn = false;
    vq::ScriptedUser user;
    user.Message("该任务尚处于待确认状态，是否接受此任务?", IDNO)
        .Dialog("设计产品结构管理")
        .Do([&](CDialog& d) { newOn = Enabled(d, kNewPart); })
        .Click("退出");
    Run(dlg, user);
    EXPECT_TRUE(newOn);
    EXPECT_EQ(Rows("SELECT WorkState FROM TeamWorkManage WHERE WorkID='P1-01#001'"), "待确认");
    EXPECT_EQ(Rows("SELECT WorkState FROM ProjectManage WHERE ProjectNo='P1-01'"), "未开始");
}

TEST_P(TaskPartTest, OthersAreNotAskedToAcceptAndOnlyBrowse) {
    ws.Execute("UPDATE TeamWorkManage SET WorkState='待确认'");
    theApp.m_strLoginUser = "lisi";
    CTaskPartDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("设计产品结构管理")
        .Tree(kTaskPartTree, root + "/机座 [P-1]")
        .Do([&](CDialog& d) {
            EXPECT_FALSE(Enabled(d, kNewPart));
            EXPECT_FALSE(Enabled(d, kModifyPart));
            EXPECT_FALSE(Enabled(d, kDeletePart));
        })
        .RightClick(kTaskPartTree, root + "/机座 [P-1]")
        .Menu(1)
        .Click("退出");
    Run(dlg, user);
    EXPECT_EQ(dlg.m_bReadOnly, 1);
    EXPECT_EQ(Rows("SELECT WorkState FROM TeamWorkManage WHERE WorkID='P1-01#001'"), "待确认");
}

TEST_P(TaskPartTest, AddingReplacingAndDeletingPartsKeepsTheRowsInStep) {
    CTaskPartDlg dlg;
    std::vector<std::string> afterAdd, afterModify, afterDelete;
    vq::ScriptedUser user;
    // One product-structure root per work: a second part directly below the work is refused.
    user.Dialog("设计产品结构管理")
        .Click("新建零部件...")
        .Message("工作组任务只允许关联一个产品结构根节点...", IDOK)
        .Tree(kTaskPartTree, root + "/机座 [P-1]")
        .Click("新建零部件...")
        .Dialog("增加设计零部件")
        .Set(kPartCode, "  P-1-2 ")
        .Set(kPartName, "侧板")
        .Set(kNote, "新增")
        .Click(IDOK)
        .Dialog("设计产品结构管理")
        .Do([&](CDialog& d) { afterAdd = TreeTexts(d); })
        // Replacing 底板 under a new code: its children follow, its revision, flag and state stay.
        .Tree(kTaskPartTree, root + "/机座 [P-1]/底板 [P-1-1]")
        .Click("修改零部件...")
        .Dialog("增加设计零部件")
        .Do([&](CDialog& d) {
            CString code;
            d.GetDlgItemText(kPartCode, code);
            EXPECT_EQ(code, "P-1-1");
        })
        .Set(kPartCode, "P-1-5")
        .Set(kPartName, "加强底板")
        .Click(IDOK)
        .Dialog("设计产品结构管理")
        .Do([&](CDialog& d) { afterModify = TreeTexts(d); })
        .Tree(kTaskPartTree, root + "/机座 [P-1]")
        .Click("删除零部件...")
        .Message("是否要删除选定的零部件?", IDYES)
        .Do([&](CDialog& d) { afterDelete = TreeTexts(d); })
        .Click("退出");
    Run(dlg, user);
    EXPECT_EQ(afterAdd, (std::vector<std::string>{root + " #0", "  机座 [P-1] #18", "    底板 [P-1-1] #18",
                                                  "    侧板 [P-1-2] #18"}));
    EXPECT_EQ(afterModify,
              (std::vector<std::string>{root + " #0", "  机座 [P-1] #18", "    加强底板 [P-1-5] #18",
                                        "      垫片 [P-1-1-1] #18", "    侧板 [P-1-2] #18"}));
    EXPECT_EQ(afterDelete, (std::vector<std::string>{root + " #0"}));
    EXPECT_EQ(dlg.m_bChanged, 1);
    // Every link and part of the work went, the deepest ones too (never shown in the tree).
    EXPECT_EQ(Rows("SELECT count(*) FROM TeamWorkPartTree WHERE WorkID='P1-01#001'"), "0");
    EXPECT_EQ(Rows("SELECT count(*) FROM TeamWorkPart WHERE WorkID='P1-01#001'"), "0");
}

TEST_P(TaskPartTest, TheRowsOfAnAddedAndOfAReplacedPart) {
    CTaskPartDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("设计产品结构管理")
        .Tree(kTaskPartTree, root + "/机座 [P-1]")
        .Click("新建零部件...")
        .Dialog("增加设计零部件")
        .Set(kPartCode, " P-1-2  ")
        .Set(kPartName, "侧板")
        .Set(kNote, "新增")
        .Click(IDOK)
        .Dialog("设计产品结构管理")
        .Tree(kTaskPartTree, root + "/机座 [P-1]/底板 [P-1-1]")
        .Click("修改零部件...")
        .Dialog("增加设计零部件")
        .Set(kPartName, "加强底板")
        .Click(IDOK)
        .Dialog("设计产品结构管理")
        .Click("退出");
    Run(dlg, user);
    EXPECT_EQ(
        Rows("SELECT UpCode || '|' || DName || '|' || Other1 FROM TeamWorkPartTree WHERE DCode='P-1-2'"),
        "P-1|侧板|新增");
    EXPECT_EQ(
        Rows(
            "SELECT PartName || '|' || PartRev || '|' || UserName || '|' || UsedFlag || '|' || IsAssemble || "
            "'|' || State FROM TeamWorkPart WHERE PartCode='P-1-2'"),
        "侧板|A|zhangsan|0|1|分配");
    // Replaced under its own code: one link, one row, and the row keeps revision C, flag 1 and
    // the state "自动".
    EXPECT_EQ(Rows("SELECT count(*) FROM TeamWorkPartTree WHERE DCode='P-1-1'"), "1");
    EXPECT_EQ(Rows("SELECT DName FROM TeamWorkPartTree WHERE DCode='P-1-1'"), "加强底板");
    EXPECT_EQ(Rows("SELECT count(*) FROM TeamWorkPart WHERE PartCode='P-1-1'"), "1");
    EXPECT_EQ(
        Rows("SELECT PartName || '|' || PartRev || '|' || UsedFlag || '|' || State FROM TeamWorkPart WHERE "
             "PartCode='P-1-1'"),
        "加强底板|C|1|自动");
    EXPECT_EQ(Rows("SELECT UpCode FROM TeamWorkPartTree WHERE DCode='P-1-1-1'"), "P-1-1");
}

TEST_P(TaskPartTest, APartWhoseDesignIsStoredLosesOnlyItsLinks) {
    ws.Execute("INSERT INTO VqkorvelTeam_title (TCode, TName) VALUES ('P-1', '机座')");
    ws.Execute("DELETE FROM TeamWorkPartTree WHERE DCode <> 'P-1'");
    ws.Execute("INSERT INTO TeamWorkPartTree (WorkID, UpCode, DCode, DName) VALUES ('P1-01#001', 'P-1', "
               "'P-1-1', '底板')");
    CTaskPartDlg dlg;
    vq::ScriptedUser user;
    DeleteBasePart(user.Dialog("设计产品结构管理")).Click("退出");
    Run(dlg, user);
    EXPECT_EQ(Rows("SELECT count(*) FROM TeamWorkPartTree"), "0");
    EXPECT_EQ(Rows("SELECT count(*) FROM TeamWorkPart WHERE WorkID='P1-01#001'"), "3");
}

TEST_P(TaskPartTest, AFailedStatementKeepsTheNodeAndEveryRow) {
    // The part rows cannot be deleted: nothing is deleted, and the node stays.
    ws.Execute("ALTER TABLE TeamWorkPart RENAME TO TeamWorkPartMoved");
    CTaskPartDlg dlg;
    std::vector<std::string> after;
    vq::ScriptedUser user;
    DeleteBasePart(user.Dialog("设计产品结构管理"))
        .AnyMessage(IDOK)
        .MessageContaining("执行出错的SQL语句", IDOK)
        .Do([&](CDialog& d) { after = TreeTexts(d); })
        .Click("退出");
    Run(dlg, user);
    EXPECT_EQ(after, (std::vector<std::string>{root + " #0", "  机座 [P-1] #18", "    底板 [P-1-1] #18"}));
    EXPECT_EQ(Rows("SELECT count(*) FROM TeamWorkPartTree"), "3");
    EXPECT_EQ(dlg.m_bChanged, 0);
}

TEST_P(TaskPartTest, AFailedGuardReadStopsTheDeletion) {
    ws.Execute("ALTER TABLE VqkorvelTeam_title RENAME TO VqkorvelTeamTitleMoved");
    CTaskPartDlg dlg;
    vq::ScriptedUser user;
    // The kinds of the nodes read the title table too: each new node reports its failure.
    user.AnyMessage(IDOK)
        .Dialog("设计产品结构管理")
        .Tree(kTaskPartTree, root + "/机座 [P-1]")
        .AnyMessage(IDOK)
        .Click("删除零部件...")
        .Message("是否要删除选定的零部件?", IDYES)
        .AnyMessage(IDOK)
        .Message("执行出错的SQL语句,(请检查表、字段是否存在，或字段类型是否匹配)：\n"
                 "SELECT count(*) FROM VqkorvelTeam_title WHERE TCode='P-1'",
                 IDOK)
        .Click("退出");
    Run(dlg, user);
    EXPECT_EQ(Rows("SELECT count(*) FROM TeamWorkPartTree"), "3");
    EXPECT_EQ(Rows("SELECT count(*) FROM TeamWorkPart"), "3");
    EXPECT_EQ(dlg.m_bChanged, 0);
}

TEST_P(TaskPartTest, DeletingFromACyclicStructureEnds) {
    ws.Execute("INSERT INTO TeamWorkPartTree (WorkID, UpCode, DCode, DName) VALUES "
               "('P1-01#001', 'P-1-1-1', 'P-1', '机座')");
    CTaskPartDlg dlg;
    vq::ScriptedUser user;
    DeleteBasePart(user.Dialog("设计产品结构管理")).Click("退出");
    Run(dlg, user);
    EXPECT_EQ(Rows("SELECT count(*) FROM TeamWorkPartTree"), "0");
    EXPECT_EQ(Rows("SELECT count(*) FROM TeamWorkPart"), "0");
}

TEST_P(TaskPartTest, WithoutAWorkThePlaceholderOffersNoPartCommands) {
    CTaskPartDlg dlg;
    dlg.m_bReadOnly = 0;
    std::vector<std::string> tree;
    vq::ScriptedUser user;
    user.Dialog("设计产品结构管理")
        .Tree(kTaskPartTree, "请选择指定的任务...")
        .Do([&](CDialog& d) {
            tree = TreeTexts(d);
            EXPECT_TRUE(d.GetDlgItem(kSelectWork)->IsWindowVisible());
            EXPECT_FALSE(Enabled(d, kNewPart));
            EXPECT_FALSE(Enabled(d, kModifyPart));
            EXPECT_FALSE(Enabled(d, kDeletePart));
        })
        .RightClick(kTaskPartTree, "请选择指定的任务...")
        .Menu(1)
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(tree, (std::vector<std::string>{"请选择指定的任务... #0"}));
    EXPECT_EQ(dlg.m_bChanged, 0);
}

TEST_P(TaskPartTest, AWorkChosenInTheDialogIsLoadedWithoutTheAcceptanceQuestion) {
    ws.Execute("UPDATE TeamWorkManage SET WorkState='待确认'");
    CTaskPartDlg dlg;
    dlg.m_bReadOnly = 0;
    std::vector<std::string> tree;
    bool newOn = false;
    vq::ScriptedUser user;
    user.Dialog("设计产品结构管理")
        .Click("选择任务...")
        .Dialog("浏览个人工作任务")
        .Tree(1009, "所有工作任务.../项目甲 [P1]/任务A [P1-01]/机座设计 [P1-01#001]")
        .Click(IDOK)
        .Dialog("设计产品结构管理")
        .Do([&](CDialog& d) {
            tree = TreeTexts(d);
            newOn = Enabled(d, kNewPart);
            CString workId;
            d.GetDlgItemText(kTaskWorkId, workId);
            EXPECT_EQ(workId, "P1-01#001");
        })
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(tree, (std::vector<std::string>{root + " #0", "  机座 [P-1] #18"}));
    EXPECT_TRUE(newOn);
    EXPECT_EQ(Rows("SELECT WorkState FROM TeamWorkManage WHERE WorkID='P1-01#001'"), "待确认");
}

TEST_P(TaskPartTest, ANewPartLinkedInAnotherWorkIsRefusedWithItsPlace) {
    ws.Execute("INSERT INTO TeamWorkPartTree (WorkID, UpCode, DCode, DName) VALUES ('P1-01#002', "
               "'P1-01#002', 'Q-7', "
               "'端盖')");
    CTaskPartDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("设计产品结构管理")
        .Tree(kTaskPartTree, root + "/机座 [P-1]")
        .Click("新建零部件...")
        .Dialog("增加设计零部件")
        .Set(kPartCode, "q-7")
        .Set(kPartName, "端盖")
        .Click(IDOK)
        .Message(
            "指定零部件已存在，位于：\n\n  任务：P1-01#002  \n\n  部件：P1-01#002  \n\n  的 端盖[q-7]...",
            IDOK)
        .Click(IDCANCEL)
        .Dialog("设计产品结构管理")
        .Click("退出");
    Run(dlg, user);
    EXPECT_EQ(dlg.m_bChanged, 0);
    EXPECT_EQ(Rows("SELECT count(*) FROM TeamWorkPartTree WHERE WorkID='P1-01#001'"), "3");
}

TEST_P(TaskPartTest, AFailingStoreLeavesTheReplacedPartAsItWas) {
    // The new part row cannot be written: the links already replaced are put back as well.
    _ConnectionPtr conn = ws.Connect();
    if (vqtest::DbWorkspace::OnPostgreSQL())
        conn->Execute(
            "ALTER TABLE TeamWorkPart ADD CONSTRAINT refuse_p9 CHECK (PartCode <> 'P-9') NOT VALID");
    else
        conn->Execute("CREATE TRIGGER refuse_p9 BEFORE INSERT ON TeamWorkPart WHEN NEW.PartCode='P-9' "
                      "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    CTaskPartDlg dlg;
    std::vector<std::string> after;
    vq::ScriptedUser user;
    user.Dialog("设计产品结构管理")
        .Tree(kTaskPartTree, root + "/机座 [P-1]")
        .Click("修改零部件...")
        .Dialog("增加设计零部件")
        .Set(kPartCode, "P-9")
        .Click(IDOK)
        .AnyMessage(IDOK)
        .MessageContaining("执行出错的SQL语句", IDOK)
        .Click(IDCANCEL)
        .Dialog("设计产品结构管理")
        .Do([&](CDialog& d) { after = TreeTexts(d); })
        .Click("退出");
    Run(dlg, user);
    EXPECT_EQ(after, (std::vector<std::string>{root + " #0", "  机座 [P-1] #18", "    底板 [P-1-1] #18"}));
    EXPECT_EQ(Rows("SELECT count(*) FROM TeamWorkPartTree WHERE DCode='P-1' OR UpCode='P-1'"), "2");
    EXPECT_EQ(Rows("SELECT count(*) FROM TeamWorkPartTree WHERE DCode='P-9' OR UpCode='P-9'"), "0");
    EXPECT_EQ(Rows("SELECT PartName FROM TeamWorkPart WHERE PartCode='P-1'"), "机座");
    EXPECT_EQ(dlg.m_bChanged, 0);
}

INSTANTIATE_TEST_SUITE_P(Dialects, TaskPartTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);
