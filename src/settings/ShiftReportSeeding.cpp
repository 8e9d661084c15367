#include "settings/ShiftReportSeeding.h"

#include <cstdint>
#include <string>

#include "infra/SafeIniFiles.h"
#include "infra/tools.h"
#include "platform/Registry.h"
#include "settings/ReportsKeys.h"
#include "settings/SettingsCatalogue.h"

namespace kvt::settings {

namespace {

// The composition that older versions kept in the registry; machines upgraded from them keep
// their report layout this way. Without the key every group takes its own place, included.
class ObsoleteComposition {
public:
    ObsoleteComposition()
        : registry_(platform::RootKey::LocalMachine),
          present_(registry_.openKeyReadOnly(ReportsKeyPath(kObsoleteSmenaRepKey))) {}

    std::int32_t position(int group) const {
        const std::string name = std::string(kObsoleteReportValuePrefix) + std::to_string(group);
        return has(name) ? registry_.readInteger(name) : group + 1;
    }

    bool roundRVal() const {
        return has(kObsoleteRoundRValValue) ? registry_.readBool(kObsoleteRoundRValValue)
                                            : kRoundRVal.defaultValue;
    }

private:
    bool has(std::string_view name) const { return present_ && registry_.valueExists(name); }

    platform::Registry registry_;
    bool present_;
};

constexpr int kFirstRow = 0;

}  // namespace

void SeedShiftReportSection() {
    const ObsoleteComposition obsolete;
    TSafeIniFile file(ConfigFileName());
    const std::string section(kSmenaRepSection);
    const auto missing = [&](const std::string& key) { return !file.ValueExists(section, key); };
    // The section is shared with the host and holds the operator's own layout: only what is not
    // there yet is written, a template path included even when its row's position is missing.
    const auto seedString = [&](const std::string& key, std::string_view value) {
        if (missing(key))
            file.WriteString(section, key, std::string(value));
    };
    const int groupCount = static_cast<int>(kShiftReportGroups.size());
    for (int g = 0; g < groupCount; ++g) {
        const std::string positionKey = ShiftRowKey(g, kFirstRow);
        if (!missing(positionKey))
            continue;
        file.WriteInteger(section, positionKey, obsolete.position(g));
        seedString(ShiftRowPathKey(g, kFirstRow), kShiftReportGroups[g].defaultRepPath);
    }
    const std::string roundKey(kRoundRVal.key);
    if (missing(roundKey))
        file.WriteBool(section, roundKey, obsolete.roundRVal());
    for (int g = 0; g < groupCount; ++g)
        seedString(ShiftRowWebPathKey(g, kFirstRow), kShiftReportGroups[g].defaultWebRepPath);
}

}  // namespace kvt::settings
