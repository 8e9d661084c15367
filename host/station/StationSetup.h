#pragma once
// Where the console finds its plug-in, its station database and its settings.
#include <filesystem>

namespace kvt::station {

struct StationSetup {
    std::filesystem::path plugin;
    std::filesystem::path stationDatabase;
    // The host values file (host/kit/HostValues.h); empty: the defaults.
    std::filesystem::path hostValues;
};

// $KVT_ROOT/station/kvt-station.json.
std::filesystem::path defaultHostValuesFile();

// The setup from the command line's paths, empty where not given: the plug-in defaults to
// PluginLibrary::defaultPath(), the station database to appserver::defaultStationDatabase()
// (KVT_STATION_DB, else $KVT_ROOT/station/station.db), the host values to
// defaultHostValuesFile() when that file exists.
StationSetup resolveSetup(const std::filesystem::path& plugin,
                          const std::filesystem::path& stationDatabase,
                          const std::filesystem::path& hostValues);

}  // namespace kvt::station
