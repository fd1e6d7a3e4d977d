#include "history/ReportReader.h"

#include "platform/Cp1252.h"
#include "platform/RegularFile.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>

namespace Kadex::History {

namespace {

const QString DateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString TitleEnd = QStringLiteral(" module database update");

// A refusal: the line it names (from 1; 0 for the report as a whole) and what is wrong with it.
struct Refusal
{
    int line = 0;
    QString what;
};

// Reads a report line by line into an UpdateReport; the first thing wrong ends the reading.
class ReportParser
{
public:
    explicit ReportParser(const QStringList &lines) : m_lines(lines) {}

    UpdateReport parse();
    void checkCopy(const QString &copyName) const;

private:
    [[noreturn]] void refuse(const QString &what) const { throw Refusal{m_at + 1, what}; }
    bool readHeader(const QString &line);
    void readMachine(const QRegularExpressionMatch &match);
    void readSetting(const QRegularExpressionMatch &match);
    void readDroppedCount(const QString &value);
    void endMachine();

    const QStringList &m_lines;
    int m_at = 0;
    UpdateReport m_report;
    MachineReport *m_machine = nullptr;
    int m_machineLine = 0;
    bool m_inDropped = false;
    int m_rowsListed = -1; // the dropped rows listed below their header line; -1 before the header
    QHash<QString, int> m_headerLines;
};

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

UpdateReport ReportParser::parse()
{
    if (m_lines.isEmpty() || !m_lines[0].endsWith(TitleEnd)) {
        refuse(QStringLiteral("no report: the title line does not end in \"") + TitleEnd.trimmed() +
               QStringLiteral("\""));
    }
    m_report.moduleName = m_lines[0].chopped(TitleEnd.size());
    static const QRegularExpression machineLine(QStringLiteral("^Machine (\\d+): (.*)$"));
    static const QRegularExpression settingLine(
        QStringLiteral("^  (\\w+) +(-?\\d+) +(-?\\d+|-)(?:  (?:(no entry)|\"(.*)\"))?$"));
    for (m_at = 1; m_at < m_lines.size(); ++m_at) {
        const QString &line = m_lines[m_at];
        if (m_inDropped) {
            m_rowsListed += line.isEmpty() ? 0 : 1; // the first is the table's header line
        } else if (line.contains(QChar(0)) || line.contains(QLatin1Char('\r'))) {
            refuse(QStringLiteral("holds a NUL byte or a line break, which no setting or name can hold"));
        } else if (readHeader(line)) {
        } else if (const QRegularExpressionMatch m = machineLine.match(line); m.hasMatch()) {
            readMachine(m);
        } else if (const QRegularExpressionMatch m = settingLine.match(line); m.hasMatch() && m_machine) {
            readSetting(m);
        } else if (m_machine && settingKeys().contains(line.section(QLatin1Char(' '), 2, 2))) {
            refuse(QStringLiteral("the setting is not \"<key> <before> <after> [stored text]\""));
        }
    }
    endMachine();
    m_at = -1;
    for (const QString &label :
         {QStringLiteral("Kept database"), QStringLiteral("Settings file"), QStringLiteral("Dropped plant values")}) {
        if (!m_headerLines.contains(label)) {
            refuse(QStringLiteral("the line \"") + label + QStringLiteral(": ...\" is missing"));
        }
    }
    m_at = m_headerLines.value(QStringLiteral("Dropped plant values")) - 1;
    if (std::max(m_rowsListed, 0) != m_report.droppedCount) {
        refuse(QStringLiteral("%1 dropped plant values counted, %2 rows listed")
                   .arg(m_report.droppedCount)
                   .arg(std::max(m_rowsListed, 0)));
    }
    return m_report;
}

// Reads a "Label: value" line; false when the line is none.
bool ReportParser::readHeader(const QString &line)
{
    static const QStringList labels = {QStringLiteral("Kept database"),
                                       QStringLiteral("Date"),
                                       QStringLiteral("Run mode"),
                                       QStringLiteral("Restored from"),
                                       QStringLiteral("Program"),
                                       QStringLiteral("Editor"),
                                       QStringLiteral("Settings file"),
                                       QStringLiteral("Settings read from"),
                                       QStringLiteral("Dropped plant values")};
    const qsizetype colon = line.indexOf(QStringLiteral(": "));
    const QString label = line.left(colon);
    if (colon < 0 || !labels.contains(label)) {
        return false;
    }
    if (m_headerLines.contains(label)) {
        refuse(QStringLiteral("a second \"%1\" line (the first is line %2)").arg(label).arg(m_headerLines[label]));
    }
    m_headerLines.insert(label, m_at + 1);
    endMachine();
    const QString value = line.mid(colon + 2);
    if (label == QStringLiteral("Kept database")) {
        m_report.keptName = value;
    } else if (label == QStringLiteral("Date")) {
        m_report.when = QDateTime::fromString(value, DateFormat);
        if (!m_report.when.isValid()) {
            refuse(quoted(value) + QStringLiteral(" is no date of the form ") + DateFormat);
        }
    } else if (label == QStringLiteral("Run mode")) {
        m_report.runMode = value;
    } else if (label == QStringLiteral("Restored from")) {
        m_report.restoredFrom = value;
    } else if (label == QStringLiteral("Program")) {
        m_report.program = value;
    } else if (label == QStringLiteral("Editor")) {
        m_report.editor = value;
    } else if (label == QStringLiteral("Settings file")) {
        m_report.settingsFile = value;
    } else if (label == QStringLiteral("Settings read from")) {
        m_report.settingsSource = value;
    } else {
        readDroppedCount(value);
    }
    return true;
}

void ReportParser::readDroppedCount(const QString &value)
{
    bool ok = false;
    m_report.droppedCount = value.toInt(&ok);
    if (!ok || m_report.droppedCount < 0) {
        refuse(quoted(value) + QStringLiteral(" is no count of rows"));
    }
    m_inDropped = true;
}

void ReportParser::readMachine(const QRegularExpressionMatch &match)
{
    endMachine();
    bool ok = false;
    const int number = match.captured(1).toInt(&ok);
    if (!ok || number < 1 || number > Config::MachineCount) {
        refuse(QStringLiteral("machine %1 is none of the window's machines 1 to %2")
                   .arg(match.captured(1))
                   .arg(Config::MachineCount));
    }
    for (const MachineReport &machine : std::as_const(m_report.machines)) {
        if (machine.number == number) {
            refuse(QStringLiteral("machine %1 is named a second time").arg(number));
        }
    }
    m_report.machines.append({number, match.captured(2), {}, {}, {}, -1, -1});
    m_machine = &m_report.machines.last();
    m_machineLine = m_at + 1;
}

void ReportParser::readSetting(const QRegularExpressionMatch &match)
{
    const qsizetype k = m_machine->before.size();
    if (k >= settingKeys().size() || match.captured(1) != settingKeys()[k]) {
        refuse(quoted(match.captured(1)) + QStringLiteral(" where ") +
               (k < settingKeys().size() ? quoted(settingKeys()[k]) : QStringLiteral("no further setting")) +
               QStringLiteral(" belongs: the settings are out of order or unknown"));
    }
    bool inRange = false;
    const qint16 before = match.captured(2).toShort(&inRange);
    bool afterInRange = true;
    const bool hasAfter = match.captured(3) != QStringLiteral("-");
    const qint16 after = hasAfter ? match.captured(3).toShort(&afterInRange) : 0;
    if (!inRange || !afterInRange) {
        refuse(QStringLiteral("a value beyond what an entry holds (16 bits)"));
    }
    const bool hasStored = match.capturedLength(4) > 0 || match.capturedStart(5) >= 0;
    if (hasStored ? m_machine->storedBefore.size() != k : !m_machine->storedBefore.isEmpty()) {
        refuse(QStringLiteral("a stored text for some settings of the machine only"));
    }
    if (hasAfter ? m_machine->after.size() != k : !m_machine->after.isEmpty()) {
        refuse(QStringLiteral("a value after for some settings of the machine only"));
    }
    m_machine->before.append(before);
    if (hasStored) {
        m_machine->storedBefore.append(match.capturedLength(4) > 0 ? StoredText() : StoredText(match.captured(5)));
    }
    if (hasAfter) {
        m_machine->after.append(after);
    }
}

// Closes the machine being read: all ten settings or refused.
void ReportParser::endMachine()
{
    if (m_machine && m_machine->before.size() != settingKeys().size()) {
        m_at = m_machineLine - 1;
        refuse(QStringLiteral("machine %1 lists %2 of its %3 settings")
                   .arg(m_machine->number)
                   .arg(m_machine->before.size())
                   .arg(settingKeys().size()));
    }
    m_machine = nullptr;
}

// The time stamp in a kept database's name, as the date a report of it gives.
QString stampOf(const QString &copyName)
{
    static const QRegularExpression stamp(QStringLiteral("\\.(\\d{8}-\\d{6})(?:-\\d+)?$"));
    const QRegularExpressionMatch m = stamp.match(copyName);
    return m.hasMatch() ? QDateTime::fromString(m.captured(1), QStringLiteral("yyyyMMdd-HHmmss")).toString(DateFormat)
                        : QString();
}

void ReportParser::checkCopy(const QString &copyName) const
{
    if (m_report.keptName != copyName) {
        throw Refusal{m_headerLines.value(QStringLiteral("Kept database")),
                      QStringLiteral("names the kept database ") + quoted(m_report.keptName) +
                          QStringLiteral(", not the copy it is the report of, ") + quoted(copyName)};
    }
    const QString date = m_report.when.toString(DateFormat);
    if (date != stampOf(copyName)) {
        throw Refusal{m_headerLines.value(QStringLiteral("Date"), 0),
                      QStringLiteral("the date ") + quoted(date) + QStringLiteral(" is not the time ") +
                          quoted(stampOf(copyName)) + QStringLiteral(" the copy's name gives")};
    }
}

} // namespace

ReportReading readReport(const QByteArray &bytes, const QString &copyName)
{
    // Lines end in CR LF as written, or in LF where a file was edited; a carriage return elsewhere is refused.
    QStringList lines = Platform::Cp1252::decode(bytes).split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
    }
    ReportParser parser(lines);
    try {
        ReportReading reading{parser.parse(), {}};
        if (!copyName.isEmpty()) {
            parser.checkCopy(copyName);
        }
        return reading;
    } catch (const Refusal &refusal) {
        return {std::nullopt,
                refusal.line > 0 ? QStringLiteral("line %1: %2").arg(refusal.line).arg(refusal.what) : refusal.what};
    }
}

ReportReading readReportFile(const QString &path, const QString &copyName)
{
    // Only a regular file of a size a report reaches is read: a FIFO or a link to a device is refused at once.
    Platform::RegularFile::Contents file = Platform::RegularFile::readAll(path);
    if (file.status != Platform::RegularFile::Status::Opened) {
        const QString reason = file.status == Platform::RegularFile::Status::Absent
                                   ? QStringLiteral("No such file or directory")
                                   : file.reason;
        return {std::nullopt, QStringLiteral("cannot be read (") + reason + QLatin1Char(')')};
    }
    return readReport(file.bytes, copyName);
}

} // namespace Kadex::History
