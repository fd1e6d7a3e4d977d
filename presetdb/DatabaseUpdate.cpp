#include "presetdb/DatabaseUpdate.h"

#include "config/Services.h"
#include "diag/ErrorGuard.h"
#include "diag/UiPort.h"
#include "platform/FileLookup.h"
#include "presetdb/FileBytesSeen.h"
#include "presetdb/KeptReplacement.h"
#include "presetdb/LiveModuleDb.h"
#include "presetdb/MachineCopyTakeover.h"
#include "presetdb/ModuleDbCopy.h"
#include "presetdb/ModuleDbRenames.h"
#include "presetdb/PresetTexts.h"
#include "presetdb/RecordGeneration.h"
#include "presetdb/ReplacementWitness.h"
#include "presetdb/SqliteDb.h"
#include "presetdb/TakeoverRecord.h"

#include <QFile>
#include <QFileInfo>

#include <memory>
#include <optional>

namespace Kadex::PresetDb {

namespace {

namespace Nr = Diag::ErrorNumbers;

// How often the machine list and settings are read again when another program rewrote their files meanwhile.
constexpr int ReadingsOfChangingSettings = 3;

Diag::Failure fileAccessFailure(const QString &description)
{
    return {Nr::PathFileAccessError, Nr::SourceProgram, description};
}

// Writes the working database into the file at path in one transaction of that file, whole or not at all. The
// file stays the same file, so it keeps its creation time.
void saveInto(Database &working, const QString &path)
{
    Database file(path);
    working.copyContentTo(file);
}

// The module configuration beside the module database: <module>.cfg, as the machine list reads it.
QString moduleConfigurationPath(const QString &composedModuleDbPath)
{
    const QFileInfo db(composedModuleDbPath);
    return Platform::FileLookup::findExistingFile(db.path() + QLatin1Char('/') + db.completeBaseName() +
                                                  QStringLiteral(".cfg"));
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
    FileBytesSeen settingsSeen;
    guard.step([&] { sourcePath = Platform::FileLookup::resolvePath(s.paths.GetPathSourceOCXMDB()); });
    guard.step([&] {
        // The notice names the file as the program composes it; reads and writes go to its spelling on disk.
        const QString composed = s.paths.GetPathOCXMDB();
        moduleDbName = Config::fileNameOnly(composed);
        moduleDbPath = Platform::FileLookup::resolvePath(composed);
        settingsSeen.note(moduleConfigurationPath(composed));
    });
    guard.step([&] {
        plantIniPath = s.paths.GetR4MConfigurationIniPath();
        settingsSeen.note(plantIniPath);
    });
    guard.step([&] { machineCopyPath = s.paths.GetPathMachineCopyMDB(plantIniPath); });
    const bool integrated = s.runMode.IntegratedMode();
    guard.step([&] {
        settingsSeen.note(s.machines.ProgramIniPath());
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

    // The values carried over come from the machine copy in an integrated run, else from the module database.
    bool fromMachineCopy = false;
    if (integrated) {
        if (machineCopyPath.isEmpty() || Platform::FileLookup::findExistingFile(machineCopyPath).isEmpty()) {
            s.report.ui().showMessage({Texts::missingCopyNotice(moduleDbName), QString(), Diag::Buttons::Ok,
                                       Diag::Icon::Information, Diag::Answer::Ok});
        } else {
            fromMachineCopy = true;
        }
    }

    m_templates.load(sourcePath, guard);

    guard.setProcedure(QStringLiteral("WorkOnMDB"));
    // Other programs (the visualisation) have the module database open. Its write lock is taken before its
    // values are read and held until the new content is in it: their commits before are carried over, theirs
    // after wait and land in the new content. Without the lock nothing is changed.
    ModuleDb live;
    if (!openLive(moduleDbPath, live)) {
        Platform::FileTimes::restore(sourcePath, m_savedFileTimes);
        return;
    }
    auto readOld = [&](ModuleDbCopy &oldDb) {
        if (fromMachineCopy) {
            oldDb.readFile(machineCopyPath);
        } else if (live.failure) {
            oldDb.unreadable(live.failure);
        } else if (live.db) {
            oldDb.take(live.path, live.content);
        }
    };

    // The update works on private copies in memory, of the module source database (the working database) and of
    // the old module database (read by the renames and the take-over). The files change only once the result is
    // whole: the source database in one transaction of its own, then the module database in one of its own. A
    // run that ends or dies before leaves both as they were. The machine list and settings it was made from must
    // be as they were read: another program rewriting them meanwhile makes it read them again.
    std::unique_ptr<Database> working;
    std::optional<Transaction> transaction;
    bool rebuilt = false;
    QHash<int, int> generated;
    QStringList changing;
    for (int reading = 0; reading < ReadingsOfChangingSettings; ++reading) {
        transaction.reset();
        working.reset();
        if (m_history) {
            m_history->takeover() = TakeoverRecord();
        }
        ModuleDbCopy oldDb;
        readOld(oldDb);
        guard.step([&] {
            working = Database::copyInMemory(sourcePath);
            transaction.emplace(*working);
        });
        rebuilt = transaction && rebuildPresetTable(*working);

        CategorieNachCategoryID(s, oldDb);

        if (rebuilt) {
            generated = CreateRecordSets(*working, s, m_templates, m_systemIndex, oldDb);
            takeOver(*working, oldDb);
        }
        changing = settingsSeen.changed();
        if (changing.isEmpty()) {
            break;
        }
        settingsSeen.renote();
    }
    if (!changing.isEmpty()) {
        guard.step([&] {
            throw Diag::Failure{Nr::SettingsKeptChanging, Nr::SourceProgram,
                                QStringLiteral("The files the machines are read from kept changing while the update "
                                               "read them: ") +
                                    changing.join(QStringLiteral(", ")) + QLatin1Char('.')};
        });
        transaction.reset();
        working.reset();
        Platform::FileTimes::restore(sourcePath, m_savedFileTimes);
        return;
    }

    bool saved = false;
    if (transaction) {
        saved = guard.step([&] { transaction->commit(); });
    }
    transaction.reset();
    // A working database whose PRESET_DEFS was not rebuilt and saved would carry the template's rows, or none,
    // into the module database: the plant's values would be lost. Both files stay as they are then.
    saved = rebuilt && saved && guard.step([&] { saveInto(*working, sourcePath); });

    if (saved) {
        guard.step([&] {
            if (writeModuleDb(moduleDbPath, live, *working) && m_history) {
                m_history->noteRegenerated(generated);
            }
        });
    }
    working.reset();

    // Only the last-write time can be put back here; the creation time stays as the platform keeps it.
    Platform::FileTimes::restore(sourcePath, m_savedFileTimes);
}

bool DatabaseUpdate::openLive(const QString &moduleDbPath, ModuleDb &live)
{
    live.path = Platform::FileLookup::findExistingFile(moduleDbPath);
    if (live.path.isEmpty()) {
        return true;
    }
    try {
        live.db = std::make_unique<LiveModuleDb>(live.path);
        live.content = live.db->content();
    } catch (const Diag::Failure &failure) {
        // A file that is no database holds nothing to carry: it is reported where it is read and replaced whole.
        // Any other failure is reported and nothing changes.
        if (!LiveModuleDb::isNoDatabase(failure)) {
            Diag::ErrorGuard guard(m_services.report, QStringLiteral("WorkOnMDB"));
            guard.step([&] { throw failure; });
            return false;
        }
        live.db.reset();
        live.failure = std::current_exception();
    }
    return true;
}

bool DatabaseUpdate::writeModuleDb(const QString &moduleDbPath, ModuleDb &live, Database &working)
{
    // Without a live database no other program can have it open: the file is missing or damaged, and made whole
    // anew.
    QByteArray old = live.content;
    if (!live.db) {
        if (QFile file(moduleDbPath); file.open(QIODevice::ReadOnly)) {
            old = file.readAll();
        }
    }
    const auto write = [&] {
        if (live.db) {
            live.db->write(working);
        } else if (!replaceDatabaseFile(working.path(), moduleDbPath)) {
            throw fileAccessFailure(QStringLiteral("Cannot copy '") + working.path() + QStringLiteral("' over '") +
                                    moduleDbPath + QStringLiteral("'."));
        }
    };
    if (m_history) {
        return replaceKeepingCopy(*m_history, live.db ? live.path : moduleDbPath, old, working, write);
    }
    write();
    return true;
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

void DatabaseUpdate::takeOver(Database &working, ModuleDbCopy &oldCopy)
{
    Diag::ErrorGuard guard(m_services.report, QStringLiteral("WorkOnMDB"));
    if (!oldCopy.exists()) {
        return;
    }
    Database *oldDb = nullptr;
    bool hasTable = false;
    const bool opened = guard.step([&] {
        oldDb = &oldCopy.database();
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

} // namespace Kadex::PresetDb
