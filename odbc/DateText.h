#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/OleDateTime.h"

namespace bx::odbc {

// The one text form of a date-time in the database: "YYYY-MM-DD HH:MM:SS", whole
// seconds (the nearest one). Nothing for a date that is not valid.
std::optional<std::string> CanonicalDateText(const bx::OleDateTime& date);
// Reads "YYYY-MM-DD", optionally followed by " HH:MM:SS" and a fraction of a second
// (dropped), as drivers return dates.
std::optional<bx::OleDateTime> ParseDateText(std::string_view text);

// The midnight that starts the day of the date.
bx::OleDateTime DayOf(const bx::OleDateTime& date);
// The same time one day later.
bx::OleDateTime NextDay(const bx::OleDateTime& day);

// The program's own date literals: an apostrophe, a blank, day/month/year without
// leading zeros (and " h:m:s" with the time), a blank, an apostrophe. An invalid date
// gives -1 for each part.
std::string PartDateLiteral(const bx::OleDateTime& date);
std::string PartDateTimeLiteral(const bx::OleDateTime& date);
// Reads either literal back; nothing when it is not one or names no valid date.
std::optional<bx::OleDateTime> ParsePartDateLiteral(std::string_view literal);

}  // namespace bx::odbc
