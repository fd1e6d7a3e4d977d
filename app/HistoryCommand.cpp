#include "app/HistoryCommand.h"

#include "config/Services.h"
#include "diag/ErrorReport.h"
#include "diag/UiPort.h"
#include "presetdb/UpdateRestore.h"

#include <QTextStream>

#include <cstdio>
#include <cstdlib>

namespace Kadex::App {

namespace {

// The UI port of a history command: no window; a message goes to standard error and takes its default answer.
class ConsoleUiPort : public Diag::UiPort
{
public:
    Diag::Answer showMessage(const Diag::MessageBox &box) override
    {
        QString text = box.text;
        text.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
        std::fprintf(stderr, "%s\n", qPrintable(text));
        return box.defaultButton;
    }
    void setBusy(bool) override {}
    void pumpEvents() override {}
    [[noreturn]] void endProgram() override
    {
        std::fflush(stdout);
        std::exit(1);
    }
};

} // namespace

std::optional<int> runHistoryCommand(const Platform::ProcessFacts &facts, const QStringList &arguments)
{
    const qsizetype restore = arguments.indexOf(QStringLiteral("--restore"));
    const bool list = arguments.contains(QStringLiteral("--list"));
    if (restore < 0 && !list) {
        return std::nullopt;
    }
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (restore >= 0 && list) {
        err << "--restore and --list go alone; see --help.\n";
        return 2;
    }
    ConsoleUiPort ui;
    Diag::ErrorReport report(Config::reportSettingsFor(facts), ui);
    Config::Services services(facts, report);
    if (list) {
        return PresetDb::listKeptUpdates(services, out);
    }
    const QString name = restore + 1 < arguments.size() ? arguments[restore + 1] : QString();
    if (name.startsWith(QLatin1Char('-')) || name.startsWith(QLatin1Char('/'))) {
        err << "Unknown kept update \"" << name << "\"; nothing restored.\n";
        return 1;
    }
    return PresetDb::restoreKeptUpdate(services, name, out, err);
}

} // namespace Kadex::App
