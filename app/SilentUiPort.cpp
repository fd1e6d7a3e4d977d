#include "app/SilentUiPort.h"

#include "app/QtUiPort.h"
#include "diag/LogFile.h"
#include "diag/RunStatus.h"

#include <QCoreApplication>

namespace Kadex::App {

SilentUiPort::SilentUiPort(QString exeName, QString servicePackLogPath, QString servicePackFallbackPath)
    : m_exeName(std::move(exeName)), m_servicePackLogPath(std::move(servicePackLogPath)),
      m_servicePackFallbackPath(std::move(servicePackFallbackPath))
{
}

Diag::Answer SilentUiPort::doShowMessage(const Diag::MessageBox &box)
{
    // A box in a silent run is a fault line in the log: the run is reported as failed.
    Diag::RunStatus::markFailed();
    Diag::writeServicePackLine(m_servicePackLogPath, m_servicePackFallbackPath, m_exeName, box.text);
    return box.defaultButton;
}

void SilentUiPort::doPumpEvents()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void SilentUiPort::endProcess()
{
    endProcessNow(Diag::RunStatus::exitStatus());
}

} // namespace Kadex::App
