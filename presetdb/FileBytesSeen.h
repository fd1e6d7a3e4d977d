#pragma once

#include "platform/FileSeen.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace Kadex::PresetDb {

// The files an update's decisions come from (the machine list and settings), as the run's readings of them saw
// them. Checked right before the update writes: a file another program rewrote meanwhile, perhaps half-written
// when it was read, is read again rather than trusted.
class FileBytesSeen
{
public:
    // Notes the file at path as the run's first reading of it saw it, or as it is now when the run has not read it
    // yet (a missing file as missing); an empty path is left out.
    void note(const QString &path);
    // The files that are not as they were noted (Platform::FileSeen), or that the run read in more than one state.
    QStringList changed() const;
    // Notes every file again as it is now; readings made before no longer count.
    void renote();

private:
    QList<Platform::FileSeen> m_files;
};

} // namespace Kadex::PresetDb
