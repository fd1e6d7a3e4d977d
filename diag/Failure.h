#pragma once

#include "diag/ErrorNumbers.h"

#include <QString>

namespace Kadex::Diag {

// A failing step: the number, source and description that the error report shows and logs.
// Thrown by the step, caught only by an error guard.
struct Failure
{
    qint32 number = 0;
    QString source;
    QString description;

    static Failure invalidArgument(const QString &detail = {});
    static Failure overflow(const QString &detail = {});
    static Failure subscriptOutOfRange(const QString &detail = {});
    static Failure fileNotFound(const QString &path);
    // The path, and why it could not be used when that is known.
    static Failure pathFileAccess(const QString &path, const QString &reason = {});
};

// Thrown by the UI port when the program ends (UiPort::endProgram): the program unwinds to the handler the
// window system called, and only there the process ends. Deliberately not derived from std::exception: no guard
// ever catches it.
struct ProgramEnded
{
};

} // namespace Kadex::Diag
