#pragma once
// A console's report producer (GetReport_): each report number is answered by the report family
// that names it (host/reports/ReportFamily.h), from the station database and the station's report
// templates; report 55 is the new format of the report produced last; a number no family answers
// gets a diagnostic report (host/reports/DiagnosticReports.h).
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "host/reports/DiagnosticReports.h"
#include "host/reports/ReportFamily.h"
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
    // page. Each report reads the station's general report options from cnf.INI afresh
    // (host/reports/ReportOptions.h). Errors (a malformed parameter array, shifts missing from
    // the log, an unreadable database) throw std::runtime_error; after one, report 55 has no
    // report to give.
    std::string produce(std::int32_t reportNo, const Variant& params);

private:
    enum class Last { None, Family, Diagnostic };

    std::string produceBy(const ReportFamily& family, std::int32_t reportNo, const Variant& params);

    DatabaseSource database_;
    CurrentShiftSource currentShift_;
    DiagnosticReports diagnostics_;
    Last last_ = Last::None;
    std::string lastHtml_;
};

}  // namespace kvt::host
