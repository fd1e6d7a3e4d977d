#include "app/QtUiPort.h"

#include "diag/ScreenTexts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>

namespace Kadex::App {

namespace {

QMessageBox::Icon iconOf(Diag::Icon icon)
{
    switch (icon) {
    case Diag::Icon::Information:
        return QMessageBox::Information;
    case Diag::Icon::Exclamation:
        return QMessageBox::Warning;
    case Diag::Icon::Critical:
        return QMessageBox::Critical;
    case Diag::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton buttonOf(Diag::Answer answer)
{
    switch (answer) {
    case Diag::Answer::Yes:
        return QMessageBox::Yes;
    case Diag::Answer::No:
        return QMessageBox::No;
    case Diag::Answer::Ok:
        break;
    }
    return QMessageBox::Ok;
}

bool isLineBreak(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

} // namespace

QString shownMessageText(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isLineBreak(text[i])) {
            shown += text[i];
            continue;
        }
        // A pair of different break characters (LF CR or CR LF) is one line break.
        if (i + 1 < text.size() && isLineBreak(text[i + 1]) && text[i + 1] != text[i]) {
            ++i;
        }
        shown += QLatin1Char('\n');
    }
    return shown;
}

void endProcessNow(int status)
{
    std::fflush(nullptr);
    std::_Exit(status);
}

QtUiPort::QtUiPort(QString exeName) : m_exeName(std::move(exeName)) {}

QtUiPort::~QtUiPort()
{
    while (m_busyLevel > 0) {
        setBusy(false);
    }
}

Diag::Answer QtUiPort::doShowMessage(const Diag::MessageBox &box)
{
    const QString title = box.title.isEmpty() ? m_exeName : box.title;
    const QMessageBox::StandardButtons buttons =
        box.buttons == Diag::Buttons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
    QMessageBox message(iconOf(box.icon), title, shownMessageText(box.text), buttons, QApplication::activeWindow());
    message.setTextFormat(Qt::PlainText);
    message.setDefaultButton(buttonOf(box.defaultButton));
    for (const auto &[button, text] : {std::pair{QMessageBox::Yes, Diag::ScreenText::ButtonYes},
                                       std::pair{QMessageBox::No, Diag::ScreenText::ButtonNo},
                                       std::pair{QMessageBox::Ok, Diag::ScreenText::ButtonOk}}) {
        if (QAbstractButton *shown = message.button(button)) {
            shown->setText(Diag::ScreenTexts::text(text));
        }
    }
    // A box asked for while the hourglass is up still gets the ordinary pointer.
    const bool busy = m_busyLevel > 0;
    if (busy) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    const int chosen = message.exec();
    if (busy) {
        QApplication::restoreOverrideCursor();
    }
    switch (chosen) {
    case QMessageBox::Yes:
        return Diag::Answer::Yes;
    case QMessageBox::No:
        return Diag::Answer::No;
    default:
        break;
    }
    return box.buttons == Diag::Buttons::YesNo ? box.defaultButton : Diag::Answer::Ok;
}

void QtUiPort::setBusy(bool busy)
{
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++m_busyLevel;
    } else if (m_busyLevel > 0) {
        QApplication::restoreOverrideCursor();
        --m_busyLevel;
    }
}

void QtUiPort::doPumpEvents()
{
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtUiPort::endProcess()
{
    // The operator saw every report in its box: a window run ends with status 0.
    endProcessNow(0);
}

} // namespace Kadex::App
