// Finishing the run: OK saves and ends, Cancel (or the close box) asks and ends without writing.
#include "app/MainWindow.h"

#include "config/Services.h"
#include "diag/ErrorGuard.h"
#include "diag/Messages.h"
#include "diag/UiPort.h"

#include <QPushButton>

namespace Kadex::App {

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

bool MainWindow::ConfirmCancel()
{
    const QString &br = Diag::Messages::LineBreak;
    const QChar quote = QLatin1Char('"');
    QString message = QStringLiteral("Cancel edits?") + br + QStringLiteral("Remark:") + br +
                      QStringLiteral("Until now no changes have been taken over ");
    if (m_services.runMode.IntegratedMode()) {
        message += br + quote + m_services.location.GetOCXName() + quote +
                   QStringLiteral(" has to be configured again in ") + quote + QStringLiteral("standalone-mode") +
                   quote + QStringLiteral(" via ") + br + quote + m_services.location.programDir() + QLatin1Char('/') +
                   m_services.facts.exeFileName + quote;
    }
    if (m_services.runMode.SilentMode()) {
        report().WriteServicePackLog(message);
        return true;
    }
    const Diag::Answer answer = m_ui.showMessage(
        {message, QStringLiteral("Cancel?"), Diag::Buttons::YesNo, Diag::Icon::Exclamation, Diag::Answer::No});
    if (answer != Diag::Answer::Yes) {
        return false;
    }
    report().WriteErrorLog(QStringLiteral("Konfigurations-EXE wurde abgebrochen:     ") +
                           m_services.location.GetOCXName());
    return true;
}

} // namespace Kadex::App
