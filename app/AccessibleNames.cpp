#include "app/AccessibleNames.h"

#include "app/FormLayout.h"
#include "app/MatrixCheckBox.h"
#include "app/PercentBox.h"
#include "diag/ScreenTexts.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace Kadex::App {

namespace {

using Diag::ScreenText;
namespace Texts = Diag::ScreenTexts;

constexpr int Channels = 8;
constexpr int Columns = 3;
constexpr ScreenText ChannelNames[Columns] = {ScreenText::NameChannelNone, ScreenText::NameChannelInput,
                                              ScreenText::NameChannelOutput};

} // namespace

void nameControlsForScreenReaders(const FormControls &form)
{
    form.CommandQuest->setAccessibleName(Texts::text(ScreenText::NameHelp));
    form.CommandOK->setAccessibleName(Texts::text(ScreenText::NameOk));
    form.CommandCancel->setAccessibleName(Texts::text(ScreenText::NameCancel));
    form.MainFrame->setAccessibleName(Texts::text(ScreenText::NameMainFrame));
    form.FrameKadex->setAccessibleName(Texts::text(ScreenText::NameMachineRows));
    for (int i = form.LabelM.first; i <= form.LabelM.last; ++i) {
        const QString machine = form.LabelM[i]->text();
        form.TextPercent[i]->setAccessibleName(Texts::text(ScreenText::NamePercent, machine));
        form.ComboMachines[i]->setAccessibleName(Texts::text(ScreenText::NameSecondMachine, machine));
    }
    for (int index = 0; index <= form.CheckMa.last; ++index) {
        const QString machine = form.FrameMa[index / (Channels * Columns)]->title();
        const QString channel = QString::number(index % (Channels * Columns) / Columns + 1);
        form.CheckMa[index]->setAccessibleName(Texts::text(ChannelNames[index % Columns], machine, channel));
    }
}

} // namespace Kadex::App
