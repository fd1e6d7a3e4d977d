#include "presetdb/RecordGeneration.h"

#include "presetdb/ModuleDbCopy.h"
#include "presetdb/SqliteDb.h"
#include "presetdb/VarNameTemplates.h"
#include "tests/support/FixtureDb.h"
#include "tests/support/PresetPlant.h"
#include "tests/support/TestRun.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace Kadex::Test {
namespace {

using PresetDb::VarNameTemplates;

std::vector<std::string> withTail(std::vector<std::string> head, const std::vector<std::string> &tail)
{
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

class RecordGenerationTest : public ::testing::Test
{
protected:
    RecordGenerationTest()
    {
        plant.writeStandardPlant(2);
        templates.set(PresetDb::VisiWin32, 1, QStringLiteral("###Var_Name"));
        templates.set(PresetDb::VisiWinStudio, 1, QStringLiteral("###Var_Name"));
    }

    // The module source database with an empty PRESET_DEFS and these template rows.
    void writeTemplate(const QString &rows) const { plant.writeSource(QString::fromLatin1(PresetSchema) + rows); }

    void generate(TestRun &run, qint16 systemIndex = PresetDb::VisiWin32)
    {
        PresetDb::Database working(plant.sourceDb());
        // The old database as the update hands it over: read before the generation, when there is one.
        if (!oldDb.exists() && QFileInfo::exists(plant.moduleDb())) {
            oldDb.readFile(plant.moduleDb());
        }
        PresetDb::CreateRecordSets(working, run.services, templates, systemIndex, oldDb);
    }

    // The old rows as the renames left them: in the update's private copy of the module database.
    Rows renamedOldRows(const char *columns)
    {
        const QString copy = QStringLiteral("module-copy.mdb");
        plant.write(copy, oldDb.database().serialize());
        return plant.presetRows(plant.path(copy), QString::fromLatin1(columns));
    }

    Rows rows(const char *columns) const { return plant.presetRows(plant.sourceDb(), QString::fromLatin1(columns)); }

    PresetPlant plant;
    VarNameTemplates templates;
    PresetDb::ModuleDbCopy oldDb;
};

// --- order and numbering

TEST_F(RecordGenerationTest, RowsAreNumberedAcrossMachinesInTemplateIdOrder)
{
    writeTemplate(templateRow(30, QStringLiteral("'###machine'"), 1, QStringLiteral("'c'"), 3) +
                  templateRow(10, QStringLiteral("'###machine'"), 1, QStringLiteral("'a'"), 1) +
                  templateRow(20, QStringLiteral("'###machine'"), 1, QStringLiteral("'b'"), 2));
    TestRun run(plant);
    run.start();
    generate(run);
    EXPECT_EQ(rows("ID, machine_type, var_name"), (Rows{{"1", "'M1'", "'a'"},
                                                        {"2", "'M1'", "'b'"},
                                                        {"3", "'M1'", "'c'"},
                                                        {"4", "'M2'", "'a'"},
                                                        {"5", "'M2'", "'b'"},
                                                        {"6", "'M2'", "'c'"}}));
    EXPECT_TRUE(run.errorLogLines().isEmpty());
}

TEST_F(RecordGenerationTest, RowsPastTheLastSixteenBitIdAreWrittenWithItAndReportedOnce)
{
    writeTemplate(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 16384) "
                                 "INSERT INTO Source_PRESET_DEFS SELECT i, '###machine', 'DINT', 1, 'v' || i, 2, 0, "
                                 "i, 't', 'p', 0, 1, 2, 3, 4 FROM n;"));
    TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
    run.start();
    generate(run);
    EXPECT_EQ(queryRows(plant.sourceDb(), QStringLiteral("SELECT count(*), count(DISTINCT ID), max(ID) FROM "
                                                         "PRESET_DEFS")),
              (Rows{{"32768", "32767", "32767"}}));
    EXPECT_EQ(queryRows(plant.sourceDb(), QStringLiteral("SELECT machine_type, var_name FROM PRESET_DEFS WHERE ID = "
                                                         "32767 ORDER BY rowid")),
              (Rows{{"'M2'", "'v16383'"}, {"'M2'", "'v16384'"}}));
    EXPECT_EQ(lines(run.errorLogLines()),
              Lines{"Fehler in Kadex / Kadex_Config / CreateRecordSets (Nr. 6) :Overflow (ID)"});
}

// --- field values

TEST_F(RecordGenerationTest, TextsGetTheMachineForTheirFirstPlaceholderOnly)
{
    templates.set(PresetDb::VisiWin32, 1, QStringLiteral("###machine.###Var_Name.###machine"));
    templates.set(PresetDb::VisiWin32, 2, QStringLiteral("###MACHINE.###machine.###machine.###var_name"));
    writeTemplate(templateRow(1, QStringLiteral("'###machine_###MACHINE_x'"), 1, QStringLiteral("'Rpm1'"), 1,
                              QStringLiteral("'Drehzahl ###Machine'")) +
                  templateRow(2, QStringLiteral("'plain'"), 2, QStringLiteral("'Rpm2'"), 2, QStringLiteral("''")));
    TestRun run(plant);
    run.start();
    generate(run);
    EXPECT_EQ(rows("machine_type, var_name, text"), (Rows{{"'M1_###MACHINE_x'", "'M1.Rpm1.M1'", "'Drehzahl M1'"},
                                                          {"'plain'", "'M1.M1.###machine.Rpm2'", "''"},
                                                          {"'M2_###MACHINE_x'", "'M2.Rpm1.M2'", "'Drehzahl M2'"},
                                                          {"'plain'", "'M2.M2.###machine.Rpm2'", "''"}}));
}

TEST_F(RecordGenerationTest, NonTextValuesAreCopiedAsTheyAre)
{
    writeTemplate(QStringLiteral("INSERT INTO Source_PRESET_DEFS VALUES (1, NULL, 'REAL', 1, NULL, 2.5, 1, 7, "
                                 "X'00FF', '2024-05-01 12:00:00', -0.25, 1e6, NULL, 99, 3);"));
    TestRun run(plant);
    run.start();
    generate(run);
    const std::vector<std::string> expectedTail = {
        "'REAL'", "1",         "NULL", "2.5",  "1", "7", "X'00FF'", "'2024-05-01 12:00:00'",
        "-0.25",  "1000000.0", "NULL", "99.0", "3"};
    EXPECT_EQ(rows("ID, machine_type, type, part, var_name, category_id, isBitArray, offset_or_bitno, text, "
                   "page_name, abs_min, abs_max, min, max, pass"),
              (Rows{withTail({"1", "NULL"}, expectedTail), withTail({"2", "NULL"}, expectedTail)}));
}

TEST_F(RecordGenerationTest, BadPartIsReportedAndLeavesTheNameEmpty)
{
    writeTemplate(templateRow(1, QStringLiteral("'a'"), 51, QStringLiteral("'Rpm'"), 1) +
                  QStringLiteral("INSERT INTO Source_PRESET_DEFS (ID, part, var_name) VALUES (2, NULL, 'NoPart');") +
                  templateRow(3, QStringLiteral("'c'"), 1, QStringLiteral("'Good'"), 3));
    plant.writeStandardPlant(1);
    TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
    run.start();
    generate(run);
    EXPECT_EQ(rows("ID, var_name"), (Rows{{"1", "''"}, {"2", "''"}, {"3", "'Good'"}}));
    EXPECT_EQ(lines(run.errorLogLines()),
              (Lines{"Fehler in Kadex / Kadex_Config / CreateRecordSets (Nr. 9) :Subscript out "
                     "of range (variable-name template 0, part 51)",
                     "Fehler in Kadex / Kadex_Config / CreateRecordSets (Nr. 13) :Type mismatch "
                     "(part is NULL)"}));
}

// --- visualisation systems and the module database's names

TEST_F(RecordGenerationTest, SystemIndexPicksTheNameAndRenamesTheOtherSystemsNamesInTheModuleDb)
{
    templates.set(PresetDb::VisiWin32, 1, QStringLiteral("V32_###machine_###Var_Name"));
    templates.set(PresetDb::VisiWinStudio, 1, QStringLiteral("VS.###machine.###Var_Name"));
    writeTemplate(templateRow(1, QStringLiteral("'###machine'"), 1, QStringLiteral("'Rpm'"), 1) +
                  templateRow(2, QStringLiteral("'###machine'"), 1, QStringLiteral("'Say\"Hi\"'"), 2));
    plant.writeStandardPlant(1);
    plant.writeModuleDb(QStringLiteral("INSERT INTO PRESET_DEFS (ID, var_name) VALUES (1, 'v32_m1_rpm');"
                                       "INSERT INTO PRESET_DEFS (ID, var_name) VALUES (2, 'VS.M1.Rpm');"
                                       "INSERT INTO PRESET_DEFS (ID, var_name) VALUES (3, 'V32_M1_Say\"Hi\"');"
                                       "INSERT INTO PRESET_DEFS (ID, var_name) VALUES (4, 'Other');"
                                       "INSERT INTO PRESET_DEFS (ID, var_name) VALUES (5, NULL);"));
    {
        TestRun run(plant);
        run.start();
        generate(run, PresetDb::VisiWinStudio);
        EXPECT_TRUE(run.errorLogLines().isEmpty());
    }
    const QByteArray moduleDbBefore = plant.read(QStringLiteral("Kadex/Kadex.mdb"));
    EXPECT_EQ(rows("var_name"), (Rows{{"'VS.M1.Rpm'"}, {"'VS.M1.Say\"Hi\"'"}}));
    EXPECT_EQ(
        renamedOldRows("ID, var_name"),
        (Rows{
            {"1", "'VS.M1.Rpm'"}, {"2", "'VS.M1.Rpm'"}, {"3", "'VS.M1.Say\"Hi\"'"}, {"4", "'Other'"}, {"5", "NULL"}}));

    writeTemplate(templateRow(1, QStringLiteral("'###machine'"), 1, QStringLiteral("'Rpm'"), 1));
    {
        TestRun run(plant);
        run.start();
        generate(run, PresetDb::VisiWin32);
    }
    EXPECT_EQ(rows("var_name"), Rows{{"'V32_M1_Rpm'"}});
    const Rows moduleRows = renamedOldRows("ID, var_name");
    EXPECT_EQ(Rows(moduleRows.begin(), moduleRows.begin() + 2), (Rows{{"1", "'V32_M1_Rpm'"}, {"2", "'V32_M1_Rpm'"}}));
    // The renames never reach the module database file.
    EXPECT_EQ(plant.read(QStringLiteral("Kadex/Kadex.mdb")), moduleDbBefore);
}

TEST_F(RecordGenerationTest, ModuleDbWithoutPresetTableIsReportedOnceForTheWholeGeneration)
{
    writeTemplate(templateRow(1, QStringLiteral("'###machine'"), 1, QStringLiteral("'a'"), 1) +
                  templateRow(2, QStringLiteral("'###machine'"), 1, QStringLiteral("'b'"), 2));
    runSql(plant.moduleDb(), QStringLiteral("CREATE TABLE Other (a)"));
    TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
    run.start();
    generate(run);
    EXPECT_EQ(rows("var_name").size(), 4);
    EXPECT_EQ(lines(run.errorLogLines()),
              Lines{"Fehler in Kadex / DAO.Database / VarNameInQuelleErsetzen (Nr. 3078) :no "
                    "such table: PRESET_DEFS."});
}

// --- machine selection

TEST_F(RecordGenerationTest, StandaloneRunTakesMachinesWhoseForMachineReadsTrue)
{
    writeTemplate(templateRow(1, QStringLiteral("'###machine'"), 1, QStringLiteral("'a'"), 1));
    plant.writeStandardPlant(3);
    plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\nForMachine1=false\r\nForMachine2=TRUE\r\n"
                                                   "ValidMachines=ALL\r\n");
    TestRun run(plant);
    run.start();
    generate(run);
    EXPECT_EQ(rows("ID, machine_type"), (Rows{{"1", "'M2'"}}));
}

TEST_F(RecordGenerationTest, IntegratedRunTakesMachinesNamedInValidMachines)
{
    writeTemplate(templateRow(1, QStringLiteral("'###machine'"), 1, QStringLiteral("'a'"), 1));
    plant.write(QStringLiteral("parameter/r4mconfiguration.ini"), "[Common]\r\nNameM1=M1\r\nNameM2=M\r\nNameM3=M2\r\n");
    plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\nValidMachines=m1\r\nForMachine3=true\r\n");
    {
        TestRun run(plant, QStringLiteral("/EXTERNAL:R4MCFG"));
        run.start();
        generate(run);
    }
    EXPECT_EQ(rows("machine_type"), (Rows{{"'M1'"}, {"'M'"}}));

    writeTemplate(templateRow(1, QStringLiteral("'###machine'"), 1, QStringLiteral("'a'"), 1));
    plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\nValidMachines=all\r\n");
    {
        TestRun run(plant, QStringLiteral("/EXTERNAL:R4MCFG"));
        run.start();
        generate(run);
    }
    EXPECT_EQ(rows("ID").size(), 3);
}

TEST_F(RecordGenerationTest, NoSelectedMachineLeavesTheTableEmptyAndNoMachineAtAllIsReported)
{
    writeTemplate(templateRow(1, QStringLiteral("'###machine'"), 1, QStringLiteral("'a'"), 1));
    plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\n");
    {
        TestRun run(plant);
        run.start();
        generate(run);
        EXPECT_TRUE(run.errorLogLines().isEmpty());
    }
    EXPECT_TRUE(rows("ID").empty());

    QFile::remove(plant.path(QStringLiteral("parameter/Program.ini")));
    TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
    run.start();
    generate(run);
    EXPECT_TRUE(rows("ID").empty());
    EXPECT_EQ(lines(run.errorLogLines()),
              Lines{"Fehler in Kadex / Kadex_Config / CreateRecordSets (Nr. 9) :Subscript out of range (MachineList)"});

    // Without template rows no machine is looked at, so the empty list goes unnoticed.
    writeTemplate(QString());
    QFile::remove(plant.path(QStringLiteral("R4Mcfglog.txt")));
    generate(run);
    EXPECT_TRUE(run.errorLogLines().isEmpty());
}
} // namespace
} // namespace Kadex::Test
