#pragma once
// What the console's statement and contract reports share (reports 11 to 17, 25, 26 and 53): one
// set of names for their templates, the grouping of the sales on account with a total per group,
// and the elements the plug-in's statement runners send as text.
//
// Scalars: those of host/reports/SalesReports.h (Count, Liters, Summa over the sales), Title,
// Counterparty, Car, Driver (the ones the report is limited to; empty: every one), Grouping
// (e.g. "по водителям, затем по автомобилям"; empty: none).
// Table Otpusk, by group in the order of the grouping, each group by time: a group opens with a
// row whose Head names it ("Водитель: Андреев П.С.") and closes with a row whose Itog does
// ("Итого по водителю Андреев П.С.") with its Count, Liters and Summa; the rows between, with
// both empty, are the sales: Time, Trk, Gsm, VidOpl, Counterparty, Contract, Car, Driver, Count
// (1), Liters, Summa.
// Table OtpuskGsm, by fuel grade in the station's order: Gsm, Count, Liters, Summa.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/reports/ReportFamily.h"
#include "host/reports/ReportParams.h"
#include "host/reports/ReportTemplate.h"
#include "host/reports/SalesReports.h"
#include "host/reports/StatementRecords.h"

namespace kvt::host {

enum class GroupBy { Counterparty, Contract, Driver, Car };

// The grouping the operator chose in the statement dialog: by drivers and/or cars, drivers first
// or cars first.
std::vector<GroupBy> chosenGrouping(bool byDriver, bool byCar, bool driversFirst);

struct StatementReport {
    std::string title;
    ReportHeader header;
    StatementFilter filter;
    std::vector<bool> payTypes;  // one per payment type of the station, chosen ones set
    std::vector<GroupBy> grouping;
};

// A family's report from its parameter array: the array read whole first, the station asked
// afterwards for what the array leaves to it (the shifts, the directory, captions).
using StatementRequest = StatementReport (*)(std::int32_t reportNo, const Variant& params,
                                             const ReportContext& context);

const TemplateSchema& statementReportSchema();

ReportData statementReportData(const StatementReport& report, const ReportContext& context);

// The data, or the pages from the family's templates (file names in the console's template
// folders), of the report that `request` makes of the array.
ReportData statementData(StatementRequest request, std::int32_t reportNo, const Variant& params,
                         const ReportContext& context);
ReportPages statementPages(StatementRequest request, std::string_view oldTemplate,
                           std::string_view newTemplate, std::int32_t reportNo,
                           const Variant& params, const ReportContext& context);

// The caption of the station's statement type, the fifth of its payment types as the plug-in
// names them in its titles, without "&"; "Ведомость +" at a station that keeps fewer.
std::string statementCaption(const ReportContext& context);

// Elements sent as text: a shift number in decimals, a date-time in the short date and long
// time format (the time left out at midnight) or as the statement dialog shows a period
// ("dd.mm.yyyy hh:nn").
std::int32_t shiftNumberText(const ParamArray& elements, std::size_t index, std::string_view what);
DateTime dateTimeText(const ParamArray& elements, std::size_t index, std::string_view what);

// A period of elements `begin` and `end`, refused when it ends before it begins.
ReportHeader periodTexts(const ParamArray& elements, std::size_t begin, std::size_t end);

}  // namespace kvt::host
