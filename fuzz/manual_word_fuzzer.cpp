// libFuzzer target over the manual entry path: the bytes are the text typed
// into the box, read with read_manual_word, judged by is_acceptable_manual_word
// and analysed by analyse_word. Every expectation below is computed a second
// way (glibc strtod, integer bit operations, std::to_string) rather than by
// repeating the library's own double arithmetic.

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "analysis/input_word.hpp"
#include "analysis/word_analysis.hpp"

namespace {

using coincidenze::analyse_word;
using coincidenze::byte_separator;
using coincidenze::count_prefix;
using coincidenze::digit_count;
using coincidenze::digit_separator;
using coincidenze::input_prefix;
using coincidenze::is_acceptable_manual_word;
using coincidenze::mirror_pair_count;
using coincidenze::read_manual_word;
using coincidenze::WordAnalysis;

// libFuzzer records the input that led here; the message says which property broke.
void require(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "violated: %s\n", property);
        std::fflush(stderr);
        __builtin_trap();
    }
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, no
// truncated sequence at the end.
bool is_valid_utf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80U) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t code_point = 0;
        char32_t smallest = 0;
        if ((lead & 0xE0U) == 0xC0U) {
            length = 2;
            code_point = lead & 0x1FU;
            smallest = 0x80;
        } else if ((lead & 0xF0U) == 0xE0U) {
            length = 3;
            code_point = lead & 0x0FU;
            smallest = 0x800;
        } else if ((lead & 0xF8U) == 0xF0U) {
            length = 4;
            code_point = lead & 0x07U;
            smallest = 0x10000;
        } else {
            return false;
        }
        if (text.size() - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto continuation = static_cast<unsigned char>(text[i + k]);
            if ((continuation & 0xC0U) != 0x80U) {
                return false;
            }
            code_point = (code_point << 6U) | (continuation & 0x3FU);
        }
        if (code_point < smallest || code_point > 0x10FFFF ||
            (code_point >= 0xD800 && code_point <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

bool starts_with(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// glibc's strtod, in the C locale this process never leaves, so '.' is the
// decimal point. The texts checked here hold no NUL.
double parse_double(const std::string& text, std::size_t& consumed) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    consumed = static_cast<std::size_t>(end - text.c_str());
    return value;
}

bool is_whole(double y) {
    return std::isfinite(y) && std::trunc(y) == y;
}

// The low sixteen digits of a whole y, two's complement for negative y. fmod
// is exact, so this holds for every whole double, 1e300 included.
std::uint32_t low_word(double y) {
    double remainder = std::fmod(y, 65536.0);
    if (remainder < 0.0) {
        remainder += 65536.0;
    }
    return static_cast<std::uint32_t>(remainder);
}

std::uint32_t reversed_word(std::uint32_t word) {
    std::uint32_t reversed = 0;
    for (std::uint32_t k = 0; k < digit_count; ++k) {
        reversed |= ((word >> k) & 1U) << (digit_count - 1 - k);
    }
    return reversed;
}

// What read_manual_word should give for `text`, from strtod. strtod also reads
// hexadecimal, "inf" and "nan", which manual entry does not: for those the
// expected reading is what precedes the letters ("0" of "0x", with its sign)
// or 0 when nothing numeric does.
double expected_reading(const std::string& text) {
    std::size_t consumed = 0;
    const double value = parse_double(text, consumed);
    if (consumed == 0) {
        return 0.0;
    }
    const std::string_view numeral = std::string_view(text).substr(0, consumed);
    const std::size_t first_letter = numeral.find_first_not_of("\t\n\v\f\r +-0123456789.eE");
    if (first_letter == std::string_view::npos) {
        return value;
    }
    const char letter = numeral[first_letter];
    if (letter == 'x' || letter == 'X') {
        return std::signbit(value) ? -0.0 : 0.0;
    }
    return 0.0;
}

void check_reading(std::string_view text, double y) {
    require(!std::isnan(y), "the reading is never NaN");
    const std::string copy(text.substr(0, text.find('\0')));
    const double expected = expected_reading(copy);
    require(y == expected && std::signbit(y) == std::signbit(expected),
            "the reading agrees with strtod on the decimal forms");
}

void check_acceptance(double y, bool accepted) {
    // The cast is only reached inside its defined range.
    const bool expected =
        y >= 0.0 && y <= 65535.0 && static_cast<double>(static_cast<std::uint32_t>(y)) == y;
    require(accepted == expected, "accepted exactly the whole numbers 0 ... 65535");
}

void check_texts_are_utf8(const WordAnalysis& analysis) {
    require(is_valid_utf8(analysis.row_text), "row text is UTF-8");
    require(is_valid_utf8(analysis.count_text), "count text is UTF-8");
    require(is_valid_utf8(analysis.input_text), "input text is UTF-8");
}

void check_count_text(const WordAnalysis& analysis) {
    require(analysis.coincidences >= 0 && analysis.coincidences <= 8, "count is 0 ... 8");
    std::string expected(count_prefix);
    expected += static_cast<char>('0' + analysis.coincidences);
    require(analysis.count_text == expected, "count text is the prefix and the count digit");
}

// Column of the i-th digit from the left: three columns per digit, and one
// more from d7 on for the '|' of the byte separator.
constexpr std::size_t digit_column(std::size_t i) {
    return 3 * i + (i >= mirror_pair_count ? 1 : 0);
}

// For every finite y the row holds d15 ... d1 as single binary digits, "  "
// between digits and " | " between d8 and d7, then "  " and the text of d0,
// which may carry a fraction. The count must match the row.
void check_row(const WordAnalysis& analysis) {
    const std::string_view row = analysis.row_text;
    constexpr std::size_t d0_column = digit_column(digit_count - 1);
    require(row.size() > d0_column, "row text holds sixteen digits");
    for (std::size_t i = 0; i + 1 < digit_count; ++i) {
        const std::size_t column = digit_column(i);
        const char digit = row[column];
        require(digit == '0' || digit == '1', "d15 ... d1 are binary digits");
        const std::size_t k = digit_count - 1 - i;
        require(analysis.digits[k] == (digit == '1' ? 1.0 : 0.0), "row shows the digits");
        const std::string_view gap = row.substr(column + 1, digit_column(i + 1) - column - 1);
        const std::string_view expected_gap =
            k == mirror_pair_count ? byte_separator : digit_separator;
        require(gap == expected_gap, "separators between the digits");
    }
    const std::string d0_text(row.substr(d0_column));
    require(d0_text.find_first_not_of("0123456789.e+-") == std::string::npos,
            "d0 is written as a decimal number");
    std::size_t consumed = 0;
    const double d0 = parse_double(d0_text, consumed);
    require(consumed == d0_text.size() && d0 == analysis.digits[0], "d0 text reads back as d0");

    int equal_pairs = 0;
    for (std::size_t k = 0; k < mirror_pair_count; ++k) {
        const std::string_view low =
            k == 0 ? std::string_view(d0_text) : row.substr(digit_column(digit_count - 1 - k), 1);
        const std::string_view high = row.substr(digit_column(k), 1);
        if (low == high) {
            ++equal_pairs;
        }
    }
    require(analysis.coincidences == equal_pairs, "count is the equal mirror pairs of the row");
}

// Whole y: the digits are the low sixteen bits of y (two's complement below 0).
void check_whole(const WordAnalysis& analysis, double y) {
    const std::uint32_t word = low_word(y);
    require(analysis.row_text.size() == 47, "a whole input gives a 47-character row");
    std::uint32_t shown = 0;
    for (std::size_t i = 0; i < digit_count; ++i) {
        const char digit = analysis.row_text[digit_column(i)];
        require(digit == '0' || digit == '1', "whole input gives binary digits");
        shown = (shown << 1U) | (digit == '1' ? 1U : 0U);
        const std::size_t k = digit_count - 1 - i;
        require(analysis.digits[k] == static_cast<double>((word >> k) & 1U),
                "digits are the bits of the word");
    }
    require(shown == word, "the row recomposes the word");
    const auto differing = static_cast<unsigned>((word ^ reversed_word(word)) & 0xFFU);
    require(analysis.coincidences == static_cast<int>(mirror_pair_count) - std::popcount(differing),
            "count is 8 less the differing mirror pairs");
}

// The input text after its prefix: plain digits for whole values (exactly
// std::to_string's where a long long holds them), a text that reads back as y
// otherwise.
void check_input_text(const WordAnalysis& analysis, double y) {
    const std::string_view text = analysis.input_text;
    require(starts_with(text, input_prefix), "input text starts with its prefix");
    const std::string number(text.substr(input_prefix.size()));
    constexpr double long_long_limit = 9223372036854775808.0;  // 2^63
    if (is_whole(y) && y >= -long_long_limit && y < long_long_limit) {
        require(number == std::to_string(static_cast<long long>(y)), "whole input as its digits");
        return;
    }
    if (is_whole(y)) {
        const std::size_t digits_from = starts_with(number, "-") ? 1 : 0;
        require(number.size() > digits_from &&
                    number.find_first_not_of("0123456789", digits_from) == std::string::npos,
                "large whole input as plain digits");
    }
    std::size_t consumed = 0;
    const double value = parse_double(number, consumed);
    require(consumed == number.size() && value == y, "input text reads back as the input");
}

void check_analysis(double y) {
    const WordAnalysis analysis = analyse_word(y);
    check_texts_are_utf8(analysis);
    check_count_text(analysis);
    if (!std::isfinite(y)) {
        require(analysis.coincidences == 0, "a non-finite input counts 0");
        for (const double digit : analysis.digits) {
            require(std::isnan(digit), "a non-finite input gives NaN digits");
        }
        const std::string_view shown = std::isnan(y) ? "nan" : (y > 0.0 ? "inf" : "-inf");
        require(analysis.input_text.size() == input_prefix.size() + shown.size() &&
                    starts_with(analysis.input_text, input_prefix) &&
                    analysis.input_text.ends_with(shown),
                "a non-finite input is written as inf, -inf or nan");
        return;
    }
    require(analysis.input == y, "the input is kept");
    check_row(analysis);
    check_input_text(analysis, y);
    if (is_whole(y)) {
        check_whole(analysis, y);
    }
}

void check_word(double y) {
    check_acceptance(y, is_acceptable_manual_word(y));
    check_analysis(y);
}

// A validator that accepted everything would make the UTF-8 checks vacuous.
void check_validator() {
    require(is_valid_utf8(count_prefix), "validator accepts the degree sign");
    require(is_valid_utf8("\xF0\x9F\x98\x80"), "validator accepts four-byte forms");
    require(!is_valid_utf8("\xB0"), "validator rejects a lone continuation byte");
    require(!is_valid_utf8("\xC2"), "validator rejects a truncated sequence");
    require(!is_valid_utf8("\xC2\x41"), "validator rejects a missing continuation byte");
    require(!is_valid_utf8("\xC0\xB0"), "validator rejects overlong forms");
    require(!is_valid_utf8("\xED\xA0\x80"), "validator rejects surrogates");
    require(!is_valid_utf8("\xF4\x90\x80\x80"), "validator rejects code points past U+10FFFF");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    check_validator();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const double y = read_manual_word(text);
    check_reading(text, y);
    check_word(y);

    // The same bytes as a raw double reach inputs no typed text produces:
    // subnormals, NaN payloads, values with every exponent.
    if (size >= sizeof(double)) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, data, sizeof bits);
        check_word(std::bit_cast<double>(bits));
    }
    return 0;
}
