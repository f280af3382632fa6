// Backup files and the strict reading of a single set: what is written comes
// back word for word, and a file that is not whole, not a number where a
// word belongs or names an unknown word is refused with the place named.
#include "core/backup/backup.h"
#include "core/protocol/parafile.h"

#include "files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

using qzan::backup::Backup;
using qzan::backup::Memory;
using qzan::backup::Words;

Words Distinct(std::uint16_t base)
{
    Words w{};
    for (std::size_t i = 0; i < w.size(); ++i)
        w[i] = static_cast<std::uint16_t>(base + 7 * i);
    return w;
}

Backup Sample()
{
    Backup b;
    b.ram = Distinct(100);
    b.ram[0] = 0;
    b.ram[15] = 65535;
    b.eeprom = Distinct(900);
    b.time = "2024-05-17T09:30:00Z";
    b.port = 3;
    b.device = "/tmp/odd \"name\"\\ü";
    b.program = "qzan 1.0";
    return b;
}

void Write(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReplaceOnce(std::string text, const std::string &from, const std::string &to)
{
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

std::string ParseError(const std::string &text)
{
    Backup b;
    std::string error;
    EXPECT_FALSE(qzan::backup::ParseBackup(text, b, error)) << text;
    return error;
}

TEST(Backup, WhatIsWrittenComesBackWordForWordWithItsDetails)
{
    const Backup b = Sample();
    Backup back;
    std::string error;
    ASSERT_TRUE(qzan::backup::ParseBackup(qzan::backup::FormatBackup(b), back, error)) << error;
    EXPECT_EQ(back.ram, b.ram);
    EXPECT_EQ(back.eeprom, b.eeprom);
    EXPECT_EQ(back.time, b.time);
    EXPECT_EQ(back.port, b.port);
    EXPECT_EQ(back.device, b.device);
    EXPECT_EQ(back.program, b.program);
}

TEST(Backup, WordsAreNamedAndInRecordOrder)
{
    const std::string text = qzan::backup::FormatBackup(Sample());
    // The background value sits between threshold and polarity, as in the record.
    const auto vThd = text.find("\"vThd\": 114");
    const auto bVal = text.find("\"bVal\": 121");
    const auto polarity = text.find("\"polarity\": 128");
    ASSERT_NE(vThd, std::string::npos) << text;
    EXPECT_LT(vThd, bVal);
    EXPECT_LT(bVal, polarity);
    EXPECT_NE(text.find("\"para15\": 65535"), std::string::npos);
    EXPECT_LT(text.find("\"ram\""), text.find("\"eeprom\""));
}

TEST(Backup, EveryWordMustBeThereAndASixteenBitNumber)
{
    const std::string good = qzan::backup::FormatBackup(Sample());
    EXPECT_EQ(ParseError(ReplaceOnce(good, "\"eMode\": 135,\n", "")), "ram.eMode is missing");
    const std::string eeprom = good.substr(good.find("\"eeprom\""));
    const std::string head = good.substr(0, good.find("\"eeprom\""));
    EXPECT_EQ(ParseError(head + ReplaceOnce(eeprom, "\"vThd\": 914", "\"vThd\": 65536")),
              "eeprom.vThd: 65536 is not a 16-bit number (0 to 65535)");
    EXPECT_EQ(ParseError(head + ReplaceOnce(eeprom, "\"vThd\": 914", "\"vThd\": -1")),
              "eeprom.vThd: -1 is not a 16-bit number (0 to 65535)");
    EXPECT_EQ(ParseError(ReplaceOnce(good, "\"power\": 0", "\"power\": 1.5")),
              "ram.power: 1.5 is not a 16-bit number (0 to 65535)");
    EXPECT_EQ(ParseError(ReplaceOnce(good, "\"power\": 0", "\"power\": \"500\"")),
              "ram.power: \"500\" is not a 16-bit number (0 to 65535)");
    EXPECT_EQ(ParseError(ReplaceOnce(good, "\"power\": 0", "\"powr\": 0")),
              "ram: \"powr\" is no parameter name");
    EXPECT_EQ(ParseError(ReplaceOnce(good, "\"eeprom\"", "\"flash\"")),
              "the set \"eeprom\" is missing");
    EXPECT_EQ(ParseError(ReplaceOnce(good, "\"port\": 3", "\"port\": 300")),
              "port: 300 is not a port number (0 to 255)");
    EXPECT_EQ(ParseError(ReplaceOnce(good, "\"version\": 1", "\"version\": 2")),
              "version: 2 is not a backup version this program reads (1)");
    EXPECT_EQ(ParseError("{\"ram\": {}, \"eeprom\": {}}"),
              "not a backup (no \"format\": \"qzan-parameter-backup\")");
}

TEST(Backup, AFileCutShortAnywhereIsRefused)
{
    const std::string good = qzan::backup::FormatBackup(Sample());
    for (std::size_t cut = 0; cut + 2 < good.size(); cut += 5) {
        Backup b;
        std::string error;
        EXPECT_FALSE(qzan::backup::ParseBackup(good.substr(0, cut), b, error)) << cut;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_NE(ParseError(good.substr(0, good.size() / 2)).find("line "), std::string::npos);
}

TEST(StrictParameterFile, TakesWhatTheProgramWritesAndNamesTheBadLine)
{
    const Words w = Distinct(1000);
    Words read{};
    std::string error;
    ASSERT_TRUE(qzan::backup::ParseStrictParameterFile(qzan::protocol::FormatParameterFile(w),
                                                       read, error))
        << error;
    EXPECT_EQ(read, w);

    std::string lines;
    for (int i = 0; i < 16; ++i)
        lines += (i == 2 ? std::string("70000") : std::to_string(i)) + "\r\n";
    EXPECT_FALSE(qzan::backup::ParseStrictParameterFile(lines, read, error));
    EXPECT_EQ(error, "line 3: 70000 is not a 16-bit number (0 to 65535)");

    EXPECT_FALSE(qzan::backup::ParseStrictParameterFile("1\n\n2\nx3\n", read, error));
    EXPECT_EQ(error, "line 4: \"x3\" is not a whole number");
    EXPECT_FALSE(
        qzan::backup::ParseStrictParameterFile("99999999999999999999999999\n", read, error));
    EXPECT_EQ(error.rfind("line 1: ", 0), 0u) << error;

    std::string fifteen, seventeen;
    for (int i = 0; i < 15; ++i)
        fifteen += "  12\n";
    seventeen = fifteen + "\n  12\n  12\n";
    EXPECT_FALSE(qzan::backup::ParseStrictParameterFile(fifteen, read, error));
    EXPECT_EQ(error, "holds 15 numbers, a parameter file sixteen (cut short?)");
    EXPECT_FALSE(qzan::backup::ParseStrictParameterFile(seventeen, read, error));
    EXPECT_EQ(error, "line 18: more than sixteen numbers");
    EXPECT_FALSE(qzan::backup::ParseStrictParameterFile(std::string(16, '\0'), read, error));
}

TEST(SetFile, ABackupGivesTheAskedSetAndAParameterFileItsOne)
{
    qzan::test::TempDir dir;
    const Backup b = Sample();
    std::string error;
    ASSERT_TRUE(qzan::backup::WriteBackupFile(dir.file("b.json"), b, error)) << error;
    auto ram = qzan::backup::ReadSetFile(dir.file("b.json"), Memory::Ram);
    auto eeprom = qzan::backup::ReadSetFile(dir.file("b.json"), Memory::Eeprom);
    ASSERT_TRUE(ram.ok && eeprom.ok) << ram.error << eeprom.error;
    EXPECT_TRUE(ram.wasBackup);
    EXPECT_EQ(ram.words, b.ram);
    EXPECT_EQ(eeprom.words, b.eeprom);

    ASSERT_TRUE(qzan::backup::WriteParameterFile(dir.file("p.dat"), b.eeprom, error)) << error;
    EXPECT_EQ(qzan::test::ReadFile(dir.file("p.dat")),
              qzan::protocol::FormatParameterFile(b.eeprom));
    auto para = qzan::backup::ReadSetFile(dir.file("p.dat"), Memory::Ram);
    ASSERT_TRUE(para.ok) << para.error;
    EXPECT_FALSE(para.wasBackup);
    EXPECT_EQ(para.words, b.eeprom);
    EXPECT_FALSE(qzan::backup::ReadBackupFile(dir.file("p.dat")).ok);
}

TEST(SetFile, ErrorsNameTheFile)
{
    qzan::test::TempDir dir;
    const auto missing = qzan::backup::ReadSetFile(dir.file("none.json"), Memory::Ram);
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error.rfind(dir.file("none.json") + ": ", 0), 0u) << missing.error;

    Write(dir.file("big"), std::string(70 * 1024, ' '));
    EXPECT_EQ(qzan::backup::ReadSetFile(dir.file("big"), Memory::Ram).error,
              dir.file("big") + ": longer than a backup or a parameter file can be");

    Write(dir.file("cut.json"), qzan::backup::FormatBackup(Sample()).substr(0, 300));
    const auto cut = qzan::backup::ReadSetFile(dir.file("cut.json"), Memory::Eeprom);
    EXPECT_FALSE(cut.ok);
    EXPECT_EQ(cut.error.rfind(dir.file("cut.json") + ": line ", 0), 0u) << cut.error;
}

TEST(SetFile, ASaveThatCannotBeMadeSaysWhereAndLeavesNoFile)
{
    qzan::test::TempDir dir;
    std::string error;
    EXPECT_FALSE(qzan::backup::WriteBackupFile(dir.file("no/such/dir.json"), Sample(), error));
    EXPECT_EQ(error.rfind(dir.file("no/such/dir.json") + ": ", 0), 0u) << error;
    EXPECT_FALSE(qzan::backup::WriteParameterFile(dir.path(), Sample().ram, error));
    EXPECT_EQ(error.rfind(dir.path() + ": ", 0), 0u) << error;
}

} // namespace
