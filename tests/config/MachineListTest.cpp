#include "config/MachineList.h"
#include "tests/support/TestRun.h"

#include <gtest/gtest.h>

namespace Kadex::Test {
namespace {

class MachineListTest : public ::testing::Test
{
protected:
    MachineListTest() { plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\n"); }

    void writePlantIni(const QByteArray &common) const
    {
        plant.write(QStringLiteral("parameter/r4mconfiguration.ini"), "[Common]\r\n" + common);
    }

    TempPlant plant;
};

// --- integrated runs: names from the plant configuration

TEST_F(MachineListTest, IntegratedListEndsAtTheFirstDashOrEmptyName)
{
    writePlantIni("NameM1=Press\r\nNameM2=Oven\r\nNameM3=-\r\nNameM4=Cutter\r\n");
    TestRun run(plant, QStringLiteral("/EXTERNAL:R4MCFG"));
    run.start();
    EXPECT_EQ(run.services.machines.names(), (QStringList{QStringLiteral("Press"), QStringLiteral("Oven")}));
    EXPECT_EQ(run.services.machines.upperIndex(), 2);
    EXPECT_EQ(run.services.machines.name(2), QStringLiteral("Oven"));
}

TEST_F(MachineListTest, IntegratedListHoldsAtMostFiveMachines)
{
    writePlantIni("NameM1=A\r\nNameM2=B\r\nNameM3=C\r\nNameM4=D\r\nNameM5=E\r\nNameM6=F\r\n");
    TestRun run(plant, QStringLiteral("/EXTERNAL:R4MCFG"));
    run.start();
    EXPECT_EQ(run.services.machines.upperIndex(), 5);
}

TEST_F(MachineListTest, IntegratedListStaysEmptyWithoutPlantIniOrFirstName)
{
    {
        TestRun run(plant, QStringLiteral("/EXTERNAL:R4MCFG"));
        run.start();
        EXPECT_TRUE(run.services.machines.isEmpty());
    }
    writePlantIni("NameM2=Oven\r\n");
    TestRun run(plant, QStringLiteral("/EXTERNAL:R4MCFG"));
    run.start();
    EXPECT_TRUE(run.services.machines.isEmpty());
}

// --- standalone and silent runs: names from the program INI

TEST_F(MachineListTest, StandaloneListTakesNumberOfMachinesWithGaps)
{
    plant.write(
        QStringLiteral("parameter/Program.ini"),
        "[Project]\r\nNumberOfMachines=3\r\n[Machine1]\r\nMachineName=Press\r\n[Machine3]\r\nMachineName=-\r\n");
    for (const QString &commandLine : {QString(), QStringLiteral("/EXTERNAL:SILENT")}) {
        TestRun run(plant, commandLine);
        run.start();
        EXPECT_EQ(run.services.machines.names(),
                  (QStringList{QStringLiteral("Press"), QString(), QStringLiteral("-")}));
        EXPECT_EQ(run.services.machines.ProgramIniPath(), plant.path(QStringLiteral("parameter/Program.ini")));
    }
}

TEST_F(MachineListTest, StandaloneListStaysEmptyWithoutCount)
{
    for (const QByteArray &content :
         {QByteArray(), QByteArray("[Project]\r\n"), QByteArray("[Project]\r\nNumberOfMachines=0\r\n")}) {
        if (!content.isEmpty()) {
            plant.write(QStringLiteral("parameter/Program.ini"), content);
        }
        TestRun run(plant);
        run.start();
        EXPECT_TRUE(run.services.machines.isEmpty()) << content.toStdString();
    }
}

// --- the validity rule

TEST_F(MachineListTest, IntegratedValidityIsAllOrASubstringOfValidMachines)
{
    writePlantIni("NameM1=Line1\r\nNameM2=Line2\r\nNameM3=Line10\r\n");
    struct Case
    {
        QByteArray valid;
        std::array<bool, 3> expected;
    };
    const std::array<Case, 4> cases = {{
        {"Line10;Line11", {true, false, true}},
        {"all", {true, true, true}},
        {"ALL,Line2", {false, true, false}},
        {"", {false, false, false}},
    }};
    for (const Case &c : cases) {
        plant.write(QStringLiteral("Kadex/Kadex.cfg"),
                    c.valid.isEmpty() ? QByteArray("[Project]\r\n") : "[Project]\r\nValidMachines=" + c.valid + "\r\n");
        TestRun run(plant, QStringLiteral("/EXTERNAL:R4MCFG"));
        run.start();
        const QString valid = run.services.machines.GetValidMachines();
        for (int i = 1; i <= 3; ++i) {
            EXPECT_EQ(run.services.machines.isMachineInUse(i, valid), c.expected[i - 1]) << c.valid.toStdString() << i;
        }
    }
}

TEST_F(MachineListTest, EmptyMachineNameIsAlwaysFoundInValidMachines)
{
    writePlantIni("NameM1=Press\r\n");
    plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\nValidMachines=Oven\r\n");
    TestRun run(plant, QStringLiteral("/EXTERNAL:R4MCFG"));
    run.start();
    EXPECT_FALSE(run.services.machines.isMachineInUse(1, QStringLiteral("Oven")));
    // Machine 2 has no name: an empty name occurs in every text.
    EXPECT_TRUE(run.services.machines.isMachineInUse(2, QStringLiteral("Oven")));
}

TEST_F(MachineListTest, StandaloneValidityReadsForMachineEntries)
{
    plant.write(QStringLiteral("parameter/Program.ini"), "[Project]\r\nNumberOfMachines=3\r\n");
    plant.write(QStringLiteral("Kadex/Kadex.cfg"),
                "[Project]\r\nValidMachines=ALL\r\nForMachine1=TRUE\r\nForMachine2=false\r\n");
    TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
    run.start();
    const QString valid = run.services.machines.GetValidMachines();
    EXPECT_EQ(valid, QStringLiteral("ALL"));
    EXPECT_TRUE(run.services.machines.isMachineInUse(1, valid));
    EXPECT_FALSE(run.services.machines.isMachineInUse(2, valid));
    EXPECT_FALSE(run.services.machines.isMachineInUse(3, valid));
}

} // namespace
} // namespace Kadex::Test
