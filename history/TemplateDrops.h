#pragma once

#include <QString>
#include <QStringList>

namespace Kadex::PresetDb {
class Database;
}

namespace Kadex::History {

// What the next update would drop of a restored database because the template changed since it was kept: the rows
// made from template rows (Source_PRESET_DEFS, by ID) that the plant's template at templatePath no longer has. One
// warning naming them and what to do, or none; a template that cannot be read is said so instead.
QStringList templateDrops(const QString &templatePath, PresetDb::Database &kept);

} // namespace Kadex::History
