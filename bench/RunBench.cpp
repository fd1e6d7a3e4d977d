// Times whole runs of the program as the plant's main configuration program starts it.
//
//   kadex_run_bench [runs]        runs per figure (default 5); the best and the median printed
//   kadex_run_bench plant <dir> [factor]
//                                 only builds the large generated plant in dir (with factor times the old rows),
//                                 to profile a run of it by hand
//   kadex_run_bench compare <runs> <program> <program> ...
//                                 the whole silent runs of several builds of the program (of two commits, say),
//                                 interleaved on fresh copies of the same plants; medians and the ratio to the first
//
// Figures:
// - the silent run (/EXTERNAL:SILENT) of the built program on the sample plant: its first run, on the plant
//   without its language file (the run creates it), and a later run; wall time and CPU time (user + system) of
//   the process;
// - the same later run with about 64 KB and about 1 MB of other modules' sections in Program.ini, and what they
//   add to the plain run;
// - the silent run on the large generated plant (5 machines x 2,000 template rows, 10,000 old rows) beside its
//   database update alone (in this process, as kadex_bench times it);
// - the INI work of a run on a Program.ini with 64 KB, 256 KB and 1 MB of other sections, in this process: the
//   reads of the machine list and the settings and the write of the settings, after another program changed
//   the file (so it is parsed again, as in a new run);
// - the time from starting a process until the window is first exposed (offscreen platform), on the sample plant
//   in a standalone run. The bench starts itself in its "window" mode for that: it builds the window as the
//   program does, shows it and prints the time at the first expose.
#include "app/MainWindow.h"
#include "app/QtUiPort.h"
#include "bench/BenchPlant.h"
#include "bench/BenchUpdate.h"
#include "config/IniAccess.h"
#include "config/MachineSettings.h"
#include "config/Services.h"
#include "diag/ErrorReport.h"
#include "diag/UiPort.h"
#include "platform/ProcessFacts.h"
#include "presetdb/DatabaseUpdate.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QWindow>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Kadex;

namespace {

const char *const StartVariable = "KADEX_BENCH_START_NS";

qint64 monotonicNs()
{
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

double childCpuSeconds()
{
    rusage usage = {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

using Bench::Timing;

struct Figures
{
    std::vector<double> seconds;
    std::vector<double> cpuSeconds;

    void add(const Timing &timing)
    {
        seconds.push_back(timing.seconds);
        cpuSeconds.push_back(timing.cpuSeconds);
    }
    static double best(std::vector<double> values) { return *std::min_element(values.begin(), values.end()); }
    static double median(std::vector<double> values)
    {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    }
};

void print(const char *label, const Figures &figures)
{
    std::printf("%-44s %8.1f ms %8.1f ms %8.1f ms %8.1f ms\n", label, Figures::best(figures.seconds) * 1e3,
                Figures::median(figures.seconds) * 1e3, Figures::best(figures.cpuSeconds) * 1e3,
                Figures::median(figures.cpuSeconds) * 1e3);
    std::fflush(stdout);
}

QString programPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Kadex_Config");
}

QString sourceDir()
{
    return QStringLiteral(KADEX_SOURCE_DIR);
}

// Puts the program (by default the built one) into the plant's Kadex folder, where it finds the plant from.
void installProgram(const QString &root, const QString &program = programPath())
{
    const QString target = root + QStringLiteral("/Kadex/Kadex_Config");
    QFile::remove(target);
    if (!QFile::copy(program, target)) {
        throw std::runtime_error("cannot copy the program from " + program.toStdString());
    }
}

// The environment of a run on the plant. A silent run is started as the plant's main configuration program starts
// it, without a display and without QT_QPA_PLATFORM: the program chooses its platform itself. The window needs one.
QProcessEnvironment environmentFor(const QString &root, bool window)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(QString::fromLatin1(name));
    }
    if (window) {
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }
    environment.insert(QStringLiteral("KADEX_SERVICEPACK_LOG"), root + QStringLiteral("/ServicePack.log"));
    return environment;
}

// One silent run of the program on the plant; fails when it reports anything.
Timing silentRun(const QString &root)
{
    QProcess process;
    process.setProcessEnvironment(environmentFor(root, false));
    const double cpuBefore = childCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    process.start(root + QStringLiteral("/Kadex/Kadex_Config"), {QStringLiteral("/EXTERNAL:SILENT")});
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        throw std::runtime_error("the silent run failed: " + process.readAllStandardError().toStdString());
    }
    Timing timing{double(clock.nsecsElapsed()) / 1e9, childCpuSeconds() - cpuBefore};
    if (QFile::exists(root + QStringLiteral("/R4Mcfglog.txt")) ||
        QFile::exists(root + QStringLiteral("/ServicePack.log"))) {
        throw std::runtime_error("the silent run reported a failure in " + root.toStdString());
    }
    return timing;
}

// Figures of `runs` silent runs, each on a fresh plant that prepare builds; with `warm`, each plant has had one
// run before the timed one (so the language file exists).
Figures timeSilentRuns(int runs, bool warm, const std::function<void(const QString &)> &prepare)
{
    Figures figures;
    for (int i = 0; i < runs; ++i) {
        QTemporaryDir dir;
        prepare(dir.path());
        installProgram(dir.path());
        if (warm) {
            silentRun(dir.path());
        }
        figures.add(silentRun(dir.path()));
    }
    return figures;
}

// The database update alone, in this process, on the plant.
Timing databaseUpdate(const QString &root)
{
    Bench::QuietUi ui;
    return Bench::runDatabaseUpdate(root, ui);
}

// The INI work of one run on Program.ini, after another program changed the file: the machine list, the
// settings of five machines and their write. CPU time of the best of `runs` repetitions.
double iniWork(qsizetype otherBytes, int runs)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Program.ini"));
    Bench::QuietUi ui;
    Diag::ErrorReport report({}, ui);
    Config::IniAccess ini(report);
    const QByteArray others = Bench::otherSections(otherBytes);
    std::vector<double> cpu;
    for (int run = 0; run < runs; ++run) {
        QByteArray file = "[Project]\r\nNumberOfMachines=5\r\nVWStudio=false\r\n" + others;
        for (int m = 1; m <= Bench::Machines; ++m) {
            file += "[" + Config::machineSection(m).toLatin1() + "]\r\nMachineName=M" + QByteArray::number(m) + "\r\n";
            // No second instrument, a few percentage inputs, every channel of one kind.
            for (const QString &key : Config::settingKeys()) {
                const int value = key == Config::secondMachineKey()     ? 0
                                  : key == Config::numberOfProcentKey() ? run % 7
                                                                        : 1 + run % 3;
                file += key.toLatin1() + "=" + QByteArray::number(value) + "\r\n";
            }
        }
        Bench::writeFile(path, file);

        const std::clock_t start = std::clock();
        const QString project = QStringLiteral("Project");
        const int machines = ini.LoadIniInteger(project, QStringLiteral("NumberOfMachines"), path);
        ini.LoadIniBoolean(project, QStringLiteral("VWStudio"), path);
        Config::MachineSettingsBatch settings;
        for (int m = 1; m <= machines; ++m) {
            ini.LoadIniString(Config::machineSection(m), QStringLiteral("MachineName"), path);
            Config::readSecondMachineNr(ini, m, path);
            const int percent = Config::readNumberOfProcentText(ini, m, path).toInt();
            settings.add(m, Config::secondMachineKey(), 1);
            settings.add(m, Config::numberOfProcentKey(), static_cast<qint16>(percent + 1));
            for (int k = 1; k <= Config::ChannelCount; ++k) {
                const qint16 code = Config::readChannel(ini, m, k, path);
                settings.add(m, Config::channelKey(k), static_cast<qint16>(code % 3 + 1));
            }
        }
        settings.write(ini, path);
        cpu.push_back(double(std::clock() - start) / CLOCKS_PER_SEC);
    }
    return *std::min_element(cpu.begin(), cpu.end());
}

// The time from the start of a process until its window is first exposed.
Timing windowShown(const QString &root)
{
    QProcess process;
    const double cpuBefore = childCpuSeconds();
    const qint64 start = monotonicNs();
    QProcessEnvironment environment = environmentFor(root, true);
    environment.insert(QString::fromLatin1(StartVariable), QString::number(start));
    process.setProcessEnvironment(environment);
    process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("window"), root});
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        throw std::runtime_error("the window run failed: " + process.readAllStandardError().toStdString());
    }
    const qint64 shownNs = process.readAllStandardOutput().trimmed().toLongLong();
    return {double(shownNs) / 1e9, childCpuSeconds() - cpuBefore};
}

// Quits at the first expose of a window and prints the nanoseconds since the parent started this process.
class ExposeWatch : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && !m_seen) {
            const auto *window = qobject_cast<QWindow *>(watched);
            if (window != nullptr && window->isExposed()) {
                m_seen = true;
                const qint64 start = qEnvironmentVariable(StartVariable).toLongLong();
                std::printf("%lld\n", static_cast<long long>(monotonicNs() - start));
                std::fflush(stdout);
                QCoreApplication::exit(0);
            }
        }
        return false;
    }

private:
    bool m_seen = false;
};

// The window mode: the program's own start-up for a standalone run on the plant, up to the first expose.
int showWindow(int argc, char **argv, const QString &root)
{
    QApplication app(argc, argv);
    ExposeWatch watch;
    app.installEventFilter(&watch);
    Platform::ProcessFacts facts;
    facts.programDir = root + QStringLiteral("/Kadex");
    facts.exeFileName = QStringLiteral("Kadex_Config");
    facts.exeName = QStringLiteral("Kadex_Config");
    facts.version = Platform::ProcessFacts::builtVersion();
    App::QtUiPort ui(facts.exeName);
    Diag::ErrorReport report(Config::reportSettingsFor(facts), ui);
    Config::Services services(facts, report);
    PresetDb::DatabaseUpdate update(services);
    App::MainWindow window(services, ui, [&update] { update.WorkOnMDB(); });
    window.load();
    window.show();
    return app.exec();
}

void buildSmallPlant(const QString &root)
{
    Bench::buildSamplePlant(root, sourceDir());
    QFile::remove(root + QStringLiteral("/Kadex/Kadex_Config.ini"));
}

void buildLargePlant(const QString &root, int oldRowsFactor)
{
    Bench::buildGeneratedPlant(root, Bench::CaseTemplateRows, Bench::CaseOldRows * oldRowsFactor);
}

// The whole silent runs of each program, on fresh copies of the plants, interleaved run by run so that a
// machine busy with other work slows every program alike.
int compare(int runs, const QStringList &programs)
{
    struct Plant
    {
        const char *label;
        std::function<void(const QString &)> build;
    };
    const std::vector<Plant> plants = {
        {"large plant", [](const QString &root) { buildLargePlant(root, 1); }},
        {"large plant, 4x the old rows", [](const QString &root) { buildLargePlant(root, 4); }},
        {"large plant, 16x the old rows", [](const QString &root) { buildLargePlant(root, 16); }},
        {"small plant, no language file yet", buildSmallPlant},
    };
    std::printf("Whole silent runs, median of %d interleaved runs each, on fresh plants\n", runs);
    for (int p = 0; p < programs.size(); ++p) {
        std::printf("  program %d: %s\n", p + 1, qPrintable(programs[p]));
    }
    std::printf("\n%-36s %8s %11s %11s %8s\n", "plant", "program", "median", "median cpu", "ratio");
    for (const Plant &plant : plants) {
        std::vector<Figures> figures(programs.size());
        for (int i = 0; i < runs; ++i) {
            for (int p = 0; p < programs.size(); ++p) {
                QTemporaryDir dir;
                plant.build(dir.path());
                installProgram(dir.path(), programs[p]);
                figures[p].add(silentRun(dir.path()));
            }
        }
        const double first = Figures::median(figures[0].seconds);
        for (int p = 0; p < programs.size(); ++p) {
            const double median = Figures::median(figures[p].seconds);
            std::printf("%-36s %8d %8.1f ms %8.1f ms %7.2fx\n", p == 0 ? plant.label : "", p + 1, median * 1e3,
                        Figures::median(figures[p].cpuSeconds) * 1e3, median / first);
        }
        std::fflush(stdout);
    }
    return 0;
}

int runAll(int runs)
{
    const auto sample = [](const QString &root) { Bench::buildSamplePlant(root, sourceDir()); };
    const auto withOthers = [&sample](qsizetype bytes) {
        return [&sample, bytes](const QString &root) {
            sample(root);
            Bench::addToProgramIni(root, Bench::otherSections(bytes));
        };
    };
    const auto large = [](const QString &root) { buildLargePlant(root, 1); };

    std::printf("Whole runs of the program, best and median of %d runs\n\n", runs);
    std::printf("%-44s %11s %11s %11s %11s\n", "run", "best", "median", "best cpu", "median cpu");
    print("silent, sample plant, first run", timeSilentRuns(runs, false, buildSmallPlant));
    const Figures plain = timeSilentRuns(runs, true, sample);
    print("silent, sample plant", plain);
    print("silent, sample plant + 64 KB other sections", timeSilentRuns(runs, true, withOthers(64 * 1024)));
    const Figures big = timeSilentRuns(runs, true, withOthers(1024 * 1024));
    print("silent, sample plant + 1 MB other sections", big);

    Figures update;
    for (int i = 0; i < runs; ++i) {
        QTemporaryDir dir;
        large(dir.path());
        update.add(databaseUpdate(dir.path()));
    }
    print("large plant, database update alone", update);
    const Figures whole = timeSilentRuns(runs, true, large);
    print("large plant, silent run", whole);

    Figures shown;
    for (int i = 0; i < runs; ++i) {
        QTemporaryDir dir;
        sample(dir.path());
        installProgram(dir.path());
        silentRun(dir.path()); // the language file exists, as on a plant in use
        shown.add(windowShown(dir.path()));
    }
    print("window shown after start (standalone)", shown);

    std::printf("\nINI work of a run on Program.ini (cpu, best of %d)\n", runs * 2);
    const double work64 = iniWork(64 * 1024, runs * 2);
    const double work256 = iniWork(256 * 1024, runs * 2);
    const double work1024 = iniWork(1024 * 1024, runs * 2);
    std::printf("%-44s %8.2f ms\n%-44s %8.2f ms\n%-44s %8.2f ms  (%.1fx the 64 KB work for 16x the size)\n",
                "64 KB of other sections", work64 * 1e3, "256 KB of other sections", work256 * 1e3,
                "1 MB of other sections", work1024 * 1e3, work1024 / work64);

    const double plainTime = Figures::median(plain.seconds);
    const double plainCpu = Figures::median(plain.cpuSeconds);
    const double bigExtra = Figures::median(big.cpuSeconds) - plainCpu;
    std::printf(
        "\n1 MB of other sections adds %.1f ms (%.0f%% of the plain run's %.1f ms), cpu %.1f ms (%.0f%% of %.1f ms)\n",
        (Figures::median(big.seconds) - plainTime) * 1e3, 100 * (Figures::median(big.seconds) - plainTime) / plainTime,
        plainTime * 1e3, bigExtra * 1e3, 100 * bigExtra / plainCpu, plainCpu * 1e3);
    std::printf("large plant: whole silent run / database update alone = %.2f (medians), %.2f (best), %.2f (cpu)\n",
                Figures::median(whole.seconds) / Figures::median(update.seconds),
                Figures::best(whole.seconds) / Figures::best(update.seconds),
                Figures::median(whole.cpuSeconds) / Figures::median(update.cpuSeconds));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    try {
        if (argc > 2 && std::string(argv[1]) == "window") {
            return showWindow(argc, argv, QString::fromLocal8Bit(argv[2]));
        }
        if (argc > 2 && std::string(argv[1]) == "plant") {
            buildLargePlant(QString::fromLocal8Bit(argv[2]), argc > 3 ? std::max(1, std::atoi(argv[3])) : 1);
            return 0;
        }
        QCoreApplication app(argc, argv);
        if (argc > 3 && std::string(argv[1]) == "compare") {
            QStringList programs;
            for (int i = 3; i < argc; ++i) {
                programs.append(QFileInfo(QString::fromLocal8Bit(argv[i])).absoluteFilePath());
            }
            return compare(std::max(1, std::atoi(argv[2])), programs);
        }
        return runAll(argc > 1 ? std::max(1, std::atoi(argv[1])) : 5);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "kadex_run_bench: %s\n", error.what());
        return 1;
    } catch (const Diag::ProgramEnded &) {
        std::fprintf(stderr, "kadex_run_bench: the measured work ended the program\n");
        return 1;
    }
}
