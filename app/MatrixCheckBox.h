#pragma once

#include <QCheckBox>

namespace Kadex::App {

// A check box of the channel matrix. It tells when a mouse button is released over it, after the box has
// handled the release itself (a left click has already toggled it by then), and whether it was checked before
// that release; and when a key (the space bar) has toggled it, with its state before.
class MatrixCheckBox : public QCheckBox
{
    Q_OBJECT

public:
    using QCheckBox::QCheckBox;

signals:
    void mouseUp(Qt::MouseButton button, bool checkedBefore);
    void keyToggled(bool checkedBefore);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
};

} // namespace Kadex::App
