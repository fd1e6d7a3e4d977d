#include "app/DisplayChoice.h"
#include "app/MainWindow.h"
#include "app/QtUiPort.h"
#include "app/SilentUiPort.h"
#include "config/RunMode.h"
#include "config/Services.h"
#include "diag/ErrorReport.h"
#include "diag/Failure.h"
#include "diag/LogFile.h"
#include "platform/ProcessFacts.h"
#include "presetdb/DatabaseUpdate.h"

#include <QApplication>

#include <cstdio>
#include <memory>

using namespace Kadex;

int main(int argc, char **argv)
{
    const Platform::ProcessFacts facts = Platform::ProcessFacts::current(argc, argv);
    // The run mode decides, before Qt starts, whether the program needs a display at all.
    const Config::RunModeFlags flags = Config::runModeOf(facts.commandLine);
    switch (App::chooseDisplay(flags.silentMode, QProcessEnvironment::systemEnvironment())) {
    case App::DisplayChoice::WindowSystem:
        break;
    case App::DisplayChoice::Offscreen:
        qputenv("QT_QPA_PLATFORM", "offscreen");
        break;
    case App::DisplayChoice::NoDisplay:
        std::fprintf(stderr,
                     "%s: no display (DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM are unset); "
                     "the window cannot open, use /EXTERNAL:SILENT for a run without it\n",
                     qPrintable(facts.exeName));
        return 1;
    }

    QApplication app(argc, argv);
    std::unique_ptr<Diag::UiPort> ui;
    if (flags.silentMode) {
        ui = std::make_unique<App::SilentUiPort>(facts.exeName, Diag::servicePackLogPath());
    } else {
        ui = std::make_unique<App::QtUiPort>(facts.exeName);
    }
    try {
        Diag::ErrorReport report(Config::reportSettingsFor(facts), *ui);
        Config::Services services(facts, report);
        PresetDb::DatabaseUpdate update(services);

        App::MainWindow window(services, *ui, [&update] { update.WorkOnMDB(); });
        window.load();
        // A silent run ends inside the load; it never shows the window or waits.
        if (flags.silentMode) {
            return 0;
        }
        window.show();
        return app.exec();
    } catch (const Diag::ProgramEnded &) {
        // An end outside the window's handlers has unwound to here.
        ui->endProcess();
    }
}
