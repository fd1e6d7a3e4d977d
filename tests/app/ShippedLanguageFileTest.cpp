// The language file the program ships with: its format, that the program reads every language of it without
// adding an entry, and that the info mode shows its help texts.
#include "tests/support/ShippedLanguageFile.h"
#include "tests/app/WindowFixture.h"

#include <QLabel>

namespace Kadex::Test {

namespace {

const QString LanguageFilePath = QStringLiteral("Kadex/Kadex_Config.ini");
const int HelpIds[] = {1, 2, 11, 12, 13};

// Section/key of the shipped file; "" when it is missing.
QString shipped(const QString &section, const QString &key)
{
    return iniValue(shippedLanguageFile(), section, key).value_or(QString());
}

bool holdsText(const QString &value)
{
    return !value.isEmpty() && value != QStringLiteral("0");
}

// The keys of the controls an operator uses: the three buttons, the boxes of each machine row, every channel box.
QStringList operatedControls()
{
    QStringList keys = {QStringLiteral("CommandQuest"), QStringLiteral("CommandOK"), QStringLiteral("CommandCancel")};
    for (int i = 1; i <= 5; ++i) {
        keys << QStringLiteral("ComboMachines%1").arg(i) << QStringLiteral("TextPercent%1").arg(i);
    }
    for (int index = 0; index < 120; ++index) {
        keys << QStringLiteral("CheckMa%1").arg(index);
    }
    return keys;
}

} // namespace

TEST(ShippedLanguageFileFormatTest, EveryLineEndsInCrLfAndEveryValueIsReadWhole)
{
    const QByteArray bytes = shippedLanguageFile();
    ASSERT_TRUE(bytes.startsWith("[Language]\r\nLanguage=1031\r\n"));
    ASSERT_TRUE(bytes.endsWith("\r\n"));
    // Windows-1252 leaves five bytes undefined; none of them may stand in the file.
    for (const char undefined : {'\x81', '\x8D', '\x8F', '\x90', '\x9D'}) {
        EXPECT_FALSE(bytes.contains(undefined)) << int(static_cast<unsigned char>(undefined));
    }
    const QList<QByteArray> lines = bytes.chopped(1).split('\n');
    for (const QByteArray &line : lines) {
        EXPECT_TRUE(line.endsWith('\r') && line.count('\r') == 1) << line.toStdString();
        // The texts are read into a buffer of 255 characters: a longer value would be cut off.
        EXPECT_LE(line.mid(line.indexOf('=') + 1).chopped(1).size(), 254) << line.left(40).toStdString();
    }
}

TEST(ShippedLanguageFileFormatTest, EveryLanguageExplainsEveryOperatedControlAndTranslatesEveryCaption)
{
    EXPECT_EQ(shippedLanguages(), (QStringList{QStringLiteral("1031"), QStringLiteral("1033")}));
    const QStringList german = sectionEntries(shippedLanguageFile(), QStringLiteral("1031"));
    for (const QString &language : shippedLanguages()) {
        for (const QString &control : operatedControls()) {
            EXPECT_TRUE(holdsText(shipped(language, QStringLiteral("TTT_") + control + QLatin1Char('_'))))
                << language.toStdString() << " " << control.toStdString();
        }
        for (const int id : HelpIds) {
            EXPECT_TRUE(holdsText(shipped(language, QStringLiteral("Help%1").arg(id)))) << id;
        }
        // A control designed with a caption shows one in every language; one designed without keeps none.
        for (const QString &entry : german.filter(QRegularExpression(QStringLiteral("^Caption_")))) {
            const QString key = entry.section(QLatin1Char('='), 0, 0);
            const bool designed = !entry.section(QLatin1Char('='), 1).isEmpty();
            const QString value = shipped(language, key);
            EXPECT_EQ(holdsText(value), designed) << language.toStdString() << " " << entry.toStdString();
        }
    }
    EXPECT_NE(shipped(QStringLiteral("1033"), QStringLiteral("Caption_Label2_")),
              shipped(QStringLiteral("1031"), QStringLiteral("Caption_Label2_")));
}

class ShippedLanguageWindowTest : public WindowTest
{
protected:
    void SetUp() override { plant.writeStandardPlant(2); }

    // Opens the window on the plant carrying the shipped file set to language.
    void openIn(const QString &language)
    {
        TearDown();
        plant.write(LanguageFilePath, shippedLanguageFile(language));
        open();
    }
};

TEST_F(ShippedLanguageWindowTest, EveryLanguageIsReadWithoutAddingAnEntry)
{
    for (const QString &language : shippedLanguages()) {
        SCOPED_TRACE(language.toStdString());
        openIn(language);
        EXPECT_EQ(control<QLabel>(QStringLiteral("Label1"))->text(),
                  shipped(language, QStringLiteral("Caption_Label1_")));
        EXPECT_EQ(check(4)->toolTip(), shipped(language, QStringLiteral("TTT_CheckMa4_")));
        EXPECT_EQ(percent(2)->toolTip(), shipped(language, QStringLiteral("TTT_TextPercent2_")));
        TearDown();
        EXPECT_EQ(plant.read(LanguageFilePath), shippedLanguageFile(language));
    }
}

TEST_F(ShippedLanguageWindowTest, InfoModeShowsEachControlsHelpTextInEveryLanguage)
{
    const QMap<QString, QString> phrase = {{QStringLiteral("1031"), QStringLiteral("Drehzahlinstrument")},
                                           {QStringLiteral("1033"), QStringLiteral("RPM instrument")}};
    for (const QString &language : shippedLanguages()) {
        SCOPED_TRACE(language.toStdString());
        openIn(language);
        toggleInfoMode();
        for (int box = 0; box < 5; ++box) {
            run->ui.answerNext(Diag::Answer::Ok);
        }
        click(control<QLabel>(QStringLiteral("Label1")));
        click(control<QLabel>(QStringLiteral("Label2")));
        click(check(4));
        pressOK();
        pressCancel();

        QStringList expected;
        for (const int id : {11, 12, 13, 1, 2}) {
            // The marker <CRLF> in a text is a line break on the screen.
            expected << shipped(language, QStringLiteral("Help%1").arg(id))
                            .replace(QStringLiteral("<CRLF>"), QStringLiteral("\r\n"));
        }
        EXPECT_EQ(boxTexts(), expected);
        ASSERT_FALSE(boxTexts().isEmpty());
        EXPECT_TRUE(boxTexts().first().contains(phrase.value(language))) << boxTexts().first().toStdString();
        EXPECT_TRUE(boxTexts().first().contains(QStringLiteral("\r\n")));
        EXPECT_FALSE(window->programEnded());
    }
}

} // namespace Kadex::Test
