#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

namespace Kadex::Test {

// Writes bytes to a file, creating its folders; a failure fails the test.
void writeFileBytes(const QString &path, const QByteArray &bytes);

// The bytes of a file, or empty when it cannot be read.
QByteArray fileBytes(const QString &path);

// Gives a file or folder other permissions for the guard's life and puts the old ones back at its end, so that a
// failed assertion does not leave it read-only for the next test.
class ScopedPermissions
{
public:
    ScopedPermissions(const QString &path, QFileDevice::Permissions permissions);
    ~ScopedPermissions();

    ScopedPermissions(const ScopedPermissions &) = delete;
    ScopedPermissions &operator=(const ScopedPermissions &) = delete;

private:
    QString m_path;
    QFileDevice::Permissions m_old;
};

// The usual read-only guard: readable by all, writable by none.
class ReadOnlyFile : public ScopedPermissions
{
public:
    explicit ReadOnlyFile(const QString &path);
};

} // namespace Kadex::Test
