#pragma once

#include "tests/support/TempPlant.h"

#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

namespace Kadex::Test {

// How a run of the built program ended.
struct ProgramRun
{
    bool finishedInTime = false;
    int exitCode = -1;
    QProcess::ExitStatus exitStatus = QProcess::CrashExit;
    QString standardOutput;
    QString standardError;
    qint64 elapsedMs = 0;
};

// The built program on a copy of the sample plant (examples/plant with its databases built), installed in the
// plant's Kadex folder as on a real plant. Nothing of the repository's copy is changed.
class SamplePlantProgram
{
public:
    static constexpr int FinishWithinMs = 15000;

    // Copies the sample plant into plant's root, builds its databases and installs the program; false on failure.
    static bool install(const TempPlant &plant);
    // Copies every file of the plant at from into to, replacing files of the same name; the program is linked where
    // the file system allows. False on failure.
    static bool copyPlant(const QString &from, const QString &to);

    // Installs only the program, into <root>/Kadex of a plant made otherwise; false on failure.
    static bool installProgram(const QString &root);

    // Starts the installed program with arguments in environment; waits at most FinishWithinMs.
    static ProgramRun run(const TempPlant &plant, const QStringList &arguments, const QProcessEnvironment &environment);
    // The same for the program installed below root.
    static ProgramRun run(const QString &root, const QStringList &arguments, const QProcessEnvironment &environment);

    // The sanitizer settings of this test process, to pass on to the program.
    static void passSanitizerOptions(QProcessEnvironment &environment);

    // Every file below root with its bytes.
    static QMap<QString, QByteArray> treeBytes(const QString &root);
};

} // namespace Kadex::Test
