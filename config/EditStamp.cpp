#include "config/EditStamp.h"

#include "config/IniAccess.h"
#include "config/PlantPaths.h"
#include "config/RunMode.h"
#include "diag/ErrorGuard.h"
#include "diag/Failure.h"
#include "platform/Cp1252.h"

namespace Kadex::Config {

QString programStamp(const Platform::Version &version, bool integratedMode)
{
    return QString::number(version.major) + QLatin1Char('.') + QString::number(version.minor) + QLatin1Char('.') +
           QString::number(version.revision) +
           (integratedMode ? QStringLiteral(" - Integrated") : QStringLiteral(" - Standalone"));
}

QString encodeEditor(const QString &firstEnvironmentEntry)
{
    const qsizetype equals = firstEnvironmentEntry.indexOf(QLatin1Char('='));
    const QString value = equals < 0 ? firstEnvironmentEntry : firstEnvironmentEntry.mid(equals + 1);
    QString encoded;
    for (const QChar c : value) {
        if (c == QLatin1Char('-') || c == QLatin1Char('_')) {
            continue;
        }
        // A character outside the code page counts as '?', as the system's conversion would give it.
        const int code = Platform::Cp1252::toByte(c);
        encoded += QString::number((code < 0 ? int('?') : code) + 5, 16).toUpper();
    }
    return encoded;
}

EditStamp::EditStamp(const Platform::ProcessFacts &facts, RunMode &runMode, IniAccess &ini, PlantPaths &paths,
                     Diag::ErrorReport &report)
    : m_facts(facts), m_runMode(runMode), m_ini(ini), m_paths(paths), m_report(report)
{
}

void EditStamp::WriteEditInfo()
{
    Diag::ErrorGuard guard(m_report, QStringLiteral("WriteEditInfo"));
    const QString section = QStringLiteral("Info");
    const QList<IniWrite> stamp = {
        {programStamp(m_facts.version, m_runMode.IntegratedMode()), section, QStringLiteral("S_Prog")},
        {encodeEditor(m_facts.firstEnvironmentEntry), section, QStringLiteral("S_Editor")},
    };
    // Both entries go into the module configuration in one replacement. One that refuses the stamp is reported
    // once; the stamp must not pass for written.
    guard.step([&] {
        const QString cfg = m_paths.GetCFGPath();
        QString reason;
        if (m_ini.SaveIniEntries(stamp, cfg, &reason) == 0) {
            throw Diag::Failure::pathFileAccess(cfg, reason);
        }
    });
}

} // namespace Kadex::Config
