#include "analysis/word_analysis.hpp"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "analysis/number_text.hpp"
#include "tests/case_name.hpp"

namespace coincidenze {
namespace {

// The row written out from a plain bit string "b15 ... b0" (16 characters of
// 0 and 1), so expectations read like the window does.
std::string row_of(std::string_view bits) {
    std::string row;
    for (std::size_t i = 0; i < bits.size(); ++i) {
        if (i != 0) {
            row += (i == 8) ? " | " : "  ";
        }
        row += bits[i];
    }
    return row;
}

struct WholeWordCase {
    const char* name;
    double y;
    const char* bits;  // d15 ... d0
    int coincidences;
};

class WholeWord : public testing::TestWithParam<WholeWordCase> {};

TEST_P(WholeWord, DigitsCountAndTexts) {
    const WholeWordCase& c = GetParam();
    const WordAnalysis a = analyse_word(c.y);
    EXPECT_EQ(a.input, c.y);
    EXPECT_EQ(a.row_text, row_of(c.bits));
    EXPECT_EQ(a.coincidences, c.coincidences);
    EXPECT_EQ(a.count_text, "n\u00b0 coincidenze = " + std::to_string(c.coincidences));
    EXPECT_EQ(a.input_text.substr(0, input_prefix.size()), input_prefix);
    for (std::size_t k = 0; k < digit_count; ++k) {
        EXPECT_EQ(a.digits[k], c.bits[digit_count - 1 - k] == '1' ? 1.0 : 0.0) << "digit " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Words, WholeWord,
    testing::Values(
        WholeWordCase{"Zero", 0.0, "0000000000000000", 8},
        WholeWordCase{"One", 1.0, "0000000000000001", 7},
        WholeWordCase{"LowByteFull", 255.0, "0000000011111111", 0},
        WholeWordCase{"TopAndBottom", 32769.0, "1000000000000001", 8},
        WholeWordCase{"LargestRandom", 65534.0, "1111111111111110", 7},
        WholeWordCase{"AllOnes", 65535.0, "1111111111111111", 8},
        WholeWordCase{"Palindrome", 0b1010011001100101, "1010011001100101", 8},
        WholeWordCase{"AboveSixteenDigitsKeepsLow", 65536.0 + 5.0, "0000000000000101", 6},
        WholeWordCase{"FarAboveKeepsLow", 4294967296.0 * 3.0 + 255.0, "0000000011111111", 0},
        WholeWordCase{"MinusOneIsAllOnes", -1.0, "1111111111111111", 8},
        WholeWordCase{"NegativeTwosComplement", -2.0, "1111111111111110", 7},
        WholeWordCase{"NegativeBelowWord", -65536.0 - 255.0, "1111111100000001", 1},
        WholeWordCase{"NegativeZero", -0.0, "0000000000000000", 8},
        WholeWordCase{"HugeEvenIsZeros", 1e300, "0000000000000000", 8},
        WholeWordCase{"LargestDouble", std::numeric_limits<double>::max(), "0000000000000000", 8},
        WholeWordCase{"Pow2To53PlusSix", 9007199254740992.0 + 6.0, "0000000000000110", 6}),
    testing_support::CaseName{});

TEST(WordAnalysisTexts, ExactBytesForOne) {
    const WordAnalysis a = analyse_word(1.0);
    EXPECT_EQ(a.row_text, "0  0  0  0  0  0  0  0 | 0  0  0  0  0  0  0  1");
    EXPECT_EQ(a.count_text, "n\xC2\xB0 coincidenze = 7");
    EXPECT_EQ(a.input_text, "Numero all'ingresso del calcolatore:  Y =  1");
}

struct InputTextCase {
    const char* name;
    double y;
    const char* text;
};

class InputText : public testing::TestWithParam<InputTextCase> {};

TEST_P(InputText, RendersShortestDecimal) {
    const InputTextCase& c = GetParam();
    EXPECT_EQ(analyse_word(c.y).input_text, std::string(input_prefix) + c.text);
    EXPECT_EQ(number_text(c.y), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, InputText,
    testing::Values(InputTextCase{"Zero", 0.0, "0"}, InputTextCase{"NegativeZero", -0.0, "0"},
                    InputTextCase{"Whole", 65535.0, "65535"},
                    InputTextCase{"Negative", -12.0, "-12"}, InputTextCase{"Half", 5.5, "5.5"},
                    InputTextCase{"NegativeFraction", -0.25, "-0.25"},
                    InputTextCase{"ShortestNotExpanded", 0.1, "0.1"},
                    InputTextCase{"TinyIsScientific", 1e-7, "1e-07"},
                    InputTextCase{"Subnormal", 5e-324, "5e-324"},
                    InputTextCase{"WholeAboveInt64", 1e20, "100000000000000000000"},
                    InputTextCase{"WholeAtExactLimit", 9007199254740992.0, "9007199254740992"},
                    InputTextCase{"LargeFraction", 123456789.5, "123456789.5"}),
    testing_support::CaseName{});

TEST(WordAnalysisFractions, FractionStaysInLowestDigit) {
    const WordAnalysis a = analyse_word(5.5);
    EXPECT_EQ(a.digits[0], 1.5);
    EXPECT_EQ(a.digits[1], 0.0);
    EXPECT_EQ(a.digits[2], 1.0);
    // (15, 0) compares 0 with 1.5 and (13, 2) compares 0 with 1.
    EXPECT_EQ(a.coincidences, 6);
    EXPECT_EQ(a.row_text, "0  0  0  0  0  0  0  0 | 0  0  0  0  0  1  0  1.5");
}

TEST(WordAnalysisFractions, NegativeFractionFloorsTowardsMinusInfinity) {
    // floor(-0.25) is -1, so d0 = -0.5 + 2 = 1.5 and every higher digit is 1.
    const WordAnalysis a = analyse_word(-0.5);
    EXPECT_EQ(a.digits[0], 1.5);
    for (std::size_t k = 1; k < digit_count; ++k) {
        EXPECT_EQ(a.digits[k], 1.0) << "digit " << k;
    }
    EXPECT_EQ(a.coincidences, 7);
}

TEST(WordAnalysisNonFinite, DoesNotFailAndCountsNoNaNPair) {
    for (const double y :
         {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
          std::numeric_limits<double>::quiet_NaN()}) {
        const WordAnalysis a = analyse_word(y);
        EXPECT_EQ(a.coincidences, 0) << y;
        EXPECT_EQ(a.count_text, std::string(count_prefix) + "0");
    }
}

// The digits straight from their definition: repeated halving in double
// precision, floor towards minus infinity.
std::array<double, digit_count> halving_digits(double y) {
    std::array<double, digit_count> digits{};
    double q = y;
    for (double& digit : digits) {
        const double next = std::floor(q / 2.0);
        digit = q - 2.0 * next;
        q = next;
    }
    return digits;
}

void expect_digits_follow_halving(double y) {
    const auto expected = halving_digits(y);
    const WordAnalysis a = analyse_word(y);
    for (std::size_t k = 0; k < digit_count; ++k) {
        ASSERT_EQ(a.digits[k], expected[k]) << "y = " << y << ", digit " << k;
        ASSERT_EQ(std::signbit(a.digits[k]), std::signbit(expected[k])) << "y = " << y;
    }
}

// Whole inputs may be split by a faster route than halving; whatever the
// route, the digits must be the halving's, bit for bit, on both sides of
// every range the route could depend on.
TEST(WordAnalysisDigits, FollowTheHalvingDefinition) {
    for (int word = -70000; word <= 70000; ++word) {
        expect_digits_follow_halving(static_cast<double>(word));
    }
    const double two_53 = 9007199254740992.0;
    const double two_63 = 9223372036854775808.0;
    for (const double y : {two_53 - 1.0,
                           two_53,
                           two_53 + 2.0,
                           -two_53 - 2.0,
                           4611686018427400000.0 + 12288.0,
                           -4611686018427400000.0 - 4096.0,
                           two_63 - 1024.0,
                           -two_63,
                           -two_63 - 2048.0,
                           two_63,
                           two_63 * 2.0 + 65536.0 * 4.0,
                           1e300,
                           -1e300,
                           std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::lowest(),
                           -0.0,
                           5.5,
                           -5.5,
                           0.25,
                           -0.75,
                           65535.5,
                           1e-300,
                           -1e-300,
                           5e-324,
                           -5e-324,
                           -1.5e-323,
                           123456789.125}) {
        expect_digits_follow_halving(y);
    }
}

// Every whole word against a formulation that shares nothing with the
// halving: integer bit operations for the digits and the pair count.
TEST(WordAnalysisSweep, EveryWordMatchesBitwiseModel) {
    for (std::uint32_t word = 0; word <= 0xFFFF; ++word) {
        const double y = static_cast<double>(word);
        const WordAnalysis a = analyse_word(y);

        double recomposed = 0.0;
        for (std::size_t k = 0; k < digit_count; ++k) {
            recomposed += a.digits[k] * std::ldexp(1.0, static_cast<int>(k));
        }
        ASSERT_EQ(recomposed, y) << word;

        std::uint32_t reversed = 0;
        for (std::uint32_t k = 0; k < 16; ++k) {
            reversed |= ((word >> k) & 1U) << (15U - k);
        }
        // Pairs differ where the word and its reversal differ; each pair is
        // seen twice there, once per half.
        const int differing = std::popcount((word ^ reversed) & 0xFFU);
        ASSERT_EQ(a.coincidences, 8 - differing) << word;
        ASSERT_EQ(analyse_word(static_cast<double>(reversed)).coincidences, a.coincidences) << word;

        // Digits of the high byte stand at 0, 3 ... 21, the bar at 23, and the
        // digits of the low byte at 25, 28 ... 46; blanks everywhere else.
        std::string expected(47, ' ');
        expected[23] = '|';
        for (std::uint32_t i = 0; i < 16; ++i) {
            const std::size_t at = 3 * i + (i < 8 ? 0 : 1);
            expected[at] = ((word >> (15U - i)) & 1U) != 0 ? '1' : '0';
        }
        ASSERT_EQ(a.row_text, expected) << word;
        ASSERT_EQ(a.count_text, std::string(count_prefix) + std::to_string(a.coincidences));
        ASSERT_EQ(a.input_text, std::string(input_prefix) + std::to_string(word));
    }
}

}  // namespace
}  // namespace coincidenze
