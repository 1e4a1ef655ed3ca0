#pragma once
// The caller's regional conventions for showing values as text and reading them back.
#include <string>

namespace tabulon {

// Date format letters: d / dd day, M / MM month, yy / yyyy year; any other character stands
// for itself. Time format letters: h / hh hour, m / mm minute, s / ss second, zzz
// milliseconds, AMPM a 12-hour clock with "AM"/"PM" (else 24 hours). Plain data.
struct RegionalSettings {
    char decimalSeparator = '.';
    std::string shortDateFormat = "M/d/yyyy";
    std::string longTimeFormat = "h:mm:ss AMPM";
};

}  // namespace tabulon
