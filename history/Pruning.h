#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

namespace Kadex::History {

// The bytes the kept databases may take together before pruning removes copies among the newest ten too.
inline constexpr qint64 SizeBound = 200LL * 1024 * 1024;

// Removes what the history no longer needs, oldest first: every kept database beyond the newest Kept (with its
// report and summary), and every report beyond them whose database is gone; while the kept databases take more
// than bound bytes, the oldest copies among the newest too (never the newest). Never removed: a pinned copy, a
// protected copy, and spare (the copy a restore just put back). A copy is protected while it holds a plant value
// (see PlantValues) that neither the module database (liveValues, the marks of all its values) nor a newer kept
// copy holds, so every value tuned on the plant stays reachable. Gives a line for the run's output when the copies
// that must stay take more than bound, else an empty text.
QString prune(const QString &folder, const QString &dbFileName, const std::vector<quint64> &liveValues,
              const QString &spare = QString(), qint64 bound = SizeBound);
// Whether prune, once a copy of addedBytes more is kept, judges the copies by the plant values they hold: only
// then does it read liveValues.
bool pruneJudges(const QString &folder, const QString &dbFileName, qint64 addedBytes, qint64 bound = SizeBound);
// The line prune gives when the kept databases take more than bound bytes, found from their sizes alone: pruning
// left only copies that must stay. Empty when they take less.
QString boundWarning(const QString &folder, const QString &dbFileName, qint64 bound = SizeBound);
// The same with the values of the module database beside the folder, read from its file.
QString prune(const QString &folder, const QString &dbFileName, const QString &spare = QString());

} // namespace Kadex::History
