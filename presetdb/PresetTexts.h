#pragma once

#include <QString>

// Table names, placeholders and the fixed texts of the preset database update.
namespace Kadex::PresetDb::Texts {

inline const QString PresetTable = QStringLiteral("PRESET_DEFS");
inline const QString SourcePresetTable = QStringLiteral("Source_PRESET_DEFS");
inline const QString SourceDefsTable = QStringLiteral("Source_DEFS");

// Stands for the machine's name in any text of a template row and in the variable-name templates.
inline const QString MachinePlaceholder = QStringLiteral("###machine");
// Stands for the template row's own var_name in the variable-name templates.
inline const QString VarNamePlaceholder = QStringLiteral("###Var_Name");

// The template rows in template ID order.
inline const QString TemplateQuery =
    QStringLiteral("SELECT Source_PRESET_DEFS.* From Source_PRESET_DEFS ORDER BY Source_PRESET_DEFS.ID");

inline const QString SystemVisiWin32 = QStringLiteral("VISIWIN32");
inline const QString SystemVisiWinStudio = QStringLiteral("VISIWINSTUDIO");

inline const QString DatabaseAbortDescription = QStringLiteral("Database-Error - Contact Administrator!");

// The notice of an integrated run whose machine copy is missing; moduleDbFileName is the module database's file
// name without folder.
QString missingCopyNotice(const QString &moduleDbFileName);

// The take-over's warning about an old table with more fields than it takes over; moduleName in upper case.
// lineBreak is LF CR in the box and nothing in the service-pack line.
QString fieldCountWarning(const QString &moduleName, const QString &lineBreak);

// The error-log line when the operator declines the take-over after the field-count warning.
QString takeoverDeclinedLine(const QString &exeName, const QString &moduleName, const QString &programDir);

// The error-log line when a configured additional field is missing from the rebuilt table.
QString missingAdditionalFieldLine(const QString &moduleName, const QString &field);

} // namespace Kadex::PresetDb::Texts
