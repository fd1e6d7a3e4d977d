#pragma once

namespace Kadex::Diag::RunStatus {

// The run's outcome as its exit status tells it: 0 while nothing was reported, 1 once anything was. Every report
// of the error report marks the run; a part that records a failure without a report (a count in a printed summary,
// a line only in a log) marks it itself.
void markFailed();

// Whether anything marked the run as failed.
bool failed();

// 1 when the run was marked as failed, else 0.
int exitStatus();

} // namespace Kadex::Diag::RunStatus
