#include "support/text_helpers.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/env.h"
#include "platform/errors.h"

namespace kelvra {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Parses the integer text rules shared by StrToIntZero and the 64-bit
// conversion. The magnitude limit keeps the result within [min, max].
bool ParseInteger(std::string_view text, int64_t min, int64_t max, int64_t* value) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  unsigned base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && text[i + 1] == 'x') {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return false;
  // Largest magnitude allowed for the sign.
  const uint64_t limit =
      negative ? static_cast<uint64_t>(-(min + 1)) + 1u : static_cast<uint64_t>(max);
  uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const int digit = HexDigit(text[i]);
    if (digit < 0 || static_cast<unsigned>(digit) >= base) return false;
    if (magnitude > (limit - static_cast<unsigned>(digit)) / base) return false;
    magnitude = magnitude * base + static_cast<unsigned>(digit);
  }
  if (negative) {
    *value = magnitude == 0 ? 0 : -static_cast<int64_t>(magnitude - 1) - 1;
  } else {
    *value = static_cast<int64_t>(magnitude);
  }
  return true;
}

void AppendNumber(std::string* out, int value, int width) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
  out->append(buffer);
}

}  // namespace

bool WriteTextFile(std::string_view text, const std::string& file_name, bool append) {
  try {
    Env* env = GetEnv();
    if (!append && env->FileExists(file_name)) env->DeleteFile(file_name);
    if (text.empty()) return true;
    // A failed write is a failure even when the file was there before.
    // A successful append leaves the file in place, so it exists afterwards.
    return env->AppendToFile(file_name, text);
  } catch (...) {
    return false;
  }
}

int32_t StrToIntZero(std::string_view text) {
  int64_t value = 0;
  if (!ParseInteger(text, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
                    &value))
    return 0;
  return static_cast<int32_t>(value);
}

bool TryStrToInt64(std::string_view text, int64_t* value) {
  return ParseInteger(text, std::numeric_limits<int64_t>::min(),
                      std::numeric_limits<int64_t>::max(), value);
}

int64_t StrToInt64(std::string_view text) {
  int64_t value = 0;
  if (!TryStrToInt64(text, &value))
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  return value;
}

int64_t DecimalToInt64(std::string_view text) {
  size_t i = 0;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) i = 1;
  bool digits_only = i < text.size();
  for (size_t k = i; k < text.size(); ++k)
    if (text[k] < '0' || text[k] > '9') digits_only = false;
  int64_t value = 0;
  if (!digits_only || !TryStrToInt64(text, &value))
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  return value;
}

double RoundHalfEven(double value) { return std::nearbyint(value); }

int64_t RoundHalfEvenToInt64(double value) {
  if (!(value == value)) return 0;  // NaN
  const double rounded = std::nearbyint(value);
  if (rounded >= 9.2233720368547758e18) return std::numeric_limits<int64_t>::max();
  if (rounded <= -9.2233720368547758e18) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(rounded);
}

std::string FormatDateTime(std::string_view pattern, TDateTime value) {
  const CivilDateTime c = DecodeDateTime(value);
  const FormatSettings& formats = GetEnv()->Formats();
  std::string out;
  bool after_hour = false;
  for (size_t i = 0; i < pattern.size();) {
    const char ch = pattern[i];
    const char lower = (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch + 32) : ch;
    size_t run = 1;
    if (lower == 'y' || lower == 'm' || lower == 'd' || lower == 'h' || lower == 'n' ||
        lower == 's' || lower == 'z') {
      while (i + run < pattern.size() && (pattern[i + run] | 0x20) == lower) ++run;
    }
    switch (lower) {
      case 'y':
        if (run >= 3)
          AppendNumber(&out, c.year, 4);
        else
          AppendNumber(&out, c.year % 100, 2);
        after_hour = false;
        break;
      case 'm':
        if (after_hour && run <= 2) {
          AppendNumber(&out, c.minute, run == 2 ? 2 : 1);
        } else if (run >= 3) {
          out += formats.ShortMonthNames[static_cast<size_t>(c.month - 1)];
        } else {
          AppendNumber(&out, c.month, run == 2 ? 2 : 1);
        }
        after_hour = false;
        break;
      case 'd':
        AppendNumber(&out, c.day, run >= 2 ? 2 : 1);
        after_hour = false;
        break;
      case 'h':
        AppendNumber(&out, c.hour, run >= 2 ? 2 : 1);
        after_hour = true;
        break;
      case 'n':
        AppendNumber(&out, c.minute, run >= 2 ? 2 : 1);
        after_hour = false;
        break;
      case 's':
        AppendNumber(&out, c.second, run >= 2 ? 2 : 1);
        after_hour = false;
        break;
      case 'z':
        AppendNumber(&out, c.millisecond, run >= 3 ? 3 : 1);
        after_hour = false;
        break;
      case ':':
        out += formats.TimeSeparator;
        break;
      default:
        out += ch;
        break;
    }
    i += run;
  }
  return out;
}

std::string DateTimeText(TDateTime value) {
  if (value == 0) return {};
  const FormatSettings& formats = GetEnv()->Formats();
  std::string text = FormatDateTime(formats.ShortDateFormat, value);
  const CivilDateTime c = DecodeDateTime(value);
  if (c.hour != 0 || c.minute != 0 || c.second != 0) {
    text += ' ';
    text += FormatDateTime(formats.LongTimeFormat, value);
  }
  return text;
}

void AppendGrouped(std::string* out, int64_t value, std::string_view separator) {
  char digits[24];
  const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  const char* p = digits;
  // Built in a local buffer and appended once: the history files format
  // hundreds of these per pass.
  char grouped[24 + 6 * 8];
  size_t length = 0;
  if (value < 0) grouped[length++] = *p++;
  const size_t count = static_cast<size_t>(end - p);
  if (separator.size() > 8) {  // no locale has one this long; stay correct anyway
    if (value < 0) out->push_back('-');
    for (size_t k = 0; k < count; ++k) {
      if (k > 0 && (count - k) % 3 == 0) out->append(separator);
      out->push_back(p[k]);
    }
    return;
  }
  for (size_t k = 0; k < count; ++k) {
    if (k > 0 && (count - k) % 3 == 0) {
      separator.copy(grouped + length, separator.size());
      length += separator.size();
    }
    grouped[length++] = p[k];
  }
  out->append(grouped, length);
}

void AppendDecimal(std::string* out, int64_t value) {
  char digits[24];
  const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out->append(digits, static_cast<size_t>(end - digits));
}

std::string GroupDigits(int64_t value, std::string_view separator) {
  std::string out;
  AppendGrouped(&out, value, separator);
  return out;
}

std::string FormatGrouped(int64_t value) {
  return GroupDigits(value, GetEnv()->Formats().ThousandSeparator);
}

std::string FormatGrouped(double value) { return FormatGrouped(RoundHalfEvenToInt64(value)); }

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return out;
}

std::string ReplaceChar(std::string_view text, char from, char to) {
  std::string out(text);
  for (char& c : out)
    if (c == from) c = to;
  return out;
}

}  // namespace kelvra
