// The window with real Qt message boxes: focus that comes back to a control when a box closes is not the operator
// entering the control again.
#include "tests/app/QtPrinters.h"

#include "app/FormLayout.h"
#include "app/MainWindow.h"
#include "app/PercentBox.h"
#include "app/QtUiPort.h"
#include "tests/support/TestRun.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace Kadex::Test {

namespace {

// Answers every message box that opens with its default button, and keeps the texts of the boxes.
class BoxAnswerer
{
public:
    BoxAnswerer()
    {
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && box->isVisible() && !m_answered.contains(box)) {
                m_answered.append(box);
                texts.append(box->text());
                box->defaultButton() ? box->defaultButton()->click() : box->accept();
            }
        });
        m_poll.start(10);
    }

    QStringList texts;

private:
    QTimer m_poll;
    QList<QMessageBox *> m_answered;
};

} // namespace

TEST(FocusWithMessageBoxesTest, TabIntoAPercentageBoxInInfoModeShowsExactlyOneBox)
{
    TempPlant plant;
    plant.writeStandardPlant(1);
    plant.write(QStringLiteral("Kadex/Kadex_Config.ini"),
                "[Language]\r\nLanguage=1031\r\n[1031]\r\nHelp12=Prozent\r\n");
    TestRun run(plant);
    App::QtUiPort ui(QStringLiteral("Kadex_Config"));
    App::MainWindow window(run.services, ui, [] {});
    window.load();
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const App::FormControls &form = window.controls();

    QTest::mouseClick(form.CommandQuest, Qt::LeftButton, {}, form.CommandQuest->rect().center());
    form.CommandQuest->setFocus(Qt::TabFocusReason);
    BoxAnswerer answerer;
    QTest::keyClick(form.CommandQuest, Qt::Key_Tab);
    QTest::qWait(100);
    // The window becomes active again once the box has closed, and the box gets its focus back.
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::qWait(100);

    EXPECT_EQ(answerer.texts, QStringList{QStringLiteral("Prozent")});
    EXPECT_EQ(QApplication::focusWidget(), form.TextPercent[1]);
    EXPECT_EQ(form.TextPercent[1]->selectedText(), QString());
}

} // namespace Kadex::Test
