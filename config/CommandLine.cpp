#include "config/CommandLine.h"

#include "diag/Failure.h"

#include <QList>

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
        if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h") ||
            argument == QStringLiteral("/?")) {
            return InfoRequest::Help;
        }
        if (argument == QStringLiteral("--version")) {
            return InfoRequest::Version;
        }
    }
    return InfoRequest::None;
}

enum class NameRule { None, Optional, Required };

struct HistoryOption
{
    QString option;
    HistoryRequest request;
    NameRule name;
};

const QList<HistoryOption> &historyOptions()
{
    static const QList<HistoryOption> options = {
        {QStringLiteral("--list"), HistoryRequest::List, NameRule::None},
        {QStringLiteral("--restore"), HistoryRequest::Restore, NameRule::Optional},
        {QStringLiteral("--show"), HistoryRequest::Show, NameRule::Required},
        {QStringLiteral("--pin"), HistoryRequest::Pin, NameRule::Required},
        {QStringLiteral("--unpin"), HistoryRequest::Unpin, NameRule::Required},
    };
    return options;
}

// The history option an argument gives, alone or as "<option>=NAME".
const HistoryOption *historyOptionOf(const QString &argument)
{
    for (const HistoryOption &option : historyOptions()) {
        if (argument == option.option || argument.startsWith(option.option + QLatin1Char('='))) {
            return &option;
        }
    }
    return nullptr;
}

// Sets history and keptName. A name follows its option as the next argument ("--restore NAME") or after "="
// ("--restore=NAME"); a next argument that starts like a switch is no name.
void readHistoryRequest(const QStringList &arguments, CommandLine &command)
{
    qsizetype at = -1;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (historyOptionOf(arguments[i]) != nullptr) {
            if (at >= 0) {
                command.history = HistoryRequest::Malformed;
                return;
            }
            at = i;
        }
    }
    if (at < 0) {
        return;
    }
    const HistoryOption &option = *historyOptionOf(arguments[at]);
    const QString &argument = arguments[at];
    bool named = false;
    qsizetype used = 1;
    if (argument.size() > option.option.size()) {
        command.keptName = argument.mid(option.option.size() + 1);
        named = true;
    } else if (at + 1 < arguments.size() && !arguments[at + 1].startsWith(QLatin1Char('-')) &&
               !arguments[at + 1].startsWith(QLatin1Char('/'))) {
        command.keptName = arguments[at + 1];
        named = true;
        used = 2;
    }
    const bool wellFormed =
        arguments.size() == used &&
        (named ? option.name != NameRule::None && !command.keptName.isEmpty() : option.name != NameRule::Required);
    command.history = wellFormed ? option.request : HistoryRequest::Malformed;
    if (!wellFormed) {
        command.keptName.clear();
    }
}

// The arguments without "--machine M" ("--machine=M"), which sets machine (to "" when it names none).
QStringList withoutMachine(QStringList arguments, CommandLine &command)
{
    const QString option = QStringLiteral("--machine");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i].startsWith(option + QLatin1Char('='))) {
            command.machine = arguments.takeAt(i).mid(option.size() + 1);
            return arguments;
        }
        if (arguments[i] == option) {
            arguments.removeAt(i);
            command.machine = i < arguments.size() ? arguments.takeAt(i) : QStringLiteral("");
            return arguments;
        }
    }
    return arguments;
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
    readHistoryRequest(withoutMachine(arguments, command), command);
    if (!command.machine.isNull() && (command.history != HistoryRequest::Restore || command.machine.isEmpty())) {
        command.history = HistoryRequest::Malformed; // --machine belongs to --restore and names a machine
    }
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
