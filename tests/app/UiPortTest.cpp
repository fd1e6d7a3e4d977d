// The real message boxes of an interactive run, and the silent run's port that never shows one.
#include "tests/app/QtPrinters.h"

#include "app/QtUiPort.h"
#include "app/SilentUiPort.h"
#include "diag/Failure.h"
#include "diag/Messages.h"
#include "diag/RunStatus.h"
#include "presetdb/SqliteDb.h"
#include "tests/support/FixtureDb.h"
#include "tests/support/TempPlant.h"
#include "tests/support/TestRun.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace Kadex::Test {

namespace {

const QString Br = Diag::Messages::LineBreak;

// What the operator saw in the one modal box, read while it was open.
struct SeenBox
{
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Waits for the modal box the next call opens, records what it shows, then lets answer close it.
void onNextModalBox(SeenBox &seen, std::function<void(QMessageBox *)> answer)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, &seen, answer = std::move(answer)] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        seen = {box->text(), box->windowTitle(), box->icon(), box->standardButtons(),
                box->standardButton(box->defaultButton())};
        answer(box);
    });
    poll->start(10);
}

} // namespace

TEST(QtUiPortTest, ShowsTheBoxAsAskedAndMapsTheChosenButton)
{
    App::QtUiPort ui(QStringLiteral("Kadex_Config"));
    SeenBox seen;
    onNextModalBox(seen, [](QMessageBox *box) { box->button(QMessageBox::No)->click(); });

    const Diag::Answer answer = ui.showMessage(
        {QStringLiteral("Unexpected error!") + Br + QStringLiteral("Overflow") + Br + QStringLiteral("Resume?"),
         QStringLiteral("Unexpected error"), Diag::Buttons::YesNo, Diag::Icon::Critical, Diag::Answer::Yes});

    EXPECT_EQ(answer, Diag::Answer::No);
    EXPECT_EQ(seen.text, QStringLiteral("Unexpected error!\nOverflow\nResume?"));
    EXPECT_EQ(seen.title, QStringLiteral("Unexpected error"));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(seen.defaultButton, QMessageBox::Yes);
}

TEST(QtUiPortTest, EnterAnswersTheDefaultButtonAndAnEmptyTitleIsTheProgramName)
{
    App::QtUiPort ui(QStringLiteral("Kadex_Config"));
    SeenBox seen;
    onNextModalBox(seen, [](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Return); });

    const Diag::Answer answer = ui.showMessage(
        {QStringLiteral("Cancel edits?"), QString(), Diag::Buttons::YesNo, Diag::Icon::Exclamation, Diag::Answer::No});

    EXPECT_EQ(answer, Diag::Answer::No);
    EXPECT_EQ(seen.title, QStringLiteral("Kadex_Config"));
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
}

TEST(QtUiPortTest, EachPairOfBreakCharactersIsOneLineBreak)
{
    EXPECT_EQ(App::shownMessageText(QStringLiteral("a\n\rb\n\rc")), QStringLiteral("a\nb\nc"));
    EXPECT_EQ(App::shownMessageText(QStringLiteral("a\r\n\r\nb")), QStringLiteral("a\n\nb"));
    EXPECT_EQ(App::shownMessageText(QStringLiteral("a\nb\n")), QStringLiteral("a\nb\n"));
}

TEST(SilentUiPortTest, BoxGoesToTheServicePackLogAndGetsItsDefaultAnswer)
{
    TempPlant plant;
    const QString log = plant.path(QStringLiteral("ServicePack.log"));
    App::SilentUiPort ui;
    Diag::ReportSettings settings;
    settings.silentMode = true;
    settings.exeName = QStringLiteral("Kadex_Config");
    settings.servicePackLogPath = log;
    Diag::ErrorReport report(settings, ui);
    ui.reportTo(report);

    EXPECT_EQ(ui.showMessage({QStringLiteral("Max. 16 erlaubt!"), QString(), Diag::Buttons::Ok, Diag::Icon::None,
                              Diag::Answer::Ok}),
              Diag::Answer::Ok);
    EXPECT_EQ(ui.showMessage({QStringLiteral("Cancel?"), QString(), Diag::Buttons::YesNo, Diag::Icon::Exclamation,
                              Diag::Answer::No}),
              Diag::Answer::No);
    EXPECT_EQ(fileLines(log), (QStringList{QStringLiteral("! Fault Kadex_Config: Max. 16 erlaubt!"),
                                           QStringLiteral("! Fault Kadex_Config: Cancel?")}));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(ui.runStatus().exitStatus(), 1);
}

// The end of the program unwinds first: an open transaction is rolled back by its owner before the process ends,
// also when the end comes from a handler that ran inside the event pump. Only endProcess ends the process. (Run in
// a child process, so that a port that ended the process at once could not pass for one that unwinds.)
TEST(SilentUiPortTest, EndUnwindsSoThatOpenTransactionsRollBackAndOnlyEndProcessExits)
{
    TempPlant plant;
    const QString path = plant.path(QStringLiteral("Kadex.mdb"));
    runSql(path, QStringLiteral("CREATE TABLE PRESET_DEFS (ID SMALLINT)"));
    App::SilentUiPort ui;
    constexpr int Unwound = 3;

    EXPECT_EXIT(
        {
            try {
                PresetDb::Database db(path);
                PresetDb::Transaction transaction(db);
                db.execute(QStringLiteral("DROP TABLE PRESET_DEFS"));
                db.execute(QStringLiteral("CREATE TABLE half (a)"));
                // A handler run by the pump ends the program; the pump carries the end on past itself.
                QTimer::singleShot(0, [&ui] {
                    try {
                        ui.endProgram();
                    } catch (const Diag::ProgramEnded &) {
                    }
                });
                ui.pumpEvents();
            } catch (const Diag::ProgramEnded &) {
                std::_Exit(Unwound);
            }
            std::_Exit(Unwound + 1);
        },
        testing::ExitedWithCode(Unwound), "");
    EXPECT_EQ(queryRows(path, QStringLiteral("SELECT name FROM sqlite_master")), Rows{{"'PRESET_DEFS'"}});
    EXPECT_FALSE(QFile::exists(path + QStringLiteral("-journal")));

    EXPECT_EXIT(ui.endProcess(), testing::ExitedWithCode(0), "");
}

} // namespace Kadex::Test
