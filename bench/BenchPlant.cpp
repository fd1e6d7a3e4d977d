#include "bench/BenchPlant.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <stdexcept>
#include <string>

namespace Kadex::Bench {

namespace {

class Sql
{
public:
    explicit Sql(const QString &path)
    {
        if (sqlite3_open(QFile::encodeName(path).constData(), &m_db) != SQLITE_OK) {
            throw std::runtime_error("cannot create " + path.toStdString());
        }
        exec("BEGIN");
    }
    ~Sql()
    {
        exec("COMMIT");
        sqlite3_close(m_db);
    }
    Sql(const Sql &) = delete;
    Sql &operator=(const Sql &) = delete;

    void exec(const std::string &sql)
    {
        char *error = nullptr;
        if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string message = error != nullptr ? error : "?";
            sqlite3_free(error);
            throw std::runtime_error(message + " in " + sql.substr(0, 80));
        }
    }

private:
    sqlite3 *m_db = nullptr;
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("cannot read " + path.toStdString());
    }
    return file.readAll();
}

// A database built by running a whole SQL text, as the sqlite3 shell would.
void runSqlText(const QString &database, const QString &sqlPath)
{
    QFile::remove(database);
    sqlite3 *db = nullptr;
    if (sqlite3_open(QFile::encodeName(database).constData(), &db) != SQLITE_OK) {
        throw std::runtime_error("cannot create " + database.toStdString());
    }
    char *error = nullptr;
    const int rc = sqlite3_exec(db, readFile(sqlPath).constData(), nullptr, nullptr, &error);
    const std::string message = error != nullptr ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    if (rc != SQLITE_OK) {
        throw std::runtime_error(message + " in " + sqlPath.toStdString());
    }
}

const char *const Fields =
    "(ID SMALLINT, machine_type VARCHAR(50), type VARCHAR(20), part SMALLINT, var_name VARCHAR(100), category_id "
    "SMALLINT, isBitArray BIT, offset_or_bitno SMALLINT, text VARCHAR(255), page_name VARCHAR(50), abs_min DOUBLE, "
    "abs_max DOUBLE, min DOUBLE, max DOUBLE, pass SMALLINT)";

std::string machineName(int m)
{
    return "Maschine" + std::to_string(m);
}

} // namespace

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

void buildGeneratedPlant(const QString &root, int templateRows, int oldRows)
{
    QDir(root).mkpath(QStringLiteral("Kadex"));
    QDir(root).mkpath(QStringLiteral("parameter"));
    QByteArray cfg = "[Project]\r\n";
    QByteArray program = "[Project]\r\nNumberOfMachines=" + QByteArray::number(Machines) + "\r\n";
    for (int m = 1; m <= Machines; ++m) {
        cfg += "ForMachine" + QByteArray::number(m) + "=true\r\n";
        program += "[Machine" + QByteArray::number(m) + "]\r\nMachineName=" + machineName(m).c_str() + "\r\n";
    }
    writeFile(root + QStringLiteral("/Kadex/Kadex.cfg"), cfg);
    writeFile(root + QStringLiteral("/parameter/Program.ini"), program);
    writeFile(root + QStringLiteral("/parameter/r4mconfiguration.ini"), "[Common]\r\n");

    {
        Sql source(root + QStringLiteral("/Kadex/Kadex_Source.mdb"));
        source.exec(std::string("CREATE TABLE Source_PRESET_DEFS ") + Fields);
        source.exec("CREATE TABLE Source_DEFS (System VARCHAR(20), Var_Name VARCHAR(255), Part SMALLINT)");
        for (int part = 1; part <= 3; ++part) {
            const std::string p = std::to_string(part);
            source.exec("INSERT INTO Source_DEFS VALUES ('VISIWIN32', '###machine.Kadex" + p + ".###Var_Name', " + p +
                        ")");
            source.exec("INSERT INTO Source_DEFS VALUES ('VISIWINSTUDIO', 'Ch1.###machine.Kadex" + p +
                        ".###Var_Name', " + p + ")");
        }
        source.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                    std::to_string(templateRows) +
                    ") INSERT INTO Source_PRESET_DEFS SELECT i, '###machine', 'REAL', i % 3 + 1, 'Wert_' || i, i % 7, "
                    "0, i % 1000, 'Vorgabe ' || i || ' ###machine', 'Kadex_###machine', 0, 1000, 10, 900, 1 FROM n");
    }
    Sql old(root + QStringLiteral("/Kadex/Kadex.mdb"));
    old.exec(std::string("CREATE TABLE PRESET_DEFS ") + Fields);
    old.exec("CREATE TABLE keys (machine TEXT)");
    for (int m = 1; m <= Machines; ++m) {
        old.exec("INSERT INTO keys VALUES ('" + machineName(m) + "')");
    }
    // Old row k carries the key of generated row k modulo the generated rows, so larger old tables repeat keys.
    old.exec("WITH RECURSIVE n(k) AS (SELECT 0 UNION ALL SELECT k + 1 FROM n WHERE k < " + std::to_string(oldRows - 1) +
             "), r AS (SELECT k, k % " + std::to_string(templateRows * Machines) +
             " AS g FROM n) "
             "INSERT INTO PRESET_DEFS SELECT k + 1, m.machine, 'REAL', i % 3 + 1, "
             "CASE WHEN k % 10 = 0 THEN 'Ch1.' || m.machine || '.Kadex' || (i % 3 + 1) || '.Wert_' || i "
             "ELSE m.machine || '.Kadex' || (i % 3 + 1) || '.Wert_' || i END, 0, 0, i % 1000, 'alt', 'alt', "
             "-1, 2000, 20, 800, 2 FROM (SELECT k, g / " +
             std::to_string(templateRows) + " + 1 AS mi, g % " + std::to_string(templateRows) +
             " + 1 AS i FROM r) JOIN (SELECT rowid AS mi, machine FROM keys) m USING (mi)");
    old.exec("DROP TABLE keys");
}

void buildSamplePlant(const QString &root, const QString &sourceDir)
{
    const QString sample = sourceDir + QStringLiteral("/examples/plant");
    QDirIterator files(sample, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString from = files.next();
        const QString to = root + from.mid(sample.size());
        QDir().mkpath(QFileInfo(to).absolutePath());
        writeFile(to, readFile(from));
    }
    QDir().mkpath(root + QStringLiteral("/SaveAndRestore/parameter"));
    // The save-and-restore folder is an absolute path on a real plant.
    const QString r4m = root + QStringLiteral("/parameter/r4mconfiguration.ini");
    QByteArray plantIni = readFile(r4m);
    plantIni.replace("SaveAndRestore=", QByteArray("SaveAndRestore=" + QFile::encodeName(root) + "/SaveAndRestore"));
    writeFile(r4m, plantIni);
    runSqlText(root + QStringLiteral("/Kadex/Kadex_Source.mdb"), sample + QStringLiteral("/Kadex/Kadex_Source.sql"));
    runSqlText(root + QStringLiteral("/Kadex/Kadex.mdb"), sample + QStringLiteral("/Kadex/Kadex_old.sql"));
}

QByteArray otherSections(qsizetype bytes)
{
    QByteArray text;
    text.reserve(bytes + 4096);
    for (int section = 1; text.size() < bytes; ++section) {
        text += "[OtherModule" + QByteArray::number(section) + "]\r\n";
        for (int key = 1; key <= 20; ++key) {
            text += "Setting" + QByteArray::number(key) + "=value " + QByteArray::number(section * 100 + key) +
                    " of another module\r\n";
        }
        text += "\r\n";
    }
    return text;
}

void addToProgramIni(const QString &root, const QByteArray &extra)
{
    const QString path = root + QStringLiteral("/parameter/Program.ini");
    QByteArray program = readFile(path);
    const qsizetype machine = program.indexOf("[Machine");
    program.insert(machine < 0 ? program.size() : machine, extra);
    writeFile(path, program);
}

} // namespace Kadex::Bench
