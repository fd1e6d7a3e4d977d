#include "presetdb/SqliteDb.h"

#include "diag/Failure.h"
#include "tests/support/FixtureDb.h"
#include "tests/support/TempPlant.h"

#include <QFile>

#include <gtest/gtest.h>

namespace Kadex::Test {
namespace {

using PresetDb::Database;
using PresetDb::Value;

class SqliteDbTest : public ::testing::Test
{
protected:
    QString path(const char *name) const { return plant.path(QString::fromLatin1(name)); }

    // The failure number opening the file gives; 0 when it opens.
    static qint32 openFailure(const QString &file)
    {
        try {
            Database db(file);
            return 0;
        } catch (const Diag::Failure &failure) {
            return failure.number;
        }
    }

    TempPlant plant;
};

// --- files that are not databases

TEST_F(SqliteDbTest, FilesThatAreNoDatabaseFailToOpenAndStayAsTheyWere)
{
    const QByteArray garbage = QByteArray("This is a text file, no database.\r\n").repeated(200);
    plant.write(QStringLiteral("garbage.mdb"), garbage);
    plant.write(QStringLiteral("empty.mdb"), QByteArray());
    plant.write(QStringLiteral("tiny.mdb"), QByteArray("MDB"));

    EXPECT_EQ(openFailure(path("garbage.mdb")), Diag::ErrorNumbers::CannotOpenDatabase);
    EXPECT_EQ(openFailure(path("tiny.mdb")), Diag::ErrorNumbers::CannotOpenDatabase);
    EXPECT_EQ(openFailure(path("empty.mdb")), Diag::ErrorNumbers::CannotOpenDatabase);
    EXPECT_EQ(openFailure(path("missing.mdb")), Diag::ErrorNumbers::CouldNotFindFile);

    EXPECT_EQ(plant.read(QStringLiteral("garbage.mdb")), garbage);
    EXPECT_EQ(plant.read(QStringLiteral("empty.mdb")), QByteArray());
    EXPECT_FALSE(plant.exists(QStringLiteral("missing.mdb")));
}

TEST_F(SqliteDbTest, AccessDatabaseIsNamedWithWhatIsExpectedInstead)
{
    // The first bytes of a database page of either Access format, then a page's worth of zeros.
    const QByteArray page(2048 - 19, '\0');
    plant.write(QStringLiteral("old.mdb"), QByteArray("\x00\x01\x00\x00Standard Jet DB", 19) + page);
    plant.write(QStringLiteral("new.accdb"), QByteArray("\x00\x01\x00\x00Standard ACE DB", 19) + page);
    plant.write(QStringLiteral("almost.mdb"), QByteArray("\x00\x01\x00\x00Standard Jet Db", 19) + page);

    const auto description = [](const QString &file) {
        try {
            Database db(file);
        } catch (const Diag::Failure &failure) {
            EXPECT_EQ(failure.number, Diag::ErrorNumbers::CannotOpenDatabase);
            return failure.description;
        }
        return QStringLiteral("opened");
    };
    EXPECT_EQ(description(path("old.mdb")),
              QStringLiteral("Cannot open database '") + path("old.mdb") +
                  QStringLiteral("': it is an Access (Jet) database; a SQLite 3 database converted from it is "
                                 "expected."));
    EXPECT_EQ(description(path("new.accdb")),
              QStringLiteral("Cannot open database '") + path("new.accdb") +
                  QStringLiteral("': it is an Access (ACE) database; a SQLite 3 database converted from it is "
                                 "expected."));
    EXPECT_EQ(description(path("almost.mdb")), QStringLiteral("Cannot open database '") + path("almost.mdb") +
                                                   QStringLiteral("': it is not a database or it is damaged."));
}

TEST_F(SqliteDbTest, ReadOnlyFileIsReadButRefusesWrites)
{
    runSql(path("ro.mdb"), QStringLiteral("CREATE TABLE T (a INTEGER); INSERT INTO T VALUES (7);"));
    const QByteArray before = plant.read(QStringLiteral("ro.mdb"));
    QFile::setPermissions(path("ro.mdb"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);

    Database db(path("ro.mdb"));
    PresetDb::Statement read = db.prepare(QStringLiteral("SELECT a FROM T"));
    ASSERT_TRUE(read.next());
    EXPECT_EQ(read.value(0), Value(7));
    try {
        db.execute(QStringLiteral("UPDATE T SET a = 8"));
        ADD_FAILURE() << "write to a read-only database went through";
    } catch (const Diag::Failure &failure) {
        EXPECT_EQ(failure.number, Diag::ErrorNumbers::CannotOpenFile);
        EXPECT_EQ(failure.source, Diag::ErrorNumbers::SourceDatabase);
    }
    EXPECT_EQ(plant.read(QStringLiteral("ro.mdb")), before);
}

// --- values, statements and tables

TEST_F(SqliteDbTest, BoundValuesKeepTheirTypesQuotesAndEmptyTexts)
{
    runSql(path("v.mdb"), QStringLiteral("CREATE TABLE T (v)"));
    Database db(path("v.mdb"));
    PresetDb::Statement insert = db.prepare(QStringLiteral("INSERT INTO T VALUES (?1)"));
    const QList<Value> values = {Value(QStringLiteral("say \"hi\" it's")),
                                 Value(QString()),
                                 Value(),
                                 Value(qint64(-5)),
                                 Value(2.5),
                                 Value(QStringLiteral("Größe"))};
    for (const Value &value : values) {
        insert.bind(1, value);
        insert.run();
    }
    PresetDb::Statement select = db.prepare(QStringLiteral("SELECT v FROM T ORDER BY rowid"));
    QList<Value> back;
    while (select.next()) {
        back.append(select.value(0));
    }
    ASSERT_EQ(back.size(), values.size());
    for (int i = 0; i < values.size(); ++i) {
        EXPECT_EQ(back[i], values[i]) << i << ": " << back[i].debugText().toStdString();
    }
    EXPECT_EQ(queryRows(path("v.mdb"), QStringLiteral("SELECT typeof(v) FROM T ORDER BY rowid")),
              (Rows{{"'text'"}, {"'text'"}, {"'null'"}, {"'integer'"}, {"'real'"}, {"'text'"}}));
}

TEST_F(SqliteDbTest, CreatedTableDeclaresExactlyItsFieldsAndNothingElse)
{
    runSql(path("t.mdb"), QStringLiteral("CREATE TABLE Src (ID SMALLINT PRIMARY KEY, \"my \"\"name\"\"\" VARCHAR(50) "
                                         "NOT NULL DEFAULT 'x', plain, d DOUBLE); CREATE INDEX i ON Src (d);"));
    Database db(path("t.mdb"));
    const QList<PresetDb::FieldDef> fields = db.fields(QStringLiteral("src"));
    EXPECT_EQ(fields, (QList<PresetDb::FieldDef>{{QStringLiteral("ID"), QStringLiteral("SMALLINT")},
                                                 {QStringLiteral("my \"name\""), QStringLiteral("VARCHAR(50)")},
                                                 {QStringLiteral("plain"), QString()},
                                                 {QStringLiteral("d"), QStringLiteral("DOUBLE")}}));
    db.createTable(QStringLiteral("Copy"), fields);

    EXPECT_EQ(queryRows(path("t.mdb"), QStringLiteral("SELECT type, sql FROM sqlite_master WHERE tbl_name = 'Copy'")),
              (Rows{{"'table'", "'CREATE TABLE \"Copy\" (\"ID\" SMALLINT, \"my \"\"name\"\"\" "
                                "VARCHAR(50), \"plain\", \"d\" DOUBLE)'"}}));
}

// --- conversions

TEST(ValueTest, ConversionsRoundHalfToEvenAndReadTextsAsNumbers)
{
    EXPECT_EQ(PresetDb::toWholeNumber(Value(2.5)), 2);
    EXPECT_EQ(PresetDb::toWholeNumber(Value(3.5)), 4);
    EXPECT_EQ(PresetDb::toWholeNumber(Value(QStringLiteral(" 12 "))), 12);
    EXPECT_EQ(PresetDb::toWholeNumber(Value(QStringLiteral("abc"))), std::nullopt);
    EXPECT_EQ(PresetDb::toWholeNumber(Value(1e300)), std::nullopt);
    EXPECT_EQ(PresetDb::toNumber(Value(QStringLiteral("12"))), 12.0);
    EXPECT_EQ(PresetDb::textKeyOf(Value(QStringLiteral("Öl_Temp"))),
              PresetDb::textKeyOf(Value(QStringLiteral("öL_tEMP"))));
}

// Keys of plain ASCII are folded by the program itself: they must fold as the general folding does.
TEST(ValueTest, KeysFoldAsTheGeneralCaseFolding)
{
    QString everyAscii;
    for (char16_t c = 1; c < 0x80; ++c) {
        everyAscii.append(QChar(c));
    }
    const QStringList texts = {everyAscii,
                               QStringLiteral("M1.VAR_Name[3]"),
                               QStringLiteral("already lower"),
                               QString(),
                               QStringLiteral("Öl_TEMP"),
                               QStringLiteral("STRASSE Straße"),
                               QStringLiteral("\u212A-Kelvin \u017F"),
                               QStringLiteral("ΣΊΣΥΦΟΣ"),
                               QStringLiteral("A\U0001D400\U00010400")};
    for (const QString &text : texts) {
        EXPECT_EQ(PresetDb::foldedText(text), text.toCaseFolded()) << text.toStdString();
        EXPECT_EQ(PresetDb::textKeyOf(Value(text)), text.toCaseFolded()) << text.toStdString();
    }
    EXPECT_EQ(PresetDb::textKeyOf(Value(1.5)), QStringLiteral("1.5"));
}

} // namespace
} // namespace Kadex::Test
