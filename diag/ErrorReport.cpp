#include "diag/ErrorReport.h"

#include "diag/LogFile.h"
#include "diag/Messages.h"
#include "diag/RunStatus.h"
#include "diag/ScreenTexts.h"
#include "diag/UiPort.h"
#include "platform/FileLookup.h"

namespace Kadex::Diag {

ErrorReport::ErrorReport(ReportSettings settings, UiPort &ui) : m_settings(std::move(settings)), m_ui(ui) {}

void ErrorReport::setRunMode(bool integratedMode, bool silentMode, const QString &logFileSwitch)
{
    m_settings.integratedMode = integratedMode;
    m_settings.silentMode = silentMode;
    m_settings.logFileSwitch = logFileSwitch;
}

QString ErrorReport::errorLogPath() const
{
    if (m_settings.integratedMode) {
        return m_settings.logFileSwitch;
    }
    return m_settings.plantErrorLogPath;
}

int ErrorReport::ReportError(qint32 number, const QString &source, const QString &description, const QString &procedure,
                             bool fatal)
{
    m_ui.runStatus().markFailed();
    const QString logLine = QStringLiteral("Fehler in ") + m_settings.moduleName + QStringLiteral(" / ") + source +
                            QStringLiteral(" / ") + procedure + QStringLiteral(" (Nr. ") + QString::number(number) +
                            QStringLiteral(") :") + description;
    if (m_repeatsQuiet && m_reported.contains(logLine)) {
        return Continue; // the first report of it went on
    }
    m_reported.insert(logLine);
    const QString notice = WriteErrorLog(logLine);
    const QString message =
        QStringLiteral("Unexpected error!") + Messages::LineBreak + description + Messages::LineBreak + notice;

    if (m_settings.silentMode) {
        appendServicePackLine(message);
        return Continue;
    }
    // The box says the same in the window's language.
    const QString shown = ScreenTexts::text(ScreenText::UnexpectedError) + Messages::LineBreak + description +
                          Messages::LineBreak + shownNotice(notice);
    if (fatal) {
        m_ui.showMessage(
            {shown, ScreenTexts::text(ScreenText::FatalErrorTitle), Buttons::Ok, Icon::Critical, Answer::Ok});
        return EndTheProgram;
    }
    const Answer answer = m_ui.showMessage({shown + Messages::LineBreak + ScreenTexts::text(ScreenText::Resume),
                                            ScreenTexts::text(ScreenText::UnexpectedErrorTitle), Buttons::YesNo,
                                            Icon::Critical, Answer::Yes});
    return answer == Answer::Yes ? Continue : EndTheProgram;
}

void ErrorReport::EndProgram()
{
    m_ui.endProgram();
}

QString ErrorReport::WriteErrorLog(const QString &text)
{
    const QString path = errorLogPath();
    // A log that cannot be written does not stop the report: the line goes to standard error instead, and the
    // notice names no file.
    if (!appendLogLine(path, text)) {
        writeToStandardError(text);
        return ScreenTexts::defaultText(ScreenText::ErrorNotLogged);
    }
    // File names tell letter cases apart here: the notice names the file as it is on disk.
    return ScreenTexts::defaultText(ScreenText::ErrorLoggedTo) + QLatin1Char(' ') + Messages::LineBreak +
           Platform::FileLookup::resolvePath(path);
}

QString ErrorReport::shownNotice(const QString &notice)
{
    const QString loggedTo = ScreenTexts::defaultText(ScreenText::ErrorLoggedTo) + QLatin1Char(' ');
    if (notice.startsWith(loggedTo)) {
        return ScreenTexts::text(ScreenText::ErrorLoggedTo) + QLatin1Char(' ') + notice.mid(loggedTo.size());
    }
    return ScreenTexts::text(ScreenText::ErrorNotLogged);
}

void ErrorReport::ReportFault(const QString &text)
{
    m_ui.runStatus().markFailed();
    if (m_settings.silentMode) {
        appendServicePackLine(text);
        return;
    }
    m_ui.showMessage({text, m_settings.exeName, Buttons::Ok, Icon::Critical, Answer::Ok});
}

void ErrorReport::ReportFault(ScreenText text)
{
    m_ui.runStatus().markFailed();
    if (m_settings.silentMode) {
        appendServicePackLine(ScreenTexts::defaultText(text));
        return;
    }
    m_ui.showMessage({ScreenTexts::text(text), m_settings.exeName, Buttons::Ok, Icon::Critical, Answer::Ok});
}

void ErrorReport::WriteServicePackLog(const QString &text)
{
    m_ui.runStatus().markFailed();
    appendServicePackLine(text);
}

void ErrorReport::noteFailureRecordedElsewhere()
{
    m_ui.runStatus().markFailed();
}

void ErrorReport::appendServicePackLine(const QString &text)
{
    writeServicePackLine(m_settings.servicePackLogPath, m_settings.servicePackFallbackPath, m_settings.exeName, text);
}

} // namespace Kadex::Diag
