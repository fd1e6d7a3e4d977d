#include "history/KeptSummary.h"

#include "history/HistoryPlace.h"
#include "platform/AtomicFile.h"
#include "platform/Cp1252.h"
#include "platform/RegularFile.h"

#include <QFile>
#include <QtEndian>

namespace Kadex::History {

namespace {

const QByteArray Title = QByteArrayLiteral("Kept module database summary");
const QString DateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
constexpr int HeadLines = 10;

QByteArray line(const char *label, const QString &value)
{
    return QByteArray(label) + ": " + Platform::Cp1252::encode(value) + '\n';
}

std::optional<QString> valueOf(const QList<QByteArray> &lines, int at, const char *label)
{
    const QByteArray prefix = QByteArray(label) + ": ";
    if (!lines[at].startsWith(prefix)) {
        return std::nullopt;
    }
    return Platform::Cp1252::decode(lines[at].mid(prefix.size()));
}

QList<std::pair<QString, int>> machinesOf(const QString &text)
{
    QList<std::pair<QString, int>> machines;
    for (const QString &machine : text.split(QLatin1Char('\t'), Qt::SkipEmptyParts)) {
        const qsizetype at = machine.lastIndexOf(QLatin1Char('='));
        machines.append({machine.left(at), machine.mid(at + 1).toInt()});
    }
    return machines;
}

std::optional<KeptSummary> readFrom(const QString &keptPath, bool withMarks)
{
    // Only a regular file is read, without waiting on anything else in its place.
    const Platform::RegularFile::Opened opened = Platform::RegularFile::openForReading(summaryPath(keptPath));
    QFile file;
    if (opened.status != Platform::RegularFile::Status::Opened || !file.open(opened.fd.get(), QIODevice::ReadOnly)) {
        return std::nullopt; // a copy kept before summaries were written, or one whose run was killed
    }
    if (withMarks) {
        return KeptSummary::fromBytes(file.readAll());
    }
    QByteArray head;
    for (int i = 0; i < HeadLines && !file.atEnd(); ++i) {
        head += file.readLine(4096);
    }
    return KeptSummary::fromBytes(head);
}

} // namespace

QByteArray KeptSummary::toBytes() const
{
    QStringList held;
    for (const auto &[name, count] : machines) {
        held.append(name + QLatin1Char('=') + QString::number(count));
    }
    QByteArray bytes = Title + '\n';
    bytes += line("When", when.toString(DateFormat));
    bytes += line("Run mode", runMode);
    bytes += line("Restored from", restoredFrom);
    // A machine name holds neither a tab nor a line break: they part the machines.
    bytes += line("Machines", held.join(QLatin1Char('\t')));
    bytes += line("Rows", QString::number(rows));
    bytes += line("Plant values", QString::number(plantValues));
    bytes += line("Dropped", QString::number(dropped));
    bytes += line("After", after.join(QLatin1Char('\t')));
    bytes += line("Change", change);
    bytes += '\n';
    const qsizetype head = bytes.size();
    bytes.resize(head + static_cast<qsizetype>(plant.size() * sizeof(quint64)));
    for (size_t i = 0; i < plant.size(); ++i) {
        qToLittleEndian(plant[i], bytes.data() + head + static_cast<qsizetype>(i * sizeof(quint64)));
    }
    return bytes;
}

std::optional<KeptSummary> KeptSummary::fromBytes(const QByteArray &bytes)
{
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() < HeadLines || lines[0] != Title) {
        return std::nullopt;
    }
    const auto when = valueOf(lines, 1, "When");
    const auto mode = valueOf(lines, 2, "Run mode");
    const auto from = valueOf(lines, 3, "Restored from");
    const auto held = valueOf(lines, 4, "Machines");
    const auto rows = valueOf(lines, 5, "Rows");
    const auto plant = valueOf(lines, 6, "Plant values");
    const auto dropped = valueOf(lines, 7, "Dropped");
    const auto after = valueOf(lines, 8, "After");
    const auto change = valueOf(lines, 9, "Change");
    if (!when || !mode || !from || !held || !rows || !plant || !dropped || !after || !change) {
        return std::nullopt;
    }
    KeptSummary summary{QDateTime::fromString(*when, DateFormat),
                        *mode,
                        *from,
                        machinesOf(*held),
                        0,
                        0,
                        0,
                        after->split(QLatin1Char('\t'), Qt::SkipEmptyParts),
                        *change,
                        {}};
    bool rowsOk = false;
    bool plantOk = false;
    bool droppedOk = false;
    summary.rows = rows->toInt(&rowsOk);
    summary.plantValues = plant->toInt(&plantOk);
    summary.dropped = dropped->toInt(&droppedOk);
    // The marks follow the empty line after the head.
    qsizetype head = 0;
    for (int i = 0; i < HeadLines; ++i) {
        head += lines[i].size() + 1;
    }
    if (bytes.size() > head && bytes[head] == '\n') {
        const QByteArray marks = bytes.mid(head + 1);
        if (marks.size() % static_cast<qsizetype>(sizeof(quint64)) != 0) {
            return std::nullopt; // cut short: not the file that was written
        }
        summary.plant.resize(static_cast<size_t>(marks.size()) / sizeof(quint64));
        for (size_t i = 0; i < summary.plant.size(); ++i) {
            summary.plant[i] = qFromLittleEndian<quint64>(marks.constData() + i * sizeof(quint64));
        }
    }
    return rowsOk && plantOk && droppedOk ? std::optional<KeptSummary>(summary) : std::nullopt;
}

QString KeptSummary::machinesText() const
{
    QStringList held;
    for (const auto &[name, count] : machines) {
        held.append(name + QLatin1Char(' ') + QString::number(count));
    }
    return held.isEmpty() ? QStringLiteral("-") : held.join(QStringLiteral(", "));
}

bool writeSummary(const QString &keptPath, const KeptSummary &summary)
{
    return Platform::AtomicFile::write(summaryPath(keptPath), summary.toBytes(), nullptr,
                                       Platform::AtomicFile::FolderSync::Later);
}

std::optional<KeptSummary> readSummary(const QString &keptPath)
{
    return readFrom(keptPath, false);
}

std::optional<KeptSummary> readSummaryWithMarks(const QString &keptPath)
{
    return readFrom(keptPath, true);
}

} // namespace Kadex::History
