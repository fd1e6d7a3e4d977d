// Saving on OK: what is and is not written, for machines in and out of use, and where.
#include "tests/app/WindowFixture.h"

#include "diag/Messages.h"
#include "platform/IniText.h"

#include <QTest>

namespace Kadex::Test {

namespace {

const QString Br = Diag::Messages::LineBreak;

QStringList channelEntries(const QList<int> &values)
{
    QStringList entries;
    for (qsizetype k = 0; k < values.size(); ++k) {
        entries.append(QStringLiteral("KadexInOrOutput%1=%2").arg(k + 1).arg(values[k]));
    }
    return entries;
}

} // namespace

using WriteInputsTest = WindowTest;

TEST_F(WriteInputsTest, OkWritesMachinesInUseAfterTheDatabaseUpdateThenStamps)
{
    plant.write(QStringLiteral("Kadex/Kadex.cfg"),
                "[Project]\r\nForMachine1=true\r\nForMachine2=TRUE\r\nForMachine3=false\r\n");
    const QByteArray machine3 = "[Machine3]\r\nMachineName=M3\r\nKadex2ndMachineNr=9\r\nKadexNumberOfProcent=junk\r\n"
                                "KadexInOrOutput1=7\r\n";
    const QByteArray before = "; plant settings\r\n[Project]\r\nNumberOfMachines=3\r\n"
                              "[Machine1]\r\nMachineName=M1\r\nKadex2ndMachineNr=2\r\nKadexNumberOfProcent=4\r\n"
                              "KadexInOrOutput1=2\r\nKadexInOrOutput3=3\r\n"
                              "[Machine2]\r\nMachineName=M2\r\n" +
                              machine3;
    plant.write(QStringLiteral("parameter/Program.ini"), before);
    open();

    paste(percent(2), QStringLiteral("-4"));
    click(check(24 + 3 * 7 + 2)); // machine 2, channel 8: "Ausg."
    pressOK();

    EXPECT_TRUE(window->programEnded());
    ASSERT_EQ(updates.size(), 1);
    EXPECT_EQ(updates[0], before) << "the settings are written after the database update";
    EXPECT_FALSE(okEnabledDuringUpdate);
    EXPECT_FALSE(cancelEnabledDuringUpdate);
    EXPECT_TRUE(busyDuringUpdate);
    EXPECT_EQ(run->ui.busyChanges, (QList<bool>{true, false}));

    const QByteArray after = programIni();
    EXPECT_EQ(sectionEntries(after, QStringLiteral("Machine1")),
              (QStringList{QStringLiteral("MachineName=M1"), QStringLiteral("Kadex2ndMachineNr=2"),
                           QStringLiteral("KadexNumberOfProcent=4"), QStringLiteral("KadexInOrOutput1=2"),
                           QStringLiteral("KadexInOrOutput3=3"), QStringLiteral("KadexInOrOutput2=1"),
                           QStringLiteral("KadexInOrOutput4=1"), QStringLiteral("KadexInOrOutput5=1"),
                           QStringLiteral("KadexInOrOutput6=1"), QStringLiteral("KadexInOrOutput7=1"),
                           QStringLiteral("KadexInOrOutput8=1")}));
    EXPECT_EQ(sectionEntries(after, QStringLiteral("Machine2")),
              QStringList({QStringLiteral("MachineName=M2"), QStringLiteral("Kadex2ndMachineNr=0"),
                           QStringLiteral("KadexNumberOfProcent=-4")}) +
                  channelEntries({1, 1, 1, 1, 1, 1, 1, 3}));
    EXPECT_TRUE(after.startsWith("; plant settings\r\n"));
    EXPECT_TRUE(after.endsWith(machine3)) << "a machine out of use keeps every entry";

    EXPECT_EQ(sectionEntries(moduleConfiguration(), QStringLiteral("Info")),
              (QStringList{QStringLiteral("S_Prog=1.0.2 - Standalone"), QStringLiteral("S_Editor=666768")}));
    EXPECT_TRUE(run->ui.boxes.isEmpty());
}

TEST_F(WriteInputsTest, ChannelWithBothBoxesCheckedIsOutputAndWithNoneIsNone)
{
    plant.writeStandardPlant(1);
    open();
    // Boxes set apart from the channel rule: channel 1 gets "Eing." and "Ausg.", channel 2 loses "kein".
    for (int index : {1, 2, 3}) {
        check(index)->toggle();
    }
    pressOK();

    EXPECT_EQ(iniValue(programIni(), QStringLiteral("Machine1"), QStringLiteral("KadexInOrOutput1")),
              QStringLiteral("3"));
    EXPECT_EQ(iniValue(programIni(), QStringLiteral("Machine1"), QStringLiteral("KadexInOrOutput2")),
              QStringLiteral("1"));
}

TEST_F(WriteInputsTest, ClickOnNoneOrInputOfAnOutputChannelClearsTheOutput)
{
    plant.writeStandardPlant(1);
    plant.write(QStringLiteral("parameter/Program.ini"),
                "[Project]\r\nNumberOfMachines=1\r\n[Machine1]\r\n"
                "MachineName=M1\r\nKadexInOrOutput1=3\r\nKadexInOrOutput2=3\r\n");
    open();
    ASSERT_TRUE(check(2)->isChecked());
    ASSERT_TRUE(check(5)->isChecked());

    click(check(0)); // channel 1: "kein"
    click(check(4)); // channel 2: "Eing."
    EXPECT_EQ((QList<bool>{check(0)->isChecked(), check(1)->isChecked(), check(2)->isChecked()}),
              (QList<bool>{true, false, false}));
    EXPECT_EQ((QList<bool>{check(3)->isChecked(), check(4)->isChecked(), check(5)->isChecked()}),
              (QList<bool>{false, true, false}));
    pressOK();

    EXPECT_EQ(iniValue(programIni(), QStringLiteral("Machine1"), QStringLiteral("KadexInOrOutput1")),
              QStringLiteral("1"));
    EXPECT_EQ(iniValue(programIni(), QStringLiteral("Machine1"), QStringLiteral("KadexInOrOutput2")),
              QStringLiteral("2"));
}

TEST_F(WriteInputsTest, ListWithoutSelectionKeepsTheStoredSecondMachine)
{
    plant.writeStandardPlant(3);
    plant.write(QStringLiteral("parameter/Program.ini"),
                "[Project]\r\nNumberOfMachines=3\r\n[Machine1]\r\nMachineName=M1\r\nKadex2ndMachineNr=5\r\n"
                "[Machine2]\r\nMachineName=M2\r\n[Machine3]\r\nMachineName=M3\r\n");
    open();
    pressOK();

    const QByteArray after = programIni();
    EXPECT_EQ(iniValue(after, QStringLiteral("Machine1"), QStringLiteral("Kadex2ndMachineNr")), QStringLiteral("5"));
    EXPECT_EQ(iniValue(after, QStringLiteral("Machine1"), QStringLiteral("KadexNumberOfProcent")), QStringLiteral("0"));
    EXPECT_EQ(iniValue(after, QStringLiteral("Machine2"), QStringLiteral("Kadex2ndMachineNr")), QStringLiteral("0"));
}

TEST_F(WriteInputsTest, IntegratedRunReadsFromTheSaveFolderAndWritesTheLocalFile)
{
    const QString saveFolder = plant.path(QStringLiteral("Save"));
    plant.write(QStringLiteral("parameter/r4mconfiguration.ini"),
                "[Common]\r\nSaveAndRestore=" + saveFolder.toUtf8() + "\r\nNameM1=Presse\r\n");
    plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\nValidMachines=all\r\n");
    const QByteArray saved = "[Machine1]\r\nKadexNumberOfProcent=9\r\nKadexInOrOutput2=2\r\n";
    plant.write(QStringLiteral("Save/parameter/program.ini"), saved);
    plant.write(QStringLiteral("parameter/Program.ini"), "[Machine1]\r\nKadexNumberOfProcent=1\r\n");
    open(QStringLiteral("/EXTERNAL:R4MCFG"));
    EXPECT_EQ(percent(1)->text(), QStringLiteral("9"));
    pressOK();

    EXPECT_EQ(plant.read(QStringLiteral("Save/parameter/program.ini")), saved);
    EXPECT_EQ(sectionEntries(programIni(), QStringLiteral("Machine1")),
              QStringList({QStringLiteral("KadexNumberOfProcent=9"), QStringLiteral("Kadex2ndMachineNr=0")}) +
                  channelEntries({1, 2, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(iniValue(moduleConfiguration(), QStringLiteral("Info"), QStringLiteral("S_Prog")),
              QStringLiteral("1.0.2 - Integrated"));
}

TEST_F(WriteInputsTest, MissingProgramIniIsReportedAndNothingIsWritten)
{
    // An integrated run reads from the save folder; the local Program.ini it would write to is missing.
    const QString saveFolder = plant.path(QStringLiteral("Save"));
    plant.write(QStringLiteral("parameter/r4mconfiguration.ini"),
                "[Common]\r\nSaveAndRestore=" + saveFolder.toUtf8() + "\r\nNameM1=Presse\r\n");
    plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\nValidMachines=ALL\r\n");
    plant.write(QStringLiteral("Save/parameter/program.ini"), "[Machine1]\r\nKadexNumberOfProcent=9\r\n");
    const QByteArray cfgBefore = moduleConfiguration();
    open(QStringLiteral("/EXTERNAL:R4MCFG"));
    run->ui.answerNext(Diag::Answer::Yes);
    pressOK();

    const QString missing = plant.root() + QStringLiteral("/parameter/Program.ini");
    ASSERT_EQ(run->ui.boxes.size(), 1);
    EXPECT_EQ(run->ui.boxes[0].title, QStringLiteral("Unexpected error"));
    EXPECT_TRUE(run->ui.boxes[0].text.startsWith(QStringLiteral("Unexpected error!") + Br +
                                                 QStringLiteral("File not found (") + missing + QLatin1Char(')')))
        << run->ui.boxes[0].text.toStdString();
    EXPECT_FALSE(plant.exists(QStringLiteral("parameter/Program.ini")));
    EXPECT_EQ(moduleConfiguration(), cfgBefore) << "no stamp for settings that were not written";
    EXPECT_TRUE(window->programEnded());
}

TEST_F(WriteInputsTest, ProgramIniRefusingWritesIsReportedOnceAndNothingElseIsWritten)
{
    plant.writeStandardPlant(2);
    const QString path = plant.path(QStringLiteral("parameter/Program.ini"));
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    const QByteArray before = programIni();
    const QByteArray cfgBefore = moduleConfiguration();
    open();
    paste(percent(1), QStringLiteral("7"));
    run->ui.answerNext(Diag::Answer::Yes);
    pressOK();

    const QString refused = QStringLiteral("Path/File access error (") + path + QStringLiteral("): '") + path +
                            QStringLiteral("' is read-only");
    EXPECT_EQ(boxTexts(),
              QStringList{QStringLiteral("Unexpected error!") + Br + refused + Br + QStringLiteral("Error logged to ") +
                          Br + run->report.errorLogPath() + Br + QStringLiteral("Resume?")});
    EXPECT_EQ(run->errorLogLines(),
              QStringList{QStringLiteral("Fehler in Kadex / Kadex_Config / WriteInputs (Nr. 75) :") + refused});
    EXPECT_EQ(programIni(), before);
    EXPECT_EQ(moduleConfiguration(), cfgBefore) << "no stamp for settings that were not written";
    EXPECT_TRUE(window->programEnded());
}

TEST_F(WriteInputsTest, NoMachineInUseWritesOnlyTheStamp)
{
    plant.writeStandardPlant(2);
    plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\nForMachine1=false\r\n");
    const QByteArray before = programIni();
    open();
    pressOK();

    EXPECT_EQ(programIni(), before);
    EXPECT_EQ(iniValue(moduleConfiguration(), QStringLiteral("Info"), QStringLiteral("S_Editor")),
              QStringLiteral("666768"));
}

TEST_F(WriteInputsTest, SettingsLeaveProgramIniAsWritingThemOneByOneWould)
{
    plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\nForMachine1=true\r\nForMachine2=true\r\n");
    // Other modules' sections between, names in other letter cases, a key without '=', a quoted value, a second
    // section of a name, LF line endings and no line ending at the end.
    const QByteArray before = "[Project]\nNumberOfMachines=2\n[Other]\nA=1\n"
                              "[machine1]\nmachinename=M1\nkadex2ndmachinenr = 2 \nKadexInOrOutput3\n; note\n\n"
                              "[Other2]\nB=2\n[Machine2]\nMachineName=M2\nKadexNumberOfProcent=\"3\"\n"
                              "[Machine1]\nKadexInOrOutput1=3";
    plant.write(QStringLiteral("parameter/Program.ini"), before);
    open();
    pressOK();

    // What the settings shown give, written entry by entry in the order of saving, each on the file as it is then.
    QByteArray expected = before;
    const auto save = [&expected](const char *section, const QByteArray &key, int value) {
        Platform::IniText file(expected);
        file.write(section, key, QByteArray::number(value));
        expected = file.bytes();
    };
    const QList<std::pair<const char *, QList<int>>> machines = {{"Machine1", {2, 0}}, {"Machine2", {0, 3}}};
    for (const auto &[section, values] : machines) {
        save(section, "Kadex2ndMachineNr", values[0]);
        save(section, "KadexNumberOfProcent", values[1]);
        for (int k = 1; k <= 8; ++k) {
            save(section, "KadexInOrOutput" + QByteArray::number(k), 1);
        }
    }
    EXPECT_EQ(programIni(), expected);
    EXPECT_TRUE(run->ui.boxes.isEmpty());
}

} // namespace Kadex::Test
