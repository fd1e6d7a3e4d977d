#include "platform/IniLookup.h"

namespace Kadex::Platform {

IniLookup::IniLookup(const IniText &text) : m_text(text)
{
    const QList<IniText::Line> &lines = text.m_lines;
    qsizetype firstHeader = 0;
    bool entriesAbove = false;
    while (firstHeader < lines.size() && lines[firstHeader].kind != IniText::Kind::Header) {
        entriesAbove = entriesAbove || lines[firstHeader].kind == IniText::Kind::Entry;
        ++firstHeader;
    }
    // As IniText finds sections: entries above the first header are the section with the empty name, else a "[]"
    // header is; of several sections of a name only the first counts.
    if (entriesAbove) {
        m_sections.insert(QString(), Keys{0, firstHeader, std::nullopt});
    }
    for (qsizetype i = firstHeader; i < lines.size();) {
        const QString name = IniText::foldedName(text.nameOf(lines[i]));
        qsizetype end = i + 1;
        while (end < lines.size() && lines[end].kind != IniText::Kind::Header) {
            ++end;
        }
        if (!m_sections.contains(name)) {
            m_sections.insert(name, Keys{i + 1, end, std::nullopt});
        }
        i = end;
    }
}

std::optional<QByteArray> IniLookup::value(const QByteArray &section, const QByteArray &key) const
{
    const auto found = m_sections.constFind(m_text.lookupName(section));
    if (found == m_sections.cend()) {
        return std::nullopt;
    }
    const Keys &keys = *found;
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
