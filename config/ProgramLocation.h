#pragma once

#include <QString>

#include <optional>

namespace Kadex::Diag {
class ErrorReport;
}

namespace Kadex::Config {

// The parent of the program's folder: /srv/plant for a program in /srv/plant/Kadex, "" for one in /Kadex.
QString rootDirectoryOf(const QString &programDir);
// The module name: the program's name without extension, less its last seven characters
// (Kadex_Config gives Kadex); nothing when the name is too short to cut.
std::optional<QString> moduleNameOf(const QString &exeName);
// Everything after the last "/" of path; path when it has none; "" when it ends in "/".
QString fileNameOnly(const QString &path);
// Unattended runs and the history commands find the plant only from a program in the plant's module folder
// (<plant>/Kadex for Kadex_Config): for a program elsewhere, the line that says so; nothing for one in place.
std::optional<QString> notInPlantNotice(const QString &programDir, const QString &exeName);
// Source with the first occurrence of searchItem (found without regard to letter case) replaced.
QString replaceFirst(const QString &source, const QString &searchItem, const QString &replacement);

// The program's own location and name, with the guarded operations of the program.
class ProgramLocation
{
public:
    ProgramLocation(QString programDir, QString exeName, Diag::ErrorReport &report);

    // The module name; a name too short to cut is reported under "GetOCXName" and gives "".
    QString GetOCXName();
    QString GetFileNameOnly(const QString &path);

    QString rootDirectory() const { return rootDirectoryOf(m_programDir); }
    const QString &programDir() const { return m_programDir; }
    const QString &exeName() const { return m_exeName; }

private:
    QString m_programDir;
    QString m_exeName;
    Diag::ErrorReport &m_report;
};

} // namespace Kadex::Config
