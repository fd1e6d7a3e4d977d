#pragma once

#include "diag/UiPort.h"
#include "tests/support/QtPrinters.h"

#include <QList>

#include <deque>
#include <functional>

namespace Kadex::Test {

// A UI port for tests: records every box it is shown and answers from a queue the test fills. A box with no
// queued answer is a test failure (a Yes/No box then gets No, an OK box OK). The end of the program throws
// Diag::ProgramEnded, which the test (or the window's handler boundary) catches; the end of the process is
// counted and the process goes on, so that the test observes when it came.
class FakeUiPort : public Diag::UiPort
{
public:
    ~FakeUiPort() override;

    void setBusy(bool busy) override;
    void endProcess() override { ++processEnds; }

    // Queues the answer for the next box.
    void answerNext(Diag::Answer answer) { m_answers.push_back(answer); }
    // Boxes may come without a queued answer; each gets its default button.
    void answerDefaults() { m_defaults = true; }

    QList<Diag::MessageBox> boxes;
    int pumpCount = 0;
    int processEnds = 0;
    // Called at each pump: what another program does while the window lets events through.
    std::function<void()> onPump;
    // Called while a box is open, before it is answered: a handler that the box's event loop runs.
    std::function<void()> onBox;
    bool busy = false;
    QList<bool> busyChanges;

private:
    Diag::Answer doShowMessage(const Diag::MessageBox &box) override;
    void doPumpEvents() override
    {
        ++pumpCount;
        if (onPump) {
            onPump();
        }
    }

    std::deque<Diag::Answer> m_answers;
    bool m_defaults = false;
};

} // namespace Kadex::Test
