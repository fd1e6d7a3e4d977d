#include "app/MatrixCheckBox.h"

#include <QMouseEvent>

namespace Kadex::App {

void MatrixCheckBox::mouseReleaseEvent(QMouseEvent *event)
{
    const bool checkedBefore = isChecked();
    QCheckBox::mouseReleaseEvent(event);
    emit mouseUp(event->button(), checkedBefore);
}

} // namespace Kadex::App
