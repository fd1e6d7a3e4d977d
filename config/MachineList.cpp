#include "config/MachineList.h"

#include "config/IniAccess.h"
#include "config/MachineSettings.h"
#include "config/PlantPaths.h"
#include "config/RunMode.h"
#include "diag/ErrorGuard.h"

namespace Kadex::Config {

namespace {

constexpr int MaxIntegratedMachines = 5;

} // namespace

MachineList::MachineList(RunMode &runMode, IniAccess &ini, PlantPaths &paths, Diag::ErrorReport &report)
    : m_runMode(runMode), m_ini(ini), m_paths(paths), m_report(report)
{
}

void MachineList::GetExistingMachines(const QString &iniPath)
{
    Diag::ErrorGuard guard(m_report, QStringLiteral("GetExistingMachines"));
    guard.step([&] { readMachines(iniPath); });
}

void MachineList::readMachines(const QString &iniPath)
{
    m_programIniPath = m_paths.GetProgramIniPath(1);

    if (m_runMode.IntegratedMode()) {
        // A plant configuration that is there but cannot be read stops the run at its first read (IniAccess).
        if (iniPath.isEmpty()) {
            return;
        }
        for (int i = 1; i <= MaxIntegratedMachines; ++i) {
            const QString name =
                m_ini.LoadIniString(QStringLiteral("Common"), QStringLiteral("NameM") + QString::number(i), iniPath);
            if (name.isEmpty() || name == QStringLiteral("-")) {
                return;
            }
            m_names.append(name);
        }
        return;
    }

    const int count =
        m_ini.LoadIniInteger(QStringLiteral("Project"), QStringLiteral("NumberOfMachines"), m_programIniPath);
    for (int i = 1; i <= count; ++i) {
        m_names.append(m_ini.LoadIniString(machineSection(i), QStringLiteral("MachineName"), m_programIniPath));
    }
}

QString MachineList::GetValidMachines()
{
    Diag::ErrorGuard guard(m_report, QStringLiteral("GetValidMachines"));
    return guard.value(
        [&] {
            return m_ini.LoadIniString(QStringLiteral("Project"), QStringLiteral("ValidMachines"),
                                       m_paths.GetCFGPath());
        },
        QString());
}

bool MachineList::isMachineInUse(int i, const QString &valid)
{
    if (m_runMode.GetStartModeIntegrated()) {
        const QString upperValid = valid.toUpper();
        return upperValid == QStringLiteral("ALL") || upperValid.contains(name(i).toUpper());
    }
    return m_ini.LoadIniBoolean(QStringLiteral("Project"), QStringLiteral("ForMachine") + QString::number(i),
                                m_paths.GetCFGPath());
}

} // namespace Kadex::Config
