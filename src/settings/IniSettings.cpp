#include "settings/IniSettings.h"

#include <stdexcept>

#include "infra/DateTime.h"
#include "infra/SafeIniFiles.h"
#include "infra/tools.h"

namespace kvt::settings {

namespace {

// The station's locale groups digits with a no-break space (0xA0 in Windows-1251); its format
// settings record carries no digit-group separator of its own.
constexpr char kStationThousandSeparator = '\xA0';

std::string text(std::string_view view) {
    return std::string(view);
}

void requireSeparatorKey(std::string_view key) {
    if (key != kDecimalSeparatorKey && key != kThousandSeparatorKey)
        throw std::invalid_argument("Ключ " + text(key) + " не является настройкой разделителя");
}

char stationSeparator(std::string_view key) {
    requireSeparatorKey(key);
    return key == kDecimalSeparatorKey ? defaultFormatSettings().decimalSeparator
                                       : kStationThousandSeparator;
}

}  // namespace

bool ReadSetting(const IniSetting<bool>& setting) {
    return TSafeIniFile(ConfigFileName())
        .ReadBool(text(setting.section), text(setting.key), setting.defaultValue);
}

std::int32_t ReadSetting(const IniSetting<std::int32_t>& setting) {
    return TSafeIniFile(ConfigFileName())
        .ReadInteger(text(setting.section), text(setting.key), setting.defaultValue);
}

std::string ReadSetting(const IniSetting<std::string_view>& setting) {
    return TSafeIniFile(ConfigFileName())
        .ReadString(text(setting.section), text(setting.key), text(setting.defaultValue));
}

void WriteSetting(const IniSetting<bool>& setting, bool value) {
    TSafeIniFile(ConfigFileName()).WriteBool(text(setting.section), text(setting.key), value);
}

void WriteSetting(const IniSetting<std::int32_t>& setting, std::int32_t value) {
    TSafeIniFile(ConfigFileName()).WriteInteger(text(setting.section), text(setting.key), value);
}

void WriteSetting(const IniSetting<std::string_view>& setting, std::string_view value) {
    TSafeIniFile(ConfigFileName())
        .WriteString(text(setting.section), text(setting.key), text(value));
}

char ReadSeparator(std::string_view key) {
    const char fallback = stationSeparator(key);
    std::string stored;
    TSafeIniFile(ConfigFileName())
        .ReadHexString(text(kReportsSection), text(key), stored, std::string(1, fallback));
    return stored.size() == 1 ? stored.front() : fallback;
}

void WriteSeparator(std::string_view key, char separator) {
    requireSeparatorKey(key);
    TSafeIniFile(ConfigFileName())
        .WriteHexString(text(kReportsSection), text(key), std::string(1, separator));
}

}  // namespace kvt::settings
