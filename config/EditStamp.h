#pragma once

#include "platform/ProcessFacts.h"

#include <QString>

namespace Kadex::Diag {
class ErrorReport;
}

namespace Kadex::Config {

class IniAccess;
class PlantPaths;
class RunMode;

// "1.0.2 - Integrated" or "1.0.2 - Standalone".
QString programStamp(const Platform::Version &version, bool integratedMode);
// The editor identity: for each character of the entry's value except "-" and "_", the upper-case hex digits
// of its Windows-1252 code + 5.
QString encodeEditor(const QString &firstEnvironmentEntry);

// Stamps section Info of the module configuration with S_Prog and S_Editor.
class EditStamp
{
public:
    EditStamp(const Platform::ProcessFacts &facts, RunMode &runMode, IniAccess &ini, PlantPaths &paths,
              Diag::ErrorReport &report);

    void WriteEditInfo();

private:
    const Platform::ProcessFacts &m_facts;
    RunMode &m_runMode;
    IniAccess &m_ini;
    PlantPaths &m_paths;
    Diag::ErrorReport &m_report;
};

} // namespace Kadex::Config
