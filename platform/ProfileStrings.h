#pragma once

#include <QByteArray>
#include <QString>

// Profile-string services with the behaviour of the Windows ones (ANSI variants). Section, key and value
// texts are bytes in the file's code page; paths are full paths, found without regard to letter case.
namespace Kadex::Platform::ProfileStrings {

struct StringResult
{
    QByteArray value;  // the first `count` bytes the service copied
    int count = 0;
};

// GetPrivateProfileString: the value of section/key, at most bufferSize - 1 bytes; when missing, defaultValue
// without its trailing blanks (also cut to the buffer).
StringResult getString(const QByteArray &section, const QByteArray &key, const QByteArray &defaultValue,
                       int bufferSize, const QString &path);

// GetPrivateProfileInt: the leading whole number of the value, wrapped to 32 bits; defaultValue when the
// entry is missing or empty.
qint32 getInt(const QByteArray &section, const QByteArray &key, qint32 defaultValue, const QString &path);

// WritePrivateProfileString: sets section/key to value, creating file, section or entry as needed. Only the
// written line changes; every other byte of the file stays. The file is replaced atomically, and not touched at all
// when the write changes no byte. Returns false, changing nothing, when the file cannot be written (a read-only file
// included, whatever the process's rights).
bool writeString(const QByteArray &section, const QByteArray &key, const QByteArray &value, const QString &path);

} // namespace Kadex::Platform::ProfileStrings
