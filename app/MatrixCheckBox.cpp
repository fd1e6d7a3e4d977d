#include "app/MatrixCheckBox.h"

#include <QMouseEvent>

namespace Kadex::App {

void MatrixCheckBox::mouseReleaseEvent(QMouseEvent *event)
{
    QCheckBox::mouseReleaseEvent(event);
    emit mouseUp(event->button());
}

} // namespace Kadex::App
