#pragma once

#include "platform/IniText.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>

#include <optional>

namespace Kadex::Platform {

// Finds entries of an unchanging IniText by name through hashes instead of walking its lines: for a file that is
// read many times between changes. The sections are indexed at construction, a section's keys at its first
// lookup. Reads exactly as the IniText's own value(). The IniText must outlive the lookup and stay unchanged.
class IniLookup
{
public:
    explicit IniLookup(const IniText &text);
    IniLookup(const IniLookup &) = delete;
    IniLookup &operator=(const IniLookup &) = delete;

    std::optional<QByteArray> value(const QByteArray &section, const QByteArray &key) const;

private:
    struct Keys
    {
        qsizetype firstLine = 0;
        qsizetype endLine = 0;
        mutable std::optional<QHash<QString, qsizetype>> lines; // line of each key's first entry, once looked at
    };

    const IniText &m_text;
    QHash<QString, Keys> m_sections;
    mutable QMutex m_keysMutex; // a kept file may be read from more than one thread

};

} // namespace Kadex::Platform
