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

// The file as the services read it; null for a missing file, a folder or an unreadable file, which read as an empty
// one.
std::shared_ptr<const IniFileCache::ParsedFile> fileAt(const QString &path, QString *unreadable)
{
    return path.isEmpty() ? nullptr : IniFileCache::read(FileLookup::resolvePath(path), unreadable);
}

// The value of section/key as the services see the file.
std::optional<QByteArray> valueOf(const QByteArray &section, const QByteArray &key, const QString &path,
                                  QString *unreadable)
{
    const std::shared_ptr<const IniFileCache::ParsedFile> file = fileAt(path, unreadable);
    return file ? file->text.value(section, key) : std::nullopt;
}

// False, with why when reason is given.
bool refused(QString *reason, const QString &why)
{
    if (reason) {
        *reason = why;
    }
    return false;
}

QString quoted(const QString &path)
{
    return QLatin1Char('\'') + path + QLatin1Char('\'');
}

// Whether the file may be written: a regular file that is not read-only (even when the value would not change),
// or a missing file in a folder that is there. reason, when given, gets why not.
bool mayWrite(const QFileInfo &info, const QString &resolved, QString *reason)
{
    if (info.exists() && !info.isFile()) {
        return refused(reason, quoted(resolved) + QStringLiteral(" is not a file"));
    }
    if (info.exists() && AtomicFile::isReadOnly(resolved)) {
        return refused(reason, quoted(resolved) + QStringLiteral(" is read-only"));
    }
    if (!info.exists() && !QFileInfo(info.absolutePath()).isDir()) {
        return refused(reason,
                       QStringLiteral("The folder ") + quoted(info.absolutePath()) + QStringLiteral(" does not exist"));
    }
    return true;
}

// The file's text as read, and the bytes it was made from; false, with why, when the file cannot be read.
bool readText(const QString &path, IniText &text, std::optional<QByteArray> &bytes, QString *reason)
{
    QString unreadable;
    const std::shared_ptr<const IniFileCache::ParsedFile> file = IniFileCache::read(path, &unreadable);
    if (!file) {
        return refused(reason, QStringLiteral("Cannot read ") + quoted(path) +
                                   (unreadable.isEmpty() ? QString() : QStringLiteral(": ") + unreadable));
    }
    bytes = file->bytes;
    text = file->text;
    return true;
}

// Writes the entries into text in order; returns whether any of them changed it.
bool applyEntries(IniText &text, const QList<Entry> &entries)
{
    bool changed = false;
    for (const Entry &entry : entries) {
        const IniText::Edit edit =
            entry.remove ? text.remove(entry.section, entry.key) : text.write(entry.section, entry.key, entry.value);
        changed = edit.changed || changed;
    }
    return changed;
}

// Whether bytes are the pieces one after the other.
bool holdsPieces(const QByteArray &bytes, const QList<QByteArrayView> &pieces)
{
    qsizetype at = 0;
    for (const QByteArrayView piece : pieces) {
        if (at + piece.size() > bytes.size() || QByteArrayView(bytes).sliced(at, piece.size()) != piece) {
            return false;
        }
        at += piece.size();
    }
    return at == bytes.size();
}

// What each entry reads as in text.
QList<std::optional<QByteArray>> valuesOf(const QList<Entry> &entries, const IniText &text)
{
    QList<std::optional<QByteArray>> values;
    for (const Entry &entry : entries) {
        values.append(text.value(entry.section, entry.key));
    }
    return values;
}

// Whether every entry reads back from the file as written (wanted, by valuesOf): another program that replaced the
// file just after this write, from bytes it had read before, drops them.
bool readsBack(const QList<Entry> &entries, const QList<std::optional<QByteArray>> &wanted, const QString &path)
{
    const std::shared_ptr<const IniFileCache::ParsedFile> file = IniFileCache::read(path);
    if (!file) {
        return false;
    }
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (file->text.value(entries[i].section, entries[i].key) != wanted[i]) {
            return false;
        }
    }
    return true;
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

QList<std::optional<QByteArray>> findStrings(const QByteArray &section, const QList<QByteArray> &keys,
                                             const QString &path)
{
    const std::shared_ptr<const IniFileCache::ParsedFile> file = fileAt(path, nullptr);
    QList<std::optional<QByteArray>> values;
    values.reserve(keys.size());
    for (const QByteArray &key : keys) {
        values.append(file ? file->text.value(section, key) : std::nullopt);
    }
    return values;
}

qint32 getInt(const QByteArray &section, const QByteArray &key, qint32 defaultValue, const QString &path,
              QString *unreadable)
{
    return intOf(valueOf(section, key, path, unreadable), defaultValue);
}

qint32 intOf(const std::optional<QByteArray> &value, qint32 defaultValue)
{
    return IniText::leadingInt(value, defaultValue);
}

bool writeString(const QByteArray &section, const QByteArray &key, const QByteArray &value, const QString &path)
{
    return writeStrings({Entry{section, key, value}}, path);
}

bool writeStrings(const QList<Entry> &entries, const QString &path, QString *reason)
{
    if (path.isEmpty()) {
        return refused(reason, QStringLiteral("No file name"));
    }
    const QString resolved = FileLookup::resolvePath(path);
    // Another program may write the file at the same time: when it did between this read and the replacement,
    // the entries are applied again to its bytes, so that its lines stay.
    std::optional<QByteArray> base;   // the bytes the entries go into; read from the file when not known
    std::optional<QByteArray> onDisk; // what the file holds when base came from a replaced file
    for (int attempt = 0; attempt < FileSeen::Attempts; ++attempt) {
        const QFileInfo info(resolved);
        if (!mayWrite(info, resolved, reason)) {
            return false;
        }
        std::optional<QByteArray> before = onDisk;
        IniText text;
        if (base) {
            text = IniText(*base);
        } else if (info.exists() && !readText(resolved, text, before, reason)) {
            return false;
        }
        if (!applyEntries(text, entries) && !base && before) {
            return true;
        }
        // The kept parse of the old bytes is let go, and the new bytes are written from the runs the text holds
        // them in: a large file's old and new lines, or old and new bytes, are not held at once.
        IniFileCache::forget(resolved);
        const QList<QByteArrayView> pieces = text.pieces();
        if (!base && before && holdsPieces(*before, pieces)) {
            return true;
        }
        std::optional<QByteArray> replaced;
        switch (AtomicFile::writeOver(resolved, pieces, before, replaced, reason)) {
        case AtomicFile::Outcome::Failed:
            return false;
        case AtomicFile::Outcome::Changed:
            if (base) {
                // Changed twice around this write: the bytes it took out and the change to its own file cannot
                // both be kept, so the write fails and is reported rather than drop either.
                return refused(reason, QStringLiteral("Another program changed ") + quoted(resolved) +
                                           QStringLiteral(" twice while it was written"));
            }
            continue;
        case AtomicFile::Outcome::Written:
            break;
        }
        IniFileCache::wrote(resolved);
        if (replaced && !(before && RegularFile::sameBytes(*replaced, *before))) {
            // Another program wrote the file just before it was replaced: its bytes get the entries again.
            base = replaced;
            onDisk = text.bytes();
            continue;
        }
        // The text and the file's old bytes are let go before the file is read back (and parsed again).
        const QList<std::optional<QByteArray>> wanted = valuesOf(entries, text);
        before.reset();
        replaced.reset();
        text = IniText();
        return readsBack(entries, wanted, resolved) ||
               refused(reason, QStringLiteral("Another program replaced ") + quoted(resolved) +
                                   QStringLiteral(" right after the write, without its entries"));
    }
    if (base && onDisk) {
        // The tries ran out while another program kept writing: its last bytes, swapped out by the last
        // replacement, go back in place of this write's.
        std::optional<QByteArray> replaced;
        [[maybe_unused]] const AtomicFile::Outcome putBack = AtomicFile::writeOver(resolved, *base, onDisk, replaced);
    }
    return refused(reason,
                   QStringLiteral("Another program kept writing ") + quoted(resolved) + QStringLiteral(" meanwhile"));
}

} // namespace Kadex::Platform::ProfileStrings
