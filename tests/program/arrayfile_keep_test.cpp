// Saving over an existing parameter file keeps the file what it was: a link
// keeps pointing where it did, mode, owner and group stay, a folder that
// refuses new files still takes the save, and every failure (a link into
// nowhere, a directory, a full file system, a killed program) leaves the old
// file whole.
#include "platform/ui.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr unsigned kNew[16] = {500, 0, 512, 64, 1, 1, 200, 800, 512, 100, 1, 1, 0, 1, 0, 1000};
constexpr unsigned kOther[16] = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
const std::string kNewText = " 500\n   0\n 512\n  64\n   1\n   1\n 200\n 800\n"
                             " 512\n 100\n   1\n   1\n   0\n   1\n   0\n1000\n";
const std::string kOld = "old contents\n";
constexpr uid_t kNobody = 65534;

int Save(const std::string &path, const unsigned *values = kNew)
{
    return ArrayToFile(path.c_str(), values, TYPE_U32, 16, 1, GROUPS_IN_COLUMNS,
                       FIELD_CONSTANT_WIDTH, 4, FILE_ASCII);
}

std::string Read(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class ArrayFileKeep : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("qzan-keep-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::permissions(dir_, fs::perms(0755));
    }
    void TearDown() override
    {
        if (mounted_)
            umount2(Path("tiny").c_str(), MNT_DETACH);
        std::error_code ignored;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(dir_, ignored);
    }
    std::string Path(const std::string &name) const { return (dir_ / name).string(); }
    std::string Old(const std::string &name) const
    {
        std::ofstream(Path(name), std::ios::binary) << kOld;
        return Path(name);
    }
    long Entries(const std::string &folder) const
    {
        return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
    }

    fs::path dir_;
    bool mounted_ = false;
};

TEST_F(ArrayFileKeep, aLinkKeepsPointingWhereItDidAndItsTargetGetsTheSave)
{
    Old("real.dat");
    fs::create_symlink("real.dat", Path("link.dat"));
    ASSERT_EQ(Save(Path("link.dat")), 0);
    EXPECT_EQ(fs::read_symlink(Path("link.dat")), fs::path("real.dat"));
    EXPECT_EQ(Read(Path("real.dat")), kNewText);
    EXPECT_EQ(Entries(dir_), 2);

    // A link whose target is gone, in a folder that is there: the save
    // makes the target, as writing through the link does.
    fs::create_symlink("later.dat", Path("dangling.dat"));
    ASSERT_EQ(Save(Path("dangling.dat")), 0);
    EXPECT_TRUE(fs::is_symlink(Path("dangling.dat")));
    EXPECT_EQ(Read(Path("later.dat")), kNewText);
}

TEST_F(ArrayFileKeep, theFileKeepsItsModeOwnerAndGroup)
{
    const std::string path = Old("shared.dat");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0);
    }
    struct stat before{}, after{};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    ASSERT_EQ(Save(path), 0);
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
}

TEST_F(ArrayFileKeep, aFolderThatRefusesNewFilesStillTakesTheSaveInPlace)
{
    // The operator may write the file but not create files beside it. Root
    // may create files anywhere, so a child process becomes nobody for it.
    const std::string path = Old("param.dat");
    struct stat before{}, after{};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    int result = 0;
    if (geteuid() == 0) {
        ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0);
        const pid_t pid = fork();
        if (pid == 0) {
            if (setgid(kNobody) != 0 || setuid(kNobody) != 0 || access(dir_.c_str(), W_OK) == 0)
                _exit(100); // could not become someone the folder refuses
            _exit(-Save(path));
        }
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_NE(WEXITSTATUS(status), 100);
        result = -WEXITSTATUS(status);
    } else {
        fs::permissions(dir_, fs::perms(0555));
        result = Save(path);
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Read(path), kNewText);
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "written in place";
}

TEST_F(ArrayFileKeep, whatCannotBeSavedLeavesEverythingAsItWas)
{
    // A link into a folder that is not there, and a directory as the path.
    fs::create_symlink("gone/away.dat", Path("nowhere.dat"));
    EXPECT_EQ(Save(Path("nowhere.dat")), AFE_OPEN);
    EXPECT_EQ(fs::read_symlink(Path("nowhere.dat")), fs::path("gone/away.dat"));
    fs::create_directories(Path("folder.dat/inside"));
    EXPECT_EQ(Save(Path("folder.dat")), AFE_OPEN);
    EXPECT_TRUE(fs::is_directory(Path("folder.dat/inside")));
    EXPECT_EQ(Entries(dir_), 2) << "no temporary file is left behind";

    // A full file system: the old file stays whole, no temporary is left.
    fs::create_directories(Path("tiny"));
    mounted_ = mount("tmpfs", Path("tiny").c_str(), "tmpfs", 0, "size=64k") == 0;
    if (!mounted_)
        GTEST_SKIP() << "mounting a small tmpfs needs root (CAP_SYS_ADMIN); not allowed here";
    const std::string path = Old("tiny/param.dat");
    std::ofstream fill(Path("tiny/fill"), std::ios::binary);
    for (int i = 0; i < 64 && fill; ++i)
        fill << std::string(4096, 'x') << std::flush;
    EXPECT_LT(Save(path), 0);
    EXPECT_EQ(Read(path), kOld);
    EXPECT_EQ(Entries(Path("tiny")), 2);
}

TEST_F(ArrayFileKeep, aProgramKilledWhileSavingLeavesTheOldOrTheNewFileNeverAPart)
{
    const std::string path = Path("param.dat");
    ASSERT_EQ(Save(path, kOther), 0);
    const std::string old = Read(path);
    for (int round = 0; round < 40; ++round) {
        const pid_t pid = fork();
        if (pid == 0) {
            for (;;) {
                Save(path, kNew);
                Save(path, kOther);
            }
        }
        usleep(static_cast<useconds_t>(200 + (round * 397) % 3000));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        const std::string now = Read(path);
        ASSERT_TRUE(now == old || now == kNewText) << "round " << round << ": [" << now << "]";
    }
}

} // namespace
