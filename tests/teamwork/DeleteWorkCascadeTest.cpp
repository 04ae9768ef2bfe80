// Deleting one work task: the refusals (also of what another client changes while the question
// is open), the rows of every table that hangs on it (and nothing of a neighbour's), the storage
// modes against a real FTP server, and a failing statement that leaves the work task whole.
#include "teamwork/DeleteWorkCascade.h"
#include "core/StoredRow.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ftp/FtpConnection.h"
#include "platform/ftp/InternetSession.h"
#include "platform/maker/FileStore.h"
#include "projects/WorkDocumentCopies.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/FtpServer.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// Rows of work W1 (to be deleted) and of its neighbour W2 in every table of the cascade.
void AddWorkRows(vqtest::DbWorkspace& ws, const CString& work, const CString& resource) {
    CString script;
    script.Format(
        "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, WorkName, WorkState) VALUES ('T1', 'T1', '%s', "
        "'工作', '正进行中');"
        "INSERT INTO TeamWorkRequest (WorkID) VALUES ('%s');"
        "INSERT INTO TeamWorkResource (WorkID, ResourceID) VALUES ('%s', '%s');"
        "INSERT INTO TeamWorkResourcePack (ResourceID) VALUES ('%s');"
        "INSERT INTO TeamWorkPart (WorkID, PartCode) VALUES ('%s', 'P1');"
        "INSERT INTO TeamWorkPartTree (WorkID, UpCode, DCode) VALUES ('%s', '%s', 'P1')",
        work, work, work, resource, resource, work, work, work);
    ws.Execute(script);
}

// Document rows of a work, stored by another client (a connection of its own).
void AddDocumentRows(const vqtest::DbWorkspace& ws, const CString& work, const CString& file,
                     const CString& name) {
    const char* formats[] = {
        "INSERT INTO TeamWorkResult (FileID, WorkID, FileName) VALUES ('%s', '%s', '%s')",
        "INSERT INTO TeamWorkRelation (FileID) VALUES ('%s')", "INSERT INTO TeamWorkAdvise (FileID) VALUES ('%s')",
        "INSERT INTO TeamWorkAudit (FileID) VALUES ('%s')", "INSERT INTO TeamWorkHistory (FileID) VALUES ('%s')",
        "INSERT INTO TeamWorkResultPack (FileID, DocSaved) VALUES ('%s', '1')",
        "INSERT INTO VqkorvelTeam_title (TCode, FileID) VALUES ('P1', '%s')",
        "INSERT INTO VqkorvelTeam_detail (UpCode, Dcode, FileID) VALUES ('P1', 'P2', '%s')"};
    for (const char* format : formats) {
        CString sql;
        sql.Format(format, file, work, name);
        ws.Execute(sql);
    }
}

class DeleteWorkCascadeTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.emplace(GetParam());
        theApp.m_pConnPDM = ws->Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        m_oldUser = theApp.m_strLoginUser;
        theApp.m_strLoginUser = "zhangsan";
        theApp.m_nDocStorageMode = 0;
        AddWorkRows(*ws, "T1#001", "R1");
        AddWorkRows(*ws, "T1#002", "R2");
    }
    void TearDown() override {
        vq::SetMessageBoxPresenter(m_oldPresenter);
        theApp.m_strLoginUser = m_oldUser;
        theApp.m_pFtpConnection = nullptr;
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        theApp.m_nDocStorageMode = 0;
        connection.reset();
        server.reset();
        ws.reset();
    }
    // Answers the confirmation with Yes; every other box is recorded and answered with OK.
    void Confirm() {
        m_oldPresenter = vq::SetMessageBoxPresenter([this](const vq::MessageBoxRequest& request) {
            shown.push_back(request.text);
            return request.text.Find("真的要删除吗") >= 0 ? IDYES : IDOK;
        });
    }
    void StartFtp() {
        server.emplace();
        ASSERT_TRUE(server->IsRunning());
        for (const char* folder : {"Vq/Working", "Vq/Auditing", "Vq/Proven"})
            server->MakeFolder(folder);
        connection.reset(session.GetFtpConnection(server->Host(), server->User(), server->Password(),
                                                  static_cast<INTERNET_PORT>(server->Port())));
        ASSERT_TRUE(connection);
        theApp.m_pFtpConnection = connection.get();
    }
    int Count(const char* table, const char* where) {
        CString sql;
        sql.Format("SELECT count(*) FROM %s WHERE %s", table, where);
        return atoi(ws->QueryText(sql));
    }
    // Rows of the work in every table of the cascade (FileID F1 / ResourceID R1).
    int RowsOfFirstWork() {
        return Count("TeamWorkManage", "WorkID='T1#001'") + Count("TeamWorkRequest", "WorkID='T1#001'") +
               Count("TeamWorkResource", "WorkID='T1#001'") + Count("TeamWorkResourcePack", "ResourceID='R1'") +
               Count("TeamWorkPart", "WorkID='T1#001'") + Count("TeamWorkPartTree", "WorkID='T1#001'") +
               Count("TeamWorkResult", "FileID='F1'") + Count("TeamWorkRelation", "FileID='F1'") +
               Count("TeamWorkAdvise", "FileID='F1'") + Count("TeamWorkAudit", "FileID='F1'") +
               Count("TeamWorkHistory", "FileID='F1'");
    }

    std::optional<vqtest::DbWorkspace> ws;
    std::optional<vqtest::FtpServer> server;
    CInternetSession session{"vqtest"};
    std::unique_ptr<CFtpConnection> connection;
    std::vector<CString> shown;
    vq::MessageBoxPresenter m_oldPresenter;
    CString m_oldUser;
};

TEST_P(DeleteWorkCascadeTest, RefusesReviewedFinishedDocumentedAndParentWorks) {
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("处于评审及完成状态的任务不能删除...");
    EXPECT_FALSE(DeleteWorkCascade("T1#001", "T1", "评审", true, "p"));
    boxes.Expect("处于评审及完成状态的任务不能删除...");
    EXPECT_FALSE(DeleteWorkCascade("T1#001", "T1", "完成", true, "p"));

    ws->Execute("INSERT INTO TeamWorkResult (FileID, WorkID) VALUES ('F9', 'T1#002')");
    boxes.Expect(" 该任务下存在工作文档，请先删除工作文档...");
    EXPECT_FALSE(DeleteWorkCascade("T1#002", "T1", "待确认", true, "p"));

    // From the list as from the tree: a work with sub-works is not deleted.
    ws->Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID) VALUES ('T1', 'T1#001', 'T1#001#001')");
    boxes.Expect("请先删除任务下面的任务，再删除本任务...");
    EXPECT_FALSE(DeleteWorkCascade("T1#001", "T1", "正进行中", false, "p"));
    ws->Execute("DELETE FROM TeamWorkManage WHERE WorkID='T1#001#001'");

    boxes.Expect("删除该工作任务将失去其对应的所有信息,真的要删除吗?", IDNO);
    EXPECT_FALSE(DeleteWorkCascade("T1#001", "T1", "更改", true, "p"));
    EXPECT_EQ(boxes.Pending(), 0);
    EXPECT_EQ(RowsOfFirstWork(), 6);
    EXPECT_EQ(Count("TeamWorkLog", "1=1"), 0);
}

// Another client stored a work of task T1 under "T2#001 ", which reads as "T2#001", a work of
// task T2; and a work that another client deleted meanwhile. Neither is deleted, nor anything of
// the work of task T2.
TEST_P(DeleteWorkCascadeTest, AWorkOfAnotherTaskOrOneThatIsGoneIsNotDeleted) {
    ws->Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, WorkName, WorkState) VALUES "
                "('T2', 'T2', 'T2#001', '工作', '正进行中'), ('T1', 'T1', 'T2#001 ', '工作', '正进行中');"
                "INSERT INTO TeamWorkRequest (WorkID) VALUES ('T2#001');"
                "INSERT INTO TeamWorkPart (WorkID, PartCode) VALUES ('T2#001', 'P1')");
    vqtest::MessageBoxRecorder boxes;
    for (const char* work : {"T2#001", "T1#009"}) {
        boxes.Expect("该工作任务已不存在，或其编号不能从数据库中确切读出，没有删除任何数据...");
        EXPECT_FALSE(DeleteWorkCascade(work, "T1", "正进行中", true, "p")) << work;
    }
    EXPECT_EQ(boxes.Pending(), 0);
    EXPECT_EQ(Count("TeamWorkManage", "WorkID='T2#001'") + Count("TeamWorkRequest", "WorkID='T2#001'") +
                  Count("TeamWorkPart", "WorkID='T2#001'"),
              3);
    EXPECT_EQ(Count("TeamWorkLog", "1=1"), 0);
}

// A work whose number differs from another's only in case, stored by another client (with the
// unique index on the number, and without it): deleting it deletes its own rows only.
TEST_P(DeleteWorkCascadeTest, AWorkNumberedAsAnotherButForCaseTakesNothingOfIt) {
    for (const bool uniqueIndex : {true, false}) {
        if (!uniqueIndex)
            ws->Execute("DROP INDEX IF EXISTS UX_TeamWorkManage_WorkID");
        for (const auto& [other, twin] :
             {std::pair<const char*, const char*>{"T1#002", "t1#002"}, {"T1#002", "T1#002\xE2\x80\x8B"}}) {
            SCOPED_TRACE(std::string(twin) + (uniqueIndex ? "" : ", without the index"));
            ws->Execute(
                CString("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, WorkName, WorkState) SELECT "
                        "'T1', 'T1', '") +
                twin + "', '工作', '正进行中' WHERE NOT EXISTS (SELECT 1 FROM TeamWorkManage WHERE WorkID='" +
                twin +
                "');INSERT INTO TeamWorkPart (WorkID, PartCode) SELECT WorkID, 'P9' FROM "
                "TeamWorkManage WHERE WorkID='" +
                twin + "' AND WorkID<>'" + other + "'");
            if (Count("TeamWorkPart", "PartCode='P9'") == 0)
                continue; // the index holds the two numbers equal
            vqtest::MessageBoxRecorder boxes;
            boxes.Expect("删除该工作任务将失去其对应的所有信息,真的要删除吗?", IDYES);
            EXPECT_TRUE(DeleteWorkCascade(twin, "T1", "正进行中", true, "p"));
            EXPECT_EQ(boxes.Pending(), 0);
            EXPECT_EQ(Count("TeamWorkPart", "PartCode='P9'"), 0);
            EXPECT_EQ(Count("TeamWorkManage", "1=1"), 2);
            EXPECT_EQ(Count("TeamWorkManage", "WorkID='T1#002' AND WorkName='工作'"), 1);
            EXPECT_EQ(Count("TeamWorkResourcePack", "ResourceID='R2'"), 1);
            EXPECT_EQ(Count("TeamWorkPartTree", "UpCode='T1#002'"), 1);
            EXPECT_EQ(Count("TeamWorkPart", "PartCode='P1'"), 2);
            ws->Execute("DELETE FROM TeamWorkLog");
        }
    }
}

TEST_P(DeleteWorkCascadeTest, DatabaseModeDeletesEveryRowOfTheWorkAndNothingOfItsNeighbour) {
    Confirm();
    EXPECT_TRUE(DeleteWorkCascade("T1#001", "T1", "归档", true, "撤消给张三分配工作：工作[T1#001]"));
    EXPECT_EQ(RowsOfFirstWork(), 0);
    EXPECT_EQ(Count("TeamWorkManage", "WorkID='T1#002'"), 1);
    EXPECT_EQ(Count("TeamWorkResourcePack", "ResourceID='R2'"), 1);
    EXPECT_EQ(Count("TeamWorkPartTree", "WorkID='T1#002'"), 1);
    EXPECT_EQ(ws->QueryText("SELECT LogPrompt FROM TeamWorkLog WHERE LogID='T1#001' AND LogType='删除' AND "
                            "LogTopic='撤消工作'"),
              "撤消给张三分配工作：工作[T1#001]");
}

// What the checks refuse, done by another client while the question is open: the answer Yes
// deletes nothing, and the check's own message says what changed. From the tree and from the
// list, whose shown state ("正进行中") is older than the stored one.
TEST_P(DeleteWorkCascadeTest, WhatAnotherClientChangesWhileAskedRefusesTheDeletion) {
    struct Change {
        const char* what;
        std::function<void()> write;
        const char* refusal;
    };
    const std::vector<Change> changes = {
        {"a work document stored", [this] { AddDocumentRows(*ws, "T1#001", "F1", "D1.dwg"); },
         " 该任务下存在工作文档，请先删除工作文档..."},
        {"a sub-work task made",
         [this] {
             ws->Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, WorkState) VALUES ('T1', "
                         "'T1#001', 'T1#001#001', '待确认')");
         },
         "请先删除任务下面的任务，再删除本任务..."},
        {"sent to review",
         [this] { ws->Execute("UPDATE TeamWorkManage SET WorkState='评审' WHERE WorkID='T1#001'"); },
         "处于评审及完成状态的任务不能删除..."},
        {"finished",
         [this] { ws->Execute("UPDATE TeamWorkManage SET WorkState='完成' WHERE WorkID='T1#001'"); },
         "处于评审及完成状态的任务不能删除..."},
        {"deleted",
         [this] { ws->Execute("UPDATE TeamWorkManage SET WorkID='T1#009' WHERE WorkID='T1#001'"); },
         "该工作任务已不存在，或其编号不能从数据库中确切读出，没有删除任何数据..."}};
    for (const bool fromTree : {true, false}) {
        for (const Change& change : changes) {
            SCOPED_TRACE(std::string(change.what) + (fromTree ? " (tree)" : " (list)"));
            {
                vqtest::MessageBoxRecorder boxes;
                boxes.Expect("删除该工作任务将失去其对应的所有信息,真的要删除吗?", IDYES, change.write);
                boxes.Expect(change.refusal);
                EXPECT_FALSE(DeleteWorkCascade("T1#001", "T1", "正进行中", fromTree, "p"));
            }
            ws->Execute("UPDATE TeamWorkManage SET WorkID='T1#001' WHERE WorkID='T1#009';"
                        "UPDATE TeamWorkManage SET WorkState='正进行中' WHERE WorkID='T1#001'");
            EXPECT_EQ(RowsOfFirstWork(), &change == &changes[0] ? 11 : 6);
            EXPECT_EQ(Count("TeamWorkManage", "WorkID='T1#001#001'"), &change == &changes[1] ? 1 : 0);
            EXPECT_EQ(Count("VqkorvelTeam_title", "1=1") + Count("TeamWorkResultPack", "1=1"),
                      &change == &changes[0] ? 2 : 0);
            EXPECT_EQ(Count("TeamWorkLog", "1=1"), 0);
            ws->Execute(
                "DELETE FROM TeamWorkManage WHERE WorkID='T1#001#001'; DELETE FROM TeamWorkResult; "
                "DELETE FROM TeamWorkRelation; DELETE FROM TeamWorkAdvise; DELETE FROM TeamWorkAudit; "
                "DELETE FROM TeamWorkHistory; DELETE FROM TeamWorkResultPack; DELETE FROM "
                "VqkorvelTeam_title; DELETE FROM VqkorvelTeam_detail");
        }
    }
    // Nothing changed meanwhile: the question is answered with no lock held, and Yes deletes.
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("真的要删除吗", IDYES, [this] {
        EXPECT_TRUE(ws->WritesAtOnce("UPDATE TeamWorkManage SET WorkName='工作' WHERE WorkID='T1#002'"));
    });
    EXPECT_TRUE(DeleteWorkCascade("T1#001", "T1", "正进行中", false, "p"));
    EXPECT_EQ(RowsOfFirstWork(), 0);
}

// Between the checks read again under the work's lock and the deletion, a program that takes none
// of our locks stores a document of the work or makes a sub-work task, and tries to send the work
// to review. On a server the work row read again is kept from other writers, the last guard sees
// what came, everything is rolled back and the check's own message says what came; on SQLite the
// lock keeps them all out and the work goes.
TEST_P(DeleteWorkCascadeTest, WhatComesBetweenTheReadAgainAndTheDeletionRollsItBack) {
    const bool server = vqtest::DbWorkspace::OnPostgreSQL();
    const struct {
        const char* what;
        const char* write;
        const char* refusal;
        const char* cameCount; // the table and condition of what came
    } cases[] = {
        {"a work document",
         "INSERT INTO TeamWorkResult (FileID, WorkID, FileName) VALUES ('F9', 'T1#001', 'D9.dwg')",
         " 该任务下存在工作文档，请先删除工作文档...", "FileID='F9'"},
        {"a sub-work task",
         "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, WorkState) VALUES ('T1', 'T1#001', "
         "'T1#001#001', "
         "'待确认')",
         "请先删除任务下面的任务，再删除本任务...", "WorkID='T1#001#001'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bool reviewed = true;
        bool wrote = false;
        SetAfterRecheckHook([&] {
            reviewed = ws->WritesAtOnce("UPDATE TeamWorkManage SET WorkState='评审' WHERE WorkID='T1#001'");
            wrote = ws->WritesAtOnce(c.write);
        });
        {
            vqtest::MessageBoxRecorder boxes;
            boxes.Expect("删除该工作任务将失去其对应的所有信息,真的要删除吗?", IDYES);
            if (server)
                boxes.Expect(c.refusal);
            EXPECT_EQ(DeleteWorkCascade("T1#001", "T1", "正进行中", true, "p"), !server);
            SetAfterRecheckHook(nullptr);
            EXPECT_EQ(boxes.Pending(), 0);
            EXPECT_EQ(boxes.Texts().size(), server ? 2u : 1u);
        }
        EXPECT_FALSE(reviewed);
        EXPECT_EQ(wrote, server);
        EXPECT_EQ(RowsOfFirstWork(), server ? 6 : 0);
        EXPECT_EQ(Count("TeamWorkManage", "WorkID='T1#001' AND WorkState='正进行中'"), server ? 1 : 0);
        EXPECT_EQ(Count(c.cameCount[0] == 'F' ? "TeamWorkResult" : "TeamWorkManage", c.cameCount),
                  server ? 1 : 0);
        EXPECT_EQ(Count("TeamWorkLog", "1=1"), server ? 0 : 1);
        ws->Execute(
            "DELETE FROM TeamWorkResult; DELETE FROM TeamWorkLog; DELETE FROM TeamWorkManage WHERE WorkID "
            "LIKE 'T1#001%'; DELETE FROM TeamWorkRequest WHERE WorkID='T1#001'; DELETE FROM "
            "TeamWorkResource WHERE WorkID='T1#001'; DELETE FROM TeamWorkResourcePack WHERE "
            "ResourceID='R1'; DELETE FROM TeamWorkPart WHERE WorkID='T1#001'; DELETE FROM "
            "TeamWorkPartTree WHERE WorkID='T1#001'");
        AddWorkRows(*ws, "T1#001", "R1");
    }
}

TEST_P(DeleteWorkCascadeTest, FailingStatementLeavesTheWorkTaskWhole) {
    ws->Execute("DROP TABLE TeamWorkHistory");
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("真的要删除吗", IDYES);
    boxes.Expect(""); // the database error
    boxes.Expect("执行出错的SQL语句");
    EXPECT_FALSE(DeleteWorkCascade("T1#001", "T1", "正进行中", true, "p"));
    EXPECT_EQ(boxes.Pending(), 0);
    EXPECT_EQ(Count("TeamWorkManage", "WorkID='T1#001'"), 1);
    EXPECT_EQ(Count("TeamWorkRequest", "WorkID='T1#001'"), 1);
    EXPECT_EQ(Count("TeamWorkResourcePack", "ResourceID='R1'"), 1);
    EXPECT_EQ(Count("TeamWorkLog", "1=1"), 0);
}

// The log row is the last step: when it fails the work task is gone all the same, and the
// person is told so rather than only that a statement failed.
TEST_P(DeleteWorkCascadeTest, FailingLogRowStillSaysTheWorkTaskWasDeleted) {
    ws->Execute("DROP TABLE TeamWorkLog");
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("真的要删除吗", IDYES);
    boxes.Expect(""); // the database error
    boxes.Expect("执行出错的SQL语句");
    boxes.Expect("工作任务[T1#001]及其全部信息已删除，但删除记录未能写入工作日志。");
    EXPECT_TRUE(DeleteWorkCascade("T1#001", "T1", "正进行中", true, "p"));
    EXPECT_EQ(boxes.Pending(), 0);
    EXPECT_EQ(RowsOfFirstWork(), 0);
}

// In storage modes 1 and 2 the server must be usable; the neighbour's copies and contents stay.
TEST_P(DeleteWorkCascadeTest, FtpModesDeleteTheRowsAndLeaveTheNeighboursCopies) {
    StartFtp();
    server->WriteFile("Vq/Working/F2.dwg", "neighbour");
    ws->Execute("INSERT INTO TeamWorkResultPack (FileID, DocSaved) VALUES ('F2', '1')");
    Confirm();
    for (const int mode : {1, 2}) {
        theApp.m_nDocStorageMode = mode;
        EXPECT_TRUE(DeleteWorkCascade(mode == 1 ? "T1#001" : "T1#002", "T1", "正进行中", true, "p")) << mode;
    }
    EXPECT_EQ(Count("TeamWorkManage", "1=1"), 0);
    EXPECT_EQ(Count("TeamWorkResultPack", "FileID='F2'"), 1);
    EXPECT_TRUE(server->Exists("Vq/Working/F2.dwg"));
    EXPECT_EQ(shown.size(), 2u); // the confirmations only
}

// The caller lends no FTP connection (its entry call opened only the database): the file store
// logs on to the server of the configuration itself, and logs off when it is done.
TEST_P(DeleteWorkCascadeTest, WithoutALentConnectionTheServerOfTheConfigurationIsUsed) {
    server.emplace();
    ASSERT_TRUE(server->IsRunning());
    vqtest::ConfigRow row;
    row.domainName = server->Url();
    row.ftpUser = server->User();
    row.ftpPwd = server->Password();
    ws->SetConfig(row);
    server->WriteFile("Vq/Working/F2.dwg", "neighbour");
    theApp.m_nDocStorageMode = 2;
    Confirm();
    EXPECT_TRUE(DeleteWorkCascade("T1#001", "T1", "正进行中", true, "p"));
    EXPECT_EQ(RowsOfFirstWork(), 0);
    EXPECT_TRUE(server->Exists("Vq/Working/F2.dwg"));
    EXPECT_EQ(shown.size(), 1u); // the confirmation only
    EXPECT_FALSE(theApp.m_pFtpConnection);
}

TEST_P(DeleteWorkCascadeTest, FtpModeWithoutAServerDeletesNothing) {
    theApp.m_nDocStorageMode = 2;
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("真的要删除吗", IDYES);
    boxes.Expect("文件服务器(FTP)不能使用，没有删除任何数据...");
    EXPECT_FALSE(DeleteWorkCascade("T1#001", "T1", "正进行中", true, "p"));
    EXPECT_EQ(boxes.Pending(), 0);
    EXPECT_EQ(RowsOfFirstWork(), 6);
}

TEST_P(DeleteWorkCascadeTest, CopiesLeftOnAServerThatWentDownAreNamed) {
    StartFtp();
    server->WriteFile("Vq/Working/F1.dwg", "copy");
    CVQTWSaveFileToFTP store;
    ASSERT_TRUE(store.InitVQPDMFTP());
    server.reset(); // the server goes down after the store was opened
    CStringArray leftovers;
    RemoveWorkDocumentCopies(store, {{"F1", "D1.dwg"}, {"F2", "README"}}, leftovers);
    ASSERT_EQ(leftovers.GetSize(), 2);
    EXPECT_EQ(leftovers[0], "F1 (F1.dwg)");
    EXPECT_EQ(leftovers[1], "F2 (F2)");
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("以下 2 项内容未能从文件服务器(FTP)上删除");
    ReportFtpLeftovers(leftovers);
    EXPECT_EQ(boxes.Pending(), 0);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_GE(boxes.Shown()[0].text.Find("F2 (F2)"), 0);
}

INSTANTIATE_TEST_SUITE_P(Dialects, DeleteWorkCascadeTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

} // namespace
