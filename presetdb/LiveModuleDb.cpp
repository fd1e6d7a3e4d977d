#include "presetdb/LiveModuleDb.h"

#include "diag/ErrorNumbers.h"
#include "diag/Failure.h"

#include <QStringList>

namespace Kadex::PresetDb {

namespace {

const QString Fresh = QStringLiteral("kadex_fresh");

Diag::Failure inUse(const QString &path)
{
    return {Diag::ErrorNumbers::ModuleDbInUse, Diag::ErrorNumbers::SourceProgram,
            path + QStringLiteral(" is in use by another program")};
}

// The names of the objects of one kind in schema, in the order they were made, the engine's own left out.
QStringList objects(Database &db, const QString &schema, const QString &type)
{
    Statement query = db.prepare(QStringLiteral("SELECT name FROM ") + quoteName(schema) +
                                 QStringLiteral(".sqlite_master WHERE type = ?1 AND ") + NotEngineOwn +
                                 QStringLiteral(" ORDER BY rowid"));
    query.bind(1, Value(type));
    QStringList names;
    while (query.next()) {
        names.append(query.value(0).text());
    }
    return names;
}

// The statements that make the objects of schema again, of the tables or of all else (indexes, triggers, views,
// in the order they were made); automatic indexes have none.
QStringList definitions(Database &db, const QString &schema, bool tables)
{
    Statement query =
        db.prepare(QStringLiteral("SELECT sql FROM ") + quoteName(schema) +
                   QStringLiteral(".sqlite_master WHERE sql IS NOT NULL AND ") + NotEngineOwn +
                   (tables ? QStringLiteral(" AND type = 'table'") : QStringLiteral(" AND type <> 'table'")) +
                   QStringLiteral(" ORDER BY rowid"));
    QStringList sql;
    while (query.next()) {
        sql.append(query.value(0).text());
    }
    return sql;
}

bool hasCounters(Database &db, const QString &schema)
{
    return db
        .prepare(QStringLiteral("SELECT 1 FROM ") + quoteName(schema) +
                 QStringLiteral(".sqlite_master WHERE name = 'sqlite_sequence'"))
        .next();
}

// Copies a header value the engine keeps for the database's user (user_version, application_id) from schema.
void copyHeaderValue(Database &db, const QString &schema, const QString &pragma)
{
    Statement query = db.prepare(QStringLiteral("PRAGMA ") + quoteName(schema) + QLatin1Char('.') + pragma);
    const qint64 value = query.next() ? query.value(0).integer() : 0;
    db.execute(QStringLiteral("PRAGMA main.") + pragma + QLatin1Char('=') + QString::number(value));
}

} // namespace

LiveModuleDb::LiveModuleDb(const QString &path, int timeoutMs) : m_db(path)
{
    if (!m_db.beginLocked(timeoutMs)) {
        throw inUse(path);
    }
    m_open = true;
}

LiveModuleDb::~LiveModuleDb()
{
    if (m_open) {
        try {
            m_db.execute(QStringLiteral("ROLLBACK"));
        } catch (...) {
            // Closing the connection rolls back all the same.
        }
    }
}

QByteArray LiveModuleDb::content()
{
    return m_db.serialize();
}

void LiveModuleDb::write(Database &fresh)
{
    m_db.attachContent(Fresh, fresh.serialize());
    // Triggers and views go with their tables or by name; dropping tables last leaves nothing dangling.
    for (const QString &type : {QStringLiteral("view"), QStringLiteral("trigger"), QStringLiteral("table")}) {
        for (const QString &name : objects(m_db, QStringLiteral("main"), type)) {
            m_db.execute(QStringLiteral("DROP ") + type.toUpper() + QStringLiteral(" IF EXISTS main.") +
                         quoteName(name));
        }
    }
    // The tables get their rows before indexes, triggers and views are made: copying runs none of the database's
    // own code. Created in main, as the connection's first schema; the fresh schema is named only where it is read.
    for (const QString &sql : definitions(m_db, Fresh, true)) {
        m_db.execute(sql);
    }
    for (const QString &table : objects(m_db, Fresh, QStringLiteral("table"))) {
        m_db.execute(QStringLiteral("INSERT INTO main.") + quoteName(table) + QStringLiteral(" SELECT * FROM ") +
                     quoteName(Fresh) + QLatin1Char('.') + quoteName(table));
    }
    // The counters of AUTOINCREMENT tables, as fresh has them: the inserts above made one for each such table.
    if (hasCounters(m_db, Fresh)) {
        m_db.execute(QStringLiteral("DELETE FROM main.sqlite_sequence"));
        m_db.execute(QStringLiteral("INSERT INTO main.sqlite_sequence SELECT * FROM ") + quoteName(Fresh) +
                     QStringLiteral(".sqlite_sequence"));
    }
    for (const QString &sql : definitions(m_db, Fresh, false)) {
        m_db.execute(sql);
    }
    copyHeaderValue(m_db, Fresh, QStringLiteral("user_version"));
    copyHeaderValue(m_db, Fresh, QStringLiteral("application_id"));
    m_db.execute(QStringLiteral("COMMIT"));
    // The fresh content stays attached until the connection closes: detaching it could only fail after the
    // commit, and report a failed write of a file that is whole.
    m_open = false;
}

bool LiveModuleDb::isNoDatabase(const Diag::Failure &failure)
{
    return failure.number == Diag::ErrorNumbers::CannotOpenDatabase;
}

} // namespace Kadex::PresetDb
