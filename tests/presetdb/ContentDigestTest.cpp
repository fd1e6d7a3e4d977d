// The fingerprint that tells whether two module databases hold the same tables and rows.
#include "presetdb/ContentDigest.h"

#include "tests/support/FixtureDb.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace Kadex::Test {
namespace {

TEST(ContentDigestTest, SameRowsMatchWhateverTheFileAndAnyChangedValueOrTableDiffers)
{
    QTemporaryDir dir;
    const QString schema = QStringLiteral("CREATE TABLE T (a INTEGER, b TEXT, c REAL);");
    const auto digestOf = [&](const QString &name, const QString &sql) {
        const QString path = dir.filePath(name);
        runSql(path, schema + sql);
        return PresetDb::contentDigestOfFile(path);
    };
    const QByteArray base = digestOf(QStringLiteral("a.db"), QStringLiteral("INSERT INTO T VALUES (1, 'x', 1.5);"
                                                                            "INSERT INTO T VALUES (2, NULL, 2);"));
    ASSERT_FALSE(base.isEmpty());
    // Another order of the rows, a deleted row left behind in the file's pages and a vacuumed file: the same content.
    EXPECT_EQ(digestOf(QStringLiteral("b.db"), QStringLiteral("INSERT INTO T VALUES (2, NULL, 2);"
                                                              "INSERT INTO T VALUES (9, 'gone', 0);"
                                                              "INSERT INTO T VALUES (1, 'x', 1.5);"
                                                              "DELETE FROM T WHERE a = 9; VACUUM;")),
              base);
    // A value changed, in letter case only, or an empty text for Null; a row twice; a table more.
    EXPECT_NE(digestOf(QStringLiteral("c.db"), QStringLiteral("INSERT INTO T VALUES (1, 'x', 1.5);"
                                                              "INSERT INTO T VALUES (2, NULL, 2.5);")),
              base);
    EXPECT_NE(digestOf(QStringLiteral("d.db"), QStringLiteral("INSERT INTO T VALUES (1, 'x', 1.5);"
                                                              "INSERT INTO T VALUES (2, '', 2);")),
              base);
    EXPECT_NE(digestOf(QStringLiteral("e.db"), QStringLiteral("INSERT INTO T VALUES (1, 'X', 1.5);"
                                                              "INSERT INTO T VALUES (2, NULL, 2);")),
              base);
    EXPECT_NE(digestOf(QStringLiteral("f.db"), QStringLiteral("INSERT INTO T VALUES (1, 'x', 1.5);"
                                                              "INSERT INTO T VALUES (2, NULL, 2);"
                                                              "INSERT INTO T VALUES (2, NULL, 2);")),
              base);
    EXPECT_NE(
        digestOf(QStringLiteral("g.db"), QStringLiteral("INSERT INTO T VALUES (1, 'x', 1.5);"
                                                        "INSERT INTO T VALUES (2, NULL, 2); CREATE TABLE U (a);")),
        base);
    // A real value changed past its 6th digit; a user's table whose name starts like the engine's own.
    EXPECT_NE(digestOf(QStringLiteral("h.db"), QStringLiteral("INSERT INTO T VALUES (1, 'x', 1.5000001);"
                                                              "INSERT INTO T VALUES (2, NULL, 2);")),
              base);
    EXPECT_NE(digestOf(QStringLiteral("i.db"),
                       QStringLiteral("INSERT INTO T VALUES (1, 'x', 1.5);"
                                      "INSERT INTO T VALUES (2, NULL, 2); CREATE TABLE sqlite1 (a);")),
              base);
    // No database at all has no fingerprint.
    QFile junk(dir.filePath(QStringLiteral("junk.db")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    EXPECT_TRUE(PresetDb::contentDigestOfFile(junk.fileName()).isEmpty());
    EXPECT_TRUE(PresetDb::contentDigestOfFile(dir.filePath(QStringLiteral("missing.db"))).isEmpty());
}

} // namespace
} // namespace Kadex::Test
