#pragma once

#include <QString>

#include <optional>

namespace Kadex::Platform {

// The times of a file, in nanoseconds since the epoch. Zero means "not known".
struct FileTimes
{
    qint64 creationNs = 0;
    qint64 lastAccessNs = 0;
    qint64 lastWriteNs = 0;

    // The times of the file at path; nothing when it cannot be read.
    static std::optional<FileTimes> read(const QString &path);
    // Sets the last-write time back to lastWriteNs (when not zero) and leaves the last-access time to the
    // system. Returns false when the file cannot be changed.
    static bool restore(const QString &path, const FileTimes &times);
};

} // namespace Kadex::Platform
