#include "app/FormLayout.h"

#include "app/ButtonPictures.h"
#include "app/ControlProperties.h"
#include "app/MatrixCheckBox.h"
#include "app/PercentBox.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace Kadex::App {

namespace {

namespace Props = ControlProperties;

const QColor LayoutGrey(0xC0, 0xC0, 0xC0);
const QString Label = QStringLiteral("LABEL");
const QString Frame = QStringLiteral("FRAME");
const QString CommandButton = QStringLiteral("COMMANDBUTTON");
const QString CheckBox = QStringLiteral("CHECKBOX");
const QString ComboBox = QStringLiteral("COMBOBOX");
const QString TextBox = QStringLiteral("TEXTBOX");

constexpr int Machines = 5;
constexpr int Channels = 8;
constexpr int Columns = 3;

// Tops of the machine rows inside FrameKadex, machine 1 to 5.
constexpr int LabelMTop[Machines] = {600, 1125, 1605, 2085, 2565};
constexpr int ComboMachinesTop[Machines] = {577, 1095, 1575, 2055, 2535};
constexpr int TextPercentTop[Machines] = {562, 1080, 1560, 2040, 2520};

// The matrix columns "kein", "Eing.", "Ausg.".
constexpr int EinAusLeft[Columns] = {270, 750, 1395};
constexpr int EinAusWidth[Columns] = {480, 645, 645};
constexpr int CheckLeft[Columns] = {390, 945, 1590};

// "MS Sans Serif" bold at the given size; where the font is not installed, the nearest sans-serif stands in.
QFont designFont(qreal points)
{
    QFont font;
    // The captions are measured for the design font's widths: a font of those metrics comes first, wider ones
    // (which cut captions off) only when none is installed.
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QString::fromLatin1(DesignFontFamily), QStringLiteral("Arial"), QStringLiteral("Nimbus Sans"),
                      QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setWeight(QFont::Bold);
    font.setItalic(false);
    font.setUnderline(false);
    return font;
}

// The system's dialog font, set explicitly so that a control does not inherit its frame's design font.
QFont dialogFont()
{
    QFont font = QApplication::font();
    font.setResolveMask(QFont::AllPropertiesResolved);
    return font;
}

class Builder
{
public:
    Builder(const Twips &twips, QList<QWidget *> &all) : m_twips(twips), m_all(all) {}

    void place(QWidget *control, int left, int top, int width, int height) const
    {
        control->setGeometry(m_twips.toPixels(left), m_twips.toPixels(top), m_twips.toPixels(width),
                             m_twips.toPixels(height));
    }

    template <typename Control>
    Control *add(QWidget *parent, const QString &name, const QString &typeName, int helpId = 0,
                 std::optional<int> index = std::nullopt)
    {
        auto *control = new Control(parent);
        Props::describe(control, name, typeName, helpId, index);
        m_all.append(control);
        return control;
    }

    QLabel *label(QWidget *parent, const QString &name, const QString &caption, qreal points,
                  Qt::Alignment alignment = Qt::AlignLeft, int helpId = 0, std::optional<int> index = std::nullopt)
    {
        auto *label = add<QLabel>(parent, name, Label, helpId, index);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(alignment | Qt::AlignTop);
        label->setFont(designFont(points));
        Props::setLabelCaption(label, caption);
        return label;
    }

    QGroupBox *frame(QWidget *parent, const QString &name, std::optional<int> index = std::nullopt)
    {
        auto *frame = add<QGroupBox>(parent, name, Frame, 0, index);
        frame->setFocusPolicy(Qt::NoFocus);
        return frame;
    }

    QPushButton *pictureButton(QWidget *parent, const QString &name, const QPixmap &picture, int helpId)
    {
        auto *button = add<QPushButton>(parent, name, CommandButton, helpId);
        button->setIcon(QIcon(picture));
        button->setIconSize(picture.size());
        return button;
    }

private:
    const Twips &m_twips;
    QList<QWidget *> &m_all;
};

void setColour(QWidget *control, QPalette::ColorRole role, const QColor &colour)
{
    QPalette palette = control->palette();
    palette.setColor(role, colour);
    control->setPalette(palette);
}

void buildMachineRows(Builder &build, FormControls &form)
{
    QGroupBox *parent = form.FrameKadex;
    form.Label1 =
        build.label(parent, QStringLiteral("Label1"), QStringLiteral("2. Drehzahlinstrument"), 12, Qt::AlignLeft, 11);
    build.place(form.Label1, 1560, 150, 2775, 375);
    form.Label2 =
        build.label(parent, QStringLiteral("Label2"), QStringLiteral("Anzahl Prozenteingaben"), 12, Qt::AlignLeft, 12);
    build.place(form.Label2, 4560, 150, 3015, 375);

    for (int i = 1; i <= Machines; ++i) {
        QLabel *name = build.label(parent, QStringLiteral("LabelM"), QStringLiteral("M"), 12, Qt::AlignLeft, 0, i);
        build.place(name, 120, LabelMTop[i - 1], 1455, 375);
        name->hide();
        form.LabelM.set(i, name);
    }
    for (int i = 1; i <= Machines; ++i) {
        auto *combo = build.add<QComboBox>(parent, QStringLiteral("ComboMachines"), ComboBox, 11, i);
        combo->setEditable(false);
        combo->setFont(designFont(12));
        combo->setPalette(QApplication::palette());
        build.place(combo, 2280, ComboMachinesTop[i - 1], 1455, 420);
        combo->hide();
        form.ComboMachines.set(i, combo);
    }
    for (int i = 1; i <= Machines; ++i) {
        auto *text = build.add<PercentBox>(parent, QStringLiteral("TextPercent"), TextBox, 12, i);
        text->setFont(designFont(12));
        text->setPalette(QApplication::palette());
        build.place(text, 5280, TextPercentTop[i - 1], 1455, 450);
        text->hide();
        form.TextPercent.set(i, text);
    }
}

void buildMatrixFrames(Builder &build, FormControls &form)
{
    for (int k = 0; k < Machines; ++k) {
        QGroupBox *frame = build.frame(form.MainFrame, QStringLiteral("FrameMa"), k);
        frame->setTitle(QStringLiteral("Ma1"));
        frame->setFont(designFont(12));
        build.place(frame, 90 + 2160 * k, 3285, 2100, 3420);
        frame->setVisible(k == 0);
        form.FrameMa.set(k, frame);
    }
    for (int k = 0; k < Machines; ++k) {
        QLabel *heading = build.label(form.FrameMa[k], QStringLiteral("LabelMaUeber"),
                                      QStringLiteral("Zus.Eing.&& Ausg."), 9.75, Qt::AlignLeft, 0, k);
        build.place(heading, 60, 330, 1980, 300);
        form.LabelMaUeber.set(k, heading);
    }
    const QString columnCaptions[Columns] = {QStringLiteral("kein"), QStringLiteral("Eing."), QStringLiteral("Ausg.")};
    for (int index = 0; index < Machines * Columns; ++index) {
        const int c = index % Columns;
        QLabel *heading = build.label(form.FrameMa[index / Columns], QStringLiteral("LabelMaEinAus"), columnCaptions[c],
                                      9.75, Qt::AlignHCenter, 0, index);
        build.place(heading, EinAusLeft[c], 660, EinAusWidth[c], 300);
        form.LabelMaEinAus.set(index, heading);
    }
    for (int index = 0; index < Machines * Channels; ++index) {
        const int r = index % Channels;
        QLabel *number = build.label(form.FrameMa[index / Channels], QStringLiteral("LabelMaNummer"),
                                     QString::number(r + 1), 9.75, Qt::AlignRight, 0, index);
        build.place(number, 90, 990 + 300 * r, 180, 300);
        form.LabelMaNummer.set(index, number);
    }
    const QFont checkFont = dialogFont();
    for (int index = 0; index < Machines * Channels * Columns; ++index) {
        const int r = (index % (Channels * Columns)) / Columns;
        const int c = index % Columns;
        auto *box = build.add<MatrixCheckBox>(form.FrameMa[index / (Channels * Columns)], QStringLiteral("CheckMa"),
                                              CheckBox, 13, index);
        box->setFont(checkFont);
        build.place(box, CheckLeft[c], 960 + 300 * r, 240, 300);
        form.CheckMa.set(index, box);
    }
}

void setTabOrder(const FormControls &form)
{
    QList<QWidget *> order{form.CommandQuest};
    for (int i = 1; i <= Machines; ++i) {
        order << form.TextPercent[i] << form.ComboMachines[i];
    }
    order << form.CommandCancel << form.CommandOK;
    for (QWidget *box : form.CheckMa) {
        order << box;
    }
    for (qsizetype i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

} // namespace

int Twips::toPixels(int twips) const
{
    return qRound(twips * m_dpi / 1440.0);
}

QSize clientSize(const Twips &twips)
{
    return {twips.toPixels(11880), twips.toPixels(8595)};
}

FormControls buildForm(QWidget *form, const Twips &twips)
{
    setColour(form, QPalette::Window, LayoutGrey);
    setColour(form, QPalette::Button, LayoutGrey);
    form->setAutoFillBackground(true);

    FormControls controls;
    Builder build(twips, controls.all);

    controls.Header =
        build.label(form, QStringLiteral("Header"), QStringLiteral("Kadex - Konfiguration Drehzahlen"), 13.5);
    build.place(controls.Header, 30, 30, 7245, 360);
    controls.MainFrame = build.frame(form, QStringLiteral("MainFrame"));
    build.place(controls.MainFrame, 0, 390, 11880, 7260);
    controls.CommandQuest = build.pictureButton(form, QStringLiteral("CommandQuest"), ButtonPictures::helpPointer(), 0);
    build.place(controls.CommandQuest, 7350, 7710, 975, 855);
    controls.CommandOK = build.pictureButton(form, QStringLiteral("CommandOK"), ButtonPictures::checkMark(), 1);
    build.place(controls.CommandOK, 8400, 7710, 1695, 855);
    controls.CommandOK->setEnabled(false);
    controls.CommandCancel = build.pictureButton(form, QStringLiteral("CommandCancel"), ButtonPictures::cross(), 2);
    build.place(controls.CommandCancel, 10170, 7710, 1695, 855);

    controls.FrameKadex = build.frame(controls.MainFrame, QStringLiteral("FrameKadex"));
    build.place(controls.FrameKadex, 90, 120, 10740, 3165);
    buildMachineRows(build, controls);
    buildMatrixFrames(build, controls);

    setTabOrder(controls);
    return controls;
}

} // namespace Kadex::App
