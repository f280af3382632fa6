// The scene's evaluation on chosen still scenes: edge counts 0, 1 and 2, each
// evaluation mode, the CCD window modes, polarity, power and gain, background
// modes, and the line data the data read gets.
#include "evaluation.h"
#include "params.h"
#include "scene.h"

#include <gtest/gtest.h>

namespace qzan::sim {
namespace {

SceneConfig stillScene(double left = 420, double right = 600)
{
    SceneConfig c;
    c.edgeLeft = left;
    c.edgeRight = right;
    c.drift = 0;
    c.noise = 0;
    return c;
}

Measurement measure(const SceneConfig &scene, const Words &params)
{
    Line line;
    Scene(scene).render(0, params, 0, line);
    return evaluate(line, params);
}

TEST(Evaluation, defaultSceneShowsTwoEdgesAtTheObjectsEdges)
{
    Words p = defaultParams();
    Measurement m = measure(stillScene(), p);
    EXPECT_EQ(m.edgeCount, 2);
    EXPECT_EQ(m.edge1, 420);
    EXPECT_EQ(m.edge2, 600);
    EXPECT_EQ(m.windowStart, 0);
    // Lit at both ends of the evaluation window, dark object in between.
    EXPECT_EQ(m.stateStart, 1);
    EXPECT_EQ(m.stateEnd, 1);
    EXPECT_LT(m.lineMin, 40);
    EXPECT_GT(m.lineMax, 850);
}

TEST(Evaluation, measuredValueFollowsTheEvaluationMode)
{
    Words p = defaultParams();
    const std::uint16_t expected[] = {420, 600, 180, 510};
    for (std::uint16_t mode = 0; mode < 4; ++mode) {
        p[kEMode] = mode;
        EXPECT_EQ(measure(stillScene(), p).value, expected[mode]) << "mode " << mode;
    }
    p[kEMode] = 3;
    p[kEBeg] = 0;
    EXPECT_EQ(measure(stillScene(101, 204), p).value, 152); // centre rounds down
}

TEST(Evaluation, softEdgesAreFoundAtTheSamePixelAcrossTheThresholdBand)
{
    Words p = defaultParams();
    for (std::uint16_t threshold : {380, 480, 540}) {
        p[kVThd] = threshold;
        Measurement m = measure(stillScene(), p);
        EXPECT_EQ(m.edge1, 420) << threshold;
        EXPECT_EQ(m.edge2, 600) << threshold;
    }
}

TEST(Evaluation, oneEdgeInsideTheWindowGivesItsPositionAndTheLitSide)
{
    Words p = defaultParams();
    p[kEBeg] = 500;
    p[kEEnd] = 900;
    Measurement m = measure(stillScene(), p);
    EXPECT_EQ(m.edgeCount, 1);
    EXPECT_EQ(m.edge1, 600);
    EXPECT_EQ(m.edge2, 0);
    // Dark at the start, lit at the end: the program paints edge..end.
    EXPECT_EQ(m.stateStart, 0);
    EXPECT_EQ(m.stateEnd, 1);
    p[kEMode] = 2;
    EXPECT_EQ(measure(stillScene(), p).value, 0); // no width with one edge
}

TEST(Evaluation, noEdgesWithoutObjectOrWithTooLittleLight)
{
    Words p = defaultParams();
    SceneConfig plain = stillScene();
    plain.object = false;
    Measurement m = measure(plain, p);
    EXPECT_EQ(m.edgeCount, 0);
    EXPECT_EQ(m.value, 0);
    EXPECT_EQ(m.stateStart, 1);

    // Gain off halves the light: the line stays below the threshold.
    p[kIGain] = 0;
    m = measure(stillScene(), p);
    EXPECT_EQ(m.edgeCount, 0);
    EXPECT_EQ(m.stateStart, 0);
    EXPECT_EQ(m.stateEnd, 0);
}

TEST(Evaluation, lineLevelFollowsPowerAndGainAndSaturates)
{
    Words p = defaultParams();
    SceneConfig plain = stillScene();
    plain.object = false;
    auto middle = [&](std::uint16_t power, std::uint16_t gain) {
        p[kPower] = power;
        p[kIGain] = gain;
        Line line;
        Scene(plain).render(0, p, 0, line);
        return line[512];
    };
    EXPECT_LT(middle(300, 1), middle(600, 1));
    EXPECT_NEAR(middle(600, 1) - 24, 2 * (middle(600, 0) - 24), 2);
    EXPECT_EQ(middle(1000, 1), kFullScale);
    EXPECT_EQ(middle(0, 1), 24); // dark level
    EXPECT_EQ(middle(60000, 1), kFullScale); // power beyond 1000 counts as 1000
}

TEST(Evaluation, polarityOneTurnsTheDarkObjectIntoTheLitPart)
{
    Words p = defaultParams();
    p[kPolarity] = 1;
    Measurement m = measure(stillScene(), p);
    EXPECT_EQ(m.edgeCount, 2);
    EXPECT_EQ(m.edge1, 420);
    EXPECT_EQ(m.edge2, 600);
    EXPECT_EQ(m.stateStart, 0);
    EXPECT_EQ(m.stateEnd, 0);
}

TEST(Evaluation, windowModeOneReadsTheWindowAtPixelStartCappedAt768)
{
    Words p = defaultParams();
    p[kCcdMode] = 1;
    p[kPStart] = 500;
    Measurement m = measure(stillScene(), p);
    EXPECT_EQ(m.windowStart, 500);
    EXPECT_EQ(m.edgeCount, 1); // only the edge at 600 lies in 500..755
    EXPECT_EQ(m.edge1, 600);

    p[kPStart] = 900;
    p[kEEnd] = 1024;
    m = measure(stillScene(), p);
    EXPECT_EQ(m.windowStart, 768);
    EXPECT_EQ(m.edgeCount, 0);
}

TEST(Evaluation, windowModeTwoFollowsTheObjectInSteps)
{
    Words p = defaultParams();
    p[kCcdMode] = 2;
    Measurement m = measure(stillScene(), p);
    EXPECT_EQ(m.windowStart, 384); // centre 510, window 382..637 rounded to the 32-pixel step
    EXPECT_EQ(m.edgeCount, 2);
    EXPECT_EQ(m.edge1, 420);

    p[kEEnd] = 1024;
    m = measure(stillScene(900, 1000), p);
    EXPECT_EQ(m.windowStart, 768); // never above 768
    EXPECT_EQ(m.edge1, 900);

    p[kEBeg] = 0;
    m = measure(stillScene(10, 60), p);
    EXPECT_EQ(m.windowStart, 0);

    // Nothing found: the window sits over the middle of the evaluation window.
    p[kEBeg] = 600;
    p[kEEnd] = 1000;
    m = measure(stillScene(100, 200), p);
    EXPECT_EQ(m.edgeCount, 0);
    EXPECT_EQ(m.windowStart, 672); // centre 800
}

TEST(Evaluation, emptyEvaluationWindowFindsNothing)
{
    Words p = defaultParams();
    p[kEBeg] = 700;
    p[kEEnd] = 300;
    Measurement m = measure(stillScene(), p);
    EXPECT_EQ(m.edgeCount, 0);
    EXPECT_EQ(m.stateStart, 0);
    p[kEBeg] = 65535;
    p[kEEnd] = 65535;
    EXPECT_EQ(measure(stillScene(), p).edgeCount, 0);
}

TEST(Evaluation, backgroundModeOneSubtractsTheBackgroundValue)
{
    Words p = defaultParams();
    p[kBMode] = 1;
    p[kBVal] = 100;
    Line raw;
    Scene(stillScene()).render(0, p, 0, raw);
    Line zero{};
    Line corrected;
    subtractBackground(raw, p, zero, corrected);
    EXPECT_EQ(corrected[300], raw[300] - 100);
    EXPECT_EQ(corrected[500], 0); // the dark object does not go below 0
}

TEST(Evaluation, backgroundModeTwoSubtractsTheTaughtLine)
{
    Words p = defaultParams();
    SceneConfig plain = stillScene();
    plain.object = false;
    Line background;
    Scene(plain).render(0, p, 0, background);

    p[kBMode] = 2;
    p[kPolarity] = 1; // after subtraction the object stays at 0, the rest near 0 too
    Line raw;
    Scene(stillScene()).render(0, p, 0, raw);
    Line corrected;
    subtractBackground(raw, p, background, corrected);
    for (std::uint16_t v : corrected)
        EXPECT_EQ(v, 0);

    p[kBMode] = 0;
    subtractBackground(raw, p, background, corrected);
    EXPECT_EQ(corrected, raw);
}

TEST(Evaluation, lineDataIsEveryFourthPixelOrTheWindow)
{
    Words p = defaultParams();
    Line line;
    for (std::size_t i = 0; i < kLinePixels; ++i)
        line[i] = static_cast<std::uint16_t>(i);
    auto full = lineData(line, p, 0);
    EXPECT_EQ(full[0], 0);
    EXPECT_EQ(full[1], 4);
    EXPECT_EQ(full[255], 1020);

    p[kCcdMode] = 1;
    auto window = lineData(line, p, 300);
    EXPECT_EQ(window[0], 300);
    EXPECT_EQ(window[255], 555);
}

TEST(Scene, objectSwingsBackAndForthWithinItsTravel)
{
    SceneConfig c = stillScene();
    c.drift = 10;
    c.travel = 20;
    Scene scene(c);
    EXPECT_DOUBLE_EQ(scene.objectAt(0).left, 420);
    EXPECT_DOUBLE_EQ(scene.objectAt(1).left, 430);
    EXPECT_DOUBLE_EQ(scene.objectAt(2).left, 440);
    EXPECT_DOUBLE_EQ(scene.objectAt(4).left, 420);
    EXPECT_DOUBLE_EQ(scene.objectAt(6).left, 400);
    EXPECT_DOUBLE_EQ(scene.objectAt(8).right, 600);
}

TEST(Scene, noiseRepeatsWithTheSeedAndStaysWithinItsAmplitude)
{
    SceneConfig c = stillScene();
    c.object = false;
    c.noise = 5;
    Words p = defaultParams();
    Line quiet;
    SceneConfig q = c;
    q.noise = 0;
    Scene(q).render(0, p, 0, quiet);
    Line a;
    Line b;
    Line other;
    Scene(c).render(0, p, 7, a);
    Scene(c).render(0, p, 7, b);
    Scene(c).render(0, p, 8, other);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, other);
    for (std::size_t i = 0; i < kLinePixels; ++i)
        EXPECT_LE(std::abs(int(a[i]) - int(quiet[i])), 5);
}

} // namespace
} // namespace qzan::sim
