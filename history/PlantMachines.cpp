#include "history/PlantMachines.h"

#include "history/UpdateHistory.h"

#include <algorithm>

namespace Kadex::History {

namespace {

Platform::ProcessFacts factsFor(Platform::ProcessFacts facts, bool integrated)
{
    facts.commandLine = integrated ? QStringLiteral("/EXTERNAL:R4MCFG") : QString();
    return facts;
}

} // namespace

PlantMachines::PlantMachines(const Platform::ProcessFacts &facts, Diag::ErrorReport &report, bool integrated)
    : m_services(factsFor(facts, integrated), report), m_integrated(integrated)
{
    m_services.runMode.GetStartModeIntegrated();
    m_services.machines.GetExistingMachines(m_services.paths.GetR4MConfigurationIniPath());
}

bool PlantMachines::inUse(int number)
{
    return number >= 1 && number <= count() &&
           m_services.machines.isMachineInUse(number, m_services.machines.GetValidMachines());
}

int PlantMachines::numberOf(const QString &machineName) const
{
    for (int i = 1; i <= count(); ++i) {
        if (name(i).compare(machineName, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return 0;
}

QString PlantMachines::shown(const QString &path)
{
    return path.isEmpty() ? QStringLiteral("(missing)") : relativeToRoot(path, m_services.location.rootDirectory());
}

QString PlantMachines::howToUse(int number)
{
    const QString cfg = shown(m_services.paths.GetCFGPath());
    return m_integrated ? QStringLiteral("add \"%1\" to ValidMachines in [Project] of %2").arg(name(number), cfg)
                        : QStringLiteral("set ForMachine%1=true in [Project] of %2").arg(number).arg(cfg);
}

QString PlantMachines::howToName(int number, const QString &machineName)
{
    return m_integrated ? QStringLiteral("set NameM%1=%2 in [Common] of %3")
                              .arg(number)
                              .arg(machineName, shown(m_services.paths.GetR4MConfigurationIniPath()))
                        : QStringLiteral("set MachineName=%2 in [Machine%1] of %3")
                              .arg(number)
                              .arg(machineName, shown(readFrom()));
}

QString PlantMachines::howToAdd(int number)
{
    return m_integrated ? QStringLiteral("name machines 1 to %1 in NameM1 to NameM%1 in [Common] of %2")
                              .arg(number)
                              .arg(shown(m_services.paths.GetR4MConfigurationIniPath()))
                        : QStringLiteral("set NumberOfMachines=%1 in [Project] of %2, with a section [Machine%1]")
                              .arg(number)
                              .arg(shown(readFrom()));
}

QList<MachineRows> rowsByMachine(PresetDb::Database &db)
{
    QList<MachineRows> rows;
    PresetDb::Statement query =
        db.prepare(QStringLiteral("SELECT machine_type, COUNT(*) FROM PRESET_DEFS GROUP BY machine_type"));
    while (query.next()) {
        const PresetDb::Value type = query.value(0);
        rows.append({type.isText() ? type.text() : type.debugText(), static_cast<int>(query.value(1).integer())});
    }
    return rows;
}

QStringList nextUpdateDrops(PlantMachines &plant, const QList<MachineRows> &rows,
                            const QList<Config::MachineSettings> &madeFrom)
{
    QStringList drops;
    for (const MachineRows &machine : rows) {
        const QString head = QStringLiteral("The next update will drop the %1 rows of \"%2\": ")
                                 .arg(machine.rows)
                                 .arg(machine.machineType);
        const int number = plant.numberOf(machine.machineType);
        if (number > 0) {
            if (!plant.inUse(number)) {
                drops.append(head + QStringLiteral("machine %1 is not in use; to keep them, %2.")
                                        .arg(number)
                                        .arg(plant.howToUse(number)));
            }
            continue;
        }
        const auto made = std::find_if(madeFrom.begin(), madeFrom.end(), [&](const Config::MachineSettings &m) {
            return m.name.compare(machine.machineType, Qt::CaseInsensitive) == 0;
        });
        if (made == madeFrom.end()) {
            drops.append(head + QStringLiteral("no machine of the plant has that name."));
        } else if (made->number > plant.count()) {
            drops.append(head + QStringLiteral("the plant has no machine %1 now; to keep them, %2.")
                                    .arg(made->number)
                                    .arg(plant.howToAdd(made->number)));
        } else {
            drops.append(head + QStringLiteral("machine %1 is named \"%2\" now; to keep them, %3.")
                                    .arg(made->number)
                                    .arg(plant.name(made->number), plant.howToName(made->number, made->name)));
        }
    }
    return drops;
}

} // namespace Kadex::History
