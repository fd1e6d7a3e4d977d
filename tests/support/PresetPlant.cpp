#include "tests/support/PresetPlant.h"

#include <QFile>

namespace Kadex::Test {

void PresetPlant::writeSource(const QString &sql) const
{
    QFile::remove(sourceDb());
    runSql(sourceDb(), QString::fromLatin1(TemplateSchema) + sql);
}

void PresetPlant::writeModuleDb(const QString &sql) const
{
    QFile::remove(moduleDb());
    runSql(moduleDb(), QString::fromLatin1(PresetSchema) + sql);
}

Rows PresetPlant::presetRows(const QString &db, const QString &columns) const
{
    return queryRows(db, QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM PRESET_DEFS ORDER BY rowid"));
}

QString templateRow(int id, const QString &machineType, int part, const QString &varName, int offset,
                    const QString &text)
{
    return QStringLiteral("INSERT INTO Source_PRESET_DEFS VALUES (%1, %2, 'DINT', %3, %4, 2, 0, %5, %6, 'Seite1', "
                          "0, 1000, 10, 900, 1);")
        .arg(id)
        .arg(machineType)
        .arg(part)
        .arg(varName)
        .arg(offset)
        .arg(text);
}

} // namespace Kadex::Test
