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

// The text with each single quote doubled, without surrounding quotes (it goes into '%s').
CString SqlQuote(const CString& text);

// Literal text for a LIKE pattern: quotes doubled and "\", "%" and "_" escaped with "\".
// The result is already quoted: it does not go through SqlQuote again.
CString SqlLikeLiteral(const CString& text);

// A user's search pattern: "*" becomes the wildcard "%"; other "%", "_" and "\" are literal.
CString SqlLikeWildcard(const CString& text);

// The clause that declares the escape character of the two functions above.
inline constexpr const char* kSqlLikeEscape = " ESCAPE '\\'";
