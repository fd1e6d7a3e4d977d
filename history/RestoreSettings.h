#pragma once

#include "config/MachineSettings.h"
#include "history/UpdateReport.h"

#include <QString>
#include <QStringList>

namespace Kadex::History {

class PlantMachines;

// The settings a restore writes back: those the restored database was made from. They are the settings the
// update before it wrote (previous: the report of that update, when the history still holds it), so that
// settings and database agree even when the settings changed between the two updates without a new database;
// otherwise those the chosen update found before it ran. An entry whose value is the one the chosen update
// found gets back exactly the text it stored then.
QList<MachineSettings> settingsMadeFrom(const UpdateReport &chosen, const UpdateReport *previous);

// Why the settings cannot go back into files: for each machine, one line when the plant has no such machine
// now, names it otherwise, or a file lacks its section (a restore adds none). Empty when they can.
QStringList machineRefusals(PlantMachines &plant, const QList<MachineSettings> &machines, const QStringList &files);

// What writing the settings back into one file did.
struct SettingsWritten
{
    QList<MachineSettings> found; // the settings as the file held them before
    QStringList changes;          // "[Machine1] KadexInOrOutput3: 2 -> 3", in the order written
    bool ok = true;
    QString failure; // why the file refused the write
};

// Writes the settings that differ from what file holds in one write: a file that refuses it takes none of them.
SettingsWritten writeSettingsBack(Config::IniAccess &ini, const QList<MachineSettings> &machines, const QString &file);

} // namespace Kadex::History
