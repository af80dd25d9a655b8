#include "odbc/SqlDialect.h"

#include "odbc/CDBException.h"
#include "odbc/DateText.h"

namespace bx::odbc {

std::string ReplaceBrackets(std::string_view sql) {
  std::string result(sql);
  bool inText = false;
  for (char& c : result) {
    if (c == '\'')
      inText = !inText;
    else if (!inText && (c == '[' || c == ']'))
      c = '"';
  }
  return result;
}

std::string QuoteText(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') quoted += '\'';
    quoted += c;
  }
  return quoted + "'";
}

std::string LikeCondition(SqlDialect dialect, std::string_view column, std::string_view text) {
  std::string pattern;
  for (char c : text) {
    if (c == '%' || c == '_' || c == '\\') pattern += '\\';
    pattern += c;
  }
  const char* like = dialect == SqlDialect::PostgreSQL ? " ILIKE " : " LIKE ";
  return std::string(column) + like + QuoteText(pattern) + " ESCAPE '\\'";
}

std::string DateTimeLiteral(SqlDialect dialect, const bx::OleDateTime& date) {
  const auto text = CanonicalDateText(date);
  if (!text) throw CDBException(-1, "Invalid date in a query");
  if (dialect == SqlDialect::PostgreSQL) return "{ts '" + *text + "'}";
  return "'" + *text + "'";
}

}  // namespace bx::odbc
