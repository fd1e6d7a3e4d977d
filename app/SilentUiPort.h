#pragma once

#include "diag/UiPort.h"

#include <QString>

namespace Kadex::App {

// The UI port of a silent run, where no operator is there to answer: a box is never shown; its text goes to the
// service-pack log as "! Fault <exe>: <text>" (or to its fallback when the log cannot be appended to) and the
// box's default button is the answer, and the run ends with status 1. Nothing ever waits.
class SilentUiPort : public Diag::UiPort
{
public:
    SilentUiPort(QString exeName, QString servicePackLogPath, QString servicePackFallbackPath = QString());

    void setBusy(bool) override {}
    // The process ends with the run's status (diag/RunStatus): 1 once anything was reported.
    [[noreturn]] void endProcess() override;

private:
    Diag::Answer doShowMessage(const Diag::MessageBox &box) override;
    void doPumpEvents() override;

    QString m_exeName;
    QString m_servicePackLogPath;
    QString m_servicePackFallbackPath;
};

} // namespace Kadex::App
