// Publishes a change order of 1,000 parts over generated product structures of growing size on
// the SQLite product database, and runs the same inserts bare as the baseline.
//
//   build/bench/bench/publish_bench [lines...]      (default: 12000 50000 200000; at least 10,000)
//
// The archive structure has `lines` lines, ten components under each assembly; the order changes
// 1,000 parts spread evenly over it, and each of them is also used by an assembly of the
// collaborative-design structure and has an assembly of its own above it in the archive, so that publishing
// writes 1,000 release rows, 1,000 direct and 2,000 indirect notice rows, and one message row per manager (50
// users manage the parts; mail is switched off in the settings). The baseline writes the same release and
// notice rows with the same statements (two INSERT ... SELECT, one prepared INSERT per indirect row) and the
// same message rows, without the reads and notices around them. Statements per part should stay the same
// whatever the structure's size, and so should the time.
#include "changeorders/ECOPublisher.h"
#include "core/VqDesignTaskApp.h"
#include "platform/db/Command.h"
#include "tests/support/DbWorkspace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kParts = 1000;
constexpr int kUsers = 50;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// A statement prepared once and run with bound values.
class Prepared {
public:
    Prepared(const _ConnectionPtr& conn, const char* sql, int count) {
        m_cmd.CreateInstance();
        m_cmd->PutActiveConnection(conn);
        m_cmd->PutCommandText(sql);
        m_cmd->PutCommandType(adCmdText);
        m_cmd->PutPrepared(true);
        for (int i = 0; i < count; ++i)
            m_cmd->GetParameters()->Append(
                m_cmd->CreateParameter("p" + std::to_string(i), adBSTR, adParamInput, 255));
    }
    void Run(const std::vector<std::string>& values) {
        for (std::size_t i = 0; i < values.size(); ++i)
            m_cmd->GetParameters()
                ->GetItem(_variant_t(static_cast<long>(i)))
                ->PutValue(_variant_t(CString(values[i])));
        m_cmd->Execute(nullptr, nullptr, adCmdText);
    }

private:
    _CommandPtr m_cmd;
};

std::string Code(int i) {
    return "N-" + std::to_string(i);
}

void Generate(const _ConnectionPtr& conn, int lines) {
    conn->BeginTrans();
    Prepared detail(conn, "INSERT INTO VqkorvelAll_detail (UpCode, Dcode, Dname) VALUES (?, ?, ?)", 3);
    Prepared title(conn, "INSERT INTO VqkorvelAll_title (TCode, TName, Manager) VALUES (?, ?, ?)", 3);
    for (int i = 0; i < lines; ++i) {
        const int parent = i / 10;
        const std::string up = parent == 0 ? std::string("BENCH") : Code(parent - 1);
        detail.Run({up, Code(i), "零件" + std::to_string(i)});
        title.Run({Code(i), "零件" + std::to_string(i), "u" + std::to_string(i % kUsers)});
    }
    Prepared part(conn, "INSERT INTO ECOChangePart (ECONo, PartCode, PartName) VALUES ('BENCH-1', ?, ?)", 2);
    Prepared team(conn, "INSERT INTO VqkorvelTeam_detail (UpCode, Dcode) VALUES (?, ?)", 2);
    Prepared teamTitle(conn, "INSERT INTO VqkorvelTeam_title (TCode, TName, Manager) VALUES (?, ?, ?)", 3);
    // The first component of 1,000 assemblies spread over the structure: every changed part has
    // an assembly of its own one level up.
    const int assemblies = lines / 10;
    for (int k = 0; k < kParts; ++k) {
        const int i = 10 * (1 + k * (assemblies - 1) / kParts);
        part.Run({Code(i), "零件" + std::to_string(i)});
        const std::string assembly = "T-" + std::to_string(k);
        team.Run({assembly, Code(i)});
        teamTitle.Run({assembly, "协同" + std::to_string(k), "u" + std::to_string(k % kUsers)});
    }
    Prepared user(conn, "INSERT INTO UserInformation (UserLogName, UserName, EmailAddress) VALUES (?, ?, ?)",
                  3);
    for (int u = 0; u < kUsers; ++u)
        user.Run(
            {"u" + std::to_string(u), "用户" + std::to_string(u), "u" + std::to_string(u) + "@vq.example"});
    conn->CommitTrans();
}

long long Count(vqtest::DbWorkspace& ws, const char* table) {
    return std::atoll(ws.QueryText(CString("SELECT COUNT(*) FROM ") + table).c_str());
}

struct Result {
    double publishSeconds = 0;
    double bareSeconds = 0;
    long long rows = 0;
    long statements = 0;
};

// The same rows again, written bare under another order number.
double RunBare(vqtest::DbWorkspace& ws, const _ConnectionPtr& conn) {
    struct Row {
        std::string code, name, manager;
    };
    std::vector<Row> indirect;
    _RecordsetPtr rs;
    rs.CreateInstance();
    rs->Open(
        "SELECT PartCode, PartName, Manager FROM ECOPartNotify WHERE ECONo='BENCH-1' AND RelateType='间接'",
        conn, adOpenForwardOnly, adLockReadOnly, adCmdText);
    for (; !rs->IsEOF(); rs->MoveNext())
        indirect.push_back({rs->GetCollect(0L).ToString().str(), rs->GetCollect(1L).ToString().str(),
                            rs->GetCollect(2L).ToString().str()});
    rs->Close();
    const long long messages = Count(ws, "MessageManage");
    ws.Execute("UPDATE ECOChangePart SET ECONo='BENCH-2'");

    const auto start = Clock::now();
    conn->Execute(
        "INSERT INTO ECOPartRelease (ECOGroup, ECONo, PartCode, PartName, IsChanged, SaveDate) SELECT "
        "'更改单', 'BENCH-2', PartCode, PartName, '否', '2026-12-07' FROM ECOChangePart WHERE "
        "ECONo='BENCH-2'");
    conn->Execute(
        "INSERT INTO ECOPartNotify (ECOGroup, ECONo, RelateType, PartCode, PartName, ReleaseUser, "
        "ReleaseDate) SELECT '更改单', 'BENCH-2', '直接', PartCode, PartName, 'admin', '2026-12-07' FROM "
        "ECOChangePart WHERE ECONo='BENCH-2'");
    Prepared notify(conn,
                    "INSERT INTO ECOPartNotify (ECOGroup, ECONo, RelateType, PartCode, PartName, Manager, "
                    "ReleaseUser, ReleaseDate) VALUES(?, ?, '间接', ?, ?, ?, ?, ?)",
                    7);
    for (const Row& row : indirect)
        notify.Run({"更改单", "BENCH-2", row.code, row.name, row.manager, "admin", "2026-12-07"});
    for (long long m = 0; m < messages; ++m)
        conn->Execute(
            "INSERT INTO MessageManage (Sender, Reseiver, SendTime, SendDate, MachineIP, Topic, Content, "
            "ReadFlag) VALUES('系统', 'u" +
            CString(std::to_string(m)) +
            "', '2026-12-07 12:00', '2026-12-07', '', '更改单发放自动通知', '更改单：BENCH-1 已发布', 'N')");
    return Seconds(start, Clock::now());
}

Result Run(int lines) {
    Result result;
    vqtest::DbWorkspace ws(0);
    _ConnectionPtr conn = ws.Connect();
    Generate(conn, lines);
    theApp.m_pConnPDM = conn;
    theApp.m_nDatabaseType = 0;
    theApp.m_strLoginUser = "admin";

    CECOPublisher publisher;
    publisher.m_strECONo = "BENCH-1";
    publisher.m_strECOGroup = "更改单";
    const auto start = Clock::now();
    publisher.Publish();
    result.publishSeconds = Seconds(start, Clock::now());
    result.statements = publisher.StatementCount();
    result.rows = Count(ws, "ECOPartRelease") + Count(ws, "ECOPartNotify") + Count(ws, "MessageManage");
    result.bareSeconds = RunBare(ws, conn);
    theApp.m_pConnPDM = nullptr;
    return result;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {12000, 50000, 200000};
    std::printf("%10s %8s %10s %12s %12s %12s %10s %10s\n", "lines", "rows", "publish s", "publish r/s",
                "bare s", "bare r/s", "stmts", "stmts/part");
    for (int lines : sizes) {
        const Result r = Run(lines);
        std::printf("%10d %8lld %10.3f %12.0f %12.3f %12.0f %10ld %10.2f\n", lines, r.rows, r.publishSeconds,
                    r.rows / r.publishSeconds, r.bareSeconds, r.rows / r.bareSeconds, r.statements,
                    static_cast<double>(r.statements) / kParts);
        std::fflush(stdout);
    }
    return 0;
}
