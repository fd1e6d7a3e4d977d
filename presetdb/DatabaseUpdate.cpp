#include "presetdb/DatabaseUpdate.h"

#include "config/Services.h"
#include "diag/ErrorGuard.h"
#include "diag/UiPort.h"
#include "platform/FileLookup.h"
#include "platform/RegularFile.h"
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

// Makes the report quiet about repeats no longer than the readings of the settings last.
class RepeatsQuietAfterFirst
{
public:
    explicit RepeatsQuietAfterFirst(Diag::ErrorReport &report) : m_report(report) {}
    ~RepeatsQuietAfterFirst() { m_report.setRepeatsQuiet(false); }
    RepeatsQuietAfterFirst(const RepeatsQuietAfterFirst &) = delete;
    RepeatsQuietAfterFirst &operator=(const RepeatsQuietAfterFirst &) = delete;

private:
    Diag::ErrorReport &m_report;
};

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

// The failure that keeps the module database as it was: the old database's plant values could not be read.
Diag::Failure valuesUnread(const Diag::Failure &why, const QString &path)
{
    const QString reason = why.description.isEmpty() ? QString() : why.description + QLatin1Char(' ');
    return {why.number, why.source,
            reason + QStringLiteral("The plant's values in '") + path +
                QStringLiteral("' cannot be read; the module database is left as it was.")};
}

} // namespace

DatabaseUpdate::DatabaseUpdate(Config::Services &services) : m_services(services) {}

DatabaseUpdate::~DatabaseUpdate() = default;

void DatabaseUpdate::Pass::clear()
{
    transaction.reset();
    working.reset();
    rebuilt = false;
    carried = false;
    generated.clear();
}

void DatabaseUpdate::WorkOnMDB()
{
    Plan plan;
    FileBytesSeen settingsSeen;
    readPaths(plan, settingsSeen);
    if (plan.sourcePath.isEmpty()) {
        return;
    }
    if (const std::optional<Platform::FileTimes> times = Platform::FileTimes::read(plan.sourcePath)) {
        m_savedFileTimes = *times;
    }
    readSettings(plan, true);

    // Other programs (the visualisation) have the module database open. Its write lock is taken before its
    // values are read and held until the new content is in it: their commits before are carried over, theirs
    // after wait and land in the new content. Without the lock nothing is changed.
    ModuleDb live;
    Pass pass;
    if (openLive(plan.moduleDbPath, live) && regenerate(plan, live, settingsSeen, pass)) {
        Diag::ErrorGuard guard(m_services.report, QStringLiteral("WorkOnMDB"));
        const bool committed = guard.step([&] { pass.transaction->commit(); });
        pass.transaction.reset();
        // A working database whose PRESET_DEFS was not rebuilt and saved would carry the template's rows, or none,
        // into the module database: the plant's values would be lost. Both files stay as they are then.
        if (committed && guard.step([&] { saveInto(*pass.working, plan.sourcePath); })) {
            guard.step([&] {
                if (writeModuleDb(plan.moduleDbPath, live, *pass.working) && m_history) {
                    m_history->noteRegenerated(pass.generated);
                }
            });
        }
    }
    pass.clear();
    restoreSourceTimes(plan.sourcePath);
}

void DatabaseUpdate::readPaths(Plan &plan, FileBytesSeen &settingsSeen)
{
    Config::Services &s = m_services;
    Diag::ErrorGuard guard(s.report, QString());
    guard.step([&] { plan.sourcePath = Platform::FileLookup::resolvePath(s.paths.GetPathSourceOCXMDB()); });
    guard.step([&] {
        // The notice names the file as the program composes it; reads and writes go to its spelling on disk.
        const QString composed = s.paths.GetPathOCXMDB();
        plan.moduleDbName = Config::fileNameOnly(composed);
        plan.moduleDbPath = Platform::FileLookup::resolvePath(composed);
        settingsSeen.note(Platform::FileLookup::findExistingFile(s.paths.moduleConfigurationPath()));
    });
    guard.step([&] { settingsSeen.note(s.paths.GetR4MConfigurationIniPath()); });
    settingsSeen.note(s.machines.ProgramIniPath());
    plan.integrated = s.runMode.IntegratedMode();
}

void DatabaseUpdate::readSettings(Plan &plan, bool firstReading)
{
    Config::Services &s = m_services;
    Diag::ErrorGuard guard(s.report, QString());
    guard.step([&] { plan.machineCopyPath = s.paths.GetPathMachineCopyMDB(s.paths.GetR4MConfigurationIniPath()); });
    guard.step([&] {
        m_systemIndex = !plan.integrated && s.ini.LoadIniBoolean(QStringLiteral("Project"), QStringLiteral("VWStudio"),
                                                                 s.machines.ProgramIniPath())
                            ? VisiWinStudio
                            : VisiWin32;
    });
    // The values carried over come from the machine copy in an integrated run, else from the module database.
    plan.fromMachineCopy = plan.integrated && !plan.machineCopyPath.isEmpty() &&
                           !Platform::FileLookup::findExistingFile(plan.machineCopyPath).isEmpty();
    if (plan.integrated && !plan.fromMachineCopy && firstReading) {
        s.report.ui().showMessage({Texts::missingCopyNotice(plan.moduleDbName), QString(), Diag::Buttons::Ok,
                                   Diag::Icon::Information, Diag::Answer::Ok});
    }
    m_templates = VarNameTemplates();
    m_templates.load(plan.sourcePath, guard);
}

bool DatabaseUpdate::regenerate(Plan &plan, ModuleDb &live, FileBytesSeen &settingsSeen, Pass &pass)
{
    // The update works on private copies in memory, of the module source database (the working database) and of
    // the old module database (read by the renames and the take-over). The machine list and settings it was made
    // from must be as they were read: another program rewriting them meanwhile makes it read them all again.
    QStringList changing;
    const RepeatsQuietAfterFirst quiet(m_services.report);
    for (int reading = 0; reading < ReadingsOfChangingSettings; ++reading) {
        if (reading > 0) {
            // What the first reading reported holds for this one too: only new faults are reported.
            m_services.report.setRepeatsQuiet(true);
            settingsSeen.renote();
            readSettings(plan, false);
        }
        runPass(plan, live, pass);
        if (!pass.rebuilt || !pass.carried) {
            return false;
        }
        changing = settingsSeen.changed();
        if (changing.isEmpty()) {
            return true;
        }
    }
    Diag::ErrorGuard guard(m_services.report, QStringLiteral("WorkOnMDB"));
    guard.step([&] {
        throw Diag::Failure{Nr::SettingsKeptChanging, Nr::SourceProgram,
                            QStringLiteral("The files the machines are read from kept changing while the update "
                                           "read them: ") +
                                changing.join(QStringLiteral(", ")) + QLatin1Char('.')};
    });
    return false;
}

void DatabaseUpdate::runPass(const Plan &plan, ModuleDb &live, Pass &pass)
{
    Config::Services &s = m_services;
    Diag::ErrorGuard guard(s.report, QStringLiteral("WorkOnMDB"));
    pass.clear();
    if (m_history) {
        m_history->takeover() = TakeoverRecord();
    }
    ModuleDbCopy oldDb;
    if (plan.fromMachineCopy) {
        oldDb.readFile(plan.machineCopyPath);
    } else if (live.failure) {
        oldDb.unreadable(live.failure);
    } else if (live.db) {
        oldDb.take(live.path, live.content);
    }
    guard.step([&] {
        pass.working = Database::copyInMemory(plan.sourcePath);
        pass.transaction.emplace(*pass.working);
    });
    pass.rebuilt = pass.transaction && rebuildPresetTable(*pass.working);

    CategorieNachCategoryID(s, oldDb);

    if (pass.rebuilt) {
        pass.generated = CreateRecordSets(*pass.working, s, m_templates, m_systemIndex, oldDb);
        pass.carried = takeOver(*pass.working, oldDb);
    }
}

void DatabaseUpdate::restoreSourceTimes(const QString &sourcePath)
{
    // Only the last-write time can be put back here; the creation time stays as the platform keeps it. A time
    // that cannot be put back is reported; the content written stays. Times that could not be read are not put.
    if (m_savedFileTimes.lastWriteNs != 0 && !Platform::FileTimes::restore(sourcePath, m_savedFileTimes)) {
        Diag::ErrorGuard guard(m_services.report, QStringLiteral("WorkOnMDB"));
        guard.step([&] { throw Diag::Failure::pathFileAccess(sourcePath); });
    }
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
        // Only a regular file of a size a plant reaches is read: a FIFO or a link to a device in its place is not
        // waited on, and there is then nothing of it to keep.
        if (Platform::RegularFile::Contents file = Platform::RegularFile::readAll(moduleDbPath);
            file.status == Platform::RegularFile::Status::Opened) {
            old = std::move(file.bytes);
        }
    }
    const auto write = [&] {
        if (live.db) {
            live.db->write(working);
        } else if (QString reason; !replaceDatabaseFile(working.path(), moduleDbPath, &reason)) {
            throw fileAccessFailure(QStringLiteral("Cannot copy '") + working.path() + QStringLiteral("' over '") +
                                    moduleDbPath + QStringLiteral("': ") + reason + QLatin1Char('.'));
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

bool DatabaseUpdate::takeOver(Database &working, ModuleDbCopy &oldCopy)
{
    Diag::ErrorGuard guard(m_services.report, QStringLiteral("WorkOnMDB"));
    if (!oldCopy.exists()) {
        return true;
    }
    Database *oldDb = nullptr;
    try {
        oldDb = &oldCopy.database();
        if (!oldDb->hasTableNamedExactly(Texts::PresetTable)) {
            return true;
        }
        oldDb->prepare(QStringLiteral("SELECT * FROM ") + quoteName(Texts::PresetTable));
    } catch (const Diag::Failure &failure) {
        if (!LiveModuleDb::isNoDatabase(failure)) {
            // A database whose values cannot be read may still hold them: nothing is regenerated over it.
            guard.step([&] { throw valuesUnread(failure, oldCopy.path()); });
            return false;
        }
        // A file that is no database holds no values to lose; the report says they are gone.
        guard.step([&] { throw failure; });
        if (m_history) {
            m_history->takeover().noteFailure(QStringLiteral("the old module database could not be read"));
        }
        return true;
    }
    GetAddFields(m_services, m_addFields);
    const bool carried = TakeoverMachineCopyMDBData(working, *oldDb, m_services, m_addFields,
                                                    m_history ? &m_history->takeover() : nullptr, &m_fieldCountAsked);
    if (!carried) {
        guard.step([&] {
            throw valuesUnread({Nr::DatabaseEngineError, Nr::SourceDatabase, QString()}, oldCopy.path());
        });
    }
    return carried;
}

} // namespace Kadex::PresetDb
