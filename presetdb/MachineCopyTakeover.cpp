#include "presetdb/MachineCopyTakeover.h"

#include "config/Services.h"
#include "diag/ErrorGuard.h"
#include "diag/EventPump.h"
#include "diag/Messages.h"
#include "diag/UiPort.h"
#include "presetdb/AdditionalFields.h"
#include "presetdb/PresetTexts.h"
#include "presetdb/SqliteDb.h"
#include "presetdb/TakeoverRecord.h"

#include <QHash>

#include <optional>
#include <utility>

namespace Kadex::PresetDb {

namespace {

const QString Procedure = QStringLiteral("TakeoverMachineCopyMDBData");

// More fields than this in the old table may hold data that the take-over does not carry.
constexpr int TakenOverFieldCount = 15;

const QStringList &CarriedFields = TakeoverRecord::carriedFieldNames();

// The fields the take-over's query selects from the new table, before the additional ones: the carried ones last.
const QStringList SelectedFields = QStringList{QStringLiteral("ID"),
                                               QStringLiteral("machine_type"),
                                               QStringLiteral("type"),
                                               QStringLiteral("var_name"),
                                               QStringLiteral("category_id"),
                                               QStringLiteral("isBitArray"),
                                               QStringLiteral("offset_or_bitno"),
                                               QStringLiteral("text"),
                                               QStringLiteral("page_name")} +
                                   CarriedFields;

struct RowKey
{
    QString machineType;
    QString varName;
    double offset = 0;
    bool offsetIsEmptyText = false; // the offset is the empty text, not a number

    bool operator==(const RowKey &) const = default;
    friend size_t qHash(const RowKey &key, size_t seed = 0)
    {
        return qHashMulti(seed, key.machineType, key.varName, key.offset, key.offsetIsEmptyText);
    }
};

bool isEmptyText(const Value &value)
{
    return value.isText() && value.text().trimmed().isEmpty();
}

std::optional<RowKey> keyOf(const Value &machineType, const Value &varName, const Value &offset)
{
    std::optional<QString> machine = textKeyOf(machineType);
    std::optional<QString> name = textKeyOf(varName);
    const std::optional<double> number = toNumber(offset);
    if (!machine || !name || (!number && !isEmptyText(offset))) {
        return std::nullopt;
    }
    // -0 and 0 are one number but would hash apart.
    return RowKey{std::move(*machine), std::move(*name), number && *number != 0 ? *number : 0.0, !number};
}

// An old row's key value as the row's match puts it into words: Null turns into the empty text, so such a row
// matches a new row whose key is the empty text (and never a new row whose key is Null).
Value oldKeyValue(const Value &value)
{
    return value.isNull() ? Value(QString()) : value;
}

struct OldRow
{
    std::optional<RowKey> key;
    QList<Value> carried; // one per carried field the old table has
    // The key as read, for the record of dropped rows.
    Value machineType;
    Value varName;
    Value offsetOrBitNo;
};

int columnNamed(const QStringList &names, const QString &name)
{
    for (int c = 0; c < names.size(); ++c) {
        if (names[c].compare(name, Qt::CaseInsensitive) == 0) {
            return c;
        }
    }
    return -1;
}

Diag::Failure fieldNotFound(const QString &name)
{
    return {Diag::ErrorNumbers::ItemNotFound, Diag::ErrorNumbers::SourceField,
            QStringLiteral("Field '") + name + QStringLiteral("' not found.")};
}

[[noreturn]] void abortConfiguration(Config::Services &services)
{
    Diag::ErrorGuard fatal(services.report, Procedure, Diag::ErrorGuard::Kind::Fatal);
    fatal.step([&] {
        throw Diag::Failure{Diag::ErrorNumbers::DatabaseAbort, services.report.settings().exeName,
                            Texts::DatabaseAbortDescription};
    });
    // A silent run's report returns to go on; the configuration ends all the same.
    services.report.EndProgram();
}

// The key's fields of the old table's rows (machine_type, var_name, offset_or_bitno) and then its carried ones, by
// their column in names (-1: the table lacks it, which reads as Null).
Statement keyAndCarriedRows(Database &oldDb, const QStringList &names, const QList<int> &columns)
{
    QStringList selected;
    for (const int column : columns) {
        selected.append(column >= 0 ? quoteName(names[column]) : QStringLiteral("NULL"));
    }
    return oldDb.prepare(QStringLiteral("SELECT ") + selected.join(u", ") + QStringLiteral(" FROM ") +
                         quoteName(Texts::PresetTable));
}

// The old table read once, in table order. Fields it lacks are reported once each.
class Snapshot
{
public:
    Snapshot(Database &oldDb, Diag::ErrorGuard &guard, Diag::EventPump &pump)
    {
        QStringList names;
        std::optional<Statement> rows;
        qsizetype carriedCount = 0;
        guard.step([&] {
            const Statement all = oldDb.prepare(QStringLiteral("SELECT * FROM ") + quoteName(Texts::PresetTable));
            for (int c = 0; c < all.columnCount(); ++c) {
                names.append(all.columnName(c));
            }
            QList<int> columns = {columnNamed(names, QStringLiteral("machine_type")),
                                  columnNamed(names, QStringLiteral("var_name")),
                                  columnNamed(names, QStringLiteral("offset_or_bitno"))};
            for (const QString &field : CarriedFields) {
                if (const int column = columnNamed(names, field); column >= 0) {
                    columns.append(column);
                    ++carriedCount;
                }
            }
            rows.emplace(keyAndCarriedRows(oldDb, names, columns));
        });
        if (!rows) {
            m_readWhole = false;
            return;
        }
        m_readWhole = guard.step([&] { readRows(*rows, carriedCount, pump); });
        if (m_rows.isEmpty()) {
            return;
        }
        // The fields the snapshot reads: the category comes from an older table's "categorie" where it has one.
        QStringList read = SelectedFields;
        read[SelectedFields.indexOf(QStringLiteral("category_id"))] =
            columnNamed(names, QStringLiteral("categorie")) >= 0 ? QStringLiteral("categorie")
                                                                 : QStringLiteral("category_id");
        for (const QString &field : std::as_const(read)) {
            if (columnNamed(names, field) < 0) {
                guard.step([&] { throw fieldNotFound(field); });
            }
        }
        for (const QString &field : CarriedFields) {
            if (columnNamed(names, field) >= 0) {
                m_carriedFields.append(field);
            }
        }
    }

    const QList<OldRow> &rows() const { return m_rows; }
    // The carried fields the old table has; one missing there keeps the generated value.
    const QStringList &carriedFields() const { return m_carriedFields; }
    // False when reading the old table failed: rows() holds those read before the failure.
    bool readWhole() const { return m_readWhole; }

private:
    // Reads the rows of keyAndCarriedRows.
    void readRows(Statement &rows, qsizetype carriedCount, Diag::EventPump &pump)
    {
        constexpr int FirstCarried = 3;
        while (rows.next()) {
            pump.tick();
            OldRow row;
            row.machineType = rows.value(0);
            row.varName = rows.value(1);
            row.offsetOrBitNo = rows.value(2);
            row.key = keyOf(oldKeyValue(row.machineType), oldKeyValue(row.varName), oldKeyValue(row.offsetOrBitNo));
            row.carried.reserve(carriedCount);
            for (int i = 0; i < carriedCount; ++i) {
                row.carried.append(rows.value(FirstCarried + i));
            }
            m_rows.append(std::move(row));
        }
    }

    bool m_readWhole = true;
    QList<OldRow> m_rows;
    QStringList m_carriedFields;
};

// The additional field the working table lacks (compared with letter case, the first field not looked at), if any.
std::optional<QString> missingAdditionalField(const QList<FieldDef> &workingFields, const QStringList &list)
{
    for (qsizetype j = 1; j < list.size(); ++j) {
        bool found = false;
        for (qsizetype c = 1; c < workingFields.size() && !found; ++c) {
            found = workingFields[c].name == list[j];
        }
        if (!found) {
            return list[j];
        }
    }
    return std::nullopt;
}

// Whether the working table has every field the take-over's query selects; without them no row is matched.
bool selectsResolve(const QList<FieldDef> &workingFields, const AddFields &addFields)
{
    QStringList names;
    for (const FieldDef &field : workingFields) {
        names.append(field.name);
    }
    QStringList wanted = SelectedFields;
    if (addFields.AddFieldCount > 0 && addFields.AddFieldList) {
        wanted += addFields.AddFieldList->mid(1);
    }
    for (const QString &field : std::as_const(wanted)) {
        if (columnNamed(names, field) < 0) {
            return false;
        }
    }
    return true;
}

// The first new row of each key, in table order.
QHash<RowKey, qint64> firstRowsByKey(Database &working)
{
    QHash<RowKey, qint64> rows;
    Statement query = working.prepare(QStringLiteral("SELECT rowid, machine_type, var_name, offset_or_bitno FROM ") +
                                      quoteName(Texts::PresetTable));
    while (query.next()) {
        if (const std::optional<RowKey> key = keyOf(query.value(1), query.value(2), query.value(3))) {
            if (!rows.contains(*key)) {
                rows.insert(*key, query.value(0).integer());
            }
        }
    }
    return rows;
}

// Every old row with plant values, noted as not carried for why (a failure only where values were at stake).
void noteNoneCarried(TakeoverRecord *record, const Snapshot &snapshot, const QString &why)
{
    if (!record) {
        return;
    }
    for (const OldRow &old : snapshot.rows()) {
        record->noteUnmatched(old.machineType, old.varName, old.offsetOrBitNo, snapshot.carriedFields(), old.carried,
                              why);
    }
}

Statement carryStatement(Database &working, const QStringList &fields)
{
    QStringList assignments;
    for (int i = 0; i < fields.size(); ++i) {
        assignments.append(quoteName(fields[i]) + QStringLiteral(" = ?") + QString::number(i + 1));
    }
    return working.prepare(QStringLiteral("UPDATE ") + quoteName(Texts::PresetTable) + QStringLiteral(" SET ") +
                           assignments.join(u", ") + QStringLiteral(" WHERE rowid = ?") +
                           QString::number(fields.size() + 1));
}

// The old rows whose values are in the new table, by the new row they went into (the last carried old row of
// its key), and those whose values a later old row of their key overwrote, in the order they were overwritten.
struct Carried
{
    QHash<qint64, qsizetype> lastOfNewRow;
    QList<qsizetype> overwritten;
};

// Writes the old rows' carried values into the new rows of their keys, in table order: of several old rows of one
// key the last carried wins. The values an old row would write only to see them overwritten by a later row of its
// key are not written at all; should the winner's write fail, the row before it is written instead, and so on.
// Old rows without a new row and those whose write failed are noted in the record at once.
Carried writeCarriedValues(const Snapshot &snapshot, const QHash<RowKey, qint64> &newRows, Statement &carry,
                           Diag::ErrorGuard &guard, Diag::EventPump &pump, TakeoverRecord *record)
{
    const QList<OldRow> &rows = snapshot.rows();
    const int rowParameter = static_cast<int>(snapshot.carriedFields().size()) + 1;
    // The new row of each old row (-1: none), and the last old row of each new row.
    QList<qint64> newRowOf(rows.size(), -1);
    QHash<qint64, qsizetype> lastOldRow;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        if (const auto match = rows[r].key ? newRows.constFind(*rows[r].key) : newRows.constEnd();
            match != newRows.constEnd()) {
            newRowOf[r] = *match;
            lastOldRow.insert(*match, r);
        }
    }
    const auto write = [&](qsizetype r) {
        return guard.step([&] {
            for (int i = 0; i < rows[r].carried.size(); ++i) {
                carry.bind(i + 1, rows[r].carried[i]);
            }
            carry.bind(rowParameter, Value(newRowOf[r]));
            carry.run();
        });
    };
    const auto noteFailed = [&](qsizetype r) {
        if (record) {
            record->noteUnmatched(rows[r].machineType, rows[r].varName, rows[r].offsetOrBitNo, snapshot.carriedFields(),
                                  rows[r].carried, QStringLiteral("a row's values could not be written"));
        }
    };
    Carried carried;
    QList<qsizetype> overwrote(rows.size(), -1); // the row each carried row overwrote, where it overwrote one
    for (qsizetype r = 0; r < rows.size(); ++r) {
        pump.tick();
        const qint64 newRow = newRowOf[r];
        if (newRow < 0) {
            if (record) {
                record->noteUnmatched(rows[r].machineType, rows[r].varName, rows[r].offsetOrBitNo,
                                      snapshot.carriedFields(), rows[r].carried);
            }
            continue;
        }
        const auto before = carried.lastOfNewRow.constFind(newRow);
        if (lastOldRow.value(newRow) != r || write(r)) {
            if (before != carried.lastOfNewRow.constEnd()) {
                carried.overwritten.append(*before);
                overwrote[r] = *before;
            }
            carried.lastOfNewRow.insert(newRow, r);
            continue;
        }
        noteFailed(r);
        // The rows before it were not written: the last of them that can be written wins.
        for (auto last = carried.lastOfNewRow.find(newRow); last != carried.lastOfNewRow.end() && !write(*last);) {
            noteFailed(*last);
            if (const qsizetype earlier = overwrote[*last]; earlier >= 0) {
                carried.overwritten.removeOne(earlier);
                *last = earlier;
            } else {
                carried.lastOfNewRow.erase(last);
                break;
            }
        }
    }
    return carried;
}

// Asks before dropping the data of an old table with more fields than the take-over carries (a silent run logs
// the warning); ends the configuration on the operator's "No".
void askAboutMoreFields(Config::Services &services, const QString &moduleName)
{
    const QString exeName = services.report.settings().exeName;
    if (services.runMode.SilentMode()) {
        services.report.WriteServicePackLog(Texts::fieldCountWarning(moduleName, QString()));
        return;
    }
    const Diag::Answer answer =
        services.report.ui().showMessage({Texts::fieldCountWarning(moduleName, Diag::Messages::LineBreak), exeName,
                                          Diag::Buttons::YesNo, Diag::Icon::Exclamation, Diag::Answer::No});
    if (answer != Diag::Answer::Yes) {
        services.report.WriteErrorLog(Texts::takeoverDeclinedLine(exeName, moduleName, services.location.programDir()));
        abortConfiguration(services);
    }
}

// Writes the values of each old row into its new row through carry, in one transaction of working, and tells
// record what was carried, overwritten or not written.
void carryRows(Database &working, const Snapshot &snapshot, const QHash<RowKey, qint64> &newRows, Statement &carry,
               Diag::ErrorGuard &guard, Diag::EventPump &pump, TakeoverRecord *record)
{
    std::optional<Transaction> transaction;
    guard.step([&] { transaction.emplace(working); });
    const Carried carried = writeCarriedValues(snapshot, newRows, carry, guard, pump, record);
    const QHash<qint64, qsizetype> &lastCarried = carried.lastOfNewRow;
    const QList<qsizetype> &overwritten = carried.overwritten;
    const QList<OldRow> &rows = snapshot.rows();
    if (transaction && !guard.step([&] { transaction->commit(); })) {
        if (record) {
            for (const qsizetype r : QList<qsizetype>(lastCarried.values()) + overwritten) {
                record->noteUnmatched(rows[r].machineType, rows[r].varName, rows[r].offsetOrBitNo,
                                      snapshot.carriedFields(), rows[r].carried,
                                      QStringLiteral("the carried values could not be saved"));
            }
        }
        return;
    }
    if (record) {
        for (const qsizetype r : std::as_const(lastCarried)) {
            record->noteCarried(rows[r].machineType);
        }
        for (const qsizetype r : std::as_const(overwritten)) {
            record->noteUnmatched(rows[r].machineType, rows[r].varName, rows[r].offsetOrBitNo, snapshot.carriedFields(),
                                  rows[r].carried);
        }
    }
}

} // namespace

bool TakeoverMachineCopyMDBData(Database &working, Database &oldDb, Config::Services &services,
                                const AddFields &addFields, TakeoverRecord *record, bool *fieldCountAsked)
{
    Diag::ErrorGuard guard(services.report, Procedure);
    Diag::EventPump pump(services.report.ui());
    QString moduleName;
    guard.step([&] { moduleName = services.location.GetOCXName().toUpper(); });

    QList<FieldDef> oldFields;
    guard.step([&] { oldFields = oldDb.fields(Texts::PresetTable); });
    if (oldFields.size() > TakenOverFieldCount && addFields.AddFieldCount == 0 &&
        !(fieldCountAsked && std::exchange(*fieldCountAsked, true))) {
        askAboutMoreFields(services, moduleName);
    }

    const Snapshot snapshot(oldDb, guard, pump);
    if (!snapshot.readWhole()) {
        if (record) {
            record->noteFailure(QStringLiteral("the old table could not be read (in full)"));
        }
        return false;
    }
    if (snapshot.rows().isEmpty()) {
        return true;
    }

    QList<FieldDef> workingFields;
    if (!guard.step([&] { workingFields = working.fields(Texts::PresetTable); })) {
        noteNoneCarried(record, snapshot, QStringLiteral("the new table's fields could not be read"));
        return true;
    }
    if (addFields.AddFieldList) {
        if (const std::optional<QString> missing = missingAdditionalField(workingFields, *addFields.AddFieldList)) {
            services.report.WriteErrorLog(Texts::missingAdditionalFieldLine(moduleName, *missing));
            abortConfiguration(services);
        }
    }
    if (snapshot.carriedFields().isEmpty()) {
        return true; // the old table holds no plant values
    }
    if (!selectsResolve(workingFields, addFields)) {
        noteNoneCarried(record, snapshot, QStringLiteral("the new table lacks a field the take-over needs"));
        return true;
    }

    QHash<RowKey, qint64> newRows;
    std::optional<Statement> carry;
    guard.step([&] {
        newRows = firstRowsByKey(working);
        carry.emplace(carryStatement(working, snapshot.carriedFields()));
    });
    if (!carry) {
        noteNoneCarried(record, snapshot, QStringLiteral("the take-over's query failed"));
        return true;
    }
    carryRows(working, snapshot, newRows, *carry, guard, pump, record);
    return true;
}

} // namespace Kadex::PresetDb
