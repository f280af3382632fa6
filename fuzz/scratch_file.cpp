// An anonymous in-memory file (a temporary file where memfd_create is
// missing), reached by path through /proc/self/fd.
#include "fuzz/scratch_file.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace fuzzh {
namespace {

// Every name the harnesses use inside the scratch folder.
const char *const kScratchNames[] = {"input.dat", "round.dat", "round.dat.part"};

std::string g_folder;
bool g_folderMade = false;

void RemoveAtExit() { RemoveScratchFolder(); }

int ScratchDescriptor(std::string &path)
{
    static int fd = -1;
    static std::string where;
    if (fd < 0) {
        fd = memfd_create("qzan-fuzz-input", MFD_CLOEXEC);
        if (fd >= 0) {
            where = "/proc/self/fd/" + std::to_string(fd);
        } else if (!ScratchFolder().empty()) {
            where = ScratchFolder() + "/input.dat";
            fd = open(where.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        }
    }
    path = where;
    return fd;
}

} // namespace

std::string PutScratchFile(const std::uint8_t *data, std::size_t size)
{
    std::string path;
    const int fd = ScratchDescriptor(path);
    if (fd < 0 || ftruncate(fd, 0) != 0)
        return {};
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0)
            return {};
        done += static_cast<std::size_t>(n);
    }
    return path;
}

const std::string &ScratchFolder()
{
    if (!g_folderMade) {
        g_folderMade = true;
        const char *tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/qzan-fuzz-XXXXXX";
        if (mkdtemp(pattern.data())) {
            g_folder = pattern;
            std::atexit(RemoveAtExit);
        }
    }
    return g_folder;
}

void RemoveScratchFolder()
{
    if (g_folder.empty())
        return;
    for (const char *name : kScratchNames)
        std::remove((g_folder + "/" + name).c_str());
    rmdir(g_folder.c_str());
    g_folder.clear();
}

bool ReadWholeFile(const std::string &path, std::string &contents)
{
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    contents.clear();
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        contents.append(buffer, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

} // namespace fuzzh
