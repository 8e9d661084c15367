#include "settings/PayTypeFlags.h"

#include "settings/ReportsKeys.h"
#include "settings/SettingsCatalogue.h"

namespace kvt::settings {

using platform::Registry;
using platform::RootKey;

bool OpenPayTypeKey(Registry& registry, std::string_view keyName, std::int32_t seedCode) {
    const bool existed = registry.keyExists(ReportsKeyPath(keyName));
    if (!OpenReportsKey(registry, keyName))
        return false;
    if (!existed)
        registry.writeInteger(PayTypeValueName(seedCode), 1);
    return true;
}

std::optional<bool> ReadFlag(const Registry& key, std::string_view name) {
    if (!key.valueExists(name))
        return std::nullopt;
    return key.readInteger(name) == 1;
}

std::vector<std::int32_t> ReadPayTypeFlags(const Registry& key,
                                           const std::vector<std::int32_t>& codes) {
    std::vector<std::int32_t> flags;
    flags.reserve(codes.size());
    for (const std::int32_t code : codes)
        flags.push_back(ReadFlag(key, PayTypeValueName(code)).value_or(false) ? 1 : 0);
    return flags;
}

std::vector<std::int32_t> ReadPayTypes(const std::vector<std::int32_t>& codes,
                                       std::string_view keyName, std::int32_t defaultIndex) {
    Registry registry(RootKey::LocalMachine);
    // Checked first so that a mere look at a family's selection leaves no empty key behind.
    if (registry.keyExists(ReportsKeyPath(keyName)) && OpenReportsKey(registry, keyName))
        return ReadPayTypeFlags(registry, codes);
    std::vector<std::int32_t> flags(codes.size(), 0);
    // The table may have fewer payment types than the family's usual default position.
    if (defaultIndex >= 0 && static_cast<std::size_t>(defaultIndex) < flags.size())
        flags[static_cast<std::size_t>(defaultIndex)] = 1;
    return flags;
}

BonusPayTypes ReadBonusPayTypes(const std::vector<std::int32_t>& codes) {
    Registry registry(RootKey::LocalMachine);
    if (!OpenPayTypeKey(registry, kBonusRepKey, kBonusRepSeedCode))
        return {false, std::vector<std::int32_t>(codes.size(), 0)};
    return {ReadFlag(registry, kNullStrValue).value_or(false), ReadPayTypeFlags(registry, codes)};
}

void WritePayTypeFlags(std::string_view keyName,
                       const std::vector<std::pair<std::int32_t, bool>>& shown) {
    Registry registry(RootKey::LocalMachine);
    if (!OpenReportsKey(registry, keyName))
        return;
    for (const auto& [code, ticked] : shown)
        registry.writeInteger(PayTypeValueName(code), ticked ? 1 : 0);
}

}  // namespace kvt::settings
