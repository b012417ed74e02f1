#include "analysis/input_word.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <string>

#include "tests/case_name.hpp"

namespace coincidenze {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

struct ReadCase {
    const char* name;
    std::string text;
    double expected;
};

class ManualReading : public testing::TestWithParam<ReadCase> {};

TEST_P(ManualReading, ReadsLeadingNumber) {
    const ReadCase& c = GetParam();
    const double y = read_manual_word(c.text);
    EXPECT_FALSE(std::isnan(y));
    EXPECT_EQ(y, c.expected);
    EXPECT_EQ(std::signbit(y), std::signbit(c.expected));
    EXPECT_EQ(choose_input_word(InputMode::Manual, c.text), y);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ManualReading,
    testing::Values(
        ReadCase{"Empty", "", 0.0}, ReadCase{"BlanksOnly", "   \t", 0.0},
        ReadCase{"Letters", "abc", 0.0}, ReadCase{"InfinityWord", "inf", 0.0},
        ReadCase{"NaNWord", "nan", 0.0}, ReadCase{"SignAlone", "-", 0.0},
        ReadCase{"PointAlone", ".", 0.0}, ReadCase{"Whole", "255", 255.0},
        ReadCase{"LargestWord", "65535", 65535.0}, ReadCase{"LeadingBlanks", "  255", 255.0},
        ReadCase{"LeadingTabAndNewline", "\t\n7", 7.0}, ReadCase{"TrailingLetters", "12abc", 12.0},
        ReadCase{"TrailingBlanks", "12  ", 12.0}, ReadCase{"BlankInsideStops", "1 2", 1.0},
        ReadCase{"CommaStops", "1,5", 1.0}, ReadCase{"HexPrefixStopsAtX", "0x10", 0.0},
        ReadCase{"LeadingZeros", "000042", 42.0}, ReadCase{"PlusSign", "+7", 7.0},
        ReadCase{"MinusSign", "-3", -3.0}, ReadCase{"NegativeZero", "-0", -0.0},
        ReadCase{"BlankAfterSignStops", "- 3", 0.0}, ReadCase{"Fraction", "5.5", 5.5},
        ReadCase{"TrailingPoint", "5.", 5.0}, ReadCase{"LeadingPoint", ".5", 0.5},
        ReadCase{"SecondPointStops", "1.2.3", 1.2}, ReadCase{"Exponent", "1.5e3", 1500.0},
        ReadCase{"UpperExponent", "2E2", 200.0}, ReadCase{"NegativeExponent", "25e-1", 2.5},
        ReadCase{"SignedExponent", "1e+2", 100.0}, ReadCase{"BareExponentStops", "12e", 12.0},
        ReadCase{"SignedBareExponentStops", "12e+", 12.0},
        ReadCase{"ExponentThenLetters", "1e2x", 100.0},
        ReadCase{"NonAsciiStops", "12\xC2\xB0", 12.0},
        ReadCase{"NonAsciiFirst",
                 "\xE2\x80\x8B"
                 "5",
                 0.0},
        ReadCase{"OverflowIsInfinity", "1e999", inf},
        ReadCase{"NegativeOverflowIsMinusInfinity", "-1e999", -inf},
        ReadCase{"LongDigitsOverflow", std::string(400, '9'), inf},
        ReadCase{"SmallMantissaHugeExponent", "0.0001e400", inf},
        ReadCase{"HugeExponentDigits", "1e99999999999999999999999", inf},
        ReadCase{"UnderflowIsZero", "1e-999", 0.0},
        ReadCase{"NegativeUnderflowIsNegativeZero", "-1e-999", -0.0},
        ReadCase{"ZeroWithHugeExponent", "0e99999", 0.0},
        ReadCase{"LargestDouble", "1.7976931348623157e308", std::numeric_limits<double>::max()},
        ReadCase{"LongFractionRoundsCorrectly", "0.1000000000000000055511151231257827", 0.1}),
    testing_support::CaseName{});

struct AcceptCase {
    const char* name;
    double y;
    bool accepted;
};

class ManualAcceptance : public testing::TestWithParam<AcceptCase> {};

TEST_P(ManualAcceptance, OnlyWholeWords) {
    EXPECT_EQ(is_acceptable_manual_word(GetParam().y), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ManualAcceptance,
    testing::Values(AcceptCase{"Zero", 0.0, true}, AcceptCase{"NegativeZero", -0.0, true},
                    AcceptCase{"One", 1.0, true}, AcceptCase{"LargestWord", 65535.0, true},
                    AcceptCase{"AboveWord", 65536.0, false},
                    AcceptCase{"JustAboveWord", 65535.000000001, false},
                    AcceptCase{"NegativeOne", -1.0, false},
                    AcceptCase{"TinyNegative", -1e-300, false}, AcceptCase{"Half", 0.5, false},
                    AcceptCase{"Fraction", 255.5, false}, AcceptCase{"Subnormal", 5e-324, false},
                    AcceptCase{"Infinity", inf, false}, AcceptCase{"MinusInfinity", -inf, false},
                    AcceptCase{"NaN", std::numeric_limits<double>::quiet_NaN(), false}),
    testing_support::CaseName{});

// The inverse of the SplitMix64 finaliser, to find the seed that yields a
// chosen generator state without searching.
std::uint64_t unmix(std::uint64_t z) {
    const auto undo_xorshift = [](std::uint64_t x, unsigned shift) {
        std::uint64_t y = x;
        for (unsigned done = shift; done < 64; done += shift) {
            y = x ^ (y >> shift);
        }
        return y;
    };
    // Multiplicative inverses modulo 2^64 by Newton's iteration.
    const auto inverse = [](std::uint64_t a) {
        std::uint64_t x = a;
        for (int i = 0; i < 6; ++i) {
            x *= 2 - a * x;
        }
        return x;
    };
    z = undo_xorshift(z, 31);
    z *= inverse(0x94D049BB133111EBULL);
    z = undo_xorshift(z, 27);
    z *= inverse(0xBF58476D1CE4E5B9ULL);
    z = undo_xorshift(z, 30);
    return z - 0x9E3779B97F4A7C15ULL;
}

TEST(RandomWord, InverseFinaliserRoundTrips) {
    for (const std::uint64_t seed : {0ULL, 1ULL, 0xDEADBEEFULL, ~0ULL}) {
        EXPECT_EQ(unmix(mix_seed(seed)), seed);
    }
}

struct StateCase {
    const char* name;
    std::uint64_t state;  // the generator state right after reseeding
    float fraction;
    double word;
};

class RandomMapping : public testing::TestWithParam<StateCase> {};

TEST_P(RandomMapping, StateToFractionToWord) {
    const StateCase& c = GetParam();
    const std::uint64_t seed = unmix(c.state);
    ASSERT_EQ(mix_seed(seed), c.state);
    EXPECT_EQ(random_fraction(seed), c.fraction);
    EXPECT_EQ(random_word_from_seed(seed), c.word);
}

// Fractions are k / 2^24 from the top 24 bits; the low 40 bits never matter.
INSTANTIATE_TEST_SUITE_P(
    States, RandomMapping,
    testing::Values(StateCase{"AllZero", 0, 0.0F, 0.0},
                    StateCase{"LowBitsIgnored", 0x000000FFFFFFFFFFULL, 0.0F, 0.0},
                    StateCase{"SmallestStep", 0x0000010000000000ULL, 0x1p-24F, 0.0},
                    StateCase{"Half", 0x8000000000000000ULL, 0.5F, 32767.0},
                    StateCase{"LargestFractionStaysBelowAllOnes", ~0ULL, 1.0F - 0x1p-24F, 65534.0},
                    StateCase{"LastStepOfWordZero", 256ULL << 40U, 256 * 0x1p-24F, 0.0},
                    StateCase{"FirstStepOfWordOne", 257ULL << 40U, 257 * 0x1p-24F, 1.0}),
    testing_support::CaseName{});

TEST(RandomWord, EveryFractionMapsIntoWordRange) {
    // All 2^24 fractions, through the public mapping: whole, 0 ... 65534,
    // and both ends reached.
    double lowest = inf;
    double highest = -inf;
    for (std::uint64_t top = 0; top < (1ULL << 24); ++top) {
        const double word = random_word_from_seed(unmix(top << 40));
        ASSERT_EQ(word, std::floor(word));
        lowest = std::min(lowest, word);
        highest = std::max(highest, word);
    }
    EXPECT_EQ(lowest, 0.0);
    EXPECT_EQ(highest, 65534.0);
}

TEST(RandomWord, NeighbouringClockReadingsGiveUnrelatedWords) {
    // Consecutive nanosecond readings, as two quick clicks would see: the
    // mixing must spread them, not leave runs of equal words.
    constexpr std::uint64_t start = 1'765'000'000'000'000'000ULL;
    std::set<double> words;
    int equal_neighbours = 0;
    double previous = -1.0;
    for (std::uint64_t t = start; t < start + 1000; ++t) {
        const double word = random_word_from_seed(t);
        equal_neighbours += word == previous ? 1 : 0;
        previous = word;
        words.insert(word);
    }
    EXPECT_EQ(equal_neighbours, 0);
    EXPECT_GE(words.size(), 990U);
}

TEST(RandomWord, DrawFromClockIsAWord) {
    for (int i = 0; i < 1000; ++i) {
        const double y = choose_input_word(InputMode::Random, "123");
        ASSERT_TRUE(is_acceptable_manual_word(y));
        ASSERT_LE(y, 65534.0);
    }
}

}  // namespace
}  // namespace coincidenze
