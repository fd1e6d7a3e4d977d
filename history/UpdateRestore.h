#pragma once

#include <QString>
#include <QTextStream>

namespace Kadex::Config {
struct Services;
}

namespace Kadex::History {

// Puts a kept module database back (the newest when name is empty) and writes the settings its report recorded
// as "before" back into the program INI the update wrote them to. The database replaced is kept first, with a
// report of its own, so that the restore can be undone the same way. Refuses, changing nothing, when the name is
// unknown or its report is missing or unreadable. Prints what it did on out and why it refused on err; returns
// the exit code (0 done, 1 refused or failed).
int restoreKeptUpdate(Config::Services &services, const QString &name, QTextStream &out, QTextStream &err);

} // namespace Kadex::History
