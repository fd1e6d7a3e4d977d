#include "history/RestoreSettings.h"

#include "history/PlantMachines.h"
#include "history/UpdateHistory.h"

#include <algorithm>

namespace Kadex::History {

namespace {

const MachineReport *machineIn(const QList<MachineReport> &machines, const MachineReport &like)
{
    for (const MachineReport &machine : machines) {
        if (machine.number == like.number && machine.name == like.name) {
            return &machine;
        }
    }
    return nullptr;
}

// The chosen update's machine as it found it: the values, and the texts where it recorded them.
MachineSettings foundBefore(const MachineReport &machine)
{
    return {machine.number, machine.name, machine.before, machine.storedBefore};
}

// The machine as the previous update wrote it; the texts the chosen one found where the values are the same.
MachineSettings writtenBy(const MachineReport &previous, const MachineReport *chosen)
{
    MachineSettings settings{previous.number, previous.name, previous.after, {}};
    if (chosen && !chosen->storedBefore.isEmpty()) {
        for (qsizetype k = 0; k < previous.after.size(); ++k) {
            settings.texts.append(chosen->before[k] == previous.after[k]
                                      ? chosen->storedBefore[k]
                                      : StoredText(QString::number(previous.after[k])));
        }
    }
    return settings;
}

} // namespace

QList<MachineSettings> settingsMadeFrom(const UpdateReport &chosen, const UpdateReport *previous)
{
    QList<MachineSettings> machines;
    if (previous) {
        for (const MachineReport &machine : previous->machines) {
            if (machine.after.size() == settingKeys().size()) {
                machines.append(writtenBy(machine, machineIn(chosen.machines, machine)));
            }
        }
    }
    for (const MachineReport &machine : chosen.machines) {
        const bool known = std::any_of(machines.begin(), machines.end(),
                                       [&](const MachineSettings &m) { return m.number == machine.number; });
        if (!known) {
            machines.append(foundBefore(machine));
        }
    }
    std::sort(machines.begin(), machines.end(),
              [](const MachineSettings &a, const MachineSettings &b) { return a.number < b.number; });
    return machines;
}

QStringList machineRefusals(PlantMachines &plant, const QList<MachineSettings> &machines, const QStringList &files)
{
    QStringList refusals;
    for (const MachineSettings &machine : machines) {
        const QString which = QStringLiteral("Machine %1 \"%2\"").arg(machine.number).arg(machine.name);
        const QString now = plant.name(machine.number);
        if (machine.number > plant.count() || now.isEmpty()) {
            refusals.append(which + QStringLiteral(" is not on the plant now (to bring it back, ") +
                            plant.howToAdd(machine.number) + QStringLiteral(")."));
            continue;
        }
        if (now.compare(machine.name, Qt::CaseInsensitive) != 0) {
            refusals.append(which + QStringLiteral(" is named \"%1\" on the plant now (to name it back, ").arg(now) +
                            plant.howToName(machine.number, machine.name) + QStringLiteral(")."));
        }
        for (const QString &file : files) {
            const Config::MachineSettings held = Config::readStoredSettings(machine.number, now, file);
            const bool hasSection =
                std::any_of(held.texts.begin(), held.texts.end(), [](const StoredText &t) { return t.has_value(); }) ||
                !plant.services()
                     .ini.LoadIniString(Config::machineSection(machine.number), QStringLiteral("MachineName"), file)
                     .isEmpty();
            if (!hasSection) {
                refusals.append(which + QStringLiteral(" has no section [%1] in %2, and a restore adds none.")
                                            .arg(Config::machineSection(machine.number), file));
            }
        }
    }
    return refusals;
}

SettingsWritten writeSettingsBack(Config::IniAccess &ini, const QList<MachineSettings> &machines, const QString &file)
{
    SettingsWritten result;
    result.found = rereadMachineSettings(machines, file);
    Config::MachineSettingsBatch batch;
    QStringList changes;
    for (qsizetype i = 0; i < machines.size(); ++i) {
        const MachineSettings &want = machines[i];
        const MachineSettings &found = result.found[i];
        for (qsizetype k = 0; k < settingKeys().size(); ++k) {
            if (!want.texts.isEmpty()) {
                if (found.texts[k] != want.texts[k]) {
                    batch.addStored(want.number, settingKeys()[k], want.texts[k]);
                    changes.append(QStringLiteral(": ") + storedCell(found.texts[k]) + QStringLiteral(" -> ") +
                                   storedCell(want.texts[k]));
                }
            } else if (found.values[k] != want.values[k]) {
                batch.add(want.number, settingKeys()[k], want.values[k]);
                changes.append(QStringLiteral(": %1 -> %2").arg(found.values[k]).arg(want.values[k]));
            }
        }
    }
    const QStringList entries = batch.entryNames();
    for (qsizetype e = 0; e < entries.size(); ++e) {
        result.changes.append(entries[e] + changes[e]);
    }
    result.ok = batch.isEmpty() || batch.write(ini, file, &result.failure);
    return result;
}

} // namespace Kadex::History
