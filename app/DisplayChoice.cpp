#include "app/DisplayChoice.h"

namespace Kadex::App {

DisplayChoice chooseDisplay(bool silentMode, const QProcessEnvironment &environment)
{
    // A silent run never shows its window, so it does not depend on a display at all: a display that is set
    // but gone (a stale DISPLAY in a service's environment) must not stop the run. Only a platform chosen on
    // purpose is kept.
    if (silentMode && environment.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty()) {
        return DisplayChoice::NoWindow;
    }
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (!environment.value(QString::fromLatin1(name)).isEmpty()) {
            return DisplayChoice::WindowSystem;
        }
    }
    return silentMode ? DisplayChoice::NoWindow : DisplayChoice::NoDisplay;
}

} // namespace Kadex::App
