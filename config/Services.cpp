#include "config/Services.h"

#include "diag/LogFile.h"

namespace Kadex::Config {

Services::Services(Platform::ProcessFacts processFacts, Diag::ErrorReport &errorReport)
    : facts(std::move(processFacts)), report(errorReport), runMode(facts.commandLine, report),
      location(facts.programDir, facts.exeName, report), ini(report), paths(location, runMode, ini, report),
      machines(runMode, ini, paths, report), stamp(facts, runMode, ini, paths, report)
{
}

Diag::ReportSettings reportSettingsFor(const Platform::ProcessFacts &facts)
{
    Diag::ReportSettings settings;
    const QString root = rootDirectoryOf(facts.programDir);
    settings.plantErrorLogPath = errorLogPathIn(root);
    // The report names the module without re-reporting a name too short to cut: that report would recurse.
    settings.moduleName = moduleNameOf(facts.exeName).value_or(QString());
    settings.exeName = facts.exeName;
    settings.servicePackLogPath = Diag::servicePackLogPath();
    settings.servicePackFallbackPath = Diag::servicePackFallbackPath(servicePackLogPathIn(root));
    return settings;
}

} // namespace Kadex::Config
