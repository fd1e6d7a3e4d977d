#pragma once

#include "history/HistoryPlace.h"

#include <QString>
#include <QTextStream>

namespace Kadex::Config {
struct Services;
}

namespace Kadex::History {

// A pinned kept database is never pruned. The pin is an empty marker file beside it (pinPath): made or removed in
// one step, so a kill leaves a copy pinned or not, never half.
bool isPinned(const QString &keptPath);

// --pin NAME (pin true) and --unpin NAME: pins or releases the kept database name stands for. Prints what it did on
// out and why it refused on err; returns the exit code (0 done, 1 unknown name or a marker that cannot be changed).
int pinKeptUpdate(Config::Services &services, const QString &name, bool pin, QTextStream &out, QTextStream &err);

} // namespace Kadex::History
