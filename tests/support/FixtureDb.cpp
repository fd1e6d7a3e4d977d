#include "tests/support/FixtureDb.h"

#include <QFile>

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace Kadex::Test {

namespace {

// Opens (creating) the database; the caller closes it.
sqlite3 *openFixture(const QString &path)
{
    sqlite3 *db = nullptr;
    const int rc =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        ADD_FAILURE() << "cannot open fixture " << path.toStdString() << ": " << sqlite3_errstr(rc);
        sqlite3_close(db);
        return nullptr;
    }
    return db;
}

QString literalOf(sqlite3_stmt *statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        return QString::number(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT: {
        QString number = QString::number(sqlite3_column_double(statement, column), 'g', 15);
        if (!number.contains(QLatin1Char('.')) && !number.contains(QLatin1Char('e'))) {
            number += QStringLiteral(".0");
        }
        return number;
    }
    case SQLITE_TEXT: {
        QString text = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, column)),
                                         sqlite3_column_bytes(statement, column));
        text.replace(QLatin1Char('\''), QStringLiteral("''"));
        return QLatin1Char('\'') + text + QLatin1Char('\'');
    }
    case SQLITE_BLOB:
        return QStringLiteral("X'") +
               QString::fromLatin1(QByteArray(static_cast<const char *>(sqlite3_column_blob(statement, column)),
                                              sqlite3_column_bytes(statement, column))
                                       .toHex()
                                       .toUpper()) +
               QLatin1Char('\'');
    default:
        return QStringLiteral("NULL");
    }
}

} // namespace

const char *const TemplateSchema =
    "CREATE TABLE Source_PRESET_DEFS (ID SMALLINT, machine_type VARCHAR(50), type VARCHAR(20), part SMALLINT, "
    "var_name VARCHAR(100), category_id SMALLINT, isBitArray BIT, offset_or_bitno SMALLINT, text VARCHAR(255), "
    "page_name VARCHAR(50), abs_min DOUBLE, abs_max DOUBLE, min DOUBLE, max DOUBLE, pass SMALLINT);"
    "CREATE TABLE Source_DEFS (System VARCHAR(20), Var_Name VARCHAR(255), Part SMALLINT);";

const char *const PresetSchema =
    "CREATE TABLE PRESET_DEFS (ID SMALLINT, machine_type VARCHAR(50), type VARCHAR(20), part SMALLINT, "
    "var_name VARCHAR(100), category_id SMALLINT, isBitArray BIT, offset_or_bitno SMALLINT, text VARCHAR(255), "
    "page_name VARCHAR(50), abs_min DOUBLE, abs_max DOUBLE, min DOUBLE, max DOUBLE, pass SMALLINT);";

void runSql(const QString &path, const QString &sql)
{
    sqlite3 *db = openFixture(path);
    if (db == nullptr) {
        return;
    }
    char *error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        ADD_FAILURE() << "fixture SQL failed: " << (error != nullptr ? error : "?") << "\n" << sql.toStdString();
    }
    sqlite3_free(error);
    sqlite3_close(db);
}

void leaveHotJournal(const QString &path, const QString &sql)
{
    sqlite3 *db = openFixture(path);
    if (db == nullptr) {
        return;
    }
    // A small page cache makes the engine write part of the transaction into the file before its end.
    const QString write = QStringLiteral("PRAGMA cache_size = 10; BEGIN;") + sql +
                          QStringLiteral(";CREATE TABLE Unfinished (a);"
                                         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                                         "2000) INSERT INTO Unfinished SELECT printf('%.200d', i) FROM n;");
    char *error = nullptr;
    if (sqlite3_exec(db, write.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        ADD_FAILURE() << "fixture SQL failed: " << (error != nullptr ? error : "?");
    }
    sqlite3_free(error);
    // The files as they stand half-way, put back once the connection has let go of them.
    const QString journal = path + QStringLiteral("-journal");
    const QString heldFile = path + QStringLiteral(".held");
    const QString heldJournal = journal + QStringLiteral(".held");
    EXPECT_TRUE(QFile::copy(path, heldFile));
    EXPECT_TRUE(QFile::copy(journal, heldJournal));
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QFile::remove(path);
    EXPECT_TRUE(QFile::rename(heldFile, path));
    EXPECT_TRUE(QFile::rename(heldJournal, journal));
}

Lines lines(const QStringList &texts)
{
    Lines result;
    for (const QString &text : texts) {
        result.push_back(text.toStdString());
    }
    return result;
}

Rows queryRows(const QString &path, const QString &sql)
{
    Rows rows;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << path.toStdString();
        sqlite3_close(db);
        return rows;
    }
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "query failed: " << sqlite3_errmsg(db) << "\n" << sql.toStdString();
        sqlite3_close(db);
        return rows;
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int c = 0; c < sqlite3_column_count(statement); ++c) {
            row.push_back(literalOf(statement, c).toStdString());
        }
        rows.push_back(row);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

std::string queryValue(const QString &path, const QString &sql)
{
    const Rows rows = queryRows(path, sql);
    return rows.empty() || rows.front().empty() ? std::string() : rows.front().front();
}

} // namespace Kadex::Test
