#pragma once
// Payment-type selections of the report families, kept as "PayType" + code values (1 = selected)
// in the local-machine keys below kReportsKey. Selections are arrays indexed like the
// payment-type table: `codes` is the table's code column in table order.
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Registry.h"

namespace kvt::settings {

// Opens a family key as OpenReportsKey does; a key that this call creates gets "PayType" + seedCode
// = 1.
bool OpenPayTypeKey(platform::Registry& registry, std::string_view keyName, std::int32_t seedCode);

// A 0/1 value of the open key: empty when the value is missing, true only for the integer 1.
// A value of another registry type throws platform::ERegistryException.
std::optional<bool> ReadFlag(const platform::Registry& key, std::string_view name);
// One element per code: 1 when "PayType" + code exists and reads 1, else 0.
std::vector<std::int32_t> ReadPayTypeFlags(const platform::Registry& key,
                                           const std::vector<std::int32_t>& codes);

// The selection of a family key, which is never created here. Without the key only the table
// position `defaultIndex` is selected; a position outside the table selects nothing.
std::vector<std::int32_t> ReadPayTypes(const std::vector<std::int32_t>& codes,
                                       std::string_view keyName, std::int32_t defaultIndex);

struct BonusPayTypes {
    bool NullFlag = false;  // also list the payment types that had no payments
    std::vector<std::int32_t> flags;
};
// "BonusRep", created with its seed payment type on first use.
BonusPayTypes ReadBonusPayTypes(const std::vector<std::int32_t>& codes);

// Writes the flags of the payment types a settings form shows (code, ticked); the other
// payment types keep their values. A key that cannot be opened is left alone.
void WritePayTypeFlags(std::string_view keyName,
                       const std::vector<std::pair<std::int32_t, bool>>& shown);

}  // namespace kvt::settings
