// A plant file written by a run keeps its owner, group, mode, ACL and extended attributes, whoever runs it.
#include "platform/ProfileStrings.h"
#include "tests/support/QtPrinters.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace Kadex::Test {
namespace {

QByteArray attribute(const QString &path, const char *name)
{
    QByteArray value(4096, '\0');
    const ssize_t size = ::getxattr(QFile::encodeName(path).constData(), name, value.data(), size_t(value.size()));
    return size < 0 ? QByteArray("<none>") : value.left(size);
}

// An access ACL granting user 4321 (and all others) read and write: entries of (tag, permissions, id), sorted by tag.
QByteArray aclGrantingUser4321()
{
    QByteArray acl;
    const auto put32 = [&](quint32 v) { acl.append(reinterpret_cast<const char *>(&v), 4); };
    const auto entry = [&](quint16 tag, quint16 perm, quint32 id) {
        acl.append(reinterpret_cast<const char *>(&tag), 2).append(reinterpret_cast<const char *>(&perm), 2);
        put32(id);
    };
    put32(2); // the version of the format
    entry(0x01, 6, ~0u);
    entry(0x02, 6, 4321);
    entry(0x04, 4, ~0u);
    entry(0x10, 6, ~0u);
    entry(0x20, 6, ~0u);
    return acl;
}

TEST(FileOwnerKeptTest, WriteByAnotherUserKeepsOwnerGroupModeAclAndAttributes)
{
    const passwd *nobody = ::getpwnam("nobody");
    if (::geteuid() != 0 || nobody == nullptr) {
        GTEST_SKIP() << "needs root and a user nobody";
    }
    QTemporaryDir dir;
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
    struct Row
    {
        const char *writer;
        uid_t writerId;
        uid_t ownerId;
    };
    for (const Row &row :
         {Row{"root on nobody's file", 0, nobody->pw_uid}, Row{"nobody on root's file", nobody->pw_uid, 0}}) {
        SCOPED_TRACE(row.writer);
        const QString path = dir.filePath(QStringLiteral("Program.ini"));
        const QByteArray native = QFile::encodeName(path);
        QFile::remove(path);
        ASSERT_TRUE(QFile(path).open(QIODevice::WriteOnly));
        ASSERT_EQ(::chown(native.constData(), row.ownerId, row.ownerId == 0 ? 0 : nobody->pw_gid), 0);
        ASSERT_EQ(::chmod(native.constData(), 0666), 0);
        const QByteArray acl = aclGrantingUser4321();
        if (::setxattr(native.constData(), "system.posix_acl_access", acl.constData(), size_t(acl.size()), 0) != 0 ||
            ::setxattr(native.constData(), "user.plant", "line 3", 6, 0) != 0) {
            GTEST_SKIP() << "the temporary folder's file system keeps no ACLs or extended attributes";
        }
        struct stat before = {};
        ASSERT_EQ(::stat(native.constData(), &before), 0);

        const pid_t child = ::fork();
        if (child == 0) {
            const bool dropped =
                ::setresgid(row.writerId == 0 ? 0 : nobody->pw_gid, row.writerId == 0 ? 0 : nobody->pw_gid,
                            row.writerId == 0 ? 0 : nobody->pw_gid) == 0 &&
                ::setresuid(row.writerId, row.writerId, row.writerId) == 0;
            ::_exit(dropped && Platform::ProfileStrings::writeString("S", "K", "v", path) ? 0 : 1);
        }
        int status = -1;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_EQ(status, 0) << "the write failed";

        struct stat after = {};
        ASSERT_EQ(::stat(native.constData(), &after), 0);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_gid, before.st_gid);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(attribute(path, "system.posix_acl_access"), acl);
        EXPECT_EQ(attribute(path, "user.plant"), QByteArray("line 3"));
        QFile written(path);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), QByteArray("[S]\r\nK=v\r\n"));
    }
}

} // namespace
} // namespace Kadex::Test
