#include "platform/RegularFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace Kadex::Platform::RegularFile {

namespace {

constexpr qsizetype ChunkSize = 64 * 1024;

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode)) {
        return QStringLiteral("is a directory");
    }
    if (S_ISFIFO(mode)) {
        return QStringLiteral("is a FIFO");
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return QStringLiteral("is a device");
    }
    if (S_ISSOCK(mode)) {
        return QStringLiteral("is a socket");
    }
    return QStringLiteral("is no regular file");
}

QString tooLarge(qint64 maxBytes)
{
    return QStringLiteral("is larger than %1 bytes, more than any plant's file holds").arg(maxBytes);
}

Opened unreadable(QString reason)
{
    Opened opened;
    opened.status = Status::Unreadable;
    opened.reason = std::move(reason);
    return opened;
}

// Reads up to size bytes into buffer, again when a signal cuts the read short; -1 with errno on failure.
ssize_t readSome(int fd, char *buffer, std::size_t size)
{
    for (;;) {
        const ssize_t got = ::read(fd, buffer, size);
        if (got >= 0 || errno != EINTR) {
            return got;
        }
    }
}

} // namespace

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

Opened openForReading(const QString &path, qint64 maxBytes)
{
    const QByteArray encoded = QFile::encodeName(path);
    Opened opened;
    opened.fd = UniqueFd(::open(encoded.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!opened.fd.isOpen()) {
        const int error = errno;
        struct stat link = {};
        if (error == ENOENT && ::lstat(encoded.constData(), &link) == 0 && S_ISLNK(link.st_mode)) {
            return unreadable(QStringLiteral("is a link to a file that does not exist"));
        }
        return error == ENOENT ? Opened() : unreadable(errorText(error));
    }
    if (::fstat(opened.fd.get(), &opened.info) != 0) {
        return unreadable(errorText(errno));
    }
    if (!S_ISREG(opened.info.st_mode)) {
        return unreadable(kindOf(opened.info.st_mode));
    }
    if (opened.info.st_size > maxBytes) {
        return unreadable(tooLarge(maxBytes));
    }
    // A regular file does not block; blocking mode again so that a read is never cut short for want of data.
    const int flags = ::fcntl(opened.fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(opened.fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return unreadable(errorText(errno));
    }
    opened.status = Status::Opened;
    return opened;
}

bool readToEnd(int fd, qint64 maxBytes, QByteArray &bytes, QString &reason)
{
    char chunk[ChunkSize];
    for (;;) {
        const ssize_t got = readSome(fd, chunk, sizeof chunk);
        if (got < 0) {
            reason = errorText(errno);
            return false;
        }
        if (got == 0) {
            return true;
        }
        if (bytes.size() + got > maxBytes) {
            reason = tooLarge(maxBytes);
            return false;
        }
        bytes.append(chunk, got);
    }
}

bool readToEndSharing(int fd, qint64 maxBytes, const QByteArray &known, QByteArray &bytes, QString &reason)
{
    char chunk[ChunkSize];
    qsizetype matched = 0; // the file's bytes read so far, all equal to known's first ones
    for (;;) {
        const ssize_t got = readSome(fd, chunk, sizeof chunk);
        if (got < 0) {
            reason = errorText(errno);
            return false;
        }
        if (got == 0) {
            bytes = matched == known.size() ? known : known.first(matched);
            return true;
        }
        if (matched + got > known.size() || std::memcmp(known.constData() + matched, chunk, std::size_t(got)) != 0) {
            // The file differs from here on: its own bytes from now.
            bytes.clear();
            bytes.reserve(known.size());
            bytes.append(known.constData(), matched);
            bytes.append(chunk, got);
            if (bytes.size() > maxBytes) {
                reason = tooLarge(maxBytes);
                return false;
            }
            return readToEnd(fd, maxBytes, bytes, reason);
        }
        matched += got;
    }
}

bool sameBytes(const QByteArray &a, const QByteArray &b)
{
    return a.size() == b.size() && (a.constData() == b.constData() || a == b);
}

Contents readAll(const QString &path, qint64 maxBytes)
{
    Opened opened = openForReading(path, maxBytes);
    Contents contents;
    contents.status = opened.status;
    contents.reason = opened.reason;
    if (opened.status != Status::Opened) {
        return contents;
    }
    contents.bytes.reserve(qsizetype(opened.info.st_size));
    if (!readToEnd(opened.fd.get(), maxBytes, contents.bytes, contents.reason)) {
        contents.status = Status::Unreadable;
        contents.bytes.clear();
    }
    return contents;
}

Contents readAllSharing(const QString &path, const QByteArray &known)
{
    Opened opened = openForReading(path);
    Contents contents;
    contents.status = opened.status;
    contents.reason = opened.reason;
    if (opened.status != Status::Opened) {
        return contents;
    }
    if (!readToEndSharing(opened.fd.get(), MaxReadBytes, known, contents.bytes, contents.reason)) {
        contents.status = Status::Unreadable;
        contents.bytes.clear();
    }
    return contents;
}

} // namespace Kadex::Platform::RegularFile
