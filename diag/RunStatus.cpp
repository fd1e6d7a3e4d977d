#include "diag/RunStatus.h"

#include <atomic>

namespace Kadex::Diag::RunStatus {

namespace {

std::atomic<bool> &marked()
{
    static std::atomic<bool> flag{false};
    return flag;
}

} // namespace

void markFailed()
{
    marked() = true;
}

bool failed()
{
    return marked();
}

int exitStatus()
{
    return failed() ? 1 : 0;
}

} // namespace Kadex::Diag::RunStatus
