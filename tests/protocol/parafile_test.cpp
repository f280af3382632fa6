// The parameter file's text: what is written, what is read back, and which
// files are refused with which error.
#include "core/protocol/parafile.h"

#include <gtest/gtest.h>

#include <string>

namespace {

namespace pr = qzan::protocol;
using pr::ParaFileError;

const pr::Words kStartSet = {500, 0, 512, 64, 1, 1, 200, 800, 512, 100, 1, 1, 0, 1, 0, 1000};

std::string Lines(int count, const char *line)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += line;
    return text;
}

TEST(ParameterFile, sixteenRightAlignedFieldsFourWide)
{
    EXPECT_EQ(pr::FormatParameterFile(kStartSet), " 500\n"
                                                  "   0\n"
                                                  " 512\n"
                                                  "  64\n"
                                                  "   1\n"
                                                  "   1\n"
                                                  " 200\n"
                                                  " 800\n"
                                                  " 512\n"
                                                  " 100\n"
                                                  "   1\n"
                                                  "   1\n"
                                                  "   0\n"
                                                  "   1\n"
                                                  "   0\n"
                                                  "1000\n");
    pr::Words wide{};
    wide.fill(65535);
    const std::string text = pr::FormatParameterFile(wide);
    EXPECT_EQ(text, Lines(16, "65535\n")) << "wider values take the room they need";
    EXPECT_EQ(text.size(), pr::PARAFILE_MAX_BYTES);
}

TEST(ParameterFile, aSmallBufferGetsWholeLinesOnly)
{
    char out[12];
    EXPECT_EQ(pr::FormatParameterFile(kStartSet, out, sizeof out), 10u);
    EXPECT_EQ(std::string(out, 10), " 500\n   0\n");
}

TEST(ParameterFile, whatIsWrittenIsReadBack)
{
    for (std::uint16_t fill : {0, 1, 9999, 10000, 65535}) {
        pr::Words words{};
        words.fill(fill);
        words[15] = 1000;
        const auto read = pr::ParseParameterFile(pr::FormatParameterFile(words));
        EXPECT_EQ(read.error, ParaFileError::None);
        EXPECT_EQ(read.words, words);
    }
}

TEST(ParameterFile, blanksAroundNumbersBlankLinesAndAPlusAreAccepted)
{
    std::string text = "\n  \t\n+7\r\n";
    text += Lines(14, "\t 12 \r\n");
    text += "99"; // the last line needs no line end
    const auto read = pr::ParseParameterFile(text);
    ASSERT_EQ(read.error, ParaFileError::None);
    EXPECT_EQ(read.words[0], 7);
    EXPECT_EQ(read.words[1], 12);
    EXPECT_EQ(read.words[15], 99);
}

TEST(ParameterFile, numbersKeepTheirLowSixteenBitsUpToTwoToTheThirtyTwo)
{
    auto read = pr::ParseParameterFile("4294967295\n65536\n70000\n" + Lines(13, "1\n"));
    ASSERT_EQ(read.error, ParaFileError::None);
    EXPECT_EQ(read.words[0], 0xFFFF);
    EXPECT_EQ(read.words[1], 0);
    EXPECT_EQ(read.words[2], 70000 & 0xFFFF);
    read = pr::ParseParameterFile("4294967296\n" + Lines(15, "1\n"));
    EXPECT_EQ(read.error, ParaFileError::NotNumbers);
}

TEST(ParameterFile, numbersAfterTheSixteenthAreNotRead)
{
    const auto read = pr::ParseParameterFile(Lines(16, "3\n") + "17\nnot a number\n");
    ASSERT_EQ(read.error, ParaFileError::None);
    EXPECT_EQ(read.words[15], 3);
}

TEST(ParameterFile, refusedFilesSayWhy)
{
    const struct {
        const char *what;
        std::string text;
        ParaFileError error;
    } cases[] = {
        {"empty", "", ParaFileError::TooShort},
        {"fifteen numbers", Lines(15, "5\n"), ParaFileError::TooShort},
        {"words", "this is\nnot a set\n", ParaFileError::NotNumbers},
        {"a minus", "-1\n" + Lines(15, "5\n"), ParaFileError::NotNumbers},
        {"a minus zero", "-0\n" + Lines(15, "5\n"), ParaFileError::NotNumbers},
        {"two numbers on a line", "1 2\n" + Lines(15, "5\n"), ParaFileError::NotNumbers},
        {"a decimal point", "1.0\n" + Lines(15, "5\n"), ParaFileError::NotNumbers},
        {"a lone plus", "+\n" + Lines(15, "5\n"), ParaFileError::NotNumbers},
        {"a binary file", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
         ParaFileError::NotNumbers},
        {"a line of 300 digits", std::string(300, '9') + "\n", ParaFileError::NotNumbers},
        {"a NUL in the line after the sixteenth", Lines(16, "5\n") + std::string("1\0", 2),
         ParaFileError::NotNumbers},
        {"an overlong line after the sixteenth", Lines(16, "5\n") + std::string(65, ' ') + "\n",
         ParaFileError::NotNumbers},
    };
    for (const auto &c : cases) {
        const auto read = pr::ParseParameterFile(c.text);
        EXPECT_EQ(read.error, c.error) << c.what;
        EXPECT_EQ(read.words, pr::Words{}) << c.what << ": no half-read set";
    }
}

TEST(ParameterFile, sixtyFourCharactersAreStillALine)
{
    std::string line(60, ' ');
    line += "1234\n";
    EXPECT_EQ(pr::ParseParameterFile(Lines(16, line.c_str())).words[0], 1234);
    line.insert(0, " ");
    EXPECT_EQ(pr::ParseParameterFile(Lines(16, line.c_str())).error, ParaFileError::NotNumbers);
}

TEST(ParameterFile, theReaderStopsTakingBytesOnceItKnows)
{
    pr::ParaFileReader reader;
    const std::string text = Lines(16, "2\n") + "3\n";
    std::size_t taken = 0;
    while (taken < text.size() && reader.Put(text[taken]))
        ++taken;
    EXPECT_EQ(taken, text.size() - 1) << "the seventeenth number's line end decides";
    EXPECT_FALSE(reader.Put('x'));
    EXPECT_EQ(reader.Finish().error, ParaFileError::None);

    pr::ParaFileReader binary;
    EXPECT_TRUE(binary.Put('1'));
    EXPECT_FALSE(binary.Put('\0'));
    EXPECT_EQ(binary.Finish().error, ParaFileError::NotNumbers);
}

TEST(ParameterFile, aReadThatFailsIsReportedUnlessTheTextWasBadAlready)
{
    pr::ParaFileReader reader;
    for (char c : Lines(16, "1\n"))
        reader.Put(c);
    EXPECT_EQ(reader.Finish(true).error, ParaFileError::CannotRead);

    pr::ParaFileReader bad;
    for (char c : std::string("x\n"))
        bad.Put(c);
    EXPECT_EQ(bad.Finish(true).error, ParaFileError::NotNumbers);
}

} // namespace
