// Publishes change orders over generated product structures on the product database (SQLite, or
// PostgreSQL when VQ_PG_PORT names a server) and writes the same rows bare as the baseline.
//
//   build/bench/bench/publish_bench [lines...]      (default: 12000 50000 200000; at least 10,000)
//
// Cases: an order of 1,000 parts whose parts 50 users manage, over archive structures of `lines`
// lines (ten components under each assembly); then orders of 1,000 and 3,000 parts that one user
// manages all of, over one structure of 36,000 lines. The order's parts are spread evenly
// over the structure, and each of them is also used by an assembly of the collaborative-design
// structure and has an assembly of its own above it in the archive, so that publishing writes one
// release row, one direct and two indirect notice rows per part, and one message row per manager
// (mail is switched off in the settings). The baseline writes the same rows (read back from the
// publication) in one transaction, one prepared INSERT per row. Each figure is the best of three
// runs. Statements and time per part
// should stay the same whatever the structure's size and however many notices one person gets.
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
constexpr int kUsers = 50;
constexpr int kBatch = 1000;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

_CommandPtr Prepared(const _ConnectionPtr& conn, const std::string& sql, std::size_t count) {
    _CommandPtr cmd;
    cmd.CreateInstance();
    cmd->PutActiveConnection(conn);
    cmd->PutCommandText(CString(sql));
    cmd->PutCommandType(adCmdText);
    cmd->PutPrepared(true);
    for (std::size_t i = 0; i < count; ++i)
        cmd->GetParameters()->Append(
            cmd->CreateParameter("p" + std::to_string(i), adBSTR, adParamInput, 255));
    return cmd;
}

// Rows of one insert, sent in batches as they fill.
class Rows {
public:
    Rows(const _ConnectionPtr& conn, const char* sql) : m_cmd(Prepared(conn, sql, 0)) {}
    ~Rows() { Flush(); }
    void Add(std::vector<_variant_t> row) {
        m_rows.push_back(std::move(row));
        if (m_rows.size() >= kBatch)
            Flush();
    }
    void Flush() {
        if (!m_rows.empty())
            m_cmd->ExecuteArray(m_rows);
        m_rows.clear();
    }

private:
    _CommandPtr m_cmd;
    std::vector<std::vector<_variant_t>> m_rows;
};

CString Code(int i) {
    return CString("N-" + std::to_string(i));
}

CString Text(const char* prefix, int i) {
    return CString(prefix + std::to_string(i));
}

void Generate(const _ConnectionPtr& conn, int lines, int parts, int managers) {
    conn->BeginTrans();
    {
        Rows detail(conn, "INSERT INTO VqkorvelAll_detail (UpCode, Dcode, Dname) VALUES (?, ?, ?)");
        Rows title(conn, "INSERT INTO VqkorvelAll_title (TCode, TName, Manager) VALUES (?, ?, ?)");
        for (int i = 0; i < lines; ++i) {
            const int parent = i / 10;
            const CString up = parent == 0 ? CString("BENCH") : Code(parent - 1);
            detail.Add({up, Code(i), Text("零件", i)});
            title.Add({Code(i), Text("零件", i), Text("u", i % managers)});
        }
        Rows part(conn, "INSERT INTO ECOChangePart (ECONo, PartCode, PartName) VALUES ('BENCH-1', ?, ?)");
        Rows team(conn, "INSERT INTO VqkorvelTeam_detail (UpCode, Dcode) VALUES (?, ?)");
        Rows teamTitle(conn, "INSERT INTO VqkorvelTeam_title (TCode, TName, Manager) VALUES (?, ?, ?)");
        // The first component of `parts` assemblies spread over the structure: every changed
        // part has an assembly of its own one level up.
        const int assemblies = lines / 10;
        for (int k = 0; k < parts; ++k) {
            const int i = 10 * (1 + static_cast<int>(static_cast<long long>(k) * (assemblies - 1) / parts));
            part.Add({Code(i), Text("零件", i)});
            const CString assembly = Text("T-", k);
            team.Add({assembly, Code(i)});
            teamTitle.Add({assembly, Text("协同", k), Text("u", k % managers)});
        }
        Rows user(conn, "INSERT INTO UserInformation (UserLogName, UserName, EmailAddress) VALUES (?, ?, ?)");
        for (int u = 0; u < kUsers; ++u)
            user.Add({Text("u", u), Text("用户", u), CString("u" + std::to_string(u) + "@vq.example")});
    }
    conn->CommitTrans();
}

long long Count(vqtest::DbWorkspace& ws, const char* table) {
    return std::atoll(ws.QueryText(CString("SELECT COUNT(*) FROM ") + table).c_str());
}

// The rows a statement reads, as values.
std::vector<std::vector<_variant_t>> Read(const _ConnectionPtr& conn, const char* sql, long columns) {
    std::vector<std::vector<_variant_t>> rows;
    _RecordsetPtr rs;
    rs.CreateInstance();
    rs->Open(sql, conn, adOpenForwardOnly, adLockReadOnly, adCmdText);
    for (; !rs->IsEOF(); rs->MoveNext()) {
        std::vector<_variant_t> row;
        for (long c = 0; c < columns; ++c)
            row.push_back(rs->GetCollect(c));
        rows.push_back(std::move(row));
    }
    rs->Close();
    return rows;
}

const char* const kPublicationTables[] = {"ECOPartRelease", "ECOPartNotify", "MessageManage"};

// The rows of the publication again, bare: one transaction, one prepared INSERT per row. Leaves
// the tables empty.
double RunBare(const _ConnectionPtr& conn) {
    struct Table {
        const char* read;
        const char* insert;
        long columns;
    };
    const Table tables[] = {
        {"SELECT ECOGroup, ECONo, PartCode, PartName, IsChanged, SaveDate FROM ECOPartRelease",
         "INSERT INTO ECOPartRelease (ECOGroup, ECONo, PartCode, PartName, IsChanged, SaveDate) VALUES (?, "
         "?, ?, "
         "?, ?, ?)",
         6},
        {"SELECT ECOGroup, ECONo, RelateType, PartCode, PartName, Manager, ReleaseUser, ReleaseDate FROM "
         "ECOPartNotify",
         "INSERT INTO ECOPartNotify (ECOGroup, ECONo, RelateType, PartCode, PartName, Manager, ReleaseUser, "
         "ReleaseDate) VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
         8},
        {"SELECT Sender, Reseiver, SendTime, SendDate, MachineIP, Topic, Content, ReadFlag FROM "
         "MessageManage",
         "INSERT INTO MessageManage (Sender, Reseiver, SendTime, SendDate, MachineIP, Topic, Content, "
         "ReadFlag) "
         "VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
         8},
    };
    std::vector<std::vector<std::vector<_variant_t>>> rows;
    for (const Table& table : tables)
        rows.push_back(Read(conn, table.read, table.columns));
    for (const char* table : kPublicationTables)
        conn->Execute(CString("DELETE FROM ") + table);

    const auto start = Clock::now();
    conn->BeginTrans();
    for (std::size_t t = 0; t < rows.size(); ++t) {
        _CommandPtr insert = Prepared(conn, tables[t].insert, static_cast<std::size_t>(tables[t].columns));
        for (const auto& row : rows[t]) {
            for (std::size_t c = 0; c < row.size(); ++c)
                insert->GetParameters()->GetItem(_variant_t(static_cast<long>(c)))->PutValue(row[c]);
            insert->Execute(nullptr, nullptr, adCmdText);
        }
    }
    conn->CommitTrans();
    const double seconds = Seconds(start, Clock::now());
    for (const char* table : kPublicationTables)
        conn->Execute(CString("DELETE FROM ") + table);
    return seconds;
}

struct Case {
    int lines;
    int parts;
    int managers;
};

struct Result {
    double publishSeconds = 0;
    double bareSeconds = 0;
    long long rows = 0;
    long statements = 0;
};

// The best of three runs of each, on the same structure.
Result Run(const Case& c) {
    constexpr int kRuns = 3;
    Result result;
    vqtest::DbWorkspace ws(0);
    _ConnectionPtr conn = ws.Connect();
    Generate(conn, c.lines, c.parts, c.managers);
    theApp.m_pConnPDM = conn;
    theApp.m_nDatabaseType = 0;
    theApp.m_strLoginUser = "admin";
    for (int run = 0; run < kRuns; ++run) {
        CECOPublisher publisher;
        publisher.m_strECONo = "BENCH-1";
        publisher.m_strECOGroup = "更改单";
        const auto start = Clock::now();
        if (publisher.Publish() != 1)
            std::fprintf(stderr, "publishing failed\n");
        const double seconds = Seconds(start, Clock::now());
        result.statements = publisher.StatementCount();
        result.rows = Count(ws, "ECOPartRelease") + Count(ws, "ECOPartNotify") + Count(ws, "MessageManage");
        const double bare = RunBare(conn);
        if (run == 0 || seconds < result.publishSeconds)
            result.publishSeconds = seconds;
        if (run == 0 || bare < result.bareSeconds)
            result.bareSeconds = bare;
    }
    theApp.m_pConnPDM = nullptr;
    return result;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<Case> cases;
    for (int i = 1; i < argc; ++i)
        cases.push_back({std::atoi(argv[i]), 1000, kUsers});
    if (cases.empty())
        cases = {{12000, 1000, kUsers}, {50000, 1000, kUsers}, {200000, 1000, kUsers}};
    cases.push_back({36000, 1000, 1});
    cases.push_back({36000, 3000, 1});
    std::printf("publishing on %s\n", vqtest::DbWorkspace::OnPostgreSQL() ? "PostgreSQL" : "SQLite");
    std::printf("%8s %6s %8s %7s %10s %8s %8s %7s %10s\n", "lines", "parts", "managers", "rows", "publish s",
                "bare s", "ratio", "stmts", "stmts/part");
    double onePart1000 = 0, onePart3000 = 0;
    for (const Case& c : cases) {
        const Result r = Run(c);
        std::printf("%8d %6d %8d %7lld %10.3f %8.3f %8.2f %7ld %10.3f\n", c.lines, c.parts, c.managers,
                    r.rows, r.publishSeconds, r.bareSeconds, r.publishSeconds / r.bareSeconds, r.statements,
                    static_cast<double>(r.statements) / c.parts);
        std::fflush(stdout);
        if (c.managers == 1)
            (c.parts == 1000 ? onePart1000 : onePart3000) = r.publishSeconds;
    }
    if (onePart1000 > 0 && onePart3000 > 0)
        std::printf("one manager: 3,000 parts take %.2f times the time of 1,000\n",
                    onePart3000 / onePart1000);
    return 0;
}
