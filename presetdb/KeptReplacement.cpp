#include "presetdb/KeptReplacement.h"

#include "presetdb/ReplacementWitness.h"

namespace Kadex::PresetDb {

bool replaceKeepingCopy(ReplacementWitness &witness, const QString &path, const QByteArray &content,
                        Database &replacement, const std::function<void()> &write)
{
    const Keeping keeping = witness.keepBeforeReplacing(path, content, replacement);
    if (keeping == Keeping::Refused) {
        return false;
    }
    try {
        write();
    } catch (...) {
        if (keeping == Keeping::Kept) {
            witness.giveUpKept();
        }
        throw;
    }
    return true;
}

} // namespace Kadex::PresetDb
