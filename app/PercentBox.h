#pragma once

#include <QLineEdit>

namespace Kadex::App {

// A percentage text box. It tells when the focus has come in and when a mouse press has been handled, each after
// the box has done its own part: on Tab the box has selected its whole text, and a press has put the caret where
// the click was, clearing any selection.
class PercentBox : public QLineEdit
{
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

signals:
    void focusEntered(Qt::FocusReason reason);
    void mousePressed();

protected:
    void focusInEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
};

} // namespace Kadex::App
