#pragma once

namespace Kadex::Config {
struct Services;
}

namespace Kadex::PresetDb {

// Brings the module's preset database into line with the plant when the operator confirms: rebuilds
// PRESET_DEFS of the module source database from its template, carries the plant's values over from the old
// module database, replaces the module database with the result and restores the template's file times.
class DatabaseUpdate
{
public:
    explicit DatabaseUpdate(Config::Services &services);
    ~DatabaseUpdate();
    DatabaseUpdate(const DatabaseUpdate &) = delete;
    DatabaseUpdate &operator=(const DatabaseUpdate &) = delete;

    // The whole update; failures are reported through the error report and the update goes on.
    void WorkOnMDB();

private:
    Config::Services &m_services;
};

} // namespace Kadex::PresetDb
