#include "tests/support/SamplePlantProgram.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace Kadex::Test {

bool SamplePlantProgram::copyPlant(const QString &from, const QString &to)
{
    QDirIterator files(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString source = files.next();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(source);
        if (!QDir().mkpath(QFileInfo(target).absolutePath())) {
            return false;
        }
        QFile::remove(target);
        // No run changes the program, so a link serves; a link keeps the path the program finds its plant from.
        const bool linked = QFileInfo(source).fileName() == QStringLiteral("Kadex_Config") &&
                            ::link(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) == 0;
        if (!linked && (!QFile::copy(source, target) || !QFile::setPermissions(target, QFile::permissions(source)))) {
            return false;
        }
    }
    return true;
}

bool SamplePlantProgram::install(const TempPlant &plant)
{
    if (!copyPlant(QStringLiteral(KADEX_SOURCE_DIR "/examples/plant"), plant.root())) {
        return false;
    }
    const QString databases = QStringLiteral(KADEX_SOURCE_DIR "/examples/build-databases.sh");
    if (QProcess::execute(QStringLiteral("bash"), {databases, plant.root()}) != 0) {
        return false;
    }
    return installProgram(plant.root());
}

bool SamplePlantProgram::installProgram(const QString &root)
{
    const QString program = root + QStringLiteral("/Kadex/Kadex_Config");
    QFile::remove(program);
    return QDir().mkpath(root + QStringLiteral("/Kadex")) && QFile::copy(QStringLiteral(KADEX_PROGRAM_PATH), program);
}

ProgramRun SamplePlantProgram::run(const TempPlant &plant, const QStringList &arguments,
                                   const QProcessEnvironment &environment)
{
    return run(plant.root(), arguments, environment);
}

ProgramRun SamplePlantProgram::run(const QString &root, const QStringList &arguments,
                                   const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    QElapsedTimer clock;
    clock.start();
    process.start(root + QStringLiteral("/Kadex/Kadex_Config"), arguments);
    ProgramRun run;
    run.finishedInTime = process.waitForFinished(FinishWithinMs);
    if (!run.finishedInTime) {
        process.kill();
        process.waitForFinished();
    }
    run.elapsedMs = clock.elapsed();
    run.exitCode = process.exitCode();
    run.exitStatus = process.exitStatus();
    run.standardOutput = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.standardError = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

void SamplePlantProgram::passSanitizerOptions(QProcessEnvironment &environment)
{
    for (const char *name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty()) {
            environment.insert(QString::fromLatin1(name), value);
        }
    }
}

QMap<QString, QByteArray> SamplePlantProgram::treeBytes(const QString &root)
{
    QMap<QString, QByteArray> tree;
    QDirIterator files(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            tree.insert(QDir(root).relativeFilePath(path), file.readAll());
        }
    }
    return tree;
}

} // namespace Kadex::Test
