#include "config/RunMode.h"

#include "diag/ErrorGuard.h"

namespace Kadex::Config {

RunMode::RunMode(QString commandLine, Diag::ErrorReport &report)
    : m_commandLine(std::move(commandLine)), m_report(report)
{
}

QString RunMode::ReadCommand(const QString &keyword)
{
    Diag::ErrorGuard guard(m_report, QStringLiteral("ReadCommand"));
    return guard.value([&] { return readSwitch(m_commandLine, keyword).value_or(QString()); }, QString());
}

bool RunMode::GetStartModeIntegrated()
{
    m_flags = runModeNamed(ReadCommand(KeywordExternal));
    // The report learns the log of this run once, quietly: asking for it inside a report would report again.
    Diag::ErrorGuard quiet(m_report, QStringLiteral("GetStartModeIntegrated"), Diag::ErrorGuard::Kind::Ignoring);
    const QString logFile =
        quiet.value([&] { return readSwitch(m_commandLine, KeywordLogfile).value_or(QString()); }, QString());
    m_report.setRunMode(m_flags.integratedMode, m_flags.silentMode, logFile);
    return m_flags.integratedMode;
}

QString RunMode::GetPathLogfile()
{
    Diag::ErrorGuard guard(m_report, QStringLiteral("GetPathLogfile"));
    return guard.value([&] { return ReadCommand(KeywordLogfile); }, QString());
}

} // namespace Kadex::Config
