#include "bench/BenchUpdate.h"

#include "config/Services.h"
#include "diag/ErrorReport.h"
#include "history/UpdateHistory.h"
#include "platform/ProcessFacts.h"
#include "presetdb/DatabaseUpdate.h"

#include <QElapsedTimer>

#include <ctime>

namespace Kadex::Bench {

Diag::Answer QuietUi::doShowMessage(const Diag::MessageBox &box)
{
    ++boxes;
    return box.defaultButton;
}

Timing runDatabaseUpdate(const QString &root, QuietUi &ui)
{
    Platform::ProcessFacts facts;
    facts.commandLine = QStringLiteral("/EXTERNAL:SILENT");
    facts.programDir = root + QStringLiteral("/Kadex");
    facts.exeFileName = QStringLiteral("Kadex_Config");
    facts.exeName = QStringLiteral("Kadex_Config");
    facts.version = Platform::ProcessFacts::builtVersion();
    Diag::ReportSettings settings = Config::reportSettingsFor(facts);
    settings.servicePackLogPath = root + QStringLiteral("/ServicePack.log");
    Diag::ErrorReport report(settings, ui);
    Config::Services services(facts, report);
    services.runMode.GetStartModeIntegrated();
    services.machines.GetExistingMachines(services.paths.GetR4MConfigurationIniPath());

    const std::clock_t cpuStart = std::clock();
    QElapsedTimer clock;
    clock.start();
    PresetDb::DatabaseUpdate update(services);
    History::UpdateHistory history(services);
    update.setHistory(&history);
    update.WorkOnMDB();
    return {static_cast<double>(clock.nsecsElapsed()) / 1e9,
            static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC};
}

} // namespace Kadex::Bench
