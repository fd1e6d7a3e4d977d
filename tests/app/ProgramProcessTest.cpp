// The built program as a process on a copy of the sample plant: a silent run without a display, and an
// interactive run that cannot open its window.
#include "tests/app/WindowFixture.h"
#include "tests/support/SamplePlantProgram.h"
#include "tests/support/ShippedLanguageFile.h"

#include <QDir>
#include <QProcess>

#include <sys/stat.h>
#include <unistd.h>

namespace Kadex::Test {

namespace {

// Sets section/key in a list of entries: the value in place, or a new entry after the section's last one.
void setEntry(QList<IniEntry> &entries, const QString &section, const QString &key, const QString &value)
{
    qsizetype insertAt = entries.size();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries[i].section.compare(section, Qt::CaseInsensitive) != 0) {
            continue;
        }
        if (entries[i].key.compare(key, Qt::CaseInsensitive) == 0) {
            entries[i].value = value;
            return;
        }
        insertAt = i + 1;
    }
    entries.insert(insertAt, {section, key, value});
}

} // namespace

class ProgramProcessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SamplePlantProgram::install(plant));
        originalProgramIni = plant.read(QStringLiteral("parameter/Program.ini"));
        originalCfg = plant.read(QStringLiteral("Kadex/Kadex.cfg"));
    }

    QString servicePackLog() const { return plant.path(QStringLiteral("ServicePack.log")); }

    // No display of any kind; the editor entry sorts first, so it is the first entry of the environment.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("AAA_KADEX_EDITOR"), QStringLiteral("a-b_c"));
        environment.insert(QStringLiteral("KADEX_SERVICEPACK_LOG"), servicePackLog());
        environment.insert(QStringLiteral("HOME"), plant.root());
        SamplePlantProgram::passSanitizerOptions(environment);
        return environment;
    }

    ProgramRun start(const QStringList &arguments) const { return start(arguments, environment()); }
    ProgramRun start(const QStringList &arguments, const QProcessEnvironment &environment) const
    {
        const ProgramRun run = SamplePlantProgram::run(plant, arguments, environment);
        EXPECT_TRUE(run.finishedInTime) << "the program did not end within " << SamplePlantProgram::FinishWithinMs
                                        << " ms";
        return run;
    }

    TempPlant plant;
    QByteArray originalProgramIni;
    QByteArray originalCfg;
};

TEST_F(ProgramProcessTest, EnvironmentEntryTheTestSetsComesFirst)
{
    QProcess env;
    env.setProcessEnvironment(environment());
    env.start(QStringLiteral("/usr/bin/env"), {});
    ASSERT_TRUE(env.waitForFinished(SamplePlantProgram::FinishWithinMs));
    EXPECT_TRUE(env.readAllStandardOutput().startsWith("AAA_KADEX_EDITOR=a-b_c\n"));
}

TEST_F(ProgramProcessTest, SilentRunOnTheSamplePlantWritesSettingsAndStampAndEnds)
{
    const ProgramRun finished = start({QStringLiteral("/EXTERNAL:SILENT")});

    EXPECT_EQ(finished.exitStatus, QProcess::NormalExit);
    EXPECT_EQ(finished.exitCode, 0) << finished.standardError.toStdString();
    EXPECT_LT(finished.elapsedMs, 10000);
    // A run that goes well prints nothing but its update report, also without XDG_RUNTIME_DIR (as for root or a
    // service).
    EXPECT_FALSE(environment().contains(QStringLiteral("XDG_RUNTIME_DIR")));
    EXPECT_EQ(finished.standardError, QString());
    EXPECT_TRUE(finished.standardOutput.startsWith(QStringLiteral("Kadex module database update")))
        << finished.standardOutput.toStdString();
    EXPECT_FALSE(finished.standardOutput.contains(QStringLiteral("XDG_RUNTIME_DIR")));

    // Machines 1 and 2 are in use (ForMachine1/2), machine 3 is not. Every stored value of machine 1 is complete
    // and comes back unchanged; machine 2 gains the channels it lacked; machine 3 keeps its entries.
    QList<IniEntry> expected = iniEntries(originalProgramIni);
    for (int k = 3; k <= 8; ++k) {
        setEntry(expected, QStringLiteral("Machine2"), QStringLiteral("KadexInOrOutput%1").arg(k), QStringLiteral("1"));
    }
    EXPECT_EQ(iniEntries(plant.read(QStringLiteral("parameter/Program.ini"))), expected);

    QList<IniEntry> expectedCfg = iniEntries(originalCfg);
    setEntry(expectedCfg, QStringLiteral("Info"), QStringLiteral("S_Prog"), QStringLiteral("1.0.0 - Standalone"));
    setEntry(expectedCfg, QStringLiteral("Info"), QStringLiteral("S_Editor"), QStringLiteral("666768"));
    EXPECT_EQ(iniEntries(plant.read(QStringLiteral("Kadex/Kadex.cfg"))), expectedCfg);

    EXPECT_EQ(fileLines(plant.path(QStringLiteral("R4Mcfglog.txt"))), QStringList{});
    EXPECT_EQ(fileLines(servicePackLog()), QStringList{});
    // The sample plant carries the shipped language file: the program finds every text in it and adds nothing.
    EXPECT_TRUE(plant.read(QStringLiteral("Kadex/Kadex_Config.ini")) == shippedLanguageFile());
}

TEST_F(ProgramProcessTest, SilentRunStaysQuietWhenItsRuntimeFolderWasLeftOpenToOthers)
{
    // Another tool, or another umask, made <temp>/runtime-<uid> readable by all.
    ASSERT_TRUE(QDir(plant.root()).mkpath(QStringLiteral("tmp")));
    const QString folder = plant.path(QStringLiteral("tmp/runtime-%1").arg(geteuid()));
    ASSERT_TRUE(QDir().mkdir(folder));
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
    QProcessEnvironment withTemp = environment();
    withTemp.insert(QStringLiteral("TMPDIR"), plant.path(QStringLiteral("tmp")));

    const ProgramRun finished = start({QStringLiteral("/EXTERNAL:SILENT")}, withTemp);

    EXPECT_EQ(finished.exitCode, 0);
    EXPECT_EQ(finished.standardError, QString());
    struct stat facts = {};
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &facts), 0);
    EXPECT_EQ(facts.st_mode & 07777, 0700u);
}

TEST_F(ProgramProcessTest, SilentRunLogsThePercentageLimitInsteadOfWaiting)
{
    QByteArray programIni = originalProgramIni;
    programIni.replace("KadexNumberOfProcent=4", "KadexNumberOfProcent=20");
    plant.write(QStringLiteral("parameter/Program.ini"), programIni);

    const ProgramRun finished = start({QStringLiteral("/external:silent")});

    // The logged limit is a report: the run says so by its status.
    EXPECT_EQ(finished.exitCode, 1) << finished.standardError.toStdString();
    EXPECT_EQ(fileLines(servicePackLog()), QStringList{QStringLiteral("! Fault Kadex_Config: Max. 16 erlaubt!")});
    EXPECT_EQ(iniValue(plant.read(QStringLiteral("parameter/Program.ini")), QStringLiteral("Machine1"),
                       QStringLiteral("KadexNumberOfProcent")),
              QStringLiteral("16"));
}

TEST_F(ProgramProcessTest, SilentRunIgnoresADisplayThatIsGone)
{
    // A service's environment may name a display that no longer exists; a silent run never needs one.
    QProcessEnvironment withStaleDisplay = environment();
    withStaleDisplay.insert(QStringLiteral("DISPLAY"), QStringLiteral(":97"));

    const ProgramRun finished = start({QStringLiteral("/EXTERNAL:SILENT")}, withStaleDisplay);

    EXPECT_EQ(finished.exitStatus, QProcess::NormalExit);
    EXPECT_EQ(finished.exitCode, 0) << finished.standardError.toStdString();
    EXPECT_EQ(finished.standardError, QString()); // the platform it takes instead has nothing to warn of
    EXPECT_EQ(iniValue(plant.read(QStringLiteral("Kadex/Kadex.cfg")), QStringLiteral("Info"), QStringLiteral("S_Prog")),
              QStringLiteral("1.0.0 - Standalone"));
}

TEST_F(ProgramProcessTest, InteractiveRunWithoutDisplaySaysSoAndWritesNothing)
{
    const QMap<QString, QByteArray> before = SamplePlantProgram::treeBytes(plant.root());
    const ProgramRun finished = start({});

    EXPECT_EQ(finished.exitStatus, QProcess::NormalExit);
    EXPECT_EQ(finished.exitCode, 1);
    const QStringList lines = finished.standardError.trimmed().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 1) << finished.standardError.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Kadex_Config: no display"))) << lines[0].toStdString();
    EXPECT_EQ(SamplePlantProgram::treeBytes(plant.root()), before);
}

TEST_F(ProgramProcessTest, HelpAndVersionAnswerWithoutADisplayAndTouchNoFile)
{
    const QMap<QString, QByteArray> before = SamplePlantProgram::treeBytes(plant.root());

    const ProgramRun help = start({QStringLiteral("--help")});
    EXPECT_EQ(help.exitStatus, QProcess::NormalExit);
    EXPECT_EQ(help.exitCode, 0) << help.standardError.toStdString();
    EXPECT_EQ(help.standardError, QString());
    EXPECT_TRUE(help.standardOutput.startsWith(QStringLiteral("Usage: Kadex_Config ")))
        << help.standardOutput.toStdString();
    for (const char *mentioned : {"/EXTERNAL:R4MCFG", "/EXTERNAL:SILENT", "/LOGFILE:", "parameter/Program.ini",
                                  "R4Mcfglog.txt", "KADEX_SERVICEPACK_LOG", "--version"}) {
        EXPECT_TRUE(help.standardOutput.contains(QString::fromLatin1(mentioned))) << mentioned;
    }
    EXPECT_TRUE(help.standardOutput.endsWith(QStringLiteral("This copy's plant: ") + plant.root() +
                                             QStringLiteral(" (module Kadex)\n")))
        << help.standardOutput.toStdString();

    // Beside the classic switches, too.
    const ProgramRun version = start({QStringLiteral("/EXTERNAL:R4MCFG"), QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0) << version.standardError.toStdString();
    EXPECT_EQ(version.standardOutput, QStringLiteral("Kadex_Config 1.0.0\n"));
    EXPECT_EQ(version.standardError, QString());

    EXPECT_EQ(SamplePlantProgram::treeBytes(plant.root()), before);
}

} // namespace Kadex::Test
