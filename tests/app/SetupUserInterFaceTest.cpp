// Starting the window: run mode and caption, which machines are shown, and loading every kind of stored value.
#include "tests/app/WindowFixture.h"

#include "diag/Messages.h"
#include "history/UpdateHistory.h"
#include "presetdb/SqliteDb.h"
#include "tests/support/FixtureDb.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

namespace Kadex::Test {

namespace {

const QString Br = Diag::Messages::LineBreak;

// Program.ini with the machines M1..Mn and, for machine 1, the given extra lines.
QByteArray programIniWith(int machines, const QByteArray &machine1Lines)
{
    QByteArray ini = "[Project]\r\nNumberOfMachines=" + QByteArray::number(machines) + "\r\n";
    for (int i = 1; i <= machines; ++i) {
        ini += "[Machine" + QByteArray::number(i) + "]\r\nMachineName=M" + QByteArray::number(i) + "\r\n";
        if (i == 1) {
            ini += machine1Lines;
        }
    }
    return ini;
}

} // namespace

// ---- Form_Load: run mode, caption, buttons -------------------------------------------------------------------

using FormLoadTest = WindowTest;

TEST_F(FormLoadTest, CaptionNamesProgramFolderAndRunMode)
{
    plant.writeStandardPlant(1);
    open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Erweiterte Konfiguration Kadex - standalone"));

    TearDown();
    open(QStringLiteral("/EXTERNAL:R4MCFG"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Erweiterte Konfiguration Kadex - integriert"));
}

TEST_F(FormLoadTest, OkIsEnabledOnlyOnceLoadingHasFinished)
{
    plant.writeStandardPlant(1);
    {
        TestRun unloadedRun(plant);
        App::MainWindow unloaded(unloadedRun.services, unloadedRun.ui, [] {});
        EXPECT_FALSE(unloaded.controls().CommandOK->isEnabled());
        EXPECT_TRUE(unloaded.controls().CommandCancel->isEnabled());
    }
    open();
    EXPECT_TRUE(button("CommandOK")->isEnabled());
    EXPECT_TRUE(button("CommandCancel")->isEnabled());
    EXPECT_TRUE(button("CommandQuest")->hasFocus());
}

TEST_F(FormLoadTest, SilentRunConfirmsInsideTheLoadWithoutShowingTheWindow)
{
    plant.writeStandardPlant(1);
    open(QStringLiteral("/EXTERNAL:SILENT"));

    EXPECT_TRUE(window->programEnded());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Erweiterte Konfiguration Kadex - standalone"));
    EXPECT_EQ(updates.size(), 1);
    EXPECT_EQ(iniValue(programIni(), QStringLiteral("Machine1"), QStringLiteral("KadexInOrOutput8")),
              QStringLiteral("1"));
    EXPECT_EQ(iniValue(moduleConfiguration(), QStringLiteral("Info"), QStringLiteral("S_Prog")),
              QStringLiteral("1.0.2 - Standalone"));
    EXPECT_TRUE(run->ui.boxes.isEmpty());
}

TEST_F(FormLoadTest, MissingModuleConfigurationEndsTheRunAtLoad)
{
    plant.writeStandardPlant(1);
    QFile::remove(plant.path(QStringLiteral("Kadex/Kadex.cfg")));
    const QByteArray before = programIni();
    run = std::make_unique<TestRun>(plant);
    run->ui.answerNext(Diag::Answer::Ok);
    window = std::make_unique<App::MainWindow>(run->services, run->ui, [] {});
    window->load();

    EXPECT_TRUE(window->programEnded());
    ASSERT_EQ(run->ui.boxes.size(), 1);
    EXPECT_EQ(run->ui.boxes[0].text,
              QStringLiteral("File not found: ") + Br + plant.path(QStringLiteral("Kadex/Kadex.cfg")).toUpper());
    EXPECT_EQ(run->ui.boxes[0].icon, Diag::Icon::Critical);
    EXPECT_FALSE(button("CommandOK")->isEnabled());
    EXPECT_EQ(programIni(), before);
}

// ---- Which machines are in use ---------------------------------------------------------------------------------

using MachinesInUseTest = WindowTest;

TEST_F(MachinesInUseTest, StandaloneRunShowsOnlyMachinesMarkedForTheModule)
{
    plant.writeStandardPlant(2);
    plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\nForMachine2=true\r\n");
    open();

    EXPECT_FALSE(control<QLabel>(QStringLiteral("LabelM"), 1)->isVisible());
    EXPECT_FALSE(percent(1)->isVisible());
    EXPECT_TRUE(percent(2)->isVisible());
    EXPECT_EQ(control<QLabel>(QStringLiteral("LabelM"), 2)->text(), QStringLiteral("M2"));
    // The first matrix frame keeps its layout state: visible, "Ma1", nothing checked.
    auto *frame0 = control<QGroupBox>(QStringLiteral("FrameMa"), 0);
    EXPECT_TRUE(frame0->isVisible());
    EXPECT_EQ(frame0->title(), QStringLiteral("Ma1"));
    for (int index = 0; index < 24; ++index) {
        EXPECT_FALSE(check(index)->isChecked()) << index;
    }
    EXPECT_EQ(control<QGroupBox>(QStringLiteral("FrameMa"), 1)->title(), QStringLiteral("M2"));
    EXPECT_TRUE(check(24)->isChecked());
}

TEST_F(MachinesInUseTest, IntegratedRunFindsNamesAsSubstringsOfValidMachines)
{
    plant.write(QStringLiteral("parameter/r4mconfiguration.ini"),
                "[Common]\r\nNameM1=M1\r\nNameM2=M10\r\nNameM3=M2\r\nNameM4=-\r\n");
    plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\nValidMachines=M10;M2\r\n");
    open(QStringLiteral("/EXTERNAL:R4MCFG"));

    for (int i = 1; i <= 3; ++i) {
        EXPECT_TRUE(percent(i)->isVisible()) << i;
    }
    EXPECT_FALSE(percent(4)->isVisible());
    EXPECT_EQ(machineList(1)->count(), 4);
    EXPECT_EQ(machineList(1)->itemText(2), QStringLiteral("M10"));
}

TEST_F(MachinesInUseTest, IntegratedRunWithoutValidMachinesShowsNoMachine)
{
    plant.write(QStringLiteral("parameter/r4mconfiguration.ini"), "[Common]\r\nNameM1=Presse\r\nNameM2=Ofen\r\n");
    plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\n");
    open(QStringLiteral("/EXTERNAL:R4MCFG"));

    for (int i = 1; i <= 5; ++i) {
        EXPECT_FALSE(percent(i)->isVisible()) << i;
        EXPECT_FALSE(machineList(i)->isVisible()) << i;
    }
}

TEST_F(MachinesInUseTest, ListsHoldKeineAndEveryMachineOfThePlant)
{
    plant.writeStandardPlant(3);
    plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\nForMachine1=true\r\nForMachine3=true\r\n");
    open();

    const QStringList expected{QStringLiteral("Keine"), QStringLiteral("M1"), QStringLiteral("M2"),
                               QStringLiteral("M3")};
    for (int i : {1, 3}) {
        QStringList items;
        for (int row = 0; row < machineList(i)->count(); ++row) {
            items.append(machineList(i)->itemText(row));
        }
        EXPECT_EQ(items, expected) << i;
    }
    EXPECT_FALSE(machineList(4)->isVisible());
    EXPECT_FALSE(machineList(5)->isVisible());
}

// ---- Stored values of every kind --------------------------------------------------------------------------------

struct StoredSecondMachine
{
    const char *name;
    const char *line; // the Kadex2ndMachineNr line of machine 1, or ""
    int selected;     // the list position shown, -1 for none
    int table;        // SecondMachineNr of machine 1
};

void PrintTo(const StoredSecondMachine &value, std::ostream *out)
{
    *out << value.name;
}

class StoredSecondMachineTest : public WindowTest, public ::testing::WithParamInterface<StoredSecondMachine>
{
};

TEST_P(StoredSecondMachineTest, SelectsTheStoredPosition)
{
    plant.writeStandardPlant(3);
    plant.write(QStringLiteral("parameter/Program.ini"), programIniWith(3, GetParam().line));
    open();
    EXPECT_EQ(machineList(1)->currentIndex(), GetParam().selected);
    EXPECT_EQ(window->secondMachineNr(1), GetParam().table);
}

INSTANTIATE_TEST_SUITE_P(Values, StoredSecondMachineTest,
                         ::testing::Values(StoredSecondMachine{"Seven", "Kadex2ndMachineNr=7\r\n", 0, 0},
                                           StoredSecondMachine{"MinusOne", "Kadex2ndMachineNr=-1\r\n", 0, 0},
                                           StoredSecondMachine{"Absent", "", 0, 0},
                                           StoredSecondMachine{"Three", "Kadex2ndMachineNr=3\r\n", 3, 3},
                                           StoredSecondMachine{"BeyondTheList", "Kadex2ndMachineNr=5\r\n", -1, 5}),
                         [](const auto &info) { return std::string(info.param.name); });

struct StoredPercentage
{
    const char *name;
    const char *line;  // the KadexNumberOfProcent line of machine 1, or ""
    const char *shown; // the text of TextPercent(1)
    int table;         // NumberOfProcent of machine 1
    QStringList boxes; // the boxes shown while loading
};

void PrintTo(const StoredPercentage &value, std::ostream *out)
{
    *out << value.name;
}

class StoredPercentageTest : public WindowTest, public ::testing::WithParamInterface<StoredPercentage>
{
};

TEST_P(StoredPercentageTest, LoadsAsTheInputRuleAllows)
{
    plant.writeStandardPlant(1);
    plant.write(QStringLiteral("parameter/Program.ini"), programIniWith(1, GetParam().line));
    run = std::make_unique<TestRun>(plant);
    for (qsizetype i = 0; i < GetParam().boxes.size(); ++i) {
        run->ui.answerNext(GetParam().boxes[i].endsWith(QStringLiteral("Resume?")) ? Diag::Answer::Yes
                                                                                   : Diag::Answer::Ok);
    }
    window = std::make_unique<App::MainWindow>(run->services, run->ui, [] {});
    window->load();

    EXPECT_EQ(percent(1)->text(), QString::fromLatin1(GetParam().shown));
    EXPECT_EQ(window->numberOfProcent(1), GetParam().table);
    EXPECT_EQ(boxTexts(), GetParam().boxes);
}

const QString OverflowBox = QStringLiteral("Unexpected error!") + Br + QStringLiteral("Overflow") + Br +
                            QStringLiteral("Error logged to ") + Br + QStringLiteral("%1") + Br +
                            QStringLiteral("Resume?");

INSTANTIATE_TEST_SUITE_P(
    Values, StoredPercentageTest,
    ::testing::Values(StoredPercentage{"Text", "KadexNumberOfProcent=abc\r\n", "0", 0, {}},
                      StoredPercentage{"Absent", "", "0", 0, {}},
                      StoredPercentage{"Twelve", "KadexNumberOfProcent=12\r\n", "12", 12, {}},
                      StoredPercentage{"HalfRoundsToEvenDown", "KadexNumberOfProcent=2.5\r\n", "2", 2, {}},
                      StoredPercentage{"HalfRoundsToEvenUp", "KadexNumberOfProcent=3.5\r\n", "4", 4, {}},
                      StoredPercentage{"Negative", "KadexNumberOfProcent=-4\r\n", "-4", -4, {}},
                      StoredPercentage{
                          "AboveLimit", "KadexNumberOfProcent=20\r\n", "16", 16, {QStringLiteral("Max. 16 erlaubt!")}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(StoredPercentageTest, NumberBeyondSixteenBitsIsReportedAndLoadsAsZero)
{
    plant.writeStandardPlant(1);
    plant.write(QStringLiteral("parameter/Program.ini"), programIniWith(1, "KadexNumberOfProcent=99999\r\n"));
    run = std::make_unique<TestRun>(plant);
    run->ui.answerNext(Diag::Answer::Yes);
    window = std::make_unique<App::MainWindow>(run->services, run->ui, [] {});
    window->load();

    EXPECT_EQ(boxTexts(), QStringList{OverflowBox.arg(run->report.errorLogPath())});
    EXPECT_EQ(run->errorLogLines(),
              QStringList{QStringLiteral("Fehler in Kadex / Kadex_Config / SetupUserInterFace (Nr. 6) :Overflow")});
    EXPECT_EQ(percent(1)->text(), QStringLiteral("0"));
    EXPECT_EQ(window->numberOfProcent(1), 0);
    // The rest of the machine is loaded all the same.
    EXPECT_TRUE(check(0)->isChecked());
    EXPECT_EQ(control<QGroupBox>(QStringLiteral("FrameMa"), 0)->title(), QStringLiteral("M1"));
}

TEST_F(StoredPercentageTest, HistoryReadsTheOverflowingNumberWithoutASecondReport)
{
    plant.writeStandardPlant(1);
    plant.write(QStringLiteral("parameter/Program.ini"), programIniWith(1, "KadexNumberOfProcent=99999\r\n"));
    plant.write(QStringLiteral("Kadex/Kadex.mdb"), "the module database before the update");
    run = std::make_unique<TestRun>(plant);
    History::UpdateHistory history(run->services);
    run->ui.answerNext(Diag::Answer::Yes);
    window = std::make_unique<App::MainWindow>(run->services, run->ui, [&] {
        // An empty database stands for the regenerated one: it differs from the old file, so the file is kept.
        runSql(plant.path(QStringLiteral("regenerated.mdb")), QStringLiteral("CREATE TABLE PRESET_DEFS (id INTEGER)"));
        PresetDb::Database replacement(plant.path(QStringLiteral("regenerated.mdb")));
        history.keepBeforeReplacing(plant.path(QStringLiteral("Kadex/Kadex.mdb")),
                                    plant.read(QStringLiteral("Kadex/Kadex.mdb")), replacement);
    });
    window->setAfterSaving([&] { history.finish(); });
    window->load();
    window->show();
    pressOK();

    EXPECT_EQ(boxTexts(), QStringList{OverflowBox.arg(run->report.errorLogPath())}) << "the load's report only";
    ASSERT_FALSE(history.keptPath().isEmpty());
    const QString report = QString::fromLatin1(
        plant.read(QStringLiteral("Kadex/History/") + QFileInfo(history.keptPath()).fileName() + ".txt"));
    EXPECT_TRUE(report.contains(QRegularExpression(QStringLiteral("KadexNumberOfProcent +0 +0  \"99999\""))))
        << report.toStdString();
}

using StoredChannelTest = WindowTest;

TEST_F(StoredChannelTest, EveryValueChecksOneBoxOfItsChannel)
{
    plant.writeStandardPlant(1);
    // Channel 8 has no entry.
    plant.write(QStringLiteral("parameter/Program.ini"),
                programIniWith(1, "KadexInOrOutput1=0\r\nKadexInOrOutput2=1\r\nKadexInOrOutput3=2\r\n"
                                  "KadexInOrOutput4=3\r\nKadexInOrOutput5=4\r\nKadexInOrOutput6=abc\r\n"
                                  "KadexInOrOutput7=-1\r\n"));
    open();

    const int expectedColumn[8] = {0, 0, 1, 2, 0, 0, 0, 0};
    for (int channel = 0; channel < 8; ++channel) {
        for (int column = 0; column < 3; ++column) {
            EXPECT_EQ(check(3 * channel + column)->isChecked(), column == expectedColumn[channel])
                << "channel " << channel + 1 << " column " << column;
        }
    }
}

} // namespace Kadex::Test
