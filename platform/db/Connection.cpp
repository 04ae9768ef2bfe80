#include "platform/db/Connection.h"

#include "platform/db/OdbcStatement.h"
#include "platform/db/PreparedStatement.h"
#include "platform/db/Recordset.h"
#include "platform/db/SqliteWriteWatch.h"

#include "platform/db/OdbcApi.h"

#include <dlfcn.h>
#include <link.h>
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <utility>

// From the driver manager's installer library (odbcinst.h, which needs the ODBC types in the
// global namespace).
extern "C" int SQLGetPrivateProfileString(const char* section, const char* entry, const char* fallback,
                                          char* value, int size, const char* file);

using vq::db::Engine;
using vq::db::ResultData;

namespace {

SQLHENV Environment() {
    static SQLHENV env = [] {
        SQLHENV h = SQL_NULL_HENV;
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h)))
            return static_cast<SQLHENV>(SQL_NULL_HENV);
        SQLSetEnvAttr(h, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        return h;
    }();
    if (env == SQL_NULL_HENV)
        throw _com_error(E_FAIL, "The ODBC driver manager could not be initialised.");
    return env;
}

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string TrimText(std::string s) {
    std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    std::size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

struct Attribute {
    std::string key;
    std::string value;
};

// "KEY=value;KEY={value; with braces};..." into its attributes, in order.
std::vector<Attribute> ParseConnectionText(const std::string& text) {
    std::vector<Attribute> out;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t eq = text.find('=', i);
        if (eq == std::string::npos)
            break;
        Attribute a;
        a.key = TrimText(text.substr(i, eq - i));
        std::size_t j = eq + 1;
        while (j < text.size() && text[j] == ' ')
            ++j;
        if (j < text.size() && text[j] == '{') {
            // A braced value ends at a single "}"; "}}" inside it stands for one brace.
            std::size_t close = j + 1;
            while (close < text.size()) {
                if (text[close] == '}' && close + 1 < text.size() && text[close + 1] == '}') {
                    a.value += '}';
                    close += 2;
                } else if (text[close] == '}') {
                    break;
                } else {
                    a.value += text[close++];
                }
            }
            j = close + 1;
            std::size_t semi = text.find(';', j);
            i = semi == std::string::npos ? text.size() : semi + 1;
        } else {
            std::size_t semi = text.find(';', j);
            a.value = TrimText(text.substr(j, semi == std::string::npos ? std::string::npos : semi - j));
            i = semi == std::string::npos ? text.size() : semi + 1;
        }
        if (!a.key.empty())
            out.push_back(std::move(a));
    }
    return out;
}

const Attribute* FindAttribute(const std::vector<Attribute>& attrs, const char* key) {
    for (const Attribute& a : attrs)
        if (Lower(a.key) == Lower(key))
            return &a;
    return nullptr;
}

bool FileExists(const std::string& path) {
    return std::ifstream(path).good();
}

// The driver library for a local file, by its name; the registered driver name when the
// library is not at one of the usual places.
std::string DriverLibrary(const char* library, const char* registeredName) {
    static const char* kFolders[] = {"/usr/lib/x86_64-linux-gnu/odbc/",
                                     "/usr/lib/aarch64-linux-gnu/odbc/",
                                     "/usr/lib64/",
                                     "/usr/lib/odbc/",
                                     "/usr/local/lib/odbc/",
                                     "/usr/local/lib/"};
    for (const char* folder : kFolders) {
        std::string path = std::string(folder) + library;
        if (FileExists(path))
            return path;
    }
    return registeredName;
}

// The Access driver text of the local configuration database, for the driver that can read
// the file: SQLite when it is a SQLite database, MDBTools otherwise.
std::string MapAccessText(const std::vector<Attribute>& attrs, const std::string& original) {
    const Attribute* driver = FindAttribute(attrs, "DRIVER");
    if (!driver || Lower(driver->value).find("microsoft access driver") == std::string::npos)
        return original;
    const Attribute* dbq = FindAttribute(attrs, "DBQ");
    std::string path = dbq ? dbq->value : std::string();
    char header[16] = {};
    std::ifstream file(path, std::ios::binary);
    file.read(header, sizeof header);
    bool sqlite = file.gcount() == 16 && std::memcmp(header, "SQLite format 3", 16) == 0;
    // The configuration is only read: the file is opened read-only and never created, so that it
    // can lie in a folder the user cannot write to and keeps its journal mode.
    if (sqlite)
        return "DRIVER=" + DriverLibrary("libsqlite3odbc.so", "SQLite3") +
               ";Database=" + OdbcConnectionValue(CString("file:" + path + "?mode=ro")).str() + ";NoCreat=1;";
    // An Access file starts with its format name at byte 4; anything else would only get a
    // driver error without a description.
    bool access = file.gcount() == 16 && std::memcmp(header + 4, "Standard ", 9) == 0;
    if (!access)
        throw _com_error(E_FAIL, CString("file is not a database: " + path), "HY000");
    return "DRIVER=" + DriverLibrary("libmdbodbc.so", "MDBTools") + ";DBQ=" + path + ";";
}

// The driver of the data source of a "DSN=name;..." text as odbc.ini names it, in lower case;
// empty when the text names no data source, or names a driver itself.
std::string DataSourceDriver(const std::vector<Attribute>& attrs) {
    const Attribute* dsn = FindAttribute(attrs, "DSN");
    if (!dsn || FindAttribute(attrs, "DRIVER"))
        return {};
    SQLCHAR name[256];
    SQLCHAR driver[512];
    SQLSMALLINT nameLength = 0, driverLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(SQLDataSources(Environment(), direction, name, sizeof name, &nameLength, driver,
                                        sizeof driver, &driverLength))) {
        direction = SQL_FETCH_NEXT;
        if (Lower(reinterpret_cast<char*>(name)) == Lower(dsn->value))
            return Lower(reinterpret_cast<char*>(driver));
    }
    return {};
}

// Whether the text opens a database through psqlODBC: a data source of that driver, or the
// driver named in the text.
bool IsPostgresqlDriver(const std::vector<Attribute>& attrs) {
    std::string driver = DataSourceDriver(attrs);
    if (const Attribute* named = FindAttribute(attrs, "DRIVER"))
        driver = Lower(named->value);
    return driver.find("psqlodbc") != std::string::npos || driver.find("postgres") != std::string::npos;
}

// A value of odbc.ini as psqlODBC reads it: without its braces, else with "%XX" and "+" decoded.
std::string DecodedIniValue(const std::string& value) {
    if (value.size() >= 2 && value.front() == '{' && value.back() == '}')
        return value.substr(1, value.size() - 2);
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '+') {
            out += ' ';
        } else if (value[i] == '%' && i + 2 < value.size() &&
                   std::isxdigit(static_cast<unsigned char>(value[i + 1])) &&
                   std::isxdigit(static_cast<unsigned char>(value[i + 2]))) {
            out += static_cast<char>(std::stoi(value.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += value[i];
        }
    }
    return out;
}

// The statements psqlODBC runs after it connects (ConnSettings), as the connection text or else
// the data source gives them (odbc.ini, read as the driver manager reads it).
std::string ConnectionSettings(const std::vector<Attribute>& attrs) {
    if (const Attribute* given = FindAttribute(attrs, "CONNSETTINGS"))
        return given->value;
    const Attribute* dsn = FindAttribute(attrs, "DSN");
    if (!dsn || FindAttribute(attrs, "DRIVER"))
        return {};
    char value[4096] = {};
    const int length =
        SQLGetPrivateProfileString(dsn->value.c_str(), "ConnSettings", "", value, sizeof value, "odbc.ini");
    return length > 0 ? DecodedIniValue(std::string(value, std::min<std::size_t>(length, sizeof value - 1)))
                      : std::string();
}

// Every text goes to the server and comes back as UTF-8, whatever the locale of the process:
// psqlODBC would otherwise take the locale's character set (GB18030 under zh_CN.GB18030) both for
// the session and for reading the statements it is given. Its ConnSettings statements run first
// on every connection, and psqlODBC takes a client encoding they set as its own; what the data
// source has there runs after it.
constexpr char kUtf8Session[] = "SET client_encoding TO 'UTF8'";

std::string WithUtf8Session(const std::vector<Attribute>& attrs) {
    const std::string settings = ConnectionSettings(attrs);
    std::string value = kUtf8Session;
    if (!TrimText(settings).empty())
        value += ";" + settings;
    std::string braced = "{";
    for (char c : value) {
        braced += c;
        if (c == '}')
            braced += '}';
    }
    std::string out;
    for (const Attribute& a : attrs)
        if (Lower(a.key) != "connsettings")
            out += a.key + "=" + OdbcConnectionValue(CString(a.value)).str() + ";";
    return out + "ConnSettings=" + braced + "}";
}

// Keeps the ODBC drivers that are loaded now loaded for the life of the process. The driver
// manager unloads a driver with its last connection, and every entry call opens and closes its
// connections, so each call would load the driver and its libraries anew.
void KeepDriversLoaded() {
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    static std::vector<std::string> kept;
    std::vector<std::string> loaded;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) {
            std::string name = info->dlpi_name ? info->dlpi_name : "";
            std::string base = name.substr(name.find_last_of('/') + 1);
            if (name.find("/odbc/") != std::string::npos || base.find("odbc") != std::string::npos)
                static_cast<std::vector<std::string>*>(data)->push_back(name);
            return 0;
        },
        &loaded);
    for (const std::string& name : loaded) {
        if (std::find(kept.begin(), kept.end(), name) != kept.end())
            continue;
        if (dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD))
            kept.push_back(name);
    }
}

// A function of one text for SQL: the text mapped by Map; NULL stays NULL, other values are taken
// as their text.
template <std::string (*Map)(std::string_view)>
void TextFunction(sqlite3_context* context, int, sqlite3_value** arguments) {
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(arguments[0]));
    const int length = sqlite3_value_bytes(arguments[0]);
    const std::string mapped = Map(std::string_view(text ? text : "", text ? length : 0));
    sqlite3_result_text(context, mapped.data(), static_cast<int>(mapped.size()), SQLITE_TRANSIENT);
}

// vq_fold_case(text): the text folded by vq::FoldCase; vq_folder_key(text): its key by
// vq::FolderNameKey; and the watch of the connection's own writes (vq_watched_writes).
int RegisterFunctions(sqlite3* db, char**, const sqlite3_api_routines*) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    int rc = sqlite3_create_function_v2(db, "vq_fold_case", 1, flags, nullptr, TextFunction<vq::FoldCase>,
                                        nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function_v2(db, "vq_folder_key", 1, flags, nullptr, TextFunction<vq::FolderNameKey>,
                                        nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? vq::db::InstallSqliteWriteWatch(db) : rc;
}

// Every SQLite database that the process opens from now on, the driver's among them (it uses the
// same shared SQLite library), gets the functions above as it opens.
void RegisterSqliteFunctions() {
    static std::once_flag once;
    std::call_once(once, [] { sqlite3_auto_extension(reinterpret_cast<void (*)()>(RegisterFunctions)); });
}

} // namespace

CString OdbcConnectionValue(const CString& value) {
    const std::string& v = value.str();
    bool plain =
        v.find_first_of(";{}") == std::string::npos && (v.empty() || (v.front() != ' ' && v.back() != ' '));
    if (plain)
        return value;
    std::string out = "{";
    for (char c : v) {
        out += c;
        if (c == '}')
            out += '}';
    }
    return CString(out + "}");
}

_Connection::_Connection() = default;

_Connection::~_Connection() {
    try {
        Close();
    } catch (...) {
    }
}

void _Connection::CheckOpen() const {
    if (m_lost)
        throw vq::db::LostConnectionError();
    if (!m_dbc)
        throw _com_error(adErrObjectClosed, "Operation is not allowed when the object is closed.");
}

void _Connection::CheckUsable(const _ConnectionPtr& connection) {
    if (connection && connection->m_lost)
        throw vq::db::LostConnectionError();
    if (!connection || connection->GetState() != adStateOpen)
        throw _com_error(adErrNoConnection,
                         "The connection cannot be used to perform this operation. It is either "
                         "closed or invalid in this context.");
}

void _Connection::Reopen() {
    const CString text = m_connectionText;
    Close();
    try {
        Open(text);
    } catch (...) {
        m_lost = true;
        throw;
    }
}

void _Connection::Open(const CString& connectionText, const CString& user, const CString& password, long) {
    if (m_dbc)
        throw _com_error(adErrObjectOpen, "Operation is not allowed when the object is open.");
    std::string text = connectionText.str();
    auto attrs = ParseConnectionText(text);
    const std::string original = text;
    text = MapAccessText(attrs, text);
    const bool configFile = text != original;
    // A SQLite data source whose file is missing is an error, not a new empty database. A busy
    // file is waited for by the driver, which tries a refused write again until its Timeout has
    // passed: SQLite's own wait (busy_timeout) is switched off below, since the driver would wait
    // it again on every try, and the driver waits the lock wait, unless the connection text names
    // a Timeout of its own.
    const bool sqliteSource = !configFile && DataSourceDriver(attrs).find("sqlite") != std::string::npos;
    if (!configFile && IsPostgresqlDriver(attrs))
        text = WithUtf8Session(attrs);
    if (sqliteSource) {
        text += ";NoCreat=1";
        if (const Attribute* timeout = FindAttribute(attrs, "TIMEOUT"))
            m_lockWait = std::atol(timeout->value.c_str());
        else
            text += ";Timeout=" + std::to_string(m_lockWait);
    }
    if (!user.IsEmpty())
        text += ";UID=" + OdbcConnectionValue(user).str();
    if (!password.IsEmpty())
        text += ";PWD=" + OdbcConnectionValue(password).str();
    RegisterSqliteFunctions();

    SQLHDBC dbc = SQL_NULL_HDBC;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, Environment(), &dbc)))
        throw _com_error(E_FAIL, "The ODBC connection could not be allocated.");
    SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(15), 0);
    SQLCHAR out[1024];
    SQLSMALLINT outLength = 0;
    SQLRETURN rc = SQLDriverConnect(dbc, nullptr, (SQLCHAR*)text.c_str(), SQL_NTS, out, sizeof out,
                                    &outLength, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        _com_error error = vq::db::DiagnosticError(SQL_HANDLE_DBC, dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        throw error;
    }
    m_dbc = dbc;
    m_lost = false;
    ++m_uses;
    m_connectionText = connectionText;
    KeepDriversLoaded();

    char dbms[128] = {};
    SQLSMALLINT len = 0;
    SQLGetInfo(dbc, SQL_DBMS_NAME, dbms, sizeof dbms, &len);
    std::string name = Lower(dbms);
    if (name.find("sqlite") != std::string::npos)
        m_engine = Engine::SQLite;
    else if (name.find("postgres") != std::string::npos)
        m_engine = Engine::PostgreSQL;
    else
        m_engine = Engine::Other;

    if (m_engine == Engine::PostgreSQL)
        KeepUtf8Session();

    if (m_engine == Engine::SQLite && !configFile) {
        // Several clients share one file: readers do not block the writer, and a busy file is
        // waited for instead of failing at once (by the driver where it is the data source's).
        const std::string wait = "PRAGMA busy_timeout=" + std::to_string(sqliteSource ? 0 : m_lockWait);
        for (const std::string& pragma : {std::string("PRAGMA journal_mode=WAL"), wait}) {
            try {
                RunOne(pragma, {});
            } catch (const _com_error&) {
            }
        }
    }
}

void _Connection::KeepUtf8Session() {
    // The data source may set another encoding after ours, or the driver may be one that takes no
    // ConnSettings: the session is asked, and set when it is not UTF-8. A connection that cannot
    // say it is UTF-8 is not used.
    const auto encoding = [this] {
        const ResultData data = RunOne("SHOW client_encoding", {});
        CString value;
        if (!data.rows.empty() && !data.rows.front().empty())
            data.rows.front().front().TryGetString(value);
        return Lower(value.str());
    };
    try {
        std::string now = encoding();
        if (now != "utf8" && now != "unicode") {
            RunOne(kUtf8Session, {});
            now = encoding();
        }
        if (now != "utf8" && now != "unicode")
            throw _com_error(E_FAIL, CString("The session's client encoding stays " + now + ", not UTF8."));
    } catch (...) {
        Close();
        throw;
    }
}

void _Connection::SetLockWait(long milliseconds) {
    m_lockWait = milliseconds;
}

namespace {
// The advisory lock key of a name: 64-bit FNV-1a of its bytes, the same in every client. Two
// names with one key only wait for each other.
long long AdvisoryLockKey(const std::string& name) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : name) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return static_cast<long long>(hash);
}
} // namespace

void _Connection::LockUntilTransactionEnds(const CString& name, bool withNextStatement) {
    CheckOpen();
    if (!m_inTransaction)
        throw _com_error(E_FAIL, "A lock until the transaction ends needs an open transaction.");
    if (m_engine == Engine::PostgreSQL) {
        // One statement: the condition sets the wait for this transaction before the lock is asked.
        TakePendingLock();
        m_pendingLock = "SELECT pg_advisory_xact_lock(" + std::to_string(AdvisoryLockKey(name.str())) +
                        ") WHERE set_config('lock_timeout', '" + std::to_string(m_lockWait) +
                        "', true) IS NOT NULL";
        if (!withNextStatement)
            TakePendingLock();
    } else if (m_engine == Engine::SQLite) {
        // A write that changes nothing takes the write lock, waiting once for a busy file (see
        // Open); vq_sequences is this layer's own table.
        RunOne("UPDATE vq_sequences SET Value = Value WHERE 1 = 0", {});
    }
}

void _Connection::Close() {
    if (!m_dbc)
        return;
    ++m_uses;
    m_pendingLock.clear();
    SQLHDBC dbc = static_cast<SQLHDBC>(m_dbc);
    // The driver frees the statements of a connection with it: free them first.
    for (const auto& weak : m_prepared)
        if (auto statement = weak.lock())
            statement->Release();
    m_prepared.clear();
    if (m_inTransaction) {
        SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK);
        m_inTransaction = false;
        m_rolledBack = true;
    }
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    m_dbc = nullptr;
    RunReportsAfterTransaction();
}

void _Connection::AfterTransaction(std::function<void()> report) {
    if (m_inTransaction)
        m_afterTransaction.push_back(std::move(report));
    else
        report();
}

void _Connection::RunReportsAfterTransaction() {
    if (!m_inTransaction)
        RunKeptReports();
}

void _Connection::RunKeptReports() {
    // The list is taken first: a report runs once even when it uses this connection again.
    std::vector<std::function<void()>> reports;
    reports.swap(m_afterTransaction);
    for (auto& report : reports)
        report();
}

long _Connection::BeginTrans() {
    CheckOpen();
    if (m_inTransaction)
        throw _com_error(E_FAIL, "Only one transaction can be active on this connection.");
    ++m_uses;
    SQLRETURN rc = SQLSetConnectAttr(static_cast<SQLHDBC>(m_dbc), SQL_ATTR_AUTOCOMMIT,
                                     reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), SQL_IS_UINTEGER);
    if (!SQL_SUCCEEDED(rc))
        throw vq::db::DiagnosticError(SQL_HANDLE_DBC, m_dbc);
    m_inTransaction = true;
    m_rolledBack = false;
    return 1;
}

namespace {
void EndTransaction(void* dbc, bool commit, bool& inTransaction) {
    if (!dbc)
        throw _com_error(adErrObjectClosed, "Operation is not allowed when the object is closed.");
    if (!inTransaction)
        throw _com_error(E_FAIL, "No transaction is active.");
    SQLHDBC h = static_cast<SQLHDBC>(dbc);
    SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, h, commit ? SQL_COMMIT : SQL_ROLLBACK);
    _com_error error(S_OK);
    bool failed = !SQL_SUCCEEDED(rc);
    if (failed) {
        error = vq::db::DiagnosticError(SQL_HANDLE_DBC, dbc);
        // A commit refused (a deferred constraint, a lost session) leaves nothing to keep: some
        // databases (SQLite) would hold the transaction and its locks open until a rollback
        // nobody is left to send, and every report kept for its end would wait with it.
        if (commit)
            SQLEndTran(SQL_HANDLE_DBC, h, SQL_ROLLBACK);
    }
    inTransaction = false;
    SQLSetConnectAttr(h, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                      SQL_IS_UINTEGER);
    if (failed)
        throw error;
}
} // namespace

void _Connection::FinishTransaction(bool commit) {
    ++m_uses;
    m_pendingLock.clear(); // nothing ran under it
    // The transaction has ended however it ended: its kept reports run now, before the error.
    try {
        // Ended either way when this throws: a failed commit rolls back.
        if (m_inTransaction)
            m_rolledBack = true;
        EndTransaction(m_dbc, commit, m_inTransaction);
        m_rolledBack = !commit;
    } catch (const _com_error&) {
        RunReportsAfterTransaction();
        throw;
    }
    RunReportsAfterTransaction();
}

void _Connection::CommitTrans() {
    FinishTransaction(true);
}

void _Connection::RollbackTrans() {
    FinishTransaction(false);
}

namespace {
// The names quoted in an error message as the statement spells them.
_com_error RespelledError(const _com_error& e, const std::string& sql) {
    std::string text = e.Description().str(), out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t open = text.find('"', pos);
        std::size_t close = open == std::string::npos ? open : text.find('"', open + 1);
        if (close == std::string::npos) {
            out += text.substr(pos);
            break;
        }
        out += text.substr(pos, open + 1 - pos) +
               vq::db::SpellingInStatement(sql, text.substr(open + 1, close - open - 1)) + '"';
        pos = close + 1;
    }
    return _com_error(e.Error(), CString(out), e.Source());
}

void Respell(ResultData& data, const std::string& sql) {
    for (vq::db::ResultColumn& column : data.columns)
        column.name = CString(vq::db::SpellingInStatement(sql, column.name.str()));
}
template <class Other> void Respell(const Other&, const std::string&) {}

// Runs run(); on PostgreSQL gives result columns and the names in error messages back as the
// statement spells them.
template <class Run>
auto InStatementSpelling(Engine engine, const std::string& sql, Run run) -> decltype(run()) {
    if (engine != Engine::PostgreSQL)
        return run();
    // PostgreSQL folds the names of tables and columns to lower case; results and messages give
    // them back as the statement spells them.
    try {
        auto result = run();
        Respell(result, sql);
        return result;
    } catch (const _com_error& e) {
        throw RespelledError(e, sql);
    }
}
} // namespace

ResultData _Connection::RunOne(const std::string& sql, const std::vector<_variant_t>& parameters) {
    CheckOpen();
    ++m_uses;
    if (!m_pendingLock.empty() && parameters.empty()) {
        // The lock and the statement in one round trip: the statement runs once the lock is held.
        const std::string both = std::exchange(m_pendingLock, std::string()) + ";\n" + sql;
        return InStatementSpelling(m_engine, sql, [&] { return vq::db::ExecuteOdbc(m_dbc, both, {}, 1); });
    }
    TakePendingLock();
    return InStatementSpelling(m_engine, sql, [&] { return vq::db::ExecuteOdbc(m_dbc, sql, parameters); });
}

void _Connection::TakePendingLock() {
    if (m_pendingLock.empty())
        return;
    const std::string lock = std::exchange(m_pendingLock, std::string());
    vq::db::ExecuteOdbc(m_dbc, lock, {});
}

std::shared_ptr<vq::db::PreparedStatement> _Connection::Prepare(const CString& text) {
    CheckOpen();
    vq::db::TranslatedStatement translated = vq::db::TranslateStatement(text.str(), m_engine);
    if (!translated.before.empty())
        return nullptr;
    auto statement = InStatementSpelling(m_engine, translated.sql, [&] {
        return std::make_shared<vq::db::PreparedStatement>(m_dbc, translated.sql);
    });
    std::erase_if(m_prepared, [](const auto& weak) { return weak.expired(); });
    m_prepared.push_back(statement);
    return statement;
}

ResultData _Connection::RunPrepared(vq::db::PreparedStatement& statement,
                                    const std::vector<_variant_t>& parameters) {
    CheckOpen();
    ++m_uses;
    TakePendingLock();
    return InStatementSpelling(m_engine, statement.Sql(), [&] { return statement.Execute(parameters); });
}

long _Connection::RunPreparedArray(vq::db::PreparedStatement& statement,
                                   const std::vector<std::vector<_variant_t>>& sets) {
    CheckOpen();
    ++m_uses;
    TakePendingLock();
    return InStatementSpelling(m_engine, statement.Sql(), [&] { return statement.ExecuteArray(sets); });
}

ResultData _Connection::Run(const CString& text, long commandType,
                            const std::vector<_variant_t>& parameters) {
    CheckOpen();
    std::string sql = text.str();
    bool identifier = vq::db::IsSingleIdentifier(sql);
    if (commandType == adCmdTable) {
        sql = "SELECT * FROM " + sql;
    } else if (identifier && (commandType == adCmdStoredProc || !parameters.empty() ||
                              vq::db::ProcedureStatement(sql, m_engine))) {
        if (auto statement = vq::db::ProcedureStatement(sql, m_engine)) {
            sql = *statement;
        } else if (m_engine == Engine::SQLite) {
            throw _com_error(E_FAIL, CString("no such procedure: " + TrimText(sql)));
        } else {
            std::string call = "{call " + TrimText(sql) + "(";
            for (std::size_t i = 0; i < parameters.size(); ++i)
                call += i ? ",?" : "?";
            sql = call + ")}";
            return RunOne(sql, parameters);
        }
    } else if (identifier && commandType == adCmdUnknown) {
        sql = "SELECT * FROM " + sql;
    }

    vq::db::TranslatedStatement translated = vq::db::TranslateStatement(sql, m_engine);
    if (translated.before.empty())
        return RunOne(translated.sql, parameters);

    // The steps run as one unit with the statement they prepare.
    bool ownTransaction = !m_inTransaction;
    if (ownTransaction)
        BeginTrans();
    try {
        for (const std::string& step : translated.before)
            RunOne(step, {});
        ResultData data = RunOne(translated.sql, parameters);
        if (ownTransaction)
            CommitTrans();
        return data;
    } catch (...) {
        if (ownTransaction && m_inTransaction)
            RollbackTrans();
        throw;
    }
}

_RecordsetPtr _Connection::Execute(const CString& statement, long* recordsAffected, long options) {
    long type = options & ~static_cast<long>(adExecuteNoRecords);
    if (type == 0 || options == adOptionUnspecified)
        type = adCmdText;
    ResultData data = Run(statement, type, {});
    if (recordsAffected)
        *recordsAffected = data.rowsAffected;
    _RecordsetPtr rs;
    rs.CreateInstance();
    if (data.hasResultSet)
        rs->Attach(_ConnectionPtr(weak_from_this().lock()), std::move(data), adOpenStatic);
    return rs;
}

std::vector<CString> _Connection::PrimaryKeyColumns(const CString& table) {
    CheckOpen();
    std::string name = table.str();
    if (m_engine == Engine::PostgreSQL && name.find('"') == std::string::npos)
        name = Lower(name); // as PostgreSQL stores an unquoted name
    return vq::db::PrimaryKeysOdbc(m_dbc, name);
}
