#pragma once

#include <QString>

namespace Kadex::Test {

// A small file system of its own (a tmpfs) mounted at a folder for the length of a test, to fill it up. It is
// unmounted when the object goes, also when a failed assertion ends the test early. Mounting needs root; where
// it is refused, mounted() is false and error() says why.
class SmallDisk
{
public:
    SmallDisk(QString folder, qint64 bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool mounted() const { return m_mounted; }
    QString error() const { return m_error; }
    const QString &folder() const { return m_folder; }

    // The bytes still free for files.
    qint64 freeBytes() const;
    // Fills the disk with a filler file until bytes (rounded down to whole blocks) stay free; false when the
    // disk has less free already or cannot be filled.
    bool leaveFree(qint64 bytes);
    // Removes the filler file: the room is back.
    void removeFiller();

private:
    QString fillerPath() const { return m_folder + QStringLiteral("/filler"); }

    QString m_folder;
    bool m_mounted = false;
    QString m_error;
};

} // namespace Kadex::Test
