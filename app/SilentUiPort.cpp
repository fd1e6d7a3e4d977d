#include "app/SilentUiPort.h"

#include "app/QtUiPort.h"
#include "diag/Failure.h"
#include "diag/LogFile.h"

#include <QCoreApplication>

namespace Kadex::App {

SilentUiPort::SilentUiPort(QString exeName, QString servicePackLogPath, QString servicePackFallbackPath)
    : m_exeName(std::move(exeName)),
      m_servicePackLogPath(std::move(servicePackLogPath)),
      m_servicePackFallbackPath(std::move(servicePackFallbackPath))
{
}

Diag::Answer SilentUiPort::showMessage(const Diag::MessageBox &box)
{
    Diag::writeServicePackLine(m_servicePackLogPath, m_servicePackFallbackPath, m_exeName, box.text);
    return box.defaultButton;
}

void SilentUiPort::pumpEvents()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (m_ending) {
        // A handler that ran here ended the program; its unwinding stopped at that handler and goes on from here.
        throw Diag::ProgramEnded{};
    }
}

void SilentUiPort::endProgram()
{
    m_ending = true;
    throw Diag::ProgramEnded{};
}

void SilentUiPort::endProcess()
{
    endProcessNow();
}

} // namespace Kadex::App
