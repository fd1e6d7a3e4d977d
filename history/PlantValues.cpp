#include "history/PlantValues.h"

#include "history/ShortestNumber.h"
#include "presetdb/PresetTexts.h"
#include "presetdb/SqliteDb.h"

#include <algorithm>
#include <optional>
#include <variant>

namespace Kadex::History {

using PresetDb::DroppedRow;
using PresetDb::Value;

namespace {

// FNV-1a, 64 bits: stable across runs and builds, unlike the hash of a QHash.
class Mark
{
public:
    void add(std::string_view bytes)
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

// One field of a row: a text as the database's UTF-8 bytes (most are plain ASCII, which needs no QString), any
// other value as such.
struct Cell
{
    std::optional<QByteArrayView> text;
    Value value;

    Value general() const { return text ? Value(QString::fromUtf8(*text)) : value; }
};

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

void appendUtf8(std::string &out, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    out.append(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// A number in its shortest exact form, -0 as 0.
void appendNumber(std::string &out, double number)
{
    char text[ShortestNumberChars];
    out.append(text, writeShortest(text, number == 0.0 ? 0.0 : number));
}

// A text key as compared, without regard to letter case (ASCII folds to lower case, as the general folding does);
// false for Null and bytes, which have none.
bool appendTextKey(std::string &out, const Cell &cell)
{
    if (cell.text && isAscii(*cell.text)) {
        for (const char c : *cell.text) {
            out += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        }
        return true;
    }
    const std::optional<QString> key = PresetDb::textKeyOf(cell.general());
    if (key) {
        appendUtf8(out, *key);
    }
    return key.has_value();
}

// A key that compares as a number where it is one (so that 5 and 5.0 are one key), else as a text key.
void appendNumberKey(std::string &out, const Cell &cell)
{
    const Value value = cell.general();
    if (const std::optional<double> number = PresetDb::toNumber(value)) {
        appendNumber(out, *number);
    } else if (const std::optional<QString> text = PresetDb::textKeyOf(value)) {
        appendUtf8(out, *text);
    }
}

// A value as it is compared: numbers as numbers, so that 5 and 5.0 are one value; a text or bytes as such; Null as
// "0".
void appendCompared(std::string &out, const Cell &cell)
{
    if (cell.text && isAscii(*cell.text)) {
        out += 't';
        out.append(cell.text->data(), static_cast<size_t>(cell.text->size()));
        return;
    }
    const Value value = cell.general();
    if (value.isInteger() || value.isReal()) {
        out += 'n';
        appendNumber(out, value.isInteger() ? static_cast<double>(value.integer()) : value.real());
    } else if (value.isText()) {
        out += 't';
        appendUtf8(out, value.text());
    } else if (value.isBytes()) {
        out += 'b';
        out.append(value.bytes().constData(), static_cast<size_t>(value.bytes().size()));
    } else {
        out += '0';
    }
}

// The fields of a preset table that the marks read.
enum Field { MachineType, VarName, Offset, FirstCarried, Fields = FirstCarried + CarriedFields };

// The rows of a preset table, only the fields the marks read.
class PresetRows
{
public:
    // None when db lacks the table.
    PresetRows(PresetDb::Database &db, const QString &table);

    bool next() { return m_rows && m_rows->next(); }
    // The current row's field; Null where the table lacks it. A text is valid until the next row.
    Cell cell(int field) const;

private:
    std::optional<PresetDb::Statement> m_rows;
    std::array<int, Fields> m_columns{}; // the field's column in the rows; -1 where the table lacks it
};

PresetRows::PresetRows(PresetDb::Database &db, const QString &table)
{
    if (!db.hasTableNamedExactly(table)) {
        return;
    }
    const QList<PresetDb::FieldDef> fields = db.fields(table);
    QStringList names;
    for (const PresetDb::FieldDef &field : fields) {
        names.append(field.name.toCaseFolded());
    }
    const QStringList wanted =
        QStringList{QStringLiteral("machine_type"), QStringLiteral("var_name"), QStringLiteral("offset_or_bitno")} +
        PresetDb::TakeoverRecord::carriedFieldNames();
    QStringList selected;
    for (int f = 0; f < Fields; ++f) {
        const qsizetype at = names.indexOf(wanted[f].toCaseFolded());
        m_columns[static_cast<size_t>(f)] = at < 0 ? -1 : static_cast<int>(selected.size());
        if (at >= 0) {
            selected.append(PresetDb::quoteName(fields[at].name));
        }
    }
    // A table without any of the fields still has its rows counted.
    const QString columns = selected.isEmpty() ? QStringLiteral("NULL") : selected.join(QLatin1Char(','));
    m_rows.emplace(
        db.prepare(QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM ") + PresetDb::quoteName(table)));
}

Cell PresetRows::cell(int field) const
{
    const int column = m_columns[static_cast<size_t>(field)];
    if (column < 0) {
        return {};
    }
    std::variant<Value, QByteArrayView> value = m_rows->valueOrText(column);
    if (const auto *text = std::get_if<QByteArrayView>(&value)) {
        return {*text, Value()};
    }
    return {std::nullopt, std::get<Value>(std::move(value))};
}

// A row's key as the marks read it, in buffers kept from row to row.
struct RowKey
{
    std::string machine; // machine_type as a text key
    std::string name;    // var_name as a text key
    bool named = false;  // var_name has a text key: Null and bytes have none
    std::string offset;  // offset_or_bitno as a number key
    Mark mark;           // of the three, to be continued by each field and value

    void read(const Cell &machineType, const Cell &varName, const Cell &offsetOrBitNo)
    {
        machine.clear();
        name.clear();
        offset.clear();
        appendTextKey(machine, machineType);
        named = appendTextKey(name, varName);
        appendNumberKey(offset, offsetOrBitNo);
        mark = Mark();
        mark.add(machine);
        mark.add(name);
        mark.add(offset);
    }
    void read(const PresetRows &rows) { read(rows.cell(MachineType), rows.cell(VarName), rows.cell(Offset)); }

    const TemplateValues::Values *templateRow(const TemplateValues &templateValues) const
    {
        return named ? templateValues.rowFor(name, offset) : nullptr;
    }
};

quint64 markOf(Mark mark, int field, std::string_view value)
{
    const char number = static_cast<char>('0' + field);
    mark.add(std::string_view(&number, 1));
    mark.add(value);
    return mark.value();
}

bool differs(const TemplateValues::Values *given, int field, std::string_view value)
{
    return given == nullptr || (*given)[static_cast<size_t>(field)] != value;
}

// The compared form of a carried field's value; false for Null, which is no value.
bool comparedForm(const Cell &cell, std::string &value)
{
    value.clear();
    if (!cell.text && cell.value.isNull()) {
        return false;
    }
    appendCompared(value, cell);
    return true;
}

// The same for the current row's carried field.
bool readValue(const PresetRows &rows, int field, std::string &value)
{
    return comparedForm(rows.cell(FirstCarried + field), value);
}

void sortUnique(std::vector<quint64> &marks)
{
    std::sort(marks.begin(), marks.end());
    marks.erase(std::unique(marks.begin(), marks.end()), marks.end());
}

} // namespace

TemplateValues::TemplateValues(PresetDb::Database &db)
{
    PresetRows rows(db, PresetDb::Texts::SourcePresetTable);
    RowKey key;
    while (rows.next()) {
        key.read(Cell(), rows.cell(VarName), rows.cell(Offset));
        std::vector<Row> &ofName = m_rows[key.name];
        const auto sameOffset = [&](const Row &row) { return row.offset == key.offset; };
        if (std::any_of(ofName.begin(), ofName.end(), sameOffset)) {
            continue;
        }
        Row row{key.offset, {}};
        for (int f = 0; f < CarriedFields; ++f) {
            appendCompared(row.values[static_cast<size_t>(f)], rows.cell(FirstCarried + f));
        }
        ofName.push_back(std::move(row));
    }
}

const TemplateValues::Values *TemplateValues::rowFor(std::string_view name, std::string_view offset) const
{
    while (!m_rows.empty()) {
        const auto found = m_rows.find(name);
        if (found != m_rows.end()) {
            for (const Row &row : found->second) {
                if (row.offset == offset) {
                    return &row.values;
                }
            }
        }
        const size_t dot = name.find('.');
        if (dot == std::string_view::npos) {
            break;
        }
        name.remove_prefix(dot + 1);
    }
    return nullptr;
}

HeldValues heldValuesOf(PresetDb::Database &db, const TemplateValues &templateValues)
{
    HeldValues held;
    std::unordered_map<std::string, qsizetype, TextHash, std::equal_to<>> machineAt;
    PresetRows rows(db, PresetDb::Texts::PresetTable);
    RowKey key;
    std::string value;
    while (rows.next()) {
        ++held.rows;
        key.read(rows);
        if (const auto at = machineAt.find(key.machine); at != machineAt.end()) {
            ++held.machines[at->second].second;
        } else {
            machineAt.emplace(key.machine, held.machines.size());
            held.machines.append({PresetDb::toText(rows.cell(MachineType).general()).value_or(QString()), 1});
        }
        const TemplateValues::Values *given = key.templateRow(templateValues);
        for (int f = 0; f < CarriedFields; ++f) {
            if (readValue(rows, f, value) && differs(given, f, value)) {
                held.plant.push_back(markOf(key.mark, f, value));
            }
        }
    }
    sortUnique(held.plant);
    return held;
}

std::vector<quint64> valueMarksOf(PresetDb::Database &db)
{
    std::vector<quint64> marks;
    PresetRows rows(db, PresetDb::Texts::PresetTable);
    RowKey key;
    std::string value;
    while (rows.next()) {
        key.read(rows);
        for (int f = 0; f < CarriedFields; ++f) {
            if (readValue(rows, f, value)) {
                marks.push_back(markOf(key.mark, f, value));
            }
        }
    }
    sortUnique(marks);
    return marks;
}

bool holdsPlantValue(const DroppedRow &dropped, const TemplateValues &templateValues)
{
    RowKey key;
    key.read(Cell(), {std::nullopt, dropped.varName}, {std::nullopt, dropped.offsetOrBitNo});
    const TemplateValues::Values *given = key.templateRow(templateValues);
    std::string value;
    for (int f = 0; f < CarriedFields && f < dropped.values.size(); ++f) {
        if (comparedForm({std::nullopt, dropped.values[f]}, value) && differs(given, f, value)) {
            return true;
        }
    }
    return false;
}

QList<DroppedRow> overwrittenRows(PresetDb::Database &replaced, PresetDb::Database &replacement,
                                  const TemplateValues &templateValues)
{
    const std::vector<quint64> kept = valueMarksOf(replacement);
    QList<DroppedRow> overwritten;
    PresetRows rows(replaced, PresetDb::Texts::PresetTable);
    RowKey key;
    std::string value;
    while (rows.next()) {
        key.read(rows);
        const TemplateValues::Values *given = key.templateRow(templateValues);
        for (int f = 0; f < CarriedFields; ++f) {
            if (readValue(rows, f, value) && differs(given, f, value) &&
                !std::binary_search(kept.begin(), kept.end(), markOf(key.mark, f, value))) {
                QList<Value> values;
                for (int c = 0; c < CarriedFields; ++c) {
                    values.append(rows.cell(FirstCarried + c).general());
                }
                overwritten.append({rows.cell(MachineType).general(), rows.cell(VarName).general(),
                                    rows.cell(Offset).general(), values});
                break;
            }
        }
    }
    return overwritten;
}

} // namespace Kadex::History
