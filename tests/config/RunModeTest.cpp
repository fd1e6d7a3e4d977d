#include "config/RunMode.h"
#include "tests/support/TestRun.h"

#include <gtest/gtest.h>

namespace Kadex::Test {
namespace {

// --- run modes

struct ModeCase
{
    const char *name;
    const char *commandLine;
    bool integrated;
    bool silent;
};

class RunModeTest : public ::testing::TestWithParam<ModeCase>
{
};

TEST_P(RunModeTest, FlagsFollowTheExternalSwitch)
{
    const ModeCase &c = GetParam();
    TempPlant plant;
    TestRun run(plant, QString::fromUtf8(c.commandLine));

    const bool result = run.services.runMode.GetStartModeIntegrated();

    EXPECT_EQ(result, c.integrated);
    EXPECT_EQ(run.services.runMode.IntegratedMode(), c.integrated);
    EXPECT_EQ(run.services.runMode.SilentMode(), c.silent);
    EXPECT_EQ(run.report.settings().integratedMode, c.integrated);
    EXPECT_EQ(run.report.settings().silentMode, c.silent);
    // The quiet evaluation at program start agrees.
    const Config::RunModeFlags quiet = Config::CommandLine::parse({QString::fromUtf8(c.commandLine)}).runMode;
    EXPECT_EQ(quiet.silentMode, c.silent);
    EXPECT_EQ(quiet.integratedMode, c.integrated);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, RunModeTest,
    ::testing::Values(ModeCase{"Empty", "", false, false}, ModeCase{"Integrated", "/EXTERNAL:R4MCFG", true, false},
                      ModeCase{"IntegratedLowerCase", "/External=r4mcfg", true, false},
                      ModeCase{"Silent", "/EXTERNAL:  SILENT  ", false, true},
                      ModeCase{"UnknownValueIsStandalone", "/EXTERNAL:OTHER", false, false},
                      ModeCase{"LostFirstCharacter", "/EXTERNALR4MCFG", false, false},
                      ModeCase{"SilentBeforeAnotherSwitch", "/EXTERNAL:SILENT/NOLOGO", false, true},
                      ModeCase{"KeywordInLogPath", "/LOGFILE:C:\\EXTERNAL\\x.txt /EXTERNAL:R4MCFG", false, false}),
    [](const ::testing::TestParamInfo<ModeCase> &info) { return std::string(info.param.name); });

TEST(RunModeReportTest, KeywordAtTheEndIsReportedAndGivesAStandaloneRun)
{
    TempPlant plant;
    TestRun run(plant, QStringLiteral("/LOGFILE:x.txt /EXTERNAL"));
    run.ui.answerNext(Diag::Answer::Yes);

    EXPECT_FALSE(run.services.runMode.GetStartModeIntegrated());

    ASSERT_EQ(run.errorLogLines().size(), 1);
    EXPECT_TRUE(run.errorLogLines().first().startsWith(
        QStringLiteral("Fehler in Kadex / Kadex_Config / ReadCommand (Nr. 5) :")));
}

TEST(RunModeReportTest, LogPathIsEmptyWithoutTheSwitchAndKeepsItsLettersWithIt)
{
    TempPlant plant;
    TestRun without(plant, QString());
    EXPECT_EQ(without.services.runMode.GetPathLogfile(), QString());
    TestRun with(plant, QStringLiteral("/EXTERNAL:R4MCFG /LOGFILE:/var/Log/cfg.txt"));
    EXPECT_EQ(with.services.runMode.GetPathLogfile(), QStringLiteral("/var/Log/cfg.txt"));
}

} // namespace
} // namespace Kadex::Test
