#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "odbc/CFieldExchange.h"
#include "odbc/DatabaseSettings.h"
#include "odbc/CDBException.h"
#include "odbc/SqlDialect.h"
#include "odbc/SqlValue.h"

namespace bx::odbc {
class OdbcSession;
class OdbcStatement;
}  // namespace bx::odbc

// A table's rows selected by a filter and a sort, read into memory when the set
// opens, with the current row's values in the subclass's members. The set opens its
// own connection from the settings' connection string and drops it on Close, so no
// connection outlives the operation that uses the set. Bracketed column names in the
// filter and sort become the database's identifier quotes; values written by Update
// are bound as parameters. Database errors throw CDBException.
class CRecordset {
 public:
  enum OpenType { dynaset = 0, snapshot = 1, forwardOnly = 2, dynamic = 3 };
  static constexpr int kUseDefaultType = -1;

  explicit CRecordset(DatabaseSettings settings);
  virtual ~CRecordset();
  CRecordset(const CRecordset&) = delete;
  CRecordset& operator=(const CRecordset&) = delete;

  virtual std::string GetDefaultConnect() const { return m_settings.ConnectionString(); }
  // The table, as the subclass names it ("\"Story\"", "[Layout]").
  virtual std::string GetDefaultSQL() const = 0;
  virtual void DoFieldExchange(CFieldExchange& fx) = 0;
  // The bracketed key column that Edit and Delete find their row by; none by default.
  virtual std::string KeyColumn() const { return {}; }
  // Whether Update asks the database for the key of a row it inserts (LastInsertedKey):
  // one more statement or result per row, so only sets whose callers need it do.
  virtual bool ReportsInsertedKey() const { return false; }

  void Open(int openType = kUseDefaultType);
  void Close() noexcept;
  bool IsOpen() const { return m_open; }
  void Requery();

  bool IsBOF() const { return m_rows.empty() || m_position < 0; }
  bool IsEOF() const { return m_rows.empty() || m_position >= static_cast<long>(m_rows.size()); }
  void MoveNext();
  void MovePrev();
  void MoveFirst();
  void MoveLast();

  // AddNew resets the members; Edit keeps the current row's. Update then writes the
  // new row, or the columns whose members changed, and ends the edit.
  void AddNew();
  void Edit();
  void Update();
  void Delete();

  // Works on the caller's open connection instead of one of its own; the connection
  // stays open on Close. Null returns the set to connections of its own.
  void UseSession(bx::odbc::OdbcSession* session) { m_sharedSession = session; }
  bx::odbc::OdbcSession* SharedSession() const { return m_sharedSession; }

  // The key the database gave the row the last Update inserted; -1 when none or when
  // the set does not report inserted keys.
  long LastInsertedKey() const { return m_lastInsertedKey; }

  // Runs a statement with bound parameters on this set's connection, opening one
  // for the call when the set has none; the number of rows it changed.
  long ExecuteSQL(const std::string& sql, const std::vector<bx::odbc::SqlValue>& parameters = {});
  // The database the set talks to; connects when it has no connection yet.
  bx::odbc::SqlDialect Dialect();
  // The table name with the database's identifier quotes.
  std::string TableName() const;

  std::string m_strFilter;
  std::string m_strSort;
  int m_nFields = 0;
  int m_nDefaultType = snapshot;

 protected:
  DatabaseSettings m_settings;

 private:
  enum class EditMode { None, Adding, Editing };
  bx::odbc::OdbcSession& Session();
  // True when no connection is open for the set: a statement then opens one for itself.
  bool NeedsOwnConnection() const { return !m_session && !m_sharedSession; }
  std::vector<CFieldExchange::Column> Collect(CFieldExchange::Operation operation);
  std::string SelectStatement();
  void LoadCurrentRow();
  void MoveTo(long position);
  void Insert(std::vector<CFieldExchange::Column>& columns);
  // The prepared INSERT of these columns on the set's own connection, made again
  // only when the column list changes.
  bx::odbc::OdbcStatement& InsertStatement(const std::vector<CFieldExchange::Column>& columns,
                                           const std::string& key, bool returning);
  bool InsertPreparedFor(const std::vector<CFieldExchange::Column>& columns, const std::string& key) const;
  // Drops the connection the set opened, and the statements prepared on it.
  void DropSession() noexcept;
  void UpdateChanged(const std::vector<CFieldExchange::Column>& columns);
  const bx::odbc::SqlValue& KeyValue(const std::vector<CFieldExchange::Column>& columns) const;

  std::unique_ptr<bx::odbc::OdbcSession> m_session;
  // Kept while the set's own connection is open, for the rows added one after another.
  std::unique_ptr<bx::odbc::OdbcStatement> m_insert;
  std::vector<std::string> m_insertColumns;
  bx::odbc::OdbcSession* m_sharedSession = nullptr;
  std::vector<std::vector<std::optional<std::string>>> m_rows;
  long m_position = 0;
  bool m_open = false;
  int m_openType = snapshot;
  EditMode m_editMode = EditMode::None;
  long m_lastInsertedKey = -1;
  std::vector<CFieldExchange::Column> m_valuesBeforeEdit;
};

// Shows a database error's text in a message box.
void ShowDatabaseError(const CDBException& error);
