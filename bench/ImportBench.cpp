// The product structure import as the host does it: vqhost runs headless with a script on a
// generated comma-separated file (ten children under each assembly, several levels deep) into
// the collaborative-design tables, on the workspace's product database: SQLite, or PostgreSQL
// when VQ_PG_PORT names a server (bench/run starts one).
//
//   build/rel/bench/import_bench [lines]          (default: 100000)
//
// Each figure is the median of three runs; the slowest store is printed too (the first run
// stores into tables that the database has no statistics of yet). The store's time is the host run with the
// store less the same run that cancels after matching the columns (reading, matching and start-up alike).
// Beside it, the bare baseline on the same database with the same rows:
//   SQLite:      Python's sqlite3 running the same DELETE/INSERT statements with bound values in
//                one transaction;
//   PostgreSQL:  psql's \copy of the same rows into the two tables.
// The peak memory is the host's whole run with the store, against the floor measured in the same
// run: the host with the import dialog open and nothing read.
//
// On a machine shared with other work the store's time of one build, and its ratio to the
// baseline, vary by a third and more from run to run. Two builds are compared by the instructions
// of the host runs instead: the store run's count less the read run's, each run under
// valgrind --tool=callgrind (or perf stat -e instructions:u), at the same line count.
#include "bench/Goals.h"
#include "platform/base/TextCodec.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/HostProcess.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// One generated line: its parent, position and the values the import stores.
struct Line {
    std::string up;
    int item = 0;
    std::string code;
    std::string name;
    int quantity = 0;
    std::string weight;
};

std::vector<Line> Generate(int lines) {
    std::vector<Line> out;
    out.reserve(static_cast<std::size_t>(lines));
    for (int i = 0; i < lines; ++i) {
        const int parent = i / 10;
        Line l;
        l.up = parent == 0 ? std::string("BENCH") : "N-" + std::to_string(parent - 1);
        l.item = i % 10 + 1;
        l.code = "N-" + std::to_string(i);
        l.name = "零件" + std::to_string(i);
        l.quantity = i % 7 + 1;
        l.weight = std::to_string(i % 100) + ".25";
        out.push_back(l);
    }
    return out;
}

std::string Csv(const std::vector<Line>& lines) {
    std::string csv = "\"父图号\",\"序号\",\"图号\",\"图名\",\"材料\",\"数量\",\"重量\",\"图幅\"\r\n";
    for (const Line& l : lines)
        csv += "\"" + l.up + "\",\"" + std::to_string(l.item) + "\",\"" + l.code + "\",\"" + l.name +
               "\",\"Q235\",\"" + std::to_string(l.quantity) + "\",\"" + l.weight + "\",\"A4\"\r\n";
    return vq::Utf8ToGbk(csv);
}

// The rows the store writes, as tab-separated text in the tables' column order of the statements
// below (the baselines load the same values).
void WriteRows(const std::vector<Line>& lines, const std::string& titleFile, const std::string& detailFile) {
    std::ofstream title(titleFile, std::ios::binary), detail(detailFile, std::ios::binary);
    for (const Line& l : lines) {
        title << "_X_SAVE_\t" << l.code << '\t' << l.name << "\tA4\tQ235\t" << l.weight
              << "\t2026-12-07 09:00:00\t_X_SAVE_\t\t#\t\t\t\tA\tA\tadmin\t数据导入\n";
        detail << "_X_SAVE_\t" << l.up << "\t\t" << l.item << '\t' << l.code << '\t' << l.name << "\tQ235\t"
               << l.quantity << '\t' << l.weight << "\t\t\t\t\t\t_X_SAVE_\n";
    }
}

const char* kTitleColumns =
    "FileID, Tcode, Tname, Tframe, TMaterial, TWeight, Ttime, ProductDwgCode, Tother1, "
    "Tother2, Tother3, Tother4, Tother5, CurrentRev, LateRev, Manager, State";
const char* kDetailColumns = "FileID, UpCode, UpName, Ditem, Dcode, Dname, DMaterial, Dquantity, Dweight, "
                             "Dremark, Dstand, Dstyle, Dother1, Dother2, ProductDwgCode";

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

// Python's sqlite3: the import's statements with bound values in one transaction, each statement's
// rows written by one executemany (the plain bound-value writer).
double PythonBaseline(const CString& database, const std::string& folder) {
    const std::string script = folder + "/baseline.py";
    std::ofstream(script)
        << "import sqlite3, sys, time\n"
           "db = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
           "db.execute('PRAGMA journal_mode=WAL')\n"
           "db.execute('DELETE FROM VqkorvelTeam_title')\n"
           "db.execute('DELETE FROM VqkorvelTeam_detail')\n"
           "titles = [l.rstrip('\\n').split('\\t') for l in open(sys.argv[2], encoding='utf-8')]\n"
           "details = [l.rstrip('\\n').split('\\t') for l in open(sys.argv[3], encoding='utf-8')]\n"
           "start = time.perf_counter()\n"
           "c = db.cursor()\n"
           "c.execute('BEGIN')\n"
           "c.executemany('DELETE FROM VqkorvelTeam_title WHERE Tcode=?', [(t[1],) for t in titles])\n"
           "c.executemany('INSERT INTO VqkorvelTeam_title (" +
               std::string(kTitleColumns) +
               ") VALUES (' + ','.join('?' * 17) + ')', titles)\n"
               "c.executemany('DELETE FROM VqkorvelTeam_detail WHERE UpCode=? AND Dcode=?', "
               "[(d[1], d[4]) for d in details])\n"
               "c.executemany('INSERT INTO VqkorvelTeam_detail (" +
               std::string(kDetailColumns) +
               ") VALUES (' + ','.join('?' * 15) + ')', details)\n"
               "c.execute('COMMIT')\n"
               "print(time.perf_counter() - start)\n";
    const std::string out = RunText("/usr/bin/python3 " + script + " '" + database.str() + "' " + folder +
                                    "/title.tsv " + folder + "/detail.tsv");
    return std::atof(out.c_str());
}

std::string PsqlCommand() {
    return "psql -X -q -h 127.0.0.1 -p " + std::string(std::getenv("VQ_PG_PORT")) + " -U sa -d vqtest_" +
           std::to_string(getpid());
}

// psql's \copy of the same rows into the emptied tables (the whole psql run).
double CopyBaseline(const std::string& folder) {
    RunText(PsqlCommand() + " -c 'DELETE FROM VqkorvelTeam_title' -c 'DELETE FROM VqkorvelTeam_detail'");
    const std::string command = PsqlCommand() + " -c \"\\copy VqkorvelTeam_title (" + kTitleColumns +
                                ") FROM '" + folder + "/title.tsv'\" -c \"\\copy VqkorvelTeam_detail (" +
                                kDetailColumns + ") FROM '" + folder + "/detail.tsv'\"";
    const auto start = Clock::now();
    RunText(command);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;
    const bool pg = vqtest::DbWorkspace::OnPostgreSQL();
    vqtest::DbWorkspace ws(0);
    // The host reads the installation folder from vqsetup.ini too: without it, boxes.
    ws.WriteFile("windows/vqsetup.ini", ws.InstallDir().str() + "\n");
    ws.WriteFile(
        "install/qent/spt/vqbomspt.ini",
        vq::Utf8ToGbk(
            "[配置属性]\r\n父图号\r\n序号\r\n图号\r\n图名\r\n材料\r\n数量\r\n重量\r\n图幅\r\n[结束]\r\n"));
    const std::vector<Line> generated = Generate(lines);
    const CString csv = ws.WriteFile("bench.csv", Csv(generated));
    const std::string folder = ws.Root().str();
    WriteRows(generated, folder + "/title.tsv", folder + "/detail.tsv");
    const std::string head = "dialog \"产品结构数据导入\"\nclick 1388\nfile \"" + csv.str() +
                             "\" 4\ndialog \"产品数据匹配\"\nclick 1\nselect 1062 1\n";
    const CString storeScript = ws.WriteFile(
        "store.script", head + "click 1329\nmessage \"产品结构信息存储完毕...\" IDOK\nclick 2\n");
    const CString readScript = ws.WriteFile("read.script", head + "click 2\n");
    const CString floorScript = ws.WriteFile("floor.script", "dialog \"产品结构数据导入\"\nclick 2\n");

    std::vector<double> store, total, baseline;
    long peakKiB = 0, readPeakKiB = 0;
    std::vector<double> floorKiB;
    for (int run = 0; run < 3; ++run) {
        ws.Execute("DELETE FROM VqkorvelTeam_title; DELETE FROM VqkorvelTeam_detail");
        vqtest::HostRun floor = vqtest::RunHostMeasured(
            {"--headless", "--script", floorScript.str(), "ImportProductDataFromFile", "x", "admin"});
        vqtest::HostRun read = vqtest::RunHostMeasured(
            {"--headless", "--script", readScript.str(), "ImportProductDataFromFile", "x", "admin"});
        vqtest::HostRun full = vqtest::RunHostMeasured(
            {"--headless", "--script", storeScript.str(), "ImportProductDataFromFile", "x", "admin"});
        if (full.status != 0 || full.out.find("result: 1") == std::string::npos ||
            full.out.find("message") == std::string::npos || full.out.find("未能") != std::string::npos ||
            read.status != 0 || floor.status != 0) {
            std::fprintf(stderr, "the host's import failed:\n%s\n%s\n", read.out.c_str(), full.out.c_str());
            return 1;
        }
        const std::string rows = ws.QueryText("SELECT COUNT(*) FROM VqkorvelTeam_detail").str();
        if (std::atoi(rows.c_str()) != lines) {
            std::fprintf(stderr, "the import stored %s detail rows of %d\n", rows.c_str(), lines);
            return 1;
        }
        store.push_back(full.seconds - read.seconds);
        total.push_back(full.seconds);
        peakKiB = std::max(peakKiB, full.peakKiB);
        readPeakKiB = std::max(readPeakKiB, read.peakKiB);
        floorKiB.push_back(static_cast<double>(floor.peakKiB));
        baseline.push_back(pg ? CopyBaseline(folder) : PythonBaseline(ws.ProductDatabasePath(), folder));
    }
    const double ours = lines / Median(store);
    const double bare = lines / Median(baseline);
    const double goal = pg ? 0.6 : 1.0;
    const std::string engine = pg ? " (PostgreSQL)" : " (SQLite)";
    const bool rateMet = bench::Goal("import store against its baseline" + engine, ours / bare, ">=", goal);
    const double peakGoal = 1.25 * Median(floorKiB);
    const bool memoryMet =
        bench::Goal("headless import peak memory against 1.25 times the open dialog" + engine,
                    peakKiB / peakGoal, "<=", 1.0);
    std::printf("import store, %d lines, %s: %.0f lines/s (store %.2f s, slowest %.2f s, host run %.2f s); "
                "baseline %s: %.0f lines/s; ratio %.2f (goal >= %.1f: %s)\n",
                lines, pg ? "PostgreSQL" : "SQLite", ours, Median(store),
                *std::max_element(store.begin(), store.end()), Median(total),
                pg ? "psql \\copy" : "Python sqlite3, executemany with bound values, one transaction", bare,
                ours / bare, goal, bench::Verdict(rateMet));
    std::printf(
        "headless import of %d lines, peak memory: %.1f MiB (goal <= %.1f: %s, 1.25 times the host with "
        "the dialog open and nothing read: %.1f MiB; reading and matching alone: %.1f MiB)\n",
        lines, peakKiB / 1024.0, peakGoal / 1024.0, bench::Verdict(memoryMet), Median(floorKiB) / 1024.0,
        readPeakKiB / 1024.0);
    return bench::Status();
}
