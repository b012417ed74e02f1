#include "analysis/number_text.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace coincidenze {

namespace {

// Doubles below 2^53 in magnitude convert to int64 exactly, and integer
// formatting is several times faster than shortest-float formatting; the
// sixteen digits of every click go through this path.
constexpr double exact_integer_limit = 9007199254740992.0;  // 2^53

// The longest whole double in fixed notation is DBL_MAX: 309 digits, a sign
// and room to spare. Shortest scientific forms are far shorter.
constexpr std::size_t buffer_size = 330;

}  // namespace

void append_number_text(std::string& out, double value) {
    // Digits of whole words are 0 or 1: the common case takes no conversion.
    if (value == 0.0) {
        out += '0';  // also for -0.0: a zero shows no sign
        return;
    }
    if (value == 1.0) {
        out += '1';
        return;
    }
    if (std::isnan(value)) {
        out += "nan";
        return;
    }
    std::array<char, buffer_size> buffer;  // written by to_chars before it is read
    char* const first = buffer.data();
    char* const last = first + buffer.size();
    std::to_chars_result result{};
    if (std::isfinite(value) && std::trunc(value) == value) {
        if (std::fabs(value) < exact_integer_limit) {
            result = std::to_chars(first, last, static_cast<std::int64_t>(value));
        } else {
            result = std::to_chars(first, last, value, std::chars_format::fixed);
        }
    } else {
        result = std::to_chars(first, last, value);
    }
    out.append(first, result.ptr);
}

std::string number_text(double value) {
    std::string text;
    append_number_text(text, value);
    return text;
}

}  // namespace coincidenze
