#include "tests/support/TestRun.h"

#include "platform/Cp1252.h"

#include <QFile>

namespace Kadex::Test {

namespace {

Diag::ReportSettings settingsFor(const TempPlant &plant, const Platform::ProcessFacts &facts)
{
    Diag::ReportSettings settings = Config::reportSettingsFor(facts);
    settings.servicePackLogPath = plant.path(QStringLiteral("ServicePack.log"));
    return settings;
}

} // namespace

TestRun::TestRun(const TempPlant &tempPlant, const QString &commandLine)
    : TestRun(tempPlant, tempPlant.facts(commandLine))
{
}

TestRun::TestRun(const TempPlant &tempPlant, const Platform::ProcessFacts &facts)
    : plant(tempPlant), report(settingsFor(tempPlant, facts), ui), services(facts, report)
{
}

void TestRun::start()
{
    services.runMode.GetStartModeIntegrated();
    services.machines.GetExistingMachines(services.paths.GetR4MConfigurationIniPath());
}

QStringList TestRun::errorLogLines() const
{
    return fileLines(report.errorLogPath());
}

QStringList TestRun::servicePackLines() const
{
    return fileLines(plant.path(QStringLiteral("ServicePack.log")));
}

QStringList fileLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QString text = Platform::Cp1252::decode(file.readAll());
    if (text.endsWith(QStringLiteral("\r\n"))) {
        text.chop(2);
    }
    if (text.isEmpty()) {
        return {};
    }
    return text.split(QStringLiteral("\r\n"));
}

} // namespace Kadex::Test
