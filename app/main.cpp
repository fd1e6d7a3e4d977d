#include "app/DisplayChoice.h"
#include "app/MainWindow.h"
#include "app/QtUiPort.h"
#include "app/SilentUiPort.h"
#include "config/CommandLine.h"
#include "config/InfoOptions.h"
#include "config/PlantLock.h"
#include "config/PlantPaths.h"
#include "config/ProgramLocation.h"
#include "config/Services.h"
#include "diag/ErrorReport.h"
#include "diag/Failure.h"
#include "diag/IniLanguageFile.h"
#include "diag/ScreenTexts.h"
#include "history/HistoryCommand.h"
#include "history/UpdateHistory.h"
#include "platform/ProcessFacts.h"
#include "platform/RuntimeDirectory.h"
#include "presetdb/DatabaseUpdate.h"

#include <QApplication>

#include <cstdio>
#include <memory>

namespace {

QStringList argumentsOf(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    return arguments;
}

} // namespace

using namespace Kadex;

int main(int argc, char **argv)
{
    const Platform::ProcessFacts facts = Platform::ProcessFacts::current(argc, argv);
    const Config::CommandLine command = Config::CommandLine::parse(argumentsOf(argc, argv));
    // --help and --version are answered before anything else: no display, no file.
    if (const std::optional<int> status = Config::answerInfoRequest(command.info, facts, stdout)) {
        return *status;
    }
    // --restore and --list work on the plant's files alone: no display, no window.
    if (const std::optional<int> code = History::runHistoryCommand(facts, command)) {
        return *code;
    }
    // The run mode decides, before Qt starts, whether the program needs a display at all.
    const Config::RunModeFlags flags = command.runMode;
    switch (App::chooseDisplay(flags.silentMode, QProcessEnvironment::systemEnvironment())) {
    case App::DisplayChoice::WindowSystem:
        break;
    case App::DisplayChoice::NoWindow:
        // The window is built and filled but never drawn: a platform without fonts spares loading them, a third
        // of a small plant's run.
        qputenv("QT_QPA_PLATFORM", "minimal");
        break;
    case App::DisplayChoice::NoDisplay:
        std::fprintf(stderr,
                     "%s: no display (DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM are unset); "
                     "the window cannot open, use /EXTERNAL:SILENT for a run without it\n",
                     qPrintable(facts.exeName));
        return 1;
    }

    Platform::provideRuntimeDirectory();
    QApplication app(argc, argv);
    const Diag::ReportSettings settings = Config::reportSettingsFor(facts);
    std::unique_ptr<Diag::UiPort> ui;
    if (flags.silentMode) {
        ui = std::make_unique<App::SilentUiPort>();
    } else {
        ui = std::make_unique<App::QtUiPort>(facts.exeName);
    }
    // The boxes speak the window's language from the first one on (another run of the plant still active).
    Diag::IniLanguageFile languageFile(Config::languageFilePathIn(facts.programDir, facts.exeName));
    Diag::ScreenTexts::loadChosenLanguage(languageFile);
    try {
        Diag::ErrorReport report(settings, *ui);
        if (flags.silentMode) {
            static_cast<App::SilentUiPort &>(*ui).reportTo(report); // a box becomes the report's log line
        }
        Config::Services services(facts, report);
        services.runMode.GetStartModeIntegrated();
        // An unattended run of a program outside a plant would look for the plant in the folder above.
        if (const std::optional<QString> notice = Config::notInPlantNotice(facts.programDir, facts.exeName);
            notice && flags.silentMode) {
            std::fprintf(stderr, "%s\n", qPrintable(*notice));
            report.ReportFault(*notice);
            return 1;
        }
        // One run at a time per plant: the lock is held until the process ends.
        const std::optional<Platform::FileLock> plant =
            Config::holdPlant(Config::plantLockPath(facts.programDir, facts.exeFileName), report,
                              flags.silentMode ? Config::UnattendedPlantWait : Config::InteractivePlantWait);
        if (!plant) {
            return 1;
        }
        PresetDb::DatabaseUpdate update(services);
        History::UpdateHistory history(services);
        update.setHistory(&history);

        App::MainWindow window(services, *ui, [&update] { update.WorkOnMDB(); });
        window.setAfterSaving([&history, &report] {
            history.finish();
            if (!history.complete()) {
                report.noteFailureRecordedElsewhere(); // its report says what was not recorded or carried
            }
        });
        window.load();
        // A silent run ends inside the load; it never shows the window or waits.
        if (flags.silentMode) {
            return ui->runStatus().exitStatus();
        }
        window.show();
        // Without a window manager (a bare X server) nothing would activate the window, and no control would have
        // the focus; with one, this is what it does anyway.
        window.activateWindow();
        return app.exec();
    } catch (const Diag::ProgramEnded &) {
        // An end outside the window's handlers has unwound to here.
        ui->endProcess();
    }
}
