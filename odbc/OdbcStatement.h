#pragma once

#include <sql.h>
#include <sqlext.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "odbc/OdbcSession.h"
#include "odbc/SqlValue.h"

namespace bx::odbc {

// One prepared statement of a session: parameters bound by value, rows read as text.
// Failures, a lost connection among them, throw CDBException.
class OdbcStatement {
 public:
  OdbcStatement(OdbcSession& session, const std::string& sql);
  ~OdbcStatement();
  OdbcStatement(const OdbcStatement&) = delete;
  OdbcStatement& operator=(const OdbcStatement&) = delete;

  // Runs with these parameter values (one per "?", in order); the number of rows
  // changed, or -1 when the statement has a result instead.
  long Execute(const std::vector<SqlValue>& parameters = {});
  // Moves to the next row of the result; false after the last.
  bool Fetch();
  SQLSMALLINT ColumnCount() const;
  std::string ColumnName(SQLUSMALLINT column) const;
  // The value of a column (from 1) of the current row as text; nothing for NULL.
  std::optional<std::string> Text(SQLUSMALLINT column);

 private:
  // A bound value and its length indicator; both must outlive the execution.
  struct BoundValue {
    SqlValue value;
    std::string text;
    SQL_TIMESTAMP_STRUCT timestamp{};
    SQLLEN indicator = 0;
  };
  void Bind(SQLUSMALLINT number, BoundValue& bound);
  void Check(SQLRETURN rc) const;

  OdbcSession& session_;
  SQLHSTMT stmt_ = SQL_NULL_HSTMT;
  std::deque<BoundValue> bound_;
};

}  // namespace bx::odbc
