#include "presetdb/SqliteDb.h"

#include "diag/ErrorNumbers.h"
#include "diag/Failure.h"
#include "platform/AtomicFile.h"
#include "platform/RegularFile.h"

#include <QFile>

#include <QFileInfo>
#include <unistd.h>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace Kadex::PresetDb {

namespace {

namespace Nr = Diag::ErrorNumbers;

// Each connection is used by the one thread that opened it: the engine need not lock it at every call.
constexpr int OneThread = SQLITE_OPEN_NOMUTEX;

// A plant's visualisation may hold a database open for a moment; waiting a little beats failing the update.
constexpr int BusyTimeoutMs = 2000;

// The engine's own wait sleeps ever longer between tries, up to 100 ms: a program that commits one small change
// after another holds the file again at each of them. Trying every millisecond finds the moment between two of
// its commits. limit points to the number of tries, about the milliseconds to wait.
int tryEveryMillisecond(void *limit, int tries)
{
    if (tries >= *static_cast<const int *>(limit)) {
        return 0;
    }
    sqlite3_sleep(1);
    return 1;
}

Diag::Failure databaseFailure(qint32 number, const QString &description)
{
    return {number, Nr::SourceDatabase, description};
}

const void *utf16Of(const QString &text)
{
    // A null QString has no data; binding nullptr would store Null instead of an empty text.
    return text.isNull() ? static_cast<const void *>(u"") : static_cast<const void *>(text.utf16());
}

// The file format an Access database announces at byte 4 of its first page: "Jet" for .mdb files, "ACE" for the
// later format; empty for any other file.
QString accessFormatOf(const QString &path)
{
    Platform::RegularFile::Opened file = Platform::RegularFile::openForReading(path);
    if (file.status != Platform::RegularFile::Status::Opened) {
        return QString();
    }
    char bytes[19] = {};
    const ssize_t got = ::read(file.fd.get(), bytes, sizeof bytes);
    const QByteArray head(bytes, got > 0 ? static_cast<qsizetype>(got) : 0);
    if (head.startsWith(QByteArray("\x00\x01\x00\x00", 4))) {
        if (head.mid(4) == "Standard Jet DB") {
            return QStringLiteral("Jet");
        }
        if (head.mid(4) == "Standard ACE DB") {
            return QStringLiteral("ACE");
        }
    }
    return QString();
}

// Byte 18 and 19 of a database file's header: the format versions to write and read it with, 2 in WAL mode.
constexpr int WriteVersionAt = 18;
constexpr int ReadVersionAt = 19;

// The bytes of a database as the image of a file without a write-ahead log. A file in WAL mode says so in its
// header, but its image is whole without the log (the engine reads the log's committed frames into it), and an
// image in memory cannot keep a log: the engine would refuse to open it.
void markRollbackImage(unsigned char *bytes, qint64 size)
{
    if (size > ReadVersionAt && bytes[WriteVersionAt] == 2 && bytes[ReadVersionAt] == 2) {
        bytes[WriteVersionAt] = 1;
        bytes[ReadVersionAt] = 1;
    }
}

// The settings of every connection the program opens. The program only copies and reads content: a trigger of
// a database it reads or writes never runs (it could change or hold up what is copied).
void configure(sqlite3 *db)
{
    sqlite3_extended_result_codes(db, 1);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
}

} // namespace

bool replaceDatabaseFile(const QString &source, const QString &destination, QString *reason)
{
    if (!Platform::AtomicFile::copy(source, destination, reason)) {
        return false;
    }
    QFile::remove(destination + QStringLiteral("-journal"));
    return true;
}

QString quoteName(const QString &name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// --- Database ---

Database::Database(const QString &path) : m_path(path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || !info.isFile()) {
        throw databaseFailure(Nr::CouldNotFindFile,
                              QStringLiteral("Could not find file '") + path + QStringLiteral("'."));
    }
    // SQLite takes an empty file for an empty database and would make one of it on the first write.
    if (info.size() == 0) {
        fail(SQLITE_NOTADB, {});
    }
    // A file without write permission is opened for reading, as the read-only attribute is honoured on the
    // program's home platform: even a process that could write it anyway (root) must not.
    const int access = Platform::AtomicFile::isReadOnly(path) ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    const QByteArray nativePath = QFile::encodeName(path);
    const bool hadWriteAheadLog = QFileInfo::exists(path + QStringLiteral("-wal"));
    const int rc = sqlite3_open_v2(nativePath.constData(), &m_db, access | OneThread, nullptr);
    if (rc != SQLITE_OK) {
        const int code = m_db != nullptr ? sqlite3_extended_errcode(m_db) : rc;
        sqlite3_close(m_db);
        m_db = nullptr;
        fail(code, {});
    }
    configure(m_db);
    // The write-ahead log of a file in WAL mode that another program had open is theirs: closing the last
    // connection would delete it (and its index) after a checkpoint.
    if (hadWriteAheadLog) {
        int persist = 1;
        sqlite3_file_control(m_db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
    }
    m_busyTries = BusyTimeoutMs;
    sqlite3_busy_handler(m_db, tryEveryMillisecond, &m_busyTries);
    // Opening reads nothing yet; this makes a file that is no database fail here rather than at first use.
    try {
        Statement probe = prepare(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        probe.next();
    } catch (...) {
        sqlite3_close(m_db);
        m_db = nullptr;
        throw;
    }
}

Database::Database(QString path, sqlite3 *db) : m_path(std::move(path)), m_db(db)
{
    configure(m_db);
}

std::unique_ptr<Database> Database::copyInMemory(const QString &path)
{
    // The file is read through a connection of its own, so that a rollback journal an interrupted writer left
    // beside it is played back first: the copy holds the last committed state.
    return fromBytes(path, Database(path).serialize());
}

namespace {

// A buffer of the engine's own holding a copy of content, for the engine to take over.
unsigned char *engineCopyOf(const QByteArray &content)
{
    auto *buffer = static_cast<unsigned char *>(sqlite3_malloc64(static_cast<sqlite3_uint64>(content.size())));
    if (buffer == nullptr) {
        throw Diag::Failure{Nr::OutOfMemory, Nr::SourceDatabase, QStringLiteral("Out of memory")};
    }
    std::memcpy(buffer, content.constData(), static_cast<size_t>(content.size()));
    markRollbackImage(buffer, content.size());
    return buffer;
}

constexpr unsigned DeserializeFlags = SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE;

} // namespace

std::unique_ptr<Database> Database::fromBytes(const QString &path, const QByteArray &content)
{
    sqlite3 *memory = nullptr;
    if (sqlite3_open_v2(":memory:", &memory, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | OneThread, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(memory);
        throw Diag::Failure{Nr::OutOfMemory, Nr::SourceDatabase, QStringLiteral("Out of memory")};
    }
    std::unique_ptr<Database> copy(new Database(path, memory));
    const int rc =
        sqlite3_deserialize(memory, "main", engineCopyOf(content), content.size(), content.size(), DeserializeFlags);
    if (rc != SQLITE_OK) {
        copy->fail(rc, QStringLiteral("copy"));
    }
    return copy;
}

bool Database::beginLocked(int timeoutMs)
{
    m_busyTries = timeoutMs;
    const int rc = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if ((rc & 0xff) == SQLITE_BUSY) {
        return false;
    }
    if (rc != SQLITE_OK) {
        fail(sqlite3_extended_errcode(m_db), QStringLiteral("BEGIN IMMEDIATE"));
    }
    return true;
}

void Database::attachContent(const QString &schema, const QByteArray &content)
{
    execute(QStringLiteral("ATTACH ':memory:' AS ") + quoteName(schema));
    const QByteArray name = schema.toUtf8();
    const int rc = sqlite3_deserialize(m_db, name.constData(), engineCopyOf(content), content.size(), content.size(),
                                       DeserializeFlags);
    if (rc != SQLITE_OK) {
        fail(rc, QStringLiteral("attach"));
    }
}

QByteArray Database::serialize()
{
    sqlite3_int64 size = 0;
    unsigned char *bytes = sqlite3_serialize(m_db, "main", &size, 0);
    if (bytes == nullptr) {
        // An empty database serialises to nothing; every other failure is one of memory.
        if (size == 0 && sqlite3_errcode(m_db) == SQLITE_OK) {
            return {};
        }
        throw Diag::Failure{Nr::OutOfMemory, Nr::SourceDatabase, QStringLiteral("Out of memory")};
    }
    markRollbackImage(bytes, size);
    QByteArray result(reinterpret_cast<const char *>(bytes), static_cast<qsizetype>(size));
    sqlite3_free(bytes);
    return result;
}

void Database::copyContentTo(Database &destination)
{
    sqlite3_backup *backup = sqlite3_backup_init(destination.m_db, "main", m_db, "main");
    if (backup == nullptr) {
        destination.fail(sqlite3_extended_errcode(destination.m_db), QStringLiteral("copy"));
    }
    const int stepped = sqlite3_backup_step(backup, -1);
    // Finishing releases the backup in every case and gives the first failure it met.
    const int finished = sqlite3_backup_finish(backup);
    if (stepped != SQLITE_DONE) {
        destination.fail(finished != SQLITE_OK ? finished : stepped, QStringLiteral("copy"));
    }
}

Database::~Database()
{
    sqlite3_close_v2(m_db);
}

void Database::fail(int resultCode, const QString &context) const
{
    const QString message = m_db != nullptr ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
    switch (resultCode & 0xff) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        if (const QString format = accessFormatOf(m_path); !format.isEmpty()) {
            throw databaseFailure(Nr::CannotOpenDatabase,
                                  QStringLiteral("Cannot open database '") + m_path +
                                      QStringLiteral("': it is an Access (") + format +
                                      QStringLiteral(") database; a SQLite 3 database converted from it "
                                                     "is expected."));
        }
        throw databaseFailure(Nr::CannotOpenDatabase, QStringLiteral("Cannot open database '") + m_path +
                                                          QStringLiteral("': it is not a database or it is damaged."));
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_AUTH:
        throw databaseFailure(Nr::CannotOpenFile, QStringLiteral("Cannot use database '") + m_path +
                                                      QStringLiteral("': ") + message + QLatin1Char('.'));
    default:
        break;
    }
    if (message.startsWith(QStringLiteral("no such table"))) {
        throw databaseFailure(Nr::CannotFindTable, message + QLatin1Char('.'));
    }
    if (message.startsWith(QStringLiteral("no such column"))) {
        throw databaseFailure(Nr::ItemNotFound, message + QLatin1Char('.'));
    }
    const QString where = context.isEmpty() ? QString() : QStringLiteral(" (") + context + QLatin1Char(')');
    throw databaseFailure(Nr::DatabaseEngineError, message + where);
}

QStringList Database::tableNames()
{
    QStringList names;
    Statement query = prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"));
    while (query.next()) {
        names.append(query.value(0).text());
    }
    return names;
}

void Database::refuseOtherKind(const QString &name, Qt::CaseSensitivity sensitivity)
{
    Statement query =
        prepare(QStringLiteral("SELECT type, name FROM sqlite_master WHERE type <> 'table' AND name = ?1") +
                (sensitivity == Qt::CaseInsensitive ? QStringLiteral(" COLLATE NOCASE") : QString()));
    query.bind(1, Value(name));
    if (query.next()) {
        throw databaseFailure(Nr::CannotFindTable, QLatin1Char('\'') + query.value(1).text() +
                                                       QStringLiteral("' in '") + m_path + QStringLiteral("' is a ") +
                                                       query.value(0).text() +
                                                       QStringLiteral(", not a table; a table is expected."));
    }
}

bool Database::hasTableNamedExactly(const QString &name)
{
    refuseOtherKind(name, Qt::CaseSensitive);
    return tableNames().contains(name, Qt::CaseSensitive);
}

QList<FieldDef> Database::fields(const QString &table)
{
    refuseOtherKind(table, Qt::CaseInsensitive);
    QList<FieldDef> result;
    Statement info = prepare(QStringLiteral("PRAGMA table_info(") + quoteName(table) + QLatin1Char(')'));
    while (info.next()) {
        const Value type = info.value(2);
        result.append({info.value(1).text(), type.isText() ? type.text() : QString()});
    }
    if (result.isEmpty()) {
        throw databaseFailure(Nr::CannotFindTable, QStringLiteral("no such table: ") + table + QLatin1Char('.'));
    }
    return result;
}

void Database::createTable(const QString &name, const QList<FieldDef> &fields)
{
    QStringList declarations;
    for (const FieldDef &field : fields) {
        declarations.append(field.type.isEmpty() ? quoteName(field.name)
                                                 : quoteName(field.name) + QLatin1Char(' ') + field.type);
    }
    execute(QStringLiteral("CREATE TABLE ") + quoteName(name) + QStringLiteral(" (") + declarations.join(u", ") +
            QLatin1Char(')'));
}

void Database::dropTable(const QString &name)
{
    execute(QStringLiteral("DROP TABLE ") + quoteName(name));
}

void Database::renameField(const QString &table, const QString &from, const QString &to)
{
    execute(QStringLiteral("ALTER TABLE ") + quoteName(table) + QStringLiteral(" RENAME COLUMN ") + quoteName(from) +
            QStringLiteral(" TO ") + quoteName(to));
}

Statement Database::prepare(const QString &sql)
{
    sqlite3_stmt *statement = nullptr;
    const void *tail = nullptr;
    const int rc = sqlite3_prepare16_v2(m_db, sql.utf16(), static_cast<int>(sql.size() * 2), &statement, &tail);
    if (rc != SQLITE_OK) {
        fail(rc, sql);
    }
    Statement result(*this, statement, sql);
    const auto *rest = static_cast<const char16_t *>(tail);
    const auto *end = reinterpret_cast<const char16_t *>(sql.utf16()) + sql.size();
    if (statement == nullptr || !QStringView(rest, end).trimmed().isEmpty()) {
        throw Diag::Failure::invalidArgument(QStringLiteral("one SQL statement expected: ") + sql);
    }
    return result;
}

void Database::execute(const QString &sql)
{
    prepare(sql).run();
}

// --- Statement ---

Statement::Statement(const Database &db, sqlite3_stmt *statement, QString sql)
    : m_db(&db), m_statement(statement), m_sql(std::move(sql))
{
}

Statement::Statement(Statement &&other) noexcept
    : m_db(other.m_db), m_statement(std::exchange(other.m_statement, nullptr)), m_sql(std::move(other.m_sql)),
      m_boundTexts(std::move(other.m_boundTexts))
{
}

Statement &Statement::operator=(Statement &&other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_statement);
        m_db = other.m_db;
        m_statement = std::exchange(other.m_statement, nullptr);
        m_sql = std::move(other.m_sql);
        m_boundTexts = std::move(other.m_boundTexts);
    }
    return *this;
}

Statement::~Statement()
{
    sqlite3_finalize(m_statement);
}

void Statement::bind(int index, const Value &value)
{
    int rc = SQLITE_OK;
    if (value.isNull()) {
        rc = sqlite3_bind_null(m_statement, index);
    } else if (value.isInteger()) {
        rc = sqlite3_bind_int64(m_statement, index, value.integer());
    } else if (value.isReal()) {
        rc = sqlite3_bind_double(m_statement, index, value.real());
    } else if (value.isText()) {
        rc = bindText(index, value.text());
    } else {
        rc = sqlite3_bind_blob(m_statement, index, value.bytes().constData(), static_cast<int>(value.bytes().size()),
                               SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK) {
        m_db->fail(rc, m_sql);
    }
}

int Statement::bindText(int index, const QString &text)
{
    // A text that is not valid UTF-16 (a lone surrogate) is left to the engine's own conversion, and so is a
    // parameter that does not exist, for the engine's message.
    const bool ascii = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if ((!ascii && !text.isValidUtf16()) || index < 1 || index > sqlite3_bind_parameter_count(m_statement)) {
        return sqlite3_bind_text16(m_statement, index, utf16Of(text), static_cast<int>(text.size() * 2),
                                   SQLITE_TRANSIENT);
    }
    // UTF-8 is what the databases hold, so the engine stores the bytes as they are. It reads them where they lie
    // until the parameter is bound anew: they are kept here until then. constData() of an empty array is an empty
    // text, never nullptr (which would bind Null).
    if (m_boundTexts.size() < index) {
        m_boundTexts.resize(index);
    }
    QByteArray &bytes = m_boundTexts[index - 1]; // bound anew right below: the engine reads none of it before
    if (ascii) {
        // Most texts are plain ASCII, which is its own UTF-8: written into the buffer the parameter had before.
        bytes.resize(text.size());
        std::transform(text.cbegin(), text.cend(), bytes.data(),
                       [](QChar c) { return static_cast<char>(c.unicode()); });
    } else {
        bytes = text.toUtf8();
    }
    const int rc =
        sqlite3_bind_text(m_statement, index, bytes.constData(), static_cast<int>(bytes.size()), SQLITE_STATIC);
    if (rc != SQLITE_OK) {
        sqlite3_bind_null(m_statement, index); // never left pointing into bytes made for a failed binding
    }
    return rc;
}

bool Statement::next()
{
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    // The statement must be usable again after a failed step.
    sqlite3_reset(m_statement);
    m_db->fail(rc, m_sql);
}

void Statement::run()
{
    while (next()) {
    }
    reset();
}

void Statement::reset()
{
    sqlite3_reset(m_statement);
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_statement);
}

QString Statement::columnName(int column) const
{
    return QString::fromUtf16(static_cast<const char16_t *>(sqlite3_column_name16(m_statement, column)));
}

Value Statement::value(int column) const
{
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return Value(static_cast<qint64>(sqlite3_column_int64(m_statement, column)));
    case SQLITE_FLOAT:
        return Value(sqlite3_column_double(m_statement, column));
    case SQLITE_TEXT: {
        // Databases hold UTF-8 unless made otherwise; reading it as such spares the engine a conversion.
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
        return Value(QString::fromUtf8(text, sqlite3_column_bytes(m_statement, column)));
    }
    case SQLITE_BLOB: {
        const void *data = sqlite3_column_blob(m_statement, column);
        const int size = sqlite3_column_bytes(m_statement, column);
        return Value::fromBytes(QByteArray(static_cast<const char *>(data), size));
    }
    default:
        return {};
    }
}

std::variant<Value, QByteArrayView> Statement::valueOrText(int column) const
{
    // The column's value is taken once: each sqlite3_column_ call locks the connection again.
    sqlite3_value *value = sqlite3_column_value(m_statement, column);
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        return Value(static_cast<qint64>(sqlite3_value_int64(value)));
    case SQLITE_FLOAT:
        return Value(sqlite3_value_double(value));
    case SQLITE_TEXT: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
        return QByteArrayView(text, sqlite3_value_bytes(value));
    }
    case SQLITE_BLOB:
        return Value::fromBytes(
            QByteArray(static_cast<const char *>(sqlite3_value_blob(value)), sqlite3_value_bytes(value)));
    default:
        return Value();
    }
}

// --- Transaction ---

Transaction::Transaction(Database &db) : m_db(db)
{
    // A savepoint nests inside a transaction already open and is a transaction of its own otherwise.
    m_db.execute(QStringLiteral("SAVEPOINT kadex"));
}

Transaction::~Transaction()
{
    if (m_open) {
        // Rolling back cannot usefully fail here; a connection closed with an open transaction rolls back anyway.
        sqlite3_exec(m_db.m_db, "ROLLBACK TO kadex; RELEASE kadex", nullptr, nullptr, nullptr);
    }
}

void Transaction::commit()
{
    m_db.execute(QStringLiteral("RELEASE kadex"));
    m_open = false;
}

} // namespace Kadex::PresetDb
