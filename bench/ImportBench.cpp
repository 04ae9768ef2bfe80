// Imports generated product structures (comma-separated files of 10,000 and 100,000 lines) into
// the SQLite product database through the import dialog, driven by the scripted user, and
// compares the store's rate with the same DELETE/INSERT statements run bare in one transaction
// on the same database file.
//
//   build/bench/bench/import_bench [--no-index] [lines...]      (default: 10000 100000)
//
// --no-index drops the indexes of the collaborative-design tables first, to show what the store
// costs without them (each delete then scans its table: the cost grows with the square).
#include "core/EntryFrame.h"
#include "core/VqDesignTaskApp.h"
#include "parts/ProductStructImportDlg.h"
#include "platform/base/TextCodec.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int ImportProductDataFromFile(CString unused, CString login);

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// A structure of `lines` lines: ten children under each assembly, assemblies numbered in
// file order, so that the tree is several levels deep.
std::string GenerateCsv(int lines) {
    std::string csv = "\"父图号\",\"序号\",\"图号\",\"图名\",\"材料\",\"数量\",\"重量\",\"图幅\"\r\n";
    char row[256];
    for (int i = 0; i < lines; ++i) {
        int parent = i / 10;
        std::string up = parent == 0 ? std::string("BENCH") : "N-" + std::to_string(parent - 1);
        std::snprintf(row, sizeof row,
                      "\"%s\",\"%d\",\"N-%d\",\"零件%d\",\"Q235\",\"%d\",\"%d.25\",\"A4\"\r\n", up.c_str(),
                      i % 10 + 1, i, i, i % 7 + 1, i % 100);
        csv += row;
    }
    return vq::Utf8ToGbk(csv);
}

struct Result {
    double importSeconds = 0;
    double bareSeconds = 0;
    long long titleRows = 0;
    long long detailRows = 0;
};

Result Run(int lines, bool withoutIndexes) {
    Result result;
    vqtest::DbWorkspace ws(0);
    if (withoutIndexes)
        ws.Execute("DROP INDEX IX_VqkorvelTeam_title_TCode; DROP INDEX IX_VqkorvelTeam_title_FileID;"
                   "DROP INDEX IX_VqkorvelTeam_detail_UpCode; DROP INDEX IX_VqkorvelTeam_detail_Dcode;"
                   "DROP INDEX IX_VqkorvelTeam_detail_FileID");
    ws.WriteFile(
        "install/qent/spt/vqbomspt.ini",
        vq::Utf8ToGbk(
            "[配置属性]\r\n父图号\r\n序号\r\n图号\r\n图名\r\n材料\r\n数量\r\n重量\r\n图幅\r\n[结束]\r\n"));
    const CString csv = ws.WriteFile("bench.csv", GenerateCsv(lines));

    Clock::time_point start, end;
    vq::ScriptedUser user;
    user.Dialog("产品结构数据导入")
        .Click(1388)
        .File(csv, 4)
        .Dialog("产品数据匹配")
        .Click(IDOK)
        .Select(1062, 1)
        .Do([&](CDialog&) { start = Clock::now(); })
        .Click(1329)
        .Message("产品结构信息存储完毕...", IDOK)
        .Do([&](CDialog&) { end = Clock::now(); })
        .Click(IDCANCEL);
    ImportProductDataFromFile("", "admin");
    if (!user.Succeeded()) {
        std::fprintf(stderr, "import failed: %s\n", user.Error().c_str());
        std::exit(1);
    }
    result.importSeconds = Seconds(start, end);
    result.titleRows = std::atoll(ws.QueryText("SELECT COUNT(*) FROM VqkorvelTeam_title").c_str());
    result.detailRows = std::atoll(ws.QueryText("SELECT COUNT(*) FROM VqkorvelTeam_detail").c_str());

    // The same statements, bare, in one transaction, on the same file (emptied first).
    ws.Execute("DELETE FROM VqkorvelTeam_title; DELETE FROM VqkorvelTeam_detail");
    _ConnectionPtr conn = ws.Connect();
    std::vector<std::string> statements;
    statements.reserve(static_cast<std::size_t>(lines) * 4);
    for (int i = 0; i < lines; ++i) {
        int parent = i / 10;
        std::string up = parent == 0 ? std::string("BENCH") : "N-" + std::to_string(parent - 1);
        std::string code = "N-" + std::to_string(i);
        statements.push_back("DELETE FROM VqkorvelTeam_title WHERE Tcode='" + code + "'");
        statements.push_back(
            "INSERT INTO VqkorvelTeam_title (FileID, Tcode, Tname, Tframe, TMaterial, TWeight, Ttime, "
            "ProductDwgCode, Tother1, Tother2, Tother3, Tother4, Tother5, CurrentRev, LateRev, "
            "Manager, State) VALUES('_X_SAVE_', '" +
            code +
            "', 'n', 'A4', 'Q235', 1.250000, "
            "'2026-12-07 09:00:00', '_X_SAVE_', '', '#', '', '', '', 'A', 'A', 'admin', '数据导入')");
        statements.push_back("DELETE FROM VqkorvelTeam_detail WHERE UpCode='" + up + "' AND Dcode='" + code +
                             "'");
        statements.push_back(
            "INSERT INTO VqkorvelTeam_detail (FileID, UpCode, UpName, Ditem, Dcode, Dname, DMaterial, "
            "Dquantity, Dweight, Dremark, Dstand, Dstyle, Dother1, Dother2, ProductDwgCode) "
            "VALUES('_X_SAVE_', '" +
            up + "', '', 1, '" + code +
            "', 'n', 'Q235', 1, 1.250000, '', '', "
            "'', '', '', '_X_SAVE_')");
    }
    Clock::time_point bareStart = Clock::now();
    conn->BeginTrans();
    for (const std::string& sql : statements)
        conn->Execute(CString(sql));
    conn->CommitTrans();
    result.bareSeconds = Seconds(bareStart, Clock::now());
    conn->Close();
    return result;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    bool withoutIndexes = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--no-index")
            withoutIndexes = true;
        else
            sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty())
        sizes = {10000, 100000};
    std::printf("%10s %12s %14s %14s %8s %s\n", "lines", "import s", "import lines/s", "bare lines/s",
                "ratio", "rows (title/detail)");
    for (int lines : sizes) {
        Result r = Run(lines, withoutIndexes);
        double importRate = lines / r.importSeconds;
        double bareRate = lines / r.bareSeconds;
        std::printf("%10d %12.2f %14.0f %14.0f %8.2f %lld/%lld\n", lines, r.importSeconds, importRate,
                    bareRate, bareRate / importRate, r.titleRows, r.detailRows);
        std::fflush(stdout);
    }
    return 0;
}
