#pragma once
// Shared helpers of all parts: text files, number and date-time texts.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/date_time.h"

namespace kelvra {

// Writes text to a file. With append off an existing file is deleted first.
// An empty text writes nothing (so with append off it just deletes the file)
// and gives true. Otherwise the file is appended to when it exists, else
// created, and the text written unchanged. Returns whether the file exists
// afterwards; any failure gives false, nothing is raised.
bool WriteTextFile(std::string_view text, const std::string& file_name, bool append);

// Converts a whole text to a signed 32-bit integer: leading blanks, an
// optional sign, then decimal digits or a hexadecimal number after "$",
// "x", "X" or "0x". Anything else, or a value out of range, gives 0.
int32_t StrToIntZero(std::string_view text);

// The same text rules for a signed 64-bit integer; false on any error.
bool TryStrToInt64(std::string_view text, int64_t* value);

// As TryStrToInt64, raising EConvertError "'<text>' is not a valid integer value".
int64_t StrToInt64(std::string_view text);

// A plain signed decimal (optional sign, then digits, nothing else) as a
// signed 64-bit integer; raises EConvertError on any other text.
int64_t DecimalToInt64(std::string_view text);

// Nearest whole number, an exact half going to the even neighbour.
double RoundHalfEven(double value);
int64_t RoundHalfEvenToInt64(double value);

// Formats a moment with a date-time pattern (letters y m d h n s z in any
// case, "mmm" the month abbreviation, a colon the time separator).
std::string FormatDateTime(std::string_view pattern, TDateTime value);

// Empty for the moment 0; else the short date and, unless the time of day
// is 00:00:00, a blank and the long time.
std::string DateTimeText(TDateTime value);

// A whole number with its digits grouped by threes with the locale's
// thousands separator ("%1.0n"). The real overload rounds half to even.
std::string FormatGrouped(int64_t value);
std::string FormatGrouped(double value);
// The same with a given separator.
std::string GroupDigits(int64_t value, std::string_view separator);
// Appends the grouped number, or the plain decimal, to out.
void AppendGrouped(std::string* out, int64_t value, std::string_view separator);
void AppendDecimal(std::string* out, int64_t value);

// Turns a to z into capitals; every other byte stays.
std::string UpperAscii(std::string_view text);

// Calls apply with each line of a text; CR LF or a lone LF ends a line, and
// a last line needs no line end.
template <typename Apply>
void ForEachLine(std::string_view text, Apply apply) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    size_t line_end = end;
    if (line_end > start && text[line_end - 1] == '\r') --line_end;
    apply(text.substr(start, line_end - start));
    start = end + 1;
  }
}

// Replaces every occurrence of one byte by another.
std::string ReplaceChar(std::string_view text, char from, char to);

}  // namespace kelvra
