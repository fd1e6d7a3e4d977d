#include "presetdb/VarNameTemplates.h"

#include "diag/ErrorGuard.h"
#include "presetdb/PresetTexts.h"
#include "presetdb/SqliteDb.h"

#include <optional>

namespace Kadex::PresetDb {

namespace {

std::size_t slot(int system, qint64 part)
{
    if (system < 0 || system >= VarNameTemplates::Systems || part < 1 || part > VarNameTemplates::Parts) {
        throw Diag::Failure::subscriptOutOfRange(
            QStringLiteral("variable-name template %1, part %2").arg(system).arg(part));
    }
    return static_cast<std::size_t>(system * VarNameTemplates::Parts + (part - 1));
}

int columnNamed(const Statement &rows, const QString &name)
{
    for (int c = 0; c < rows.columnCount(); ++c) {
        if (rows.columnName(c).compare(name, Qt::CaseInsensitive) == 0) {
            return c;
        }
    }
    return -1;
}

Value fieldValue(const Statement &rows, int column, const QString &name)
{
    if (column < 0) {
        throw Diag::Failure{Diag::ErrorNumbers::ItemNotFound, Diag::ErrorNumbers::SourceField,
                            QStringLiteral("Field '") + name + QStringLiteral("' not found.")};
    }
    return rows.value(column);
}

} // namespace

const QString &VarNameTemplates::at(int system, qint64 part) const
{
    return m_patterns[slot(system, part)];
}

void VarNameTemplates::set(int system, qint64 part, const QString &pattern)
{
    m_patterns[slot(system, part)] = pattern;
}

void VarNameTemplates::setFallback()
{
    set(VisiWin32, 1, Texts::VarNamePlaceholder);
    set(VisiWinStudio, 1, Texts::VarNamePlaceholder);
}

void VarNameTemplates::load(const QString &sourcePath, Diag::ErrorGuard &guard)
{
    std::optional<Database> db;
    std::optional<Statement> rows;
    guard.step([&] { db.emplace(sourcePath); });
    if (db) {
        guard.step(
            [&] { rows.emplace(db->prepare(QStringLiteral("SELECT * FROM ") + quoteName(Texts::SourceDefsTable))); });
    }
    if (!rows) {
        setFallback();
        return;
    }
    const QString systemField = QStringLiteral("System");
    const QString nameField = QStringLiteral("Var_Name");
    const QString partField = QStringLiteral("Part");
    const int systemColumn = columnNamed(*rows, systemField);
    const int nameColumn = columnNamed(*rows, nameField);
    const int partColumn = columnNamed(*rows, partField);

    // A row that fails sets the fallback and reading goes on with the next row, without a report.
    Diag::ErrorGuard fallback(guard.report(), guard.procedure(), Diag::ErrorGuard::Kind::Ignoring);
    bool more = true;
    while (more) {
        bool stepped = false;
        const bool read = fallback.step([&] {
            more = rows->next();
            stepped = true;
            if (!more) {
                return;
            }
            const std::optional<QString> system = toText(fieldValue(*rows, systemColumn, systemField));
            const QString upper = system ? system->toUpper() : QString();
            int index = -1;
            if (upper == Texts::SystemVisiWin32) {
                index = VisiWin32;
            } else if (upper == Texts::SystemVisiWinStudio) {
                index = VisiWinStudio;
            } else {
                return;
            }
            const std::optional<qint64> part = toWholeNumber(fieldValue(*rows, partColumn, partField));
            if (!part) {
                throw Diag::Failure{Diag::ErrorNumbers::TypeMismatch, Diag::ErrorNumbers::SourceProgram,
                                    QStringLiteral("Type mismatch (Part)")};
            }
            const std::optional<QString> pattern = toText(fieldValue(*rows, nameColumn, nameField));
            if (!pattern) {
                throw Diag::Failure::invalidArgument(QStringLiteral("Var_Name is Null"));
            }
            set(index, *part, *pattern);
        });
        if (!read) {
            setFallback();
        }
        // A table that cannot be stepped any further ends the reading.
        more = more && stepped;
    }
}

} // namespace Kadex::PresetDb
