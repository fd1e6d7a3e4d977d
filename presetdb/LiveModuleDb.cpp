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
                                 QStringLiteral(".sqlite_master WHERE type = ?1 AND name NOT LIKE 'sqlite\\_%' "
                                                "ESCAPE '\\' ORDER BY rowid"));
    query.bind(1, Value(type));
    QStringList names;
    while (query.next()) {
        names.append(query.value(0).text());
    }
    return names;
}

// The statements that make the objects of schema again, tables first; automatic indexes have none.
QStringList definitions(Database &db, const QString &schema)
{
    Statement query = db.prepare(QStringLiteral("SELECT sql FROM ") + quoteName(schema) +
                                 QStringLiteral(".sqlite_master WHERE sql IS NOT NULL AND name NOT LIKE 'sqlite\\_%' "
                                                "ESCAPE '\\' ORDER BY type <> 'table', rowid"));
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
    // Created in main, as the connection's first schema; the fresh schema is named only where it is read.
    const QStringList tables = objects(m_db, Fresh, QStringLiteral("table"));
    const QStringList created = definitions(m_db, Fresh);
    for (const QString &sql : created) {
        m_db.execute(sql);
    }
    for (const QString &table : tables) {
        m_db.execute(QStringLiteral("INSERT INTO main.") + quoteName(table) + QStringLiteral(" SELECT * FROM ") +
                     quoteName(Fresh) + QLatin1Char('.') + quoteName(table));
    }
    // The counters of AUTOINCREMENT tables; their table, made with the first such table above, starts empty.
    if (hasCounters(m_db, Fresh)) {
        m_db.execute(QStringLiteral("INSERT INTO main.sqlite_sequence SELECT * FROM ") + quoteName(Fresh) +
                     QStringLiteral(".sqlite_sequence"));
    }
    m_db.execute(QStringLiteral("COMMIT"));
    m_open = false;
    m_db.execute(QStringLiteral("DETACH ") + quoteName(Fresh));
}

bool LiveModuleDb::isNoDatabase(const Diag::Failure &failure)
{
    return failure.number == Diag::ErrorNumbers::CannotOpenDatabase;
}

} // namespace Kadex::PresetDb
