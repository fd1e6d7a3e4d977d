#include "history/RestoreKeeping.h"

#include "diag/ErrorNumbers.h"
#include "diag/Failure.h"
#include "history/HistoryPlace.h"
#include "history/PlantValues.h"
#include "history/UpdateHistory.h"
#include "presetdb/ContentDigest.h"
#include "presetdb/SqliteDb.h"

#include <QFileInfo>

#include <memory>

namespace Kadex::History {

namespace {

Diag::Failure notKept(const QString &what)
{
    return {Diag::ErrorNumbers::HistoryNotKept, Diag::ErrorNumbers::SourceProgram, what};
}

} // namespace

RestoreKeeping::RestoreKeeping(UpdateReport report) : m_report(std::move(report)) {}

PresetDb::Keeping RestoreKeeping::keepBeforeReplacing(const QString &moduleDbPath, const QByteArray &content,
                                                      PresetDb::Database &replacement)
{
    removeLeftTemporaries(moduleDbPath);
    const std::unique_ptr<PresetDb::Database> old = openedContent(content);
    const TemplateValues templateValues = old ? TemplateValues(*old) : TemplateValues(replacement);
    m_liveValues = valueMarksOf(replacement);
    if (!QFileInfo(moduleDbPath).isFile() || (old && holdsTheSame(*old, replacement))) {
        return PresetDb::Keeping::NothingKept;
    }
    const QDateTime now = QDateTime::currentDateTime();
    m_keptPath = keepContent(moduleDbPath, content, now);
    if (m_keptPath.isEmpty()) {
        throw notKept(QStringLiteral("Cannot keep a copy of ") + moduleDbPath + QStringLiteral(" in ") +
                      folderFor(moduleDbPath));
    }
    m_report.keptName = QFileInfo(m_keptPath).fileName();
    m_report.when = now;
    KeptSummary summary;
    if (old) {
        m_report.dropped = overwrittenRows(*old, replacement, templateValues);
        HeldValues held = heldValuesOf(*old, templateValues);
        summary = {now,
                   m_report.runMode,
                   m_report.restoredFrom,
                   held.machines,
                   held.rows,
                   static_cast<int>(held.plant.size()),
                   static_cast<int>(m_report.dropped.size()),
                   {},
                   {},
                   std::move(held.plant)};
    }
    m_report.droppedCount = static_cast<int>(m_report.dropped.size());
    summary.change = QStringLiteral("put back %1; %2 rows with plant values overwritten")
                         .arg(m_report.restoredFrom)
                         .arg(m_report.droppedCount);
    if (!m_report.write(reportPath(m_keptPath))) {
        removeKept(m_keptPath);
        m_keptPath.clear();
        throw notKept(QStringLiteral("Cannot write the report beside ") + m_report.keptName);
    }
    // Not checked: without its summary the copy is listed from its report and pruning reads the copy itself.
    writeSummary(m_keptPath, summary);
    syncKept(m_keptPath);
    return PresetDb::Keeping::Kept;
}

void RestoreKeeping::giveUpKept()
{
    if (!m_keptPath.isEmpty()) {
        removeKept(m_keptPath);
        m_keptPath.clear();
    }
}

} // namespace Kadex::History
