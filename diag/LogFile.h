#pragma once

#include <QString>

namespace Kadex::Diag {

// Appends text and CR LF to the file at path (created when absent), in Windows-1252, and closes it again.
// The path is found without regard to letter case. Returns false when the file cannot be written.
bool appendLogLine(const QString &path, const QString &text);

// The service-pack log: the file named by KADEX_SERVICEPACK_LOG when set and not empty, otherwise
// /var/log/BrolmServicePack.log.
QString servicePackLogPath();

// Writes "! Fault " + exeName + ": " + text as one line to the service-pack log at path.
bool writeServicePackLine(const QString &path, const QString &exeName, const QString &text);

} // namespace Kadex::Diag
