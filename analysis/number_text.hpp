#pragma once

#include <string>

namespace coincidenze {

// The decimal text of `value`.
//
// Whole values are written as their exact plain digits (no decimal point, no
// exponent, no sign for positive values, "0" for both zeros), however large:
// 1e20 is "100000000000000000000". Other values take the shortest text that
// reads back as the value, in the shorter of fixed and scientific notation,
// with '.' as the decimal separator, independent of the process locale (Qt sets LC_ALL from the
// environment, so locale-aware formatting would make the texts vary by user).
// Infinities and NaN render as "inf", "-inf" and "nan".
[[nodiscard]] std::string number_text(double value);

// Appends number_text(value) to `out`; the form used on hot paths.
void append_number_text(std::string& out, double value);

}  // namespace coincidenze
