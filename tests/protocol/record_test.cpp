// The parameter table and the clamp that values from the sensor or a file go
// through before the panels show them.
#include "core/protocol/record.h"

#include <gtest/gtest.h>

#include <string>

namespace {

namespace pr = qzan::protocol;

pr::Words InRange()
{
    // The start-up set: every word inside its range.
    return {500, 0, 512, 64, 1, 1, 200, 800, 512, 100, 1, 1, 0, 1, 0, 1000};
}

int Word(const char *name)
{
    const int i = pr::FindParameter(name);
    EXPECT_GE(i, 0) << name;
    return i;
}

TEST(ParameterRecord, namesFollowTheRecordOrderAndAreFoundByName)
{
    const char *order[] = {"power", "pwrMode", "vThd",  "bVal",    "polarity", "eMode",
                           "eBeg",  "eEnd",    "tVal",  "tTol",    "iGain",    "ePoti",
                           "ccdMode", "pStart", "bMode", "para15"};
    for (int i = 0; i < pr::PNUM; ++i) {
        EXPECT_EQ(std::string(pr::kParameters[static_cast<std::size_t>(i)].name), order[i]);
        EXPECT_EQ(pr::FindParameter(order[i]), i);
        EXPECT_NE(std::string(pr::kParameters[static_cast<std::size_t>(i)].label), "");
    }
    EXPECT_EQ(pr::FindParameter("Power"), -1) << "names are exact";
    EXPECT_EQ(pr::FindParameter(""), -1);
}

TEST(ParameterRecord, unitsSayWhichWordsArePixelsAndWhichThousandths)
{
    for (const char *pixels : {"eBeg", "eEnd", "tVal", "tTol", "pStart"})
        EXPECT_EQ(pr::kParameters[static_cast<std::size_t>(Word(pixels))].unit, pr::Unit::Pixels)
            << pixels;
    EXPECT_EQ(pr::kParameters[static_cast<std::size_t>(Word("para15"))].unit,
              pr::Unit::Thousandths);
    EXPECT_EQ(pr::kParameters[static_cast<std::size_t>(Word("vThd"))].unit, pr::Unit::None);
}

TEST(ParameterRecord, aSetInRangeComesThroughUnchanged)
{
    const auto out = pr::ClampRecord(InRange());
    EXPECT_EQ(out.words, InRange());
    EXPECT_EQ(out.changed, 0);
}

TEST(ParameterRecord, boundsAreInclusiveAndAValueAboveTakesItsReplacement)
{
    struct Case {
        const char *name;
        std::uint16_t kept, above, replacement;
    };
    const Case cases[] = {
        {"power", 1000, 1001, 500}, {"pwrMode", 1, 2, 0},     {"vThd", 1023, 1024, 512},
        {"polarity", 1, 2, 1},      {"eMode", 3, 4, 1},       {"eBeg", 1024, 1025, 200},
        {"eEnd", 1024, 1025, 800},  {"tVal", 1024, 1025, 512}, {"tTol", 512, 513, 128},
        {"bVal", 1023, 1024, 60},   {"iGain", 1, 2, 0},       {"ePoti", 1, 2, 1},
        {"pStart", 1023, 1024, 1},  {"para15", 1200, 1300, 1200},
    };
    for (const Case &c : cases) {
        const auto i = static_cast<std::size_t>(Word(c.name));
        pr::Words words = InRange();
        words[i] = c.kept;
        auto out = pr::ClampRecord(words);
        EXPECT_EQ(out.words[i], c.kept) << c.name;
        EXPECT_EQ(out.changed, 0) << c.name;
        words[i] = c.above;
        out = pr::ClampRecord(words);
        EXPECT_EQ(out.words[i], c.replacement) << c.name;
        EXPECT_EQ(out.changed, 1u << i) << c.name << ": only this word changed";
        words[i] = 0xFFFF;
        EXPECT_EQ(pr::ClampRecord(words).words[i], c.replacement) << c.name;
    }
}

TEST(ParameterRecord, onlyTheScaleFactorHasALowerBound)
{
    pr::Words words = InRange();
    const auto scale = static_cast<std::size_t>(Word("para15"));
    words[scale] = 700;
    EXPECT_EQ(pr::ClampRecord(words).words[scale], 800);
    words[scale] = 800;
    EXPECT_EQ(pr::ClampRecord(words).words[scale], 800);
    words[scale] = 0;
    EXPECT_EQ(pr::ClampRecord(words).words[scale], 800);
    pr::Words zeros{};
    zeros[scale] = 1000;
    const auto out = pr::ClampRecord(zeros);
    EXPECT_EQ(out.words, zeros) << "zero is in range everywhere else";
}

TEST(ParameterRecord, ccdModeAndBackgroundModeAreTakenAsTheyCome)
{
    pr::Words words = InRange();
    words[static_cast<std::size_t>(Word("ccdMode"))] = 0xFFFF;
    words[static_cast<std::size_t>(Word("bMode"))] = 77;
    const auto out = pr::ClampRecord(words);
    EXPECT_EQ(out.words, words);
    EXPECT_EQ(out.changed, 0);
}

TEST(ParameterRecord, everyWordAtItsMaximumIsChangedByTheClampExactlyWhenClamped)
{
    pr::Words words{};
    words.fill(0xFFFF);
    const auto out = pr::ClampRecord(words);
    for (int i = 0; i < pr::PNUM; ++i) {
        const pr::Parameter &p = pr::kParameters[static_cast<std::size_t>(i)];
        const bool changed = (out.changed >> i) & 1u;
        EXPECT_EQ(changed, p.clamped) << p.name;
        if (p.clamped) {
            EXPECT_GE(out.words[static_cast<std::size_t>(i)], p.min) << p.name;
            EXPECT_LE(out.words[static_cast<std::size_t>(i)], p.max) << p.name;
        }
    }
}

} // namespace
