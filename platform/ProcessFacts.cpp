#include "platform/ProcessFacts.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <unistd.h>

extern char **environ;

namespace Kadex::Platform {

namespace {

QString ownExecutablePath(char **argv)
{
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    if (self.exists()) {
        return self.canonicalFilePath();
    }
    return argv && argv[0] ? QFileInfo(QString::fromLocal8Bit(argv[0])).absoluteFilePath() : QString();
}

} // namespace

Version ProcessFacts::builtVersion()
{
    return {KADEX_VERSION_MAJOR, KADEX_VERSION_MINOR, KADEX_VERSION_PATCH};
}

ProcessFacts ProcessFacts::current(int argc, char **argv)
{
    ProcessFacts facts;
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args.append(QString::fromLocal8Bit(argv[i]));
    }
    facts.commandLine = args.join(QLatin1Char(' '));

    const QFileInfo exe(ownExecutablePath(argv));
    facts.programDir = QDir::cleanPath(exe.absolutePath());
    facts.exeFileName = exe.fileName();
    facts.exeName = exe.completeBaseName();
    facts.version = builtVersion();
    if (environ && environ[0]) {
        facts.firstEnvironmentEntry = QString::fromLocal8Bit(environ[0]);
    }
    return facts;
}

} // namespace Kadex::Platform
