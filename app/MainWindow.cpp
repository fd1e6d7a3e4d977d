#include "app/MainWindow.h"

#include "app/ControlProperties.h"
#include "app/MatrixCheckBox.h"
#include "app/PercentBox.h"
#include "config/Services.h"
#include "diag/ErrorGuard.h"
#include "diag/ScreenTexts.h"
#include "diag/UiPort.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

namespace Kadex::App {

namespace {

QString languageFilePath(const Config::Services &services)
{
    return Config::languageFilePathIn(services.location.programDir(), services.location.exeName());
}

// Focus that moves between the window's own controls. Focus that comes back when a message box or a list's
// pop-up closes, or when another program is activated, is not the operator entering or leaving a control.
bool isControlFocusChange(Qt::FocusReason reason)
{
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

bool isControlFocusChange(const QEvent *event)
{
    return isControlFocusChange(static_cast<const QFocusEvent *>(event)->reason());
}

// A left click released over the control.
bool isClick(const QWidget *control, const QEvent *event)
{
    const auto *mouse = static_cast<const QMouseEvent *>(event);
    return mouse->button() == Qt::LeftButton && control->rect().contains(mouse->position().toPoint());
}

// A press of the mouse or of a key that opens a list box's list.
bool opensList(const QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        return true;
    }
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto *key = static_cast<const QKeyEvent *>(event);
    const bool alt = key->modifiers().testFlag(Qt::AltModifier);
    return key->key() == Qt::Key_F4 || key->key() == Qt::Key_Space ||
           (alt && (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up));
}

} // namespace

MainWindow::MainWindow(Config::Services &services, Diag::UiPort &ui, DatabaseUpdate workOnMdb, QWidget *parent)
    : QWidget(parent), m_services(services), m_ui(ui), m_workOnMdb(std::move(workOnMdb)),
      m_languageFile(languageFilePath(services)), m_languageTexts(m_languageFile, services.report)
{
    setObjectName(QStringLiteral("frm_Kadex_config_Exe"));
    setWindowTitle(QStringLiteral("Base R4MCFG-Erweiterung"));
    const Twips twips(logicalDpiX());
    m_form = buildForm(this, twips);
    resize(clientSize(twips));
    for (QWidget *control : m_form.all) {
        m_languageControls.push_back(std::make_unique<WidgetLanguageControl>(control));
    }
    connectHandlers();
    m_form.CommandQuest->setFocus();
    // The window's own texts in the language the file chooses, from the window's first title on.
    Diag::ScreenTexts::loadChosenLanguage(m_languageFile);
}

MainWindow::~MainWindow() = default;

Diag::ErrorReport &MainWindow::report()
{
    return m_services.report;
}

bool MainWindow::programEnded() const
{
    return m_ui.ended();
}

void MainWindow::runHandler(const QString &name, const std::function<void()> &handler)
{
    if (m_ui.ended()) {
        return;
    }
    ++m_handlerDepth;
    try {
        Diag::ErrorGuard boundary(report(), name);
        boundary.step(handler);
    } catch (const Diag::ProgramEnded &) {
        // The end of the program has unwound the handler: what it held open is rolled back. The window stays still
        // from now on.
    }
    --m_handlerDepth;
    // A handler that runs inside another one's event pump ends only its own part; the pump goes on unwinding the
    // outer one, and the process ends where the window system called the outermost.
    if (m_ui.ended() && m_handlerDepth == 0) {
        m_ui.endProcess();
    }
}

void MainWindow::watch(QWidget *control)
{
    control->installEventFilter(this);
}

void MainWindow::connectHandlers()
{
    connect(m_form.CommandQuest, &QPushButton::clicked, this,
            [this] { runHandler(QStringLiteral("CommandQuest_Click"), [this] { CommandQuest_Click(); }); });
    connect(m_form.CommandOK, &QPushButton::clicked, this,
            [this] { runHandler(QStringLiteral("CommandOK_Click"), [this] { CommandOK_Click(); }); });
    connect(m_form.CommandCancel, &QPushButton::clicked, this,
            [this] { runHandler(QStringLiteral("CommandCancel_Click"), [this] { CommandCancel_Click(); }); });
    for (int index = 0; index <= m_form.CheckMa.last; ++index) {
        connect(m_form.CheckMa[index], &MatrixCheckBox::mouseUp, this, [this, index](Qt::MouseButton, bool before) {
            runHandler(QStringLiteral("CheckMa_MouseUp"), [this, index, before] { CheckMa_MouseUp(index, before); });
        });
        connect(m_form.CheckMa[index], &MatrixCheckBox::keyToggled, this, [this, index](bool before) {
            runHandler(QStringLiteral("CheckMa_KeyUp"), [this, index, before] { CheckMa_KeyUp(index, before); });
        });
    }
    for (int i = 1; i <= MachineCount; ++i) {
        connect(m_form.ComboMachines[i], &QComboBox::currentIndexChanged, this, [this, i] {
            runHandler(QStringLiteral("ComboMachines_Click"), [this, i] { ComboMachines_Click(i); });
        });
        connect(m_form.TextPercent[i], &QLineEdit::textChanged, this,
                [this, i] { runHandler(QStringLiteral("TextPercent_Change"), [this, i] { TextPercent_Change(i); }); });
        // The focus gained runs its handler after the box's own part. A click's focus comes in before the press,
        // whose caret placement would undo the handler's selection: the handler runs once the press is handled.
        connect(m_form.TextPercent[i], &PercentBox::focusEntered, this, [this, i](Qt::FocusReason reason) {
            if (!isControlFocusChange(reason)) {
                return;
            }
            if (reason == Qt::MouseFocusReason) {
                m_percentFocusedByPress = i;
                return;
            }
            runHandler(QStringLiteral("TextPercent_GotFocus"), [this, i] { TextPercent_GotFocus(i); });
        });
        connect(m_form.TextPercent[i], &PercentBox::mousePressed, this, [this, i] {
            if (m_percentFocusedByPress != i) {
                return;
            }
            m_percentFocusedByPress = 0;
            runHandler(QStringLiteral("TextPercent_GotFocus"), [this, i] { TextPercent_GotFocus(i); });
        });
        watch(m_form.ComboMachines[i]);
        watch(m_form.TextPercent[i]);
    }
    watch(m_form.Label1);
    watch(m_form.Label2);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    auto *control = qobject_cast<QWidget *>(watched);
    if (!control || m_ui.ended()) {
        return QWidget::eventFilter(watched, event);
    }
    const QString name = control->objectName();
    const int index = ControlProperties::indexOf(control).value_or(0);
    const QEvent::Type type = event->type();

    if (name == QStringLiteral("TextPercent")) {
        if (type == QEvent::FocusOut && isControlFocusChange(event)) {
            m_percentFocusedByPress = 0;
            runHandler(QStringLiteral("TextPercent_LostFocus"), [this, index] { TextPercent_LostFocus(index); });
        } else if (type == QEvent::MouseButtonRelease && isClick(control, event)) {
            runHandler(QStringLiteral("TextPercent_Click"), [this, index] { TextPercent_Click(index); });
        }
    } else if (name == QStringLiteral("ComboMachines")) {
        // In info mode a click shows the help and opens no list. Its focus comes in before the press: the press
        // shows the help, so that it shows once, also when the box has the focus already.
        if (type == QEvent::FocusIn && isControlFocusChange(event) &&
            !(m_infoMode && static_cast<QFocusEvent *>(event)->reason() == Qt::MouseFocusReason)) {
            runHandler(QStringLiteral("ComboMachines_GotFocus"), [this, index] { ComboMachines_GotFocus(index); });
        } else if (m_infoMode && (opensList(event) || type == QEvent::MouseButtonDblClick)) {
            if (type == QEvent::MouseButtonPress || type == QEvent::KeyPress) {
                runHandler(QStringLiteral("ComboMachines_GotFocus"), [this, index] { ComboMachines_GotFocus(index); });
            }
            return true;
        }
    } else if (type == QEvent::MouseButtonRelease && isClick(control, event)) {
        if (control == m_form.Label1) {
            runHandler(QStringLiteral("Label1_Click"), [this] { Label1_Click(); });
        } else if (control == m_form.Label2) {
            runHandler(QStringLiteral("Label2_Click"), [this] { Label2_Click(); });
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::load()
{
    runHandler(QStringLiteral("Form_Load"), [this] { Form_Load(); });
}

void MainWindow::Form_Load()
{
    Diag::ErrorGuard guard(report(), QStringLiteral("Form_Load"));
    bool integrated = false;
    guard.step([&] { integrated = m_services.runMode.GetStartModeIntegrated(); });
    guard.step([&] {
        const QString folder = m_services.location.GetFileNameOnly(m_services.location.programDir());
        setWindowTitle(Diag::ScreenTexts::text(
            integrated ? Diag::ScreenText::TitleIntegrated : Diag::ScreenText::TitleStandalone, folder));
    });
    guard.step([&] { m_r4mConfigurationIniPath = m_services.paths.GetR4MConfigurationIniPath(); });
    guard.step([&] { m_services.machines.GetExistingMachines(m_r4mConfigurationIniPath); });
    guard.step([&] { SetupUserInterFace(); });
    if (m_services.runMode.SilentMode()) {
        guard.step([&] { CommandOK_Click(); });
        return;
    }
    guard.step([&] { m_form.CommandOK->setEnabled(true); });
    guard.step([&] { m_form.CommandCancel->setEnabled(true); });
}

bool MainWindow::event(QEvent *event)
{
    // The first activation is the window's first showing. Later activations (after a message box, or when the
    // operator comes back from another program) must not enable OK again while the run is being finished.
    if (event->type() == QEvent::WindowActivate && !m_activated) {
        m_activated = true;
        runHandler(QStringLiteral("Form_Activate"), [this] { Form_Activate(); });
    }
    return QWidget::event(event);
}

void MainWindow::Form_Activate()
{
    Diag::ErrorGuard guard(report(), QStringLiteral("Form_Activate"));
    guard.step([&] { m_form.CommandOK->setEnabled(true); });
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    runHandler(QStringLiteral("Form_Resize"), [this] { Form_Resize(); });
}

void MainWindow::Form_Resize()
{
    // The layout is fixed: controls are neither moved nor scaled when the window changes size.
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_ui.ended()) {
        event->accept();
        return;
    }
    bool cancel = true;
    runHandler(QStringLiteral("Form_QueryUnload"), [&] {
        cancel = Form_QueryUnload();
        if (!cancel && m_finishing) {
            // A close confirmed while OK finishes the run cancels it: the run ends here, so that nothing is written
            // after the cancellation has been logged.
            report().EndProgram();
        }
    });
    event->setAccepted(!cancel);
}

bool MainWindow::Form_QueryUnload()
{
    Diag::ErrorGuard guard(report(), QStringLiteral("Form_QueryUnload"));
    // A failure in the confirmation that the operator continues past keeps the window open.
    bool cancel = true;
    guard.step([&] { cancel = !ConfirmCancel(); });
    return cancel;
}

} // namespace Kadex::App
