#pragma once

#include <QString>

namespace Kadex::Platform {

struct Version
{
    int major = 0;
    int minor = 0;
    int revision = 0;
};

// What the running program knows about itself. Taken once at start; tests build their own.
struct ProcessFacts
{
    QString commandLine;           // the arguments, joined by single blanks
    QString programDir;            // the program's folder, without a trailing separator
    QString exeFileName;           // the program's file name as on disk, e.g. "Kadex_Config"
    QString exeName;               // the file name without extension
    Version version;               // the version built into the program
    QString firstEnvironmentEntry; // entry number 1 of the environment, "NAME=value"

    // The facts of this process. argv[0] is only a fallback when the executable's own path is unknown.
    static ProcessFacts current(int argc, char **argv);
    // The version built into the program.
    static Version builtVersion();
};

} // namespace Kadex::Platform
