#include "history/UpdateReport.h"

#include "config/Services.h"
#include "history/ReportReader.h"
#include "platform/AtomicFile.h"
#include "platform/Cp1252.h"

#include <algorithm>

namespace Kadex::History {

namespace {

constexpr int KeyWidth = 22;
constexpr int ValueWidth = 8;
const QString DateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString TitleEnd = QStringLiteral(" module database update");

QString valueText(const Value &value)
{
    const std::optional<QString> text = toText(value);
    return text ? *text : QStringLiteral("NULL");
}

// Rows of cells as columns padded to their widest cell, two blanks apart.
QStringList alignedColumns(const QList<QStringList> &rows)
{
    QList<qsizetype> widths;
    for (const QStringList &row : rows) {
        for (qsizetype c = 0; c < row.size(); ++c) {
            if (widths.size() <= c) {
                widths.append(0);
            }
            widths[c] = std::max(widths[c], row[c].size());
        }
    }
    QStringList lines;
    for (const QStringList &row : rows) {
        QString line;
        for (qsizetype c = 0; c < row.size(); ++c) {
            line += c + 1 < row.size() ? row[c].leftJustified(widths[c] + 2) : row[c];
        }
        lines.append(QStringLiteral("  ") + line);
    }
    return lines;
}

} // namespace

QList<MachineSettings> readMachineSettings(Config::Services &services, const QString &iniPath)
{
    QList<MachineSettings> machines;
    const QString valid = services.machines.GetValidMachines();
    const int count = std::min(services.machines.upperIndex(), Config::MachineCount);
    for (int i = 1; i <= count; ++i) {
        if (services.machines.isMachineInUse(i, valid)) {
            machines.append(Config::readStoredSettings(i, services.machines.name(i), iniPath));
        }
    }
    return machines;
}

QList<MachineSettings> rereadMachineSettings(const QList<MachineSettings> &machines, const QString &iniPath)
{
    QList<MachineSettings> now;
    for (const MachineSettings &machine : machines) {
        now.append(Config::readStoredSettings(machine.number, machine.name, iniPath));
    }
    return now;
}

QString storedCell(const StoredText &text)
{
    return text ? QLatin1Char('"') + *text + QLatin1Char('"') : QStringLiteral("no entry");
}

QString runModeName(bool integratedMode, bool silentMode)
{
    return integratedMode ? QStringLiteral("integrated")
           : silentMode   ? QStringLiteral("silent")
                          : QStringLiteral("standalone");
}

QString UpdateReport::toText() const
{
    QStringList lines;
    lines << moduleName + TitleEnd;
    if (!copyKept) {
        lines << QStringLiteral("The module database this update replaced could not be kept: it is in no history.");
    }
    if (!takeoverFailures.isEmpty()) {
        lines << QStringLiteral("Plant values not carried over: %1 rows known, because %2")
                     .arg(notCarried)
                     .arg(takeoverFailures.join(QStringLiteral("; ")));
    }
    lines << QStringLiteral("Kept database: ") + keptName;
    lines << QStringLiteral("Date: ") + when.toString(DateFormat);
    lines << QStringLiteral("Run mode: ") + runMode;
    if (!restoredFrom.isEmpty()) {
        lines << QStringLiteral("Restored from: ") + restoredFrom;
    }
    lines << QStringLiteral("Program: ") + program;
    lines << QStringLiteral("Editor: ") + editor;
    lines << QStringLiteral("Settings file: ") + settingsFile;
    if (!settingsSource.isEmpty()) {
        lines << QStringLiteral("Settings read from: ") + settingsSource;
    }
    lines << QStringLiteral("Channels: 1 = kein, 2 = Eing., 3 = Ausg.; -1 = no entry");
    lines << QStringLiteral("Stored before: the entry's text as the file held it before, or \"no entry\"");

    for (const MachineReport &machine : machines) {
        lines << QString() << QStringLiteral("Machine %1: %2").arg(machine.number).arg(machine.name);
        lines << QStringLiteral("  ") + QStringLiteral("Setting").leftJustified(KeyWidth) +
                     QStringLiteral("Before").rightJustified(ValueWidth) +
                     QStringLiteral("After").rightJustified(ValueWidth) + QStringLiteral("  Stored before");
        for (qsizetype k = 0; k < settingKeys().size(); ++k) {
            const QString after = k < machine.after.size() ? QString::number(machine.after[k]) : QStringLiteral("-");
            QString line = QStringLiteral("  ") + settingKeys()[k].leftJustified(KeyWidth) +
                           QString::number(machine.before.value(k, -1)).rightJustified(ValueWidth) +
                           after.rightJustified(ValueWidth);
            if (k < machine.storedBefore.size()) {
                line += QStringLiteral("  ") + storedCell(machine.storedBefore[k]);
            }
            lines << line;
        }
        if (machine.rowsGenerated >= 0) {
            lines << QStringLiteral("  Rows generated: ") + QString::number(machine.rowsGenerated);
        }
        if (machine.carriedUnder > 0) {
            lines << QStringLiteral("  Rows whose plant values were carried over: counted under machine %1 of the "
                                    "same name")
                         .arg(machine.carriedUnder);
        } else if (machine.rowsCarried >= 0) {
            lines << QStringLiteral("  Rows whose plant values were carried over: ") +
                         QString::number(machine.rowsCarried);
        }
    }

    lines << QString() << QStringLiteral("Dropped plant values: ") + QString::number(dropped.size());
    if (!dropped.isEmpty()) {
        QList<QStringList> table;
        table.append(
            QStringList{QStringLiteral("machine_type"), QStringLiteral("var_name"), QStringLiteral("offset_or_bitno")} +
            TakeoverRecord::carriedFieldNames());
        for (const DroppedRow &row : dropped) {
            QStringList cells = {valueText(row.machineType), valueText(row.varName), valueText(row.offsetOrBitNo)};
            for (const Value &value : row.values) {
                cells.append(valueText(value));
            }
            table.append(cells);
        }
        lines << alignedColumns(table);
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

std::optional<UpdateReport> UpdateReport::fromText(const QString &text)
{
    return readReport(Platform::Cp1252::encode(text)).report;
}

bool UpdateReport::write(const QString &path) const
{
    QString text = toText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return Platform::AtomicFile::write(path, Platform::Cp1252::encode(text));
}

std::optional<UpdateReport> UpdateReport::read(const QString &path)
{
    return readReportFile(path).report;
}

} // namespace Kadex::History
