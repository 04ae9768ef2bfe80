// The redline markup store in both dialects: a reviewer's markup stored with its opinion, found
// again by step and date, replaced by a later one, and deleted; the file comes back byte for byte.
#include "review/DesignMarkupStore.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/File.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ReadBytes(const CString& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

class DesignMarkupStoreTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        EXPECT_EQ(rec.Pending(), 0);
    }
    void Step(CDesignMarkupStore& store, const char* date = "2026-12-01 09:00") {
        store.m_strFileID = "F-1";
        store.m_strAuditTask = "审核";
        store.m_strAuditDate = date;
        store.m_strWorkID = "XM-01#001";
        store.m_strAuditor = "zhangsan";
        store.m_strOpinion = "孔位'不对";
    }
    CString Count(const char* table) { return ws.QueryText(CString("SELECT count(*) FROM ") + table); }

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::MessageBoxRecorder rec;
};

} // namespace

TEST_P(DesignMarkupStoreTest, StoredMarkupIsFoundByStepAndDateAndComesBackByteForByte) {
    const char raw[] = "VQMARKUP\0\x01\xff\r\n whatever it holds";
    const std::string bytes(raw, sizeof raw - 1);
    CDesignMarkupStore store;
    Step(store);
    const CString name = store.MarkupFileName();
    // In a folder of the store's own inside the working folder: another window of the same user on
    // the same step has another name.
    EXPECT_EQ(name.Left(ws.WorkDir().GetLength() + 6), ws.WorkDir() + "/call-");
    EXPECT_EQ(name.Right(static_cast<int>(std::string("/_Vq_F-1_审核.dwf").size())), "/_Vq_F-1_审核.dwf");
    ws.WriteFile(name, bytes);
    EXPECT_EQ(store.SaveMarkup(name), 1);
    EXPECT_FALSE(PathFileExists(name)) << "the local file goes once stored";
    EXPECT_EQ(Count("DesignMarkupManage"), "1");
    EXPECT_EQ(ws.QueryText("SELECT Other1 FROM DesignMarkupManage"), "孔位'不对");
    EXPECT_EQ(
        ws.QueryText(
            "SELECT TaskID || '/' || TaskGroup || '/' || Auditor || '/' || FileGroup || '/' || FileBulk "
            "|| '/' || FileType || '/' || MarkupTool FROM DesignMarkupManage"),
        "XM-01#001/_T/zhangsan/_Markup/1KB/.dwf/VoloView1.0");
    EXPECT_EQ(
        ws.QueryText("SELECT count(*) FROM DesignMarkupPackage p, DesignMarkupManage m WHERE p.FileLogID = "
                     "m.FileLogID"),
        "1");

    CDesignMarkupStore again;
    Step(again);
    EXPECT_NE(again.MarkupFileName(), name);
    EXPECT_EQ(again.FindStoredMarkup(), 1);
    EXPECT_EQ(again.m_strStoredAuditor, "zhangsan");
    const CString path = again.DownloadMarkupFile();
    ASSERT_FALSE(path.IsEmpty());
    EXPECT_EQ(ReadBytes(path), bytes);

    CDesignMarkupStore otherDate;
    Step(otherDate, "2026-12-02 10:00");
    EXPECT_EQ(otherDate.FindStoredMarkup(), 0) << "a later review of the step starts unmarked";
}

TEST_P(DesignMarkupStoreTest, AStepRestartedInTheMinuteOfItsReviewKeepsEachRoundsMarkupApart) {
    CDesignMarkupStore first;
    Step(first);
    first.SetRoundOfStep("未完成");
    const CString name = first.MarkupFileName();
    ws.WriteFile(name, "first");
    ASSERT_EQ(first.SaveMarkup(name), 1);
    // The review ends (it is logged with the step's begin date) and the step starts again in the
    // same minute: the same begin date.
    ws.Execute("INSERT INTO TaskLogInformation (ProjectNo, TaskName, Other1, Result) VALUES ('F-1', '审核', "
               "'2026-12-01 09:00', '不通过')");
    CDesignMarkupStore restarted;
    Step(restarted);
    restarted.SetRoundOfStep("未完成");
    EXPECT_EQ(restarted.FindStoredMarkup(), 0) << "the new round starts unmarked";
    ws.WriteFile(name, "second");
    ASSERT_EQ(restarted.SaveMarkup(name), 1);
    EXPECT_EQ(Count("DesignMarkupManage"), "2") << "the earlier round keeps its markup";
    EXPECT_EQ(Count("DesignMarkupPackage"), "2");
    EXPECT_EQ(ws.QueryText("SELECT AuditDate FROM DesignMarkupManage WHERE FileLogID=(SELECT max(FileLogID) "
                           "FROM DesignMarkupManage)"),
              "2026-12-01 09:00 #2");

    // Each round reads its own: the ended one by its log entry, the open one by the step row.
    CDesignMarkupStore ended;
    Step(ended);
    ASSERT_EQ(ended.FindStoredMarkup(), 1);
    EXPECT_EQ(ReadBytes(ended.DownloadMarkupFile()), "first");
    CDesignMarkupStore open;
    Step(open);
    open.SetRoundOfStep("未完成");
    ASSERT_EQ(open.FindStoredMarkup(), 1);
    EXPECT_EQ(ReadBytes(open.DownloadMarkupFile()), "second");
    // Once the second review is logged too, the completed step row is still the second round.
    ws.Execute("INSERT INTO TaskLogInformation (ProjectNo, TaskName, Other1, Result) VALUES ('F-1', '审核', "
               "'2026-12-01 09:00', '通过')");
    CDesignMarkupStore done;
    Step(done);
    done.SetRoundOfStep("已完成");
    EXPECT_EQ(done.m_nRound, 1);
    // Unlike a step of another begin date, which starts from its first round.
    CDesignMarkupStore later;
    Step(later, "2026-12-01 09:01");
    later.SetRoundOfStep("未完成");
    EXPECT_EQ(later.m_nRound, 0);
    EXPECT_EQ(later.FindStoredMarkup(), 0);
}

TEST_P(DesignMarkupStoreTest, ConfirmingTwiceKeepsOneMarkupUnderANewKey) {
    CDesignMarkupStore store;
    Step(store);
    const CString name = store.MarkupFileName();
    ws.WriteFile(name, "first");
    ASSERT_EQ(store.SaveMarkup(name), 1);
    const CString firstKey = ws.QueryText("SELECT FileLogID FROM DesignMarkupManage");
    ws.WriteFile(name, "second");
    store.m_strOpinion = "改好了";
    ASSERT_EQ(store.SaveMarkup(name), 1);
    EXPECT_EQ(Count("DesignMarkupManage"), "1");
    EXPECT_EQ(Count("DesignMarkupPackage"), "1");
    EXPECT_NE(ws.QueryText("SELECT FileLogID FROM DesignMarkupManage"), firstKey);
    EXPECT_EQ(ws.QueryText("SELECT Other1 FROM DesignMarkupManage"), "改好了");
    CDesignMarkupStore reader;
    Step(reader);
    ASSERT_EQ(reader.FindStoredMarkup(), 1);
    EXPECT_EQ(ReadBytes(reader.DownloadMarkupFile()), "second");
}

TEST_P(DesignMarkupStoreTest, AFailedStoreKeepsTheEarlierMarkup) {
    CDesignMarkupStore store;
    Step(store);
    const CString name = store.MarkupFileName();
    ws.WriteFile(name, "kept");
    ASSERT_EQ(store.SaveMarkup(name), 1);
    // The package table refuses rows: the new markup cannot go in.
    ws.Execute("DROP TABLE DesignMarkupPackage");
    ws.Execute(
        "CREATE TABLE DesignMarkupPackage (FileLogID INTEGER, FileType VARCHAR(20), FileDate VARCHAR(30), "
        "DocSaved VARCHAR(10), DocContent BLOB, Refused INTEGER NOT NULL)");
    ws.Execute("INSERT INTO DesignMarkupPackage (FileLogID, FileType, DocSaved, DocContent, Refused) SELECT "
               "FileLogID, '.dwf', '1', NULL, 1 FROM DesignMarkupManage");
    ws.WriteFile(name, "lost");
    // One box says it, in the system's words: the column missing its value is named by the
    // driver's text, and the decision is said not to be stored.
    rec.Expect("未能正确存储红线批注文件...");
    EXPECT_EQ(store.SaveMarkup(name), -1);
    ASSERT_EQ(rec.Shown().size(), 1U);
    EXPECT_EQ(rec.Shown()[0].text.Find("未能正确存储红线批注文件..."), 0);
    EXPECT_NE(rec.Shown()[0].text.Find("评审结果没有保存"), -1);
    EXPECT_EQ(rec.Shown()[0].text.Find("执行出错的SQL语句"), -1);
    EXPECT_TRUE(PathFileExists(name)) << "the reviewer's file stays for another try";
    EXPECT_EQ(Count("DesignMarkupManage"), "1");
    EXPECT_EQ(ws.QueryText("SELECT Other1 FROM DesignMarkupManage"), "孔位'不对");
}

// On the server the key of a markup row comes from a sequence: a row inserted while another
// client's insert is not yet committed neither waits for it nor takes its key; and running the
// schema again on a database with rows (an upgrade) moves the sequence past every stored key.
TEST_P(DesignMarkupStoreTest, RowsInsertedAtOnceTakeKeysOfTheirOwnAlsoAfterTheSchemaRunsAgain) {
    if (!vqtest::DbWorkspace::OnPostgreSQL() || GetParam() == 2)
        GTEST_SKIP() << "SQLite takes one writer at a time; the Oracle dialect gives the key itself";
    const CString insert = "INSERT INTO DesignMarkupManage (TaskID, FileID) VALUES ('XM-01#001', 'F-1')";
    _ConnectionPtr first = ws.Connect();
    first->BeginTrans();
    first->Execute(insert);
    EXPECT_TRUE(ws.WritesAtOnce(insert)) << "the second insert waited for the first one's key";
    first->CommitTrans();
    EXPECT_EQ(ws.QueryText("SELECT count(DISTINCT FileLogID) FROM DesignMarkupManage"), "2");

    // Rows with keys of their own (written under the Oracle dialect), then the schema once more.
    ws.Execute("INSERT INTO DesignMarkupManage (FileLogID, TaskID) VALUES (40, 'XM-01#002')");
    ws.RunSchema();
    ws.RunSchema();
    ws.Execute(insert);
    EXPECT_EQ(ws.QueryText("SELECT max(FileLogID) FROM DesignMarkupManage"), "41");
    EXPECT_EQ(ws.QueryText("SELECT count(DISTINCT FileLogID) FROM DesignMarkupManage"), "4");
}

TEST_P(DesignMarkupStoreTest, DeletingByKeyAndByStep) {
    CDesignMarkupStore store;
    Step(store);
    const CString name = store.MarkupFileName();
    ws.WriteFile(name, "x");
    ASSERT_EQ(store.SaveMarkup(name), 1);
    EXPECT_EQ(store.DeleteMarkupById(), 1);
    EXPECT_EQ(Count("DesignMarkupManage"), "0");
    EXPECT_EQ(Count("DesignMarkupPackage"), "0");

    ws.WriteFile(name, "y");
    CDesignMarkupStore second;
    Step(second);
    ASSERT_EQ(second.SaveMarkup(name), 1);
    CDesignMarkupStore loader;
    Step(loader);
    ASSERT_EQ(loader.FindStoredMarkup(), 1);
    EXPECT_EQ(loader.DeleteStoredMarkup(), 1);
    EXPECT_EQ(Count("DesignMarkupManage"), "0");
    EXPECT_EQ(Count("DesignMarkupPackage"), "0");
    // Nothing found: nothing to delete by key.
    EXPECT_EQ(loader.DeleteMarkupById(), 1);
}

TEST_P(DesignMarkupStoreTest, ToolAndVersionNameTheFile) {
    CDesignMarkupStore store;
    Step(store);
    store.m_dVoloViewVersion = 2;
    EXPECT_EQ(store.MarkupToolName(), "VoloView2");
    EXPECT_EQ(store.MarkupFileName().Right(4), ".rml");
    store.m_dVoloViewVersion = 1.0;
    EXPECT_EQ(store.MarkupToolName(), "VoloView1.0");
    store.m_bAutoVue = TRUE;
    EXPECT_EQ(store.MarkupFileName(), "") << "the AutoVue tool stores nothing";
    EXPECT_EQ(store.SaveMarkup(store.MarkupFileName()), 0);
    EXPECT_EQ(Count("DesignMarkupManage"), "0");
    // An empty package gives the download message and no path.
    CDesignMarkupStore empty;
    Step(empty);
    empty.m_nFileLogID = 99;
    empty.m_strFileBulk = "1KB";
    empty.m_strFileType = ".dwf";
    rec.Expect("批注文件下载失败!");
    EXPECT_EQ(empty.DownloadMarkupFile(), "");
}

TEST_P(DesignMarkupStoreTest, TheOracleDialectNeedsTheSequence) {
    if (GetParam() != 2)
        GTEST_SKIP() << "the other dialect lets the database number the rows";
    ws.Execute("DELETE FROM vq_sequences WHERE Name = 'Markup_FileLogID'");
    CDesignMarkupStore store;
    Step(store);
    const CString name = store.MarkupFileName();
    ws.WriteFile(name, "x");
    rec.Expect("请检查数据库中是否存在名称为: Markup_FileLogID 的序列, 如果没有请联系服务商!");
    EXPECT_EQ(store.SaveMarkup(name), -1);
    EXPECT_EQ(rec.Shown().size(), 1U);
    EXPECT_EQ(Count("DesignMarkupManage"), "0");
}

INSTANTIATE_TEST_SUITE_P(Dialects, DesignMarkupStoreTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
