#pragma once

#include <QString>
#include <QStringList>

namespace Kadex::Diag {
class ErrorReport;
}

namespace Kadex::Config {

// The plant's files that are found from the program's own place, before and beside the run's services. root is the
// root directory R, programDir the module folder R/M.
// R/R4Mcfglog.txt: the error log of a standalone or silent run.
QString errorLogPathIn(const QString &root);
// R/BrolmServicePack.log: where service-pack lines go when the system's log cannot be appended to.
QString servicePackLogPathIn(const QString &root);
// R/M/.<exeFileName>.lock: the plant's run lock.
QString plantLockPath(const QString &programDir, const QString &exeFileName);
// R/M/<exeName>.ini: the program's language file.
QString languageFilePathIn(const QString &programDir, const QString &exeName);
// <folder of the module database>/History: where copies of the module database are kept.
QString historyFolderBeside(const QString &moduleDbPath);

class IniAccess;
class ProgramLocation;
class RunMode;

// The path of every file the program touches, composed afresh on each call from the root directory R and the
// module name M. Paths of files that must exist come back as they exist on disk, or empty.
class PlantPaths
{
public:
    PlantPaths(ProgramLocation &location, RunMode &runMode, IniAccess &ini, Diag::ErrorReport &report);

    // R/M/M.mdb, the module database (not looked up).
    QString GetPathOCXMDB();
    // R/M/M_Source.mdb, the module source database (not looked up).
    QString GetPathSourceOCXMDB();
    // R/M/M.cfg, the module configuration. When it is missing: the notice "File not found: " LF CR + path in
    // upper case, then the program ends.
    QString GetCFGPath();
    // R/M/M.cfg as composed, neither looked up nor reported when missing.
    QString moduleConfigurationPath();
    // R/parameter/Program.ini as composed, not looked up.
    QString plantProgramIniPath() const;
    // R/parameter/r4mconfiguration.ini, or "".
    QString GetR4MConfigurationIniPath();
    // Mode 1 in an integrated run: S/parameter/program.ini (S = SaveAndRestore); otherwise
    // R/parameter/Program.ini. "" when missing.
    QString GetProgramIniPath(qint32 mode);
    // The program INIs a run may write its settings to, as they exist on disk: R/parameter/Program.ini and, where
    // r4mconfiguration.ini names a SaveAndRestore folder, S/parameter/program.ini.
    QStringList programIniPaths();
    // S/M/M.mdb, the machine copy, or "" when missing.
    QString GetPathMachineCopyMDB(const QString &iniPath);

private:
    // R/M/M + suffix.
    QString modulePath(const QString &suffix);
    // S/parameter/program.ini, S the SaveAndRestore folder.
    static QString savedProgramIniPath(const QString &folder);
    QString saveAndRestoreFolder(const QString &iniPath);

    ProgramLocation &m_location;
    RunMode &m_runMode;
    IniAccess &m_ini;
    Diag::ErrorReport &m_report;
};

} // namespace Kadex::Config
