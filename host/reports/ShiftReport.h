#pragma once
// The shift report as the console composes it: section after section in the layout's order,
// each a template from the station's form folders filled with the report's values.
#include <cstdint>
#include <vector>

#include "host/reports/ReportFamily.h"
#include "host/reports/ReportTemplate.h"
#include "host/reports/ShiftReportRequest.h"

namespace kvt::host {

// The old format from the layout's sections 0 to 15 (".FRM" templates), the new format from
// sections 100 to 115 (".html" templates), both in the layout's order, one HTML page titled
// "Сменный отчет". A section with an empty path is left out; a missing or broken template
// becomes a notice (host/reports/ReportComposer.h) and the other sections are still made.
ReportPages composeShiftReport(const std::vector<LayoutEntry>& layout, const ReportData& data,
                               const NumberStyle& numbers);

// Report 45 (the family's entry).
ReportPages produceShiftReport(std::int32_t reportNo, const Variant& params,
                               const ReportContext& context);

}  // namespace kvt::host
