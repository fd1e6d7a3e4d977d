#include "config/InfoOptions.h"

#include "config/ProgramLocation.h"

#include <array>

namespace Kadex::Config {

namespace {

struct UsageLine
{
    const char *form;
    const char *meaning;
};

// The one place that lists what the program can be told on its command line.
constexpr std::array Switches = {
    UsageLine{"(no arguments)", "standalone run: the window opens on the plant's Program.ini"},
    UsageLine{"/EXTERNAL:R4MCFG", "integrated run, started by the plant's main configuration program"},
    UsageLine{"/LOGFILE:<path>", "error log of an integrated run"},
    UsageLine{"/EXTERNAL:SILENT", "silent run: no window, no questions; confirms by itself and logs failures"},
    UsageLine{"--list", "list the kept updates of the module database: name, run mode, state (live: put"},
    UsageLine{"", "back by the newest restore; pinned; no database), values dropped, machines, what each holds"},
    UsageLine{"--show NAME", "print the report of one kept update"},
    UsageLine{"--restore [NAME]", "put a kept module database back (without NAME: one update back) with the settings"},
    UsageLine{"", "it was made from, into every program INI its update read or wrote; the"},
    UsageLine{"", "database it replaces is kept too. Refused when the plant's machines differ"},
    UsageLine{"", "in number or name; tells which rows the next update would drop"},
    UsageLine{"  --machine M", "with --restore: bring back machine M (number or name) alone"},
    UsageLine{"--pin NAME, --unpin NAME", "keep a kept update for good (never pruned), or release it"},
    UsageLine{"--help, -h, /?", "print this text and exit"},
    UsageLine{"--version", "print the version and exit"},
};

constexpr std::array Files = {
    UsageLine{"parameter/r4mconfiguration.ini", "SaveAndRestore folder, machine names NameM1..NameM5"},
    UsageLine{"parameter/Program.ini", "the machines' settings (SaveAndRestore copy in an integrated run)"},
    UsageLine{"<M>/<M>.cfg", "the module configuration: machines in use, additional fields, edit stamp"},
    UsageLine{"<M>/<M>_Source.mdb", "template of the module database (SQLite 3)"},
    UsageLine{"<M>/<M>.mdb", "the module database the update regenerates (SQLite 3)"},
    UsageLine{"<M>/.<program>.lock", "held by a run from start to end: one run at a time per plant"},
    UsageLine{"<M>/History/", "the newest 10 module databases an update replaced, each with its report, and"},
    UsageLine{"", "every one holding a tuned value kept nowhere newer, and those pinned (<name>.pin)"},
    UsageLine{"R4Mcfglog.txt", "error log of standalone and silent runs"},
};

constexpr std::array ExitStatuses = {
    UsageLine{"0", "nothing was reported during the run (--help, --version: always)"},
    UsageLine{"1", "a silent run or a history command that reported anything (a failure, a refusal, another"},
    UsageLine{"", "run of this plant still active after 30 s); an interactive run without a display, or"},
    UsageLine{"", "with another run of this plant active"},
    UsageLine{"2", "a malformed history command (nothing changed): two commands, a name missing, empty or"},
    UsageLine{"", "where none belongs, --machine without --restore or without M, any other argument"},
};

constexpr std::array Environment = {
    UsageLine{"KADEX_SERVICEPACK_LOG", "service-pack log of silent runs; default /var/log/BrolmServicePack.log,"},
    UsageLine{"", "or BrolmServicePack.log in the root when that cannot be written"},
    UsageLine{"DISPLAY, WAYLAND_DISPLAY", "the display of the window"},
    UsageLine{"QT_QPA_PLATFORM", "Qt's platform; a silent run without a display uses offscreen"},
};

QString table(const auto &lines)
{
    QString text;
    for (const UsageLine &line : lines) {
        text += QStringLiteral("  %1  %2\n")
                    .arg(QString::fromUtf8(line.form).leftJustified(32), QString::fromUtf8(line.meaning));
    }
    return text;
}

} // namespace

QString usageText(const QString &exeFileName)
{
    return QStringLiteral("Usage: ") + exeFileName + QStringLiteral(" [switch ...]\n\n") +
           QStringLiteral("Sets up the RPM instruments of the plant's machines and regenerates the module's preset "
                          "database.\nSwitches may be written in any letter case, with ':', '=' or a blank before "
                          "the value.\n\n") +
           QStringLiteral("Run modes and switches:\n") + table(Switches) +
           QStringLiteral("\nThe program lives in <root>/<M>/ (M: its name less \"_Config\"); the plant's files:\n") +
           table(Files) + QStringLiteral("\nExit status:\n") + table(ExitStatuses) +
           QStringLiteral("\nEnvironment:\n") + table(Environment);
}

QString historyUsageLine(const QString &exeFileName)
{
    return QStringLiteral("Usage: ") + exeFileName +
           QStringLiteral(
               " --list | --show NAME | --restore [NAME] [--machine M] | --pin NAME | --unpin NAME (see --help)\n");
}

QString versionText(const QString &exeFileName, const Platform::Version &version)
{
    return QStringLiteral("%1 %2.%3.%4\n").arg(exeFileName).arg(version.major).arg(version.minor).arg(version.revision);
}

std::optional<int> answerInfoRequest(InfoRequest request, const Platform::ProcessFacts &facts, std::FILE *out)
{
    QString text;
    switch (request) {
    case InfoRequest::None:
        return std::nullopt;
    case InfoRequest::Help:
        text = usageText(facts.exeFileName) + QStringLiteral("\nThis copy's plant: ") +
               rootDirectoryOf(facts.programDir) + QStringLiteral(" (module ") +
               moduleNameOf(facts.exeName).value_or(QString()) + QStringLiteral(")\n");
        break;
    case InfoRequest::Version:
        text = versionText(facts.exeFileName, facts.version);
        break;
    }
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), out);
    std::fflush(out);
    return 0;
}

} // namespace Kadex::Config
