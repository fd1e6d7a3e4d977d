#pragma once

#include "app/ControlArray.h"

#include <QList>
#include <QSize>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace Kadex::App {

class MatrixCheckBox;
class PercentBox;

// The font the window's captions are set in on this platform: the widths of the design font, from the Debian
// package named here (scripts/install-deps.sh installs it).
inline constexpr const char *DesignFontFamily = "Liberation Sans";
inline constexpr const char *DesignFontPackage = "fonts-liberation2";

// The controls of the window, by the names and control-array indexes the handlers use. The machine rows of
// FrameKadex count machines from 1, the matrix frames and their controls from 0.
struct FormControls
{
    QLabel *Header = nullptr;
    QGroupBox *MainFrame = nullptr;
    QPushButton *CommandQuest = nullptr;
    QPushButton *CommandOK = nullptr;
    QPushButton *CommandCancel = nullptr;
    QGroupBox *FrameKadex = nullptr;
    ControlArray<QGroupBox, 0, 5> FrameMa;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    ControlArray<QLabel, 1, 5> LabelM;
    ControlArray<QComboBox, 1, 5> ComboMachines;
    ControlArray<PercentBox, 1, 5> TextPercent;
    ControlArray<QLabel, 0, 5> LabelMaUeber;
    ControlArray<QLabel, 0, 15> LabelMaEinAus;
    ControlArray<QLabel, 0, 40> LabelMaNummer;
    ControlArray<MatrixCheckBox, 0, 120> CheckMa;

    // Every control once, in the fixed order in which the language texts walk them.
    QList<QWidget *> all;
};

// Converts the layout's twips (1/1440 inch) to pixels at a logical resolution: 15 twips a pixel at 96 dpi.
class Twips
{
public:
    explicit Twips(qreal logicalDpi) : m_dpi(logicalDpi) {}
    int toPixels(int twips) const;

private:
    qreal m_dpi;
};

// The size of the window's client area at a logical resolution (792 x 573 pixels at 96 dpi).
QSize clientSize(const Twips &twips);

// Creates every control of the window on form, with its name, index, caption, font, colour, help id, position
// and start state, and sets the tab order. The form's background becomes the layout's grey.
FormControls buildForm(QWidget *form, const Twips &twips);

} // namespace Kadex::App
