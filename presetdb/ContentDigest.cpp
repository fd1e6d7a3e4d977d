#include "presetdb/ContentDigest.h"

#include "diag/Failure.h"
#include "presetdb/Value.h"

#include <QCryptographicHash>
#include <QStringList>

#include <algorithm>

namespace Kadex::PresetDb {

namespace {

// One value with its type, so that 1, 1.0 and '1' differ.
QByteArray typed(const Value &value)
{
    if (value.isNull()) {
        return QByteArrayLiteral("n");
    }
    if (value.isInteger()) {
        return 'i' + QByteArray::number(value.integer());
    }
    if (value.isReal()) {
        return 'r' + QByteArray::number(value.real(), 'g', 17);
    }
    if (value.isText()) {
        return 't' + value.text().toUtf8().toHex();
    }
    return 'b' + value.bytes().toHex();
}

QByteArray rowOf(const Statement &statement)
{
    QByteArray row;
    for (int c = 0; c < statement.columnCount(); ++c) {
        row += typed(statement.value(c)) + ',';
    }
    return row;
}

// The schema without its page numbers, which change with the file's layout alone.
Statement schemaOf(Database &db)
{
    return db.prepare(QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_master WHERE ") + NotEngineOwn +
                      QStringLiteral(" ORDER BY type, name"));
}

// The schema and each table's row count.
QByteArray outlineOf(Database &db)
{
    QByteArray outline;
    Statement schema = schemaOf(db);
    while (schema.next()) {
        outline += rowOf(schema);
        if (schema.value(0) == Value(QStringLiteral("table"))) {
            Statement count = db.prepare(QStringLiteral("SELECT count(*) FROM ") + quoteName(schema.value(1).text()));
            if (count.next()) {
                outline += typed(count.value(0));
            }
        }
        outline += '\n';
    }
    return outline;
}

} // namespace

QByteArray contentDigest(Database &db)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QStringList tables;
    Statement schema = schemaOf(db);
    while (schema.next()) {
        hash.addData(QByteArray(rowOf(schema) + '\n'));
        if (schema.value(0) == Value(QStringLiteral("table"))) {
            tables.append(schema.value(1).text());
        }
    }
    for (const QString &table : std::as_const(tables)) {
        Statement rows = db.prepare(QStringLiteral("SELECT * FROM ") + quoteName(table));
        QList<QByteArray> all;
        while (rows.next()) {
            all.append(rowOf(rows));
        }
        std::sort(all.begin(), all.end());
        hash.addData(QByteArray(table.toUtf8() + '\n'));
        for (const QByteArray &row : std::as_const(all)) {
            hash.addData(QByteArray(row + '\n'));
        }
    }
    return hash.result();
}

bool sameContent(const QByteArray &content, Database &db)
{
    try {
        return sameContent(*Database::fromBytes(QString(), content), db);
    } catch (const Diag::Failure &) {
        return false;
    }
}

bool sameContent(Database &old, Database &db)
{
    return outlineOf(old) == outlineOf(db) && contentDigest(old) == contentDigest(db);
}

QByteArray contentDigestOfFile(const QString &path)
{
    try {
        return contentDigest(*Database::copyInMemory(path));
    } catch (const Diag::Failure &) {
        return {};
    }
}

QByteArray contentDigestOfBytes(const QByteArray &content)
{
    try {
        return contentDigest(*Database::fromBytes(QString(), content));
    } catch (const Diag::Failure &) {
        return {};
    }
}

} // namespace Kadex::PresetDb
