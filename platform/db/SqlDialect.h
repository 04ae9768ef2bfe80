// Translation of the constructs that the statements of the system use and that a target engine
// lacks. It is a small rewriter of known constructs over a token tree (strings, identifiers,
// parenthesised groups), not a SQL parser: everything it does not recognise passes unchanged.
//
// On SQLite:
//   getdate(), sysdate           -> datetime('now','localtime')   (the server clock is local time)
//   DATEPART(yy|mm|dd|hh|mi|ss, x) (also year, month, day, hour, minute, second, yyyy, m, d, n, s)
//                                 -> CAST(strftime('%Y', x) AS INTEGER) ...
//   TO_CHAR(x, 'yyyy-mm-dd hh24:mi:ss')  -> strftime('%Y-%m-%d %H:%M:%S', x); TO_CHAR(x) -> text
//   FROM DUAL                     -> dropped (SQLite selects without FROM)
//   rtrim(x)                      -> rtrim(x) COLLATE NOCASE, so that comparisons of trimmed
//                                    text ignore ASCII case as the text columns do
//   SELECT cols FROM t [a] [WHERE w] START WITH s CONNECT BY c = PRIOR p [ORDER BY o]
//                                 -> a recursive query over t: the rows that satisfy s, then
//                                    the rows whose c equals p of a row already found, in depth-
//                                    first order (siblings in insertion order) unless ORDER BY
//                                    is given; a row already on its own path is not visited again,
//                                    so a cycle in the data ends the branch instead of looping
//   FROM a x, b y WHERE ... x.c = y.d(+) ...
//                                 -> FROM a x LEFT JOIN b y ON x.c = y.d WHERE ...
//   SELECT name.nextVal FROM dual -> a step of the sequence 'name' kept in the table
//                                    vq_sequences (Name, Value); no row when it does not exist
//   stored procedures ShowPartTree, ShowTeamStructTree, ShowTeamworkFile (parameter UpCode)
//                                 -> the CONNECT BY queries whose rows they return
// Text columns are declared COLLATE NOCASE in the schema; SQLite's LIKE ignores ASCII case and
// has no escape character unless ESCAPE is given, so backslashes in patterns are plain.
//
// On PostgreSQL the same constructs, with its own functions (text columns are citext there):
//   getdate(), sysdate           -> to_char(statement_timestamp(), 'YYYY-MM-DD HH24:MI:SS')
//   DATEPART(part, x)            -> CAST(to_char(<x as timestamp>, 'YYYY'|'MM'|...) AS INTEGER)
//   TO_CHAR(x, 'format')         -> to_char(<x as timestamp>, format with hh as the hour of 24)
//   FROM DUAL dropped; rtrim(x)  -> CAST(rtrim(x) AS CITEXT); (+) as on SQLite
//   CONNECT BY                   -> the recursive query above over the rows' ctid instead of rowid
//                                   (siblings in the order the rows are stored)
//   x LIKE p                     -> x LIKE p ESCAPE '' unless ESCAPE is given (PostgreSQL would
//                                   take the backslash as escape character)
//   SELECT name.nextVal FROM dual -> UPDATE vq_sequences ... RETURNING Value (one statement)
//   the stored procedures         -> the same statements as on SQLite
// Other engines (an existing Oracle or SQL Server database) get the statements unchanged.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vq::db {

enum class Engine { SQLite, PostgreSQL, Other };

struct TranslatedStatement {
    // Statements to run first, in the same transaction (the step of a sequence).
    std::vector<std::string> before;
    std::string sql;
};

TranslatedStatement TranslateStatement(std::string_view sql, Engine engine);

// The same translation with every statement taken apart into its tokens, none passed on by the
// one-scan check of TranslateStatement nor answered from its memo: what those must agree with.
TranslatedStatement TranslateEveryToken(std::string_view sql, Engine engine);

// The statement that stands for a stored procedure the engine lacks, with one '?' per parameter;
// nothing when the engine has its own procedures or the name is unknown.
std::optional<std::string> ProcedureStatement(std::string_view name, Engine engine);

// The table of a SELECT over one table ("SELECT ... FROM t [alias] [WHERE ...]"), or empty.
std::string SingleTableOf(std::string_view select);

// The spelling a name has in the statement when the engine gave it back folded to lower case
// (PostgreSQL folds unquoted identifiers); the name itself when the statement does not have it.
std::string SpellingInStatement(std::string_view sql, const std::string& name);

// True when the text is one identifier (a table or procedure name).
bool IsSingleIdentifier(std::string_view text);

// "INSERT INTO t (cols) VALUES (row)" split into its head (up to and with VALUES), the row's
// text with its parentheses and the number of '?' marks in it; nothing for any other statement.
// A batch can then insert several rows with one statement: head + row + ", " + row ...
struct SingleRowInsert {
    std::string head;
    std::string row;
    std::size_t marks = 0;
};
std::optional<SingleRowInsert> SplitSingleRowInsert(std::string_view sql);

// The parts of a SingleRowInsert that name its columns: the table, the listed columns and the
// row's elements (trimmed, in the same order); nothing when the insert lists no columns, a
// column is not a plain name, the counts differ or a mark stands inside a larger element. A batch can then send its rows as data
// whose fields are named by the columns.
struct InsertColumns {
    std::string table;
    std::vector<std::string> columns;
    std::vector<std::string> elements;
};
std::optional<InsertColumns> SplitInsertColumns(const SingleRowInsert& insert);

// "DELETE FROM t WHERE a=? AND b=?" (only columns compared with '?' marks, joined by AND) split
// into the table and the columns in the order of their marks; nothing for any other statement.
// A batch can then delete the rows of all its sets with one statement.
struct KeyDelete {
    std::string table;
    std::vector<std::string> columns;
};
std::optional<KeyDelete> SplitKeyDelete(std::string_view sql);

} // namespace vq::db
