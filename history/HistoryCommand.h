#pragma once

#include "platform/ProcessFacts.h"

#include <QStringList>

#include <optional>

namespace Kadex::History {

// Runs --restore [NAME] or --list when arguments (the program's arguments, without its own path) ask for one:
// without a display and without the window, on the plant found from the program's own location. Returns the
// exit code then, nothing when the arguments ask for neither.
std::optional<int> runHistoryCommand(const Platform::ProcessFacts &facts, const QStringList &arguments);

} // namespace Kadex::History
