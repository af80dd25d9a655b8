#include "records/CBarcodeSet.h"

#include <utility>

#include "odbc/DateText.h"

CBarcodeSet::CBarcodeSet(DatabaseSettings settings) : CRecordset(std::move(settings)) { m_nFields = 5; }

void CBarcodeSet::DoFieldExchange(CFieldExchange& fx) {
  RFX_Text(&fx, "[BARCODE]", m_BARCODE);
  RFX_Text(&fx, "[OPERATORE]", m_OPERATORE);
  RFX_Long(&fx, "[RULLINO]", m_RULLINO);
  RFX_Long(&fx, "[CONTATORE]", m_CONTATORE);
  RFX_Date(&fx, "[DATA]", m_DATA);
}

bool CBarcodeSet::InsertBarcode(const std::string& barcode, const std::string& op, int film, int counter,
                                const bx::OleDateTime& date) {
  try {
    m_strFilter = "1=0";
    if (!IsOpen()) Open();
    AddNew();
    m_BARCODE = barcode;
    m_OPERATORE = op;
    m_RULLINO = film;
    m_CONTATORE = counter;
    m_DATA = bx::odbc::DayOf(date);
    Update();
    Close();
    return true;
  } catch (const CDBException& error) {
    ShowDatabaseError(error);
    Close();
    return false;
  }
}

bool CBarcodeSet::DeleteWhere(const std::string& condition, std::vector<bx::odbc::SqlValue> values) {
  try {
    ExecuteSQL("DELETE FROM " + TableName() + " WHERE " + condition, values);
    Close();
    return true;
  } catch (const CDBException&) {
    Close();
    return false;
  }
}

bool CBarcodeSet::DeleteShot(const std::string* barcode, const std::string& op, int film, int counter,
                             const bx::OleDateTime& date) {
  if (!date.IsValid()) return false;
  const bx::OleDateTime day = bx::odbc::DayOf(date);
  std::string condition =
      "\"OPERATORE\" = ? AND \"RULLINO\" = ? AND \"CONTATORE\" = ? AND "
      "\"DATA\" >= ? AND \"DATA\" < ?";
  std::vector<bx::odbc::SqlValue> values{op, film, counter, day, bx::odbc::NextDay(day)};
  if (barcode) {
    condition = "\"BARCODE\" = ? AND " + condition;
    values.insert(values.begin(), *barcode);
  }
  return DeleteWhere(condition, std::move(values));
}

bool CBarcodeSet::DeleteForShot(const std::string& op, int film, int counter, const bx::OleDateTime& date) {
  return DeleteShot(nullptr, op, film, counter, date);
}

bool CBarcodeSet::DeleteBarcodeForShot(const std::string& barcode, const std::string& op, int film,
                                       int counter, const bx::OleDateTime& date) {
  return DeleteShot(&barcode, op, film, counter, date);
}

bool CBarcodeSet::DeleteBefore(const std::string& dateLiteral) {
  const auto cutOff = bx::odbc::ParsePartDateLiteral(dateLiteral);
  if (!cutOff) return false;
  return DeleteWhere("\"DATA\" < ?", {*cutOff});
}
