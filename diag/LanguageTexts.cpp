#include "diag/LanguageTexts.h"

#include "diag/ErrorGuard.h"
#include "diag/Failure.h"

#include <QHash>

namespace Kadex::Diag {

namespace {

const QString NoText = QStringLiteral("0");

// A value of "0" or an empty value: no text in this language.
bool holdsText(const QString &value)
{
    return !value.isEmpty() && value != NoText;
}

bool hasCaption(const QString &typeName)
{
    return typeName == QStringLiteral("LABEL") || typeName == QStringLiteral("COMMANDBUTTON") ||
           typeName == QStringLiteral("CHECKBOX");
}

} // namespace

LanguageTexts::LanguageTexts(LanguageFile &file, ErrorReport &report) : m_file(file), m_report(report) {}

QString LanguageTexts::GetLanguage()
{
    return language(true);
}

QString LanguageTexts::language(bool flushAdded)
{
    ErrorGuard guard(m_report, QStringLiteral("GetLanguage"));
    const QString section = QStringLiteral("Language");
    const QString language = guard.value([&] { return m_file.load(section, section); }, QString());
    if (!language.isEmpty()) {
        return language;
    }
    guard.step([&] {
        m_file.save(German, section, section);
        if (flushAdded) {
            m_file.flush();
        }
    });
    return German;
}

void LanguageTexts::LoadToolTipTexts(const QList<LanguageControl *> &controls)
{
    // The language entry goes to the file with the other entries added, in one write.
    const QString lang = language(false);
    // A control is an array member when another control shares its name; members carry their index.
    QHash<QString, int> namesakes;
    for (const LanguageControl *control : controls) {
        ++namesakes[control->name()];
    }
    for (LanguageControl *control : controls) {
        const bool arrayMember = namesakes.value(control->name()) > 1;
        ErrorGuard guard(m_report, QStringLiteral("LoadToolTipTexts"), ErrorGuard::Kind::Ignoring);
        guard.step([&] { processControl(*control, arrayMember, lang); });
    }
    m_file.flush();
}

void LanguageTexts::processControl(LanguageControl &control, bool arrayMember, const QString &lang)
{
    const QString keySuffix = control.name() + (arrayMember ? QString::number(control.index()) : QString()) +
                              QLatin1Char('_') + control.tag();
    if (hasCaption(control.typeName())) {
        applyCaption(control, keySuffix, lang);
        if (control.helpId() != 0) {
            readHelpText(control, lang);
        }
    }
    if (!control.tag().toUpper().contains(QStringLiteral("NOTTT"))) {
        applyToolTip(control, keySuffix, lang);
    }
}

void LanguageTexts::applyCaption(LanguageControl &control, const QString &keySuffix, const QString &lang)
{
    const QString key = QStringLiteral("Caption_") + keySuffix;
    const QString value = m_file.load(lang, key);
    if (holdsText(value)) {
        control.setCaption(value);
    } else if (lang != German) {
        m_file.save(NoText, lang, key);
    } else {
        m_file.save(control.caption(), lang, key);
    }
}

void LanguageTexts::readHelpText(const LanguageControl &control, const QString &lang)
{
    const int helpId = control.helpId();
    const QString key = QStringLiteral("Help") + QString::number(helpId);
    if (helpId < 1 || helpId > HelpTextCount) {
        // Ends this control's processing: its tool-tip is not handled either.
        throw Failure::subscriptOutOfRange(key);
    }
    const QString value = m_file.load(lang, key);
    // "0" means no text in this language, so the info display shows nothing rather than the marker.
    m_helpTexts[static_cast<size_t>(helpId - 1)] = holdsText(value) ? value : QString();
    if (!holdsText(value)) {
        m_file.save(NoText, lang, key);
    }
}

void LanguageTexts::applyToolTip(LanguageControl &control, const QString &keySuffix, const QString &lang)
{
    const QString key = QStringLiteral("TTT_") + keySuffix;
    const QString value = m_file.load(lang, key);
    if (holdsText(value)) {
        control.setToolTip(value);
    } else {
        m_file.save(NoText, lang, key);
    }
}

QString LanguageTexts::helpText(int helpId) const
{
    if (helpId < 1 || helpId > HelpTextCount) {
        return {};
    }
    return m_helpTexts[static_cast<size_t>(helpId - 1)];
}

} // namespace Kadex::Diag
