#include "config/EditStamp.h"
#include "tests/support/TestRun.h"

#include <QFile>

#include <gtest/gtest.h>

namespace Kadex::Test {
namespace {

TEST(EditStampTest, ProgramStampNamesVersionAndMode)
{
    EXPECT_EQ(Config::programStamp({1, 0, 2}, true), QStringLiteral("1.0.2 - Integrated"));
    EXPECT_EQ(Config::programStamp({1, 0, 2}, false), QStringLiteral("1.0.2 - Standalone"));
}

TEST(EditStampTest, EditorEncodingSkipsDashesAndUnderscores)
{
    EXPECT_EQ(Config::encodeEditor(QStringLiteral("USERNAME=abc")), QStringLiteral("666768"));
    EXPECT_EQ(Config::encodeEditor(QStringLiteral("X=a-b_c")), QStringLiteral("666768"));
    // Only the first "=" separates: the value may hold more.
    EXPECT_EQ(Config::encodeEditor(QStringLiteral("X=a=b")), QStringLiteral("664267"));
    EXPECT_EQ(Config::encodeEditor(QStringLiteral("abc")), QStringLiteral("666768"));
    // Code 252 (u umlaut) + 5 needs three digits; the euro sign is byte 0x80 in the code page.
    EXPECT_EQ(Config::encodeEditor(QStringLiteral("X=\u00fc\u20ac")), QStringLiteral("10185"));
    EXPECT_EQ(Config::encodeEditor(QStringLiteral("X=")), QString());
}

TEST(EditStampTest, SavingTwiceLeavesOneStampOfTheLastRun)
{
    TempPlant plant;
    plant.writeStandardPlant();
    plant.write(QStringLiteral("Kadex/Kadex.cfg"),
                "; module\r\n[Project]\r\nForMachine1=true\r\n[Info]\r\nS_Prog=old\r\n");
    {
        TestRun run(plant, QStringLiteral("/EXTERNAL:R4MCFG"));
        run.start();
        run.services.stamp.WriteEditInfo();
    }
    TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
    run.start();
    run.services.stamp.WriteEditInfo();

    EXPECT_EQ(plant.read(QStringLiteral("Kadex/Kadex.cfg")),
              QByteArray("; module\r\n[Project]\r\nForMachine1=true\r\n[Info]\r\nS_Prog=1.0.2 - Standalone\r\n"
                         "S_Editor=666768\r\n"));
}

} // namespace
} // namespace Kadex::Test

namespace Kadex::Test {
namespace {

TEST(EditStampFailureTest, ReadOnlyModuleConfigurationIsReportedOnceAndKeepsItsBytes)
{
    TempPlant plant;
    plant.writeStandardPlant();
    const QByteArray before = plant.read(QStringLiteral("Kadex/Kadex.cfg"));
    QFile::setPermissions(plant.path(QStringLiteral("Kadex/Kadex.cfg")), QFile::ReadOwner | QFile::ReadGroup);
    TestRun run(plant);
    run.start();
    run.ui.answerNext(Diag::Answer::Yes);

    run.services.stamp.WriteEditInfo();

    EXPECT_EQ(plant.read(QStringLiteral("Kadex/Kadex.cfg")), before);
    ASSERT_EQ(run.errorLogLines().size(), 1);
    EXPECT_EQ(run.errorLogLines().first(),
              QStringLiteral("Fehler in Kadex / Kadex_Config / WriteEditInfo (Nr. 75) :Path/File access error (") +
                  plant.path(QStringLiteral("Kadex/Kadex.cfg")) + QStringLiteral("): '") +
                  plant.path(QStringLiteral("Kadex/Kadex.cfg")) + QStringLiteral("' is read-only"));
}

} // namespace
} // namespace Kadex::Test
