#include "history/UpdateReport.h"

#include "config/Services.h"
#include "history/ReportReader.h"
#include "history/ShortestNumber.h"
#include "platform/AtomicFile.h"
#include "platform/Cp1252.h"

#include <algorithm>
#include <charconv>
#include <concepts>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace Kadex::History {

namespace {

constexpr int KeyWidth = 22;
constexpr int ValueWidth = 8;
const QString DateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString TitleEnd = QStringLiteral(" module database update");

// Appends number in its shortest exact form (to a QByteArray or a std::string).
template <typename Bytes, std::integral Number> void appendNumber(Bytes &bytes, Number number)
{
    char text[32];
    const std::to_chars_result result = std::to_chars(text, text + sizeof text, number);
    bytes.append(text, static_cast<qsizetype>(result.ptr - text));
}

template <typename Bytes> void appendNumber(Bytes &bytes, double number)
{
    char text[ShortestNumberChars];
    bytes.append(text, static_cast<qsizetype>(writeShortest(text, number) - text));
}

// The report's bytes as they are made: Windows-1252 text, lines ending in CR LF, numbers in their shortest exact
// form.
class ReportBytes
{
public:
    ReportBytes &text(const QString &text)
    {
        Platform::Cp1252::appendEncoded(m_bytes, text);
        return *this;
    }
    ReportBytes &ascii(const char *text)
    {
        m_bytes += text;
        return *this;
    }
    ReportBytes &number(qint64 number)
    {
        appendNumber(m_bytes, number);
        return *this;
    }
    ReportBytes &padded(QByteArrayView cell, qsizetype width, bool right)
    {
        const qsizetype blanks = std::max<qsizetype>(0, width - cell.size());
        if (right) {
            m_bytes.append(blanks, ' ');
        }
        m_bytes.append(cell);
        if (!right) {
            m_bytes.append(blanks, ' ');
        }
        return *this;
    }
    void append(QByteArrayView bytes)
    {
        m_bytes.reserve(m_bytes.size() + bytes.size());
        m_bytes.append(bytes);
    }
    ReportBytes &line()
    {
        m_bytes += "\r\n";
        return *this;
    }
    QByteArray take() { return std::move(m_bytes); }

    template <typename Number> static QByteArray numberBytes(Number number)
    {
        QByteArray bytes;
        appendNumber(bytes, number);
        return bytes;
    }

private:
    QByteArray m_bytes;
};

// A table's cells, made one after the other into one buffer: where each ends, and each column's widest cell.
class Cells
{
public:
    Cells(qsizetype columns, qsizetype cells)
    {
        m_ends.reserve(static_cast<size_t>(cells));
        m_bytes.reserve(static_cast<size_t>(cells) * 8);
        m_widths.resize(static_cast<size_t>(columns), 0);
    }
    void add(QByteArrayView cell, qsizetype column)
    {
        m_bytes.append(cell.data(), static_cast<size_t>(cell.size()));
        close(column);
    }
    void addValue(const Value &value, qsizetype column)
    {
        if (value.isText()) {
            Platform::Cp1252::appendEncoded(m_bytes, value.text());
        } else if (value.isInteger()) {
            appendNumber(m_bytes, value.integer());
        } else if (value.isReal()) {
            appendNumber(m_bytes, value.real());
        } else {
            m_bytes.append("NULL");
        }
        close(column);
    }
    qsizetype count() const { return static_cast<qsizetype>(m_ends.size()); }
    std::string_view cell(qsizetype i) const
    {
        const size_t start = i == 0 ? 0 : m_ends[static_cast<size_t>(i) - 1];
        return std::string_view(m_bytes).substr(start, m_ends[static_cast<size_t>(i)] - start);
    }
    const std::vector<qsizetype> &widths() const { return m_widths; }

private:
    void close(qsizetype column)
    {
        const size_t start = m_ends.empty() ? 0 : m_ends.back();
        m_ends.push_back(m_bytes.size());
        if (m_widths.size() <= static_cast<size_t>(column)) {
            m_widths.resize(static_cast<size_t>(column) + 1, 0);
        }
        qsizetype &width = m_widths[static_cast<size_t>(column)];
        width = std::max(width, static_cast<qsizetype>(m_bytes.size() - start));
    }

    std::string m_bytes;
    std::vector<size_t> m_ends;
    std::vector<qsizetype> m_widths;
};

// The dropped rows as lines of columns padded to their widest cell, two blanks apart: each cell made once, the
// widths taken while they are made, the lines written straight into a buffer of their greatest size.
QByteArray droppedTableOf(const QList<DroppedRow> &dropped)
{
    const QStringList head =
        QStringList{QStringLiteral("machine_type"), QStringLiteral("var_name"), QStringLiteral("offset_or_bitno")} +
        TakeoverRecord::carriedFieldNames();
    Cells cells(head.size(), (dropped.size() + 1) * head.size());
    for (qsizetype c = 0; c < head.size(); ++c) {
        cells.add(head[c].toLatin1(), c);
    }
    for (const DroppedRow &row : dropped) {
        cells.addValue(row.machineType, 0);
        cells.addValue(row.varName, 1);
        cells.addValue(row.offsetOrBitNo, 2);
        for (qsizetype v = 0; v < row.values.size(); ++v) {
            cells.addValue(row.values[v], 3 + v);
        }
    }
    const std::vector<qsizetype> &widths = cells.widths();
    const qsizetype columns = static_cast<qsizetype>(widths.size());
    qsizetype lineWidth = 4;
    for (const qsizetype width : widths) {
        lineWidth += width + 2;
    }
    QByteArray table((cells.count() + columns - 1) / columns * lineWidth, Qt::Uninitialized);
    char *out = table.data();
    for (qsizetype at = 0; at < cells.count(); at += columns) {
        *out++ = ' ';
        *out++ = ' ';
        for (qsizetype c = 0; c < columns && at + c < cells.count(); ++c) {
            const std::string_view cell = cells.cell(at + c);
            out = std::copy(cell.begin(), cell.end(), out);
            if (c + 1 < columns) {
                out = std::fill_n(out, widths[static_cast<size_t>(c)] + 2 - static_cast<qsizetype>(cell.size()), ' ');
            }
        }
        *out++ = '\r';
        *out++ = '\n';
    }
    table.truncate(out - table.constData());
    return table;
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

namespace {

void appendHeader(ReportBytes &out, const UpdateReport &report)
{
    out.text(report.moduleName + TitleEnd).line();
    if (report.refused) {
        out.ascii("The module database could not be kept, and this update would drop plant values: it stays as it "
                  "was, and the rows listed below are not dropped.")
            .line();
    } else if (!report.copyKept) {
        out.ascii("The module database this update replaced could not be kept: it is in no history.").line();
    }
    if (!report.takeoverFailures.isEmpty()) {
        out.ascii("Plant values not carried over: ")
            .number(report.notCarried)
            .ascii(" rows known, because ")
            .text(report.takeoverFailures.join(QStringLiteral("; ")))
            .line();
    }
    out.ascii("Kept database: ").text(report.keptName).line();
    out.ascii("Date: ").text(report.when.toString(DateFormat)).line();
    out.ascii("Run mode: ").text(report.runMode).line();
    if (!report.restoredFrom.isEmpty()) {
        out.ascii("Restored from: ").text(report.restoredFrom).line();
    }
    out.ascii("Program: ").text(report.program).line();
    out.ascii("Editor: ").text(report.editor).line();
    out.ascii("Settings file: ").text(report.settingsFile).line();
    if (!report.settingsSource.isEmpty()) {
        out.ascii("Settings read from: ").text(report.settingsSource).line();
    }
    out.ascii("Channels: 1 = kein, 2 = Eing., 3 = Ausg.; -1 = no entry").line();
    out.ascii("Stored before: the entry's text as the file held it before, or \"no entry\"").line();
}

void appendMachine(ReportBytes &out, const MachineReport &machine)
{
    out.line().ascii("Machine ").number(machine.number).ascii(": ").text(machine.name).line();
    out.ascii("  ")
        .padded("Setting", KeyWidth, false)
        .padded("Before", ValueWidth, true)
        .padded("After", ValueWidth, true)
        .ascii("  Stored before")
        .line();
    for (qsizetype k = 0; k < settingKeys().size(); ++k) {
        const QByteArray after =
            k < machine.after.size() ? ReportBytes::numberBytes(machine.after[k]) : QByteArrayLiteral("-");
        out.ascii("  ")
            .padded(settingKeys()[k].toLatin1(), KeyWidth, false)
            .padded(ReportBytes::numberBytes(machine.before.value(k, -1)), ValueWidth, true)
            .padded(after, ValueWidth, true);
        if (k < machine.storedBefore.size()) {
            out.ascii("  ").text(storedCell(machine.storedBefore[k]));
        }
        out.line();
    }
    if (machine.rowsGenerated >= 0) {
        out.ascii("  Rows generated: ").number(machine.rowsGenerated).line();
    }
    if (machine.carriedUnder > 0) {
        out.ascii("  Rows whose plant values were carried over: counted under machine ")
            .number(machine.carriedUnder)
            .ascii(" of the same name")
            .line();
    } else if (machine.rowsCarried >= 0) {
        out.ascii("  Rows whose plant values were carried over: ").number(machine.rowsCarried).line();
    }
}

} // namespace

QByteArray UpdateReport::droppedTable(const QList<DroppedRow> &dropped)
{
    return dropped.isEmpty() ? QByteArray() : droppedTableOf(dropped);
}

QByteArray UpdateReport::toBytes() const
{
    return headBytes() + droppedTable(dropped);
}

QByteArray UpdateReport::headBytes() const
{
    ReportBytes out;
    appendHeader(out, *this);
    for (const MachineReport &machine : machines) {
        appendMachine(out, machine);
    }
    out.line().ascii("Dropped plant values: ").number(dropped.size()).line();
    return out.take();
}

QString UpdateReport::toText() const
{
    return Platform::Cp1252::decode(toBytes()).remove(QLatin1Char('\r'));
}

void UpdateReport::printParts(std::FILE *out, const QList<QByteArrayView> &parts)
{
    // Each run of bytes up to a CR LF is copied into the buffer, the CR left out; the parts end at line ends.
    char buffer[65536];
    size_t used = 0;
    const auto put = [&](const char *bytes, size_t size) {
        while (size > 0) {
            const size_t room = std::min(size, sizeof buffer - used);
            std::memcpy(buffer + used, bytes, room);
            used += room;
            bytes += room;
            size -= room;
            if (used == sizeof buffer) {
                std::fwrite(buffer, 1, used, out);
                used = 0;
            }
        }
    };
    for (const QByteArrayView part : parts) {
        const char *at = part.data();
        const char *const end = at + part.size();
        while (at < end) {
            const char *cr = static_cast<const char *>(std::memchr(at, '\r', static_cast<size_t>(end - at)));
            const bool lineEnd = cr && cr + 1 < end && cr[1] == '\n';
            const char *const stop = !cr ? end : lineEnd ? cr : cr + 1;
            put(at, static_cast<size_t>(stop - at));
            at = lineEnd ? cr + 1 : stop;
        }
    }
    std::fwrite(buffer, 1, used, out);
}

std::optional<UpdateReport> UpdateReport::fromText(const QString &text)
{
    return readReport(Platform::Cp1252::encode(text)).report;
}

bool UpdateReport::write(const QString &path) const
{
    return writeParts(path, {toBytes()});
}

bool UpdateReport::writeParts(const QString &path, const QList<QByteArrayView> &parts)
{
    return Platform::AtomicFile::write(path, parts, nullptr, Platform::AtomicFile::FolderSync::Later);
}

std::optional<UpdateReport> UpdateReport::read(const QString &path)
{
    return readReportFile(path).report;
}

} // namespace Kadex::History
