#include "app/MatrixCheckBox.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace Kadex::App {

void MatrixCheckBox::mouseReleaseEvent(QMouseEvent *event)
{
    const bool checkedBefore = isChecked();
    QCheckBox::mouseReleaseEvent(event);
    emit mouseUp(event->button(), checkedBefore);
}

void MatrixCheckBox::keyReleaseEvent(QKeyEvent *event)
{
    const bool checkedBefore = isChecked();
    QCheckBox::keyReleaseEvent(event);
    if (isChecked() != checkedBefore) {
        emit keyToggled(checkedBefore);
    }
}

} // namespace Kadex::App
