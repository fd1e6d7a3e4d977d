#include "history/KeptPins.h"

#include "history/HistoryPlace.h"

#include <QFile>
#include <QFileInfo>

namespace Kadex::History {

bool isPinned(const QString &keptPath)
{
    return QFileInfo::exists(pinPath(keptPath));
}

int pinKeptUpdate(Config::Services &services, const QString &name, bool pin, QTextStream &out, QTextStream &err)
{
    const HistoryPlace place = historyPlaceOf(services);
    const QString chosen = place.keptNameFor(name);
    if (chosen.isEmpty()) {
        err << "Unknown kept update \"" << name << "\"; nothing " << (pin ? "pinned" : "unpinned")
            << ". Kept updates (see --list): " << place.kept.join(QStringLiteral(", ")) << "\n";
        return 1;
    }
    const QString marker = pinPath(place.pathOf(chosen));
    if (pin) {
        QFile file(marker);
        if (!file.open(QIODevice::WriteOnly)) {
            err << "Cannot write " << marker << " (" << file.errorString() << "); " << chosen << " is not pinned.\n";
            return 1;
        }
        out << "Pinned " << chosen << ": it is kept until --unpin releases it.\n";
        return 0;
    }
    if (QFileInfo::exists(marker) && !QFile::remove(marker)) {
        err << "Cannot remove " << marker << "; " << chosen << " stays pinned.\n";
        return 1;
    }
    out << "Unpinned " << chosen << ": it is pruned with the others again.\n";
    return 0;
}

} // namespace Kadex::History
