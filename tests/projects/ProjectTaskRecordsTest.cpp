// Project and task rows: the naming rules, the numbering of new tasks and work tasks, storing a
// new task whose number was taken meanwhile, the path rewrite on rename, the top-level lookup and
// the test for anything below an item.
#include "projects/ProjectTaskRecords.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/Collections.h"
#include "platform/base/Folders.h"
#include "projects/ProjectTaskItemDlg.h"
#include "projects/ProjectTaskStore.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace projects;

namespace {

CStringArray Numbers(std::initializer_list<const char*> list) {
    CStringArray out;
    for (const char* s : list)
        out.Add(s);
    return out;
}

} // namespace

TEST(ProjectTaskRules, NamesAndNumbers) {
    EXPECT_TRUE(IsReservedItemName("项目管理"));
    EXPECT_TRUE(IsReservedItemName("产品评审管理"));
    EXPECT_FALSE(IsReservedItemName("变异设计管理"));
    EXPECT_TRUE(HasValidItemCharacters("箱体-01"));
    for (const char* bad : {"a\\b", "a/b", "a:b", "a*b", "a?b", "a\"b", "a'b", "a<b", "a>b", "a|b", "a[b", "b]"})
        EXPECT_FALSE(HasValidItemCharacters(bad)) << bad;
    // Square brackets are refused anyway; the endings are refused without regard to case.
    EXPECT_FALSE(HasValidItemCharacters("任务[m]"));
    EXPECT_FALSE(HasValidItemCharacters("任务[P]"));
    // A number names the task's folders: one of dots only would name the folder above them, one
    // ending in a dot another task's folder to a server that drops trailing dots.
    EXPECT_TRUE(HasValidItemNumber("P-1.2"));
    EXPECT_TRUE(HasValidItemNumber(".P"));
    for (const char* bad : {".", "..", "...", ". .", "a/b", "P[m]", "XM-02-01.", "XM-02-01..", "XM-02-01 ",
                            " XM-02-01", "XM\t02"})
        EXPECT_FALSE(HasValidItemNumber(bad)) << bad;
    // The folders are named in the server's code page 936: a number that looks like one it can
    // write ("XM-é" written with a combining accent, "XM-fi" with the ligature) would reach the
    // server as another name.
    for (const char* good : {"XM-\u00E9", "XM-fi", "ΣM-02", "ＸＭ-02", "箱体-01"})
        EXPECT_TRUE(HasValidItemNumber(good)) << good;
    for (const char* bad : {"XM-e\u0301", "XM-\uFB01", "XM-02-01\u200B", "XM-\u00C9", "XM-\xFF"})
        EXPECT_FALSE(HasValidItemNumber(bad)) << bad;
    EXPECT_EQ(NumberCharacterMessage(),
              "项目或任务编号不能包含以下字母\n       \\ / : * ? \" ' < > | [ ], \n或不能以[M]、[P]做为结尾");
    EXPECT_EQ(ChildrenPath("项目管理", "A"), "A\\");
    EXPECT_EQ(ChildrenPath("A\\", "B"), "A\\B\\");
}

TEST(ProjectTaskRules, NextChildSequenceFillsTheFirstGap) {
    EXPECT_EQ(NextChildSequence(Numbers({})), 1);
    EXPECT_EQ(NextChildSequence(Numbers({"P-01", "P-02", "P-04"})), 3);
    EXPECT_EQ(NextChildSequence(Numbers({"P-01", "P-02", "P-03"})), 4);
    // Without "-" the whole number counts; a suffix without digits counts as 0 and is no gap.
    EXPECT_EQ(NextChildSequence(Numbers({"2", "P-x", "P-01"})), 3);
    EXPECT_EQ(FormatChildNumber("P1", 3), "P1-03");
    EXPECT_EQ(FormatChildNumber("P1", 100), "P1-100");
}

class ProjectTaskRecordsTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, TaskType) VALUES "
                   "('P1', 'P1', '项目管理', 'V'), ('P1-01', 'T1', 'P1\\', 'V'), ('P1-02', 'T2', 'P1\\', 'V'),"
                   "('P1-01-01', 'S1', 'P1\\T1\\', 'V'), ('P10', 'P10', '项目管理', 'V'),"
                   "('P10-01', 'U1', 'P10\\', 'V'), ('P10-02', 'P1', 'P10\\', 'V'),"
                   "('P10-02-01', 'Deep', 'P10\\P1\\', 'V'), ('Q', 'A_', '项目管理', 'V'),"
                   "('R', 'AB', '项目管理', 'V'), ('R-01', 'x', 'AB\\', 'V'),"
                   "('C1', '更改', '更改任务管理', 'M')");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
    }
    CString PathOf(const char* number) {
        return ws.QueryText(CString("SELECT ProjectPath FROM ProjectManage WHERE ProjectNo='") + number + "'");
    }

    vqtest::DbWorkspace ws{GetParam()};
};

TEST_P(ProjectTaskRecordsTest, ProposesTheNumberOfANewTask) {
    EXPECT_EQ(ProposeTaskNumber("ProjectManage", "P1", "项目管理", GetParam()), "P1-03");
    EXPECT_EQ(ProposeTaskNumber("ProjectManage", "T1", "P1\\", GetParam()), "P1-01-02");
    EXPECT_EQ(ProposeTaskNumber("ProjectManage", "S1", "P1\\T1\\", GetParam()), "P1-01-01-01");
    vqtest::MessageBoxRecorder rec;
    EXPECT_EQ(ProposeTaskNumber("ProjectManage", "无此项", "项目管理", GetParam()), "");
}

// A new task whose number another client stored meanwhile takes the next free number below its
// parent; when that number is taken too (by a row elsewhere), the person is told and nothing is
// stored.
TEST_P(ProjectTaskRecordsTest, NewTaskWhoseNumberWasTakenTakesTheNextOneOrIsRefused) {
    CProjectTaskItemDlg item;
    item.NewItem = 1;
    item.ProjectName = "P1";
    item.ProjectPath = "项目管理";
    item.ItemNo = "P1-02";
    item.ItemName = "新任务";
    item.Manager = "zhangsan";
    ASSERT_EQ(StoreNewTask(item, "P1", "P1\\", "2026-12-07 10:00", "zhangsan"), 1);
    EXPECT_EQ(item.ItemNo, "P1-03");
    EXPECT_EQ(ws.QueryText("SELECT ProjectNo FROM ProjectManage WHERE ProjectName='新任务' AND ProjectPath='P1\\'"),
              "P1-03");
    EXPECT_EQ(ws.QueryText("SELECT ProjectName FROM ProjectManage WHERE ProjectNo='P1-02'"), "T2");

    ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath) VALUES ('P1-04', '别处', 'R\\')");
    item.ItemNo = "P1-03";
    item.ItemName = "另一任务";
    vqtest::MessageBoxRecorder rec;
    rec.Expect("任务编号 P1-03 已被其他用户使用，任务没有保存...");
    EXPECT_EQ(StoreNewTask(item, "P1", "P1\\", "2026-12-07 10:00", "zhangsan"), 0);
    EXPECT_EQ(rec.Pending(), 0);
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM ProjectManage WHERE ProjectName='另一任务'"), "0");
}

namespace {

CString Repeated(const char* piece, int times) {
    CString text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

} // namespace

// A number's documents are copied locally under names that begin with it ("T<number>_<file>", in
// UTF-8: 3 bytes a Chinese character) and it names its folder on the file server (code page 936):
// the names it leads to, with room for a short document name, stay within 255 bytes, so 241 ASCII
// characters or 80 Chinese ones pass and one more does not; a deep folder on either side makes the
// whole path pass its 4096 bytes.
TEST_P(ProjectTaskRecordsTest, NumbersWhoseNamesPassTheFileSystemsLimitsAreRefused) {
    EXPECT_EQ(NumberNameLengthMessage(Repeated("A", 241)), "");
    EXPECT_EQ(NumberNameLengthMessage(Repeated("A", 242)),
              "项目或任务编号太长：它的本地文档副本名至少有 256 字节，超过了文件名 255 "
              "字节的上限，请使用较短的编号!");
    EXPECT_EQ(NumberNameLengthMessage(Repeated("箱", 80)), "");
    EXPECT_EQ(NumberNameLengthMessage(Repeated("箱", 81)),
              "项目或任务编号太长：它的本地文档副本名至少有 257 字节，超过了文件名 255 "
              "字节的上限，请使用较短的编号!");
    // The numbers seen stored: 86 and 130 characters.
    for (int length : {86, 130})
        EXPECT_NE(NumberNameLengthMessage(Repeated("箱", length)).Find("255 字节的上限"), -1) << length;
    // A work number says so.
    EXPECT_EQ(NumberNameLengthMessage(Repeated("A", 238) + "#001", "工作任务编号"),
              "工作任务编号太长：它的本地文档副本名至少有 256 字节，超过了文件名 255 "
              "字节的上限，请使用较短的编号!");

    // The folder the FTP session starts in, deep enough that a document's path in the number's
    // folder passes 4096 bytes: 4095 with its end is the most a path may hold.
    const CString root = theApp.m_strFtpRootDir;
    const CString number = Repeated("箱", 80); // 160 bytes on the server
    // "/<root>/" + "Vq/Auditing/" (12) + 160 + "/" + 12: 3910 bytes of root leave 4095.
    theApp.m_strFtpRootDir = "/" + Repeated("d", 3908) + "/";
    EXPECT_EQ(NumberNameLengthMessage(number), "");
    theApp.m_strFtpRootDir = "/" + Repeated("d", 3909) + "\\";
    EXPECT_EQ(NumberNameLengthMessage(number), "项目或任务编号太长：它在文件服务器上的文档路径至少有 4096 "
                                               "字节，超过了路径 4096 字节的上限，请使用较短的编号!");
    theApp.m_strFtpRootDir = root;

    // A temporary folder deep enough that a copy's path in a call folder passes 4096 bytes.
    vqtest::EnvGuard temp({"TMPDIR"});
    CString deep = ws.TempDir();
    while (deep.GetLength() < 3800)
        deep += "/" + Repeated("t", 200);
    ASSERT_TRUE(std::filesystem::create_directories(deep.str()));
    setenv("TMPDIR", deep.c_str(), 1);
    const std::size_t folder = vq::CallFolderPathLength();
    ASSERT_LT(folder, 4000u);
    const int fits = static_cast<int>(4095 - folder) - 14; // "T" + number + "_" + 12
    ASSERT_LT(fits, 241) << "the name alone stays within its limit";
    EXPECT_EQ(NumberNameLengthMessage(Repeated("A", fits)), "");
    EXPECT_NE(NumberNameLengthMessage(Repeated("A", fits + 1)).Find("本地文档副本路径至少有 4096 字节"), -1)
        << NumberNameLengthMessage(Repeated("A", fits + 1)).str();
}

TEST_P(ProjectTaskRecordsTest, RenamingP1LeavesP10AndItsTaskNamedP1Alone) {
    ASSERT_EQ(RewriteChildPaths("项目管理", "P1", "新P1"), 1);
    EXPECT_EQ(PathOf("P1-01"), "新P1\\");
    EXPECT_EQ(PathOf("P1-01-01"), "新P1\\T1\\");
    EXPECT_EQ(PathOf("P10-01"), "P10\\");
    EXPECT_EQ(PathOf("P10-02-01"), "P10\\P1\\");
    // A task renamed below P10 changes only its own children's paths.
    ASSERT_EQ(RewriteChildPaths("P10\\", "P1", "P2"), 1);
    EXPECT_EQ(PathOf("P10-02-01"), "P10\\P2\\");
    EXPECT_EQ(PathOf("P10-01"), "P10\\");
}

TEST_P(ProjectTaskRecordsTest, TopLevelProjectOfAnItem) {
    EXPECT_EQ(FindTopProjectNo("P1-01-01"), "P1");
    EXPECT_EQ(FindTopProjectNo("P1"), "P1");
    EXPECT_EQ(FindTopProjectNo("C1"), "C1");
    EXPECT_EQ(FindTopProjectNo("none"), "");
}

TEST_P(ProjectTaskRecordsTest, AnythingBelowUsesTheChildrenPathAndTheWorkParent) {
    EXPECT_TRUE(HasAnythingBelow("P1", "项目管理", "P1"));
    EXPECT_FALSE(HasAnythingBelow("P1-02", "P1\\", "T2"));
    // "A_" must not match the tasks of "AB".
    EXPECT_FALSE(HasAnythingBelow("Q", "项目管理", "A_"));
    ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID) VALUES ('Q', 'Q', 'Q#001')");
    EXPECT_TRUE(HasAnythingBelow("Q", "项目管理", "A_"));
}

TEST_P(ProjectTaskRecordsTest, FirstWorkNumberIsTheSmallestFreeDirectChild) {
    EXPECT_EQ(NextWorkNumber("P1"), "P1#001");
    ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID) VALUES ('P1', 'P1', 'P1#001'),"
               "('P1', 'P1', 'P1#003'), ('P1', 'P1#003', 'P1#003#002'), ('P1_', 'P1_', 'P1_#002')");
    EXPECT_EQ(NextWorkNumber("P1"), "P1#002");
    ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID) VALUES ('P1', 'P1', 'P1#002')");
    // The sub-work P1#003#002 does not push the number past its parent.
    EXPECT_EQ(NextWorkNumber("P1"), "P1#004");
}

INSTANTIATE_TEST_SUITE_P(Dialects, ProjectTaskRecordsTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
