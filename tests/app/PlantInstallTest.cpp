// The install into a plant (cmake --install <build> --prefix <plant>/Kadex): the program, and the shipped
// language file only where the plant has none; nothing else of the plant changes.
#include "tests/app/WindowFixture.h"
#include "tests/support/SamplePlantProgram.h"
#include "tests/support/ShippedLanguageFile.h"

#include <QFile>
#include <QProcess>

namespace Kadex::Test {

namespace {

QByteArray builtProgram()
{
    QFile program(QStringLiteral(KADEX_PROGRAM_PATH));
    return program.open(QIODevice::ReadOnly) ? program.readAll() : QByteArray();
}

} // namespace

class PlantInstallTest : public ::testing::Test
{
protected:
    // A copy of the sample plant as a plant has it before the first install: without the program and without the
    // language file the sample plant carries.
    void SetUp() override
    {
        ASSERT_TRUE(SamplePlantProgram::copyPlant(QStringLiteral(KADEX_SOURCE_DIR "/examples/plant"), plant.root()));
        ASSERT_TRUE(QFile::remove(plant.path(QStringLiteral("Kadex/Kadex_Config.ini"))));
    }

    // Runs the install into the plant's Kadex folder; its output.
    QString install() const
    {
        QProcess cmake;
        cmake.start(QStringLiteral("cmake"), {QStringLiteral("--install"), QStringLiteral(KADEX_BUILD_DIR),
                                              QStringLiteral("--prefix"), plant.programDir()});
        EXPECT_TRUE(cmake.waitForFinished(60000));
        EXPECT_EQ(cmake.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(cmake.exitCode(), 0) << cmake.readAllStandardError().toStdString();
        return QString::fromLocal8Bit(cmake.readAllStandardOutput());
    }

    TempPlant plant;
};

TEST_F(PlantInstallTest, FreshPlantGetsTheProgramAndTheLanguageFileAndNothingElse)
{
    QMap<QString, QByteArray> expected = SamplePlantProgram::treeBytes(plant.root());
    install();

    expected.insert(QStringLiteral("Kadex/Kadex_Config"), builtProgram());
    expected.insert(QStringLiteral("Kadex/Kadex_Config.ini"), shippedLanguageFile());
    const QMap<QString, QByteArray> after = SamplePlantProgram::treeBytes(plant.root());
    EXPECT_EQ(after.keys(), expected.keys());
    EXPECT_TRUE(after == expected);
    EXPECT_TRUE(QFileInfo(plant.path(QStringLiteral("Kadex/Kadex_Config"))).isExecutable());

    // The installed program finds its plant and answers.
    const ProgramRun version = SamplePlantProgram::run(plant, {QStringLiteral("--version")}, {});
    EXPECT_EQ(version.exitCode, 0) << version.standardError.toStdString();
    EXPECT_EQ(version.standardOutput, QStringLiteral("Kadex_Config 1.0.0\n"));
}

TEST_F(PlantInstallTest, UpdateReplacesTheProgramAndKeepsThePlantsOwnLanguageFile)
{
    // A plant from an older install: its program, and its own texts in a file of other letter case.
    plant.write(QStringLiteral("Kadex/Kadex_Config"), "an older program");
    const QByteArray ownTexts = "[Language]\r\nLanguage=1033\r\n[1033]\r\nHelp1=Our own words\r\n";
    plant.write(QStringLiteral("Kadex/kadex_config.ini"), ownTexts);
    QMap<QString, QByteArray> expected = SamplePlantProgram::treeBytes(plant.root());

    const QString output = install();

    expected.insert(QStringLiteral("Kadex/Kadex_Config"), builtProgram());
    EXPECT_TRUE(SamplePlantProgram::treeBytes(plant.root()) == expected);
    EXPECT_EQ(plant.read(QStringLiteral("Kadex/kadex_config.ini")), ownTexts);
    EXPECT_TRUE(output.contains(QStringLiteral("Kept: ") + plant.path(QStringLiteral("Kadex/kadex_config.ini"))))
        << output.toStdString();
}

} // namespace Kadex::Test
