#pragma once
// The local-machine keys of the report families below kReportsKey.
#include <string>
#include <string_view>

#include "platform/Registry.h"

namespace kvt::settings {

// The absolute path of a family key ("BonusRep").
std::string ReportsKeyPath(std::string_view keyName);

// Opens a family key on a local-machine registry, creating it when missing; false when it can be
// neither opened nor created.
bool OpenReportsKey(platform::Registry& registry, std::string_view keyName);

}  // namespace kvt::settings
