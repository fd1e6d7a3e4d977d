#include "diag/ErrorReport.h"
#include "diag/ErrorGuard.h"
#include "diag/LogFile.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TestRun.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>

namespace Kadex::Test {
namespace {

using Diag::Answer;
using Diag::Buttons;
using Diag::ErrorGuard;
using Diag::Failure;
using Diag::Icon;

class ErrorReportTest : public ::testing::Test
{
protected:
    QString logNotice() const
    {
        return QStringLiteral("Error logged to \n\r") + plant.root() + QStringLiteral("/R4Mcfglog.txt");
    }

    TempPlant plant;
};

// --- standalone runs: the operator is asked

TEST_F(ErrorReportTest, StandaloneFailureLogsOneLineAndAsksResume)
{
    TestRun run(plant);
    run.start();
    run.ui.answerNext(Answer::Yes);

    const int result = run.report.ReportError(6, QStringLiteral("Kadex_Config"), QStringLiteral("Overflow"),
                                              QStringLiteral("LoadIniInteger"), false);

    EXPECT_EQ(result, Diag::ErrorReport::Continue);
    EXPECT_EQ(run.errorLogLines(),
              QStringList{QStringLiteral("Fehler in Kadex / Kadex_Config / LoadIniInteger (Nr. 6) :Overflow")});
    ASSERT_EQ(run.ui.boxes.size(), 1);
    const Diag::MessageBox &box = run.ui.boxes.first();
    EXPECT_EQ(box.text,
              QStringLiteral("Unexpected error!\n\rOverflow\n\r") + logNotice() + QStringLiteral("\n\rResume?"));
    EXPECT_EQ(box.title, QStringLiteral("Unexpected error"));
    EXPECT_EQ(box.buttons, Buttons::YesNo);
    EXPECT_EQ(box.icon, Icon::Critical);
    EXPECT_TRUE(run.servicePackLines().isEmpty());
}

TEST_F(ErrorReportTest, AnswerNoEndsTheProgramThroughTheGuard)
{
    TestRun run(plant);
    run.start();
    run.ui.answerNext(Answer::No);
    ErrorGuard guard(run.report, QStringLiteral("Form_Load"));
    bool nextStepRan = false;

    EXPECT_THROW(
        {
            guard.step([] { throw Failure::invalidArgument(); });
            nextStepRan = true;
        },
        Diag::ProgramEnded);
    EXPECT_FALSE(nextStepRan);
    EXPECT_TRUE(run.ui.ended());
}

TEST_F(ErrorReportTest, AnswerYesGoesOnWithTheNextStepAndKeepsTheFallback)
{
    TestRun run(plant);
    run.start();
    run.ui.answerNext(Answer::Yes);
    ErrorGuard guard(run.report, QStringLiteral("SetupUserInterFace"));

    const int value = guard.value([]() -> int { throw Failure::overflow(); }, 0);
    const bool secondWent = guard.step([] {});

    EXPECT_EQ(value, 0);
    EXPECT_TRUE(secondWent);
    EXPECT_EQ(run.errorLogLines().size(), 1);
}

TEST_F(ErrorReportTest, FatalReportShowsFatalErrorAndEnds)
{
    TestRun run(plant);
    run.start();
    run.ui.answerNext(Answer::Ok);
    ErrorGuard guard(run.report, QStringLiteral("TakeoverMachineCopyMDBData"), ErrorGuard::Kind::Fatal);

    EXPECT_THROW(guard.step([] {
        throw Failure{9999, QStringLiteral("Kadex_Config"), QStringLiteral("Database-Error - Contact Administrator!")};
    }),
                 Diag::ProgramEnded);
    ASSERT_EQ(run.ui.boxes.size(), 1);
    EXPECT_EQ(run.ui.boxes.first().title, QStringLiteral("Fatal error"));
    EXPECT_EQ(run.ui.boxes.first().buttons, Buttons::Ok);
    EXPECT_EQ(run.ui.boxes.first().text,
              QStringLiteral("Unexpected error!\n\rDatabase-Error - Contact Administrator!\n\r") + logNotice());
}

TEST_F(ErrorReportTest, NegativeNumbersAndTwoFailuresAppendTwoLines)
{
    plant.write(QStringLiteral("R4Mcfglog.txt"), "earlier line\r\n");
    TestRun run(plant);
    run.start();
    run.ui.answerNext(Answer::Yes);
    run.ui.answerNext(Answer::Yes);

    run.report.ReportError(-2147221504, QStringLiteral("S"), QStringLiteral("first"), QStringLiteral("P"), false);
    run.report.ReportError(3049, QStringLiteral("DAO.Database"), QStringLiteral("second"), QString(), false);

    EXPECT_EQ(
        run.errorLogLines(),
        (QStringList{QStringLiteral("earlier line"), QStringLiteral("Fehler in Kadex / S / P (Nr. -2147221504) :first"),
                     QStringLiteral("Fehler in Kadex / DAO.Database /  (Nr. 3049) :second")}));
}

TEST_F(ErrorReportTest, ForeignExceptionsAreReportedAsInternalErrors)
{
    TestRun run(plant);
    run.start();
    run.ui.answerNext(Answer::Yes);
    ErrorGuard guard(run.report, QStringLiteral("CloseMe"));

    guard.step([] { throw std::runtime_error("boom"); });

    EXPECT_EQ(run.errorLogLines(),
              QStringList{QStringLiteral("Fehler in Kadex / Kadex_Config / CloseMe (Nr. 51) :boom")});
}

TEST_F(ErrorReportTest, IgnoringGuardSkipsWithoutAnyReport)
{
    TestRun run(plant);
    run.start();
    ErrorGuard guard(run.report, QStringLiteral("ShowInfoText"), ErrorGuard::Kind::Ignoring);

    EXPECT_FALSE(guard.step([] { throw Failure::subscriptOutOfRange(); }));
    EXPECT_TRUE(run.ui.boxes.isEmpty());
    EXPECT_TRUE(run.errorLogLines().isEmpty());
}

// --- silent runs: nobody is asked

TEST_F(ErrorReportTest, SilentFailureWritesBothLogsAndGoesOnEvenWhenFatal)
{
    TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
    run.start();
    ErrorGuard guard(run.report, QStringLiteral("TakeoverMachineCopyMDBData"), ErrorGuard::Kind::Fatal);

    const bool went = guard.step([] { throw Failure{9999, QStringLiteral("Kadex_Config"), QStringLiteral("Abort")}; });

    EXPECT_FALSE(went);
    EXPECT_TRUE(run.ui.boxes.isEmpty());
    EXPECT_FALSE(run.ui.ended());
    EXPECT_EQ(run.errorLogLines().size(), 1);
    EXPECT_EQ(run.servicePackLines(),
              QStringList{QStringLiteral("! Fault Kadex_Config: Unexpected error!\n\rAbort\n\r") + logNotice()});
}

TEST_F(ErrorReportTest, ReportFaultShowsCriticalBoxOrLogsWhenSilent)
{
    {
        TestRun run(plant);
        run.start();
        run.ui.answerNext(Answer::Ok);
        run.report.ReportFault(QStringLiteral("Something missing"));
        ASSERT_EQ(run.ui.boxes.size(), 1);
        EXPECT_EQ(run.ui.boxes.first(),
                  (Diag::MessageBox{QStringLiteral("Something missing"), QStringLiteral("Kadex_Config"), Buttons::Ok,
                                    Icon::Critical, Answer::Ok}));
    }
    {
        TestRun run(plant, QStringLiteral("/external silent"));
        run.start();
        run.report.ReportFault(QStringLiteral("Something missing"));
        EXPECT_TRUE(run.ui.boxes.isEmpty());
        EXPECT_EQ(run.servicePackLines(), QStringList{QStringLiteral("! Fault Kadex_Config: Something missing")});
    }
}

// --- where the error log goes

TEST_F(ErrorReportTest, IntegratedRunLogsToTheLogfileSwitchFoundWithoutRegardToCase)
{
    plant.write(QStringLiteral("logs/Cfg.txt"), "first\r\n");
    TestRun run(plant, QStringLiteral("/EXTERNAL:R4MCFG /LOGFILE:") + plant.path(QStringLiteral("LOGS/cfg.TXT")));
    run.start();
    run.ui.answerNext(Answer::Yes);

    run.report.ReportError(53, QStringLiteral("S"), QStringLiteral("File not found"), QStringLiteral("P"), false);

    // The existing file is the one written, and the notice names it as it is on disk.
    EXPECT_EQ(fileLines(plant.path(QStringLiteral("logs/Cfg.txt"))).size(), 2);
    EXPECT_TRUE(run.ui.boxes.first().text.contains(QStringLiteral("Error logged to \n\r") +
                                                   plant.path(QStringLiteral("logs/Cfg.txt")) + QStringLiteral("\n\r")))
        << run.ui.boxes.first().text.toStdString();
    EXPECT_FALSE(plant.exists(QStringLiteral("R4Mcfglog.txt")));
}

TEST_F(ErrorReportTest, NewIntegratedLogKeepsTheLettersTheCallerWrote)
{
    plant.write(QStringLiteral("logs/other.txt"), "");
    TestRun run(plant, QStringLiteral("/EXTERNAL:R4MCFG /LOGFILE:") + plant.path(QStringLiteral("logs/Kadex-Cfg.txt")));
    run.start();
    run.ui.answerNext(Answer::Yes);

    run.report.ReportError(53, QStringLiteral("S"), QStringLiteral("d"), QStringLiteral("P"), false);

    EXPECT_EQ(QDir(plant.path(QStringLiteral("logs"))).entryList(QDir::Files, QDir::Name),
              (QStringList{QStringLiteral("Kadex-Cfg.txt"), QStringLiteral("other.txt")}));
    EXPECT_EQ(fileLines(plant.path(QStringLiteral("logs/Kadex-Cfg.txt"))),
              QStringList{QStringLiteral("Fehler in Kadex / S / P (Nr. 53) :d")});
    EXPECT_TRUE(run.ui.boxes.first().text.contains(plant.path(QStringLiteral("logs/Kadex-Cfg.txt"))));
}

TEST_F(ErrorReportTest, UnwritableLogDoesNotStopTheReport)
{
    // An integrated run without a LOGFILE switch has no log to write to.
    TestRun run(plant, QStringLiteral("/EXTERNAL:R4MCFG"));
    run.start();
    run.ui.answerNext(Answer::Yes);

    const int result = run.report.ReportError(5, QStringLiteral("S"), QStringLiteral("d"), QStringLiteral("P"), false);

    EXPECT_EQ(result, Diag::ErrorReport::Continue);
    EXPECT_EQ(run.ui.boxes.size(), 1);
    // The notice names no file when the line was written nowhere.
    EXPECT_EQ(run.ui.boxes.first().text, QStringLiteral("Unexpected error!\n\rd\n\rError not logged\n\rResume?"));
}

// Sets an environment variable (or removes it, for an empty value) for the lifetime of the object.
class EnvironmentScope
{
public:
    EnvironmentScope(const char *name, const QByteArray &value) : m_name(name), m_saved(qgetenv(name))
    {
        m_wasSet = qEnvironmentVariableIsSet(name);
        value.isEmpty() ? qunsetenv(name) : qputenv(name, value);
    }
    ~EnvironmentScope() { m_wasSet ? qputenv(m_name, m_saved) : qunsetenv(m_name); }
    EnvironmentScope(const EnvironmentScope &) = delete;
    EnvironmentScope &operator=(const EnvironmentScope &) = delete;

private:
    const char *m_name;
    QByteArray m_saved;
    bool m_wasSet = false;
};

TEST_F(ErrorReportTest, ServicePackLineGoesToTheRootWhenTheDefaultLogCannotBeAppendedTo)
{
    const EnvironmentScope unset("KADEX_SERVICEPACK_LOG", QByteArray());
    Diag::ReportSettings settings = Config::reportSettingsFor(plant.facts(QStringLiteral("/EXTERNAL:SILENT")));
    EXPECT_EQ(settings.servicePackLogPath, QStringLiteral("/var/log/BrolmServicePack.log"));
    EXPECT_EQ(settings.servicePackFallbackPath, plant.root() + QStringLiteral("/BrolmServicePack.log"));

    // As for an ordinary user: the default log cannot be written.
    settings.servicePackLogPath = plant.path(QStringLiteral("no-such-folder/BrolmServicePack.log"));
    FakeUiPort ui;
    Diag::ErrorReport report(settings, ui);
    report.setRunMode(false, true, QString());
    report.ReportFault(QStringLiteral("File not found: Kadex.cfg"));
    report.ReportError(5, QStringLiteral("S"), QStringLiteral("d"), QStringLiteral("P"), false);

    const QStringList lines = fileLines(plant.path(QStringLiteral("BrolmServicePack.log")));
    ASSERT_EQ(lines.size(), 2) << lines.join(u'|').toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("! Fault Kadex_Config: File not found: Kadex.cfg"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("! Fault Kadex_Config: Unexpected error!")))
        << lines[1].toStdString();
    EXPECT_TRUE(ui.boxes.isEmpty());
}

TEST_F(ErrorReportTest, ServicePackLogNamedInTheEnvironmentHasNoFallback)
{
    const EnvironmentScope named("KADEX_SERVICEPACK_LOG", QFile::encodeName(plant.path(QStringLiteral("gone/sp.log"))));
    Diag::ReportSettings settings = Config::reportSettingsFor(plant.facts(QStringLiteral("/EXTERNAL:SILENT")));
    EXPECT_EQ(settings.servicePackLogPath, plant.path(QStringLiteral("gone/sp.log")));
    EXPECT_EQ(settings.servicePackFallbackPath, QString());

    FakeUiPort ui;
    Diag::ErrorReport report(settings, ui);
    report.setRunMode(false, true, QString());
    report.ReportFault(QStringLiteral("File not found: Kadex.cfg"));
    EXPECT_FALSE(plant.exists(QStringLiteral("BrolmServicePack.log")));
}

TEST_F(ErrorReportTest, ServicePackLineIsWrittenInWindows1252)
{
    TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
    run.start();
    run.report.WriteServicePackLog(QStringLiteral("Dann ist diese Meldung v\u00f6llig normal \u20ac"));
    EXPECT_EQ(plant.read(QStringLiteral("ServicePack.log")),
              QByteArray("! Fault Kadex_Config: Dann ist diese Meldung v\xf6llig normal \x80\r\n"));
}

TEST_F(ErrorReportTest, EndWhileTheBoxIsOpenLetsNoCallerCarryOnAfterTheBox)
{
    TestRun run(plant);
    run.ui.onBox = [&] {
        try {
            run.ui.endProgram();
        } catch (const Diag::ProgramEnded &) { // where the unwinding stops: the handler the box's event loop called
        }
    };
    run.ui.answerNext(Answer::Yes);
    ErrorGuard guard(run.report, QStringLiteral("WriteInputs"));
    EXPECT_THROW(guard.step([] { throw Failure::overflow(); }), Diag::ProgramEnded);
}

// A line counts once its log holds it; else it goes on at once to the next log. A full disk refuses it, and a
// target that is no regular file is never waited for (a FIFO with a reader would take it, one without would block).
TEST_F(ErrorReportTest, LineItsLogDoesNotHoldGoesToTheNextLogAtOnce)
{
    SmallDisk disk(plant.path(QStringLiteral("disk")), 1 << 20);
    const QString log = plant.path(QStringLiteral("LOG.TXT"));
    const QString full = disk.folder() + QStringLiteral("/full.log");
    const QString next = plant.path(QStringLiteral("next.log"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(log).constData(), 0666), 0);
    const int reader = ::open(QFile::encodeName(log).constData(), O_RDONLY | O_NONBLOCK);
    const std::pair<QString, std::function<bool()>> targets[] = {
        {log, [&] { return reader >= 0; }},
        {log, [&] { return ::close(reader) == 0; }},
        {log, [&] { return QFile::remove(log) && QDir().mkdir(log); }},
        {log, [&] { return QDir().rmdir(log) && QFile::link(QStringLiteral("/dev/null"), log); }},
        {full, [&] { return disk.leaveFree(0); }},
    };
    for (const auto &[target, make] : targets) {
        SCOPED_TRACE(target.toStdString());
        if (target == full && !disk.mounted()) {
            std::printf("No full disk to try: %s\n", qPrintable(disk.error()));
            continue;
        }
        ASSERT_TRUE(make());
        QFile::remove(next);
        EXPECT_TRUE(Diag::writeServicePackLine(target, next, QStringLiteral("K"), QStringLiteral("x")));
        EXPECT_EQ(fileLines(next), QStringList{QStringLiteral("! Fault K: x")});
    }
}

} // namespace
} // namespace Kadex::Test
