#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace Kadex::History {

// What --list shows of one kept database, written beside it when it is kept, so that the list reads no database:
// when and by which run it was kept, what the copy holds and what the run changed; and, for pruning, the marks of
// the plant values the copy holds (see PlantValues).
struct KeptSummary
{
    QDateTime when;
    QString runMode;                         // as the report names it
    QString restoredFrom;                    // for a restore's copy: the kept database it put back
    QList<std::pair<QString, int>> machines; // the machines the copy holds (machine_type) and their rows
    int rows = 0;                            // the rows of its PRESET_DEFS
    int plantValues = 0;                     // values in them that differ from the template's
    int dropped = 0;                         // rows with values the run dropped (a restore: overwrote)
    QStringList after;                       // the machines in use after the run
    QString change;                          // what the run changed, in a few words
    std::vector<quint64> plant;              // the marks of its plant values, sorted

    // Windows-1252 text, one "Label: value" a line, an empty line, then the marks as 8 bytes each.
    QByteArray toBytes() const;
    // Nothing when the bytes are no summary. The marks are read only when the bytes hold them.
    static std::optional<KeptSummary> fromBytes(const QByteArray &bytes);

    // The machines as the list shows them: "Presse 14, Ofen 14".
    QString machinesText() const;
};

// Writes the summary of the kept database at keptPath, atomically (its folder synced by the caller: syncKept);
// false when it cannot be written.
bool writeSummary(const QString &keptPath, const KeptSummary &summary);
// The summary of the kept database at keptPath without the marks, read up to them; nothing when it is missing or
// unreadable.
std::optional<KeptSummary> readSummary(const QString &keptPath);
// The same with the marks.
std::optional<KeptSummary> readSummaryWithMarks(const QString &keptPath);

} // namespace Kadex::History
