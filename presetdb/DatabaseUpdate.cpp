#include "presetdb/DatabaseUpdate.h"

#include "config/Services.h"

namespace Kadex::PresetDb {

DatabaseUpdate::DatabaseUpdate(Config::Services &services) : m_services(services)
{
}

DatabaseUpdate::~DatabaseUpdate() = default;

void DatabaseUpdate::WorkOnMDB()
{
    // Filled in by the database work; until then the update changes nothing.
    (void)m_services;
}

} // namespace Kadex::PresetDb
