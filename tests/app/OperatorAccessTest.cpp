// The window for an operator without a mouse, with a screen reader or in English: the channel matrix by keyboard,
// the focus and the tab order, help on a list box, the controls' names, and the texts of the chosen language.
#include "tests/app/WindowFixture.h"
#include "tests/support/ShippedLanguageFile.h"

#include "diag/ErrorNumbers.h"
#include "diag/IniLanguageFile.h"
#include "diag/ScreenTexts.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QTest>

namespace Kadex::Test {

class OperatorAccessTest : public WindowTest
{
protected:
    void SetUp() override { plant.writeStandardPlant(2); }
    void TearDown() override
    {
        WindowTest::TearDown();
        // The boxes of later tests speak the program's own texts again.
        Diag::IniLanguageFile none(plant.path(QStringLiteral("none.ini")));
        Diag::ScreenTexts::loadChosenLanguage(none);
    }
    void openIn(const QString &language)
    {
        WindowTest::TearDown();
        plant.write(QStringLiteral("Kadex/Kadex_Config.ini"), shippedLanguageFile(language));
        open();
    }
    static QString nameOf(QWidget *control)
    {
        return QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
    }
};

TEST_F(OperatorAccessTest, SpaceMakesTheBoxItsChannelsOneChoice)
{
    open(); // every channel of machine 1 loads as "kein"
    struct Case
    {
        int channel;
        QList<int> columns; // Space on these boxes of the channel, in order
        int written;
    };
    const Case cases[] = {{1, {1}, 2}, {2, {2}, 3}, {3, {0}, 1}, {4, {1, 1}, 2}, {5, {2, 0}, 1}, {6, {2, 2, 1}, 2}};
    for (const Case &c : cases) {
        for (const int column : c.columns) {
            QCheckBox *box = check(3 * (c.channel - 1) + column);
            box->setFocus(Qt::TabFocusReason);
            QTest::keyClick(box, Qt::Key_Space);
        }
        for (int column = 0; column < 3; ++column) {
            EXPECT_EQ(check(3 * (c.channel - 1) + column)->isChecked(), column == c.columns.last())
                << "channel " << c.channel << " box " << column;
        }
    }
    pressOK();
    for (const Case &c : cases) {
        EXPECT_EQ(
            iniValue(programIni(), QStringLiteral("Machine1"), QStringLiteral("KadexInOrOutput%1").arg(c.channel)),
            QString::number(c.written));
    }
}

TEST_F(OperatorAccessTest, FocusStartsOnHelpAndTabGoesRoundTheWholeWindow)
{
    open(); // shown and activated as a window manager does
    ASSERT_EQ(QApplication::focusWidget(), button("CommandQuest"));
    QList<QWidget *> expected{percent(1),     machineList(1),          percent(2),
                              machineList(2), button("CommandCancel"), button("CommandOK")};
    for (int index = 0; index < 48; ++index) {
        expected << check(index);
    }
    expected << button("CommandQuest");
    for (QWidget *next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), next) << nameOf(next).toStdString();
    }
}

TEST_F(OperatorAccessTest, InfoModeClickOnAListShowsItsHelpAndOpensNoList)
{
    plant.write(QStringLiteral("Kadex/Kadex_Config.ini"),
                "[Language]\r\nLanguage=1031\r\n[1031]\r\nHelp11=Zweites\r\n");
    open();
    toggleInfoMode();
    run->ui.answerNext(Diag::Answer::Ok);
    run->ui.answerNext(Diag::Answer::Ok);
    click(machineList(1)); // the focus comes with the click
    click(machineList(1)); // the list has the focus already
    EXPECT_EQ(boxTexts(), (QStringList{QStringLiteral("Zweites"), QStringLiteral("Zweites")}));
    EXPECT_FALSE(machineList(1)->view()->isVisible());
}

TEST_F(OperatorAccessTest, EveryControlIsNamedAndEveryTextIsInTheChosenLanguage)
{
    for (const QString &language : shippedLanguages()) {
        SCOPED_TRACE(language.toStdString());
        openIn(language);
        const auto text = [&](const char *key) {
            return iniValue(shippedLanguageFile(), language, QString::fromLatin1(key)).value_or(QString());
        };
        for (QWidget *control : window->controls().all) {
            EXPECT_TRUE(!control->isVisible() || !nameOf(control).isEmpty()) << control->objectName().toStdString();
        }
        EXPECT_EQ(nameOf(check(10)), QString(text("Name_CheckMaInput")).replace("%1", "M1").replace("%2", "4"));
        EXPECT_EQ(nameOf(percent(2)), QString(text("Name_TextPercent")).replace("%1", "M2"));
        EXPECT_EQ(nameOf(button("CommandQuest")), text("Name_CommandQuest"));
        EXPECT_EQ(window->windowTitle(), QString(text("Text_TitleStandalone")).replace("%1", "Kadex"));
        EXPECT_EQ(machineList(1)->itemText(0), text("Text_NoMachine"));

        run->ui.answerNext(Diag::Answer::Ok);
        paste(percent(1), QStringLiteral("20"));
        run->ui.answerNext(Diag::Answer::No);
        pressCancel();
        toggleInfoMode();
        run->ui.answerNext(Diag::Answer::Ok);
        click(control<QLabel>(QStringLiteral("Label1")));
        ASSERT_EQ(run->ui.boxes.size(), 3);
        EXPECT_EQ(run->ui.boxes[0].text, text("Text_MaxPercent"));
        EXPECT_TRUE(run->ui.boxes[1].text.startsWith(text("Text_CancelEdits") + "\n\r" + text("Text_CancelRemark")));
        EXPECT_EQ(run->ui.boxes[1].title, text("Text_CancelTitle"));
        EXPECT_EQ(run->ui.boxes[2].title, text("Text_InfoTitle"));
    }
    EXPECT_NE(iniValue(shippedLanguageFile(), "1033", "Text_CancelEdits"),
              iniValue(shippedLanguageFile(), "1031", "Text_CancelEdits"));
}

TEST_F(OperatorAccessTest, ErrorBoxSpeaksTheChosenLanguageAndTheLogsKeepTheirTexts)
{
    for (const QString &commandLine : {QString(), QStringLiteral("/EXTERNAL:SILENT")}) {
        SCOPED_TRACE(commandLine.toStdString());
        WindowTest::TearDown();
        plant.write(QStringLiteral("Kadex/Kadex_Config.ini"), shippedLanguageFile(QStringLiteral("1031")));
        updateFailure = Diag::Failure{Diag::ErrorNumbers::CouldNotFindFile, Diag::ErrorNumbers::SourceDatabase,
                                      QStringLiteral("Could not find file")};
        open(commandLine);
        if (commandLine.isEmpty()) {
            run->ui.answerNext(Diag::Answer::Yes);
            pressOK();
            ASSERT_EQ(run->ui.boxes.size(), 1);
            EXPECT_TRUE(
                run->ui.boxes[0].text.startsWith(QStringLiteral("Unerwarteter Fehler!\n\rCould not find file")));
            EXPECT_TRUE(run->ui.boxes[0].text.endsWith(QStringLiteral("\n\rFortfahren?")));
            EXPECT_EQ(run->ui.boxes[0].title, QStringLiteral("Unerwarteter Fehler"));
        } else {
            ASSERT_FALSE(run->servicePackLines().isEmpty());
            EXPECT_TRUE(run->servicePackLines().first().contains(QStringLiteral("Unexpected error!")));
        }
        ASSERT_FALSE(run->errorLogLines().isEmpty());
        EXPECT_TRUE(run->errorLogLines().last().startsWith(QStringLiteral("Fehler in Kadex / DAO.Database")));
    }
}

} // namespace Kadex::Test
