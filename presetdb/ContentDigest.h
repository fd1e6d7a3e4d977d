#pragma once

#include "presetdb/SqliteDb.h"

#include <QByteArray>
#include <QString>

namespace Kadex::PresetDb {

// A fingerprint of what a database holds: its tables, indexes, views and triggers as created, and every table's
// rows (in any order). Two databases with the same fingerprint hold the same content, whatever their file
// headers, page layout or row order say.
QByteArray contentDigest(Database &db);

// Whether the database whose file holds content has the same content as db. The schema and each table's row
// count are compared first, so two databases that differ there are told apart without reading their rows.
bool sameContent(const QByteArray &content, Database &db);
// The same for a database already open, so that a caller that reads it further opens it once.
bool sameContent(Database &old, Database &db);

// The fingerprint of the database file at path, read into memory; empty when it is missing or no database.
QByteArray contentDigestOfFile(const QString &path);

// The fingerprint of content, the bytes of a database file; empty when they are no database.
QByteArray contentDigestOfBytes(const QByteArray &content);

} // namespace Kadex::PresetDb
