#include "app/LanguageAdapters.h"

#include "app/ControlProperties.h"
#include "diag/Failure.h"
#include "platform/AtomicFile.h"
#include "platform/Cp1252.h"
#include "platform/FileLookup.h"
#include "platform/IniFileCache.h"
#include "platform/IniText.h"

#include <QAbstractButton>
#include <QLabel>

namespace Kadex::App {

namespace Props = ControlProperties;

QString WidgetLanguageControl::typeName() const
{
    return Props::typeNameOf(m_widget);
}

QString WidgetLanguageControl::name() const
{
    return m_widget->objectName();
}

int WidgetLanguageControl::index() const
{
    return Props::indexOf(m_widget).value_or(0);
}

QString WidgetLanguageControl::tag() const
{
    return Props::tagOf(m_widget);
}

int WidgetLanguageControl::helpId() const
{
    return Props::helpIdOf(m_widget);
}

QString WidgetLanguageControl::caption() const
{
    if (const auto *label = qobject_cast<const QLabel *>(m_widget)) {
        return Props::labelCaption(label);
    }
    if (const auto *button = qobject_cast<const QAbstractButton *>(m_widget)) {
        return button->text();
    }
    throw Diag::Failure::invalidArgument(QStringLiteral("Caption of ") + name());
}

void WidgetLanguageControl::setCaption(const QString &caption)
{
    if (auto *label = qobject_cast<QLabel *>(m_widget)) {
        Props::setLabelCaption(label, caption);
        return;
    }
    if (auto *button = qobject_cast<QAbstractButton *>(m_widget)) {
        button->setText(caption);
        return;
    }
    throw Diag::Failure::invalidArgument(QStringLiteral("Caption of ") + name());
}

void WidgetLanguageControl::setToolTip(const QString &toolTip)
{
    m_widget->setToolTip(toolTip);
}

IniLanguageFile::IniLanguageFile(QString path) : m_path(std::move(path)) {}

IniLanguageFile::~IniLanguageFile() = default;

Platform::IniText &IniLanguageFile::text()
{
    if (!m_text) {
        // A missing or unreadable file reads as an empty one, as for every INI read.
        const auto file = Platform::IniFileCache::read(Platform::FileLookup::resolvePath(m_path));
        m_readBytes = file ? file->bytes : QByteArray();
        m_text = std::make_unique<Platform::IniText>(file ? file->text : Platform::IniText());
        m_values.reset();
    }
    return *m_text;
}

QString IniLanguageFile::load(const QString &section, const QString &key)
{
    // As LoadIniString reads: a buffer of 255 characters, a default of blanks that comes back empty.
    constexpr int BufferSize = 255;
    const QByteArray sectionBytes = Platform::Cp1252::encode(section);
    const QString sectionName = text().lookupName(sectionBytes);
    if (!m_values || m_valuesSection != sectionName) {
        m_values = text().sectionValues(sectionBytes);
        m_valuesSection = sectionName;
    }
    const std::optional<QByteArray> found = m_values->value(text().lookupName(Platform::Cp1252::encode(key)));
    return Platform::Cp1252::decode(Platform::IniText::bufferedString(found, QByteArray(BufferSize, ' '), BufferSize));
}

void IniLanguageFile::save(const QString &value, const QString &section, const QString &key)
{
    const QByteArray sectionBytes = Platform::Cp1252::encode(section);
    const QByteArray keyBytes = Platform::Cp1252::encode(key);
    const QByteArray valueBytes = Platform::Cp1252::encode(value);
    const Platform::IniText::Edit edit = text().write(sectionBytes, keyBytes, valueBytes);
    if (!m_values || !edit.changed) {
        return;
    }
    // A line break in the texts adds lines, a '[' in the key can make its line a section header, and a '=' in the
    // key makes its line the entry of a shorter key: then more than this entry may have changed, and the section is
    // read again at the next load.
    const bool oneEntry = !keyBytes.contains('[') && !keyBytes.contains('=') && !keyBytes.contains('\r') &&
                          !keyBytes.contains('\n') && !valueBytes.contains('\r') && !valueBytes.contains('\n');
    if (!oneEntry) {
        m_values.reset();
    } else if (text().lookupName(sectionBytes) == m_valuesSection) {
        m_values->insert(text().lookupName(keyBytes), text().value(sectionBytes, keyBytes));
    }
}

void IniLanguageFile::flush()
{
    if (!m_text) {
        return;
    }
    const QByteArray bytes = m_text->bytes();
    if (bytes != m_readBytes) {
        // As with a failed SaveIni, a file that cannot be written is not noticed.
        const QString resolved = Platform::FileLookup::resolvePath(m_path);
        if (Platform::AtomicFile::write(resolved, bytes)) {
            Platform::IniFileCache::remember(resolved, bytes, std::move(*m_text));
        }
    }
    m_text.reset();
    m_values.reset();
}

} // namespace Kadex::App
