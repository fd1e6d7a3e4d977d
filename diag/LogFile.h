#pragma once

#include <QString>

namespace Kadex::Diag {

// Appends text and CR LF to the file at path (created when absent), in Windows-1252, and closes it again.
// The path is found without regard to letter case. Returns false, without waiting, when the line is not in the file:
// the file cannot be opened or written (a full disk), or it is no regular file (a FIFO, a device, a directory).
bool appendLogLine(const QString &path, const QString &text);

// The service-pack log: the file named by KADEX_SERVICEPACK_LOG when set and not empty, otherwise
// /var/log/BrolmServicePack.log.
QString servicePackLogPath();

// Where a service-pack line goes when the default log cannot be appended to (an ordinary user may not write
// /var/log): plantLogPath, the plant's own service-pack log. Empty when KADEX_SERVICEPACK_LOG names the log.
QString servicePackFallbackPath(const QString &plantLogPath);

// The last resort for a line that no log took: writes it to standard error (line breaks of the program's messages
// as plain line breaks), so that a run that can write nothing still leaves its trace.
void writeToStandardError(const QString &text);

// Writes "! Fault " + exeName + ": " + text as one line to the service-pack log at path, or, when that file
// cannot be appended to, to fallbackPath (unless it is empty). When neither takes it, the line goes to standard
// error and the result is false.
bool writeServicePackLine(const QString &path, const QString &fallbackPath, const QString &exeName,
                          const QString &text);

} // namespace Kadex::Diag
