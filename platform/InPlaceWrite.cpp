#include "platform/InPlaceWrite.h"

#include "platform/RegularFile.h"
#include "platform/UniqueFd.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace Kadex::Platform::InPlace {

namespace {

constexpr int KeptNameAttempts = 100;

bool setReason(QString *reason, const QString &what, int error)
{
    if (reason) {
        *reason = what + QStringLiteral(": ") + RegularFile::errorText(error);
    }
    return false;
}

bool writeAt(int fd, const QByteArray &bytes)
{
    qsizetype at = 0;
    while (at < bytes.size()) {
        const ssize_t written = ::pwrite(fd, bytes.constData() + at, size_t(bytes.size() - at), off_t(at));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0) {
            return false;
        }
        at += written;
    }
    return ::ftruncate(fd, off_t(bytes.size())) == 0 && ::fsync(fd) == 0;
}

} // namespace

std::optional<QByteArray> readFrom(int fd)
{
    QByteArray bytes;
    QString reason;
    if (::lseek(fd, 0, SEEK_SET) != 0 || !RegularFile::readToEnd(fd, RegularFile::MaxReadBytes, bytes, reason)) {
        return std::nullopt;
    }
    return bytes;
}

bool keepOldBytes(const QString &target, const QByteArray &old, QString &keptPath, QString *reason)
{
    const QFileInfo info(target);
    for (int attempt = 0; attempt < KeptNameAttempts; ++attempt) {
        keptPath = info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.') +
                   QString::number(QRandomGenerator::global()->generate(), 36) + QStringLiteral(".old");
        // Readable by the writer alone: it holds what the file held, whoever may read the file.
        const UniqueFd fd(
            ::open(QFile::encodeName(keptPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!fd.isOpen() && errno == EEXIST) {
            continue;
        }
        if (!fd.isOpen() || !writeAt(fd.get(), old)) {
            const int error = errno;
            ::unlink(QFile::encodeName(keptPath).constData()); // nothing kept is of use half-written
            return setReason(reason, QStringLiteral("Cannot keep the old bytes of '") + target + QLatin1Char('\''),
                             error);
        }
        return true;
    }
    return setReason(reason, QStringLiteral("Cannot keep the old bytes of '") + target + QLatin1Char('\''), EEXIST);
}

bool writeVerified(int fd, const QByteArray &bytes, const QByteArray &old, QString *reason)
{
    const bool written = writeAt(fd, bytes);
    const int error = errno;
    if (written && readFrom(fd) == bytes) {
        return true;
    }
    // Put back what was there; when even that fails, the kept copy beside the file still holds it.
    [[maybe_unused]] const bool restored = writeAt(fd, old);
    return setReason(reason, QStringLiteral("The file did not read back as written in place"), written ? EIO : error);
}

} // namespace Kadex::Platform::InPlace
