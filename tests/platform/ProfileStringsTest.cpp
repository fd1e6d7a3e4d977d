#include "platform/ProfileStrings.h"
#include "platform/FileTimes.h"
#include "tests/support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace Kadex::Test {
namespace {

namespace Profile = Platform::ProfileStrings;

constexpr int ReadBufferSize = 255;

class ProfileStringsTest : public ::testing::Test
{
protected:
    QString path(const QString &relative = QStringLiteral("test.ini")) const { return dir.filePath(relative); }

    void put(const QByteArray &bytes, const QString &relative = QStringLiteral("test.ini")) const
    {
        QFile file(path(relative));
        ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QByteArray contents(const QString &relative = QStringLiteral("test.ini")) const
    {
        QFile file(path(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QByteArray read(const char *section, const char *key, const QString &file) const
    {
        const Profile::StringResult result =
            Profile::getString(section, key, QByteArray(ReadBufferSize, ' '), ReadBufferSize, file);
        return result.value.left(result.count);
    }
    QByteArray read(const char *section, const char *key) const { return read(section, key, path()); }

    QTemporaryDir dir;
};

// --- a write changes its own line and keeps every other byte

TEST_F(ProfileStringsTest, ReplaceKeepsCommentsBlankLinesMixedEndingsAndAnsiBytes)
{
    const QByteArray before = "; Anlage \xC4nderung\r\n"
                              "\n"
                              "[Machine1]\r\n"
                              "MachineName=Gl\xFC"
                              "hofen \x80\n"
                              "  KadexInOrOutput1 =  1   ; old\r\n"
                              "\tkadexinoroutput1=9\r\r\n"
                              "#x=\xC3\xA4\r\n";
    put(before);

    ASSERT_TRUE(Profile::writeString("MACHINE1", "KADEXINOROUTPUT1", "3", path()));

    EXPECT_EQ(contents(), QByteArray("; Anlage \xC4nderung\r\n"
                                     "\n"
                                     "[Machine1]\r\n"
                                     "MachineName=Gl\xFC"
                                     "hofen \x80\n"
                                     "  KadexInOrOutput1 =  3\r\n"
                                     "\tkadexinoroutput1=9\r\r\n"
                                     "#x=\xC3\xA4\r\n"));
    EXPECT_EQ(read("Machine1", "MachineName"), QByteArray("Gl\xFChofen \x80"));
}

TEST_F(ProfileStringsTest, NewKeyGoesAfterLastEntryOfFirstSectionBeforeBlankAndComment)
{
    put("[A]\r\nX=1\r\n\r\n; about B\r\n[B]\r\nZ=3\r\n[A]\r\nW=0\r\n");

    ASSERT_TRUE(Profile::writeString("a", "Y", "2", path()));

    EXPECT_EQ(contents(), QByteArray("[A]\r\nX=1\r\nY=2\r\n\r\n; about B\r\n[B]\r\nZ=3\r\n[A]\r\nW=0\r\n"));
}

TEST_F(ProfileStringsTest, RemovalTakesOnlyTheFirstMatchingEntrysLineAndTellsMissingFromEmpty)
{
    put("[a]\r\nk=1\r\n; note\r\nK = 2\n[b]\r\nk=\r\nlast=x");
    EXPECT_EQ(Profile::findString("B", "K", path()), std::optional<QByteArray>(QByteArray()));
    EXPECT_EQ(Profile::findString("b", "gone", path()), std::nullopt);

    ASSERT_TRUE(Profile::writeStrings({{"A", "K", {}, true}, {"b", "last", {}, true}, {"c", "k", {}, true}}, path()));
    EXPECT_EQ(contents(), QByteArray("[a]\r\n; note\r\nK = 2\n[b]\r\nk=\r\n"));
    EXPECT_EQ(Profile::findString("a", "k", path()), std::optional<QByteArray>("2"));
}

TEST_F(ProfileStringsTest, NewSectionIsAppendedWithTheFilesDominantLineEnding)
{
    put("[A]\nX=1\r\nY=2\n");

    ASSERT_TRUE(Profile::writeString("B", "K", "v", path()));

    EXPECT_EQ(contents(), QByteArray("[A]\nX=1\r\nY=2\n[B]\nK=v\n"));

    // The ending that most lines have is followed through the writes that remove lines and add them.
    put("[A]\r\nX=1\r\nY=2\nW=4\nV=5\n");
    ASSERT_TRUE(Profile::writeString("A", "U", "6", path()));
    ASSERT_TRUE(Profile::writeStrings({{"A", "Y", {}, true}, {"A", "W", {}, true}, {"A", "U", {}, true}}, path()));
    ASSERT_TRUE(Profile::writeString("A", "Z", "3", path()));
    EXPECT_EQ(contents(), QByteArray("[A]\r\nX=1\r\nV=5\nZ=3\r\n"));
}

TEST_F(ProfileStringsTest, NewFileGetsCrlfAndTheNameAsGiven)
{
    ASSERT_TRUE(Profile::writeString(" Sec ", " Key ", "  Value  ", path(QStringLiteral("New.INI"))));

    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("New.INI")});
    EXPECT_EQ(contents(QStringLiteral("New.INI")), QByteArray("[Sec]\r\nKey=Value  \r\n"));
}

TEST_F(ProfileStringsTest, FileWithoutFinalNewlineGetsOneOnlyBeforeTheAddedLine)
{
    put("[S]\r\nA=1");

    ASSERT_TRUE(Profile::writeString("S", "B", "2", path()));
    EXPECT_EQ(contents(), QByteArray("[S]\r\nA=1\r\nB=2"));

    ASSERT_TRUE(Profile::writeString("S", "A", "7", path()));
    EXPECT_EQ(contents(), QByteArray("[S]\r\nA=7\r\nB=2"));
    EXPECT_EQ(read("S", "B"), QByteArray("2"));
}

TEST_F(ProfileStringsTest, KeyLineWithoutEqualsGetsTheValueAppended)
{
    put("[S]\r\n  Flag  \r\nK=v\r\n");

    ASSERT_TRUE(Profile::writeString("S", "flag", "1", path()));

    EXPECT_EQ(contents(), QByteArray("[S]\r\n  Flag=1\r\nK=v\r\n"));
}

TEST_F(ProfileStringsTest, EmptySectionNameMeansEntriesAboveFirstHeaderElseBracketHeader)
{
    put("K=above\r\n[]\r\nK=brackets\r\n");
    put("; only a comment above\r\n[]\r\nK=brackets\r\n", QStringLiteral("second.ini"));

    EXPECT_EQ(read("", "K"), QByteArray("above"));
    EXPECT_EQ(read("", "K", path(QStringLiteral("second.ini"))), QByteArray("brackets"));
}

// --- encodings: a write never re-encodes the file

TEST_F(ProfileStringsTest, Utf8FileGetsTheNewLineInUtf8)
{
    put("\xEF\xBB\xBF[S]\r\nA=\xC3\xA4\r\n");

    ASSERT_TRUE(Profile::writeString("S", "B", "\xF6\x80", path()));
    ASSERT_TRUE(Profile::writeString("S", "A", "\xDC", path()));

    EXPECT_EQ(contents(), QByteArray("\xEF\xBB\xBF[S]\r\nA=\xC3\x9C\r\nB=\xC3\xB6\xE2\x82\xAC\r\n"));
    EXPECT_EQ(read("S", "B"), QByteArray("\xF6\x80"));
}

TEST_F(ProfileStringsTest, Utf16FilesGetTheNewLineInTheirByteOrder)
{
    const QByteArray little("\xFF\xFE[\0S\0]\0\r\0\n\0A\0=\0\xE4\0\r\0\n\0", 20);
    put(little);
    ASSERT_TRUE(Profile::writeString("S", "B", "\x80", path()));
    EXPECT_EQ(contents(), little + QByteArray("B\0=\0\xAC\x20\r\0\n\0", 10));
    EXPECT_EQ(read("S", "A"), QByteArray("\xE4"));
    EXPECT_EQ(read("S", "B"), QByteArray("\x80"));

    const QByteArray big("\xFE\xFF\0[\0S\0]\0\n\0A\0=\0\x31\0\n", 18);
    put(big, QStringLiteral("big.ini"));
    ASSERT_TRUE(Profile::writeString("S", "A", "2", path(QStringLiteral("big.ini"))));
    EXPECT_EQ(contents(QStringLiteral("big.ini")), QByteArray("\xFE\xFF\0[\0S\0]\0\n\0A\0=\0\x32\0\n", 18));
}

TEST_F(ProfileStringsTest, AnsiFileKeepsUtf8LookingBytesAndTakesValueBytesAsGiven)
{
    put("[S]\r\nA=\xC3\xA4\r\n");

    ASSERT_TRUE(Profile::writeString("S", "B", "\xE4", path()));

    EXPECT_EQ(contents(), QByteArray("[S]\r\nA=\xC3\xA4\r\nB=\xE4\r\n"));
}

// --- the file is replaced atomically

TEST_F(ProfileStringsTest, WriteLeavesNoTemporaryFileBehind)
{
    put("[S]\r\nA=1\r\n");

    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(Profile::writeString("S", "A", QByteArray::number(i), path()));
    }
    ASSERT_TRUE(Profile::writeString("T", "B", "x", path(QStringLiteral("second.ini"))));

    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral("second.ini"), QStringLiteral("test.ini")}));
}

TEST_F(ProfileStringsTest, ReaderOfTheOldFileKeepsSeeingItWhole)
{
    put("[S]\r\nA=1\r\n");
    QFile reader(path());
    ASSERT_TRUE(reader.open(QIODevice::ReadOnly));

    ASSERT_TRUE(Profile::writeString("S", "A", "2", path()));

    EXPECT_EQ(reader.readAll(), QByteArray("[S]\r\nA=1\r\n"));
    EXPECT_EQ(contents(), QByteArray("[S]\r\nA=2\r\n"));
}

TEST_F(ProfileStringsTest, UnchangedValueLeavesTheFileUntouched)
{
    put("[S]\r\nA=1\r\n");
    Platform::FileTimes old;
    old.lastWriteNs = 1000000000LL * 1000000000LL + 5;
    ASSERT_TRUE(Platform::FileTimes::restore(path(), old));

    ASSERT_TRUE(Profile::writeString("S", "A", "1", path()));

    const std::optional<Platform::FileTimes> now = Platform::FileTimes::read(path());
    ASSERT_TRUE(now.has_value());
    EXPECT_EQ(now->lastWriteNs, old.lastWriteNs);
}

// --- malformed files

TEST_F(ProfileStringsTest, BinaryGarbageReadsAsMissingAndSurvivesAWrite)
{
    QRandomGenerator random(20240607);
    QByteArray garbage(64 * 1024, '\0');
    for (char &byte : garbage) {
        byte = static_cast<char>(random.bounded(256));
    }
    put(garbage);

    EXPECT_EQ(read("Kadex_Section", "Kadex_Key"), QByteArray());
    EXPECT_EQ(Profile::getInt("Kadex_Section", "Kadex_Key", -1, path()), -1);
    ASSERT_TRUE(Profile::writeString("Kadex_Section", "Kadex_Key", "42", path()));

    const QByteArray after = contents();
    EXPECT_EQ(after.left(garbage.size()), garbage);
    EXPECT_EQ(Profile::getInt("Kadex_Section", "Kadex_Key", -1, path()), 42);
}

TEST_F(ProfileStringsTest, TenMegabyteLineIsCutOnReadAndKeptOnWrite)
{
    const QByteArray longValue(10 * 1024 * 1024, 'w');
    const QByteArray before = "[S]\r\nL=" + longValue + "\r\nM=m\r\n";
    put(before);

    EXPECT_EQ(read("S", "L"), QByteArray(254, 'w'));
    EXPECT_EQ(read("S", "M"), QByteArray("m"));
    ASSERT_TRUE(Profile::writeString("S", "N", "n", path()));

    EXPECT_EQ(contents(), before + "N=n\r\n");
}

TEST_F(ProfileStringsTest, FileWithoutAnyNewlineKeepsItsLineWhenASectionIsAdded)
{
    put("just one line \x01\xFF without end");

    EXPECT_EQ(read("S", "K"), QByteArray());
    ASSERT_TRUE(Profile::writeString("S", "K", "v", path()));

    EXPECT_EQ(contents(), QByteArray("just one line \x01\xFF without end\r\n[S]\r\nK=v"));
    EXPECT_EQ(read("S", "K"), QByteArray("v"));
}

// --- paths

TEST_F(ProfileStringsTest, PathInOtherLetterCaseReadsAndWritesTheExistingFile)
{
    put("[Project]\r\nNumberOfMachines=2\r\n", QStringLiteral("x/parameter/Program.ini"));
    const QString otherCase = path(QStringLiteral("X/PARAMETER/PROGRAM.INI"));

    EXPECT_EQ(Profile::getInt("Project", "NumberOfMachines", -1, otherCase), 2);
    ASSERT_TRUE(Profile::writeString("Project", "NumberOfMachines", "3", otherCase));

    EXPECT_EQ(contents(QStringLiteral("x/parameter/Program.ini")), QByteArray("[Project]\r\nNumberOfMachines=3\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("x")});
    EXPECT_EQ(
        QDir(path(QStringLiteral("x/parameter"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList{QStringLiteral("Program.ini")});
}

// A group of entries read at once reads each as it would be read alone, whatever the file's name case.
TEST_F(ProfileStringsTest, EntriesReadTogetherReadAsEachAlone)
{
    put("[M1]\r\nA= 12x \r\nB=\r\n[m1]\r\nC=3\r\n", QStringLiteral("p/Program.ini"));
    const QString file = path(QStringLiteral("P/PROGRAM.INI"));
    const QList<QByteArray> keys = {"a", "B", "C", "D"};
    const QList<std::optional<QByteArray>> values = Profile::findStrings("m1", keys, file);
    ASSERT_EQ(values.size(), keys.size());
    for (qsizetype k = 0; k < keys.size(); ++k) {
        EXPECT_EQ(values[k], Profile::findString("m1", keys[k], file)) << keys[k].constData();
        EXPECT_EQ(Profile::intOf(values[k], -1), Profile::getInt("m1", keys[k], -1, file)) << keys[k].constData();
    }
    EXPECT_EQ(values[0], std::optional<QByteArray>("12x"));
    EXPECT_EQ(Profile::findStrings("M1", keys, path(QStringLiteral("missing.ini"))),
              QList<std::optional<QByteArray>>(keys.size()));
}

TEST_F(ProfileStringsTest, MissingFileInFolderOfOtherLetterCaseIsCreatedThere)
{
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("x/parameter"))));

    ASSERT_TRUE(Profile::writeString("S", "K", "v", path(QStringLiteral("X/Parameter/New.ini"))));

    EXPECT_EQ(contents(QStringLiteral("x/parameter/New.ini")), QByteArray("[S]\r\nK=v\r\n"));
}

TEST_F(ProfileStringsTest, ReadOnlyFileRefusesTheWriteAndKeepsItsBytes)
{
    put("[S]\r\nA=1\r\n");
    ASSERT_TRUE(QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::ReadGroup));

    EXPECT_FALSE(Profile::writeString("S", "A", "2", path()));
    EXPECT_FALSE(Profile::writeString("S", "A", "1", path()));

    EXPECT_EQ(contents(), QByteArray("[S]\r\nA=1\r\n"));
}

} // namespace
} // namespace Kadex::Test
