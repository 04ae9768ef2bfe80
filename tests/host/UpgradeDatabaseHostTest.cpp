// A product database made by an earlier version (tests/host/data: its schema, before the stamps of
// change-task writes and the indexes of waiting steps): the host works on it and says once how to
// bring it to this version's schema; scripts/upgrade-database does so without touching a row, and
// changes nothing when it runs again. It refuses any other database without making anything in
// it, waits for the locks of clients on a server and says so in words, and never shows a password.
#include "core/ComError.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/HostProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string kEarlierSchema = VQ_SOURCE_DIR "/tests/host/data/earlier-product.sql";
const std::string kEarlierConverter = VQ_SOURCE_DIR "/tests/host/data/earlier-product-sql";
const char* const kUpgradeCommand = "scripts/upgrade-database";

// The schema's objects as the database describes them, in the order of their names.
CString SchemaOf(const vqtest::DbWorkspace& ws) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        return ws.QueryText("SELECT group_concat(line, char(10)) FROM (SELECT type || ' ' || name || ' ' || "
                            "tbl_name || ' ' || coalesce(sql, '') AS line FROM sqlite_master ORDER BY type, "
                            "name)");
    const char* const parts[] = {
        "SELECT string_agg(table_name || '.' || column_name || ' ' || data_type || ' ' || is_nullable || ' ' "
        "|| "
        "coalesce(column_default, ''), E'\\n' ORDER BY table_name, ordinal_position) FROM "
        "information_schema.columns WHERE table_schema = 'public'",
        "SELECT string_agg(indexdef, E'\\n' ORDER BY indexname) FROM pg_indexes WHERE schemaname = 'public'",
        "SELECT string_agg(pg_get_triggerdef(oid), E'\\n' ORDER BY tgname) FROM pg_trigger WHERE NOT "
        "tgisinternal",
        "SELECT string_agg(pg_get_functiondef(oid), E'\\n' ORDER BY proname, oid::regprocedure::text) FROM "
        "pg_proc WHERE pronamespace = 'public'::regnamespace AND prokind = 'f'",
        "SELECT string_agg(sequence_name, E'\\n' ORDER BY sequence_name) FROM information_schema.sequences"};
    CString text;
    for (const char* part : parts)
        text += ws.QueryText(part) + "\n--\n";
    return text;
}

std::vector<std::string> TablesOf(const vqtest::DbWorkspace& ws) {
    const CString list = ws.QueryText(
        vqtest::DbWorkspace::OnPostgreSQL()
            ? "SELECT string_agg(table_name, ' ' ORDER BY table_name) FROM information_schema.tables "
              "WHERE table_schema = 'public' AND table_type = 'BASE TABLE'"
            : "SELECT group_concat(name, ' ') FROM (SELECT name FROM sqlite_master WHERE type = "
              "'table' ORDER BY name)");
    std::vector<std::string> tables;
    std::istringstream in(list.str());
    for (std::string name; in >> name;)
        tables.push_back(name);
    return tables;
}

// Every row of the tables, each table's rows in the order of their text.
std::string RowsOf(const vqtest::DbWorkspace& ws, const std::vector<std::string>& tables) {
    _ConnectionPtr connection = ws.Connect();
    std::string text;
    for (const std::string& table : tables) {
        std::vector<std::string> rows;
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(CString("SELECT * FROM " + table), connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        const long columns = rs->GetFields()->GetCount();
        for (; !rs->IsEOF(); rs->MoveNext()) {
            std::string row;
            for (long c = 0; c < columns; ++c) {
                const _variant_t value = rs->GetCollect(c);
                row +=
                    (value.IsNull() ? std::string("NULL") : "'" + VariantToString(value).str() + "'") + "|";
            }
            rows.push_back(row);
        }
        rs->Close();
        std::sort(rows.begin(), rows.end());
        text += table + ":\n";
        for (const std::string& row : rows)
            text += "  " + row + "\n";
    }
    return text;
}

std::size_t Occurrences(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++count;
    return count;
}

// The host opens the product database once for an entry call and closes it again.
vqtest::HostRun OpenAChangeNotice(vqtest::DbWorkspace& ws) {
    const CString script = ws.WriteFile("in/look.script", "dialog \"更改通知单 - 改底图\"\n"
                                                          "click \"取消\"\n");
    return vqtest::RunHost("--headless --script " + script.str() +
                           " ShowECOChanageItemData JX-2026-004 zhangsan");
}

vqtest::HostRun Upgrade(const vqtest::DbWorkspace& ws) {
    return vqtest::RunProgramMeasured(VQ_SOURCE_DIR "/" + std::string(kUpgradeCommand),
                                      {ws.ProductDatabaseArgument()});
}

vqtest::HostRun UpgradeOf(const std::string& target) {
    return vqtest::RunProgramMeasured(VQ_SOURCE_DIR "/" + std::string(kUpgradeCommand), {target});
}

// Runs sqlite3 on a file (a new file is made).
std::string Sqlite(const std::string& file, const std::string& sql) {
    return vqtest::RunProgramMeasured("/usr/bin/sqlite3", {file, sql}).out;
}

// The product database's connection string on a server, naming another database of it.
std::string OnDatabase(const vqtest::DbWorkspace& ws, const std::string& database) {
    std::string text = ws.ProductDatabaseArgument();
    const std::size_t at = text.find("dbname=");
    const std::size_t end = text.find(' ', at);
    return text.replace(at, end - at, "dbname=" + database);
}

std::string ReadText(const std::string& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

const char* const kPassword = "Geheim-4711";

} // namespace

TEST(UpgradeDatabaseHost, AnEarlierDatabaseIsBroughtToThisSchemaWithItsRowsUnchanged) {
    vqtest::DbWorkspace ws(0);
    const CString current = SchemaOf(ws);
    ws.RemakeProductDatabase(kEarlierSchema, kEarlierConverter);
    std::ifstream demo(VQ_SOURCE_DIR "/schema/sqlite/demo.sql");
    std::stringstream text;
    text << demo.rdbuf();
    vqtest::DbWorkspace::RunScript(ws.Connect(), CString(text.str()));
    const std::vector<std::string> tables = TablesOf(ws);
    const std::string rows = RowsOf(ws, tables);
    ASSERT_NE(SchemaOf(ws), current) << "the earlier schema lacks what this version adds";

    // The host works on it, and says so once, naming the command.
    vqtest::HostRun run = OpenAChangeNotice(ws);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
    EXPECT_EQ(Occurrences(run.out, kUpgradeCommand), 1u) << run.out;

    // A SQLite database of a version in between stamped the writes of change tasks with a table
    // and triggers of its own, which now only slow every write down: the upgrade takes them away.
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        ws.Execute(
            "CREATE TABLE ECOTaskStamp (StampKey VARCHAR(210) COLLATE NOCASE NOT NULL PRIMARY KEY, "
            "Writes BIGINT NOT NULL DEFAULT 0, Token BIGINT NOT NULL DEFAULT 0); CREATE TRIGGER "
            "TR_ECOStamp_PartInsert AFTER INSERT ON ECOModifyPart BEGIN INSERT INTO ECOTaskStamp "
            "(StampKey, Writes, Token) SELECT 'O:' || NEW.ECONo, 1, random() WHERE NEW.ECONo IS NOT "
            "NULL ON CONFLICT (StampKey) DO UPDATE SET Writes = Writes + 1, Token = excluded.Token; END");

    run = Upgrade(ws);
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(SchemaOf(ws), current) << "as a database made by this version";
    EXPECT_EQ(RowsOf(ws, tables), rows);
    if (vqtest::DbWorkspace::OnPostgreSQL()) {
        EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM ECOTaskStamp"), "0");
    }

    // A second run changes nothing.
    run = Upgrade(ws);
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(SchemaOf(ws), current);
    EXPECT_EQ(RowsOf(ws, tables), rows);

    run = OpenAChangeNotice(ws);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(Occurrences(run.out, kUpgradeCommand), 0u) << run.out;
}

TEST(UpgradeDatabaseHost, TheHostSaysNothingOnADatabaseOfThisSchema) {
    vqtest::DbWorkspace ws(0);
    std::ifstream demo(VQ_SOURCE_DIR "/schema/sqlite/demo.sql");
    std::stringstream text;
    text << demo.rdbuf();
    vqtest::DbWorkspace::RunScript(ws.Connect(), CString(text.str()));
    const vqtest::HostRun run = OpenAChangeNotice(ws);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(Occurrences(run.out, kUpgradeCommand), 0u) << run.out;
}

// On a server, the upgrade also brings the function that folds case as the client does and a
// sequence behind every integer key: a database lacking either is of an earlier schema too.
TEST(UpgradeDatabaseHost, AServerDatabaseWithoutTheCaseFoldingOrAKeySequenceIsOfAnEarlierSchema) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "the function and the sequences are a server's";
    for (const char* lacking : {"DROP FUNCTION vq_fold_case(text) CASCADE",
                                "ALTER TABLE DesignMarkupManage ALTER COLUMN FileLogID DROP DEFAULT"}) {
        vqtest::DbWorkspace ws(0);
        std::ifstream demo(VQ_SOURCE_DIR "/schema/sqlite/demo.sql");
        std::stringstream text;
        text << demo.rdbuf();
        vqtest::DbWorkspace::RunScript(ws.Connect(), CString(text.str()));
        ws.Execute(lacking);
        vqtest::HostRun run = OpenAChangeNotice(ws);
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(Occurrences(run.out, kUpgradeCommand), 1u) << lacking << "\n" << run.out;
        run = Upgrade(ws);
        ASSERT_EQ(run.status, 0) << run.out;
        run = OpenAChangeNotice(ws);
        EXPECT_EQ(Occurrences(run.out, kUpgradeCommand), 0u) << lacking << "\n" << run.out;
    }
}

TEST(UpgradeDatabaseHost, AnythingButADatabaseIsRefused) {
    vqtest::DbWorkspace ws(0);
    const CString missing = ws.Root() + "/no-such.db";
    vqtest::HostRun run =
        vqtest::RunProgramMeasured(VQ_SOURCE_DIR "/" + std::string(kUpgradeCommand), {missing.str()});
    EXPECT_NE(run.status, 0) << run.out;
    std::ifstream created(missing.str());
    EXPECT_FALSE(created.good()) << "no empty database is made in its place";
    const CString other = ws.WriteFile("in/notes.txt", "not a database\n");
    run = vqtest::RunProgramMeasured(VQ_SOURCE_DIR "/" + std::string(kUpgradeCommand), {other.str()});
    EXPECT_NE(run.status, 0) << run.out;
}

// Databases that are no product database (another program's, the configuration database, the
// server's own) are refused: nothing is made in them, the status is not 0, and the message says
// why. An existing file is a file whatever its name holds.
TEST(UpgradeDatabaseHost, OnlyAProductDatabaseIsUpgraded) {
    vqtest::DbWorkspace ws(0);
    const std::string other = ws.Root().str() + "/other.db";
    Sqlite(other, "CREATE TABLE Notes (Line TEXT)");
    for (const std::string& file : {other, ws.ConfigDatabasePath().str()}) {
        const std::string before = Sqlite(file, "SELECT group_concat(name) FROM sqlite_master");
        const vqtest::HostRun run = UpgradeOf(file);
        EXPECT_EQ(run.status, 1) << file << "\n" << run.out;
        EXPECT_NE(run.out.find("is not a product database"), std::string::npos) << run.out;
        EXPECT_EQ(Sqlite(file, "SELECT group_concat(name) FROM sqlite_master"), before) << file;
    }

    // A SQLite product database whose path holds "=" (as a connection string would).
    const std::string equals = ws.Root().str() + "/a=b;c.db";
    Sqlite(equals, ".read " VQ_SOURCE_DIR "/schema/sqlite/product.sql");
    Sqlite(equals, "DROP INDEX IX_ECOChangeManage_State");
    vqtest::HostRun run = UpgradeOf(equals);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(Sqlite(equals, "SELECT count(*) FROM sqlite_master WHERE name = 'IX_ECOChangeManage_State'"),
              "1\n");

    // A server nobody answers on: said in words, without the password.
    run = UpgradeOf(std::string("host=127.0.0.1 port=1 dbname=vqpdm user=sa password=") + kPassword +
                    " connect_timeout=5");
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_NE(run.out.find("cannot connect"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find(kPassword), std::string::npos) << run.out;

    if (!vqtest::DbWorkspace::OnPostgreSQL())
        return;
    // The server's own database, with a password in the text and in a URI.
    const std::string tables = "SELECT count(*) FROM pg_tables WHERE schemaname = 'public'";
    const std::string postgres = OnDatabase(ws, "postgres");
    const std::string before = vqtest::RunProgramMeasured("/usr/bin/psql", {postgres, "-Atc", tables}).out;
    run = UpgradeOf(postgres + " password=" + kPassword);
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_NE(run.out.find("is not a product database"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find(kPassword), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("password=***"), std::string::npos) << run.out;
    EXPECT_EQ(vqtest::RunProgramMeasured("/usr/bin/psql", {postgres, "-Atc", tables}).out, before);

    const std::string argument = ws.ProductDatabaseArgument();
    const std::string port = argument.substr(
        argument.find("port=") + 5, argument.find(' ', argument.find("port=")) - argument.find("port=") - 5);
    run = UpgradeOf("postgresql://sa:" + std::string(kPassword) + "@127.0.0.1:" + port + "/postgres");
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_EQ(run.out.find(kPassword), std::string::npos) << run.out;
}

// On a server, a client in the middle of a transaction holds locks on tables the upgrade changes:
// the upgrade waits for it and says so in words; the client is never the one the server ends,
// also when it then reaches for a table the upgrade wants; a client that holds on past the tries
// leaves the database unchanged, with a message in words.
TEST(UpgradeDatabaseHost, OnAServerItWaitsForTheClientsLocksAndSaysSo) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "a SQLite file is waited for by its busy timeout";
    vqtest::DbWorkspace ws(0);
    ws.Execute("INSERT INTO ECOChangeManage (ECONo, State) VALUES ('C-1', '临时')");
    ws.Execute("DROP INDEX IX_ECOChangeManage_State");
    const std::string target = ws.ProductDatabaseArgument() + " password=" + kPassword;
    const std::string output = ws.Root().str() + "/upgrade.out";

    _ConnectionPtr client = ws.Connect();
    client->BeginTrans();
    client->Execute("UPDATE ECOChangeManage SET Remark = '改' WHERE ECONo = 'C-1'");
    const int pid = vqtest::StartProgram(VQ_SOURCE_DIR "/" + std::string(kUpgradeCommand), {target}, output);
    ASSERT_GT(pid, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (ReadText(output).find("waiting for them") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // The client goes on with its work: it reads and writes tables the upgrade locks before
    // ECOChangeManage.
    EXPECT_NO_THROW(client->Execute("UPDATE AuditingManage SET AuditingStyle = AuditingStyle"));
    EXPECT_NO_THROW(client->Execute("SELECT count(*) FROM DesignMarkupManage"));
    client->CommitTrans();
    vqtest::HostRun run;
    ASSERT_TRUE(vqtest::FinishHost(pid, output, run));
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("other clients hold locks"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("upgraded:"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("ERROR"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find(kPassword), std::string::npos) << run.out;
    EXPECT_EQ(ws.QueryText("SELECT Remark FROM ECOChangeManage WHERE ECONo = 'C-1'"), "改");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM pg_indexes WHERE indexname = 'ix_ecochangemanage_state'"),
              "1");

    // A client that holds on: two tries, then nothing changed.
    ws.Execute("DROP INDEX IX_ECOChangeManage_State");
    client->BeginTrans();
    client->Execute("UPDATE ECOChangeManage SET Remark = '再改' WHERE ECONo = 'C-1'");
    setenv("VQ_UPGRADE_ATTEMPTS", "2", 1);
    run = UpgradeOf(target);
    unsetenv("VQ_UPGRADE_ATTEMPTS");
    client->RollbackTrans();
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_NE(run.out.find("through 2 tries; nothing was changed"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("ERROR"), std::string::npos) << run.out;
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM pg_indexes WHERE indexname = 'ix_ecochangemanage_state'"),
              "0");
}
