// Conversions from floating point to 16-bit words: the scale factor in
// thousandths and the micrometre read-outs, defined for every input.
#include "core/convert.h"
#include "core/globals.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(Convert, scaleFactorIsTruncatedNotRounded)
{
    EXPECT_EQ(ScaleToThousandths(1.1f), 1100);
    EXPECT_EQ(ScaleToThousandths(0.8005f), 800);
    EXPECT_EQ(ScaleToThousandths(1.2345f), 1234);
    EXPECT_EQ(ScaleToThousandths(0.95f), 950);
    EXPECT_EQ(ScaleToThousandths(1.0f), 1000);
}

TEST(Convert, everyFloatGivesADefinedWord)
{
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(ScaleToThousandths(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(ScaleToThousandths(inf), 0); // 2^62 has no low bits set
    EXPECT_EQ(ScaleToThousandths(-inf), 0);
    EXPECT_EQ(ScaleToThousandths(70.0f), 70000 & 0xFFFF);
    EXPECT_EQ(ScaleToThousandths(-0.001f), 0xFFFF); // -1 as a 16-bit word
    EXPECT_EQ(Low16OfTruncated(-0.999), 0);
    EXPECT_EQ(Low16OfTruncated(1e300), 0);
}

TEST(Convert, micrometresTruncateAndOnlyTheScaledFormUsesTheFactor)
{
    EXPECT_EQ(PixelsToMicrons(500, PPITCH), 3900);
    EXPECT_EQ(PixelsToMicrons(101, PPITCH), 787);
    EXPECT_EQ(PixelsToMicrons(100, PPITCH), 780);
    EXPECT_EQ(PixelsToMicrons(65535, PPITCH), (7800LL * 65535 / 1000) & 0xFFFF);
    EXPECT_EQ(ScaledPixelsToMicrons(1.0f, 512, PPITCH), 3993);
    EXPECT_EQ(ScaledPixelsToMicrons(1.1f, 512, PPITCH), 4392);
    // 0.9 in single precision lies just below 0.9: 701, not 702.
    EXPECT_EQ(ScaledPixelsToMicrons(0.9f, 100, PPITCH), 701);
}

} // namespace
