#pragma once

#include <QString>
#include <QTextStream>

namespace Kadex::Config {
struct Services;
}

namespace Kadex::History {

// Puts a kept module database back (the newest when name is empty) and writes the settings its report recorded
// as "before" back into the program INI the update wrote them to. The database replaced is kept first, with a
// report of its own, so that the restore can be undone the same way. The kept content is written into the module
// database in place, in one transaction under its write lock, as the update writes it. Refuses, changing nothing,
// when the name is unknown, its report is missing or unreadable, or another program holds the lock too long. Prints
// what it did on out and why it refused on err; returns the exit code (0 done, 1 refused or failed).
int restoreKeptUpdate(Config::Services &services, const QString &name, QTextStream &out, QTextStream &err);

} // namespace Kadex::History
