// The built program on a large generated plant, ended from outside: killed at moments spread over its run, and
// run on a file system too full for it. Every file of the plant must stay whole, and the next run must repair.
#include "bench/BenchPlant.h"
#include "tests/support/PlantState.h"
#include "tests/support/SamplePlantProgram.h"
#include "tests/support/SmallDisk.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace Kadex::Test {
namespace {

const QString Silent = QStringLiteral("/EXTERNAL:SILENT");

#ifdef KADEX_SANITIZE_BUILD
constexpr bool SanitizerBuild = true;
#else
constexpr bool SanitizerBuild = false;
#endif

// Makes to a copy of the plant at from, with nothing else in it.
bool freshCopy(const QString &from, const QString &to)
{
    QDir(to).removeRecursively();
    return SamplePlantProgram::copyPlant(from, to);
}

// What a run that was killed may leave and only the next run removes: a temporary file of a whole-file write that
// was not yet renamed, or the rollback journal of a database written in a transaction (the template or the module
// database).
bool isKillLeftover(const QString &file)
{
    static const QRegularExpression temporary(QStringLiteral("(^|/)\\.[^/]+\\.[0-9a-z]+\\.tmp$"));
    return temporary.match(file).hasMatch() || file == QStringLiteral("Kadex/Kadex_Source.mdb-journal") ||
           file == QStringLiteral("Kadex/Kadex.mdb-journal");
}

class InterruptedRunProcessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (SanitizerBuild) {
            GTEST_SKIP() << "skipped in the sanitizer build: its runs are many times slower, so the kill moments and "
                            "full-disk runs would not fit the test's minute; the normal build runs this test";
        }
        ASSERT_TRUE(scratch.isValid());
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KADEX_SERVICEPACK_LOG"), servicePackLog());
    }

    QString servicePackLog() const { return scratch.filePath(QStringLiteral("ServicePack.log")); }

    // A generated plant with the program installed, its state, and the state a clean run leaves on a copy of it.
    void makePlant(int templateRows, int oldRows)
    {
        pristine = scratch.filePath(QStringLiteral("pristine"));
        Bench::buildGeneratedPlant(pristine, templateRows, oldRows);
        ASSERT_TRUE(SamplePlantProgram::installProgram(pristine));
        before = PlantState::of(pristine);
        const QString cleanRoot = scratch.filePath(QStringLiteral("clean"));
        ASSERT_TRUE(freshCopy(pristine, cleanRoot));
        ASSERT_EQ(runSilently(cleanRoot), 0);
        cleanRunMs = lastRunMs;
        clean = PlantState::of(cleanRoot);
        ASSERT_TRUE(clean.databases != before.databases) << "a clean run changes the databases";
        ASSERT_TRUE(clean.iniEntries != before.iniEntries) << "a clean run writes the settings";
        ASSERT_FALSE(QFile::exists(servicePackLog())) << "a clean run reports nothing";
    }

    // Runs the program silently on the plant at root; its exit code, or -1 when it did not end normally in time.
    int runSilently(const QString &root) const
    {
        const ProgramRun run = SamplePlantProgram::run(root, {Silent}, environment);
        lastRunMs = run.elapsedMs;
        return run.finishedInTime && run.exitStatus == QProcess::NormalExit ? run.exitCode : -1;
    }

    // Whether the next run on root reaches a clean run's result and leaves no stray file; each miss fails the test.
    bool nextRunRepairs(const QString &root) const
    {
        const int exitCode = runSilently(root);
        EXPECT_EQ(exitCode, 0);
        const PlantState repaired = PlantState::of(root);
        const QStringList differing = mixedParts(repaired, clean, clean);
        const QStringList stray = strayFiles(repaired, before, clean);
        // The history keeps what each run replaced: the plant as it was, or what the ended run left.
        const QStringList unwhole = unwholeKeptCopies(repaired, before, clean);
        EXPECT_EQ(differing, QStringList{}) << "the next run reaches a clean run's result";
        EXPECT_EQ(stray, QStringList{});
        EXPECT_EQ(unwhole, QStringList{});
        return exitCode == 0 && differing.isEmpty() && stray.isEmpty() && unwhole.isEmpty();
    }

    QTemporaryDir scratch;
    QProcessEnvironment environment;
    QString pristine;
    PlantState before;
    PlantState clean;
    qint64 cleanRunMs = 0;
    mutable qint64 lastRunMs = 0; // how long the last run took
};

TEST_F(InterruptedRunProcessTest, KilledAtAnyMomentEveryFileStaysWholeAndTheNextRunRepairs)
{
    // The benchmark's plant: 5 machines x 2,000 template rows, 10,000 old rows.
    ASSERT_NO_FATAL_FAILURE(makePlant(2000, 10000));
    constexpr int Moments = 16;
    const quint32 seed = static_cast<quint32>(QDateTime::currentMSecsSinceEpoch());
    QRandomGenerator random(seed);
    int killedRunning = 0;
    int leftMixedInis = 0;
    int leftNewModuleDb = 0;
    int held = 0;
    const QString root = scratch.filePath(QStringLiteral("work"));
    // The median of the runs seen so far: one run slowed down by a busy machine would spread the moments past the end.
    QList<qint64> runsMs = {cleanRunMs};
    qint64 runMs = cleanRunMs;
    for (int moment = 0; moment < Moments; ++moment) {
        // One moment in each of equal slices of the run's time and a little beyond, anywhere inside its slice: the
        // module database and the INI files are written in the last milliseconds of a run, and a run killed
        // there matters most.
        const qint64 slice = (runMs + runMs / 8) / Moments + 1;
        const int atMs = static_cast<int>(slice * moment + random.bounded(static_cast<quint32>(slice)));
        SCOPED_TRACE(testing::Message() << "killed " << atMs << " ms after the start (run " << runMs << " ms, seed "
                                        << seed << ")");
        ASSERT_TRUE(freshCopy(pristine, root));

        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(root + QStringLiteral("/Kadex/Kadex_Config"), {Silent});
        ASSERT_TRUE(process.waitForStarted());
        if (!process.waitForFinished(atMs)) {
            process.kill(); // SIGKILL
            process.waitForFinished();
            ++killedRunning;
        }

        const PlantState killed = PlantState::of(root);
        const QStringList mixed = mixedParts(killed, before, clean) + unwholeKeptCopies(killed, before, clean);
        EXPECT_EQ(mixed, QStringList{});
        QStringList unexpected = strayFiles(killed, before, clean);
        unexpected.removeIf(isKillLeftover);
        EXPECT_EQ(unexpected, QStringList{}) << "only temporaries and the source database's journal may stay";
        leftMixedInis += killed.iniEntries != before.iniEntries && killed.iniEntries != clean.iniEntries;
        leftNewModuleDb += killed.databases.value(QStringLiteral("Kadex/Kadex.mdb")) !=
                           before.databases.value(QStringLiteral("Kadex/Kadex.mdb"));

        held += nextRunRepairs(root) && mixed.isEmpty() && unexpected.isEmpty();
        runsMs.append(lastRunMs);
        std::sort(runsMs.begin(), runsMs.end());
        runMs = runsMs[runsMs.size() / 2];
    }
    std::printf("[ figures  ] %d kill moments over a %lld ms run, %d while it ran; the module database was new after "
                "%d, the INI files part-written after %d; %d moments left whole files and were repaired\n",
                Moments, static_cast<long long>(runMs), killedRunning, leftNewModuleDb, leftMixedInis, held);
    EXPECT_GT(killedRunning, 0) << "the first moments fall inside the run";
}

TEST_F(InterruptedRunProcessTest, FullDiskIsReportedLosesNothingAndTheNextRunRepairs)
{
    ASSERT_NO_FATAL_FAILURE(makePlant(400, 2000));
    const qint64 finalCopy = QFileInfo(scratch.filePath(QStringLiteral("clean/Kadex/Kadex.mdb"))).size();
    qint64 plantBytes = 0;
    for (const QString &file : before.files) {
        plantBytes += QFileInfo(pristine + QLatin1Char('/') + file).size();
    }
    SmallDisk disk(scratch.filePath(QStringLiteral("disk")), plantBytes + 8 * finalCopy + (1 << 20));
    if (!disk.mounted()) {
        GTEST_SKIP() << "mounting a small tmpfs was refused (" << disk.error().toStdString()
                     << "): the full disk cannot be tried here; the test needs root where mounting is allowed";
    }
    const QString root = disk.folder() + QStringLiteral("/plant");

    const qint64 block = 4096;
    int levels = 0;
    int reported = 0;
    int completed = 0;
    int held = 0;
    // Runs the program with free bytes of room; whether it had room for all its work.
    const auto tryLevel = [&](qint64 free) {
        SCOPED_TRACE(testing::Message() << free << " bytes free (final copy " << finalCopy << " bytes)");
        if (!freshCopy(pristine, root) || !disk.leaveFree(free)) {
            ADD_FAILURE() << "cannot prepare the disk";
            return false;
        }
        QFile::remove(servicePackLog());
        const int status = runSilently(root);
        ++levels;
        const PlantState full = PlantState::of(root);
        const QStringList mixed = mixedParts(full, before, clean) + unwholeKeptCopies(full, before, clean);
        const QStringList stray = strayFiles(full, before, clean);
        EXPECT_EQ(mixed, QStringList{});
        EXPECT_EQ(stray, QStringList{}) << "no temporary file or journal stays";
        const bool complete =
            full.iniEntries == clean.iniEntries && full.databases == clean.databases && keepsACopyWithReport(full);
        const bool faultReported = QFile::exists(servicePackLog());
        EXPECT_TRUE(complete || faultReported) << "a run that could not finish its work must say so";
        EXPECT_EQ(status, faultReported ? 1 : 0) << "the exit status tells whether anything was reported";
        reported += faultReported;
        completed += complete;

        disk.removeFiller();
        held += nextRunRepairs(root) && mixed.isEmpty() && stray.isEmpty() && (complete || faultReported);
        return complete;
    };

    // From no room at all, in steps of a sixteenth, to a little more than the source database's rewrite, the kept
    // copy of the old module database and the final copy of the new one need together; then, by halving, down to the
    // last block below the least room that is enough, where only the last writes (the settings, the stamp) find no
    // room.
    constexpr int Steps = 16;
    const qint64 most = 3 * finalCopy + 32 * block;
    qint64 tooLittle = -1;
    qint64 enough = -1;
    for (int step = 0; step <= Steps; ++step) {
        const qint64 free = most * step / Steps / block * block;
        if (!tryLevel(free)) {
            tooLittle = free;
        } else if (enough < 0) {
            enough = free;
        }
    }
    ASSERT_GE(tooLittle, 0) << "no room at all cannot be enough";
    ASSERT_GT(enough, tooLittle) << "the most room tried must be enough, and more room never less so";
    while (enough - tooLittle > block) {
        const qint64 free = (tooLittle + enough) / 2 / block * block;
        (tryLevel(free) ? enough : tooLittle) = free;
    }
    std::printf("[ figures  ] %d free-space levels from 0 to %lld bytes (%lld enough): %d reported a failure, %d had "
                "room for all; %d levels left whole files, reported what failed and were repaired\n",
                levels, static_cast<long long>(most), static_cast<long long>(enough), reported, completed, held);
    EXPECT_GT(reported, 0) << "the lowest levels must be too full for the run";
}

} // namespace
} // namespace Kadex::Test
