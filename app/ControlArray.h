#pragma once

#include "diag/Failure.h"

#include <QString>

#include <array>

namespace Kadex::App {

// A control array of the window: Count controls addressed by the indexes First .. First + Count - 1, as the
// handlers name them (LabelM 1..5, CheckMa 0..119). An index outside the array is a reported failure.
template <typename Control, int First, int Count> class ControlArray
{
public:
    static constexpr int first = First;
    static constexpr int last = First + Count - 1;

    Control *operator[](int index) const
    {
        if (index < First || index > last) {
            throw Diag::Failure::subscriptOutOfRange(QString::number(index));
        }
        return m_items[static_cast<size_t>(index - First)];
    }
    void set(int index, Control *control) { m_items.at(static_cast<size_t>(index - First)) = control; }

    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::array<Control *, Count> m_items{};
};

} // namespace Kadex::App
