#include "app/PercentBox.h"

#include <QFocusEvent>

namespace Kadex::App {

void PercentBox::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    emit focusEntered(event->reason());
}

void PercentBox::mousePressEvent(QMouseEvent *event)
{
    QLineEdit::mousePressEvent(event);
    emit mousePressed();
}

} // namespace Kadex::App
