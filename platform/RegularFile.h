#pragma once

#include "platform/UniqueFd.h"

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

// Opening a file the program reads: only a regular file, opened without waiting on it, and only up to a size no
// plant's file reaches. A FIFO, a device or a link to one in a plant file's place would otherwise block the run or
// feed it without end.
namespace Kadex::Platform::RegularFile {

// The most a file read whole may hold: far beyond any plant's INI file, report or module database.
inline constexpr qint64 MaxReadBytes = qint64(256) * 1024 * 1024;

enum class Status {
    Opened,     // a regular file, open for reading
    Absent,     // nothing at the path (a link to nothing counts as there: Unreadable)
    Unreadable, // something is there that cannot be read as a file; reason says why
};

struct Opened
{
    Status status = Status::Absent;
    UniqueFd fd; // open, in blocking mode, when Opened
    struct stat info
    {
    };              // the file's state when opened
    QString reason; // when Unreadable: "is a directory", "Permission denied", "is larger than 268435456 bytes"
};

// Opens the file at path for reading without blocking on it, checks that it is a regular file of at most maxBytes
// and puts the descriptor back into blocking mode.
Opened openForReading(const QString &path, qint64 maxBytes = MaxReadBytes);

// Reads the open file fd from its offset to its end into bytes, refusing a file that grows past maxBytes. Returns
// false with the reason on a read error or a refusal.
bool readToEnd(int fd, qint64 maxBytes, QByteArray &bytes, QString &reason);

// Reads as readToEnd does, for a file expected to hold known: while it reads the same bytes, it keeps no copy of
// them, and when it holds exactly known's bytes, bytes shares them. So comparing a large file with bytes held
// already costs no memory.
bool readToEndSharing(int fd, qint64 maxBytes, const QByteArray &known, QByteArray &bytes, QString &reason);

// Whether a and b hold the same bytes; at once when they share them, as readToEndSharing makes them.
bool sameBytes(const QByteArray &a, const QByteArray &b);

struct Contents
{
    Status status = Status::Absent;
    QByteArray bytes;
    QString reason;
};

// The whole file at path, opened as openForReading opens it; Unreadable also for a read error.
Contents readAll(const QString &path, qint64 maxBytes = MaxReadBytes);

// The whole file at path as readAll reads it, sharing known's bytes as readToEndSharing does.
Contents readAllSharing(const QString &path, const QByteArray &known);

// The text of an errno value, for messages.
QString errorText(int error);

} // namespace Kadex::Platform::RegularFile
