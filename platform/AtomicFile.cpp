#include "platform/AtomicFile.h"

#include "platform/FileLock.h"
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

void syncFolder(const QByteArray &encodedFolder)
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

// The bytes of the file at path now; nothing when there is no file to read.
std::optional<QByteArray> currentBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return file.readAll();
}

// Replaces path with what fill writes into a temporary file. newFileMode, when given, is the mode of a file that
// did not exist before; otherwise a new file gets the usual mode left by the umask. With expected, the file is
// replaced only while it still holds those bytes (or, for nothing, is still missing), checked once the temporary
// is on disk, right before the rename.
Outcome replaceFile(const QString &path, const std::function<bool(int)> &fill, std::optional<mode_t> newFileMode,
                    const std::optional<std::optional<QByteArray>> &expected = std::nullopt,
                    std::optional<QByteArray> *replaced = nullptr)
{
    if (path.isEmpty()) {
        return Outcome::Failed;
    }
    const QString target = writeTarget(path);
    const QByteArray encodedTarget = QFile::encodeName(target);
    struct stat existing = {};
    const bool exists = ::stat(encodedTarget.constData(), &existing) == 0;
    if (exists && (!S_ISREG(existing.st_mode) || modeIsReadOnly(existing, encodedTarget))) {
        return Outcome::Failed;
    }

    removeLeftTemporaries(target);
    QByteArray tempName;
    UniqueFd temporary = createTemporary(target, tempName);
    if (!temporary.isOpen()) {
        return Outcome::Failed;
    }
    const int fd = temporary.get();
    bool ok = fill(fd);
    if (ok && exists) {
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
        if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) {
            // Only a privileged process may hand the file back to its owner; others keep their own ownership.
            [[maybe_unused]] const int ignored = ::fchown(fd, existing.st_uid, existing.st_gid);
        }
    } else if (ok && newFileMode) {
        ok = ::fchmod(fd, *newFileMode) == 0;
    }
    ok = ok && ::fsync(fd) == 0;
    // The lock lives on the open file, not on this descriptor: a second descriptor of it keeps the temporary
    // locked until the rename has made it the file, while the close of the first still reports a failed write-back.
    const UniqueFd lockUntilRenamed(::dup(fd));
    ok = lockUntilRenamed.isOpen() && ok;
    ok = temporary.close() && ok;
    if (ok && expected && currentBytes(target) != *expected) {
        ::unlink(tempName.constData());
        return Outcome::Changed;
    }
    if (ok && replaced && exists &&
        ::renameat2(AT_FDCWD, tempName.constData(), AT_FDCWD, encodedTarget.constData(), RENAME_EXCHANGE) == 0) {
        // Swapped: the temporary's name now holds the file as it was replaced, which may be newer than the check.
        *replaced = currentBytes(QFile::decodeName(tempName));
        ::unlink(tempName.constData());
        syncFolder(QFile::encodeName(QFileInfo(target).absolutePath()));
        return Outcome::Written;
    }
    ok = ok && ::rename(tempName.constData(), encodedTarget.constData()) == 0;
    if (!ok) {
        ::unlink(tempName.constData());
        return Outcome::Failed;
    }
    if (replaced) {
        *replaced = *expected; // replaced by name alone: the check just before is all that is known
    }
    syncFolder(QFile::encodeName(QFileInfo(target).absolutePath()));
    return Outcome::Written;
}

// What fills a temporary file with bytes.
std::function<bool(int)> bytesOf(const QByteArray &bytes)
{
    return [&bytes](int fd) { return writeAll(fd, bytes.constData(), bytes.size()); };
}

} // namespace

bool write(const QString &path, const QByteArray &bytes)
{
    return replaceFile(path, bytesOf(bytes), std::nullopt) == Outcome::Written;
}

Outcome writeOver(const QString &path, const QByteArray &bytes, const std::optional<QByteArray> &expected,
                  std::optional<QByteArray> &replaced)
{
    return replaceFile(path, bytesOf(bytes), std::nullopt, expected, &replaced);
}

bool copy(const QString &source, const QString &destination)
{
    if (source.isEmpty()) {
        return false;
    }
    const QByteArray encodedSource = QFile::encodeName(source);
    const UniqueFd input(::open(encodedSource.constData(), O_RDONLY | O_CLOEXEC));
    if (!input.isOpen()) {
        return false;
    }
    struct stat info = {};
    if (::fstat(input.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    const int in = input.get();
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
    return replaceFile(destination, pump, info.st_mode & 0777) == Outcome::Written;
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
