#pragma once

#include <cstdint>
#include <string>

#include "platform/OleDateTime.h"
#include "odbc/CRecordset.h"

// The table Story: per operator, day, paper format and product, how many pictures
// were imported and how many printed.
class CStorySet : public CRecordset {
 public:
  // The two highest bits of FORMATO_CARTA are flags; the code proper lies below.
  static constexpr std::uint32_t kPaperFormatMask = 0x3FFFFFFF;

  explicit CStorySet(DatabaseSettings settings);

  std::string GetDefaultSQL() const override { return "\"Story\""; }
  void DoFieldExchange(CFieldExchange& fx) override;
  std::string KeyColumn() const override { return "[ID]"; }

  // Adds to today's tally of the operator for the format and product (empty: none).
  // False on a database error, shown unless silent.
  bool AddCounts(const std::string& op, int imported, int printed, int paperFormat,
                 const std::string& product, bool silent);
  // The same for the given day.
  bool AddCountsOnDay(const bx::OleDateTime& day, const std::string& op, int imported, int printed,
                      int paperFormat, const std::string& product, bool silent);
  // AddCounts for each name of a ";"-separated list, stopping at the first failure.
  bool AddCountsForOperators(const std::string& operators, int imported, int printed, int paperFormat,
                             const std::string& product, bool silent);

  // Sums over the operators (";"-separated) and the date window given by the
  // program's date literals (either may be empty). CountPrinted counts only rows
  // whose paper format code lies between 1 and 16.
  long CountImported(const std::string& operators, const std::string& from, const std::string& to);
  long CountPrinted(const std::string& operators, const std::string& from, const std::string& to);

  std::int32_t m_ID = 0;
  std::string m_OPERATORE;
  bx::OleDateTime m_DATA;
  std::int32_t m_IMPORTATE = 0;
  std::int32_t m_STAMPATE = 0;
  std::int32_t m_FORMATO_CARTA = 0;
  std::string m_PRODOTTO;

 private:
  long AddToExistingRow(const bx::OleDateTime& day, const std::string& op, int imported, int printed,
                        int paperFormat, const std::string& product);
  void InsertRow(const bx::OleDateTime& day, const std::string& op, int imported, int printed,
                 int paperFormat, const std::string& product);
  void SetCountFilter(const std::string& operators, const std::string& from, const std::string& to);
  template <typename RowValue>
  long Sum(const std::string& operators, const std::string& from, const std::string& to, RowValue value);
};
