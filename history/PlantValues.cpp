#include "history/PlantValues.h"

#include "presetdb/PresetTexts.h"
#include "presetdb/SqliteDb.h"

#include <algorithm>
#include <charconv>
#include <functional>

namespace Kadex::History {

using PresetDb::DroppedRow;
using PresetDb::Value;

namespace {

constexpr int Carried = 5;

// FNV-1a, 64 bits: stable across runs and builds, unlike the hash of a QHash.
class Mark
{
public:
    void add(const QByteArray &bytes)
    {
        for (const char c : bytes) {
            m_hash = (m_hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
        }
        m_hash = (m_hash ^ 0xffU) * 1099511628211ULL; // parts of different lengths never run together
    }
    quint64 value() const { return m_hash; }

private:
    quint64 m_hash = 14695981039346656037ULL;
};

QByteArray numberText(double number)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, number == 0.0 ? 0.0 : number);
    return QByteArray(text, static_cast<qsizetype>(result.ptr - text));
}

// A value as it is compared: numbers as numbers, so that 5 and 5.0 are one value; a text or bytes as such.
QByteArray comparedForm(const Value &value)
{
    if (value.isInteger() || value.isReal()) {
        return 'n' + numberText(value.isInteger() ? static_cast<double>(value.integer()) : value.real());
    }
    if (value.isText()) {
        return 't' + value.text().toUtf8();
    }
    return value.isBytes() ? 'b' + value.bytes() : QByteArray("0");
}

QByteArray keyForm(const Value &value)
{
    const std::optional<double> number = PresetDb::toNumber(value);
    if (number) {
        return numberText(*number);
    }
    const std::optional<QString> text = PresetDb::textKeyOf(value);
    return text ? text->toUtf8() : QByteArray();
}

// One PRESET_DEFS row as the marks need it.
struct Row
{
    Value machineType;
    Value varName;
    Value offset;
    QList<Value> values; // the carried fields in their order; Null where the table lacks one
};

// The mark of a row's key, to be continued by each field and value.
Mark keyMark(const Row &row)
{
    Mark mark;
    mark.add(PresetDb::textKeyOf(row.machineType).value_or(QString()).toUtf8());
    mark.add(PresetDb::textKeyOf(row.varName).value_or(QString()).toUtf8());
    mark.add(keyForm(row.offset));
    return mark;
}

quint64 markOf(Mark mark, int field, const QByteArray &value)
{
    mark.add(QByteArray::number(field));
    mark.add(value);
    return mark.value();
}

bool differs(const QList<Value> *given, int field, const QByteArray &value)
{
    return given == nullptr || comparedForm(given->value(field)) != value;
}

// Calls each with every row of the table; nothing when the database lacks it.
void forEachRow(PresetDb::Database &db, const QString &table, const std::function<void(const Row &)> &each)
{
    if (!db.hasTableNamedExactly(table)) {
        return;
    }
    QStringList names;
    for (const PresetDb::FieldDef &field : db.fields(table)) {
        names.append(field.name.toCaseFolded());
    }
    const QStringList wanted =
        QStringList{QStringLiteral("machine_type"), QStringLiteral("var_name"), QStringLiteral("offset_or_bitno")} +
        PresetDb::TakeoverRecord::carriedFieldNames();
    QList<qsizetype> columns;
    for (const QString &name : wanted) {
        columns.append(names.indexOf(name.toCaseFolded()));
    }
    PresetDb::Statement rows = db.prepare(QStringLiteral("SELECT * FROM \"") + table + QLatin1Char('"'));
    Row row;
    while (rows.next()) {
        const auto at = [&](int i) { return columns[i] < 0 ? Value() : rows.value(static_cast<int>(columns[i])); };
        row.machineType = at(0);
        row.varName = at(1);
        row.offset = at(2);
        row.values.clear();
        for (int f = 0; f < Carried; ++f) {
            row.values.append(at(3 + f));
        }
        each(row);
    }
}

void sortUnique(std::vector<quint64> &marks)
{
    std::sort(marks.begin(), marks.end());
    marks.erase(std::unique(marks.begin(), marks.end()), marks.end());
}

QString templateKey(const QByteArray &offset, const QString &varName)
{
    return QString::fromUtf8(offset) + QLatin1Char('\n') + varName;
}

} // namespace

TemplateValues::TemplateValues(PresetDb::Database &db)
{
    forEachRow(db, PresetDb::Texts::SourcePresetTable, [&](const Row &row) {
        const QString key = templateKey(keyForm(row.offset), PresetDb::textKeyOf(row.varName).value_or(QString()));
        if (!m_rows.contains(key)) {
            m_rows.insert(key, row.values);
        }
    });
}

const QList<Value> *TemplateValues::rowFor(const Value &varName, const Value &offset) const
{
    const std::optional<QString> name = PresetDb::textKeyOf(varName);
    if (!name || m_rows.isEmpty()) {
        return nullptr;
    }
    const QByteArray offsetKey = keyForm(offset);
    for (QString rest = *name;;) {
        const auto found = m_rows.constFind(templateKey(offsetKey, rest));
        if (found != m_rows.constEnd()) {
            return &found.value();
        }
        const qsizetype dot = rest.indexOf(QLatin1Char('.'));
        if (dot < 0) {
            return nullptr;
        }
        rest = rest.mid(dot + 1);
    }
}

HeldValues heldValuesOf(PresetDb::Database &db, const TemplateValues &templateValues)
{
    HeldValues held;
    QHash<QString, qsizetype> machineAt;
    forEachRow(db, PresetDb::Texts::PresetTable, [&](const Row &row) {
        ++held.rows;
        const QString machine = PresetDb::toText(row.machineType).value_or(QString());
        const auto at = machineAt.constFind(machine.toCaseFolded());
        if (at == machineAt.constEnd()) {
            machineAt.insert(machine.toCaseFolded(), held.machines.size());
            held.machines.append({machine, 1});
        } else {
            ++held.machines[at.value()].second;
        }
        const Mark key = keyMark(row);
        const QList<Value> *given = templateValues.rowFor(row.varName, row.offset);
        for (int f = 0; f < Carried; ++f) {
            if (row.values[f].isNull()) {
                continue;
            }
            const QByteArray value = comparedForm(row.values[f]);
            const quint64 mark = markOf(key, f, value);
            held.all.push_back(mark);
            if (differs(given, f, value)) {
                held.plant.push_back(mark);
            }
        }
    });
    sortUnique(held.plant);
    sortUnique(held.all);
    return held;
}

bool holdsPlantValue(const DroppedRow &dropped, const TemplateValues &templateValues)
{
    const QList<Value> *given = templateValues.rowFor(dropped.varName, dropped.offsetOrBitNo);
    for (int f = 0; f < Carried && f < dropped.values.size(); ++f) {
        if (!dropped.values[f].isNull() && differs(given, f, comparedForm(dropped.values[f]))) {
            return true;
        }
    }
    return false;
}

QList<DroppedRow> overwrittenRows(PresetDb::Database &replaced, PresetDb::Database &replacement,
                                  const TemplateValues &templateValues)
{
    const HeldValues kept = heldValuesOf(replacement, templateValues);
    QList<DroppedRow> overwritten;
    forEachRow(replaced, PresetDb::Texts::PresetTable, [&](const Row &row) {
        const Mark key = keyMark(row);
        const QList<Value> *given = templateValues.rowFor(row.varName, row.offset);
        for (int f = 0; f < Carried; ++f) {
            if (row.values[f].isNull()) {
                continue;
            }
            const QByteArray value = comparedForm(row.values[f]);
            if (differs(given, f, value) &&
                !std::binary_search(kept.all.begin(), kept.all.end(), markOf(key, f, value))) {
                overwritten.append({row.machineType, row.varName, row.offset, row.values});
                return;
            }
        }
    });
    return overwritten;
}

} // namespace Kadex::History
