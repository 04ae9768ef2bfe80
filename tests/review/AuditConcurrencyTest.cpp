// Two reviewers of one level decide at the same moment from two processes on the PostgreSQL
// server: exactly one next level is opened and nothing is lost, also while both steps still carry
// the mark of a reviewer at work. Each reviewer waits, right after writing his own step, until the
// other has written his (or a short while has passed), so that without the engine's lock both
// would read the level before the other's decision is committed.
#include "review/AuditFlowEngine.h"
#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <optional>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// One end of a pair of pipes between the two processes.
struct Signal {
    int out = -1;
    int in = -1;
    void Send() const {
        const char byte = 'x';
        [[maybe_unused]] const ssize_t written = write(out, &byte, 1);
    }
    // True when the other side signalled within the time.
    bool Wait(int milliseconds) const {
        pollfd fd{in, POLLIN, 0};
        if (poll(&fd, 1, milliseconds) <= 0)
            return false;
        char byte = 0;
        return read(in, &byte, 1) == 1;
    }
};

int DecideConcurrently(const char* login, const char* step, const Signal& signal, const Signal& started) {
    theApp.m_strLoginUser = login;
    CAuditFlowEngine engine;
    engine.m_strLogin = login;
    engine.m_strFileID = "F-1";
    engine.m_strAuditTask = step;
    if (!engine.LoadDocument())
        return 0;
    engine.m_nResult = CAuditFlowEngine::kPass;
    engine.m_strOpinion = CString(login) + " 同意";
    engine.m_onStepStored = [&signal] {
        signal.Send();
        signal.Wait(1500);
    };
    started.Send();
    started.Wait(5000);
    return engine.ApplyAuditResult();
}

class AuditConcurrencyTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        if (!vqtest::DbWorkspace::OnPostgreSQL())
            GTEST_SKIP() << "needs the PostgreSQL server";
        ws.emplace(GetParam());
        ws->Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三'), "
                    "('lisi', '李四'), ('wangwu', '王五'), ('chenqi', '陈七')");
        ws->Execute("INSERT INTO TeamWorkManage (TaskNo, WorkID, Manager, WorkName) VALUES ('XM-01', 'XM-01#001', "
                    "'zhangsan', '箱体部件设计')");
        ws->Execute("INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('三级评审', "
                    "'混合', '校对(40,20)|*|审核(40,110)|*|工艺审查(240,110)|*|批准(40,200)')");
        ws->Execute("INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, State, AuditingModel, "
                    "AuditorName) VALUES ('F-1', 'XM-01#001', '箱盖零件图', 'a.dwg', '评审', '三级评审', "
                    "'zhangsan|*|lisi|*|wangwu|*|chenqi')");
        ws->Execute("INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, State, Result, Working) VALUES "
                    "('F-1', '校对', 'zhangsan', '已完成', '通过', 'F'), ('F-1', '审核', 'lisi', '未完成', NULL, 'F'), "
                    "('F-1', '工艺审查', 'wangwu', '未完成', NULL, 'F')");
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_nUseChangeTask = 0;
    }
    void TearDown() override { ws.reset(); }

    // lisi passes 审核 here while wangwu passes 工艺审查 in a child process; both must succeed.
    void DecideBothAtOnce() {
        int toChild[2], toParent[2], startChild[2], startParent[2];
        ASSERT_EQ(pipe(toChild), 0);
        ASSERT_EQ(pipe(toParent), 0);
        ASSERT_EQ(pipe(startChild), 0);
        ASSERT_EQ(pipe(startParent), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // The second reviewer, on a connection of his own.
            theApp.m_pConnPDM = ws->Connect();
            const int result = DecideConcurrently("wangwu", "工艺审查", Signal{toParent[1], toChild[0]},
                                                  Signal{startParent[1], startChild[0]});
            _exit(result == 1 ? 0 : 1);
        }
        theApp.m_pConnPDM = ws->Connect();
        const int mine =
            DecideConcurrently("lisi", "审核", Signal{toChild[1], toParent[0]}, Signal{startChild[1], startParent[0]});
        int status = -1;
        waitpid(child, &status, 0);
        theApp.m_pConnPDM = nullptr;
        for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1], startChild[0], startChild[1], startParent[0],
                       startParent[1]})
            close(fd);
        EXPECT_EQ(mine, 1);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    // Both steps passed, the next level opened once and its auditor told once.
    void ExpectNextLevelOpenedOnce() {
        EXPECT_EQ(ws->QueryText(
                      "SELECT count(*) FROM TeamWorkAudit WHERE FileID='F-1' AND State='已完成' AND Result='通过'"),
                  "3");
        EXPECT_EQ(ws->QueryText("SELECT count(*) FROM TeamWorkAudit WHERE AuditTask='批准'"), "1");
        EXPECT_EQ(ws->QueryText("SELECT State FROM TeamWorkAudit WHERE AuditTask='批准'"), "未完成");
        EXPECT_EQ(ws->QueryText("SELECT count(*) FROM MessageManage WHERE Reseiver='chenqi'"), "1");
        EXPECT_EQ(ws->QueryText("SELECT count(*) FROM TaskLogInformation WHERE ProjectNo='F-1'"), "2");
        EXPECT_EQ(ws->QueryText("SELECT Prompt FROM TeamWorkAudit WHERE AuditTask='工艺审查'"), "wangwu 同意");
        EXPECT_EQ(ws->QueryText("SELECT State FROM TeamWorkResult WHERE FileID='F-1'"), "评审");
    }

    std::optional<vqtest::DbWorkspace> ws;
};

} // namespace

TEST_P(AuditConcurrencyTest, TwoPeersDecidingAtOnceOpenTheNextLevelExactlyOnce) {
    DecideBothAtOnce();
    ExpectNextLevelOpenedOnce();
}

// Each reviewer still has his box open while the other decides (the mark is cleared only when the
// window closes, after the decision): the first decision waits for the peer being read, the second
// finds the first passed and opens the next level.
TEST_P(AuditConcurrencyTest, TwoPeersDecidingAtOnceWhileBothStepsAreMarkedOpenTheNextLevel) {
    ws->Execute("UPDATE TeamWorkAudit SET Working='T' WHERE AuditTask IN ('审核', '工艺审查')");
    DecideBothAtOnce();
    ExpectNextLevelOpenedOnce();
}

INSTANTIATE_TEST_SUITE_P(Dialects, AuditConcurrencyTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);
