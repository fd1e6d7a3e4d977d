#include "config/RunMode.h"
#include "diag/Failure.h"
#include "tests/support/TestRun.h"

#include <gtest/gtest.h>

namespace Kadex::Test {
namespace {

using Config::readSwitch;

// --- the grammar of one switch

struct SwitchCase
{
    const char *name;
    const char *commandLine;
    const char *keyword;
    const char *expected;  // nullptr: the keyword does not occur
};

class ReadSwitchTest : public ::testing::TestWithParam<SwitchCase>
{
};

TEST_P(ReadSwitchTest, GivesTheValueTheGrammarDefines)
{
    const SwitchCase &c = GetParam();
    const std::optional<QString> value = readSwitch(QString::fromUtf8(c.commandLine), QString::fromUtf8(c.keyword));
    if (c.expected == nullptr) {
        EXPECT_FALSE(value.has_value());
    } else {
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(*value, QString::fromUtf8(c.expected));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, ReadSwitchTest,
    ::testing::Values(
        SwitchCase{"EmptyLine", "", "EXTERNAL", nullptr},
        SwitchCase{"Colon", "/EXTERNAL:R4MCFG", "EXTERNAL", "R4MCFG"},
        SwitchCase{"MixedCaseKeywordAndValue", "/External=r4mcfg", "EXTERNAL", "R4MCFG"},
        SwitchCase{"BlankAsSeparator", "/EXTERNAL R4MCFG", "EXTERNAL", "R4MCFG"},
        SwitchCase{"NoSeparatorLosesFirstCharacter", "/EXTERNALR4MCFG", "EXTERNAL", "4MCFG"},
        SwitchCase{"BlanksAroundValueDropped", "/EXTERNAL:  SILENT  ", "EXTERNAL", "SILENT"},
        SwitchCase{"NextSwitchWithoutBlank", "/EXTERNAL:R4MCFG/LOGFILE:X.TXT", "EXTERNAL", "R4MCFG"},
        SwitchCase{"SecondSwitchWithoutBlank", "/EXTERNAL:R4MCFG/LOGFILE:X.TXT", "LOGFILE", "X.TXT"},
        SwitchCase{"LogPathKeepsItsLetters", "/external:r4mcfg /logfile:C:\\Logs\\cfg.txt", "LOGFILE",
                   "C:\\Logs\\cfg.txt"},
        SwitchCase{"KeywordInsideAnotherValueFoundFirst", "/LOGFILE:C:\\EXTERNAL\\x.txt /EXTERNAL:R4MCFG", "EXTERNAL",
                   "X.TXT"},
        SwitchCase{"UnixPathKeepsItsSlashes", "/LOGFILE:/var/log/cfg.txt", "LOGFILE", "/var/log/cfg.txt"},
        SwitchCase{"UnixPathEndsAtBlankSlash", "/LOGFILE:/var/log/cfg.txt /EXTERNAL:SILENT", "LOGFILE",
                   "/var/log/cfg.txt"},
        SwitchCase{"UnixPathKeepsAFolderNamedLikeAKeyword", "/LOGFILE:/srv/logfiles/cfg.txt", "LOGFILE",
                   "/srv/logfiles/cfg.txt"},
        SwitchCase{"UnixPathRunsOnWithoutABlank", "/LOGFILE:/var/log/cfg.txt/external:silent", "LOGFILE",
                   "/var/log/cfg.txt/external:silent"},
        SwitchCase{"ValueAfterUnixPath", "/LOGFILE:/var/log/cfg.txt /EXTERNAL:SILENT", "EXTERNAL", "SILENT"},
        SwitchCase{"ExternalEndsAtTheFirstSlash", "/EXTERNAL:SILENT/NOLOGO", "EXTERNAL", "SILENT"},
        SwitchCase{"ExternalEndsAtASlashInsideAWord", "/EXTERNAL:r4m/cfg", "EXTERNAL", "R4M"},
        SwitchCase{"SeparatorButNoValue", "/EXTERNAL:", "EXTERNAL", ""}),
    [](const ::testing::TestParamInfo<SwitchCase> &info) { return std::string(info.param.name); });

TEST(ReadSwitchFailureTest, KeywordAtTheVeryEndIsAnInvalidArgument)
{
    try {
        readSwitch(QStringLiteral("/LOGFILE:x /EXTERNAL"), QStringLiteral("EXTERNAL"));
        FAIL() << "no failure";
    } catch (const Diag::Failure &failure) {
        EXPECT_EQ(failure.number, Diag::ErrorNumbers::InvalidProcedureCall);
    }
}

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
    EXPECT_EQ(Config::runModeOf(QString::fromUtf8(c.commandLine)).silentMode, c.silent);
    EXPECT_EQ(Config::runModeOf(QString::fromUtf8(c.commandLine)).integratedMode, c.integrated);
}

INSTANTIATE_TEST_SUITE_P(Modes, RunModeTest,
                         ::testing::Values(ModeCase{"Empty", "", false, false},
                                           ModeCase{"Integrated", "/EXTERNAL:R4MCFG", true, false},
                                           ModeCase{"IntegratedLowerCase", "/External=r4mcfg", true, false},
                                           ModeCase{"Silent", "/EXTERNAL:  SILENT  ", false, true},
                                           ModeCase{"UnknownValueIsStandalone", "/EXTERNAL:OTHER", false, false},
                                           ModeCase{"LostFirstCharacter", "/EXTERNALR4MCFG", false, false},
                                           ModeCase{"SilentBeforeAnotherSwitch", "/EXTERNAL:SILENT/NOLOGO", false, true},
                                           ModeCase{"KeywordInLogPath", "/LOGFILE:C:\\EXTERNAL\\x.txt /EXTERNAL:R4MCFG",
                                                    false, false}),
                         [](const ::testing::TestParamInfo<ModeCase> &info) { return std::string(info.param.name); });

TEST(RunModeReportTest, KeywordAtTheEndIsReportedAndGivesAStandaloneRun)
{
    TempPlant plant;
    TestRun run(plant, QStringLiteral("/LOGFILE:x.txt /EXTERNAL"));
    run.ui.answerNext(Diag::Answer::Yes);

    EXPECT_FALSE(run.services.runMode.GetStartModeIntegrated());

    ASSERT_EQ(run.errorLogLines().size(), 1);
    EXPECT_TRUE(run.errorLogLines().first().startsWith(QStringLiteral("Fehler in Kadex / Kadex_Config / ReadCommand (Nr. 5) :")));
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
