// The report reader takes a report for data: every line it refuses is named with what is wrong with it.
#include "history/ReportReader.h"

#include "platform/Cp1252.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <charconv>
#include <cstdio>

namespace Kadex::Test {
namespace {

using History::readReport;

const QString Copy = QStringLiteral("Kadex.mdb.20260105-101112");

// A report of two machines, as an update writes it, with one dropped row.
QString sampleReport()
{
    History::UpdateReport report;
    report.moduleName = QStringLiteral("Kadex");
    report.keptName = Copy;
    report.when = QDateTime(QDate(2026, 1, 5), QTime(10, 11, 12));
    report.runMode = QStringLiteral("integrated");
    report.settingsFile = QStringLiteral("parameter/Program.ini");
    report.settingsSource = QStringLiteral("save/parameter/program.ini");
    for (int n = 1; n <= 2; ++n) {
        report.machines.append({n, QStringLiteral("M%1").arg(n), QList<qint16>(10, 2), QList<qint16>(10, 3),
                                QList<History::StoredText>(10, QStringLiteral("2")), 13, 1});
    }
    report.dropped.append({PresetDb::Value(QStringLiteral("M2")), PresetDb::Value(QStringLiteral("M2.Rpm")),
                           PresetDb::Value(1), QList<PresetDb::Value>(5, PresetDb::Value(5))});
    return report.toText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

TEST(ReportReaderTest, ReadsWhatTheUpdateWrote)
{
    const History::ReportReading reading = readReport(Platform::Cp1252::encode(sampleReport()), Copy);
    ASSERT_TRUE(reading.report) << reading.problem.toStdString();
    EXPECT_EQ(reading.report->settingsSource, QStringLiteral("save/parameter/program.ini"));
    EXPECT_EQ(reading.report->droppedCount, 1);
    ASSERT_EQ(reading.report->machines.size(), 2);
    EXPECT_EQ(reading.report->machines[1].storedBefore.value(9), History::StoredText(QStringLiteral("2")));
}

// Whole numbers are written by a faster path: each value must read exactly as the general shortest form has it.
TEST(ReportReaderTest, DroppedValuesAreInTheirShortestExactForm)
{
    for (const double value : {99999.0, -99999.0, 100000.0, -0.0, 0.0, 0.5, 1e300, 4294967296.0}) {
        History::UpdateReport report;
        report.dropped.append({PresetDb::Value(QStringLiteral("M")), PresetDb::Value(QStringLiteral("M.Rpm")),
                               PresetDb::Value(1), QList<PresetDb::Value>(5, PresetDb::Value(value))});
        char general[32];
        const std::to_chars_result end = std::to_chars(general, general + sizeof general, value);
        const QStringList cells =
            report.toText().trimmed().split(QLatin1Char('\n')).last().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        EXPECT_EQ(cells.value(3), QString::fromLatin1(general, end.ptr - general)) << value;
    }
}

// Standard output gets the report's parts through a small buffer: every CR LF becomes LF, a lone CR stays, and
// nothing is lost or doubled where a part fills the buffer.
TEST(ReportReaderTest, PrintedPartsEndLinesInLineFeeds)
{
    QByteArray table;
    for (int i = 0; table.size() < 200000; ++i) {
        table += "  M" + QByteArray::number(i) + "  x\ry\r\n";
    }
    const QByteArray head = "Head\r\nDropped plant values: 2\r\n";
    std::FILE *out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    History::UpdateReport::printParts(out, {head, table});
    std::rewind(out);
    QByteArray printed(head.size() + table.size(), '\0');
    printed.truncate(static_cast<qsizetype>(std::fread(printed.data(), 1, static_cast<size_t>(printed.size()), out)));
    std::fclose(out);
    EXPECT_EQ(printed, QByteArray(head + table).replace("\r\n", "\n"));
}

TEST(ReportReaderTest, RefusesAFieldItsCopyContradictsNamingTheLine)
{
    struct Case
    {
        const char *pattern; // the first match is replaced
        QString replacement;
        QString problem;
    };
    const QList<Case> cases = {
        {"(KadexInOrOutput1)( .*\\r\\n  )(KadexInOrOutput2)", QStringLiteral("\\3\\2\\1"),
         QStringLiteral("line 16: \"KadexInOrOutput2\" where \"KadexInOrOutput1\" belongs")},
        {"KadexInOrOutput3( .*)\"2\"", QStringLiteral("KadexInOrOutput3\\1\"2") + QChar(0) + QStringLiteral("9\""),
         QStringLiteral("line 18: holds a NUL byte or a line break")},
        {"\"2\"\\r\\n", QStringLiteral("\"2\r3\"\r\n"), QStringLiteral("line 14: holds a NUL byte or a line break")},
        {"Dropped plant values: 1", QStringLiteral("Dropped plant values: 2"),
         QStringLiteral("line 42: 2 dropped plant values counted, 1 rows listed")},
        {"Kept database: [^\\r]*", QStringLiteral("Kept database: Kadex.mdb.20250101-000000"),
         QStringLiteral("line 2: names the kept database \"Kadex.mdb.20250101-000000\", not the copy")},
        {"10:11:12", QStringLiteral("10:11:13"),
         QStringLiteral("line 3: the date \"2026-01-05 10:11:13\" is not the "
                        "time \"2026-01-05 10:11:12\" the copy's name gives")},
        {"Machine 2:", QStringLiteral("Machine 9:"), QStringLiteral("line 27: machine 9 is none of the window's")},
        {"Machine 2:", QStringLiteral("Machine 1:"), QStringLiteral("line 27: machine 1 is named a second time")},
        {"Run mode: ", QStringLiteral("Date: 2026-01-05 10:11:12\r\nRun mode: "),
         QStringLiteral("line 4: a second \"Date\" line (the first is line 3)")},
        {"Kadex2ndMachineNr +2", QStringLiteral("Kadex2ndMachineNr 40000"),
         QStringLiteral("line 14: a value beyond what an entry holds")},
        {"  KadexInOrOutput8[^\\r]*\\r\\n", QString(), QStringLiteral("line 12: machine 1 lists 9 of its 10 settings")},
        {"Settings file: [^\\r]*\\r\\n", QString(), QStringLiteral("the line \"Settings file: ...\" is missing")},
    };
    for (const Case &c : cases) {
        const QString text = sampleReport();
        const QRegularExpression pattern(QString::fromUtf8(c.pattern));
        const QRegularExpressionMatch match = pattern.match(text);
        ASSERT_TRUE(match.hasMatch()) << c.pattern;
        const QString edited = text.left(match.capturedStart()) + match.captured(0).replace(pattern, c.replacement) +
                               text.mid(match.capturedEnd());
        ASSERT_NE(edited, text) << c.pattern;
        const History::ReportReading reading = readReport(Platform::Cp1252::encode(edited), Copy);
        EXPECT_FALSE(reading.report) << c.pattern;
        EXPECT_TRUE(reading.problem.startsWith(c.problem)) << c.pattern << "\n" << reading.problem.toStdString();
    }
}

// A report's place holding no regular file is refused at once with its reason: nothing waits on a FIFO, and a
// link to a device that never ends is not read without bound.
TEST(ReportFileTest, OddFilesInAReportsPlaceAreRefusedAtOnce)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString zero = dir.filePath(QStringLiteral("zero.txt"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    const QString folder = dir.filePath(QStringLiteral("folder.txt"));
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const QString &path : {fifo, zero, folder, dir.filePath(QStringLiteral("missing.txt"))}) {
        const History::ReportReading reading = History::readReportFile(path);
        EXPECT_FALSE(reading.report) << path.toStdString();
        EXPECT_TRUE(reading.problem.startsWith(QStringLiteral("cannot be read ("))) << reading.problem.toStdString();
    }
}

} // namespace
} // namespace Kadex::Test
