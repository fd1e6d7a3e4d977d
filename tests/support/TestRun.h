#pragma once

#include "config/Services.h"
#include "diag/ErrorReport.h"
#include "tests/support/FakeUiPort.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TempPlant.h"

namespace Kadex::Test {

// One run of the program's core on a temporary plant: a fake UI port, the error report and the configuration
// services, wired as the program wires them. The service-pack log goes to <root>/ServicePack.log.
class TestRun
{
public:
    explicit TestRun(const TempPlant &plant, const QString &commandLine = {});
    TestRun(const TempPlant &plant, const Platform::ProcessFacts &facts);

    // What the window's load does before it fills the controls: run mode, then the machine list.
    void start();

    // The lines of the error log and of the service-pack log (CR LF removed).
    QStringList errorLogLines() const;
    QStringList servicePackLines() const;

    const TempPlant &plant;
    FakeUiPort ui;
    Diag::ErrorReport report;
    Config::Services services;
};

// The lines of a text file (CR LF or LF endings removed), decoded as Windows-1252; empty when it is missing.
QStringList fileLines(const QString &path);

} // namespace Kadex::Test
