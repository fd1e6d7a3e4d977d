#include "platform/RuntimeDirectory.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace Kadex::Platform {

QString provideRuntimeDirectory()
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        return QString();
    }
    const QString folder = QDir::tempPath() + QStringLiteral("/runtime-") + QString::number(geteuid());
    const QByteArray encoded = QFile::encodeName(folder);
    if (::mkdir(encoded.constData(), 0700) != 0 && errno != EEXIST) {
        return QString();
    }
    struct stat facts = {};
    // Only a folder of this user that nobody else may enter is a runtime folder. One this user left open to others
    // (made by another tool, or under another umask) is closed again, as Qt would do with its own.
    if (::lstat(encoded.constData(), &facts) != 0 || !S_ISDIR(facts.st_mode) || facts.st_uid != geteuid()) {
        return QString();
    }
    if ((facts.st_mode & 07777) != 0700 && ::chmod(encoded.constData(), 0700) != 0) {
        return QString();
    }
    qputenv("XDG_RUNTIME_DIR", encoded);
    return folder;
}

} // namespace Kadex::Platform
