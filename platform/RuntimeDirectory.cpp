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
    // Only a folder of this user that nobody else may enter is a runtime folder.
    if (::lstat(encoded.constData(), &facts) != 0 || !S_ISDIR(facts.st_mode) || facts.st_uid != geteuid() ||
        (facts.st_mode & 0077) != 0) {
        return QString();
    }
    qputenv("XDG_RUNTIME_DIR", encoded);
    return folder;
}

} // namespace Kadex::Platform
