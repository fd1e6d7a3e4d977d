#include "platform/AtomicFile.h"
#include "platform/FileLock.h"
#include "platform/FileSeen.h"
#include "platform/ProfileStrings.h"
#include "tests/support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>

namespace Kadex::Test {
namespace {

namespace Atomic = Platform::AtomicFile;

class AtomicFileTest : public ::testing::Test
{
protected:
    QString path(const QString &name) const { return dir.filePath(name); }

    void put(const QString &name, const QByteArray &bytes, QFileDevice::Permissions permissions = {}) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
        file.close();
        if (permissions) {
            ASSERT_TRUE(file.setPermissions(permissions));
        }
    }

    QByteArray contents(const QString &name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QStringList entries() const
    {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    static constexpr QFileDevice::Permissions OwnerReadWriteGroupRead =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser |
        QFileDevice::ReadGroup;

    QTemporaryDir dir;
};

// --- write

TEST_F(AtomicFileTest, WriteRemovesTheTemporariesAKilledWriteOfTheSameFileLeft)
{
    put(QStringLiteral("Kadex.mdb"), "old");
    put(QStringLiteral(".Kadex.mdb.k3x9q1.tmp"), "half");
    // Not temporaries of this file: another file's, and names this program never makes.
    put(QStringLiteral(".Kadex.cfg.k3x9q1.tmp"), "other");
    put(QStringLiteral(".Kadex.mdb.notes.txt"), "keep");
    put(QStringLiteral(".Kadex.mdb.K3X.tmp"), "keep");

    ASSERT_TRUE(Atomic::write(path(QStringLiteral("Kadex.mdb")), "new"));

    EXPECT_EQ(contents(QStringLiteral("Kadex.mdb")), QByteArray("new"));
    EXPECT_EQ(entries(), (QStringList{QStringLiteral(".Kadex.cfg.k3x9q1.tmp"), QStringLiteral(".Kadex.mdb.K3X.tmp"),
                                      QStringLiteral(".Kadex.mdb.notes.txt"), QStringLiteral("Kadex.mdb")}));
}

TEST_F(AtomicFileTest, SweepLeavesTheTemporaryALiveWriterHolds)
{
    put(QStringLiteral("Kadex.mdb"), "old");
    put(QStringLiteral(".Kadex.mdb.live01.tmp"), "being written");
    put(QStringLiteral(".Kadex.mdb.dead01.tmp"), "left by a killed run");
    // Another run writing its temporary holds a lock on it, as a write does from creating it to the rename.
    const Platform::UniqueFd writer(
        ::open(QFile::encodeName(path(QStringLiteral(".Kadex.mdb.live01.tmp"))).constData(), O_RDWR | O_CLOEXEC));
    ASSERT_TRUE(Platform::tryLock(writer.get()));

    ASSERT_TRUE(Atomic::write(path(QStringLiteral("Kadex.mdb")), "new"));

    EXPECT_EQ(entries(), (QStringList{QStringLiteral(".Kadex.mdb.live01.tmp"), QStringLiteral("Kadex.mdb")}));
    EXPECT_EQ(contents(QStringLiteral(".Kadex.mdb.live01.tmp")), QByteArray("being written"));
}

// --- writeOver

TEST_F(AtomicFileTest, WriteOverReplacesOnlyTheBytesItWasMadeFrom)
{
    put(QStringLiteral("Program.ini"), "[A]\r\nK=1\r\n");
    std::optional<QByteArray> replaced;

    // Another program wrote the file since it was read: nothing is replaced, and no temporary stays.
    EXPECT_EQ(Atomic::writeOver(path(QStringLiteral("Program.ini")), "mine", QByteArray("[A]\r\n"), replaced),
              Atomic::Outcome::Changed);
    EXPECT_EQ(contents(QStringLiteral("Program.ini")), QByteArray("[A]\r\nK=1\r\n"));
    EXPECT_EQ(entries(), QStringList{QStringLiteral("Program.ini")});
    // A file that appeared since a write found none is not replaced either.
    EXPECT_EQ(Atomic::writeOver(path(QStringLiteral("Program.ini")), "mine", std::nullopt, replaced),
              Atomic::Outcome::Changed);

    EXPECT_EQ(Atomic::writeOver(path(QStringLiteral("Program.ini")), "mine", QByteArray("[A]\r\nK=1\r\n"), replaced),
              Atomic::Outcome::Written);
    EXPECT_EQ(contents(QStringLiteral("Program.ini")), QByteArray("mine"));
    EXPECT_EQ(replaced, QByteArray("[A]\r\nK=1\r\n"));
    EXPECT_EQ(entries(), QStringList{QStringLiteral("Program.ini")});
}

// Another program appends a line of its own right between a write's check and its replacement, on the first
// `changes` tries: its line is swapped out with the old file, and the write goes again into its bytes; when the
// tries run out, its bytes are put back and the write fails.
TEST_F(AtomicFileTest, ChangeRightBeforeTheReplacementIsWrittenAgainOrPutBack)
{
    struct Row
    {
        int changes;
        bool written;
        QByteArray fileEnd; // ends with the other writer's last line
    };
    constexpr int Every = Platform::FileSeen::Attempts;
    for (const Row &row : {Row{1, true, "[S]\r\nK=v\r\n[O1]\r\nN=1\r\n"},
                           Row{Every, false, "N=" + QByteArray::number(Every) + "\r\n"}}) {
        SCOPED_TRACE(row.changes);
        put(QStringLiteral("Program.ini"), "[S]\r\nK=old\r\n");
        int seams = 0;
        Atomic::setBeforeReplaceSeam([&](const QString &target) {
            if (++seams <= row.changes) {
                QFile file(target);
                ASSERT_TRUE(file.open(QIODevice::Append));
                file.write("[O" + QByteArray::number(seams) + "]\r\nN=" + QByteArray::number(seams) + "\r\n");
            }
        });
        const bool written = Platform::ProfileStrings::writeString("S", "K", "v", path(QStringLiteral("Program.ini")));
        Atomic::setBeforeReplaceSeam(nullptr);

        EXPECT_EQ(written, row.written);
        EXPECT_GT(seams, row.changes) << "each change must be swapped out and seen";
        const QByteArray file = contents(QStringLiteral("Program.ini"));
        EXPECT_TRUE(file.endsWith(row.fileEnd)) << file.constData();
        EXPECT_EQ(entries(), QStringList{QStringLiteral("Program.ini")});
    }
}

TEST_F(AtomicFileTest, WriteReplacesContentAndKeepsPermissions)
{
    put(QStringLiteral("Kadex.cfg"), "old", OwnerReadWriteGroupRead);

    ASSERT_TRUE(Atomic::write(path(QStringLiteral("Kadex.cfg")), "new content"));

    EXPECT_EQ(contents(QStringLiteral("Kadex.cfg")), QByteArray("new content"));
    EXPECT_EQ(QFile::permissions(path(QStringLiteral("Kadex.cfg"))), OwnerReadWriteGroupRead);
    EXPECT_EQ(entries(), QStringList{QStringLiteral("Kadex.cfg")});
}

TEST_F(AtomicFileTest, WriteIntoMissingFolderFailsAndCreatesNothing)
{
    EXPECT_FALSE(Atomic::write(path(QStringLiteral("missing/Kadex.cfg")), "x"));

    EXPECT_EQ(entries(), QStringList());
}

TEST_F(AtomicFileTest, WriteOverReadOnlyFileOrFolderFailsAndKeepsIt)
{
    put(QStringLiteral("locked.cfg"), "old", QFileDevice::ReadOwner | QFileDevice::ReadUser);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));

    EXPECT_FALSE(Atomic::write(path(QStringLiteral("locked.cfg")), "new"));
    EXPECT_FALSE(Atomic::write(path(QStringLiteral("folder")), "new"));
    EXPECT_FALSE(Atomic::write(QString(), "new"));

    EXPECT_EQ(contents(QStringLiteral("locked.cfg")), QByteArray("old"));
    EXPECT_EQ(entries(), (QStringList{QStringLiteral("folder"), QStringLiteral("locked.cfg")}));
}

TEST_F(AtomicFileTest, WriteThroughLinkChangesTheTargetAndKeepsTheLink)
{
    put(QStringLiteral("target.ini"), "old");
    ASSERT_TRUE(QFile::link(path(QStringLiteral("target.ini")), path(QStringLiteral("link.ini"))));

    ASSERT_TRUE(Atomic::write(path(QStringLiteral("link.ini")), "new"));

    EXPECT_TRUE(QFileInfo(path(QStringLiteral("link.ini"))).isSymLink());
    EXPECT_EQ(contents(QStringLiteral("target.ini")), QByteArray("new"));
}

TEST_F(AtomicFileTest, ReaderOfTheOldFileKeepsSeeingItWhole)
{
    put(QStringLiteral("Kadex.mdb"), QByteArray(100000, 'o'));
    QFile reader(path(QStringLiteral("Kadex.mdb")));
    ASSERT_TRUE(reader.open(QIODevice::ReadOnly));

    ASSERT_TRUE(Atomic::write(path(QStringLiteral("Kadex.mdb")), QByteArray(50, 'n')));

    EXPECT_EQ(reader.readAll(), QByteArray(100000, 'o'));
}

// --- copy

TEST_F(AtomicFileTest, CopyReplacesDestinationAndKeepsItsPermissions)
{
    put(QStringLiteral("source.mdb"), QByteArray(200000, 's'), QFileDevice::ReadOwner | QFileDevice::ReadUser);
    put(QStringLiteral("Kadex.mdb"), "old", OwnerReadWriteGroupRead);

    ASSERT_TRUE(Atomic::copy(path(QStringLiteral("source.mdb")), path(QStringLiteral("Kadex.mdb"))));

    EXPECT_EQ(contents(QStringLiteral("Kadex.mdb")), QByteArray(200000, 's'));
    EXPECT_EQ(QFile::permissions(path(QStringLiteral("Kadex.mdb"))), OwnerReadWriteGroupRead);
}

TEST_F(AtomicFileTest, CopyToNewDestinationTakesTheSourcePermissions)
{
    put(QStringLiteral("source.mdb"), "data", OwnerReadWriteGroupRead);

    ASSERT_TRUE(Atomic::copy(path(QStringLiteral("source.mdb")), path(QStringLiteral("copy.mdb"))));

    EXPECT_EQ(contents(QStringLiteral("copy.mdb")), QByteArray("data"));
    EXPECT_EQ(QFile::permissions(path(QStringLiteral("copy.mdb"))), OwnerReadWriteGroupRead);
}

TEST_F(AtomicFileTest, CopyOfMissingSourceFailsAndLeavesDestination)
{
    put(QStringLiteral("Kadex.mdb"), "old");

    EXPECT_FALSE(Atomic::copy(path(QStringLiteral("missing.mdb")), path(QStringLiteral("Kadex.mdb"))));
    EXPECT_FALSE(Atomic::copy(dir.path(), path(QStringLiteral("Kadex.mdb"))));

    EXPECT_EQ(contents(QStringLiteral("Kadex.mdb")), QByteArray("old"));
    EXPECT_EQ(entries(), QStringList{QStringLiteral("Kadex.mdb")});
}

} // namespace
} // namespace Kadex::Test
