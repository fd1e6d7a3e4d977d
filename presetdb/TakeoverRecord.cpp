#include "presetdb/TakeoverRecord.h"

#include <algorithm>

namespace Kadex::PresetDb {

const QStringList &TakeoverRecord::carriedFieldNames()
{
    static const QStringList names = {QStringLiteral("abs_min"), QStringLiteral("abs_max"), QStringLiteral("min"),
                                      QStringLiteral("max"), QStringLiteral("pass")};
    return names;
}

void TakeoverRecord::noteCarried(const Value &machineType)
{
    if (const std::optional<QString> key = textKeyOf(machineType)) {
        ++m_carried[*key];
    }
}

void TakeoverRecord::noteUnmatched(const Value &machineType, const Value &varName, const Value &offsetOrBitNo,
                                   const QStringList &fields, const QList<Value> &values, const QString &why)
{
    if (std::all_of(values.begin(), values.end(), [](const Value &v) { return v.isNull(); })) {
        return; // no plant value to lose
    }
    if (!why.isEmpty()) {
        ++m_notCarried;
        noteFailure(why);
    }
    DroppedRow row{machineType, varName, offsetOrBitNo, {}};
    if (fields == carriedFieldNames() && values.size() == fields.size()) {
        row.values = values; // a table with every carried field, in their order: the values as they are
    } else {
        row.values.reserve(carriedFieldNames().size());
        for (const QString &name : carriedFieldNames()) {
            const qsizetype at = fields.indexOf(name);
            row.values.append(at >= 0 && at < values.size() ? values[at] : Value());
        }
    }
    m_dropped.append(std::move(row));
}

void TakeoverRecord::noteFailure(const QString &why)
{
    if (!m_failures.contains(why)) {
        m_failures.append(why);
    }
}

int TakeoverRecord::carriedFor(const QString &machineName) const
{
    return m_carried.value(foldedText(machineName), 0);
}

} // namespace Kadex::PresetDb
