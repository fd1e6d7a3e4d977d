#include "history/UpdateRestore.h"

#include "config/MachineSettings.h"
#include "config/Services.h"
#include "diag/ErrorNumbers.h"
#include "diag/Failure.h"
#include "history/HistoryPlace.h"
#include "history/PlantMachines.h"
#include "history/Pruning.h"
#include "history/ReportReader.h"
#include "history/RestoreKeeping.h"
#include "history/RestoreSettings.h"
#include "history/TemplateDrops.h"
#include "history/UpdateHistory.h"
#include "history/UpdateReport.h"
#include "platform/FileLookup.h"
#include "platform/RegularFile.h"
#include "presetdb/KeptReplacement.h"
#include "presetdb/LiveModuleDb.h"
#include "presetdb/SqliteDb.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <memory>
#include <optional>

namespace Kadex::History {

namespace {

// Why the restore changes nothing; err gets it with "; nothing restored."
struct Refusal
{
    QString why;
};

// Everything the restore decides before it changes anything.
struct RestorePlan
{
    QString chosen; // the kept database's name
    QString chosenPath;
    std::optional<UpdateReport> report; // nothing: the copy has no report, its database goes back alone
    QString origin;                     // where the settings come from, as told
    QList<MachineSettings> settings;    // to write back
    QStringList files;                  // the program INIs they go into, the one the update wrote first
    QString machineType;                // with --machine: the rows brought back; empty: the whole database
    std::unique_ptr<PresetDb::Database> kept;
    QStringList warnings;
};

QString chooseCopy(const HistoryPlace &place, const QString &name)
{
    const QString chosen = place.keptNameFor(name);
    if (!chosen.isEmpty()) {
        return chosen;
    }
    if (place.kept.isEmpty()) {
        throw Refusal{QStringLiteral("No kept module database in ") + QDir::toNativeSeparators(place.folder)};
    }
    if (!place.recordedNameFor(name).isEmpty()) {
        throw Refusal{QStringLiteral("The kept database \"") + name +
                      QStringLiteral("\" is gone, only its report is left (see --show)")};
    }
    throw Refusal{QStringLiteral("Unknown kept update \"") + name + QStringLiteral("\". Kept updates (see --list): ") +
                  place.kept.join(QStringLiteral(", "))};
}

// The chosen copy's report, checked against the copy; nothing when the copy has none.
std::optional<UpdateReport> chosenReport(const HistoryPlace &place, const QString &chosen)
{
    const QString path = reportPath(place.pathOf(chosen));
    if (!QFileInfo::exists(path)) {
        return std::nullopt;
    }
    ReportReading reading = readReportFile(path, chosen);
    if (!reading.report) {
        throw Refusal{QStringLiteral("The report ") + path + QStringLiteral(", ") + reading.problem};
    }
    return reading.report;
}

// The report of the update before the chosen one, which made the chosen database; nothing when the history
// holds none that reads.
std::optional<UpdateReport> previousReport(const HistoryPlace &place, const QString &chosen)
{
    const qsizetype at = place.recorded.indexOf(chosen);
    if (at < 1) {
        return std::nullopt;
    }
    const QString previous = place.recorded[at - 1];
    return readReportFile(reportPath(place.pathOf(previous)), previous).report;
}

// Sets the run mode of this run again when the plant's view of another mode is done with the error report.
struct RunModeBack
{
    Config::RunMode &mode;
    ~RunModeBack() { mode.GetStartModeIntegrated(); }
};

// The plant's program INI that a report names, found without regard to letter case. A report is data from a
// file: a name that is not one of the plant's program INIs is refused.
QString plantIniNamed(Config::Services &services, const QString &named, const QString &reportLabel)
{
    const QString found =
        Platform::FileLookup::findExistingFile(History::absoluteFromRoot(named, services.location.rootDirectory()));
    const QString canonical = found.isEmpty() ? QString() : QFileInfo(found).canonicalFilePath();
    for (const QString &own : services.paths.programIniPaths()) {
        if (!canonical.isEmpty() && QFileInfo(own).canonicalFilePath() == canonical) {
            return own;
        }
    }
    throw Refusal{
        QStringLiteral("The %1 \"%2\" named in the report is not the plant's program INI").arg(reportLabel, named)};
}

// Every program INI the chosen update read from or wrote to: the one it wrote first.
QStringList settingsFiles(Config::Services &services, PlantMachines &plant, const UpdateReport &report)
{
    QStringList files = {plantIniNamed(services, report.settingsFile, QStringLiteral("settings file"))};
    QStringList sources;
    if (!report.settingsSource.isEmpty()) {
        sources.append(plantIniNamed(services, report.settingsSource, QStringLiteral("settings source")));
    }
    if (report.runMode == QStringLiteral("integrated") && !plant.readFrom().isEmpty()) {
        sources.append(plant.readFrom()); // reports that named only the file written
    }
    for (const QString &source : sources) {
        const bool listed = std::any_of(files.begin(), files.end(), [&](const QString &file) {
            return QFileInfo(file).canonicalFilePath() == QFileInfo(source).canonicalFilePath();
        });
        if (!listed) {
            files.append(source);
        }
    }
    return files;
}

void readKeptDatabase(RestorePlan &plan)
{
    try {
        plan.kept = PresetDb::Database::copyInMemory(plan.chosenPath);
    } catch (const Diag::Failure &failure) {
        throw Refusal{QStringLiteral("Cannot read ") + plan.chosenPath + QStringLiteral(" as a database (") +
                      failure.description + QLatin1Char(')')};
    }
}

// Narrows the plan to one machine, given by number or name: its settings and its rows.
void narrowToMachine(RestorePlan &plan, PlantMachines &plant, const QList<MachineRows> &rows, const QString &machine)
{
    bool isNumber = false;
    const int number = machine.toInt(&isNumber);
    QList<MachineSettings> chosen;
    for (const MachineSettings &settings : std::as_const(plan.settings)) {
        if (isNumber ? settings.number == number : settings.name.compare(machine, Qt::CaseInsensitive) == 0) {
            chosen.append(settings);
        }
    }
    plan.settings = chosen;
    const QString type = !chosen.isEmpty() ? chosen[0].name : isNumber ? plant.name(number) : machine;
    for (const MachineRows &held : rows) {
        if (!type.isEmpty() && held.machineType.compare(type, Qt::CaseInsensitive) == 0) {
            plan.machineType = held.machineType;
        }
    }
    if (chosen.isEmpty() && plan.machineType.isEmpty()) {
        throw Refusal{QStringLiteral("Machine \"") + machine + QStringLiteral("\" is in neither the report of ") +
                      plan.chosen + QStringLiteral(" nor its database")};
    }
    if (plan.machineType.isEmpty()) {
        plan.machineType = chosen[0].name; // it held no rows: bringing it back removes those it has now
    }
}

// The settings to write back and where; refused when the plant's machines no longer take them.
void planSettings(Config::Services &services, RestorePlan &plan, PlantMachines &plant)
{
    const std::optional<UpdateReport> previous = previousReport(historyPlaceOf(services), plan.chosen);
    plan.settings = settingsMadeFrom(*plan.report, previous ? &*previous : nullptr);
    plan.origin = previous ? QStringLiteral("Settings: as the update that made this database wrote them (") +
                                 previous->keptName + QStringLiteral(" holds its report).")
                           : QStringLiteral("Settings: as its update found them before it ran (the history holds no "
                                            "report of the update that made this database).");
    if (!plan.settings.isEmpty() || !plan.report->settingsFile.isEmpty()) {
        plan.files = settingsFiles(services, plant, *plan.report);
    }
}

RestorePlan planRestore(Config::Services &services, const QString &name, const QString &machine)
{
    const HistoryPlace place = historyPlaceOf(services);
    RestorePlan plan;
    plan.chosen = chooseCopy(place, name);
    plan.chosenPath = place.pathOf(plan.chosen);
    plan.report = chosenReport(place, plan.chosen);
    const bool integrated =
        plan.report && (plan.report->runMode == QStringLiteral("integrated") || !plan.report->settingsSource.isEmpty());
    PlantMachines plant(services.facts, services.report, integrated);
    const RunModeBack modeBack{services.runMode};
    if (plan.report) {
        planSettings(services, plan, plant);
    }
    readKeptDatabase(plan);
    QList<MachineRows> rows;
    try {
        rows = rowsByMachine(*plan.kept);
    } catch (const Diag::Failure &failure) {
        plan.warnings.append(QStringLiteral("Cannot tell which machines the kept database holds (") +
                             failure.description + QStringLiteral(")."));
    }
    if (!machine.isEmpty()) {
        narrowToMachine(plan, plant, rows, machine);
        rows.removeIf([&](const MachineRows &held) { return held.machineType != plan.machineType; });
    }
    const QStringList refusals = machineRefusals(plant, plan.settings, plan.files);
    if (!refusals.isEmpty()) {
        throw Refusal{refusals.join(QLatin1Char('\n')) +
                      QStringLiteral("\nThe settings would go into the wrong machine's section or a new one. Bring "
                                     "back the other machines alone with --machine")};
    }
    plan.warnings += nextUpdateDrops(plant, rows, plan.settings);
    try {
        const QString templatePath = Platform::FileLookup::resolvePath(services.paths.GetPathSourceOCXMDB());
        plan.warnings += templateDrops(templatePath, *plan.kept);
    } catch (const Diag::Failure &failure) {
        plan.warnings.append(QStringLiteral("Cannot find the template to compare the kept database with (") +
                             failure.description + QStringLiteral(")."));
    }
    return plan;
}

// The module database as the visualisation has it open: locked for the write, and what it held read through that
// same connection. Only a missing file, or one that is no database at all, is replaced whole.
struct LiveDb
{
    bool exists = false;
    std::unique_ptr<PresetDb::LiveModuleDb> db;
    QByteArray content;
};

LiveDb openLive(const HistoryPlace &place)
{
    LiveDb live;
    live.exists = QFileInfo(place.moduleDbPath).isFile();
    if (!live.exists) {
        return live;
    }
    try {
        live.db = std::make_unique<PresetDb::LiveModuleDb>(place.moduleDbPath);
        live.content = live.db->content();
    } catch (const Diag::Failure &failure) {
        live.db.reset();
        if (failure.number == Diag::ErrorNumbers::ModuleDbInUse) {
            throw Refusal{failure.description};
        }
        if (!PresetDb::LiveModuleDb::isNoDatabase(failure)) {
            throw Refusal{QStringLiteral("Cannot write ") + place.moduleDbPath + QStringLiteral(" (") +
                          failure.description + QLatin1Char(')')};
        }
    }
    return live;
}

// The restore's own report: the settings it found and those it writes, so that it can be undone the same way.
UpdateReport ownReport(Config::Services &services, const RestorePlan &plan, const QString &keptPath,
                       const QDateTime &now)
{
    const QString root = services.location.rootDirectory();
    UpdateReport own;
    own.moduleName = plan.report ? plan.report->moduleName : services.location.GetOCXName();
    own.keptName = QFileInfo(keptPath).fileName();
    own.when = now;
    own.runMode = QStringLiteral("restore");
    own.restoredFrom = plan.chosen;
    own.program = Config::programStamp(services.facts.version, false);
    own.editor = Config::encodeEditor(services.facts.firstEnvironmentEntry);
    own.settingsFile = plan.files.isEmpty() ? QStringLiteral("-") : History::relativeToRoot(plan.files[0], root);
    if (plan.files.size() > 1) {
        own.settingsSource = History::relativeToRoot(plan.files[1], root);
    }
    const QList<MachineSettings> found =
        plan.files.isEmpty() ? QList<MachineSettings>() : rereadMachineSettings(plan.settings, plan.files[0]);
    for (qsizetype i = 0; i < found.size(); ++i) {
        own.machines.append(
            {found[i].number, found[i].name, found[i].values, plan.settings[i].values, found[i].texts, -1, -1});
    }
    return own;
}

// The live content with one machine's rows replaced by the kept database's rows of that machine.
std::unique_ptr<PresetDb::Database> withMachineFromKept(const LiveDb &live, RestorePlan &plan)
{
    std::unique_ptr<PresetDb::Database> merged = PresetDb::Database::fromBytes(plan.chosenPath, live.content);
    if (merged->fields(QStringLiteral("PRESET_DEFS")) != plan.kept->fields(QStringLiteral("PRESET_DEFS"))) {
        throw Diag::Failure{0, Diag::ErrorNumbers::SourceProgram,
                            QStringLiteral("PRESET_DEFS has other fields in the kept database than in the live one")};
    }
    merged->attachContent(QStringLiteral("kept"), plan.kept->serialize());
    for (const QString &sql : {QStringLiteral("DELETE FROM main.PRESET_DEFS WHERE machine_type = ?1 COLLATE NOCASE"),
                               QStringLiteral("INSERT INTO main.PRESET_DEFS SELECT * FROM kept.PRESET_DEFS "
                                              "WHERE machine_type = ?1 COLLATE NOCASE")}) {
        PresetDb::Statement statement = merged->prepare(sql);
        statement.bind(1, PresetDb::Value(plan.machineType));
        statement.run();
    }
    merged->execute(QStringLiteral("DETACH DATABASE kept"));
    return merged;
}

// Writes replacement, the kept content or the live content with one machine's rows of it, into the module
// database; a failure leaves the file as it was and carries its reason.
void writeDatabase(const HistoryPlace &place, const RestorePlan &plan, LiveDb &live, PresetDb::Database &replacement)
{
    QString reason;
    try {
        if (live.db) {
            live.db->write(replacement);
        } else if (!plan.machineType.isEmpty()) {
            reason = QStringLiteral("no module database to bring one machine back into");
        } else if (QString why; !PresetDb::replaceDatabaseFile(plan.chosenPath, place.moduleDbPath, &why)) {
            reason = QStringLiteral("the copy could not replace it: ") + why;
        }
    } catch (const Diag::Failure &failure) {
        reason = failure.description;
    }
    live.db.reset();
    if (!reason.isEmpty()) {
        throw Refusal{QStringLiteral("Cannot write ") + plan.chosen + QStringLiteral(" into ") + place.moduleDbPath +
                      QStringLiteral(" (") + reason + QLatin1Char(')')};
    }
}

// Keeps the database about to be replaced, with the restore's own report, and writes the restored content into
// it: the same keep, write and give-up as an update's. A restore that changes nothing keeps nothing. The kept
// copy's path (empty when nothing was kept) and the values the restored database holds, for pruning.
QString replaceKeeping(Config::Services &services, const HistoryPlace &place, RestorePlan &plan, LiveDb &live,
                       std::vector<quint64> &liveValues)
{
    std::unique_ptr<PresetDb::Database> merged;
    if (!plan.machineType.isEmpty() && live.db) {
        merged = withMachineFromKept(live, plan);
    }
    PresetDb::Database &replacement = merged ? *merged : *plan.kept;
    if (!live.exists) {
        writeDatabase(place, plan, live, replacement);
        return {};
    }
    QByteArray content = live.content;
    if (!live.db) {
        // A damaged file: its bytes are kept as they are, when it is a regular file a plant could hold.
        content = Platform::RegularFile::readAll(place.moduleDbPath).bytes;
    }
    RestoreKeeping keeping(ownReport(services, plan, QString(), QDateTime::currentDateTime()));
    try {
        PresetDb::replaceKeepingCopy(keeping, place.moduleDbPath, content, replacement,
                                     [&] { writeDatabase(place, plan, live, replacement); });
    } catch (const Diag::Failure &failure) {
        throw Refusal{failure.description};
    }
    liveValues = keeping.liveValues();
    return keeping.keptPath();
}

// Writes the settings back into every file; the number of entries a file refused.
int writeSettings(Config::Services &services, const RestorePlan &plan, QTextStream &out, QTextStream &err)
{
    if (!plan.report) {
        out << "The copy has no report: its database alone is restored, the settings are left as they are.\n";
        return 0;
    }
    out << plan.origin << "\n";
    int failed = 0;
    for (const QString &file : plan.files) {
        const SettingsWritten written = writeSettingsBack(services.ini, plan.settings, file);
        if (!written.ok) {
            QStringList entries;
            for (const QString &change : written.changes) {
                entries.append(change.section(QLatin1Char(':'), 0, 0));
            }
            err << "Cannot write " << entries.join(QStringLiteral(", ")) << " in " << file << ": " << written.failure
                << ".\n";
            out << "0 settings written back to " << file << "; " << entries.size() << " could not be written.\n";
            failed += static_cast<int>(entries.size());
            continue;
        }
        for (const QString &change : written.changes) {
            out << "  " << change << "\n";
        }
        const qsizetype count = written.changes.size();
        out << count << (count == 1 ? " setting" : " settings") << " written back to " << file
            << (count == 0 ? " (all read as before already).\n" : ".\n");
    }
    return failed;
}

} // namespace

int restoreKeptUpdate(Config::Services &services, const QString &name, QTextStream &out, QTextStream &err,
                      const QString &machine)
{
    const HistoryPlace place = historyPlaceOf(services);
    QString keptPath;
    RestorePlan plan;
    std::vector<quint64> liveValues;
    try {
        plan = planRestore(services, name, machine);
        LiveDb live = openLive(place);
        // A refused write gives the kept copy up again: a kept copy would list a restore that never happened.
        keptPath = replaceKeeping(services, place, plan, live, liveValues);
    } catch (const Refusal &refusal) {
        err << refusal.why << "; nothing restored.\n";
        return 1;
    } catch (const Diag::Failure &failure) {
        // Whatever else fails while the restore is planned or made: the module database is as it was.
        err << "Cannot restore " << (plan.chosen.isEmpty() ? name : plan.chosen) << " (" << failure.description
            << "); nothing restored.\n";
        return 1;
    }
    if (plan.machineType.isEmpty()) {
        out << "Restored " << place.moduleDbPath << " from " << plan.chosen << ".\n";
    } else {
        out << "Restored the rows of \"" << plan.machineType << "\" in " << place.moduleDbPath << " from "
            << plan.chosen << "; the other machines are as they were.\n";
    }
    if (!keptPath.isEmpty()) {
        out << "The database it replaced is kept as " << QFileInfo(keptPath).fileName() << ".\n";
    }
    const int failed = writeSettings(services, plan, out, err);
    for (const QString &warning : std::as_const(plan.warnings)) {
        out << "Warning: " << warning << "\n";
    }
    // Without a module database before, the values it holds now are read from its file.
    const QString bound = keptPath.isEmpty() && liveValues.empty()
                              ? History::prune(place.folder, place.dbFileName, plan.chosen)
                              : History::prune(place.folder, place.dbFileName, liveValues, plan.chosen);
    if (!bound.isEmpty()) {
        out << bound << "\n";
    }
    return failed == 0 ? 0 : 1;
}

int showCopyWithoutReport(const QString &copyPath, QTextStream &out, QTextStream &err)
{
    try {
        const std::unique_ptr<PresetDb::Database> db = PresetDb::Database::copyInMemory(copyPath);
        out << "No report beside " << copyPath << ": --restore puts its database back alone.\n";
        for (const MachineRows &machine : rowsByMachine(*db)) {
            out << "  " << machine.machineType << ": " << machine.rows << " rows\n";
        }
        return 0;
    } catch (const Diag::Failure &failure) {
        err << "The kept database " << copyPath << " has no report and cannot be read (" << failure.description
            << ").\n";
        return 1;
    }
}

} // namespace Kadex::History
