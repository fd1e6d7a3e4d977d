#include "history/HistoryPlace.h"

#include "config/Services.h"
#include "history/UpdateHistory.h"
#include "platform/FileLookup.h"

#include <QFileInfo>

namespace Kadex::History {

namespace {

QString nameAmong(const QStringList &names, const QString &dbFileName, const QString &name)
{
    for (const QString &candidate : names) {
        if (candidate == name || candidate == dbFileName + QLatin1Char('.') + name) {
            return candidate;
        }
    }
    return {};
}

} // namespace

QString HistoryPlace::keptNameFor(const QString &name) const
{
    if (name.isEmpty()) {
        return kept.isEmpty() ? QString() : kept.last();
    }
    return nameAmong(kept, dbFileName, name);
}

QString HistoryPlace::recordedNameFor(const QString &name) const
{
    return name.isEmpty() ? QString() : nameAmong(recorded, dbFileName, name);
}

HistoryPlace historyPlaceOf(Config::Services &services)
{
    HistoryPlace place;
    place.moduleDbPath = Platform::FileLookup::resolvePath(services.paths.GetPathOCXMDB());
    place.dbFileName = QFileInfo(place.moduleDbPath).fileName();
    place.folder = History::folderFor(place.moduleDbPath);
    place.kept = History::keptNames(place.folder, place.dbFileName);
    place.recorded = History::recordedNames(place.folder, place.dbFileName);
    return place;
}

} // namespace Kadex::History
