#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace Kadex::Platform::AtomicFile {

// Replaces the file at path with bytes: written to a temporary file in the same folder, flushed to disk and
// renamed over the old one, so a reader sees either the old or the new file, never half of one. Writes through a
// symbolic link to its target. The new file gets the old one's owner and group (where this process may set them),
// its extended attributes and ACL, and its mode before it takes the old one's place; where it cannot get the old
// owner (a run by another user), the bytes are written into the old file itself instead (platform/InPlaceWrite),
// so that it keeps its owner and nobody loses a right on it. reason, when given, gets why a write failed. Returns
// false, leaving the old file and no temporary file, on any failure, and for a read-only file (see isReadOnly).
// Temporary files of the same file that an earlier write left behind (a process killed between writing and renaming)
// are removed first; one that another process is writing at the moment stays (see removeAbandoned).
// With FolderSync::Later the rename is not yet made to last: the caller writes more files into the folder and then
// makes all their renames last at once with syncFolder, before anything relies on them.
enum class FolderSync { Now, Later };
bool write(const QString &path, const QByteArray &bytes, QString *reason = nullptr,
           FolderSync folderSync = FolderSync::Now);
// As write, with the bytes given as pieces written one after the other.
bool write(const QString &path, const QList<QByteArrayView> &pieces, QString *reason = nullptr,
           FolderSync folderSync = FolderSync::Now);
// Makes the renames into folder last (what a write with FolderSync::Later leaves to its caller).
void syncFolder(const QString &folder);

enum class Outcome { Written, Failed, Changed };

// As write, but only while the file still holds expected, the bytes the new ones were made from (nothing: while
// there is still no file): checked right before the rename. Changed, leaving the file and no temporary, when
// another program wrote it since. When Written, replaced holds the bytes the file held at the moment it was
// replaced: the old file is swapped out in one step (RENAME_EXCHANGE) and read, so a write that another program
// made between the check and the swap shows as replaced differing from expected.
Outcome writeOver(const QString &path, const QByteArray &bytes, const std::optional<QByteArray> &expected,
                  std::optional<QByteArray> &replaced, QString *reason = nullptr);

// As writeOver, with the new bytes given as pieces written one after the other: a large file made of a few runs of
// bytes held elsewhere is written without a copy of the whole.
Outcome writeOver(const QString &path, const QList<QByteArrayView> &pieces, const std::optional<QByteArray> &expected,
                  std::optional<QByteArray> &replaced, QString *reason = nullptr);

// Copies source (a regular file, opened without blocking: platform/RegularFile) over destination in the same atomic
// way; a new destination gets the source's permissions. A destination whose owner a new file cannot get is refused.
bool copy(const QString &source, const QString &destination, QString *reason = nullptr);

// For tests: called with the target's path between the check that it still holds the expected bytes and its
// replacement (the rename, or the write in place), so that another writer's change can be put exactly there.
void setBeforeReplaceSeam(std::function<void(const QString &)> seam);

// Whether the file at path exists and must not be written: it has no write permission bit at all (which counts even
// for a process that could override the bits, as root can), or this process may not write it.
bool isReadOnly(const QString &path);

// Removes the temporary file at temporaryPath when no live writer holds it: a write locks its temporary from its
// creation until the rename, so only the temporary of a write that died is removed. Returns whether it was removed.
bool removeAbandoned(const QString &temporaryPath);

// The temporary files a write leaves while it runs are named ".<name>.<random>.tmp" beside the file <name> they
// replace (<name> cut to its first 100 characters, <random> of digits and lower-case letters). For such a file
// name, the <name> part; empty for any other name.
QString temporaryTarget(const QString &fileName);

} // namespace Kadex::Platform::AtomicFile
