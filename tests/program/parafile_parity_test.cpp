// The parameter file of the protocol core and the run-time's array files
// write the same bytes and accept the same texts: a file saved by an older
// build loads in this one and the other way round.
#include "core/protocol/parafile.h"
#include "platform/ui.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
namespace pr = qzan::protocol;

class ParaFileParity : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("qzan-parity-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string &content) const
    {
        const std::string path = (dir_ / "p.dat").string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    fs::path dir_;
};

pr::ParaFileError Expected(int arrayFileResult)
{
    switch (arrayFileResult) {
    case 0: return pr::ParaFileError::None;
    case AFE_TOO_FEW: return pr::ParaFileError::TooShort;
    case AFE_BAD_NUMBER: return pr::ParaFileError::NotNumbers;
    case AFE_OPEN: return pr::ParaFileError::CannotOpen;
    default: return pr::ParaFileError::CannotRead;
    }
}

TEST_F(ParaFileParity, bothWritersGiveTheSameBytes)
{
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        pr::Words words{};
        unsigned int values[16];
        for (int i = 0; i < 16; ++i) {
            // Every width from one digit to five.
            const unsigned limit = round % 5 == 0 ? 10u : round % 5 == 1 ? 1000u : 65536u;
            words[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(random() % limit);
            values[i] = words[static_cast<std::size_t>(i)];
        }
        const std::string path = (dir_ / "w.dat").string();
        ASSERT_EQ(ArrayToFile(path.c_str(), values, TYPE_U32, 16, 1, GROUPS_IN_COLUMNS,
                              FIELD_CONSTANT_WIDTH, 4, FILE_ASCII),
                  0);
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        EXPECT_EQ(s.str(), pr::FormatParameterFile(words)) << "round " << round;
    }
}

TEST_F(ParaFileParity, bothReadersAgreeOnEveryText)
{
    // Texts from an alphabet that reaches every rule: digits, signs, blanks,
    // line ends, NUL, letters, runs long enough to pass the line limit.
    const char alphabet[] = {'0', '1', '5', '9', '\n', '\n', '\n', ' ', '\t', '\r',
                             '+', '-', '.', 'x', '\0', '4', '2', '6', '\n', '7'};
    std::mt19937 random(11);
    for (int round = 0; round < 600; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 140);
        for (int i = 0; i < length; ++i) {
            const char c = alphabet[random() % sizeof alphabet];
            // Mostly short numbers on lines of their own, now and then junk.
            if (round % 3 != 0 && (c == '\0' || c == 'x' || c == '.' || c == '-'))
                text += '\n';
            else
                text += c;
            if (round % 7 == 0 && i == length / 2)
                text += std::string(70, random() % 2 ? ' ' : '3');
        }
        const std::string path = Write(text);
        unsigned int values[16] = {};
        const int result =
            FileToArray(path.c_str(), values, TYPE_U32, 16, 1, GROUPS_IN_COLUMNS, FILE_ASCII);
        const pr::ParaFileRead read = pr::ParseParameterFile(text);
        ASSERT_EQ(read.error, Expected(result)) << "round " << round;
        if (result == 0) {
            for (int i = 0; i < 16; ++i)
                EXPECT_EQ(read.words[static_cast<std::size_t>(i)], values[i] & 0xFFFFu)
                    << "round " << round << " word " << i;
        }
    }
}

TEST_F(ParaFileParity, validFilesOfManyShapesAgree)
{
    std::mt19937_64 random(3);
    for (int round = 0; round < 200; ++round) {
        std::string text;
        const int numbers = 15 + static_cast<int>(random() % 4);
        for (int i = 0; i < numbers; ++i) {
            if (random() % 4 == 0)
                text += " \t\n";
            text += std::string(random() % 3, ' ');
            if (random() % 5 == 0)
                text += '+';
            text += std::to_string(random() % 5000000000ull);
            text += random() % 3 == 0 ? "\r\n" : "\n";
        }
        unsigned int values[16] = {};
        const int result = FileToArray(Write(text).c_str(), values, TYPE_U32, 16, 1,
                                       GROUPS_IN_COLUMNS, FILE_ASCII);
        const pr::ParaFileRead read = pr::ParseParameterFile(text);
        ASSERT_EQ(read.error, Expected(result)) << "round " << round << "\n" << text;
        if (result == 0) {
            for (int i = 0; i < 16; ++i)
                EXPECT_EQ(read.words[static_cast<std::size_t>(i)], values[i] & 0xFFFFu);
        }
    }
}

} // namespace
