#pragma once

#include <QString>

namespace Kadex::History {

// Removes what the history no longer needs, oldest first: every kept database beyond the newest Kept (with its
// report), and every report beyond them whose database is gone. Never removed: a pinned copy, the newest copy whose
// update dropped plant values (one bad update is not pushed out by routine runs after it; a newer one that drops
// values takes its place), and spare (the copy a restore just put back).
void prune(const QString &folder, const QString &dbFileName, const QString &spare = QString());

} // namespace Kadex::History
