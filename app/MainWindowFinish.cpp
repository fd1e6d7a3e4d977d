// Finishing the run: OK saves and ends, Cancel (or the close box) asks and ends without writing.
#include "app/MainWindow.h"

#include "config/Services.h"
#include "diag/ErrorGuard.h"
#include "diag/Messages.h"
#include "diag/ScreenTexts.h"
#include "diag/UiPort.h"

#include <QPushButton>

namespace Kadex::App {

namespace {

// A text of the Cancel question: in the window's language for the box, as always for the log.
QString cancelText(Diag::ScreenText text, bool shown)
{
    return shown ? Diag::ScreenTexts::text(text) : Diag::ScreenTexts::defaultText(text);
}

} // namespace

void MainWindow::CommandOK_Click()
{
    if (m_infoMode) {
        ShowInfoText(m_form.CommandOK);
        return;
    }
    Diag::ErrorGuard guard(report(), QStringLiteral("CommandOK_Click"));
    m_finishing = true;
    guard.step([&] { m_form.CommandOK->setEnabled(false); });
    guard.step([&] { m_form.CommandCancel->setEnabled(false); });
    guard.step([&] { CloseMe(); });
}

void MainWindow::CommandCancel_Click()
{
    if (m_infoMode) {
        ShowInfoText(m_form.CommandCancel);
        return;
    }
    Diag::ErrorGuard guard(report(), QStringLiteral("CommandCancel_Click"));
    // Continuing past a failure in the confirmation cancels the run as if it had been confirmed.
    bool cancel = true;
    guard.step([&] { cancel = ConfirmCancel(); });
    if (cancel) {
        report().EndProgram();
    }
}

void MainWindow::CloseMe()
{
    Diag::ErrorGuard guard(report(), QStringLiteral("CloseMe"));
    guard.step([&] { m_ui.pumpEvents(); });
    guard.step([&] { m_ui.setBusy(true); });
    guard.step([&] {
        m_workOnMdb();
        m_ui.throwIfEnded(); // a close request during the update may have cancelled the run
    });
    guard.step([&] { WriteInputs(); });
    if (m_afterSaving) {
        guard.step([&] { m_afterSaving(); });
    }
    guard.step([&] { m_ui.setBusy(false); });
    report().EndProgram();
}

QString MainWindow::cancelQuestion(bool shown)
{
    using Diag::ScreenText;
    const QString &br = Diag::Messages::LineBreak;
    const QChar quote = QLatin1Char('"');
    QString message = cancelText(ScreenText::CancelEdits, shown) + br + cancelText(ScreenText::CancelRemark, shown) +
                      br + cancelText(ScreenText::NothingTakenOver, shown) + QLatin1Char(' ');
    if (m_services.runMode.IntegratedMode()) {
        message += br +
                   cancelText(ScreenText::ConfigureAgain, shown)
                       .replace(QStringLiteral("%1"), quote + m_services.location.GetOCXName() + quote) +
                   QLatin1Char(' ') + br + quote + m_services.location.programDir() + QLatin1Char('/') +
                   m_services.facts.exeFileName + quote;
    }
    return message;
}

bool MainWindow::ConfirmCancel()
{
    if (m_services.runMode.SilentMode()) {
        report().WriteServicePackLog(cancelQuestion(false));
        return true;
    }
    const Diag::Answer answer =
        m_ui.showMessage({cancelQuestion(true), Diag::ScreenTexts::text(Diag::ScreenText::CancelTitle),
                          Diag::Buttons::YesNo, Diag::Icon::Exclamation, Diag::Answer::No});
    if (answer != Diag::Answer::Yes) {
        return false;
    }
    report().WriteErrorLog(QStringLiteral("Konfigurations-EXE wurde abgebrochen:     ") +
                           m_services.location.GetOCXName());
    return true;
}

} // namespace Kadex::App
