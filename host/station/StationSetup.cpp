#include "host/station/StationSetup.h"

#include "appserver/StationServer.h"
#include "host/kit/PluginLibrary.h"
#include "platform/PathMap.h"

namespace kvt::station {

namespace fs = std::filesystem;

fs::path defaultHostValuesFile() {
    return platform::PathMap::root() / "station" / "kvt-station.json";
}

StationSetup resolveSetup(const fs::path& plugin, const fs::path& stationDatabase,
                          const fs::path& hostValues) {
    StationSetup setup;
    setup.plugin = plugin.empty() ? host::PluginLibrary::defaultPath() : plugin;
    setup.stationDatabase =
        stationDatabase.empty() ? appserver::defaultStationDatabase() : stationDatabase;
    if (!hostValues.empty())
        setup.hostValues = hostValues;
    else if (std::error_code error; fs::exists(defaultHostValuesFile(), error))
        setup.hostValues = defaultHostValuesFile();
    return setup;
}

}  // namespace kvt::station
