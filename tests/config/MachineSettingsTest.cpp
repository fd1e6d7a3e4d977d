// A machine's settings in the program INI: read as the window reads them, written for all machines in one batch.
#include "config/MachineSettings.h"

#include "tests/support/TestRun.h"

#include <QFile>

#include <gtest/gtest.h>

namespace Kadex::Test {
namespace {

using namespace Config;

const QString ProgramIni = QStringLiteral("parameter/Program.ini");

class MachineSettingsTest : public ::testing::Test
{
protected:
    MachineSettingsTest() : run(plant) { run.start(); }

    QString file() const { return plant.path(ProgramIni); }
    IniAccess &ini() { return run.services.ini; }

    TempPlant plant;
    TestRun run;
};

TEST_F(MachineSettingsTest, ReadsAsTheWindowReadsAMissingSectionOrEntryIncluded)
{
    plant.write(ProgramIni, "[Machine1]\r\nKADEX2NDMACHINENR=3\r\nKadexNumberOfProcent= 7,5 \r\n"
                            "KadexInOrOutput1=2\r\nKadexInOrOutput2=3\r\nKadexInOrOutput3=1\r\n"
                            "KadexInOrOutput4=4\r\nKadexInOrOutput5=0\r\nKadexInOrOutput6=3abc\r\n"
                            "[Machine2]\r\nKadex2ndMachineNr=6\r\n"
                            "[Machine4]\r\nKadex2ndMachineNr=-2\r\n"
                            "[Machine5]\r\nKadex2ndMachineNr=5\r\n");

    EXPECT_EQ(readSecondMachineNr(ini(), 1, file()), 3);
    EXPECT_EQ(readSecondMachineNr(ini(), 2, file()), 0) << "beyond the fifth machine";
    EXPECT_EQ(readSecondMachineNr(ini(), 3, file()), 0) << "no section";
    EXPECT_EQ(readSecondMachineNr(ini(), 4, file()), 0) << "negative";
    EXPECT_EQ(readSecondMachineNr(ini(), 5, file()), 5) << "the fifth machine itself";

    // The window converts the text by its own rules; the value reaches it as written.
    EXPECT_EQ(readNumberOfProcentText(ini(), 1, file()), QStringLiteral("7,5"));
    EXPECT_EQ(readNumberOfProcentText(ini(), 3, file()), QString());

    const QList<qint16> channels = {InputChannel, OutputChannel, NoChannel, NoChannel,
                                    NoChannel,    OutputChannel, NoChannel, NoChannel};
    for (int k = 1; k <= ChannelCount; ++k) {
        EXPECT_EQ(readChannel(ini(), 1, k, file()), channels[k - 1]) << "channel " << k;
        EXPECT_EQ(readChannel(ini(), 3, k, file()), NoChannel) << "channel " << k << " of a missing section";
    }

    // The report's reading: every entry as written, -1 where it is missing.
    EXPECT_EQ(readSettingValues(ini(), 1, file()), (QList<qint16>{3, 7, 2, 3, 1, 4, 0, 3, -1, -1}));
    EXPECT_EQ(readSettingValues(ini(), 3, file()), QList<qint16>(10, -1));
    EXPECT_TRUE(run.ui.boxes.isEmpty());
}

TEST_F(MachineSettingsTest, BatchLeavesTheBytesEntryByEntryWritesLeaveAndTouchesNothingElse)
{
    const QByteArray original = "; plant settings\r\n[Project]\r\nNumberOfMachines=2\r\n"
                                "[machine1]\r\nMachineName=M1\r\n; channel 2 by hand\r\nkadexinoroutput2 = 1\r\n"
                                "\r\n[Other]\r\nKadexInOrOutput1=9\n[Machine2]\r\nMachineName=M2";
    plant.write(ProgramIni, original);
    plant.write(QStringLiteral("parameter/OneByOne.ini"), original);
    const QString oneByOne = plant.path(QStringLiteral("parameter/OneByOne.ini"));

    MachineSettingsBatch batch;
    const auto both = [&](int machine, const QString &key, qint16 value) {
        batch.add(machine, key, value);
        ASSERT_NE(ini().SaveIni(static_cast<int>(value), machineSection(machine), key, oneByOne), 0);
    };
    for (int machine = 1; machine <= 3; ++machine) {
        both(machine, secondMachineKey(), static_cast<qint16>(machine % 3));
        both(machine, numberOfProcentKey(), 16);
        for (int k = 1; k <= ChannelCount; ++k) {
            both(machine, channelKey(k), k % 2 == 0 ? OutputChannel : InputChannel);
        }
    }
    EXPECT_EQ(batch.entryNames().value(2), QStringLiteral("[Machine1] KadexInOrOutput1"));
    ASSERT_TRUE(batch.write(ini(), file()));

    const QByteArray written = plant.read(ProgramIni);
    EXPECT_EQ(written, plant.read(QStringLiteral("parameter/OneByOne.ini")));
    EXPECT_TRUE(written.startsWith("; plant settings\r\n[Project]\r\nNumberOfMachines=2\r\n[machine1]\r\n"));
    EXPECT_TRUE(written.contains("[Other]\r\nKadexInOrOutput1=9\n")) << written.constData();
    EXPECT_TRUE(written.contains("MachineName=M1\r\n; channel 2 by hand\r\n")) << written.constData();
    EXPECT_EQ(readSettingValues(ini(), 3, file()), (QList<qint16>{0, 16, 2, 3, 2, 3, 2, 3, 2, 3}));
}

TEST_F(MachineSettingsTest, StoredTextsComeBackExactlyAndAnAddedEntryGoesAgain)
{
    const QByteArray original = "[Machine1]\r\nMachineName=M1\r\nKadex2ndMachineNr=\r\nKadexNumberOfProcent=99999\r\n"
                                "KadexInOrOutput1=0x10\r\nKadexInOrOutput2=\"1,5\"\r\n; by hand\r\n[Other]\r\nA=1\r\n";
    plant.write(ProgramIni, original);

    // Read without any report: a number beyond 16 bits reads 0 as the window's reading gives it, no overflow box.
    const MachineSettings stored = readStoredSettings(1, QStringLiteral("M1"), file());
    EXPECT_EQ(stored.values.mid(0, 3), (QList<qint16>{-1, 0, 16}));
    EXPECT_EQ(stored.texts.mid(0, 5), (QList<StoredText>{QString(), QStringLiteral("99999"), QStringLiteral("0x10"),
                                                         QStringLiteral("1,5"), std::nullopt}));
    EXPECT_TRUE(run.ui.boxes.isEmpty());
    EXPECT_TRUE(run.errorLogLines().isEmpty());

    // Writing the stored texts back over changed entries, and removing those that were missing, gives the bytes back.
    MachineSettingsBatch change;
    change.add(1, secondMachineKey(), 2);
    change.add(1, numberOfProcentKey(), 4);
    change.add(1, channelKey(1), InputChannel);
    change.add(1, channelKey(5), OutputChannel);
    change.add(1, channelKey(6), OutputChannel);
    ASSERT_TRUE(change.write(ini(), file()));
    MachineSettingsBatch back;
    for (const int k : {0, 1, 2, 6, 7}) {
        back.addStored(1, settingKeys()[k], stored.texts[k]);
    }
    ASSERT_TRUE(back.write(ini(), file()));
    EXPECT_EQ(plant.read(ProgramIni), original);
}

TEST_F(MachineSettingsTest, FileThatRefusesTheBatchGetsNoneOfIt)
{
    const QByteArray original = "[Machine1]\r\nKadexInOrOutput1=1\r\n";
    plant.write(ProgramIni, original);
    ASSERT_TRUE(QFile::setPermissions(file(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

    MachineSettingsBatch batch;
    batch.add(1, channelKey(1), OutputChannel);
    batch.add(2, numberOfProcentKey(), 3);
    const bool written = batch.write(ini(), file());
    QFile::setPermissions(file(), QFile::ReadOwner | QFile::WriteOwner);

    EXPECT_FALSE(written);
    EXPECT_EQ(plant.read(ProgramIni), original);
    EXPECT_FALSE(batch.write(ini(), plant.path(QStringLiteral("nofolder/Program.ini"))));
}

} // namespace
} // namespace Kadex::Test
