#include "platform/FileAttributes.h"

#include "platform/RegularFile.h"

#include <QList>

#include <cerrno>
#include <optional>
#include <sys/xattr.h>

namespace Kadex::Platform::FileAttributes {

namespace {

constexpr char AccessAcl[] = "system.posix_acl_access";

bool unsupported(int error)
{
    return error == ENOTSUP || error == ENOSYS;
}

// Whether the attribute is one the kernel keeps for itself or the system's security: an unprivileged process may
// not set it, and the file system gives the new file its own.
bool kernelOwned(const QByteArray &name, int error)
{
    return (name.startsWith("trusted.") || name.startsWith("security.")) && (error == EPERM || error == EACCES);
}

bool fail(QString &reason, const QByteArray &name, int error)
{
    reason = QStringLiteral("Cannot copy the attribute ") + QString::fromLatin1(name) + QStringLiteral(": ") +
             RegularFile::errorText(error);
    return false;
}

// The names of the attributes of path; nothing on a file system without them.
std::optional<QList<QByteArray>> namesOf(const QByteArray &path, QString &reason)
{
    const ssize_t size = ::listxattr(path.constData(), nullptr, 0);
    if (size < 0) {
        if (unsupported(errno)) {
            return QList<QByteArray>();
        }
        fail(reason, "list", errno);
        return std::nullopt;
    }
    QByteArray names(size, '\0');
    const ssize_t got = ::listxattr(path.constData(), names.data(), size_t(names.size()));
    if (got < 0) {
        fail(reason, "list", errno);
        return std::nullopt;
    }
    names.truncate(got);
    QList<QByteArray> list = names.split('\0');
    list.removeAll(QByteArray());
    return list;
}

} // namespace

bool copy(const QByteArray &path, int fd, QString &reason)
{
    const std::optional<QList<QByteArray>> names = namesOf(path, reason);
    if (!names) {
        return false;
    }
    for (const QByteArray &name : *names) {
        const ssize_t size = ::getxattr(path.constData(), name.constData(), nullptr, 0);
        if (size < 0) {
            if (errno == ENODATA || kernelOwned(name, errno)) {
                continue; // gone meanwhile, or not ours to read
            }
            return fail(reason, name, errno);
        }
        QByteArray value(size, '\0');
        const ssize_t got = ::getxattr(path.constData(), name.constData(), value.data(), size_t(value.size()));
        if (got < 0) {
            return fail(reason, name, errno);
        }
        if (::fsetxattr(fd, name.constData(), value.constData(), size_t(got), 0) != 0 && !kernelOwned(name, errno)) {
            return fail(reason, name, errno);
        }
    }
    if (!names->contains(QByteArray(AccessAcl)) && ::fremovexattr(fd, AccessAcl) != 0 && errno != ENODATA &&
        !unsupported(errno)) {
        return fail(reason, AccessAcl, errno);
    }
    return true;
}

} // namespace Kadex::Platform::FileAttributes
