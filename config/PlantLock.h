#pragma once

#include "config/PlantPaths.h" // plantLockPath, the lock file's path
#include "platform/FileLock.h"

#include <QString>

#include <chrono>
#include <optional>

namespace Kadex::Diag {
class ErrorReport;
}

namespace Kadex::Config {

// How long a run waits for another configuration run of the same plant: an unattended run long enough for the
// other to finish, so that two started together both succeed one after the other; an operator only briefly.
constexpr std::chrono::seconds UnattendedPlantWait{30};
constexpr std::chrono::seconds InteractivePlantWait{3};

// Holds the plant for one run (a window run, a silent run, a restore) from its start to its end: a second run of
// the same plant waits for it. When the wait runs out, the run is told that another configuration run of this plant
// is active (a box, or a line in a silent run's log) and nothing is returned: the caller ends without touching the
// plant. A lock file that can be neither created nor opened is reported the same way (the file, the reason, what to
// do), and nothing is returned either: no run goes on unlocked.
std::optional<Platform::FileLock> holdPlant(const QString &lockPath, Diag::ErrorReport &report,
                                            std::chrono::milliseconds wait);

} // namespace Kadex::Config
