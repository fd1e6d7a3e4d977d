// The rules the window keeps while the operator edits, and the info mode of the help button.
#include "app/MainWindow.h"

#include "app/ControlProperties.h"
#include "app/MatrixCheckBox.h"
#include "app/PercentBox.h"
#include "app/PercentText.h"
#include "config/Services.h"
#include "diag/ErrorGuard.h"
#include "diag/Messages.h"
#include "diag/ScreenTexts.h"
#include "diag/UiPort.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include <cmath>

namespace Kadex::App {

namespace {

constexpr int MaxPercentInputs = 16;
const QColor InfoModeGreen(0x00, 0xFF, 0x00);
const QColor LayoutGrey(0xC0, 0xC0, 0xC0);
const QString LineBreakMarker = QStringLiteral("<CRLF>");

void setButtonColour(QPushButton *button, const QColor &colour)
{
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, colour);
    button->setPalette(palette);
}

// The help text with each "<CRLF>" marker (any letter case) turned into a line break.
QString infoText(QString rest)
{
    QString out;
    qsizetype marker = 0;
    while ((marker = rest.indexOf(LineBreakMarker, 0, Qt::CaseInsensitive)) >= 0) {
        out += rest.left(marker) + Diag::Messages::CrLf;
        rest = rest.mid(marker + LineBreakMarker.size());
    }
    return out + rest;
}

} // namespace

void MainWindow::ShowInfoText(QWidget *control)
{
    if (!m_infoMode) {
        return;
    }
    Diag::ErrorGuard guard(report(), QStringLiteral("ShowInfoText"), Diag::ErrorGuard::Kind::Ignoring);
    QString out;
    guard.step([&] { out = infoText(m_languageTexts.helpText(ControlProperties::helpIdOf(control))); });
    guard.step([&] {
        m_ui.showMessage({out, Diag::ScreenTexts::text(Diag::ScreenText::InfoTitle), Diag::Buttons::Ok,
                          Diag::Icon::Information, Diag::Answer::Ok});
    });
}

void MainWindow::CommandQuest_Click()
{
    m_infoMode = !m_infoMode;
    setButtonColour(m_form.CommandQuest, m_infoMode ? InfoModeGreen : LayoutGrey);
}

void MainWindow::CheckMa_MouseUp(int index, bool checkedBefore)
{
    if (m_infoMode) {
        // Info mode shows help instead of acting: the box goes back to its state before the release. Inverting it
        // would undo a left click's toggle but flip the box on a right click, which toggles nothing.
        m_form.CheckMa[index]->setChecked(checkedBefore);
        ShowInfoText(m_form.CheckMa[0]);
        return;
    }
    // One choice per channel: the clicked box, whatever button was released and whatever state it had.
    const int base = index / 3 * 3;
    for (int box = base; box < base + 3; ++box) {
        m_form.CheckMa[box]->setChecked(false);
    }
    m_form.CheckMa[index]->setChecked(true);
}

void MainWindow::CheckMa_KeyUp(int index, bool checkedBefore)
{
    // A box toggled by the keyboard follows the rule of a click: it becomes its channel's one choice, so that OK
    // never finds a channel with two ticks or none.
    CheckMa_MouseUp(index, checkedBefore);
}

void MainWindow::ComboMachines_Click(int index)
{
    Diag::ErrorGuard guard(report(), QStringLiteral("ComboMachines_Click"));
    guard.step([&] {
        QComboBox *combo = m_form.ComboMachines[index];
        if (m_infoMode) {
            // Info mode shows help instead of acting: the recorded choice stays, and the list shows it again, so that
            // it never shows a choice that OK would not write. Putting it back raises no second click.
            const int recorded = SecondMachineNr.at(static_cast<size_t>(index - 1));
            {
                const QSignalBlocker quiet(combo);
                combo->setCurrentIndex(recorded < combo->count() ? recorded : -1);
            }
            ShowInfoText(combo);
            return;
        }
        SecondMachineNr.at(static_cast<size_t>(index - 1)) = static_cast<qint16>(combo->currentIndex());
    });
}

void MainWindow::ComboMachines_GotFocus(int index)
{
    ShowInfoText(m_form.ComboMachines[index]);
}

void MainWindow::TextPercent_Change(int index)
{
    Diag::ErrorGuard guard(report(), QStringLiteral("TextPercent_Change"));
    QLineEdit *box = m_form.TextPercent[index];
    qint16 &count = NumberOfProcent.at(static_cast<size_t>(index - 1));
    // Every set of the text below runs this handler again, to its end, before this run goes on.
    const auto setText = [&](const QString &text) {
        box->setText(text);
        m_ui.throwIfEnded();
    };

    if (box->text().isEmpty()) {
        guard.step([&] {
            count = 0;
            box->setCursorPosition(0);
        });
        return;
    }
    if (const std::optional<double> number = PercentText::numberOf(box->text())) {
        guard.step([&] {
            if (*number != std::floor(*number)) {
                setText(PercentText::integerPartText(*number));
            }
        });
        // A number too big for the conversion is reported, and then treated as over the limit.
        bool overLimit = true;
        guard.step([&] { overLimit = PercentText::toInteger16(box->text()) > MaxPercentInputs; });
        if (overLimit) {
            guard.step([&] {
                m_ui.showMessage({Diag::ScreenTexts::text(Diag::ScreenText::MaxPercent), QString(), Diag::Buttons::Ok,
                                  Diag::Icon::None, Diag::Answer::Ok});
            });
            guard.step([&] { setText(QString::number(MaxPercentInputs)); });
        }
        guard.step([&] { count = PercentText::toInteger16(box->text()); });
    } else {
        // Not a number: the last accepted value comes back.
        guard.step([&] { setText(QString::number(count)); });
    }
    guard.step([&] { box->setCursorPosition(static_cast<int>(box->text().size())); });
}

void MainWindow::TextPercent_GotFocus(int index)
{
    Diag::ErrorGuard guard(report(), QStringLiteral("TextPercent_GotFocus"));
    guard.step([&] {
        QLineEdit *box = m_form.TextPercent[index];
        if (m_infoMode) {
            // Help instead of acting: nothing is selected, not even what the box selects itself on Tab.
            box->deselect();
            ShowInfoText(box);
        } else {
            // Typing replaces the whole value.
            box->setSelection(0, static_cast<int>(box->text().size()));
        }
    });
}

void MainWindow::TextPercent_LostFocus(int index)
{
    Diag::ErrorGuard guard(report(), QStringLiteral("TextPercent_LostFocus"));
    guard.step([&] {
        QLineEdit *box = m_form.TextPercent[index];
        if (box->text().isEmpty()) {
            box->setText(QStringLiteral("0"));
            m_ui.throwIfEnded();
        }
    });
}

void MainWindow::TextPercent_Click(int index)
{
    ShowInfoText(m_form.TextPercent[index]);
}

void MainWindow::Label1_Click()
{
    ShowInfoText(m_form.Label1);
}

void MainWindow::Label2_Click()
{
    ShowInfoText(m_form.Label2);
}

} // namespace Kadex::App
