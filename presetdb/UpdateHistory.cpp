#include "presetdb/UpdateHistory.h"

#include "config/Services.h"
#include "diag/ErrorGuard.h"
#include "platform/AtomicFile.h"
#include "presetdb/PresetTexts.h"
#include "presetdb/SqliteDb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>

namespace Kadex::PresetDb {

namespace History {

namespace {

struct KeptName
{
    QString name;
    QString stamp;
    int suffix = 1;
};

QList<KeptName> keptEntries(const QString &folder, const QString &dbFileName)
{
    const QRegularExpression pattern(QStringLiteral("^") + QRegularExpression::escape(dbFileName) +
                                     QStringLiteral("\\.(\\d{8}-\\d{6})(?:-(\\d+))?$"));
    QList<KeptName> kept;
    const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString &file : files) {
        const QRegularExpressionMatch m = pattern.match(file);
        if (m.hasMatch()) {
            kept.append({file, m.captured(1), m.captured(2).isEmpty() ? 1 : m.captured(2).toInt()});
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

void removeLeftTemporaries(const QString &folder, const QString &dbFileName)
{
    const QRegularExpression pattern(QStringLiteral("^\\.") + QRegularExpression::escape(dbFileName) +
                                     QStringLiteral("\\.\\d{8}-\\d{6}(?:-\\d+)?(?:\\.txt)?\\.[0-9a-z]+\\.tmp$"));
    const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QString &file : files) {
        if (pattern.match(file).hasMatch()) {
            QFile::remove(folder + QLatin1Char('/') + file);
        }
    }
}

void prune(const QString &folder, const QString &dbFileName)
{
    const QStringList names = keptNames(folder, dbFileName);
    for (qsizetype i = 0; i + Kept < names.size(); ++i) {
        const QString path = folder + QLatin1Char('/') + names[i];
        QFile::remove(path);
        QFile::remove(reportPath(path));
    }
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

} // namespace History

namespace {

Diag::Failure notKept(const QString &moduleDbPath, const QString &folder)
{
    return {Diag::ErrorNumbers::HistoryNotKept, Diag::ErrorNumbers::SourceProgram,
            QStringLiteral("Cannot keep a copy of '") + moduleDbPath + QStringLiteral("' in '") + folder +
                QStringLiteral("'.")};
}

// PRESET_DEFS rows per machine_type (compared without regard to letter case) in the database at path.
QHash<QString, int> rowsPerMachine(const QString &path)
{
    QHash<QString, int> rows;
    Database db(path);
    Statement query = db.prepare(QStringLiteral("SELECT machine_type, COUNT(*) FROM ") + quoteName(Texts::PresetTable) +
                                 QStringLiteral(" GROUP BY machine_type"));
    while (query.next()) {
        if (const std::optional<QString> key = textKeyOf(query.value(0))) {
            rows[*key] += static_cast<int>(query.value(1).integer());
        }
    }
    return rows;
}

} // namespace

UpdateHistory::UpdateHistory(Config::Services &services) : m_services(services) {}

bool UpdateHistory::keepBeforeReplacing(const QString &moduleDbPath)
{
    if (m_attempted) {
        return false;
    }
    m_attempted = true;
    if (!QFileInfo(moduleDbPath).isFile()) {
        return true; // nothing is replaced, nothing to keep
    }
    Config::Services &s = m_services;
    Diag::ErrorGuard guard(s.report, QStringLiteral("KeepModuleDatabase"));
    const QString folder = History::folderFor(moduleDbPath);
    const QString dbFileName = QFileInfo(moduleDbPath).fileName();
    const QDateTime now = QDateTime::currentDateTime();
    QString keptPath;
    guard.step([&] {
        if (!QDir().mkpath(folder)) {
            throw notKept(moduleDbPath, folder);
        }
        History::removeLeftTemporaries(folder, dbFileName);
        const QString path = folder + QLatin1Char('/') + History::newKeptName(folder, dbFileName, now);
        if (!Platform::AtomicFile::copy(moduleDbPath, path)) {
            throw notKept(moduleDbPath, folder);
        }
        keptPath = path;
    });
    if (keptPath.isEmpty()) {
        return true;
    }
    m_moduleDbPath = moduleDbPath;
    m_keptPath = keptPath;
    readBefore();

    const bool integrated = s.runMode.IntegratedMode();
    m_report.moduleName = s.location.GetOCXName();
    m_report.keptName = QFileInfo(keptPath).fileName();
    m_report.when = now;
    m_report.runMode = runModeName(integrated, s.runMode.SilentMode());
    m_report.program = Config::programStamp(s.facts.version, integrated);
    m_report.editor = Config::encodeEditor(s.facts.firstEnvironmentEntry);
    m_report.settingsFile = History::relativeToRoot(m_settingsPath, s.location.rootDirectory());
    for (const MachineSettings &machine : std::as_const(m_before)) {
        m_report.machines.append({machine.number, machine.name, machine.values, {}, -1, -1});
    }
    writeReport();
    guard.step([&] { History::prune(folder, dbFileName); });
    return true;
}

void UpdateHistory::giveUpKept()
{
    if (!m_keptPath.isEmpty()) {
        QFile::remove(History::reportPath(m_keptPath));
        QFile::remove(m_keptPath);
    }
    m_attempted = false;
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
    if (m_keptPath.isEmpty()) {
        return;
    }
    Config::Services &s = m_services;
    Diag::ErrorGuard guard(s.report, QStringLiteral("KeepModuleDatabase"));
    if (!m_settingsPath.isEmpty()) {
        const QList<MachineSettings> after = rereadMachineSettings(s, m_before, m_settingsPath);
        for (qsizetype i = 0; i < after.size(); ++i) {
            m_report.machines[i].after = after[i].values;
        }
    }
    // The take-over counted the new rows as it read them; where it did not get that far, they are counted here. A
    // run whose regenerated database did not replace the module database generated none of its rows.
    if (m_regenerated && m_takeover.countedGenerated()) {
        for (MachineReport &machine : m_report.machines) {
            machine.rowsGenerated = m_takeover.generatedFor(machine.name);
        }
    } else if (m_regenerated) {
        QHash<QString, int> generated;
        if (guard.step([&] { generated = rowsPerMachine(m_moduleDbPath); })) {
            for (MachineReport &machine : m_report.machines) {
                machine.rowsGenerated = generated.value(machine.name.toCaseFolded(), 0);
            }
        }
    }
    writeReport();
    if (s.runMode.SilentMode()) {
        const QByteArray text = m_report.toText().toLocal8Bit();
        std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
        std::fflush(stdout);
    }
}

void UpdateHistory::writeReport()
{
    // What the take-over did so far: all of it once the module database is replaced by the regenerated one.
    for (MachineReport &machine : m_report.machines) {
        machine.rowsCarried = m_takeover.carriedFor(machine.name);
    }
    m_report.dropped = m_takeover.dropped();
    m_report.droppedCount = static_cast<int>(m_report.dropped.size());
    Diag::ErrorGuard guard(m_services.report, QStringLiteral("KeepModuleDatabase"));
    const QString path = History::reportPath(m_keptPath);
    guard.step([&] {
        if (!m_report.write(path)) {
            throw Diag::Failure{Diag::ErrorNumbers::HistoryNotKept, Diag::ErrorNumbers::SourceProgram,
                                QStringLiteral("Cannot write the update report '") + path + QStringLiteral("'.")};
        }
    });
}

} // namespace Kadex::PresetDb
