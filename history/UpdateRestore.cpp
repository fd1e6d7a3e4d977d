#include "history/UpdateRestore.h"

#include "config/MachineSettings.h"
#include "config/Services.h"
#include "diag/ErrorNumbers.h"
#include "diag/Failure.h"
#include "history/HistoryPlace.h"
#include "history/Pruning.h"
#include "history/UpdateHistory.h"
#include "history/UpdateReport.h"
#include "platform/FileLookup.h"
#include "presetdb/LiveModuleDb.h"
#include "presetdb/SqliteDb.h"

#include <QDir>
#include <QFileInfo>

#include <memory>
#include <optional>

namespace Kadex::History {

namespace {

// The plant's program INI that the report's settings file names, found without regard to letter case; empty when
// it names anything else (a report is data from a file: another path must not be written to).
QString settingsFileOf(Config::Services &services, const UpdateReport &report)
{
    if (report.settingsFile.isEmpty()) {
        return {};
    }
    const QString named = Platform::FileLookup::findExistingFile(
        History::absoluteFromRoot(report.settingsFile, services.location.rootDirectory()));
    const QString canonical = named.isEmpty() ? QString() : QFileInfo(named).canonicalFilePath();
    if (canonical.isEmpty()) {
        return {};
    }
    for (const QString &own : services.paths.programIniPaths()) {
        if (QFileInfo(own).canonicalFilePath() == canonical) {
            return own;
        }
    }
    return {};
}

// True when each machine of the report is one of the window's machines, named once.
bool hasPlantMachines(const UpdateReport &report)
{
    QList<int> numbers;
    for (const MachineReport &machine : report.machines) {
        if (machine.number < 1 || machine.number > Config::MachineCount || numbers.contains(machine.number)) {
            return false;
        }
        numbers.append(machine.number);
    }
    return true;
}

// Writes the kept database's content into the locked module database in the transaction its lock began; false,
// the file as it was, when the write fails.
bool writeInPlace(PresetDb::LiveModuleDb &live, PresetDb::Database &kept)
{
    try {
        live.write(kept);
        return true;
    } catch (const Diag::Failure &) {
        return false;
    }
}

} // namespace

int restoreKeptUpdate(Config::Services &services, const QString &name, QTextStream &out, QTextStream &err)
{
    const HistoryPlace place = historyPlaceOf(services);
    const QString root = services.location.rootDirectory();
    const QString chosen = place.keptNameFor(name);
    if (chosen.isEmpty()) {
        if (place.kept.isEmpty()) {
            err << "No kept module database in " << QDir::toNativeSeparators(place.folder) << "; nothing restored.\n";
        } else {
            err << "Unknown kept update \"" << name
                << "\"; nothing restored. Kept updates (see --list): " << place.kept.join(QStringLiteral(", ")) << "\n";
        }
        return 1;
    }
    const QString chosenPath = place.folder + QLatin1Char('/') + chosen;
    const QString reportPath = History::reportPath(chosenPath);
    if (!QFileInfo::exists(reportPath)) {
        err << "The report " << reportPath << " is missing; nothing restored.\n";
        return 1;
    }
    const std::optional<UpdateReport> report = UpdateReport::read(reportPath);
    if (!report) {
        err << "The report " << reportPath << " cannot be read; nothing restored.\n";
        return 1;
    }
    const QString settingsPath = settingsFileOf(services, *report);
    if (!report->machines.isEmpty() && settingsPath.isEmpty()) {
        err << "The settings file \"" << report->settingsFile << "\" named in " << reportPath
            << " is not the plant's program INI; nothing restored.\n";
        return 1;
    }
    if (!hasPlantMachines(*report)) {
        err << "The report " << reportPath << " names a machine twice or one beyond the fifth; nothing restored.\n";
        return 1;
    }

    // The settings as they read now, for the restore's own report.
    QList<MachineSettings> recorded;
    for (const MachineReport &machine : report->machines) {
        recorded.append({machine.number, machine.name, machine.before, machine.storedBefore});
    }
    const QList<MachineSettings> current =
        settingsPath.isEmpty() ? QList<MachineSettings>() : rereadMachineSettings(recorded, settingsPath);

    // The kept database is read before the module database is locked, so that the lock is held only for the write.
    std::unique_ptr<PresetDb::Database> keptDb;
    try {
        keptDb = PresetDb::Database::copyInMemory(chosenPath);
    } catch (const Diag::Failure &failure) {
        err << "Cannot read " << chosenPath << " as a database (" << failure.description << "); nothing restored.\n";
        return 1;
    }

    // The visualisation keeps the module database open: it is written in place under its write lock, as the
    // update writes it, and what it held is read through that same connection. Only a missing file, or one that
    // is no database at all, is replaced whole.
    const bool exists = QFileInfo(place.moduleDbPath).isFile();
    std::unique_ptr<PresetDb::LiveModuleDb> live;
    QByteArray liveContent;
    if (exists) {
        try {
            live = std::make_unique<PresetDb::LiveModuleDb>(place.moduleDbPath);
            liveContent = live->content();
        } catch (const Diag::Failure &failure) {
            live.reset();
            if (failure.number == Diag::ErrorNumbers::ModuleDbInUse) {
                err << failure.description << "; nothing restored.\n";
                return 1;
            }
            if (!PresetDb::LiveModuleDb::isNoDatabase(failure)) {
                err << "Cannot write " << place.moduleDbPath << " (" << failure.description << "); nothing restored.\n";
                return 1;
            }
        }
    }

    // Keep the database about to be replaced, so that this restore can be undone too.
    QString keptPath;
    if (exists) {
        const QDateTime now = QDateTime::currentDateTime();
        keptPath = live ? History::keepContent(place.moduleDbPath, liveContent, now)
                        : History::keepCopy(place.moduleDbPath, now);
        if (keptPath.isEmpty()) {
            err << "Cannot keep a copy of " << place.moduleDbPath << " in " << place.folder << "; nothing restored.\n";
            return 1;
        }
        UpdateReport own;
        own.moduleName = report->moduleName;
        own.keptName = QFileInfo(keptPath).fileName();
        own.when = now;
        own.runMode = QStringLiteral("restore");
        own.restoredFrom = chosen;
        own.program = Config::programStamp(services.facts.version, false);
        own.editor = Config::encodeEditor(services.facts.firstEnvironmentEntry);
        own.settingsFile = settingsPath.isEmpty() ? report->settingsFile : History::relativeToRoot(settingsPath, root);
        for (qsizetype i = 0; i < current.size(); ++i) {
            own.machines.append(
                {current[i].number, current[i].name, current[i].values, recorded[i].values, current[i].texts, -1, -1});
        }
        if (!own.write(History::reportPath(keptPath))) {
            History::removeKept(keptPath);
            err << "Cannot write the report beside " << keptPath << "; nothing restored.\n";
            return 1;
        }
    }

    const bool replaced =
        live ? writeInPlace(*live, *keptDb) : PresetDb::replaceDatabaseFile(chosenPath, place.moduleDbPath);
    live.reset();
    if (!replaced) {
        // The module database stays as it is, so nothing is kept of it: a kept copy would list a restore that
        // never happened.
        if (!keptPath.isEmpty()) {
            History::removeKept(keptPath);
        }
        err << "Cannot copy " << chosenPath << " into " << place.moduleDbPath << "; nothing restored.\n";
        return 1;
    }
    out << "Restored " << place.moduleDbPath << " from " << chosen << ".\n";
    if (!keptPath.isEmpty()) {
        out << "The database it replaced is kept as " << QFileInfo(keptPath).fileName() << ".\n";
    }

    // The settings that differ now go back in one write: a file that refuses it takes none of them. A report that
    // recorded the stored texts gets exactly those back, an entry the update added removed; an older one gets the
    // values it recorded.
    Config::MachineSettingsBatch batch;
    QStringList changes;
    for (qsizetype i = 0; i < current.size(); ++i) {
        const bool exact = !recorded[i].texts.isEmpty();
        for (qsizetype k = 0; k < settingKeys().size(); ++k) {
            if (exact) {
                const StoredText &before = recorded[i].texts[k];
                if (current[i].texts[k] != before) {
                    batch.addStored(recorded[i].number, settingKeys()[k], before);
                    changes.append(QStringLiteral(": ") + storedCell(current[i].texts[k]) + QStringLiteral(" -> ") +
                                   storedCell(before));
                }
                continue;
            }
            const qint16 before = recorded[i].values[k];
            if (current[i].values[k] != before) {
                batch.add(recorded[i].number, settingKeys()[k], before);
                changes.append(QStringLiteral(": %1 -> %2").arg(current[i].values[k]).arg(before));
            }
        }
    }
    const QStringList entries = batch.entryNames();
    int failed = 0;
    int written = 0;
    if (!batch.isEmpty()) {
        if (batch.write(services.ini, settingsPath)) {
            for (qsizetype e = 0; e < entries.size(); ++e) {
                out << "  " << entries[e] << changes[e] << "\n";
            }
            written = static_cast<int>(entries.size());
        } else {
            err << "Cannot write " << entries.join(QStringLiteral(", ")) << " in " << settingsPath << ".\n";
            failed = static_cast<int>(entries.size());
        }
    }
    if (!settingsPath.isEmpty()) {
        out << written << (written == 1 ? " setting" : " settings") << " written back to " << settingsPath;
        if (failed > 0) {
            out << "; " << failed << " could not be written.\n";
        } else {
            out << (written == 0 ? " (all read as before already).\n" : ".\n");
        }
    }
    History::prune(place.folder, place.dbFileName, chosen);
    return failed == 0 ? 0 : 1;
}

} // namespace Kadex::History
