#include "diag/LogFile.h"

#include "platform/Cp1252.h"
#include "platform/FileLookup.h"
#include "platform/UniqueFd.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Kadex::Diag {

namespace {

// Writes all of line to fd, in as many writes as the system needs; false on the first failed one.
bool writeWhole(int fd, const QByteArray &line)
{
    qsizetype done = 0;
    while (done < line.size()) {
        const ssize_t written = ::write(fd, line.constData() + done, static_cast<size_t>(line.size() - done));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += written;
    }
    return true;
}

} // namespace

bool appendLogLine(const QString &path, const QString &text)
{
    if (path.isEmpty()) {
        return false;
    }
    // The LOGFILE switch arrives in upper case; the log keeps the name it has on disk. Opening never waits (a FIFO
    // without a reader is refused at once), and only a regular file takes the line: a FIFO, a device or a
    // directory is no log, and the line goes to the next one.
    const QByteArray name = QFile::encodeName(Platform::FileLookup::resolvePath(path));
    Platform::UniqueFd fd(
        ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666));
    struct stat opened = {};
    if (!fd.isOpen() || ::fstat(fd.get(), &opened) != 0 || !S_ISREG(opened.st_mode)) {
        return false;
    }
    // The line counts once the file holds it: every byte written (a full disk refuses them here) and a clean close
    // (where a file system that writes back late reports its failure).
    return writeWhole(fd.get(), Platform::Cp1252::encode(text) + "\r\n") && fd.close();
}

QString servicePackLogPath()
{
    const QString configured = qEnvironmentVariable("KADEX_SERVICEPACK_LOG");
    return configured.isEmpty() ? QStringLiteral("/var/log/BrolmServicePack.log") : configured;
}

QString servicePackFallbackPath(const QString &plantLogPath)
{
    return qEnvironmentVariable("KADEX_SERVICEPACK_LOG").isEmpty() ? plantLogPath : QString();
}

bool writeServicePackLine(const QString &path, const QString &fallbackPath, const QString &exeName, const QString &text)
{
    const QString line = QStringLiteral("! Fault ") + exeName + QStringLiteral(": ") + text;
    if (appendLogLine(path, line) || (!fallbackPath.isEmpty() && appendLogLine(fallbackPath, line))) {
        return true;
    }
    writeToStandardError(line);
    return false;
}

void writeToStandardError(const QString &text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    std::fprintf(stderr, "%s\n", shown.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace Kadex::Diag
