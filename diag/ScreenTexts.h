#pragma once

#include <QString>

namespace Kadex::Diag {

class LanguageFile;

// The texts the program shows on screen besides the controls' captions, tool-tips and help texts: message boxes,
// the window title, the list's "Keine", the message box buttons and the names a screen reader reads for the
// controls. Each has a default, the text the program has always shown, and may be given in the chosen language's
// section of the language file. Log lines never use them: other programs read the logs.
enum class ScreenText {
    TitleIntegrated,  // %1: the program's folder
    TitleStandalone,  // %1: the program's folder
    NoMachine,        // the list entry for no second instrument
    MaxPercent,       // the percentage limit
    InfoTitle,        // the title of a help text's box
    CancelEdits,      // the Cancel question, line 1
    CancelRemark,     // line 2
    NothingTakenOver, // line 3
    ConfigureAgain,   // integrated run, line 4; %1: the module name in quotes, then the program's path follows
    CancelTitle,      //
    UnexpectedError,  // first line of an error report
    Resume,           // last line of an error report that asks
    UnexpectedErrorTitle,
    FatalErrorTitle,
    ErrorLoggedTo, // followed by a line break and the log's path
    ErrorNotLogged,
    AnotherRunActive, // a second run of the plant
    ButtonYes,
    ButtonNo,
    ButtonOk,
    NameHelp, // accessible names of the controls
    NameOk,
    NameCancel,
    NameMainFrame,
    NameMachineRows,
    NamePercent,       // %1: the machine's name
    NameSecondMachine, // %1: the machine's name
    NameChannelNone,   // %1: the machine's name, %2: the channel number
    NameChannelInput,  // as above
    NameChannelOutput, // as above
    Count
};

namespace ScreenTexts {

// The key of the text in a language's section, "Text_..." or "Name_...".
QString key(ScreenText text);
QString defaultText(ScreenText text);
// The text in the language last loaded, or its default.
QString text(ScreenText text);
// The text with %1 (and %2) put in.
QString text(ScreenText text, const QString &first, const QString &second = {});

// Takes the texts of language from the file; a text the section lacks (or holds as "0") keeps its default. Adds
// nothing to the file.
void load(LanguageFile &file, const QString &language);
// Takes the texts of the language the file chooses (section Language, key Language; 1031 when it chooses none)
// without writing to the file.
void loadChosenLanguage(LanguageFile &file);

} // namespace ScreenTexts

} // namespace Kadex::Diag
