#pragma once

namespace Kadex::Diag {

class ErrorReport;

// The run's outcome as its exit status tells it: 0 while nothing was reported, 1 once anything was. One per run: the
// UI port, which ends the process, holds it; only the error report marks it, once for each of its reports.
class RunStatus
{
public:
    // Whether anything marked the run as failed.
    bool failed() const { return m_failed; }
    // 1 when the run was marked as failed, else 0.
    int exitStatus() const { return m_failed ? 1 : 0; }

private:
    friend class ErrorReport;
    void markFailed() { m_failed = true; }

    bool m_failed = false;
};

} // namespace Kadex::Diag
