#pragma once

#include <cstdint>
#include <string_view>

namespace coincidenze {

// Where a click takes its input number from: the option button selected.
enum class InputMode { Random, Manual };

// Random words are floor(r * 65535) with 0 <= r < 1, so 0 ... 65534: the
// all-ones word never comes up.
inline constexpr double random_word_scale = 65535.0;

// The largest manual entry accepted: the all-ones sixteen-digit word.
inline constexpr double largest_manual_word = 65535.0;

// The generator state after reseeding with `seed`: a SplitMix64 finaliser, so
// that seeds one nanosecond apart give unrelated fractions.
[[nodiscard]] std::uint64_t mix_seed(std::uint64_t seed);

// The single-precision fraction drawn right after reseeding with `seed`. It
// is built from the top 24 bits of mix_seed(seed), the float's full
// precision, so it is exactly k / 2^24 for k in 0 ... 2^24 - 1 and never 1.
[[nodiscard]] float random_fraction(std::uint64_t seed);

// floor(random_fraction(seed) * 65535), the product taken in double.
[[nodiscard]] double random_word_from_seed(std::uint64_t seed);

// Reseeds from the system clock's nanosecond reading and draws one word.
[[nodiscard]] double draw_random_word();

// Reads `text` leniently as a decimal number; never fails. ASCII blanks are
// skipped first; then come an optional sign, digits with an optional '.' and
// fraction, and an optional exponent ('e' or 'E', optional sign, digits).
// Reading stops at the first character that cannot continue the number, and
// text holding no leading number gives 0 (so "", "abc", "inf", "nan" and
// "0x10" after its 0 all give 0 or what precedes the stop). The result is
// never NaN: a number too large for a double gives +/-infinity (the sign
// kept), one too small gives a zero of its sign.
[[nodiscard]] double read_manual_word(std::string_view text);

// Random mode draws a word; manual mode reads `text`.
[[nodiscard]] double choose_input_word(InputMode mode, std::string_view text);

// Whether a manual entry may be analysed: a whole number from 0 to 65535.
// Negative, larger, fractional and non-finite values are refused.
[[nodiscard]] bool is_acceptable_manual_word(double y);

}  // namespace coincidenze
