#include "config/ProgramLocation.h"

#include "diag/ErrorGuard.h"
#include "diag/Failure.h"

namespace Kadex::Config {

QString rootDirectoryOf(const QString &programDir)
{
    // Characters come off the end until the text ends in the separator, then the separator goes too.
    QString root = programDir;
    while (!root.isEmpty() && !root.endsWith(QLatin1Char('/'))) {
        root.chop(1);
    }
    root.chop(1);
    return root;
}

std::optional<QString> moduleNameOf(const QString &exeName)
{
    if (exeName.size() < 7) {
        return std::nullopt;
    }
    return exeName.left(exeName.size() - 7);
}

std::optional<QString> notInPlantNotice(const QString &programDir, const QString &exeName)
{
    const std::optional<QString> module = moduleNameOf(exeName);
    if (module && !module->isEmpty() && fileNameOnly(programDir).compare(*module, Qt::CaseInsensitive) == 0) {
        return std::nullopt;
    }
    const QString folder = module ? *module : QStringLiteral("module");
    return exeName + QStringLiteral(" is not in a plant's ") + folder + QStringLiteral(" folder (it is in ") +
           programDir + QStringLiteral("), so it finds no plant. Install it into <plant>/") + folder +
           QStringLiteral(", for example with scripts/install-into-plant.sh <plant>.");
}

QString fileNameOnly(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

QString replaceFirst(const QString &source, const QString &searchItem, const QString &replacement)
{
    const qsizetype found = searchItem.isEmpty() ? -1 : source.indexOf(searchItem, 0, Qt::CaseInsensitive);
    if (found < 0) {
        return source;
    }
    return source.left(found) + replacement + source.mid(found + searchItem.size());
}

ProgramLocation::ProgramLocation(QString programDir, QString exeName, Diag::ErrorReport &report)
    : m_programDir(std::move(programDir)), m_exeName(std::move(exeName)), m_report(report)
{
}

QString ProgramLocation::GetOCXName()
{
    Diag::ErrorGuard guard(m_report, QStringLiteral("GetOCXName"));
    return guard.value(
        [&] {
            const std::optional<QString> name = moduleNameOf(m_exeName);
            if (!name) {
                throw Diag::Failure::invalidArgument(QStringLiteral("program name ") + m_exeName +
                                                     QStringLiteral(" is too short for a module name"));
            }
            return *name;
        },
        QString());
}

QString ProgramLocation::GetFileNameOnly(const QString &path)
{
    return fileNameOnly(path);
}

} // namespace Kadex::Config
