#pragma once

#include <QString>

// Fixed pieces of the program's messages.
namespace Kadex::Diag::Messages {

// A line break inside a message box text or a service-pack line: line feed, then carriage return.
inline const QString LineBreak = QStringLiteral("\n\r");
// A line break inside the info display and the missing-copy notice.
inline const QString CrLf = QStringLiteral("\r\n");

} // namespace Kadex::Diag::Messages
