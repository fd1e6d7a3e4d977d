// A restore puts back only what the plant's machines can take, says what the next update would undo, and the
// update that follows it drops nothing it brought back.
#include "history/UpdateHistory.h"

#include "history/UpdateRestore.h"
#include "presetdb/DatabaseUpdate.h"
#include "tests/support/FixtureDb.h"
#include "tests/support/PresetPlant.h"
#include "tests/support/SamplePlantProgram.h"
#include "tests/support/TestRun.h"

#include <functional>

#include <gtest/gtest.h>

namespace Kadex::Test {
namespace {

const QString ProgramIni = QStringLiteral("parameter/Program.ini");
const QString SavedIni = QStringLiteral("save/parameter/program.ini");
const QString Integrated = QStringLiteral("/EXTERNAL:R4MCFG");

void replaceIn(const PresetPlant &plant, const QString &file, const QByteArray &from, const QByteArray &to)
{
    QByteArray bytes = plant.read(file);
    ASSERT_TRUE(bytes.contains(from)) << from.toStdString();
    plant.write(file, bytes.replace(from, to));
}

// A plant of two machines, M1 and M2, whose rows each hold a tuned value.
struct TunedPlant
{
    TunedPlant()
    {
        plant.writeStandardPlant(2);
        plant.writeSource(QStringLiteral("INSERT INTO Source_DEFS VALUES ('VISIWIN32', '###machine.###Var_Name', 1);") +
                          templateRow(1, QStringLiteral("'###machine'"), 1, QStringLiteral("'Rpm'"), 1));
        // Each machine's one row holds a tuned value (abs_min 5 where the template has 0).
        plant.writeModuleDb(QStringLiteral("INSERT INTO PRESET_DEFS VALUES (1, 'M1', 'DINT', 1, 'M1.Rpm', 2, 0, 1, "
                                           "'Drehzahl M1', 'Seite1', 5, 1000, 10, 900, 1);"
                                           "INSERT INTO PRESET_DEFS VALUES (2, 'M2', 'DINT', 1, 'M2.Rpm', 2, 0, 1, "
                                           "'Drehzahl M2', 'Seite1', 5, 1000, 10, 900, 1);"));
    }

    // A confirmed run that writes KadexNumberOfProcent=4 for machine 1; the number of plant values it dropped.
    int update(const QString &commandLine = {})
    {
        TestRun run(plant, commandLine);
        run.start();
        PresetDb::DatabaseUpdate update(run.services);
        History::UpdateHistory history(run.services);
        update.setHistory(&history);
        update.WorkOnMDB();
        Config::MachineSettingsBatch batch;
        batch.add(1, Config::numberOfProcentKey(), 4);
        EXPECT_TRUE(batch.write(run.services.ini, plant.path(ProgramIni)));
        history.finish();
        const std::optional<History::UpdateReport> report =
            History::UpdateReport::read(History::reportPath(history.keptPath()));
        return report ? report->droppedCount : 0;
    }

    int restore(QString &out, QString &err, const QString &machine = {})
    {
        TestRun run(plant, QStringLiteral("--restore"));
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        return History::restoreKeptUpdate(run.services, QString(), outStream, errStream, machine);
    }

    PresetPlant plant;
};

struct ConsistencyCase
{
    const char *name;
    std::function<void(const PresetPlant &)> beforeUpdate;
    std::function<void(const PresetPlant &)> beforeRestore;
    QString machine; // --machine
    int exitCode;
    QStringList told;                                      // each must be in what the restore printed
    std::function<void(const PresetPlant &)> followAdvice; // before the update that follows a restore
    bool integrated = false;
};

TEST(RestoreConsistencyTest, RestoreRefusesOrWarnsAndTheNextUpdateKeepsWhatItRestored)
{
    const auto nothing = [](const PresetPlant &) {};
    const auto outOfUse = [](const PresetPlant &p) {
        replaceIn(p, QStringLiteral("Kadex/Kadex.cfg"), "ForMachine2=true", "ForMachine2=false");
    };
    const auto backInUse = [](const PresetPlant &p) {
        replaceIn(p, QStringLiteral("Kadex/Kadex.cfg"), "ForMachine2=false", "ForMachine2=true");
    };
    const auto renamed = [](const PresetPlant &p) { replaceIn(p, ProgramIni, "MachineName=M2", "MachineName=Oven"); };
    const auto renamedBack = [](const PresetPlant &p) {
        replaceIn(p, ProgramIni, "MachineName=Oven", "MachineName=M2");
    };
    const auto swapped = [](const PresetPlant &p) {
        replaceIn(p, ProgramIni, "MachineName=M1", "MachineName=Mx");
        replaceIn(p, ProgramIni, "MachineName=M2", "MachineName=M1");
        replaceIn(p, ProgramIni, "MachineName=Mx", "MachineName=M2");
    };
    const auto absent = [](const PresetPlant &p) {
        replaceIn(p, ProgramIni, "NumberOfMachines=2", "NumberOfMachines=1");
    };
    const auto savedCopy = [](const PresetPlant &p) {
        p.write(QStringLiteral("parameter/r4mconfiguration.ini"),
                "[Common]\r\nSaveAndRestore=" + p.path(QStringLiteral("save")).toUtf8() +
                    "\r\nNameM1=M1\r\nNameM2=M2\r\n");
        replaceIn(p, QStringLiteral("Kadex/Kadex.cfg"), "[Project]\r\n", "[Project]\r\nValidMachines=ALL\r\n");
        p.write(QStringLiteral("save/Kadex/Kadex.mdb"), p.read(QStringLiteral("Kadex/Kadex.mdb"))); // machine copy
        p.write(SavedIni,
                p.read(ProgramIni).replace("MachineName=M1\r\n", "MachineName=M1\r\nKadexNumberOfProcent=9\r\n"));
    };
    const QString templateRow1 =
        QStringLiteral("INSERT INTO Source_DEFS VALUES ('VISIWIN32', '###machine.###Var_Name', 1);") +
        templateRow(1, QStringLiteral("'###machine'"), 1, QStringLiteral("'Rpm'"), 1);
    // A module database holds the template it was made from.
    const auto madeFromTemplate = [](const PresetPlant &p) {
        runSql(p.moduleDb(), QStringLiteral("CREATE TABLE Source_PRESET_DEFS (ID INTEGER); "
                                            "INSERT INTO Source_PRESET_DEFS VALUES (1);"));
    };
    const auto templateRowGone = [](const PresetPlant &p) {
        p.writeSource(QStringLiteral("INSERT INTO Source_DEFS VALUES ('VISIWIN32', '###machine.###Var_Name', 1);"));
    };
    const auto templateRowBack = [templateRow1](const PresetPlant &p) { p.writeSource(templateRow1); };
    const auto fieldAdded = [](const PresetPlant &p) {
        runSql(p.moduleDb(), QStringLiteral("ALTER TABLE PRESET_DEFS ADD COLUMN extra"));
    };
    const QList<ConsistencyCase> cases = {
        {"machine out of use",
         outOfUse,
         nothing,
         {},
         0,
         {QStringLiteral("Warning: The next update will drop the 1 rows of \"M2\": machine 2 is not in use; to keep "
                         "them, set ForMachine2=true in [Project] of Kadex/Kadex.cfg.")},
         backInUse},
        {"machine renamed",
         nothing,
         renamed,
         {},
         1,
         {QStringLiteral("Machine 2 \"M2\" is named \"Oven\" on the plant now (to name it back, set MachineName=M2 "
                         "in [Machine2] of parameter/Program.ini)")},
         nothing},
        {"renamed, the other machine alone",
         nothing,
         renamed,
         QStringLiteral("M1"),
         0,
         {QStringLiteral("Restored the rows of \"M1\"")},
         renamedBack},
        {"machines swapped",
         nothing,
         swapped,
         {},
         1,
         {QStringLiteral("Machine 1 \"M1\" is named \"M2\""), QStringLiteral("Machine 2 \"M2\" is named \"M1\"")},
         nothing},
        {"machine absent",
         nothing,
         absent,
         {},
         1,
         {QStringLiteral("Machine 2 \"M2\" is not on the plant now (to bring it back, set NumberOfMachines=2")},
         nothing},
        {"SaveAndRestore copy differs",
         savedCopy,
         nothing,
         {},
         0,
         {QStringLiteral("written back to ") + QStringLiteral("%1/parameter/Program.ini"),
          QStringLiteral("1 setting written back to %1/") + SavedIni},
         nothing,
         true},
        {"one machine into a table of other fields",
         nothing,
         fieldAdded,
         QStringLiteral("M1"),
         1,
         {QStringLiteral(
             "(PRESET_DEFS has other fields in the kept database than in the live one); nothing restored.")},
         nothing},
        {"template row gone",
         madeFromTemplate,
         templateRowGone,
         {},
         0,
         {QStringLiteral("Warning: The next update will drop the rows made from 1 template rows that "
                         "%1/Kadex/Kadex_Source.mdb no longer has (ID 1)")},
         templateRowBack},
    };
    for (const ConsistencyCase &c : cases) {
        SCOPED_TRACE(c.name);
        TunedPlant fresh;
        PresetPlant &p = fresh.plant;
        c.beforeUpdate(p);
        fresh.update(c.integrated ? Integrated : QString());
        c.beforeRestore(p);
        const QMap<QString, QByteArray> tree = SamplePlantProgram::treeBytes(p.root());
        QString out;
        QString err;
        const int code = fresh.restore(out, err, c.machine);
        const QString printed = out + err;
        ASSERT_EQ(code, c.exitCode) << printed.toStdString();
        for (const QString &told : c.told) {
            EXPECT_TRUE(printed.contains(QString(told).replace(QStringLiteral("%1"), p.root())))
                << told.toStdString() << "\n"
                << printed.toStdString();
        }
        if (c.exitCode != 0) {
            EXPECT_EQ(SamplePlantProgram::treeBytes(p.root()), tree) << "a refusal changes nothing";
            continue;
        }
        c.followAdvice(p);
        EXPECT_EQ(fresh.update(c.integrated ? Integrated : QString()), 0) << "the next update drops nothing";
    }
}

} // namespace
} // namespace Kadex::Test
