// Reading a file many times: the parsed file is kept while its bytes stay the same, and any change is seen at
// the next read, whoever made it and whatever its size and time say.
#include "platform/FileTimes.h"
#include "platform/IniFileCache.h"
#include "platform/ProfileStrings.h"
#include "tests/support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace Kadex::Test {
namespace {

namespace Profile = Platform::ProfileStrings;
namespace Cache = Platform::IniFileCache;

class IniReuseTest : public ::testing::Test
{
protected:
    QString path() const { return dir.filePath(QStringLiteral("program.ini")); }

    // Writes the file as another program would: in place, not through the profile services.
    void putInPlace(const QByteArray &bytes) const
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QByteArray read(const char *section, const char *key) const
    {
        return Profile::getString(section, key, QByteArray(255, ' '), 255, path()).value;
    }

    QTemporaryDir dir;
};

TEST_F(IniReuseTest, UnchangedFileIsParsedOnceAndReusedByReadsAndWrites)
{
    putInPlace("[S]\r\nA=1\r\nB=2\r\n");

    const auto first = Cache::read(path());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Cache::read(path()), first) << "the same bytes must not be parsed again";
    EXPECT_EQ(read("s", "b"), QByteArray("2"));
    EXPECT_EQ(Cache::read(path()), first);

    // A write leaves the written text behind for the next read.
    ASSERT_TRUE(Profile::writeString("S", "A", "7", path()));
    const auto written = Cache::read(path());
    ASSERT_NE(written, nullptr);
    EXPECT_NE(written, first);
    EXPECT_EQ(written->bytes, QByteArray("[S]\r\nA=7\r\nB=2\r\n"));
    EXPECT_EQ(Cache::read(path()), written);
}

TEST_F(IniReuseTest, ChangeByAnotherWriterIsSeenAtTheNextReadEvenWithTheSameSizeAndTime)
{
    putInPlace("[S]\r\nA=1\r\n");
    ASSERT_EQ(read("S", "A"), QByteArray("1"));
    const std::optional<Platform::FileTimes> times = Platform::FileTimes::read(path());
    ASSERT_TRUE(times.has_value());

    // Same size, same modification time: only the bytes tell.
    putInPlace("[S]\r\nA=2\r\n");
    ASSERT_TRUE(Platform::FileTimes::restore(path(), *times));
    ASSERT_EQ(Platform::FileTimes::read(path())->lastWriteNs, times->lastWriteNs);
    EXPECT_EQ(read("S", "A"), QByteArray("2"));

    // A write goes on from the bytes on disk, not from the kept ones.
    ASSERT_TRUE(Profile::writeString("S", "B", "x", path()));
    putInPlace("[S]\r\nA=3\r\nB=x\r\n");
    ASSERT_TRUE(Platform::FileTimes::restore(path(), *times));
    ASSERT_TRUE(Profile::writeString("S", "C", "y", path()));
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("[S]\r\nA=3\r\nB=x\r\nC=y\r\n"));

    // Shorter, longer, empty, gone, and a folder in its place.
    putInPlace("[S]\r\nA=4\r\n");
    EXPECT_EQ(read("S", "A"), QByteArray("4"));
    putInPlace("[S]\r\nA=4\r\n[T]\r\nA=5\r\n");
    EXPECT_EQ(read("T", "A"), QByteArray("5"));
    putInPlace("[S]\r\nA=4\r\n"); // cut back to a prefix of itself
    EXPECT_EQ(read("S", "A"), QByteArray("4"));
    EXPECT_EQ(read("T", "A"), QByteArray());
    putInPlace("");
    EXPECT_EQ(read("S", "A"), QByteArray());
    putInPlace("[S]\r\nA=6\r\n");
    EXPECT_EQ(read("S", "A"), QByteArray("6"));
    ASSERT_TRUE(QFile::remove(path()));
    EXPECT_EQ(read("S", "A"), QByteArray());
    ASSERT_TRUE(QDir().mkpath(path()));
    EXPECT_EQ(read("S", "A"), QByteArray());
    EXPECT_EQ(Cache::read(path()), nullptr);
}

TEST_F(IniReuseTest, FileLongerThanOneReadChangedPastItsStartReadsWhole)
{
    // Several reads' worth of sections, so that the change lies well beyond the first read of the file.
    QByteArray file;
    for (int section = 0; file.size() < 200 * 1024; ++section) {
        file += "[S" + QByteArray::number(section) + "]\r\nA=first " + QByteArray::number(section) + "\r\n";
    }
    putInPlace(file);
    ASSERT_EQ(read("S0", "A"), QByteArray("first 0"));
    const qsizetype last = file.count("[S") - 1;
    const QByteArray lastSection = "S" + QByteArray::number(last);
    ASSERT_EQ(read(lastSection.constData(), "A"), QByteArray("first " + QByteArray::number(last)));

    // Another program changes an entry past the first 100 KiB, the size staying the same.
    const qsizetype at = file.indexOf("A=first ", 100 * 1024);
    ASSERT_GT(at, 64 * 1024);
    file.replace(at, 8, "A=later ");
    putInPlace(file);

    EXPECT_EQ(read("S0", "A"), QByteArray("first 0"));
    EXPECT_EQ(read(lastSection.constData(), "A"), QByteArray("first " + QByteArray::number(last)));
    const qsizetype changedSection = file.lastIndexOf("[S", at);
    const QByteArray changedName = file.mid(changedSection + 1, file.indexOf(']', changedSection) - changedSection - 1);
    EXPECT_EQ(read(changedName.constData(), "A").left(6), QByteArray("later "));
}

TEST_F(IniReuseTest, ReadingOfAWriteInProgressIsNeverTakenForTheFile)
{
    // No reading can tell a write that stalls half-way (on a page under write-back, say) from a file that ends
    // that way: both read alike, again and again. What counts is that such a reading never passes the check a
    // decision is made against once the write has gone on: the file as first served is found changed.
    const QByteArray ones = "[S]\r\nK=" + QByteArray(300 * 1024, '1') + "\r\n";
    const QByteArray twos = "[S]\r\nK=" + QByteArray(300 * 1024, '2') + "\r\n";
    const auto isWhole = [&](const QByteArray &bytes) { return bytes == ones || bytes == twos; };
    putInPlace(ones);

    // A write stopped half-way, then completed.
    QFile writer(path());
    ASSERT_TRUE(writer.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
    const qsizetype half = twos.size() / 2;
    ASSERT_EQ(writer.write(twos.left(half)), half);
    Cache::forgetReads();
    const auto halfWritten = Cache::read(path());
    ASSERT_NE(halfWritten, nullptr);
    ASSERT_FALSE(isWhole(halfWritten->bytes));
    EXPECT_FALSE(halfWritten->settled);
    ASSERT_EQ(writer.write(twos.mid(half)), twos.size() - half);
    writer.close();
    EXPECT_FALSE(Cache::served(path())->first.unchanged());
    EXPECT_EQ(Cache::read(path())->bytes, twos);
    EXPECT_TRUE(Cache::served(path())->mixed);

    // Another program writes the two contents over each other while the file is read.
    std::atomic<bool> stop{false};
    std::thread other([&] {
        for (int i = 0; !stop; ++i) {
            QFile file(path());
            if (file.open(QIODevice::ReadWrite)) {
                file.write(i % 2 == 0 ? twos : ones);
            }
            file.close();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    std::vector<Platform::FileSeen> torn;
    for (int read = 0; read < 300; ++read) {
        Cache::forgetReads();
        const std::shared_ptr<const Cache::ParsedFile> file = Cache::read(path());
        if (file && !isWhole(file->bytes)) {
            EXPECT_FALSE(file->settled);
            torn.push_back(Cache::served(path())->first);
        }
    }
    stop = true;
    other.join();
    for (const Platform::FileSeen &seen : torn) {
        EXPECT_FALSE(seen.unchanged()) << "a torn reading passed for the file";
    }
}

TEST_F(IniReuseTest, ManyFilesAreEachReadRight)
{
    // More files than are kept: each read still gives its own file's value.
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 20; ++i) {
            const QString file = dir.filePath(QStringLiteral("f%1.ini").arg(i));
            if (round == 0) {
                ASSERT_TRUE(Profile::writeString("S", "N", QByteArray::number(i), file));
            }
            EXPECT_EQ(Profile::getInt("S", "N", -1, file), i);
        }
    }
}

} // namespace
} // namespace Kadex::Test
