#include "presetdb/FileBytesSeen.h"

#include <QFile>

#include <sys/stat.h>

namespace Kadex::PresetDb {

FileBytesSeen::Seen FileBytesSeen::look(const QString &path)
{
    Seen seen;
    seen.path = path;
    const QByteArray native = QFile::encodeName(path);
    struct stat info = {};
    if (::stat(native.constData(), &info) != 0) {
        return seen;
    }
    seen.exists = true;
    // A file rewritten in place with the same bytes has a new modification time, one replaced by rename a new
    // inode: either may have been read half-written in between.
    seen.modifiedNs = static_cast<qint64>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    seen.inode = static_cast<quint64>(info.st_ino);
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        seen.bytes = file.readAll();
    }
    return seen;
}

void FileBytesSeen::note(const QString &path)
{
    if (!path.isEmpty()) {
        m_files.append(look(path));
    }
}

QStringList FileBytesSeen::changed() const
{
    QStringList paths;
    for (const Seen &seen : m_files) {
        if (look(seen.path) != seen) {
            paths.append(seen.path);
        }
    }
    return paths;
}

void FileBytesSeen::renote()
{
    for (Seen &seen : m_files) {
        seen = look(seen.path);
    }
}

} // namespace Kadex::PresetDb
