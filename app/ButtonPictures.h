#pragma once

#include <QPixmap>

// The pictures of the three buttons, drawn by the program itself on a transparent background.
namespace Kadex::App::ButtonPictures {

// A dark-green check mark, 44 x 36 pixels (CommandOK).
QPixmap checkMark();
// A red cross, 37 x 39 pixels (CommandCancel).
QPixmap cross();
// A black arrow pointer with a question mark, 41 x 45 pixels (CommandQuest).
QPixmap helpPointer();

} // namespace Kadex::App::ButtonPictures
