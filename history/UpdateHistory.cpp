#include "history/UpdateHistory.h"

#include "config/Services.h"
#include "diag/ErrorGuard.h"
#include "history/KeptPins.h"
#include "history/Pruning.h"
#include "platform/AtomicFile.h"
#include "presetdb/ContentDigest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>

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

QString folderFor(const QString &moduleDbPath)
{
    return QFileInfo(moduleDbPath).absolutePath() + QStringLiteral("/History");
}

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
    for (int n = 2; QFileInfo::exists(folder + QLatin1Char('/') + name) ||
                    QFileInfo::exists(folder + QLatin1Char('/') + name + QStringLiteral(".txt"));
         ++n) {
        name = base + QLatin1Char('-') + QString::number(n);
    }
    return name;
}

namespace {

void removeLeftTemporaries(const QString &folder, const QString &dbFileName)
{
    // The temporaries of a kept copy or of its report that no live writer holds.
    const QRegularExpression pattern = keptPattern(dbFileName);
    const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QString &file : files) {
        QString target = Platform::AtomicFile::temporaryTarget(file);
        if (target.endsWith(QStringLiteral(".txt"))) {
            target.chop(4);
        }
        if (!target.isEmpty() && pattern.match(target).hasMatch()) {
            Platform::AtomicFile::removeAbandoned(folder + QLatin1Char('/') + file);
        }
    }
}

} // namespace

namespace {

// The path a copy of the database at dbPath is kept under for now, its folder made and swept; empty when the
// folder cannot be made.
QString keptPathFor(const QString &dbPath, const QDateTime &now)
{
    const QString folder = folderFor(dbPath);
    const QString dbFileName = QFileInfo(dbPath).fileName();
    if (!QDir().mkpath(folder)) {
        return {};
    }
    removeLeftTemporaries(folder, dbFileName);
    return folder + QLatin1Char('/') + newKeptName(folder, dbFileName, now);
}

} // namespace

QString keepCopy(const QString &dbPath, const QDateTime &now)
{
    const QString path = keptPathFor(dbPath, now);
    return !path.isEmpty() && Platform::AtomicFile::copy(dbPath, path) ? path : QString();
}

QString keepContent(const QString &dbPath, const QByteArray &content, const QDateTime &now)
{
    const QString path = keptPathFor(dbPath, now);
    return !path.isEmpty() && Platform::AtomicFile::write(path, content) ? path : QString();
}

void removeKept(const QString &keptPath)
{
    QFile::remove(reportPath(keptPath));
    QFile::remove(keptPath);
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

Diag::Failure notKept(const QString &moduleDbPath, const QString &folder)
{
    return {Diag::ErrorNumbers::HistoryNotKept, Diag::ErrorNumbers::SourceProgram,
            QStringLiteral("Cannot keep a copy of '") + moduleDbPath + QStringLiteral("' in '") + folder +
                QStringLiteral("'.")};
}

} // namespace

UpdateHistory::UpdateHistory(Config::Services &services) : m_services(services) {}

bool UpdateHistory::keepBeforeReplacing(const QString &moduleDbPath, const QByteArray &content,
                                        PresetDb::Database &replacement)
{
    if (m_attempted) {
        return false;
    }
    m_attempted = true;
    if (!QFileInfo(moduleDbPath).isFile()) {
        return true; // nothing is replaced, nothing to keep
    }
    if (PresetDb::sameContent(content, replacement)) {
        return false; // the replacement changes nothing that a copy would hold
    }
    Config::Services &s = m_services;
    Diag::ErrorGuard guard(s.report, QStringLiteral("KeepModuleDatabase"));
    const QString folder = History::folderFor(moduleDbPath);
    const QDateTime now = QDateTime::currentDateTime();
    QString keptPath;
    guard.step([&] {
        keptPath = History::keepContent(moduleDbPath, content, now);
        if (keptPath.isEmpty()) {
            throw notKept(moduleDbPath, folder);
        }
    });
    // A copy that cannot be kept still gets its report, to be printed: nothing the update drops goes unrecorded.
    m_keptPath = keptPath;
    m_notKept = keptPath.isEmpty();
    m_dbFileName = QFileInfo(moduleDbPath).fileName();
    readBefore();

    const bool integrated = s.runMode.IntegratedMode();
    m_report.moduleName = s.location.GetOCXName();
    m_report.keptName = m_notKept ? QStringLiteral("-") : QFileInfo(keptPath).fileName();
    m_report.copyKept = !m_notKept;
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
    if (m_notKept) {
        return true;
    }
    writeReport();
    return true;
}

void UpdateHistory::noteRegenerated(const QHash<int, int> &generated)
{
    m_generated = generated;
    if (!m_keptPath.isEmpty()) {
        History::prune(QFileInfo(m_keptPath).absolutePath(), m_dbFileName);
    }
}

void UpdateHistory::giveUpKept()
{
    if (!m_keptPath.isEmpty()) {
        History::removeKept(m_keptPath);
    }
    m_attempted = false;
    m_notKept = false;
    m_keptPath.clear();
    m_report = UpdateReport();
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
        return;
    }
    Config::Services &s = m_services;
    if (!m_settingsPath.isEmpty()) {
        const QList<MachineSettings> after = rereadMachineSettings(m_before, m_settingsPath);
        for (qsizetype i = 0; i < after.size(); ++i) {
            m_report.machines[i].after = after[i].values;
        }
    }
    // A run whose regenerated database did not replace the module database generated none of its rows.
    if (m_generated) {
        for (MachineReport &machine : m_report.machines) {
            machine.rowsGenerated = m_generated->value(machine.number, 0);
        }
    }
    if (m_notKept) {
        completeReport();
    } else {
        writeReport();
    }
    if (s.runMode.SilentMode()) {
        const QByteArray text = m_report.toText().toLocal8Bit();
        std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
        std::fflush(stdout);
    }
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
    m_report.notCarried = m_takeover.notCarried();
    m_report.takeoverFailures = m_takeover.failures();
}

void UpdateHistory::writeReport()
{
    completeReport();
    Diag::ErrorGuard guard(m_services.report, QStringLiteral("KeepModuleDatabase"));
    const QString path = History::reportPath(m_keptPath);
    guard.step([&] {
        if (!m_report.write(path)) {
            throw Diag::Failure{Diag::ErrorNumbers::HistoryNotKept, Diag::ErrorNumbers::SourceProgram,
                                QStringLiteral("Cannot write the update report '") + path + QStringLiteral("'.")};
        }
    });
}

} // namespace Kadex::History
