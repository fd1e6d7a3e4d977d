#include "tests/support/SmallDisk.h"

#include "platform/UniqueFd.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace Kadex::Test {

SmallDisk::SmallDisk(QString folder, qint64 bytes) : m_folder(std::move(folder))
{
    QDir().mkpath(m_folder);
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0755";
    if (::mount("tmpfs", QFile::encodeName(m_folder).constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) ==
        0) {
        m_mounted = true;
    } else {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
    }
}

SmallDisk::~SmallDisk()
{
    if (m_mounted) {
        // Detached, so that a file a killed program still holds open cannot keep the mount.
        ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
    }
}

qint64 SmallDisk::freeBytes() const
{
    struct statvfs info = {};
    if (::statvfs(QFile::encodeName(m_folder).constData(), &info) != 0) {
        return -1;
    }
    return static_cast<qint64>(info.f_bavail) * static_cast<qint64>(info.f_frsize);
}

bool SmallDisk::leaveFree(qint64 bytes)
{
    removeFiller();
    const qint64 fill = freeBytes() - bytes;
    if (fill < 0) {
        return false;
    }
    if (fill == 0) {
        return true;
    }
    const Platform::UniqueFd fd(
        ::open(QFile::encodeName(fillerPath()).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    return fd.isOpen() && ::posix_fallocate(fd.get(), 0, fill) == 0;
}

void SmallDisk::removeFiller()
{
    QFile::remove(fillerPath());
}

} // namespace Kadex::Test
