// The built program on a plant it shares: with a second run of itself and with another writer of Program.ini; and
// the exit status that tells an unattended caller whether anything was reported.
#include "tests/support/FixtureDb.h"
#include "tests/support/PlantState.h"
#include "tests/support/SamplePlantProgram.h"
#include "tests/support/TempPlant.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace Kadex::Test {
namespace {

constexpr int RunWithinMs = 60000;

QProcessEnvironment silentEnvironment(const TempPlant &plant)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KADEX_SERVICEPACK_LOG"), plant.path(QStringLiteral("ServicePack.log")));
    SamplePlantProgram::passSanitizerOptions(environment);
    return environment;
}

// Starts a silent run of the program installed in plant; the caller waits for it.
void startSilentRun(QProcess &process, const TempPlant &plant)
{
    process.setProcessEnvironment(silentEnvironment(plant));
    process.start(plant.path(QStringLiteral("Kadex/Kadex_Config")), {QStringLiteral("/EXTERNAL:SILENT")});
}

// The files below root that a write in progress or a journal would leave.
QStringList leftovers(const QString &root)
{
    QStringList found;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString name = QFileInfo(it.next()).fileName();
        if (name.endsWith(QStringLiteral(".tmp")) || name.endsWith(QStringLiteral("-journal"))) {
            found.append(name);
        }
    }
    return found;
}

class PlantSharingProcessTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(SamplePlantProgram::install(plant)); }

    TempPlant plant;
};

TEST_F(PlantSharingProcessTest, TwoSilentRunsStartedTogetherRunOneAfterTheOther)
{
    // The result of one run alone, on a second copy of the plant.
    TempPlant serial;
    ASSERT_TRUE(SamplePlantProgram::install(serial));
    const ProgramRun alone =
        SamplePlantProgram::run(serial, {QStringLiteral("/EXTERNAL:SILENT")}, silentEnvironment(serial));
    ASSERT_EQ(alone.exitCode, 0) << alone.standardError.toStdString();
    const PlantState expected = PlantState::of(serial.root());

    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        QProcess first;
        QProcess second;
        startSilentRun(first, plant);
        startSilentRun(second, plant);
        ASSERT_TRUE(first.waitForFinished(RunWithinMs));
        ASSERT_TRUE(second.waitForFinished(RunWithinMs));

        // The second waits for the first instead of tripping over its files: both succeed.
        EXPECT_EQ(first.exitCode(), 0) << first.readAllStandardError().toStdString();
        EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
        const PlantState now = PlantState::of(plant.root());
        EXPECT_EQ(now.iniEntries, expected.iniEntries);
        EXPECT_EQ(now.databases, expected.databases);
        EXPECT_EQ(leftovers(plant.root()), QStringList());
        EXPECT_FALSE(plant.exists(QStringLiteral("R4Mcfglog.txt")));
        EXPECT_EQ(plant.read(QStringLiteral("ServicePack.log")), QByteArray());
    }
}

// Another program that keeps adding lines of its own to Program.ini while runs go on, in turns: by writing the
// whole file anew and swapping it in by rename, and by appending to the file in place. It knows when it wrote over a
// change of the program's (its swap took out bytes other than those it had read) and when its append went to a
// file already replaced (it appends again): the only losses the program cannot see.
class OtherIniWriter
{
public:
    explicit OtherIniWriter(QString path) : m_path(QFile::encodeName(path)) {}
    ~OtherIniWriter() { stop(); }

    void start()
    {
        m_stop = false;
        m_overwroteTheProgram = false;
        m_thread = std::thread([this] { run(); });
    }
    void stop()
    {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    int linesWritten() const { return m_lines; }
    bool overwroteTheProgram() const { return m_overwroteTheProgram; }

private:
    QByteArray nextLine() const { return QByteArray("Line" + QByteArray::number(m_lines) + "=x\r\n"); }

    bool rewriteByRename()
    {
        const QByteArray read = bytesOf(m_path);
        const QByteArray part = QByteArray(m_path + ".part");
        QFile out(QFile::decodeName(part));
        if (!out.open(QIODevice::WriteOnly) || out.write(read + nextLine()) != read.size() + nextLine().size()) {
            return false;
        }
        out.close();
        if (::renameat2(AT_FDCWD, part.constData(), AT_FDCWD, m_path.constData(), RENAME_EXCHANGE) != 0) {
            return false;
        }
        if (bytesOf(part) != read) {
            m_overwroteTheProgram = true;
        }
        ::unlink(part.constData());
        return true;
    }

    bool appendInPlace()
    {
        const int fd = ::open(m_path.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        const QByteArray line = nextLine();
        bool landed = ::write(fd, line.constData(), size_t(line.size())) == line.size();
        struct stat written = {};
        struct stat named = {};
        landed = landed && ::fstat(fd, &written) == 0 && ::stat(m_path.constData(), &named) == 0 &&
                 written.st_ino == named.st_ino;
        ::close(fd);
        return landed;
    }

    static QByteArray bytesOf(const QByteArray &path)
    {
        QFile file(QFile::decodeName(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void run()
    {
        while (!m_stop) {
            if (m_lines % 2 == 0 ? rewriteByRename() : appendInPlace()) {
                ++m_lines;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    QByteArray m_path;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_overwroteTheProgram{false};
    std::atomic<int> m_lines{0};
    std::thread m_thread;
};

// Program.ini without the channels 3 to 8 of its machine Ofen, which a run then writes.
QByteArray withoutOfenChannels(const QByteArray &ini)
{
    QByteArray kept;
    bool inOfen = false;
    for (const QByteArray &line : ini.split('\n')) {
        if (line.startsWith('[')) {
            inOfen = line.startsWith("[Machine2]");
        }
        const bool channel =
            line.startsWith("KadexInOrOutput") && line.size() > 15 && line[15] >= '3' && line[15] <= '8';
        if (!(inOfen && channel)) {
            kept += line + '\n';
        }
    }
    kept.chop(1);
    return kept;
}

TEST_F(PlantSharingProcessTest, AnotherWriterOfProgramIniLosesNothingAndNoRunReadsItTorn)
{
    // The other program's section goes last, so that its lines are appended to it.
    const QByteArray original = plant.read(QStringLiteral("parameter/Program.ini")) + "\r\n[OtherModule]\r\n";
    TempPlant serial;
    ASSERT_TRUE(SamplePlantProgram::install(serial));
    serial.write(QStringLiteral("parameter/Program.ini"), original);
    ASSERT_EQ(SamplePlantProgram::run(serial, {QStringLiteral("/EXTERNAL:SILENT")}, silentEnvironment(serial)).exitCode,
              0);
    const QMap<QString, QString> runEntries = PlantState::of(serial.root()).iniEntries;
    plant.write(QStringLiteral("parameter/Program.ini"), original);

    OtherIniWriter other(plant.path(QStringLiteral("parameter/Program.ini")));
    QSet<int> kept; // the other program's lines in the file after the last round
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        // Each run has entries to write.
        plant.write(QStringLiteral("parameter/Program.ini"),
                    withoutOfenChannels(plant.read(QStringLiteral("parameter/Program.ini"))));
        const int linesBefore = other.linesWritten();
        const std::string rowsBefore = queryValue(plant.path(QStringLiteral("Kadex/Kadex.mdb")),
                                                  QStringLiteral("SELECT count(*) FROM PRESET_DEFS"));
        const qsizetype logBefore = plant.read(QStringLiteral("ServicePack.log")).size();
        other.start();
        const ProgramRun run =
            SamplePlantProgram::run(plant, {QStringLiteral("/EXTERNAL:SILENT")}, silentEnvironment(plant));
        other.stop();
        ASSERT_TRUE(run.finishedInTime);

        // Nothing of either is lost without a report: every line the other program wrote stays, unless the run
        // reported a write it could not make without dropping one.
        const QByteArray now = plant.read(QStringLiteral("parameter/Program.ini"));
        for (int line = 0; line < other.linesWritten(); ++line) {
            const bool present = now.contains(QByteArray("\r\nLine" + QByteArray::number(line) + "=x\r\n"));
            if (run.exitCode == 0 && (line >= linesBefore || kept.contains(line))) {
                EXPECT_TRUE(present) << "Line" << line;
            }
            if (present) {
                kept.insert(line);
            } else {
                kept.remove(line);
            }
        }
        const QMap<QString, QString> entries = PlantState::of(plant.root()).iniEntries;
        if (run.exitCode == 0 && !other.overwroteTheProgram()) {
            for (auto it = runEntries.begin(); it != runEntries.end(); ++it) {
                EXPECT_EQ(entries.value(it.key()), it.value()) << it.key().toStdString();
            }
        } else if (run.exitCode != 0) {
            EXPECT_EQ(run.exitCode, 1);
        }
        // Built from the machines in use, never from a half-read machine list. A run that found the settings
        // changing every time it checked them (a slow build against a writer every 2 ms) reports it and leaves
        // the module database as it was; one that built it and then could not write its settings between the
        // other program's writes reports that.
        const QByteArray logged = plant.read(QStringLiteral("ServicePack.log")).mid(logBefore);
        EXPECT_EQ(run.exitCode != 0, !logged.isEmpty()) << logged.toStdString();
        if (logged.contains("Path/File access error")) {
            EXPECT_TRUE(logged.contains("Another program")) << "a refused write says why: " << logged.toStdString();
        }
        const std::string rows = queryValue(plant.path(QStringLiteral("Kadex/Kadex.mdb")),
                                            QStringLiteral("SELECT count(*) FROM PRESET_DEFS"));
        EXPECT_EQ(rows, logged.contains("kept changing while the update read them") ? rowsBefore : "26")
            << logged.toStdString();
    }
}

TEST_F(PlantSharingProcessTest, RunThatCanWriteNoLogLeavesItsLineOnStandardErrorAndFails)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root, to run the program as the unprivileged user nobody";
    }
    // Nobody may read the plant but write none of it, nor /var/log.
    ASSERT_TRUE(QFile::setPermissions(plant.root(), QFile::permissions(plant.root()) | QFileDevice::ReadOther |
                                                        QFileDevice::ExeOther));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("KADEX_SERVICEPACK_LOG"));
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    SamplePlantProgram::passSanitizerOptions(environment);
    QProcess reachable;
    reachable.start(QStringLiteral("setpriv"),
                    {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                     QStringLiteral("--clear-groups"), QStringLiteral("test"), QStringLiteral("-x"),
                     plant.path(QStringLiteral("Kadex/Kadex_Config"))});
    if (!reachable.waitForFinished() || reachable.exitCode() != 0) {
        GTEST_SKIP() << "the user nobody cannot reach the plant's folder " << plant.root().toStdString();
    }
    // Nor may nobody create the plant lock in the module folder, nor open the one a root run left only to root: the
    // silent run, --restore and --pin each say so and end.
    const QString lock = plant.path(QStringLiteral("Kadex/.Kadex_Config.lock"));
    const QStringList commands = {QStringLiteral("/EXTERNAL:SILENT"), QStringLiteral("--restore"),
                                  QStringLiteral("--pin 20000101-000000"), QStringLiteral("/EXTERNAL:SILENT")};
    for (qsizetype i = 0; i < commands.size(); ++i) {
        SCOPED_TRACE(commands[i].toStdString());
        if (i == 3) { // a lock file that a root run left to root alone
            QFile file(lock);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.setPermissions(QFileDevice::ReadOwner));
        }
        const QStringList files = PlantState::of(plant.root()).files;
        QProcess run;
        run.setProcessEnvironment(environment);
        run.start(QStringLiteral("setpriv"),
                  QStringList{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                              QStringLiteral("--clear-groups"), plant.path(QStringLiteral("Kadex/Kadex_Config"))} +
                      commands[i].split(u' '));
        ASSERT_TRUE(run.waitForFinished(RunWithinMs));

        const QString standardError = QString::fromLocal8Bit(run.readAllStandardError());
        EXPECT_EQ(run.exitCode(), 1) << standardError.toStdString();
        EXPECT_TRUE(standardError.contains(QStringLiteral("Cannot open the plant lock ") + lock +
                                           QStringLiteral(": Permission denied. Nothing was changed.")))
            << standardError.toStdString();
        EXPECT_TRUE(commands[i].startsWith(u'-') || standardError.contains(QStringLiteral("! Fault Kadex_Config: ")))
            << standardError.toStdString();
        // The notice names no file: none was written.
        EXPECT_FALSE(standardError.contains(QStringLiteral("Error logged to"))) << standardError.toStdString();
        EXPECT_EQ(PlantState::of(plant.root()).files, files);
    }
}

} // namespace
} // namespace Kadex::Test
