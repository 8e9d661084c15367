#pragma once
// The console's answer to the reports none of its report families produces
// (host/reports/ReportFamily.h): a diagnostic report that lists the parameters the plug-in sent,
// so that an integrator sees exactly what a report request carries.
#include <cstdint>
#include <optional>
#include <string>

#include "kvtreports/Variant.h"

namespace kvt::host {

// The report number that asks for the report produced last as an HTML page.
inline constexpr std::int32_t kNewFormatReport = 55;

class DiagnosticReports {
public:
    // The text of report `reportNo` from `params` (GetReport_): the old format, fixed-pitch
    // lines separated by CR LF, or for report 55 the report produced last as an HTML page.
    // Report 55 before any other report throws std::runtime_error.
    std::string produce(std::int32_t reportNo, const Variant& params);

private:
    struct Request {
        std::int32_t reportNo;
        Variant params;
    };
    std::optional<Request> last_;
};

// The two formats of the diagnostic report, for one request.
std::string diagnosticText(std::int32_t reportNo, const Variant& params);
std::string diagnosticHtml(std::int32_t reportNo, const Variant& params);

}  // namespace kvt::host
