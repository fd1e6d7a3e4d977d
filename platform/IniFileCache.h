#pragma once

#include "platform/IniText.h"

#include <QByteArray>
#include <QString>

#include <memory>

// The INI files this process has read, each kept parsed as long as its bytes on disk stay the same. Every read
// reads the file and compares its bytes with the kept ones, so a change by any program, of any size and at any
// time, is seen at the next read; only an unchanged file skips the parse.
namespace Kadex::Platform::IniFileCache {

struct ParsedFile
{
    QByteArray bytes;
    IniText text; // looked up through its name index, built at the first read of the file's bytes
};

// The file at path (a path as found on disk) as it is now; null when it is no regular file or cannot be read.
std::shared_ptr<const ParsedFile> read(const QString &path);

// Records that the file at path now holds bytes, which text is the parsed form of (as after a write by this
// process), so that the next read need not parse it.
void remember(const QString &path, const QByteArray &bytes, IniText text);

} // namespace Kadex::Platform::IniFileCache
