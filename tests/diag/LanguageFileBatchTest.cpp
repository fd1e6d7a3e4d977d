// The language file read in one pass and written once gives what reading and writing it entry by entry through
// the INI operations gives: the same texts on the controls and the same bytes in the file.
#include "config/IniAccess.h"
#include "diag/ErrorReport.h"
#include "diag/IniLanguageFile.h"
#include "diag/LanguageTexts.h"
#include "tests/support/FakeLanguageControl.h"
#include "tests/support/FakeUiPort.h"
#include "tests/support/QtPrinters.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace Kadex::Test {

namespace {

// Every load and save goes through LoadIniString and SaveIni, one entry at a time.
class EntryByEntryFile : public Diag::LanguageFile
{
public:
    EntryByEntryFile(Config::IniAccess &ini, QString path) : m_ini(ini), m_path(std::move(path)) {}
    QString load(const QString &section, const QString &key) override
    {
        return m_ini.LoadIniString(section, key, m_path);
    }
    void save(const QString &value, const QString &section, const QString &key) override
    {
        m_ini.SaveIni(value, section, key, m_path);
    }

private:
    Config::IniAccess &m_ini;
    QString m_path;
};

// Controls whose keys meet again (two members with one index, a shared help id), whose tag holds a bracket or a
// '=' or whose caption holds a line break, so that a write changes what a later read finds.
std::vector<std::unique_ptr<FakeLanguageControl>> makeControls()
{
    std::vector<std::unique_ptr<FakeLanguageControl>> controls;
    const auto add = [&](const char *type, const char *name, int index, const char *tag, int helpId,
                         const QString &caption) {
        controls.push_back(std::make_unique<FakeLanguageControl>(QString::fromLatin1(type), QString::fromLatin1(name),
                                                                 helpId, QString::fromLatin1(tag), index, caption));
    };
    add("LABEL", "Header", 0, "", 1, QStringLiteral("Kopf"));
    add("CHECKBOX", "CheckMa", 3, "", 2, QStringLiteral("Eing."));
    add("CHECKBOX", "CheckMa", 3, "", 2, QStringLiteral("Ausg."));
    add("CHECKBOX", "CheckMa", 4, "", 3, QStringLiteral("kein"));
    add("LABEL", "Odd", 0, "[x]", 4, QStringLiteral("eckig"));
    add("LABEL", "Broken", 0, "", 5, QStringLiteral("zwei\r\nTTT_After_=Tipp"));
    add("LABEL", "After", 0, "", 6, QStringLiteral("danach"));
    add("COMMANDBUTTON", "CommandOK", 0, "notTT", 1, QStringLiteral("OK"));
    add("FRAME", "FrameMa", 0, "", 0, QStringLiteral("Ma1"));
    add("LABEL", "Quoted", 0, "", 7, QStringLiteral("  Blanks vorn"));
    // A tag with '=': its entry's line is read as the entry of a shorter key, which the next control uses.
    add("LABEL", "Equals", 0, "Sign_=x", 8, QStringLiteral("gleich"));
    add("LABEL", "Equals_Sign", 0, "", 0, QStringLiteral("danach gleich"));
    return controls;
}

struct Outcome
{
    QByteArray bytes;
    QStringList shown;
    QStringList helpTexts;
};

Outcome runWalk(const QByteArray &start, bool entryByEntry)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kadex_Config.ini"));
    if (!start.isNull()) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(start);
    }
    FakeUiPort ui;
    Diag::ErrorReport report({}, ui);
    Config::IniAccess ini(report);
    EntryByEntryFile single(ini, path);
    Diag::IniLanguageFile batched(path);
    Diag::LanguageFile &file = entryByEntry ? static_cast<Diag::LanguageFile &>(single) : batched;
    Diag::LanguageTexts texts(file, report);
    auto controls = makeControls();
    QList<Diag::LanguageControl *> walk;
    for (const auto &control : controls) {
        walk.append(control.get());
    }
    texts.LoadToolTipTexts(walk);

    Outcome outcome;
    QFile written(path);
    outcome.bytes = written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray("<missing>");
    for (const auto &control : controls) {
        outcome.shown.append(control->caption() + QLatin1Char('|') + control->toolTip);
    }
    for (int id = 1; id <= 8; ++id) {
        outcome.helpTexts.append(texts.helpText(id));
    }
    EXPECT_TRUE(ui.boxes.isEmpty());
    return outcome;
}

} // namespace

TEST(LanguageFileBatchTest, OnePassAndOneWriteMatchEntryByEntryReadsAndWrites)
{
    const QList<QByteArray> files = {
        QByteArray(), // no file yet
        "[Language]\r\nLanguage=1031\r\n",
        "[Language]\r\nLanguage=1033\r\n[1033]\r\nCaption_Header_=Head\r\nTTT_Header_=0\r\n",
        // Names in other letter cases, a second section of the name, a key without '=', quotes and blanks, LF.
        "[language]\nlanguage = 1031 \n[1031]\ncaption_header_=\"Kopf neu\"\nHelp2\nTTT_CheckMa3_ =  Tipp  \n"
        "; comment\n\n[1031]\nHelp1=doppelt\n[Other]\nX=1",
        "[Language]\rLanguage=1031\r[1031]\rCaption_Odd_[x]=alt\rHelp5=Hilfe\rCaption_Broken_=0\r",
    };
    for (const QByteArray &start : files) {
        SCOPED_TRACE(start.isNull() ? std::string("no file") : start.toStdString());
        const Outcome single = runWalk(start, true);
        const Outcome batched = runWalk(start, false);
        EXPECT_EQ(batched.bytes, single.bytes);
        EXPECT_EQ(batched.shown, single.shown);
        EXPECT_EQ(batched.helpTexts, single.helpTexts);
    }
}

// A new language file is written once, with the language entry and every entry the walk adds.
TEST(LanguageFileBatchTest, ANewFileIsWrittenOnce)
{
    class CountedFile : public Diag::IniLanguageFile
    {
    public:
        using IniLanguageFile::IniLanguageFile;
        void flush() override
        {
            ++flushes;
            IniLanguageFile::flush();
        }
        int flushes = 0;
    };
    QTemporaryDir dir;
    FakeUiPort ui;
    Diag::ErrorReport report({}, ui);
    CountedFile file(dir.filePath(QStringLiteral("Kadex_Config.ini")));
    Diag::LanguageTexts texts(file, report);
    auto controls = makeControls();
    QList<Diag::LanguageControl *> walk;
    for (const auto &control : controls) {
        walk.append(control.get());
    }
    texts.LoadToolTipTexts(walk);
    EXPECT_EQ(file.flushes, 1);
    QFile written(file.path());
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().startsWith("[Language]\r\nLanguage=1031\r\n"));
}

} // namespace Kadex::Test
