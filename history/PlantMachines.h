#pragma once

#include "config/MachineSettings.h"
#include "config/Services.h"
#include "presetdb/SqliteDb.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace Kadex::History {

// The plant's machines as an update of the given run mode sees them: an integrated run names them in the plant
// configuration INI and uses those the module configuration's ValidMachines names, any other run names them in
// the program INI and uses those whose ForMachine<n> is true. Asked afresh from the files, as the next update
// of that mode will ask them.
class PlantMachines
{
public:
    PlantMachines(const Platform::ProcessFacts &facts, Diag::ErrorReport &report, bool integrated);

    int count() const { return m_services.machines.upperIndex(); }
    // The name of machine number; empty when the plant has no such machine.
    QString name(int number) const { return m_services.machines.name(number); }
    bool inUse(int number);
    // The number of the machine of this name (letter case aside, as the update tells machines apart); 0 for none.
    int numberOf(const QString &name) const;
    // The program INI the update reads the settings from.
    QString readFrom() const { return m_services.machines.ProgramIniPath(); }
    Config::Services &services() { return m_services; }

    // What to change so that the next update uses machine number, of the name name.
    QString howToUse(int number);
    QString howToName(int number, const QString &name);
    QString howToAdd(int number);

private:
    QString shown(const QString &path);

    Config::Services m_services;
    bool m_integrated;
};

// The rows of the database's PRESET_DEFS by machine_type, the name of the machine they belong to.
struct MachineRows
{
    QString machineType;
    int rows = 0;
};

// The rows of each machine_type in the database's PRESET_DEFS; throws the database's failure.
QList<MachineRows> rowsByMachine(PresetDb::Database &db);

// For each machine whose rows the database (rows) holds and the next update would drop, which machine and what to
// change to keep them; madeFrom gives the machines the database was made for. Empty when it keeps them all.
QStringList nextUpdateDrops(PlantMachines &plant, const QList<MachineRows> &rows,
                            const QList<Config::MachineSettings> &madeFrom);

} // namespace Kadex::History
