#include "tests/support/PlantState.h"

#include "tests/support/FixtureDb.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <sqlite3.h>

namespace Kadex::Test {

namespace {

const QStringList IniFiles = {QStringLiteral("Kadex/Kadex.cfg"), QStringLiteral("parameter/Program.ini"),
                              QStringLiteral("parameter/r4mconfiguration.ini")};
const QStringList DatabaseFiles = {QStringLiteral("Kadex/Kadex.mdb"), QStringLiteral("Kadex/Kadex_Source.mdb")};
const QString ErrorLog = QStringLiteral("R4Mcfglog.txt");
const QString ModuleDb = QStringLiteral("Kadex/Kadex.mdb");

// A kept copy of the module database in the history, or its report.
bool isHistoryFile(const QString &file, bool reportToo)
{
    static const QRegularExpression kept(QStringLiteral("^Kadex/History/Kadex\\.mdb\\.\\d{8}-\\d{6}(-\\d+)?$"));
    static const QRegularExpression summary(
        QStringLiteral("^Kadex/History/\\.Kadex\\.mdb\\.\\d{8}-\\d{6}(-\\d+)?\\.summary$"));
    return kept.match(file).hasMatch() || (reportToo && summary.match(file).hasMatch()) ||
           (reportToo && file.endsWith(QStringLiteral(".txt")) && kept.match(file.chopped(4)).hasMatch());
}

void readIni(const QString &root, const QString &file, QMap<QString, QString> &entries)
{
    QFile ini(root + QLatin1Char('/') + file);
    if (!ini.open(QIODevice::ReadOnly)) {
        return;
    }
    QString section;
    for (const QByteArray &raw : ini.readAll().split('\n')) {
        const QString line = QString::fromLatin1(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed().toLower();
        } else if (const qsizetype equals = line.indexOf(QLatin1Char('=')); equals > 0) {
            const QString key =
                file + QLatin1Char('|') + section + QLatin1Char('|') + line.left(equals).trimmed().toLower();
            // The first of two equal keys is the one that counts.
            if (!entries.contains(key)) {
                entries.insert(key, line.mid(equals + 1).trimmed());
            }
        }
    }
}

} // namespace

QStringList databaseContent(const QString &path)
{
    if (!QFile::exists(path)) {
        return {QStringLiteral("<missing>")};
    }
    QTemporaryDir scratch;
    const QString copy = scratch.filePath(QStringLiteral("copy.db"));
    if (!QFile::copy(path, copy) ||
        (QFile::exists(path + QStringLiteral("-journal")) &&
         !QFile::copy(path + QStringLiteral("-journal"), copy + QStringLiteral("-journal")))) {
        return {QStringLiteral("<unreadable>")};
    }
    sqlite3 *db = nullptr;
    QStringList tables;
    const bool opened =
        sqlite3_open_v2(QFile::encodeName(copy).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    sqlite3_stmt *query = nullptr;
    if (opened && sqlite3_prepare_v2(db, "SELECT name, sql FROM sqlite_master WHERE type = 'table' ORDER BY name", -1,
                                     &query, nullptr) == SQLITE_OK) {
        while (sqlite3_step(query) == SQLITE_ROW) {
            tables.append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(query, 0))));
            tables.append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(query, 1))));
        }
    }
    const bool listed = opened && query != nullptr;
    sqlite3_finalize(query);
    sqlite3_close(db);
    if (!listed) {
        return {QStringLiteral("<unreadable>")};
    }
    QStringList content;
    for (qsizetype t = 0; t + 1 < tables.size(); t += 2) {
        content.append(QStringLiteral("table ") + tables[t + 1]);
        const Rows rows =
            queryRows(copy, QStringLiteral("SELECT * FROM \"") + tables[t] + QStringLiteral("\" ORDER BY rowid"));
        for (const auto &row : rows) {
            QStringList values;
            for (const std::string &value : row) {
                values.append(QString::fromStdString(value));
            }
            content.append(values.join(QLatin1Char('|')));
        }
    }
    return content;
}

PlantState PlantState::of(const QString &root)
{
    PlantState state;
    for (const QString &file : IniFiles) {
        readIni(root, file, state.iniEntries);
    }
    for (const QString &file : DatabaseFiles) {
        state.databases.insert(file, databaseContent(root + QLatin1Char('/') + file));
    }
    QDirIterator files(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString file = QDir(root).relativeFilePath(files.next());
        state.files.append(file);
        if (isHistoryFile(file, false)) {
            state.keptDatabases.insert(file, databaseContent(root + QLatin1Char('/') + file));
        }
    }
    state.files.sort();
    return state;
}

QStringList mixedParts(const PlantState &now, const PlantState &before, const PlantState &clean)
{
    QStringList mixed;
    QSet<QString> keys;
    for (const QMap<QString, QString> *entries : {&now.iniEntries, &before.iniEntries, &clean.iniEntries}) {
        for (auto it = entries->cbegin(); it != entries->cend(); ++it) {
            keys.insert(it.key());
        }
    }
    for (const QString &key : std::as_const(keys)) {
        const QString value = now.iniEntries.value(key, QStringLiteral("<none>"));
        if (value != before.iniEntries.value(key, QStringLiteral("<none>")) &&
            value != clean.iniEntries.value(key, QStringLiteral("<none>"))) {
            mixed.append(key + QStringLiteral(" = ") + value);
        }
    }
    for (auto it = now.databases.cbegin(); it != now.databases.cend(); ++it) {
        if (it.value() != before.databases.value(it.key()) && it.value() != clean.databases.value(it.key())) {
            mixed.append(it.key() + QStringLiteral(" holds neither its old nor its new content (") +
                         QString::number(it.value().size()) + QStringLiteral(" lines, first: ") + it.value().value(0) +
                         QLatin1Char(')'));
        }
    }
    mixed.sort();
    return mixed;
}

QStringList unwholeKeptCopies(const PlantState &now, const PlantState &before, const PlantState &clean)
{
    QStringList unwhole;
    for (auto it = now.keptDatabases.cbegin(); it != now.keptDatabases.cend(); ++it) {
        if (it.value() != before.databases.value(ModuleDb) && it.value() != clean.databases.value(ModuleDb)) {
            unwhole.append(it.key() + QStringLiteral(" holds neither the module database's old nor its new content"));
        }
    }
    return unwhole;
}

bool keepsACopyWithReport(const PlantState &now)
{
    for (auto it = now.keptDatabases.cbegin(); it != now.keptDatabases.cend(); ++it) {
        if (now.files.contains(it.key() + QStringLiteral(".txt"))) {
            return true;
        }
    }
    return false;
}

QStringList strayFiles(const PlantState &now, const PlantState &before, const PlantState &clean)
{
    QStringList stray;
    for (const QString &file : now.files) {
        if (file != ErrorLog && !isHistoryFile(file, true) && !before.files.contains(file) &&
            !clean.files.contains(file)) {
            stray.append(file);
        }
    }
    return stray;
}

} // namespace Kadex::Test
