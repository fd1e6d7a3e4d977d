// The built program updates and restores the module database in each journal mode while another program holds it,
// the template and a kept copy open, its last commits still in the write-ahead log in WAL mode.
#include "tests/support/FixtureDb.h"
#include "tests/support/SamplePlantProgram.h"
#include "tests/support/TempPlant.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace Kadex::Test {
namespace {

// A connection of another program in journal mode mode that never checkpoints on its own, committing sql.
struct Held
{
    Held(const QString &path, const char *mode, const QString &sql)
    {
        sqlite3_open(QFile::encodeName(path).constData(), &db);
        sqlite3_busy_timeout(db, 5000);
        EXPECT_EQ(
            exec(QStringLiteral("PRAGMA journal_mode = %1; PRAGMA wal_autocheckpoint = 0; ").arg(QLatin1String(mode)) +
                 sql),
            SQLITE_OK);
    }
    ~Held() { sqlite3_close(db); }
    int exec(const QString &sql) { return sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr); }
    sqlite3 *db = nullptr;
};

TEST(JournalModeProcessTest, UpdateAndRestoreCarryEveryCommitInEveryJournalMode)
{
    const QString setMax =
        QStringLiteral("UPDATE PRESET_DEFS SET max = %1 WHERE var_name = 'Presse.Kadex.Drehzahl_Soll'");
    const QString maxima = QStringLiteral("SELECT group_concat(max) FROM (SELECT max FROM PRESET_DEFS WHERE var_name "
                                          "IN ('Presse.Kadex.Drehzahl_Soll', 'Ofen.Kadex.Filterzeit') ORDER BY "
                                          "var_name DESC)");
    for (const char *mode : {"delete", "truncate", "persist", "wal"}) {
        SCOPED_TRACE(mode);
        TempPlant plant;
        ASSERT_TRUE(SamplePlantProgram::install(plant));
        const QString moduleDb = plant.path(QStringLiteral("Kadex/Kadex.mdb"));
        const QString source = plant.path(QStringLiteral("Kadex/Kadex_Source.mdb"));
        const auto run = [&](const QString &argument) {
            return SamplePlantProgram::run(plant, {argument}, QProcessEnvironment::systemEnvironment());
        };
        Held heldSource(source, mode, QStringLiteral("PRAGMA user_version = 7; PRAGMA application_id = 4242"));
        Held live(moduleDb, mode, setMax.arg(4711));
        const ProgramRun update = run(QStringLiteral("/EXTERNAL:SILENT"));
        ASSERT_EQ(update.exitCode, 0) << update.standardError.toStdString();
        const std::string carried = queryValue(moduleDb, maxima);
        EXPECT_EQ(carried.substr(0, 7), "'4711.0") << carried;
        EXPECT_EQ(queryValue(moduleDb, QStringLiteral("PRAGMA user_version")) +
                      queryValue(moduleDb, QStringLiteral("PRAGMA application_id")),
                  "74242");

        // A kept copy with a trigger, a view and its own last commit in its log, and one more commit to the live file.
        const QString keptDb =
            plant.path(QStringLiteral("Kadex/History/")) +
            QDir(plant.path(QStringLiteral("Kadex/History"))).entryList({QStringLiteral("Kadex.mdb.*[0-9]")}).value(0);
        Held kept(keptDb, mode,
                  QStringLiteral("UPDATE PRESET_DEFS SET max = 815 WHERE var_name = 'Ofen.Kadex.Filterzeit';"
                                 "CREATE VIEW Seen AS SELECT * FROM PRESET_DEFS; CREATE TRIGGER Ran BEFORE INSERT "
                                 "ON PRESET_DEFS BEGIN SELECT RAISE(ABORT, 'ran'); END"));
        ASSERT_EQ(live.exec(setMax.arg(1)), SQLITE_OK);
        const ProgramRun restore = run(QStringLiteral("--restore"));
        ASSERT_EQ(restore.exitCode, 0) << restore.standardError.toStdString();
        EXPECT_EQ(queryValue(moduleDb, maxima), "'4711.0,815.0'");

        // Every file keeps its mode, and the other program's log stays beside it.
        const bool wal = QLatin1String(mode) == QLatin1String("wal");
        for (const QString &path : {moduleDb, source}) {
            EXPECT_EQ(QFile::exists(path + QStringLiteral("-wal")), wal);
        }
        for (const QString &path : {moduleDb, source, keptDb}) {
            EXPECT_EQ(queryValue(path, QStringLiteral("PRAGMA journal_mode")), wal ? "'wal'" : "'delete'");
        }
        EXPECT_EQ(live.exec(setMax.arg(2)), SQLITE_OK) << sqlite3_errmsg(live.db);
    }
}

} // namespace
} // namespace Kadex::Test
