// Many entries written to one file at once: the file ends exactly as writing them one by one leaves it, is
// replaced whole or not at all, and reads back the same as the file parsed afresh.
#include "platform/IniText.h"
#include "platform/ProfileStrings.h"
#include "tests/support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace Kadex::Test {
namespace {

namespace Profile = Platform::ProfileStrings;
using Platform::IniText;

const QList<QByteArray> Sections = {"Machine1", "MACHINE1", "machine2", "Other", "", " Spaced ", "Neu"};
const QList<QByteArray> Keys = {"KadexInOrOutput1", "kadexinoroutput1", "Key", "key", "", "Bare", "[odd", ";c", "Neu"};
const QList<QByteArray> Values = {"1", "", "  3 ", "\"q\"", "a\r\nb", "x]", "0", "l\ring", "\xE4\x80"};
const QList<QByteArray> Endings = {"\r\n", "\n", "\r"};

QByteArray pick(QRandomGenerator &random, const QList<QByteArray> &from)
{
    return from[random.bounded(int(from.size()))];
}

// A file with the shapes the profile services must keep: repeated and differently cased sections, entries above
// the first header, lines without '=', comments, blanks, mixed line endings and a last line without one.
QByteArray randomFile(QRandomGenerator &random)
{
    QByteArray file;
    const int bom = random.bounded(8);
    if (bom == 0) {
        file += "\xEF\xBB\xBF";
    }
    const int lines = random.bounded(25);
    for (int i = 0; i < lines; ++i) {
        switch (random.bounded(6)) {
        case 0:
            file += '[' + pick(random, Sections) + ']';
            break;
        case 1:
            file += "; note";
            break;
        case 2:
            break;
        case 3:
            file += pick(random, Keys);
            break;
        default:
            file += pick(random, Keys) + (random.bounded(2) ? " = " : "=") + pick(random, Values).left(3);
            break;
        }
        if (i + 1 < lines || random.bounded(2)) {
            file += pick(random, Endings);
        }
    }
    return file;
}

QList<Profile::Entry> randomEntries(QRandomGenerator &random)
{
    QList<Profile::Entry> entries;
    const int count = 1 + random.bounded(8);
    for (int i = 0; i < count; ++i) {
        entries.append({pick(random, Sections), pick(random, Keys), pick(random, Values)});
    }
    return entries;
}

// What writing the entries one by one gives when the file is parsed afresh before every write.
QByteArray oneByOne(QByteArray bytes, const QList<Profile::Entry> &entries)
{
    for (const Profile::Entry &entry : entries) {
        IniText fresh(bytes);
        fresh.write(entry.section, entry.key, entry.value);
        bytes = fresh.bytes();
    }
    return bytes;
}

class IniBatchWriteTest : public ::testing::Test
{
protected:
    QString path(const QString &name = QStringLiteral("test.ini")) const { return dir.filePath(name); }

    void put(const QByteArray &bytes, const QString &name = QStringLiteral("test.ini")) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QByteArray contents(const QString &name = QStringLiteral("test.ini")) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir dir;
};

TEST_F(IniBatchWriteTest, BatchEndsAsEntryByEntryWritesAndReadsAsAFreshParse)
{
    QRandomGenerator random(20261207);
    for (int round = 0; round < 250; ++round) {
        const QByteArray file = randomFile(random);
        const QList<Profile::Entry> entries = randomEntries(random);
        const QByteArray expected = oneByOne(file, entries);
        SCOPED_TRACE(::testing::Message() << "round " << round << " file " << file.toStdString());

        put(file, QStringLiteral("batch.ini"));
        ASSERT_TRUE(Profile::writeStrings(entries, path(QStringLiteral("batch.ini"))));
        EXPECT_EQ(contents(QStringLiteral("batch.ini")), expected);

        put(file, QStringLiteral("single.ini"));
        for (const Profile::Entry &entry : entries) {
            ASSERT_TRUE(
                Profile::writeString(entry.section, entry.key, entry.value, path(QStringLiteral("single.ini"))));
        }
        EXPECT_EQ(contents(QStringLiteral("single.ini")), expected);

        // The text changed in place and a fresh parse of its bytes read every name alike: the names the text
        // looked up before the writes are not found where they were.
        IniText changed(file);
        for (const QByteArray &section : Sections) {
            for (const QByteArray &key : Keys) {
                static_cast<void>(changed.value(section, key));
            }
        }
        for (const Profile::Entry &entry : entries) {
            changed.write(entry.section, entry.key, entry.value);
        }
        ASSERT_EQ(changed.bytes(), expected);
        const IniText fresh(expected);
        for (const QByteArray &section : Sections) {
            for (const QByteArray &key : Keys) {
                const std::optional<QByteArray> want = fresh.value(section, key);
                EXPECT_EQ(changed.value(section, key), want) << section.toStdString() << "/" << key.toStdString();
            }
        }
    }
}

TEST_F(IniBatchWriteTest, EveryWriteOfASeriesReadsAsAFreshParse)
{
    // Lookups between the writes make the text keep its names through them: after each write (or removal) every
    // name reads as in a fresh parse of the bytes.
    struct Step
    {
        QByteArray section, key, value;
        bool remove;
    };
    const QList<Step> steps = {
        {"A", "k1", "1", false},                // the file's first section, or a key of it
        {"A", "k2", "2", false},                // a key added at the section's end
        {"B", "k1", "3", false},                // a section added at the file's end
        {"a", "K3", "4", false},                // a key added before the next header
        {"A", "k1", "1\r\nk4", false},          // a value that adds a line: the later keys move down
        {"A", "k2", "22", false},               // a value changed in place
        {"A", "k1", "", true},                  // a key removed: the later ones move up, a later duplicate counts
        {"B", "k9", "x\r\n[C]\r\nk1=5", false}, // a value that adds a section in the middle
        {"C", "k1", "6", false},
        {"A", "k1", "7", false},
        {"B", "k1", "", true},
        {"", "top", "8", false}, // the empty name: a "[]" section, or the entries above the first
    };
    const QList<QByteArray> sections = {"A", "B", "C", "", "D"};
    const QList<QByteArray> keys = {"k1", "k2", "K3", "k4", "k9", "top", "x"};
    const QList<QByteArray> files = {"", "[A]\r\nk1=0\r\nk2=0\r\nk1=dup\r\n[B]\r\n\r\n[A]\r\nk2=dup",
                                     "top=0\n[B]\nk1=1\n[A]"};
    for (const QByteArray &file : files) {
        IniText text(file);
        for (const Step &step : steps) {
            static_cast<void>(step.remove ? text.remove(step.section, step.key)
                                          : text.write(step.section, step.key, step.value));
            const IniText fresh(text.bytes());
            for (const QByteArray &section : sections) {
                for (const QByteArray &key : keys) {
                    EXPECT_EQ(text.value(section, key), fresh.value(section, key))
                        << file.toStdString() << " after " << step.section.toStdString() << "/"
                        << step.key.toStdString() << ": " << section.toStdString() << "/" << key.toStdString();
                }
            }
        }
    }
}

TEST_F(IniBatchWriteTest, RefusedFileKeepsItsBytesAndGetsNoneOfTheEntries)
{
    put("[S]\r\nA=1\r\n");
    ASSERT_TRUE(QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::ReadGroup));

    EXPECT_FALSE(Profile::writeStrings({{"S", "A", "2"}, {"T", "B", "3"}}, path()));

    EXPECT_EQ(contents(), QByteArray("[S]\r\nA=1\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("test.ini")});
    EXPECT_FALSE(Profile::writeStrings({{"S", "A", "2"}}, path(QStringLiteral("no/such/folder.ini"))));
}

// A writer killed at any moment leaves the file with all entries of one batch or all of the other, never a mix.
TEST_F(IniBatchWriteTest, WriterKilledAtAnyMomentLeavesAllEntriesOldOrNew)
{
    constexpr int Entries = 40;
    QByteArray file = "[Project]\r\nNumberOfMachines=2\r\n";
    for (int section = 0; section < 300; ++section) {
        file += "[Other" + QByteArray::number(section) + "]\r\nSetting=value of another module\r\n";
    }
    const auto batch = [](const QByteArray &value) {
        QList<Profile::Entry> entries;
        for (int i = 0; i < Entries; ++i) {
            entries.append({"Machine" + QByteArray::number(i % 2 + 1), "Key" + QByteArray::number(i), value});
        }
        return entries;
    };
    put(file);
    ASSERT_TRUE(Profile::writeStrings(batch("old"), path()));
    const QByteArray allOld = contents();
    const QByteArray allNew = oneByOne(allOld, batch("new"));

    QRandomGenerator random(75);
    for (int kill = 0; kill < 12; ++kill) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int round = 0;; ++round) {
                Profile::writeStrings(batch(round % 2 == 0 ? "new" : "old"), path());
            }
        }
        ::usleep(useconds_t(1000 + random.bounded(20000)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);

        const QByteArray now = contents();
        EXPECT_TRUE(now == allOld || now == allNew) << "kill " << kill << " left a mix of entries";
    }
}

} // namespace
} // namespace Kadex::Test
