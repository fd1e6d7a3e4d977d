#pragma once

#include "platform/FileSeen.h"
#include "platform/IniText.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

// The INI files this process has read, each kept parsed as long as the file stays the same. A file is read when its
// stamp (FileStamp) differs from the kept one's, or when it had not settled when it was kept; a reading counts when
// the stamp held still around it, and one of a file not settled yet is read a second time and must read the same.
namespace Kadex::Platform::IniFileCache {

struct ParsedFile
{
    QByteArray bytes;
    IniText text;         // looked up through its name index, built at the first read of the file's bytes
    FileStamp stamp;      // the file when its bytes were read
    bool settled = false; // whether any later change shows in the stamp (FileStamp::settledBefore)
};

// The file at path (a path as found on disk) as it is now; null when it is missing or cannot be read. For a file
// that is there but cannot be read as a regular file (a directory, a FIFO, no permission, larger than any plant's
// file), unreadable, when given, gets the reason.
std::shared_ptr<const ParsedFile> read(const QString &path, QString *unreadable = nullptr);

// Records that the file at path now holds bytes, which text is the parsed form of (as after a write by this
// process), so that the next read need not parse it.
void remember(const QString &path, const QByteArray &bytes, IniText text);

// Drops the parsed file kept for path, when a write is about to replace it.
void forget(const QString &path);

// Records that this process has just replaced the file at path without keeping its parsed form: the next read
// reads and parses it, and its readings are recorded anew.
void wrote(const QString &path);

// The readings of the file at path served since forgetReads: the file as the first of them saw it, and whether a
// later one served other bytes. A decision made from several readings holds only when they all saw one file.
struct Served
{
    FileSeen first;
    bool mixed = false;
};
std::optional<Served> served(const QString &path);

// Starts a new record of readings: those before no longer count for served. A write by this process starts the
// record of its file anew as well.
void forgetReads();

} // namespace Kadex::Platform::IniFileCache
