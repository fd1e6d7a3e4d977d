#include "config/PlantPaths.h"
#include "diag/Failure.h"
#include "tests/support/TestRun.h"

#include <QDir>

#include <gtest/gtest.h>

namespace Kadex::Test {
namespace {

class PlantPathsTest : public ::testing::Test
{
protected:
    TempPlant plant;
};

TEST_F(PlantPathsTest, ComposesEveryPathFromRootAndModule)
{
    plant.writeStandardPlant();
    TestRun run(plant);
    run.start();
    Config::PlantPaths &paths = run.services.paths;

    EXPECT_EQ(paths.GetCFGPath(), plant.path(QStringLiteral("Kadex/Kadex.cfg")));
    EXPECT_EQ(paths.GetPathOCXMDB(), plant.path(QStringLiteral("Kadex/Kadex.mdb")));
    EXPECT_EQ(paths.GetPathSourceOCXMDB(), plant.path(QStringLiteral("Kadex/Kadex_Source.mdb")));
    EXPECT_EQ(paths.GetR4MConfigurationIniPath(), plant.path(QStringLiteral("parameter/r4mconfiguration.ini")));
    EXPECT_EQ(paths.GetProgramIniPath(1), plant.path(QStringLiteral("parameter/Program.ini")));
    EXPECT_EQ(paths.GetProgramIniPath(2), plant.path(QStringLiteral("parameter/Program.ini")));
}

TEST_F(PlantPathsTest, FilesAreFoundWithoutRegardToLetterCase)
{
    plant.write(QStringLiteral("Kadex/KADEX.CFG"), "[Project]\r\n");
    plant.write(QStringLiteral("Parameter/PROGRAM.INI"), "[Project]\r\n");
    plant.write(QStringLiteral("Parameter/R4MConfiguration.INI"), "[Common]\r\n");
    QDir(plant.root()).rmdir(QStringLiteral("parameter"));
    TestRun run(plant);
    run.start();

    EXPECT_EQ(run.services.paths.GetCFGPath(), plant.path(QStringLiteral("Kadex/KADEX.CFG")));
    EXPECT_EQ(run.services.paths.GetProgramIniPath(2), plant.path(QStringLiteral("Parameter/PROGRAM.INI")));
    EXPECT_EQ(run.services.paths.GetR4MConfigurationIniPath(),
              plant.path(QStringLiteral("Parameter/R4MConfiguration.INI")));
}

TEST_F(PlantPathsTest, MissingOptionalFilesGiveEmptyPaths)
{
    plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\n");
    // (A folder or another odd file in a settings file's place stops the run: IniAccessTest's odd-file table.)
    TestRun run(plant);
    run.start();

    EXPECT_EQ(run.services.paths.GetR4MConfigurationIniPath(), QString());
    EXPECT_EQ(run.services.paths.GetProgramIniPath(1), QString());
    EXPECT_EQ(run.services.paths.GetPathMachineCopyMDB(QString()), QString());
}

TEST_F(PlantPathsTest, IntegratedRunReadsProgramIniAndMachineCopyUnderSaveAndRestore)
{
    for (const QString &folder : {plant.path(QStringLiteral("Backup")), plant.path(QStringLiteral("Backup/"))}) {
        plant.writeStandardPlant();
        plant.write(QStringLiteral("parameter/r4mconfiguration.ini"),
                    "[Common]\r\nSaveAndRestore=" + folder.toUtf8() + "\r\nNameM1=M1\r\n");
        plant.write(QStringLiteral("Backup/parameter/Program.ini"), "[Project]\r\n");
        plant.write(QStringLiteral("Backup/Kadex/Kadex.mdb"), "db");
        TestRun run(plant, QStringLiteral("/EXTERNAL:R4MCFG"));
        run.start();

        EXPECT_EQ(run.services.paths.GetProgramIniPath(1), plant.path(QStringLiteral("Backup/parameter/Program.ini")));
        // Writing always goes to the plant's own program INI.
        EXPECT_EQ(run.services.paths.GetProgramIniPath(2), plant.path(QStringLiteral("parameter/Program.ini")));
        EXPECT_EQ(run.services.paths.GetPathMachineCopyMDB(run.services.paths.GetR4MConfigurationIniPath()),
                  plant.path(QStringLiteral("Backup/Kadex/Kadex.mdb")));
    }
}

TEST_F(PlantPathsTest, IntegratedRunNeverFallsBackToTheLocalProgramIni)
{
    plant.writeStandardPlant(); // has parameter/Program.ini, but no SaveAndRestore entry
    TestRun run(plant, QStringLiteral("/EXTERNAL:R4MCFG"));
    run.start();

    EXPECT_EQ(run.services.paths.GetProgramIniPath(1), QString());
    EXPECT_EQ(run.services.paths.GetPathMachineCopyMDB(run.services.paths.GetR4MConfigurationIniPath()), QString());
}

TEST_F(PlantPathsTest, MissingModuleConfigurationEndsTheProgramWithANotice)
{
    TestRun run(plant);
    run.start();
    run.ui.answerNext(Diag::Answer::Ok);

    EXPECT_THROW(run.services.paths.GetCFGPath(), Diag::ProgramEnded);

    ASSERT_EQ(run.ui.boxes.size(), 1);
    EXPECT_EQ(run.ui.boxes.first().text,
              QStringLiteral("File not found: \n\r") + plant.path(QStringLiteral("Kadex/Kadex.cfg")).toUpper());
    EXPECT_EQ(run.ui.boxes.first().icon, Diag::Icon::Critical);
    EXPECT_TRUE(run.ui.ended());
}

TEST_F(PlantPathsTest, MissingModuleConfigurationInASilentRunIsLoggedAndStillEnds)
{
    TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
    run.start();

    EXPECT_THROW(run.services.paths.GetCFGPath(), Diag::ProgramEnded);

    EXPECT_TRUE(run.ui.boxes.isEmpty());
    EXPECT_EQ(run.servicePackLines(), QStringList{QStringLiteral("! Fault Kadex_Config: File not found: \n\r") +
                                                  plant.path(QStringLiteral("Kadex/Kadex.cfg")).toUpper()});
}

} // namespace
} // namespace Kadex::Test
