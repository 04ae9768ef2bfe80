// Two client processes store and read product structures in the same product database at the
// same time (the shared server when the tests run on PostgreSQL, else the SQLite file): no line
// is lost, every read sees whole lines, and the sequence steps of both give distinct values.
// Then two host programs import structures from files at the same time while a third client
// reads them.
//
// The test program runs itself twice more with VQ_TWO_CLIENTS_ROLE set; in those runs only the
// client test does anything, on the data source the parent's workspace wrote.
#include "platform/base/TextCodec.h"
#include "platform/db/Ado.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kLines = 120;
constexpr int kSteps = 60;

std::string Root(int client) {
    return "TWO-" + std::to_string(client);
}
std::string Code(int client, int line) {
    return Root(client) + "-" + std::to_string(line);
}
// Long texts that a torn read would show: each is made from its own code.
std::string NameOf(const std::string& code) {
    std::string name = "零件" + code + ":";
    while (name.size() < 240)
        name += code;
    return name;
}
std::string RemarkOf(const std::string& code) {
    return "备注/" + code;
}

_variant_t Text(const std::string& s) {
    return _variant_t(CString(s));
}

// One line of a structure and its title, in one transaction.
void StoreLine(const _ConnectionPtr& conn, int client, int line) {
    std::string code = Code(client, line);
    conn->BeginTrans();
    try {
        _CommandPtr cmd;
        cmd.CreateInstance();
        cmd->PutActiveConnection(conn);
        cmd->PutCommandText(
            "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode, Dname, Dquantity, Dremark) "
            "VALUES (?, ?, ?, ?, ?, ?)");
        for (const _variant_t& v :
             {Text(Root(client)), _variant_t(static_cast<long>(line)), Text(code), Text(NameOf(code)),
              _variant_t(static_cast<long>(line % 7 + 1)), Text(RemarkOf(code))})
            cmd->GetParameters()->Append(
                cmd->CreateParameter("", v.vt == VT_BSTR ? adVarChar : adInteger, adParamInput, 255, v));
        cmd->Execute(nullptr, nullptr, adCmdText);

        _CommandPtr title;
        title.CreateInstance();
        title->PutActiveConnection(conn);
        title->PutCommandText("INSERT INTO VqkorvelAll_title (TCode, TName) VALUES (?, ?)");
        for (const _variant_t& v : {Text(code), Text(NameOf(code))})
            title->GetParameters()->Append(title->CreateParameter("", adVarChar, adParamInput, 255, v));
        title->Execute(nullptr, nullptr, adCmdText);
        conn->CommitTrans();
    } catch (...) {
        conn->RollbackTrans();
        throw;
    }
}

struct Line {
    std::string up, code, name, remark, title;
    long item = 0;
};

// The structure below a root as the structure reader reads it (the stored procedure).
std::vector<Line> ReadStructure(const _ConnectionPtr& conn, const std::string& root) {
    _CommandPtr cmd;
    cmd.CreateInstance();
    cmd->PutActiveConnection(conn);
    cmd->PutCommandText("ShowPartTree");
    cmd->PutCommandType(adCmdStoredProc);
    cmd->GetParameters()->Append(cmd->CreateParameter("UpCode", adVarChar, adParamInput, 100, Text(root)));
    _RecordsetPtr rs = cmd->Execute(nullptr, nullptr, adCmdStoredProc);
    std::vector<Line> lines;
    while (!rs->IsEOF()) {
        Line l;
        l.up = rs->GetCollect(0L).ToString().str();
        l.code = rs->GetCollect(1L).ToString().str();
        l.item = rs->GetCollect(2L).ToLong();
        l.remark = rs->GetCollect(3L).ToString().str();
        l.title = rs->GetCollect(4L).ToString().str();
        lines.push_back(std::move(l));
        rs->MoveNext();
    }
    return lines;
}

// Every line read is whole: its texts belong to its code, and the lines come in item order.
void ExpectWhole(const std::vector<Line>& lines, int client) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& l = lines[i];
        ASSERT_EQ(l.up, Root(client));
        ASSERT_EQ(l.code, Code(client, static_cast<int>(l.item))) << "line " << i;
        ASSERT_EQ(l.remark, RemarkOf(l.code));
        ASSERT_EQ(l.title, NameOf(l.code));
        if (i > 0) {
            ASSERT_GT(l.item, lines[i - 1].item);
        }
    }
}

// The client run: store its structure line by line, read the other client's structure between
// the lines (it only grows), and step the shared sequence, writing the values it got to a file.
TEST(TwoClientsTest, Client) {
    const char* role = std::getenv("VQ_TWO_CLIENTS_ROLE");
    if (!role)
        GTEST_SKIP() << "run by TwoClientsTest.StoreAndReadAtTheSameTime";
    int me = std::atoi(role);
    int other = 1 - me;
    _ConnectionPtr conn;
    conn.CreateInstance();
    conn->Open("DSN=vqdetail; UID=sa; PWD=");
    std::ofstream steps(std::getenv("VQ_TWO_CLIENTS_STEPS"));
    std::size_t seen = 0;
    for (int line = 0; line < std::max(kLines, kSteps); ++line) {
        if (line < kLines)
            StoreLine(conn, me, line);
        if (line < kSteps) {
            _RecordsetPtr rs = conn->Execute("SELECT Two_Seq.nextVal FROM dual");
            ASSERT_FALSE(rs->IsEOF());
            steps << rs->GetCollect(0L).ToLong() << "\n";
        }
        std::vector<Line> lines = ReadStructure(conn, Root(other));
        ASSERT_GE(lines.size(), seen);
        seen = lines.size();
        ExpectWhole(lines, other);
        if (HasFatalFailure())
            return;
    }
}

pid_t StartClient(int role, const std::string& stepsFile) {
    setenv("VQ_TWO_CLIENTS_ROLE", std::to_string(role).c_str(), 1);
    setenv("VQ_TWO_CLIENTS_STEPS", stepsFile.c_str(), 1);
    std::string exe = "/proc/self/exe";
    std::string filter = "--gtest_filter=TwoClientsTest.Client";
    char* argv[] = {exe.data(), filter.data(), nullptr};
    pid_t pid = -1;
    int rc = posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv, environ);
    unsetenv("VQ_TWO_CLIENTS_ROLE");
    unsetenv("VQ_TWO_CLIENTS_STEPS");
    return rc == 0 ? pid : -1;
}

TEST(TwoClientsTest, StoreAndReadAtTheSameTime) {
    if (std::getenv("VQ_TWO_CLIENTS_ROLE"))
        GTEST_SKIP();
    vqtest::DbWorkspace ws;
    ws.Execute("INSERT INTO vq_sequences (Name, Value) VALUES ('Two_Seq', 0)");
    std::string steps[2] = {(ws.TempDir() + "/steps0.txt").str(), (ws.TempDir() + "/steps1.txt").str()};
    pid_t clients[2] = {StartClient(0, steps[0]), StartClient(1, steps[1])};
    for (pid_t pid : clients) {
        ASSERT_GT(pid, 0);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a client failed: status " << status;
    }

    // Both structures are complete.
    _ConnectionPtr conn = ws.Connect();
    for (int client = 0; client < 2; ++client) {
        std::vector<Line> lines = ReadStructure(conn, Root(client));
        EXPECT_EQ(lines.size(), static_cast<std::size_t>(kLines));
        ExpectWhole(lines, client);
    }
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM VqkorvelAll_title WHERE TCode LIKE 'two-%'"),
              std::to_string(2 * kLines));

    // The sequence gave each step its own value, none skipped.
    std::set<long> values;
    std::size_t count = 0;
    for (const std::string& file : steps) {
        std::ifstream in(file);
        long v;
        while (in >> v) {
            values.insert(v);
            ++count;
        }
    }
    EXPECT_EQ(count, static_cast<std::size_t>(2 * kSteps));
    EXPECT_EQ(values.size(), count);
    if (!values.empty()) {
        EXPECT_EQ(*values.begin(), 1);
        EXPECT_EQ(*values.rbegin(), 2 * kSteps);
    }
    EXPECT_EQ(ws.QueryText("SELECT Value FROM vq_sequences WHERE Name='two_seq'"),
              std::to_string(2 * kSteps));
}

// --- Two hosts importing product structures ---------------------------------------------------

// A structure of the product: lines+1 parts below the product, two more below the first one.
std::string StructureCsv(const std::string& product, int lines) {
    std::string csv = "\"父图号\",\"序号\",\"图号\",\"图名\",\"数量\",\"图幅\"\r\n";
    auto line = [&](const std::string& up, int item, const std::string& code) {
        csv += "\"" + up + "\",\"" + std::to_string(item) + "\",\"" + code + "\",\"" +
               NameOf(code).substr(0, 60) + "\",\"" + std::to_string(item % 5 + 1) + "\",\"A" +
               std::to_string(item % 4) + "\"\r\n";
    };
    for (int i = 1; i <= lines; ++i)
        line(product, i, product + "-" + std::to_string(i));
    line(product + "-1", 1, product + "-1-1");
    line(product + "-1", 2, product + "-1-2");
    return csv;
}

std::string ImportScript(const std::string& product, const std::string& csvPath) {
    return "dialog \"产品结构数据导入\"\n"
           "click 1262\n"
           "dialog ~\"选择产品\"\n"
           "select 1003 \"" +
           product +
           "\"\n"
           "click 1236\n"
           "click 1388\n"
           "file \"" +
           csvPath +
           "\" 4\n"
           "dialog \"产品数据匹配\"\n"
           "click 1\n"
           "click 1329\n"
           "message \"产品结构信息存储完毕...\" IDOK\n"
           "click 2\n";
}

pid_t StartHost(const std::string& script, const std::string& output) {
    std::string exe = VQ_BINARY_DIR "/host/vqhost";
    std::vector<std::string> args = {exe, "--headless", "--script", script, "ImportProductDataFromFile",
                                     "x", "zhangsan"};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// Lines of a product's structure as stored: each whole (its name belongs to its code).
void ExpectWholeImport(const _ConnectionPtr& conn, const std::string& product, std::size_t expected) {
    _RecordsetPtr rs = conn->Execute(CString(
        "SELECT UpCode, Dcode, Dname FROM VqkorvelAll_detail WHERE ProductDwgCode='" + product + "'"));
    std::size_t count = 0;
    while (!rs->IsEOF()) {
        std::string code = rs->GetCollect(1L).ToString().str();
        std::string up = rs->GetCollect(0L).ToString().str();
        EXPECT_EQ(rs->GetCollect(2L).ToString().str(), NameOf(code).substr(0, 60)) << code;
        EXPECT_EQ(code.rfind(up + "-", 0), 0u) << up << " / " << code;
        ++count;
        rs->MoveNext();
    }
    if (expected) {
        EXPECT_EQ(count, expected) << product;
    }
}

TEST(TwoClientsTest, TwoHostsImportStructuresAtTheSameTime) {
    if (std::getenv("VQ_TWO_CLIENTS_ROLE"))
        GTEST_SKIP();
    constexpr int kParts = 150;
    vqtest::DbWorkspace ws;
    const std::string products[2] = {"P-7100", "P-7200"};
    for (const std::string& p : products)
        ws.Execute(CString(
            "INSERT INTO Product (ProductDwgCode, ProductName, ProductStyle, ProductStand) VALUES ('" + p +
            "', '减速机', 'JX', 'ZQ-250')"));
    ws.WriteFile("install/qent/spt/vqbomspt.ini",
                 vq::Utf8ToGbk("[配置属性]\r\n父图号\r\n序号\r\n图号\r\n图名\r\n数量\r\n图幅\r\n[结束]\r\n"));
    pid_t hosts[2];
    std::string outputs[2];
    for (int i = 0; i < 2; ++i) {
        CString csv = ws.WriteFile(CString("in/bom" + std::to_string(i) + ".csv"),
                                   vq::Utf8ToGbk(StructureCsv(products[i], kParts)));
        CString script = ws.WriteFile(CString("in/import" + std::to_string(i) + ".script"),
                                      ImportScript(products[i], csv.str()));
        outputs[i] = (ws.TempDir() + "/host" + std::to_string(i) + ".txt").str();
        hosts[i] = StartHost(script.str(), outputs[i]);
    }

    // While the hosts store, this client reads what is there: only whole lines.
    _ConnectionPtr conn = ws.Connect();
    bool running = true;
    int finished[2] = {-1, -1};
    int reads = 0;
    while (running) {
        ++reads;
        for (const std::string& p : products)
            ExpectWholeImport(conn, p, 0);
        running = false;
        for (int i = 0; i < 2; ++i) {
            if (hosts[i] > 0 && finished[i] == -1) {
                int status = 0;
                if (waitpid(hosts[i], &status, WNOHANG) == hosts[i])
                    finished[i] = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
                else
                    running = true;
            }
        }
    }
    RecordProperty("reads", reads);
    for (int i = 0; i < 2; ++i) {
        ASSERT_GT(hosts[i], 0);
        std::ifstream in(outputs[i]);
        std::string out((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(finished[i], 0) << out;
        EXPECT_NE(out.find("result: 1"), std::string::npos) << out;
    }
    for (const std::string& p : products)
        ExpectWholeImport(conn, p, kParts + 2);
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM VqkorvelAll_title WHERE Manager='zhangsan'"),
              std::to_string(2 * (kParts + 2)));
}

} // namespace
