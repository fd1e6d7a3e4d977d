#include "app/DisplayChoice.h"

namespace Kadex::App {

DisplayChoice chooseDisplay(bool silentMode, const QProcessEnvironment &environment)
{
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (!environment.value(QString::fromLatin1(name)).isEmpty()) {
            return DisplayChoice::WindowSystem;
        }
    }
    return silentMode ? DisplayChoice::Offscreen : DisplayChoice::NoDisplay;
}

} // namespace Kadex::App
