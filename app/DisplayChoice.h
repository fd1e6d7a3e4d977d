#pragma once

#include <QProcessEnvironment>

namespace Kadex::App {

enum class DisplayChoice {
    WindowSystem, // a display (or a platform of Qt's) is set: use it
    NoWindow,     // a silent run never shows anything: Qt's minimal platform serves, which loads no fonts
    NoDisplay     // no display for a run that would show its window: the program cannot start
};

// Decided from DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM before Qt starts. A silent run takes the minimal
// platform unless QT_QPA_PLATFORM names one.
DisplayChoice chooseDisplay(bool silentMode, const QProcessEnvironment &environment);

} // namespace Kadex::App
