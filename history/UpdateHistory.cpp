#include "history/UpdateHistory.h"

#include "config/Services.h"
#include "diag/ErrorGuard.h"
#include "history/KeptPins.h"
#include "history/PlantValues.h"
#include "history/Pruning.h"
#include "platform/AtomicFile.h"
#include "presetdb/ContentDigest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace Kadex::History {

namespace {

struct KeptName
{
    QString name;
    QString stamp;
    int suffix = 1;
};

// The names of the kept copies of the database file dbFileName: "<dbFileName>.<stamp>[-<n>]".
QRegularExpression keptPattern(const QString &dbFileName)
{
    return QRegularExpression(QStringLiteral("^") + QRegularExpression::escape(dbFileName) +
                              QStringLiteral("\\.(\\d{8}-\\d{6})(?:-(\\d+))?$"));
}

// The kept databases, and with withReports also the names of reports whose database is gone.
QList<KeptName> keptEntries(const QString &folder, const QString &dbFileName, bool withReports = false)
{
    const QRegularExpression pattern = keptPattern(dbFileName);
    QList<KeptName> kept;
    const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString &file : files) {
        QString name = file;
        if (withReports && name.endsWith(QStringLiteral(".txt"))) {
            name.chop(4);
            if (files.contains(name)) {
                continue; // listed with its database
            }
        }
        const QRegularExpressionMatch m = pattern.match(name);
        if (m.hasMatch()) {
            kept.append({name, m.captured(1), m.captured(2).isEmpty() ? 1 : m.captured(2).toInt()});
        }
    }
    std::sort(kept.begin(), kept.end(), [](const KeptName &a, const KeptName &b) {
        return a.stamp != b.stamp ? a.stamp < b.stamp : a.suffix < b.suffix;
    });
    return kept;
}

} // namespace

QStringList keptNames(const QString &folder, const QString &dbFileName)
{
    QStringList names;
    for (const KeptName &kept : keptEntries(folder, dbFileName)) {
        names.append(kept.name);
    }
    return names;
}

QStringList recordedNames(const QString &folder, const QString &dbFileName)
{
    QStringList names;
    for (const KeptName &kept : keptEntries(folder, dbFileName, true)) {
        names.append(kept.name);
    }
    return names;
}

QString newKeptName(const QString &folder, const QString &dbFileName, const QDateTime &now)
{
    const QString base = dbFileName + QLatin1Char('.') + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = base;
    for (int n = 2; QFileInfo::exists(pathIn(folder, name)) || QFileInfo::exists(reportPath(pathIn(folder, name)));
         ++n) {
        name = base + QLatin1Char('-') + QString::number(n);
    }
    return name;
}

void removeLeftTemporaries(const QString &dbPath)
{
    // The temporaries of a kept copy, its report, summary or pin that no live writer holds.
    const QString folder = folderFor(dbPath);
    const QRegularExpression pattern = keptPattern(QFileInfo(dbPath).fileName());
    const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QString &file : files) {
        const QString target = keptNameOf(Platform::AtomicFile::temporaryTarget(file));
        if (!target.isEmpty() && pattern.match(target).hasMatch()) {
            Platform::AtomicFile::removeAbandoned(pathIn(folder, file));
        }
    }
}

namespace {

// The path a copy of the database at dbPath is kept under for now, its folder made; empty when the folder cannot
// be made.
QString keptPathFor(const QString &dbPath, const QDateTime &now)
{
    const QString folder = folderFor(dbPath);
    const QString dbFileName = QFileInfo(dbPath).fileName();
    if (!QDir().mkpath(folder)) {
        return {};
    }
    return pathIn(folder, newKeptName(folder, dbFileName, now));
}

} // namespace

QString keepContent(const QString &dbPath, const QByteArray &content, const QDateTime &now)
{
    const QString path = keptPathFor(dbPath, now);
    using Platform::AtomicFile::FolderSync;
    return !path.isEmpty() && Platform::AtomicFile::write(path, content, nullptr, FolderSync::Later) ? path : QString();
}

void syncKept(const QString &keptPath)
{
    Platform::AtomicFile::syncFolder(QFileInfo(keptPath).absolutePath());
}

void removeKept(const QString &keptPath)
{
    // Not checked: what cannot be removed stays listed, and the next pruning tries again.
    QFile::remove(reportPath(keptPath));
    QFile::remove(keptPath);
    QFile::remove(summaryPath(keptPath));
    QFile::remove(pinPath(keptPath));
}

QString relativeToRoot(const QString &path, const QString &root)
{
    const QString relative = QDir(root).relativeFilePath(path);
    return relative.startsWith(QStringLiteral("..")) || QDir::isAbsolutePath(relative) ? path : relative;
}

QString absoluteFromRoot(const QString &path, const QString &root)
{
    return QDir::isAbsolutePath(path) ? path : root + QLatin1Char('/') + path;
}

namespace {

// Why the history folder takes no copy, where the file system tells: errno of the failed write, or the folder's
// own state.
QString reasonNotKept(const QString &folder, int error)
{
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir()) {
        return QStringLiteral("it is a file, not a folder");
    }
    if (error != 0) {
        return QString::fromLocal8Bit(std::strerror(error));
    }
    return info.exists() && !info.isWritable() ? QStringLiteral("it is read-only") : QStringLiteral("unknown reason");
}

Diag::Failure notKept(const QString &moduleDbPath, const QString &folder, const QString &reason,
                      const QString &consequence)
{
    return {Diag::ErrorNumbers::HistoryNotKept, Diag::ErrorNumbers::SourceProgram,
            QStringLiteral("Cannot keep a copy of '") + moduleDbPath + QStringLiteral("' in '") + folder +
                QStringLiteral("' (") + reason + QStringLiteral(")") + consequence};
}

QString namesOf(const QStringList &names)
{
    return names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "));
}

} // namespace

UpdateHistory::UpdateHistory(Config::Services &services) : m_services(services) {}

PresetDb::Keeping UpdateHistory::keepBeforeReplacing(const QString &moduleDbPath, const QByteArray &content,
                                                     PresetDb::Database &replacement)
{
    using PresetDb::Keeping;
    if (m_attempted) {
        return Keeping::NothingKept;
    }
    m_attempted = true;
    removeLeftTemporaries(moduleDbPath);
    if (!QFileInfo(moduleDbPath).isFile()) {
        return Keeping::NothingKept; // nothing is replaced, nothing to keep
    }
    // The content is opened once, for the comparison and for what the copy holds.
    std::unique_ptr<PresetDb::Database> old = openedContent(content);
    if (old && holdsTheSame(*old, replacement)) {
        return Keeping::NothingKept; // the replacement changes nothing that a copy would hold
    }
    m_dbFileName = QFileInfo(moduleDbPath).fileName();
    const bool forPruning = pruneJudges(folderFor(moduleDbPath), m_dbFileName, content.size());
    Diag::ErrorGuard guard(m_services.report, QStringLiteral("KeepModuleDatabase"));
    guard.step([&] { noteValues(std::move(old), replacement, forPruning); });
    readBefore();
    const QDateTime now = QDateTime::currentDateTime();
    fillReportHeader(now);
    const Keeping keeping = keepOrRefuse(moduleDbPath, content, now);
    if (keeping == Keeping::Kept) {
        writeReport();
        syncKept(m_keptPath);
    }
    return keeping;
}

void UpdateHistory::noteValues(std::unique_ptr<PresetDb::Database> old, PresetDb::Database &replacement,
                               bool forPruning)
{
    // The template the replacement was made from judges which values are the plant's.
    auto templateValues = std::make_shared<const TemplateValues>(replacement);
    if (forPruning) {
        m_liveValues = valueMarksOf(replacement);
    }
    // The old content's connection, the template's values and the dropped rows are the work's alone, or only read
    // by both sides: the take-over has ended, and the replacement is not touched there.
    auto work = [old = std::move(old), templateValues, dropped = m_takeover.dropped()] {
        OldValues values;
        for (const PresetDb::DroppedRow &row : dropped) {
            values.plantRowsDropped += holdsPlantValue(row, *templateValues) ? 1 : 0;
        }
        if (old) {
            try {
                values.held = heldValuesOf(*old, *templateValues);
                values.heldRead = true;
            } catch (const Diag::Failure &) {
                // a damaged file, kept as its bytes: it holds no value that can be read
            }
        }
        return values;
    };
    // Where no thread can be started, the work is done when its result is asked for.
    m_oldValuesWork = std::async(std::launch::async | std::launch::deferred, std::move(work));
}

const UpdateHistory::OldValues &UpdateHistory::oldValues()
{
    if (m_oldValuesWork.valid()) {
        m_oldValues = m_oldValuesWork.get();
    }
    return m_oldValues;
}

PresetDb::Keeping UpdateHistory::keepOrRefuse(const QString &moduleDbPath, const QByteArray &content,
                                              const QDateTime &now)
{
    errno = 0;
    m_keptPath = History::keepContent(moduleDbPath, content, now);
    const int error = errno;
    m_notKept = m_keptPath.isEmpty();
    m_report.copyKept = !m_notKept;
    m_report.keptName = m_notKept ? QStringLiteral("-") : QFileInfo(m_keptPath).fileName();
    if (!m_notKept) {
        return PresetDb::Keeping::Kept;
    }
    const QString folder = folderFor(moduleDbPath);
    const int plantRowsDropped = oldValues().plantRowsDropped;
    m_report.refused = plantRowsDropped > 0;
    const QString consequence =
        m_report.refused ? QStringLiteral(": the update would drop %1 rows with plant values, so the module database "
                                          "stays as it was.")
                               .arg(plantRowsDropped)
                         : QStringLiteral(": the update drops no plant value and goes on without a copy.");
    Diag::ErrorGuard guard(m_services.report, QStringLiteral("KeepModuleDatabase"));
    guard.step([&] { throw notKept(moduleDbPath, folder, reasonNotKept(folder, error), consequence); });
    return m_report.refused ? PresetDb::Keeping::Refused : PresetDb::Keeping::NothingKept;
}

void UpdateHistory::fillReportHeader(const QDateTime &now)
{
    Config::Services &s = m_services;
    const bool integrated = s.runMode.IntegratedMode();
    m_report.moduleName = s.location.GetOCXName();
    m_report.when = now;
    m_report.runMode = runModeName(integrated, s.runMode.SilentMode());
    m_report.program = Config::programStamp(s.facts.version, integrated);
    m_report.editor = Config::encodeEditor(s.facts.firstEnvironmentEntry);
    m_report.settingsFile = History::relativeToRoot(m_settingsPath, s.location.rootDirectory());
    const QString readFrom = s.machines.ProgramIniPath();
    if (!readFrom.isEmpty() &&
        QFileInfo(readFrom).canonicalFilePath() != QFileInfo(m_settingsPath).canonicalFilePath()) {
        m_report.settingsSource = History::relativeToRoot(readFrom, s.location.rootDirectory());
    }
    for (const MachineSettings &machine : std::as_const(m_before)) {
        m_report.machines.append({machine.number, machine.name, machine.values, {}, machine.texts, -1, -1});
    }
    m_summary.when = now;
    m_summary.runMode = m_report.runMode;
}

void UpdateHistory::noteRegenerated(const QHash<int, int> &generated)
{
    // The copy's summary and the pruning wait for the end of the run, when the settings are written too: a run
    // that ends before leaves a copy without a summary, which --list and the next pruning read instead.
    m_generated = generated;
}

void UpdateHistory::writeKeptSummary(int settingsChanged)
{
    const OldValues &old = oldValues();
    if (old.heldRead) {
        m_summary.machines = old.held.machines;
        m_summary.rows = old.held.rows;
        m_summary.plantValues = static_cast<int>(old.held.plant.size());
        m_summary.plant = old.held.plant;
    }
    QStringList held;
    for (const auto &machine : std::as_const(m_summary.machines)) {
        held.append(machine.first);
    }
    m_summary.after.clear();
    for (const MachineReport &machine : std::as_const(m_report.machines)) {
        m_summary.after.append(machine.name);
    }
    m_summary.dropped = static_cast<int>(m_takeover.dropped().size());
    // The settings are written after the database: their count is known only when the run ends.
    const QString settings = settingsChanged < 0    ? QString()
                             : settingsChanged == 1 ? QStringLiteral("1 setting changed; ")
                                                    : QStringLiteral("%1 settings changed; ").arg(settingsChanged);
    m_summary.change = QStringLiteral("machines %1 -> %2; %3%4 rows with plant values dropped")
                           .arg(namesOf(held), namesOf(m_summary.after), settings)
                           .arg(old.plantRowsDropped);
    // Not checked: the summary only spares --list and pruning a read of the copy, which they make without it.
    History::writeSummary(m_keptPath, m_summary);
}

void UpdateHistory::giveUpKept()
{
    if (!m_keptPath.isEmpty()) {
        History::removeKept(m_keptPath);
    }
    m_attempted = false;
    m_notKept = false;
    m_oldValuesWork = {}; // waits for the work to end
    m_oldValues = OldValues();
    m_keptPath.clear();
    m_report = UpdateReport();
    m_droppedTable.reset();
    m_summary = KeptSummary();
}
void UpdateHistory::readBefore()
{
    // The settings as they read before the run, from the file the run writes them to.
    Config::Services &s = m_services;
    Diag::ErrorGuard guard(s.report, QStringLiteral("KeepModuleDatabase"));
    guard.step([&] { m_settingsPath = s.paths.GetProgramIniPath(2); });
    if (!m_settingsPath.isEmpty()) {
        guard.step([&] { m_before = readMachineSettings(s, m_settingsPath); });
    }
}

void UpdateHistory::finish()
{
    if (m_keptPath.isEmpty() && !m_notKept) {
        printOutput({});
        return;
    }
    int changed = 0;
    if (!m_settingsPath.isEmpty()) {
        const QList<MachineSettings> after = rereadMachineSettings(m_before, m_settingsPath);
        for (qsizetype i = 0; i < after.size(); ++i) {
            m_report.machines[i].after = after[i].values;
            for (qsizetype k = 0; k < after[i].values.size(); ++k) {
                changed += after[i].values[k] != m_report.machines[i].before.value(k) ? 1 : 0;
            }
        }
    }
    const bool replaced = m_generated && !m_keptPath.isEmpty() && !m_notKept;
    if (replaced) {
        writeKeptSummary(changed > 0 ? changed : -1); // what --list shows of the copy
        m_warning = History::prune(QFileInfo(m_keptPath).absolutePath(), m_dbFileName, m_liveValues);
    }
    // A run whose regenerated database did not replace the module database generated none of its rows.
    if (m_generated) {
        for (MachineReport &machine : m_report.machines) {
            machine.rowsGenerated = m_generated->value(machine.number, 0);
        }
    }
    // The report is made once: the file and standard output get its bytes.
    if (m_notKept) {
        completeReport();
        const QByteArray head = m_report.headBytes();
        printOutput({head, *m_droppedTable});
        return;
    }
    const QByteArray head = writeReport();
    syncKept(m_keptPath); // the summary and the report
    printOutput({head, *m_droppedTable});
}

void UpdateHistory::printOutput(const QList<QByteArrayView> &report)
{
    if (!m_services.runMode.SilentMode()) {
        return;
    }
    if (m_warning.isEmpty()) {
        const HistoryPlace place = historyPlaceOf(m_services);
        m_warning = History::boundWarning(place.folder, place.dbFileName);
    }
    // Not checked: a caller that closed standard output finds the report in the history.
    UpdateReport::printParts(stdout, report);
    if (!m_warning.isEmpty()) {
        const bool printed =
            std::any_of(report.cbegin(), report.cend(), [](QByteArrayView part) { return !part.isEmpty(); });
        const QByteArray line = (printed ? QByteArray("\n") : QByteArray()) + m_warning.toLocal8Bit() + '\n';
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    }
    std::fflush(stdout);
}

void UpdateHistory::completeReport()
{
    // What the take-over did so far: all of it once the module database is replaced by the regenerated one.
    // Machines of one name share their old rows: each such row is counted once, under the first of them.
    QHash<QString, int> firstOfName; // machine_type is compared without regard to letter case
    for (MachineReport &machine : m_report.machines) {
        const QString name = machine.name.toCaseFolded();
        if (!firstOfName.contains(name)) {
            firstOfName.insert(name, machine.number);
        }
        const int first = firstOfName.value(name);
        machine.carriedUnder = first == machine.number ? 0 : first;
        machine.rowsCarried = machine.carriedUnder > 0 ? -1 : m_takeover.carriedFor(machine.name);
    }
    m_report.dropped = m_takeover.dropped();
    m_report.droppedCount = static_cast<int>(m_report.dropped.size());
    // The take-over has ended before the first report is made, and giveUpKept forgets the table with the report:
    // the rows a table was made of are the report's until then.
    if (!m_droppedTable) {
        m_droppedTable = UpdateReport::droppedTable(m_report.dropped);
    }
    m_report.notCarried = m_takeover.notCarried();
    m_report.takeoverFailures = m_takeover.failures();
}

QByteArray UpdateHistory::writeReport()
{
    completeReport();
    Diag::ErrorGuard guard(m_services.report, QStringLiteral("KeepModuleDatabase"));
    const QString path = History::reportPath(m_keptPath);
    const QByteArray head = m_report.headBytes();
    guard.step([&] {
        if (!UpdateReport::writeParts(path, {head, *m_droppedTable})) {
            throw Diag::Failure{Diag::ErrorNumbers::HistoryNotKept, Diag::ErrorNumbers::SourceProgram,
                                QStringLiteral("Cannot write the update report '") + path + QStringLiteral("'.")};
        }
    });
    return head;
}

std::unique_ptr<PresetDb::Database> openedContent(const QByteArray &content)
{
    try {
        std::unique_ptr<PresetDb::Database> db = PresetDb::Database::fromBytes(QString(), content);
        db->tableNames(); // the bytes are read only by the first query
        return db;
    } catch (const Diag::Failure &) {
        return nullptr; // a damaged file: kept as its bytes, holding no value that can be read
    }
}

bool holdsTheSame(PresetDb::Database &old, PresetDb::Database &replacement)
{
    try {
        return PresetDb::sameContent(old, replacement);
    } catch (const Diag::Failure &) {
        return false; // a database that cannot be read through holds something else
    }
}

} // namespace Kadex::History
