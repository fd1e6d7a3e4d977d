#include "presetdb/PresetTexts.h"

#include "diag/Messages.h"

namespace Kadex::PresetDb::Texts {

namespace {

const QString Q = QStringLiteral("\"");

} // namespace

QString missingCopyNotice(const QString &moduleDbFileName)
{
    const QString &crLf = Diag::Messages::CrLf;
    return QStringLiteral("Konnte die Datei:") + Q + moduleDbFileName + Q +
           QStringLiteral(" in der Vorlage nicht finden!") + crLf + crLf +
           QStringLiteral("Ist das Bild in der Vorlage noch nicht vorhanden (also neu)?") + crLf +
           QStringLiteral("Dann ist diese Meldung völlig normal und es wird eine neue Datei mit den "
                          "Standardwerten erzeugt.");
}

QString fieldCountWarning(const QString &moduleName, const QString &lineBreak)
{
    return QStringLiteral("WARNING!") + lineBreak +
           QStringLiteral("Machinecopy contains data in fields that won't be taken over!") + lineBreak +
           QStringLiteral("Configurationfile ") + Q + moduleName + QStringLiteral(".CFG") + Q +
           QStringLiteral(", missing entry ") + Q + QStringLiteral("DataBaseAdditionalFields ") + Q + lineBreak +
           QStringLiteral("If you continue now this data will be lost.") + lineBreak + QStringLiteral("Continue?");
}

QString takeoverDeclinedLine(const QString &exeName, const QString &moduleName, const QString &programDir)
{
    return exeName + QStringLiteral(" :Database-Error - Contact Administrator!") +
           QStringLiteral(" Configurationprogram ") + Q + moduleName + Q + QStringLiteral(" terminated.") +
           QStringLiteral(" Please check Configuration in ") + Q + moduleName + QStringLiteral(".CFG") + Q +
           QStringLiteral(" Restart ") + (programDir + QLatin1Char('/') + exeName + QStringLiteral(".EXE!")).toUpper();
}

QString missingAdditionalFieldLine(const QString &moduleName, const QString &field)
{
    return QStringLiteral("Conflict while attempting to extend database!") + QStringLiteral("Configurationsfile ") + Q +
           moduleName + QStringLiteral(".CFG") + Q + QStringLiteral(", demanded field ") + Q + field.toUpper() + Q +
           QStringLiteral("missing in machinecopy-database") + Diag::Messages::LineBreak +
           QStringLiteral("Configuration of ") + Q + moduleName + Q + QStringLiteral(" aborted.");
}

} // namespace Kadex::PresetDb::Texts
