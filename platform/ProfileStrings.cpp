#include "platform/ProfileStrings.h"

#include "platform/AtomicFile.h"
#include "platform/FileLookup.h"
#include "platform/FileSeen.h"
#include "platform/IniFileCache.h"
#include "platform/RegularFile.h"

#include <QFileInfo>

#include <algorithm>
#include <optional>

namespace Kadex::Platform::ProfileStrings {

namespace {

// The value of section/key as the services see the file: a missing file, a folder or an unreadable file reads as
// an empty one.
std::optional<QByteArray> valueOf(const QByteArray &section, const QByteArray &key, const QString &path,
                                  QString *unreadable)
{
    if (path.isEmpty()) {
        return std::nullopt;
    }
    const std::shared_ptr<const IniFileCache::ParsedFile> file =
        IniFileCache::read(FileLookup::resolvePath(path), unreadable);
    return file ? file->text.value(section, key) : std::nullopt;
}

// Whether every entry reads back from the file as the written text holds it: another program that replaced the
// file just after this write, from bytes it had read before, drops them.
bool readsBack(const QList<Entry> &entries, const IniText &written, const QString &path)
{
    const std::shared_ptr<const IniFileCache::ParsedFile> file = IniFileCache::read(path);
    if (!file) {
        return false;
    }
    return std::all_of(entries.begin(), entries.end(), [&](const Entry &entry) {
        return file->text.value(entry.section, entry.key) == written.value(entry.section, entry.key);
    });
}

} // namespace

StringResult getString(const QByteArray &section, const QByteArray &key, const QByteArray &defaultValue, int bufferSize,
                       const QString &path, QString *unreadable)
{
    StringResult result;
    result.value = IniText::bufferedString(valueOf(section, key, path, unreadable), defaultValue, bufferSize);
    result.count = static_cast<int>(result.value.size());
    return result;
}

std::optional<QByteArray> findString(const QByteArray &section, const QByteArray &key, const QString &path,
                                     QString *unreadable)
{
    return valueOf(section, key, path, unreadable);
}

qint32 getInt(const QByteArray &section, const QByteArray &key, qint32 defaultValue, const QString &path,
              QString *unreadable)
{
    return IniText::leadingInt(valueOf(section, key, path, unreadable), defaultValue);
}

bool writeString(const QByteArray &section, const QByteArray &key, const QByteArray &value, const QString &path)
{
    return writeStrings({Entry{section, key, value}}, path);
}

bool writeStrings(const QList<Entry> &entries, const QString &path, QString *reason)
{
    if (path.isEmpty()) {
        return false;
    }
    const QString resolved = FileLookup::resolvePath(path);
    // Another program may write the file at the same time: when it did between this read and the replacement,
    // the entries are applied again to its bytes, so that its lines stay.
    std::optional<QByteArray> base;   // the bytes the entries go into; read from the file when not known
    std::optional<QByteArray> onDisk; // what the file holds when base came from a replaced file
    for (int attempt = 0; attempt < FileSeen::Attempts; ++attempt) {
        const QFileInfo info(resolved);
        if (info.exists() && (!info.isFile() || AtomicFile::isReadOnly(resolved))) {
            // A read-only file fails even when the value would not change.
            return false;
        }
        if (!info.exists() && !QFileInfo(info.absolutePath()).isDir()) {
            return false;
        }
        std::optional<QByteArray> before = onDisk;
        IniText text;
        if (base) {
            text = IniText(*base);
        } else if (info.exists()) {
            const std::shared_ptr<const IniFileCache::ParsedFile> file = IniFileCache::read(resolved);
            if (!file) {
                return false;
            }
            before = file->bytes;
            text = file->text;
        }
        bool changed = false;
        for (const Entry &entry : entries) {
            const IniText::Edit edit = entry.remove ? text.remove(entry.section, entry.key)
                                                    : text.write(entry.section, entry.key, entry.value);
            changed = edit.changed || changed;
        }
        if (!base && before && !changed) {
            return true;
        }
        // The kept parse of the old bytes is of no more use, and the text's lines move into the new bytes: a large
        // file's old and new lines are not held at once, and its new bytes are held once, by the text and the cache.
        IniFileCache::forget(resolved);
        const QByteArray after = text.compact();
        if (!base && before && RegularFile::sameBytes(after, *before)) {
            return true;
        }
        std::optional<QByteArray> replaced;
        switch (AtomicFile::writeOver(resolved, after, before, replaced, reason)) {
        case AtomicFile::Outcome::Failed:
            return false;
        case AtomicFile::Outcome::Changed:
            if (base) {
                // Changed twice around this write: the bytes it took out and the change to its own file cannot
                // both be kept, so the write fails and is reported rather than drop either.
                return false;
            }
            continue;
        case AtomicFile::Outcome::Written:
            break;
        }
        IniFileCache::remember(resolved, after, text);
        if (replaced && !(before && RegularFile::sameBytes(*replaced, *before))) {
            // Another program wrote the file just before it was replaced: its bytes get the entries again.
            base = replaced;
            onDisk = after;
            continue;
        }
        // The file's old bytes are of no more use: not held while it is read back.
        before.reset();
        replaced.reset();
        return readsBack(entries, text, resolved);
    }
    if (base && onDisk) {
        // The tries ran out while another program kept writing: its last bytes, swapped out by the last
        // replacement, go back in place of this write's.
        std::optional<QByteArray> replaced;
        [[maybe_unused]] const AtomicFile::Outcome putBack = AtomicFile::writeOver(resolved, *base, onDisk, replaced);
    }
    if (reason) {
        *reason = QStringLiteral("Another program kept writing '") + resolved + QStringLiteral("' meanwhile");
    }
    return false;
}

} // namespace Kadex::Platform::ProfileStrings
