#include "platform/FileSeen.h"

#include "platform/RegularFile.h"

#include <QFile>

#include <ctime>

namespace Kadex::Platform {

namespace {

qint64 nanoseconds(const struct timespec &time)
{
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

bool sameTime(const struct timespec &a, const struct timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

FileStamp FileStamp::of(const struct stat &info)
{
    return FileStamp{true, info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
}

FileStamp FileStamp::at(const QString &path)
{
    struct stat info = {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0) {
        return {};
    }
    return of(info);
}

bool FileStamp::operator==(const FileStamp &other) const
{
    return exists == other.exists && device == other.device && inode == other.inode && size == other.size &&
           sameTime(modified, other.modified) && sameTime(changed, other.changed);
}

bool FileStamp::settledBefore(const struct timespec &when) const
{
    const qint64 last = std::max(nanoseconds(modified), nanoseconds(changed));
    return last < nanoseconds(when) - FileSeen::SettleNanoseconds;
}

FileSeen::FileSeen(QString path, FileStamp stamp, QByteArray bytes, const struct timespec &readAt)
    : m_path(std::move(path)), m_stamp(stamp), m_bytes(std::move(bytes)), m_settled(stamp.settledBefore(readAt))
{
}

struct timespec FileSeen::clock()
{
    struct timespec now = {};
    // Cannot fail for this clock; a zero time would only make every file count as unsettled.
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

FileSeen FileSeen::now(const QString &path)
{
    const struct timespec readAt = clock();
    const FileStamp before = FileStamp::at(path);
    RegularFile::Contents contents = RegularFile::readAll(path);
    if (contents.status != RegularFile::Status::Opened) {
        return FileSeen(path, before, QByteArray(), readAt);
    }
    return FileSeen(path, before, std::move(contents.bytes), readAt);
}

bool FileSeen::unchanged() const
{
    if (FileStamp::at(m_path) != m_stamp) {
        return false;
    }
    if (m_settled || !m_stamp.exists) {
        return true;
    }
    // Read against the bytes seen, so that a large file costs no second copy of them.
    const FileStamp before = FileStamp::at(m_path);
    const RegularFile::Contents again = RegularFile::readAllSharing(m_path, m_bytes);
    const QByteArray bytes = again.status == RegularFile::Status::Opened ? again.bytes : QByteArray();
    return before == m_stamp && RegularFile::sameBytes(bytes, m_bytes);
}

} // namespace Kadex::Platform
