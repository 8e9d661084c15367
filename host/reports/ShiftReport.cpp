#include "host/reports/ShiftReport.h"

#include "host/reports/ReportComposer.h"
#include "host/reports/ShiftData.h"
#include "host/reports/ShiftRecords.h"

namespace kvt::host {

namespace {

bool isOldFormat(std::int32_t section) {
    return section < kNewFormatSectionBase;
}

}  // namespace

ReportPages composeShiftReport(const std::vector<LayoutEntry>& layout, const ReportData& data,
                               const NumberStyle& numbers) {
    ReportPages pages;
    HtmlPage page;
    for (const LayoutEntry& entry : layout) {
        if (entry.templatePath.empty())
            continue;
        if (isOldFormat(entry.section))
            pages.text += filledTemplate(entry.templatePath, data, OutputFormat::Text, numbers);
        else
            page.add(filledTemplate(entry.templatePath, data, OutputFormat::Html, numbers));
    }
    pages.html = page.page("Сменный отчет");
    return pages;
}

ReportPages produceShiftReport(std::int32_t, const Variant& params, const ReportContext& context) {
    const ShiftReportRequest request = readShiftReportRequest(params);
    ShiftChoice choice{request.shifts, !request.shifts};
    if (choice.current && context.currentShift)
        choice.range = ShiftRange{*context.currentShift, *context.currentShift};
    const ShiftRecords records = readShiftRecords(context.database, choice);
    const ReportData data =
        shiftReportData(records, request, context.options.moneySums, choice.current, context.now);
    return composeShiftReport(request.layout, data, context.options.numbers);
}

}  // namespace kvt::host
