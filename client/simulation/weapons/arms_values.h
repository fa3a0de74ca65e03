// The value forms of the weapon file: how the text after a key's colon
// becomes a stored 16-bit number. Parsing never looks at the process locale:
// "." is the decimal point everywhere.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "protocol/base/numbers.h"

namespace krel {

enum class ValueForm {
  kInteger,        // a number, rounded half to even
  kHalved,         // a number divided by 2, rounded half to even
  kHalvedPlusOne,  // as kHalved, then 1 added
  kLenient,        // the longest numeric prefix; never "not a number"
  kText,           // stored unchanged
};

// A whole value as a number: blanks (spaces, tabs) around it, an optional
// sign, digits with an optional fraction, an optional exponent. Anything else
// is not a number (empty). Magnitudes far beyond any 16-bit value come back
// as an infinity so that range checks reject them.
std::optional<double> ParseNumber(std::string_view text);

// The longest numeric prefix of text, blanks skipped wherever they stand
// ("1 2" reads 12), "." as decimal point; no digits at all gives 0.
double ParseLenient(std::string_view text);

// Converts text by form (not kText). On failure returns empty and sets
// problem to what was wrong, written for the person editing the file.
std::optional<int16> ConvertValue(ValueForm form, std::string_view text, std::string& problem);

// text in double quotes for a message: printable ASCII as is, other bytes as
// \n, \r, \t or \xNN, cut to about 40 characters.
std::string QuoteForMessage(std::string_view text);

}  // namespace krel
