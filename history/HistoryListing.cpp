#include "history/HistoryListing.h"

#include "history/HistoryPlace.h"
#include "history/KeptPins.h"
#include "history/KeptSummary.h"
#include "history/Pruning.h"
#include "history/UpdateHistory.h"
#include "history/UpdateReport.h"
#include "history/UpdateRestore.h"
#include "platform/Cp1252.h"
#include "platform/RegularFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <optional>

namespace Kadex::History {

namespace {

constexpr int Columns = 5;

// One copy as the list shows it: a row of the table, and the line under it that tells what the copy holds.
struct Listed
{
    QStringList cells;
    QString story;
};

// What sets a kept update apart: "live" when the newest restore put it back (the module database took its tables
// and rows), "pinned", or "no database" for a report whose database is gone.
QString stateOf(const QString &keptPath, bool live)
{
    if (!QFileInfo(keptPath).isFile()) {
        return QStringLiteral("no database");
    }
    QStringList state;
    if (live) {
        state.append(QStringLiteral("live"));
    }
    if (isPinned(keptPath)) {
        state.append(QStringLiteral("pinned"));
    }
    return state.isEmpty() ? QStringLiteral("-") : state.join(QLatin1Char(','));
}

QString modeOf(const QString &runMode, const QString &restoredFrom)
{
    return restoredFrom.isEmpty() ? runMode : runMode + QStringLiteral(" of ") + restoredFrom;
}

Listed fromSummary(const QString &name, const KeptSummary &summary, const QString &state)
{
    const QString after = summary.after.isEmpty() ? QStringLiteral("-") : summary.after.join(QStringLiteral(", "));
    return {{name, modeOf(summary.runMode, summary.restoredFrom), state, QString::number(summary.dropped), after},
            QStringLiteral("    kept %1; holds %2: %3 rows, %4 plant values; %5")
                .arg(summary.when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), summary.machinesText())
                .arg(summary.rows)
                .arg(summary.plantValues)
                .arg(summary.change)};
}

// A copy without a summary (kept before summaries were written, or by a run killed before it wrote one) is shown
// from its report.
Listed fromReport(const QString &name, const QString &keptPath, const QString &state)
{
    const std::optional<UpdateReport> report = UpdateReport::read(reportPath(keptPath));
    if (!report) {
        return {{name, QStringLiteral("(no readable report)"), state, QString(), QString()}, QString()};
    }
    QStringList machines;
    for (const MachineReport &machine : report->machines) {
        machines.append(machine.name);
    }
    return {{name, modeOf(report->runMode, report->restoredFrom), state, QString::number(report->droppedCount),
             machines.isEmpty() ? QStringLiteral("-") : machines.join(QStringLiteral(", "))},
            QStringLiteral("    kept %1; no summary of what it holds")
                .arg(report->when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))};
}

// The table with its columns measured while the rows are made, and each copy's line under its row.
void printTable(const QList<Listed> &rows, QTextStream &out)
{
    QList<qsizetype> widths(Columns, 0);
    for (const Listed &row : rows) {
        for (int c = 0; c < Columns; ++c) {
            widths[c] = std::max(widths[c], row.cells[c].size());
        }
    }
    for (const Listed &row : rows) {
        out << row.cells[0].leftJustified(widths[0] + 2) << row.cells[1].leftJustified(widths[1] + 2)
            << row.cells[2].leftJustified(widths[2] + 2) << row.cells[3].rightJustified(widths[3]) << "  "
            << row.cells[4] << "\n";
        if (!row.story.isEmpty()) {
            out << row.story << "\n";
        }
    }
}

} // namespace

int listKeptUpdates(Config::Services &services, QTextStream &out)
{
    const HistoryPlace place = historyPlaceOf(services);
    if (place.recorded.isEmpty()) {
        out << "No kept module database in " << place.folder << ".\n";
        return 0;
    }
    out << "Kept module databases in " << place.folder
        << ", newest first (live: put back by the newest restore; under each: what it holds and what its run "
           "changed):\n";
    QList<Listed> rows = {{{QStringLiteral("Name"), QStringLiteral("Run mode"), QStringLiteral("State"),
                            QStringLiteral("Dropped"), QStringLiteral("Machines after the run")},
                           QString()}};
    const QString live = place.kept.isEmpty() ? QString() : restoredFromOf(place.pathOf(place.kept.last()));
    for (auto it = place.recorded.crbegin(); it != place.recorded.crend(); ++it) {
        const QString path = place.pathOf(*it);
        const std::optional<KeptSummary> summary = readSummary(path);
        const QString state = stateOf(path, *it == live);
        rows.append(summary ? fromSummary(*it, *summary, state) : fromReport(*it, path, state));
    }
    printTable(rows, out);
    if (const QString warning = boundWarning(place.folder, place.dbFileName); !warning.isEmpty()) {
        out << warning << "\n";
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
    const QString reportFile = History::reportPath(place.pathOf(chosen));
    const Platform::RegularFile::Contents report = Platform::RegularFile::readAll(reportFile);
    if (report.status == Platform::RegularFile::Status::Absent) {
        return showCopyWithoutReport(place.pathOf(chosen), out, err);
    }
    if (report.status != Platform::RegularFile::Status::Opened) {
        err << "The report " << reportFile << " cannot be read (" << report.reason << ").\n";
        return 1;
    }
    out << Platform::Cp1252::decode(report.bytes).remove(QLatin1Char('\r'));
    return 0;
}

} // namespace Kadex::History
