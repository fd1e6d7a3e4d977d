#pragma once

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

namespace Kadex::Platform {

// What tells a later look at a file that it changed: its identity, size and times. A write in place changes the
// change time (which no program can set back), a replacement the inode.
struct FileStamp
{
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    struct timespec modified
    {
    };
    struct timespec changed
    {
    };

    static FileStamp of(const struct stat &info);
    // The file at path now (links followed); a file that cannot be looked at counts as not there.
    static FileStamp at(const QString &path);
    bool operator==(const FileStamp &other) const;
    // Whether the file's last change lies so long before when that any later change shows in the stamp. File systems
    // keep times in coarse ticks: a file changed in the tick of a reading may change again in that same tick
    // without a new time, so only its bytes tell.
    bool settledBefore(const struct timespec &when) const;
};

// "Has the file changed since it was read": the file as one reading saw it, and the one rule every reader and
// writer of the plant's files applies to it.
class FileSeen
{
public:
    // How often a reading or a write of a file that another program changes meanwhile is made before the program
    // gives up on it: readings then keep the last reading, writes fail.
    static constexpr int Attempts = 8;
    // How long after its last change a file counts as settled (FileStamp::settledBefore): longer than the coarsest
    // tick of a file system the plant uses.
    static constexpr qint64 SettleNanoseconds = 2'000'000'000;

    FileSeen() = default;
    // The file as a reading that began at readAt found it: stamp taken before the reading, bytes as read.
    FileSeen(QString path, FileStamp stamp, QByteArray bytes, const struct timespec &readAt);
    // The file at path as it is now, read whole (RegularFile::readAll; an unreadable file counts as not there).
    static FileSeen now(const QString &path);

    // Whether the file still is as seen: the same stamp, and, for a file not settled when it was read, the same
    // bytes. A file rewritten with the same bytes counts as changed when its stamp shows it.
    bool unchanged() const;

    const QString &path() const { return m_path; }
    const FileStamp &stamp() const { return m_stamp; }
    const QByteArray &bytes() const { return m_bytes; }
    bool settled() const { return m_settled; }

    // The time a reading starts at, on the clock file systems stamp files with.
    static struct timespec clock();

private:
    QString m_path;
    FileStamp m_stamp;
    QByteArray m_bytes;
    bool m_settled = false;
};

} // namespace Kadex::Platform
