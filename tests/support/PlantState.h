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
    // The module databases an update kept in Kadex/History, each with its content as above.
    QMap<QString, QStringList> keptDatabases;
    // Every file below the root, relative, sorted.
    QStringList files;

    // The state of the plant below root.
    static PlantState of(const QString &root);
};

// The tables and rows of the database at path, one text per table and row, read from a copy (with its rollback
// journal, if any), so that playing the journal back leaves the plant's file alone. "<missing>" or "<unreadable>".
QStringList databaseContent(const QString &path);

// How a state that a run ended somewhere left compares with the state before the run and a clean run's state.
// Empty when every INI entry holds its old or its new value and each database its old or its new content; else
// one line per entry or database that holds neither.
QStringList mixedParts(const PlantState &now, const PlantState &before, const PlantState &clean);

// The copies that the history of now keeps and that hold neither the old nor the new content of the module
// database: one line each.
QStringList unwholeKeptCopies(const PlantState &now, const PlantState &before, const PlantState &clean);

// Whether now keeps a copy of the module database in its history, together with the copy's report.
bool keepsACopyWithReport(const PlantState &now);

// The files of now that neither the plant before the run nor a clean run's plant has, less the error log and the
// history's kept copies and reports, whose names carry the time of their run.
QStringList strayFiles(const PlantState &now, const PlantState &before, const PlantState &clean);

} // namespace Kadex::Test
