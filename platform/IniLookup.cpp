#include "platform/IniLookup.h"

#include <QMutexLocker>

namespace Kadex::Platform {

IniLookup::IniLookup(const IniText &text) : m_text(text)
{
    const QList<IniText::Line> &lines = text.m_lines;
    const QList<qsizetype> &headers = text.m_headers;
    const qsizetype firstHeader = headers.isEmpty() ? lines.size() : headers.front();
    // As IniText finds sections: entries above the first header are the section with the empty name, else a "[]"
    // header is; of several sections of a name only the first counts.
    for (qsizetype i = 0; i < firstHeader; ++i) {
        if (lines[i].kind == IniText::Kind::Entry) {
            m_sections.insert(QString(), Keys{0, firstHeader, std::nullopt});
            break;
        }
    }
    for (qsizetype h = 0; h < headers.size(); ++h) {
        const QString name = IniText::foldedName(text.nameOf(lines[headers[h]]));
        if (!m_sections.contains(name)) {
            const qsizetype end = h + 1 < headers.size() ? headers[h + 1] : lines.size();
            m_sections.insert(name, Keys{headers[h] + 1, end, std::nullopt});
        }
    }
}

std::optional<QByteArray> IniLookup::value(const QByteArray &section, const QByteArray &key) const
{
    const auto found = m_sections.constFind(m_text.lookupName(section));
    if (found == m_sections.cend()) {
        return std::nullopt;
    }
    const Keys &keys = *found;
    const QMutexLocker lock(&m_keysMutex);
    if (!keys.lines) {
        QHash<QString, qsizetype> lines;
        for (qsizetype i = keys.firstLine; i < keys.endLine; ++i) {
            if (m_text.m_lines[i].kind == IniText::Kind::Entry) {
                const QString name = IniText::foldedName(m_text.nameOf(m_text.m_lines[i]));
                if (!lines.contains(name)) {
                    lines.insert(name, i);
                }
            }
        }
        keys.lines = std::move(lines);
    }
    const qsizetype line = keys.lines->value(m_text.lookupName(key), -1);
    return line < 0 ? std::nullopt : m_text.valueOfLine(line);
}

} // namespace Kadex::Platform
