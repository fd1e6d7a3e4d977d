#pragma once

#include <QList>
#include <QString>

#include <array>

namespace Kadex::Diag {

class ErrorReport;

// One control of the window as the language texts see it. The window supplies these in a fixed order that
// covers every control once; the texts never touch a widget themselves.
class LanguageControl
{
public:
    virtual ~LanguageControl() = default;

    // The type name in upper case: "LABEL", "COMMANDBUTTON", "CHECKBOX", "FRAME", "COMBOBOX", "TEXTBOX".
    virtual QString typeName() const = 0;
    virtual QString name() const = 0;
    // The index within its control array; only looked at for array members.
    virtual int index() const = 0;
    virtual QString tag() const = 0;
    // The context-help number; 0 means none.
    virtual int helpId() const = 0;
    // The caption as designed, with "&&" for a literal ampersand.
    virtual QString caption() const = 0;
    virtual void setCaption(const QString &caption) = 0;
    virtual void setToolTip(const QString &toolTip) = 0;
};

// The language file as the texts use it: one INI file read and written entry by entry.
class LanguageFile
{
public:
    virtual ~LanguageFile() = default;

    // The entry's text; "" when it is missing or empty.
    virtual QString load(const QString &section, const QString &key) = 0;
    virtual void save(const QString &value, const QString &section, const QString &key) = 0;
    // Makes the saved entries durable; a file that saves each entry at once has nothing to do here.
    virtual void flush() {}
};

// Captions, tool-tips and help texts of the chosen language, from the program's own INI file. Whatever the
// file does not yet hold is added to it, so that it always lists every text a translator can fill in.
class LanguageTexts
{
public:
    static constexpr int HelpTextCount = 100;
    static inline const QString German = QStringLiteral("1031");

    LanguageTexts(LanguageFile &file, ErrorReport &report);

    // The language code of section Language, key Language; writes and returns "1031" when it is not set.
    QString GetLanguage();
    // Applies the language's captions and tool-tips to the controls, in the given order, fills the help text
    // table and adds the missing entries to the file. A control whose processing fails is skipped silently.
    void LoadToolTipTexts(const QList<LanguageControl *> &controls);

    // The help text of help id 1..100; "" for any other id and for ids without a text in this language.
    QString helpText(int helpId) const;

private:
    // GetLanguage; an entry it adds is made durable at once only with flushAdded.
    QString language(bool flushAdded);
    void processControl(LanguageControl &control, bool arrayMember, const QString &lang);
    void applyCaption(LanguageControl &control, const QString &keySuffix, const QString &lang);
    void readHelpText(const LanguageControl &control, const QString &lang);
    void applyToolTip(LanguageControl &control, const QString &keySuffix, const QString &lang);

    LanguageFile &m_file;
    ErrorReport &m_report;
    std::array<QString, HelpTextCount> m_helpTexts;
};

} // namespace Kadex::Diag
