#include "analysis/word_analysis.hpp"

#include <cmath>

#include "analysis/number_text.hpp"

namespace coincidenze {

WordAnalysis analyse_word(double y) {
    WordAnalysis result;
    result.input = y;

    double q = y;
    for (double& digit : result.digits) {
        const double next = std::floor(q / 2.0);
        digit = q - 2.0 * next;
        q = next;
    }

    for (std::size_t k = 0; k < mirror_pair_count; ++k) {
        if (result.digits[k] == result.digits[digit_count - 1 - k]) {
            ++result.coincidences;
        }
    }

    // 16 one-character digits and 15 separators: 47 characters for a whole input.
    result.row_text.reserve(digit_count + (digit_count - 1) * digit_separator.size());
    for (std::size_t i = 0; i < digit_count; ++i) {
        const std::size_t k = digit_count - 1 - i;
        if (i != 0) {
            result.row_text += (k == mirror_pair_count - 1) ? byte_separator : digit_separator;
        }
        append_number_text(result.row_text, result.digits[k]);
    }

    result.count_text = count_prefix;
    append_number_text(result.count_text, result.coincidences);

    result.input_text = input_prefix;
    append_number_text(result.input_text, y);
    return result;
}

}  // namespace coincidenze
