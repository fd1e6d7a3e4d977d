// The history of updates: the module database an update replaces is kept with a report, pruned to ten, and can be
// put back with the settings as they read before the update.
#include "history/UpdateHistory.h"

#include "history/KeptPins.h"

#include "history/UpdateRestore.h"
#include "platform/Cp1252.h"
#include "presetdb/DatabaseUpdate.h"
#include "tests/support/FixtureDb.h"
#include "tests/support/PlantState.h"
#include "tests/support/PresetPlant.h"
#include "tests/support/SamplePlantProgram.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestRun.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/mount.h>

namespace Kadex::Test {
namespace {

using History::keptNames;

const QString ProgramIni = QStringLiteral("parameter/Program.ini");

class UpdateHistoryTest : public ::testing::Test
{
protected:
    UpdateHistoryTest()
    {
        plant.writeStandardPlant(2);
        plant.write(ProgramIni, "[Project]\r\nNumberOfMachines=2\r\n"
                                "[Machine1]\r\nMachineName=M1\r\nKadexNumberOfProcent=2\r\nKadexInOrOutput3=2\r\n"
                                "[Machine2]\r\nMachineName=M2\r\n");
        plant.writeSource(QStringLiteral("INSERT INTO Source_DEFS VALUES ('VISIWIN32', '###machine.###Var_Name', 1);") +
                          templateRow(1, QStringLiteral("'###machine'"), 1, QStringLiteral("'Rpm'"), 1) +
                          templateRow(2, QStringLiteral("'###machine'"), 1, QStringLiteral("'Temp'"), 2));
        // M1.Kanal3 belongs to channel 3, which this update switches off: no new row takes its tuned limits.
        plant.writeModuleDb(QStringLiteral(
            "INSERT INTO PRESET_DEFS VALUES (1, 'M1', 'DINT', 1, 'M1.Rpm', 2, 0, 1, 't', 'p', 5, 6, 7, 8, 9);"
            "INSERT INTO PRESET_DEFS VALUES (2, 'M1', 'DINT', 1, 'M1.Kanal3', 2, 0, 40, 't', 'p', -5, 95.5, 10, 90, 1);"
            "INSERT INTO PRESET_DEFS VALUES (3, 'M2', 'BOOL', 1, 'M2.Bit', 2, 1, 3, 't', 'p', NULL, NULL, NULL, NULL, "
            "NULL);"));
    }

    QString historyDir() const { return plant.path(QStringLiteral("Kadex/History")); }
    QString kept(const QString &name) const { return historyDir() + QLatin1Char('/') + name; }
    qint16 setting(TestRun &run, int machine, const QString &key) const
    {
        return run.services.ini.LoadIniInteger(QStringLiteral("Machine") + QString::number(machine), key,
                                               plant.path(ProgramIni));
    }

    // One confirmed run: the update, then the settings as the window writes them (channel 3 of M1 off, M2's
    // percentage inputs added), then the report.
    void runUpdate(const QString &commandLine = QString())
    {
        TestRun run(plant, commandLine);
        if (goOnPastFailures) {
            run.ui.answerDefaults();
        }
        run.start();
        PresetDb::DatabaseUpdate update(run.services);
        History::UpdateHistory history(run.services);
        update.setHistory(&history);
        update.WorkOnMDB();
        run.services.ini.SaveIni(1, QStringLiteral("Machine1"), QStringLiteral("KadexInOrOutput3"),
                                 plant.path(ProgramIni));
        run.services.ini.SaveIni(4, QStringLiteral("Machine2"), QStringLiteral("KadexNumberOfProcent"),
                                 plant.path(ProgramIni));
        history.finish();
        if (!run.services.runMode.IntegratedMode()) { // an integrated run logs to its LOGFILE, unset here
            errorLog = run.errorLogLines();
        }
    }

    int restore(const QString &name, QString &out, QString &err)
    {
        TestRun run(plant, QStringLiteral("--restore"));
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        return History::restoreKeptUpdate(run.services, name, outStream, errStream);
    }

    PresetPlant plant;
    QStringList errorLog;
    bool goOnPastFailures = false; // the operator answers each report with its default: go on
};

TEST_F(UpdateHistoryTest, UpdateKeepsTheReplacedDatabaseWithAReportOfWhatItDropped)
{
    const QByteArray old = plant.read(QStringLiteral("Kadex/Kadex.mdb"));
    runUpdate();

    const QStringList names = keptNames(historyDir(), QStringLiteral("Kadex.mdb"));
    ASSERT_EQ(names.size(), 1);
    EXPECT_EQ(plant.read(QStringLiteral("Kadex/History/") + names[0]), old);
    const QByteArray bytes = plant.read(QStringLiteral("Kadex/History/") + names[0] + QStringLiteral(".txt"));
    EXPECT_EQ(bytes.count("\n"), bytes.count("\r\n")) << "every line ends in CR LF";
    const QStringList lines = Platform::Cp1252::decode(bytes).remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
    const auto cells = [&](const QString &start) {
        for (const QString &line : lines) {
            if (line.trimmed().startsWith(start)) {
                return line.simplified().split(QLatin1Char(' '));
            }
        }
        return QStringList();
    };
    EXPECT_TRUE(lines.contains(QStringLiteral("Run mode: standalone")));
    EXPECT_TRUE(lines.filter(QStringLiteral("Program: ")).value(0).endsWith(QStringLiteral(" - Standalone")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Settings file: parameter/Program.ini")));
    // The tuned limits of the switched-off channel, the only row with values that found no new row.
    EXPECT_TRUE(lines.contains(QStringLiteral("Dropped plant values: 1")));
    EXPECT_EQ(cells(QStringLiteral("M1 ")), (QStringList{"M1", "M1.Kanal3", "40", "-5", "95.5", "10", "90", "1"}));
    EXPECT_TRUE(cells(QStringLiteral("M2 ")).isEmpty());
    // Settings before and after, in the order machine 1 then machine 2.
    EXPECT_EQ(lines.filter(QStringLiteral("KadexInOrOutput3")).value(0).simplified(),
              QStringLiteral("KadexInOrOutput3 2 1 \"2\""));
    EXPECT_EQ(lines.filter(QStringLiteral("KadexNumberOfProcent")).value(1).simplified(),
              QStringLiteral("KadexNumberOfProcent -1 4 no entry"));
    EXPECT_EQ(lines.filter(QStringLiteral("Rows generated: 2")).size(), 2);
    EXPECT_EQ(lines.filter(QStringLiteral("carried over: ")),
              (QStringList{QStringLiteral("  Rows whose plant values were carried over: 1"),
                           QStringLiteral("  Rows whose plant values were carried over: 0")}));
}

TEST_F(UpdateHistoryTest, MachinesOfOneNameAreReportedOnceEachWithTheirOwnRows)
{
    // Machines 1 and 2 both named Presse, machine 3 Walze. The old rows of Presse cannot be told apart between
    // machines 1 and 2: one is carried, one dropped, and each is counted once.
    plant.writeStandardPlant(3);
    plant.write(ProgramIni, "[Project]\r\nNumberOfMachines=3\r\n[Machine1]\r\nMachineName=Presse\r\n"
                            "[Machine2]\r\nMachineName=Presse\r\n[Machine3]\r\nMachineName=Walze\r\n");
    plant.write(QStringLiteral("parameter/r4mconfiguration.ini"),
                "[Common]\r\nNameM1=Presse\r\nNameM2=Presse\r\nNameM3=Walze\r\n");
    plant.writeModuleDb(QStringLiteral(
        "INSERT INTO PRESET_DEFS VALUES (1, 'Presse', 'DINT', 1, 'Presse.Rpm', 2, 0, 1, 't', 'p', 5, 6, 7, 8, 9);"
        "INSERT INTO PRESET_DEFS VALUES (2, 'Presse', 'DINT', 1, 'Presse.Alt', 2, 0, 9, 't', 'p', 1, 2, 3, 4, 5);"
        "INSERT INTO PRESET_DEFS VALUES (3, 'Walze', 'DINT', 1, 'Walze.Rpm', 2, 0, 1, 't', 'p', 5, 6, 7, 8, 9);"));
    runUpdate();

    const QStringList names = keptNames(historyDir(), QStringLiteral("Kadex.mdb"));
    ASSERT_EQ(names.size(), 1);
    const QStringList lines =
        Platform::Cp1252::decode(plant.read(QStringLiteral("Kadex/History/") + names[0] + QStringLiteral(".txt")))
            .remove(QLatin1Char('\r'))
            .split(QLatin1Char('\n'));
    EXPECT_EQ(lines.filter(QStringLiteral("Machine ")),
              (QStringList{QStringLiteral("Machine 1: Presse"), QStringLiteral("Machine 2: Presse"),
                           QStringLiteral("Machine 3: Walze")}));
    EXPECT_EQ(lines.filter(QStringLiteral("Rows generated: ")), QStringList(3, QStringLiteral("  Rows generated: 2")));
    EXPECT_EQ(lines.filter(QStringLiteral("carried over: ")),
              (QStringList{QStringLiteral("  Rows whose plant values were carried over: 1"),
                           QStringLiteral("  Rows whose plant values were carried over: counted under machine 1 of "
                                          "the same name"),
                           QStringLiteral("  Rows whose plant values were carried over: 1")}));
    EXPECT_TRUE(lines.contains(QStringLiteral("Dropped plant values: 1")));
    EXPECT_EQ(lines.filter(QStringLiteral("Presse.Alt")).size(), 1);
}

TEST_F(UpdateHistoryTest, IntegratedRunKeepsTheModuleDatabaseAsItWasBeforeTheMachineCopy)
{
    plant.write(QStringLiteral("parameter/r4mconfiguration.ini"),
                "[Common]\r\nNameM1=M1\r\nNameM2=M2\r\nSaveAndRestore=" +
                    plant.path(QStringLiteral("backup")).toUtf8() + "\r\n");
    plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\nValidMachines=ALL\r\n");
    QDir(plant.root()).mkpath(QStringLiteral("backup/Kadex"));
    runSql(plant.path(QStringLiteral("backup/Kadex/Kadex.mdb")), QString::fromLatin1(PresetSchema));
    const QByteArray old = plant.read(QStringLiteral("Kadex/Kadex.mdb"));

    runUpdate(QStringLiteral("/EXTERNAL:R4MCFG"));

    const QStringList names = keptNames(historyDir(), QStringLiteral("Kadex.mdb"));
    ASSERT_EQ(names.size(), 1);
    EXPECT_EQ(plant.read(QStringLiteral("Kadex/History/") + names[0]), old);
}

TEST_F(UpdateHistoryTest, PruningFindsInTheReplacementTheValuesItTookFromTheMachineCopy)
{
    plant.write(QStringLiteral("parameter/r4mconfiguration.ini"),
                "[Common]\r\nNameM1=M1\r\nNameM2=M2\r\nSaveAndRestore=" +
                    plant.path(QStringLiteral("backup")).toUtf8() + "\r\n");
    plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\nValidMachines=ALL\r\n");
    QDir(plant.root()).mkpath(QStringLiteral("backup/Kadex"));
    const QString tuned = QStringLiteral("INSERT INTO PRESET_DEFS VALUES (1, 'M1', 'DINT', 1, 'M1.Rpm', 2, 0, 1, 't', "
                                         "'p', 1, 2, 3, 4, 5);");
    runSql(plant.path(QStringLiteral("backup/Kadex/Kadex.mdb")), QString::fromLatin1(PresetSchema) + tuned);
    // The oldest copy holds only the machine copy's values, which no newer copy holds: only the module database
    // the run makes holds them, so the copy goes once this run keeps the tenth newer one.
    const QString oldest = QStringLiteral("Kadex.mdb.20260101-110000");
    QDir().mkpath(historyDir());
    runSql(kept(oldest), QString::fromLatin1(PresetSchema) + tuned);
    for (int second = 11; second < 20; ++second) {
        plant.write(QStringLiteral("Kadex/History/Kadex.mdb.20260101-1200") + QString::number(second), "copy");
    }

    runUpdate(QStringLiteral("/EXTERNAL:R4MCFG"));

    const QStringList names = keptNames(historyDir(), QStringLiteral("Kadex.mdb"));
    ASSERT_EQ(names.size(), History::Kept);
    EXPECT_FALSE(names.contains(oldest));
}

TEST_F(UpdateHistoryTest, IntegratedRunWhoseUpdateFailsLeavesTheModuleDbAndKeepsNothing)
{
    plant.write(QStringLiteral("parameter/r4mconfiguration.ini"),
                "[Common]\r\nNameM1=M1\r\nNameM2=M2\r\nSaveAndRestore=" +
                    plant.path(QStringLiteral("backup")).toUtf8() + "\r\n");
    plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\nValidMachines=ALL\r\n");
    QDir(plant.root()).mkpath(QStringLiteral("backup/Kadex"));
    runSql(plant.path(QStringLiteral("backup/Kadex/Kadex.mdb")),
           QString::fromLatin1(PresetSchema) +
               QStringLiteral("INSERT INTO PRESET_DEFS VALUES (1, 'M1', 'DINT', 1, 'M1.Rpm', 2, 0, 1, 't', 'p', 5, 6, "
                              "7, 8, 9);"));
    // A template without its table: nothing is generated. The machine copy is only read; the module database is
    // written once, with the update's result, so it stays as it was, and the history lists no update of it.
    runSql(plant.path(QStringLiteral("Kadex/Kadex_Source.mdb")), QStringLiteral("DROP TABLE Source_PRESET_DEFS;"));
    const QByteArray old = plant.read(QStringLiteral("Kadex/Kadex.mdb"));

    goOnPastFailures = true;
    runUpdate(QStringLiteral("/EXTERNAL:R4MCFG"));

    EXPECT_EQ(plant.read(QStringLiteral("Kadex/Kadex.mdb")), old);
    EXPECT_EQ(keptNames(historyDir(), QStringLiteral("Kadex.mdb")), QStringList{});
}

TEST_F(UpdateHistoryTest, ReportSaysAtItsTopWhenPlantValuesCouldNotBeCarried)
{
    // An old module database the take-over cannot read: every plant value falls back to the template's.
    plant.write(QStringLiteral("Kadex/Kadex.mdb"), QByteArray(4096, 'x'));
    goOnPastFailures = true;
    runUpdate();

    const QStringList names = keptNames(historyDir(), QStringLiteral("Kadex.mdb"));
    ASSERT_EQ(names.size(), 1);
    const QStringList lines = QString::fromLatin1(plant.read(QStringLiteral("Kadex/History/") + names[0] + ".txt"))
                                  .split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.value(1), QStringLiteral("Plant values not carried over: 0 rows known, because the old module "
                                             "database could not be read"));
}

TEST_F(UpdateHistoryTest, RunThatFindsNoModuleDatabaseKeepsNothing)
{
    QFile::remove(plant.moduleDb());
    runUpdate();
    EXPECT_TRUE(plant.exists(QStringLiteral("Kadex/Kadex.mdb")));
    EXPECT_FALSE(QDir(historyDir()).exists());
}

TEST_F(UpdateHistoryTest, ReplacementThatFailsKeepsNothing)
{
    // A module database that refuses its replacement stays as it was: the history lists no update that replaced it.
    const QByteArray old = plant.read(QStringLiteral("Kadex/Kadex.mdb"));
    const ReadOnlyFile readOnly(plant.moduleDb());

    runUpdate(QStringLiteral("/EXTERNAL:SILENT"));

    EXPECT_EQ(plant.read(QStringLiteral("Kadex/Kadex.mdb")), old);
    ASSERT_EQ(errorLog.size(), 1) << errorLog.join(u'\n').toStdString();
    EXPECT_TRUE(errorLog[0].contains(QStringLiteral("(Nr. 3051) :Cannot use database '") + plant.moduleDb()))
        << errorLog[0].toStdString();
    EXPECT_EQ(QDir(historyDir()).entryList(QDir::Files | QDir::Hidden), QStringList{});
}

TEST_F(UpdateHistoryTest, PruningKeepsTheNewestTenWithTheirReports)
{
    QStringList names;
    for (int second = 10; second < 20; ++second) {
        names.append(QStringLiteral("Kadex.mdb.20260101-1200") + QString::number(second));
    }
    names.insert(2, names[1] + QStringLiteral("-2"));
    names.insert(3, names[1] + QStringLiteral("-10")); // after -2 though it sorts before it as text
    for (const QString &name : std::as_const(names)) {
        plant.write(QStringLiteral("Kadex/History/") + name, name.toLatin1());
        plant.write(QStringLiteral("Kadex/History/") + name + QStringLiteral(".txt"), "report");
    }
    plant.write(QStringLiteral("Kadex/History/notes.txt"), "kept by hand");
    ASSERT_EQ(keptNames(historyDir(), QStringLiteral("Kadex.mdb")), names);

    runUpdate(); // keeps a thirteenth, then prunes

    const QStringList left = keptNames(historyDir(), QStringLiteral("Kadex.mdb"));
    ASSERT_EQ(left.size(), History::Kept);
    EXPECT_EQ(left.mid(0, 9), names.mid(names.size() - 9));
    EXPECT_EQ(QDir(historyDir()).entryList(QDir::Files).size(), 2 * History::Kept + 1);
    EXPECT_FALSE(plant.exists(QStringLiteral("Kadex/History/") + names[2] + QStringLiteral(".txt")));
    EXPECT_EQ(History::newKeptName(
                  historyDir(), QStringLiteral("Kadex.mdb"),
                  QDateTime::fromString(QStringLiteral("2026-01-01 12:00:19"), QStringLiteral("yyyy-MM-dd HH:mm:ss"))),
              names.last() + QStringLiteral("-2"));
}

TEST_F(UpdateHistoryTest, OnlyAChangedContentIsKeptAndAFailedReplacementRemovesNoEarlierCopy)
{
    TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
    run.start();
    PresetDb::DatabaseUpdate update(run.services);
    History::UpdateHistory history(run.services);
    update.setHistory(&history);
    update.WorkOnMDB();
    const QStringList first = keptNames(historyDir(), QStringLiteral("Kadex.mdb"));
    ASSERT_EQ(first.size(), 1);

    // The same run updating again: a replacement that fails, of a database whose content the regenerated one
    // would not change, leaves the copy the run kept from before it, with its report.
    {
        const ReadOnlyFile readOnly(plant.moduleDb());
        update.WorkOnMDB();
    }
    EXPECT_EQ(keptNames(historyDir(), QStringLiteral("Kadex.mdb")), first);
    EXPECT_TRUE(QFileInfo::exists(kept(first[0]) + QStringLiteral(".txt")));

    // A later run that regenerates the same tables and rows keeps nothing: its copy would hold nothing new.
    runUpdate();
    EXPECT_EQ(keptNames(historyDir(), QStringLiteral("Kadex.mdb")), first);
}

TEST_F(UpdateHistoryTest, PruningFollowsOnlyASuccessfulReplacementAndSparesDroppedValuesAndPins)
{
    const QByteArray fixture = plant.read(QStringLiteral("Kadex/Kadex.mdb"));
    runUpdate(); // drops the tuned limits of M1.Kanal3
    const QString dropping = QStringLiteral("Kadex.mdb.20260101-115959");
    const QString made = keptNames(historyDir(), QStringLiteral("Kadex.mdb")).value(0);
    ASSERT_TRUE(QFile::rename(kept(made), kept(dropping)));
    ASSERT_TRUE(QFile::rename(kept(made) + QStringLiteral(".txt"), kept(dropping) + QStringLiteral(".txt")));
    // Eleven routine copies after it, and an older report whose database was deleted by hand.
    QStringList routine;
    for (int second = 10; second < 21; ++second) {
        routine.append(QStringLiteral("Kadex.mdb.20260101-1200") + QString::number(second));
        plant.write(QStringLiteral("Kadex/History/") + routine.last(), "copy");
        plant.write(QStringLiteral("Kadex/History/") + routine.last() + QStringLiteral(".txt"), "report");
    }
    const QString orphan = QStringLiteral("Kadex.mdb.20260101-110000");
    plant.write(QStringLiteral("Kadex/History/") + orphan + QStringLiteral(".txt"), "report");
    {
        TestRun pinning(plant);
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        ASSERT_EQ(
            History::pinKeptUpdate(pinning.services, QStringLiteral("20260101-120010"), true, outStream, errStream), 0);
    }
    const QStringList all = QStringList{orphan, dropping} + routine;
    ASSERT_EQ(History::recordedNames(historyDir(), QStringLiteral("Kadex.mdb")), all);

    // This run's replacement fails: it removes nothing, old copies included.
    plant.write(QStringLiteral("Kadex/Kadex.mdb"), fixture);
    runSql(plant.moduleDb(), QStringLiteral("DELETE FROM PRESET_DEFS WHERE var_name = 'M1.Kanal3';"));
    {
        const ReadOnlyFile readOnly(plant.moduleDb());
        runUpdate(QStringLiteral("/EXTERNAL:SILENT"));
    }
    ASSERT_EQ(History::recordedNames(historyDir(), QStringLiteral("Kadex.mdb")), all);

    // This one succeeds and drops nothing: of the four beyond the newest ten, the report without its database and
    // the oldest routine copy go; the copy of the update that dropped values and the pinned one stay.
    runUpdate();
    const QStringList left = History::recordedNames(historyDir(), QStringLiteral("Kadex.mdb"));
    EXPECT_EQ(left.mid(0, left.size() - 1), QStringList({dropping, routine[0]}) + routine.mid(2))
        << left.join(u' ').toStdString();
    EXPECT_TRUE(History::isPinned(kept(routine[0])));
    EXPECT_FALSE(plant.exists(QStringLiteral("Kadex/History/") + orphan + QStringLiteral(".txt")));
}

TEST_F(UpdateHistoryTest, TemporariesOfAKilledKeepAreRemovedByTheNextRun)
{
    // A run killed while keeping the database, its report, summary or pin leaves its temporary under a time stamp
    // that no later run writes again. The next run removes them, also when it keeps nothing itself.
    const QStringList leftByKill = {QStringLiteral(".Kadex.mdb.20260101-120000.k3x9a.tmp"),
                                    QStringLiteral(".Kadex.mdb.20260101-120000-2.txt.1wvejq7.tmp"),
                                    QStringLiteral("..Kadex.mdb.20260101-120000.summary.1i02y8z.tmp"),
                                    QStringLiteral(".Kadex.mdb.20260101-120000.pin.0a1b2c.tmp")};
    const QStringList others = {QStringLiteral(".notes.txt.k3x9a.tmp"), QStringLiteral("Kadex.mdb.20260101-120000")};
    runUpdate(); // keeps the plant's database; the next run changes nothing
    for (const QString &name : leftByKill + others) {
        plant.write(QStringLiteral("Kadex/History/") + name, QByteArray(4096, 'x'));
    }

    runUpdate();

    for (const QString &name : leftByKill) {
        EXPECT_FALSE(plant.exists(QStringLiteral("Kadex/History/") + name)) << name.toStdString();
    }
    for (const QString &name : others) {
        EXPECT_TRUE(plant.exists(QStringLiteral("Kadex/History/") + name)) << name.toStdString();
    }
    EXPECT_EQ(keptNames(historyDir(), QStringLiteral("Kadex.mdb")).size(), 2);
}

TEST_F(UpdateHistoryTest, FullDiskWhileKeepingIsReportedAndLosesNothing)
{
    QDir().mkpath(historyDir());
    if (::mount("tmpfs", QFile::encodeName(historyDir()).constData(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): the full-disk case is not run";
    }
    struct Unmount
    {
        QString path;
        ~Unmount() { ::umount2(QFile::encodeName(path).constData(), MNT_DETACH); }
    } unmount{historyDir()};
    const QStringList fixture = databaseContent(plant.moduleDb());
    const QByteArray earlier = "an earlier kept database";
    plant.write(QStringLiteral("Kadex/History/Kadex.mdb.20260101-120000"), earlier);
    plant.write(QStringLiteral("Kadex/History/filler"), QByteArray(60 * 1024, 'x'));
    const QStringList before = QDir(historyDir()).entryList(QDir::Files | QDir::Hidden);

    runUpdate(QStringLiteral("/EXTERNAL:SILENT"));

    ASSERT_EQ(errorLog.filter(QStringLiteral("(Nr. 9010)")).size(), 1) << errorLog.join(u'\n').toStdString();
    EXPECT_TRUE(errorLog[0].contains(QStringLiteral("KeepModuleDatabase")));
    EXPECT_EQ(QDir(historyDir()).entryList(QDir::Files | QDir::Hidden), before) << "no half-written copy";
    EXPECT_EQ(plant.read(QStringLiteral("Kadex/History/Kadex.mdb.20260101-120000")), earlier);
    // Without a copy the update would drop M1.Kanal3's tuned limits for good: the module database stays as it was.
    EXPECT_EQ(databaseContent(plant.moduleDb()), fixture);
    EXPECT_TRUE(errorLog[0].contains(QStringLiteral("would drop 1 rows with plant values")))
        << errorLog.join(u'\n').toStdString();
}

TEST_F(UpdateHistoryTest, UpdateThatCannotKeepACopyDropsNoPlantValue)
{
    plant.write(QStringLiteral("Kadex/History"), "a file where the history folder belongs");
    const QByteArray old = plant.read(QStringLiteral("Kadex/Kadex.mdb"));
    runUpdate(QStringLiteral("/EXTERNAL:SILENT"));
    EXPECT_EQ(plant.read(QStringLiteral("Kadex/Kadex.mdb")), old);
    ASSERT_EQ(errorLog.size(), 1);
    EXPECT_TRUE(errorLog[0].contains(QStringLiteral("(it is a file, not a folder): the update would drop 1 rows")))
        << errorLog[0].toStdString();

    // Without the tuned row nothing would be lost: the update goes on without a copy and says so.
    runSql(plant.moduleDb(), QStringLiteral("DELETE FROM PRESET_DEFS WHERE var_name = 'M1.Kanal3';"));
    runUpdate(QStringLiteral("/EXTERNAL:SILENT"));
    EXPECT_EQ(databaseContent(plant.moduleDb()), databaseContent(plant.sourceDb()));
    EXPECT_TRUE(errorLog.last().contains(QStringLiteral("goes on without a copy"))) << errorLog.last().toStdString();
}

// ---- Keeping: every tuned value stays in the module database or in a kept copy, whatever pruning removes.

enum class Sequence { TwoDropsInARow, RestoreOverwritesTunedValues, TenRestoresThatChangeNothing };

class KeepingTest : public UpdateHistoryTest, public ::testing::WithParamInterface<Sequence>
{
protected:
    void tune(const QString &set)
    {
        runSql(plant.moduleDb(), QStringLiteral("UPDATE PRESET_DEFS SET ") + set + " WHERE var_name = 'M1.Rpm';");
    }
    // An update that keeps a copy: the text it regenerates was edited.
    void editAndUpdate(int i)
    {
        runSql(plant.moduleDb(), QStringLiteral("UPDATE PRESET_DEFS SET text = 'edited %1' WHERE rowid = 1;").arg(i));
        runUpdate();
    }
    bool reachable(const QString &where)
    {
        QStringList databases = {plant.moduleDb()};
        for (const QString &name : keptNames(historyDir(), QStringLiteral("Kadex.mdb"))) {
            databases.append(kept(name));
        }
        return std::any_of(databases.begin(), databases.end(), [&](const QString &db) {
            return queryValue(db, QStringLiteral("SELECT count(*) FROM PRESET_DEFS WHERE ") + where) != "0";
        });
    }
};

TEST_P(KeepingTest, EveryTunedValueOutlivesTenFurtherUpdates)
{
    QStringList tuned = {QStringLiteral("var_name = 'M1.Kanal3' AND abs_max = 95.5")};
    runUpdate(); // drops M1.Kanal3's tuned limits
    QString out;
    QString err;
    if (GetParam() == Sequence::TwoDropsInARow) {
        // The second drop holds only the template's values: the rows of a machine no longer in use.
        runSql(plant.moduleDb(), QStringLiteral("INSERT INTO PRESET_DEFS VALUES (9, 'M3', 'DINT', 1, 'M3.Rpm', 2, 0, "
                                                "1, 't', 'p', 0, 1000, 10, 900, 1);"));
        runUpdate();
    } else if (GetParam() == Sequence::RestoreOverwritesTunedValues) {
        tune(QStringLiteral("max = 777"));
        tuned.append(QStringLiteral("max = 777"));
        ASSERT_EQ(restore(keptNames(historyDir(), QStringLiteral("Kadex.mdb")).value(0), out, err), 0);
        // The restore's own copy says which tuned row it overwrote: M1.Rpm with max 777, and no other.
        const QByteArray report =
            plant.read(QStringLiteral("Kadex/History/") + keptNames(historyDir(), QStringLiteral("Kadex.mdb")).last() +
                       QStringLiteral(".txt"));
        EXPECT_TRUE(report.contains("Dropped plant values: 1\r\n")) << report.toStdString();
        EXPECT_TRUE(report.contains("M1.Rpm") && report.contains(" 777 ")) << report.toStdString();
    } else {
        tune(QStringLiteral("max = 1003"));
        tuned.append(QStringLiteral("max = 1003"));
        editAndUpdate(100);
        tune(QStringLiteral("max = 1004")); // 1003 is now only in the copy the last update kept
        editAndUpdate(101);
        const QString newest = keptNames(historyDir(), QStringLiteral("Kadex.mdb")).last();
        for (int i = 0; i < 11; ++i) { // the first puts back the edited text, the ten others change nothing
            ASSERT_EQ(restore(newest, out, err), 0) << err.toStdString();
        }
    }
    for (int i = 0; i < 10; ++i) {
        editAndUpdate(i);
    }
    for (const QString &value : std::as_const(tuned)) {
        EXPECT_TRUE(reachable(value)) << value.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Sequences, KeepingTest,
                         ::testing::Values(Sequence::TwoDropsInARow, Sequence::RestoreOverwritesTunedValues,
                                           Sequence::TenRestoresThatChangeNothing));

TEST_F(UpdateHistoryTest, RestoreBringsBackTheDatabaseAndTheSettingsAndCanItselfBeUndone)
{
    const QStringList old = databaseContent(plant.moduleDb());
    runUpdate();
    const QStringList updated = databaseContent(plant.moduleDb());
    ASSERT_NE(updated, old);

    QString out;
    QString err;
    ASSERT_EQ(restore(QString(), out, err), 0) << err.toStdString();
    EXPECT_EQ(databaseContent(plant.moduleDb()), old);
    TestRun check(plant);
    EXPECT_EQ(setting(check, 1, QStringLiteral("KadexInOrOutput3")), 2);
    EXPECT_EQ(setting(check, 1, QStringLiteral("KadexNumberOfProcent")), 2);
    EXPECT_EQ(setting(check, 2, QStringLiteral("KadexNumberOfProcent")), -1); // added by the update, reads as before
    EXPECT_TRUE(check.errorLogLines().isEmpty());
    EXPECT_TRUE(out.contains(QStringLiteral("[Machine1] KadexInOrOutput3: \"1\" -> \"2\"")));

    // The restore kept what it replaced; restoring that undoes the restore.
    const QStringList names = keptNames(historyDir(), QStringLiteral("Kadex.mdb"));
    ASSERT_EQ(names.size(), 2);
    EXPECT_EQ(databaseContent(kept(names[1])), updated);
    ASSERT_EQ(restore(names[1], out, err), 0) << err.toStdString();
    EXPECT_EQ(databaseContent(plant.moduleDb()), updated);
    EXPECT_EQ(setting(check, 1, QStringLiteral("KadexInOrOutput3")), 1);
    EXPECT_EQ(setting(check, 2, QStringLiteral("KadexNumberOfProcent")), 4);
}

TEST_F(UpdateHistoryTest, RestoreIntoAReadOnlyProgramIniSaysWhichSettingsWereNotWrittenBack)
{
    runUpdate();
    const QString programIni = plant.path(QStringLiteral("parameter/Program.ini"));
    const QByteArray before = plant.read(QStringLiteral("parameter/Program.ini"));

    QString out;
    QString err;
    {
        const ReadOnlyFile readOnly(programIni);
        EXPECT_EQ(restore(QString(), out, err), 1);
    }
    EXPECT_EQ(plant.read(QStringLiteral("parameter/Program.ini")), before);
    EXPECT_TRUE(err.contains(QStringLiteral("Cannot write [Machine1] KadexInOrOutput3"))) << err.toStdString();
    // The settings differ from the recorded ones: none of them reads as before.
    EXPECT_FALSE(out.contains(QStringLiteral("all read as before already"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("0 settings written back to ") + programIni)) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("could not be written"))) << out.toStdString();
}

TEST_F(UpdateHistoryTest, RestoreWritesTheSettingsBackInOneBatch)
{
    runUpdate();
    const QString programIni = plant.path(ProgramIni);
    const QByteArray before = plant.read(ProgramIni);

    QString out;
    QString err;
    {
        const ReadOnlyFile readOnly(programIni);
        EXPECT_EQ(restore(QString(), out, err), 1);
    }

    // One refused write, reported once with every entry it held; the file took none of them.
    EXPECT_EQ(plant.read(ProgramIni), before);
    EXPECT_EQ(err.count(QStringLiteral("Cannot write")), 1) << err.toStdString();
    EXPECT_TRUE(
        err.contains(QStringLiteral("Cannot write [Machine1] KadexInOrOutput3, [Machine2] KadexNumberOfProcent in ") +
                     programIni + QStringLiteral(": '") + programIni + QStringLiteral("' is read-only.")))
        << err.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("0 settings written back to ") + programIni + QStringLiteral("; 2 could")))
        << out.toStdString();
}

TEST_F(UpdateHistoryTest, RestoreRefusesAnUnknownNameOrABadReportAndChangesNothing)
{
    runUpdate();
    const QString name = keptNames(historyDir(), QStringLiteral("Kadex.mdb")).value(0);
    const QString report = kept(name) + QStringLiteral(".txt");
    const QByteArray reportBytes = plant.read(QStringLiteral("Kadex/History/") + name + QStringLiteral(".txt"));

    const auto refused = [&](const QString &asked, const QString &why) {
        const QMap<QString, QByteArray> tree = SamplePlantProgram::treeBytes(plant.root());
        QString out;
        QString err;
        EXPECT_EQ(restore(asked, out, err), 1) << why.toStdString();
        EXPECT_TRUE(err.contains(QStringLiteral("nothing restored"))) << err.toStdString();
        EXPECT_TRUE(out.isEmpty()) << out.toStdString();
        EXPECT_EQ(SamplePlantProgram::treeBytes(plant.root()), tree) << why.toStdString();
    };
    refused(QStringLiteral("Kadex.mdb.19990101-000000"), QStringLiteral("unknown name"));
    // A setting changed by hand to a number no entry of the program holds would be written back wrapped around.
    QByteArray edited = reportBytes;
    const QByteArray line = QByteArray("KadexInOrOutput3" + QByteArray(13, ' ') + "2");
    ASSERT_TRUE(edited.contains(line)) << reportBytes.toStdString();
    edited.replace(line, QByteArray("KadexInOrOutput3" + QByteArray(9, ' ') + "65538"));
    plant.write(QStringLiteral("Kadex/History/") + name + QStringLiteral(".txt"), edited);
    refused(name, QStringLiteral("setting out of range"));
    // A module database that refuses the copy stays as it is; no copy of it is kept for a restore that did not happen.
    plant.write(QStringLiteral("Kadex/History/") + name + QStringLiteral(".txt"), reportBytes);
    {
        const ReadOnlyFile readOnly(plant.moduleDb());
        refused(name, QStringLiteral("module database read-only"));
    }
    QFile::resize(report, reportBytes.size() / 2);
    refused(name, QStringLiteral("report cut short"));
    // A copy whose report is lost gets its database back alone; the settings stay as they are.
    QFile::remove(report);
    const QByteArray settings = plant.read(ProgramIni);
    QString out;
    QString err;
    EXPECT_EQ(restore(QString(), out, err), 0) << err.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("its database alone is restored"))) << out.toStdString();
    EXPECT_EQ(plant.read(ProgramIni), settings);
}

} // namespace
} // namespace Kadex::Test
