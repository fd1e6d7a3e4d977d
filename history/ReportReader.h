#pragma once

#include "history/UpdateReport.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace Kadex::History {

// What reading a report gave: the report, or why it is none, naming the line ("line 14: ...").
struct ReportReading
{
    std::optional<UpdateReport> report;
    QString problem;
};

// Reads a report's bytes (Windows-1252, lines ending in CR LF or LF) as untrusted data. Refused: a line holding a
// NUL byte or a lone carriage return (no setting can hold one); a header given twice or unreadable; a machine
// beyond the fifth or named twice; its settings missing, out of order or beyond 16 bits; a dropped count that
// differs from the rows listed. With copyName, the name of the kept database the report sits beside, also the
// "Kept database" line naming another copy and a date other than the copy name's time stamp.
ReportReading readReport(const QByteArray &bytes, const QString &copyName = {});

// Reads the report file at path the same way; a file that cannot be read gives the system's reason.
ReportReading readReportFile(const QString &path, const QString &copyName = {});

} // namespace Kadex::History
