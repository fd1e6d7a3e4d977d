#include "presetdb/DatabaseUpdate.h"

#include "diag/Failure.h"
#include "diag/Messages.h"
#include "history/UpdateHistory.h"
#include "presetdb/ModuleDbCopy.h"
#include "presetdb/ModuleDbRenames.h"
#include "presetdb/PresetTexts.h"
#include "tests/support/FixtureDb.h"
#include "tests/support/PlantState.h"
#include "tests/support/PresetPlant.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <utility>

namespace Kadex::Test {
namespace {

using PresetDb::DatabaseUpdate;

class DatabaseUpdateTest : public ::testing::Test
{
protected:
    DatabaseUpdateTest()
    {
        plant.writeStandardPlant(2);
        writeTemplate();
        plant.writeModuleDb(OldRows);
    }

    const QString OldRows = QStringLiteral("CREATE TABLE OnlyOld (a);"
                                           "INSERT INTO PRESET_DEFS VALUES (1, 'M1', 'DINT', 1, 'M1.Rpm', 2, 0, 1, "
                                           "'t', 'p', 5, 6, 7, 8, 9);"
                                           "INSERT INTO PRESET_DEFS VALUES (2, 'M2', 'DINT', 1, 'M2.Temp', 2, 0, 2, "
                                           "'t', 'p', 15, 16, 17, 18, 19);");

    // Two template rows for each machine, templates for both systems, and a PRESET_DEFS of an earlier run.
    void writeTemplate(const QString &extra = {}) const
    {
        plant.writeSource(
            QStringLiteral("INSERT INTO Source_DEFS VALUES ('VISIWIN32', '###machine.###Var_Name', 1);"
                           "INSERT INTO Source_DEFS VALUES ('VISIWINSTUDIO', 'VS.###machine.###Var_Name', "
                           "1);"
                           "CREATE TABLE PRESET_DEFS (stale);"
                           "INSERT INTO PRESET_DEFS VALUES ('earlier run');") +
            templateRow(1, QStringLiteral("'###machine'"), 1, QStringLiteral("'Rpm'"), 1) +
            templateRow(2, QStringLiteral("'###machine'"), 1, QStringLiteral("'Temp'"), 2) + extra);
    }

    Rows sourceRows() const
    {
        return plant.presetRows(plant.sourceDb(), QStringLiteral("ID, machine_type, var_name, abs_min, pass"));
    }

    // The regenerated rows with the values of the module database of the fixture carried over.
    static Rows regenerated()
    {
        return Rows{{"1", "'M1'", "'M1.Rpm'", "5.0", "9"},
                    {"2", "'M1'", "'M1.Temp'", "0.0", "1"},
                    {"3", "'M2'", "'M2.Rpm'", "0.0", "1"},
                    {"4", "'M2'", "'M2.Temp'", "15.0", "19"}};
    }

    PresetPlant plant;
};

// --- a complete run

TEST_F(DatabaseUpdateTest, StandaloneRunRebuildsTakesOverAndMakesTheModuleDbACopy)
{
    TestRun run(plant);
    run.start();
    DatabaseUpdate(run.services).WorkOnMDB();

    EXPECT_EQ(sourceRows(), regenerated());
    EXPECT_EQ(queryRows(plant.sourceDb(), QStringLiteral("SELECT type, sql FROM sqlite_master WHERE tbl_name = "
                                                         "'PRESET_DEFS'")),
              (Rows{{"'table'", "'CREATE TABLE \"PRESET_DEFS\" (\"ID\" SMALLINT, \"machine_type\" VARCHAR(50), "
                                "\"type\" VARCHAR(20), \"part\" SMALLINT, \"var_name\" VARCHAR(100), \"category_id\" "
                                "SMALLINT, \"isBitArray\" BIT, \"offset_or_bitno\" SMALLINT, \"text\" VARCHAR(255), "
                                "\"page_name\" VARCHAR(50), \"abs_min\" DOUBLE, \"abs_max\" DOUBLE, \"min\" DOUBLE, "
                                "\"max\" DOUBLE, \"pass\" SMALLINT)'"}}));
    EXPECT_EQ(databaseContent(plant.moduleDb()), databaseContent(plant.sourceDb()));
    EXPECT_EQ(queryValue(plant.moduleDb(), QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = "
                                                          "'OnlyOld'")),
              "0");
    EXPECT_TRUE(run.ui.boxes.isEmpty());
    EXPECT_TRUE(run.errorLogLines().isEmpty());
    EXPECT_GT(run.ui.pumpCount, 0);
}

TEST_F(DatabaseUpdateTest, SourceKeepsItsLastWriteTimeToTheNanosecond)
{
    Platform::FileTimes before;
    before.lastWriteNs = 981173045123456789; // 2001-02-03, with a nanosecond part
    ASSERT_TRUE(Platform::FileTimes::restore(plant.sourceDb(), before));
    const std::optional<Platform::FileTimes> saved = Platform::FileTimes::read(plant.sourceDb());
    ASSERT_TRUE(saved);

    TestRun run(plant);
    run.start();
    DatabaseUpdate update(run.services);
    update.WorkOnMDB();

    const std::optional<Platform::FileTimes> after = Platform::FileTimes::read(plant.sourceDb());
    ASSERT_TRUE(after);
    EXPECT_EQ(after->lastWriteNs, 981173045123456789);
    EXPECT_EQ(after->creationNs, saved->creationNs);
    EXPECT_EQ(sourceRows(), regenerated());
}

TEST_F(DatabaseUpdateTest, VWStudioChoosesTheSystemOnlyInStandaloneRuns)
{
    const auto runWith = [&](const QByteArray &vwStudio, const QString &commandLine) {
        // The same program INI where a standalone run reads it and where an integrated run reads it.
        const QByteArray programIni =
            "[Project]\r\nNumberOfMachines=1\r\n" + vwStudio + "[Machine1]\r\nMachineName=M1\r\n";
        plant.write(QStringLiteral("parameter/Program.ini"), programIni);
        plant.write(QStringLiteral("backup/parameter/program.ini"), programIni);
        plant.write(QStringLiteral("parameter/r4mconfiguration.ini"),
                    "[Common]\r\nNameM1=M1\r\nSaveAndRestore=" + plant.path(QStringLiteral("backup")).toUtf8() +
                        "\r\n");
        plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\nForMachine1=true\r\nValidMachines=ALL\r\n");
        writeTemplate();
        plant.writeModuleDb();
        TestRun run(plant, commandLine);
        run.start();
        if (run.services.runMode.IntegratedMode()) {
            EXPECT_EQ(run.services.machines.ProgramIniPath(),
                      plant.path(QStringLiteral("backup/parameter/program.ini")));
            run.ui.answerNext(Diag::Answer::Ok); // the missing-copy notice
        }
        DatabaseUpdate update(run.services);
        update.WorkOnMDB();
        return std::make_pair(update.SystemIndex(), queryValue(plant.sourceDb(), QStringLiteral("SELECT var_name "
                                                                                                "FROM PRESET_DEFS")));
    };
    EXPECT_EQ(runWith("VWStudio=tRuE\r\n", QString()), std::make_pair(qint16(1), std::string("'VS.M1.Rpm'")));
    EXPECT_EQ(runWith("VWStudio=yes\r\n", QString()), std::make_pair(qint16(0), std::string("'M1.Rpm'")));
    EXPECT_EQ(runWith("", QString()), std::make_pair(qint16(0), std::string("'M1.Rpm'")));
    EXPECT_EQ(runWith("VWStudio=TRUE\r\n", QStringLiteral("/EXTERNAL:SILENT")),
              std::make_pair(qint16(1), std::string("'VS.M1.Rpm'")));
    EXPECT_EQ(runWith("VWStudio=TRUE\r\n", QStringLiteral("/EXTERNAL:R4MCFG")),
              std::make_pair(qint16(0), std::string("'M1.Rpm'")));
}

// --- integrated runs and the machine copy

class IntegratedUpdateTest : public DatabaseUpdateTest
{
protected:
    IntegratedUpdateTest()
    {
        plant.write(QStringLiteral("parameter/r4mconfiguration.ini"),
                    "[Common]\r\nNameM1=M1\r\nNameM2=M2\r\nSaveAndRestore=" +
                        plant.path(QStringLiteral("backup")).toUtf8() + "\r\n");
        plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\nValidMachines=ALL\r\n");
    }

    const QString commandLine = QStringLiteral("/EXTERNAL:R4MCFG");
};

TEST_F(IntegratedUpdateTest, MissingMachineCopyGivesTheNoticeAndTheUpdateGoesOn)
{
    // The notice names the file as the program composes it, whatever its letter case on disk.
    QFile::rename(plant.moduleDb(), plant.path(QStringLiteral("Kadex/kadex.MDB")));
    TestRun run(plant, commandLine);
    run.start();
    run.ui.answerNext(Diag::Answer::Ok);
    DatabaseUpdate(run.services).WorkOnMDB();

    ASSERT_EQ(run.ui.boxes.size(), 1);
    EXPECT_EQ(run.ui.boxes[0],
              (Diag::MessageBox{QStringLiteral("Konnte die Datei:\"Kadex.mdb\" in der Vorlage nicht finden!\r\n\r\n"
                                               "Ist das Bild in der Vorlage noch nicht vorhanden (also neu)?\r\n"
                                               "Dann ist diese Meldung völlig normal und es wird eine neue Datei mit "
                                               "den Standardwerten erzeugt."),
                                QString(), Diag::Buttons::Ok, Diag::Icon::Information, Diag::Answer::Ok}));
    EXPECT_EQ(sourceRows(), regenerated());
    EXPECT_EQ(databaseContent(plant.path(QStringLiteral("Kadex/kadex.MDB"))), databaseContent(plant.sourceDb()));
    EXPECT_FALSE(plant.exists(QStringLiteral("Kadex/Kadex.mdb")));
}

TEST_F(IntegratedUpdateTest, MachineCopyValuesAreCarriedAndTheModuleDbsHotJournalLeavesNoTrace)
{
    QDir(plant.root()).mkpath(QStringLiteral("backup/Kadex"));
    runSql(plant.path(QStringLiteral("backup/Kadex/Kadex.mdb")),
           QString::fromLatin1(PresetSchema) +
               QStringLiteral("INSERT INTO PRESET_DEFS VALUES (1, 'M2', 'DINT', 1, 'M2.Rpm', 2, 0, 1, 't', 'p', 42, "
                              "43, 44, 45, 46);"));
    const QByteArray copy = plant.read(QStringLiteral("backup/Kadex/Kadex.mdb"));
    // The module database's journal of a run that ended half-way is the engine's own: the update's connection plays
    // it back (and so removes it) before it writes the file.
    leaveHotJournal(plant.moduleDb(), QStringLiteral("UPDATE PRESET_DEFS SET abs_min = -1"));
    TestRun run(plant, commandLine);
    run.start();
    DatabaseUpdate(run.services).WorkOnMDB();

    EXPECT_TRUE(run.ui.boxes.isEmpty());
    EXPECT_EQ(sourceRows(), (Rows{{"1", "'M1'", "'M1.Rpm'", "0.0", "1"},
                                  {"2", "'M1'", "'M1.Temp'", "0.0", "1"},
                                  {"3", "'M2'", "'M2.Rpm'", "42.0", "46"},
                                  {"4", "'M2'", "'M2.Temp'", "0.0", "1"}}));
    EXPECT_EQ(plant.read(QStringLiteral("backup/Kadex/Kadex.mdb")), copy);
    EXPECT_FALSE(QFile::exists(plant.moduleDb() + QStringLiteral("-journal")));
}

// --- the module database as the lookups find it

TEST_F(DatabaseUpdateTest, MissingModuleDbIsMadeFromTheSourceInAnyLetterCaseWithoutReport)
{
    QFile::remove(plant.moduleDb());
    QFile::rename(plant.sourceDb(), plant.path(QStringLiteral("Kadex/KADEX_SOURCE.MDB")));
    TestRun run(plant);
    run.start();
    DatabaseUpdate(run.services).WorkOnMDB();
    EXPECT_EQ(plant.presetRows(plant.moduleDb(), QStringLiteral("ID, machine_type, var_name, abs_min, pass")),
              (Rows{{"1", "'M1'", "'M1.Rpm'", "0.0", "1"},
                    {"2", "'M1'", "'M1.Temp'", "0.0", "1"},
                    {"3", "'M2'", "'M2.Rpm'", "0.0", "1"},
                    {"4", "'M2'", "'M2.Temp'", "0.0", "1"}}));
    EXPECT_TRUE(run.errorLogLines().isEmpty());
}

TEST_F(DatabaseUpdateTest, ModuleDbWithoutPresetTableSkipsTheTakeOverAndBothLookupsReportIt)
{
    QFile::remove(plant.moduleDb());
    runSql(plant.moduleDb(), QStringLiteral("CREATE TABLE Other (a)"));
    plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\nForMachine1=true\r\nForMachine2=true\r\n"
                                                   "DataBaseAdditionalFields=missing\r\n");
    TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
    run.start();
    DatabaseUpdate update(run.services);
    update.WorkOnMDB();
    EXPECT_EQ(lines(run.errorLogLines()),
              (Lines{"Fehler in Kadex / DAO.Database / CategorieNachCategoryID (Nr. 3078) :no such table: PRESET_DEFS.",
                     "Fehler in Kadex / DAO.Database / VarNameInQuelleErsetzen (Nr. 3078) :no such table: "
                     "PRESET_DEFS."}));
    EXPECT_EQ(databaseContent(plant.moduleDb()), databaseContent(plant.sourceDb()));
}

TEST_F(DatabaseUpdateTest, CategorieIsRenamedOnlyWhereThereIsOneAndOnlyInThePrivateCopy)
{
    runSql(plant.moduleDb(), QStringLiteral("ALTER TABLE PRESET_DEFS RENAME COLUMN category_id TO Categorie"));
    const QByteArray before = plant.read(QStringLiteral("Kadex/Kadex.mdb"));
    TestRun run(plant);
    run.start();
    PresetDb::ModuleDbCopy copy;
    copy.readFile(plant.moduleDb());
    const auto fieldsOfCopy = [&] {
        plant.write(QStringLiteral("copy.mdb"), copy.database().serialize());
        return queryValue(plant.path(QStringLiteral("copy.mdb")),
                          QStringLiteral("SELECT group_concat(name, ',') FROM pragma_table_info('PRESET_DEFS')"));
    };
    const char *renamed = "'ID,machine_type,type,part,var_name,category_id,isBitArray,offset_or_bitno,text,page_name,"
                          "abs_min,abs_max,min,max,pass'";
    PresetDb::CategorieNachCategoryID(run.services, copy);
    EXPECT_EQ(fieldsOfCopy(), renamed);
    PresetDb::CategorieNachCategoryID(run.services, copy);
    EXPECT_EQ(fieldsOfCopy(), renamed);
    EXPECT_EQ(plant.read(QStringLiteral("Kadex/Kadex.mdb")), before);
    EXPECT_TRUE(run.errorLogLines().isEmpty());
}

// --- settings another program rewrites while the update reads them

TEST_F(DatabaseUpdateTest, SettingsRewrittenDuringTheUpdateAreReadAgainOrNothingChanges)
{
    // Rewritten once: the update reads the machine list again and generates for the machines the files hold now.
    {
        TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
        run.start();
        bool rewritten = false;
        run.ui.onPump = [&] {
            if (!rewritten) {
                rewritten = true;
                plant.write(QStringLiteral("Kadex/Kadex.cfg"),
                            "[Project]\r\nForMachine1=true\r\nForMachine2=false\r\n");
            }
        };
        DatabaseUpdate(run.services).WorkOnMDB();
        ASSERT_TRUE(rewritten);
        EXPECT_EQ(lines(run.errorLogLines()), Lines());
        EXPECT_EQ(sourceRows(), (Rows{{"1", "'M1'", "'M1.Rpm'", "5.0", "9"}, {"2", "'M1'", "'M1.Temp'", "0.0", "1"}}));
        EXPECT_EQ(databaseContent(plant.moduleDb()), databaseContent(plant.sourceDb()));
    }

    // The second reading reads all the first read: the system chosen in the program INI too.
    {
        TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
        run.start();
        const QByteArray programIni = plant.read(QStringLiteral("parameter/Program.ini"));
        bool rewritten = false;
        run.ui.onPump = [&] {
            if (!std::exchange(rewritten, true)) {
                plant.write(QStringLiteral("parameter/Program.ini"),
                            QByteArray(programIni).replace("[Project]\r\n", "[Project]\r\nVWStudio=TRUE\r\n"));
            }
        };
        DatabaseUpdate(run.services).WorkOnMDB();
        EXPECT_EQ(queryValue(plant.sourceDb(), QStringLiteral("SELECT var_name FROM PRESET_DEFS")), "'VS.M1.Rpm'");
    }

    // Rewritten all the time: after a few readings the update reports it and changes neither database.
    for (const QString &file :
         {QStringLiteral("parameter/Program.ini"), QStringLiteral("parameter/r4mconfiguration.ini")}) {
        const QByteArray moduleDb = plant.read(QStringLiteral("Kadex/Kadex.mdb"));
        const QByteArray template_ = plant.read(QStringLiteral("Kadex/Kadex_Source.mdb"));
        const QByteArray settings = plant.read(file);
        QFile::remove(plant.path(QStringLiteral("R4Mcfglog.txt")));
        TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
        run.start();
        int writes = 0;
        run.ui.onPump = [&] { plant.write(file, settings + "; " + QByteArray::number(++writes) + "\r\n"); };
        DatabaseUpdate(run.services).WorkOnMDB();
        EXPECT_EQ(plant.read(QStringLiteral("Kadex/Kadex.mdb")), moduleDb);
        EXPECT_EQ(plant.read(QStringLiteral("Kadex/Kadex_Source.mdb")), template_);
        const QStringList log = run.errorLogLines();
        ASSERT_EQ(log.size(), 1) << log.join(u'\n').toStdString();
        EXPECT_TRUE(log[0].contains(QStringLiteral("(Nr. 9021)"))) << log[0].toStdString();
        EXPECT_TRUE(log[0].contains(plant.path(file))) << log[0].toStdString();
    }

    // A fault the first reading reported (the name templates' table is gone) is not reported again by the second.
    runSql(plant.sourceDb(), QStringLiteral("DROP TABLE Source_DEFS"));
    QFile::remove(plant.path(QStringLiteral("R4Mcfglog.txt")));
    TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
    run.start();
    bool rewritten = false;
    run.ui.onPump = [&] {
        if (!std::exchange(rewritten, true)) {
            plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\nForMachine1=true\r\nForMachine2=true\r\n");
        }
    };
    DatabaseUpdate(run.services).WorkOnMDB();
    ASSERT_TRUE(rewritten);
    EXPECT_EQ(lines(run.errorLogLines()).size(), 1u) << run.errorLogLines().join(u'\n').toStdString();
}

// --- files that are not databases, and rebuilds that fail: no data is lost

TEST_F(DatabaseUpdateTest, BrokenSourceIsReportedAndNothingIsReplaced)
{
    struct Case
    {
        const char *name;
        QByteArray bytes;
        bool readOnly;
        const char *number;
    };
    const QByteArray template_ = plant.read(QStringLiteral("Kadex/Kadex_Source.mdb"));
    const QByteArray moduleDb = plant.read(QStringLiteral("Kadex/Kadex.mdb"));
    for (const Case &c :
         {Case{"garbage", QByteArray(4096, '\x5a'), false, "(Nr. 3049)"},
          Case{"zero-length", QByteArray(), false, "(Nr. 3049)"}, Case{"read-only", template_, true, "(Nr. 3051)"}}) {
        SCOPED_TRACE(c.name);
        QFile::remove(plant.sourceDb());
        plant.write(QStringLiteral("Kadex/Kadex_Source.mdb"), c.bytes);
        if (c.readOnly) {
            QFile::setPermissions(plant.sourceDb(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        }
        QFile::remove(plant.path(QStringLiteral("R4Mcfglog.txt")));
        TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
        run.start();
        DatabaseUpdate(run.services).WorkOnMDB();

        EXPECT_EQ(plant.read(QStringLiteral("Kadex/Kadex_Source.mdb")), c.bytes);
        EXPECT_EQ(plant.read(QStringLiteral("Kadex/Kadex.mdb")), moduleDb);
        const QStringList log = run.errorLogLines();
        ASSERT_FALSE(log.isEmpty());
        EXPECT_TRUE(log.last().contains(QStringLiteral(" / WorkOnMDB ") + QString::fromLatin1(c.number)))
            << log.last().toStdString();
        EXPECT_FALSE(run.servicePackLines().isEmpty());
    }
}

TEST_F(DatabaseUpdateTest, BrokenModuleDbIsReportedAndReplacedOnlyWhenItHoldsNoData)
{
    plant.write(QStringLiteral("Kadex/Kadex.mdb"), QByteArray("not a database").repeated(100));
    {
        TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
        run.start();
        History::UpdateHistory history(run.services);
        DatabaseUpdate update(run.services);
        update.setHistory(&history);
        update.WorkOnMDB();
        // Its bytes are kept as they were.
        EXPECT_EQ(plant.read(QStringLiteral("Kadex/History/") + QFileInfo(history.keptPath()).fileName()),
                  QByteArray("not a database").repeated(100));
        EXPECT_EQ(lines(run.errorLogLines()).size(), 3u); // category rename, variable-name rename, take-over
        EXPECT_EQ(plant.read(QStringLiteral("Kadex/Kadex.mdb")), plant.read(QStringLiteral("Kadex/Kadex_Source.mdb")));
    }

    // A read-only module database keeps its data; the rebuilt source still holds the carried values.
    plant.writeModuleDb(QStringLiteral("INSERT INTO PRESET_DEFS VALUES (1, 'M1', 'DINT', 1, 'M1.Rpm', 2, 0, 1, 't', "
                                       "'p', 5, 6, 7, 8, 9);"));
    QFile::setPermissions(plant.moduleDb(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    const QByteArray readOnly = plant.read(QStringLiteral("Kadex/Kadex.mdb"));
    QFile::remove(plant.path(QStringLiteral("R4Mcfglog.txt")));
    TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
    run.start();
    DatabaseUpdate(run.services).WorkOnMDB();
    EXPECT_EQ(plant.read(QStringLiteral("Kadex/Kadex.mdb")), readOnly);
    const Rows rebuilt = sourceRows();
    ASSERT_FALSE(rebuilt.empty());
    EXPECT_EQ(rebuilt.front(), (std::vector<std::string>{"1", "'M1'", "'M1.Rpm'", "5.0", "9"}));
    // The write into the file is refused; the report names the file.
    ASSERT_EQ(run.errorLogLines().size(), 1);
    EXPECT_EQ(run.errorLogLines()[0],
              QStringLiteral("Fehler in Kadex / DAO.Database / WorkOnMDB (Nr. 3051) :Cannot use "
                             "database '") +
                  plant.moduleDb() + QStringLiteral("': attempt to write a readonly database."));

    // A damaged one that may not be written stays as it is, and the report says why it was not replaced.
    QFile::setPermissions(plant.moduleDb(), QFile::ReadOwner | QFile::WriteOwner);
    plant.write(QStringLiteral("Kadex/Kadex.mdb"), QByteArray("not a database").repeated(100));
    const ReadOnlyFile damagedReadOnly(plant.moduleDb());
    QFile::remove(plant.path(QStringLiteral("R4Mcfglog.txt")));
    TestRun damaged(plant, QStringLiteral("/EXTERNAL:SILENT"));
    damaged.start();
    DatabaseUpdate(damaged.services).WorkOnMDB();
    EXPECT_EQ(plant.read(QStringLiteral("Kadex/Kadex.mdb")), QByteArray("not a database").repeated(100));
    ASSERT_FALSE(damaged.errorLogLines().isEmpty());
    EXPECT_TRUE(damaged.errorLogLines().last().contains(QStringLiteral("' may not be written")))
        << damaged.errorLogLines().last().toStdString();
}

TEST_F(DatabaseUpdateTest, CopyingRunsNoTriggerAndValuesThatCannotBeReadKeepBothDatabases)
{
    const auto update = [&] {
        TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
        run.start();
        DatabaseUpdate(run.services).WorkOnMDB();
        return run.errorLogLines();
    };
    // The template's trigger, view and AUTOINCREMENT counter are copied, and none of its code runs.
    writeTemplate(QStringLiteral("CREATE TABLE Other (a); INSERT INTO Other VALUES (1); CREATE TRIGGER Ran BEFORE "
                                 "INSERT ON Other BEGIN SELECT RAISE(ABORT, 'ran'); END; CREATE VIEW Seen AS SELECT * "
                                 "FROM Other; CREATE TABLE Counted (id INTEGER PRIMARY KEY AUTOINCREMENT);"
                                 "INSERT INTO Counted VALUES (41); DELETE FROM Counted;"));
    EXPECT_EQ(lines(update()), Lines());
    EXPECT_EQ(databaseContent(plant.moduleDb()), databaseContent(plant.sourceDb()));
    EXPECT_EQ(queryValue(plant.moduleDb(), QStringLiteral("SELECT seq FROM sqlite_sequence")), "41");

    // An old PRESET_DEFS that is a view, or whose page is damaged: neither database changes.
    for (const char *logged : {"is a view, not a table", "cannot be read; the module database is left as it was."}) {
        const bool view = logged[0] == 'i';
        plant.writeModuleDb(OldRows + (view ? QStringLiteral("ALTER TABLE PRESET_DEFS RENAME TO Kept;"
                                                             "CREATE VIEW PRESET_DEFS AS SELECT * FROM Kept;")
                                            : QString()));
        QFile file(plant.moduleDb());
        const std::string page = queryValue(
            plant.moduleDb(), QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = 'PRESET_DEFS'"));
        ASSERT_TRUE(view || (file.open(QIODevice::ReadWrite) && file.seek((std::stoi(page) - 1) * 4096LL) &&
                             file.write(QByteArray(4096, '\xff')) == 4096 && file.flush()));
        const QByteArray moduleDb = plant.read(QStringLiteral("Kadex/Kadex.mdb"));
        const QByteArray template_ = plant.read(QStringLiteral("Kadex/Kadex_Source.mdb"));
        const QStringList log = update();
        EXPECT_EQ(plant.read(QStringLiteral("Kadex/Kadex.mdb")), moduleDb);
        EXPECT_EQ(plant.read(QStringLiteral("Kadex/Kadex_Source.mdb")), template_);
        EXPECT_TRUE(!log.isEmpty() && log.last().contains(QLatin1String(logged))) << log.join(u'\n').toStdString();
    }
}

TEST_F(DatabaseUpdateTest, PresetTableInAnotherLetterCaseFailsTheRebuildAndKeepsTheModuleDb)
{
    plant.writeSource(QStringLiteral("CREATE TABLE preset_defs (a);") +
                      templateRow(1, QStringLiteral("'###machine'"), 1, QStringLiteral("'Rpm'"), 1));
    const QByteArray moduleDb = plant.read(QStringLiteral("Kadex/Kadex.mdb"));
    TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
    run.start();
    DatabaseUpdate(run.services).WorkOnMDB();
    EXPECT_EQ(plant.read(QStringLiteral("Kadex/Kadex.mdb")), moduleDb);
    EXPECT_EQ(queryRows(plant.sourceDb(), QStringLiteral("SELECT name FROM sqlite_master WHERE name LIKE "
                                                         "'preset_defs'")),
              (Rows{{"'preset_defs'"}}));
    EXPECT_EQ(lines(run.errorLogLines()),
              (Lines{"Fehler in Kadex / DAO.Database / WorkOnMDB (Nr. 3146) :table \"PRESET_DEFS\" already exists "
                     "(CREATE TABLE \"PRESET_DEFS\" (\"ID\" SMALLINT, \"machine_type\" VARCHAR(50), \"type\" "
                     "VARCHAR(20), \"part\" SMALLINT, \"var_name\" VARCHAR(100), \"category_id\" SMALLINT, "
                     "\"isBitArray\" BIT, \"offset_or_bitno\" SMALLINT, \"text\" VARCHAR(255), \"page_name\" "
                     "VARCHAR(50), \"abs_min\" DOUBLE, \"abs_max\" DOUBLE, \"min\" DOUBLE, \"max\" DOUBLE, \"pass\" "
                     "SMALLINT))"}));
}

// --- runs that end half-way

TEST_F(DatabaseUpdateTest, OperatorsNoLeavesNoHalfBuiltTableBehind)
{
    writeTemplate(templateRow(3, QStringLiteral("'###machine'"), 51, QStringLiteral("'Bad'"), 3));
    const QByteArray source = plant.read(QStringLiteral("Kadex/Kadex_Source.mdb"));
    const QByteArray moduleDb = plant.read(QStringLiteral("Kadex/Kadex.mdb"));
    TestRun run(plant);
    run.start();
    run.ui.answerNext(Diag::Answer::No);
    EXPECT_THROW(DatabaseUpdate(run.services).WorkOnMDB(), Diag::ProgramEnded);

    ASSERT_EQ(run.ui.boxes.size(), 1);
    EXPECT_EQ(run.ui.boxes[0].title, QStringLiteral("Unexpected error"));
    EXPECT_EQ(plant.presetRows(plant.sourceDb(), QStringLiteral("*")), (Rows{{"'earlier run'"}}));
    EXPECT_EQ(plant.read(QStringLiteral("Kadex/Kadex.mdb")), moduleDb);
    EXPECT_FALSE(QFile::exists(plant.sourceDb() + QStringLiteral("-journal")));
}

TEST_F(DatabaseUpdateTest, MissingAdditionalFieldEndsTheRunWithoutChangingEitherDatabase)
{
    plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\nForMachine1=true\r\nForMachine2=true\r\n"
                                                   "DataBaseAdditionalFields=Rpm_Max\r\n");
    const QByteArray moduleDb = plant.read(QStringLiteral("Kadex/Kadex.mdb"));
    TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
    run.start();
    EXPECT_THROW(DatabaseUpdate(run.services).WorkOnMDB(), Diag::ProgramEnded);
    EXPECT_EQ(lines(run.errorLogLines()),
              (Lines{"Conflict while attempting to extend database!Configurationsfile \"KADEX.CFG\", demanded field "
                     "\"RPM_MAX\"missing in machinecopy-database\n\rConfiguration of \"KADEX\" aborted.",
                     "Fehler in Kadex / Kadex_Config / TakeoverMachineCopyMDBData (Nr. 9999) :Database-Error - "
                     "Contact Administrator!"}));
    EXPECT_EQ(plant.read(QStringLiteral("Kadex/Kadex.mdb")), moduleDb);
    EXPECT_EQ(plant.presetRows(plant.sourceDb(), QStringLiteral("*")), (Rows{{"'earlier run'"}}));
}

} // namespace
} // namespace Kadex::Test
