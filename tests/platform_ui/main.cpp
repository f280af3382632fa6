// Test entry: starts the run-time offscreen and registers the recording
// callbacks and the program's control identifiers before the tests run.
#include "support.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    RunTimeInstance instance{argc, argv};
    if (!InitRunTime(&instance))
        return 1;
    RegisterTestCallbacks();
    return RUN_ALL_TESTS();
}
