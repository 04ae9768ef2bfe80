#include "tests/support/DbWorkspace.h"

#include "platform/db/SqliteWriteWatch.h"

#include <csignal>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <thread>
#include <utility>

namespace fs = std::filesystem;

namespace vqtest {

namespace {

std::optional<std::string> GetEnv(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::optional<std::string>(v) : std::nullopt;
}

void RestoreEnv(const char* name, const std::optional<std::string>& value) {
    if (value)
        setenv(name, value->c_str(), 1);
    else
        unsetenv(name);
}

std::string SqliteDriver() {
    for (const char* path : {"/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so",
                             "/usr/lib/aarch64-linux-gnu/odbc/libsqlite3odbc.so",
                             "/usr/lib/odbc/libsqlite3odbc.so", "/usr/local/lib/libsqlite3odbc.so"})
        if (fs::exists(path))
            return path;
    return "libsqlite3odbc.so";
}

std::string PgPort() {
    const char* port = std::getenv("VQ_PG_PORT");
    return port ? std::string(port) : std::string();
}

std::string PgDriver() {
    for (const char* path :
         {"/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so", "/usr/lib/aarch64-linux-gnu/odbc/psqlodbcw.so",
          "/usr/lib/odbc/psqlodbcw.so", "/usr/local/lib/psqlodbcw.so"})
        if (fs::exists(path))
            return path;
    return "psqlodbcw.so";
}

// The attributes of a psqlODBC connection to one database of the test server.
std::string PgAttributes(const char* separator, const std::string& database) {
    std::string s = separator;
    return "Driver=" + PgDriver() + s + "Servername=127.0.0.1" + s + "Port=" + PgPort() + s +
           "Database=" + database + s + "Username=sa" + s + "Password=" + s + "SSLmode=disable";
}

// The locale clauses of CREATE DATABASE for a product database. VQ_PG_LC_CTYPE gives the database
// a character type of its own (as servers set up with LC_CTYPE C are), VQ_PG_LOCALE a whole locale
// ("tr_TR.UTF-8"), or an ICU locale written "icu:tr", whatever the cluster's.
std::string PgDatabaseLocale() {
    const std::string ctype = GetEnv("VQ_PG_LC_CTYPE").value_or("");
    const std::string locale = GetEnv("VQ_PG_LOCALE").value_or("");
    std::string clauses;
    if (locale.rfind("icu:", 0) == 0)
        clauses += " LOCALE_PROVIDER icu ICU_LOCALE '" + locale.substr(4) + "'";
    else if (!locale.empty())
        clauses += " LOCALE '" + locale + "'";
    if (!ctype.empty())
        clauses += " LC_CTYPE '" + ctype + "'";
    return clauses.empty() ? clauses : " TEMPLATE template0" + clauses;
}

// Whether a session still answers (the server may have ended it).
bool Answers(const _ConnectionPtr& session) {
    try {
        session->Execute("SELECT 1", nullptr, adCmdText);
        return true;
    } catch (const _com_error&) {
        return false;
    }
}

// The process's session on the server's maintenance database, to create and drop product
// databases. Each test makes and drops its database, and a new session costs the server a process
// of its own (tens of milliseconds on a machine with dear page faults), so the process keeps one
// for its life. It is never closed: a child process (fork) opens its own and leaves its parent's
// alone, for a close would end the parent's session on the socket both hold. A session the server
// has ended is opened again.
struct MaintenanceSession {
    _ConnectionPtr connection;
    pid_t owner = 0;
};

_ConnectionPtr OpenPgMaintenance() {
    static auto* const session = new MaintenanceSession;
    if (session->connection && session->owner == getpid() && Answers(session->connection))
        return session->connection;
    // A parent's or an ended session is left as it is, never closed.
    static auto* const leftAlone = new std::vector<_ConnectionPtr>;
    if (session->connection)
        leftAlone->push_back(session->connection);
    session->connection = nullptr;
    _ConnectionPtr c;
    c.CreateInstance();
    c->Open(CString(PgAttributes(";", "postgres") + ";"));
    session->connection = c;
    session->owner = getpid();
    return c;
}

// Holds a session-level advisory lock of the maintenance session until the end of the scope.
class MaintenanceLock {
public:
    MaintenanceLock(_ConnectionPtr server, std::int64_t key) : m_server(std::move(server)), m_key(key) {
        m_server->Execute(CString("SELECT pg_advisory_lock(" + std::to_string(m_key) + ")"));
    }
    ~MaintenanceLock() {
        try {
            m_server->Execute(CString("SELECT pg_advisory_unlock(" + std::to_string(m_key) + ")"));
        } catch (const _com_error&) {
            // an ended session has given its locks back
        }
    }
    MaintenanceLock(const MaintenanceLock&) = delete;
    MaintenanceLock& operator=(const MaintenanceLock&) = delete;

private:
    _ConnectionPtr m_server;
    std::int64_t m_key;
};

// The output of a program run by the shell (the schema converter).
std::string CommandOutput(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    if (pclose(pipe) != 0)
        ADD_FAILURE() << "command failed: " << command;
    return out;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Splits a script at the semicolons that end its statements (not those in strings or comments).
bool IsHexText(const std::string& text) {
    return text.size() % 2 == 0 && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

// Splits a script into its statements. With pgBlobs, a blob literal X'hex' (as the SQLite scripts
// write binary contents) becomes decode('hex', 'hex'): PostgreSQL would read it as a bit string.
// Whether a statement read so far is a CREATE TRIGGER whose END has not come yet.
bool IsOpenTrigger(const std::string& statement) {
    std::string upper;
    for (const char c : statement)
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::size_t start = upper.find_first_not_of(" \t\r\n");
    if (start == std::string::npos || upper.compare(start, 14, "CREATE TRIGGER") != 0)
        return false;
    const std::size_t end = upper.find_last_not_of(" \t\r\n");
    return end < 3 || upper.compare(end - 2, 3, "END") != 0;
}

std::vector<std::string> SplitScript(const std::string& script, bool pgBlobs) {
    std::vector<std::string> out;
    std::string current;
    for (std::size_t i = 0; i < script.size(); ++i) {
        char ch = script[i];
        if (pgBlobs && (ch == 'X' || ch == 'x') && i + 1 < script.size() && script[i + 1] == '\'' &&
            (i == 0 || !(std::isalnum(static_cast<unsigned char>(script[i - 1])) || script[i - 1] == '_'))) {
            const std::size_t end = script.find('\'', i + 2);
            if (end != std::string::npos && IsHexText(script.substr(i + 2, end - i - 2))) {
                current += "decode('" + script.substr(i + 2, end - i - 2) + "', 'hex')";
                i = end;
                continue;
            }
        }
        if (ch == '-' && i + 1 < script.size() && script[i + 1] == '-') {
            while (i < script.size() && script[i] != '\n')
                ++i;
            current += '\n';
            continue;
        }
        if (ch == '\'') {
            std::size_t end = script.find('\'', i + 1);
            while (end != std::string::npos && end + 1 < script.size() && script[end + 1] == '\'')
                end = script.find('\'', end + 2);
            if (end == std::string::npos)
                end = script.size() - 1;
            current += script.substr(i, end - i + 1);
            i = end;
            continue;
        }
        if (ch == ';') {
            // A trigger's body holds statements of its own: the trigger ends at its END.
            if (IsOpenTrigger(current)) {
                current += ch;
                continue;
            }
            out.push_back(current);
            current.clear();
            continue;
        }
        current += ch;
    }
    out.push_back(current);
    std::vector<std::string> statements;
    for (std::string& s : out)
        if (s.find_first_not_of(" \t\r\n") != std::string::npos)
            statements.push_back(std::move(s));
    return statements;
}

_ConnectionPtr OpenFile(const CString& path) {
    _ConnectionPtr c;
    c.CreateInstance();
    c->Open(CString("DRIVER=" + SqliteDriver() + ";Database=" + path.str() + ";"));
    return c;
}

void RunOrFail(const _ConnectionPtr& c, const CString& script) {
    try {
        DbWorkspace::RunScript(c, script);
    } catch (const _com_error& e) {
        ADD_FAILURE() << "statement failed: " << e.Description().c_str() << "\n" << script.c_str();
    }
}

// PostgreSQL: the name of a database that holds the product schema made by `schema` (whose text and
// database locale `key` stands for), for each test's product database to be copied from: loading the
// schema statement by statement costs most of a short test's time. Whichever test program comes first
// makes it, under a lock of the server that the others wait for, under a name of its own, renamed
// when complete (a program ended halfway leaves no template that looks whole). Empty, with the
// failure reported, when it cannot be made.
std::string SchemaTemplate(const std::string& key, const std::function<std::string()>& schema) {
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (const char c : key)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    const std::string name = std::string("vqtest_schema_") + hex;
    const std::string building = name + "_" + std::to_string(getpid());
    try {
        _ConnectionPtr server = OpenPgMaintenance();
        const MaintenanceLock lock(server, static_cast<std::int64_t>(hash));
        if (server->Execute(CString("SELECT count(*) FROM pg_database WHERE datname = '" + name + "'"))
                ->GetCollect(0L)
                .ToString() == "1")
            return name;
        server->Execute(CString("DROP DATABASE IF EXISTS " + building + " WITH (FORCE)"));
        server->Execute(CString("CREATE DATABASE " + building + PgDatabaseLocale()));
        {
            _ConnectionPtr c;
            c.CreateInstance();
            c->Open(CString(PgAttributes(";", building) + ";"));
            DbWorkspace::RunScript(c, CString(schema()));
            c->Close();
        }
        server->Execute(CString("ALTER DATABASE " + building + " RENAME TO " + name));
        return name;
    } catch (const _com_error& e) {
        ADD_FAILURE() << "cannot make the schema's template database " << name << ": "
                      << e.Description().c_str();
        try {
            OpenPgMaintenance()->Execute(CString("DROP DATABASE IF EXISTS " + building + " WITH (FORCE)"));
        } catch (const _com_error&) {
        }
        return {};
    }
}

// The temporary folder the test program was started with (a workspace changes TMPDIR).
const std::string kStartTempFolder = [] {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp");
}();

// The folder of this process for the ODBC files and the product database; removed at exit.
const std::string& ProcessFolder() {
    // Kept on the heap so that it outlives the exit handler that removes the folder.
    static const std::string* folder = new std::string([] {
        const std::string base = TestFolderBase(kStartTempFolder);
        std::string templ = (fs::path(base) / "vqtest-odbc-XXXXXX").string();
        if (!mkdtemp(templ.data()))
            templ = (fs::path(base) / ("vqtest-odbc-" + std::to_string(std::random_device()()))).string();
        fs::create_directories(templ);
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(ProcessFolder(), ec);
        });
        return templ;
    }());
    return *folder;
}

} // namespace

bool DbWorkspace::OnPostgreSQL() {
    return !PgPort().empty();
}

std::string DbWorkspace::LocaleRefused() {
    if (!OnPostgreSQL() || PgDatabaseLocale().empty())
        return {};
    const std::string name = "vqtest_locale_" + std::to_string(getpid());
    try {
        _ConnectionPtr server = OpenPgMaintenance();
        server->Execute(CString("DROP DATABASE IF EXISTS " + name));
        server->Execute(CString("CREATE DATABASE " + name + PgDatabaseLocale()));
        server->Execute(CString("DROP DATABASE " + name));
        return {};
    } catch (const _com_error& e) {
        return "the server at port " + PgPort() + " cannot make a database of" + PgDatabaseLocale() + ": " +
               e.Description().str();
    }
}

CString DbWorkspace::ProductDatabasePath() const {
    return CString(ProcessFolder() + "/vqpdm.db");
}

DbWorkspace::DbWorkspace(int databaseType)
    : m_databaseType(databaseType), m_oldSysIni(GetEnv("ODBCSYSINI")), m_oldIni(GetEnv("ODBCINI")) {
    WriteSetting("数据库配置", "数据库类型", CString(std::to_string(databaseType)));

    std::string driver = SqliteDriver();
    CString odbcDir(ProcessFolder());
    std::string drivers =
        "[SQLite3]\nDescription=SQLite3 ODBC Driver\nDriver=" + driver + "\nSetup=" + driver + "\n";
    std::string dsn;
    if (OnPostgreSQL()) {
        // One name per process: the driver manager keeps the data sources it has read, so each
        // workspace makes the database of that name anew.
        m_pgDatabase = "vqtest_" + std::to_string(getpid());
        drivers +=
            "[PostgreSQL Unicode]\nDescription=PostgreSQL ODBC driver (Unicode)\nDriver=" + PgDriver() + "\n";
        dsn = "[vqdetail]\nDescription=Product database\n" + PgAttributes("\n", m_pgDatabase) + "\n";
    } else {
        dsn = "[vqdetail]\nDescription=Product database\nDriver=" + driver +
              "\nDatabase=" + ProductDatabasePath().str() + "\nTimeout=15000\n";
    }
    WriteFile(odbcDir + "/odbcinst.ini", drivers);
    WriteFile(odbcDir + "/odbc.ini", dsn);
    setenv("ODBCSYSINI", odbcDir.c_str(), 1);
    setenv("ODBCINI", (odbcDir + "/odbc.ini").c_str(), 1);

    RemakeProductDatabase(VQ_SOURCE_DIR "/schema/sqlite/product.sql",
                          VQ_SOURCE_DIR "/schema/postgresql/product-sql");
    RunOrFail(OpenFile(ConfigDatabasePath()), ReadText(VQ_SOURCE_DIR "/schema/sqlite/config.sql"));
    SetConfig(ConfigRow());
}

void DbWorkspace::MakeProductDatabase(const std::string& sqliteSchema, const std::string& postgresqlSchema) const {
    if (OnPostgreSQL()) {
        MakePgDatabase("", [&postgresqlSchema] { return postgresqlSchema; });
        return;
    }
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        std::error_code ec;
        fs::remove(ProductDatabasePath().str() + suffix, ec);
    }
    RunOrFail(OpenFile(ProductDatabasePath()), ReadText(sqliteSchema));
}

// PostgreSQL: this process's product database made anew, as a copy of the template of `schema` when
// a key names it, else by running the schema in it.
void DbWorkspace::MakePgDatabase(const std::string& key, const std::function<std::string()>& schema) const {
    const std::string from = key.empty() ? std::string() : SchemaTemplate(key, schema);
    EndProductSession();
    try {
        _ConnectionPtr server = OpenPgMaintenance();
        server->Execute(CString("DROP DATABASE IF EXISTS " + m_pgDatabase + " WITH (FORCE)"));
        // A copy of the files, not of their pages through the write-ahead log: half the server's
        // work for a database this small.
        server->Execute(CString("CREATE DATABASE " + m_pgDatabase +
                                (from.empty() ? PgDatabaseLocale() : " TEMPLATE " + from + " STRATEGY FILE_COPY")));
    } catch (const _com_error& e) {
        ADD_FAILURE() << "cannot create the database on the PostgreSQL server at port " << PgPort() << ": "
                      << e.Description().c_str();
    }
    if (from.empty())
        RunOrFail(OpenProduct(), schema());
}

void DbWorkspace::RemakeProductDatabase(const std::string& sqliteSchema,
                                        const std::string& postgresqlScript) const {
    if (!OnPostgreSQL()) {
        MakeProductDatabase(sqliteSchema, std::string());
        return;
    }
    // The template is named after everything the script's output depends on: its own text, the
    // SQLite schema it converts, the functions beside it and the database's locale.
    const std::string folder = fs::path(postgresqlScript).parent_path().string();
    const std::string key = ReadText(postgresqlScript) + '\0' + ReadText(sqliteSchema) + '\0' +
                            ReadText(folder + "/fold-case.sql") + '\0' + PgDatabaseLocale();
    MakePgDatabase(key,
                   [&] { return CommandOutput("bash '" + postgresqlScript + "' '" + sqliteSchema + "'"); });
}

std::string DbWorkspace::ProductDatabaseArgument() const {
    if (!OnPostgreSQL())
        return ProductDatabasePath().str();
    return "host=127.0.0.1 port=" + PgPort() + " dbname=" + m_pgDatabase + " user=sa sslmode=disable";
}

DbWorkspace::~DbWorkspace() {
    if (!m_pgDatabase.empty()) {
        EndProductSession();
        try {
            OpenPgMaintenance()->Execute(
                CString("DROP DATABASE IF EXISTS " + m_pgDatabase + " WITH (FORCE)"));
        } catch (const _com_error& e) {
            ADD_FAILURE() << "cannot drop " << m_pgDatabase << ": " << e.Description().c_str();
        }
    }
    RestoreEnv("ODBCSYSINI", m_oldSysIni);
    RestoreEnv("ODBCINI", m_oldIni);
}

void DbWorkspace::RunScript(const _ConnectionPtr& connection, const CString& script) {
    const bool pgBlobs = connection->GetEngine() == vq::db::Engine::PostgreSQL;
    for (const std::string& statement : SplitScript(script.str(), pgBlobs))
        connection->Execute(CString(statement));
}

void DbWorkspace::RunSchema() const {
    if (m_pgDatabase.empty())
        RunOrFail(OpenProduct(), ReadText(VQ_SOURCE_DIR "/schema/sqlite/product.sql"));
    else
        RunOrFail(OpenProduct(), CommandOutput("bash '" VQ_SOURCE_DIR "/schema/postgresql/product-sql'"));
}

_ConnectionPtr DbWorkspace::Connect() const {
    _ConnectionPtr c;
    c.CreateInstance();
    c->Open(ConnectionText());
    return c;
}

_ConnectionPtr DbWorkspace::ConnectWithoutWriteWatch() const {
    vq::db::SetSqliteWriteWatch(false);
    _ConnectionPtr c;
    try {
        c = Connect();
    } catch (...) {
        vq::db::SetSqliteWriteWatch(true);
        throw;
    }
    vq::db::SetSqliteWriteWatch(true);
    return c;
}

_ConnectionPtr DbWorkspace::OpenProduct() const {
    return m_pgDatabase.empty() ? OpenFile(ProductDatabasePath()) : Connect();
}

namespace {

// Whether a script's statements leave something in their session for the statements after them: a
// setting, a transaction, a lock, a temporary object, a prepared statement or a notification channel.
bool ChangesSession(const std::vector<std::string>& statements) {
    for (const std::string& statement : statements) {
        std::string text;
        for (char ch : statement)
            text += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        if (text.find("SET_CONFIG") != std::string::npos || text.find("PG_ADVISORY") != std::string::npos)
            return true;
        std::istringstream words(text);
        std::string first, second, third;
        words >> first >> second >> third;
        static const std::set<std::string> kSessionStatements{
            "SET", "RESET", "BEGIN", "START", "COMMIT", "ROLLBACK", "END", "ABORT", "LOCK", "SAVEPOINT",
            "PREPARE", "DEALLOCATE", "LISTEN", "UNLISTEN", "DECLARE", "DISCARD"};
        if (kSessionStatements.count(first) ||
            (first == "CREATE" && (second.rfind("TEMP", 0) == 0 || third.rfind("TEMP", 0) == 0)))
            return true;
    }
    return false;
}

} // namespace

// PostgreSQL: each connection costs the server a process of its own, and a test reads and writes
// through the workspace many times, so Execute and QueryText share one session while the workspace
// lives. A script that changes its session gets a connection of its own, as every script did
// before; so does a child process, which must not write on its parent's socket. A session the
// server has ended (a test that ends sessions, a trigger that ends its own) is replaced.
_ConnectionPtr DbWorkspace::ProductSession(const std::vector<std::string>& statements) const {
    if (m_pgDatabase.empty() || ChangesSession(statements) || (m_session && m_sessionOwner != getpid()))
        return OpenProduct();
    if (m_session && Answers(m_session))
        return m_session;
    m_session = nullptr;
    m_session = OpenProduct();
    m_sessionOwner = getpid();
    return m_session;
}

// Closes the shared session (before its database is dropped).
void DbWorkspace::EndProductSession() const {
    if (!m_session || m_sessionOwner != getpid())
        return;
    try {
        m_session->Close();
    } catch (const _com_error&) {
    }
    m_session = nullptr;
}

void DbWorkspace::Execute(const CString& script) const {
    if (m_pgDatabase.empty()) {
        RunOrFail(OpenProduct(), script);
        return;
    }
    // Tables a test makes are declared as on SQLite: the schema converter makes them PostgreSQL's.
    // Blob literals are rewritten when each statement runs (RunScript).
    const std::vector<std::string> statements = SplitScript(script.str(), false);
    _ConnectionPtr c = ProductSession(statements);
    for (const std::string& statement : statements) {
        std::string text = statement;
        std::string head = text.substr(0, 40);
        for (char& ch : head)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        if (head.find("CREATE") != std::string::npos) {
            std::string file = ProcessFolder() + "/statement.sql";
            std::ofstream(file, std::ios::binary) << text;
            text = CommandOutput("bash '" VQ_SOURCE_DIR "/schema/postgresql/product-sql' --statements '" +
                                 file + "'");
        }
        RunOrFail(c, CString(text));
    }
}

void DbWorkspace::ExecuteConfig(const CString& script) const {
    RunOrFail(OpenFile(ConfigDatabasePath()), script);
}

// The patterns name their underscores literally with an escape character of their own, which the
// translation of the dialect leaves as it stands on every engine.
int DbWorkspace::StampTriggerCount() const {
    if (!OnPostgreSQL())
        return 0;
    return std::atoi(
        QueryText("SELECT count(*) FROM pg_trigger WHERE tgname LIKE 'tr!_ecostamp!_%' ESCAPE '!' AND NOT "
                  "tgisinternal")
            .c_str());
}

int DbWorkspace::WaitingIndexCount() const {
    const char* names = "('ix_teamworkaudit_waiting', 'ix_teamworkgroupaudit_waiting')";
    return std::atoi(
        QueryText(OnPostgreSQL()
                      ? CString("SELECT count(*) FROM pg_indexes WHERE lower(indexname) IN ") + names
                      : CString("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND "
                                "lower(name) IN ") +
                            names)
            .c_str());
}

CString DbWorkspace::QueryText(const CString& sql) const {
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, ProductSession(SplitScript(sql.str(), false)), adOpenStatic, adLockReadOnly, adCmdText);
        if (rs->IsEOF())
            return CString();
        CString text;
        rs->GetCollect(0L).TryGetString(text);
        return text;
    } catch (const _com_error& e) {
        ADD_FAILURE() << "query failed: " << e.Description().c_str() << "\n" << sql.c_str();
        return CString();
    }
}

bool DbWorkspace::WritesAtOnce(const CString& sql) const {
    try {
        // SQLite: the driver waits for a busy file as long as the connection text says.
        _ConnectionPtr other;
        other.CreateInstance();
        other->Open(ConnectionText() + (m_pgDatabase.empty() ? ";Timeout=300" : ""));
        if (!m_pgDatabase.empty())
            other->Execute("SET lock_timeout = 300", nullptr, adCmdText);
        other->Execute(sql, nullptr, adCmdText);
        other->Close();
        return true;
    } catch (const _com_error&) {
        return false;
    }
}

HostRun DbWorkspace::RunHostKilledAtInsert(const CString& table, const CString& condition,
                                           const std::vector<std::string>& args) {
    HostRun run;
    try {
        if (m_pgDatabase.empty())
            KillOnSqlite(table, condition, args, run);
        else
            KillOnPostgreSQL(table, condition, args, run);
    } catch (const _com_error& e) {
        ADD_FAILURE() << "the kill at " << table.c_str() << " failed: " << e.Description().c_str();
    }
    return run;
}

void DbWorkspace::KillOnSqlite(const CString& table, const CString& condition, const std::vector<std::string>& args,
                               HostRun& run) {
    OpenFile(ProductDatabasePath())
        ->Execute("CREATE TRIGGER vq_kill_client AFTER INSERT ON " + table + " WHEN " + condition +
                  " BEGIN SELECT vq_kill_client(); END");
    // The host's connection loads the extension through the data source (LoadExt).
    const std::string odbcIni = ProcessFolder() + "/odbc.ini";
    const std::string dsn = ReadText(odbcIni);
    WriteFile(CString(odbcIni),
                                              dsn + "LoadExt=" VQ_BINARY_DIR "/tests/vqkillclient.so\n");
    const std::string output = (TempDir() + "/killed-host.txt").str();
    const int pid = StartHost(args, output);
    if (pid < 0 || !FinishHost(pid, output, run))
        ADD_FAILURE() << "the host did not start";
    WriteFile(CString(odbcIni), dsn);
    // Opening the file again rolls back what the killed host left in its journal.
    OpenFile(ProductDatabasePath())->Execute("DROP TRIGGER vq_kill_client");
}

void DbWorkspace::KillOnPostgreSQL(const CString& table, const CString& condition,
                                   const std::vector<std::string>& args, HostRun& run) {
    constexpr const char* kLock = "730117";
    _ConnectionPtr holder = Connect();
    holder->Execute(CString("SELECT pg_advisory_lock(") + kLock + ")");
    _ConnectionPtr c = Connect();
    c->Execute(CString("CREATE FUNCTION vq_stop_client() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN PERFORM "
                       "pg_advisory_xact_lock(") +
               kLock + "); RETURN NEW; END $$");
    c->Execute("CREATE TRIGGER vq_stop_client AFTER INSERT ON " + table + " FOR EACH ROW WHEN (" + condition +
               ") EXECUTE FUNCTION vq_stop_client()");
    const std::string output = (TempDir() + "/killed-host.txt").str();
    const int pid = StartHost(args, output);
    if (pid < 0) {
        ADD_FAILURE() << "the host did not start";
    } else {
        const CString waiting = CString("SELECT COUNT(*) FROM pg_locks WHERE locktype = 'advisory' AND NOT granted "
                                        "AND objid = ") +
                                kLock + " AND database = (SELECT oid FROM pg_database WHERE datname = "
                                        "current_database())";
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(5);
        while (!FinishHost(pid, output, run, false)) {
            _RecordsetPtr rs = c->Execute(waiting);
            const bool atTheRow = CString(rs->GetCollect(0L)) != "0";
            rs->Close();
            if (atTheRow || std::chrono::steady_clock::now() > giveUp) {
                ::kill(pid, SIGKILL);
                FinishHost(pid, output, run);
                if (!atTheRow)
                    ADD_FAILURE() << "the host did not reach the row in five minutes";
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    // The host's server process goes on, finds its client gone and rolls back; dropping the
    // trigger waits for it to let go of the table.
    holder->Close();
    c->Execute("DROP TRIGGER vq_stop_client ON " + table);
    c->Execute("DROP FUNCTION vq_stop_client()");
}

void DbWorkspace::EndSession(const _ConnectionPtr& connection) const {
    ASSERT_FALSE(m_pgDatabase.empty()) << "sessions are ended on the PostgreSQL server only";
    CString pid;
    connection->Execute("SELECT pg_backend_pid()", nullptr, adCmdText)->GetCollect(0L).TryGetString(pid);
    ASSERT_FALSE(pid.IsEmpty());
    _ConnectionPtr admin = Connect();
    admin->Execute("SELECT pg_terminate_backend(" + pid + ")", nullptr, adCmdText);
    // The server lets the session go a moment after the signal.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    for (;;) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the session " << pid.c_str() << " did not end";
        CString left;
        admin->Execute("SELECT count(*) FROM pg_stat_activity WHERE pid=" + pid, nullptr, adCmdText)
            ->GetCollect(0L)
            .TryGetString(left);
        if (left == "0")
            break;
        std::this_thread::yield();
    }
}

void DbWorkspace::AllowNewSessions(bool allow) const {
    ASSERT_FALSE(m_pgDatabase.empty()) << "sessions are refused on the PostgreSQL server only";
    OpenPgMaintenance()->Execute(
        CString("ALTER DATABASE " + m_pgDatabase + " ALLOW_CONNECTIONS " + (allow ? "true" : "false")),
        nullptr, adCmdText);
}

void DbWorkspace::SetConfig(const ConfigRow& row) const {
    _ConnectionPtr c = OpenFile(ConfigDatabasePath());
    try {
        c->Execute("DELETE FROM Config");
        _CommandPtr cmd;
        cmd.CreateInstance();
        cmd->PutActiveConnection(c);
        cmd->PutCommandText(
            "INSERT INTO Config (PdmUser, Password, DomainName, FtpUser, FtpPwd) VALUES (?, ?, ?, ?, ?)");
        for (const CString* v : {&row.pdmUser, &row.password, &row.domainName, &row.ftpUser, &row.ftpPwd})
            cmd->GetParameters()->Append(
                cmd->CreateParameter("", adVarChar, adParamInput, 255, _variant_t(*v)));
        cmd->Execute(nullptr, nullptr, adCmdText);
    } catch (const _com_error& e) {
        ADD_FAILURE() << "cannot write Config: " << e.Description().c_str();
    }
}

void DbWorkspace::ClearConfig() const {
    ExecuteConfig("DELETE FROM Config");
}

} // namespace vqtest
