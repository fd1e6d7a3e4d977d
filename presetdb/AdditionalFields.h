#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace Kadex::Config {
struct Services;
}

namespace Kadex::PresetDb {

// The fields of PRESET_DEFS beyond the fixed ones, which the take-over selects and requires.
struct AddFields
{
    // Element 0 empty, element 1 "part", then the configured names in their order; nothing when no list could
    // be built in this run.
    std::optional<QStringList> AddFieldList;
    // ", PRESET_DEFS." followed by each element from 1 on, run together.
    QString AddFieldSelect;
    // The list's upper index.
    qint16 AddFieldCount = 0;
};

// The list for a DataBaseAdditionalFields value: "", "part", then the value split at every comma. Blanks are
// kept, and two commas in a row or a comma at the end give an empty name. Calls pump once per element.
template <typename Pump> QStringList additionalFieldList(const QString &entry, Pump &&pump)
{
    QStringList list{QString()};
    QString rest = entry.isEmpty() ? QStringLiteral("part") : QStringLiteral("part,") + entry;
    while (true) {
        pump();
        const qsizetype comma = rest.indexOf(QLatin1Char(','));
        if (comma < 0) {
            list.append(rest);
            return list;
        }
        list.append(rest.left(comma));
        rest = rest.mid(comma + 1);
    }
}

// The additional-field list from the entry DataBaseAdditionalFields of section Project of the module
// configuration; nothing when it could not be read.
std::optional<QStringList> GetAdditionalFieldsMDB(Config::Services &services);

// Sets AddFieldList, AddFieldSelect and AddFieldCount; leaves the last two as they were when no list came back.
void GetAddFields(Config::Services &services, AddFields &fields);

} // namespace Kadex::PresetDb
