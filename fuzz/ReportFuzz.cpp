// Feeds arbitrary bytes to the update report reader as a report beside a kept copy, and checks that what it
// accepts holds what the restore relies on: every machine one of the window's, named once, with all ten settings
// (and their stored texts all or none), no NUL byte or line break in a text it would write back, a dropped count
// that is a count, and the "Kept database" line naming the copy.
//
// Input layout: the first line is the copy's name; the rest is the report's bytes.

#include "history/ReportReader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace Kadex::History;

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "ReportFuzz: %s\n", what);
        std::abort();
    }
}

bool writable(const QString &text)
{
    return !text.contains(QChar(0)) && !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n'));
}

void checkAccepted(const UpdateReport &report, const QString &copyName)
{
    check(copyName.isEmpty() || report.keptName == copyName, "accepted a report of another copy");
    check(report.droppedCount >= 0, "accepted a negative dropped count");
    QList<int> numbers;
    for (const MachineReport &machine : report.machines) {
        check(machine.number >= 1 && machine.number <= Kadex::Config::MachineCount, "accepted a machine beyond");
        check(!numbers.contains(machine.number), "accepted a machine twice");
        numbers.append(machine.number);
        check(machine.before.size() == settingKeys().size(), "accepted a machine without its ten settings");
        check(machine.storedBefore.isEmpty() || machine.storedBefore.size() == settingKeys().size(),
              "accepted stored texts for some settings only");
        check(machine.after.isEmpty() || machine.after.size() == settingKeys().size(),
              "accepted values after for some settings only");
        check(writable(machine.name), "accepted a machine name no file can hold");
        for (const StoredText &text : machine.storedBefore) {
            check(!text || writable(*text), "accepted a stored text no setting can hold");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const qsizetype end = input.indexOf('\n');
    const QString copyName = end < 0 ? QString() : QString::fromLatin1(input.left(end));
    const QByteArray report = end < 0 ? input : input.mid(end + 1);

    const ReportReading reading = readReport(report, copyName);
    check(reading.report.has_value() != !reading.problem.isEmpty(), "a reading is a report or a reason, not both");
    if (reading.report) {
        checkAccepted(*reading.report, copyName);
        check(readReport(report).report.has_value(), "accepted beside a copy, refused alone");
    }
    return 0;
}
