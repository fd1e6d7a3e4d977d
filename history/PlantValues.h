#pragma once

#include "presetdb/TakeoverRecord.h"

#include <QHash>
#include <QList>
#include <QString>

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

// The template's values of the carried fields by row, from the Source_PRESET_DEFS a database holds (the module
// database is made from the template's database and holds the template it was made from).
class TemplateValues
{
public:
    TemplateValues() = default;
    // Empty when db has no template table.
    explicit TemplateValues(PresetDb::Database &db);

    // The template row of a PRESET_DEFS row: the one with the same offset_or_bitno whose var_name is the row's or
    // the part of it after one of its dots, as the names built for a machine end in the template's name. Nothing
    // when none is: then every value of the row counts as the plant's.
    const QList<PresetDb::Value> *rowFor(const PresetDb::Value &varName, const PresetDb::Value &offset) const;

private:
    QHash<QString, QList<PresetDb::Value>> m_rows;
};

// What the PRESET_DEFS of a database holds: its machines (machine_type as first met) with their rows, its rows,
// the marks of its plant values and of all its values, each sorted and without repeats.
struct HeldValues
{
    QList<std::pair<QString, int>> machines;
    int rows = 0;
    std::vector<quint64> plant;
    std::vector<quint64> all;
};
HeldValues heldValuesOf(PresetDb::Database &db, const TemplateValues &templateValues);

// Whether a row the take-over dropped holds a plant value.
bool holdsPlantValue(const PresetDb::DroppedRow &row, const TemplateValues &templateValues);

// The rows of replaced with a plant value that replacement does not hold (the same row with the same value): what
// replacing replaced by replacement overwrites, as a restore's report lists it.
QList<PresetDb::DroppedRow> overwrittenRows(PresetDb::Database &replaced, PresetDb::Database &replacement,
                                            const TemplateValues &templateValues);

} // namespace Kadex::History
