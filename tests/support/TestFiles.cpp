#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace Kadex::Test {

void writeFileBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size()) << path.toStdString();
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

ScopedPermissions::ScopedPermissions(const QString &path, QFileDevice::Permissions permissions)
    : m_path(path), m_old(QFile::permissions(path))
{
    EXPECT_TRUE(QFile::setPermissions(path, permissions)) << path.toStdString();
}

ScopedPermissions::~ScopedPermissions()
{
    QFile::setPermissions(m_path, m_old);
}

ReadOnlyFile::ReadOnlyFile(const QString &path)
    : ScopedPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadUser | QFileDevice::ReadGroup |
                                  QFileDevice::ReadOther)
{
}

} // namespace Kadex::Test
