#pragma once

#include "app/MainWindow.h"
#include "tests/app/QtPrinters.h"
#include "tests/support/TestRun.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

namespace Kadex::Test {

// One INI entry as it stands in a file: the section and key as written, and the value without blanks around it.
struct IniEntry
{
    QString section;
    QString key;
    QString value;
    bool operator==(const IniEntry &) const = default;
};
void PrintTo(const IniEntry &entry, std::ostream *out);

// Every entry of an INI file, in file order (comments and blank lines left out).
QList<IniEntry> iniEntries(const QByteArray &bytes);
// The entries of one section, as "key=value" texts.
QStringList sectionEntries(const QByteArray &bytes, const QString &section);
// The value of section/key, or nothing when the file has no such entry.
std::optional<QString> iniValue(const QByteArray &bytes, const QString &section, const QString &key);

// Sets the default locale for the lifetime of the object.
class LocaleScope
{
public:
    explicit LocaleScope(const QLocale &locale) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(m_saved); }
    LocaleScope(const LocaleScope &) = delete;
    LocaleScope &operator=(const LocaleScope &) = delete;

private:
    QLocale m_saved;
};

// A window on a temporary plant, built and loaded as the program builds it, with a fake UI port and a database
// update that only records when it ran (and what Program.ini held then).
class WindowTest : public ::testing::Test
{
protected:
    void TearDown() override;

    // Creates and loads the window with commandLine; shows it unless the load ended the program.
    App::MainWindow &open(const QString &commandLine = {});

    // Controls by name and control-array index.
    template <typename Control> Control *control(const QString &name, std::optional<int> index = std::nullopt) const
    {
        for (Control *candidate : window->findChildren<Control *>(name)) {
            const QVariant candidateIndex = candidate->property("controlIndex");
            if (!index || (candidateIndex.isValid() && candidateIndex.toInt() == *index)) {
                return candidate;
            }
        }
        ADD_FAILURE() << "no control " << name.toStdString() << (index ? std::to_string(*index) : std::string());
        return nullptr;
    }
    QCheckBox *check(int index) const { return control<QCheckBox>(QStringLiteral("CheckMa"), index); }
    QLineEdit *percent(int machine) const { return control<QLineEdit>(QStringLiteral("TextPercent"), machine); }
    QComboBox *machineList(int machine) const { return control<QComboBox>(QStringLiteral("ComboMachines"), machine); }
    QWidget *button(const char *name) const { return control<QWidget>(QString::fromLatin1(name)); }

    // Operator actions.
    void click(QWidget *widget, Qt::MouseButton button = Qt::LeftButton) const;
    void pressOK() const { click(button("CommandOK")); }
    void pressCancel() const { click(button("CommandCancel")); }
    void toggleInfoMode() const { click(button("CommandQuest")); }
    // Puts the focus into the box with Tab (as the operator does) and pastes text over its whole content.
    void paste(QLineEdit *box, const QString &text) const;

    // The boxes the UI port was shown, and their texts.
    QStringList boxTexts() const;
    QByteArray programIni() const { return plant.read(QStringLiteral("parameter/Program.ini")); }
    QByteArray moduleConfiguration() const { return plant.read(QStringLiteral("Kadex/Kadex.cfg")); }

    TempPlant plant;
    std::unique_ptr<TestRun> run;
    std::unique_ptr<App::MainWindow> window;
    // One entry per database update: Program.ini as it stood when the update ran.
    QList<QByteArray> updates;
    // Makes the next database update fail with this failure.
    std::optional<Diag::Failure> updateFailure;
    // Runs while the database update runs (an operator's action during the finishing).
    std::function<void()> duringUpdate;
    // The state of OK, Cancel and the hourglass while the update ran.
    bool okEnabledDuringUpdate = true;
    bool cancelEnabledDuringUpdate = true;
    bool busyDuringUpdate = false;
};

} // namespace Kadex::Test
