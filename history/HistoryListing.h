#pragma once

#include <QString>
#include <QTextStream>

namespace Kadex::Config {
struct Services;
}

namespace Kadex::History {

// --list: what the history holds, newest first: name, run mode, state (the copy the newest restore put back, pinned
// copies, reports whose database is gone), rows with values dropped, the machines after the run; and under each
// copy when it was kept, the machines and rows it holds, its plant values and what its run changed. Reads the
// summaries kept beside the copies (a copy without one: its report), never a database.
int listKeptUpdates(Config::Services &services, QTextStream &out);

// --show NAME: prints the report of one kept update (or of a report whose database is gone) as it is written. 0
// when printed, 1 for an unknown name or a report that cannot be read.
int showKeptReport(Config::Services &services, const QString &name, QTextStream &out, QTextStream &err);

} // namespace Kadex::History
