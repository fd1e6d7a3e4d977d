#pragma once

#include "diag/Failure.h"
#include "diag/RunStatus.h"

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
// the end of the program. The window supplies the real one; a silent run and the tests supply their own. A port
// implements only the showing, the pumping and the end of the process; the end of the program is kept here.
class UiPort
{
public:
    virtual ~UiPort() = default;

    // Shows a modal box and returns the button chosen. When a handler that ran while the box was open ended the
    // program, the end goes on unwinding from here.
    Answer showMessage(const MessageBox &box)
    {
        const Answer answer = doShowMessage(box);
        throwIfEnded();
        return answer;
    }
    // Switches the hourglass on or off.
    virtual void setBusy(bool busy) = 0;
    // Lets the window process its pending events once. When a handler that ran here ended the program, its
    // unwinding stopped at that handler and goes on from here.
    void pumpEvents()
    {
        doPumpEvents();
        throwIfEnded();
    }
    // Ends the program at once: no closing handler runs. Never returns: it records the end and throws
    // ProgramEnded (diag/Failure.h), which no error guard catches, so that the program unwinds to the handler the
    // window system called and everything open on the way (a transaction, a temporary file) is rolled back by its
    // owner's destructor.
    [[noreturn]] void endProgram()
    {
        m_ended = true;
        throw ProgramEnded{};
    }
    // True once the program has ended; from then on nothing new starts.
    bool ended() const { return m_ended; }
    // After a call that may have run a nested handler: when that handler ended the program, the end goes on.
    void throwIfEnded() const
    {
        if (m_ended) {
            throw ProgramEnded{};
        }
    }
    // Called where the unwinding of endProgram has arrived, at the outermost handler or in main: ends the
    // process. A test's port leaves the process running, so that the test observes the end.
    virtual void endProcess() {}
    // The outcome of the run this port serves, which the error report marks and the end of the process tells.
    RunStatus &runStatus() { return m_status; }
    const RunStatus &runStatus() const { return m_status; }

protected:
    virtual Answer doShowMessage(const MessageBox &box) = 0;
    virtual void doPumpEvents() = 0;

private:
    bool m_ended = false;
    RunStatus m_status;
};

} // namespace Kadex::Diag
