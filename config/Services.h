#pragma once

#include "config/EditStamp.h"
#include "config/IniAccess.h"
#include "config/MachineList.h"
#include "config/PlantPaths.h"
#include "config/ProgramLocation.h"
#include "config/RunMode.h"
#include "diag/ErrorReport.h"
#include "platform/ProcessFacts.h"

namespace Kadex::Config {

// The configuration services of one run, wired together once: the program and the tests build it the same way.
struct Services
{
    Services(Platform::ProcessFacts processFacts, Diag::ErrorReport &errorReport);
    Services(const Services &) = delete;
    Services &operator=(const Services &) = delete;

    Platform::ProcessFacts facts;
    Diag::ErrorReport &report;
    RunMode runMode;
    ProgramLocation location;
    IniAccess ini;
    PlantPaths paths;
    MachineList machines;
    EditStamp stamp;
};

// The error report's view of the program: root directory, module name, executable name and the service-pack
// log. The run mode is filled in later, by RunMode::GetStartModeIntegrated.
Diag::ReportSettings reportSettingsFor(const Platform::ProcessFacts &facts);

} // namespace Kadex::Config
