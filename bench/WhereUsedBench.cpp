// Builds the where-used tree and the whole-structure browse of a generated product structure
// through the two dialogs, driven by the scripted user, on the SQLite product database in both
// dialects (the SQL Server dialect reads the structure through the stored procedure, the Oracle
// dialect through CONNECT BY; both run as the same recursive query on SQLite).
//
//   build/bench/bench/where_used_bench [lines...]      (default: 5000 50000)
//
// The structure is 8 levels deep (the product and 7 levels below it). Levels 1 to 5 form a tree
// with six children per assembly; every assembly of level 5 uses four shared sub-assemblies of
// level 6, each of which is used by four different parents; level 7 holds the leaf parts. The
// part "W-COMMON" is used by a number of the shared sub-assemblies, so its where-used tree
// climbs through many branches. Smaller sizes scale the levels down in proportion.
#include "core/VqDesignTaskApp.h"
#include "parts/PartBorrowQueryDlg.h"
#include "parts/PartBrowseDlg.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

struct Structure {
    int lines = 0;
    int commonUses = 0;
};

// Inserts the structure below the product "BP"; returns its line count.
Structure Generate(const _ConnectionPtr& conn, int targetLines) {
    Structure s;
    conn->BeginTrans();
    auto line = [&](const std::string& up, int item, const std::string& code) {
        char sql[512];
        std::snprintf(
            sql, sizeof sql,
            "INSERT INTO VqkorvelAll_detail (UpCode, UpName, Ditem, Dcode, Dname, ProductDwgCode) VALUES "
            "('%s', '%s', %d, '%s', '%s', 'BP')",
            up.c_str(), up.c_str(), item, code.c_str(), code.c_str());
        conn->Execute(sql);
        ++s.lines;
    };
    auto title = [&](const std::string& code) {
        char sql[512];
        std::snprintf(
            sql, sizeof sql,
            "INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode) VALUES ('%s', '%s', 'BP')",
            code.c_str(), code.c_str());
        conn->Execute(sql);
    };
    conn->Execute("INSERT INTO Product (ProductDwgCode, ProductName) VALUES ('BP', '基准产品')");
    title("BP");
    // Levels 1 to 5: a tree; the fan-out shrinks with the target size.
    const int fanout = targetLines >= 50000 ? 6 : 4;
    std::vector<std::string> level{"BP"};
    for (int depth = 1; depth <= 5; ++depth) {
        std::vector<std::string> next;
        for (const std::string& up : level) {
            for (int i = 0; i < fanout; ++i) {
                std::string code = "L" + std::to_string(depth) + "-" + std::to_string(next.size());
                title(code);
                line(up, i + 1, code);
                next.push_back(code);
            }
        }
        level = std::move(next);
    }
    // Level 6: as many shared sub-assemblies as level 5 has assemblies, each used four times.
    const int shared = static_cast<int>(level.size());
    for (int i = 0; i < shared; ++i)
        title("S6-" + std::to_string(i));
    for (int i = 0; i < shared; ++i)
        for (int k = 0; k < 4; ++k)
            line(level[static_cast<std::size_t>(i)], k + 1, "S6-" + std::to_string((i * 4 + k * 7) % shared));
    // Level 7: leaf parts filling up to the target; a few sub-assemblies also use W-COMMON.
    title("W-COMMON");
    s.commonUses = std::max(1, shared / 40);
    for (int i = 0; i < s.commonUses; ++i)
        line("S6-" + std::to_string(i), 9, "W-COMMON");
    int leaf = 0;
    for (int i = 0; s.lines < targetLines; i = (i + 1) % shared) {
        std::string code = "P7-" + std::to_string(leaf++);
        title(code);
        line("S6-" + std::to_string(i), 10 + leaf / shared, code);
    }
    conn->CommitTrans();
    return s;
}

void Run(int databaseType, int targetLines) {
    vqtest::DbWorkspace ws(databaseType);
    _ConnectionPtr conn = ws.Connect();
    const Clock::time_point g0 = Clock::now();
    const Structure s = Generate(conn, targetLines);
    const Clock::time_point g1 = Clock::now();
    theApp.m_pConnPDM = conn;
    theApp.m_nDatabaseType = databaseType;
    theApp.m_nAdoCloseMode = 1;
    theApp.m_strLoginUser = "admin";

    // Where-used tree of the shared part.
    unsigned whereUsedNodes = 0;
    Clock::time_point w0, w1;
    {
        vq::ScriptedUser user;
        user.DialogContaining("零部件借用性查询")
            .Do([&](CDialog& d) { whereUsedNodes = static_cast<CPartBorrowQueryDlg&>(d).m_tree.GetCount(); })
            .Click(IDCANCEL);
        CPartBorrowQueryDlg dlg;
        dlg.m_strPartCode = "W-COMMON";
        w0 = Clock::now();
        dlg.DoModal();
        w1 = Clock::now();
        if (!user.Succeeded())
            std::fprintf(stderr, "where-used: %s\n", user.Error().c_str());
    }

    // The whole structure of the product.
    unsigned browseNodes = 0;
    Clock::time_point b0, b1;
    {
        vq::ScriptedUser user;
        user.Dialog("浏览零部件")
            .Click(1056)
            .DialogContaining("选择产品")
            .Select(1003, "BP")
            .Do([&](CDialog&) { b0 = Clock::now(); })
            .Click(1236)
            .Message("是否全部展开产品结构树?", IDYES)
            .Dialog("浏览零部件")
            .Do([&](CDialog& d) {
                b1 = Clock::now();
                browseNodes = static_cast<CPartBrowseDlg&>(d).m_tree.GetCount();
            })
            .Click(IDCANCEL);
        CPartBrowseDlg dlg;
        dlg.DoModal();
        if (!user.Succeeded())
            std::fprintf(stderr, "browse: %s\n", user.Error().c_str());
    }
    theApp.m_pConnPDM = nullptr;

    const double w = Seconds(w0, w1);
    const double b = Seconds(b0, b1);
    std::printf("%-9s lines %6d (generated in %.1f s)\n", databaseType == 2 ? "Oracle" : "SqlServer", s.lines,
                Seconds(g0, g1));
    // The where-used tree runs one parent lookup per node (and two for the part's own title row);
    // the whole browse reads the structure with one statement.
    std::printf("  where-used W-COMMON: %7u nodes, %7u statements, %7.3f s, %6.1f us/node\n", whereUsedNodes,
                whereUsedNodes + 2, w, whereUsedNodes ? w * 1e6 / whereUsedNodes : 0.0);
    std::printf("  whole browse BP:     %7u nodes, %7d statement,  %7.3f s, %6.1f us/node\n", browseNodes, 1,
                b, browseNodes ? b * 1e6 / browseNodes : 0.0);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {5000, 50000};
    for (int type : {0, 2})
        for (int lines : sizes)
            Run(type, lines);
    return 0;
}
