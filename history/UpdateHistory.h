#pragma once

#include "history/HistoryPlace.h"
#include "history/KeptSummary.h"
#include "history/PlantValues.h"
#include "history/UpdateReport.h"
#include "presetdb/ReplacementWitness.h"
#include "presetdb/TakeoverRecord.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

#include <future>
#include <memory>
#include <optional>
#include <vector>

namespace Kadex::Config {
struct Services;
}

namespace Kadex::PresetDb {
class Database;
}

namespace Kadex::History {

// The history folder beside the module database (see HistoryPlace.h for its files).

// The newest kept databases that pruning leaves.
inline constexpr int Kept = 10;

// The kept databases of the module database named dbFileName, oldest first.
QStringList keptNames(const QString &folder, const QString &dbFileName);
// The names the history records for it, oldest first: its kept databases and the reports whose database is gone.
QStringList recordedNames(const QString &folder, const QString &dbFileName);
// A name not yet taken for a copy kept at now: dbFileName.YYYYMMDD-HHMMSS, with -2, -3 ... within one second.
QString newKeptName(const QString &folder, const QString &dbFileName, const QDateTime &now);
// Removes the temporary files that a run killed while keeping a copy of the database at dbPath, its report, summary
// or pin left in the history folder (their names carry a time stamp that no later write uses again). Made before
// every keep, whether it keeps a copy or not.
void removeLeftTemporaries(const QString &dbPath);
// Keeps content, the database of the file at dbPath as read by its user, in its history folder under a new name
// for now, written atomically. The kept copy's path; empty when it cannot be kept.
// A copy, its report and its summary are written with Platform::AtomicFile::FolderSync::Later: whoever writes them
// makes them last together with syncKept before the module database is replaced (or the run ends).
QString keepContent(const QString &dbPath, const QByteArray &content, const QDateTime &now);
void syncKept(const QString &keptPath);
// Removes a kept database, its report, its summary and its pin.
void removeKept(const QString &keptPath);
// The program INI as a report names it: relative to root where below it.
QString relativeToRoot(const QString &path, const QString &root);
QString absoluteFromRoot(const QString &path, const QString &root);

// The module database's content as the history sees it before a replacement: the database the bytes hold, or
// none for a damaged file (kept as its bytes, holding no value that can be read).
std::unique_ptr<PresetDb::Database> openedContent(const QByteArray &content);
// Whether two databases hold the same tables and rows; a database that cannot be read through holds something
// else.
bool holdsTheSame(PresetDb::Database &old, PresetDb::Database &replacement);

// The history of one update run: keeps the module database before the run first replaces it, learns what the
// take-over carried and dropped, and writes the report once the settings are written.
class UpdateHistory : public PresetDb::ReplacementWitness
{
public:
    explicit UpdateHistory(Config::Services &services);

    // Called right before the module database is replaced; the update never changes the file before that. The
    // first call of a run keeps content, the file as it is now, under its time-stamped name with a first report,
    // holding the settings as they read before the run; later calls do nothing. A database whose tables and rows
    // are those of replacement is not kept: the history would fill with copies of one content. When the copy
    // cannot be kept, the failure is reported; and when the take-over dropped rows with plant values, the
    // replacement is refused (no copy, no drop), else it goes on without a copy.
    PresetDb::Keeping keepBeforeReplacing(const QString &moduleDbPath, const QByteArray &content,
                                          PresetDb::Database &replacement) override;
    // Called when the replacement that keepBeforeReplacing preceded failed, the module database being as it was:
    // removes the copy kept and its report, so that the next replacement keeps the file again.
    void giveUpKept() override;
    // Called once the regenerated database has replaced the module database, with the rows generated per machine
    // number: only then does the report count them, and only then does the end of the run prune the history, so
    // that a run whose replacement fails removes nothing.
    void noteRegenerated(const QHash<int, int> &generated) override;
    // Where the take-over notes what it carried and dropped.
    PresetDb::TakeoverRecord &takeover() override { return m_takeover; }
    // After the settings are written: completes the report with the settings after the run, the rows generated
    // and the rows carried and dropped. A silent run prints it on standard output, also when the copy could not be
    // kept.
    void finish();

    // False when the run replaced the module database without a full record: its copy could not be kept, or plant
    // values could not be carried over.
    bool complete() const { return !m_notKept && m_takeover.failures().isEmpty(); }

    // The kept database's path; empty when nothing was kept.
    const QString &keptPath() const { return m_keptPath; }

private:
    // What the replaced content holds, for the copy's summary, and how many dropped rows hold plant values.
    struct OldValues
    {
        HeldValues held;
        bool heldRead = false; // false for a damaged file: it holds no value that can be read
        int plantRowsDropped = 0;
    };

    void readBefore();
    // Starts working out the values of old (none when it is damaged) for the summary and the rows with plant values
    // the take-over dropped, beside the rest of the run: only a copy that cannot be kept needs them at once
    // (oldValues waits for them). With forPruning, notes those of replacement too, which pruning the history at
    // the end of the run judges the kept copies by.
    void noteValues(std::unique_ptr<PresetDb::Database> old, PresetDb::Database &replacement, bool forPruning);
    const OldValues &oldValues();
    void fillReportHeader(const QDateTime &now);
    PresetDb::Keeping keepOrRefuse(const QString &moduleDbPath, const QByteArray &content, const QDateTime &now);
    void completeReport();
    // Writes the report beside the kept copy; its head, which the output prints before the table.
    QByteArray writeReport();
    // Writes the kept copy's summary; settingsChanged: how many settings the run changed, -1 while not known.
    void writeKeptSummary(int settingsChanged);
    // Prints the report's parts (none: no report) and the history's bound warning in a silent run.
    void printOutput(const QList<QByteArrayView> &report);

    Config::Services &m_services;
    bool m_attempted = false;
    bool m_notKept = false; // the copy could not be kept: the report is only printed
    std::future<OldValues> m_oldValuesWork;
    OldValues m_oldValues;
    // The marks of every value the replacement holds, for pruning; read only when the history holds enough copies
    // for pruning to judge them (without them it would keep more copies, never fewer).
    std::vector<quint64> m_liveValues;
    KeptSummary m_summary;
    QString m_warning; // said in the run's output: the history is over its bound
    std::optional<QHash<int, int>> m_generated;
    QString m_keptPath;
    QString m_dbFileName;
    QString m_settingsPath;
    QList<MachineSettings> m_before;
    UpdateReport m_report;
    std::optional<QByteArray> m_droppedTable; // the report's table of m_report.dropped, once made
    PresetDb::TakeoverRecord m_takeover;
};

} // namespace Kadex::History
