#include "odbc/OdbcStatement.h"

#include <type_traits>

#include "odbc/CDBException.h"
#include "odbc/DateText.h"
#include "odbc/OdbcDiagnostic.h"

namespace bx::odbc {
namespace {

// Texts above this length go as long text, which drivers accept of any size.
constexpr SQLULEN kLongTextLength = 4000;
constexpr SQLULEN kTimestampLength = 19;

}  // namespace

OdbcStatement::OdbcStatement(OdbcSession& session, const std::string& sql) : session_(session) {
  const SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, session.Handle(), &stmt_);
  if (Failed(rc)) ThrowDatabaseError(rc, SQL_HANDLE_DBC, session.Handle());
  try {
    Check(SQLPrepare(stmt_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS));
  } catch (...) {
    SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
    throw;
  }
}

OdbcStatement::~OdbcStatement() { SQLFreeHandle(SQL_HANDLE_STMT, stmt_); }

void OdbcStatement::Check(SQLRETURN rc) const {
  if (Failed(rc)) ThrowDatabaseError(rc, SQL_HANDLE_STMT, stmt_);
}

void OdbcStatement::Bind(SQLUSMALLINT number, BoundValue& bound) {
  SQLSMALLINT cType = SQL_C_CHAR, sqlType = SQL_VARCHAR, digits = 0;
  SQLULEN size = 1;
  SQLPOINTER data = nullptr;
  std::visit(
      [&](auto& value) {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          bound.indicator = SQL_NULL_DATA;
        } else if constexpr (std::is_same_v<T, std::int32_t>) {
          cType = SQL_C_SLONG, sqlType = SQL_INTEGER, data = &value;
        } else if constexpr (std::is_same_v<T, float>) {
          cType = SQL_C_FLOAT, sqlType = SQL_REAL, data = &value;
        } else if constexpr (std::is_same_v<T, std::string>) {
          bound.text = value;
        } else if (!value.IsValid()) {
          bound.indicator = SQL_NULL_DATA;
        } else if (session_.Dialect() == SqlDialect::PostgreSQL) {
          bound.timestamp = {static_cast<SQLSMALLINT>(value.GetYear()),
                             static_cast<SQLUSMALLINT>(value.GetMonth()),
                             static_cast<SQLUSMALLINT>(value.GetDay()),
                             static_cast<SQLUSMALLINT>(value.GetHour()),
                             static_cast<SQLUSMALLINT>(value.GetMinute()),
                             static_cast<SQLUSMALLINT>(value.GetSecond()),
                             0};
          cType = SQL_C_TYPE_TIMESTAMP, sqlType = SQL_TYPE_TIMESTAMP, size = kTimestampLength;
          data = &bound.timestamp;
        } else {
          // SQLite keeps dates as text: one form, so that equal dates compare equal.
          bound.text = *CanonicalDateText(value);
        }
      },
      bound.value);
  if (cType == SQL_C_CHAR && bound.indicator != SQL_NULL_DATA) {
    data = bound.text.data();
    bound.indicator = static_cast<SQLLEN>(bound.text.size());
    size = std::max<SQLULEN>(bound.text.size(), 1);
    if (size > kLongTextLength) sqlType = SQL_LONGVARCHAR;
  }
  Check(SQLBindParameter(stmt_, number, SQL_PARAM_INPUT, cType, sqlType, size, digits, data,
                         static_cast<SQLLEN>(bound.text.size()), &bound.indicator));
}

long OdbcStatement::Execute(const std::vector<SqlValue>& parameters) {
  SQLFreeStmt(stmt_, SQL_CLOSE);
  SQLFreeStmt(stmt_, SQL_RESET_PARAMS);
  bound_.clear();
  for (const SqlValue& value : parameters) {
    bound_.push_back(BoundValue{value, {}, {}, 0});
    Bind(static_cast<SQLUSMALLINT>(bound_.size()), bound_.back());
  }
  const SQLRETURN rc = SQLExecute(stmt_);
  if (rc == SQL_NO_DATA) return 0;
  Check(rc);
  if (ColumnCount() > 0) return -1;
  SQLLEN rows = -1;
  Check(SQLRowCount(stmt_, &rows));
  return static_cast<long>(rows);
}

bool OdbcStatement::Fetch() {
  const SQLRETURN rc = SQLFetch(stmt_);
  if (rc == SQL_NO_DATA) return false;
  Check(rc);
  return true;
}

SQLSMALLINT OdbcStatement::ColumnCount() const {
  SQLSMALLINT count = 0;
  Check(SQLNumResultCols(stmt_, &count));
  return count;
}

std::string OdbcStatement::ColumnName(SQLUSMALLINT column) const {
  SQLCHAR name[256] = {};
  SQLSMALLINT length = 0, type = 0, digits = 0, nullable = 0;
  SQLULEN size = 0;
  Check(SQLDescribeCol(stmt_, column, name, sizeof name, &length, &type, &size, &digits, &nullable));
  return reinterpret_cast<const char*>(name);
}

std::optional<std::string> OdbcStatement::Text(SQLUSMALLINT column) {
  std::string value;
  char chunk[4096];
  for (;;) {
    SQLLEN indicator = 0;
    const SQLRETURN rc = SQLGetData(stmt_, column, SQL_C_CHAR, chunk, sizeof chunk, &indicator);
    if (rc == SQL_NO_DATA) break;
    Check(rc);
    if (indicator == SQL_NULL_DATA) return std::nullopt;
    // A full chunk less its terminator when more follows, else what is left.
    const bool more = indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(sizeof chunk);
    value.append(chunk, more ? sizeof chunk - 1 : static_cast<std::size_t>(indicator));
    if (rc == SQL_SUCCESS) break;
  }
  return value;
}

}  // namespace bx::odbc
