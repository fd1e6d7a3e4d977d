#include "config/IniAccess.h"
#include "platform/RegularFile.h"
#include "tests/support/TestRun.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>

namespace Kadex::Test {
namespace {

class IniAccessTest : public ::testing::Test
{
protected:
    IniAccessTest() : run(plant) { run.start(); }

    QString file() const { return plant.path(QStringLiteral("parameter/test.ini")); }
    Config::IniAccess &ini() { return run.services.ini; }

    TempPlant plant;
    TestRun run;
};

// --- reads

TEST_F(IniAccessTest, IntegerReadsTheLeadingNumberAndMinusOneWhenMissing)
{
    plant.write(QStringLiteral("parameter/test.ini"), "[S]\r\nA=abc\r\nB=12abc\r\nC=-1\r\nD=\r\nE=-7\r\n");
    EXPECT_EQ(ini().LoadIniInteger(QStringLiteral("S"), QStringLiteral("A"), file()), 0);
    EXPECT_EQ(ini().LoadIniInteger(QStringLiteral("S"), QStringLiteral("B"), file()), 12);
    EXPECT_EQ(ini().LoadIniInteger(QStringLiteral("S"), QStringLiteral("C"), file()), -1);
    EXPECT_EQ(ini().LoadIniInteger(QStringLiteral("S"), QStringLiteral("D"), file()), -1);
    EXPECT_EQ(ini().LoadIniInteger(QStringLiteral("S"), QStringLiteral("E"), file()), -7);
    EXPECT_EQ(ini().LoadIniInteger(QStringLiteral("S"), QStringLiteral("Missing"), file()), -1);
    EXPECT_TRUE(run.ui.boxes.isEmpty());
}

TEST_F(IniAccessTest, IntegerOutside16BitsIsReportedAsOverflowAndGivesZero)
{
    plant.write(QStringLiteral("parameter/test.ini"), "[S]\r\nBig=40000\r\nEdge=32767\r\nLow=-32768\r\n");
    run.ui.answerNext(Diag::Answer::Yes);

    EXPECT_EQ(ini().LoadIniInteger(QStringLiteral("S"), QStringLiteral("Big"), file()), 0);
    EXPECT_EQ(ini().LoadIniInteger(QStringLiteral("S"), QStringLiteral("Edge"), file()), 32767);
    EXPECT_EQ(ini().LoadIniInteger(QStringLiteral("S"), QStringLiteral("Low"), file()), -32768);
    ASSERT_EQ(run.errorLogLines().size(), 1);
    EXPECT_TRUE(run.errorLogLines().first().startsWith(
        QStringLiteral("Fehler in Kadex / Kadex_Config / LoadIniInteger (Nr. 6) :Overflow")));
}

TEST_F(IniAccessTest, BooleanIsTrueOnlyForTrueInAnyCase)
{
    plant.write(QStringLiteral("parameter/test.ini"),
                "[S]\r\nA=True\r\nB=TRUE\r\nC=true\r\nD=1\r\nE=yes\r\nF= true \r\n");
    for (const char *key : {"A", "B", "C", "F"}) {
        EXPECT_TRUE(ini().LoadIniBoolean(QStringLiteral("S"), QString::fromLatin1(key), file())) << key;
    }
    for (const char *key : {"D", "E", "Missing"}) {
        EXPECT_FALSE(ini().LoadIniBoolean(QStringLiteral("S"), QString::fromLatin1(key), file())) << key;
    }
}

TEST_F(IniAccessTest, StringIsCutTo254CharactersAndEmptyValuesReadAsMissing)
{
    plant.write(QStringLiteral("parameter/test.ini"), "[S]\r\nLong=" + QByteArray(300, 'x') + "\r\nEmpty=\r\n");
    EXPECT_EQ(ini().LoadIniString(QStringLiteral("S"), QStringLiteral("Long"), file()), QString(254, QLatin1Char('x')));
    EXPECT_EQ(ini().LoadIniString(QStringLiteral("S"), QStringLiteral("Empty"), file()), QString());
    EXPECT_EQ(ini().LoadIniInteger(QStringLiteral("S"), QStringLiteral("Empty"), file()), -1);
    EXPECT_FALSE(ini().LoadIniBoolean(QStringLiteral("S"), QStringLiteral("Empty"), file()));
}

TEST_F(IniAccessTest, EmptyOrMissingFileReadsEveryEntryAsMissing)
{
    EXPECT_EQ(ini().LoadIniString(QStringLiteral("S"), QStringLiteral("K"), QString()), QString());
    EXPECT_EQ(ini().LoadIniInteger(QStringLiteral("S"), QStringLiteral("K"), QString()), -1);
    EXPECT_EQ(ini().LoadIniString(QStringLiteral("S"), QStringLiteral("K"), file()), QString());
    EXPECT_TRUE(run.ui.boxes.isEmpty());
    EXPECT_TRUE(run.errorLogLines().isEmpty());
}

TEST_F(IniAccessTest, TextsCrossAsWindows1252)
{
    plant.write(QStringLiteral("parameter/test.ini"), "[S]\r\nName=Presse S\xfc\x64\r\n");
    EXPECT_EQ(ini().LoadIniString(QStringLiteral("S"), QStringLiteral("Name"), file()),
              QStringLiteral("Presse S\u00fcd"));
    ini().SaveIni(QStringLiteral("Ofen \u20ac"), QStringLiteral("S"), QStringLiteral("Other"), file());
    EXPECT_TRUE(plant.read(QStringLiteral("parameter/test.ini")).contains("Other=Ofen \x80"));
}

TEST_F(IniAccessTest, MissingEntryNoticeOnlyWhenAsked)
{
    run.ui.answerNext(Diag::Answer::Ok);
    run.ui.answerNext(Diag::Answer::Ok);
    run.ui.answerNext(Diag::Answer::Ok);
    plant.write(QStringLiteral("parameter/test.ini"), "[S]\r\nMinus=-1\r\nWord=maybe\r\n");

    ini().LoadIniString(QStringLiteral("S"), QStringLiteral("K"), file(), false, true);
    ini().LoadIniInteger(QStringLiteral("S"), QStringLiteral("Minus"), file(), true, true);
    ini().LoadIniBoolean(QStringLiteral("S"), QStringLiteral("Word"), file(), false, true);
    ini().LoadIniBoolean(QStringLiteral("S"), QStringLiteral("K"), file(), false, false);

    ASSERT_EQ(run.ui.boxes.size(), 3);
    EXPECT_EQ(run.ui.boxes.at(0).text,
              QStringLiteral("File '") + file() + QStringLiteral("' or Section [S] or Entry 'K' not found"));
    EXPECT_EQ(run.ui.boxes.at(0).icon, Diag::Icon::Critical);
    EXPECT_EQ(run.ui.boxes.at(0).title, QStringLiteral("Kadex_Config"));
    EXPECT_TRUE(run.ui.boxes.at(1).text.contains(QStringLiteral("Entry 'Minus'")));
    EXPECT_TRUE(run.ui.boxes.at(2).text.contains(QStringLiteral("Entry 'Word'")));
}

// --- writes

TEST_F(IniAccessTest, SaveWritesNumbersAndBooleansAsTheirTexts)
{
    EXPECT_NE(ini().SaveIni(7, QStringLiteral("S"), QStringLiteral("Seven"), file()), 0);
    ini().SaveIni(-3, QStringLiteral("S"), QStringLiteral("Minus"), file());
    ini().SaveIni(true, QStringLiteral("S"), QStringLiteral("Flag"), file());
    ini().SaveIni(false, QStringLiteral("S"), QStringLiteral("Off"), file());
    ini().SaveIni(0.5, QStringLiteral("S"), QStringLiteral("Half"), file());

    EXPECT_EQ(plant.read(QStringLiteral("parameter/test.ini")),
              QByteArray("[S]\r\nSeven=7\r\nMinus=-3\r\nFlag=true\r\nOff=false\r\nHalf=0.5\r\n"));
    EXPECT_TRUE(ini().LoadIniBoolean(QStringLiteral("S"), QStringLiteral("Flag"), file()));
}

TEST_F(IniAccessTest, RefusedValueIsReportedAndLeavesTheEntry)
{
    plant.write(QStringLiteral("parameter/test.ini"), "[S]\r\nK=keep\r\n");
    run.ui.answerNext(Diag::Answer::Ok);

    EXPECT_EQ(ini().SaveIni(Config::IniValue(), QStringLiteral("S"), QStringLiteral("K"), file()), 0);

    EXPECT_EQ(run.ui.boxes.size(), 1);
    EXPECT_EQ(run.ui.boxes.first().text, QStringLiteral("Ini Save:  wrong data type"));
    EXPECT_EQ(plant.read(QStringLiteral("parameter/test.ini")), QByteArray("[S]\r\nK=keep\r\n"));
}

TEST_F(IniAccessTest, FailedWriteGivesZero)
{
    EXPECT_EQ(ini().SaveIni(1, QStringLiteral("S"), QStringLiteral("K"), plant.path(QStringLiteral("nofolder/x.ini"))),
              0);
    EXPECT_EQ(ini().SaveIni(1, QStringLiteral("S"), QStringLiteral("K"), QString()), 0);
}

// --- settings files that are there but cannot be read

TEST(IniAccessOddFileTest, SettingsFileThatCannotBeReadEndsTheRunNamingFileAndReason)
{
    struct Odd
    {
        const char *kind;
        std::function<bool(const QString &)> make;
        const char *reason;
    };
    const QList<Odd> odds = {
        {"directory", [](const QString &p) { return QDir().mkpath(p); }, "is a directory"},
        {"FIFO", [](const QString &p) { return ::mkfifo(QFile::encodeName(p).constData(), 0666) == 0; }, "is a FIFO"},
        {"link to /dev/zero", [](const QString &p) { return QFile::link(QStringLiteral("/dev/zero"), p); },
         "is a device"},
        {"link to nothing", [](const QString &p) { return QFile::link(p + QStringLiteral(".gone"), p); },
         "is a link to a file that does not exist"},
        {"too large",
         [](const QString &p) {
             QFile sparse(p);
             return sparse.open(QIODevice::WriteOnly) && sparse.resize(Platform::RegularFile::MaxReadBytes + 1);
         },
         "is larger than"},
    };
    for (const char *file : {"parameter/Program.ini", "Kadex/Kadex.cfg", "parameter/r4mconfiguration.ini"}) {
        for (const Odd &odd : odds) {
            SCOPED_TRACE(std::string(file) + " as " + odd.kind);
            TempPlant plant;
            plant.writeStandardPlant(2);
            const QString path = plant.path(QString::fromLatin1(file));
            ASSERT_TRUE(QFile::remove(path));
            ASSERT_TRUE(odd.make(path));
            TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
            // The reads of the window's load and of the update's first steps.
            EXPECT_THROW(
                {
                    run.start();
                    run.services.machines.GetValidMachines();
                    run.services.paths.GetPathMachineCopyMDB(run.services.paths.GetR4MConfigurationIniPath());
                },
                Diag::ProgramEnded);
            ASSERT_EQ(run.errorLogLines().size(), 1);
            EXPECT_TRUE(
                run.errorLogLines().first().contains(QStringLiteral("(Nr. 75) :Cannot read the settings file '") +
                                                     path + QStringLiteral("': ") + QString::fromLatin1(odd.reason)))
                << run.errorLogLines().first().toStdString();
        }
    }
}

} // namespace
} // namespace Kadex::Test
