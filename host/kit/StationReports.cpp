#include "host/kit/StationReports.h"

#include <stdexcept>

#include "host/kit/ShiftData.h"
#include "host/kit/ShiftRecords.h"
#include "host/kit/ShiftReport.h"

namespace kvt::host {

StationReports::StationReports(DatabaseSource database, CurrentShiftSource currentShift)
    : database_(std::move(database)), currentShift_(std::move(currentShift)) {}

std::string StationReports::produce(std::int32_t reportNo, const Variant& params) {
    if (reportNo == kNewFormatReport) {
        if (last_ == Last::Shift)
            return shiftHtml_;
        if (last_ == Last::None)
            throw std::runtime_error(
                "Отчет №55 (новый формат) запрошен, но перед ним не был сформирован ни один отчет");
        return diagnostics_.produce(reportNo, params);
    }
    // A failed report leaves nothing behind for report 55, not the report before it.
    last_ = Last::None;
    if (reportNo == kShiftReport)
        return produceShiftReport(params);
    std::string text = diagnostics_.produce(reportNo, params);
    last_ = Last::Diagnostic;
    return text;
}

std::string StationReports::produceShiftReport(const Variant& params) {
    const ShiftReportRequest request = readShiftReportRequest(params);
    ShiftChoice choice{request.shifts, !request.shifts};
    if (choice.current) {
        if (const auto number = currentShift_())
            choice.range = ShiftRange{*number, *number};
    }
    const ShiftRecords records = readShiftRecords(database_(), choice);
    const ReportData data = shiftReportData(records, request, choice.current, Now());
    ReportPages pages = composeShiftReport(request.layout, data);
    shiftHtml_ = std::move(pages.html);
    last_ = Last::Shift;
    return std::move(pages.text);
}

}  // namespace kvt::host
