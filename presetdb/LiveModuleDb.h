#pragma once

#include "diag/Failure.h"
#include "presetdb/SqliteDb.h"

#include <QByteArray>
#include <QString>

namespace Kadex::PresetDb {

// The module database as the visualisation and other programs have it open while an update runs. The update
// takes its write lock before it reads the plant's values and holds it until the new content is in the file:
// what others committed before is read and carried over, what they commit meanwhile waits and lands in the new
// content. Every read and write of the file goes through this one connection: another descriptor of the file,
// opened and closed in this process, would drop the engine's locks. The file stays the same file, with its
// journal mode; its journal is the engine's alone.
class LiveModuleDb
{
public:
    // How long the update waits for others' transactions: a visualisation's writes take moments.
    static constexpr int LockTimeoutMs = 5000;

    // Opens the existing database file at path and takes its write lock. Throws the ModuleDbInUse failure when the
    // lock is not had within timeoutMs, and as Database does when the file cannot be used as a database.
    explicit LiveModuleDb(const QString &path, int timeoutMs = LockTimeoutMs);
    // Releases the lock, leaving the file as it was unless write() committed.
    ~LiveModuleDb();
    LiveModuleDb(const LiveModuleDb &) = delete;
    LiveModuleDb &operator=(const LiveModuleDb &) = delete;

    // Whether the constructor's failure says the file is no database at all (damaged): only such a file, which no
    // other program can have open as a database, may be replaced whole. Any other failure (the lock not had, the
    // file refused) leaves a database that may be in use and hold the plant's values.
    static bool isNoDatabase(const Diag::Failure &failure);

    // The file's content as committed when the lock was taken, as the bytes of a database file.
    QByteArray content();
    // Replaces the file's tables, indexes, views and triggers with those of fresh, rows and all, in the one
    // transaction the lock began, and commits it. A failure (a full disk) leaves the file as it was.
    void write(Database &fresh);

private:
    Database m_db;
    bool m_open = false;
};

} // namespace Kadex::PresetDb
