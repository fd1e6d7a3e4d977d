#pragma once

#include "platform/UniqueFd.h"

#include <QString>

#include <chrono>

namespace Kadex::Platform {

// An exclusive advisory lock (flock) on a file, held as long as the object lives. The kernel releases it when the
// process dies, however it dies, so a killed holder never leaves it behind. The lock file is created when missing
// and never removed: removing it would let a waiter lock a file that another run has already replaced.
class FileLock
{
public:
    // Locks the file at path, waiting while another holder has it, up to wait. Not held afterwards (see held) when
    // the wait ran out, or when the file can be neither created nor opened.
    static FileLock acquire(const QString &path, std::chrono::milliseconds wait);

    // Whether this object holds the lock.
    bool held() const { return m_fd.isOpen(); }
    // Whether the lock file could be opened at all (created when missing, readable and writable by every user).
    bool fileOpened() const { return m_fileOpened; }
    // Why the lock file could not be opened (the system's error text); empty when it was.
    const QString &openError() const { return m_openError; }

private:
    UniqueFd m_fd;
    bool m_fileOpened = false;
    QString m_openError;
};

// Takes the exclusive lock of the open file fd without waiting; false when another descriptor holds it.
bool tryLock(int fd);

} // namespace Kadex::Platform
