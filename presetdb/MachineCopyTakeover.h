#pragma once

namespace Kadex::Config {
struct Services;
}

namespace Kadex::PresetDb {

class Database;
struct AddFields;
class TakeoverRecord;

// Carries abs_min, abs_max, min, max and pass of every row of the old PRESET_DEFS (in the module database
// oldDb) into the first row of the working database's PRESET_DEFS with the same machine_type, var_name (both
// compared without regard to letter case) and offset_or_bitno (compared as a number); Null never matches, and
// of several old rows with one key the last wins. Asks before dropping the data of an old table with more than
// 15 fields when no additional fields are known, and ends the program when a configured additional field is
// missing from the working table. Failures are reported under "TakeoverMachineCopyMDBData".
// A record, when given, learns which old rows were carried and which rows with values found no new row. The
// question (or the silent run's warning) comes once in an update: fieldCountAsked, when given, remembers it.
// False when the old table could not be read in full: no row of it is carried then.
bool TakeoverMachineCopyMDBData(Database &working, Database &oldDb, Config::Services &services,
                                const AddFields &addFields, TakeoverRecord *record = nullptr,
                                bool *fieldCountAsked = nullptr);

} // namespace Kadex::PresetDb
