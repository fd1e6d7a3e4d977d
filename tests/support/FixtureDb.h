#pragma once

#include "tests/support/QtPrinters.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace Kadex::Test {

// Rows and lines as standard texts, which GoogleTest prints readably in every test binary.
using Rows = std::vector<std::vector<std::string>>;
using Lines = std::vector<std::string>;

// Lines of text as standard texts (UTF-8).
Lines lines(const QStringList &texts);

// Runs one or more SQL statements on the SQLite database at path, creating the file when missing. A failing
// statement fails the test.
void runSql(const QString &path, const QString &sql);

// The rows of a query on the database at path, each value in SQL literal form as SQLite's quote() writes it:
// 12, 1.5, 'text', NULL. A failing query fails the test and gives no rows.
Rows queryRows(const QString &path, const QString &sql);

// The first value of the first row of a query, as queryRows gives it; empty when there is no row.
std::string queryValue(const QString &path, const QString &sql);

// Runs sql and a large write in one transaction on the database at path, and leaves the file as a program that
// ended before the commit leaves it: part of the transaction already in the file, and beside it the rollback
// journal that the database engine plays back on the next open.
void leaveHotJournal(const QString &path, const QString &sql);

// The template tables of a module source database, empty: Source_PRESET_DEFS with the 15 fields of the program's
// layout (ID first, part before var_name) and Source_DEFS.
extern const char *const TemplateSchema;

// A PRESET_DEFS table of the same layout, as an old module database holds it.
extern const char *const PresetSchema;

} // namespace Kadex::Test
