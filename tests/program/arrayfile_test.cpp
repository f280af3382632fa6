// Array files: the writer's format, round trips, and files that are not
// number files (garbage, too short, binary, empty, overlong lines), which
// leave the array untouched.
#include "platform/ui.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class ArrayFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("qzan-arrayfile-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const char *name) const { return (dir_ / name).string(); }
    std::string Write(const char *name, const std::string &content) const
    {
        std::ofstream(Path(name), std::ios::binary) << content;
        return Path(name);
    }
    static std::string Read(const std::string &path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path dir_;
};

const unsigned int kStartSet[16] = {500, 0, 512, 64, 1, 1, 200, 800,
                                    512, 100, 1, 1, 0, 1, 0, 1000};

int Load(const std::string &path, unsigned int *out)
{
    return FileToArray(path.c_str(), out, TYPE_U32, 16, 1, GROUPS_IN_COLUMNS, FILE_ASCII);
}

TEST_F(ArrayFile, writesOneRightAlignedFourCharacterFieldPerLine)
{
    const std::string path = Path("set.dat");
    ASSERT_EQ(ArrayToFile(path.c_str(), kStartSet, TYPE_U32, 16, 1, GROUPS_IN_COLUMNS,
                          FIELD_CONSTANT_WIDTH, 4, FILE_ASCII),
              0);
    EXPECT_EQ(Read(path), " 500\n   0\n 512\n  64\n   1\n   1\n 200\n 800\n"
                          " 512\n 100\n   1\n   1\n   0\n   1\n   0\n1000\n");
}

TEST_F(ArrayFile, whatTheWriterWritesTheReaderReadsBack)
{
    unsigned int values[16];
    for (int i = 0; i < 16; ++i)
        values[i] = i == 3 ? 4294967295u : static_cast<unsigned int>(i * 12345);
    const std::string path = Path("wide.dat");
    ASSERT_EQ(ArrayToFile(path.c_str(), values, TYPE_U32, 16, 1, GROUPS_IN_COLUMNS,
                          FIELD_CONSTANT_WIDTH, 4, FILE_ASCII),
              0);
    unsigned int back[16] = {};
    ASSERT_EQ(Load(path, back), 0);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(back[i], values[i]);
}

TEST_F(ArrayFile, readerAcceptsWindowsLineEndsBlankLinesAndExtraNumbers)
{
    std::string text = "\r\n";
    for (unsigned int v : kStartSet)
        text += "  " + std::to_string(v) + "\r\n\r\n";
    text += "77\n"; // a seventeenth number is not asked for
    unsigned int back[16] = {};
    ASSERT_EQ(Load(Write("crlf.dat", text), back), 0);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(back[i], kStartSet[i]);
}

TEST_F(ArrayFile, sixteenBitArraysKeepTheLowBitsOfEachNumber)
{
    std::string text;
    for (int i = 0; i < 16; ++i)
        text += i == 0 ? "70000\n" : "1\n";
    unsigned short back[16] = {};
    ASSERT_EQ(FileToArray(Write("big.dat", text).c_str(), back, TYPE_U16, 16, 1,
                          GROUPS_IN_COLUMNS, FILE_ASCII),
              0);
    EXPECT_EQ(back[0], 4464);
}

TEST_F(ArrayFile, damagedFilesAreRefusedAndLeaveTheArrayUntouched)
{
    std::string fifteen;
    for (int i = 0; i < 15; ++i)
        fifteen += "1\n";
    const struct {
        const char *name;
        std::string content;
        int code;
    } cases[] = {
        {"garbage.dat", "hello\nworld\n", AFE_BAD_NUMBER},
        {"fifteen.dat", fifteen, AFE_TOO_FEW},
        {"binary.dat", std::string("\x7f" "ELF\0\0\x01\x02", 8) + "500\n", AFE_BAD_NUMBER},
        {"empty.dat", "", AFE_TOO_FEW},
        {"overlong.dat", std::string(5000, '7') + "\n", AFE_BAD_NUMBER},
        {"negative.dat", "-1\n", AFE_BAD_NUMBER},
        {"toolarge.dat", "4294967296\n", AFE_BAD_NUMBER},
        {"decimal.dat", "1.5\n", AFE_BAD_NUMBER},
        {"twonumbers.dat", "1 2\n", AFE_BAD_NUMBER},
    };
    for (const auto &c : cases) {
        unsigned int values[16];
        for (unsigned int &v : values)
            v = 4242;
        EXPECT_EQ(Load(Write(c.name, c.content), values), c.code) << c.name;
        for (unsigned int v : values)
            ASSERT_EQ(v, 4242u) << c.name;
    }
    unsigned int values[16];
    EXPECT_EQ(Load(Path("missing.dat"), values), AFE_OPEN);
    EXPECT_EQ(Load(dir_.string(), values), AFE_READ) << "a directory is no file";
}

TEST_F(ArrayFile, aFileThatCannotBeWrittenSaysSoAndKeepsTheOldOne)
{
    const std::string path = Write("keep.dat", "old\n");
    const std::string inMissingDir = Path("no/such/dir/set.dat");
    EXPECT_EQ(ArrayToFile(inMissingDir.c_str(), kStartSet, TYPE_U32, 16, 1, GROUPS_IN_COLUMNS,
                          FIELD_CONSTANT_WIDTH, 4, FILE_ASCII),
              AFE_OPEN);
    EXPECT_EQ(Read(path), "old\n");
    // A target that is a directory cannot be replaced: it is refused before
    // anything is written, and no temporary file is left beside it.
    const std::string asDir = Path("adir");
    fs::create_directories(asDir);
    EXPECT_EQ(ArrayToFile(asDir.c_str(), kStartSet, TYPE_U32, 16, 1, GROUPS_IN_COLUMNS,
                          FIELD_CONSTANT_WIDTH, 4, FILE_ASCII),
              AFE_OPEN);
    EXPECT_TRUE(fs::is_directory(asDir));
    int entries = 0;
    for (const auto &e : fs::directory_iterator(dir_))
        entries += e.path().filename() == "keep.dat" || e.path().filename() == "adir" ? 0 : 1;
    EXPECT_EQ(entries, 0);
}

TEST_F(ArrayFile, badArgumentsAreRefused)
{
    unsigned int values[16] = {};
    const std::string path = Path("x.dat");
    EXPECT_EQ(ArrayToFile(path.c_str(), values, 99, 16, 1, GROUPS_IN_COLUMNS,
                          FIELD_CONSTANT_WIDTH, 4, FILE_ASCII),
              AFE_ARGUMENT);
    EXPECT_EQ(ArrayToFile(nullptr, values, TYPE_U32, 16, 1, GROUPS_IN_COLUMNS,
                          FIELD_CONSTANT_WIDTH, 4, FILE_ASCII),
              AFE_ARGUMENT);
    EXPECT_EQ(FileToArray(path.c_str(), values, TYPE_U32, 0, 1, GROUPS_IN_COLUMNS, FILE_ASCII),
              AFE_ARGUMENT);
    EXPECT_EQ(FileToArray(path.c_str(), nullptr, TYPE_U32, 16, 1, GROUPS_IN_COLUMNS, FILE_ASCII),
              AFE_ARGUMENT);
}

} // namespace
