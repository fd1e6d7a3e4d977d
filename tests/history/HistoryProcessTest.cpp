// The built program as a process: a silent run keeps the replaced module database and prints its report; --list
// and --restore work on the plant found from the program's folder, without a display.
#include "history/UpdateHistory.h"
#include "tests/support/FixtureDb.h"
#include "tests/support/PlantState.h"
#include "tests/support/SamplePlantProgram.h"
#include "tests/support/TempPlant.h"
#include "tests/support/TestRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>

namespace Kadex::Test {
namespace {

class HistoryProcessTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(SamplePlantProgram::install(plant)); }

    ProgramRun run(const QStringList &arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.remove(QString::fromLatin1(name)); // neither command needs a display
        }
        environment.insert(QStringLiteral("KADEX_SERVICEPACK_LOG"), plant.path(QStringLiteral("ServicePack.log")));
        const ProgramRun result = SamplePlantProgram::run(plant, arguments, environment);
        EXPECT_TRUE(result.finishedInTime && result.exitStatus == QProcess::NormalExit);
        return result;
    }

    // The kept databases, oldest first (runs within one second are told apart by -2, -3 ...).
    QStringList kept() const
    {
        return History::keptNames(plant.path(QStringLiteral("Kadex/History")), QStringLiteral("Kadex.mdb"));
    }

    // Five machines of 2,000 generated rows each; the old table holds a tuned value for each, and three tuned
    // channel rows per machine that the template no longer generates.
    void makeLarge()
    {
        QByteArray cfg = "[Project]\r\n";
        QByteArray program = "[Project]\r\nNumberOfMachines=5\r\n";
        for (int m = 1; m <= 5; ++m) {
            const QByteArray n = QByteArray::number(m);
            cfg += "ForMachine" + n + "=true\r\n";
            program += "[Machine" + n + "]\r\nMachineName=M" + n + "\r\nKadexNumberOfProcent=3\r\n";
            for (int k = 1; k <= 8; ++k) {
                program += "KadexInOrOutput" + QByteArray::number(k) + "=" + (k <= 3 ? "2" : "1") + "\r\n";
            }
        }
        plant.write(QStringLiteral("Kadex/Kadex.cfg"), cfg);
        plant.write(QStringLiteral("parameter/Program.ini"), program);
        runSql(plant.path(QStringLiteral("Kadex/Kadex_Source.mdb")),
               QStringLiteral("DELETE FROM Source_PRESET_DEFS;"
                              "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                              "INSERT INTO Source_PRESET_DEFS SELECT i, '###machine', 'REAL', 1, 'Wert_' || i, 1, 0, "
                              "i, 'Wert ' || i, 'Kadex_###machine', 0, 1000, 10, 900, 1 FROM n;"));
        runSql(
            plant.path(QStringLiteral("Kadex/Kadex.mdb")),
            QStringLiteral("DELETE FROM PRESET_DEFS;"
                           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000), "
                           "m(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM m WHERE k < 5) "
                           "INSERT INTO PRESET_DEFS SELECT i, 'M' || k, 'REAL', 1, 'M' || k || '.Kadex.Wert_' || i, "
                           "1, 0, i, 'alt', 'alt', -1, 2000, 20, 800, 2 FROM n, m;"
                           "WITH RECURSIVE c(j) AS (SELECT 1 UNION ALL SELECT j + 1 FROM c WHERE j < 3), "
                           "m(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM m WHERE k < 5) "
                           "INSERT INTO PRESET_DEFS SELECT 0, 'M' || k, 'REAL', 1, 'M' || k || '.Kadex.Kanal_' || j, "
                           "1, 0, 3000 + j, 'alt', 'alt', 0, 10 * j, 1, 9 * j, 3 FROM c, m;"));
    }

    // Every machine setting of the program INI as the program reads it.
    QList<qint16> settings() const
    {
        TestRun check(plant);
        QList<qint16> values;
        for (int m = 1; m <= 5; ++m) {
            for (const char *key :
                 {"Kadex2ndMachineNr", "KadexNumberOfProcent", "KadexInOrOutput1", "KadexInOrOutput8"}) {
                values.append(check.services.ini.LoadIniInteger(QStringLiteral("Machine") + QString::number(m),
                                                                QString::fromLatin1(key),
                                                                plant.path(QStringLiteral("parameter/Program.ini"))));
            }
        }
        return values;
    }

    QString moduleDb() const { return plant.path(QStringLiteral("Kadex/Kadex.mdb")); }
    QStringList content(const QString &relative) const { return databaseContent(plant.path(relative)); }

    TempPlant plant;
};

TEST_F(HistoryProcessTest, SilentRunPrintsItsReportAndListAndRestoreUndoIt)
{
    const QStringList old = databaseContent(moduleDb());
    const ProgramRun update = run({QStringLiteral("/EXTERNAL:SILENT")});
    ASSERT_EQ(update.exitCode, 0) << update.standardError.toStdString();
    ASSERT_EQ(kept().size(), 1);
    // The report on standard output is the one beside the kept database.
    EXPECT_EQ(update.standardOutput.toUtf8(),
              plant.read(QStringLiteral("Kadex/History/") + kept()[0] + QStringLiteral(".txt")).replace("\r\n", "\n"));
    // The cutter is no longer in use: its two tuned rows are dropped.
    EXPECT_TRUE(update.standardOutput.contains(QStringLiteral("\nDropped plant values: 2\n")));
    EXPECT_EQ(update.standardOutput.count(QStringLiteral("\n  Schneider ")), 2);

    const ProgramRun list = run({QStringLiteral("--list")});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_TRUE(list.standardOutput.contains(kept()[0] + QStringLiteral("  silent  ")));
    EXPECT_TRUE(list.standardOutput.contains(QStringLiteral("2  Presse, Ofen\n")));
    // Under the copy: what the run changed, the settings counted as the report shows them.
    int changed = 0;
    for (const QString &line : update.standardOutput.split(QLatin1Char('\n'))) {
        const QStringList cells = line.simplified().split(QLatin1Char(' '));
        changed += line.startsWith(QStringLiteral("  Kadex")) && cells.size() >= 3 && cells[1] != cells[2] ? 1 : 0;
    }
    ASSERT_GT(changed, 0);
    EXPECT_TRUE(list.standardOutput.contains(
        QStringLiteral("; %1 settings changed; 2 rows with plant values dropped\n").arg(changed)))
        << list.standardOutput.toStdString();

    const ProgramRun restore = run({QStringLiteral("--restore")});
    ASSERT_EQ(restore.exitCode, 0) << restore.standardError.toStdString();
    EXPECT_TRUE(restore.standardOutput.contains(QStringLiteral("from ") + kept()[0]));
    EXPECT_EQ(databaseContent(moduleDb()), old);
    EXPECT_EQ(kept().size(), 2);
}

TEST_F(HistoryProcessTest, RestoreWritesIntoTheFileAConnectionHoldsOpen)
{
    ASSERT_EQ(run({QStringLiteral("/EXTERNAL:SILENT")}).exitCode, 0);
    const QString keptDb = QStringLiteral("Kadex/History/") + kept().value(0);

    // A stand-in for the visualisation: one connection, opened before the restore and kept open across it.
    const QString rows = QStringLiteral("SELECT group_concat(var_name || '=' || ifnull(min, '-'), ' ') FROM "
                                        "(SELECT var_name, min FROM PRESET_DEFS ORDER BY rowid)");
    sqlite3 *opened = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(moduleDb()).constData(), &opened), SQLITE_OK);
    const std::unique_ptr<sqlite3, int (*)(sqlite3 *)> held(opened, sqlite3_close);
    sqlite3_busy_timeout(held.get(), 5000);
    // The rows as that connection reads them, quoted as queryValue shows a text.
    const auto heldRows = [&] {
        sqlite3_stmt *statement = nullptr;
        std::string text;
        if (sqlite3_prepare_v2(held.get(), rows.toUtf8().constData(), -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            text = reinterpret_cast<const char *>(sqlite3_column_text(statement, 0));
        }
        sqlite3_finalize(statement);
        return '\'' + text + '\'';
    };
    ASSERT_NE(heldRows(), queryValue(plant.path(keptDb), rows));

    const ProgramRun restore = run({QStringLiteral("--restore")});
    ASSERT_EQ(restore.exitCode, 0) << restore.standardError.toStdString();
    EXPECT_EQ(databaseContent(moduleDb()), content(keptDb));
    // The held connection reads the restored rows from the same file, and what it writes next lands there.
    EXPECT_EQ(heldRows(), queryValue(plant.path(keptDb), rows));
    ASSERT_EQ(sqlite3_exec(held.get(),
                           "UPDATE PRESET_DEFS SET min = 4711 WHERE rowid = (SELECT min(rowid) FROM "
                           "PRESET_DEFS)",
                           nullptr, nullptr, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(held.get());
    EXPECT_EQ(queryValue(moduleDb(), QStringLiteral("SELECT count(*) FROM PRESET_DEFS WHERE min = 4711")), "1");
}

TEST_F(HistoryProcessTest, LargePlantRoundTrip)
{
    makeLarge();
    const QStringList old = databaseContent(moduleDb());
    const QByteArray programIni = plant.read(QStringLiteral("parameter/Program.ini"));
    const QList<qint16> before = settings();
    const ProgramRun update = run({QStringLiteral("/EXTERNAL:SILENT")});
    ASSERT_EQ(update.exitCode, 0) << update.standardError.toStdString();
    EXPECT_EQ(update.standardOutput.count(QStringLiteral("  Rows generated: 2000\n")), 5);
    EXPECT_EQ(update.standardOutput.count(QStringLiteral("  Rows whose plant values were carried over: 2000\n")), 5);
    EXPECT_TRUE(update.standardOutput.contains(QStringLiteral("\nDropped plant values: 15\n")));
    EXPECT_TRUE(update.standardOutput.contains(
        QStringLiteral("\n  M5            M5.Kadex.Kanal_3  3003             0        30       1    27   3\n")))
        << update.standardOutput.toStdString();

    ASSERT_NE(settings(), before) << "the silent run adds Kadex2ndMachineNr";
    // A second run regenerates the same 10,000 rows: it keeps nothing and prints no report.
    const ProgramRun again = run({QStringLiteral("/EXTERNAL:SILENT")});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.standardOutput, QString());
    EXPECT_EQ(kept().size(), 1);

    const ProgramRun restore = run({QStringLiteral("--restore"), kept().value(0)});
    ASSERT_EQ(restore.exitCode, 0) << restore.standardError.toStdString();
    EXPECT_EQ(databaseContent(moduleDb()), old);
    EXPECT_EQ(settings(), before);
    EXPECT_EQ(plant.read(QStringLiteral("parameter/Program.ini")), programIni) << "the entries it added are gone";
}

TEST_F(HistoryProcessTest, RestoreGivesBackTheStoredTextsAndWritesNothingButThePlantsProgramIni)
{
    QByteArray program = plant.read(QStringLiteral("parameter/Program.ini"));
    for (const auto &[from, to] : {std::pair{"KadexNumberOfProcent=4", "KadexNumberOfProcent=1e1"},
                                   std::pair{"KadexInOrOutput4=1", "KadexInOrOutput4=0x10"},
                                   std::pair{"KadexInOrOutput5=1", "KadexInOrOutput5="},
                                   std::pair{"KadexNumberOfProcent=2", "KadexNumberOfProcent=3.7"}}) {
        ASSERT_TRUE(program.contains(from)) << from;
        program.replace(from, to);
    }
    plant.write(QStringLiteral("parameter/Program.ini"), program);
    ASSERT_EQ(run({QStringLiteral("/EXTERNAL:SILENT")}).exitCode, 0);
    ASSERT_NE(plant.read(QStringLiteral("parameter/Program.ini")), program);
    const QString report = QStringLiteral("Kadex/History/") + kept().value(0) + QStringLiteral(".txt");
    const QByteArray reportBytes = plant.read(report);

    // An edited report that names another file is refused, whatever it names.
    const QString outside = plant.path(QStringLiteral("../outside-") + kept().value(0) + QStringLiteral(".ini"));
    for (const QString &target : {outside, QStringLiteral("Kadex/Kadex_Config")}) {
        plant.write(QStringLiteral("../outside-") + kept().value(0) + QStringLiteral(".ini"), "[Other]\r\n");
        QByteArray edited = reportBytes;
        edited.replace(QByteArray("Settings file: parameter/Program.ini"),
                       QByteArray(QByteArray("Settings file: ") + target.toUtf8()));
        plant.write(report, edited);
        const QMap<QString, QByteArray> tree = SamplePlantProgram::treeBytes(plant.root());
        const ProgramRun refused = run({QStringLiteral("--restore")});
        EXPECT_EQ(refused.exitCode, 1) << target.toStdString();
        EXPECT_TRUE(refused.standardError.contains(QStringLiteral("is not the plant's program INI")));
        EXPECT_EQ(SamplePlantProgram::treeBytes(plant.root()), tree) << target.toStdString();
        EXPECT_EQ(plant.read(QStringLiteral("../outside-") + kept().value(0) + QStringLiteral(".ini")),
                  QByteArray("[Other]\r\n"));
    }
    QFile::remove(outside);

    // The plant's own, renamed in other letters, takes back every text it held.
    plant.write(report, reportBytes);
    ASSERT_TRUE(QFile::rename(plant.path(QStringLiteral("parameter/Program.ini")),
                              plant.path(QStringLiteral("parameter/PROGRAM.INI"))));
    const ProgramRun restore = run({QStringLiteral("--restore")});
    ASSERT_EQ(restore.exitCode, 0) << restore.standardError.toStdString();
    EXPECT_EQ(plant.read(QStringLiteral("parameter/PROGRAM.INI")), program);
}

TEST_F(HistoryProcessTest, SilentRunWhoseCopyCannotBeKeptStillPrintsItsReport)
{
    plant.write(QStringLiteral("Kadex/History"), "a file where the history folder belongs");
    const ProgramRun update = run({QStringLiteral("/EXTERNAL:SILENT")});
    EXPECT_TRUE(update.standardOutput.contains(QStringLiteral("could not be kept")))
        << update.standardOutput.toStdString();
    EXPECT_TRUE(update.standardOutput.contains(QStringLiteral("\nDropped plant values: 2\n")));
    EXPECT_EQ(update.standardOutput.count(QStringLiteral("\n  Schneider ")), 2);
    EXPECT_EQ(update.exitCode, 1);
}

TEST_F(HistoryProcessTest, SilentRunThatCouldNotCarryPlantValuesSaysSoAtTheTopAndFails)
{
    // A template without a field the take-over selects: every plant value falls back to the template's.
    runSql(plant.path(QStringLiteral("Kadex/Kadex_Source.mdb")),
           QStringLiteral("ALTER TABLE Source_PRESET_DEFS DROP COLUMN page_name;"));
    const ProgramRun update = run({QStringLiteral("/EXTERNAL:SILENT")});
    EXPECT_EQ(update.exitCode, 1) << update.standardError.toStdString();
    const QStringList lines = update.standardOutput.split(QLatin1Char('\n'));
    EXPECT_TRUE(lines.value(1).startsWith(QStringLiteral("Plant values not carried over: ")))
        << update.standardOutput.toStdString();
    EXPECT_TRUE(lines.value(1).endsWith(QStringLiteral("because the new table lacks a field the take-over needs")));
    EXPECT_FALSE(update.standardOutput.contains(QStringLiteral("\nDropped plant values: 0\n")));
    EXPECT_EQ(lines.filter(QStringLiteral("  Rows whose plant values were carried over: 0")).size(), 2);
}

TEST_F(HistoryProcessTest, UnknownNameIsRefusedWithoutChangingAnything)
{
    ASSERT_EQ(run({QStringLiteral("/EXTERNAL:SILENT")}).exitCode, 0);
    const QMap<QString, QByteArray> tree = SamplePlantProgram::treeBytes(plant.root());
    const ProgramRun restore = run({QStringLiteral("--restore"), QStringLiteral("20000101-000000")});
    EXPECT_EQ(restore.exitCode, 1);
    EXPECT_TRUE(restore.standardError.contains(QStringLiteral("Unknown kept update \"20000101-000000\"")));
    EXPECT_EQ(SamplePlantProgram::treeBytes(plant.root()), tree);
    // Written as one argument, the name is refused the same way; it does not start a run of the program instead.
    const ProgramRun joined = run({QStringLiteral("--restore=20000101-000000")});
    EXPECT_EQ(joined.exitCode, 1);
    EXPECT_TRUE(joined.standardError.contains(QStringLiteral("Unknown kept update \"20000101-000000\"")))
        << joined.standardError.toStdString();
    EXPECT_EQ(SamplePlantProgram::treeBytes(plant.root()), tree);
}

TEST_F(HistoryProcessTest, RoutineRunsRestoresAndPinsKeepWhatMatters)
{
    const auto silentRun = [&] {
        const ProgramRun update = run({QStringLiteral("/EXTERNAL:SILENT")});
        EXPECT_EQ(update.exitCode, 0) << update.standardError.toStdString();
    };
    silentRun(); // drops the cutter's two tuned rows
    const QString dropping = kept().value(0);
    // A run that changes nothing keeps nothing.
    silentRun();
    ASSERT_EQ(kept(), QStringList{dropping});
    // Ten runs that each change a text the template owns, and drop nothing: the copy of the update that dropped
    // values stays beside the ten newest.
    for (int i = 0; i < 10; ++i) {
        runSql(plant.path(QStringLiteral("Kadex/Kadex.mdb")),
               QStringLiteral("UPDATE PRESET_DEFS SET text = 'edited %1' WHERE rowid = (SELECT min(rowid) FROM "
                              "PRESET_DEFS);")
                   .arg(i));
        silentRun();
    }
    QStringList names = kept();
    ASSERT_EQ(names.size(), 11);
    EXPECT_EQ(names[0], dropping);

    // The oldest routine copy put back is not pruned by its own restore, though the restore keeps a twelfth.
    const ProgramRun restore = run({QStringLiteral("--restore=") + names[1]});
    ASSERT_EQ(restore.exitCode, 0) << restore.standardError.toStdString();
    EXPECT_EQ(kept().mid(0, 11), names);
    ASSERT_EQ(kept().size(), 12);
    const QString restoreCopy = kept().last();
    const QStringList restored = databaseContent(moduleDb());

    // Pinned, a copy outlives pruning; a report whose database was deleted by hand is listed.
    ASSERT_EQ(run({QStringLiteral("--pin"), names[2]}).exitCode, 0);
    ASSERT_TRUE(QFile::remove(plant.path(QStringLiteral("Kadex/History/") + names[5])));
    const ProgramRun list = run({QStringLiteral("--list")});
    EXPECT_EQ(list.exitCode, 0);
    const auto listed = [&](const QString &name) {
        for (const QString &line : list.standardOutput.split(QLatin1Char('\n'))) {
            if (line.startsWith(name + QLatin1Char(' '))) {
                return line.simplified().split(QLatin1Char(' '));
            }
        }
        return QStringList();
    };
    EXPECT_EQ(listed(names[0]).mid(1, 3), (QStringList{"silent", "-", "2"})) << list.standardOutput.toStdString();
    EXPECT_EQ(listed(names[1]).mid(1, 3), (QStringList{"silent", "live", "0"})) << list.standardOutput.toStdString();
    EXPECT_EQ(listed(names[2]).value(2), QStringLiteral("pinned"));
    EXPECT_EQ(listed(names[5]).mid(2, 2), (QStringList{"no", "database"}));
    EXPECT_EQ(listed(restoreCopy).mid(1, 4), (QStringList{"restore", "of", names[1], "-"}));

    // --show prints one report as it is kept.
    const ProgramRun show = run({QStringLiteral("--show"), names[0]});
    EXPECT_EQ(show.exitCode, 0);
    EXPECT_EQ(show.standardOutput.toUtf8(),
              plant.read(QStringLiteral("Kadex/History/") + names[0] + QStringLiteral(".txt")).replace("\r\n", "\n"));

    // --restore without a name steps back one update: to the copy before the one the last restore put back.
    const QStringList droppingContent = content(QStringLiteral("Kadex/History/") + dropping);
    ASSERT_EQ(run({QStringLiteral("--restore")}).exitCode, 0);
    EXPECT_EQ(databaseContent(moduleDb()), droppingContent);
    EXPECT_NE(databaseContent(moduleDb()), restored);
    // It kept one more and pruned the three beyond ten: the copy that dropped values and the pinned one stay.
    EXPECT_EQ(kept().mid(0, 4), (QStringList{dropping, names[2], names[3], names[4]}));
    ASSERT_EQ(run({QStringLiteral("--unpin"), names[2]}).exitCode, 0);
    EXPECT_FALSE(QFileInfo::exists(plant.path(QStringLiteral("Kadex/History/") + names[2] + QStringLiteral(".pin"))));
}

TEST_F(HistoryProcessTest, MalformedCommandsAreRefusedWithTheUsageLineAndSlashQuestionMarkHelps)
{
    ASSERT_EQ(run({QStringLiteral("/EXTERNAL:SILENT")}).exitCode, 0);
    const QMap<QString, QByteArray> tree = SamplePlantProgram::treeBytes(plant.root());
    for (const QStringList &arguments :
         {QStringList{QStringLiteral("--restore=")}, QStringList{QStringLiteral("--show")},
          QStringList{QStringLiteral("--list"), QStringLiteral("--restore")},
          QStringList{QStringLiteral("--pin"), QStringLiteral("/EXTERNAL:SILENT")}}) {
        const ProgramRun refused = run(arguments);
        EXPECT_EQ(refused.exitCode, 2) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(refused.standardError.startsWith(QStringLiteral("Usage: Kadex_Config --list | --show NAME")))
            << refused.standardError.toStdString();
        EXPECT_EQ(SamplePlantProgram::treeBytes(plant.root()), tree) << arguments.join(u' ').toStdString();
    }
    const ProgramRun help = run({QStringLiteral("/?")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.standardOutput, run({QStringLiteral("--help")}).standardOutput);
    EXPECT_TRUE(help.standardOutput.startsWith(QStringLiteral("Usage: Kadex_Config [switch ...]")));
}

} // namespace
} // namespace Kadex::Test
