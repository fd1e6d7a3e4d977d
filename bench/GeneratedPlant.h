#pragma once

#include <QString>

// The generated plants of the benchmark, also used by the tests that end runs on a large plant.
namespace Kadex::Bench {

// Machines of a generated plant, all in use; named Maschine1, Maschine2 ...
inline constexpr int Machines = 5;

// Writes a plant below root (Kadex/Kadex.cfg, Kadex/Kadex_Source.mdb, Kadex/Kadex.mdb, parameter/Program.ini,
// parameter/r4mconfiguration.ini) with templateRows template rows and oldRows rows in the old module database,
// all of whose keys match generated rows; every tenth old row still carries the other visualisation system's
// name. Throws std::runtime_error when a file cannot be written.
void buildPlant(const QString &root, int templateRows, int oldRows);

} // namespace Kadex::Bench
