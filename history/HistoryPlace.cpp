#include "history/HistoryPlace.h"

#include "config/PlantPaths.h"
#include "config/Services.h"
#include "history/KeptSummary.h"
#include "history/UpdateHistory.h"
#include "history/UpdateReport.h"
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

QString restoredFromOf(const QString &keptPath)
{
    if (const std::optional<KeptSummary> summary = readSummary(keptPath)) {
        return summary->restoredFrom;
    }
    const std::optional<UpdateReport> report = UpdateReport::read(reportPath(keptPath));
    return report ? report->restoredFrom : QString();
}

QString folderFor(const QString &moduleDbPath)
{
    return Config::historyFolderBeside(moduleDbPath);
}

QString summaryPath(const QString &keptPath)
{
    const QFileInfo kept(keptPath);
    return pathIn(kept.path(), QLatin1Char('.') + kept.fileName() + QStringLiteral(".summary"));
}

QString keptNameOf(const QString &fileName)
{
    for (const QLatin1StringView ending : {QLatin1StringView(".txt"), QLatin1StringView(".pin")}) {
        if (fileName.endsWith(ending)) {
            return fileName.chopped(ending.size());
        }
    }
    const QLatin1StringView summary(".summary");
    if (fileName.startsWith(QLatin1Char('.')) && fileName.endsWith(summary)) {
        return fileName.sliced(1, fileName.size() - 1 - summary.size());
    }
    return fileName;
}

QString HistoryPlace::keptNameFor(const QString &name) const
{
    return name.isEmpty() ? stepBackName() : nameAmong(kept, dbFileName, name);
}

QString HistoryPlace::recordedNameFor(const QString &name) const
{
    return name.isEmpty() ? QString() : nameAmong(recorded, dbFileName, name);
}

QString HistoryPlace::stepBackName() const
{
    if (kept.isEmpty()) {
        return {};
    }
    qsizetype at = kept.size() - 1;
    // Each restore's copy points at the copy whose content the module database took; one step back from that
    // content is the copy before it. A chain of restores is followed, never more steps than there are copies.
    for (qsizetype steps = 0; steps < kept.size(); ++steps) {
        const qsizetype from = kept.indexOf(restoredFromOf(pathOf(kept[at])));
        if (from < 0) {
            return kept[at];
        }
        if (from == 0) {
            return {}; // the module database holds the oldest copy's content: nothing is older
        }
        at = from - 1;
    }
    return {};
}

HistoryPlace historyPlaceAt(const QString &moduleDbPath)
{
    HistoryPlace place;
    place.moduleDbPath = moduleDbPath;
    place.dbFileName = QFileInfo(place.moduleDbPath).fileName();
    place.folder = folderFor(place.moduleDbPath);
    place.kept = keptNames(place.folder, place.dbFileName);
    place.recorded = recordedNames(place.folder, place.dbFileName);
    return place;
}

HistoryPlace historyPlaceOf(Config::Services &services)
{
    return historyPlaceAt(Platform::FileLookup::resolvePath(services.paths.GetPathOCXMDB()));
}

} // namespace Kadex::History
