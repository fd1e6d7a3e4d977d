#include "platform/AtomicFile.h"

#include "platform/FileAttributes.h"
#include "platform/FileLock.h"
#include "platform/InPlaceWrite.h"
#include "platform/RegularFile.h"
#include "platform/UniqueFd.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace Kadex::Platform::AtomicFile {

namespace {

constexpr int TempNameAttempts = 100;

bool writeAll(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(size));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

bool modeIsReadOnly(const struct stat &info, const QByteArray &encodedPath)
{
    // A Windows read-only attribute maps to "no write bit"; root would write such a file anyway, so look at the bits.
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(encodedPath.constData(), W_OK) != 0;
}

// The file a write to path must replace: the final target when path is a symbolic link, so the link stays.
QString writeTarget(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink()) {
        return path;
    }
    return info.exists() ? info.canonicalFilePath() : info.symLinkTarget();
}

void syncEncodedFolder(const QByteArray &encodedFolder)
{
    const UniqueFd folder(::open(encodedFolder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.isOpen()) {
        // Best effort: the rename is already done; this only makes it survive a power cut sooner.
        ::fsync(folder.get());
    }
}

constexpr qsizetype TargetNameChars = 100;
const QString TemporaryEnding = QStringLiteral(".tmp");

// The name of a temporary file that replaces the file named targetName.
QString temporaryName(const QString &targetName, quint32 random)
{
    return QLatin1Char('.') + targetName.left(TargetNameChars) + QLatin1Char('.') + QString::number(random, 36) +
           TemporaryEnding;
}

// Removes the temporary files of target that an earlier write left behind: a process killed between creating
// one and renaming it cannot remove its own.
void removeLeftTemporaries(const QString &target)
{
    const QFileInfo info(target);
    const QDir folder = info.absoluteDir();
    const QString targetName = info.fileName().left(TargetNameChars);
    const QStringList names = folder.entryList({QLatin1Char('*') + TemporaryEnding},
                                               QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QString &name : names) {
        if (temporaryTarget(name) == targetName) {
            removeAbandoned(folder.filePath(name));
        }
    }
}

// Whether the open file fd is still linked into its folder: another run's sweep may have removed a temporary
// between its creation and its lock.
bool stillLinked(int fd)
{
    struct stat info = {};
    return ::fstat(fd, &info) == 0 && info.st_nlink > 0;
}

// Creates a new temporary file beside target and locks it, so that no other run's sweep removes it while it is
// written; returns its descriptor (not open on failure) and fills name.
UniqueFd createTemporary(const QString &target, QByteArray &name)
{
    const QFileInfo info(target);
    for (int attempt = 0; attempt < TempNameAttempts; ++attempt) {
        name = QFile::encodeName(info.absolutePath() + QLatin1Char('/') +
                                 temporaryName(info.fileName(), QRandomGenerator::global()->generate()));
        UniqueFd fd(::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd.isOpen()) {
            if (errno != EEXIST) {
                return fd;
            }
            continue;
        }
        if (tryLock(fd.get()) && stillLinked(fd.get())) {
            return fd;
        }
    }
    return UniqueFd();
}

// The bytes of the file at path now, sharing known's where it holds them (RegularFile::readToEndSharing); nothing
// when there is no file to read.
std::optional<QByteArray> currentBytes(const QString &path, const std::optional<QByteArray> &known)
{
    RegularFile::Contents contents = known ? RegularFile::readAllSharing(path, *known) : RegularFile::readAll(path);
    if (contents.status != RegularFile::Status::Opened) {
        return std::nullopt;
    }
    return std::move(contents.bytes);
}

// Whether a and b are both no file, or files of the same bytes.
bool sameContent(const std::optional<QByteArray> &a, const std::optional<QByteArray> &b)
{
    return a && b ? RegularFile::sameBytes(*a, *b) : a.has_value() == b.has_value();
}

std::function<void(const QString &)> &beforeReplaceSeam()
{
    static std::function<void(const QString &)> seam;
    return seam;
}

void runSeam(const QString &target)
{
    if (beforeReplaceSeam()) {
        beforeReplaceSeam()(target);
    }
}

bool failed(QString *reason, const QString &what, int error)
{
    if (reason) {
        *reason = what + QStringLiteral(": ") + RegularFile::errorText(error);
    }
    return false;
}

// Gives the temporary fd the old file's owner and group (where this process may set them), its extended
// attributes (its ACL among them) and its mode, in this order: a change of owner clears set-id bits, and the mode
// set last agrees with the ACL's mask as on the old file. sameOwner tells whether owner and group are the old ones.
bool takeOverAttributes(int fd, const QByteArray &encodedTarget, const struct stat &existing, bool &sameOwner,
                        QString *reason)
{
    if ((existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) &&
        ::fchown(fd, existing.st_uid, existing.st_gid) != 0) {
        if (errno != EPERM) {
            return failed(reason, QStringLiteral("Cannot give the new file its owner"), errno);
        }
        // Only a privileged process may give a file away; the group alone may be set by one of its members. What
        // stays different is reported through sameOwner.
        [[maybe_unused]] const int groupOnly = ::fchown(fd, uid_t(-1), existing.st_gid);
    }
    struct stat now = {};
    if (::fstat(fd, &now) != 0) {
        return failed(reason, QStringLiteral("Cannot look at the new file"), errno);
    }
    sameOwner = now.st_uid == existing.st_uid && now.st_gid == existing.st_gid;
    if (!sameOwner) {
        return true; // the file is written in place or refused; this temporary goes
    }
    QString failure;
    if (!FileAttributes::copy(encodedTarget, fd, failure)) {
        if (reason) {
            *reason = failure;
        }
        return false;
    }
    return ::fchmod(fd, existing.st_mode & 07777) == 0 || failed(reason, QStringLiteral("Cannot set the mode"), errno);
}

// What one replacement works with.
struct Replacement
{
    QString target;
    QByteArray encodedTarget;
    std::optional<struct stat> existing; // the old file, when there is one
    const std::optional<std::optional<QByteArray>> *expected = nullptr;
    std::optional<QByteArray> *replaced = nullptr;
    QString *reason = nullptr;
    FolderSync folderSync = FolderSync::Now;
};

void syncFolderOf(const Replacement &r)
{
    if (r.folderSync == FolderSync::Now) {
        syncEncodedFolder(QFile::encodeName(QFileInfo(r.target).absolutePath()));
    }
}

// Writes bytes into the old file itself, so that it keeps its inode and with it its owner: for a process that
// cannot give a new file the old one's owner. The old bytes stay in a file beside it until the new ones read
// back; a write that does not read back puts them back.
Outcome writeInPlace(const Replacement &r, const QByteArray &bytes)
{
    const UniqueFd fd(::open(r.encodedTarget.constData(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat info = {};
    if (!fd.isOpen() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        failed(r.reason, QStringLiteral("Cannot open the file to write it in place"), fd.isOpen() ? EINVAL : errno);
        return Outcome::Failed;
    }
    std::optional<QByteArray> old = InPlace::readFrom(fd.get());
    if (!old) {
        failed(r.reason, QStringLiteral("Cannot read the file"), errno);
        return Outcome::Failed;
    }
    if (r.expected && **r.expected != old) {
        return Outcome::Changed;
    }
    runSeam(r.target);
    // Read once more right before the write: a change another program made since the check goes to the caller
    // as the bytes replaced, as after an exchange.
    old = InPlace::readFrom(fd.get());
    QString keptPath;
    if (!old || !InPlace::keepOldBytes(r.target, *old, keptPath, r.reason)) {
        return Outcome::Failed;
    }
    const bool written = InPlace::writeVerified(fd.get(), bytes, *old, r.reason);
    if (written || InPlace::readFrom(fd.get()) == old) {
        // The file holds the new bytes or again the old ones: the kept copy is of no more use.
        ::unlink(QFile::encodeName(keptPath).constData());
    }
    if (!written) {
        return Outcome::Failed;
    }
    if (r.replaced) {
        *r.replaced = old;
    }
    return Outcome::Written;
}

// Renames the finished temporary over the target: exchanged with it where the caller wants the bytes it
// replaced, so that a write another program made after the check shows.
Outcome renameOver(const Replacement &r, const QByteArray &tempName)
{
    runSeam(r.target);
    if (r.replaced && r.existing &&
        ::renameat2(AT_FDCWD, tempName.constData(), AT_FDCWD, r.encodedTarget.constData(), RENAME_EXCHANGE) == 0) {
        // Swapped: the temporary's name now holds the file as it was replaced, which may be newer than the check.
        *r.replaced = currentBytes(QFile::decodeName(tempName), r.expected ? **r.expected : std::nullopt);
        // The old file's bytes are in the caller's hands now; a leftover would be swept by the next write.
        ::unlink(tempName.constData());
        syncFolderOf(r);
        return Outcome::Written;
    }
    if (::rename(tempName.constData(), r.encodedTarget.constData()) != 0) {
        failed(r.reason, QStringLiteral("Cannot rename the new file over '") + r.target + QLatin1Char('\''), errno);
        ::unlink(tempName.constData());
        return Outcome::Failed;
    }
    if (r.replaced) {
        *r.replaced = r.expected ? **r.expected : std::nullopt; // by name alone: the check before is all that is known
    }
    syncFolderOf(r);
    return Outcome::Written;
}

// Fills, finishes and checks the temporary; then renames it over the target, or writes the bytes in place where
// the temporary could not get the old file's owner.
Outcome finishTemporary(const Replacement &r, UniqueFd temporary, const QByteArray &tempName,
                        const std::function<bool(int)> &fill, std::optional<mode_t> newFileMode,
                        const std::function<QByteArray()> &inPlaceBytes)
{
    const int fd = temporary.get();
    bool sameOwner = true;
    bool ok =
        fill(fd) ||
        failed(r.reason, QStringLiteral("Cannot write '") + QFile::decodeName(tempName) + QLatin1Char('\''), errno);
    if (ok && r.existing) {
        ok = takeOverAttributes(fd, r.encodedTarget, *r.existing, sameOwner, r.reason);
    } else if (ok && newFileMode) {
        ok = ::fchmod(fd, *newFileMode) == 0 || failed(r.reason, QStringLiteral("Cannot set the mode"), errno);
    }
    ok = ok && (::fsync(fd) == 0 || failed(r.reason, QStringLiteral("Cannot flush the new file"), errno));
    // The lock lives on the open file, not on this descriptor: a second descriptor of it keeps the temporary
    // locked until the rename has made it the file, while the close of the first still reports a failed write-back.
    const UniqueFd lockUntilRenamed(::dup(fd));
    ok = ok && (lockUntilRenamed.isOpen() || failed(r.reason, QStringLiteral("Cannot keep the lock"), errno));
    ok = (temporary.close() || failed(r.reason, QStringLiteral("Cannot close the new file"), errno)) && ok;
    if (ok && !sameOwner && inPlaceBytes) {
        ::unlink(tempName.constData());
        return writeInPlace(r, inPlaceBytes());
    }
    if (ok && !sameOwner) {
        ok = failed(r.reason, QStringLiteral("Cannot give the new file the owner of '") + r.target + QLatin1Char('\''),
                    EPERM);
    }
    if (ok && r.expected && !sameContent(currentBytes(r.target, **r.expected), **r.expected)) {
        ::unlink(tempName.constData());
        return Outcome::Changed;
    }
    if (!ok) {
        ::unlink(tempName.constData());
        return Outcome::Failed;
    }
    return renameOver(r, tempName);
}

// Replaces path with what fill writes into a temporary file. newFileMode, when given, is the mode of a file that
// did not exist before; otherwise a new file gets the usual mode left by the umask. With expected, the file is
// replaced only while it still holds those bytes (or, for nothing, is still missing), checked once the temporary
// is on disk, right before the rename. inPlaceBytes, when given, gives the bytes fill writes: a file whose owner a
// new file cannot get is then written in place instead of failing.
Outcome replaceFile(const QString &path, const std::function<bool(int)> &fill, std::optional<mode_t> newFileMode,
                    const std::optional<std::optional<QByteArray>> &expected, std::optional<QByteArray> *replaced,
                    QString *reason, const std::function<QByteArray()> &inPlaceBytes = {},
                    FolderSync folderSync = FolderSync::Now)
{
    if (path.isEmpty()) {
        failed(reason, QStringLiteral("No file name"), EINVAL);
        return Outcome::Failed;
    }
    Replacement r{writeTarget(path), {}, std::nullopt, expected ? &expected : nullptr, replaced, reason, folderSync};
    r.encodedTarget = QFile::encodeName(r.target);
    struct stat existing = {};
    if (::stat(r.encodedTarget.constData(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode) || modeIsReadOnly(existing, r.encodedTarget)) {
            failed(reason, QLatin1Char('\'') + r.target + QStringLiteral("' may not be written"),
                   S_ISREG(existing.st_mode) ? EACCES : EISDIR);
            return Outcome::Failed;
        }
        r.existing = existing;
    }
    removeLeftTemporaries(r.target);
    QByteArray tempName;
    UniqueFd temporary = createTemporary(r.target, tempName);
    if (!temporary.isOpen()) {
        failed(reason, QStringLiteral("Cannot create a new file beside '") + r.target + QLatin1Char('\''), errno);
        return Outcome::Failed;
    }
    return finishTemporary(r, std::move(temporary), tempName, fill, newFileMode, inPlaceBytes);
}

// What fills a temporary file with bytes.
std::function<bool(int)> bytesOf(const QByteArray &bytes)
{
    return [&bytes](int fd) { return writeAll(fd, bytes.constData(), bytes.size()); };
}

} // namespace

bool write(const QString &path, const QByteArray &bytes, QString *reason, FolderSync folderSync)
{
    return replaceFile(
               path, bytesOf(bytes), std::nullopt, std::nullopt, nullptr, reason, [&bytes] { return bytes; },
               folderSync) == Outcome::Written;
}

void syncFolder(const QString &folder)
{
    syncEncodedFolder(QFile::encodeName(folder));
}

Outcome writeOver(const QString &path, const QByteArray &bytes, const std::optional<QByteArray> &expected,
                  std::optional<QByteArray> &replaced, QString *reason)
{
    return replaceFile(path, bytesOf(bytes), std::nullopt, expected, &replaced, reason, [&bytes] { return bytes; });
}

namespace {

// What fills a temporary file with pieces of bytes, one after the other, and the whole they make (for a write in
// place).
std::function<bool(int)> piecesOf(const QList<QByteArrayView> &pieces)
{
    return [&pieces](int fd) {
        return std::all_of(pieces.cbegin(), pieces.cend(),
                           [fd](QByteArrayView piece) { return writeAll(fd, piece.data(), piece.size()); });
    };
}

std::function<QByteArray()> joinedOf(const QList<QByteArrayView> &pieces)
{
    return [&pieces] {
        QByteArray bytes;
        for (const QByteArrayView piece : pieces) {
            bytes += piece;
        }
        return bytes;
    };
}

} // namespace

bool write(const QString &path, const QList<QByteArrayView> &pieces, QString *reason, FolderSync folderSync)
{
    return replaceFile(path, piecesOf(pieces), std::nullopt, std::nullopt, nullptr, reason, joinedOf(pieces),
                       folderSync) == Outcome::Written;
}

Outcome writeOver(const QString &path, const QList<QByteArrayView> &pieces, const std::optional<QByteArray> &expected,
                  std::optional<QByteArray> &replaced, QString *reason)
{
    return replaceFile(path, piecesOf(pieces), std::nullopt, expected, &replaced, reason, joinedOf(pieces));
}

bool copy(const QString &source, const QString &destination, QString *reason)
{
    RegularFile::Opened input = RegularFile::openForReading(source);
    if (input.status != RegularFile::Status::Opened) {
        if (reason) {
            *reason = QLatin1Char('\'') + source + QStringLiteral("' ") +
                      (input.status == RegularFile::Status::Absent ? QStringLiteral("does not exist") : input.reason);
        }
        return false;
    }
    const struct stat info = input.info;
    const int in = input.fd.get();
    const auto pump = [in](int out) {
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(in, buffer, sizeof buffer);
            if (got == 0) {
                return true;
            }
            if (got < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return false;
            }
            if (!writeAll(out, buffer, got)) {
                return false;
            }
        }
    };
    return replaceFile(destination, pump, info.st_mode & 0777, std::nullopt, nullptr, reason) == Outcome::Written;
}

bool removeAbandoned(const QString &temporaryPath)
{
    const QByteArray encoded = QFile::encodeName(temporaryPath);
    const UniqueFd fd(::open(encoded.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd.isOpen() || !tryLock(fd.get())) {
        return false; // gone already, or a live writer holds it
    }
    // Locked only once its writer was done: remove it only when the name still is this file (not renamed away).
    struct stat opened = {};
    struct stat named = {};
    if (::fstat(fd.get(), &opened) != 0 || ::lstat(encoded.constData(), &named) != 0 || opened.st_dev != named.st_dev ||
        opened.st_ino != named.st_ino) {
        return false;
    }
    return ::unlink(encoded.constData()) == 0;
}

QString temporaryTarget(const QString &fileName)
{
    if (!fileName.startsWith(QLatin1Char('.')) || !fileName.endsWith(TemporaryEnding)) {
        return {};
    }
    const QStringView inner = QStringView(fileName).sliced(1, fileName.size() - 1 - TemporaryEnding.size());
    const qsizetype dot = inner.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot == inner.size() - 1) {
        return {};
    }
    const QStringView random = inner.sliced(dot + 1);
    const bool ours = std::all_of(random.begin(), random.end(), [](QChar c) {
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
    });
    return ours ? inner.first(dot).toString() : QString();
}

void setBeforeReplaceSeam(std::function<void(const QString &)> seam)
{
    beforeReplaceSeam() = std::move(seam);
}

bool isReadOnly(const QString &path)
{
    if (path.isEmpty()) {
        return false;
    }
    const QByteArray encoded = QFile::encodeName(path);
    struct stat info = {};
    return ::stat(encoded.constData(), &info) == 0 && modeIsReadOnly(info, encoded);
}

} // namespace Kadex::Platform::AtomicFile
