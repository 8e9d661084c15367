#pragma once
// The values a shift report's templates draw on: the names of host/reports/ReportTemplate.h that
// the shift report offers, and their values computed from the station's records.
//
// A sale is a pump log line that ends a delivery (operation 3 "Отлито", 4 "Недолито",
// 6 "Авар.останов" or 7 "Перелив", by the low seven bits) with its litres and sum. A pump's
// sale is counted on the nozzle of that pump that delivers its fuel grade, and through the
// nozzle on the tank behind it. Payment code 999 and an empty code mean no payment type.
//
// The money sums of the financial report (tables VidOpl and GsmVidOpl) follow `moneySums`: the
// sums the pumps recorded, or litres times the fuel's price in the station's grade list (a
// sale of a fuel the list lacks keeps its recorded sum, having no price to compute with). The
// other sections always show the recorded sums: they tell what the pumps delivered.
// With the tank grouping 1 the tanks go by fuel name, otherwise by tank number.
#include "host/reports/ReportOptions.h"
#include "host/reports/ReportTemplate.h"
#include "host/reports/ShiftRecords.h"
#include "infra/DateTime.h"

namespace kvt::host {

const TemplateSchema& shiftReportSchema();

// The report's values; `now` is the time the report is made.
ReportData shiftReportData(const ShiftRecords& records, const ShiftReportRequest& request,
                           MoneySums moneySums, bool current, DateTime now);

}  // namespace kvt::host
