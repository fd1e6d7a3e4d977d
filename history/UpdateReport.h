#pragma once

#include "config/MachineSettings.h"
#include "presetdb/TakeoverRecord.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace Kadex::Config {
struct Services;
}

namespace Kadex::History {

// The take-over's record and values, as the report holds them.
using PresetDb::DroppedRow;
using PresetDb::TakeoverRecord;
using PresetDb::Value;

// A machine's settings as the report holds them: the ten entries as LoadIniInteger reads them (-1 for a missing
// entry), in the order of settingKeys(), and the texts stored.
using Config::MachineSettings;
using Config::settingKeys;
using Config::StoredText;

// The settings of every machine in use (the validity rule asked afresh), read from the program INI at iniPath
// without raising reports of their own.
QList<MachineSettings> readMachineSettings(Config::Services &services, const QString &iniPath);
// The same keys of the listed machines, read again from iniPath the same way.
QList<MachineSettings> rereadMachineSettings(const QList<MachineSettings> &machines, const QString &iniPath);

// One machine in a report: its settings before and after, and what the update generated and carried for it.
struct MachineReport
{
    int number = 0;
    QString name;
    QList<qint16> before;
    QList<qint16> after;            // empty when the settings were not (yet) written
    QList<StoredText> storedBefore; // the texts the entries held before; empty in reports that did not record them
    int rowsGenerated = -1;         // -1: not known
    int rowsCarried = -1;
    // The take-over tells machines apart by name only: the rows carried for a name are counted under the first
    // machine of that name, and a later one names that machine here instead (0: counted here).
    int carriedUnder = 0;
};

// The readable record of one update (or restore) beside the module database it kept. Written in Windows-1252
// with CR LF; the restore reads back the settings file and the settings "before".
struct UpdateReport
{
    QString moduleName;
    QString keptName;     // the kept module database's file name in the history folder
    bool copyKept = true; // false: the module database could not be kept, the report is printed only
    bool refused = false; // the copy could not be kept and the update would drop plant values: nothing replaced
    QDateTime when;
    QString runMode;      // "integrated", "silent", "standalone" or "restore"
    QString restoredFrom; // for a restore: the kept database put back
    QString program;      // as in the edit stamp
    QString editor;
    QString settingsFile; // the program INI the settings went to, relative to the root directory where below it
    // The program INI the update read the settings from where that is another file (the SaveAndRestore copy an
    // integrated run reads): a restore writes the settings back into both.
    QString settingsSource;
    QList<MachineReport> machines;
    QList<DroppedRow> dropped;
    int droppedCount = 0; // as read back; dropped.size() when written
    // Rows with plant values that failures kept from being carried, and the failures: told at the top.
    int notCarried = 0;
    QStringList takeoverFailures;

    // The report as the file holds it: Windows-1252, lines ending in CR LF. It is made in two parts, each ending at
    // a line end: its head, up to the count of dropped rows, and the table of the dropped rows (droppedTable), by
    // far the larger part, which a report made again from the same rows (at the end of the run, with the settings
    // after it) reuses.
    QByteArray toBytes() const;
    QByteArray headBytes() const;
    static QByteArray droppedTable(const QList<DroppedRow> &dropped);
    // Prints the parts of a report to out, where a line ends in the platform's line end (LF; a text-mode stream on
    // Windows makes it CR LF again), through a small buffer.
    static void printParts(std::FILE *out, const QList<QByteArrayView> &parts);
    // The report as text, lines ending in LF.
    QString toText() const;
    // Nothing when the text is no report or lacks a setting the restore needs.
    static std::optional<UpdateReport> fromText(const QString &text);

    // Write the report, or its parts, to path, atomically; a report beside a kept copy has its folder synced with
    // the copy's (syncKept).
    bool write(const QString &path) const;
    static bool writeParts(const QString &path, const QList<QByteArrayView> &parts);
    // Nothing when the file is missing, unreadable or no report.
    static std::optional<UpdateReport> read(const QString &path);
};

// A stored text as a report shows it: in quotes, so that blanks at either end stay visible; "no entry" for a
// missing entry.
QString storedCell(const StoredText &text);

// The run mode as a report names it.
QString runModeName(bool integratedMode, bool silentMode);

} // namespace Kadex::History
