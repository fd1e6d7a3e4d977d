// The built program updates the module database while another process (a stand-in for the visualisation) has it
// open and commits changes to it: nothing that process commits is lost, it sees the new presets afterwards and
// goes on writing to the same file; a lock it holds too long makes the run change nothing and say why.
#include "tests/support/FixtureDb.h"
#include "tests/support/SamplePlantProgram.h"
#include "tests/support/TempPlant.h"
#include "tests/support/TestRun.h"

#include <QFile>
#include <QMap>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace Kadex::Test {
namespace {

// Rows both the old and the regenerated database hold, so that their values are carried.
const char *const Written[] = {"Presse.Kadex.Drehzahl_Soll", "Ofen.Kadex.Filterzeit"};

class LiveModuleDbProcessTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(SamplePlantProgram::install(plant)); }

    QString moduleDb() const { return plant.path(QStringLiteral("Kadex/Kadex.mdb")); }
    QByteArray native(const char *name) const { return QFile::encodeName(plant.path(QString::fromLatin1(name))); }

    ProgramRun runSilently() const
    {
        return SamplePlantProgram::run(plant, {QStringLiteral("/EXTERNAL:SILENT")},
                                       QProcessEnvironment::systemEnvironment());
    }

    // The stand-in, in a child process: one connection (busy timeout 5 s) adding 1 to min of the written rows in
    // turn until the file "stop" appears, each commit noted in "committed" as "<row> <count>"; then the rows of
    // PRESET_DEFS it sees go to "seen", and one more commit. Exits 0 when every commit succeeded. A commit lost
    // by an update leaves min short of its start plus the row's commits.
    pid_t startWriter() const
    {
        const QByteArray db = QFile::encodeName(moduleDb());
        const QByteArray stop = native("stop");
        const QByteArray committed = native("committed");
        const QByteArray seen = native("seen");
        const pid_t pid = fork();
        if (pid != 0) {
            return pid;
        }
        sqlite3 *handle = nullptr;
        int failures = sqlite3_open(db.constData(), &handle) == SQLITE_OK ? 0 : 1;
        sqlite3_busy_timeout(handle, 5000);
        FILE *log = std::fopen(committed.constData(), "w");
        const auto commit = [&](int value) {
            const int row = value % 2;
            char sql[160];
            std::snprintf(sql, sizeof sql, "UPDATE PRESET_DEFS SET min = min + 1 WHERE var_name = '%s'", Written[row]);
            if (sqlite3_exec(handle, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
                std::fprintf(stderr, "writer, commit of %d: %s (%d)\n", value, sqlite3_errmsg(handle),
                             sqlite3_extended_errcode(handle));
                ++failures;
                return;
            }
            std::fprintf(log, "%d %d\r\n", row, value);
            std::fflush(log);
        };
        struct stat info = {};
        int value = 1;
        while (::stat(stop.constData(), &info) != 0) {
            commit(value++);
        }
        sqlite3_stmt *rows = nullptr;
        sqlite3_prepare_v2(handle, "SELECT count(*) FROM PRESET_DEFS", -1, &rows, nullptr);
        FILE *seenFile = std::fopen(seen.constData(), "w");
        if (rows != nullptr && sqlite3_step(rows) == SQLITE_ROW) {
            std::fprintf(seenFile, "%d\r\n", sqlite3_column_int(rows, 0));
        }
        std::fclose(seenFile);
        sqlite3_finalize(rows);
        commit(value);
        std::fclose(log);
        sqlite3_close(handle);
        _exit(failures == 0 ? 0 : 1);
    }

    int stopWriter(pid_t pid) const
    {
        plant.write(QStringLiteral("stop"), QByteArray());
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    TempPlant plant;
};

TEST_F(LiveModuleDbProcessTest, EveryCommitOfAProgramWritingThroughTheUpdatesLandsInTheNewDatabase)
{
    const auto minOf = [&](int row) {
        return QString::fromStdString(queryValue(moduleDb(), QStringLiteral("SELECT min FROM PRESET_DEFS WHERE "
                                                                            "var_name = '%1'")
                                                                 .arg(QString::fromLatin1(Written[row]))))
            .toDouble();
    };
    const double start[] = {minOf(0), minOf(1)};
    const pid_t writer = startWriter();
    for (int run = 0; run < 6; ++run) {
        usleep(static_cast<useconds_t>(20000 + run * 37000));
        const ProgramRun result = runSilently();
        ASSERT_TRUE(result.finishedInTime);
        EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    }
    EXPECT_EQ(stopWriter(writer), 0) << "every commit of the writer succeeded";

    // Each row's commits, those made while an update read and wrote the file included.
    QMap<int, int> commits;
    for (const QString &line : fileLines(plant.path(QStringLiteral("committed")))) {
        ++commits[line.section(QLatin1Char(' '), 0, 0).toInt()];
    }
    ASSERT_EQ(commits.size(), 2);
    for (int row = 0; row < 2; ++row) {
        EXPECT_DOUBLE_EQ(minOf(row), start[row] + commits[row]) << Written[row];
    }
    // The writer's connection saw the regenerated table: the two machines in use, 13 rows each.
    EXPECT_EQ(fileLines(plant.path(QStringLiteral("seen"))), QStringList{QStringLiteral("26")});
    EXPECT_EQ(queryValue(moduleDb(), QStringLiteral("SELECT count(*) FROM PRESET_DEFS")), "26");
    EXPECT_EQ(lines(fileLines(plant.path(QStringLiteral("R4Mcfglog.txt")))), Lines());
}

TEST_F(LiveModuleDbProcessTest, ALockHeldLongerThanTheUpdateWaitsChangesNothingAndIsReported)
{
    const QByteArray db = QFile::encodeName(moduleDb());
    const QByteArray before = plant.read(QStringLiteral("Kadex/Kadex.mdb"));
    const QByteArray sourceBefore = plant.read(QStringLiteral("Kadex/Kadex_Source.mdb"));
    // The other program holds the write lock until the run has ended, however slowly the run starts.
    int ready[2];
    int release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        close(release[1]);
        sqlite3 *handle = nullptr;
        sqlite3_open(db.constData(), &handle);
        const bool locked = sqlite3_exec(handle, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
        const char byte = locked ? '1' : '0';
        (void)!write(ready[1], &byte, 1);
        char done = 0;
        (void)!read(release[0], &done, 1); // returns at the parent's byte, or when the parent is gone
        sqlite3_exec(handle, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(handle);
        _exit(0);
    }
    close(release[0]);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, '1');

    const ProgramRun result = runSilently();
    (void)!write(release[1], "x", 1);
    close(release[1]);
    int status = 0;
    waitpid(holder, &status, 0);
    ASSERT_TRUE(result.finishedInTime);

    EXPECT_EQ(plant.read(QStringLiteral("Kadex/Kadex.mdb")), before);
    EXPECT_EQ(plant.read(QStringLiteral("Kadex/Kadex_Source.mdb")), sourceBefore);
    const QStringList log = fileLines(plant.path(QStringLiteral("R4Mcfglog.txt")));
    ASSERT_EQ(log.size(), 1) << log.join(u'\n').toStdString();
    EXPECT_TRUE(log.first().contains(moduleDb() + QStringLiteral(" is in use by another program")))
        << log.first().toStdString();
    EXPECT_TRUE(log.first().contains(QStringLiteral("9020"))) << log.first().toStdString();
}

} // namespace
} // namespace Kadex::Test
