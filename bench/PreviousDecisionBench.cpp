// The decision benchmark's measure of an earlier build: bench/run builds this file as that build's
// decision_bench (from the earlier build's source, with bench/DecisionShape.h beside it), and the
// decision benchmark runs it for the figures it judges this build's against. It makes the change
// task of bench/DecisionShape.h on a database of the earlier build's own schema and decides it with
// the earlier build's engine, as this build's benchmark decides it: one engine, one decision per
// document, each step over the drawings (while their level is open), then, when asked, over the
// second documents (decided once the drawings have completed the level). It uses nothing that build
// lacks.
//
//   decision_bench [parts] [decide the second documents: 0 or 1]   (default: 1000 1)
//
// It prints a line per step and kind of document, "step drawings clock process ..." and "step
// second documents clock process ...", milliseconds per decision, which the decision benchmark
// reads. Runs on SQLite, or on PostgreSQL when VQ_PG_PORT names a server.
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "review/AuditFlowEngine.h"
#include "tests/support/DbWorkspace.h"

#include "bench/DecisionShape.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

struct Times {
    double wall = 0;
    double cpu = 0;
};

struct Stopwatch {
    Clock::time_point wall = Clock::now();
    std::clock_t cpu = std::clock();
    Times Elapsed() const {
        return {std::chrono::duration<double>(Clock::now() - wall).count(),
                static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC};
    }
};

// The documents from..to-1 of the work decided at the step; false when one was not decided.
bool Decide(const char* work, const char* step, const char* login, int from, int to, Times& spent) {
    theApp.m_strLoginUser = login;
    CAuditFlowEngine engine(CAuditFlowEngine::OpinionDialogOptions(true));
    engine.m_strLogin = login;
    const Stopwatch watch;
    for (int i = from; i < to; ++i) {
        engine.m_strFileID = bench::FileId(work, i);
        engine.m_strAuditTask = step;
        if (!engine.LoadDocument())
            return false;
        engine.m_strOpinion = "同意";
        engine.m_nResult = CAuditFlowEngine::kPass;
        if (!engine.ApplyAuditResult())
            return false;
    }
    spent = watch.Elapsed();
    return true;
}

void PrintLine(const char* step, const char* documents, const Times& spent, int count) {
    std::printf("%-6s %-16s %9.2f %9.2f\n", step, documents, 1000 * spent.wall / count,
                1000 * spent.cpu / count);
}

} // namespace

int main(int argc, char** argv) {
    const int parts = argc > 1 ? std::atoi(argv[1]) : 1000;
    const bool second = !(argc > 2 && std::atoi(argv[2]) == 0);
    if (parts <= 0) {
        std::fprintf(stderr, "decision_bench: the number of parts must be positive\n");
        return 2;
    }
    vqtest::DbWorkspace ws(0);
    _ConnectionPtr conn = ws.Connect();
    try {
        bench::Generate(conn, parts);
    } catch (const _com_error& e) {
        std::fprintf(stderr, "decision_bench: the change task could not be made: %s\n",
                     e.Description().c_str());
        return 2;
    }
    theApp.m_pConnPDM = conn;
    theApp.m_nDatabaseType = 0;
    theApp.m_nAdoCloseMode = 1;
    theApp.m_nUseChangeTask = 1;
    // Nobody answers the decisions' messages: each is answered with OK, as a reviewer would.
    vq::SetMessageBoxPresenter([](const vq::MessageBoxRequest&) { return IDOK; });
    std::printf("one decision over the change task of %d parts (%d documents%s) on %s\n", parts, 2 * parts,
                second ? "" : ", the drawings decided",
                vqtest::DbWorkspace::OnPostgreSQL() ? "PostgreSQL" : "SQLite");
    bool ok = true;
    for (const auto& [step, login] : {std::pair{"审核", "lisi"}, std::pair{"批准", "wangwu"}}) {
        Times drawings, rest;
        ok = ok && Decide(bench::kChangeTask, step, login, 0, parts, drawings);
        if (!ok)
            break;
        PrintLine(step, "drawings", drawings, parts);
        if (second) {
            ok = Decide(bench::kChangeTask, step, login, parts, 2 * parts, rest);
            if (!ok)
                break;
            PrintLine(step, "second documents", rest, parts);
        }
        std::fflush(stdout);
    }
    // With every document decided, the change task's documents are formal only now.
    if (ok && second) {
        const CString released =
            ws.QueryText("SELECT COUNT(*) FROM TeamWorkResult WHERE WorkID='EC-1[M]#001' AND State='正式'");
        std::printf("change-task documents released: %s of %d\n", released.c_str(), 2 * parts);
        ok = released == CString(std::to_string(2 * parts));
    }
    theApp.m_pConnPDM = nullptr;
    if (!ok)
        std::printf("a decision failed\n");
    return ok ? 0 : 1;
}
