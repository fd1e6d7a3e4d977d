#pragma once

#include "diag/UiPort.h"

namespace Kadex::Diag {
class ErrorReport;
}

namespace Kadex::App {

// The UI port of a silent run, where no operator is there to answer: a box is never shown; the run's error report
// writes its text to the service-pack log as "! Fault <exe>: <text>" (marking the run as failed), and the box's
// default button is the answer. Nothing ever waits.
class SilentUiPort : public Diag::UiPort
{
public:
    // The report that takes the boxes, once it exists (it is made on this port); until then a box's text goes to
    // standard error.
    void reportTo(Diag::ErrorReport &report) { m_report = &report; }

    void setBusy(bool) override {}
    // The process ends with the run's status: 1 once anything was reported.
    [[noreturn]] void endProcess() override;

private:
    Diag::Answer doShowMessage(const Diag::MessageBox &box) override;
    void doPumpEvents() override;

    Diag::ErrorReport *m_report = nullptr;
};

} // namespace Kadex::App
