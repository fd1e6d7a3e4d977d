#include "config/PlantLock.h"

#include "diag/ErrorReport.h"
#include "diag/ScreenTexts.h"

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
    report.ReportFault(Diag::ScreenText::AnotherRunActive);
    return std::nullopt;
}

} // namespace Kadex::Config
