#include "host/reports/StationReports.h"

#include <algorithm>
#include <stdexcept>

#include "host/reports/ReportFamily.h"

namespace kvt::host {

namespace {

const ReportFamily* familyOf(std::int32_t reportNo) {
    for (const ReportFamily& family : reportFamilies()) {
        if (std::ranges::find(family.numbers, reportNo) != family.numbers.end())
            return &family;
    }
    return nullptr;
}

}  // namespace

StationReports::StationReports(DatabaseSource database, CurrentShiftSource currentShift)
    : database_(std::move(database)), currentShift_(std::move(currentShift)) {}

std::string StationReports::produce(std::int32_t reportNo, const Variant& params) {
    if (reportNo == kNewFormatReport) {
        if (last_ == Last::Family)
            return lastHtml_;
        if (last_ == Last::None)
            throw std::runtime_error(
                "Отчет №55 (новый формат) запрошен, но перед ним не был сформирован ни один отчет");
        return diagnostics_.produce(reportNo, params);
    }
    // A failed report leaves nothing behind for report 55, not the report before it.
    last_ = Last::None;
    if (const ReportFamily* family = familyOf(reportNo))
        return produceBy(*family, reportNo, params);
    std::string text = diagnostics_.produce(reportNo, params);
    last_ = Last::Diagnostic;
    return text;
}

std::string StationReports::produceBy(const ReportFamily& family, std::int32_t reportNo,
                                      const Variant& params) {
    ReportPages pages = family.produce(reportNo, params,
                                       {.database = database_(),
                                        .currentShift = currentShift_(),
                                        .now = Now(),
                                        .options = readReportOptions()});
    lastHtml_ = std::move(pages.html);
    last_ = Last::Family;
    return std::move(pages.text);
}

}  // namespace kvt::host
