#pragma once

#include <cstdint>
#include <string>

#include "platform/OleDateTime.h"
#include "odbc/CRecordset.h"

// The table Barcode: barcodes read for a shot (operator, film, counter, day).
class CBarcodeSet : public CRecordset {
 public:
  explicit CBarcodeSet(DatabaseSettings settings);

  std::string GetDefaultSQL() const override { return "\"Barcode\""; }
  void DoFieldExchange(CFieldExchange& fx) override;

  // Records a barcode for the shot; DATA is the day of the date (midnight). False on a
  // database error, which is shown.
  bool InsertBarcode(const std::string& barcode, const std::string& op, int film, int counter,
                     const bx::OleDateTime& date);
  // Remove every barcode of the shot taken on the day of the date, or only the one given.
  // False when the date is not valid or the database fails.
  bool DeleteForShot(const std::string& op, int film, int counter, const bx::OleDateTime& date);
  bool DeleteBarcodeForShot(const std::string& barcode, const std::string& op, int film, int counter,
                            const bx::OleDateTime& date);
  // Removes the rows dated before the program's date literal; false when it names no
  // valid date or the database fails.
  bool DeleteBefore(const std::string& dateLiteral);

  std::string m_BARCODE;
  std::string m_OPERATORE;
  std::int32_t m_RULLINO = 0;
  std::int32_t m_CONTATORE = 0;
  bx::OleDateTime m_DATA;

 private:
  bool DeleteWhere(const std::string& condition, std::vector<bx::odbc::SqlValue> values);
  bool DeleteShot(const std::string* barcode, const std::string& op, int film, int counter,
                  const bx::OleDateTime& date);
};
