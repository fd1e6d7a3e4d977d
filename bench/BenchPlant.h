#pragma once

#include <QByteArray>
#include <QString>

// Plants the benchmarks run on, built in a given folder; the tests that end runs on a large plant use them too.
namespace Kadex::Bench {

// Machines of a generated plant, all in use; named Maschine1, Maschine2 ...
inline constexpr int Machines = 5;
// The benchmark case: 2,000 template rows (10,000 generated rows) and an old table of 10,000 rows.
inline constexpr int CaseTemplateRows = 2000;
inline constexpr int CaseOldRows = 10000;

void writeFile(const QString &path, const QByteArray &bytes);

// A generated plant of five machines with templateRows template rows and oldRows rows in the old module
// database, all of whose keys match generated rows; every tenth old row still carries the other visualisation
// system's name.
void buildGeneratedPlant(const QString &root, int templateRows, int oldRows);

// A copy of the sample plant of sourceDir/examples/plant with its two databases built from their SQL texts.
void buildSamplePlant(const QString &root, const QString &sourceDir);

// Sections of other modules, about `bytes` bytes of them, as a long-lived plant's Program.ini holds them.
QByteArray otherSections(qsizetype bytes);

// Puts extra right after the [Project] section of the plant's Program.ini, before the machine sections.
void addToProgramIni(const QString &root, const QByteArray &extra);

} // namespace Kadex::Bench
