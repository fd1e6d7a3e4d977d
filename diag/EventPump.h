#pragma once

#include "diag/UiPort.h"

#include <QElapsedTimer>

namespace Kadex::Diag {

// Lets the window paint during a long loop without paying for a pump on every field: tick() passes control
// to the window's pending events once every few hundred calls or every 50 ms, whichever comes first.
class EventPump
{
public:
    explicit EventPump(UiPort &ui, int everyCalls = 256, int everyMs = 50)
        : m_ui(ui), m_everyCalls(everyCalls), m_everyMs(everyMs)
    {
        m_clock.start();
    }

    void tick()
    {
        if (++m_calls >= m_everyCalls || m_clock.elapsed() >= m_everyMs) {
            pumpNow();
        }
    }

    void pumpNow()
    {
        m_calls = 0;
        m_ui.pumpEvents();
        m_clock.restart();
    }

private:
    UiPort &m_ui;
    int m_everyCalls;
    int m_everyMs;
    int m_calls = 0;
    QElapsedTimer m_clock;
};

} // namespace Kadex::Diag
