#include "history/Pruning.h"

#include "history/KeptPins.h"
#include "history/UpdateHistory.h"
#include "history/UpdateReport.h"

#include <QFileInfo>

namespace Kadex::History {

namespace {

// The newest kept database whose report lists dropped plant values; empty when none does.
QString newestThatDropped(const QString &folder, const QStringList &names)
{
    for (auto it = names.crbegin(); it != names.crend(); ++it) {
        const QString path = folder + QLatin1Char('/') + *it;
        if (!QFileInfo(path).isFile()) {
            continue;
        }
        const std::optional<UpdateReport> report = UpdateReport::read(reportPath(path));
        if (report && report->droppedCount > 0) {
            return *it;
        }
    }
    return {};
}

} // namespace

void prune(const QString &folder, const QString &dbFileName, const QString &spare)
{
    const QStringList names = recordedNames(folder, dbFileName);
    if (names.size() <= Kept) {
        return;
    }
    const QString dropped = newestThatDropped(folder, names);
    for (qsizetype i = 0; i + Kept < names.size(); ++i) {
        const QString path = folder + QLatin1Char('/') + names[i];
        if (names[i] != spare && names[i] != dropped && !isPinned(path)) {
            removeKept(path);
        }
    }
}

} // namespace Kadex::History
