#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/OleDateTime.h"
#include "odbc/SqlValue.h"

// Moves values between a recordset's members and its columns. A recordset's
// DoFieldExchange names each column in brackets, in binding order; the operation
// of the exchange decides what happens to it.
class CFieldExchange {
 public:
  enum Operation {
    Name,     // collect the column names
    SetNull,  // reset each member, as for a new record
    Load,     // set each member from the current row
    Store     // collect each member's value
  };
  // A column as collected by Name and Store.
  struct Column {
    std::string name;
    bx::odbc::SqlValue value;
    std::size_t maxLength = 0;  // characters of a text column
  };

  explicit CFieldExchange(Operation operation) : operation_(operation) {}
  // Load: the row's values as text, one per column, nothing for NULL.
  explicit CFieldExchange(const std::vector<std::optional<std::string>>& row)
      : operation_(Load), row_(&row) {}

  void Field(const char* column, std::int32_t& value);
  void Field(const char* column, float& value);
  void Field(const char* column, bx::OleDateTime& value);
  void Field(const char* column, std::string& value, std::size_t maxLength);

  const std::vector<Column>& Columns() const { return columns_; }

 private:
  template <typename T>
  void Exchange(const char* column, T& member, std::size_t maxLength, const T& nullValue);
  // The loaded text of the next column; throws when the row is shorter.
  const std::optional<std::string>& NextLoaded(const char* column);

  Operation operation_;
  const std::vector<std::optional<std::string>>* row_ = nullptr;
  std::size_t loaded_ = 0;
  std::vector<Column> columns_;
};

// The framework's names for the exchange of each column type.
inline void RFX_Long(CFieldExchange* fx, const char* column, std::int32_t& value) {
  fx->Field(column, value);
}
inline void RFX_Single(CFieldExchange* fx, const char* column, float& value) { fx->Field(column, value); }
inline void RFX_Date(CFieldExchange* fx, const char* column, bx::OleDateTime& value) {
  fx->Field(column, value);
}
inline void RFX_Text(CFieldExchange* fx, const char* column, std::string& value,
                     std::size_t maxLength = 255) {
  fx->Field(column, value, maxLength);
}
