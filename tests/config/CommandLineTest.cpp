// The command line: the classic switches of a run and the double-dash options, read once at the start.
#include "config/CommandLine.h"
#include "config/InfoOptions.h"
#include "diag/Failure.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace Kadex::Test {
namespace {

using Config::readSwitch;

// --- the grammar of one switch

struct SwitchCase
{
    const char *name;
    const char *commandLine;
    const char *keyword;
    const char *expected; // nullptr: the keyword does not occur
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
    ::testing::Values(SwitchCase{"EmptyLine", "", "EXTERNAL", nullptr},
                      SwitchCase{"Colon", "/EXTERNAL:R4MCFG", "EXTERNAL", "R4MCFG"},
                      SwitchCase{"MixedCaseKeywordAndValue", "/External=r4mcfg", "EXTERNAL", "R4MCFG"},
                      SwitchCase{"BlankAsSeparator", "/EXTERNAL R4MCFG", "EXTERNAL", "R4MCFG"},
                      SwitchCase{"NoSeparatorLosesFirstCharacter", "/EXTERNALR4MCFG", "EXTERNAL", "4MCFG"},
                      SwitchCase{"BlanksAroundValueDropped", "/EXTERNAL:  SILENT  ", "EXTERNAL", "SILENT"},
                      SwitchCase{"NextSwitchWithoutBlank", "/EXTERNAL:R4MCFG/LOGFILE:X.TXT", "EXTERNAL", "R4MCFG"},
                      SwitchCase{"SecondSwitchWithoutBlank", "/EXTERNAL:R4MCFG/LOGFILE:X.TXT", "LOGFILE", "X.TXT"},
                      SwitchCase{"LogPathKeepsItsLetters", "/external:r4mcfg /logfile:C:\\Logs\\cfg.txt", "LOGFILE",
                                 "C:\\Logs\\cfg.txt"},
                      SwitchCase{"KeywordInsideAnotherValueFoundFirst", "/LOGFILE:C:\\EXTERNAL\\x.txt /EXTERNAL:R4MCFG",
                                 "EXTERNAL", "X.TXT"},
                      SwitchCase{"UnixPathKeepsItsSlashes", "/LOGFILE:/var/log/cfg.txt", "LOGFILE", "/var/log/cfg.txt"},
                      SwitchCase{"UnixPathEndsAtBlankSlash", "/LOGFILE:/var/log/cfg.txt /EXTERNAL:SILENT", "LOGFILE",
                                 "/var/log/cfg.txt"},
                      SwitchCase{"UnixPathKeepsAFolderNamedLikeAKeyword", "/LOGFILE:/srv/logfiles/cfg.txt", "LOGFILE",
                                 "/srv/logfiles/cfg.txt"},
                      SwitchCase{"UnixPathRunsOnWithoutABlank", "/LOGFILE:/var/log/cfg.txt/external:silent", "LOGFILE",
                                 "/var/log/cfg.txt/external:silent"},
                      SwitchCase{"ValueAfterUnixPath", "/LOGFILE:/var/log/cfg.txt /EXTERNAL:SILENT", "EXTERNAL",
                                 "SILENT"},
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

// --- the arguments, read once

struct ArgumentsCase
{
    const char *name;
    QStringList arguments;
    Config::InfoRequest info;
    Config::HistoryRequest history;
    const char *keptName;
    bool integrated;
    bool silent;
};

class CommandLineTest : public ::testing::TestWithParam<ArgumentsCase>
{
};

TEST_P(CommandLineTest, ParsesEveryRequestOfTheArguments)
{
    const ArgumentsCase &c = GetParam();
    const Config::CommandLine command = Config::CommandLine::parse(c.arguments);

    EXPECT_EQ(command.info, c.info);
    EXPECT_EQ(command.history, c.history);
    EXPECT_EQ(command.keptName, QString::fromUtf8(c.keptName));
    EXPECT_EQ(command.runMode.integratedMode, c.integrated);
    EXPECT_EQ(command.runMode.silentMode, c.silent);
}

using Config::HistoryRequest;
using Config::InfoRequest;

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineTest,
    ::testing::Values(
        ArgumentsCase{"None", {}, InfoRequest::None, HistoryRequest::None, "", false, false},
        ArgumentsCase{"ShortHelp", {"-h"}, InfoRequest::Help, HistoryRequest::None, "", false, false},
        ArgumentsCase{
            "LongHelp", {"--help", "/EXTERNAL:SILENT"}, InfoRequest::Help, HistoryRequest::None, "", false, true},
        ArgumentsCase{"Version", {"--version"}, InfoRequest::Version, HistoryRequest::None, "", false, false},
        ArgumentsCase{
            "FirstInfoSwitchCounts", {"--version", "-h"}, InfoRequest::Version, HistoryRequest::None, "", false, false},
        ArgumentsCase{"DoubleDashOptionsKeepTheirCase",
                      {"-H", "--LIST"},
                      InfoRequest::None,
                      HistoryRequest::None,
                      "",
                      false,
                      false},
        ArgumentsCase{"List", {"--list"}, InfoRequest::None, HistoryRequest::List, "", false, false},
        ArgumentsCase{"RestoreTheNewest", {"--restore"}, InfoRequest::None, HistoryRequest::Restore, "", false, false},
        ArgumentsCase{"RestoreNamed",
                      {"--restore", "20260102-030405"},
                      InfoRequest::None,
                      HistoryRequest::Restore,
                      "20260102-030405",
                      false,
                      false},
        ArgumentsCase{"RestoreNamedInOneArgument",
                      {"--restore=Kadex.mdb.20260102-030405"},
                      InfoRequest::None,
                      HistoryRequest::Restore,
                      "Kadex.mdb.20260102-030405",
                      false,
                      false},
        ArgumentsCase{"WindowsHelp", {"/?"}, InfoRequest::Help, HistoryRequest::None, "", false, false},
        ArgumentsCase{"Show",
                      {"--show", "20260102-030405"},
                      InfoRequest::None,
                      HistoryRequest::Show,
                      "20260102-030405",
                      false,
                      false},
        ArgumentsCase{"PinInOneArgument", {"--pin=A"}, InfoRequest::None, HistoryRequest::Pin, "A", false, false},
        ArgumentsCase{"Unpin", {"--unpin", "A"}, InfoRequest::None, HistoryRequest::Unpin, "A", false, false},
        // Malformed history commands: refused with the usage line rather than guessed at.
        ArgumentsCase{"RestoreTwice",
                      {"--restore=B", "--restore", "A"},
                      InfoRequest::None,
                      HistoryRequest::Malformed,
                      "",
                      false,
                      false},
        ArgumentsCase{"ListWithRestore",
                      {"--restore=A", "--list"},
                      InfoRequest::None,
                      HistoryRequest::Malformed,
                      "",
                      false,
                      false},
        ArgumentsCase{
            "RestoreWithAnEmptyName", {"--restore="}, InfoRequest::None, HistoryRequest::Malformed, "", false, false},
        ArgumentsCase{"RestoreOfASwitch",
                      {"--restore", "--force"},
                      InfoRequest::None,
                      HistoryRequest::Malformed,
                      "",
                      false,
                      false},
        ArgumentsCase{"ListWithAName", {"--list", "A"}, InfoRequest::None, HistoryRequest::Malformed, "", false, false},
        ArgumentsCase{"ShowWithoutAName", {"--show"}, InfoRequest::None, HistoryRequest::Malformed, "", false, false},
        ArgumentsCase{"PinWithAnEmptyName", {"--pin="}, InfoRequest::None, HistoryRequest::Malformed, "", false, false},
        ArgumentsCase{"RestoreWithARunSwitch",
                      {"--restore", "/EXTERNAL:SILENT"},
                      InfoRequest::None,
                      HistoryRequest::Malformed,
                      "",
                      false,
                      true},
        ArgumentsCase{"SwitchValueInTheNextArgument",
                      {"/external", "r4mcfg"},
                      InfoRequest::None,
                      HistoryRequest::None,
                      "",
                      true,
                      false},
        ArgumentsCase{"KeywordAtTheEndIsAStandaloneRun",
                      {"/LOGFILE:x.txt", "/EXTERNAL"},
                      InfoRequest::None,
                      HistoryRequest::None,
                      "",
                      false,
                      false}),
    [](const ::testing::TestParamInfo<ArgumentsCase> &info) { return std::string(info.param.name); });

// --- the answers to --help and --version

QString answered(Config::InfoRequest request, const Platform::ProcessFacts &facts, std::optional<int> *status)
{
    std::FILE *out = std::tmpfile();
    *status = Config::answerInfoRequest(request, facts, out);
    std::rewind(out);
    QByteArray bytes;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;) {
        bytes.append(buffer, static_cast<qsizetype>(n));
    }
    std::fclose(out);
    return QString::fromLocal8Bit(bytes);
}

TEST(InfoAnswerTest, HelpPrintsTheUsageAndVersionPrintsMajorMinorRevisionInOrder)
{
    Platform::ProcessFacts facts;
    facts.programDir = QStringLiteral("/srv/plant/Kadex");
    facts.exeFileName = QStringLiteral("Kadex_Config");
    facts.exeName = QStringLiteral("Kadex_Config");
    facts.version = {2, 7, 13};
    std::optional<int> status;

    const QString help = answered(Config::CommandLine::parse({QStringLiteral("-h")}).info, facts, &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(help.startsWith(QStringLiteral("Usage: Kadex_Config [switch ...]\n"))) << help.toStdString();
    EXPECT_TRUE(help.endsWith(QStringLiteral("This copy's plant: /srv/plant (module Kadex)\n"))) << help.toStdString();

    EXPECT_EQ(answered(InfoRequest::Version, facts, &status), QStringLiteral("Kadex_Config 2.7.13\n"));
    EXPECT_EQ(status, 0);

    EXPECT_EQ(answered(InfoRequest::None, facts, &status), QString());
    EXPECT_EQ(status, std::nullopt);
}

} // namespace
} // namespace Kadex::Test
