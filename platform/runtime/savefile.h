// Opening a file for a save that replaces it whole: the one way every file
// the operator asks for (parameter file, graph export) is written.
#ifndef PLATFORM_RUNTIME_SAVEFILE_H
#define PLATFORM_RUNTIME_SAVEFILE_H

#include <QIODevice>

class QSaveFile;

namespace rt {

// Opens `file` (named already) for writing, unbuffered: a write that
// returns less than it was given has failed. QSaveFile writes beside the
// file and puts the result in its place only at commit, so a full disk or
// a killed program never leaves half a file; it follows a symbolic link to
// its target and gives the new file the old one's permissions, and on
// Windows it replaces an existing file atomically. Here it also writes in
// place where the folder refuses new files but the file may be written
// (there alone a full disk can still cut the file short), and the new file
// keeps the old one's owner and group as far as the system lets us.
bool OpenToReplace(QSaveFile &file, QIODevice::OpenMode mode = QIODevice::WriteOnly);

} // namespace rt

#endif
