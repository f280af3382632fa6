// The k-of-n limit alarm at the edges of its rule, its latch and its bounds.
#include "core/quality/alarm.h"

#include <gtest/gtest.h>

using qzan::quality::LimitAlarm;
using Change = LimitAlarm::Change;

namespace {
// Feeds a pattern ('x' outside, '.' inside) and returns the last change.
Change Feed(LimitAlarm &alarm, const char *pattern) {
    Change last = Change::None;
    for (const char *c = pattern; *c; ++c)
        last = alarm.Add(*c == 'x');
    return last;
}
} // namespace

TEST(LimitAlarm, StartsAtKOfNAndEndsWhenTheyLeaveTheWindow) {
    LimitAlarm alarm; // 3 of 5
    EXPECT_EQ(alarm.K(), 3);
    EXPECT_EQ(alarm.N(), 5);
    EXPECT_EQ(Feed(alarm, "x.x.."), Change::None); // k-1 of n
    EXPECT_FALSE(alarm.Active());
    EXPECT_FALSE(alarm.Latched());
    EXPECT_EQ(Feed(alarm, "....xx"), Change::None); // ". . . x x"
    EXPECT_EQ(alarm.Add(true), Change::Started);    // ". . x x x"
    EXPECT_TRUE(alarm.Active());
    EXPECT_TRUE(alarm.Latched());
    EXPECT_EQ(Feed(alarm, ".."), Change::None);     // "x x x . ."
    EXPECT_EQ(alarm.Add(false), Change::Ended);     // the first x slides out
    EXPECT_FALSE(alarm.Active());
    EXPECT_TRUE(alarm.Latched()); // stays until acknowledged
    alarm.Acknowledge();
    EXPECT_FALSE(alarm.Latched());
}

TEST(LimitAlarm, KOutsideAmongTheFirstAnswersAlreadyCount) {
    LimitAlarm alarm(2, 10);
    EXPECT_EQ(alarm.Add(true), Change::None);
    EXPECT_EQ(alarm.Add(true), Change::Started);
}

TEST(LimitAlarm, AcknowledgedWhileActiveLatchesOnlyAtTheNextStart) {
    LimitAlarm alarm(1, 2);
    EXPECT_EQ(alarm.Add(true), Change::Started);
    alarm.Acknowledge();
    EXPECT_EQ(Feed(alarm, "xx"), Change::None);
    EXPECT_TRUE(alarm.Active());
    EXPECT_FALSE(alarm.Latched());
    EXPECT_EQ(Feed(alarm, ".."), Change::Ended);
    EXPECT_EQ(alarm.Add(true), Change::Started);
    EXPECT_TRUE(alarm.Latched());
}

TEST(LimitAlarm, OneOfOneFollowsEveryAnswer) {
    LimitAlarm alarm(1, 1);
    EXPECT_EQ(alarm.Add(false), Change::None);
    EXPECT_EQ(alarm.Add(true), Change::Started);
    EXPECT_EQ(alarm.Add(true), Change::None);
    EXPECT_EQ(alarm.Add(false), Change::Ended);
    EXPECT_EQ(alarm.Add(true), Change::Started);
}

TEST(LimitAlarm, RuleBoundsAndANewRuleStartsAFreshWindow) {
    LimitAlarm alarm;
    for (auto [k, n] : {std::pair{0, 5}, {6, 5}, {-1, -1}, {1, 1001}, {1001, 1001}}) {
        EXPECT_FALSE(alarm.SetRule(k, n)) << k << " of " << n;
        EXPECT_EQ(alarm.K(), 3);
        EXPECT_EQ(alarm.N(), 5);
    }
    EXPECT_TRUE(alarm.SetRule(1000, 1000));
    EXPECT_TRUE(alarm.SetRule(2, 3));
    EXPECT_EQ(Feed(alarm, "xx"), Change::Started);
    EXPECT_TRUE(alarm.SetRule(2, 4));
    EXPECT_FALSE(alarm.Active());
    EXPECT_TRUE(alarm.Latched());
    EXPECT_EQ(alarm.Add(true), Change::None); // the old answers are gone
    EXPECT_EQ(alarm.Add(true), Change::Started);

    LimitAlarm bad(9, 2);
    EXPECT_EQ(bad.K(), 3);
    EXPECT_EQ(bad.N(), 5);
}

TEST(LimitAlarm, LongRunKeepsItsCountInStep) {
    LimitAlarm alarm(500, 1000);
    int starts = 0, ends = 0;
    for (int i = 0; i < 100000; ++i) {
        const Change c = alarm.Add(i % 3 == 0 || (i / 7000) % 2 == 1);
        starts += c == Change::Started;
        ends += c == Change::Ended;
        ASSERT_LE(alarm.OutsideInWindow(), 1000);
        ASSERT_GE(alarm.OutsideInWindow(), 0);
    }
    EXPECT_EQ(starts, 7);
    EXPECT_EQ(ends, 7);
}
