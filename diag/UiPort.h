#pragma once

#include <QString>

namespace Kadex::Diag {

enum class Icon { None, Information, Exclamation, Critical };
enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

// One modal message box as the program asks for it. An empty title means the program's default title
// (its executable name). Line breaks inside text are LF CR, as in every message of the program.
struct MessageBox
{
    QString text;
    QString title;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    Answer defaultButton = Answer::Ok;

    bool operator==(const MessageBox &) const = default;
};

// The narrow road from the program to the window system: message boxes, the busy cursor, the event pump and
// the end of the program. The window supplies the real one; a silent run and the tests supply their own.
class UiPort
{
public:
    virtual ~UiPort() = default;

    // Shows a modal box and returns the button chosen.
    virtual Answer showMessage(const MessageBox &box) = 0;
    // Switches the hourglass on or off.
    virtual void setBusy(bool busy) = 0;
    // Lets the window process its pending events once.
    virtual void pumpEvents() = 0;
    // Ends the program at once: no closing handler runs. Never returns: it throws ProgramEnded (diag/Failure.h),
    // which no error guard catches, so that the program unwinds to the handler the window system called and
    // everything open on the way (a transaction, a temporary file) is rolled back by its owner's destructor.
    [[noreturn]] virtual void endProgram() = 0;
    // Called where the unwinding of endProgram has arrived, at the outermost handler or in main: ends the
    // process. A test's port leaves the process running, so that the test observes the end.
    virtual void endProcess() {}
};

} // namespace Kadex::Diag
