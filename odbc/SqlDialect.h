#pragma once

#include <string>
#include <string_view>

#include "platform/OleDateTime.h"

namespace bx::odbc {

// The two databases the station writes to.
enum class SqlDialect { SQLite, PostgreSQL };

// Turns the bracketed column names of the program's SQL ("[OPERATORE]") into
// double-quoted identifiers; text inside apostrophes is left as it stands.
std::string ReplaceBrackets(std::string_view sql);
// A text as an SQL string: between apostrophes, each apostrophe doubled.
std::string QuoteText(std::string_view text);
// "column LIKE 'pattern' ESCAPE '\'" matching the text itself (its %, _ and \ are
// escaped) without regard to letter case on either database.
std::string LikeCondition(SqlDialect dialect, std::string_view column, std::string_view text);
// A date-time as the database compares it: the canonical text on SQLite, an ODBC
// timestamp escape on PostgreSQL. An invalid date throws CDBException.
std::string DateTimeLiteral(SqlDialect dialect, const bx::OleDateTime& date);

}  // namespace bx::odbc
