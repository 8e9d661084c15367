#include "settings/PrintOptions.h"

#include "infra/DateTime.h"
#include "platform/Registry.h"
#include "settings/ReportsKeys.h"

namespace kvt::settings {

namespace {

using platform::Registry;

std::string valueName(const std::string& title, std::string_view suffix) {
    return title + std::string(suffix);
}

std::int32_t readNumber(const Registry& key, const std::string& name, std::int32_t fallback) {
    std::int32_t value = 0;
    return key.valueExists(name) && TryStrToInt(key.readString(name), value) ? value : fallback;
}

}  // namespace

PrintOptions ReadPrintOptions(const std::string& title) {
    Registry registry(platform::RootKey::LocalMachine);
    if (!OpenReportsKey(registry, kPrintOptionsKey))
        return {};
    return {readNumber(registry, valueName(title, kOrientationSuffix), kOrientationDefault),
            readNumber(registry, valueName(title, kFontSizeSuffix), kFontSizeDefault),
            readNumber(registry, valueName(title, kScaleSuffix), kScaleDefault)};
}

void WritePrintOptions(const std::string& title, const PrintOptions& options) {
    Registry registry(platform::RootKey::LocalMachine);
    if (!OpenReportsKey(registry, kPrintOptionsKey))
        return;
    registry.writeString(valueName(title, kOrientationSuffix), std::to_string(options.orientation));
    registry.writeString(valueName(title, kFontSizeSuffix), std::to_string(options.fontSize));
    registry.writeString(valueName(title, kScaleSuffix), std::to_string(options.scale));
}

}  // namespace kvt::settings
