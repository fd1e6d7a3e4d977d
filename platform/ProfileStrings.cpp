#include "platform/ProfileStrings.h"

#include "platform/AtomicFile.h"
#include "platform/FileLookup.h"
#include "platform/IniText.h"

#include <QFile>
#include <QFileInfo>

namespace Kadex::Platform::ProfileStrings {

namespace {

// The file as the services see it: a missing file, a folder or an unreadable file reads as an empty one.
IniText load(const QString &path)
{
    if (path.isEmpty()) {
        return {};
    }
    QFile file(FileLookup::resolvePath(path));
    if (!QFileInfo(file.fileName()).isFile() || !file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return IniText(file.readAll());
}

} // namespace

StringResult getString(const QByteArray &section, const QByteArray &key, const QByteArray &defaultValue, int bufferSize,
                       const QString &path)
{
    StringResult result;
    result.value = load(path).getString(section, key, defaultValue, bufferSize);
    result.count = static_cast<int>(result.value.size());
    return result;
}

qint32 getInt(const QByteArray &section, const QByteArray &key, qint32 defaultValue, const QString &path)
{
    return load(path).getInt(section, key, defaultValue);
}

bool writeString(const QByteArray &section, const QByteArray &key, const QByteArray &value, const QString &path)
{
    if (path.isEmpty()) {
        return false;
    }
    const QString resolved = FileLookup::resolvePath(path);
    const QFileInfo info(resolved);
    QByteArray before;
    if (info.exists()) {
        // A read-only file fails even when the value would not change.
        if (!info.isFile() || AtomicFile::isReadOnly(resolved)) {
            return false;
        }
        QFile file(resolved);
        if (!file.open(QIODevice::ReadOnly)) {
            return false;
        }
        before = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            return false;
        }
    } else if (!QFileInfo(info.absolutePath()).isDir()) {
        return false;
    }
    IniText text(before);
    text.write(section, key, value);
    const QByteArray after = text.bytes();
    if (info.exists() && after == before) {
        return true;
    }
    return AtomicFile::write(resolved, after);
}

} // namespace Kadex::Platform::ProfileStrings
