#pragma once

#include "config/CommandLine.h"
#include "platform/ProcessFacts.h"

#include <QString>

#include <cstdio>
#include <optional>

namespace Kadex::Config {

// The answers to the informational switches (--help, -h, /?, --version). They are given before Qt starts, so no
// display is needed, and they touch no file.

// The usage: run modes, switches, the plant's files and the environment variables the program reads.
QString usageText(const QString &exeFileName);
// The one line that says how the history commands are written, for a malformed one.
QString historyUsageLine(const QString &exeFileName);
// "<program> <major>.<minor>.<revision>"
QString versionText(const QString &exeFileName, const Platform::Version &version);

// Prints the usage or the version to out and gives the exit status 0; nothing when no informational switch was
// given, and the run goes on.
std::optional<int> answerInfoRequest(InfoRequest request, const Platform::ProcessFacts &facts, std::FILE *out);

} // namespace Kadex::Config
