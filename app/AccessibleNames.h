#pragma once

namespace Kadex::App {

struct FormControls;

// Gives every control without a caption of its own a name that says what it is for, in the window's language,
// for screen readers: the three buttons, the two frames without a caption, and per machine its percentage field,
// its list and its channel boxes. Labels and the matrix frames are named by what they show. Nothing drawn changes.
// Call once the machine names are in place.
void nameControlsForScreenReaders(const FormControls &form);

} // namespace Kadex::App
