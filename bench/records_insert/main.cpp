// Story rows inserted per second through the recordset layer (AddNew, set the
// members, Update on an open set: values bound to the set's prepared INSERT)
// against the same parameterised INSERT done with raw ODBC calls (allocate,
// prepare, bind six parameters, execute, free) on one connection, on the embedded
// SQLite database and on PostgreSQL. Rounds alternate between the two; the
// medians and their ratio are printed (goal: layer / raw <= 1.3).
//
// usage: records_insert [--rounds N] [--rows N]

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bench/common/MachineProbe.h"
#include "TestDatabase.h"
#include "records/CStorySet.h"
#include "odbc/OdbcSession.h"
#include "odbc/OdbcStatement.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Settings {
  int rounds = 6;
  int rows = 500;
};

void Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle) {
  if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) return;
  bx::odbc::ThrowDatabaseError(rc, type, handle);
}

// One insert through the layer on an open set.
void LayerInsert(CStorySet& set, int row) {
  set.AddNew();
  set.m_OPERATORE = "Bench " + std::to_string(row);
  set.m_DATA = bx::OleDateTime(2011, 3, 7, 0, 0, 0);
  set.m_IMPORTATE = 1;
  set.m_FORMATO_CARTA = row;
  set.m_PRODOTTO = "Print";
  set.Update();
}

// The same insert with the driver manager's calls; dates go as the layer sends them.
void RawInsert(bx::odbc::OdbcSession& session, int row) {
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  Check(SQLAllocHandle(SQL_HANDLE_STMT, session.Handle(), &stmt), SQL_HANDLE_DBC, session.Handle());
  const char* sql =
      "INSERT INTO \"Story\" (\"OPERATORE\", \"DATA\", \"IMPORTATE\", \"STAMPATE\", \"FORMATO_CARTA\", "
      "\"PRODOTTO\") VALUES (?, ?, ?, ?, ?, ?)";
  Check(SQLPrepare(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql)), SQL_NTS), SQL_HANDLE_STMT, stmt);
  std::string op = "Raw " + std::to_string(row), product = "Print";
  SQLINTEGER imported = 1, printed = 0, format = row;
  SQL_TIMESTAMP_STRUCT day{2011, 3, 7, 0, 0, 0, 0};
  char dayText[] = "2011-03-07 00:00:00";
  SQLLEN opLength = static_cast<SQLLEN>(op.size()), productLength = 5, dayLength = 19, zero = 0;
  const bool server = session.Dialect() == bx::odbc::SqlDialect::PostgreSQL;
  auto bindText = [&](SQLUSMALLINT n, std::string& text, SQLLEN& length) {
    Check(SQLBindParameter(stmt, n, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, text.size(), 0, text.data(),
                           length, &length),
          SQL_HANDLE_STMT, stmt);
  };
  auto bindLong = [&](SQLUSMALLINT n, SQLINTEGER& value) {
    Check(SQLBindParameter(stmt, n, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &value, 0, &zero),
          SQL_HANDLE_STMT, stmt);
  };
  bindText(1, op, opLength);
  if (server)
    Check(SQLBindParameter(stmt, 2, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 19, 0, &day, 0,
                           &zero),
          SQL_HANDLE_STMT, stmt);
  else
    Check(SQLBindParameter(stmt, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 19, 0, dayText, 19, &dayLength),
          SQL_HANDLE_STMT, stmt);
  bindLong(3, imported);
  bindLong(4, printed);
  bindLong(5, format);
  bindText(6, product, productLength);
  Check(SQLExecute(stmt), SQL_HANDLE_STMT, stmt);
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

double RowsPerSecond(int rows, const std::function<void(int)>& insert) {
  const auto start = Clock::now();
  for (int row = 0; row < rows; ++row) insert(row);
  return rows / std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void Measure(bx::odbc::SqlDialect dialect, const Settings& settings) {
  TestDatabase database(dialect);
  CStorySet set(database.Settings());
  set.m_strFilter = "1=0";
  set.Open();
  bx::odbc::OdbcSession raw(database.ConnectionString());
  std::vector<double> layerRates, rawRates;
  // SQLite copies its write-ahead log into the database (with syncs) in the insert
  // that fills the log, every few hundred rows: each side starts on an empty log,
  // so that it pays for the copies its own rows need, not for the other side's.
  auto emptyLog = [&] {
    if (dialect == bx::odbc::SqlDialect::SQLite)
      bx::odbc::OdbcStatement(raw, "PRAGMA wal_checkpoint(TRUNCATE)").Execute();
  };
  for (int round = 0; round < settings.rounds; ++round) {
    const int offset = round * settings.rows;
    auto measureRaw = [&] {
      emptyLog();
      rawRates.push_back(RowsPerSecond(settings.rows, [&](int row) { RawInsert(raw, offset + row); }));
    };
    auto measureLayer = [&] {
      emptyLog();
      layerRates.push_back(RowsPerSecond(settings.rows, [&](int row) { LayerInsert(set, offset + row); }));
    };
    // Each goes first in every other round, so that neither gains from the order.
    if (round % 2 == 0)
      measureRaw(), measureLayer();
    else
      measureLayer(), measureRaw();
  }
  const double layer = Median(layerRates), direct = Median(rawRates);
  std::printf("%-10s  layer %8.0f rows/s  raw ODBC %8.0f rows/s  time ratio %.2f\n",
              DialectName(dialect).c_str(), layer, direct, direct / layer);
}

}  // namespace

int main(int argc, char** argv) {
  bench::PrintMachineProbe();
  const bench::CpuTicks ticks = bench::ReadCpuTicks();
  Settings settings;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--rounds"))
      settings.rounds = std::max(1, std::atoi(argv[i + 1]));
    else if (!std::strcmp(argv[i], "--rows"))
      settings.rows = std::max(1, std::atoi(argv[i + 1]));
  }
  std::printf("Story inserts, median of %d rounds of %d rows (time ratio: layer / raw, goal <= 1.3)\n",
              settings.rounds, settings.rows);
  try {
    Measure(bx::odbc::SqlDialect::SQLite, settings);
    Measure(bx::odbc::SqlDialect::PostgreSQL, settings);
  } catch (const CDBException& error) {
    std::fprintf(stderr, "records_insert: %s\n", error.m_strError.c_str());
    return 1;
  }
  bench::PrintMachineLoad(ticks);
  return 0;
}
