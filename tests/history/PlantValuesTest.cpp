// The marks of plant values: earlier runs stored them in the summaries beside their kept copies, and pruning
// compares those with the marks of the databases it reads now, so a mark must come out the same in every build.
#include "history/PlantValues.h"

#include "presetdb/SqliteDb.h"
#include "tests/support/FixtureDb.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace Kadex::Test {
namespace {

// Keys in other letter cases (ASCII and not), names beyond the dot, numbers as texts, texts that are no valid
// UTF-8, bytes and a missing template field (pass). Large numbers are exact doubles (1e22): the engine reads 1e300 one
// bit differently where it lacks an 80-bit long double, as under valgrind.
const char *const Template = "CREATE TABLE Source_PRESET_DEFS (var_name, OFFSET_OR_BITNO, abs_min, abs_max, min, max);"
                             "INSERT INTO Source_PRESET_DEFS VALUES ('rpm', 1, 0, 100, 10, 90);"
                             "INSERT INTO Source_PRESET_DEFS VALUES ('Wärme', 2, 0, 'Grün', 10, 90);"
                             "INSERT INTO Source_PRESET_DEFS VALUES ('ΣIGMA', ' 3 ', 0, 100, 10, 90);"
                             "INSERT INTO Source_PRESET_DEFS VALUES ('KELVIN', 1000000, 0, 100, 10, 90);";

const char *const Rows =
    "CREATE TABLE PRESET_DEFS (ID, Machine_Type, VAR_NAME, offset_or_bitno, Abs_Min, abs_max, min, max, pass);"
    "INSERT INTO PRESET_DEFS VALUES (1, 'Presse', 'PRESSE.RPM', 1, 0, 100, 10, 90, 1);"
    "INSERT INTO PRESET_DEFS VALUES (2, 'presse', 'Ch1.Presse.Rpm', 1.0, -0.0, 100.0, 11, 90, NULL);"
    "INSERT INTO PRESET_DEFS VALUES (3, 'ÖFEN', 'öfen.WÄRME', 2, 0, 'Grün', 10, 'GRÜN', 2);"
    "INSERT INTO PRESET_DEFS VALUES (4, 'Öfen', 'Öfen.σigma', 3, 0, 100, 10, 90, x'00ff');"
    "INSERT INTO PRESET_DEFS VALUES (5, 'Ofen', 'Ofen.\u212Aelvin', 1e6, 0, 100, 10, 90, 'ok');"
    "INSERT INTO PRESET_DEFS VALUES (6, 42, 17, ' 4 ', CAST(x'C3' AS TEXT), 2.5, 1e22, NULL, 7);"
    "INSERT INTO PRESET_DEFS VALUES (7, NULL, x'41', 'x', 1, 2, 3, 4, 5);"
    "INSERT INTO PRESET_DEFS VALUES (8, 'PRESSE', 'presse.rpm', 1, 0, 100, 10, 90, NULL);";

// The marks these rows had when summaries first stored them.
const std::vector<quint64> PlantMarks = {
    0x22022a4b2e2da434ULL, 0x3e7737fb29845fefULL, 0x43c3e81071dc12d5ULL, 0x5cb1312617fe2743ULL, 0x5e00f6bc444718ffULL,
    0x66ece1211211532eULL, 0x6ae7d5396b4f59e7ULL, 0x6da7745ab3ed963cULL, 0x72079bbfa688ec47ULL, 0x8c636f6b746281f6ULL,
    0xab7192a30fe41c68ULL, 0xd848e9a7e0964e91ULL, 0xdf446cddde101ddbULL, 0xf1f9df0e5c6abb7bULL, 0xf59435472a4ea737ULL};
const std::vector<quint64> OtherMarks = {
    0x14d08a411bc82c2eULL, 0x17340125e04dd268ULL, 0x35d9f70eaa83d496ULL, 0x4186e3d7d09db495ULL, 0x41d86c75cdd7a7e7ULL,
    0x43d3c858e81a7255ULL, 0x454449cd95642bedULL, 0x6586b11ca35138c6ULL, 0x667b73cc2a018bfaULL, 0x836f0a2d6e3ffe38ULL,
    0x8942a234f35502a0ULL, 0xa28ba112f67757fbULL, 0xa7272480aa2a11dfULL, 0xb61f4f72401e28b6ULL, 0xbab32a61a0e46a70ULL,
    0xca905399f49484c2ULL, 0xd79050dabf48f4c8ULL, 0xe09cea3770b562b7ULL};

TEST(PlantValuesTest, MarksAreThoseEarlierRunsStored)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("values.db"));
    runSql(path, QString::fromUtf8(Template) + QString::fromUtf8(Rows));
    PresetDb::Database db(path);
    const History::TemplateValues templateValues(db);
    const History::HeldValues held = History::heldValuesOf(db, templateValues);
    EXPECT_EQ(held.plant, PlantMarks);
    std::vector<quint64> all = PlantMarks;
    all.insert(all.end(), OtherMarks.begin(), OtherMarks.end());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(History::valueMarksOf(db), all);
    const QList<std::pair<QString, int>> machines = {{QStringLiteral("Presse"), 3},
                                                     {QStringLiteral("ÖFEN"), 2},
                                                     {QStringLiteral("Ofen"), 1},
                                                     {QStringLiteral("42"), 1},
                                                     {QString(), 1}};
    EXPECT_EQ(held.machines, machines);
    EXPECT_EQ(held.rows, 8);

    // A dropped row is judged by the same template: the values of the first row of a key in other letter cases.
    using PresetDb::Value;
    const struct
    {
        Value name;
        Value offset;
        QList<Value> values;
        bool plant;
    } dropped[] = {
        {QStringLiteral("Ch1.PRESSE.rpm"), 1, {0.0, 100, 10.0, 90, Value()}, false},
        {QStringLiteral("Ch1.PRESSE.rpm"), 1, {0.0, 100, 11.0, 90, Value()}, true},
        {QStringLiteral("ÖFEN.wärme"), QStringLiteral("2"), {0, QStringLiteral("Grün"), 10, 90}, false},
        {QStringLiteral("ÖFEN.wärme"), QStringLiteral("2"), {0, QStringLiteral("GRÜN"), 10, 90}, true},
        {Value(), 1, {0.0, 100, 10.0, 90}, true},
    };
    for (const auto &row : dropped) {
        EXPECT_EQ(History::holdsPlantValue({QStringLiteral("M"), row.name, row.offset, row.values}, templateValues),
                  row.plant)
            << row.name.debugText().toStdString();
    }
}

} // namespace
} // namespace Kadex::Test
