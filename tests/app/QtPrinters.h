#pragma once

#include "diag/UiPort.h"
#include "tests/support/QtPrinters.h"

#include <QRect>
#include <QSize>

#include <ostream>

// Readable GoogleTest output for the window's value types (found by argument-dependent lookup).

inline void PrintTo(const QRect &rect, std::ostream *out)
{
    *out << '(' << rect.x() << ',' << rect.y() << ' ' << rect.width() << 'x' << rect.height() << ')';
}

inline void PrintTo(const QSize &size, std::ostream *out)
{
    *out << size.width() << 'x' << size.height();
}

namespace Kadex::Diag {

inline void PrintTo(const MessageBox &box, std::ostream *out)
{
    *out << "{text \"" << box.text.toStdString() << "\", title \"" << box.title.toStdString() << "\", buttons "
         << static_cast<int>(box.buttons) << ", icon " << static_cast<int>(box.icon) << ", default "
         << static_cast<int>(box.defaultButton) << '}';
}

} // namespace Kadex::Diag
