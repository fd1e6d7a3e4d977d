#include "presetdb/ModuleDbRenames.h"

#include "config/Services.h"
#include "diag/ErrorGuard.h"
#include "presetdb/PresetTexts.h"
#include "presetdb/VarNameTemplates.h"

namespace Kadex::PresetDb {

namespace {

const QString RenameProcedure = QStringLiteral("VarNameInQuelleErsetzen");

} // namespace

void CategorieNachCategoryID(Config::Services &services, ModuleDbCopy &oldDb)
{
    Diag::ErrorGuard guard(services.report, QStringLiteral("CategorieNachCategoryID"));
    if (!oldDb.exists()) {
        return;
    }
    Database *db = nullptr;
    guard.step([&] { db = &oldDb.database(); });
    if (db == nullptr) {
        return;
    }
    QList<FieldDef> fields;
    guard.step([&] { fields = db->fields(Texts::PresetTable); });
    for (const FieldDef &field : fields) {
        if (field.name.toUpper() == QStringLiteral("CATEGORIE")) {
            guard.step([&] { db->renameField(Texts::PresetTable, field.name, QStringLiteral("category_id")); });
        }
    }
}

VarNameRenamer::VarNameRenamer(Config::Services &services, qint16 systemIndex, ModuleDbCopy &oldDb)
    : m_services(services), m_systemIndex(systemIndex), m_oldDb(oldDb)
{
}

VarNameRenamer::~VarNameRenamer() = default;

void VarNameRenamer::open()
{
    Diag::ErrorGuard guard(m_services.report, RenameProcedure);
    if (!m_oldDb.exists()) {
        m_state = State::Absent;
        return;
    }
    // Whatever fails from here on fails the same way for every later call: report it once, then stay quiet.
    m_state = State::Broken;
    const bool opened = guard.step([&] {
        Database *db = &m_oldDb.database();
        Statement rows = db->prepare(QStringLiteral("SELECT rowid, var_name FROM ") + quoteName(Texts::PresetTable));
        QHash<QString, QList<qint64>> rowsByName;
        while (rows.next()) {
            if (const std::optional<QString> key = textKeyOf(rows.value(1))) {
                rowsByName[*key].append(rows.value(0).integer());
            }
        }
        Statement update = db->prepare(QStringLiteral("UPDATE ") + quoteName(Texts::PresetTable) +
                                       QStringLiteral(" SET var_name = ?1 WHERE rowid = ?2"));
        auto transaction = std::make_unique<Transaction>(*db);
        m_transaction = std::move(transaction);
        m_update.emplace(std::move(update));
        m_rowsByName = std::move(rowsByName);
    });
    if (opened) {
        m_state = State::Open;
    }
}

void VarNameRenamer::VarNameInQuelleErsetzen(const QString &name32, const QString &nameStudio)
{
    if (m_state == State::Unopened) {
        open();
    }
    if (m_state != State::Open) {
        return;
    }
    const QString &find = m_systemIndex == VisiWin32 ? nameStudio : name32;
    const QString &put = m_systemIndex == VisiWin32 ? name32 : nameStudio;
    const QString findKey = foldedText(find);
    const auto found = m_rowsByName.constFind(findKey);
    if (found == m_rowsByName.constEnd()) {
        return;
    }
    Diag::ErrorGuard guard(m_services.report, RenameProcedure);
    const bool written = guard.step([&] {
        for (const qint64 row : *found) {
            m_update->bind(1, Value(put));
            m_update->bind(2, Value(row));
            m_update->run();
        }
    });
    if (!written) {
        // A database that refuses one write refuses them all.
        m_state = State::Broken;
        return;
    }
    const QString putKey = foldedText(put);
    if (putKey != findKey) {
        const QList<qint64> moved = m_rowsByName.take(findKey);
        m_rowsByName[putKey].append(moved);
    }
}

void VarNameRenamer::finish()
{
    if (m_transaction) {
        Diag::ErrorGuard guard(m_services.report, RenameProcedure);
        guard.step([&] { m_transaction->commit(); });
        m_transaction.reset();
    }
    m_update.reset();
}

} // namespace Kadex::PresetDb
