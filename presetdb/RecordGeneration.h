#pragma once

#include <QHash>

#include <QtGlobal>

namespace Kadex::Config {
struct Services;
}

namespace Kadex::PresetDb {

class Database;
class ModuleDbCopy;
class VarNameTemplates;

// Fills the empty PRESET_DEFS of the working database from Source_PRESET_DEFS: every template row once per
// selected machine, in machine order and template ID order, numbered 1, 2, 3 ... across machines. Texts get the
// machine's name for their first "###machine"; var_name gets the name built from the template of its part for
// the system systemIndex, and the old rows of the module database's private copy oldDb are renamed to match
// (VarNameInQuelleErsetzen). Failures are reported under "CreateRecordSets". Gives the rows written per machine
// number (two machines may carry the same name); none when they were not saved.
QHash<int, int> CreateRecordSets(Database &working, Config::Services &services, const VarNameTemplates &templates,
                                 qint16 systemIndex, ModuleDbCopy &oldDb);

} // namespace Kadex::PresetDb
