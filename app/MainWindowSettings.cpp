// Loading the stored settings into the window, and writing them back.
#include "app/MainWindow.h"

#include "app/AccessibleNames.h"
#include "app/ControlProperties.h"
#include "app/MatrixCheckBox.h"
#include "app/PercentBox.h"
#include "app/PercentText.h"
#include "config/MachineSettings.h"
#include "config/Services.h"
#include "diag/ErrorGuard.h"
#include "diag/ErrorNumbers.h"
#include "diag/Failure.h"
#include "diag/ScreenTexts.h"
#include "diag/UiPort.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include <algorithm>

namespace Kadex::App {

namespace {

constexpr int ChecksPerMachine = 24;
constexpr int ChecksPerChannel = 3;

int firstCheckOf(int i, int k)
{
    return ChecksPerMachine * (i - 1) + ChecksPerChannel * (k - 1);
}

} // namespace

void MainWindow::SetupUserInterFace()
{
    Diag::ErrorGuard guard(report(), QStringLiteral("SetupUserInterFace"));
    guard.step([&] {
        QList<Diag::LanguageControl *> controls;
        for (const auto &control : m_languageControls) {
            controls.append(control.get());
        }
        m_languageTexts.LoadToolTipTexts(controls);
    });
    const QString valid = guard.value([&] { return m_services.machines.GetValidMachines(); }, QString());
    const QString readPath = guard.value([&] { return m_services.paths.GetProgramIniPath(1); }, QString());

    // The window has five machine rows and frames; machines beyond the fifth are left alone.
    const int count = std::min(m_services.machines.upperIndex(), MachineCount);
    for (int i = 1; i <= count; ++i) {
        bool inUse = true; // a failing test counts the machine as in use
        guard.step([&] { inUse = m_services.machines.isMachineInUse(i, valid); });
        if (inUse) {
            loadMachine(i, readPath);
        }
    }
    guard.step([&] { nameControlsForScreenReaders(m_form); });
}

void MainWindow::loadMachine(int i, const QString &readPath)
{
    Diag::ErrorGuard guard(report(), QStringLiteral("SetupUserInterFace"));
    Config::IniAccess &ini = m_services.ini;
    const QString name = m_services.machines.name(i);
    const int count = std::min(m_services.machines.upperIndex(), MachineCount);

    guard.step([&] {
        ControlProperties::setLabelCaption(m_form.LabelM[i], name);
        m_form.LabelM[i]->show();
        m_form.ComboMachines[i]->show();
        m_form.TextPercent[i]->show();
    });
    guard.step([&] {
        QComboBox *combo = m_form.ComboMachines[i];
        // Filling the list selects nothing; the stored choice is selected below, as its own change.
        const QSignalBlocker quiet(combo);
        combo->clear();
        combo->addItem(Diag::ScreenTexts::text(Diag::ScreenText::NoMachine));
        for (int k = 1; k <= count; ++k) {
            combo->addItem(m_services.machines.name(k));
        }
        combo->setCurrentIndex(-1);
    });
    guard.step([&] {
        const qint16 nr = Config::readSecondMachineNr(ini, i, readPath);
        SecondMachineNr[static_cast<size_t>(i - 1)] = nr;
        // A number beyond the last machine of the list names no entry: the list keeps showing no selection.
        QComboBox *combo = m_form.ComboMachines[i];
        if (nr < combo->count()) {
            combo->setCurrentIndex(nr);
            m_ui.throwIfEnded();
        }
    });
    guard.step([&] {
        const QString stored = Config::readNumberOfProcentText(ini, i, readPath);
        // A conversion that fails leaves the table as it was.
        NumberOfProcent[static_cast<size_t>(i - 1)] =
            PercentText::numberOf(stored) ? PercentText::toInteger16(stored) : qint16{0};
    });
    guard.step([&] {
        // Runs TextPercent_Change: a stored value above 16 is brought down to 16 here.
        m_form.TextPercent[i]->setText(QString::number(NumberOfProcent[static_cast<size_t>(i - 1)]));
        m_ui.throwIfEnded();
    });
    guard.step([&] {
        m_form.FrameMa[i - 1]->show();
        m_form.FrameMa[i - 1]->setTitle(name);
    });
    for (int k = 1; k <= Config::ChannelCount; ++k) {
        guard.step([&] {
            // The boxes of a channel stand in the order of the codes: none, input, output.
            const int column = Config::readChannel(ini, i, k, readPath) - Config::NoChannel;
            m_form.CheckMa[firstCheckOf(i, k) + column]->setChecked(true);
        });
    }
}

void MainWindow::WriteInputs()
{
    Diag::ErrorGuard guard(report(), QStringLiteral("WriteInputs"));
    const QString valid = guard.value([&] { return m_services.machines.GetValidMachines(); }, QString());
    const QString writePath = guard.value([&] { return m_services.paths.GetProgramIniPath(2); }, QString());
    if (writePath.isEmpty()) {
        // Without the program INI the settings would land nowhere: say so, and write nothing, the stamp neither.
        guard.step([&] { throw Diag::Failure::fileNotFound(m_services.paths.plantProgramIniPath()); });
        return;
    }

    // The settings go into the file in one replacement, which leaves it as writing them one by one would. A file
    // that refuses the write (read-only, disk full) is reported, and then holds nothing of the settings; the run
    // does not end as if they had been saved.
    Config::MachineSettingsBatch batch;
    const int count = std::min(m_services.machines.upperIndex(), MachineCount);
    for (int i = 1; i <= count; ++i) {
        bool inUse = true; // a failing test counts the machine as in use: its keys are written
        guard.step([&] { inUse = m_services.machines.isMachineInUse(i, valid); });
        if (inUse) {
            writeMachine(i, batch);
        }
    }
    bool refused = false;
    guard.step([&] {
        QString reason;
        if (!batch.write(m_services.ini, writePath, &reason)) {
            refused = true;
            throw Diag::Failure::pathFileAccess(writePath, reason);
        }
    });
    if (refused) {
        return; // no stamp for settings that were not written
    }
    guard.step([&] { m_services.stamp.WriteEditInfo(); });
}

void MainWindow::writeMachine(int i, Config::MachineSettingsBatch &batch)
{
    Diag::ErrorGuard guard(report(), QStringLiteral("WriteInputs"));

    bool selected = true; // a box that cannot be read counts as showing a selection
    guard.step([&] { selected = m_form.ComboMachines[i]->currentIndex() >= 0; });
    if (selected) {
        guard.step([&] { batch.add(i, Config::secondMachineKey(), SecondMachineNr[static_cast<size_t>(i - 1)]); });
    }
    guard.step([&] { batch.add(i, Config::numberOfProcentKey(), NumberOfProcent[static_cast<size_t>(i - 1)]); });
    for (int k = 1; k <= Config::ChannelCount; ++k) {
        const int base = firstCheckOf(i, k);
        // Only a full check counts; a box that cannot be read counts as checked.
        bool output = true;
        guard.step([&] { output = m_form.CheckMa[base + 2]->checkState() == Qt::Checked; });
        bool input = true;
        if (!output) {
            guard.step([&] { input = m_form.CheckMa[base + 1]->checkState() == Qt::Checked; });
        }
        const qint16 value = output ? Config::OutputChannel : input ? Config::InputChannel : Config::NoChannel;
        guard.step([&] { batch.add(i, Config::channelKey(k), value); });
    }
}

} // namespace Kadex::App
