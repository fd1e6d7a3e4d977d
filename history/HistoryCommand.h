#pragma once

#include "config/CommandLine.h"
#include "platform/ProcessFacts.h"

#include <optional>

namespace Kadex::History {

// Runs the history command the command line gives (--list, --show, --restore, --pin, --unpin): without a display
// and without the window, on the plant found from the program's own location. A malformed one is refused with the
// usage line and exit code 2. Returns the exit code then, nothing when the command line gives none.
std::optional<int> runHistoryCommand(const Platform::ProcessFacts &facts, const Config::CommandLine &command);

} // namespace Kadex::History
