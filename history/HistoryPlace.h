#pragma once

#include <QString>
#include <QStringList>

namespace Kadex::Config {
struct Services;
}

namespace Kadex::History {

// The module database, its history folder and what the history holds, found from the program's own location.
struct HistoryPlace
{
    QString moduleDbPath;
    QString dbFileName;
    QString folder;
    QStringList kept;     // the kept databases, oldest first
    QStringList recorded; // the kept databases and the reports whose database is gone, oldest first

    QString pathOf(const QString &name) const { return folder + QLatin1Char('/') + name; }
    // The kept database name stands for: the kept file's name, or the part after the database's name (the time
    // stamp); the newest for an empty name. Empty when there is none.
    QString keptNameFor(const QString &name) const;
    // The same among all the names recorded, reports without their database too; never the newest for an empty name.
    QString recordedNameFor(const QString &name) const;
};

HistoryPlace historyPlaceOf(Config::Services &services);

} // namespace Kadex::History
