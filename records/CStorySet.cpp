#include "records/CStorySet.h"

#include <utility>

#include "records/OperatorList.h"
#include "odbc/DateText.h"

namespace {

// Tries of the update-or-insert: a row inserted by another station between the two
// makes the insert fail on the unique index, and the next update finds it.
constexpr int kTallyAttempts = 3;

}  // namespace

CStorySet::CStorySet(DatabaseSettings settings) : CRecordset(std::move(settings)) { m_nFields = 7; }

void CStorySet::DoFieldExchange(CFieldExchange& fx) {
  RFX_Long(&fx, "[ID]", m_ID);
  RFX_Text(&fx, "[OPERATORE]", m_OPERATORE);
  RFX_Date(&fx, "[DATA]", m_DATA);
  RFX_Long(&fx, "[IMPORTATE]", m_IMPORTATE);
  RFX_Long(&fx, "[STAMPATE]", m_STAMPATE);
  RFX_Long(&fx, "[FORMATO_CARTA]", m_FORMATO_CARTA);
  RFX_Text(&fx, "[PRODOTTO]", m_PRODOTTO);
}

bool CStorySet::AddCounts(const std::string& op, int imported, int printed, int paperFormat,
                          const std::string& product, bool silent) {
  return AddCountsOnDay(bx::OleDateTime::Now(), op, imported, printed, paperFormat, product, silent);
}

bool CStorySet::AddCountsOnDay(const bx::OleDateTime& day, const std::string& op, int imported, int printed,
                               int paperFormat, const std::string& product, bool silent) {
  const bx::OleDateTime midnight = bx::odbc::DayOf(day);
  try {
    if (!midnight.IsValid()) throw CDBException(-1, "No valid day for the tally");
    for (int attempt = 1;; ++attempt) {
      if (AddToExistingRow(midnight, op, imported, printed, paperFormat, product) > 0) break;
      try {
        InsertRow(midnight, op, imported, printed, paperFormat, product);
        break;
      } catch (const CDBException& error) {
        if (!error.IsUniqueViolation() || attempt == kTallyAttempts) throw;
      }
    }
    Close();
    return true;
  } catch (const CDBException& error) {
    Close();
    if (!silent) ShowDatabaseError(error);
    return false;
  }
}

long CStorySet::AddToExistingRow(const bx::OleDateTime& day, const std::string& op, int imported, int printed,
                                 int paperFormat, const std::string& product) {
  std::string sql = "UPDATE " + TableName() +
                    " SET \"IMPORTATE\" = \"IMPORTATE\" + ?, \"STAMPATE\" = \"STAMPATE\" + ? WHERE " +
                    bx::odbc::LikeCondition(Dialect(), "\"OPERATORE\"", op) +
                    " AND \"DATA\" = ? AND \"FORMATO_CARTA\" = ?";
  std::vector<bx::odbc::SqlValue> values{imported, printed, day, paperFormat};
  if (product.empty()) {
    sql += " AND (\"PRODOTTO\" IS NULL OR \"PRODOTTO\" = '')";
  } else {
    sql += " AND \"PRODOTTO\" = ?";
    values.push_back(product);
  }
  return ExecuteSQL(sql, values);
}

void CStorySet::InsertRow(const bx::OleDateTime& day, const std::string& op, int imported, int printed,
                          int paperFormat, const std::string& product) {
  m_strFilter = "1=0";
  if (!IsOpen()) Open();
  AddNew();
  m_OPERATORE = op;
  m_DATA = day;
  m_IMPORTATE = imported;
  m_STAMPATE = printed;
  m_FORMATO_CARTA = paperFormat;
  m_PRODOTTO = product;
  Update();
}

bool CStorySet::AddCountsForOperators(const std::string& operators, int imported, int printed,
                                      int paperFormat, const std::string& product, bool silent) {
  for (const std::string& op : SplitOperators(operators))
    if (!AddCounts(op, imported, printed, paperFormat, product, silent)) return false;
  return true;
}

void CStorySet::SetCountFilter(const std::string& operators, const std::string& from, const std::string& to) {
  std::string datePart;
  for (const auto& [literal, comparison] : {std::pair{from, " >= "}, std::pair{to, " < "}}) {
    if (literal.empty()) continue;
    const auto date = bx::odbc::ParsePartDateLiteral(literal);
    if (!date) throw CDBException(-1, "Not a date: " + literal);
    datePart += (datePart.empty() ? "[DATA]" : " AND [DATA]") + std::string(comparison) +
                bx::odbc::DateTimeLiteral(Dialect(), *date);
  }
  std::string operatorPart;
  for (const std::string& op : SplitOperators(operators))
    operatorPart +=
        (operatorPart.empty() ? "" : " OR ") + bx::odbc::LikeCondition(Dialect(), "[OPERATORE]", op);
  if (!datePart.empty() && !operatorPart.empty())
    m_strFilter = datePart + " AND (" + operatorPart + ")";
  else if (!datePart.empty())
    m_strFilter = datePart;
  else if (!operatorPart.empty())
    m_strFilter = "(" + operatorPart + ")";
}

template <typename RowValue>
long CStorySet::Sum(const std::string& operators, const std::string& from, const std::string& to,
                    RowValue value) {
  long sum = 0;
  try {
    SetCountFilter(operators, from, to);
    if (!IsOpen()) Open();
    for (; !IsEOF(); MoveNext()) sum += value();
  } catch (const CDBException& error) {
    ShowDatabaseError(error);
  }
  Close();
  return sum;
}

long CStorySet::CountImported(const std::string& operators, const std::string& from, const std::string& to) {
  return Sum(operators, from, to, [this] { return m_IMPORTATE; });
}

long CStorySet::CountPrinted(const std::string& operators, const std::string& from, const std::string& to) {
  return Sum(operators, from, to, [this] {
    const std::uint32_t code = static_cast<std::uint32_t>(m_FORMATO_CARTA) & kPaperFormatMask;
    return code >= 1 && code <= 16 ? m_STAMPATE : 0;
  });
}
