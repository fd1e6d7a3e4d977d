#include "history/HistoryListing.h"

#include "history/HistoryPlace.h"
#include "history/KeptPins.h"
#include "history/UpdateHistory.h"
#include "history/UpdateReport.h"
#include "history/UpdateRestore.h"
#include "platform/Cp1252.h"
#include "presetdb/ContentDigest.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <optional>

namespace Kadex::History {

namespace {

QString machinesOf(const UpdateReport &report)
{
    QStringList names;
    for (const MachineReport &machine : report.machines) {
        names.append(machine.name);
    }
    return names.isEmpty() ? QStringLiteral("-") : names.join(QStringLiteral(", "));
}

// What sets a kept update apart: "live" when its tables and rows are those of the module database now, "pinned",
// or "no database" for a report whose database is gone.
QString stateOf(const QString &keptPath, const QByteArray &liveDigest)
{
    if (!QFileInfo(keptPath).isFile()) {
        return QStringLiteral("no database");
    }
    QStringList state;
    if (!liveDigest.isEmpty() && PresetDb::contentDigestOfFile(keptPath) == liveDigest) {
        state.append(QStringLiteral("live"));
    }
    if (isPinned(keptPath)) {
        state.append(QStringLiteral("pinned"));
    }
    return state.isEmpty() ? QStringLiteral("-") : state.join(QLatin1Char(','));
}

} // namespace

int listKeptUpdates(Config::Services &services, QTextStream &out)
{
    const HistoryPlace place = historyPlaceOf(services);
    if (place.recorded.isEmpty()) {
        out << "No kept module database in " << place.folder << ".\n";
        return 0;
    }
    const QByteArray liveDigest = PresetDb::contentDigestOfFile(place.moduleDbPath);
    out << "Kept module databases in " << place.folder << ", newest first (live: the same tables and rows as "
        << place.dbFileName << " now):\n";
    QList<QStringList> rows = {{QStringLiteral("Name"), QStringLiteral("Run mode"), QStringLiteral("State"),
                                QStringLiteral("Dropped"), QStringLiteral("Machines")}};
    for (auto it = place.recorded.crbegin(); it != place.recorded.crend(); ++it) {
        const QString path = place.pathOf(*it);
        const QString state = stateOf(path, liveDigest);
        const std::optional<UpdateReport> report = UpdateReport::read(History::reportPath(path));
        if (!report) {
            rows.append({*it, QStringLiteral("(no readable report)"), state, QString(), QString()});
            continue;
        }
        const QString mode = report->restoredFrom.isEmpty()
                                 ? report->runMode
                                 : report->runMode + QStringLiteral(" of ") + report->restoredFrom;
        rows.append({*it, mode, state, QString::number(report->droppedCount), machinesOf(*report)});
    }
    QList<qsizetype> widths(5, 0);
    for (const QStringList &row : rows) {
        for (int c = 0; c < 5; ++c) {
            widths[c] = std::max(widths[c], row[c].size());
        }
    }
    for (const QStringList &row : rows) {
        out << row[0].leftJustified(widths[0] + 2) << row[1].leftJustified(widths[1] + 2)
            << row[2].leftJustified(widths[2] + 2) << row[3].rightJustified(widths[3]) << "  " << row[4] << "\n";
    }
    return 0;
}

int showKeptReport(Config::Services &services, const QString &name, QTextStream &out, QTextStream &err)
{
    const HistoryPlace place = historyPlaceOf(services);
    const QString chosen = place.recordedNameFor(name);
    if (chosen.isEmpty()) {
        err << "Unknown kept update \"" << name
            << "\". Kept updates (see --list): " << place.recorded.join(QStringLiteral(", ")) << "\n";
        return 1;
    }
    QFile report(History::reportPath(place.pathOf(chosen)));
    if (!report.exists()) {
        return showCopyWithoutReport(place.pathOf(chosen), out, err);
    }
    if (!report.open(QIODevice::ReadOnly)) {
        err << "The report " << report.fileName() << " cannot be read (" << report.errorString() << ").\n";
        return 1;
    }
    out << Platform::Cp1252::decode(report.readAll()).remove(QLatin1Char('\r'));
    return 0;
}

} // namespace Kadex::History
