#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace Kadex::PresetDb {

class Database;
class ReplacementWitness;

// One replacement of the module database with a copy kept first, as the update and the restore make it: the
// witness keeps content, the database at path as it is now (when it refuses, nothing is written), write replaces
// it with replacement, and a write that throws gives the kept copy up again, so that the history lists no
// replacement that did not happen; the failure is thrown on. True when written.
bool replaceKeepingCopy(ReplacementWitness &witness, const QString &path, const QByteArray &content,
                        Database &replacement, const std::function<void()> &write);

} // namespace Kadex::PresetDb
