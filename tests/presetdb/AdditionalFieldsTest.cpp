#include "presetdb/AdditionalFields.h"

#include "tests/support/FixtureDb.h"
#include "tests/support/TestRun.h"

#include <gtest/gtest.h>

namespace Kadex::Test {
namespace {

class AdditionalFieldsTest : public ::testing::Test
{
protected:
    PresetDb::AddFields fieldsFor(const QByteArray &projectSection)
    {
        plant.write(QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\nForMachine1=true\r\n" + projectSection);
        TestRun run(plant);
        run.start();
        PresetDb::AddFields fields;
        const int pumpsBefore = run.ui.pumpCount;
        PresetDb::GetAddFields(run.services, fields);
        pumps = run.ui.pumpCount - pumpsBefore;
        return fields;
    }

    TempPlant plant;
    int pumps = 0;
};

TEST_F(AdditionalFieldsTest, EntryGivesPartFollowedByTheConfiguredNames)
{
    const PresetDb::AddFields fields = fieldsFor("DataBaseAdditionalFields=abc,def\r\n");
    EXPECT_EQ(lines(fields.AddFieldList.value()), (Lines{"", "part", "abc", "def"}));
    EXPECT_EQ(fields.AddFieldSelect, QStringLiteral(", PRESET_DEFS.part, PRESET_DEFS.abc, PRESET_DEFS.def"));
    EXPECT_EQ(fields.AddFieldCount, 3);
    EXPECT_EQ(pumps, 3);
}

TEST_F(AdditionalFieldsTest, MissingEntryGivesPartAlone)
{
    const PresetDb::AddFields fields = fieldsFor("");
    EXPECT_EQ(lines(fields.AddFieldList.value()), (Lines{"", "part"}));
    EXPECT_EQ(fields.AddFieldSelect, QStringLiteral(", PRESET_DEFS.part"));
    EXPECT_EQ(fields.AddFieldCount, 1);
}

TEST_F(AdditionalFieldsTest, BlanksStayAndStrayCommasGiveEmptyNames)
{
    EXPECT_EQ(lines(fieldsFor("DataBaseAdditionalFields=abc, def\r\n").AddFieldList.value()),
              (Lines{"", "part", "abc", " def"}));
    EXPECT_EQ(lines(fieldsFor("DataBaseAdditionalFields=abc,\r\n").AddFieldList.value()),
              (Lines{"", "part", "abc", ""}));
    EXPECT_EQ(lines(fieldsFor("DataBaseAdditionalFields=part,,x\r\n").AddFieldList.value()),
              (Lines{"", "part", "part", "", "x"}));
}

} // namespace
} // namespace Kadex::Test
