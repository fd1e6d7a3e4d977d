#pragma once

#include "presetdb/SqliteDb.h"

#include <QString>

#include <memory>

namespace Kadex::PresetDb {

// The old module database as one update reads it: a private copy in memory, made on first use. The renames of
// the old rows and the take-over work on the copy, so that the module database itself changes only when the
// update replaces it whole; a run that ends or dies before that leaves it as it was.
class ModuleDbCopy
{
public:
    // The copy of the existing database file at path, made on the first call for that path; later calls give the
    // same copy with the changes made to it. Throws, on every call, when the file cannot be read as a database.
    Database &of(const QString &path);

private:
    QString m_path;
    std::unique_ptr<Database> m_copy;
};

} // namespace Kadex::PresetDb
