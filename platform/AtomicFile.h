#pragma once

#include <QByteArray>
#include <QString>

namespace Kadex::Platform::AtomicFile {

// Replaces the file at path with bytes: written to a temporary file in the same folder, flushed to disk and
// renamed over the old one, so a reader sees either the old or the new file, never half of one. Writes through a
// symbolic link to its target and keeps the permissions of an existing file. Returns false, leaving the old file
// and no temporary file, on any failure, and for a read-only file (see isReadOnly). Temporary files of the same
// file that an earlier write left behind (a process killed between writing and renaming) are removed first.
bool write(const QString &path, const QByteArray &bytes);

// Copies source over destination in the same atomic way; a new destination gets the source's permissions.
bool copy(const QString &source, const QString &destination);

// Whether the file at path exists and must not be written: it has no write permission bit at all (which counts even
// for a process that could override the bits, as root can), or this process may not write it.
bool isReadOnly(const QString &path);

// The temporary files a write leaves while it runs are named ".<name>.<random>.tmp" beside the file <name> they
// replace (<name> cut to its first 100 characters, <random> of digits and lower-case letters). For such a file
// name, the <name> part; empty for any other name.
QString temporaryTarget(const QString &fileName);

} // namespace Kadex::Platform::AtomicFile
