#pragma once

#include <QString>

// Finding files as the program's home platform does: names match without regard to letter case,
// component by component.
namespace Kadex::Platform::FileLookup {

// The path as it exists on disk when it names an ordinary, non-hidden file (looked up without regard to
// letter case); empty otherwise.
QString findExistingFile(const QString &path);

// The path as it exists on disk when something not hidden is there, whatever it is: a regular file, a folder, a
// FIFO, a link to nothing. For files that must be read when they are there at all, and refused when they cannot.
QString findPresentEntry(const QString &path);

// The path with every leading component that exists on disk replaced by its on-disk spelling; components that
// do not exist are kept as given. Used to write to a file the caller named in another letter case.
QString resolvePath(const QString &path);

} // namespace Kadex::Platform::FileLookup
