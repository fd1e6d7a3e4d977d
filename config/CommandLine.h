#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace Kadex::Config {

// The keywords of the classic switches.
inline const QString KeywordExternal = QStringLiteral("EXTERNAL");
inline const QString KeywordLogfile = QStringLiteral("LOGFILE");

// The value of one classic switch, or nothing when the keyword does not occur. The keyword is found anywhere, in
// any letter case; its first occurrence counts and the one character after it is skipped. A value ends at the
// first "/" and comes back in upper case, except the LOGFILE path: it keeps its letters and runs on to a "/" that
// follows a blank, or to the end. Throws an invalid-argument Failure when the keyword ends the command line with
// no separator after it.
std::optional<QString> readSwitch(const QString &commandLine, const QString &keyword);

// The run mode as the command line gives it: an integrated run (EXTERNAL=R4MCFG), a silent run
// (EXTERNAL=SILENT), or a standalone run. Never integrated and silent together.
struct RunModeFlags
{
    bool integratedMode = false;
    bool silentMode = false;
};
// The run mode an EXTERNAL value names.
RunModeFlags runModeNamed(const QString &externalValue);

// The informational switches people type first: --help (or -h, or /? as on the plants' other programs) and
// --version; the first one given counts.
enum class InfoRequest { None, Help, Version };

// What the arguments ask of the kept updates: --list, --restore [NAME], --show NAME, --pin NAME or --unpin NAME (a
// name may also follow the option after "="). A command given with anything else (a second command, a name
// where none belongs or an empty one, a missing name, another argument) is malformed and refused.
enum class HistoryRequest { None, List, Restore, Show, Pin, Unpin, Malformed };

// The program's arguments (without its own path), read once at the start. The double-dash options are whole
// arguments; the classic switches are read from the arguments joined by single blanks.
struct CommandLine
{
    InfoRequest info = InfoRequest::None;
    HistoryRequest history = HistoryRequest::None;
    // The kept update the history command names; empty for --list and for --restore's newest.
    QString keptName;
    // --restore's "--machine M" (a number or a name): the one machine brought back; empty for all.
    QString machine;
    // EXTERNAL, read quietly before any report exists: a bad command line is a standalone run.
    RunModeFlags runMode;

    static CommandLine parse(const QStringList &arguments);
};

} // namespace Kadex::Config
