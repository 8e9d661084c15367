#pragma once
// The viewer's print options, remembered per report title in the local-machine key
// kReportsKey + "PrintOptions" as decimal text (title + "_Orientation", "_FontSize", "_Scale").
#include <cstdint>
#include <string>

#include "settings/SettingsCatalogue.h"

namespace kvt::settings {

struct PrintOptions {
    std::int32_t orientation = kOrientationDefault;
    std::int32_t fontSize = kFontSizeDefault;
    std::int32_t scale = kScaleDefault;
};

// A missing or non-numeric value, or a key that cannot be opened, gives the default. A value
// stored with another registry type throws platform::ERegistryException.
PrintOptions ReadPrintOptions(const std::string& title);
// Nothing is written when the key cannot be opened.
void WritePrintOptions(const std::string& title, const PrintOptions& options);

}  // namespace kvt::settings
