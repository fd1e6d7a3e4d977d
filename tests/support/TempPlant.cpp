#include "tests/support/TempPlant.h"

#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace Kadex::Test {

TempPlant::TempPlant()
{
    EXPECT_TRUE(m_dir.isValid());
    QDir(root()).mkpath(QStringLiteral("Kadex"));
    QDir(root()).mkpath(QStringLiteral("parameter"));
}

void TempPlant::write(const QString &relative, const QByteArray &content) const
{
    writeFileBytes(path(relative), content);
}

QByteArray TempPlant::read(const QString &relative) const
{
    return fileBytes(path(relative));
}

bool TempPlant::exists(const QString &relative) const
{
    return QFileInfo::exists(path(relative));
}

Platform::ProcessFacts TempPlant::facts(const QString &commandLine) const
{
    Platform::ProcessFacts facts;
    facts.commandLine = commandLine;
    facts.programDir = programDir();
    facts.exeFileName = QStringLiteral("Kadex_Config");
    facts.exeName = QStringLiteral("Kadex_Config");
    facts.version = {1, 0, 2};
    facts.firstEnvironmentEntry = QStringLiteral("USERNAME=abc");
    return facts;
}

void TempPlant::writeStandardPlant(int machines) const
{
    QByteArray cfg = "[Project]\r\n";
    QByteArray program = "[Project]\r\nNumberOfMachines=" + QByteArray::number(machines) + "\r\n";
    QByteArray plant = "[Common]\r\n";
    for (int i = 1; i <= machines; ++i) {
        const QByteArray n = QByteArray::number(i);
        cfg += "ForMachine" + n + "=true\r\n";
        program += "[Machine" + n + "]\r\nMachineName=M" + n + "\r\n";
        plant += "NameM" + n + "=M" + n + "\r\n";
    }
    write(QStringLiteral("Kadex/Kadex.cfg"), cfg);
    write(QStringLiteral("parameter/Program.ini"), program);
    write(QStringLiteral("parameter/r4mconfiguration.ini"), plant);
}

} // namespace Kadex::Test
