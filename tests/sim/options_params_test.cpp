// Command-line options and the EEPROM file: accepted forms, ranges, and the
// clear message a bad value gets.
#include "options.h"
#include "params.h"

#include "files.h"

#include <gtest/gtest.h>

#include <fstream>

namespace qzan::sim {
namespace {

OptionsResult parse(std::vector<std::string_view> args)
{
    return parseOptions(args);
}

TEST(Options, linkWithDefaults)
{
    auto r = parse({"--link", "/tmp/x"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.options.link, "/tmp/x");
    EXPECT_EQ(r.options.baud, 19200u);
    EXPECT_FALSE(r.options.turnaroundMs.has_value());
    EXPECT_EQ(r.options.scene.seed, 1u);
    EXPECT_FALSE(r.options.faults.drop.active());
}

TEST(Options, valuesAfterEqualsSignOrAsNextArgument)
{
    auto r = parse({"--device=/dev/ttyUSB0", "--baud=0", "--turnaround-ms", "0.25", "--edges",
                    "100.5,300", "--drop-rate=0.1", "--fault-cmds", "7,8", "--seed", "42",
                    "--no-object", "--wrong-echo"});
    ASSERT_TRUE(r.ok) << r.error;
    const Options &o = r.options;
    EXPECT_EQ(o.device, "/dev/ttyUSB0");
    EXPECT_EQ(o.baud, 0u);
    EXPECT_DOUBLE_EQ(*o.turnaroundMs, 0.25);
    EXPECT_DOUBLE_EQ(o.scene.edgeLeft, 100.5);
    EXPECT_DOUBLE_EQ(o.faults.drop.rate, 0.1);
    EXPECT_TRUE(o.faults.commands.test(7));
    EXPECT_FALSE(o.faults.commands.test(2));
    EXPECT_EQ(o.scene.seed, 42u);
    EXPECT_FALSE(o.scene.object);
    EXPECT_EQ(o.faults.wrongEcho.every, 1u);
}

TEST(Options, badValuesAreNamedInTheMessage)
{
    struct Case {
        std::vector<std::string_view> args;
        std::string_view needle;
    } cases[] = {
        {{"--link", "/tmp/x", "--baud", "fast"}, "--baud: 'fast'"},
        {{"--link", "/tmp/x", "--baud", "-1"}, "--baud"},
        {{"--link", "/tmp/x", "--drop-rate", "1.5"}, "--drop-rate"},
        {{"--link", "/tmp/x", "--edges", "600,420"}, "--edges"},
        {{"--link", "/tmp/x", "--fault-cmds", "7,10"}, "'10'"},
        {{"--link", "/tmp/x", "--params", "1,2,3"}, "16"},
        {{"--link", "/tmp/x", "--frobnicate"}, "unknown option '--frobnicate'"},
        {{"--link"}, "--link: needs a value"},
        {{"--link", "/tmp/x", "--silent=1"}, "takes no value"},
        {{}, "exactly one of --link"},
        {{"--link", "/tmp/x", "--device", "/dev/ttyS0"}, "exactly one of --link"},
        {{"--link", "/tmp/x", "--turnaround-ms", "1e3"}, "--turnaround-ms"},
        {{"--link", "/tmp/x", "--replay-speed", "2"}, "need --replay FILE"},
        {{"--link", "/tmp/x", "--replay", "r.csv", "--replay-speed", "-1"}, "--replay-speed"},
    };
    for (const auto &c : cases) {
        auto r = parse(c.args);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error.find(c.needle), std::string::npos) << r.error;
    }
}

TEST(Options, helpNeedsNoPort)
{
    auto r = parse({"--help"});
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.options.help);
    EXPECT_NE(usageText().find("--disconnect-after"), std::string::npos);
}

TEST(ParamFile, savedSetLoadsBack)
{
    test::TempDir dir;
    std::string path = dir.file("eeprom.dat");
    std::string error;
    Words w = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 65535};
    ASSERT_TRUE(saveParamFile(path, w, error)) << error;
    EXPECT_EQ(test::ReadFile(path).substr(0, 6), "1\n2\n3\n");
    Words back{};
    EXPECT_EQ(loadParamFile(path, back, error), ParamFileStatus::kLoaded);
    EXPECT_EQ(back, w);
}

TEST(ParamFile, missingAndMalformedFilesAreToldApart)
{
    test::TempDir dir;
    Words w{};
    std::string error;
    EXPECT_EQ(loadParamFile(dir.file("none.dat"), w, error), ParamFileStatus::kMissing);

    std::string crlf = dir.file("crlf.dat");
    std::ofstream(crlf) << "650\r\n0\r\n480\r\n40\r\n0\r\n0\r\n150\r\n850\r\n400\r\n60\r\n"
                           "1\r\n1\r\n0\r\n300\r\n0\r\n1000\r\n\r\n";
    EXPECT_EQ(loadParamFile(crlf, w, error), ParamFileStatus::kLoaded) << error;
    EXPECT_EQ(w, defaultParams());

    for (const char *text : {"1\n2\n", "x\n", "70000\n", "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n"
                                                         "12\n13\n14\n15\n16\n17\n"}) {
        std::string bad = dir.file("bad.dat");
        std::ofstream(bad, std::ios::trunc) << text;
        EXPECT_EQ(loadParamFile(bad, w, error), ParamFileStatus::kInvalid) << text;
        EXPECT_NE(error.find("bad.dat"), std::string::npos);
    }
}

TEST(ParamFile, wordListParses)
{
    Words w{};
    std::string error;
    EXPECT_TRUE(parseWordList("500,0,512,64,1,1,200,800,512,100,1,1,0,1,0,1000", w, error));
    EXPECT_EQ(w[2], 512);
    EXPECT_FALSE(parseWordList("500,0,512,64,1,1,200,800,512,100,1,1,0,1,0,", w, error));
    EXPECT_FALSE(parseWordList("500,0,512,64,1,1,200,800,512,100,1,1,0,1,0,65536", w, error));
}

} // namespace
} // namespace qzan::sim
