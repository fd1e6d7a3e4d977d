#include "history/TemplateDrops.h"

#include "diag/Failure.h"
#include "presetdb/PresetTexts.h"
#include "presetdb/SqliteDb.h"

#include <QSet>

#include <algorithm>
#include <memory>

namespace Kadex::History {

namespace {

// The IDs of the template rows db holds; none when it has no template table.
QSet<qint64> templateIds(PresetDb::Database &db)
{
    QSet<qint64> ids;
    if (!db.hasTableNamedExactly(PresetDb::Texts::SourcePresetTable)) {
        return ids;
    }
    PresetDb::Statement rows =
        db.prepare(QStringLiteral("SELECT ID FROM ") + PresetDb::quoteName(PresetDb::Texts::SourcePresetTable));
    while (rows.next()) {
        const PresetDb::Value id = rows.value(0);
        if (id.isInteger()) {
            ids.insert(id.integer());
        }
    }
    return ids;
}

} // namespace

QStringList templateDrops(const QString &templatePath, PresetDb::Database &kept)
{
    QList<qint64> gone;
    try {
        const QSet<qint64> keptIds = templateIds(kept);
        if (keptIds.isEmpty()) {
            return {};
        }
        const std::unique_ptr<PresetDb::Database> current = PresetDb::Database::copyInMemory(templatePath);
        const QSet<qint64> now = templateIds(*current);
        for (const qint64 id : keptIds) {
            if (!now.contains(id)) {
                gone.append(id);
            }
        }
    } catch (const Diag::Failure &failure) {
        return {QStringLiteral("Cannot compare the kept database with the template ") + templatePath +
                QStringLiteral(" (") + failure.description + QStringLiteral(").")};
    }
    if (gone.isEmpty()) {
        return {};
    }
    std::sort(gone.begin(), gone.end());
    QStringList ids;
    for (const qint64 id : std::as_const(gone)) {
        ids.append(QString::number(id));
    }
    return {QStringLiteral("The next update will drop the rows made from %1 template rows that %2 no longer has "
                           "(ID %3); to keep them, put those rows back into its %4.")
                .arg(gone.size())
                .arg(templatePath, ids.join(QStringLiteral(", ")), PresetDb::Texts::SourcePresetTable)};
}

} // namespace Kadex::History
