#pragma once

#include <string>

#include "platform/env.h"

namespace kelvra {

// Format settings for the process: taken from the C library's locale when
// LC_ALL, LC_TIME, LC_NUMERIC or LANG (first one set wins, as the C library
// decides) names a locale other than C or POSIX that the machine has;
// otherwise the defaults of FormatSettings.
FormatSettings LoadFormatSettings();

// Converts a strftime-style format ("%d/%m/%Y") into a date-time pattern
// ("dd/mm/yyyy"). Conversions without a counterpart are dropped.
std::string PatternFromStrftime(const std::string& format);

}  // namespace kelvra
