#pragma once

#include "platform/ProcessFacts.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace Kadex::Test {

// A plant tree in a temporary folder, laid out as on a real plant:
//   <root>/Kadex/            the program's folder (Kadex.cfg, the databases, the language file)
//   <root>/parameter/        r4mconfiguration.ini and Program.ini
// Files are written and read as bytes.
class TempPlant
{
public:
    TempPlant();

    QString root() const { return m_dir.path(); }
    QString programDir() const { return root() + QStringLiteral("/Kadex"); }
    QString path(const QString &relative) const { return root() + QLatin1Char('/') + relative; }

    // Writes bytes to a file below the root, creating folders.
    void write(const QString &relative, const QByteArray &bytes) const;
    QByteArray read(const QString &relative) const;
    bool exists(const QString &relative) const;

    // The facts of a program Kadex_Config in <root>/Kadex started with commandLine.
    Platform::ProcessFacts facts(const QString &commandLine = {}) const;

    // The usual files of a small plant: Kadex/Kadex.cfg with ForMachine1..n=true, parameter/Program.ini
    // with n machines M1..Mn, parameter/r4mconfiguration.ini with NameM1..NameMn and SaveAndRestore unset.
    void writeStandardPlant(int machines = 2) const;

private:
    QTemporaryDir m_dir;
};

// The bytes of a text, for short fixtures: TempPlant::write(path, bytes("[A]\r\nK=1\r\n")).
inline QByteArray bytes(const char *text)
{
    return QByteArray(text);
}

} // namespace Kadex::Test
