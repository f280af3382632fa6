// A fixture that starts the program's modules as WinMain does (run-time,
// both real panels under the offscreen platform, InitVars, InitRS232) against
// a simulator on a pseudo-terminal, and drives the real widgets.
#ifndef TESTS_PROGRAM_FIXTURE_H
#define TESTS_PROGRAM_FIXTURE_H

#include "sim_process.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

using qzan::test::SimLogLine;
using qzan::test::SimProcess;

class ProgramTest : public ::testing::Test {
protected:
    ProgramTest();
    ~ProgramTest() override; // where a waiter is a whole type
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Starts the simulator on COM1's link; false if it would not start.
    bool StartSim(const std::vector<std::string> &options = {});
    // Loads the panels and runs InitVars and InitRS232, as start-up does;
    // shows the main panel.
    void StartProgram();
    // Replaces the simulator by a silent one and re-opens the port on it.
    void SilenceSensor();
    void StopProgram();

    // Event loop helpers.
    static bool WaitUntil(const std::function<bool()> &done, int timeoutMs);
    static void Spin(int ms);
    // Runs `action` once `when` holds (checked every few ms from the event
    // loop), so that a test can act while a callback's loop runs. The
    // waiter belongs to the test: it ends with it, its timer and both
    // functions destroyed before TearDown lets any event run, so nothing of
    // it runs once the test's locals are gone. When `when` has not held
    // within `limitMs` the test fails there, the waiter ends and a running
    // cycle or data read is stopped as Stop stops it, so that the test ends
    // with that failure instead of running into its time-out.
    void When(const std::function<bool()> &when, const std::function<void()> &action,
              int limitMs = kWhenLimitMs);
    // Ends every waiter now (TearDown does it first).
    void EndWaiters();
    // Waiters not yet ended, fired or not.
    std::size_t WaiterCount() const { return waiters_.size(); }
    static constexpr int kWhenLimitMs = 30000;

    // Real widget input.
    QWidget *Widget(int panel, int control) const;
    void Click(int panel, int control);        // press and release
    void Press(int panel, int control);
    void Release(int panel, int control);
    void PressKey(int panel, int control, int key);
    void ChooseItem(int panel, int control, int index); // keyboard path of a drop-down
    void TypeNumber(int panel, int control, double value);

    std::string Status() const;
    bool Dimmed(int panel, int control) const;
    int IntValue(int panel, int control) const;

    std::string TempPath(const std::string &name) const;

    SimProcess sim_;
    std::string dir_, link_, log_;
    bool programStarted_ = false;

private:
    struct Waiter;
    std::vector<std::unique_ptr<Waiter>> waiters_;
};

#endif
