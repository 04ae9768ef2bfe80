// Reviewers who decide at the same moment, each in a process and on a connection of his own, get
// what the same decisions made one after the other give: exactly one of them opens the next level
// or releases, nothing is lost and nothing is done twice.
//
// Two reviewers of one level on the PostgreSQL server: each waits, right after writing his own
// step, until the other has written his (or a short while has passed), so that without the
// engine's lock both would read the level before the other's decision is committed.
//
// Then 2, 3 and 4 reviewers of one flow, on SQLite and on the server, meet at a barrier right
// before their decisions, many times over: the rows they leave must be those of the same decisions
// made one after the other, with one congratulation where the flow ends. Without the flow's lock
// the server lets each decision read the flow before the others commit, and a good share of the
// runs leave the flow stuck; 50 runs per road catch that every time. The assisting reviewers of
// one step decide the same way, alone and beside the step's own reviewer, and the windows that
// give out assisting tasks of one step at the same moment give each a name of its own; a deletion
// of assisting tasks while they are decided deletes no result and loses none silently. Steps of one
// document handed over to others in windows opened at the same moment are all kept.
//
// The reviewers of one drawing who store their markup at the same moment each keep theirs; and a
// decision that meets another client's lock waits once, as long as the lock wait, and says why in
// one box.
#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "review/AssistAuditDlg.h"
#include "review/AuditFlowEngine.h"
#include "review/DesignMarkupStore.h"
#include "review/ProjectTaskDecision.h"
#include "review/WorkDocAuditResultDlg.h"
#include "teamwork/AuditPath.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/ProcessBarrier.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

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

namespace {

// What one reviewer's decision gave: its result, the congratulations ("恭喜全部...") shown and the
// other boxes shown.
struct Outcome {
    int result = -1;
    int congratulations = 0;
    int boxes = 0;
};

// Answers every box with OK and counts what the decision said.
class SaidCounter {
public:
    explicit SaidCounter(Outcome& outcome) {
        m_previous = vq::SetMessageBoxPresenter([&outcome](const vq::MessageBoxRequest& request) {
            if (request.text.Find("恭喜全部") >= 0)
                ++outcome.congratulations;
            else
                ++outcome.boxes;
            return IDOK;
        });
    }
    ~SaidCounter() { vq::SetMessageBoxPresenter(std::move(m_previous)); }
    SaidCounter(const SaidCounter&) = delete;
    SaidCounter& operator=(const SaidCounter&) = delete;

private:
    vq::MessageBoxPresenter m_previous;
};

// One reviewer: loads what he decides, calls arrive() (the barrier) right before deciding, and
// returns the decision's result.
using Reviewer = std::function<int(int index, const std::function<void()>& arrive)>;

// Runs reviewers 0 .. count-1 each in a process and on a connection of its own; they meet at one
// barrier before their decisions. The outcomes come in the order of the reviewers; a reviewer
// whose process ended without telling has result -1.
std::vector<Outcome> DecideTogether(const vqtest::DbWorkspace& ws, int count, const Reviewer& reviewer) {
    const auto reports = vqtest::RunAtBarrier(count, [&](int index, const std::function<void()>& arrive) {
        Outcome outcome;
        {
            SaidCounter counter(outcome);
            theApp.m_pConnPDM = ws.Connect();
            outcome.result = reviewer(index, arrive);
        }
        return std::string(reinterpret_cast<const char*>(&outcome), sizeof outcome);
    });
    std::vector<Outcome> outcomes(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < reports.size(); ++i) {
        EXPECT_TRUE(reports[i]) << "reviewer " << i << " ended without telling";
        if (reports[i] && reports[i]->size() == sizeof(Outcome))
            std::memcpy(&outcomes[i], reports[i]->data(), sizeof(Outcome));
    }
    return outcomes;
}

// The same reviewers one after the other in this process, in the order given (reviewer indexes);
// the outcomes come in the order of the reviewers.
std::vector<Outcome> DecideInTurn(const vqtest::DbWorkspace& ws, const std::vector<int>& order,
                                  const Reviewer& reviewer) {
    std::vector<Outcome> outcomes(order.size());
    theApp.m_pConnPDM = ws.Connect();
    for (const int index : order) {
        SaidCounter counter(outcomes[static_cast<std::size_t>(index)]);
        outcomes[static_cast<std::size_t>(index)].result = reviewer(index, [] {});
    }
    theApp.m_pConnPDM = nullptr;
    return outcomes;
}

// Every row of the statements, each row's columns joined by "/", sorted: what a flow left, without
// the times of its rows and without who of the reviewers came last (their order is not fixed).
std::string Rows(const vqtest::DbWorkspace& ws, const std::vector<CString>& queries) {
    _ConnectionPtr conn = ws.Connect();
    std::string all;
    for (const CString& sql : queries) {
        std::vector<std::string> rows;
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, conn, adOpenForwardOnly, adLockReadOnly, adCmdText);
        const long columns = rs->GetFields()->GetCount();
        for (; !rs->IsEOF(); rs->MoveNext()) {
            std::string row;
            for (long c = 0; c < columns; ++c)
                row += VariantToString(rs->GetCollect(c)).str() + (c + 1 < columns ? "/" : "");
            rows.push_back(row);
        }
        rs->Close();
        std::sort(rows.begin(), rows.end());
        all += sql.str() + ":\n";
        for (const std::string& row : rows)
            all += "  " + row + "\n";
    }
    conn->Close();
    return all;
}

int Sum(const std::vector<Outcome>& outcomes, int Outcome::*field) {
    int sum = 0;
    for (const Outcome& outcome : outcomes)
        sum += outcome.*field;
    return sum;
}

// The runs of one road, 2, 3 and 4 reviewers in turn: 3 of each. Every test run decides anew who
// comes first, so the runs of many test runs add up; one run stays short enough for the busiest
// machine.
constexpr int kRuns = 9;
int ReviewersOfRun(int run) {
    return 2 + run % 3;
}

// A road of concurrent decisions: the flow is set up for n reviewers, the reviewers decide
// together, and what they leave is compared with what the same decisions one after the other
// leave.
class ConcurrentDecisionTest : public ::testing::Test {
protected:
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nUseChangeTask = 0;
        theApp.m_nDatabaseType = 0;
    }
    virtual void SetUpFlow(int reviewers) = 0;
    virtual std::vector<CString> FlowRows() const = 0;
    virtual int Decide(int index, const std::function<void()>& arrive) = 0;
    // The orders one after the other that a run may equal. Where every order leaves the same, the
    // reviewers' own order is enough; where the order decides (a reviewer who finds the others'
    // work unfinished), each order that leaves something else is listed.
    virtual std::vector<std::vector<int>> SerialOrders(int reviewers) const {
        std::vector<int> order;
        for (int index = 0; index < reviewers; ++index)
            order.push_back(index);
        return {order};
    }
    // Every order of the reviewers.
    static std::vector<std::vector<int>> EveryOrder(int reviewers) {
        std::vector<int> order;
        for (int index = 0; index < reviewers; ++index)
            order.push_back(index);
        std::vector<std::vector<int>> orders;
        do
            orders.push_back(order);
        while (std::next_permutation(order.begin(), order.end()));
        return orders;
    }
    // Every reviewer's decision is stored in every order; where one may be refused (his task gone),
    // a run has to give each reviewer the result that one of the orders gives him.
    virtual bool EveryDecisionStored() const { return true; }

    // kRuns runs; fails at the first run that differs from every one of the orders in turn.
    void RunRoad(int congratulations) {
        struct InTurn {
            std::vector<Outcome> outcomes;
            std::string rows;
        };
        std::vector<InTurn> inTurn[5];
        const Reviewer reviewer = [this](int index, const std::function<void()>& arrive) {
            return Decide(index, arrive);
        };
        for (int n = 2; n <= 4; ++n) {
            for (const std::vector<int>& order : SerialOrders(n)) {
                SetUpFlow(n);
                InTurn serial{DecideInTurn(*ws, order, reviewer), {}};
                for (const Outcome& outcome : serial.outcomes)
                    ASSERT_TRUE(outcome.result == 1 || (!EveryDecisionStored() && outcome.result == 0))
                        << n << " in turn";
                serial.rows = Rows(*ws, FlowRows());
                ASSERT_EQ(Sum(serial.outcomes, &Outcome::congratulations), congratulations)
                    << n << " in turn";
                inTurn[n].push_back(std::move(serial));
            }
        }
        for (int run = 0; run < kRuns; ++run) {
            const int n = ReviewersOfRun(run);
            SetUpFlow(n);
            const std::vector<Outcome> together = DecideTogether(*ws, n, reviewer);
            ASSERT_EQ(together.size(), static_cast<std::size_t>(n));
            ASSERT_EQ(Sum(together, &Outcome::congratulations), congratulations) << "run " << run;
            const std::string rows = Rows(*ws, FlowRows());
            const auto same = [&](const InTurn& serial) {
                for (int i = 0; i < n; ++i) {
                    const Outcome& mine = together[static_cast<std::size_t>(i)];
                    const Outcome& theirs = serial.outcomes[static_cast<std::size_t>(i)];
                    if (mine.result != theirs.result || mine.boxes != theirs.boxes)
                        return false;
                }
                return rows == serial.rows;
            };
            std::string said;
            for (const Outcome& outcome : together)
                said += " " + std::to_string(outcome.result) + "/" + std::to_string(outcome.boxes);
            ASSERT_TRUE(std::any_of(inTurn[n].begin(), inTurn[n].end(), same))
                << "run " << run << " with " << n << " reviewers (results/boxes" << said << ") left\n"
                << rows << "instead of\n"
                << inTurn[n].front().rows;
        }
    }

    std::optional<vqtest::DbWorkspace> ws{std::in_place, 0};
};

// The documents of one change task, each drawing of a part of its own, reach the task's levels
// together. Each reviewer passes one document: at the middle step the last of them opens the next
// level for every document, at the last step the last of them releases every document and is
// congratulated. The change order's own sheet has passed already, or is one of the documents
// decided: with as many drawings as the order has parts, the sheet too must have reached a level
// before it opens.
class ChangeTaskDocumentsTest : public ConcurrentDecisionTest {
protected:
    void SetUp() override { theApp.m_nUseChangeTask = 1; }
    // The statements of one document of the task with its levels and steps; passed: it waits for
    // the others, released at its last level.
    CString Document(const CString& fileId, const CString& part, bool passed) const {
        const bool middle = AtMiddleStep();
        const bool sheet = fileId == "SH";
        CString script;
        if (!sheet)
            script +=
                "INSERT INTO ECOModifyPart (ECONo, PartCode, Other3) VALUES ('EC-1', '" + part + "', '0'); ";
        script += "INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, PartCode, State, "
                  "AuditingModel, "
                  "AuditorName, Other4) VALUES ('" +
                  fileId + "', 'EC-1[M]#001', '" + (sheet ? "更改单" : "零件图") + "', '" +
                  (sheet ? CString("sheet.tbl") : part + ".dwg") + "', '" + part + "', '" +
                  (passed ? "等待正式" : "评审") + "', '三级评审', 'zhaoliu|*|lisi|*|chenqi', '" +
                  (sheet ? "_ECO" : "") + "'); ";
        script +=
            "INSERT INTO ECOAuditLevel (ECOTaskNo, FileID, IsECOFile, CurrentAuditLevel, MaxAuditLevel) "
            "VALUES ('EC-1[M]#001', '" +
            fileId + "', '" + (sheet ? "Y" : "N") + "', " +
            (passed   ? "3"
             : middle ? "1"
                      : "2") +
            ", 3); ";
        script += "INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, State, Result, Working) VALUES ('" +
                  fileId + "', '校对', 'zhaoliu', '已完成', '通过', 'F')";
        if (middle && !passed)
            script += ", ('" + fileId + "', '审核', 'lisi', '未完成', NULL, 'F'); ";
        else
            script += ", ('" + fileId + "', '审核', 'lisi', '已完成', '通过', 'F'), ('" + fileId +
                      "', '批准', 'chenqi', " + (passed ? "'已完成', '通过'" : "'未完成', NULL") + ", 'F'); ";
        return script;
    }
    // The document reviewer `index` decides.
    CString FileOf(int index) const {
        if (SheetDecides())
            return index == 0 ? CString("SH") : "D" + CString(std::to_string(index));
        return "D" + CString(std::to_string(index + 1));
    }
    void SetUpFlow(int reviewers) override {
        // One script: each Execute opens a connection of its own.
        CString script =
            "DELETE FROM TeamWorkAudit; DELETE FROM TeamWorkResult; DELETE FROM ECOAuditLevel; DELETE FROM "
            "ECOModifyPart; DELETE FROM MessageManage; DELETE FROM TaskLogInformation; DELETE FROM "
            "TeamWorkManage; "
            "DELETE FROM AuditingManage; DELETE FROM UserInformation; "
            "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三'), ('zhaoliu', "
            "'赵六'), "
            "('lisi', '李四'), ('chenqi', '陈七'); "
            "INSERT INTO TeamWorkManage (TaskNo, WorkID, Manager, WorkName) VALUES ('XM-01', 'EC-1[M]#001', "
            "'zhangsan', '箱体更改'); "
            "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('三级评审', "
            "'混合', "
            "'校对(40,20)|*|审核(40,110)|*|批准(40,200)'); ";
        if (!SheetDecides())
            script += Document("SH", "", true);
        for (int index = 0; index < reviewers; ++index) {
            const CString fileId = FileOf(index);
            script += Document(fileId, fileId == "SH" ? CString() : "P" + fileId.Mid(1), false);
        }
        ws->Execute(script);
    }
    std::vector<CString> FlowRows() const override {
        return {"SELECT FileID, AuditTask, Auditor, State, Result, Prompt, Manager FROM TeamWorkAudit",
                "SELECT FileID, State FROM TeamWorkResult",
                "SELECT FileID, CurrentAuditLevel FROM ECOAuditLevel",
                "SELECT Reseiver, Content FROM MessageManage",
                "SELECT ProjectNo, TaskName, Result FROM TaskLogInformation"};
    }
    int Decide(int index, const std::function<void()>& arrive) override {
        const bool middle = AtMiddleStep();
        const char* login = middle ? "lisi" : "chenqi";
        theApp.m_strLoginUser = login;
        CAuditFlowEngine engine(Options());
        engine.m_strLogin = login;
        engine.m_strFileID = FileOf(index);
        engine.m_strAuditTask = middle ? "审核" : "批准";
        if (!engine.LoadDocument())
            return 0;
        engine.m_nResult = CAuditFlowEngine::kPass;
        engine.m_strOpinion = "同意";
        arrive();
        return engine.ApplyAuditResult();
    }
    virtual bool AtMiddleStep() const = 0;
    virtual AuditFlowOptions Options() const = 0;
    virtual bool SheetDecides() const { return false; }
};

// The work-document opinion dialog's engine and the design-document dialog's.
struct LastStepOpinionDialog : ChangeTaskDocumentsTest {
    bool AtMiddleStep() const override { return false; }
    AuditFlowOptions Options() const override { return CAuditFlowEngine::OpinionDialogOptions(false); }
};
struct LastStepDesignDocDialog : ChangeTaskDocumentsTest {
    bool AtMiddleStep() const override { return false; }
    AuditFlowOptions Options() const override { return CAuditFlowEngine::DesignDocDialogOptions(); }
};
struct MiddleStepOpinionDialog : ChangeTaskDocumentsTest {
    bool AtMiddleStep() const override { return true; }
    AuditFlowOptions Options() const override { return CAuditFlowEngine::OpinionDialogOptions(false); }
};
struct MiddleStepDesignDocDialog : ChangeTaskDocumentsTest {
    bool AtMiddleStep() const override { return true; }
    AuditFlowOptions Options() const override { return CAuditFlowEngine::DesignDocDialogOptions(); }
};
// The change order's sheet decided together with the drawings, in the opinion dialog's engine.
struct LastStepWithTheSheet : LastStepOpinionDialog {
    bool SheetDecides() const override { return true; }
};
struct MiddleStepWithTheSheet : MiddleStepOpinionDialog {
    bool SheetDecides() const override { return true; }
};

// The peer steps S1 .. Sn of one level of a project task's review, one reviewer each: at the last
// level the last of them archives the task (its manager congratulated once), at a middle level
// the last of them opens the next level.
class ProjectTaskPeersTest : public ConcurrentDecisionTest {
protected:
    CString PathText(int reviewers) const {
        CString path = "校对(40,20)";
        for (int i = 1; i <= reviewers; ++i)
            path += CString("|*|会签") + CString(std::to_string(i)) + "(" +
                    CString(std::to_string(40 + 200 * i)) + ",110)";
        return AtMiddleLevel() ? path + "|*|批准(40,200)" : path;
    }
    CString Auditors(int reviewers) const {
        CString auditors = "zhaoliu";
        for (int i = 1; i <= reviewers; ++i)
            auditors += "|*|u" + CString(std::to_string(i));
        return AtMiddleLevel() ? auditors + "|*|chenqi" : auditors;
    }
    void SetUpFlow(int reviewers) override {
        m_reviewers = reviewers;
        CString script = "DELETE FROM TaskAuditManage; DELETE FROM TaskGroupAuditManage; DELETE FROM "
                         "ProjectManage; DELETE FROM "
                         "AuditingManage; DELETE FROM MessageManage; DELETE FROM TaskLogInformation; DELETE "
                         "FROM TaskFileResult; "
                         "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES "
                         "('会签评审', '混合', '" +
                         PathText(reviewers) +
                         "'); INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectManager, WorkState, "
                         "AuditingModel, "
                         "AuditorName) VALUES ('P-1', '泵体设计', 'zhangsan', '评审', '会签评审', '" +
                         Auditors(reviewers) +
                         "'); INSERT INTO TaskAuditManage (ProjectNo, AuditName, Auditor, AuditState, "
                         "AuditResult, Working) VALUES "
                         "('P-1', '校对', 'zhaoliu', '已完成', '通过', 'F')";
        for (int i = 1; i <= reviewers; ++i) {
            const CString n = CString(std::to_string(i));
            script +=
                "; INSERT INTO TaskAuditManage (ProjectNo, AuditName, Auditor, AuditState, Working) VALUES "
                "('P-1', '会签" +
                n + "', 'u" + n + "', '未完成', 'F')";
        }
        ws->Execute(script);
    }
    std::vector<CString> FlowRows() const override {
        return {
            "SELECT ProjectNo, AuditName, Auditor, AuditState, AuditResult, AuditRemark, AuditManager FROM "
            "TaskAuditManage",
            "SELECT ProjectNo, WorkState FROM ProjectManage", "SELECT Reseiver, Content FROM MessageManage",
            "SELECT ProjectNo, WorkType, TaskName, Result FROM TaskLogInformation",
            "SELECT ProjectNo, AuditName, Auditor, DocumentType FROM TaskFileResult"};
    }
    int Decide(int index, const std::function<void()>& arrive) override {
        const CString login = "u" + CString(std::to_string(index + 1));
        const CString step = "会签" + CString(std::to_string(index + 1));
        theApp.m_strLoginUser = login;
        CAuditPath path;
        path.Load("混合", PathText(m_reviewers), Auditors(m_reviewers), step);
        CProjectTaskDecision decision;
        decision.m_strTaskNo = "P-1";
        decision.m_strStepName = step;
        decision.m_strReviewer = login;
        decision.m_strLoginUser = login;
        decision.m_strTaskName = "泵体设计";
        decision.m_strTaskManager = "zhangsan";
        decision.m_strRemark = "同意";
        decision.m_arrDocumentTypes.Add("装配图");
        decision.m_arrPassedTypes.Add("装配图");
        decision.m_pPath = &path;
        arrive();
        return decision.SaveAuditResult(true);
    }
    virtual bool AtMiddleLevel() const = 0;
    int m_reviewers = 0;
};

struct ProjectTaskLastLevel : ProjectTaskPeersTest {
    bool AtMiddleLevel() const override { return false; }
};
struct ProjectTaskMiddleLevel : ProjectTaskPeersTest {
    bool AtMiddleLevel() const override { return true; }
};

// The assisting reviews 审核[1], 审核[2] ... of the step 审核[N] of one document, one assisting
// reviewer each, decided as the opinion dialog decides them (passes and fails in turn): each result
// goes into its own task and none is lost, while the step itself stays open for its reviewer. With
// the step's own reviewer deciding at the same moment (reviewer 0, who decides the step only when
// every assisting review of it is finished, as the dialog of several documents checks right before
// it decides), he either finds one still open, is told so and stores nothing, or finds them all
// finished and makes the document formal, telling the submitter once: as when he decides first, or
// last.
class AssistingReviewsTest : public ConcurrentDecisionTest {
protected:
    static constexpr const char* kAssistCaption = "设计过程—协助评审任务管理";
    static CString Number(int n) { return CString(std::to_string(n)); }
    bool IsMainReviewer(int index) const { return WithMainReviewer() && index == 0; }
    // The assisting task of reviewer `index` and its reviewer's login.
    int TaskNumber(int index) const { return WithMainReviewer() ? index : index + 1; }
    CString TaskOf(int index) const { return "审核[" + Number(TaskNumber(index)) + "]"; }
    void SetUpFlow(int reviewers) override {
        CString script =
            "DELETE FROM TeamWorkAudit; DELETE FROM TeamWorkNextAudit; DELETE FROM TeamWorkResult; DELETE "
            "FROM "
            "MessageManage; DELETE FROM TaskLogInformation; DELETE FROM TeamWorkManage; DELETE FROM "
            "AuditingManage; DELETE FROM UserInformation; "
            "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三'), ('zhaoliu', "
            "'赵六'), ('lisi', '李四'), ('a1', '协审一'), ('a2', '协审二'), ('a3', '协审三'), ('a4', "
            "'协审四'); "
            "INSERT INTO TeamWorkManage (TaskNo, WorkID, Manager, WorkName) VALUES ('XM-01', 'XM-01#001', "
            "'zhangsan', '箱体部件设计'); "
            "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('两级评审', "
            "'混合', "
            "'校对(40,20)|*|审核[N](40,110)'); "
            "INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, State, AuditingModel, "
            "AuditorName) "
            "VALUES ('F-1', 'XM-01#001', '箱盖零件图', 'a.dwg', '评审', '两级评审', 'zhaoliu|*|lisi'); "
            "INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, State, Result, Working) VALUES ('F-1', "
            "'校对', 'zhaoliu', '已完成', '通过', 'F'), ('F-1', '审核[N]', 'lisi', '未完成', NULL, 'F')";
        for (int index = 0; index < reviewers; ++index) {
            if (IsMainReviewer(index))
                continue;
            script +=
                "; INSERT INTO TeamWorkNextAudit (FileID, UpAuditName, Assigner, AssignDate, AuditTask, "
                "Auditor, BeginDate, State, Working) VALUES ('F-1', '审核[N]', 'lisi', '2026-12-01', '" +
                TaskOf(index) + "', 'a" + Number(TaskNumber(index)) + "', '2026-12-01', '未完成', 'F')";
        }
        ws->Execute(script);
    }
    std::vector<CString> FlowRows() const override {
        return {"SELECT FileID, UpAuditName, AuditTask, Auditor, State, Result, Prompt, Working FROM "
                "TeamWorkNextAudit",
                "SELECT FileID, AuditTask, Auditor, State, Result, Prompt, Manager FROM TeamWorkAudit",
                "SELECT FileID, State FROM TeamWorkResult", "SELECT Reseiver, Content FROM MessageManage",
                "SELECT ProjectNo, TaskName, Result FROM TaskLogInformation"};
    }
    // The step's reviewer first (he finds the assisting reviews open), or last (he finds them done).
    std::vector<std::vector<int>> SerialOrders(int reviewers) const override {
        std::vector<std::vector<int>> orders = ConcurrentDecisionTest::SerialOrders(reviewers);
        if (WithMainReviewer()) {
            std::vector<int> mainLast(orders.front().begin() + 1, orders.front().end());
            mainLast.push_back(0);
            orders.push_back(mainLast);
        }
        return orders;
    }
    int Decide(int index, const std::function<void()>& arrive) override {
        if (IsMainReviewer(index))
            return DecideTheStep(arrive);
        const CString login = "a" + Number(TaskNumber(index));
        theApp.m_strLoginUser = login;
        CAuditFlowEngine engine(CAuditFlowEngine::OpinionDialogOptions(false));
        engine.m_strLogin = login;
        engine.m_strFileID = "F-1";
        engine.m_strAuditTask = TaskOf(index);
        engine.m_bAssistAudit = 1;
        // The dialog marks the task as being worked on when it opens.
        if (!engine.MarkAssistWorking() || !engine.LoadDocument())
            return 0;
        engine.m_nResult = TaskNumber(index) % 2 == 1 ? CAuditFlowEngine::kPass : CAuditFlowEngine::kFail;
        engine.m_strOpinion = login + " 意见";
        arrive();
        if (!engine.CheckAssistAudits("F-1", engine.m_strAuditTask)) {
            AfxMessageBox("有未完成的下级协助评审任务，不能继续，请等待...");
            return 0;
        }
        return engine.SaveAssistAuditResult();
    }
    // lisi passes 审核[N] when every assisting review of it is finished; else he is told and the
    // dialog goes on (with the next document of several).
    int DecideTheStep(const std::function<void()>& arrive) {
        theApp.m_strLoginUser = "lisi";
        CAuditFlowEngine engine(CAuditFlowEngine::OpinionDialogOptions(false));
        engine.m_strLogin = "lisi";
        engine.m_strFileID = "F-1";
        engine.m_strAuditTask = "审核[N]";
        if (!engine.LoadDocument())
            return 0;
        engine.m_nResult = CAuditFlowEngine::kPass;
        engine.m_strOpinion = "同意";
        arrive();
        if (!engine.CheckAssistAudits("F-1", "审核[N]")) {
            AfxMessageBox("有未完成的下级协助评审任务，不能继续，请等待...");
            return 1;
        }
        return engine.ApplyAuditResult();
    }
    virtual bool WithMainReviewer() const = 0;
};

// The step's reviewer gives assisting reviews of 审核[N] to a1, a2 ... in as many windows of the
// assisting-review dialog at the same moment (two hosts, or documents decided together): each task
// gets a name of its own, none is written over and each reviewer is told once. Who got which
// number depends on who came first, so the rows compared are the names and the tasks apart.
class AssistingTasksAddedAtOnce : public AssistingReviewsTest {
protected:
    bool WithMainReviewer() const override { return false; }
    void SetUpFlow(int) override { AssistingReviewsTest::SetUpFlow(0); }
    std::vector<CString> FlowRows() const override {
        return {"SELECT AuditTask FROM TeamWorkNextAudit",
                "SELECT FileID, UpAuditName, Assigner, Auditor, State FROM TeamWorkNextAudit",
                "SELECT Reseiver, Content FROM MessageManage",
                "SELECT FileID, AuditTask, State FROM TeamWorkAudit"};
    }
    int Decide(int index, const std::function<void()>& arrive) override {
        theApp.m_strLoginUser = "lisi";
        vq::ScriptedUser user;
        user.Dialog(kAssistCaption)
            .Do([&arrive](CDialog&) { arrive(); })
            .Click(CAssistAuditDlg::kAddId)
            .Dialog("用户浏览 - 选择组(多用户)")
            .Select(1059, "a" + Number(index + 1))
            .Click(IDOK)
            .Dialog(kAssistCaption)
            .Click(IDCANCEL);
        CAssistAuditDlg dlg(nullptr);
        dlg.FileID = "F-1";
        dlg.UpAuditName = "审核[N]";
        dlg.DoModal();
        return user.Succeeded() ? 1 : 0;
    }
};

// The step's reviewer deletes the assisting tasks of 审核[N] (all selected in his window) while
// their assisting reviewers decide them: a task decided first stays with its result and he is
// told so, a task deleted first is gone and its reviewer is told that nothing was stored, in any
// order the reviewers come.
class AssistingTasksDeletedWhileDecided : public AssistingReviewsTest {
protected:
    bool WithMainReviewer() const override { return true; }
    std::vector<std::vector<int>> SerialOrders(int reviewers) const override { return EveryOrder(reviewers); }
    bool EveryDecisionStored() const override { return false; }
    int Decide(int index, const std::function<void()>& arrive) override {
        if (index != 0)
            return AssistingReviewsTest::Decide(index, arrive);
        theApp.m_strLoginUser = "lisi";
        // His question is answered by the script; what the deletion says is counted.
        const vq::MessageBoxPresenter counted = vq::InstalledMessageBoxPresenter();
        vq::ScriptedUser user;
        vq::MessageBoxPresenter scripted =
            vq::SetMessageBoxPresenter([&counted](const vq::MessageBoxRequest& request) {
                return request.text == "是否要删除选中的协助评审任务?" ? IDYES : counted(request);
            });
        user.Dialog(kAssistCaption)
            .Do([&arrive](CDialog& d) {
                auto& list = *static_cast<CListCtrl*>(d.GetDlgItem(CAssistAuditDlg::kListId));
                for (int row = 0; row < list.GetItemCount(); ++row)
                    list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
                arrive();
            })
            .Click(CAssistAuditDlg::kDeleteId)
            .Dialog(kAssistCaption)
            .Click(IDCANCEL);
        CAssistAuditDlg dlg(nullptr);
        dlg.FileID = "F-1";
        dlg.UpAuditName = "审核[N]";
        dlg.DoModal();
        vq::SetMessageBoxPresenter(std::move(scripted));
        return user.Succeeded() ? 1 : 0;
    }
};

// The document's superior hands the steps of one document over to others in as many windows of
// the review results, opened at the same moment (each read the auditor list as it opened): every
// hand-over is kept, in the list and in its step row, as when they were made one after the other.
class HandOversAtOnce : public ConcurrentDecisionTest {
protected:
    static constexpr const char* kSteps[] = {"校对", "审核", "工艺审查", "批准"};
    void SetUpFlow(int) override {
        ws->Execute(
            "DELETE FROM TeamWorkAudit; DELETE FROM TeamWorkResult; DELETE FROM TeamWorkManage; DELETE FROM "
            "AuditingManage; DELETE FROM UserInformation; "
            "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三'), ('a1', '甲'), "
            "('a2', "
            "'乙'), ('a3', '丙'), ('a4', '丁'), ('u1', '新一'), ('u2', '新二'), ('u3', '新三'), ('u4', "
            "'新四'); "
            "INSERT INTO TeamWorkManage (TaskNo, WorkID, Manager, WorkName) VALUES ('XM-01', 'XM-01#001', "
            "'zhangsan', '箱体部件设计'); "
            "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('四步评审', '', "
            "'校对(40,20)|*|审核(40,110)|*|工艺审查(240,110)|*|批准(40,200)'); "
            "INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, State, AuditingModel, "
            "AuditorName) "
            "VALUES ('F-1', 'XM-01#001', '箱盖说明', 'a.txt', '评审', '四步评审', 'a1|*|a2|*|a3|*|a4'); "
            "INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, State, Working) VALUES ('F-1', '校对', "
            "'a1', "
            "'未完成', 'F'), ('F-1', '审核', 'a2', '未完成', 'F'), ('F-1', '工艺审查', 'a3', '未完成', 'F'), "
            "('F-1', '批准', 'a4', '未完成', 'F')");
    }
    std::vector<CString> FlowRows() const override {
        return {"SELECT FileID, AuditorName FROM TeamWorkResult",
                "SELECT FileID, AuditTask, Auditor, State FROM TeamWorkAudit"};
    }
    int Decide(int index, const std::function<void()>& arrive) override {
        theApp.m_strLoginUser = "zhangsan";
        vq::ScriptedUser user;
        user.Dialog("工作文档评审结果")
            .Select(CWorkDocAuditResultDlg::kStepListId, kSteps[index])
            .Do([&arrive](CDialog&) { arrive(); })
            .Click(CWorkDocAuditResultDlg::kChangeAuditorId)
            .Dialog("评审负责人")
            .Set(1147, "u" + CString(std::to_string(index + 1)))
            .Click(IDOK)
            .Dialog("工作文档评审结果")
            .Click(IDCANCEL);
        CWorkDocAuditResultDlg dlg;
        dlg.FileID = "F-1";
        dlg.DoModal();
        return user.Succeeded() ? 1 : 0;
    }
};

// The superior hands 审核 of one document over from lisi to zhaoliu in the review results while
// lisi decides it in as many windows, opened before (each read the step as lisi's): passes, fails
// and decide-later in turn. As one after the other: the first that comes is stored, every later
// decision of the step is refused with one box and stores nothing, and a hand-over after a
// decision is refused too. On SQLite and the server, in both dialects.
class StepHandedOverWhileDecided : public ConcurrentDecisionTest {
protected:
    void SetUpFlow(int) override {
        ws->Execute(
            "DELETE FROM TeamWorkAudit; DELETE FROM TeamWorkResult; DELETE FROM TeamWorkManage; DELETE FROM "
            "AuditingManage; DELETE FROM UserInformation; DELETE FROM MessageManage; DELETE FROM "
            "TaskLogInformation; "
            "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三'), ('lisi', "
            "'李四'), "
            "('zhaoliu', '赵六'), ('wangwu', '王五'), ('chenqi', '陈七'); "
            "INSERT INTO TeamWorkManage (TaskNo, WorkID, Manager, WorkName) VALUES ('XM-01', 'XM-01#001', "
            "'zhangsan', '箱体部件设计'); "
            "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('三级评审', "
            "'混合', "
            "'校对(40,20)|*|审核(40,110)|*|工艺审查(240,110)|*|批准(40,200)'); "
            "INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, State, AuditingModel, "
            "AuditorName) VALUES ('F-1', 'XM-01#001', '箱盖说明', 'a.txt', '评审', '三级评审', "
            "'wangwu|*|lisi|*|wangwu|*|chenqi'); "
            "INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, State, Result, Manager, Working) VALUES "
            "('F-1', '校对', 'wangwu', '已完成', '通过', 'wangwu', 'F'), ('F-1', '审核', 'lisi', '未完成', "
            "NULL, "
            "'lisi', 'F'), ('F-1', '工艺审查', 'wangwu', '已完成', '通过', 'wangwu', 'F')");
    }
    std::vector<CString> FlowRows() const override {
        return {"SELECT FileID, AuditTask, Auditor, State, Result, Prompt, Manager FROM TeamWorkAudit",
                "SELECT FileID, State, AuditorName FROM TeamWorkResult",
                "SELECT Reseiver, Content FROM MessageManage",
                "SELECT ProjectNo, TaskName, Result, Advise FROM TaskLogInformation"};
    }
    std::vector<std::vector<int>> SerialOrders(int reviewers) const override { return EveryOrder(reviewers); }
    bool EveryDecisionStored() const override { return false; }
    int Decide(int index, const std::function<void()>& arrive) override {
        if (index == 0) {
            theApp.m_strLoginUser = "zhangsan";
            vq::ScriptedUser user;
            user.Dialog("工作文档评审结果")
                .Select(CWorkDocAuditResultDlg::kStepListId, "审核")
                .Do([&arrive](CDialog&) { arrive(); })
                .Click(CWorkDocAuditResultDlg::kChangeAuditorId)
                .Dialog("评审负责人")
                .Set(1147, "zhaoliu")
                .Click(IDOK)
                .Dialog("工作文档评审结果")
                .Click(IDCANCEL);
            CWorkDocAuditResultDlg dlg;
            dlg.FileID = "F-1";
            dlg.DoModal();
            return user.Succeeded() ? 1 : 0;
        }
        theApp.m_strLoginUser = "lisi";
        CAuditFlowEngine engine(CAuditFlowEngine::OpinionDialogOptions(false));
        engine.m_strLogin = "lisi";
        engine.m_strFileID = "F-1";
        engine.m_strAuditTask = "审核";
        if (!engine.LoadDocument())
            return 0;
        engine.m_nResult = index % 3 == 1   ? CAuditFlowEngine::kPass
                           : index % 3 == 2 ? CAuditFlowEngine::kFail
                                            : CAuditFlowEngine::kLater;
        engine.m_strOpinion = "lisi 的第" + CString(std::to_string(index)) + "个窗口";
        arrive();
        return engine.m_nResult == CAuditFlowEngine::kLater ? engine.SaveOpinionOnly()
                                                            : engine.ApplyAuditResult();
    }
};
struct StepHandedOverWhileDecidedOracle : StepHandedOverWhileDecided {
    void SetUp() override {
        ws.emplace(2);
        theApp.m_nDatabaseType = 2;
    }
};

// The reviewer u1 decides the project task's step 会签 in as many windows (passes, fails and
// decide-later in turn) while another program hands the open step over to zhaoliu with a
// statement of its own: as one after the other, one decision or the hand-over comes first and
// nothing decides the step twice or for another auditor.
class ProjectTaskStepInSeveralWindows : public ConcurrentDecisionTest {
protected:
    void SetUpFlow(int) override {
        ws->Execute(
            "DELETE FROM TaskAuditManage; DELETE FROM ProjectManage; DELETE FROM AuditingManage; DELETE FROM "
            "MessageManage; DELETE FROM TaskLogInformation; DELETE FROM TaskFileResult; "
            "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('两级评审', "
            "'混合', '校对(40,20)|*|会签(40,110)'); "
            "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectManager, WorkState, AuditingModel, "
            "AuditorName) VALUES ('P-1', '泵体设计', 'zhangsan', '评审', '两级评审', 'zhaoliu|*|u1'); "
            "INSERT INTO TaskAuditManage (ProjectNo, AuditName, Auditor, AuditState, AuditResult, Working) "
            "VALUES ('P-1', '校对', 'zhaoliu', '已完成', '通过', 'F'), ('P-1', '会签', 'u1', '未完成', NULL, "
            "'F')");
    }
    std::vector<CString> FlowRows() const override {
        return {
            "SELECT ProjectNo, AuditName, Auditor, AuditState, AuditResult, AuditRemark, AuditManager FROM "
            "TaskAuditManage",
            "SELECT ProjectNo, WorkState FROM ProjectManage", "SELECT Reseiver, Content FROM MessageManage",
            "SELECT ProjectNo, WorkType, TaskName, Result, Remark FROM TaskLogInformation",
            "SELECT ProjectNo, AuditName, Auditor, DocumentType FROM TaskFileResult"};
    }
    std::vector<std::vector<int>> SerialOrders(int reviewers) const override { return EveryOrder(reviewers); }
    bool EveryDecisionStored() const override { return false; }
    int Decide(int index, const std::function<void()>& arrive) override {
        if (index == 0) {
            arrive();
            return theApp.ExecuteSql(
                "UPDATE TaskAuditManage SET Auditor='zhaoliu', AuditManager='zhaoliu' WHERE "
                "ProjectNo='P-1' AND AuditName='会签' AND AuditState='未完成'");
        }
        theApp.m_strLoginUser = "u1";
        CAuditPath path;
        path.Load("混合", "校对(40,20)|*|会签(40,110)", "zhaoliu|*|u1", "会签");
        CProjectTaskDecision decision;
        decision.m_strTaskNo = "P-1";
        decision.m_strStepName = "会签";
        decision.m_strReviewer = "u1";
        decision.m_strLoginUser = "u1";
        decision.m_strTaskName = "泵体设计";
        decision.m_strTaskManager = "zhangsan";
        decision.m_strRemark = "u1 的第" + CString(std::to_string(index)) + "个窗口";
        decision.m_arrDocumentTypes.Add("装配图");
        decision.m_arrPassedTypes.Add("装配图");
        decision.m_pPath = &path;
        // The window read the step as u1's when it opened.
        decision.m_strReadAuditor = "u1";
        decision.m_bStepRead = true;
        arrive();
        if (index % 3 == 0)
            return decision.SaveDecideLater();
        return decision.SaveAuditResult(index % 3 == 1);
    }
};
struct ProjectTaskStepInSeveralWindowsOracle : ProjectTaskStepInSeveralWindows {
    void SetUp() override {
        ws.emplace(2);
        theApp.m_nDatabaseType = 2;
    }
};

struct AssistingReviewers : AssistingReviewsTest {
    bool WithMainReviewer() const override { return false; }
};
struct AssistingReviewersAndTheStepReviewer : AssistingReviewsTest {
    bool WithMainReviewer() const override { return true; }
};

} // namespace

TEST_F(LastStepOpinionDialog, ChangeTaskDocumentsPassedAtOnceAreReleasedOnce) {
    RunRoad(1);
}

TEST_F(LastStepDesignDocDialog, ChangeTaskDocumentsPassedAtOnceAreReleasedOnce) {
    RunRoad(1);
}

TEST_F(MiddleStepOpinionDialog, ChangeTaskDocumentsPassedAtOnceOpenTheNextLevelOnce) {
    RunRoad(0);
}

TEST_F(MiddleStepDesignDocDialog, ChangeTaskDocumentsPassedAtOnceOpenTheNextLevelOnce) {
    RunRoad(0);
}

TEST_F(LastStepWithTheSheet, TheSheetAndTheDrawingsPassedAtOnceAreReleasedOnce) {
    RunRoad(1);
}

TEST_F(MiddleStepWithTheSheet, TheSheetAndTheDrawingsPassedAtOnceOpenTheNextLevelOnce) {
    RunRoad(0);
}

TEST_F(ProjectTaskLastLevel, PeersPassingAtOnceArchiveTheTaskOnce) {
    RunRoad(0);
}

TEST_F(ProjectTaskMiddleLevel, PeersPassingAtOnceOpenTheNextLevelOnce) {
    RunRoad(0);
}

TEST_F(AssistingReviewers, AssistingResultsStoredAtOnceAreAllKept) {
    RunRoad(0);
}

TEST_F(AssistingReviewersAndTheStepReviewer, TheStepIsDecidedOnlyAfterEveryAssistingResult) {
    RunRoad(0);
}

TEST_F(AssistingTasksAddedAtOnce, EachTaskGetsANameOfItsOwn) {
    RunRoad(0);
}

TEST_F(AssistingTasksDeletedWhileDecided, NoDecidedTaskIsDeletedAndNoDecisionOnADeletedTaskIsStored) {
    RunRoad(0);
}

TEST_F(HandOversAtOnce, EveryHandOverIsKeptInTheListAndTheSteps) {
    RunRoad(0);
}

TEST_F(StepHandedOverWhileDecided, OneDecisionOrTheHandOverComesFirstAndNothingDecidesTheStepTwice) {
    RunRoad(0);
}

TEST_F(StepHandedOverWhileDecidedOracle, OneDecisionOrTheHandOverComesFirstAndNothingDecidesTheStepTwice) {
    RunRoad(0);
}

TEST_F(ProjectTaskStepInSeveralWindows, OneDecisionOrTheHandOverComesFirstAndNothingDecidesTheStepTwice) {
    RunRoad(0);
}

TEST_F(ProjectTaskStepInSeveralWindowsOracle,
       OneDecisionOrTheHandOverComesFirstAndNothingDecidesTheStepTwice) {
    RunRoad(0);
}

namespace {

// The reviewers of the steps of one drawing confirm at the same moment, each with markup drawn:
// 2, 3 and 4 of them meet at a barrier right before the store, 20 times over. Every markup is
// stored under a key of its own with its file, and nobody is told of a failure.
class MarkupSavedAtOnceTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { theApp.m_nDatabaseType = GetParam(); }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
    }
    static CString Content(int index) { return "markup " + CString(kSteps[index]); }
    static constexpr const char* kSteps[] = {"校对", "审核", "工艺审查", "批准"};

    static void Step(CDesignMarkupStore& store, int index) {
        store.m_strFileID = "F-1";
        store.m_strAuditTask = kSteps[index];
        store.m_strAuditDate = "2026-12-01 09:00";
        store.m_strWorkID = "XM-01#001";
        store.m_strAuditor = "reviewer" + CString(std::to_string(index).c_str());
        store.m_strOpinion = Content(index);
    }

    vqtest::DbWorkspace ws{GetParam()};
};

} // namespace

TEST_P(MarkupSavedAtOnceTest, EveryReviewersMarkupIsStored) {
    for (int run = 0; run < 20; ++run) {
        const int reviewers = ReviewersOfRun(run);
        ws.Execute("DELETE FROM DesignMarkupManage; DELETE FROM DesignMarkupPackage");
        const std::vector<Outcome> outcomes =
            DecideTogether(ws, reviewers, [](int index, const auto& arrive) {
                CDesignMarkupStore store;
                Step(store, index);
                const CString name = store.MarkupFileName();
                std::ofstream(name.c_str(), std::ios::binary) << Content(index).c_str();
                arrive();
                return store.SaveMarkup(name);
            });
        for (int index = 0; index < reviewers; ++index) {
            EXPECT_EQ(outcomes[index].result, 1) << "run " << run << ", reviewer " << index;
            EXPECT_EQ(outcomes[index].boxes, 0) << "run " << run << ", reviewer " << index;
        }
        const CString count = CString(std::to_string(reviewers).c_str());
        ASSERT_EQ(ws.QueryText("SELECT count(DISTINCT FileLogID) FROM DesignMarkupManage"), count)
            << "run " << run;
        ASSERT_EQ(ws.QueryText("SELECT count(*) FROM DesignMarkupManage m, DesignMarkupPackage p WHERE "
                               "p.FileLogID = m.FileLogID AND p.DocSaved = '1'"),
                  count)
            << "run " << run;
    }
    // Each reviewer finds his own markup again.
    theApp.m_pConnPDM = ws.Connect();
    for (int index = 0; index < ReviewersOfRun(19); ++index) {
        CDesignMarkupStore store;
        Step(store, index);
        ASSERT_EQ(store.FindStoredMarkup(), 1) << kSteps[index];
        const CString path = store.DownloadMarkupFile();
        std::ifstream file(path.c_str(), std::ios::binary);
        std::stringstream bytes;
        bytes << file.rdbuf();
        EXPECT_EQ(bytes.str(), Content(index).str()) << kSteps[index];
    }
}

INSTANTIATE_TEST_SUITE_P(Dialects, MarkupSavedAtOnceTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

namespace {

// A reviewer decides while another client holds the document's lock and keeps it until the
// decision has failed: the decision waits once, as long as the lock wait, and one box says why in
// the system's words, without the driver's text.
class DecisionWaitingForTheLockTest : public ::testing::TestWithParam<int> {
protected:
    // Long enough that a second wait could not hide in a busy machine's slowness.
    static constexpr int kWaitMs = 6000;

    void SetUp() override {
        ws.Execute(
            "INSERT INTO TeamWorkManage (TaskNo, WorkID, Manager, WorkName) VALUES ('XM-01', 'XM-01#001', "
            "'zhangsan', '箱体部件设计')");
        ws.Execute(
            "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('两级评审', "
            "'串联', '校对(40,20)|*|审核(40,110)')");
        ws.Execute("INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, State, AuditingModel, "
                   "AuditorName) VALUES ('F-1', 'XM-01#001', '箱盖零件图', 'a.dwg', '评审', '两级评审', "
                   "'zhangsan|*|lisi')");
        ws.Execute(
            "INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, State, Working) VALUES ('F-1', '校对', "
            "'zhangsan', '未完成', 'F')");
        theApp.m_nDatabaseType = GetParam();
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
    }
    // The decider's connection, with a short lock wait (SQLite takes it from the connection text).
    _ConnectionPtr ShortWaitConnection() const {
        if (vqtest::DbWorkspace::OnPostgreSQL()) {
            _ConnectionPtr connection = ws.Connect();
            connection->SetLockWait(kWaitMs);
            return connection;
        }
        _ConnectionPtr connection;
        connection.CreateInstance();
        connection->Open(ws.ConnectionText() + ";Timeout=" + CString(std::to_string(kWaitMs).c_str()));
        return connection;
    }

    vqtest::DbWorkspace ws{GetParam()};
};

} // namespace

TEST_P(DecisionWaitingForTheLockTest, WaitsOnceAsLongAsTheLockWaitAndSaysWhyInOneBox) {
    // The decider tells the holder when his decision has ended.
    int done[2];
    ASSERT_EQ(pipe(done), 0);
    const auto reports =
        vqtest::RunAtBarrier(2, [&](int index, const std::function<void()>& arrive) -> std::string {
            if (index == 0) {
                _ConnectionPtr holder = ws.Connect();
                holder->BeginTrans();
                holder->LockUntilTransactionEnds(CAuditFlowEngine::DocumentLockName("F-1"));
                arrive();
                pollfd fd{done[0], POLLIN, 0};
                const bool told = poll(&fd, 1, 120000) == 1;
                holder->RollbackTrans();
                return told ? "held" : "not told";
            }
            theApp.m_pConnPDM = ShortWaitConnection();
            theApp.m_strLoginUser = "zhangsan";
            std::string said;
            vq::SetMessageBoxPresenter([&said](const vq::MessageBoxRequest& request) {
                said += request.text.str() + "|";
                return IDOK;
            });
            CAuditFlowEngine engine;
            engine.m_strLogin = "zhangsan";
            engine.m_strFileID = "F-1";
            engine.m_strAuditTask = "校对";
            if (!engine.LoadDocument())
                return "not loaded";
            engine.m_nResult = CAuditFlowEngine::kPass;
            engine.m_strOpinion = "同意";
            arrive();
            const auto start = std::chrono::steady_clock::now();
            const int result = engine.ApplyAuditResult();
            const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - start);
            [[maybe_unused]] const ssize_t written = write(done[1], "d", 1);
            return std::to_string(result) + " " + std::to_string(waited.count()) + " " + said;
        });
    close(done[0]);
    close(done[1]);
    ASSERT_TRUE(reports[0] && reports[1]);
    EXPECT_EQ(*reports[0], "held");
    std::istringstream report(*reports[1]);
    int result = -1;
    long waited = 0;
    std::string said;
    report >> result >> waited;
    report.get();
    std::getline(report, said, '\0');
    EXPECT_EQ(result, 0) << *reports[1];
    // One box: the cause, and that the decision stored nothing.
    EXPECT_EQ(said, (DbFailureText(DbFailure::Busy) + "\n" + kNothingStoredText + "|").str());
    // The lock wait, once: a second wait would take as long again.
    EXPECT_GE(waited, kWaitMs);
    EXPECT_LT(waited, kWaitMs * 2 - 500) << "the decision waited more than once";
    EXPECT_EQ(ws.QueryText("SELECT State FROM TeamWorkAudit WHERE FileID='F-1' AND AuditTask='校对'"),
              "未完成");
}

INSTANTIATE_TEST_SUITE_P(Dialects, DecisionWaitingForTheLockTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
