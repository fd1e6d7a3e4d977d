#pragma once

#include <QString>
#include <QStringList>

namespace Kadex::Diag {
class ErrorReport;
}

namespace Kadex::Config {

class IniAccess;
class PlantPaths;
class RunMode;

// The plant's machines for this run (names by machine number from 1) and the rule that tells whether a
// machine is configured for the module.
class MachineList
{
public:
    MachineList(RunMode &runMode, IniAccess &ini, PlantPaths &paths, Diag::ErrorReport &report);

    // Fills the list and ProgramIniPath: in an integrated run from NameM1..NameM5 of the plant configuration
    // INI at iniPath, otherwise from the program INI's NumberOfMachines and Machine<i>/MachineName.
    void GetExistingMachines(const QString &iniPath);
    // ValidMachines of section Project of the module configuration; "" when missing.
    QString GetValidMachines();
    // The validity rule for machine i (1-based). Integrated: valid is "ALL" (any case) or contains the name;
    // otherwise ForMachine<i> of the module configuration reads true. Failures propagate to the caller's guard.
    bool isMachineInUse(int i, const QString &valid);

    // The upper index of the list: the number of machines, 0 when none was found.
    int upperIndex() const { return static_cast<int>(m_names.size()); }
    bool isEmpty() const { return m_names.isEmpty(); }
    // The name of machine i (1-based).
    QString name(int i) const { return m_names.value(i - 1); }
    const QStringList &names() const { return m_names; }
    const QString &ProgramIniPath() const { return m_programIniPath; }

private:
    void readMachines(const QString &iniPath);

    RunMode &m_runMode;
    IniAccess &m_ini;
    PlantPaths &m_paths;
    Diag::ErrorReport &m_report;
    QStringList m_names;
    QString m_programIniPath;
};

} // namespace Kadex::Config
