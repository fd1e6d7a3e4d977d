#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Profile-string services with the behaviour of the Windows ones (ANSI variants). Section, key and value
// texts are bytes in the file's code page; paths are full paths, found without regard to letter case.
// A file is parsed once per content (platform/IniFileCache). The reads take, when given, `unreadable`: it gets the
// reason when the file is there but cannot be read as a file (a directory, a FIFO, no permission); the read then
// goes on as for a missing file, as the Windows services would.
namespace Kadex::Platform::ProfileStrings {

struct StringResult
{
    QByteArray value; // the first `count` bytes the service copied
    int count = 0;
};

// One entry for writeStrings.
struct Entry
{
    QByteArray section;
    QByteArray key;
    QByteArray value;
    bool remove = false; // removes the entry instead (value is not used)
};

// GetPrivateProfileString: the value of section/key, at most bufferSize - 1 bytes; when missing, defaultValue
// without its trailing blanks (also cut to the buffer).
StringResult getString(const QByteArray &section, const QByteArray &key, const QByteArray &defaultValue, int bufferSize,
                       const QString &path, QString *unreadable = nullptr);

// The value of section/key as stored; nothing when the entry is missing (or the file cannot be read).
std::optional<QByteArray> findString(const QByteArray &section, const QByteArray &key, const QString &path,
                                     QString *unreadable = nullptr);

// The values of the keys of section as one reading of the file holds them, each as findString gives it: a group of
// entries read together takes one look at the file, and they all come from one content of it.
QList<std::optional<QByteArray>> findStrings(const QByteArray &section, const QList<QByteArray> &keys,
                                             const QString &path);

// GetPrivateProfileInt: the leading whole number of the value, wrapped to 32 bits; defaultValue when the
// entry is missing or empty.
qint32 getInt(const QByteArray &section, const QByteArray &key, qint32 defaultValue, const QString &path,
              QString *unreadable = nullptr);
// The same for a value found before (findString, findStrings).
qint32 intOf(const std::optional<QByteArray> &value, qint32 defaultValue);

// WritePrivateProfileString: sets section/key to value, creating file, section or entry as needed. Only the
// written line changes; every other byte of the file stays. The file is replaced atomically, and not touched at all
// when the write changes no byte. Returns false, changing nothing, when the file cannot be written (a read-only file
// included, whatever the process's rights).
bool writeString(const QByteArray &section, const QByteArray &key, const QByteArray &value, const QString &path);

// The entries written in order, as writeString would write them one by one, in one atomic replacement of the
// file: it ends with the same bytes, and a reader or a crash sees all of the entries or none. Returns false,
// changing nothing, when the file cannot be written. Another program's write in between is kept: when the file
// changed since it was read, the entries go into its new bytes instead (FileSeen::Attempts times at most); and when the
// entries do not read back after the replacement (another writer replaced the file from older bytes), the write
// counts as failed. reason, when given, gets why a write failed.
bool writeStrings(const QList<Entry> &entries, const QString &path, QString *reason = nullptr);

} // namespace Kadex::Platform::ProfileStrings
