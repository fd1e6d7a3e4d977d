#pragma once

#include <QString>

// The failure numbers this program reports. They keep the classic run-time and database-engine numbers so that
// an error-log line reads as service engineers know it ("Nr. 6" is an overflow, "Nr. 53" a missing file).
namespace Kadex::Diag::ErrorNumbers {

// Run-time failures.
inline constexpr qint32 InvalidProcedureCall = 5; // invalid procedure call or argument
inline constexpr qint32 Overflow = 6;             // a number does not fit its type
inline constexpr qint32 OutOfMemory = 7;
inline constexpr qint32 SubscriptOutOfRange = 9; // an index outside a table or list
inline constexpr qint32 TypeMismatch = 13;       // a value of the wrong kind (text where a number belongs)
inline constexpr qint32 InternalError = 51;      // anything the program did not foresee
inline constexpr qint32 FileNotFound = 53;
inline constexpr qint32 PathFileAccessError = 75; // a file exists but cannot be read or written

// Database-engine failures.
inline constexpr qint32 CouldNotFindFile = 3024;    // database file missing
inline constexpr qint32 CannotOpenDatabase = 3049;  // not a database, or damaged
inline constexpr qint32 CannotOpenFile = 3051;      // read-only, locked or no permission
inline constexpr qint32 CannotFindTable = 3078;     // table or query not found
inline constexpr qint32 ItemNotFound = 3265;        // field not found in the collection
inline constexpr qint32 DatabaseEngineError = 3146; // any other engine failure

// The program's own abort of the machine-copy take-over.
inline constexpr qint32 DatabaseAbort = 9999;

// The module database about to be replaced could not be kept in the history folder, or its report not written.
inline constexpr qint32 HistoryNotKept = 9010;

// Another program held the module database's write lock longer than the update waits; nothing was changed.
inline constexpr qint32 ModuleDbInUse = 9020;
// The files the machine list and settings come from kept changing while the update read them; nothing was changed.
inline constexpr qint32 SettingsKeptChanging = 9021;

// Sources named in reports.
inline const QString SourceProgram = QStringLiteral("Kadex_Config");
inline const QString SourceDatabase = QStringLiteral("DAO.Database");
inline const QString SourceField = QStringLiteral("DAO.Field");

} // namespace Kadex::Diag::ErrorNumbers
