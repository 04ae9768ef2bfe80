// Formatting values into SQL text. Every value put into a statement goes through one of these:
//
//   sql.Format("SELECT UserName FROM UserInformation WHERE UserLogName='%s'", SqlQuote(login));
//
// LIKE patterns use the backslash as escape character, declared by the statement itself, which
// works alike on SQLite, PostgreSQL, SQL Server and Oracle:
//
//   sql.Format("SELECT ... WHERE ProjectPath LIKE '%s%%' ESCAPE '\\'", SqlLikeLiteral(prefix));
//   sql.Format("SELECT ... WHERE Tcode LIKE '%s' ESCAPE '\\'", SqlLikeWildcard(userPattern));
//
// A pattern built with SqlLikeLiteral or SqlLikeWildcard must be used with ESCAPE '\' (the
// constant kSqlLikeEscape), and every other literal part of that pattern must be escaped too.
// Patterns without ESCAPE keep backslashes as plain characters.
#pragma once

#include "platform/base/String.h"
#include "platform/db/SqlDialect.h"

// The text with each single quote doubled, without surrounding quotes (it goes into '%s').
CString SqlQuote(const CString& text);

// Literal text for a LIKE pattern: quotes doubled and "\", "%" and "_" escaped with "\".
// The result is already quoted: it does not go through SqlQuote again.
CString SqlLikeLiteral(const CString& text);

// A user's search pattern: "*" becomes the wildcard "%"; other "%", "_" and "\" are literal.
CString SqlLikeWildcard(const CString& text);

// The clause that declares the escape character of the two functions above.
inline constexpr const char* kSqlLikeEscape = " ESCAPE '\\'";

// Conditions on a text column that do not take the column's own comparison. Text columns compare
// without regard to case, but not alike on every engine: SQLite's NOCASE folds ASCII letters
// only, PostgreSQL's citext every letter. A project or task number has one identity on both:
//
//   sql.Format("SELECT count(*) FROM ProjectManage WHERE %s", SqlFoldedEquals(engine, "ProjectNo", no));
//
// and a row that was chosen is reached by its value exactly as stored, never by another row's
// value that only differs in case:
//
//   sql.Format("DELETE FROM TaskDocuments WHERE %s", SqlExactEquals(engine, "ProjectNo", storedNo));

// The column equals the value when both are folded by vq::FoldCase (through the function
// vq_fold_case: on SQLite every connection has it, see Connection.h; on PostgreSQL the schema
// makes it from the same character table, schema/postgresql/fold-case.sql, since the server's own
// folding follows its locale). Other engines compare as their column does.
CString SqlFoldedEquals(vq::db::Engine engine, const CString& column, const CString& value);

// The column, folded as above, begins with the folded prefix; the caller compares what follows
// the prefix on the folded text too (folding may change a text's length in bytes).
CString SqlFoldedPrefix(vq::db::Engine engine, const CString& column, const CString& prefix);

// The column holds a text that a file server ignoring case may read as the same folder name as the
// value (vq::FolderNameKey: "ΣM-05", "σm-05" and "ςm-05" alike; on SQLite through the function
// vq_folder_key, on both engines). Texts equal by SqlFoldedEquals are equal so too.
CString SqlFolderKeyEquals(vq::db::Engine engine, const CString& column, const CString& value);

// The column holds a text whose file name (vq::ValidFileName, which writes "+" and the other
// characters a file name cannot hold as "#") a file server ignoring case may read as the same
// folder name as the value's: "XM-05+1-01", "xm-05#1-01" and "XM-05#1-01" alike. Texts equal by
// SqlFolderKeyEquals are equal so too. A value without "#" or such a character is compared as
// SqlFolderKeyEquals compares it (only rows without them can match it).
CString SqlFileNameKeyEquals(vq::db::Engine engine, const CString& column, const CString& value);

// The column holds exactly the value, byte for byte; an empty value also matches a column
// without a value (NULL), as a stored NULL is read as an empty text.
CString SqlExactEquals(vq::db::Engine engine, const CString& column, const CString& value);

// Two columns (of two tables of a statement) that hold exactly the same text.
CString SqlExactColumns(vq::db::Engine engine, const CString& column, const CString& other);

// The column begins exactly, byte for byte, with the prefix (not empty).
CString SqlExactPrefix(vq::db::Engine engine, const CString& column, const CString& prefix);
