#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Writing new bytes into a file itself (keeping its inode, and with it its owner and every right on it), for the
// writer that cannot give a replacement the old file's owner.
namespace Kadex::Platform::InPlace {

// The whole file fd from its start; nothing on a read error (errno tells).
std::optional<QByteArray> readFrom(int fd);

// Keeps old, the file's bytes, in a new file ".<name>.<random>.old" beside target until the in-place write is done:
// should the run die halfway, they are there for a person to put back. keptPath gets its path.
bool keepOldBytes(const QString &target, const QByteArray &old, QString &keptPath, QString *reason);

// Writes bytes over the file fd from its start, cuts it to their size, flushes it and reads it back; a write that
// does not read back as bytes puts old back. False with the reason then.
bool writeVerified(int fd, const QByteArray &bytes, const QByteArray &old, QString *reason);

} // namespace Kadex::Platform::InPlace
