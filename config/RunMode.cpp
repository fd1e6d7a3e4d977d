#include "config/RunMode.h"

#include "diag/ErrorGuard.h"
#include "diag/Failure.h"

namespace Kadex::Config {

namespace {

const QString KeywordExternal = QStringLiteral("EXTERNAL");
const QString KeywordLogfile = QStringLiteral("LOGFILE");

// A value ends at its first "/". The log file's value is a path, and "/" separates its folders: it runs on to a
// "/" that follows a blank (the next switch), or to the end of the command line.
qsizetype endOfValue(const QString &rest, bool isPath)
{
    if (!isPath) {
        const qsizetype slash = rest.indexOf(QLatin1Char('/'));
        return slash < 0 ? rest.size() : slash;
    }
    const qsizetype nextSwitch = rest.indexOf(QStringLiteral(" /"));
    return nextSwitch < 0 ? rest.size() : nextSwitch;
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
    // File names tell letter cases apart here: a path keeps the letters its caller wrote.
    const bool isPath = keyword.compare(KeywordLogfile, Qt::CaseInsensitive) == 0;
    QString rest = commandLine.mid(valueStart).trimmed();
    if (!isPath) {
        rest = rest.toUpper();
    }
    return rest.left(endOfValue(rest, isPath)).trimmed();
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
