#include "platform/FileTimes.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace Kadex::Platform {

namespace {

constexpr qint64 NsPerSecond = 1000000000;

qint64 toNs(qint64 seconds, qint64 nanoseconds)
{
    return seconds * NsPerSecond + nanoseconds;
}

timespec toTimespec(qint64 ns)
{
    // Floor division, so times before 1970 keep a nanosecond part in 0..999999999.
    qint64 seconds = ns / NsPerSecond;
    qint64 rest = ns % NsPerSecond;
    if (rest < 0) {
        rest += NsPerSecond;
        --seconds;
    }
    timespec time = {};
    time.tv_sec = static_cast<time_t>(seconds);
    time.tv_nsec = static_cast<long>(rest);
    return time;
}

} // namespace

std::optional<FileTimes> FileTimes::read(const QString &path)
{
    if (path.isEmpty()) {
        return std::nullopt;
    }
    const QByteArray encoded = QFile::encodeName(path);
    FileTimes times;
    struct statx extended = {};
    if (::statx(AT_FDCWD, encoded.constData(), 0, STATX_BASIC_STATS | STATX_BTIME, &extended) == 0) {
        if (extended.stx_mask & STATX_BTIME) {
            times.creationNs = toNs(extended.stx_btime.tv_sec, extended.stx_btime.tv_nsec);
        }
        times.lastAccessNs = toNs(extended.stx_atime.tv_sec, extended.stx_atime.tv_nsec);
        times.lastWriteNs = toNs(extended.stx_mtime.tv_sec, extended.stx_mtime.tv_nsec);
        return times;
    }
    if (errno != ENOSYS) {
        return std::nullopt;
    }
    // A kernel without statx: no birth time.
    struct stat basic = {};
    if (::stat(encoded.constData(), &basic) != 0) {
        return std::nullopt;
    }
    times.lastAccessNs = toNs(basic.st_atim.tv_sec, basic.st_atim.tv_nsec);
    times.lastWriteNs = toNs(basic.st_mtim.tv_sec, basic.st_mtim.tv_nsec);
    return times;
}

bool FileTimes::restore(const QString &path, const FileTimes &times)
{
    if (path.isEmpty()) {
        return false;
    }
    const QByteArray encoded = QFile::encodeName(path);
    struct stat info = {};
    if (::stat(encoded.constData(), &info) != 0) {
        return false;
    }
    if (times.lastWriteNs == 0) {
        return true;
    }
    // Linux offers no call that sets a file's creation (birth) time, so creationNs cannot be put back.
    timespec values[2] = {};
    values[0].tv_nsec = UTIME_OMIT;
    values[1] = toTimespec(times.lastWriteNs);
    return ::utimensat(AT_FDCWD, encoded.constData(), values, 0) == 0;
}

} // namespace Kadex::Platform
