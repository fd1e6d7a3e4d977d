#pragma once

#include "presetdb/SqliteDb.h"

#include <QByteArray>
#include <QString>

#include <exception>
#include <memory>

namespace Kadex::PresetDb {

// The old module database as one update reads it: a private copy in memory of the database whose values the
// take-over carries (the module database's content read under its lock, or in an integrated run the machine
// copy). The renames of the old rows and the take-over work on the copy; the module database changes only when
// the update writes its new content.
class ModuleDbCopy
{
public:
    // No old database: the renames and the take-over leave it alone.
    ModuleDbCopy() = default;

    // A copy of the database file at path.
    void readFile(const QString &path);
    // A copy of content, the bytes of the database file at path.
    void take(const QString &path, const QByteArray &content);
    // There is an old database, but it could not be read: failure is thrown again at each use.
    void unreadable(std::exception_ptr failure);

    // The file the copy was read from; empty when it came from nowhere known.
    const QString &path() const { return m_path; }
    // Whether there is an old database, readable or not.
    bool exists() const { return m_copy || m_failure; }
    // The copy, with the changes made to it so far. Throws, on every call, when it could not be read.
    Database &database();

private:
    QString m_path;
    std::unique_ptr<Database> m_copy;
    std::exception_ptr m_failure;
};

} // namespace Kadex::PresetDb
