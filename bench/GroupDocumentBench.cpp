// The work-group document manager ("工作组文档管理") on a project task whose work task holds a wide
// part tree, as the host shows it (driven by the scripted user), on the workspace's product
// database: SQLite, or PostgreSQL when VQ_PG_PORT names a server (bench/run starts one).
//
//   build/rel/bench/group_document_bench [documents...]      (default: 5000 10000 20000)
//
// For n documents the project task has ten work tasks; the first one holds n parts: n / 10
// assemblies directly below the work task with nine parts each, and every part has one work
// document. The dialog opens (tree built, the root's documents listed), then "展开(&E)" on the
// root expands the whole tree; medians of three. The time per node at each size is set against
// that at the first size: 1.0 is a time linear in the rows, and a figure above 1.3 means a walk
// over the tree grows faster than it.
#include "bench/Goals.h"
#include "bench/PerNodeGrowth.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/TreeCtrl.h"
#include "teamwork/TeamGroupFileManageDlg.h"
#include "tests/support/DbWorkspace.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Row = std::vector<_variant_t>;

constexpr int kRuns = 3;
constexpr char kCaption[] = "工作组文档管理";
constexpr char kRoot[] = "项目：基准项目[BP] 下的任务：基准任务[BT]...";

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void StoreRows(const _ConnectionPtr& conn, const char* statement, const std::vector<Row>& rows) {
    _CommandPtr cmd;
    cmd.CreateInstance();
    cmd->PutActiveConnection(conn);
    cmd->PutCommandText(statement);
    cmd->ExecuteArray(rows);
}

// The project task BT with ten work tasks; the first holds `documents` parts with a document each.
void Generate(const _ConnectionPtr& conn, int documents) {
    std::vector<Row> works, parts, files;
    std::vector<CString> codes;
    for (int w = 0; w < 10; ++w) {
        const CString id = CString("BT#") + std::to_string(w + 1).c_str();
        works.push_back({"BT", "BT", id, "admin", CString("工作") + std::to_string(w + 1).c_str(), "W"});
    }
    const CString work = "BT#1";
    for (int a = 0; a < documents / 10; ++a) {
        const CString assembly = CString("A-") + std::to_string(a).c_str();
        parts.push_back({work, work, assembly, CString("部件") + assembly});
        codes.push_back(assembly);
        for (int p = 0; p < 9; ++p) {
            const CString part = assembly + "-" + std::to_string(p).c_str();
            parts.push_back({work, assembly, part, CString("零件") + part});
            codes.push_back(part);
        }
    }
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const CString& code = codes[i];
        files.push_back({CString("F-") + std::to_string(i).c_str(), work, CString("文档") + code,
                         code + ".dwg", "AutoCAD", "正式", code});
    }
    conn->BeginTrans();
    conn->Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, TaskType) "
                  "VALUES ('BP', '基准项目', '项目管理', 'admin', 'V'), "
                  "('BT', '基准任务', '基准项目\\', 'admin', 'T')");
    StoreRows(conn,
              "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkType) "
              "VALUES (?, ?, ?, ?, ?, ?)",
              works);
    StoreRows(conn, "INSERT INTO TeamWorkPartTree (WorkID, UpCode, DCode, DName) VALUES (?, ?, ?, ?)", parts);
    StoreRows(conn,
              "INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, FileType, State, PartCode) "
              "VALUES (?, ?, ?, ?, ?, ?, ?)",
              files);
    conn->CommitTrans();
    if (conn->GetEngine() == vq::db::Engine::PostgreSQL)
        conn->Execute("ANALYZE TeamWorkManage; ANALYZE TeamWorkPartTree; ANALYZE TeamWorkResult");
}

// Opens the dialog and expands the whole tree: the seconds, the node and list row counts.
double OpenAndExpand(unsigned& nodes, int& rows) {
    Clock::time_point start, end;
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .RightClick(CTeamGroupFileManageDlg::kTreeId, kRoot)
        .Menu("展开(&E)")
        .Do([&](CDialog& d) {
            end = Clock::now();
            nodes = dynamic_cast<CTreeCtrl*>(d.GetDlgItem(CTeamGroupFileManageDlg::kTreeId))->GetCount();
            rows = dynamic_cast<CListCtrl*>(d.GetDlgItem(CTeamGroupFileManageDlg::kListId))->GetItemCount();
        })
        .Click("退出");
    CTeamGroupFileManageDlg dlg;
    dlg.TaskNo = "BT";
    start = Clock::now();
    dlg.DoModal();
    if (!user.Succeeded())
        std::fprintf(stderr, "group documents: %s\n", user.Error().c_str());
    return std::chrono::duration<double>(end - start).count();
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {5000, 10000, 20000};
    std::printf("%s, work-group documents (one wide work task), open and expand all\n",
                vqtest::DbWorkspace::OnPostgreSQL() ? "PostgreSQL" : "SQLite");
    PerNodeGrowth growth(std::string("work-group documents") +
                         (vqtest::DbWorkspace::OnPostgreSQL() ? " (PostgreSQL)" : " (SQLite)"));
    for (int documents : sizes) {
        vqtest::DbWorkspace ws(0);
        _ConnectionPtr conn = ws.Connect();
        Generate(conn, documents);
        theApp.m_pConnPDM = conn;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strLoginUser = "admin";
        std::vector<double> times;
        unsigned nodes = 0;
        int rows = 0;
        for (int run = 0; run < kRuns; ++run)
            times.push_back(OpenAndExpand(nodes, rows));
        theApp.m_pConnPDM = nullptr;
        conn->Close();
        const double seconds = Median(times);
        const double perNode = nodes ? seconds / nodes : 0.0;
        std::printf("  %6d documents %7u nodes %6d rows: %8.3f s; %6.2f us per node", documents, nodes, rows,
                    seconds, perNode * 1e6);
        growth.EndLine(documents, "documents", perNode);
    }
    return bench::Status();
}
