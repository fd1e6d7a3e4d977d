// The language file: created from nothing, filled in for another language, applied to the window.
#include "tests/app/WindowFixture.h"

#include "diag/ErrorReport.h"
#include "diag/LanguageTexts.h"
#include "tests/support/FakeLanguageControl.h"

#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QRegularExpression>

namespace Kadex::Test {

namespace {

// Labels, command buttons and check boxes get a caption entry; every control gets a tool-tip entry; the
// controls with captions carry the help ids 1, 2, 11, 12 and 13.
constexpr int CaptionControls = 1 + 2 + 3 + 5 + 5 + 15 + 40 + 120;
constexpr int AllControls = CaptionControls + 7 /* frames */ + 5 /* lists */ + 5 /* text boxes */;
constexpr int HelpIds = 5;

QStringList keysOf(const QStringList &entries)
{
    QStringList keys;
    for (const QString &entry : entries) {
        keys.append(entry.section(QLatin1Char('='), 0, 0));
    }
    return keys;
}

} // namespace

class LanguageFileTest : public WindowTest
{
protected:
    void SetUp() override { plant.writeStandardPlant(1); }
    QByteArray languageFile() const { return plant.read(QStringLiteral("Kadex/Kadex_Config.ini")); }
    void writeLanguageFile(const QByteArray &bytes) const
    {
        plant.write(QStringLiteral("Kadex/Kadex_Config.ini"), bytes);
    }
};

TEST_F(LanguageFileTest, CreatedFromNothingInGermanWithEveryDesignedCaption)
{
    open();
    const QByteArray file = languageFile();
    EXPECT_EQ(sectionEntries(file, QStringLiteral("Language")), QStringList{QStringLiteral("Language=1031")});

    const QStringList german = sectionEntries(file, QStringLiteral("1031"));
    EXPECT_EQ(german.filter(QRegularExpression(QStringLiteral("^Caption_"))).size(), CaptionControls);
    EXPECT_EQ(german.filter(QRegularExpression(QStringLiteral("^TTT_.*=0$"))).size(), AllControls);
    EXPECT_EQ(german.filter(QRegularExpression(QStringLiteral("^Help\\d+=0$"))).size(), HelpIds);
    EXPECT_EQ(german.size(), CaptionControls + AllControls + HelpIds);
    EXPECT_EQ(keysOf(german).removeDuplicates(), 0);
    for (const char *entry :
         {"Caption_Header_=Kadex - Konfiguration Drehzahlen", "Caption_LabelMaUeber0_=Zus.Eing.&& Ausg.",
          "Caption_LabelMaEinAus14_=Ausg.", "Caption_LabelMaNummer39_=8", "Caption_LabelM5_=M",
          "Caption_CheckMa3_=", "Caption_CommandOK_=", "TTT_CommandOK_=0", "TTT_CheckMa119_=0", "TTT_FrameMa4_=0",
          "TTT_MainFrame_=0", "TTT_ComboMachines1_=0", "TTT_TextPercent5_=0", "Help13=0"}) {
        EXPECT_TRUE(german.contains(QString::fromLatin1(entry))) << entry;
    }

    // A second run finds everything in place and changes no entry.
    TearDown();
    open();
    EXPECT_EQ(iniEntries(languageFile()), iniEntries(file));
}

TEST_F(LanguageFileTest, OtherLanguageKeepsGermanCaptionsAndAddsEveryKeyAsZero)
{
    writeLanguageFile("[Language]\r\nLanguage=1033\r\n");
    open();

    const QStringList english = sectionEntries(languageFile(), QStringLiteral("1033"));
    EXPECT_EQ(english.size(), CaptionControls + AllControls + HelpIds);
    EXPECT_EQ(english.filter(QRegularExpression(QStringLiteral("=0$"))).size(), english.size());
    EXPECT_TRUE(sectionEntries(languageFile(), QStringLiteral("1031")).isEmpty());
    EXPECT_EQ(control<QLabel>(QStringLiteral("Label1"))->text(), QStringLiteral("2. Drehzahlinstrument"));
    EXPECT_EQ(button("CommandOK")->toolTip(), QString());
}

TEST_F(LanguageFileTest, TextsOfTheChosenLanguageAreApplied)
{
    const QByteArray texts = "[Language]\r\nLanguage=1033\r\n[1033]\r\n"
                             "Caption_Label1_=2nd RPM instrument\r\n"
                             "Caption_LabelMaUeber0_=Add. in && out\r\n"
                             "Caption_Header_=0\r\n"
                             "TTT_CommandOK_=Save and quit\r\n"
                             "TTT_CheckMa31_=Input of channel 3\r\n"
                             "Help13=Channel<CRLF>input or output\r\n";
    writeLanguageFile(texts);
    open();

    EXPECT_EQ(control<QLabel>(QStringLiteral("Label1"))->text(), QStringLiteral("2nd RPM instrument"));
    EXPECT_EQ(control<QLabel>(QStringLiteral("LabelMaUeber"), 0)->text(), QStringLiteral("Add. in & out"));
    EXPECT_EQ(control<QLabel>(QStringLiteral("Header"))->text(), QStringLiteral("Kadex - Konfiguration Drehzahlen"));
    EXPECT_EQ(button("CommandOK")->toolTip(), QStringLiteral("Save and quit"));
    EXPECT_EQ(check(31)->toolTip(), QStringLiteral("Input of channel 3"));
    EXPECT_EQ(check(30)->toolTip(), QString());
    // Entries holding a text are never changed; "0" stays "0" outside German.
    EXPECT_TRUE(languageFile().startsWith(texts));

    toggleInfoMode();
    run->ui.answerNext(Diag::Answer::Ok);
    click(check(5));
    EXPECT_EQ(boxTexts(), QStringList{QStringLiteral("Channel\r\ninput or output")});
}

TEST_F(LanguageFileTest, ZeroInGermanIsReplacedByTheDesignAndShowsNoHelpText)
{
    writeLanguageFile("[Language]\r\nLanguage=1031\r\n[1031]\r\nCaption_Header_=0\r\nHelp13=0\r\n");
    open();

    EXPECT_EQ(iniValue(languageFile(), QStringLiteral("1031"), QStringLiteral("Caption_Header_")),
              QStringLiteral("Kadex - Konfiguration Drehzahlen"));
    EXPECT_EQ(iniValue(languageFile(), QStringLiteral("1031"), QStringLiteral("Help13")), QStringLiteral("0"));

    // "0" means no text in this language: the info display shows an empty box, not the marker.
    toggleInfoMode();
    run->ui.answerNext(Diag::Answer::Ok);
    click(check(5));
    EXPECT_EQ(boxTexts(), QStringList{QString()});
}

// ---- The walk itself, on controls of its own ---------------------------------------------------------------------

namespace {

using FakeControl = FakeLanguageControl;

class MemoryLanguageFile : public Diag::LanguageFile
{
public:
    QString load(const QString &section, const QString &key) override
    {
        reads.append(key);
        return entries.value(section + QLatin1Char('/') + key);
    }
    void save(const QString &value, const QString &section, const QString &key) override
    {
        entries.insert(section + QLatin1Char('/') + key, value);
        writes.append(key + QLatin1Char('=') + value);
    }

    QMap<QString, QString> entries{{QStringLiteral("Language/Language"), QStringLiteral("1031")}};
    QStringList reads;
    QStringList writes;
};

} // namespace

TEST(LanguageTextsTest, TagWithNotttInAnyCaseKeepsTheDesignedToolTip)
{
    FakeUiPort ui;
    Diag::ErrorReport report({}, ui);
    MemoryLanguageFile file;
    Diag::LanguageTexts texts(file, report);
    FakeControl quiet(QStringLiteral("LABEL"), QStringLiteral("Quiet"), 0, QStringLiteral("x-notTT"));
    texts.LoadToolTipTexts({&quiet});

    EXPECT_EQ(file.writes, QStringList{QStringLiteral("Caption_Quiet_x-notTT=Text")});
    EXPECT_EQ(quiet.toolTip, QStringLiteral("designed"));
}

TEST(LanguageTextsTest, HelpIdOutsideTheTableEndsOnlyThatControl)
{
    FakeUiPort ui;
    Diag::ErrorReport report({}, ui);
    MemoryLanguageFile file;
    Diag::LanguageTexts texts(file, report);
    FakeControl broken(QStringLiteral("LABEL"), QStringLiteral("Broken"), 101);
    FakeControl next(QStringLiteral("CHECKBOX"), QStringLiteral("Next"), 100);
    texts.LoadToolTipTexts({&broken, &next});

    EXPECT_EQ(file.writes, (QStringList{QStringLiteral("Caption_Broken_=Text"), QStringLiteral("Caption_Next_=Text"),
                                        QStringLiteral("Help100=0"), QStringLiteral("TTT_Next_=0")}));
    EXPECT_FALSE(file.reads.contains(QStringLiteral("Help101")));
    EXPECT_TRUE(ui.boxes.isEmpty());
}

} // namespace Kadex::Test
