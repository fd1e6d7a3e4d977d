// Going back to a kept update puts the settings back exactly as the program INI stored them, and only into the
// plant's own program INI, whatever a report says.
#include "history/UpdateHistory.h"

#include "config/CommandLine.h"
#include "config/MachineSettings.h"
#include "history/HistoryCommand.h"
#include "history/UpdateRestore.h"
#include "platform/Cp1252.h"
#include "presetdb/DatabaseUpdate.h"
#include "tests/support/FixtureDb.h"
#include "tests/support/PlantState.h"
#include "tests/support/PresetPlant.h"
#include "tests/support/SamplePlantProgram.h"
#include "tests/support/TestRun.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace Kadex::Test {
namespace {

const QString ProgramIni = QStringLiteral("parameter/Program.ini");

// Texts the window and LoadIniInteger read differently, or not at all.
const QByteArray OddSettings = "[Project]\r\nNumberOfMachines=2\r\n"
                               "[Machine1]\r\nMachineName=M1\r\nKadex2ndMachineNr=5 6\r\nKadexNumberOfProcent=2abc\r\n"
                               "KadexInOrOutput1=0x10\r\nKadexInOrOutput2=1,5\r\nKadexInOrOutput3=1e1\r\n"
                               "KadexInOrOutput4=3.7\r\nKadexInOrOutput5=99999\r\nKadexInOrOutput6=\r\n"
                               "; kept by hand\r\n"
                               "[Machine2]\r\nMachineName=M2\r\nKadexNumberOfProcent=1e1\r\nKadexInOrOutput8=3.7\r\n";

class RestoreSettingsTest : public ::testing::Test
{
protected:
    RestoreSettingsTest()
    {
        plant.writeStandardPlant(2);
        plant.write(ProgramIni, OddSettings);
        plant.writeSource(QStringLiteral("INSERT INTO Source_DEFS VALUES ('VISIWIN32', '###machine.###Var_Name', 1);") +
                          templateRow(1, QStringLiteral("'###machine'"), 1, QStringLiteral("'Rpm'"), 1));
        plant.writeModuleDb(QStringLiteral(
            "INSERT INTO PRESET_DEFS VALUES (1, 'M1', 'DINT', 1, 'M1.Alt', 2, 0, 1, 't', 'p', 5, 6, 7, 8, 9);"));
    }

    // A confirmed run: the update, then every setting of both machines written as the window writes them.
    QList<Diag::MessageBox> update()
    {
        TestRun run(plant);
        run.start();
        PresetDb::DatabaseUpdate update(run.services);
        History::UpdateHistory history(run.services);
        update.setHistory(&history);
        update.WorkOnMDB();
        Config::MachineSettingsBatch batch;
        for (int machine = 1; machine <= 2; ++machine) {
            for (const QString &key : Config::settingKeys()) {
                batch.add(machine, key, machine == 1 ? 2 : 3);
            }
        }
        EXPECT_TRUE(batch.write(run.services.ini, plant.path(ProgramIni)));
        history.finish();
        return run.ui.boxes;
    }

    int restore(QString &out, QString &err, const QString &name = QString())
    {
        TestRun run(plant, QStringLiteral("--restore"));
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        return History::restoreKeptUpdate(run.services, name, outStream, errStream);
    }

    QString reportName() const
    {
        return QStringLiteral("Kadex/History/") +
               History::keptNames(plant.path(QStringLiteral("Kadex/History")), QStringLiteral("Kadex.mdb")).value(0) +
               QStringLiteral(".txt");
    }

    void editReport(const QRegularExpression &pattern, const QString &replacement)
    {
        QString text = Platform::Cp1252::decode(plant.read(reportName()));
        const QString edited = QString(text).replace(pattern, replacement);
        ASSERT_NE(edited, text);
        plant.write(reportName(), Platform::Cp1252::encode(edited));
    }

    // The refused restore prints why and leaves every file of the plant as it was.
    void expectRefused(const QString &why)
    {
        const QMap<QString, QByteArray> tree = SamplePlantProgram::treeBytes(plant.root());
        QString out;
        QString err;
        EXPECT_EQ(restore(out, err), 1) << why.toStdString();
        EXPECT_TRUE(err.contains(QStringLiteral("nothing restored"))) << err.toStdString();
        EXPECT_EQ(SamplePlantProgram::treeBytes(plant.root()), tree) << why.toStdString();
    }

    PresetPlant plant;
};

TEST_F(RestoreSettingsTest, RestoreGivesBackEveryStoredTextAndRemovesTheEntriesTheUpdateAdded)
{
    // The history reads the settings without reports of its own: 99999 raises no overflow box.
    EXPECT_TRUE(update().isEmpty());
    ASSERT_NE(plant.read(ProgramIni), OddSettings);
    const QString report = Platform::Cp1252::decode(plant.read(reportName()));
    EXPECT_TRUE(report.contains(QRegularExpression(QStringLiteral("KadexInOrOutput5 +0 +2  \"99999\"\r\n"))))
        << report.toStdString();
    EXPECT_TRUE(report.contains(QRegularExpression(QStringLiteral("KadexInOrOutput6 +-1 +2  \"\"\r\n"))));
    EXPECT_TRUE(report.contains(QRegularExpression(QStringLiteral("KadexInOrOutput7 +-1 +2  no entry\r\n"))));

    QString out;
    QString err;
    ASSERT_EQ(restore(out, err), 0) << err.toStdString();
    EXPECT_EQ(plant.read(ProgramIni), OddSettings) << "every text as stored, every added entry gone";
    EXPECT_TRUE(out.contains(QStringLiteral("[Machine1] KadexNumberOfProcent: \"2\" -> \"2abc\"")))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("[Machine2] Kadex2ndMachineNr: \"3\" -> no entry"))) << out.toStdString();

    // The restore's own report records the texts it replaced, so that undoing it gives the update's back.
    const QString restoreCopy =
        History::keptNames(plant.path(QStringLiteral("Kadex/History")), QStringLiteral("Kadex.mdb")).value(1);
    const QStringList updated = databaseContent(plant.path(QStringLiteral("Kadex/History/") + restoreCopy));
    ASSERT_EQ(restore(out, err, restoreCopy), 0) << err.toStdString();
    TestRun check(plant);
    EXPECT_EQ(check.services.ini.LoadIniString(QStringLiteral("Machine2"), QStringLiteral("KadexInOrOutput1"),
                                               plant.path(ProgramIni)),
              QStringLiteral("3"));
    EXPECT_EQ(databaseContent(plant.path(QStringLiteral("Kadex/Kadex.mdb"))), updated);
}

TEST_F(RestoreSettingsTest, ReportWithoutStoredTextsRestoresTheValuesItRecorded)
{
    update();
    // A report of an earlier version: no stored texts, the values only.
    editReport(QRegularExpression(QStringLiteral("  (\"[^\\r]*\"|no entry)\\r\\n")), QStringLiteral("\r\n"));

    QString out;
    QString err;
    ASSERT_EQ(restore(out, err), 0) << err.toStdString();
    TestRun check(plant);
    const QList<qint16> machine1 = Config::readSettingValues(check.services.ini, 1, plant.path(ProgramIni));
    EXPECT_EQ(machine1, (QList<qint16>{5, 2, 16, 1, 1, 3, 0, -1, -1, -1}));
    EXPECT_TRUE(out.contains(QStringLiteral("[Machine1] KadexInOrOutput6: 2 -> -1"))) << out.toStdString();
}

TEST_F(RestoreSettingsTest, RestoreRefusesAReportNamingAnotherFileOrMachine)
{
    // Files outside the plant and the program itself are tried on the built program (HistoryProcessTest).
    update();
    editReport(QRegularExpression(QStringLiteral("Settings file: [^\\r]*")),
               QStringLiteral("Settings file: parameter/../Kadex/Kadex.cfg"));
    expectRefused(QStringLiteral("another file of the plant"));
    editReport(QRegularExpression(QStringLiteral("Settings file: [^\\r]*")),
               QStringLiteral("Settings file: parameter/Program.ini"));
    editReport(QRegularExpression(QStringLiteral("Machine 2: M2")), QStringLiteral("Machine 9: M2"));
    expectRefused(QStringLiteral("a machine beyond the fifth"));
}

// A history command's exit status tells what it reported, also when the command found nothing wrong itself: here the
// program's name is too short for a module name (reported), and the listing then finds no kept copy.
TEST(HistoryCommandTest, ExitStatusCountsWhatTheCommandReported)
{
    TempPlant plant;
    Platform::ProcessFacts facts = plant.facts();
    facts.exeName = facts.exeFileName = QStringLiteral("Cfg");
    EXPECT_EQ(History::runHistoryCommand(facts, Config::CommandLine::parse({QStringLiteral("--list")})), 1);
}

} // namespace
} // namespace Kadex::Test
