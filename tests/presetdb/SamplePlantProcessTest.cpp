// The built program as a process on a copy of the sample plant: a silent run regenerates the preset table and
// carries the plant's values over; a run that ends itself half-way leaves the plant as it was.
#include "platform/FileTimes.h"
#include "tests/support/FixtureDb.h"
#include "tests/support/PlantState.h"
#include "tests/support/SamplePlantProgram.h"
#include "tests/support/TempPlant.h"
#include "tests/support/TestRun.h"

#include <gtest/gtest.h>

namespace Kadex::Test {
namespace {

class SamplePlantProcessTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(SamplePlantProgram::install(plant)); }

    // Runs the program silently; returns its exit code, or -1 when it did not end normally in time.
    int runSilently()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KADEX_SERVICEPACK_LOG"), plant.path(QStringLiteral("ServicePack.log")));
        const ProgramRun run = SamplePlantProgram::run(plant, {QStringLiteral("/EXTERNAL:SILENT")}, environment);
        standardError = run.standardError;
        return run.finishedInTime && run.exitStatus == QProcess::NormalExit ? run.exitCode : -1;
    }

    QString moduleDb() const { return plant.path(QStringLiteral("Kadex/Kadex.mdb")); }

    TempPlant plant;
    QString standardError;
};

TEST_F(SamplePlantProcessTest, SilentRunRegeneratesThePresetTableAndCarriesThePlantValuesOver)
{
    const std::optional<Platform::FileTimes> template_ =
        Platform::FileTimes::read(plant.path(QStringLiteral("Kadex/Kadex_Source.mdb")));
    ASSERT_TRUE(template_);

    ASSERT_EQ(runSilently(), 0) << standardError.toStdString();

    // The module database holds the template's tables and rows, written into the same file.
    const QString source = plant.path(QStringLiteral("Kadex/Kadex_Source.mdb"));
    const QString schema = QStringLiteral("SELECT type, name, sql FROM sqlite_master ORDER BY name");
    const QString presets = QStringLiteral("SELECT * FROM PRESET_DEFS ORDER BY rowid");
    EXPECT_EQ(queryRows(moduleDb(), schema), queryRows(source, schema));
    EXPECT_EQ(queryRows(moduleDb(), presets), queryRows(source, presets));
    EXPECT_EQ(Platform::FileTimes::read(plant.path(QStringLiteral("Kadex/Kadex_Source.mdb")))->lastWriteNs,
              template_->lastWriteNs);
    // Presse and Ofen are in use, 13 template rows each; the cutter's old rows are gone.
    EXPECT_EQ(queryRows(moduleDb(), QStringLiteral("SELECT machine_type, count(*), min(ID), max(ID) FROM PRESET_DEFS "
                                                   "GROUP BY machine_type ORDER BY min(ID)")),
              (Rows{{"'Presse'", "13", "1", "13"}, {"'Ofen'", "13", "14", "26"}}));
    const QString select =
        QStringLiteral("SELECT abs_min, abs_max, min, max, pass FROM PRESET_DEFS WHERE var_name = '%1'");
    // Carried over from the old database.
    EXPECT_EQ(queryRows(moduleDb(), select.arg(QStringLiteral("Presse.Kadex.Drehzahl_Soll"))),
              (Rows{{"0.0", "2400.0", "150.0", "2000.0", "2"}}));
    EXPECT_EQ(queryRows(moduleDb(), select.arg(QStringLiteral("Ofen.Kadex.Filterzeit"))),
              (Rows{{"0.0", "10.0", "0.5", "4.0", "3"}}));
    // Named for the other visualisation system in the old database, renamed, then carried over.
    EXPECT_EQ(queryRows(moduleDb(), select.arg(QStringLiteral("Presse.Kadex.Alarm.Ueberdrehzahl"))),
              (Rows{{"NULL", "NULL", "NULL", "NULL", "2"}}));
    // New in the template: its own values.
    EXPECT_EQ(queryRows(moduleDb(), select.arg(QStringLiteral("Presse.Kadex.Drehzahl_Min"))),
              (Rows{{"0.0", "3000.0", "0.0", "500.0", "3"}}));
    EXPECT_EQ(queryValue(moduleDb(), QStringLiteral("SELECT text FROM PRESET_DEFS WHERE ID = 16")),
              "'Höchstdrehzahl Ofen'");

    EXPECT_EQ(lines(fileLines(plant.path(QStringLiteral("R4Mcfglog.txt")))), Lines());
    EXPECT_EQ(lines(fileLines(plant.path(QStringLiteral("ServicePack.log")))), Lines());
}

TEST_F(SamplePlantProcessTest, AdditionalFieldAbortLeavesTheDatabasesAsTheyWereWithoutJournalOrTemporary)
{
    plant.write(QStringLiteral("Kadex/Kadex.cfg"),
                plant.read(QStringLiteral("Kadex/Kadex.cfg"))
                    .replace("[Project]", "[Project]\r\nDataBaseAdditionalFields=missing"));
    const PlantState before = PlantState::of(plant.root());

    // The abort is logged, and the run ends with status 1.
    ASSERT_EQ(runSilently(), 1) << standardError.toStdString();

    const PlantState after = PlantState::of(plant.root());
    EXPECT_EQ(mixedParts(after, before, before), QStringList{}) << "every entry and database as before the run";
    QStringList added = after.files;
    added.removeIf([&](const QString &file) { return before.files.contains(file); });
    // Only the plant's run lock and the logs: the sample plant carries its language file, and the program finds
    // every text in it.
    EXPECT_EQ(added, (QStringList{QStringLiteral("Kadex/.Kadex_Config.lock"), QStringLiteral("R4Mcfglog.txt"),
                                  QStringLiteral("ServicePack.log")}));
    const QStringList log = fileLines(plant.path(QStringLiteral("R4Mcfglog.txt")));
    ASSERT_FALSE(log.isEmpty());
    EXPECT_TRUE(log.first().startsWith(QStringLiteral("Conflict while attempting to extend database!")));
}

} // namespace
} // namespace Kadex::Test
