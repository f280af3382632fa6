// Backup files: both parameter sets of a sensor (RAM and EEPROM) with each
// word's name, when and from which port they were read and by which program,
// as a JSON text. Also the one place that reads "a set" from a file the
// operator names: a backup or the sixteen-line parameter file, each read
// strictly, so that nothing reaches a sensor from a file that is not whole.
// Plain C++ to its callers; Qt Core inside.
#ifndef CORE_BACKUP_BACKUP_H
#define CORE_BACKUP_BACKUP_H

#include "core/protocol/frame.h"

#include <string>
#include <string_view>

namespace qzan::backup {

using protocol::Words;

// The value of the "format" member that marks a backup file, and the layout
// version this code writes and reads.
inline constexpr std::string_view kFormatName = "qzan-parameter-backup";
inline constexpr int kFormatVersion = 1;

struct Backup {
    Words ram{};
    Words eeprom{};
    std::string time;    // when the sets were read: ISO 8601, UTC ("2024-05-17T09:30:00Z")
    int port = 0;        // the port number they were read from (0: unknown)
    std::string device;  // the device that number reached (may be empty)
    std::string program; // the program and its version that read them
};

// The file's text: the members in a fixed order, the words of each set in
// record order, one a line, so that two backups compare line by line.
std::string FormatBackup(const Backup &backup);

// Reads the text of a backup. Every word of both sets must be present under
// its name and be a whole number from 0 to 65535; an unknown name, a second
// copy of a name or a member of the wrong kind is refused too. On failure
// `error` says what and where (e.g. "eeprom.vThd: 70000 is not a 16-bit
// number"), without the file's name.
bool ParseBackup(std::string_view text, Backup &out, std::string &error);

// Whether `text` looks like a backup rather than a parameter file: its first
// character that is not white space is '{'.
bool LooksLikeBackup(std::string_view text);

// Reads a parameter file strictly: sixteen whole numbers from 0 to 65535, one
// a line, blank lines skipped, nothing else. The program's own reader keeps
// the low 16 bits of a bigger number; here such a file is refused, naming
// the line. `error` as for ParseBackup.
bool ParseStrictParameterFile(std::string_view text, Words &out, std::string &error);

// Which set of a backup a caller wants when it reads a single set.
enum class Memory { Ram, Eeprom };

struct SetFile {
    bool ok = false;
    std::string error; // "FILE: what and where" when not ok
    Words words{};
    bool wasBackup = false; // the file was a backup (else a parameter file)
    Backup backup;          // when it was
};

// Reads the file at `path`: a backup (the set `memory` of it) or a parameter
// file. Files longer than a backup can be are refused unread.
SetFile ReadSetFile(const std::string &path, Memory memory);
// Reads the backup at `path`; a parameter file is refused.
SetFile ReadBackupFile(const std::string &path);

// Saves whole or not at all: the text goes beside the file and takes its
// place only once it is written completely. `error` as "FILE: reason".
bool WriteBackupFile(const std::string &path, const Backup &backup, std::string &error);
bool WriteParameterFile(const std::string &path, const Words &words, std::string &error);

// The present time as the backup records it.
std::string NowUtc();

} // namespace qzan::backup

#endif
