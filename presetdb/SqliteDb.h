#pragma once

#include "presetdb/Value.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <variant>

struct sqlite3;
struct sqlite3_stmt;

namespace Kadex::PresetDb {

// A field of a table as the table declares it. The type is the declared type text ("VARCHAR(50)", "SMALLINT",
// "DOUBLE"), empty when the field declares none.
struct FieldDef
{
    QString name;
    QString type;

    bool operator==(const FieldDef &) const = default;
};

// Double quotes around a table or field name, inner double quotes doubled.
QString quoteName(const QString &name);

// The condition on sqlite_master that leaves out the engine's own objects (sqlite_sequence, sqlite_stat1, the
// automatic indexes). The underscore is escaped: a table named sqlite1 is a user's table.
inline const QString NotEngineOwn = QStringLiteral("name NOT LIKE 'sqlite\\_%' ESCAPE '\\'");

class Statement;

// One open database file. Every failure throws a Diag::Failure with the database engine's numbers
// (diag/ErrorNumbers.h), so the procedure's error guard reports it.
// Replaces the database file at destination by a copy of source, whole (a reader never sees half a database), and
// removes the rollback journal a run that ended half-way left beside the old file: it belongs to the old content,
// and the engine would play it into the new one at the next open, silently mixing the two. False, leaving
// destination as it was, when the copy fails; reason, when given, gets why.
bool replaceDatabaseFile(const QString &source, const QString &destination, QString *reason = nullptr);

class Database
{
public:
    // Opens the existing database file at path for reading and writing; a file that cannot be written is opened
    // for reading, and the first write fails. Never creates a file. Throws when the file is missing, empty, or
    // not a database.
    explicit Database(const QString &path);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // A private copy in memory of the database file at path, opened as the constructor opens it: changes to the
    // copy never reach the file, and nothing is written beside it. Throws as the constructor does.
    static std::unique_ptr<Database> copyInMemory(const QString &path);
    // A database in memory holding content, the bytes of a database file; path names where they came from.
    static std::unique_ptr<Database> fromBytes(const QString &path, const QByteArray &content);

    // The whole database as the bytes of a database file.
    QByteArray serialize();

    // Replaces the whole content of the database destination (a file) with this database's, in one transaction of
    // destination: a failure, a full disk for one, leaves destination as it was.
    void copyContentTo(Database &destination);

    // Begins a transaction that holds the write lock of the file, waiting up to timeoutMs for other connections'
    // transactions to end (later waits of the connection, as for its commit, too). False when the lock was not had
    // in that time; throws on any other failure.
    bool beginLocked(int timeoutMs);
    // Makes content, the bytes of a database file, readable as the schema named schema of this connection, in
    // memory; allowed inside a transaction. Nothing is written beside the file.
    void attachContent(const QString &schema, const QByteArray &content);

    // The path the database was opened with (for a copy in memory, the file it was copied from).
    const QString &path() const { return m_path; }

    // The names of all tables, as stored.
    QStringList tableNames();
    // Whether a table of exactly this name exists, letter case counting. Throws when the name is a view's, an
    // index's or a trigger's: the program expects a table there, and must not take it for a missing one.
    bool hasTableNamedExactly(const QString &name);
    // The fields of a table (found without regard to letter case) in their order. Throws when there is none, or
    // when the name is another kind of object's.
    QList<FieldDef> fields(const QString &table);

    // Creates a table declaring exactly these fields: no key, no index, no default, no constraint.
    void createTable(const QString &name, const QList<FieldDef> &fields);
    // Deletes the table of exactly this name.
    void dropTable(const QString &name);
    // Gives a field of a table a new name, keeping its values.
    void renameField(const QString &table, const QString &from, const QString &to);

    // A statement with ?-parameters; one SQL statement only.
    Statement prepare(const QString &sql);
    // Runs one SQL statement that returns no rows.
    void execute(const QString &sql);

    // Throws the failure for a result code of this database.
    [[noreturn]] void fail(int resultCode, const QString &context) const;

private:
    friend class Statement;
    friend class Transaction;

    // Takes over an open connection.
    Database(QString path, sqlite3 *db);
    // Throws when an object named name (letter case counting as sensitivity says) is no table.
    void refuseOtherKind(const QString &name, Qt::CaseSensitivity sensitivity);

    QString m_path;
    sqlite3 *m_db = nullptr;
    // How often the connection tries again, once a millisecond, when another connection holds the file.
    int m_busyTries = 0;
};

// A prepared statement over one Database. Values are bound by 1-based index; rows are read by 0-based column.
class Statement
{
public:
    Statement(Statement &&other) noexcept;
    Statement &operator=(Statement &&other) noexcept;
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    // Binds a value with its own type to the ?-parameter at index; Null binds Null, an empty text an empty text.
    void bind(int index, const Value &value);
    // Steps to the next row; false at the end.
    bool next();
    // Runs a statement that returns no rows and makes it ready to run again with new values.
    void run();
    // Makes the statement ready to run again; bound values stay.
    void reset();

    // The columns of the statement's rows: how many, their names, and the current row's value in one.
    int columnCount() const;
    QString columnName(int column) const;
    Value value(int column) const;
    // The same, but a text as its UTF-8 bytes, valid until the next step: read so, a text makes no QString.
    std::variant<Value, QByteArrayView> valueOrText(int column) const;

private:
    friend class Database;
    Statement(const Database &db, sqlite3_stmt *statement, QString sql);
    int bindText(int index, const QString &text);

    const Database *m_db = nullptr;
    sqlite3_stmt *m_statement = nullptr;
    QString m_sql;
    // The UTF-8 bytes of the texts bound, by parameter index - 1: the engine reads them in place.
    QList<QByteArray> m_boundTexts;
};

// A write transaction on one database, which may nest in another: rolled back unless committed, so a run that
// ends half-way leaves the file as it was before the transaction.
class Transaction
{
public:
    explicit Transaction(Database &db);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    // Makes the changes since the start part of the enclosing transaction, or of the file when there is none.
    void commit();

private:
    Database &m_db;
    bool m_open = true;
};

} // namespace Kadex::PresetDb
