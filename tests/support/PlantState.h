#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace Kadex::Test {

// What a plant holds, as the outcome of a run that ended somehow is judged: the entries of its INI files, the
// content of its two databases and the names of its files.
struct PlantState
{
    // "<file>|<section>|<key>" (section and key in lower case) -> value, for the plant's three INI files.
    QMap<QString, QString> iniEntries;
    // Database file -> its tables and rows, one text per table and row. A database left with a rollback journal
    // is read as the database engine plays it back, without changing the plant. "<missing>" or "<unreadable>".
    QMap<QString, QStringList> databases;
    // Every file below the root, relative, sorted.
    QStringList files;

    // The state of the plant below root.
    static PlantState of(const QString &root);
};

// How a state that a run ended somewhere left compares with the state before the run and a clean run's state.
// Empty when every INI entry holds its old or its new value and each database its old or its new content; else
// one line per entry or database that holds neither.
QStringList mixedParts(const PlantState &now, const PlantState &before, const PlantState &clean);

// The files of now that neither the plant before the run nor a clean run's plant has, less the error log.
QStringList strayFiles(const PlantState &now, const PlantState &before, const PlantState &clean);

} // namespace Kadex::Test
