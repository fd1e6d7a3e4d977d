#include "presetdb/VarNameTemplates.h"

#include "diag/ErrorGuard.h"
#include "tests/support/FixtureDb.h"
#include "tests/support/PresetPlant.h"
#include "tests/support/TestRun.h"

#include <gtest/gtest.h>

namespace Kadex::Test {
namespace {

using PresetDb::VarNameTemplates;

class VarNameTemplatesTest : public ::testing::Test
{
protected:
    VarNameTemplatesTest() { plant.writeStandardPlant(); }

    VarNameTemplates load(TestRun &run) const
    {
        VarNameTemplates templates;
        Diag::ErrorGuard guard(run.report, QString());
        templates.load(plant.sourceDb(), guard);
        return templates;
    }

    // Every entry that is not empty, as "system/part=template".
    static QStringList filled(const VarNameTemplates &templates)
    {
        QStringList entries;
        for (int system = 0; system < VarNameTemplates::Systems; ++system) {
            for (int part = 1; part <= VarNameTemplates::Parts; ++part) {
                if (!templates.at(system, part).isEmpty()) {
                    entries.append(QStringLiteral("%1/%2=%3").arg(system).arg(part).arg(templates.at(system, part)));
                }
            }
        }
        return entries;
    }

    PresetPlant plant;
};

TEST_F(VarNameTemplatesTest, RowsFillTheirSystemInAnyCaseLaterRowsWinAndOtherSystemsAreIgnored)
{
    plant.writeSource(QStringLiteral("INSERT INTO Source_DEFS VALUES ('VISIWIN32', 'A.###Var_Name', 1);"
                                     "INSERT INTO Source_DEFS VALUES ('visiwinstudio', 'B.###machine.###Var_Name', 1);"
                                     "INSERT INTO Source_DEFS VALUES ('VISIWIN16', 'C', 2);"
                                     "INSERT INTO Source_DEFS VALUES ('VisiWin32', 'first', '50');"
                                     "INSERT INTO Source_DEFS VALUES ('VISIWIN32', 'D', 50);"
                                     "INSERT INTO Source_DEFS VALUES (NULL, 'E', 3);"));
    TestRun run(plant);
    run.start();
    EXPECT_EQ(lines(filled(load(run))), (Lines{"0/1=A.###Var_Name", "0/50=D", "1/1=B.###machine.###Var_Name"}));
    EXPECT_TRUE(run.ui.boxes.isEmpty());
}

TEST_F(VarNameTemplatesTest, EmptyTableLeavesEveryTemplateEmpty)
{
    plant.writeSource();
    TestRun run(plant);
    run.start();
    EXPECT_EQ(lines(filled(load(run))), Lines());
}

TEST_F(VarNameTemplatesTest, UnreadableRowSetsPartOneFallbackUnreportedAndLaterRowsStillCount)
{
    plant.writeSource(QStringLiteral("INSERT INTO Source_DEFS VALUES ('VISIWIN32', 'x', 51);"
                                     "INSERT INTO Source_DEFS VALUES ('VISIWIN32', 'Rpm.###Var_Name', 2);"
                                     "INSERT INTO Source_DEFS VALUES ('VISIWINSTUDIO', NULL, 3);"
                                     "INSERT INTO Source_DEFS VALUES ('VISIWIN32', 'y', 'abc');"
                                     "INSERT INTO Source_DEFS VALUES ('VISIWINSTUDIO', 'S.###Var_Name', 1);"));
    TestRun run(plant);
    run.start();
    EXPECT_EQ(lines(filled(load(run))), (Lines{"0/1=###Var_Name", "0/2=Rpm.###Var_Name", "1/1=S.###Var_Name"}));
    EXPECT_TRUE(run.errorLogLines().isEmpty());
}

TEST_F(VarNameTemplatesTest, MissingFieldFallsBackOnEveryRowWithoutReport)
{
    plant.writeSource(QStringLiteral("DROP TABLE Source_DEFS; CREATE TABLE Source_DEFS (System, Var_Name);"
                                     "INSERT INTO Source_DEFS VALUES ('VISIWIN32', 'A');"));
    TestRun run(plant);
    run.start();
    EXPECT_EQ(lines(filled(load(run))), (Lines{"0/1=###Var_Name", "1/1=###Var_Name"}));
    EXPECT_TRUE(run.errorLogLines().isEmpty());
}

TEST_F(VarNameTemplatesTest, MissingTableOrDatabaseIsReportedWithoutProcedureAndFallsBack)
{
    plant.writeSource(QStringLiteral("DROP TABLE Source_DEFS;"));
    TestRun run(plant, QStringLiteral("/EXTERNAL:SILENT"));
    run.start();
    EXPECT_EQ(lines(filled(load(run))), (Lines{"0/1=###Var_Name", "1/1=###Var_Name"}));
    EXPECT_EQ(lines(run.errorLogLines()),
              Lines{"Fehler in Kadex / DAO.Database /  (Nr. 3078) :no such table: Source_DEFS."});

    QFile::remove(plant.sourceDb());
    EXPECT_EQ(lines(filled(load(run))), (Lines{"0/1=###Var_Name", "1/1=###Var_Name"}));
    ASSERT_EQ(run.errorLogLines().size(), 2);
    EXPECT_TRUE(run.errorLogLines()[1].startsWith(QStringLiteral("Fehler in Kadex / DAO.Database /  (Nr. 3024) :")));
    EXPECT_FALSE(plant.exists(QStringLiteral("Kadex/Kadex_Source.mdb")));
}

} // namespace
} // namespace Kadex::Test
