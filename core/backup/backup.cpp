// Backup files and strict reading of single sets, on Qt Core's JSON reader
// and its saves that replace a file whole.
#include "core/backup/backup.h"

#include "core/protocol/parafile.h"
#include "core/protocol/record.h"
#include "platform/runtime/savefile.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QSaveFile>

#include <cmath>
#include <cstdio>

namespace qzan::backup {

namespace {

using protocol::kParameters;
using protocol::PNUM;

// A backup is under 2 KiB; anything much longer is no backup and no
// parameter file, and is not read whole.
constexpr qint64 kMaxFileBytes = 64 * 1024;

std::string Str(const QString &s) { return s.toUtf8().toStdString(); }

// A JSON string literal for `text`, quotes and escapes included.
std::string Quoted(const std::string &text)
{
    const QJsonArray one{QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))};
    const QByteArray json = QJsonDocument(one).toJson(QJsonDocument::Compact);
    return json.mid(1, json.size() - 2).toStdString(); // without [ and ]
}

void AppendSet(std::string &out, const char *name, const Words &words)
{
    out += "  \"";
    out += name;
    out += "\": {\n";
    for (int i = 0; i < PNUM; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "    \"%s\": %u%s\n",
                      kParameters[static_cast<std::size_t>(i)].name,
                      unsigned{words[static_cast<std::size_t>(i)]}, i + 1 < PNUM ? "," : "");
        out += line;
    }
    out += "  }";
}

// A JSON number that is a whole number from 0 to `max`.
bool WholeNumber(const QJsonValue &v, double max, double &out)
{
    if (!v.isDouble())
        return false;
    const double d = v.toDouble();
    if (!std::isfinite(d) || d < 0 || d > max || std::floor(d) != d)
        return false;
    out = d;
    return true;
}

std::string Shown(const QJsonValue &v)
{
    switch (v.type()) {
    case QJsonValue::Null: return "null";
    case QJsonValue::Bool: return v.toBool() ? "true" : "false";
    case QJsonValue::String: return Quoted(Str(v.toString()));
    case QJsonValue::Array: return "a list";
    case QJsonValue::Object: return "an object";
    case QJsonValue::Double: {
        const double d = v.toDouble();
        char text[64];
        if (std::isfinite(d) && std::floor(d) == d && std::fabs(d) < 1e15)
            std::snprintf(text, sizeof text, "%.0f", d);
        else
            std::snprintf(text, sizeof text, "%g", d);
        return text;
    }
    default: return "nothing";
    }
}

bool ParseSet(const QJsonObject &root, const char *setName, Words &out, std::string &error)
{
    const QJsonValue setValue = root.value(QLatin1String(setName));
    if (setValue.isUndefined()) {
        error = std::string("the set \"") + setName + "\" is missing";
        return false;
    }
    if (!setValue.isObject()) {
        error = std::string(setName) + ": not a set of named words";
        return false;
    }
    const QJsonObject set = setValue.toObject();
    for (auto it = set.begin(); it != set.end(); ++it) {
        const std::string key = Str(it.key());
        if (protocol::FindParameter(key) < 0) {
            error = std::string(setName) + ": " + Quoted(key) + " is no parameter name";
            return false;
        }
    }
    for (int i = 0; i < PNUM; ++i) {
        const char *name = kParameters[static_cast<std::size_t>(i)].name;
        const QJsonValue v = set.value(QLatin1String(name));
        if (v.isUndefined()) {
            error = std::string(setName) + "." + name + " is missing";
            return false;
        }
        double d = 0;
        if (!WholeNumber(v, 65535, d)) {
            error = std::string(setName) + "." + name + ": " + Shown(v) +
                    " is not a 16-bit number (0 to 65535)";
            return false;
        }
        out[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(d);
    }
    return true;
}

bool OptionalString(const QJsonObject &root, const char *name, std::string &out,
                    std::string &error)
{
    const QJsonValue v = root.value(QLatin1String(name));
    if (v.isUndefined())
        return true;
    if (!v.isString()) {
        error = std::string(name) + ": " + Shown(v) + " is not a text";
        return false;
    }
    out = Str(v.toString());
    return true;
}

// The file's bytes, at most kMaxFileBytes; false with the reason otherwise.
bool ReadWhole(const std::string &path, std::string &text, std::string &error)
{
    QFile file(QFile::decodeName(path.c_str()));
    if (!file.open(QIODevice::ReadOnly)) {
        error = path + ": " + Str(file.errorString());
        return false;
    }
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        error = path + ": " + Str(file.errorString());
        return false;
    }
    if (bytes.size() > kMaxFileBytes) {
        error = path + ": longer than a backup or a parameter file can be";
        return false;
    }
    text.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return true;
}

bool WriteWhole(const std::string &path, const std::string &text, std::string &error)
{
    QSaveFile out(QFile::decodeName(path.c_str()));
    if (!rt::OpenToReplace(out)) {
        error = path + ": " + Str(out.errorString());
        return false;
    }
    qint64 done = 0;
    const auto total = static_cast<qint64>(text.size());
    while (done < total) {
        const qint64 put = out.write(text.data() + done, total - done);
        if (put <= 0) {
            error = path + ": " + Str(out.errorString());
            out.cancelWriting();
            return false;
        }
        done += put;
    }
    if (!out.commit()) {
        error = path + ": " + Str(out.errorString());
        return false;
    }
    return true;
}

} // namespace

std::string FormatBackup(const Backup &backup)
{
    std::string out = "{\n";
    out += "  \"format\": " + Quoted(std::string(kFormatName)) + ",\n";
    out += "  \"version\": " + std::to_string(kFormatVersion) + ",\n";
    out += "  \"time\": " + Quoted(backup.time) + ",\n";
    out += "  \"port\": " + std::to_string(backup.port) + ",\n";
    out += "  \"device\": " + Quoted(backup.device) + ",\n";
    out += "  \"program\": " + Quoted(backup.program) + ",\n";
    AppendSet(out, "ram", backup.ram);
    out += ",\n";
    AppendSet(out, "eeprom", backup.eeprom);
    out += "\n}\n";
    return out;
}

bool ParseBackup(std::string_view text, Backup &out, std::string &error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(
        QByteArray(text.data(), static_cast<qsizetype>(text.size())), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        // The line of the offset, for an operator with an editor.
        int line = 1;
        const auto end = std::min<std::size_t>(text.size(),
                                               static_cast<std::size_t>(std::max(0, parseError.offset)));
        for (std::size_t i = 0; i < end; ++i)
            if (text[i] == '\n')
                ++line;
        error = "line " + std::to_string(line) + ": not JSON (" + Str(parseError.errorString()) +
                "), the file is cut short or damaged";
        return false;
    }
    if (!doc.isObject()) {
        error = "not a backup (no JSON object)";
        return false;
    }
    const QJsonObject root = doc.object();
    if (root.value(QLatin1String("format")).toString() !=
        QLatin1String(kFormatName.data(), static_cast<qsizetype>(kFormatName.size()))) {
        error = "not a backup (no \"format\": \"" + std::string(kFormatName) + "\")";
        return false;
    }
    double version = 0;
    if (!WholeNumber(root.value(QLatin1String("version")), 1e9, version) ||
        static_cast<int>(version) != kFormatVersion) {
        error = "version: " + Shown(root.value(QLatin1String("version"))) +
                " is not a backup version this program reads (" +
                std::to_string(kFormatVersion) + ")";
        return false;
    }
    Backup b;
    if (!OptionalString(root, "time", b.time, error) ||
        !OptionalString(root, "device", b.device, error) ||
        !OptionalString(root, "program", b.program, error))
        return false;
    const QJsonValue port = root.value(QLatin1String("port"));
    double portNumber = 0;
    if (!port.isUndefined()) {
        if (!WholeNumber(port, 255, portNumber)) {
            error = "port: " + Shown(port) + " is not a port number (0 to 255)";
            return false;
        }
        b.port = static_cast<int>(portNumber);
    }
    if (!ParseSet(root, "ram", b.ram, error) || !ParseSet(root, "eeprom", b.eeprom, error))
        return false;
    out = b;
    return true;
}

bool LooksLikeBackup(std::string_view text)
{
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        return c == '{';
    }
    return false;
}

bool ParseStrictParameterFile(std::string_view text, Words &out, std::string &error)
{
    // Line by line first, to name the line that is wrong; then the protocol
    // core's reader, which takes the same text the program takes.
    int lineNo = 0;
    int numbers = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        const bool lastLine = end == std::string_view::npos;
        if (lastLine)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        while (!line.empty() &&
               (line.back() == ' ' || line.back() == '\t' || line.back() == '\r'))
            line.remove_suffix(1);
        if (line.empty())
            continue;
        std::string_view digits = line;
        if (digits.front() == '+')
            digits.remove_prefix(1);
        bool isNumber = !digits.empty();
        unsigned long long value = 0;
        for (char c : digits) {
            if (c < '0' || c > '9') {
                isNumber = false;
                break;
            }
            if (value <= 65535) // past it the exact value no longer matters
                value = value * 10 + static_cast<unsigned>(c - '0');
        }
        const std::string shown(line.substr(0, std::min<std::size_t>(line.size(), 24)));
        if (!isNumber) {
            error = "line " + std::to_string(lineNo) + ": " + Quoted(shown) +
                    " is not a whole number";
            return false;
        }
        if (value > 65535) {
            error = "line " + std::to_string(lineNo) + ": " + shown +
                    " is not a 16-bit number (0 to 65535)";
            return false;
        }
        if (++numbers > PNUM) {
            error = "line " + std::to_string(lineNo) + ": more than sixteen numbers";
            return false;
        }
    }
    if (numbers < PNUM) {
        error = "holds " + std::to_string(numbers) +
                " numbers, a parameter file sixteen (cut short?)";
        return false;
    }
    const protocol::ParaFileRead read = protocol::ParseParameterFile(text);
    if (read.error != protocol::ParaFileError::None) {
        error = "not a parameter file";
        return false;
    }
    out = read.words;
    return true;
}

SetFile ReadSetFile(const std::string &path, Memory memory)
{
    SetFile result;
    std::string text;
    if (!ReadWhole(path, text, result.error))
        return result;
    std::string error;
    if (LooksLikeBackup(text)) {
        if (!ParseBackup(text, result.backup, error)) {
            result.error = path + ": " + error;
            return result;
        }
        result.wasBackup = true;
        result.words = memory == Memory::Ram ? result.backup.ram : result.backup.eeprom;
    } else if (!ParseStrictParameterFile(text, result.words, error)) {
        result.error = path + ": " + error;
        return result;
    }
    result.ok = true;
    return result;
}

SetFile ReadBackupFile(const std::string &path)
{
    SetFile result;
    std::string text;
    if (!ReadWhole(path, text, result.error))
        return result;
    if (!LooksLikeBackup(text)) {
        result.error = path + ": not a backup (a parameter file holds one set only)";
        return result;
    }
    std::string error;
    if (!ParseBackup(text, result.backup, error)) {
        result.error = path + ": " + error;
        return result;
    }
    result.wasBackup = true;
    result.words = result.backup.ram;
    result.ok = true;
    return result;
}

bool WriteBackupFile(const std::string &path, const Backup &backup, std::string &error)
{
    return WriteWhole(path, FormatBackup(backup), error);
}

bool WriteParameterFile(const std::string &path, const Words &words, std::string &error)
{
    return WriteWhole(path, protocol::FormatParameterFile(words), error);
}

std::string NowUtc()
{
    return Str(QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
}

} // namespace qzan::backup
