#pragma once

#include "platform/FileTimes.h"
#include "presetdb/AdditionalFields.h"
#include "presetdb/FileBytesSeen.h"
#include "presetdb/SqliteDb.h"
#include "presetdb/VarNameTemplates.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <exception>
#include <memory>
#include <optional>

namespace Kadex::Config {
struct Services;
}

namespace Kadex::PresetDb {

class LiveModuleDb;
class ReplacementWitness;
class ModuleDbCopy;

// Brings the module's preset database into line with the plant when the operator confirms: rebuilds
// PRESET_DEFS of the module source database from its template, carries the plant's values over from the old
// module database, replaces the module database with the result and restores the template's file times.
class DatabaseUpdate
{
public:
    explicit DatabaseUpdate(Config::Services &services);
    ~DatabaseUpdate();
    DatabaseUpdate(const DatabaseUpdate &) = delete;
    DatabaseUpdate &operator=(const DatabaseUpdate &) = delete;

    // The whole update; failures are reported through the error report and the update goes on. The work is done
    // on copies in memory; the files change only once its result is whole: the module source database in one
    // transaction, then the module database's content in one transaction under the write lock the update took
    // before reading it. When the lock cannot be had, or the machine list's files keep changing, nothing changes.
    void WorkOnMDB();

    // Where the update keeps the module database it replaces and notes what the take-over dropped; none by default.
    void setHistory(ReplacementWitness *history) { m_history = history; }

    // The visualisation system of this run: 0 = VISIWIN32, 1 = VISIWINSTUDIO.
    qint16 SystemIndex() const { return m_systemIndex; }

private:
    // The module database as the update found it: locked and read, missing (no path), or unusable (failure).
    struct ModuleDb
    {
        QString path;
        std::unique_ptr<LiveModuleDb> db;
        QByteArray content;
        std::exception_ptr failure;
    };
    // The files of one update and what it read from the plant's settings; every pass reads the settings anew.
    struct Plan
    {
        QString sourcePath;
        QString moduleDbName;
        QString moduleDbPath;
        QString machineCopyPath;
        bool integrated = false;
        bool fromMachineCopy = false;
    };
    // One pass's working database, a private copy in memory of the module source database, with its open
    // transaction; rebuilt and carried say how far the pass came.
    struct Pass
    {
        std::unique_ptr<Database> working;
        std::optional<Transaction> transaction;
        bool rebuilt = false;
        bool carried = false;
        QHash<int, int> generated;

        void clear();
    };

    void readPaths(Plan &plan, FileBytesSeen &settingsSeen);
    // The system, the machine copy and the variable-name templates; firstReading shows the missing-copy notice.
    void readSettings(Plan &plan, bool firstReading);
    // Passes until the settings a pass read are as they were; false, reported, when they keep changing.
    bool regenerate(Plan &plan, ModuleDb &live, FileBytesSeen &settingsSeen, Pass &pass);
    void runPass(const Plan &plan, ModuleDb &live, Pass &pass);
    bool rebuildPresetTable(Database &working);
    // False, reported, when the old database is a database whose plant values cannot be read.
    bool takeOver(Database &working, ModuleDbCopy &oldCopy);
    // Takes the write lock of the existing module database and reads it; false, reported, when another program
    // holds the lock too long or the file cannot be used for another reason than being no database.
    bool openLive(const QString &moduleDbPath, ModuleDb &live);
    // Keeps the module database in the history and writes working into it: its content under the lock, or the
    // whole file when there is none to lock. A write that fails leaves the file as it was, so its copy is given up:
    // the history holds only databases that an update replaced. False, the file as it was, when the history
    // refused the replacement (it could not keep a copy of what the update would drop).
    bool writeModuleDb(const QString &moduleDbPath, ModuleDb &live, Database &working);
    void restoreSourceTimes(const QString &sourcePath);

    Config::Services &m_services;
    qint16 m_systemIndex = 0;
    VarNameTemplates m_templates;
    AddFields m_addFields;
    Platform::FileTimes m_savedFileTimes;
    ReplacementWitness *m_history = nullptr;
    // Whether the take-over's question about an old table with more fields was asked (or logged) in this update.
    bool m_fieldCountAsked = false;
};

} // namespace Kadex::PresetDb
