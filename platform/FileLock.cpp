#include "platform/FileLock.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>

namespace Kadex::Platform {

namespace {

constexpr std::chrono::milliseconds PollInterval{50};

// Opens the lock file, creating it when missing; errno tells why when nothing could be opened.
UniqueFd openLockFile(const QByteArray &path)
{
    UniqueFd fd(::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666));
    if (fd.isOpen()) {
        // Every user who may run the program must be able to lock it later, whatever this run's umask: a lock file
        // left by a root run that only root may open would lock every other user out. A file system that keeps no
        // modes refuses this harmlessly.
        (void)::fchmod(fd.get(), 0666);
        return fd;
    }
    const int createError = errno;
    fd = UniqueFd(::open(path.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd.isOpen()) {
        // A user who may not write the file or its folder still locks an existing file: flock needs no write access.
        // None of the opens waits on a FIFO in the lock file's place.
        fd = UniqueFd(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        if (!fd.isOpen() && errno == ENOENT) {
            errno = createError; // missing, and it could not be created: that is the reason
        }
    }
    return fd;
}

} // namespace

bool tryLock(int fd)
{
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

FileLock FileLock::acquire(const QString &path, std::chrono::milliseconds wait)
{
    FileLock lock;
    UniqueFd fd = openLockFile(QFile::encodeName(path));
    if (!fd.isOpen()) {
        lock.m_openError = QString::fromLocal8Bit(std::strerror(errno));
        return lock;
    }
    lock.m_fileOpened = true;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (tryLock(fd.get())) {
            lock.m_fd = std::move(fd);
            return lock;
        }
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            return lock;
        }
        std::this_thread::sleep_for(PollInterval);
    }
}

} // namespace Kadex::Platform
