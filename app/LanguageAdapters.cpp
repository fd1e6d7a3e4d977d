#include "app/LanguageAdapters.h"

#include "app/ControlProperties.h"
#include "diag/Failure.h"
#include "platform/AtomicFile.h"
#include "platform/Cp1252.h"
#include "platform/FileLookup.h"
#include "platform/IniText.h"

#include <QAbstractButton>
#include <QFile>
#include <QFileInfo>
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
        QFile file(Platform::FileLookup::resolvePath(m_path));
        m_readBytes.clear();
        if (QFileInfo(file.fileName()).isFile() && file.open(QIODevice::ReadOnly)) {
            m_readBytes = file.readAll();
        }
        m_text = std::make_unique<Platform::IniText>(m_readBytes);
    }
    return *m_text;
}

QString IniLanguageFile::load(const QString &section, const QString &key)
{
    // As LoadIniString reads: a buffer of 255 characters, a default of blanks that comes back empty.
    constexpr int BufferSize = 255;
    return Platform::Cp1252::decode(text().getString(Platform::Cp1252::encode(section), Platform::Cp1252::encode(key),
                                                     QByteArray(BufferSize, ' '), BufferSize));
}

void IniLanguageFile::save(const QString &value, const QString &section, const QString &key)
{
    text().write(Platform::Cp1252::encode(section), Platform::Cp1252::encode(key), Platform::Cp1252::encode(value));
}

void IniLanguageFile::flush()
{
    if (!m_text) {
        return;
    }
    const QByteArray bytes = m_text->bytes();
    if (bytes != m_readBytes) {
        // As with a failed SaveIni, a file that cannot be written is not noticed.
        Platform::AtomicFile::write(Platform::FileLookup::resolvePath(m_path), bytes);
    }
    m_text.reset();
}

} // namespace Kadex::App
