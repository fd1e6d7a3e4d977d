#include "history/HistoryCommand.h"

#include "config/PlantLock.h"
#include "config/Services.h"
#include "diag/ErrorReport.h"
#include "diag/Failure.h"
#include "diag/RunStatus.h"
#include "diag/UiPort.h"
#include "history/UpdateRestore.h"

#include <QTextStream>

#include <algorithm>
#include <cstdio>

namespace Kadex::History {

namespace {

// The UI port of a history command: no window; a message goes to standard error and takes its default answer.
// The end of the program unwinds to runHistoryCommand, which gives the exit code: what is open is closed on the way.
class ConsoleUiPort : public Diag::UiPort
{
public:
    void setBusy(bool) override {}

private:
    Diag::Answer doShowMessage(const Diag::MessageBox &box) override
    {
        QString text = box.text;
        text.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
        std::fprintf(stderr, "%s\n", qPrintable(text));
        return box.defaultButton;
    }
    void doPumpEvents() override {}
};

} // namespace

std::optional<int> runHistoryCommand(const Platform::ProcessFacts &facts, const Config::CommandLine &command)
{
    if (command.history == Config::HistoryRequest::None) {
        return std::nullopt;
    }
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (command.history == Config::HistoryRequest::ListAndRestore) {
        err << "--restore and --list go alone; see --help.\n";
        return 2;
    }
    const QString &name = command.restoreName;
    if (name.startsWith(QLatin1Char('-')) || name.startsWith(QLatin1Char('/'))) {
        err << "Unknown kept update \"" << name << "\"; nothing restored.\n";
        return 1;
    }
    ConsoleUiPort ui;
    try {
        Diag::ErrorReport report(Config::reportSettingsFor(facts), ui);
        Config::Services services(facts, report);
        if (command.history == Config::HistoryRequest::List) {
            const int code = listKeptUpdates(services, out);
            return std::max(code, Diag::RunStatus::exitStatus());
        }
        // A restore changes the plant: it waits for, and then holds off, any other run of it.
        const std::optional<Platform::FileLock> plant = Config::holdPlant(
            Config::plantLockPath(facts.programDir, facts.exeFileName), report, Config::UnattendedPlantWait);
        if (!plant) {
            return 1;
        }
        const int code = restoreKeptUpdate(services, name, out, err);
        return std::max(code, Diag::RunStatus::exitStatus());
    } catch (const Diag::ProgramEnded &) {
        out.flush();
        return 1;
    }
}

} // namespace Kadex::History
