#include "analysis/word_analysis.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "analysis/number_text.hpp"

namespace coincidenze {

namespace {

// 16 one-character digits, 14 blank separators and the bar: 47 characters
// when every digit is a single character, as for every whole input.
constexpr std::size_t single_character_row_size =
    digit_count + (digit_count - 2) * digit_separator.size() + byte_separator.size();

// Whole doubles in [-2^63, 2^63) convert to int64 exactly.
constexpr double int64_limit = 9223372036854775808.0;  // 2^63

// For a whole y that fits an int64, floor(q / 2) is an arithmetic shift of
// its two's complement and d(k) is its bit k: the digits the halving yields,
// without its chain of sixteen dependent floors.
[[nodiscard]] bool has_integer_digits(double y) {
    return y >= -int64_limit && y < int64_limit && std::trunc(y) == y;
}

void halve_into_digits(double y, std::array<double, digit_count>& digits) {
    if (has_integer_digits(y)) {
        const auto bits = static_cast<std::uint64_t>(static_cast<std::int64_t>(y));
        for (std::size_t k = 0; k < digit_count; ++k) {
            digits[k] = ((bits >> k) & 1U) != 0 ? 1.0 : 0.0;
        }
        return;
    }
    double q = y;
    for (double& digit : digits) {
        const double next = std::floor(q / 2.0);
        digit = q - 2.0 * next;
        q = next;
    }
}

// Room for the input number after its prefix without a second allocation
// for any value up to 2^53 in magnitude.
constexpr std::size_t input_number_room = 24;

// The row when every digit is 0 or 1: the shape is fixed, so the digits are
// written into their places instead of appended piece by piece (this is the
// only row a click ever shows, and the path the sweep over all words takes).
void write_binary_row(std::string& row, const std::array<double, digit_count>& digits) {
    row.assign(single_character_row_size, ' ');
    std::size_t at = 0;
    for (std::size_t i = 0; i < digit_count; ++i) {
        row[at] = digits[digit_count - 1 - i] == 0.0 ? '0' : '1';
        at += digit_separator.size() + 1;
        if (i == mirror_pair_count - 1) {
            // " | " is one blank wider than "  ", with the bar in its middle.
            row[at - 1] = '|';
            at += byte_separator.size() - digit_separator.size();
        }
    }
}

void write_general_row(std::string& row, const std::array<double, digit_count>& digits) {
    row.reserve(single_character_row_size);
    for (std::size_t i = 0; i < digit_count; ++i) {
        if (i != 0) {
            row += (i == mirror_pair_count) ? byte_separator : digit_separator;
        }
        append_number_text(row, digits[digit_count - 1 - i]);
    }
}

}  // namespace

WordAnalysis analyse_word(double y) {
    WordAnalysis result;
    result.input = y;

    halve_into_digits(y, result.digits);

    for (std::size_t k = 0; k < mirror_pair_count; ++k) {
        if (result.digits[k] == result.digits[digit_count - 1 - k]) {
            ++result.coincidences;
        }
    }

    const bool binary = std::all_of(result.digits.begin(), result.digits.end(),
                                    [](double d) { return d == 0.0 || d == 1.0; });
    if (binary) {
        write_binary_row(result.row_text, result.digits);
    } else {
        write_general_row(result.row_text, result.digits);
    }

    result.count_text.reserve(count_prefix.size() + 1);
    result.count_text = count_prefix;
    result.count_text += static_cast<char>('0' + result.coincidences);  // 0 ... 8

    result.input_text.reserve(input_prefix.size() + input_number_room);
    result.input_text = input_prefix;
    append_number_text(result.input_text, y);
    return result;
}

}  // namespace coincidenze
