#pragma once

#include "history/KeptSummary.h"
#include "history/UpdateReport.h"
#include "presetdb/ReplacementWitness.h"
#include "presetdb/TakeoverRecord.h"

#include <QString>

#include <vector>

namespace Kadex::History {

// What a restore keeps of the module database it replaces, as PresetDb::replaceKeepingCopy asks it: the restore
// calls
//     RestoreKeeping keeping(ownReport);
//     PresetDb::replaceKeepingCopy(keeping, moduleDbPath, liveContent, keptDb, write);
//     History::prune(folder, dbFileName, keeping.liveValues(), restoredName);
// and on a thrown failure says its description and that nothing was restored.
class RestoreKeeping : public PresetDb::ReplacementWitness
{
public:
    // report: the restore's own report with its header (restoredFrom among it) and settings filled; the kept
    // name, the time and the rows it overwrites are filled here.
    explicit RestoreKeeping(UpdateReport report);

    // Keeps content with the report and a summary, unless its tables and rows are those of replacement (a restore
    // that changes nothing keeps nothing). The report lists the rows whose plant values replacement
    // does not hold, the values this restore overwrites. Throws the failure that says why when the copy or its
    // report cannot be written, the copy removed again.
    PresetDb::Keeping keepBeforeReplacing(const QString &moduleDbPath, const QByteArray &content,
                                          PresetDb::Database &replacement) override;
    // Removes the copy and its report: the module database stays as it was.
    void giveUpKept() override;
    // A restore generates no rows.
    void noteRegenerated(const QHash<int, int> &) override {}
    PresetDb::TakeoverRecord &takeover() override { return m_noTakeover; }

    // The copy kept; empty when nothing was kept.
    const QString &keptPath() const { return m_keptPath; }
    // The marks of every value the restored database holds, for pruning after the restore.
    const std::vector<quint64> &liveValues() const { return m_liveValues; }

private:
    UpdateReport m_report;
    QString m_keptPath;
    std::vector<quint64> m_liveValues;
    PresetDb::TakeoverRecord m_noTakeover;
};

} // namespace Kadex::History
