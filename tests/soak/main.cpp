// The soak test's entry: `--long` runs the long form, as QZAN_SOAK_LONG=1 does.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

int main(int argc, char **argv)
{
    std::vector<char *> args;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::strcmp(argv[i], "--long") == 0)
            setenv("QZAN_SOAK_LONG", "1", 1);
        else
            args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    ::testing::InitGoogleTest(&count, args.data());
    return RUN_ALL_TESTS();
}
