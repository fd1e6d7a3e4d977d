#include "config/PlantPaths.h"

#include "config/IniAccess.h"
#include "config/ProgramLocation.h"
#include "config/RunMode.h"
#include "diag/ErrorGuard.h"
#include "diag/ErrorReport.h"
#include "diag/Messages.h"
#include "platform/FileLookup.h"

#include <QFileInfo>

namespace Kadex::Config {

namespace {

QString existing(const QString &path)
{
    return path.isEmpty() ? QString() : Platform::FileLookup::findExistingFile(path);
}

// A settings file as found on disk: also one that is there but no regular file, so that reading it stops the run
// (IniAccess) instead of taking it for a missing file.
QString existingSettings(const QString &path)
{
    const QString file = existing(path);
    return file.isEmpty() && !path.isEmpty() ? Platform::FileLookup::findPresentEntry(path) : file;
}

QString joined(const QString &folder, const QString &rest)
{
    if (folder.endsWith(QLatin1Char('/'))) {
        return folder + rest;
    }
    return folder + QLatin1Char('/') + rest;
}

// folder/M/M + suffix: a module's file in its module folder.
QString moduleFileIn(const QString &folder, const QString &module, const QString &suffix)
{
    return joined(folder, module + QLatin1Char('/') + module + suffix);
}

} // namespace

QString errorLogPathIn(const QString &root)
{
    return root + QStringLiteral("/R4Mcfglog.txt");
}

QString servicePackLogPathIn(const QString &root)
{
    return root + QStringLiteral("/BrolmServicePack.log");
}

QString plantLockPath(const QString &programDir, const QString &exeFileName)
{
    return programDir + QStringLiteral("/.") + exeFileName + QStringLiteral(".lock");
}

QString languageFilePathIn(const QString &programDir, const QString &exeName)
{
    return programDir + QLatin1Char('/') + exeName + QStringLiteral(".ini");
}

QString historyFolderBeside(const QString &moduleDbPath)
{
    return QFileInfo(moduleDbPath).absolutePath() + QStringLiteral("/History");
}

PlantPaths::PlantPaths(ProgramLocation &location, RunMode &runMode, IniAccess &ini, Diag::ErrorReport &report)
    : m_location(location), m_runMode(runMode), m_ini(ini), m_report(report)
{
}

QString PlantPaths::GetPathOCXMDB()
{
    Diag::ErrorGuard guard(m_report, QStringLiteral("GetPathOCXMDB"));
    return guard.value([&] { return modulePath(QStringLiteral(".mdb")); }, QString());
}

QString PlantPaths::GetPathSourceOCXMDB()
{
    Diag::ErrorGuard guard(m_report, QStringLiteral("GetPathSourceOCXMDB"));
    return guard.value([&] { return modulePath(QStringLiteral("_Source.mdb")); }, QString());
}

QString PlantPaths::GetCFGPath()
{
    Diag::ErrorGuard guard(m_report, QStringLiteral("GetCFGPath"));
    const QString composed = guard.value([&] { return modulePath(QStringLiteral(".cfg")); }, QString());
    const QString found = guard.value([&] { return existingSettings(composed); }, QString());
    if (!found.isEmpty()) {
        return found;
    }
    m_report.ReportFault(QStringLiteral("File not found: ") + Diag::Messages::LineBreak + composed.toUpper());
    m_report.EndProgram();
}

QString PlantPaths::GetR4MConfigurationIniPath()
{
    Diag::ErrorGuard guard(m_report, QStringLiteral("GetR4MConfigurationIniPath"));
    return guard.value(
        [&] {
            return existingSettings(m_location.rootDirectory() + QStringLiteral("/parameter/r4mconfiguration.ini"));
        },
        QString());
}

QString PlantPaths::moduleConfigurationPath()
{
    return modulePath(QStringLiteral(".cfg"));
}

QString PlantPaths::plantProgramIniPath() const
{
    return m_location.rootDirectory() + QStringLiteral("/parameter/Program.ini");
}

QString PlantPaths::modulePath(const QString &suffix)
{
    return moduleFileIn(m_location.rootDirectory(), m_location.GetOCXName(), suffix);
}

QString PlantPaths::savedProgramIniPath(const QString &folder)
{
    return joined(folder, QStringLiteral("parameter/program.ini"));
}

QString PlantPaths::saveAndRestoreFolder(const QString &iniPath)
{
    return m_ini.LoadIniString(QStringLiteral("Common"), QStringLiteral("SaveAndRestore"), iniPath);
}

QString PlantPaths::GetProgramIniPath(qint32 mode)
{
    Diag::ErrorGuard guard(m_report, QStringLiteral("GetProgramIniPath"));
    if (mode == 1 && m_runMode.IntegratedMode()) {
        const QString folder = saveAndRestoreFolder(GetR4MConfigurationIniPath());
        return guard.value([&] { return existingSettings(savedProgramIniPath(folder)); }, QString());
    }
    return guard.value([&] { return existingSettings(plantProgramIniPath()); }, QString());
}

QStringList PlantPaths::programIniPaths()
{
    Diag::ErrorGuard guard(m_report, QStringLiteral("GetProgramIniPath"), Diag::ErrorGuard::Kind::Ignoring);
    QStringList paths;
    const QString plant = guard.value([&] { return existing(plantProgramIniPath()); }, QString());
    const QString r4m = GetR4MConfigurationIniPath();
    const QString folder = r4m.isEmpty() ? QString() : saveAndRestoreFolder(r4m);
    const QString saved =
        folder.isEmpty() ? QString() : guard.value([&] { return existing(savedProgramIniPath(folder)); }, QString());
    for (const QString &path : {plant, saved}) {
        if (!path.isEmpty()) {
            paths.append(path);
        }
    }
    return paths;
}

QString PlantPaths::GetPathMachineCopyMDB(const QString &iniPath)
{
    Diag::ErrorGuard guard(m_report, QStringLiteral("GetPathMachineCopyMDB"));
    const QString module = m_location.GetOCXName();
    const QString folder = saveAndRestoreFolder(iniPath);
    const QString composed =
        guard.value([&] { return moduleFileIn(folder, module, QStringLiteral(".mdb")); }, QString());
    // A failing existence test is no reason to lose the copy: the composed path stands then.
    Diag::ErrorGuard lookup(m_report, QStringLiteral("GetPathMachineCopyMDB"), Diag::ErrorGuard::Kind::Ignoring);
    return lookup.value([&] { return existing(composed); }, composed);
}

} // namespace Kadex::Config
