#include "platform/ProfileStrings.h"

#include "platform/AtomicFile.h"
#include "platform/FileLookup.h"
#include "platform/IniFileCache.h"

#include <QFileInfo>

#include <optional>

namespace Kadex::Platform::ProfileStrings {

namespace {

// The value of section/key as the services see the file: a missing file, a folder or an unreadable file reads as
// an empty one.
std::optional<QByteArray> valueOf(const QByteArray &section, const QByteArray &key, const QString &path)
{
    if (path.isEmpty()) {
        return std::nullopt;
    }
    const std::shared_ptr<const IniFileCache::ParsedFile> file = IniFileCache::read(FileLookup::resolvePath(path));
    return file ? file->text.value(section, key) : std::nullopt;
}

} // namespace

StringResult getString(const QByteArray &section, const QByteArray &key, const QByteArray &defaultValue, int bufferSize,
                       const QString &path)
{
    StringResult result;
    result.value = IniText::bufferedString(valueOf(section, key, path), defaultValue, bufferSize);
    result.count = static_cast<int>(result.value.size());
    return result;
}

std::optional<QByteArray> findString(const QByteArray &section, const QByteArray &key, const QString &path)
{
    return valueOf(section, key, path);
}

qint32 getInt(const QByteArray &section, const QByteArray &key, qint32 defaultValue, const QString &path)
{
    return IniText::leadingInt(valueOf(section, key, path), defaultValue);
}

bool writeString(const QByteArray &section, const QByteArray &key, const QByteArray &value, const QString &path)
{
    return writeStrings({Entry{section, key, value}}, path);
}

bool writeStrings(const QList<Entry> &entries, const QString &path)
{
    if (path.isEmpty()) {
        return false;
    }
    const QString resolved = FileLookup::resolvePath(path);
    const QFileInfo info(resolved);
    QByteArray before;
    IniText text;
    if (info.exists()) {
        // A read-only file fails even when the value would not change.
        if (!info.isFile() || AtomicFile::isReadOnly(resolved)) {
            return false;
        }
        const std::shared_ptr<const IniFileCache::ParsedFile> file = IniFileCache::read(resolved);
        if (!file) {
            return false;
        }
        before = file->bytes;
        text = file->text;
    } else if (!QFileInfo(info.absolutePath()).isDir()) {
        return false;
    }
    bool changed = false;
    for (const Entry &entry : entries) {
        const IniText::Edit edit =
            entry.remove ? text.remove(entry.section, entry.key) : text.write(entry.section, entry.key, entry.value);
        changed = edit.changed || changed;
    }
    if (info.exists() && !changed) {
        return true;
    }
    const QByteArray after = text.bytes();
    if (info.exists() && after == before) {
        return true;
    }
    if (!AtomicFile::write(resolved, after)) {
        return false;
    }
    IniFileCache::remember(resolved, after, std::move(text));
    return true;
}

} // namespace Kadex::Platform::ProfileStrings
