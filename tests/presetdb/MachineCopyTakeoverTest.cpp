#include "presetdb/MachineCopyTakeover.h"

#include "diag/Failure.h"
#include "presetdb/AdditionalFields.h"
#include "presetdb/SqliteDb.h"
#include "presetdb/TakeoverRecord.h"
#include "tests/support/FixtureDb.h"
#include "tests/support/PresetPlant.h"
#include "tests/support/TestRun.h"

#include <gtest/gtest.h>

namespace Kadex::Test {
namespace {

// A PRESET_DEFS row with the key and the five carried values; the other fields are fixed.
QString presetRow(int id, const char *machine, const char *varName, const char *offset, const char *carried)
{
    return QStringLiteral("INSERT INTO PRESET_DEFS VALUES (%1, %2, 'DINT', 1, %3, 2, 0, %4, 'txt', 'Seite1', %5);")
        .arg(id)
        .arg(QString::fromUtf8(machine), QString::fromUtf8(varName), QString::fromUtf8(offset),
             QString::fromUtf8(carried));
}

const char *const Generated = "0, 1000, 10, 900, 2";

class MachineCopyTakeoverTest : public ::testing::Test
{
protected:
    MachineCopyTakeoverTest()
    {
        plant.writeStandardPlant(2);
        fields.AddFieldList = QStringList{QString(), QStringLiteral("part")};
        fields.AddFieldSelect = QStringLiteral(", PRESET_DEFS.part");
        fields.AddFieldCount = 1;
    }

    // The working database's PRESET_DEFS as the generation left it.
    void writeNewRows(const QString &rows) const { plant.writeSource(QString::fromLatin1(PresetSchema) + rows); }

    void takeOver(TestRun &run, PresetDb::TakeoverRecord *record = nullptr) const
    {
        PresetDb::Database working(plant.sourceDb());
        PresetDb::Database old(plant.moduleDb());
        PresetDb::TakeoverMachineCopyMDBData(working, old, run.services, fields, record);
    }

    // The var_name of each dropped row, in the order recorded.
    static QStringList droppedNames(const PresetDb::TakeoverRecord &record)
    {
        QStringList names;
        for (const PresetDb::DroppedRow &row : record.dropped()) {
            names.append(row.varName.text());
        }
        return names;
    }

    Rows newRows() const
    {
        return plant.presetRows(plant.sourceDb(), QStringLiteral("ID, abs_min, abs_max, min, max, pass"));
    }

    PresetPlant plant;
    PresetDb::AddFields fields;
};

// --- matching

TEST_F(MachineCopyTakeoverTest, MatchingRowTakesTheFiveValuesAndKeepsEverythingElse)
{
    writeNewRows(presetRow(1, "'M1'", "'V'", "12", Generated) + presetRow(2, "'M1'", "'W'", "12", Generated));
    plant.writeModuleDb(QStringLiteral("INSERT INTO PRESET_DEFS VALUES (7, 'M1', 'OLD', 9, 'V', 5, 1, 12, 'old', "
                                       "'Alt', 0, 100, 5, 95, 1);"
                                       "INSERT INTO PRESET_DEFS VALUES (8, 'M9', 'OLD', 9, 'V', 5, 1, 12, 'old', "
                                       "'Alt', 1, 2, 3, 4, 5);"));
    TestRun run(plant);
    run.start();
    takeOver(run);
    EXPECT_EQ(queryRows(plant.sourceDb(), QStringLiteral("SELECT * FROM PRESET_DEFS ORDER BY rowid")),
              (Rows{{"1", "'M1'", "'DINT'", "1", "'V'", "2", "0", "12", "'txt'", "'Seite1'", "0.0", "100.0", "5.0",
                     "95.0", "1"},
                    {"2", "'M1'", "'DINT'", "1", "'W'", "2", "0", "12", "'txt'", "'Seite1'", "0.0", "1000.0", "10.0",
                     "900.0", "2"}}));
    EXPECT_TRUE(run.errorLogLines().isEmpty());
}

// An old key that is Null turns into the empty text: it matches a new key that is the empty text, never a new
// key that is Null.
TEST_F(MachineCopyTakeoverTest, KeysMatchWithoutCaseAndOffsetAsNumberAndNullAsTheEmptyText)
{
    writeNewRows(presetRow(1, "'m1'", "'Say\"Hi\" it''s'", "3", Generated) +
                 presetRow(2, "'Öl'", "'x'", "5", Generated) + presetRow(3, "'M3'", "NULL", "1", Generated) +
                 presetRow(4, "'M4'", "'y'", "NULL", Generated) + presetRow(5, "'M5'", "'z'", "7", Generated) +
                 presetRow(6, "''", "'e'", "0", Generated) + presetRow(7, "'M7'", "''", "1", Generated) +
                 presetRow(8, "'M8'", "'w'", "''", Generated));
    plant.writeModuleDb(QStringLiteral("CREATE TABLE T AS SELECT * FROM PRESET_DEFS; DROP TABLE PRESET_DEFS;"
                                       "CREATE TABLE PRESET_DEFS (ID, machine_type, type, part, var_name, "
                                       "category_id, isBitArray, offset_or_bitno, text, page_name, abs_min, "
                                       "abs_max, min, max, pass);") +
                        presetRow(1, "'M1'", "'SAY\"HI\" IT''S'", "'3'", "-1, -2, -3, -4, -5") +
                        presetRow(2, "'öL'", "'X'", "5.0", "-1, -2, -3, -4, -5") +
                        presetRow(3, "'M3'", "NULL", "1", "-1, -2, -3, -4, -5") +
                        presetRow(4, "'M4'", "'y'", "NULL", "-1, -2, -3, -4, -5") +
                        presetRow(5, "'M5'", "'z'", "'seven'", "-1, -2, -3, -4, -5") +
                        presetRow(6, "NULL", "'e'", "0", "-6, -6, -6, -6, -6") +
                        presetRow(7, "'M7'", "NULL", "1", "-7, -7, -7, -7, -7") +
                        presetRow(8, "'M8'", "'w'", "NULL", "-8, -8, -8, -8, -8"));
    TestRun run(plant);
    run.start();
    takeOver(run);
    EXPECT_EQ(newRows(), (Rows{{"1", "-1.0", "-2.0", "-3.0", "-4.0", "-5"},
                               {"2", "-1.0", "-2.0", "-3.0", "-4.0", "-5"},
                               {"3", "0.0", "1000.0", "10.0", "900.0", "2"},
                               {"4", "0.0", "1000.0", "10.0", "900.0", "2"},
                               {"5", "0.0", "1000.0", "10.0", "900.0", "2"},
                               {"6", "-6.0", "-6.0", "-6.0", "-6.0", "-6"},
                               {"7", "-7.0", "-7.0", "-7.0", "-7.0", "-7"},
                               {"8", "-8.0", "-8.0", "-8.0", "-8.0", "-8"}}));
}

TEST_F(MachineCopyTakeoverTest, LaterOldRowWinsAndOnlyTheFirstNewRowChanges)
{
    writeNewRows(presetRow(1, "'M1'", "'V'", "1", Generated) + presetRow(2, "'M1'", "'V'", "1", Generated));
    plant.writeModuleDb(presetRow(1, "'M1'", "'V'", "1", "1, 1, 1, 1, 1") +
                        presetRow(2, "'M1'", "'V'", "1", "7, 77, 17, 70, NULL"));
    TestRun run(plant);
    run.start();
    takeOver(run);
    EXPECT_EQ(newRows(),
              (Rows{{"1", "7.0", "77.0", "17.0", "70.0", "NULL"}, {"2", "0.0", "1000.0", "10.0", "900.0", "2"}}));
}

// --- what the record learns

TEST_F(MachineCopyTakeoverTest, RecordCountsOnlyValuesThatArrivedAndListsEveryOldRowWhoseValuesDidNot)
{
    writeNewRows(presetRow(1, "'M1'", "'V'", "1", Generated) + presetRow(2, "'M2'", "'W'", "2", Generated));
    plant.writeModuleDb(presetRow(1, "'M1'", "'V'", "1", "1, 1, 1, 1, 1") +       // overwritten by the next row
                        presetRow(2, "'M1'", "'V'", "1", "7, 77, 17, 70, NULL") + // carried
                        presetRow(3, "'M1'", "'Partly'", "3", "NULL, 5, NULL, NULL, NULL") + // tuned in part
                        presetRow(4, "'M1'", "'Untuned'", "4", "NULL, NULL, NULL, NULL, NULL") +
                        presetRow(5, "'m2'", "'w'", "2", "3, 4, 5, 6, 7"));
    TestRun run(plant);
    run.start();
    PresetDb::TakeoverRecord record;
    takeOver(run, &record);

    EXPECT_EQ(record.carriedFor(QStringLiteral("M1")), 1);
    EXPECT_EQ(record.carriedFor(QStringLiteral("M2")), 1);
    EXPECT_EQ(droppedNames(record), (QStringList{"Partly", "V"}));
    EXPECT_EQ(PresetDb::toText(record.dropped().value(1).values.value(0)), std::optional<QString>("1"));
    EXPECT_EQ(record.notCarried(), 0);
    EXPECT_TRUE(record.failures().isEmpty());
}

TEST_F(MachineCopyTakeoverTest, TakeOverThatCannotRunRecordsEveryRowWithValuesAndWhy)
{
    // A template whose table lacks page_name: the take-over's query cannot be built, no row is matched.
    plant.writeSource(QStringLiteral(
        "CREATE TABLE PRESET_DEFS (ID SMALLINT, machine_type VARCHAR(50), type VARCHAR(20), part SMALLINT, "
        "var_name VARCHAR(100), category_id SMALLINT, isBitArray BIT, offset_or_bitno SMALLINT, text VARCHAR(255), "
        "abs_min DOUBLE, abs_max DOUBLE, min DOUBLE, max DOUBLE, pass SMALLINT);"
        "INSERT INTO PRESET_DEFS VALUES (1, 'M1', 'DINT', 1, 'V', 2, 0, 1, 't', 0, 1000, 10, 900, 2);"));
    plant.writeModuleDb(presetRow(1, "'M1'", "'V'", "1", "7, 77, 17, 70, NULL") +
                        presetRow(2, "'M1'", "'Untuned'", "2", "NULL, NULL, NULL, NULL, NULL"));
    TestRun run(plant);
    run.start();
    PresetDb::TakeoverRecord record;
    takeOver(run, &record);

    EXPECT_EQ(record.carriedFor(QStringLiteral("M1")), 0);
    EXPECT_EQ(droppedNames(record), QStringList{"V"});
    EXPECT_EQ(record.notCarried(), 1);
    EXPECT_EQ(record.failures(), QStringList{"the new table lacks a field the take-over needs"});
    EXPECT_TRUE(run.ui.boxes.isEmpty()) << "no report of its own";

    // Without plant values at stake nothing is lost, and nothing is told.
    plant.writeModuleDb(presetRow(2, "'M1'", "'Untuned'", "2", "NULL, NULL, NULL, NULL, NULL"));
    PresetDb::TakeoverRecord untuned;
    takeOver(run, &untuned);
    EXPECT_TRUE(untuned.failures().isEmpty());
    EXPECT_TRUE(untuned.dropped().isEmpty());
}

TEST_F(MachineCopyTakeoverTest, EmptyOldTableIsNothingToTakeOver)
{
    writeNewRows(presetRow(1, "'M1'", "'V'", "1", Generated));
    plant.writeModuleDb();
    fields.AddFieldList = QStringList{QString(), QStringLiteral("part"), QStringLiteral("missing")};
    TestRun run(plant);
    run.start();
    takeOver(run);
    EXPECT_EQ(newRows(), (Rows{{"1", "0.0", "1000.0", "10.0", "900.0", "2"}}));
    EXPECT_TRUE(run.errorLogLines().isEmpty());
}

TEST_F(MachineCopyTakeoverTest, FieldsMissingFromTheOldTableAreReportedOnceAndKeepTheirNewValues)
{
    writeNewRows(presetRow(1, "'M1'", "'V'", "1", Generated) + presetRow(2, "'M1'", "'W'", "2", Generated));
    runSql(plant.moduleDb(), QStringLiteral("CREATE TABLE PRESET_DEFS (machine_type, var_name, offset_or_bitno, "
                                            "CATEGORIE, abs_min, abs_max, min, max);"
                                            "INSERT INTO PRESET_DEFS VALUES ('M1', 'V', 1, 3, 4, 5, 6, 7);"
                                            "INSERT INTO PRESET_DEFS VALUES ('M1', 'W', 2, 3, 8, 9, 10, 11);"));
    TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
    run.start();
    takeOver(run);
    EXPECT_EQ(newRows(), (Rows{{"1", "4.0", "5.0", "6.0", "7.0", "2"}, {"2", "8.0", "9.0", "10.0", "11.0", "2"}}));
    const QString prefix =
        QStringLiteral("Fehler in Kadex / DAO.Field / TakeoverMachineCopyMDBData (Nr. 3265) :Field '");
    EXPECT_EQ(lines(run.errorLogLines()),
              lines({prefix + QStringLiteral("ID' not found."), prefix + QStringLiteral("type' not found."),
                     prefix + QStringLiteral("isBitArray' not found."), prefix + QStringLiteral("text' not found."),
                     prefix + QStringLiteral("page_name' not found."), prefix + QStringLiteral("pass' not found.")}));
}

// --- the field-count warning

class FieldCountWarningTest : public MachineCopyTakeoverTest
{
protected:
    FieldCountWarningTest()
    {
        writeNewRows(presetRow(1, "'M1'", "'V'", "1", Generated));
        plant.writeModuleDb(
            QStringLiteral("ALTER TABLE PRESET_DEFS ADD COLUMN extra;") +
            presetRow(1, "'M1'", "'V'", "1", "1, 2, 3, 4, 5").replace(QStringLiteral(");"), QStringLiteral(", 'x');")));
        fields = {};
    }

    const QString warning = QStringLiteral("WARNING!\n\rMachinecopy contains data in fields that won't be taken over!"
                                           "\n\rConfigurationfile \"KADEX.CFG\", missing entry "
                                           "\"DataBaseAdditionalFields \"\n\rIf you continue now this data will be "
                                           "lost.\n\rContinue?");
};

TEST_F(FieldCountWarningTest, NoEndsTheProgramWithTheAbortLinesAndChangesNothing)
{
    TestRun run(plant);
    run.start();
    run.ui.answerNext(Diag::Answer::No);
    run.ui.answerNext(Diag::Answer::Ok);
    EXPECT_THROW(takeOver(run), Diag::ProgramEnded);

    ASSERT_EQ(run.ui.boxes.size(), 2);
    EXPECT_EQ(run.ui.boxes[0], (Diag::MessageBox{warning, QStringLiteral("Kadex_Config"), Diag::Buttons::YesNo,
                                                 Diag::Icon::Exclamation, Diag::Answer::No}));
    EXPECT_EQ(run.ui.boxes[1].title, QStringLiteral("Fatal error"));
    EXPECT_EQ(run.ui.boxes[1].buttons, Diag::Buttons::Ok);
    const QString restart = (plant.programDir() + QStringLiteral("/Kadex_Config.EXE!")).toUpper();
    EXPECT_EQ(lines(run.errorLogLines()),
              lines({QStringLiteral("Kadex_Config :Database-Error - Contact Administrator! Configurationprogram "
                                    "\"KADEX\" terminated. Please check Configuration in \"KADEX.CFG\" Restart ") +
                         restart,
                     QStringLiteral("Fehler in Kadex / Kadex_Config / TakeoverMachineCopyMDBData (Nr. 9999) "
                                    ":Database-Error - Contact Administrator!")}));
    EXPECT_EQ(newRows(), (Rows{{"1", "0.0", "1000.0", "10.0", "900.0", "2"}}));
}

TEST_F(FieldCountWarningTest, YesTakesTheValuesOver)
{
    TestRun run(plant);
    run.start();
    run.ui.answerNext(Diag::Answer::Yes);
    takeOver(run);
    EXPECT_EQ(run.ui.boxes.size(), 1);
    EXPECT_EQ(newRows(), (Rows{{"1", "1.0", "2.0", "3.0", "4.0", "5"}}));
    EXPECT_TRUE(run.errorLogLines().isEmpty());
}

TEST_F(FieldCountWarningTest, SilentRunLogsTheWarningAndTakesTheValuesOver)
{
    TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
    run.start();
    takeOver(run);
    EXPECT_TRUE(run.ui.boxes.isEmpty());
    EXPECT_EQ(lines(run.servicePackLines()),
              lines({QStringLiteral("! Fault Kadex_Config: ") + QString(warning).remove(QStringLiteral("\n\r"))}));
    EXPECT_EQ(newRows(), (Rows{{"1", "1.0", "2.0", "3.0", "4.0", "5"}}));
}

TEST_F(FieldCountWarningTest, FifteenFieldsOrKnownAdditionalFieldsNeverWarn)
{
    fields.AddFieldCount = 1;
    {
        TestRun run(plant);
        run.start();
        takeOver(run);
        EXPECT_TRUE(run.ui.boxes.isEmpty());
    }
    fields.AddFieldCount = 0;
    runSql(plant.moduleDb(), QStringLiteral("ALTER TABLE PRESET_DEFS DROP COLUMN extra"));
    TestRun run(plant);
    run.start();
    takeOver(run);
    EXPECT_TRUE(run.ui.boxes.isEmpty());
    EXPECT_EQ(newRows(), (Rows{{"1", "1.0", "2.0", "3.0", "4.0", "5"}}));
}

// --- configured additional fields

TEST_F(MachineCopyTakeoverTest, MissingAdditionalFieldEndsTheProgramBeforeAnyRowChanges)
{
    writeNewRows(presetRow(1, "'M1'", "'V'", "1", Generated));
    plant.writeModuleDb(presetRow(1, "'M1'", "'V'", "1", "1, 2, 3, 4, 5"));
    const QString missing = QStringLiteral("Conflict while attempting to extend database!Configurationsfile "
                                           "\"KADEX.CFG\", demanded field \"%1\"missing in machinecopy-database\n\r"
                                           "Configuration of \"KADEX\" aborted.");
    const QString fatal = QStringLiteral("Fehler in Kadex / Kadex_Config / TakeoverMachineCopyMDBData (Nr. 9999) "
                                         ":Database-Error - Contact Administrator!");

    fields.AddFieldList = QStringList{QString(), QStringLiteral("part"), QStringLiteral("Rpm_Max")};
    {
        TestRun run(plant);
        run.start();
        run.ui.answerNext(Diag::Answer::Ok);
        EXPECT_THROW(takeOver(run), Diag::ProgramEnded);
        ASSERT_EQ(run.ui.boxes.size(), 1);
        EXPECT_EQ(run.ui.boxes[0].title, QStringLiteral("Fatal error"));
        EXPECT_EQ(lines(run.errorLogLines()), lines({missing.arg(QStringLiteral("RPM_MAX")), fatal}));
    }
    // The check compares with letter case, and a silent run ends all the same, without a box.
    fields.AddFieldList = QStringList{QString(), QStringLiteral("Part")};
    QFile::remove(plant.path(QStringLiteral("R4Mcfglog.txt")));
    TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
    run.start();
    EXPECT_THROW(takeOver(run), Diag::ProgramEnded);
    EXPECT_TRUE(run.ui.boxes.isEmpty());
    EXPECT_EQ(lines(run.errorLogLines()), lines({missing.arg(QStringLiteral("PART")), fatal}));
    ASSERT_EQ(run.servicePackLines().size(), 1);
    EXPECT_TRUE(run.servicePackLines()[0].startsWith(
        QStringLiteral("! Fault Kadex_Config: Unexpected error!\n\rDatabase-Error - Contact Administrator!")));
    EXPECT_EQ(newRows(), (Rows{{"1", "0.0", "1000.0", "10.0", "900.0", "2"}}));
}

} // namespace
} // namespace Kadex::Test
