#pragma once

#include <QString>
#include <QTextStream>

namespace Kadex::Config {
struct Services;
}

namespace Kadex::History {

// Puts a kept module database back (the newest when name is empty) with the settings it was made from, written
// into every program INI its update read from or wrote to. With machine (a number or a name), only that
// machine's rows and settings come back and the other machines stay as they are. The database replaced is kept
// first, with a report of its own, so that the restore can be undone the same way; the kept content is written
// into the module database in place, in one transaction under its write lock, as the update writes it.
//
// Before changing anything it checks the report against its copy and the report's machines against the plant's,
// by number and name: a machine the plant no longer has under that number and name is refused, changing
// nothing. It says which restored rows the next update would drop, and what to change to keep them. A copy
// without a report gets its database back alone, the settings left as they are. Prints what it did on out and
// why it refused on err; returns the exit code (0 done, 1 refused or failed).
int restoreKeptUpdate(Config::Services &services, const QString &name, QTextStream &out, QTextStream &err,
                      const QString &machine = {});

// What --show tells of a kept database without a report: that a restore puts it back alone, and the rows of each
// machine it holds. The exit code.
int showCopyWithoutReport(const QString &copyPath, QTextStream &out, QTextStream &err);

} // namespace Kadex::History
