#pragma once

#include <QByteArray>
#include <QString>

// A file's extended attributes, its access ACL (system.posix_acl_access) among them.
namespace Kadex::Platform::FileAttributes {

// Gives the open file fd every extended attribute of the file at path, and takes from it an access ACL that path
// has not (one inherited from its folder's default ACL). Attributes of the kernel's and the system's own that this
// process may neither read nor set (trusted.*, security.*) stay as the kernel makes them. A file system without
// extended attributes has none to copy. False with the reason when one cannot be copied.
bool copy(const QByteArray &path, int fd, QString &reason);

} // namespace Kadex::Platform::FileAttributes
