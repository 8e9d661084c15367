#include "host/reports/ReportOptions.h"

#include <algorithm>
#include <string>

#include "platform/CodePage.h"
#include "settings/IniSettings.h"

namespace kvt::host {

namespace {

constexpr std::int32_t kMaxDecimals = 3;

int decimals(const settings::IniSetting<std::int32_t>& setting) {
    return std::clamp(settings::ReadSetting(setting), 0, kMaxDecimals);
}

// A separator is stored as one Windows-1251 character; reports are made in UTF-8.
std::string separator(std::string_view key) {
    return platform::cp1251ToUtf8(std::string(1, settings::ReadSeparator(key)));
}

}  // namespace

ReportOptions readReportOptions() {
    return ReportOptions{
        .numbers = NumberStyle{.decimalSeparator = separator(settings::kDecimalSeparatorKey),
                               .groupSeparator = separator(settings::kThousandSeparatorKey),
                               .decL = decimals(settings::kDecL),
                               .decKg = decimals(settings::kDecKg),
                               .decL2 = decimals(settings::kDecL2),
                               .decKg2 = decimals(settings::kDecKg2)},
        .moneySums = settings::ReadSetting(settings::kRepSmType) == 0 ? MoneySums::Recorded
                                                                      : MoneySums::ByLitres,
    };
}

}  // namespace kvt::host
