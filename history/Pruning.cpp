#include "history/Pruning.h"

#include "diag/Failure.h"
#include "history/HistoryPlace.h"
#include "history/KeptPins.h"
#include "history/KeptSummary.h"
#include "history/PlantValues.h"
#include "history/UpdateHistory.h"
#include "presetdb/SqliteDb.h"

#include <QFileInfo>

#include <algorithm>
#include <iterator>

namespace Kadex::History {

namespace {

// The marks of the plant values the copy at path holds: from its summary, or read from the database when it has
// none (a copy kept before summaries were written), judged by the template it holds itself.
std::vector<quint64> plantValuesOf(const QString &path)
{
    if (std::optional<KeptSummary> summary = readSummaryWithMarks(path)) {
        return std::move(summary->plant);
    }
    if (!QFileInfo(path).isFile()) {
        return {};
    }
    try {
        const std::unique_ptr<PresetDb::Database> db = PresetDb::Database::copyInMemory(path);
        return heldValuesOf(*db, TemplateValues(*db)).plant;
    } catch (const Diag::Failure &) {
        return {}; // no database: it holds no value to keep
    }
}

// Which of the names, oldest first, are protected: each holds a plant value that no newer one and not the live
// database hold.
std::vector<bool> protectedAmong(const QString &folder, const QStringList &names, std::vector<quint64> held)
{
    std::vector<bool> protection(static_cast<size_t>(names.size()), false);
    for (qsizetype i = names.size() - 1; i >= 0; --i) {
        const std::vector<quint64> plant = plantValuesOf(pathIn(folder, names[i]));
        protection[static_cast<size_t>(i)] = !std::includes(held.begin(), held.end(), plant.begin(), plant.end());
        std::vector<quint64> joined;
        joined.reserve(held.size() + plant.size());
        std::set_union(held.begin(), held.end(), plant.begin(), plant.end(), std::back_inserter(joined));
        held.swap(joined);
    }
    return protection;
}

qint64 sizeOf(const QString &folder, const QString &name)
{
    return QFileInfo(pathIn(folder, name)).size();
}

QString overBound(qint64 size, qint64 bound)
{
    return QStringLiteral("The kept module databases that hold tuned values or are pinned take %1 MB, more than the "
                          "history's %2 MB: none of them is pruned. Unpin or move copies that are no longer needed.")
        .arg((size + (1 << 20) - 1) >> 20)
        .arg(bound >> 20);
}

qint64 sizeOfAll(const QString &folder, const QStringList &names)
{
    qint64 size = 0;
    for (const QString &name : names) {
        size += sizeOf(folder, name);
    }
    return size;
}

// Copies are judged only beyond the newest Kept or while they take more than bound.
bool judges(qsizetype names, qint64 size, qint64 bound)
{
    return names > Kept || size > bound;
}

} // namespace

bool pruneJudges(const QString &folder, const QString &dbFileName, qint64 addedBytes, qint64 bound)
{
    const QStringList names = recordedNames(folder, dbFileName);
    return judges(names.size() + 1, sizeOfAll(folder, names) + addedBytes, bound);
}

QString prune(const QString &folder, const QString &dbFileName, const std::vector<quint64> &liveValues,
              const QString &spare, qint64 bound)
{
    const QStringList names = recordedNames(folder, dbFileName);
    qint64 size = sizeOfAll(folder, names);
    if (!judges(names.size(), size, bound)) {
        return {};
    }
    const std::vector<bool> protection = protectedAmong(folder, names, liveValues);
    const auto stays = [&](qsizetype i) {
        return names[i] == spare || protection[static_cast<size_t>(i)] || isPinned(pathIn(folder, names[i]));
    };
    // Beyond the newest ten first, then, while over the bound, the oldest of the others but the newest.
    for (qsizetype i = 0; i + 1 < names.size(); ++i) {
        if (stays(i) || (i + Kept >= names.size() && size <= bound)) {
            continue;
        }
        size -= sizeOf(folder, names[i]);
        removeKept(pathIn(folder, names[i]));
    }
    return size > bound ? overBound(size, bound) : QString();
}

QString boundWarning(const QString &folder, const QString &dbFileName, qint64 bound)
{
    const qint64 size = sizeOfAll(folder, recordedNames(folder, dbFileName));
    return size > bound ? overBound(size, bound) : QString();
}

QString prune(const QString &folder, const QString &dbFileName, const QString &spare)
{
    std::vector<quint64> live;
    try {
        const std::unique_ptr<PresetDb::Database> db =
            PresetDb::Database::copyInMemory(pathIn(QFileInfo(folder).path(), dbFileName));
        live = valueMarksOf(*db);
    } catch (const Diag::Failure &) {
        // Unreadable: the copies are judged as if the module database held nothing, so more of them stay.
    }
    return prune(folder, dbFileName, live, spare);
}

} // namespace Kadex::History
