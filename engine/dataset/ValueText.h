#pragma once
// Field values as the user sees and types them, under the caller's regional settings.
#include <string>
#include <string_view>

#include "../core/FieldDef.h"
#include "../core/Value.h"
#include "RegionalSettings.h"

namespace tabulon {

// Null as ""; logical as "True"/"False"; numbers as plain decimals, never in exponent form,
// with the regional decimal separator and no thousands separators: a field that declares
// decimals (dBase N and F) shows that many, others the fewest digits that read back as the
// same value; dates in the short date format, times in the long time format, date-times as
// both joined by a blank; a memo's text; binary values as "(Bytes)", "(Blob)", "(Graphic)" or
// "(OLE)". Pure function.
std::string formatFieldValue(const Value& value, const FieldDef& field, const RegionalSettings& settings);

// The value `text` stands for in `field`: the inverse of formatFieldValue (dates also in ISO
// form, logicals also "T"/"F"/"Yes"/"No"), checked against the field's range and size. ""
// gives null. Throws EValueError naming the field and the text. Pure function.
Value parseFieldValue(std::string_view text, const FieldDef& field, const RegionalSettings& settings);

// Dates and times alone in the formats of RegionalSettings; the parsers return false when the
// text does not read. Pure functions.
std::string formatDate(Date date, const std::string& format);
std::string formatTime(Time time, const std::string& format);
bool parseDate(std::string_view text, const std::string& format, Date& out);
bool parseTime(std::string_view text, const std::string& format, Time& out);

}  // namespace tabulon
