#pragma once

#include "presetdb/Value.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace Kadex::PresetDb {

// An old row whose plant values found no new row: they are gone once the module database is replaced.
struct DroppedRow
{
    Value machineType;
    Value varName;
    Value offsetOrBitNo;
    // abs_min, abs_max, min, max and pass, in that order; Null where the old table lacks the field.
    QList<Value> values;
};

// What the take-over did with the old rows: how many carried their values per machine, and the rows dropped.
class TakeoverRecord
{
public:
    // The five carried fields, in the order of DroppedRow::values.
    static const QStringList &carriedFieldNames();

    // An old row whose values went into a new row.
    void noteCarried(const Value &machineType);
    // An old row that found no new row, or whose values a later row of its key overwrote; kept only when it holds
    // at least one value. fields names the carried fields the old table has, values holds them in that order.
    // why, when given, says why a row that had a new row could not be carried: such rows are counted as not
    // carried.
    void noteUnmatched(const Value &machineType, const Value &varName, const Value &offsetOrBitNo,
                       const QStringList &fields, const QList<Value> &values, const QString &why = QString());
    // A failure that kept the take-over from reading or carrying rows at all.
    void noteFailure(const QString &why);

    // Old rows carried over for a machine (machine_type compared without regard to letter case).
    int carriedFor(const QString &machineName) const;
    const QList<DroppedRow> &dropped() const { return m_dropped; }
    // Rows with plant values that a failure kept from being carried, and the failures, each once.
    int notCarried() const { return m_notCarried; }
    const QStringList &failures() const { return m_failures; }

private:
    int m_notCarried = 0;
    QStringList m_failures;
    QHash<QString, int> m_carried;
    QList<DroppedRow> m_dropped;
};

} // namespace Kadex::PresetDb
