#pragma once

#include "platform/ProcessFacts.h"

#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace Kadex::Config {

// The informational switches people type first: --help (or -h) and --version. They are answered before Qt
// starts, so no display is needed, and they touch no file. Every other argument keeps the classic grammar.
enum class InfoRequest { None, Help, Version };

// Which informational switch the arguments (without the program's own path) hold, if any.
InfoRequest infoRequestOf(const QStringList &arguments);

// The usage: run modes, switches, the plant's files and the environment variables the program reads.
QString usageText(const QString &exeFileName);
// "<program> <major>.<minor>.<revision>"
QString versionText(const QString &exeFileName, const Platform::Version &version);

// Prints the usage or the version to out and gives the exit status 0; nothing when no informational switch was
// given, and the run goes on.
std::optional<int> answerInfoRequest(const QStringList &arguments, const Platform::ProcessFacts &facts, std::FILE *out);

} // namespace Kadex::Config
