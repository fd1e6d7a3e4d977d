// Editing: one choice per channel, the percentage rule, the machine lists, and the info mode of the help button.
#include "tests/app/WindowFixture.h"

#include "diag/Messages.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace Kadex::Test {

namespace {

const QString Br = Diag::Messages::LineBreak;

} // namespace

class InputHandlingTest : public WindowTest
{
protected:
    void SetUp() override
    {
        plant.writeStandardPlant(2);
        open();
    }
};

// ---- The channel matrix -------------------------------------------------------------------------------------

TEST_F(InputHandlingTest, ClickKeepsOneBoxPerChannel)
{
    // CheckMa 31: machine 2, channel 3, "Eing."; loading checked its "kein" box 30.
    ASSERT_TRUE(check(30)->isChecked());
    click(check(31));
    EXPECT_FALSE(check(30)->isChecked());
    EXPECT_TRUE(check(31)->isChecked());
    EXPECT_FALSE(check(32)->isChecked());

    click(check(31));
    EXPECT_TRUE(check(31)->isChecked());
    EXPECT_FALSE(check(30)->isChecked());
    EXPECT_FALSE(check(32)->isChecked());
}

TEST_F(InputHandlingTest, RightClickChecksTheBoxAndClearsItsChannel)
{
    click(check(32), Qt::RightButton);
    EXPECT_FALSE(check(30)->isChecked());
    EXPECT_FALSE(check(31)->isChecked());
    EXPECT_TRUE(check(32)->isChecked());
}

// ---- The percentage rule --------------------------------------------------------------------------------------

TEST_F(InputHandlingTest, TypingTwoThenZeroShowsTheLimitOnceAndKeepsSixteen)
{
    QLineEdit *box = percent(1);
    box->setFocus(Qt::TabFocusReason);
    QTest::keyClick(box, Qt::Key_Backspace);
    ASSERT_EQ(box->text(), QString());

    QTest::keyClicks(box, QStringLiteral("2"));
    EXPECT_EQ(window->numberOfProcent(1), 2);
    EXPECT_TRUE(run->ui.boxes.isEmpty());

    run->ui.answerNext(Diag::Answer::Ok);
    QTest::keyClicks(box, QStringLiteral("0"));
    ASSERT_EQ(run->ui.boxes.size(), 1);
    // No title of its own (the program's), only OK, no icon.
    EXPECT_EQ(run->ui.boxes[0], (Diag::MessageBox{QStringLiteral("Max. 16 erlaubt!"), QString(), Diag::Buttons::Ok,
                                                  Diag::Icon::None, Diag::Answer::Ok}));
    EXPECT_EQ(box->text(), QStringLiteral("16"));
    EXPECT_EQ(window->numberOfProcent(1), 16);
    EXPECT_EQ(box->cursorPosition(), 2);
}

TEST_F(InputHandlingTest, PastingDecimalCommaNumberKeepsItsWholePart)
{
    const LocaleScope german(QLocale(QLocale::German, QLocale::Germany));
    paste(percent(1), QStringLiteral("3,7"));
    EXPECT_EQ(percent(1)->text(), QStringLiteral("3"));
    EXPECT_EQ(window->numberOfProcent(1), 3);
}

TEST_F(InputHandlingTest, PastingTextBringsBackTheLastAcceptedValue)
{
    paste(percent(1), QStringLiteral("5"));
    paste(percent(1), QStringLiteral("abc"));
    EXPECT_EQ(percent(1)->text(), QStringLiteral("5"));
    EXPECT_EQ(window->numberOfProcent(1), 5);

    // A letter typed after the number is refused the same way.
    QTest::keyClicks(percent(1), QStringLiteral("x"));
    EXPECT_EQ(percent(1)->text(), QStringLiteral("5"));
}

TEST_F(InputHandlingTest, PastingNegativeNumberIsAccepted)
{
    paste(percent(2), QStringLiteral("-4"));
    EXPECT_EQ(percent(2)->text(), QStringLiteral("-4"));
    EXPECT_EQ(window->numberOfProcent(2), -4);
}

TEST_F(InputHandlingTest, PastingNumberBeyondSixteenBitsIsReportedThenLimited)
{
    run->ui.answerNext(Diag::Answer::Yes);
    run->ui.answerNext(Diag::Answer::Ok);
    paste(percent(1), QStringLiteral("99999"));

    const QString overflow = QStringLiteral("Unexpected error!") + Br + QStringLiteral("Overflow") + Br +
                             QStringLiteral("Error logged to ") + Br + run->report.errorLogPath() + Br +
                             QStringLiteral("Resume?");
    EXPECT_EQ(boxTexts(), (QStringList{overflow, QStringLiteral("Max. 16 erlaubt!")}));
    EXPECT_EQ(run->errorLogLines(),
              QStringList{QStringLiteral("Fehler in Kadex / Kadex_Config / TextPercent_Change (Nr. 6) :Overflow")});
    EXPECT_EQ(percent(1)->text(), QStringLiteral("16"));
    EXPECT_EQ(window->numberOfProcent(1), 16);
}

TEST_F(InputHandlingTest, EmptiedBoxCountsZeroAtOnceAndShowsZeroWhenLeft)
{
    paste(percent(1), QStringLiteral("7"));
    QLineEdit *box = percent(1);
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    EXPECT_EQ(box->text(), QString());
    EXPECT_EQ(window->numberOfProcent(1), 0);

    QTest::keyClick(box, Qt::Key_Tab);
    EXPECT_FALSE(box->hasFocus());
    EXPECT_EQ(box->text(), QStringLiteral("0"));
    EXPECT_EQ(window->numberOfProcent(1), 0);
}

TEST_F(InputHandlingTest, TabWalksRowsAndSelectsTheWholePercentage)
{
    paste(percent(2), QStringLiteral("12"));
    button("CommandQuest")->setFocus(Qt::TabFocusReason);
    const QList<QWidget *> expected{
        percent(1), machineList(1), percent(2), machineList(2), button("CommandCancel"), button("CommandOK"), check(0)};
    for (QWidget *next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
        if (next == percent(2)) {
            EXPECT_EQ(percent(2)->selectedText(), QStringLiteral("12"));
        }
    }
}

TEST_F(InputHandlingTest, ClickIntoAPercentageBoxSelectsItsWholeTextAsTabDoes)
{
    paste(percent(1), QStringLiteral("4"));
    button("CommandQuest")->setFocus(Qt::TabFocusReason);
    ASSERT_FALSE(percent(1)->hasFocus());

    // A click after the last character: the caret would stand behind the 4.
    QTest::mouseClick(percent(1), Qt::LeftButton, {}, QPoint(percent(1)->width() - 4, percent(1)->height() / 2));
    ASSERT_TRUE(percent(1)->hasFocus());
    EXPECT_EQ(percent(1)->selectedText(), QStringLiteral("4"));

    QTest::keyClicks(percent(1), QStringLiteral("2"));
    EXPECT_EQ(percent(1)->text(), QStringLiteral("2"));
    EXPECT_EQ(window->numberOfProcent(1), 2);
    EXPECT_TRUE(run->ui.boxes.isEmpty());

    // A click into the box that has the focus already places the caret as usual.
    QTest::mouseClick(percent(1), Qt::LeftButton, {}, QPoint(percent(1)->width() - 4, percent(1)->height() / 2));
    EXPECT_EQ(percent(1)->selectedText(), QString());
}

// ---- The machine lists ----------------------------------------------------------------------------------------

TEST_F(InputHandlingTest, ChoosingAMachineRecordsItsListPosition)
{
    machineList(1)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(machineList(1), Qt::Key_Down);
    QTest::keyClick(machineList(1), Qt::Key_Down);
    EXPECT_EQ(machineList(1)->currentText(), QStringLiteral("M2"));
    EXPECT_EQ(window->secondMachineNr(1), 2);
}

// ---- Info mode ------------------------------------------------------------------------------------------------

class InfoModeTest : public WindowTest
{
protected:
    void SetUp() override
    {
        plant.writeStandardPlant(2);
        plant.write(QStringLiteral("Kadex/Kadex_Config.ini"),
                    "[Language]\r\nLanguage=1031\r\n[1031]\r\nHelp1=Speichern\r\nHelp2=Abbrechen\r\n"
                    "Help11=Zweites Instrument\r\nHelp12=Prozent\r\nHelp13=Kanal<crlf>Eingang oder Ausgang\r\n");
        open();
        toggleInfoMode();
    }

    Diag::MessageBox info(const QString &text) const
    {
        return {text, QStringLiteral("Info:"), Diag::Buttons::Ok, Diag::Icon::Information, Diag::Answer::Ok};
    }
    QColor helpButtonColour() const { return button("CommandQuest")->palette().color(QPalette::Button); }
};

TEST_F(InfoModeTest, CheckBoxShowsHelpAndKeepsEveryBox)
{
    EXPECT_EQ(helpButtonColour(), QColor(0x00, 0xFF, 0x00));
    run->ui.answerNext(Diag::Answer::Ok);
    click(check(31));
    EXPECT_TRUE(check(30)->isChecked());
    EXPECT_FALSE(check(31)->isChecked());
    ASSERT_EQ(run->ui.boxes.size(), 1);
    EXPECT_EQ(run->ui.boxes[0], info(QStringLiteral("Kanal\r\nEingang oder Ausgang")));

    // A right click, which does not toggle by itself, changes nothing either.
    run->ui.answerNext(Diag::Answer::Ok);
    click(check(30), Qt::RightButton);
    EXPECT_TRUE(check(30)->isChecked());
    EXPECT_FALSE(check(31)->isChecked());
    EXPECT_EQ(run->ui.boxes.size(), 2);

    toggleInfoMode();
    EXPECT_FALSE(window->infoMode());
    EXPECT_EQ(helpButtonColour(), QColor(0xC0, 0xC0, 0xC0));
}

TEST_F(InfoModeTest, ChoosingAMachineShowsHelpAndKeepsTheRecordedChoice)
{
    run->ui.answerNext(Diag::Answer::Ok);
    machineList(1)->setFocus(Qt::TabFocusReason); // entering the list shows its help too
    run->ui.answerNext(Diag::Answer::Ok);
    machineList(1)->setCurrentIndex(2);
    EXPECT_EQ(boxTexts(), (QStringList{QStringLiteral("Zweites Instrument"), QStringLiteral("Zweites Instrument")}));
    EXPECT_EQ(window->secondMachineNr(1), 0);
    // The list shows the recorded choice again: it never shows a choice that OK would not write.
    EXPECT_EQ(machineList(1)->currentIndex(), 0);
}

TEST_F(InfoModeTest, LabelsAndPercentageBoxesShowTheirHelp)
{
    for (int i = 0; i < 4; ++i) {
        run->ui.answerNext(Diag::Answer::Ok);
    }
    click(control<QLabel>(QStringLiteral("Label1")));
    click(control<QLabel>(QStringLiteral("Label2")));
    percent(1)->setFocus(Qt::TabFocusReason);
    click(percent(1));
    EXPECT_EQ(boxTexts(), (QStringList{QStringLiteral("Zweites Instrument"), QStringLiteral("Prozent"),
                                       QStringLiteral("Prozent"), QStringLiteral("Prozent")}));
    // Typing still changes values in info mode.
    QTest::keyClicks(percent(1), QStringLiteral("3"));
    EXPECT_EQ(window->numberOfProcent(1), 3);
}

TEST_F(InfoModeTest, EnteringAPercentageBoxShowsHelpAndSelectsNothing)
{
    ASSERT_FALSE(percent(1)->text().isEmpty());
    button("CommandQuest")->setFocus(Qt::TabFocusReason);
    run->ui.answerNext(Diag::Answer::Ok);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), percent(1));
    EXPECT_EQ(boxTexts(), QStringList{QStringLiteral("Prozent")});
    EXPECT_EQ(percent(1)->selectedText(), QString());
}

TEST_F(InfoModeTest, OkAndCancelOnlyShowTheirHelp)
{
    const QByteArray before = programIni();
    run->ui.answerNext(Diag::Answer::Ok);
    run->ui.answerNext(Diag::Answer::Ok);
    pressOK();
    pressCancel();
    EXPECT_EQ(boxTexts(), (QStringList{QStringLiteral("Speichern"), QStringLiteral("Abbrechen")}));
    EXPECT_FALSE(window->programEnded());
    EXPECT_TRUE(updates.isEmpty());
    EXPECT_EQ(programIni(), before);
    EXPECT_TRUE(run->errorLogLines().isEmpty());
}

} // namespace Kadex::Test
