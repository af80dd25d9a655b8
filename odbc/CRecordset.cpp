#include "odbc/CRecordset.h"

#include "platform/MessageSink.h"
#include "odbc/OdbcSession.h"
#include "odbc/OdbcStatement.h"

namespace {

// Characters of a UTF-8 text.
std::size_t CharacterCount(const std::string& text) {
  std::size_t count = 0;
  for (unsigned char c : text) count += (c & 0xC0) != 0x80;
  return count;
}

void CheckLength(const CFieldExchange::Column& column) {
  const auto* text = std::get_if<std::string>(&column.value);
  if (text && column.maxLength > 0 && CharacterCount(*text) > column.maxLength)
    throw CDBException(
        -1, "Text longer than " + std::to_string(column.maxLength) + " characters for column " + column.name);
}

std::string Join(const std::vector<std::string>& parts, const char* separator) {
  std::string joined;
  for (const std::string& part : parts) joined += (joined.empty() ? "" : separator) + part;
  return joined;
}

}  // namespace

void ShowDatabaseError(const CDBException& error) { bx::ShowMessage(error.ErrorText()); }

CRecordset::CRecordset(DatabaseSettings settings)
    : m_nDefaultType(settings.setType), m_settings(std::move(settings)) {}

CRecordset::~CRecordset() { Close(); }

bx::odbc::OdbcSession& CRecordset::Session() {
  if (m_sharedSession) return *m_sharedSession;
  if (!m_session) m_session = std::make_unique<bx::odbc::OdbcSession>(GetDefaultConnect());
  return *m_session;
}

bx::odbc::SqlDialect CRecordset::Dialect() { return Session().Dialect(); }

std::string CRecordset::TableName() const { return bx::odbc::ReplaceBrackets(GetDefaultSQL()); }

std::vector<CFieldExchange::Column> CRecordset::Collect(CFieldExchange::Operation operation) {
  CFieldExchange fx(operation);
  DoFieldExchange(fx);
  return fx.Columns();
}

std::string CRecordset::SelectStatement() {
  std::vector<std::string> names;
  for (const auto& column : Collect(CFieldExchange::Name)) names.push_back(column.name);
  std::string sql = "SELECT " + Join(names, ", ") + " FROM " + GetDefaultSQL();
  if (!m_strFilter.empty()) sql += " WHERE (" + m_strFilter + ")";
  if (!m_strSort.empty()) sql += " ORDER BY " + m_strSort;
  return bx::odbc::ReplaceBrackets(sql);
}

void CRecordset::Open(int openType) {
  m_openType = openType == kUseDefaultType ? m_nDefaultType : openType;
  m_open = true;
  Requery();
}

void CRecordset::Requery() {
  bx::odbc::OdbcStatement statement(Session(), SelectStatement());
  statement.Execute();
  const auto columns = static_cast<SQLUSMALLINT>(statement.ColumnCount());
  m_rows.clear();
  while (statement.Fetch()) {
    std::vector<std::optional<std::string>> row;
    for (SQLUSMALLINT column = 1; column <= columns; ++column) row.push_back(statement.Text(column));
    m_rows.push_back(std::move(row));
  }
  m_editMode = EditMode::None;
  MoveTo(0);
}

void CRecordset::Close() noexcept {
  m_rows.clear();
  m_open = false;
  m_editMode = EditMode::None;
  DropSession();
}

void CRecordset::LoadCurrentRow() {
  CFieldExchange fx(m_rows[static_cast<std::size_t>(m_position)]);
  DoFieldExchange(fx);
}

void CRecordset::MoveTo(long position) {
  m_position = position;
  if (!IsBOF() && !IsEOF()) LoadCurrentRow();
}

void CRecordset::MoveNext() {
  if (IsEOF()) throw CDBException(-1, "Move beyond the end of the recordset");
  MoveTo(m_position + 1);
}

void CRecordset::MovePrev() {
  if (m_openType == forwardOnly) throw CDBException(-1, "A forward-only recordset cannot move back");
  if (IsBOF()) throw CDBException(-1, "Move before the start of the recordset");
  MoveTo(m_position - 1);
}

void CRecordset::MoveFirst() {
  if (m_openType == forwardOnly && m_position > 0)
    throw CDBException(-1, "A forward-only recordset cannot move back");
  MoveTo(0);
}

void CRecordset::MoveLast() { MoveTo(static_cast<long>(m_rows.size()) - 1); }

void CRecordset::AddNew() {
  Collect(CFieldExchange::SetNull);
  m_editMode = EditMode::Adding;
}

void CRecordset::Edit() {
  if (IsBOF() || IsEOF()) throw CDBException(-1, "No current record to edit");
  if (KeyColumn().empty()) throw CDBException(-1, "The table has no key to edit a row by");
  m_valuesBeforeEdit = Collect(CFieldExchange::Store);
  m_editMode = EditMode::Editing;
}

void CRecordset::Update() {
  if (m_editMode == EditMode::None) throw CDBException(-1, "Update without AddNew or Edit");
  auto columns = Collect(CFieldExchange::Store);
  for (const auto& column : columns) CheckLength(column);
  if (m_editMode == EditMode::Adding)
    Insert(columns);
  else
    UpdateChanged(columns);
  m_editMode = EditMode::None;
}

void CRecordset::Insert(std::vector<CFieldExchange::Column>& columns) {
  const std::string key = KeyColumn();
  std::vector<bx::odbc::SqlValue> values;
  values.reserve(columns.size());
  for (auto& column : columns)
    if (column.name != key) values.push_back(std::move(column.value));  // the database numbers the rows
  const bool ownConnection = NeedsOwnConnection();
  // Only the set's own connection lives as long as the statement may be kept.
  const bool keep = !m_sharedSession && m_session;
  if (!keep) m_insert.reset();
  try {
    m_lastInsertedKey = -1;
    // The key comes from the statement's own connection, so that a row another
    // station inserts at the same moment cannot be taken for this one.
    const bool reporting = ReportsInsertedKey() && !key.empty();
    const bool returning = reporting && Dialect() == bx::odbc::SqlDialect::PostgreSQL;
    bx::odbc::OdbcStatement& insert = InsertStatement(columns, key, returning);
    insert.Execute(values);
    if (returning && insert.Fetch()) m_lastInsertedKey = std::stol(insert.Text(1).value_or("-1"));
    if (reporting && !returning) {
      bx::odbc::OdbcStatement rowid(Session(), "SELECT last_insert_rowid()");
      rowid.Execute();
      if (rowid.Fetch()) m_lastInsertedKey = std::stol(rowid.Text(1).value_or("-1"));
    }
  } catch (...) {
    m_insert.reset();  // prepared again for the next row, whatever state the failure left
    if (ownConnection) DropSession();
    throw;
  }
  if (!keep) m_insert.reset();
  if (ownConnection) DropSession();
}

bool CRecordset::InsertPreparedFor(const std::vector<CFieldExchange::Column>& columns,
                                   const std::string& key) const {
  if (!m_insert) return false;
  std::size_t named = 0;
  for (const auto& column : columns) {
    if (column.name == key) continue;
    if (named == m_insertColumns.size() || m_insertColumns[named++] != column.name) return false;
  }
  return named == m_insertColumns.size();
}

bx::odbc::OdbcStatement& CRecordset::InsertStatement(const std::vector<CFieldExchange::Column>& columns,
                                                     const std::string& key, bool returning) {
  if (InsertPreparedFor(columns, key)) return *m_insert;
  m_insert.reset();
  std::vector<std::string> names, markers;
  for (const auto& column : columns) {
    if (column.name == key) continue;
    names.push_back(column.name);
    markers.push_back("?");
  }
  std::string sql =
      "INSERT INTO " + GetDefaultSQL() + " (" + Join(names, ", ") + ") VALUES (" + Join(markers, ", ") + ")";
  if (returning) sql += " RETURNING " + key;
  m_insert = std::make_unique<bx::odbc::OdbcStatement>(Session(), bx::odbc::ReplaceBrackets(sql));
  m_insertColumns = std::move(names);
  return *m_insert;
}

void CRecordset::DropSession() noexcept {
  m_insert.reset();
  m_session.reset();
}

const bx::odbc::SqlValue& CRecordset::KeyValue(const std::vector<CFieldExchange::Column>& columns) const {
  for (const auto& column : columns)
    if (column.name == KeyColumn()) return column.value;
  throw CDBException(-1, "The key column " + KeyColumn() + " is not bound");
}

void CRecordset::UpdateChanged(const std::vector<CFieldExchange::Column>& columns) {
  std::vector<std::string> assignments;
  std::vector<bx::odbc::SqlValue> values;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].value == m_valuesBeforeEdit[i].value) continue;
    assignments.push_back(columns[i].name + " = ?");
    values.push_back(columns[i].value);
  }
  if (assignments.empty()) return;
  values.push_back(KeyValue(m_valuesBeforeEdit));
  const long changed =
      ExecuteSQL(bx::odbc::ReplaceBrackets("UPDATE " + GetDefaultSQL() + " SET " + Join(assignments, ", ") +
                                           " WHERE " + KeyColumn() + " = ?"),
                 values);
  if (changed != 1) throw CDBException(-1, "The row to update no longer exists");
}

void CRecordset::Delete() {
  if (IsBOF() || IsEOF()) throw CDBException(-1, "No current record to delete");
  if (KeyColumn().empty()) throw CDBException(-1, "The table has no key to delete a row by");
  const auto columns = Collect(CFieldExchange::Store);
  const long changed = ExecuteSQL(
      bx::odbc::ReplaceBrackets("DELETE FROM " + GetDefaultSQL() + " WHERE " + KeyColumn() + " = ?"),
      {KeyValue(columns)});
  if (changed != 1) throw CDBException(-1, "The row to delete no longer exists");
}

long CRecordset::ExecuteSQL(const std::string& sql, const std::vector<bx::odbc::SqlValue>& parameters) {
  const bool ownConnection = NeedsOwnConnection();
  long changed = 0;
  try {
    bx::odbc::OdbcStatement statement(Session(), sql);
    changed = statement.Execute(parameters);
  } catch (...) {
    if (ownConnection) DropSession();
    throw;
  }
  if (ownConnection) DropSession();
  return changed;
}
