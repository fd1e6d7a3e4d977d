#pragma once

#include "presetdb/TakeoverRecord.h"

#include <QList>
#include <QString>

#include <array>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace Kadex::PresetDb {
class Database;
}

namespace Kadex::History {

// A plant value is a value of a carried field (abs_min, abs_max, min, max, pass) of a PRESET_DEFS row that differs
// from the template's value for that row: a value set on the plant. Each is known by a mark, a 64-bit fingerprint of
// the row's key (machine_type and var_name without regard to letter case, offset_or_bitno as a number), the field
// and the value (numbers compared as numbers), the same in every run.

// The number of carried fields.
inline constexpr int CarriedFields = 5;

// A text hash that finds std::string keys by a std::string_view, without making a string of it.
struct TextHash
{
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

// The template's values of the carried fields by row, from the Source_PRESET_DEFS a database holds (the module
// database is made from the template's database and holds the template it was made from).
class TemplateValues
{
public:
    // A template row's carried values in the form in which they are compared.
    using Values = std::array<std::string, CarriedFields>;

    TemplateValues() = default;
    // Empty when db has no template table.
    explicit TemplateValues(PresetDb::Database &db);

    // The template row of a PRESET_DEFS row, given by its var_name and offset_or_bitno as keys (UTF-8): the one with
    // the same offset_or_bitno whose var_name is the row's or the part of it after one of its dots, as the names
    // built for a machine end in the template's name. Nothing when none is: then every value of the row counts as
    // the plant's.
    const Values *rowFor(std::string_view name, std::string_view offset) const;

private:
    struct Row
    {
        std::string offset;
        Values values;
    };
    // By var_name; the rows of one name by offset_or_bitno, the first of each kept.
    std::unordered_map<std::string, std::vector<Row>, TextHash, std::equal_to<>> m_rows;
};

// What the PRESET_DEFS of a database holds: its machines (machine_type as first met) with their rows, its rows, and
// the marks of its plant values, sorted and without repeats.
struct HeldValues
{
    QList<std::pair<QString, int>> machines;
    int rows = 0;
    std::vector<quint64> plant;
};
HeldValues heldValuesOf(PresetDb::Database &db, const TemplateValues &templateValues);

// The marks of all values the PRESET_DEFS of a database holds, plant values or not, sorted and without repeats.
std::vector<quint64> valueMarksOf(PresetDb::Database &db);

// Whether a row the take-over dropped holds a plant value.
bool holdsPlantValue(const PresetDb::DroppedRow &row, const TemplateValues &templateValues);

// The rows of replaced with a plant value that replacement does not hold (the same row with the same value): what
// replacing replaced by replacement overwrites, as a restore's report lists it.
QList<PresetDb::DroppedRow> overwrittenRows(PresetDb::Database &replaced, PresetDb::Database &replacement,
                                            const TemplateValues &templateValues);

} // namespace Kadex::History
