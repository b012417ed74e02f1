#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace coincidenze {

// Sixteen binary digits make one input word.
inline constexpr std::size_t digit_count = 16;

// Mirror pairs are (15, 0), (14, 1) ... (8, 7): digit k with digit 15 - k.
inline constexpr std::size_t mirror_pair_count = digit_count / 2;

// The fixed parts of the texts, UTF-8. The degree sign is U+00B0, the
// apostrophe the ASCII one; trailing blanks are part of the texts.
inline constexpr std::string_view count_prefix = "n\u00b0 coincidenze = ";
inline constexpr std::string_view input_prefix = "Numero all'ingresso del calcolatore:  Y =  ";
inline constexpr std::string_view digit_separator = "  ";
inline constexpr std::string_view byte_separator = " | ";

// The result of analysing one input number.
struct WordAnalysis {
    double input = 0.0;
    // digits[k] is d(k); d0 is the least significant. For a whole input each
    // digit is 0 or 1; a fractional input leaves its fraction in d0.
    std::array<double, digit_count> digits{};
    // Mirror pairs whose two digits are numerically equal, 0 ... 8.
    int coincidences = 0;
    std::string row_text;    // d15 ... d0, "  " within a byte, " | " between bytes
    std::string count_text;  // count_prefix followed by the count
    std::string input_text;  // input_prefix followed by the input

    friend bool operator==(const WordAnalysis&, const WordAnalysis&) = default;
};

// Splits y into sixteen digits by repeated halving in double precision
// (q(k+1) = floor(q(k) / 2), d(k) = q(k) - 2 q(k+1)), counts the mirror pairs
// with equal digits and renders the three texts. Whole inputs above 65535
// yield their low sixteen digits, negative ones the low sixteen digits of
// their two's complement. Defined for every finite y; a non-finite y yields
// NaN digits and a count of 0 rather than failing.
[[nodiscard]] WordAnalysis analyse_word(double y);

}  // namespace coincidenze
