// A value as text, the way the to-text command and the message box show it.
#pragma once

#include <string>

#include "runtime/values.h"

namespace zorvel {

// A new text (null when empty): integers in decimal, float with 6 significant digits
// after decimal pre-rounding, double "%.13g", logical "真"/"假", date-time in the
// Chinese form, text as is, byte set and numeric arrays up to the first zero byte.
char* FormatValue(const TypedValue& value);

// The same, as a GBK string.
std::string FormatValueString(const TypedValue& value);

// A float rounded to 6 significant decimal digits (half up), as shown.
double RoundFloatForDisplay(float value);

// A date-time (clamped first) as "Y年M月D日" and the time part.
std::string FormatDateTime(double days);

// Splits a date-time (clamped first) into its calendar fields.
struct CivilTime {
  int year, month, day, hour, minute, second;
};
CivilTime ToCivilTime(double days);

}  // namespace zorvel
