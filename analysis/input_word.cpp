#include "analysis/input_word.hpp"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <system_error>

namespace coincidenze {

namespace {

// 2^-24: turns the top 24 bits of a 64-bit value into a fraction below 1
// that a float holds exactly.
constexpr float fraction_unit = 1.0F / 16777216.0F;
constexpr int fraction_bits = 24;

[[nodiscard]] constexpr bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

[[nodiscard]] constexpr bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The extent of the number that reading accepts, found before conversion so
// that the converter only ever sees a well-formed numeral.
struct Numeral {
    std::string_view text;  // digits, point, fraction and exponent, no sign
    bool negative = false;
    // Decimal position of the first non-zero digit relative to the point, plus
    // the exponent; saturated. Positive means |value| >= 1. Only consulted
    // when the conversion is out of range, to tell overflow from underflow.
    long long magnitude = 0;
};

[[nodiscard]] bool scan_numeral(std::string_view text, Numeral& numeral) {
    std::size_t i = 0;
    while (i < text.size() && is_blank(text[i])) {
        ++i;
    }
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        numeral.negative = text[i] == '-';
        ++i;
    }
    const std::size_t start = i;
    std::size_t mantissa_digits = 0;
    long long first_nonzero = 0;  // digits before the point, counting from the first non-zero
    bool seen_nonzero = false;
    long long leading_fraction_zeros = 0;
    while (i < text.size() && is_digit(text[i])) {
        if (text[i] != '0') {
            seen_nonzero = true;
        }
        if (seen_nonzero) {
            ++first_nonzero;
        }
        ++mantissa_digits;
        ++i;
    }
    if (i < text.size() && text[i] == '.') {
        std::size_t j = i + 1;
        while (j < text.size() && is_digit(text[j])) {
            if (!seen_nonzero) {
                if (text[j] == '0') {
                    ++leading_fraction_zeros;
                } else {
                    seen_nonzero = true;
                }
            }
            ++mantissa_digits;
            ++j;
        }
        // A point only belongs to the number when a digit stands on one side.
        if (mantissa_digits > 0) {
            i = j;
        }
    }
    if (mantissa_digits == 0) {
        return false;
    }
    long long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        bool exponent_negative = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            exponent_negative = text[j] == '-';
            ++j;
        }
        if (j < text.size() && is_digit(text[j])) {
            constexpr long long saturation = 1'000'000'000'000LL;
            while (j < text.size() && is_digit(text[j])) {
                if (exponent < saturation) {
                    exponent = exponent * 10 + (text[j] - '0');
                }
                ++j;
            }
            if (exponent_negative) {
                exponent = -exponent;
            }
            i = j;
        }
    }
    numeral.text = text.substr(start, i - start);
    numeral.magnitude = (first_nonzero > 0 ? first_nonzero : -leading_fraction_zeros) + exponent;
    return true;
}

}  // namespace

std::uint64_t mix_seed(std::uint64_t seed) {
    std::uint64_t z = seed + 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30U)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27U)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31U);
}

float random_fraction(std::uint64_t seed) {
    const auto top_bits = static_cast<std::uint32_t>(mix_seed(seed) >> (64 - fraction_bits));
    return static_cast<float>(top_bits) * fraction_unit;
}

double random_word_from_seed(std::uint64_t seed) {
    return std::floor(static_cast<double>(random_fraction(seed)) * random_word_scale);
}

double draw_random_word() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
    return random_word_from_seed(static_cast<std::uint64_t>(nanoseconds));
}

double read_manual_word(std::string_view text) {
    Numeral numeral;
    if (!scan_numeral(text, numeral)) {
        return 0.0;
    }
    double value = 0.0;
    const char* const first = numeral.text.data();
    const char* const last = first + numeral.text.size();
    const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        value = numeral.magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (ec != std::errc{} || ptr != last) {
        // scan_numeral only passes numerals from_chars accepts whole; a
        // mismatch would be a fault here, and 0 is the reading's neutral answer.
        value = 0.0;
    }
    return numeral.negative ? -value : value;
}

double choose_input_word(InputMode mode, std::string_view text) {
    return mode == InputMode::Random ? draw_random_word() : read_manual_word(text);
}

bool is_acceptable_manual_word(double y) {
    return std::isfinite(y) && y >= 0.0 && y <= largest_manual_word && std::trunc(y) == y;
}

}  // namespace coincidenze
