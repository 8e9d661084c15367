#pragma once
// The console's report families: each answers some report numbers of GetReport_ from its
// parameter array and the station. The console picks the family by the report number, so a new
// report is one more entry in reportFamilies().
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/reports/ReportOptions.h"
#include "infra/DateTime.h"
#include "kvtreports/Variant.h"

namespace kvt::host {

// The two formats of one report: the old-format text and the new-format HTML page.
struct ReportPages {
    std::string text;
    std::string html;
};

// What every family may ask of the console besides its parameters.
struct ReportContext {
    // The station database.
    std::filesystem::path database;
    // The console's current shift; none: the latest of the log.
    std::optional<std::int32_t> currentShift;
    // When the report is made.
    DateTime now;
    // The station's report options when the report is made.
    ReportOptions options{};
};

// Throws std::runtime_error for a malformed parameter array (naming the element) or a station
// it cannot read; a report's own problems with its templates are notices inside its pages.
using ProduceReport = ReportPages (*)(std::int32_t reportNo, const Variant& params,
                                      const ReportContext& context);

struct ReportFamily {
    std::vector<std::int32_t> numbers;  // the report numbers it answers
    ProduceReport produce;
};

// Every family the console produces, one entry each (host/reports/ReportFamilies.cpp).
const std::vector<ReportFamily>& reportFamilies();

}  // namespace kvt::host
