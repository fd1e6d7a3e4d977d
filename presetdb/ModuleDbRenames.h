#pragma once

#include "presetdb/ModuleDbCopy.h"
#include "presetdb/SqliteDb.h"

#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace Kadex::Config {
struct Services;
}

namespace Kadex::PresetDb {

// Renames the field CATEGORIE (any letter case) of the module database's PRESET_DEFS to category_id, in the
// update's private copy of it (oldDb). Does nothing when there is no old database; a missing PRESET_DEFS is
// reported.
void CategorieNachCategoryID(Config::Services &services, ModuleDbCopy &oldDb);

// VarNameInQuelleErsetzen for the length of one record generation: every PRESET_DEFS row of the module database
// that carries the other visualisation system's variable name gets the current system's name. The renames are
// made in the update's private copy of the module database (oldDb), opened on the first call; they form one
// transaction there that finish() commits. The module database file itself is never written.
class VarNameRenamer
{
public:
    VarNameRenamer(Config::Services &services, qint16 systemIndex, ModuleDbCopy &oldDb);
    ~VarNameRenamer();
    VarNameRenamer(const VarNameRenamer &) = delete;
    VarNameRenamer &operator=(const VarNameRenamer &) = delete;

    // Rewrites the rows named like the other system's variant (compared without regard to letter case) to the
    // current system's variant. A module database that cannot be used is reported on the first call only.
    void VarNameInQuelleErsetzen(const QString &name32, const QString &nameStudio);
    // Commits the renames, so that the take-over reads them.
    void finish();

private:
    enum class State { Unopened, Absent, Broken, Open };

    void open();

    Config::Services &m_services;
    qint16 m_systemIndex;
    ModuleDbCopy &m_oldDb;
    State m_state = State::Unopened;
    std::unique_ptr<Transaction> m_transaction;
    std::optional<Statement> m_update;
    // The rows of PRESET_DEFS by var_name as it compares, each list in table order.
    QHash<QString, QList<qint64>> m_rowsByName;
};

} // namespace Kadex::PresetDb
