// The drawing completeness query in both dialects: the tree and the two lists with stored,
// archived, standard, filtered and missing drawings, cycles, the lists again from the check
// marks, the audit verdict, the export, the work-task picker, and the demo data.
#include "parts/DrawingCheckDlg.h"
#include "core/VqDesignTaskApp.h"
#include "parts/PartFilterCondition.h"
#include "platform/base/TextCodec.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

constexpr const char* kWork = "XM-01-01#001";

std::vector<std::string> Column(CListCtrl& list, int column) {
    std::vector<std::string> texts;
    for (int i = 0; i < list.GetItemCount(); ++i)
        texts.push_back(list.GetItemText(i, column).str());
    return texts;
}

std::vector<std::string> Codes(CDialog& d, int id) {
    return Column(*dynamic_cast<CListCtrl*>(d.GetDlgItem(id)), CDrawingCheckDlg::kCode);
}

// Node texts of the tree in pre-order, each indented by its depth.
void WalkTree(CTreeCtrl& tree, HTREEITEM item, int depth, std::vector<std::string>& out) {
    for (HTREEITEM child = tree.GetChildItem(item); child; child = tree.GetNextSiblingItem(child)) {
        out.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + tree.GetItemText(child).str());
        WalkTree(tree, child, depth + 1, out);
    }
}

std::vector<std::string> TreeTexts(CDialog& d) {
    std::vector<std::string> out;
    WalkTree(*dynamic_cast<CTreeCtrl*>(d.GetDlgItem(1051)), TVI_ROOT, 0, out);
    return out;
}

HTREEITEM FindNode(CTreeCtrl& tree, HTREEITEM item, const CString& text) {
    for (HTREEITEM child = tree.GetChildItem(item); child; child = tree.GetNextSiblingItem(child)) {
        if (tree.GetItemText(child) == text)
            return child;
        if (HTREEITEM found = FindNode(tree, child, text))
            return found;
    }
    return nullptr;
}

class DrawingCheckTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strLoginUser = "zhangsan";
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
    }
    void Detail(const char* up, int item, const char* code, const char* name, const char* remark = "") {
        CString sql;
        sql.Format(
            "INSERT INTO VqkorvelTeam_detail (UpCode, Ditem, Dcode, Dname, Dremark) VALUES ('%s', %d, '%s', "
            "'%s', '%s')",
            up, item, code, name, remark);
        ws.Execute(sql);
    }
    void TeamTitle(const char* code, const char* name, const char* old = "") {
        CString sql;
        sql.Format("INSERT INTO VqkorvelTeam_title (TCode, TName, Tother4) VALUES ('%s', '%s', '%s')", code,
                   name, old);
        ws.Execute(sql);
    }
    // A-100 designed by the work: A-110 stored, A-120 missing (also below A-110), a standard
    // part, A-130 archived only, A-111 a washer, A-121 stored below A-120.
    void AddStructure() {
        CString sql;
        sql.Format("INSERT INTO TeamWorkPartTree (WorkID, UpCode, DCode, DName, Other1) VALUES ('%s', '%s', "
                   "'A-100', "
                   "'减速器', 'OLD-A')",
                   kWork, kWork);
        ws.Execute(sql);
        Detail("A-100", 1, "A-110", "轴组件");
        Detail("A-100", 2, "A-120", "箱体");
        Detail("A-100", 3, "GB/T 97 8", "平垫圈", "外购");
        Detail("A-100", 4, "A-130", "端盖");
        Detail("A-110", 1, "A-111", "弹簧垫圈");
        Detail("A-110", 2, "A-120", "箱体");
        Detail("A-120", 1, "A-121", "箱座");
        TeamTitle("A-110", "轴组件", "OLD-110");
        TeamTitle("A-121", "箱座");
        ws.Execute("INSERT INTO VqkorvelAll_title (TCode, TName) VALUES ('A-130', '端盖')");
    }

    vqtest::DbWorkspace ws{GetParam()};
};

TEST_P(DrawingCheckTest, StoredAndMissingDrawingsWithFilterOn) {
    AddStructure();
    ASSERT_TRUE(StorePartFilterList({{"图名", "垫圈", "含"}}));
    CDrawingCheckDlg dlg;
    dlg.m_strTaskNo = kWork;
    std::vector<std::string> tree, list1, list2, old1, parents1, numbers;
    vq::ScriptedUser user;
    user.Dialog("图纸完整性查询")
        .Do([&](CDialog& d) {
            tree = TreeTexts(d);
            list1 = Codes(d, 1244);
            list2 = Codes(d, 1245);
            auto& l1 = *dynamic_cast<CListCtrl*>(d.GetDlgItem(1244));
            old1 = Column(l1, CDrawingCheckDlg::kOldCode);
            parents1 = Column(l1, CDrawingCheckDlg::kParentCode);
            numbers = Column(l1, CDrawingCheckDlg::kNumber);
            EXPECT_FALSE(d.GetDlgItem(1524)->IsWindowEnabled());
        })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(tree,
              (std::vector<std::string>{"所有设计结构树...", "  A-100 [减速器]", "    A-110 [轴组件]",
                                        "      A-111 [弹簧垫圈]", "      A-120 [箱体]",
                                        "        A-121 [箱座]", "    A-120 [箱体]", "      A-121 [箱座]",
                                        "    GB/T 97 8 [平垫圈]", "    A-130 [端盖]"}));
    EXPECT_EQ(list1, (std::vector<std::string>{"A-100", "A-110", "A-121"}));
    EXPECT_EQ(old1, (std::vector<std::string>{"OLD-A", "OLD-110", ""}));
    EXPECT_EQ(parents1, (std::vector<std::string>{"A-100", "A-100", "A-120"}));
    EXPECT_EQ(numbers, (std::vector<std::string>{"1", "2", "3"}));
    // A-130 is archived, the washer matches the filter, the GB part is a standard part.
    EXPECT_EQ(list2, (std::vector<std::string>{"A-120"}));
}

TEST_P(DrawingCheckTest, ConditionsOnItemsWithoutPartTextFilterNothingAndAreNamed) {
    AddStructure();
    ASSERT_TRUE(StorePartFilterList({{"规格", "M8", "不含"}, {"类型", "x", "含"}}));
    CDrawingCheckDlg dlg;
    dlg.m_strTaskNo = kWork;
    std::vector<std::string> list2;
    CString note;
    vq::ScriptedUser user;
    user.Dialog("图纸完整性查询")
        .Do([&](CDialog& d) {
            list2 = Codes(d, 1245);
            note = d.GetDlgItem(1243)->GetWindowTextValue();
        })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(list2, (std::vector<std::string>{"A-120", "A-111"}));
    EXPECT_EQ(note, "2个过滤条件不适用");
}

TEST_P(DrawingCheckTest, FailedVerdictInsertKeepsTheOldVerdict) {
    if (vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "the refusing trigger is written for SQLite";
    ws.Execute(
        "INSERT INTO ProductAuditResult (ProductDwgCode, UserName, SavedTime, ResultGroup, Result) VALUES "
        "('XM-01-01#001', 'lisi', '2026-01-01 00:00:00', '完整性', '通过')");
    // One statement with a body: it does not go through the script splitter.
    theApp.m_pConnPDM->Execute("CREATE TRIGGER RefuseVerdict BEFORE INSERT ON ProductAuditResult WHEN "
                               "NEW.UserName='zhangsan' BEGIN SELECT RAISE(ABORT, 'refused'); END");
    CDrawingCheckDlg dlg;
    dlg.m_strTaskNo = kWork;
    dlg.m_nReviewFlag = 1;
    vq::ScriptedUser user;
    user.Dialog("图纸完整性查询")
        .Click(1524)
        .Dialog("操作提示")
        .Click(10002)
        .MessageContaining("refused", IDOK)
        .MessageContaining("INSERT INTO ProductAuditResult", IDOK)
        .Dialog("图纸完整性查询")
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT Result || '/' || UserName FROM ProductAuditResult"), "通过/lisi");
}

TEST_P(DrawingCheckTest, BorrowingAndAssociationModesStartFromTheHandedInDrawings) {
    AddStructure();
    TeamTitle("Z-9", "外来件");
    CString sql;
    sql.Format("UPDATE VqkorvelTeam_title SET FileID='F1' WHERE TCode='A-121';"
               "UPDATE VqkorvelTeam_title SET FileID='F2' WHERE TCode='Z-9';"
               "INSERT INTO TeamWorkResult (FileID, WorkID) VALUES ('F1', '%s'), ('F2', '%s')",
               kWork, kWork);
    ws.Execute(sql);
    struct Seen {
        std::vector<std::string> list1, list2;
        std::string caption, label1, label2;
        bool filterVisible = true;
    };
    auto run = [&](int mode, const char* caption) {
        CDrawingCheckDlg dlg;
        dlg.m_strTaskNo = kWork;
        dlg.m_nCheckMode = mode;
        Seen seen;
        vq::ScriptedUser user;
        user.Dialog(caption)
            .Do([&](CDialog& d) {
                seen.list1 = Codes(d, 1244);
                seen.list2 = Codes(d, 1245);
                seen.label1 = d.GetDlgItem(1241)->GetWindowTextValue().str();
                seen.label2 = d.GetDlgItem(1242)->GetWindowTextValue().str();
                seen.filterVisible = d.GetDlgItem(1007)->IsWindowVisible();
            })
            .Click(IDCANCEL);
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        return seen;
    };
    Seen borrowing = run(1, "图纸借用率");
    EXPECT_EQ(borrowing.label1, "借用图纸");
    EXPECT_EQ(borrowing.label2, "本产品设计图纸");
    EXPECT_FALSE(borrowing.filterVisible);
    // A-121 was handed in, so it is not a borrowed drawing; missing drawings stay in list 2.
    EXPECT_EQ(borrowing.list1, (std::vector<std::string>{"A-100", "A-110"}));
    EXPECT_EQ(borrowing.list2, (std::vector<std::string>{"A-121", "Z-9", "A-120", "A-130", "A-111"}));

    Seen association = run(2, "图纸关联性");
    EXPECT_EQ(association.label1, "已关联图纸");
    EXPECT_EQ(association.label2, "未关联图纸");
    EXPECT_EQ(association.list1, (std::vector<std::string>{"A-100", "A-110", "A-121"}));
    EXPECT_EQ(association.list2, (std::vector<std::string>{"Z-9"}));
}

TEST_P(DrawingCheckTest, FilterOffListsStandardAndFilteredPartsOnceEach) {
    AddStructure();
    ASSERT_TRUE(StorePartFilterList({{"图名", "垫圈", "含"}}));
    CDrawingCheckDlg dlg;
    dlg.m_strTaskNo = kWork;
    dlg.m_bFilter = FALSE;
    std::vector<std::string> list2;
    vq::ScriptedUser user;
    user.Dialog("图纸完整性查询").Do([&](CDialog& d) { list2 = Codes(d, 1245); }).Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(list2, (std::vector<std::string>{"A-120", "GB/T 97 8", "A-111"}));
}

TEST_P(DrawingCheckTest, TaskWithoutPartsShowsTheRootAndHasNothingToExport) {
    CDrawingCheckDlg dlg;
    dlg.m_strTaskNo = "NONE#001";
    std::vector<std::string> tree;
    vq::ScriptedUser user;
    user.Dialog("图纸完整性查询")
        .Do([&](CDialog& d) { tree = TreeTexts(d); })
        .Click(1246)
        .Message("无查询结果...", IDOK)
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(tree, (std::vector<std::string>{"所有设计结构树..."}));
}

TEST_P(DrawingCheckTest, CycleIsReportedOnceWithItsPathAndNotExpandedAgain) {
    ws.Execute("INSERT INTO TeamWorkPartTree (WorkID, UpCode, DCode, DName) VALUES ('C#001', 'C#001', "
               "'c-200', '环')");
    Detail("c-200", 1, "C-210", "环节");
    Detail("C-210", 1, "C-200", "环");
    Detail("C-210", 2, "件 [GB93]", "标准");
    Detail("件 [GB93]", 1, "X-1", "不应出现");
    CDrawingCheckDlg dlg;
    dlg.m_strTaskNo = "C#001";
    std::vector<std::string> tree;
    vq::ScriptedUser user;
    user.Message("图号: C-200 在: C-200||C-210|| 处出现循环，请检查设计图纸...", IDOK)
        .Dialog("图纸完整性查询")
        .Do([&](CDialog& d) { tree = TreeTexts(d); })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(tree, (std::vector<std::string>{"所有设计结构树...", "  c-200 [环]", "    C-210 [环节]",
                                              "      C-200 [环]", "      件 [GB93] [标准]"}));
}

TEST_P(DrawingCheckTest, RequeryLeavesOutTheSubtreeOfAClearedNode) {
    AddStructure();
    CDrawingCheckDlg dlg;
    dlg.m_strTaskNo = kWork;
    std::vector<std::string> list1, list2;
    vq::ScriptedUser user;
    user.Dialog("图纸完整性查询")
        .Check(1007, 0)
        .Do([](CDialog& d) {
            auto& tree = *dynamic_cast<CTreeCtrl*>(d.GetDlgItem(1051));
            HTREEITEM node = FindNode(tree, TVI_ROOT, "A-110 [轴组件]");
            ASSERT_NE(node, nullptr);
            tree.SetCheck(node, FALSE);
        })
        .Click(1312)
        .Do([&](CDialog& d) {
            list1 = Codes(d, 1244);
            list2 = Codes(d, 1245);
        })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(list1, (std::vector<std::string>{"A-100", "A-121"}));
    EXPECT_EQ(list2, (std::vector<std::string>{"A-120", "GB/T 97 8"}));
}

TEST_P(DrawingCheckTest, RefreshOfTheSameTaskAsksFirst) {
    AddStructure();
    CDrawingCheckDlg dlg;
    dlg.m_strTaskNo = kWork;
    std::vector<std::string> list1;
    vq::ScriptedUser user;
    user.Dialog("图纸完整性查询")
        .Click(6077)
        .Message("是否需要重新刷新?", IDNO)
        .Click(6077)
        .Message("是否需要重新刷新?", IDYES)
        .Do([&](CDialog& d) { list1 = Codes(d, 1244); })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(list1, (std::vector<std::string>{"A-100", "A-110", "A-121"}));
}

TEST_P(DrawingCheckTest, VerdictReplacesTheRowOfItsGroup) {
    ws.Execute(
        "INSERT INTO ProductAuditResult (ProductDwgCode, UserName, SavedTime, ResultGroup, Result) VALUES "
        "('XM-01-01#001', 'lisi', '2026-01-01 00:00:00', '借用性', '通过')");
    CDrawingCheckDlg dlg;
    dlg.m_strTaskNo = kWork;
    dlg.m_nReviewFlag = 1;
    vq::ScriptedUser user;
    user.Dialog("图纸完整性查询")
        .Click(1524)
        .Dialog("操作提示")
        .Click(10001)
        .Message("[完整性] 审查结果已记录...", IDOK)
        .Dialog("图纸完整性查询")
        .Click(1524)
        .Dialog("操作提示")
        .Click(10002)
        .Message("[完整性] 审查结果已记录...", IDOK)
        .Dialog("图纸完整性查询")
        .Click(1524)
        .Dialog("操作提示")
        .Click(10003)
        .Dialog("图纸完整性查询")
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM ProductAuditResult WHERE ProductDwgCode='XM-01-01#001' AND "
                           "ResultGroup='完整性'"),
              "1");
    EXPECT_EQ(
        ws.QueryText("SELECT Result || '/' || UserName FROM ProductAuditResult WHERE ResultGroup='完整性'"),
        "不通过/zhangsan");
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM ProductAuditResult"), "2");
}

TEST_P(DrawingCheckTest, VerdictWithoutTaskNumberIsRefused) {
    CDrawingCheckDlg dlg;
    dlg.m_nReviewFlag = 1;
    vq::ScriptedUser user;
    user.Dialog("图纸完整性查询").Click(1524).Message("未指定产品...", IDOK).Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM ProductAuditResult"), "0");
}

TEST_P(DrawingCheckTest, ExportWritesBothListsInTheFileCodePage) {
    AddStructure();
    CString path = ws.TempDir() + "/结果.txt";
    CDrawingCheckDlg dlg;
    dlg.m_strTaskNo = kWork;
    vq::ScriptedUser user;
    user.Dialog("图纸完整性查询")
        .Click(1246)
        .File(ws.TempDir() + "/结果.csv")
        .Message("该文件必须是TXT类型的文本文件!", IDOK)
        .Click(1246)
        .File(path)
        .Message("存储完毕，是否打开该文件?", IDNO)
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    auto line = [](const std::string& a, const std::string& b, const std::string& c) {
        std::string ga = vq::Utf8ToGbk(a), gb = vq::Utf8ToGbk(b);
        ga.resize(std::max<std::size_t>(ga.size(), 6), ' ');
        gb.resize(std::max<std::size_t>(gb.size(), 30), ' ');
        return ga + gb + vq::Utf8ToGbk(c) + "\r\n";
    };
    std::string expected =
        vq::Utf8ToGbk("产品或零部件图号: XM-01-01#001\r\n\r\n") +
        vq::Utf8ToGbk("-----------------------已入库图纸------------------------\r\n\r\n") +
        line("序号", "图号", "图名") + "\r\n" + line("1", "A-100", "减速器") + line("2", "A-110", "轴组件") +
        line("3", "A-121", "箱座") +
        vq::Utf8ToGbk("-----------------------未入库图纸------------------------\r\n\r\n") +
        line("序号", "图号", "图名") + "\r\n" + line("1", "A-120", "箱体") + line("2", "A-111", "弹簧垫圈");
    EXPECT_EQ(ws.ReadFile(path), expected);
    EXPECT_TRUE(ws.ReadFile(ws.TempDir() + "/结果.csv").empty());
}

TEST_P(DrawingCheckTest, HeaderClickSortsAndRenumbers) {
    AddStructure();
    CDrawingCheckDlg dlg;
    dlg.m_strTaskNo = kWork;
    std::vector<std::string> ascending, descending, byCode, numbers;
    vq::ScriptedUser user;
    user.Dialog("图纸完整性查询")
        .Column(1244, 2)
        .Do([&](CDialog& d) { ascending = Codes(d, 1244); })
        .Column(1244, 2)
        .Do([&](CDialog& d) {
            descending = Codes(d, 1244);
            numbers = Column(*dynamic_cast<CListCtrl*>(d.GetDlgItem(1244)), 0);
        })
        .Column(1244, 1)
        .Do([&](CDialog& d) { byCode = Codes(d, 1244); })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    // By name (减速器, 箱座, 轴组件 as stored text), then the exact reverse, then by code.
    EXPECT_EQ(ascending, (std::vector<std::string>{"A-100", "A-121", "A-110"}));
    EXPECT_EQ(descending, (std::vector<std::string>{"A-110", "A-121", "A-100"}));
    EXPECT_EQ(numbers, (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(byCode, (std::vector<std::string>{"A-100", "A-110", "A-121"}));
}

TEST_P(DrawingCheckTest, PickedWorkTaskBecomesTheTaskAndIsQueried) {
    AddStructure();
    ws.Execute(
        "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, TaskType) VALUES "
        "('XM-01', '减速器项目', '项目管理', 'zhangsan', 'V');"
        "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, TaskType) VALUES "
        "('XM-01-01', '结构设计', '减速器项目\\', 'zhangsan', 'T');"
        "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkType) VALUES "
        "('XM-01-01', 'XM-01-01', 'XM-01-01#001', 'zhangsan', '箱体设计', 'W')");
    CDrawingCheckDlg dlg;
    std::vector<std::string> list1;
    vq::ScriptedUser user;
    user.Dialog("图纸完整性查询")
        .Click(1056)
        .Dialog("浏览个人工作任务")
        .Tree(1009, "所有工作任务.../减速器项目 [XM-01]/结构设计 [XM-01-01]/箱体设计 [XM-01-01#001]")
        .Click(IDOK)
        .Dialog("图纸完整性查询")
        .Do([&](CDialog& d) { list1 = Codes(d, 1244); })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strTaskNo, kWork);
    EXPECT_EQ(list1, (std::vector<std::string>{"A-100", "A-110", "A-121"}));
}

TEST_P(DrawingCheckTest, DemoWorkTask) {
    std::ifstream file(VQ_SOURCE_DIR "/schema/sqlite/demo.sql");
    std::stringstream text;
    text << file.rdbuf();
    vqtest::DbWorkspace::RunScript(theApp.m_pConnPDM, CString(text.str()));
    CDrawingCheckDlg dlg;
    dlg.m_strTaskNo = "XM-01-01#001";
    std::vector<std::string> list1, list2;
    vq::ScriptedUser user;
    user.Dialog("图纸完整性查询")
        .Do([&](CDialog& d) {
            list1 = Codes(d, 1244);
            list2 = Codes(d, 1245);
        })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(list1, (std::vector<std::string>{"P-1000-01", "P-1000-01-01", "P-1000-01-02"}));
    EXPECT_EQ(list2, (std::vector<std::string>{"P-1000-01-03", "P-1000-01-04", "P-1000-01-02-01"}));
}

INSTANTIATE_TEST_SUITE_P(Dialects, DrawingCheckTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

} // namespace
