#include "platform/IniFileCache.h"

#include "platform/RegularFile.h"

#include <QHash>

#include <algorithm>
#include <unistd.h>
#include <vector>

namespace Kadex::Platform::IniFileCache {

namespace {

// A run touches four INI files; a few more are kept for programs that read others.
constexpr std::size_t KeptFiles = 8;

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

QHash<QString, Served> &servedFiles()
{
    static QHash<QString, Served> files;
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

void drop(const QString &path)
{
    std::erase_if(keptFiles(), [&](const Kept &k) { return k.path == path; });
}

void keep(const QString &path, std::shared_ptr<const ParsedFile> file)
{
    drop(path);
    std::vector<Kept> &kept = keptFiles();
    kept.insert(kept.begin(), Kept{path, std::move(file)});
    if (kept.size() > KeptFiles) {
        kept.pop_back();
    }
}

std::shared_ptr<const ParsedFile> serve(const QString &path, std::shared_ptr<const ParsedFile> file,
                                        const struct timespec &readAt)
{
    QHash<QString, Served> &served = servedFiles();
    const auto found = served.find(path);
    if (found == served.end()) {
        served.insert(path, Served{FileSeen(path, file->stamp, file->bytes, readAt), false});
    } else if (!found->mixed && !RegularFile::sameBytes(found->first.bytes(), file->bytes)) {
        found->mixed = true;
    }
    return file;
}

struct Reading
{
    QByteArray bytes;
    FileStamp stamp; // the file's stamp, the same before and after the reading when `whole`
    bool whole = false;
    QString failure; // a read error
};

// One reading of the open file from its start, with the stamp it had before; whole when the stamp held still.
// Where it reads as known, it shares known's bytes instead of holding a copy of its own.
Reading readOnce(int fd, const FileStamp &before, const QByteArray &known)
{
    Reading reading;
    reading.stamp = before;
    if (::lseek(fd, 0, SEEK_SET) != 0) {
        reading.failure = RegularFile::errorText(errno);
        return reading;
    }
    bool read = false;
    if (known.isEmpty()) {
        reading.bytes.reserve(qsizetype(before.size));
        read = RegularFile::readToEnd(fd, RegularFile::MaxReadBytes, reading.bytes, reading.failure);
    } else {
        read = RegularFile::readToEndSharing(fd, RegularFile::MaxReadBytes, known, reading.bytes, reading.failure);
    }
    if (!read) {
        return reading;
    }
    struct stat after = {};
    if (::fstat(fd, &after) != 0) {
        reading.failure = RegularFile::errorText(errno);
        return reading;
    }
    reading.stamp = FileStamp::of(after);
    reading.whole = reading.stamp == before && reading.bytes.size() == qsizetype(before.size);
    return reading;
}

// Reads the open file until a reading holds still (FileSeen::Attempts at most; the last reading counts then). A
// file that had not settled is read once more and must read the same: a rewrite in the tick of its last change
// leaves the stamp as it was. The second reading is compared as it is read, so that it needs no memory.
Reading readSettled(int fd, FileStamp stamp, const struct timespec &readAt, const QByteArray &known)
{
    Reading reading;
    for (int attempt = 1; attempt <= FileSeen::Attempts; ++attempt) {
        reading = readOnce(fd, stamp, known);
        if (!reading.failure.isEmpty()) {
            return reading;
        }
        if (reading.whole && !stamp.settledBefore(readAt)) {
            const Reading again = readOnce(fd, stamp, reading.bytes);
            reading.whole =
                again.failure.isEmpty() && again.whole && RegularFile::sameBytes(again.bytes, reading.bytes);
        }
        if (reading.whole) {
            break;
        }
        stamp = reading.stamp;
    }
    return reading;
}

// Whether one reading confirms the kept file: it was read (and confirmed) or written with this very stamp, so a
// reading that gives its bytes again, the stamp holding still, is the second reading of the same bytes.
bool readsAsKept(int fd, const ParsedFile &known, const FileStamp &stamp)
{
    if (!(known.stamp == stamp)) {
        return false;
    }
    const Reading reading = readOnce(fd, stamp, known.bytes);
    return reading.failure.isEmpty() && reading.whole && RegularFile::sameBytes(reading.bytes, known.bytes);
}

// The kept file as served again now: the same unless it has settled since.
std::shared_ptr<const ParsedFile> keptAgain(const QString &path, std::shared_ptr<const ParsedFile> known, bool settled)
{
    if (known->settled == settled) {
        return known;
    }
    auto again = std::make_shared<const ParsedFile>(ParsedFile{known->bytes, known->text, known->stamp, settled});
    keep(path, again);
    return again;
}

} // namespace

std::shared_ptr<const ParsedFile> read(const QString &path, QString *unreadable)
{
    if (path.isEmpty()) {
        return nullptr;
    }
    RegularFile::Opened opened = RegularFile::openForReading(path);
    if (opened.status != RegularFile::Status::Opened) {
        if (unreadable) {
            *unreadable = opened.reason;
        }
        return nullptr;
    }
    const struct timespec readAt = FileSeen::clock();
    const FileStamp stamp = FileStamp::of(opened.info);
    std::shared_ptr<const ParsedFile> known = find(path);
    if (known && known->settled && known->stamp == stamp) {
        return serve(path, known, readAt);
    }
    if (known && readsAsKept(opened.fd.get(), *known, stamp)) {
        return serve(path, keptAgain(path, known, stamp.settledBefore(readAt)), readAt);
    }
    Reading reading = readSettled(opened.fd.get(), stamp, readAt, known ? known->bytes : QByteArray());
    if (!reading.failure.isEmpty()) {
        if (unreadable) {
            *unreadable = reading.failure;
        }
        return nullptr;
    }
    const bool settled = reading.whole && reading.stamp.settledBefore(readAt);
    if (known && RegularFile::sameBytes(known->bytes, reading.bytes) && known->stamp == reading.stamp &&
        known->settled == settled) {
        return serve(path, known, readAt);
    }
    std::shared_ptr<const ParsedFile> parsed;
    if (known && RegularFile::sameBytes(known->bytes, reading.bytes)) {
        parsed = std::make_shared<const ParsedFile>(ParsedFile{known->bytes, known->text, reading.stamp, settled});
    } else {
        // The kept bytes and lines are of no more use: not held beside the new ones while these are parsed.
        known.reset();
        drop(path);
        IniText text(reading.bytes);
        parsed = std::make_shared<const ParsedFile>(
            ParsedFile{std::move(reading.bytes), std::move(text), reading.stamp, settled});
    }
    keep(path, parsed);
    return serve(path, parsed, readAt);
}

void remember(const QString &path, const QByteArray &bytes, IniText text)
{
    // Written by this process just now: not settled, so the next read reads the file again.
    keep(path, std::make_shared<const ParsedFile>(ParsedFile{bytes, std::move(text), FileStamp::at(path), false}));
    servedFiles().remove(path);
}

void forget(const QString &path)
{
    drop(path);
}

void wrote(const QString &path)
{
    drop(path);
    servedFiles().remove(path);
}

std::optional<Served> served(const QString &path)
{
    const auto found = servedFiles().constFind(path);
    return found == servedFiles().constEnd() ? std::nullopt : std::optional<Served>(*found);
}

void forgetReads()
{
    servedFiles().clear();
}

} // namespace Kadex::Platform::IniFileCache
