#include "diag/ScreenTexts.h"

#include "diag/LanguageTexts.h"

#include <array>

namespace Kadex::Diag::ScreenTexts {

namespace {

struct Entry
{
    const char *key;
    const char *defaultText; // UTF-8
};

constexpr int Count = static_cast<int>(ScreenText::Count);

constexpr std::array<Entry, Count> Entries{{
    {"Text_TitleIntegrated", "Erweiterte Konfiguration %1 - integriert"},
    {"Text_TitleStandalone", "Erweiterte Konfiguration %1 - standalone"},
    {"Text_NoMachine", "Keine"},
    {"Text_MaxPercent", "Max. 16 erlaubt!"},
    {"Text_InfoTitle", "Info:"},
    {"Text_CancelEdits", "Cancel edits?"},
    {"Text_CancelRemark", "Remark:"},
    {"Text_NothingTakenOver", "Until now no changes have been taken over"},
    {"Text_ConfigureAgain", "%1 has to be configured again in \"standalone-mode\" via"},
    {"Text_CancelTitle", "Cancel?"},
    {"Text_UnexpectedError", "Unexpected error!"},
    {"Text_Resume", "Resume?"},
    {"Text_UnexpectedErrorTitle", "Unexpected error"},
    {"Text_FatalErrorTitle", "Fatal error"},
    {"Text_ErrorLoggedTo", "Error logged to"},
    {"Text_ErrorNotLogged", "Error not logged"},
    {"Text_AnotherRunActive",
     "Another configuration run of this plant is active; nothing was changed. Try again when it has ended."},
    {"Text_Yes", "Yes"},
    {"Text_No", "No"},
    {"Text_OK", "OK"},
    {"Name_CommandQuest", "Hilfe"},
    {"Name_CommandOK", "OK"},
    {"Name_CommandCancel", "Abbrechen"},
    {"Name_MainFrame", "Einstellungen"},
    {"Name_FrameKadex", "Maschinen"},
    {"Name_TextPercent", "%1: Anzahl Prozenteingaben"},
    {"Name_ComboMachines", "%1: Maschine mit dem 2. Drehzahlinstrument"},
    {"Name_CheckMaNone", "%1, Kanal %2: kein"},
    {"Name_CheckMaInput", "%1, Kanal %2: Eingang"},
    {"Name_CheckMaOutput", "%1, Kanal %2: Ausgang"},
}};
static_assert(Entries.back().key != nullptr, "every screen text has its entry");

// The texts of the language last loaded; an empty slot stands for the default. Written only by load.
std::array<QString, Count> &loaded()
{
    static std::array<QString, Count> texts;
    return texts;
}

const Entry &entryOf(ScreenText text)
{
    return Entries.at(static_cast<size_t>(text));
}

} // namespace

QString key(ScreenText text)
{
    return QString::fromLatin1(entryOf(text).key);
}

QString defaultText(ScreenText text)
{
    return QString::fromUtf8(entryOf(text).defaultText);
}

QString text(ScreenText text)
{
    const QString &given = loaded().at(static_cast<size_t>(text));
    return given.isEmpty() ? defaultText(text) : given;
}

QString text(ScreenText which, const QString &first, const QString &second)
{
    // %2 first: a %2 inside the first value stays as it is.
    return text(which).replace(QStringLiteral("%2"), second).replace(QStringLiteral("%1"), first);
}

void load(LanguageFile &file, const QString &language)
{
    for (int i = 0; i < Count; ++i) {
        const QString value = file.load(language, QString::fromLatin1(Entries.at(static_cast<size_t>(i)).key));
        // "0", as for every text of the file, means none in this language.
        loaded().at(static_cast<size_t>(i)) = value == QStringLiteral("0") ? QString() : value;
    }
}

void loadChosenLanguage(LanguageFile &file)
{
    const QString section = QStringLiteral("Language");
    const QString language = file.load(section, section);
    load(file, language.isEmpty() ? LanguageTexts::German : language);
    file.flush(); // nothing was saved: this only lets the next read see the file afresh
}

} // namespace Kadex::Diag::ScreenTexts
