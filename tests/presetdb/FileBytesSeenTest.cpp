#include "presetdb/FileBytesSeen.h"
#include "tests/support/TestRun.h"

#include <gtest/gtest.h>

namespace Kadex::Test {
namespace {

// Another program rewrites Program.ini in place (cut, half, rest) while the run starts: the machine list is read
// from the half-written file, and the file is whole again before the update notes it.
TEST(FileBytesSeenTest, FileReadHalfWrittenAtTheStartCountsAsChangedOnceItIsWhole)
{
    TempPlant plant;
    plant.writeStandardPlant(3);
    const QByteArray whole = plant.read(QStringLiteral("parameter/Program.ini"));
    plant.write(QStringLiteral("parameter/Program.ini"), whole.left(whole.indexOf("[Machine2]")));
    TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
    run.start();
    ASSERT_EQ(run.services.machines.name(2), QString()) << "the machine list must come from the half-written file";
    plant.write(QStringLiteral("parameter/Program.ini"), whole);

    PresetDb::FileBytesSeen seen;
    seen.note(run.services.machines.ProgramIniPath());
    seen.note(run.services.paths.GetCFGPath());

    EXPECT_EQ(seen.changed(), QStringList{run.services.machines.ProgramIniPath()});
    seen.renote();
    EXPECT_EQ(seen.changed(), QStringList());
}

} // namespace
} // namespace Kadex::Test
