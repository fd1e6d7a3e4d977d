#pragma once

#include <QString>

#include <optional>

namespace Kadex::Diag {
class ErrorReport;
}

namespace Kadex::Config {

// The value of one switch of the command line, or nothing when the keyword does not occur. The keyword is found
// anywhere, in any letter case; its first occurrence counts and the one character after it is skipped. A value
// ends at the first "/" and comes back in upper case, except the LOGFILE path: it keeps its letters and runs on
// to a "/" that follows a blank, or to the end. Throws an invalid-argument Failure when the keyword ends the
// command line with no separator after it.
std::optional<QString> readSwitch(const QString &commandLine, const QString &keyword);

// The run mode as the command line gives it: an integrated run (EXTERNAL=R4MCFG), a silent run
// (EXTERNAL=SILENT), or a standalone run. Never integrated and silent together.
struct RunModeFlags
{
    bool integratedMode = false;
    bool silentMode = false;
};
// Quiet evaluation for the program's start, before any report exists; a bad command line is a standalone run.
RunModeFlags runModeOf(const QString &commandLine);

// The command line and the run-mode flags of this run, with the guarded operations every part asks.
class RunMode
{
public:
    RunMode(QString commandLine, Diag::ErrorReport &report);

    // The value of one switch ("" when the keyword is absent); failures are reported under "ReadCommand".
    QString ReadCommand(const QString &keyword);
    // Evaluates EXTERNAL, sets IntegratedMode and SilentMode (and tells the error report); true when integrated.
    bool GetStartModeIntegrated();
    // The value of LOGFILE, "" when absent.
    QString GetPathLogfile();

    bool IntegratedMode() const { return m_flags.integratedMode; }
    bool SilentMode() const { return m_flags.silentMode; }
    const QString &commandLine() const { return m_commandLine; }

private:
    QString m_commandLine;
    Diag::ErrorReport &m_report;
    RunModeFlags m_flags;
};

} // namespace Kadex::Config
