#include "presetdb/DatabaseUpdate.h"

#include "config/Services.h"
#include "diag/ErrorGuard.h"
#include "diag/UiPort.h"
#include "platform/FileLookup.h"
#include "presetdb/MachineCopyTakeover.h"
#include "presetdb/ModuleDbCopy.h"
#include "presetdb/ModuleDbRenames.h"
#include "presetdb/PresetTexts.h"
#include "presetdb/RecordGeneration.h"
#include "presetdb/ReplacementWitness.h"
#include "presetdb/SqliteDb.h"
#include "presetdb/TakeoverRecord.h"

#include <memory>
#include <optional>

namespace Kadex::PresetDb {

namespace {

Diag::Failure fileAccessFailure(const QString &description)
{
    return {Diag::ErrorNumbers::PathFileAccessError, Diag::ErrorNumbers::SourceProgram, description};
}

// Replaces the database file destination by a copy of source, or throws.
void copyReplacing(const QString &source, const QString &destination)
{
    if (!replaceDatabaseFile(source, destination)) {
        throw fileAccessFailure(QStringLiteral("Cannot copy '") + source + QStringLiteral("' over '") + destination +
                                QStringLiteral("'."));
    }
}

// Writes the working database into the file at path in one transaction of that file, whole or not at all. The
// file stays the same file, so it keeps its creation time.
void saveInto(Database &working, const QString &path)
{
    Database file(path);
    working.copyContentTo(file);
}

} // namespace

DatabaseUpdate::DatabaseUpdate(Config::Services &services) : m_services(services) {}

DatabaseUpdate::~DatabaseUpdate() = default;

void DatabaseUpdate::WorkOnMDB()
{
    Config::Services &s = m_services;
    Diag::ErrorGuard guard(s.report, QString());

    QString sourcePath;
    QString moduleDbName;
    QString moduleDbPath;
    QString plantIniPath;
    QString machineCopyPath;
    guard.step([&] { sourcePath = Platform::FileLookup::resolvePath(s.paths.GetPathSourceOCXMDB()); });
    guard.step([&] {
        // The notice names the file as the program composes it; reads and writes go to its spelling on disk.
        const QString composed = s.paths.GetPathOCXMDB();
        moduleDbName = Config::fileNameOnly(composed);
        moduleDbPath = Platform::FileLookup::resolvePath(composed);
    });
    guard.step([&] { plantIniPath = s.paths.GetR4MConfigurationIniPath(); });
    guard.step([&] { machineCopyPath = s.paths.GetPathMachineCopyMDB(plantIniPath); });
    const bool integrated = s.runMode.IntegratedMode();
    guard.step([&] {
        m_systemIndex = !integrated && s.ini.LoadIniBoolean(QStringLiteral("Project"), QStringLiteral("VWStudio"),
                                                            s.machines.ProgramIniPath())
                            ? VisiWinStudio
                            : VisiWin32;
    });
    if (sourcePath.isEmpty()) {
        return;
    }

    if (const std::optional<Platform::FileTimes> times = Platform::FileTimes::read(sourcePath)) {
        m_savedFileTimes = *times;
    }

    if (integrated) {
        if (machineCopyPath.isEmpty() || Platform::FileLookup::findExistingFile(machineCopyPath).isEmpty()) {
            s.report.ui().showMessage({Texts::missingCopyNotice(moduleDbName), QString(), Diag::Buttons::Ok,
                                       Diag::Icon::Information, Diag::Answer::Ok});
        } else {
            guard.step([&] { replaceKeeping(moduleDbPath, [&] { copyReplacing(machineCopyPath, moduleDbPath); }); });
        }
    }

    m_templates.load(sourcePath, guard);

    guard.setProcedure(QStringLiteral("WorkOnMDB"));
    // The update works on private copies in memory, of the module source database (the working database) and of
    // the old module database (read by the renames and the take-over). The files change only once the result is
    // whole: the source database in one transaction of its own, then the module database by whole replacement. A
    // run that ends or dies before leaves both as they were.
    std::unique_ptr<Database> working;
    ModuleDbCopy oldDb;
    std::optional<Transaction> transaction;
    guard.step([&] {
        working = Database::copyInMemory(sourcePath);
        transaction.emplace(*working);
    });
    const bool rebuilt = transaction && rebuildPresetTable(*working);

    CategorieNachCategoryID(s, oldDb);

    QHash<QString, int> generated;
    if (rebuilt) {
        generated = CreateRecordSets(*working, s, m_templates, m_systemIndex, oldDb);
        takeOver(*working, moduleDbPath, oldDb);
    }

    bool saved = false;
    if (transaction) {
        saved = guard.step([&] { transaction->commit(); });
    }
    transaction.reset();
    // A working database whose PRESET_DEFS was not rebuilt and saved would carry the template's rows, or none,
    // into the module database: the plant's values would be lost. Both files stay as they are then.
    saved = rebuilt && saved && guard.step([&] { saveInto(*working, sourcePath); });
    working.reset();

    if (saved) {
        guard.step([&] {
            replaceKeeping(moduleDbPath, [&] { copyReplacing(sourcePath, moduleDbPath); });
            if (m_history) {
                m_history->noteRegenerated(generated);
            }
        });
    }

    // Only the last-write time can be put back here; the creation time stays as the platform keeps it.
    Platform::FileTimes::restore(sourcePath, m_savedFileTimes);
}

bool DatabaseUpdate::rebuildPresetTable(Database &working)
{
    Diag::ErrorGuard guard(m_services.report, QStringLiteral("WorkOnMDB"));
    const bool cleared = guard.step([&] {
        // Only the table named exactly so is ours to replace; another letter case makes the rebuild fail below.
        if (working.hasTableNamedExactly(Texts::PresetTable)) {
            working.dropTable(Texts::PresetTable);
        }
    });
    return cleared &&
           guard.step([&] { working.createTable(Texts::PresetTable, working.fields(Texts::SourcePresetTable)); });
}

void DatabaseUpdate::takeOver(Database &working, const QString &moduleDbPath, ModuleDbCopy &oldCopy)
{
    Diag::ErrorGuard guard(m_services.report, QStringLiteral("WorkOnMDB"));
    QString oldPath;
    guard.step([&] { oldPath = Platform::FileLookup::findExistingFile(moduleDbPath); });
    if (oldPath.isEmpty()) {
        return;
    }
    Database *oldDb = nullptr;
    bool hasTable = false;
    const bool opened = guard.step([&] {
        oldDb = &oldCopy.of(oldPath);
        hasTable = oldDb->hasTableNamedExactly(Texts::PresetTable);
    });
    if (opened && !hasTable) {
        return;
    }
    if (!opened ||
        !guard.step([&] { oldDb->prepare(QStringLiteral("SELECT * FROM ") + quoteName(Texts::PresetTable)); })) {
        // The old values are lost with the file; the report says so.
        if (m_history) {
            m_history->takeover().noteFailure(QStringLiteral("the old module database could not be read"));
        }
        return;
    }
    GetAddFields(m_services, m_addFields);
    TakeoverMachineCopyMDBData(working, *oldDb, m_services, m_addFields, m_history ? &m_history->takeover() : nullptr);
}

void DatabaseUpdate::replaceKeeping(const QString &moduleDbPath, const std::function<void()> &replace)
{
    // Only the copy kept right before this replacement shows the file as it still is; an earlier replacement in
    // the same run (the machine copy's) has changed it since.
    const bool keptNow = m_history && m_history->keepBeforeReplacing(moduleDbPath);
    try {
        replace();
    } catch (...) {
        if (keptNow) {
            m_history->giveUpKept();
        }
        throw;
    }
}

} // namespace Kadex::PresetDb
