#include "platform/IniFileCache.h"

#include "platform/UniqueFd.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Kadex::Platform::IniFileCache {

namespace {

// A run touches four INI files; a few more are kept for programs that read others.
constexpr std::size_t KeptFiles = 8;
constexpr qsizetype ChunkSize = 64 * 1024;
// How often a file that changes while it is read is read again before its last reading counts.
constexpr int ReadAttempts = 8;

struct Kept
{
    QString path;
    std::shared_ptr<const ParsedFile> file;
};

// The kept files, the one used last first.
std::vector<Kept> &keptFiles()
{
    static std::vector<Kept> files;
    return files;
}

std::shared_ptr<const ParsedFile> find(const QString &path)
{
    std::vector<Kept> &kept = keptFiles();
    const auto found = std::find_if(kept.begin(), kept.end(), [&](const Kept &k) { return k.path == path; });
    if (found == kept.end()) {
        return nullptr;
    }
    std::rotate(kept.begin(), found, found + 1);
    return kept.front().file;
}

void keep(const QString &path, std::shared_ptr<const ParsedFile> file)
{
    std::vector<Kept> &kept = keptFiles();
    std::erase_if(kept, [&](const Kept &k) { return k.path == path; });
    kept.insert(kept.begin(), Kept{path, std::move(file)});
    if (kept.size() > KeptFiles) {
        kept.pop_back();
    }
}

// Reads the open file to its end. While its bytes match known (from the start on), they are only compared;
// returns true when the file holds exactly known, else false with the file's bytes in fresh.
bool readComparing(int fd, const QByteArray *known, qsizetype sizeHint, QByteArray &fresh)
{
    bool same = known != nullptr;
    qsizetype at = 0;
    char chunk[ChunkSize];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break; // a read error ends the file there, as a short read would
        }
        if (same && at + got <= known->size() && std::memcmp(known->constData() + at, chunk, size_t(got)) == 0) {
            at += got;
            continue;
        }
        if (same) {
            same = false;
            fresh.reserve(std::max(sizeHint, at + qsizetype(got)));
            fresh.append(known->constData(), at);
        } else if (fresh.isEmpty()) {
            fresh.reserve(sizeHint);
        }
        fresh.append(chunk, got);
        at += got;
    }
    if (same && at == known->size()) {
        return true;
    }
    if (same) {
        fresh = known->first(at); // the file got shorter
    }
    return false;
}

// What tells that a file changed between two looks at it: its size and its change and modification times.
bool sameState(const struct stat &a, const struct stat &b)
{
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

} // namespace

std::shared_ptr<const ParsedFile> read(const QString &path)
{
    if (path.isEmpty()) {
        return nullptr;
    }
    // Not blocking: a FIFO in the file's place must not hang the read (it is no regular file and reads as missing).
    const UniqueFd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.isOpen()) {
        return nullptr;
    }
    struct stat info = {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return nullptr;
    }
    std::shared_ptr<const ParsedFile> known = find(path);
    QByteArray fresh;
    bool same = false;
    // A file another program writes while it is read (an editor writing it in place) reads torn: its size or times
    // differ at the end of the read, or the bytes read are not its size. Times are coarse, so a changed file is
    // read once more and must read the same. A torn read is repeated.
    for (int attempt = 1;; ++attempt) {
        fresh.clear();
        same = readComparing(fd.get(), known ? &known->bytes : nullptr, qsizetype(info.st_size), fresh);
        const qsizetype bytesRead = same ? known->bytes.size() : fresh.size();
        bool whole = bytesRead == info.st_size;
        if (whole && !same) {
            QByteArray again;
            whole = ::lseek(fd.get(), 0, SEEK_SET) == 0 && readComparing(fd.get(), &fresh, bytesRead, again);
        }
        struct stat after = {};
        whole = ::fstat(fd.get(), &after) == 0 && whole && sameState(info, after);
        if (whole || attempt == ReadAttempts || ::lseek(fd.get(), 0, SEEK_SET) != 0) {
            break;
        }
        info = after;
    }
    if (same) {
        return known;
    }
    IniText text(fresh);
    auto parsed = std::make_shared<const ParsedFile>(ParsedFile{std::move(fresh), std::move(text)});
    keep(path, parsed);
    return parsed;
}

void remember(const QString &path, const QByteArray &bytes, IniText text)
{
    keep(path, std::make_shared<const ParsedFile>(ParsedFile{bytes, std::move(text)}));
}

} // namespace Kadex::Platform::IniFileCache
