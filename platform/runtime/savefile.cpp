// Opening a file for a save that replaces it whole, and the array files'
// use of it.
#include "platform/runtime/savefile.h"

#include "platform/runtime/replacefile.h"
#include "platform/ui.h"

#include <QFile>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace rt {

bool OpenToReplace(QSaveFile &file, QIODevice::OpenMode mode)
{
    file.setDirectWriteFallback(true);
    // Unbuffered: QSaveFile (Qt 6.4) misses a failure of the flush that its
    // commit does, and would then put a short or empty file in place of the
    // old one on a full disk. Each write reports its own failure instead.
    if (!file.open(mode | QIODevice::Unbuffered))
        return false;
#ifdef Q_OS_UNIX
    // The file written aside belongs to whoever saves. A file kept with its
    // group (a lab's shared folder) or, saved by root, with its owner stays
    // readable by those who read it before. stat() follows a link, as the
    // save does.
    struct stat old;
    const int fd = file.handle();
    if (fd >= 0 && ::stat(QFile::encodeName(file.fileName()).constData(), &old) == 0) {
        const uid_t sameOwner = static_cast<uid_t>(-1);
        if (::fchown(fd, old.st_uid, old.st_gid) != 0 && ::fchown(fd, sameOwner, old.st_gid) != 0) {
            // Not a member of that group: ours, as on any new file.
        }
    }
#endif
    return true;
}

int ReplaceFile(const char *path, const char *data, std::size_t size)
{
    QSaveFile out(QFile::decodeName(path));
    if (!OpenToReplace(out))
        return AFE_OPEN;
    qint64 done = 0;
    const auto total = static_cast<qint64>(size);
    while (done < total) {
        const qint64 put = out.write(data + done, total - done);
        if (put <= 0) {
            out.cancelWriting();
            return AFE_WRITE;
        }
        done += put;
    }
    return out.commit() ? 0 : AFE_WRITE;
}

} // namespace rt
