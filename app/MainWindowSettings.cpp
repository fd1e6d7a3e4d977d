// Loading the stored settings into the window, and writing them back.
#include "app/MainWindow.h"

#include "app/ControlProperties.h"
#include "app/MatrixCheckBox.h"
#include "app/PercentBox.h"
#include "app/PercentText.h"
#include "config/Services.h"
#include "diag/ErrorGuard.h"
#include "diag/ErrorNumbers.h"
#include "diag/Failure.h"
#include "diag/UiPort.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include <algorithm>
#include <utility>

namespace Kadex::App {

namespace {

constexpr int Channels = 8;
constexpr int ChecksPerMachine = 24;
constexpr int ChecksPerChannel = 3;
constexpr int NoChannel = 1;
constexpr int Input = 2;
constexpr int Output = 3;

QString machineSection(int i)
{
    return QStringLiteral("Machine") + QString::number(i);
}

QString channelKey(int k)
{
    return QStringLiteral("KadexInOrOutput") + QString::number(k);
}

int firstCheckOf(int i, int k)
{
    return ChecksPerMachine * (i - 1) + ChecksPerChannel * (k - 1);
}

} // namespace

// Writes the settings into the program INI. The entries are collected in the order they are saved and written
// by commit in one replacement of the file, which leaves it as writing them one by one would. A file that refuses
// the write (read-only, disk full) is reported, and nothing of the settings is written, so that the run does not
// end as if they had been saved.
class SettingsWriter
{
public:
    SettingsWriter(Config::IniAccess &ini, QString path) : m_ini(ini), m_path(std::move(path)) {}

    void save(int value, const QString &section, const QString &key)
    {
        m_entries.append(Config::IniWrite{value, section, key});
    }
    void commit()
    {
        const QList<Config::IniWrite> entries = std::exchange(m_entries, {});
        if (!m_refused && m_ini.SaveIniEntries(entries, m_path) == 0) {
            m_refused = true;
            throw Diag::Failure::pathFileAccess(m_path);
        }
    }
    bool refused() const { return m_refused; }

private:
    Config::IniAccess &m_ini;
    QString m_path;
    QList<Config::IniWrite> m_entries;
    bool m_refused = false;
};

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
}

void MainWindow::loadMachine(int i, const QString &readPath)
{
    Diag::ErrorGuard guard(report(), QStringLiteral("SetupUserInterFace"));
    Config::IniAccess &ini = m_services.ini;
    const QString section = machineSection(i);
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
        combo->addItem(QStringLiteral("Keine"));
        for (int k = 1; k <= count; ++k) {
            combo->addItem(m_services.machines.name(k));
        }
        combo->setCurrentIndex(-1);
    });
    guard.step([&] {
        qint16 nr = ini.LoadIniInteger(section, QStringLiteral("Kadex2ndMachineNr"), readPath);
        if (nr < 0 || nr > MachineCount) {
            nr = 0;
        }
        SecondMachineNr[static_cast<size_t>(i - 1)] = nr;
        // A number beyond the last machine of the list names no entry: the list keeps showing no selection.
        QComboBox *combo = m_form.ComboMachines[i];
        if (nr < combo->count()) {
            combo->setCurrentIndex(nr);
            m_ui.throwIfEnded();
        }
    });
    guard.step([&] {
        const QString stored = ini.LoadIniString(section, QStringLiteral("KadexNumberOfProcent"), readPath);
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
    for (int k = 1; k <= Channels; ++k) {
        guard.step([&] {
            const qint16 value = ini.LoadIniInteger(section, channelKey(k), readPath);
            const int column = value == Input ? 1 : value == Output ? 2 : 0;
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
        guard.step([&] {
            throw Diag::Failure::fileNotFound(m_services.location.rootDirectory() +
                                              QStringLiteral("/parameter/Program.ini"));
        });
        return;
    }

    SettingsWriter writer(m_services.ini, writePath);
    const int count = std::min(m_services.machines.upperIndex(), MachineCount);
    for (int i = 1; i <= count; ++i) {
        bool inUse = true; // a failing test counts the machine as in use: its keys are written
        guard.step([&] { inUse = m_services.machines.isMachineInUse(i, valid); });
        if (inUse) {
            writeMachine(i, writer);
        }
    }
    guard.step([&] { writer.commit(); });
    if (writer.refused()) {
        return; // no stamp for settings that were not written
    }
    guard.step([&] { m_services.stamp.WriteEditInfo(); });
}

void MainWindow::writeMachine(int i, SettingsWriter &writer)
{
    Diag::ErrorGuard guard(report(), QStringLiteral("WriteInputs"));
    const QString section = machineSection(i);

    bool selected = true; // a box that cannot be read counts as showing a selection
    guard.step([&] { selected = m_form.ComboMachines[i]->currentIndex() >= 0; });
    if (selected) {
        guard.step([&] {
            writer.save(SecondMachineNr[static_cast<size_t>(i - 1)], section, QStringLiteral("Kadex2ndMachineNr"));
        });
    }
    guard.step([&] {
        writer.save(NumberOfProcent[static_cast<size_t>(i - 1)], section, QStringLiteral("KadexNumberOfProcent"));
    });
    for (int k = 1; k <= Channels; ++k) {
        const int base = firstCheckOf(i, k);
        // Only a full check counts; a box that cannot be read counts as checked.
        bool output = true;
        guard.step([&] { output = m_form.CheckMa[base + 2]->checkState() == Qt::Checked; });
        bool input = true;
        if (!output) {
            guard.step([&] { input = m_form.CheckMa[base + 1]->checkState() == Qt::Checked; });
        }
        const int value = output ? Output : input ? Input : NoChannel;
        guard.step([&] { writer.save(value, section, channelKey(k)); });
    }
}

} // namespace Kadex::App
