#include "diag/IniLanguageFile.h"

#include "platform/AtomicFile.h"
#include "platform/Cp1252.h"
#include "platform/FileLookup.h"
#include "platform/IniFileCache.h"
#include "platform/IniText.h"

namespace Kadex::Diag {

IniLanguageFile::IniLanguageFile(QString path) : m_path(std::move(path)) {}

IniLanguageFile::~IniLanguageFile() = default;

Platform::IniText &IniLanguageFile::text()
{
    if (!m_text) {
        // A missing or unreadable file reads as an empty one, as for every INI read.
        const auto file = Platform::IniFileCache::read(Platform::FileLookup::resolvePath(m_path));
        m_readBytes = file ? file->bytes : QByteArray();
        m_text = std::make_unique<Platform::IniText>(file ? file->text : Platform::IniText());
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
        const QString resolved = Platform::FileLookup::resolvePath(m_path);
        if (Platform::AtomicFile::write(resolved, bytes)) {
            Platform::IniFileCache::remember(resolved, bytes, std::move(*m_text));
        }
    }
    m_text.reset();
}

} // namespace Kadex::Diag
