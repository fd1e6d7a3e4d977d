#include "app/SilentUiPort.h"

#include "app/QtUiPort.h"
#include "diag/ErrorReport.h"
#include "diag/LogFile.h"

#include <QCoreApplication>

namespace Kadex::App {

Diag::Answer SilentUiPort::doShowMessage(const Diag::MessageBox &box)
{
    if (m_report) {
        m_report->WriteServicePackLog(box.text);
    } else {
        Diag::writeToStandardError(box.text);
    }
    return box.defaultButton;
}

void SilentUiPort::doPumpEvents()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void SilentUiPort::endProcess()
{
    endProcessNow(runStatus().exitStatus());
}

} // namespace Kadex::App
