#include "config/PlantLock.h"
#include "tests/support/TestRun.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace Kadex::Test {
namespace {

using namespace std::chrono_literals;

class PlantLockTest : public ::testing::Test
{
protected:
    void SetUp() override { plant.writeStandardPlant(); }

    QString lockPath() const { return Config::plantLockPath(plant.programDir(), QStringLiteral("Kadex_Config")); }

    TempPlant plant;
};

TEST_F(PlantLockTest, SecondRunWaitsThenSaysTheOtherIsActiveAndGetsThePlantOnceItEnds)
{
    TestRun first(plant);
    TestRun second(plant);
    first.start();
    second.start();
    std::optional<Platform::FileLock> held = Config::holdPlant(lockPath(), first.report, 0ms);
    ASSERT_TRUE(held && held->held());

    QElapsedTimer clock;
    clock.start();
    second.ui.answerNext(Diag::Answer::Ok);
    EXPECT_FALSE(Config::holdPlant(lockPath(), second.report, 300ms));
    EXPECT_GE(clock.elapsed(), 300);
    ASSERT_EQ(second.ui.boxes.size(), 1);
    EXPECT_TRUE(
        second.ui.boxes.first().text.startsWith(QStringLiteral("Another configuration run of this plant is active")));

    held.reset();
    const std::optional<Platform::FileLock> after = Config::holdPlant(lockPath(), second.report, 0ms);
    EXPECT_TRUE(after && after->held());
    // The lock file stays for the next run.
    EXPECT_TRUE(plant.exists(QStringLiteral("Kadex/.Kadex_Config.lock")));
}

TEST_F(PlantLockTest, LockFileThatARunCreatesEveryUserMayOpenWhateverItsUmask)
{
    TestRun run(plant);
    const mode_t umask = ::umask(077);
    const bool held = Config::holdPlant(lockPath(), run.report, 0ms).has_value();
    ::umask(umask);
    struct stat made = {};
    ASSERT_TRUE(held && ::stat(QFile::encodeName(lockPath()).constData(), &made) == 0);
    EXPECT_EQ(made.st_mode & 07777, 0666);
}

} // namespace
} // namespace Kadex::Test
