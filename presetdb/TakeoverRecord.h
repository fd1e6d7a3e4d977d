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
    // An old row that found no new row; kept only when it holds at least one value. fields names the carried
    // fields the old table has, values holds them in that order.
    void noteUnmatched(const Value &machineType, const Value &varName, const Value &offsetOrBitNo,
                       const QStringList &fields, const QList<Value> &values);

    // Old rows carried over for a machine (machine_type compared without regard to letter case).
    int carriedFor(const QString &machineName) const;
    const QList<DroppedRow> &dropped() const { return m_dropped; }

private:
    QHash<QString, int> m_carried;
    QList<DroppedRow> m_dropped;
};

} // namespace Kadex::PresetDb
