#pragma once
// A console's report producer (GetReport_): report 45, the shift report, made from the station
// database and the station's report templates; report 55, the new format of the report produced
// last; every other number a diagnostic report (host/kit/DiagnosticReports.h).
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "host/kit/DiagnosticReports.h"
#include "host/kit/ShiftReportRequest.h"
#include "kvtreports/Variant.h"

namespace kvt::host {

class StationReports {
public:
    // Asked at each report: the station database, and the console's current shift number
    // (none: the latest shift of the shift log is the current one).
    using DatabaseSource = std::function<std::filesystem::path()>;
    using CurrentShiftSource = std::function<std::optional<std::int32_t>()>;

    StationReports(DatabaseSource database, CurrentShiftSource currentShift);

    // The report's text in the old format, or for report 55 the report produced last as an HTML
    // page. Errors (a malformed parameter array, shifts missing from the log, an unreadable
    // database) throw std::runtime_error; after one, report 55 has no report to give.
    std::string produce(std::int32_t reportNo, const Variant& params);

private:
    enum class Last { None, Shift, Diagnostic };

    std::string produceShiftReport(const Variant& params);

    DatabaseSource database_;
    CurrentShiftSource currentShift_;
    DiagnosticReports diagnostics_;
    Last last_ = Last::None;
    std::string shiftHtml_;
};

}  // namespace kvt::host
