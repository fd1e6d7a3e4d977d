#include "diag/Failure.h"

namespace Kadex::Diag {

namespace {

QString withDetail(const char *text, const QString &detail)
{
    const QString base = QString::fromLatin1(text);
    return detail.isEmpty() ? base : base + QStringLiteral(" (") + detail + QLatin1Char(')');
}

} // namespace

Failure Failure::invalidArgument(const QString &detail)
{
    return {ErrorNumbers::InvalidProcedureCall, ErrorNumbers::SourceProgram,
            withDetail("Invalid procedure call or argument", detail)};
}

Failure Failure::overflow(const QString &detail)
{
    return {ErrorNumbers::Overflow, ErrorNumbers::SourceProgram, withDetail("Overflow", detail)};
}

Failure Failure::subscriptOutOfRange(const QString &detail)
{
    return {ErrorNumbers::SubscriptOutOfRange, ErrorNumbers::SourceProgram,
            withDetail("Subscript out of range", detail)};
}

Failure Failure::fileNotFound(const QString &path)
{
    return {ErrorNumbers::FileNotFound, ErrorNumbers::SourceProgram, withDetail("File not found", path)};
}

Failure Failure::pathFileAccess(const QString &path, const QString &reason)
{
    const QString text = withDetail("Path/File access error", path);
    return {ErrorNumbers::PathFileAccessError, ErrorNumbers::SourceProgram,
            reason.isEmpty() ? text : text + QStringLiteral(": ") + reason};
}

} // namespace Kadex::Diag
