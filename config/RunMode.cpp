#include "config/RunMode.h"

#include "diag/ErrorGuard.h"
#include "diag/Failure.h"

#include <array>

namespace Kadex::Config {

namespace {

const QString KeywordExternal = QStringLiteral("EXTERNAL");
const QString KeywordLogfile = QStringLiteral("LOGFILE");
const std::array<QString, 2> Keywords = {KeywordExternal, KeywordLogfile};

// With "/" as the path separator a value cannot end at every "/": it ends at a "/" that follows a blank or
// that starts another switch; any other "/" belongs to the value (/LOGFILE:/var/log/cfg.txt).
qsizetype endOfValue(const QString &rest)
{
    for (qsizetype i = 0; i < rest.size(); ++i) {
        if (rest.at(i) != QLatin1Char('/')) {
            continue;
        }
        if (i > 0 && rest.at(i - 1) == QLatin1Char(' ')) {
            return i;
        }
        for (const QString &keyword : Keywords) {
            if (QStringView(rest).mid(i + 1).startsWith(keyword, Qt::CaseInsensitive)) {
                return i;
            }
        }
    }
    return rest.size();
}

} // namespace

std::optional<QString> readSwitch(const QString &commandLine, const QString &keyword)
{
    const qsizetype found = keyword.isEmpty() ? -1 : commandLine.indexOf(keyword, 0, Qt::CaseInsensitive);
    if (found < 0) {
        return std::nullopt;
    }
    // One character after the keyword separates it from its value, whatever that character is.
    const qsizetype valueStart = found + keyword.size() + 1;
    if (valueStart > commandLine.size()) {
        throw Diag::Failure::invalidArgument(QStringLiteral("no value after ") + keyword);
    }
    QString rest = commandLine.mid(valueStart).trimmed().toUpper();
    rest = rest.left(endOfValue(rest)).trimmed();
    return rest;
}

RunModeFlags runModeOf(const QString &commandLine)
{
    QString value;
    try {
        value = readSwitch(commandLine, KeywordExternal).value_or(QString());
    } catch (const Diag::Failure &) {
        value.clear();
    }
    RunModeFlags flags;
    flags.integratedMode = value == QStringLiteral("R4MCFG");
    flags.silentMode = value == QStringLiteral("SILENT");
    return flags;
}

RunMode::RunMode(QString commandLine, Diag::ErrorReport &report) : m_commandLine(std::move(commandLine)), m_report(report)
{
}

QString RunMode::ReadCommand(const QString &keyword)
{
    Diag::ErrorGuard guard(m_report, QStringLiteral("ReadCommand"));
    return guard.value([&] { return readSwitch(m_commandLine, keyword).value_or(QString()); }, QString());
}

bool RunMode::GetStartModeIntegrated()
{
    const QString value = ReadCommand(KeywordExternal);
    m_flags.integratedMode = value == QStringLiteral("R4MCFG");
    m_flags.silentMode = value == QStringLiteral("SILENT");
    if (m_flags.silentMode) {
        m_flags.integratedMode = false;
    }
    // The report learns the log of this run once, quietly: asking for it inside a report would report again.
    QString logFile;
    try {
        logFile = readSwitch(m_commandLine, KeywordLogfile).value_or(QString());
    } catch (const Diag::Failure &) {
        logFile.clear();
    }
    m_report.setRunMode(m_flags.integratedMode, m_flags.silentMode, logFile);
    return m_flags.integratedMode;
}

QString RunMode::GetPathLogfile()
{
    Diag::ErrorGuard guard(m_report, QStringLiteral("GetPathLogfile"));
    return guard.value([&] { return ReadCommand(KeywordLogfile); }, QString());
}

} // namespace Kadex::Config
