#include "platform/FileTimes.h"
#include "platform/AtomicFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

namespace Kadex::Test {
namespace {

using Platform::FileTimes;

constexpr qint64 NsPerSecond = 1000000000;

class FileTimesTest : public ::testing::Test
{
protected:
    FileTimesTest()
    {
        QFile file(file1());
        if (file.open(QIODevice::WriteOnly)) {
            file.write("source");
        }
    }

    QString file1() const { return dir.filePath(QStringLiteral("Kadex_Source.mdb")); }

    // Sets both times behind the service's back, as another program would.
    static void setTimes(const QString &path, qint64 accessNs, qint64 writeNs)
    {
        const timespec times[2] = {{accessNs / NsPerSecond, accessNs % NsPerSecond},
                                   {writeNs / NsPerSecond, writeNs % NsPerSecond}};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    }

    QTemporaryDir dir;
};

TEST_F(FileTimesTest, ReadGivesTheTimesToTheNanosecond)
{
    setTimes(file1(), 1500000000LL * NsPerSecond + 111111111, 1600000000LL * NsPerSecond + 987654321);

    const std::optional<FileTimes> times = FileTimes::read(file1());

    ASSERT_TRUE(times.has_value());
    EXPECT_EQ(times->lastAccessNs, 1500000000LL * NsPerSecond + 111111111);
    EXPECT_EQ(times->lastWriteNs, 1600000000LL * NsPerSecond + 987654321);
}

TEST_F(FileTimesTest, RestoreAfterACopyPutsTheLastWriteTimeBackExactly)
{
    setTimes(file1(), 1500000000LL * NsPerSecond + 1, 1600000000LL * NsPerSecond + 123456789);
    const std::optional<FileTimes> saved = FileTimes::read(file1());
    ASSERT_TRUE(saved.has_value());
    const QString other = dir.filePath(QStringLiteral("other.mdb"));
    {
        QFile file(other);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("regenerated");
    }
    ASSERT_TRUE(Platform::AtomicFile::copy(other, file1()));
    ASSERT_NE(FileTimes::read(file1())->lastWriteNs, saved->lastWriteNs);

    ASSERT_TRUE(FileTimes::restore(file1(), *saved));

    EXPECT_EQ(FileTimes::read(file1())->lastWriteNs, 1600000000LL * NsPerSecond + 123456789);
}

TEST_F(FileTimesTest, RestoreLeavesTheAccessTimeAlone)
{
    setTimes(file1(), 1400000000LL * NsPerSecond + 42, 1400000000LL * NsPerSecond);
    FileTimes wanted;
    wanted.creationNs = 1000;
    wanted.lastAccessNs = 1700000000LL * NsPerSecond;
    wanted.lastWriteNs = 1600000000LL * NsPerSecond + 5;

    ASSERT_TRUE(FileTimes::restore(file1(), wanted));

    const std::optional<FileTimes> times = FileTimes::read(file1());
    ASSERT_TRUE(times.has_value());
    EXPECT_EQ(times->lastAccessNs, 1400000000LL * NsPerSecond + 42);
    EXPECT_EQ(times->lastWriteNs, 1600000000LL * NsPerSecond + 5);
}

TEST_F(FileTimesTest, RestoreOfTimeBefore1970KeepsItsNanoseconds)
{
    FileTimes wanted;
    wanted.lastWriteNs = -NsPerSecond - 500000000;

    ASSERT_TRUE(FileTimes::restore(file1(), wanted));

    EXPECT_EQ(FileTimes::read(file1())->lastWriteNs, -NsPerSecond - 500000000);
}

TEST_F(FileTimesTest, ZeroWriteTimeLeavesTheFileAsItIs)
{
    setTimes(file1(), 1400000000LL * NsPerSecond, 1450000000LL * NsPerSecond + 7);

    EXPECT_TRUE(FileTimes::restore(file1(), FileTimes{}));

    EXPECT_EQ(FileTimes::read(file1())->lastWriteNs, 1450000000LL * NsPerSecond + 7);
}

TEST_F(FileTimesTest, MissingFileHasNoTimesAndCannotBeChanged)
{
    const QString missing = dir.filePath(QStringLiteral("missing.mdb"));
    FileTimes wanted;
    wanted.lastWriteNs = NsPerSecond;

    EXPECT_FALSE(FileTimes::read(missing).has_value());
    EXPECT_FALSE(FileTimes::read(QString()).has_value());
    EXPECT_FALSE(FileTimes::restore(missing, wanted));
    EXPECT_FALSE(QFile::exists(missing));
}

} // namespace
} // namespace Kadex::Test
