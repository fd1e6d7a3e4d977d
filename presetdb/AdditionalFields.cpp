#include "presetdb/AdditionalFields.h"

#include "config/Services.h"
#include "diag/ErrorGuard.h"
#include "diag/UiPort.h"

namespace Kadex::PresetDb {

std::optional<QStringList> GetAdditionalFieldsMDB(Config::Services &services)
{
    Diag::ErrorGuard guard(services.report, QStringLiteral("GetAdditionalFieldsMDB"));
    std::optional<QStringList> list;
    guard.step([&] {
        const QString entry = services.ini.LoadIniString(
            QStringLiteral("Project"), QStringLiteral("DataBaseAdditionalFields"), services.paths.GetCFGPath());
        list = additionalFieldList(entry, [&] { services.report.ui().pumpEvents(); });
    });
    return list;
}

void GetAddFields(Config::Services &services, AddFields &fields)
{
    fields.AddFieldList = GetAdditionalFieldsMDB(services);
    if (!fields.AddFieldList) {
        return;
    }
    QString select;
    for (qsizetype j = 1; j < fields.AddFieldList->size(); ++j) {
        select += QStringLiteral(", PRESET_DEFS.") + fields.AddFieldList->at(j);
    }
    fields.AddFieldSelect = select;
    // The entry is read with at most 254 characters, so the count always fits.
    fields.AddFieldCount = static_cast<qint16>(fields.AddFieldList->size() - 1);
}

} // namespace Kadex::PresetDb
