#include "settings/ReportsKeys.h"

#include "settings/SettingsCatalogue.h"

namespace kvt::settings {

std::string ReportsKeyPath(std::string_view keyName) {
    return "\\" + std::string(kReportsKey) + std::string(keyName);
}

bool OpenReportsKey(platform::Registry& registry, std::string_view keyName) {
    return registry.openKey(ReportsKeyPath(keyName), true);
}

}  // namespace kvt::settings
