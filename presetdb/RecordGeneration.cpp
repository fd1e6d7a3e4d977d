#include "presetdb/RecordGeneration.h"

#include "config/Services.h"
#include "diag/ErrorGuard.h"
#include "diag/EventPump.h"
#include "presetdb/ModuleDbRenames.h"
#include "presetdb/PresetTexts.h"
#include "presetdb/SqliteDb.h"
#include "presetdb/VarNameTemplates.h"

#include <limits>
#include <optional>

namespace Kadex::PresetDb {

namespace {

using Row = QList<Value>;

constexpr qint16 LastId = std::numeric_limits<qint16>::max();

int fieldIndex(const QList<FieldDef> &fields, const QString &name)
{
    for (int c = 0; c < fields.size(); ++c) {
        if (fields[c].name.compare(name, Qt::CaseInsensitive) == 0) {
            return c;
        }
    }
    return -1;
}

Diag::Failure fieldNotFound(const QString &name)
{
    return {Diag::ErrorNumbers::ItemNotFound, Diag::ErrorNumbers::SourceField,
            QStringLiteral("Field '") + name + QStringLiteral("' not found.")};
}

QString insertSql(const QList<FieldDef> &fields)
{
    QStringList names;
    QStringList parameters;
    for (int c = 0; c < fields.size(); ++c) {
        names.append(quoteName(fields[c].name));
        parameters.append(QLatin1Char('?') + QString::number(c + 1));
    }
    return QStringLiteral("INSERT INTO ") + quoteName(Texts::PresetTable) + QStringLiteral(" (") + names.join(u", ") +
           QStringLiteral(") VALUES (") + parameters.join(u", ") + QLatin1Char(')');
}

// The template rows, read once; the record count is a 16-bit number.
QList<Row> readTemplateRows(Database &working, Diag::EventPump &pump)
{
    QList<Row> rows;
    Statement query = working.prepare(Texts::TemplateQuery);
    const int columns = query.columnCount();
    while (query.next()) {
        pump.tick();
        Row row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c) {
            row.append(query.value(c));
        }
        rows.append(std::move(row));
    }
    if (rows.size() > std::numeric_limits<qint16>::max()) {
        throw Diag::Failure::overflow(QStringLiteral("%1 template rows").arg(rows.size()));
    }
    return rows;
}

// One machine's rows: the template rows with the machine's name filled in.
class RowBuilder
{
public:
    RowBuilder(const QList<FieldDef> &fields, const VarNameTemplates &templates, qint16 systemIndex,
               VarNameRenamer &renamer)
        : m_templates(templates), m_systemIndex(systemIndex), m_renamer(renamer),
          m_partColumn(fieldIndex(fields, QStringLiteral("part")))
    {
        for (const FieldDef &field : fields) {
            m_isVarName.append(field.name.toUpper() == QStringLiteral("VAR_NAME"));
        }
    }

    // The value of field c of a new row; row holds the fields before c as already written.
    Value fieldValue(int c, const Value &templateValue, const Row &row, const QString &machine,
                     Diag::ErrorGuard &guard) const
    {
        if (!templateValue.isText()) {
            return templateValue;
        }
        if (!m_isVarName[c]) {
            return Config::replaceFirst(templateValue.text(), Texts::MachinePlaceholder, machine);
        }
        // A failed name is written empty rather than with the previous row's name.
        QString name;
        guard.step([&] { name = varName(templateValue.text(), row, machine); });
        return name;
    }

private:
    QString varName(const QString &ownName, const Row &row, const QString &machine) const
    {
        if (m_partColumn < 0) {
            throw fieldNotFound(QStringLiteral("part"));
        }
        // The part comes from the new row, so part must lie before var_name.
        const std::optional<qint64> part = toWholeNumber(row[m_partColumn]);
        if (!part) {
            throw Diag::Failure{Diag::ErrorNumbers::TypeMismatch, Diag::ErrorNumbers::SourceProgram,
                                QStringLiteral("Type mismatch (part is ") + row[m_partColumn].debugText() +
                                    QLatin1Char(')')};
        }
        QString names[VarNameTemplates::Systems];
        for (int k = 0; k < VarNameTemplates::Systems; ++k) {
            QString name = Config::replaceFirst(m_templates.at(k, *part), Texts::VarNamePlaceholder, ownName);
            // Up to two "###machine" in a template are filled.
            name = Config::replaceFirst(name, Texts::MachinePlaceholder, machine);
            names[k] = Config::replaceFirst(name, Texts::MachinePlaceholder, machine);
        }
        m_renamer.VarNameInQuelleErsetzen(names[VisiWin32], names[VisiWinStudio]);
        return names[m_systemIndex];
    }

    const VarNameTemplates &m_templates;
    qint16 m_systemIndex;
    VarNameRenamer &m_renamer;
    int m_partColumn;
    QList<bool> m_isVarName;
};

} // namespace

QHash<int, int> CreateRecordSets(Database &working, Config::Services &services, const VarNameTemplates &templates,
                                 qint16 systemIndex, ModuleDbCopy &oldDb)
{
    Diag::ErrorGuard guard(services.report, QStringLiteral("CreateRecordSets"));
    Diag::EventPump pump(services.report.ui());

    QString valid;
    guard.step([&] { valid = services.machines.GetValidMachines(); });
    QList<FieldDef> fields;
    std::optional<Statement> insert;
    guard.step([&] {
        fields = working.fields(Texts::PresetTable);
        insert.emplace(working.prepare(insertSql(fields)));
    });
    QList<Row> source;
    guard.step([&] { source = readTemplateRows(working, pump); });
    if (!insert || source.isEmpty()) {
        return {};
    }
    int machineCount = 0;
    guard.step([&] {
        if (services.machines.isEmpty()) {
            throw Diag::Failure::subscriptOutOfRange(QStringLiteral("MachineList"));
        }
        machineCount = services.machines.upperIndex();
    });
    const int idColumn = fieldIndex(fields, QStringLiteral("ID"));
    if (idColumn < 0 && machineCount > 0) {
        guard.step([&] { throw fieldNotFound(QStringLiteral("ID")); });
    }

    std::optional<Transaction> transaction;
    guard.step([&] { transaction.emplace(working); });
    VarNameRenamer renamer(services, systemIndex, oldDb);
    const RowBuilder builder(fields, templates, systemIndex, renamer);
    qint16 id = 1;
    bool overflowReported = false;
    QHash<int, int> written;
    for (int m = 1; m <= machineCount; ++m) {
        bool selected = false;
        guard.step([&] { selected = services.machines.isMachineInUse(m, valid); });
        if (!selected) {
            continue;
        }
        const QString machine = services.machines.name(m);
        for (const Row &templateRow : std::as_const(source)) {
            pump.tick();
            Row row(fields.size());
            if (idColumn >= 0) {
                row[idColumn] = Value(static_cast<qint64>(id));
            }
            // The row numbers are 16-bit. Past the last one the counter stays there and the rows are still
            // written, since they carry plant values over; the overflow is the same for every such row, so it is
            // reported once, while the first row with the last number is built.
            if (id < LastId) {
                ++id;
            } else if (!overflowReported) {
                overflowReported = true;
                guard.step([&] { throw Diag::Failure::overflow(QStringLiteral("ID")); });
            }
            for (int c = 1; c < fields.size(); ++c) {
                const Value templateValue = c < templateRow.size() ? templateRow[c] : Value();
                row[c] = builder.fieldValue(c, templateValue, row, machine, guard);
            }
            guard.step([&] {
                for (int c = 0; c < row.size(); ++c) {
                    insert->bind(c + 1, row[c]);
                }
                insert->run();
                ++written[m];
            });
        }
    }
    renamer.finish();
    if (transaction && !guard.step([&] { transaction->commit(); })) {
        return {};
    }
    return written;
}

} // namespace Kadex::PresetDb
