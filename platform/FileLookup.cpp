#include "platform/FileLookup.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <sys/stat.h>

namespace Kadex::Platform::FileLookup {

namespace {

enum class Want {
    Directory,    // a folder, or a link to one, to go on into
    OrdinaryFile, // a regular file, or a link to one, whose name does not start with '.'
    Anything,     // whatever exists, a dangling link included
    Present,      // whatever exists whose name does not start with '.'
};

bool qualifies(const QString &path, const QString &name, Want want)
{
    const QByteArray encoded = QFile::encodeName(path);
    struct stat info = {};
    switch (want) {
    case Want::Directory:
        return ::stat(encoded.constData(), &info) == 0 && S_ISDIR(info.st_mode);
    case Want::OrdinaryFile:
        return !name.startsWith(QLatin1Char('.')) && ::stat(encoded.constData(), &info) == 0 && S_ISREG(info.st_mode);
    case Want::Anything:
        return ::lstat(encoded.constData(), &info) == 0;
    case Want::Present:
        return !name.startsWith(QLatin1Char('.')) && ::lstat(encoded.constData(), &info) == 0;
    }
    return false;
}

QString joined(const QString &folder, const QString &name)
{
    if (folder.isEmpty()) {
        return name;
    }
    if (folder.endsWith(QLatin1Char('/'))) {
        return folder + name;
    }
    return folder + QLatin1Char('/') + name;
}

// The on-disk spelling of name inside folder: the exact name when it qualifies, else the first entry (in sorted
// order, so the choice is stable) that matches without regard to letter case and qualifies.
QString matchEntry(const QString &folder, const QString &name, Want want)
{
    if (qualifies(joined(folder, name), name, want)) {
        return name;
    }
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0 && entry != name &&
            qualifies(joined(folder, entry), entry, want)) {
            return entry;
        }
    }
    return {};
}

struct Walk
{
    QString found;     // the leading part of the path that exists, spelled as on disk
    qsizetype matched; // how many components it covers
    QStringList parts; // all components of the path
};

// Follows path component by component for as long as each one exists: folders before the last component, and
// what `last` asks for at the last one.
Walk walk(const QString &path, Want last)
{
    Walk result{QString(), 0, path.split(QLatin1Char('/'))};
    if (path.startsWith(QLatin1Char('/'))) {
        result.found = QStringLiteral("/");
        result.matched = 1;
    }
    for (; result.matched < result.parts.size(); ++result.matched) {
        const QString &part = result.parts[result.matched];
        const bool isLast = result.matched == result.parts.size() - 1;
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..")) {
            // A doubled or trailing '/', "." and ".." are taken as written; a trailing '/' names no file.
            if (isLast && (last == Want::OrdinaryFile || last == Want::Present)) {
                break;
            }
            result.found = part.isEmpty() ? result.found : joined(result.found, part);
            continue;
        }
        const QString entry = matchEntry(result.found, part, isLast ? last : Want::Directory);
        if (entry.isEmpty()) {
            break;
        }
        result.found = joined(result.found, entry);
    }
    return result;
}

} // namespace

QString findExistingFile(const QString &path)
{
    if (path.isEmpty()) {
        return {};
    }
    const Walk result = walk(path, Want::OrdinaryFile);
    return result.matched == result.parts.size() ? result.found : QString();
}

QString findPresentEntry(const QString &path)
{
    if (path.isEmpty()) {
        return {};
    }
    const Walk result = walk(path, Want::Present);
    return result.matched == result.parts.size() ? result.found : QString();
}

QString resolvePath(const QString &path)
{
    if (path.isEmpty()) {
        return {};
    }
    const Walk result = walk(path, Want::Anything);
    if (result.matched < result.parts.size()) {
        return joined(result.found, result.parts.mid(result.matched).join(QLatin1Char('/')));
    }
    if (path.endsWith(QLatin1Char('/')) && !result.found.endsWith(QLatin1Char('/'))) {
        return result.found + QLatin1Char('/');
    }
    return result.found;
}

} // namespace Kadex::Platform::FileLookup
