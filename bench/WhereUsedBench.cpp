// The where-used tree and the whole-structure browse of a generated product structure, built by
// the two dialogs as the host shows them (driven by the scripted user), in both dialects, on the
// workspace's product database: SQLite, or PostgreSQL when VQ_PG_PORT names a server (bench/run
// starts one). Beside each figure the bare baseline: the recursive statement that yields one row
// per node of the same tree (the upward CONNECT BY of the part for the where-used tree; the
// downward CONNECT BY joined to the titles for the browse, as the stored procedure reads it),
// translated for the engine and run in the sqlite3 shell or in psql. Medians of seven for the
// where-used trees (a few milliseconds each, where one slow run moves a median of three), of three
// for the browse. The goal of the ratio to the bare statement is 1.0 for the where-used tree (no
// slower than the statement alone) and 2 for the browse.
//
//   build/rel/bench/where_used_bench [lines...]      (default: 5000 50000)
//
// The structure is 8 levels deep (the product and 7 levels below it). Levels 1 to 5 form a tree
// with six children per assembly; every assembly of level 5 uses four shared sub-assemblies of
// level 6, each of which is used by four different parents; level 7 holds the leaf parts. The
// part "W-COMMON" is used by a number of the shared sub-assemblies, so its where-used tree
// climbs through many branches. Smaller sizes scale the levels down in proportion.
//
// First, the deep case: 16 levels where every part is used by two assemblies, whose where-used
// tree has 131,071 nodes; its time and the growth of the peak memory are printed.
//
// Then the wide case: one part used by 5,000, 10,000 and 20,000 assemblies, each of which is
// used by one of ten top assemblies; the query runs (the tree is shown), then "展开" expands the
// whole tree; medians of five. The time per node of both at each size is set against that at
// the first size: 1.0 is a time linear in the rows, and a figure above 1.3 means a walk over the
// wide level grows faster than it. The expansion alone (a few milliseconds) is shown beside it.
#include "bench/Goals.h"
#include "bench/PerNodeGrowth.h"
#include "core/VqDesignTaskApp.h"
#include "parts/PartBorrowQueryDlg.h"
#include "parts/PartBrowseDlg.h"
#include "parts/ProductStructTables.h"
#include "platform/db/SqlDialect.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWhereUsedRuns = 7;
constexpr int kBrowseRuns = 3;
constexpr int kWideRuns = 5;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

using Row = std::vector<_variant_t>;

// Collects the rows of the two tables and stores them in batches.
struct Writer {
    std::vector<Row> titles, lines;
    void Title(const std::string& code) { titles.push_back({CString(code), CString(code), "BP"}); }
    void Line(const std::string& up, int item, const std::string& code) {
        lines.push_back({CString(up), CString(up), item, CString(code), CString(code), "BP"});
    }
    void Store(const _ConnectionPtr& conn) {
        conn->BeginTrans();
        for (auto [text, rows] :
             {std::pair{"INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode) VALUES "
                        "(?, ?, ?)",
                        &titles},
              std::pair{"INSERT INTO VqkorvelAll_detail (UpCode, UpName, Ditem, Dcode, Dname, "
                        "ProductDwgCode) VALUES (?, ?, ?, ?, ?, ?)",
                        &lines}}) {
            _CommandPtr cmd;
            cmd.CreateInstance();
            cmd->PutActiveConnection(conn);
            cmd->PutCommandText(text);
            cmd->ExecuteArray(*rows);
        }
        conn->CommitTrans();
        // A database in use has statistics (the server gathers them after large changes); a
        // table filled a moment ago has none, and its plans would measure that moment.
        if (conn->GetEngine() == vq::db::Engine::PostgreSQL)
            conn->Execute("ANALYZE VqkorvelAll_title; ANALYZE VqkorvelAll_detail");
    }
};

int Generate(const _ConnectionPtr& conn, int targetLines) {
    Writer w;
    conn->Execute("INSERT INTO Product (ProductDwgCode, ProductName) VALUES ('BP', '基准产品')");
    w.Title("BP");
    const int fanout = targetLines >= 50000 ? 6 : 4;
    std::vector<std::string> level{"BP"};
    for (int depth = 1; depth <= 5; ++depth) {
        std::vector<std::string> next;
        for (const std::string& up : level) {
            for (int i = 0; i < fanout; ++i) {
                std::string code = "L" + std::to_string(depth) + "-" + std::to_string(next.size());
                w.Title(code);
                w.Line(up, i + 1, code);
                next.push_back(code);
            }
        }
        level = std::move(next);
    }
    const int shared = static_cast<int>(level.size());
    for (int i = 0; i < shared; ++i)
        w.Title("S6-" + std::to_string(i));
    for (int i = 0; i < shared; ++i)
        for (int k = 0; k < 4; ++k)
            w.Line(level[static_cast<std::size_t>(i)], k + 1,
                   "S6-" + std::to_string((i * 4 + k * 7) % shared));
    w.Title("W-COMMON");
    for (int i = 0; i < std::max(1, shared / 40); ++i)
        w.Line("S6-" + std::to_string(i), 9, "W-COMMON");
    int leaf = 0;
    for (int i = 0; static_cast<int>(w.lines.size()) < targetLines; i = (i + 1) % shared) {
        std::string code = "P7-" + std::to_string(leaf++);
        w.Title(code);
        w.Line("S6-" + std::to_string(i), 10 + leaf / shared, code);
    }
    w.Store(conn);
    return static_cast<int>(w.lines.size());
}

// 16 levels: the part D0-0 is used by two assemblies of level 1, each of those by two of level
// 2, and so on; two distinct assemblies per level, so the tree doubles at every level.
void GenerateDeep(const _ConnectionPtr& conn) {
    Writer w;
    for (int depth = 0; depth < 16; ++depth)
        for (int k = 0; k < 2; ++k) {
            const std::string code = "D" + std::to_string(depth) + "-" + std::to_string(k);
            w.Title(code);
            for (int u = 0; u < 2; ++u)
                w.Line("D" + std::to_string(depth + 1) + "-" + std::to_string(u), u + 1, code);
        }
    w.Store(conn);
}

std::string RunText(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        while (std::fgets(buf, sizeof buf, p))
            out += buf;
        pclose(p);
    }
    return out;
}

// The bare statement, three times, in the engine's own shell; the median in seconds.
double Bare(const vqtest::DbWorkspace& ws, const std::string& statement, int runs) {
    const bool pg = vqtest::DbWorkspace::OnPostgreSQL();
    const std::string file = ws.Root().str() + "/bare.sql";
    {
        std::ofstream out(file);
        out << (pg ? "\\timing on\n" : ".timer on\n.output /dev/null\n");
        for (int i = 0; i < runs; ++i)
            out << statement << ";\n";
    }
    const std::string out =
        pg ? RunText("psql -X -q -h 127.0.0.1 -p " + std::string(std::getenv("VQ_PG_PORT")) +
                     " -U sa -d vqtest_" + std::to_string(getpid()) + " -o /dev/null -f " + file)
           : RunText("sqlite3 '" + ws.ProductDatabasePath().str() + "' < " + file);
    std::vector<double> times;
    const std::string mark = pg ? "Time: " : "Run Time: real ";
    for (std::size_t at = out.find(mark); at != std::string::npos; at = out.find(mark, at + 1))
        times.push_back(std::atof(out.c_str() + at + mark.size()) / (pg ? 1000.0 : 1.0));
    if (times.size() != static_cast<std::size_t>(runs)) {
        std::fprintf(stderr, "the bare statement did not run:\n%s\n", out.c_str());
        std::exit(1);
    }
    return Median(times);
}

vq::db::Engine EngineOf(const _ConnectionPtr& conn) {
    return conn->GetEngine();
}

long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The where-used tree of a part: its time and node count.
double WhereUsed(const CString& part, unsigned& nodes) {
    Clock::time_point start, end;
    vq::ScriptedUser user;
    user.DialogContaining("零部件借用性查询")
        .Do([&](CDialog& d) {
            end = Clock::now();
            nodes = static_cast<CPartBorrowQueryDlg&>(d).m_tree.GetCount();
        })
        .Click(IDCANCEL);
    CPartBorrowQueryDlg dlg;
    dlg.m_strPartCode = part;
    start = Clock::now();
    dlg.DoModal();
    if (!user.Succeeded())
        std::fprintf(stderr, "where-used: %s\n", user.Error().c_str());
    return Seconds(start, end);
}

double Browse(unsigned& nodes) {
    Clock::time_point start, end;
    vq::ScriptedUser user;
    user.Dialog("浏览零部件")
        .Click(1056)
        .DialogContaining("选择产品")
        .Select(1003, "BP")
        .Do([&](CDialog&) { start = Clock::now(); })
        .Click(1236)
        .Message("是否全部展开产品结构树?", IDYES)
        .Dialog("浏览零部件")
        .Do([&](CDialog& d) {
            end = Clock::now();
            nodes = static_cast<CPartBrowseDlg&>(d).m_tree.GetCount();
        })
        .Click(IDCANCEL);
    CPartBrowseDlg dlg;
    dlg.DoModal();
    if (!user.Succeeded())
        std::fprintf(stderr, "browse: %s\n", user.Error().c_str());
    return Seconds(start, end);
}

void UseConnection(const _ConnectionPtr& conn, int databaseType) {
    theApp.m_pConnPDM = conn;
    theApp.m_nDatabaseType = databaseType;
    theApp.m_nAdoCloseMode = 1;
    theApp.m_strLoginUser = "admin";
}

// The dialog's time against the bare statement's, with the goal of that ratio.
void Print(const char* what, unsigned nodes, double ours, double bare, double goal) {
    const bool met = bench::Goal(std::string(what) + ", " + std::to_string(nodes) + " nodes" +
                                     (vqtest::DbWorkspace::OnPostgreSQL() ? " (PostgreSQL)" : " (SQLite)"),
                                 ours / bare, "<=", goal);
    std::printf(
        "  %-12s %7u nodes: %8.3f s; bare recursive statement %8.3f s; ratio %5.2f (goal <= %.1f: %s)\n",
        what, nodes, ours, bare, ours / bare, goal, bench::Verdict(met));
}

void Run(int databaseType, int targetLines) {
    vqtest::DbWorkspace ws(databaseType);
    ws.WriteFile("windows/vqsetup.ini", ws.InstallDir().str() + "\n");
    _ConnectionPtr conn = ws.Connect();
    const int lines = Generate(conn, targetLines);
    UseConnection(conn, databaseType);
    const vq::db::Engine engine = EngineOf(conn);

    std::vector<double> whereUsed, browse;
    unsigned whereUsedNodes = 0, browseNodes = 0;
    for (int run = 0; run < kWhereUsedRuns; ++run) {
        whereUsed.push_back(WhereUsed("W-COMMON", whereUsedNodes));
        if (run < kBrowseRuns)
            browse.push_back(Browse(browseNodes));
    }
    const std::string up =
        vq::db::TranslateStatement("SELECT UpCode, UpName FROM VqkorvelAll_detail START WITH "
                                   "DCode='W-COMMON' CONNECT BY DCode = PRIOR UpCode",
                                   engine)
            .sql;
    const std::string down =
        vq::db::TranslateStatement(StructureDownStatement(ProductFamily::Archive, "BP").str(), engine).sql;
    theApp.m_pConnPDM = nullptr;
    conn->Close();

    std::printf("%s, %s dialect, %d lines\n", vqtest::DbWorkspace::OnPostgreSQL() ? "PostgreSQL" : "SQLite",
                databaseType == 2 ? "Oracle" : "SQL Server", lines);
    Print("where-used", whereUsedNodes, Median(whereUsed), Bare(ws, up, kWhereUsedRuns), 1.0);
    Print("browse", browseNodes, Median(browse), Bare(ws, down, kBrowseRuns), 2.0);
    std::fflush(stdout);
}

void RunDeep() {
    vqtest::DbWorkspace ws(0);
    _ConnectionPtr conn = ws.Connect();
    GenerateDeep(conn);
    UseConnection(conn, 0);
    const long before = PeakKiB();
    unsigned nodes = 0;
    const double seconds = WhereUsed("D0-0", nodes);
    const long after = PeakKiB();
    theApp.m_pConnPDM = nullptr;
    std::printf("%s, deep shared structure (16 levels, every part in two assemblies)\n",
                vqtest::DbWorkspace::OnPostgreSQL() ? "PostgreSQL" : "SQLite");
    std::printf("  where-used   %7u nodes: %8.3f s; peak memory grew by %.1f MiB (%.0f bytes per node)\n",
                nodes, seconds, (after - before) / 1024.0, nodes ? (after - before) * 1024.0 / nodes : 0.0);
}

// One part used by `parents` assemblies, each of those used by one of ten top assemblies.
void GenerateWide(const _ConnectionPtr& conn, int parents) {
    Writer w;
    w.Title("W-WIDE");
    for (int k = 0; k < 10; ++k)
        w.Title("TOP-" + std::to_string(k));
    for (int i = 0; i < parents; ++i) {
        const std::string code = "U-" + std::to_string(i);
        w.Title(code);
        w.Line(code, 1, "W-WIDE");
        w.Line("TOP-" + std::to_string(i % 10), i / 10 + 1, code);
    }
    w.Store(conn);
}

// The where-used tree of the wide part, shown and then expanded whole: the seconds until it is
// shown and those of the expansion, and the node count.
struct WideTimes {
    double query = 0;
    double expand = 0;
};

WideTimes WhereUsedExpandAll(unsigned& nodes) {
    Clock::time_point start, shown, end;
    vq::ScriptedUser user;
    user.DialogContaining("零部件借用性查询")
        .Do([&](CDialog&) { shown = Clock::now(); })
        .Click(1206)
        .Do([&](CDialog& d) {
            end = Clock::now();
            nodes = static_cast<CPartBorrowQueryDlg&>(d).m_tree.GetCount();
        })
        .Click(IDCANCEL);
    CPartBorrowQueryDlg dlg;
    dlg.m_strPartCode = "W-WIDE";
    start = Clock::now();
    dlg.DoModal();
    if (!user.Succeeded())
        std::fprintf(stderr, "where-used, expand all: %s\n", user.Error().c_str());
    return {Seconds(start, shown), Seconds(shown, end)};
}

void RunWide(const std::vector<int>& sizes) {
    std::printf("%s, wide where-used (one part in many assemblies): query, then expand all\n",
                vqtest::DbWorkspace::OnPostgreSQL() ? "PostgreSQL" : "SQLite");
    PerNodeGrowth growth(std::string("wide where-used") +
                         (vqtest::DbWorkspace::OnPostgreSQL() ? " (PostgreSQL)" : " (SQLite)"));
    for (int parents : sizes) {
        vqtest::DbWorkspace ws(0);
        _ConnectionPtr conn = ws.Connect();
        GenerateWide(conn, parents);
        UseConnection(conn, 0);
        std::vector<double> whole, expand;
        unsigned nodes = 0;
        for (int run = 0; run < kWideRuns; ++run) {
            const WideTimes t = WhereUsedExpandAll(nodes);
            whole.push_back(t.query + t.expand);
            expand.push_back(t.expand);
        }
        theApp.m_pConnPDM = nullptr;
        conn->Close();
        const double perNode = Median(whole) / (nodes ? nodes : 1);
        std::printf("  %6d parents %7u nodes: %8.3f s (%6.2f us per node; expand all alone %7.4f s)", parents,
                    nodes, Median(whole), perNode * 1e6, Median(expand));
        growth.EndLine(parents, "parents", perNode);
    }
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {5000, 50000};
    RunDeep(); // first, so that the growth of the peak memory is its own
    RunWide({5000, 10000, 20000});
    for (int lines : sizes)
        for (int type : {0, 2})
            Run(type, lines);
    return bench::Status();
}
