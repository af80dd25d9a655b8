#include "ui/PropertyFieldValue.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>

namespace {

// Whole-text parse: trailing junk ("12x") is refused, surrounding spaces are not.
template <class Number>
std::optional<Number> ParseNumber(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  const size_t last = text.find_last_not_of(" \t");
  if (first == std::string::npos) return std::nullopt;
  const char* begin = text.data() + first;
  const char* end = text.data() + last + 1;
  if (*begin == '+') ++begin;
  Number number{};
  const auto [stop, error] = std::from_chars(begin, end, number);
  if (error != std::errc() || stop != end) return std::nullopt;
  if constexpr (std::is_floating_point_v<Number>) {
    if (!std::isfinite(number)) return std::nullopt;
  }
  return number;
}

// A range whose ends are equal (or reversed) is no limit: lists that give none leave both 0.
template <class Number>
Number Limit(Number value, Number min, Number max, bool* limited) {
  const Number kept = min < max ? std::clamp(value, min, max) : value;
  if (limited) *limited = kept != value;
  return kept;
}

template <class Number>
std::string Range(Number min, Number max, const std::string& minText, const std::string& maxText) {
  return min < max ? minText + " to " + maxText : std::string();
}

template <class Number>
Number As(const PropertyValue& value) {
  return std::visit(
      [](const auto& v) -> Number {
        if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::string>)
          return Number{};
        else
          return static_cast<Number>(v);
      },
      value);
}

// As many digits as the type holds reliably: a float's 0.7 reads "0.7".
std::string RealText(double value, int digits) {
  std::ostringstream text;
  text.precision(digits);
  text << value;
  return text.str();
}

// A range end as a person writes it: 1000000, not 1e+06.
std::string LimitText(double value) {
  constexpr double kWhole = 1e15;  // beyond, a double holds no exact whole number
  constexpr int kDigits = 6;
  if (std::fabs(value) < kWhole && value == std::trunc(value))
    return std::to_string(static_cast<long long>(value));
  return RealText(value, kDigits);
}

}  // namespace

PropertyValue ReadFieldValue(const CProperty& field) {
  switch (field.kind) {
    case PropertyKind::Choice:
    case PropertyKind::Integer:
      return *field.value;
    case PropertyKind::Bool:
      return *field.value != 0;
    case PropertyKind::Float:
      return static_cast<double>(*field.real);
    case PropertyKind::Double:
      return *field.real64;
    case PropertyKind::Int64:
      return *field.value64;
    case PropertyKind::Text:
      return *field.text;
    case PropertyKind::Section:
      break;
  }
  return 0;
}

void WriteFieldValue(const CProperty& field, const PropertyValue& value) {
  switch (field.kind) {
    case PropertyKind::Choice:
    case PropertyKind::Integer:
      *field.value = As<int>(value);
      break;
    case PropertyKind::Bool:
      *field.value = As<bool>(value) ? 1 : 0;
      break;
    case PropertyKind::Float:
      *field.real = As<float>(value);
      break;
    case PropertyKind::Double:
      *field.real64 = As<double>(value);
      break;
    case PropertyKind::Int64:
      *field.value64 = As<std::int64_t>(value);
      break;
    case PropertyKind::Text:
      if (const auto* text = std::get_if<std::string>(&value)) *field.text = *text;
      break;
    case PropertyKind::Section:
      break;
  }
}

std::string FieldText(const CProperty& field) {
  switch (field.kind) {
    case PropertyKind::Choice:
    case PropertyKind::Integer:
    case PropertyKind::Bool:
      return std::to_string(*field.value);
    case PropertyKind::Float:
      return RealText(*field.real, std::numeric_limits<float>::digits10 + 1);
    case PropertyKind::Double:
      return RealText(*field.real64, std::numeric_limits<double>::digits10);
    case PropertyKind::Int64:
      return std::to_string(*field.value64);
    case PropertyKind::Text:
      return *field.text;
    case PropertyKind::Section:
      break;
  }
  return {};
}

std::optional<PropertyValue> ParseFieldText(const CProperty& field, const std::string& text, bool* limited) {
  switch (field.kind) {
    case PropertyKind::Integer:
      if (const auto number = ParseNumber<long long>(text)) {
        const long long inRange = Limit<long long>(*number, field.min, field.max, limited);
        return static_cast<int>(std::clamp<long long>(inRange, INT_MIN, INT_MAX));
      }
      return std::nullopt;
    case PropertyKind::Int64:
      if (const auto number = ParseNumber<std::int64_t>(text))
        return Limit(*number, field.min64, field.max64, limited);
      return std::nullopt;
    case PropertyKind::Float:
      if (const auto number = ParseNumber<double>(text); number && std::fabs(*number) <= FLT_MAX)
        return Limit(*number, field.realMin, field.realMax, limited);
      return std::nullopt;
    case PropertyKind::Double:
      if (const auto number = ParseNumber<double>(text))
        return Limit(*number, field.realMin, field.realMax, limited);
      return std::nullopt;
    case PropertyKind::Text:
      return text;
    default:
      return std::nullopt;
  }
}

std::string RangeText(const CProperty& field) {
  switch (field.kind) {
    case PropertyKind::Integer:
      return Range(field.min, field.max, std::to_string(field.min), std::to_string(field.max));
    case PropertyKind::Int64:
      return Range(field.min64, field.max64, std::to_string(field.min64), std::to_string(field.max64));
    case PropertyKind::Float:
    case PropertyKind::Double:
      return Range(field.realMin, field.realMax, LimitText(field.realMin), LimitText(field.realMax));
    default:
      return {};
  }
}
