#include "platform/FileLock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>

namespace Kadex::Platform {

namespace {

constexpr std::chrono::milliseconds PollInterval{50};

UniqueFd openLockFile(const QByteArray &path)
{
    UniqueFd fd(::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666));
    if (!fd.isOpen()) {
        // A user who may not write the folder still locks an existing file: flock needs no write access. Neither
        // open waits on a FIFO in the lock file's place.
        fd = UniqueFd(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
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
