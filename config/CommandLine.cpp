#include "config/CommandLine.h"

#include "diag/Failure.h"

#include <algorithm>

namespace Kadex::Config {

namespace {

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

InfoRequest infoRequestOf(const QStringList &arguments)
{
    for (const QString &argument : arguments) {
        if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h")) {
            return InfoRequest::Help;
        }
        if (argument == QStringLiteral("--version")) {
            return InfoRequest::Version;
        }
    }
    return InfoRequest::None;
}

// Sets history and restoreName. "--restore NAME" takes the argument after it; "--restore=NAME" is the same
// written as one argument and counts only when the separate form is not given.
void readHistoryRequest(const QStringList &arguments, CommandLine &command)
{
    const QString namedRestore = QStringLiteral("--restore=");
    const qsizetype restore = arguments.indexOf(QStringLiteral("--restore"));
    const auto named = std::find_if(arguments.begin(), arguments.end(),
                                    [&](const QString &argument) { return argument.startsWith(namedRestore); });
    const bool restores = restore >= 0 || named != arguments.end();
    const bool lists = arguments.contains(QStringLiteral("--list"));
    if (restores && lists) {
        command.history = HistoryRequest::ListAndRestore;
    } else if (restores) {
        command.history = HistoryRequest::Restore;
    } else if (lists) {
        command.history = HistoryRequest::List;
    }
    if (restore >= 0) {
        command.restoreName = restore + 1 < arguments.size() ? arguments[restore + 1] : QString();
    } else if (named != arguments.end()) {
        command.restoreName = named->mid(namedRestore.size());
    }
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

RunModeFlags runModeNamed(const QString &externalValue)
{
    return {externalValue == QStringLiteral("R4MCFG"), externalValue == QStringLiteral("SILENT")};
}

CommandLine CommandLine::parse(const QStringList &arguments)
{
    CommandLine command;
    command.info = infoRequestOf(arguments);
    readHistoryRequest(arguments, command);
    QString external;
    try {
        external = readSwitch(arguments.join(QLatin1Char(' ')), KeywordExternal).value_or(QString());
    } catch (const Diag::Failure &) {
        // No report exists yet; the run reports the bad command line when it reads the switch again.
    }
    command.runMode = runModeNamed(external);
    return command;
}

} // namespace Kadex::Config
