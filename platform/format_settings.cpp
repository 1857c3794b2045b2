#include "platform/format_settings.h"

#include <langinfo.h>
#include <locale.h>

#include <clocale>
#include <cstdlib>
#include <cstring>

namespace kelvra {
namespace {

bool NamesRealLocale(const char* name) {
  return name != nullptr && *name != '\0' && std::strcmp(name, "C") != 0 &&
         std::strcmp(name, "POSIX") != 0 && std::strncmp(name, "C.", 2) != 0;
}

// The locale that the environment asks for in one category, as the C
// library resolves it (LC_ALL, then the category, then LANG).
const char* RequestedLocale(const char* category_variable) {
  for (const char* variable : {"LC_ALL", category_variable, "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return value;
  }
  return nullptr;
}

}  // namespace

std::string PatternFromStrftime(const std::string& format) {
  std::string out;
  bool skip_blank = false;  // a blank after a dropped leading conversion
  for (size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c != '%' || i + 1 == format.size()) {
      if (!(skip_blank && c == ' ')) out += c;
      skip_blank = false;
      continue;
    }
    skip_blank = false;
    char conv = format[++i];
    // Flags and the E/O modifiers ("%-d", "%Ey"); "-" asks for no padding.
    bool unpadded = false;
    while ((conv == '-' || conv == '_' || conv == '0' || conv == 'E' || conv == 'O') &&
           i + 1 < format.size()) {
      unpadded = unpadded || conv == '-';
      conv = format[++i];
    }
    const auto field = [&](const char* padded, const char* bare) {
      out += unpadded ? bare : padded;
    };
    switch (conv) {
      case 'd':
        field("dd", "d");
        break;
      case 'e':
        out += "d";
        break;
      case 'm':
        field("mm", "m");
        break;
      case 'b':
      case 'h':
        out += "mmm";
        break;
      case 'Y':
        out += "yyyy";
        break;
      case 'y':
        out += "yy";
        break;
      case 'H':
      case 'I':
        field("hh", "h");
        break;
      case 'k':
      case 'l':
        out += "h";
        break;
      case 'M':
        field("nn", "n");
        break;
      case 'S':
        field("ss", "s");
        break;
      case 'T':
        out += "hh:nn:ss";
        break;
      case 'r':
        out += "hh:nn:ss";
        break;  // its am/pm marker has no counterpart
      case 'R':
        out += "hh:nn";
        break;
      case 'D':
        out += "mm/dd/yy";
        break;
      case 'F':
        out += "yyyy-mm-dd";
        break;
      case '%':
        out += '%';
        break;
      default:
        // No counterpart (am/pm marker, time zone, week day): drop it with
        // the blank that joins it to the rest.
        if (out.empty())
          skip_blank = true;
        else if (out.back() == ' ')
          out.pop_back();
        break;
    }
  }
  return out;
}

FormatSettings LoadFormatSettings() {
  FormatSettings settings;
  const char* time_locale = RequestedLocale("LC_TIME");
  if (NamesRealLocale(time_locale)) {
    if (locale_t loc = newlocale(LC_TIME_MASK, time_locale, static_cast<locale_t>(0))) {
      const std::string date = PatternFromStrftime(nl_langinfo_l(D_FMT, loc));
      const std::string time = PatternFromStrftime(nl_langinfo_l(T_FMT, loc));
      if (!date.empty()) settings.ShortDateFormat = date;
      if (!time.empty()) settings.LongTimeFormat = time;
      // The separator is the character that follows the hours.
      const size_t h = time.find_last_of("hH");
      if (h != std::string::npos && h + 1 < time.size() && time[h + 1] != 'n' && time[h + 1] != 'N')
        settings.TimeSeparator = std::string(1, time[h + 1]);
      for (int m = 0; m < 12; ++m) {
        const char* name = nl_langinfo_l(static_cast<nl_item>(ABMON_1 + m), loc);
        if (name != nullptr && *name != '\0') settings.ShortMonthNames[m] = name;
      }
      // The time separator is written where the pattern has a colon.
      for (auto& c : settings.LongTimeFormat)
        if (std::string(1, c) == settings.TimeSeparator) c = ':';
      freelocale(loc);
    }
  }
  const char* numeric_locale = RequestedLocale("LC_NUMERIC");
  if (NamesRealLocale(numeric_locale)) {
    if (locale_t loc = newlocale(LC_NUMERIC_MASK, numeric_locale, static_cast<locale_t>(0))) {
      const char* sep = nl_langinfo_l(THOUSEP, loc);
      settings.ThousandSeparator = sep != nullptr ? sep : "";
      freelocale(loc);
    }
  }
  return settings;
}

}  // namespace kelvra
