#pragma once
// Typed access to the settings of cnf.INI. Each call opens the file through its cross-process
// lock for that one operation, so values written by the host or another station module are
// seen at once. A missing or unreadable value yields the setting's default; failures of the file
// itself (EIniFileException) pass through.
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/SettingsCatalogue.h"

namespace kvt::settings {

bool ReadSetting(const IniSetting<bool>& setting);
std::int32_t ReadSetting(const IniSetting<std::int32_t>& setting);
std::string ReadSetting(const IniSetting<std::string_view>& setting);

void WriteSetting(const IniSetting<bool>& setting, bool value);
void WriteSetting(const IniSetting<std::int32_t>& setting, std::int32_t value);
void WriteSetting(const IniSetting<std::string_view>& setting, std::string_view value);

// The decimal and digit-group separators of section "Reports" (kDecimalSeparatorKey,
// kThousandSeparatorKey). A separator is one Windows-1251 character, stored as two hexadecimal
// digits ("2C" for a comma, "A0" for a no-break space) because the host reads it that way.
// A missing value, or one that does not decode to exactly one character, gives the station's
// own separator. Another key is refused with std::invalid_argument.
char ReadSeparator(std::string_view key);
void WriteSeparator(std::string_view key, char separator);

}  // namespace kvt::settings
