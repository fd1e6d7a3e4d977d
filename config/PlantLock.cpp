#include "config/PlantLock.h"

#include "diag/ErrorReport.h"
#include "diag/ScreenTexts.h"

namespace Kadex::Config {

std::optional<Platform::FileLock> holdPlant(const QString &lockPath, Diag::ErrorReport &report,
                                            std::chrono::milliseconds wait)
{
    Platform::FileLock lock = Platform::FileLock::acquire(lockPath, wait);
    if (lock.held()) {
        return lock;
    }
    if (!lock.fileOpened()) {
        // Running unlocked could let two runs write the plant at once: this run stops instead.
        report.ReportFault(QStringLiteral("Cannot open the plant lock ") + lockPath + QStringLiteral(": ") +
                           lock.openError() +
                           QStringLiteral(". Nothing was changed. Let every user who runs this program read that "
                                          "file (chmod a+r), or write its folder when the file is missing, and start "
                                          "the run again."));
        return std::nullopt;
    }
    report.ReportFault(Diag::ScreenText::AnotherRunActive);
    return std::nullopt;
}

} // namespace Kadex::Config
