#pragma once

#include <QByteArray>
#include <QString>

namespace Kadex::Platform::AtomicFile {

// Replaces the file at path with bytes: written to a temporary file in the same folder, flushed to disk and
// renamed over the old one, so a reader sees either the old or the new file, never half of one.
// Keeps the permissions of an existing file. Returns false (leaving the old file) on any failure.
bool write(const QString &path, const QByteArray &bytes);

// Copies source over destination in the same atomic way.
bool copy(const QString &source, const QString &destination);

} // namespace Kadex::Platform::AtomicFile
