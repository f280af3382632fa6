// The fixture's own promise about When(): a waiter ends with its test, so a
// test whose condition never comes fails with its own assertions instead of
// crashing later on a waiter that reads its dead locals, and a condition that
// never holds fails the test instead of letting a cycle run into the time-out.
#include "program_fixture.h"

#include "core/globals.h"
#include "panels/QzanRMRivad.h"

#include <QElapsedTimer>

#include <gtest/gtest-spi.h>

#include <memory>
#include <string>

namespace {

// Alive as long as a waiter's functions are.
std::weak_ptr<int> g_probe;
bool g_bodyEnded = false;
int g_pollsAfterBody = 0;

class Waiter : public ProgramTest {
protected:
    void TearDown() override
    {
        ProgramTest::TearDown(); // lets events run
        EXPECT_TRUE(g_probe.expired()) << "a waiter's functions outlived the test";
        EXPECT_EQ(g_pollsAfterBody, 0) << "a waiter polled after the test's body";
        EXPECT_EQ(WaiterCount(), 0u);
        g_bodyEnded = false;
        g_pollsAfterBody = 0;
    }
};

TEST_F(Waiter, aConditionThatNeverComesEndsWithTheTest)
{
    auto probe = std::make_shared<int>(0);
    g_probe = probe;
    int polls = 0;
    When(
        [probe, &polls] {
            if (g_bodyEnded)
                ++g_pollsAfterBody; // `polls` is gone by then
            else
                ++polls;
            return false;
        },
        [] {});
    probe.reset();
    Spin(50);
    EXPECT_GT(polls, 0) << "it polls while the test runs";
    EXPECT_FALSE(g_probe.expired()) << "and holds its functions until then";
    g_bodyEnded = true;
}

TEST_F(Waiter, endingTheWaitersLetsNoneOfThemRunAgain)
{
    int polls = 0, actions = 0;
    When([&] { return ++polls > 1000000; }, [&] { ++actions; });
    When([] { return true; }, [&] { ++actions; });
    Spin(30);
    EXPECT_EQ(actions, 1);
    EXPECT_EQ(WaiterCount(), 2u) << "a fired waiter stays until the end";
    EndWaiters();
    const int pollsAtEnd = polls;
    Spin(30);
    EXPECT_EQ(polls, pollsAtEnd);
    EXPECT_EQ(WaiterCount(), 0u);
}

TEST_F(Waiter, aConditionThatNeverHoldsFailsTheTestAndEndsTheCycle)
{
    ASSERT_TRUE(StartSim({"--baud", "0"}));
    StartProgram();
    ::testing::TestPartResultArray failures;
    qint64 elapsed = 0;
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD,
            &failures);
        When([] { return false; }, [] {}, 300);
        QElapsedTimer clock;
        clock.start();
        Click(panelHandle, PANEL_BTNRun); // only Stop or the waiter ends the cycle
        elapsed = clock.elapsed();
    }
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures.GetTestPartResult(0).nonfatally_failed());
    EXPECT_NE(std::string(failures.GetTestPartResult(0).message()).find("did not hold within 300 ms"),
              std::string::npos)
        << failures.GetTestPartResult(0).message();
    EXPECT_EQ(stop_flag, 1);
    EXPECT_LT(elapsed, 10000);
}

} // namespace
