#pragma once
// Text handed to the drawing functions is UTF-8; a byte that does not start
// a well-formed UTF-8 sequence is read as Latin-1, so that captions stored
// by older stations still show their accented letters.

#include <string>
#include <string_view>

std::u32string DecodeText(std::string_view text);
