#pragma once

#include "config/CommandLine.h"

#include <QString>

namespace Kadex::Diag {
class ErrorReport;
}

namespace Kadex::Config {

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
