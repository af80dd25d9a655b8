#include "odbc/CFieldExchange.h"

#include <charconv>

#include "odbc/CDBException.h"
#include "odbc/DateText.h"

namespace {

[[noreturn]] void ThrowUnreadable(const char* column, const std::string& text) {
  throw CDBException(-1, std::string("Unreadable value \"") + text + "\" in column " + column);
}

template <typename Number>
Number ParseNumber(const char* column, const std::string& text) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) ThrowUnreadable(column, text);
  return value;
}

void Parse(const char* column, const std::string& text, std::int32_t& value) {
  value = ParseNumber<std::int32_t>(column, text);
}

void Parse(const char* column, const std::string& text, float& value) {
  value = ParseNumber<float>(column, text);
}

void Parse(const char* column, const std::string& text, bx::OleDateTime& value) {
  const auto date = bx::odbc::ParseDateText(text);
  if (!date) ThrowUnreadable(column, text);
  value = *date;
}

void Parse(const char*, const std::string& text, std::string& value) { value = text; }

}  // namespace

const std::optional<std::string>& CFieldExchange::NextLoaded(const char* column) {
  if (loaded_ >= row_->size()) throw CDBException(-1, std::string("Column missing from the row: ") + column);
  return (*row_)[loaded_++];
}

template <typename T>
void CFieldExchange::Exchange(const char* column, T& member, std::size_t maxLength, const T& nullValue) {
  switch (operation_) {
    case Name:
    case Store:
      columns_.push_back({column, member, maxLength});
      break;
    case SetNull:
      member = nullValue;
      break;
    case Load:
      if (const auto& text = NextLoaded(column))
        Parse(column, *text, member);
      else
        member = nullValue;
      break;
  }
}

void CFieldExchange::Field(const char* column, std::int32_t& value) { Exchange(column, value, 0, 0); }

void CFieldExchange::Field(const char* column, float& value) { Exchange(column, value, 0, 0.0f); }

void CFieldExchange::Field(const char* column, bx::OleDateTime& value) {
  Exchange(column, value, 0, bx::OleDateTime::Null());
}

void CFieldExchange::Field(const char* column, std::string& value, std::size_t maxLength) {
  Exchange(column, value, maxLength, std::string());
}
