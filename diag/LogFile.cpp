#include "diag/LogFile.h"

#include "platform/Cp1252.h"
#include "platform/FileLookup.h"

#include <QFile>

#include <cstdio>

namespace Kadex::Diag {

bool appendLogLine(const QString &path, const QString &text)
{
    if (path.isEmpty()) {
        return false;
    }
    // The LOGFILE switch arrives in upper case; the log keeps the name it has on disk.
    QFile file(Platform::FileLookup::resolvePath(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        return false;
    }
    const QByteArray line = Platform::Cp1252::encode(text) + "\r\n";
    return file.write(line) == line.size();
}

QString servicePackLogPath()
{
    const QString configured = qEnvironmentVariable("KADEX_SERVICEPACK_LOG");
    return configured.isEmpty() ? QStringLiteral("/var/log/BrolmServicePack.log") : configured;
}

QString servicePackFallbackPath(const QString &rootDirectory)
{
    if (!qEnvironmentVariable("KADEX_SERVICEPACK_LOG").isEmpty()) {
        return QString();
    }
    return rootDirectory + QStringLiteral("/BrolmServicePack.log");
}

bool writeServicePackLine(const QString &path, const QString &fallbackPath, const QString &exeName, const QString &text)
{
    const QString line = QStringLiteral("! Fault ") + exeName + QStringLiteral(": ") + text;
    if (appendLogLine(path, line) || (!fallbackPath.isEmpty() && appendLogLine(fallbackPath, line))) {
        return true;
    }
    writeToStandardError(line);
    return false;
}

void writeToStandardError(const QString &text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    std::fprintf(stderr, "%s\n", shown.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace Kadex::Diag
