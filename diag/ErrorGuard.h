#pragma once

#include "diag/ErrorReport.h"
#include "diag/Failure.h"

#include <QString>

#include <exception>
#include <new>
#include <utility>

namespace Kadex::Diag {

// The error guard of one procedure. Each step runs as a lambda; a step that throws a Failure is reported under
// the procedure's name, and the procedure goes on with its next step unless the operator chose to end:
//
//     ErrorGuard guard(report, QStringLiteral("WriteInputs"));
//     guard.step([&] { ... });
//     const int nr = guard.value([&] { return ini.LoadIniInteger(...); }, 0);
//
// Only guards catch failures. A step of an ignoring guard is skipped without a report; a fatal guard reports
// with the "Fatal error" box, which ends the program outside a silent run.
class ErrorGuard
{
public:
    enum class Kind { Standard, Fatal, Ignoring };

    ErrorGuard(ErrorReport &report, QString procedure, Kind kind = Kind::Standard)
        : m_report(report), m_procedure(std::move(procedure)), m_kind(kind)
    {
    }

    // Runs one step; returns true when it went through, false when it failed and the run goes on.
    template <typename Step> bool step(Step &&run)
    {
        try {
            std::forward<Step>(run)();
            return true;
        } catch (const Failure &failure) {
            handle(failure);
        } catch (const std::bad_alloc &) {
            handle({ErrorNumbers::OutOfMemory, ErrorNumbers::SourceProgram, QStringLiteral("Out of memory")});
        } catch (const std::exception &error) {
            handle({ErrorNumbers::InternalError, ErrorNumbers::SourceProgram, QString::fromLocal8Bit(error.what())});
        }
        return false;
    }

    // Runs one step that produces a value; a failed step gives fallback.
    template <typename T, typename Step> T value(Step &&run, T fallback)
    {
        T result = std::move(fallback);
        step([&] { result = std::forward<Step>(run)(); });
        return result;
    }

    // The name reports carry from now on (a procedure may set it after its first steps).
    void setProcedure(const QString &procedure) { m_procedure = procedure; }
    const QString &procedure() const { return m_procedure; }
    ErrorReport &report() { return m_report; }

private:
    void handle(const Failure &failure)
    {
        if (m_kind == Kind::Ignoring) {
            return;
        }
        const int result = m_report.ReportError(failure.number, failure.source, failure.description, m_procedure,
                                                m_kind == Kind::Fatal);
        if (result == ErrorReport::EndTheProgram) {
            m_report.EndProgram();
        }
    }

    ErrorReport &m_report;
    QString m_procedure;
    Kind m_kind;
};

} // namespace Kadex::Diag
