#pragma once

#include "config/CommandLine.h"
#include "platform/ProcessFacts.h"

#include <optional>

namespace Kadex::History {

// Runs --restore [NAME] or --list when the command line asks for one: without a display and without the window,
// on the plant found from the program's own location. Returns the exit code then, nothing when the command line
// asks for neither.
std::optional<int> runHistoryCommand(const Platform::ProcessFacts &facts, const Config::CommandLine &command);

} // namespace Kadex::History
