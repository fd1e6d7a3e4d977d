#include "config/PlantLock.h"

#include "diag/ErrorReport.h"

namespace Kadex::Config {

QString plantLockPath(const QString &programDir, const QString &exeFileName)
{
    return programDir + QStringLiteral("/.") + exeFileName + QStringLiteral(".lock");
}

std::optional<Platform::FileLock> holdPlant(const QString &lockPath, Diag::ErrorReport &report,
                                            std::chrono::milliseconds wait)
{
    Platform::FileLock lock = Platform::FileLock::acquire(lockPath, wait);
    if (lock.held() || !lock.fileOpened()) {
        return lock;
    }
    report.ReportFault(QStringLiteral("Another configuration run of this plant is active; nothing was changed. "
                                      "Try again when it has ended."));
    return std::nullopt;
}

} // namespace Kadex::Config
