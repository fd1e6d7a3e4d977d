#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

namespace Kadex::PresetDb {

class Database;
class TakeoverRecord;

// Whoever keeps a record of the module databases an update replaces (the update history) hears from the update
// through this: right before the module database is replaced, when that replacement failed, once the regenerated
// database replaced it, and what the take-over carried and dropped.
// What the witness did before a replacement: kept a copy, kept nothing (nothing to keep, or a copy that could not
// be kept of a database whose replacement loses nothing), or refused: the copy cannot be kept and the replacement
// would lose what only the copy could hold. A refused replacement is not made; the witness said why.
enum class Keeping { Kept, NothingKept, Refused };

class ReplacementWitness
{
public:
    virtual ~ReplacementWitness() = default;

    // Right before the module database is replaced; the update never changes the file before that. content is
    // the file's database as it is now, read by the update (which holds its lock, so the file must not be opened
    // again); a missing file is not replaced but made. replacement is the database about to take its place.
    virtual Keeping keepBeforeReplacing(const QString &moduleDbPath, const QByteArray &content,
                                        Database &replacement) = 0;
    // The replacement that keepBeforeReplacing preceded failed; the module database is as it was.
    virtual void giveUpKept() = 0;
    // The regenerated database replaced the module database; rows generated per machine number.
    virtual void noteRegenerated(const QHash<int, int> &generated) = 0;
    // Where the take-over notes what it carried and dropped.
    virtual TakeoverRecord &takeover() = 0;
};

} // namespace Kadex::PresetDb
