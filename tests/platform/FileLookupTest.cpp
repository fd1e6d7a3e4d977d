#include "platform/FileLookup.h"
#include "tests/support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace Kadex::Test {
namespace {

namespace Lookup = Platform::FileLookup;

class FileLookupTest : public ::testing::Test
{
protected:
    QString path(const QString &relative) const { return dir.path() + QLatin1Char('/') + relative; }

    void touch(const QString &relative) const
    {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path(relative)).absolutePath()));
        QFile file(path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    void makeDir(const QString &relative) const { ASSERT_TRUE(QDir().mkpath(path(relative))); }

    QTemporaryDir dir;
};

// --- findExistingFile

TEST_F(FileLookupTest, NameInOtherLetterCaseIsFoundPerComponentAsSpelledOnDisk)
{
    touch(QStringLiteral("Plant/parameter/Program.ini"));

    EXPECT_EQ(Lookup::findExistingFile(path(QStringLiteral("PLANT/Parameter/program.INI"))),
              path(QStringLiteral("Plant/parameter/Program.ini")));
    EXPECT_EQ(Lookup::findExistingFile(path(QStringLiteral("Plant/parameter/Program.ini"))),
              path(QStringLiteral("Plant/parameter/Program.ini")));
}

TEST_F(FileLookupTest, ExactNameWinsOverOtherLetterCase)
{
    touch(QStringLiteral("a/Kadex.cfg"));
    touch(QStringLiteral("a/KADEX.CFG"));
    touch(QStringLiteral("A/kadex.cfg"));

    EXPECT_EQ(Lookup::findExistingFile(path(QStringLiteral("a/KADEX.CFG"))), path(QStringLiteral("a/KADEX.CFG")));
    EXPECT_EQ(Lookup::findExistingFile(path(QStringLiteral("a/Kadex.cfg"))), path(QStringLiteral("a/Kadex.cfg")));
    EXPECT_EQ(Lookup::findExistingFile(path(QStringLiteral("A/KADEX.cfg"))), path(QStringLiteral("A/kadex.cfg")));
}

TEST_F(FileLookupTest, OtherLetterCaseSkipsEntriesOfTheWrongKind)
{
    makeDir(QStringLiteral("x/program.ini"));
    touch(QStringLiteral("x/PROGRAM.INI"));
    touch(QStringLiteral("parameter"));
    touch(QStringLiteral("PARAMETER/Program.ini"));

    EXPECT_EQ(Lookup::findExistingFile(path(QStringLiteral("x/program.ini"))), path(QStringLiteral("x/PROGRAM.INI")));
    EXPECT_EQ(Lookup::findExistingFile(path(QStringLiteral("parameter/program.ini"))),
              path(QStringLiteral("PARAMETER/Program.ini")));
}

TEST_F(FileLookupTest, HiddenFileIsNotFoundButHiddenFolderOnTheWayIs)
{
    touch(QStringLiteral(".Program.ini"));
    touch(QStringLiteral(".config/Program.ini"));

    EXPECT_EQ(Lookup::findExistingFile(path(QStringLiteral(".Program.ini"))), QString());
    EXPECT_EQ(Lookup::findExistingFile(path(QStringLiteral(".program.ini"))), QString());
    EXPECT_EQ(Lookup::findExistingFile(path(QStringLiteral(".CONFIG/program.ini"))),
              path(QStringLiteral(".config/Program.ini")));
}

TEST_F(FileLookupTest, FoldersFifosAndDanglingLinksAreNotFiles)
{
    makeDir(QStringLiteral("folder.ini"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path(QStringLiteral("pipe.ini"))).constData(), 0644), 0);
    ASSERT_TRUE(QFile::link(path(QStringLiteral("gone.ini")), path(QStringLiteral("dangling.ini"))));
    ASSERT_TRUE(QFile::link(path(QStringLiteral("folder.ini")), path(QStringLiteral("dirlink.ini"))));

    for (const char *name : {"folder.ini", "FOLDER.INI", "pipe.ini", "dangling.ini", "dirlink.ini"}) {
        EXPECT_EQ(Lookup::findExistingFile(path(QString::fromLatin1(name))), QString()) << name;
    }
}

TEST_F(FileLookupTest, LinkToAnOrdinaryFileCounts)
{
    touch(QStringLiteral("real.ini"));
    ASSERT_TRUE(QFile::link(path(QStringLiteral("real.ini")), path(QStringLiteral("Link.ini"))));

    EXPECT_EQ(Lookup::findExistingFile(path(QStringLiteral("LINK.INI"))), path(QStringLiteral("Link.ini")));
}

TEST_F(FileLookupTest, MissingFileFolderOrTrailingSlashGivesEmpty)
{
    touch(QStringLiteral("a/b.ini"));

    EXPECT_EQ(Lookup::findExistingFile(QString()), QString());
    EXPECT_EQ(Lookup::findExistingFile(path(QStringLiteral("a/c.ini"))), QString());
    EXPECT_EQ(Lookup::findExistingFile(path(QStringLiteral("z/b.ini"))), QString());
    EXPECT_EQ(Lookup::findExistingFile(path(QStringLiteral("a/b.ini/"))), QString());
    EXPECT_EQ(Lookup::findExistingFile(path(QStringLiteral("a/b.ini/c"))), QString());
}

TEST_F(FileLookupTest, RelativePathIsLookedUpFromTheWorkingFolder)
{
    touch(QStringLiteral("Sub/File.ini"));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));

    const QString found = Lookup::findExistingFile(QStringLiteral("sub/FILE.ini"));

    ASSERT_TRUE(QDir::setCurrent(previous));
    EXPECT_EQ(found, QStringLiteral("Sub/File.ini"));
}

// --- resolvePath

TEST_F(FileLookupTest, ResolveMapsExistingLeadingComponentsAndKeepsTheRest)
{
    makeDir(QStringLiteral("Plant/parameter"));

    EXPECT_EQ(Lookup::resolvePath(path(QStringLiteral("PLANT/PARAMETER/New.INI"))),
              path(QStringLiteral("Plant/parameter/New.INI")));
    EXPECT_EQ(Lookup::resolvePath(path(QStringLiteral("plant/Missing/Deeper/x.ini"))),
              path(QStringLiteral("Plant/Missing/Deeper/x.ini")));
    EXPECT_EQ(Lookup::resolvePath(path(QStringLiteral("PLANT/"))), path(QStringLiteral("Plant/")));
    EXPECT_EQ(Lookup::resolvePath(QString()), QString());
}

TEST_F(FileLookupTest, ResolveFindsAnyKindOfEntryAtTheEnd)
{
    touch(QStringLiteral(".Hidden.ini"));
    makeDir(QStringLiteral("Folder"));

    EXPECT_EQ(Lookup::resolvePath(path(QStringLiteral(".hidden.INI"))), path(QStringLiteral(".Hidden.ini")));
    EXPECT_EQ(Lookup::resolvePath(path(QStringLiteral("FOLDER"))), path(QStringLiteral("Folder")));
}

TEST_F(FileLookupTest, ResolveDoesNotGoThroughAFileAsIfItWereAFolder)
{
    touch(QStringLiteral("File"));

    EXPECT_EQ(Lookup::resolvePath(path(QStringLiteral("FILE/x.ini"))), path(QStringLiteral("FILE/x.ini")));
}

} // namespace
} // namespace Kadex::Test
