#pragma once

#include "tests/support/FixtureDb.h"
#include "tests/support/TempPlant.h"

#include <QList>
#include <QStringList>

namespace Kadex::Test {

// A temporary plant for the preset database update: the module source database Kadex/Kadex_Source.mdb and the
// module database Kadex/Kadex.mdb, built from SQL.
class PresetPlant : public TempPlant
{
public:
    QString sourceDb() const { return path(QStringLiteral("Kadex/Kadex_Source.mdb")); }
    QString moduleDb() const { return path(QStringLiteral("Kadex/Kadex.mdb")); }

    // Creates the module source database afresh with the template tables, then runs sql on it (rows, changes).
    void writeSource(const QString &sql = {}) const;
    // Creates the module database afresh with an old PRESET_DEFS, then runs sql on it.
    void writeModuleDb(const QString &sql = {}) const;

    // The rows of PRESET_DEFS in the database at db, in table order, with the fields listed in columns.
    Rows presetRows(const QString &db, const QString &columns) const;
};

// One row of template values for Source_PRESET_DEFS, in the order of its 15 fields, as SQL literals.
QString templateRow(int id, const QString &machineType, int part, const QString &varName, int offset,
                    const QString &text = QStringLiteral("'Drehzahl ###machine'"));

} // namespace Kadex::Test
