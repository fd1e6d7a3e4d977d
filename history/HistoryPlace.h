#pragma once

#include <QString>
#include <QStringList>

namespace Kadex::Config {
struct Services;
}

namespace Kadex::History {

// Every path of the history is made here. The history folder lies beside the module database: the module
// databases that updates and restores replaced, as <name>.<YYYYMMDD-HHMMSS>[-n], each with its report
// <kept>.txt, its pin <kept>.pin when pinned, and a hidden summary the program keeps for itself (.<kept>.summary):
// what --list shows of the copy and the plant values it holds, so that neither reads a database.

// <folder of the module database>/History.
QString folderFor(const QString &moduleDbPath);
// The file name inside a folder.
inline QString pathIn(const QString &folder, const QString &name)
{
    return folder + QLatin1Char('/') + name;
}
// The report of a kept database.
inline QString reportPath(const QString &keptPath)
{
    return keptPath + QStringLiteral(".txt");
}
// The pin of a kept database: an empty marker file.
inline QString pinPath(const QString &keptPath)
{
    return keptPath + QStringLiteral(".pin");
}
// The summary of a kept database that --list and pruning read instead of the database.
QString summaryPath(const QString &keptPath);
// The name of the kept database a file of the history folder belongs to: its own name for a kept database, the
// kept database's for its report, pin or summary.
QString keptNameOf(const QString &fileName);

// The module database, its history folder and what the history holds, found from the program's own location.
struct HistoryPlace
{
    QString moduleDbPath;
    QString dbFileName;
    QString folder;
    QStringList kept;     // the kept databases, oldest first
    QStringList recorded; // the kept databases and the reports whose database is gone, oldest first

    QString pathOf(const QString &name) const { return pathIn(folder, name); }
    // The kept database name stands for: the kept file's name, or the part after the database's name (the time
    // stamp); for an empty name the copy one step back (stepBackName). Empty when there is none.
    QString keptNameFor(const QString &name) const;
    // The same among all the names recorded, reports without their database too; never one for an empty name.
    QString recordedNameFor(const QString &name) const;
    // The copy that a restore without a name puts back, one update back from what the module database holds now:
    // the newest copy; but when the newest is a restore's copy, the module database holds what that restore put
    // back, so the copy before that one (followed through restores in the same way). Empty when there is none.
    QString stepBackName() const;
};

// The kept database a restore's copy names as the one it put back (from its summary, or its report); empty for an
// update's copy.
QString restoredFromOf(const QString &keptPath);

// The history of the module database at moduleDbPath.
HistoryPlace historyPlaceAt(const QString &moduleDbPath);
HistoryPlace historyPlaceOf(Config::Services &services);

} // namespace Kadex::History
