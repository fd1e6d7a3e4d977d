#pragma once

#include "app/FormLayout.h"
#include "app/WidgetLanguageControl.h"
#include "config/MachineSettings.h"
#include "diag/IniLanguageFile.h"
#include "diag/LanguageTexts.h"

#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace Kadex::Config {
struct Services;
}

namespace Kadex::Diag {
class ErrorReport;
class UiPort;
} // namespace Kadex::Diag

namespace Kadex::App {

// The program's one window, frm_Kadex_config_Exe: per machine in use, the second RPM instrument, the number of
// percentage inputs and the channel matrix. Loading it runs the whole start-up; a silent run confirms inside
// the load. Every event handler keeps the name of the program's design and runs under the error report; the
// end of the program (a report's "No", OK, a confirmed Cancel) is immediate and runs no closing handler.
class MainWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int MachineCount = Config::MachineCount;
    using DatabaseUpdate = std::function<void()>;

    // workOnMdb is the database update that OK runs before the settings are written.
    MainWindow(Config::Services &services, Diag::UiPort &ui, DatabaseUpdate workOnMdb, QWidget *parent = nullptr);
    ~MainWindow() override;
    Q_DISABLE_COPY_MOVE(MainWindow)

    // Form_Load: run mode, caption, machine list, SetupUserInterFace; in a silent run it confirms (OK) itself,
    // otherwise it enables OK and Cancel. Call once, before the window is shown.
    void load();
    // Runs after OK has written the settings, before the program ends (the update's report).
    void setAfterSaving(std::function<void()> afterSaving) { m_afterSaving = std::move(afterSaving); }

    // True once the program has ended (only a test's UI port returns from an end); from then on the window does
    // nothing.
    bool programEnded() const;
    bool infoMode() const { return m_infoMode; }
    // The second-instrument choice and the percentage count of machine 1..5, as they will be written.
    qint16 secondMachineNr(int machine) const { return SecondMachineNr.at(static_cast<size_t>(machine - 1)); }
    qint16 numberOfProcent(int machine) const { return NumberOfProcent.at(static_cast<size_t>(machine - 1)); }
    const Diag::LanguageTexts &languageTexts() const { return m_languageTexts; }
    const FormControls &controls() const { return m_form; }

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Lifecycle (MainWindow.cpp).
    void Form_Load();
    void Form_Activate();
    void Form_Resize();
    bool Form_QueryUnload();

    // Loading and saving the settings (MainWindowSettings.cpp).
    void SetupUserInterFace();
    void loadMachine(int i, const QString &readPath);
    void WriteInputs();
    void writeMachine(int i, Config::MachineSettingsBatch &batch);

    // Editing (MainWindowInput.cpp).
    void CommandQuest_Click();
    void CheckMa_MouseUp(int index, bool checkedBefore);
    void CheckMa_KeyUp(int index, bool checkedBefore);
    void ComboMachines_Click(int index);
    void ComboMachines_GotFocus(int index);
    void TextPercent_Change(int index);
    void TextPercent_GotFocus(int index);
    void TextPercent_LostFocus(int index);
    void TextPercent_Click(int index);
    void Label1_Click();
    void Label2_Click();
    void ShowInfoText(QWidget *control);

    // Finishing (MainWindowFinish.cpp).
    void CommandOK_Click();
    void CommandCancel_Click();
    void CloseMe();
    bool ConfirmCancel();
    // The Cancel question: shown, in the window's language; otherwise as the service-pack log gets it.
    QString cancelQuestion(bool shown);

    // Runs one event handler at the boundary to the window system: a failure that no guard of the handler
    // caught is reported under the handler's name, and the end of the program stops here and stops the window.
    void runHandler(const QString &name, const std::function<void()> &handler);
    void connectHandlers();
    void watch(QWidget *control);

    Diag::ErrorReport &report();
    Config::Services &m_services;
    Diag::UiPort &m_ui;
    DatabaseUpdate m_workOnMdb;
    std::function<void()> m_afterSaving;
    Diag::IniLanguageFile m_languageFile;
    Diag::LanguageTexts m_languageTexts;
    FormControls m_form;
    std::vector<std::unique_ptr<WidgetLanguageControl>> m_languageControls;

    // The plant configuration INI found at load.
    QString m_r4mConfigurationIniPath;
    // Per machine (index = machine number - 1): what OK writes for Kadex2ndMachineNr and KadexNumberOfProcent.
    std::array<qint16, MachineCount> SecondMachineNr{};
    std::array<qint16, MachineCount> NumberOfProcent{};
    bool m_infoMode = false;
    // The percentage box whose focus came in with a mouse press that the box has not handled yet; 0 for none.
    int m_percentFocusedByPress = 0;
    bool m_activated = false;
    // OK has locked the buttons and the finishing sequence runs.
    bool m_finishing = false;
    int m_handlerDepth = 0; // handlers running, one inside another's event pump
};

} // namespace Kadex::App
