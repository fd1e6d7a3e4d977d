#pragma once

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

// Renames the field CATEGORIE (any letter case) of the module database's PRESET_DEFS to category_id. Does
// nothing when the module database does not exist; a missing PRESET_DEFS is reported.
void CategorieNachCategoryID(Config::Services &services);

// VarNameInQuelleErsetzen for the length of one record generation: every PRESET_DEFS row of the module database
// that carries the other visualisation system's variable name gets the current system's name. The module
// database is opened on the first call and kept open; its renames form one transaction that finish() commits.
class VarNameRenamer
{
public:
    VarNameRenamer(Config::Services &services, qint16 systemIndex);
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
    State m_state = State::Unopened;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<Transaction> m_transaction;
    std::optional<Statement> m_update;
    // The rows of PRESET_DEFS by var_name as it compares, each list in table order.
    QHash<QString, QList<qint64>> m_rowsByName;
};

} // namespace Kadex::PresetDb
