#include "history/HistoryCommand.h"

#include "config/InfoOptions.h"
#include "config/PlantLock.h"
#include "config/ProgramLocation.h"
#include "config/Services.h"
#include "diag/ErrorReport.h"
#include "diag/Failure.h"
#include "diag/UiPort.h"
#include "history/HistoryListing.h"
#include "history/KeptPins.h"
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
    if (command.history == Config::HistoryRequest::Malformed) {
        err << Config::historyUsageLine(facts.exeFileName);
        return 2;
    }
    const QString &name = command.keptName;
    ConsoleUiPort ui;
    try {
        Diag::ErrorReport report(Config::reportSettingsFor(facts), ui);
        Config::Services services(facts, report);
        if (const std::optional<QString> notice = Config::notInPlantNotice(facts.programDir, facts.exeName)) {
            report.ReportFault(*notice);
            return 1;
        }
        // A restore or a pin changes the plant: it waits for, and then holds off, any other run of it. --list and
        // --show only read.
        const bool reads =
            command.history == Config::HistoryRequest::List || command.history == Config::HistoryRequest::Show;
        std::optional<Platform::FileLock> plant;
        if (!reads) {
            plant = Config::holdPlant(Config::plantLockPath(facts.programDir, facts.exeFileName), report,
                                      Config::UnattendedPlantWait);
            if (!plant) {
                return 1;
            }
        }
        int code = 0;
        switch (command.history) {
        case Config::HistoryRequest::List:
            code = listKeptUpdates(services, out);
            break;
        case Config::HistoryRequest::Show:
            code = showKeptReport(services, name, out, err);
            break;
        case Config::HistoryRequest::Restore:
            code = restoreKeptUpdate(services, name, out, err, command.machine);
            break;
        default:
            code = pinKeptUpdate(services, name, command.history == Config::HistoryRequest::Pin, out, err);
            break;
        }
        return std::max(code, ui.runStatus().exitStatus());
    } catch (const Diag::ProgramEnded &) {
        out.flush();
        return 1;
    }
}

} // namespace Kadex::History
