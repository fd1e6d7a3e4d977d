#pragma once

#include <QSet>
#include <QString>

namespace Kadex::Diag {

class UiPort;
enum class ScreenText;

// What the error report needs to know about the run and the program.
struct ReportSettings
{
    bool integratedMode = false;
    bool silentMode = false;
    QString logFileSwitch;           // value of the LOGFILE switch: the error log of an integrated run
    QString plantErrorLogPath;       // the error log of a standalone or silent run, in the plant's root
    QString moduleName;              // e.g. "Kadex"; empty when the program's name cannot be cut
    QString exeName;                 // the program's file name without extension
    QString servicePackLogPath;      // the service-pack log
    QString servicePackFallbackPath; // where its lines go when it cannot be appended to; empty for nowhere
};

// The one error report of the program: the error log, the service-pack log and the operator's answer.
class ErrorReport
{
public:
    enum Result { EndTheProgram = 1, Continue = 2 };

    ErrorReport(ReportSettings settings, UiPort &ui);

    // Every report below marks the run as failed, once (the UI port's RunStatus): nothing else marks it.
    // Logs a failure and asks whether to go on; a silent run always goes on. Returns EndTheProgram or Continue.
    int ReportError(qint32 number, const QString &source, const QString &description, const QString &procedure,
                    bool fatal);
    // Ends the program at once; no closing handler runs.
    [[noreturn]] void EndProgram();
    // Appends text as one line to the error log; returns "Error logged to " LF CR + the log file's path as it is
    // on disk, or, when the line could not be written there, "Error not logged" (the line then goes to the
    // service-pack log in a silent run, else to standard error).
    QString WriteErrorLog(const QString &text);
    // Tells the operator of a detected problem (critical box), or in a silent run writes it to the service-pack log.
    void ReportFault(const QString &text);
    // The same for a fixed text: the box shows it in the window's language, the log gets its default.
    void ReportFault(ScreenText text);
    // Appends "! Fault " + executable name + ": " + text to the service-pack log (standard error when no log takes
    // it).
    void WriteServicePackLog(const QString &text);
    // Marks the run as failed for a failure that another part recorded in its own way (the update's printed
    // report) without reporting it here.
    void noteFailureRecordedElsewhere();

    // While repeats are quiet, an error this report has already reported is not reported again: work that is done
    // over (the update reading changed settings again) reports only what is new.
    void setRepeatsQuiet(bool quiet) { m_repeatsQuiet = quiet; }

    // The run mode and the LOGFILE switch, once the command line has been read.
    void setRunMode(bool integratedMode, bool silentMode, const QString &logFileSwitch);

    // The path of the error log for this run.
    QString errorLogPath() const;
    const ReportSettings &settings() const { return m_settings; }
    UiPort &ui() { return m_ui; }

private:
    // The notice of WriteErrorLog in the window's language.
    static QString shownNotice(const QString &notice);

    // The service-pack line of a report, the run already marked.
    void appendServicePackLine(const QString &text);

    ReportSettings m_settings;
    UiPort &m_ui;
    QSet<QString> m_reported; // the log lines of ReportError so far
    bool m_repeatsQuiet = false;
};

} // namespace Kadex::Diag
