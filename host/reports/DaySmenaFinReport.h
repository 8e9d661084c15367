#pragma once
// Report 36: the daily shift financial report, the shifts of a period of whole days at chosen
// stations of the network with their money, in the templates C:\VEDA\FORMS\REPORT\DaySmenaFin.FRM
// and C:\VEDA\FORMS\WEBREP\Финансовый суточно-сменный отчет.html.
//
// Parameters: [first day, last day, stations]: two date-times whose time of day is ignored, the
// first not after the last, and the station numbers in decimal, one a line, each station's
// figures read as host/reports/NetworkStations.h finds them. A shift belongs to the day it began
// (SmLog.BegTime); its sales are those of its span, cash the sales of payment code 0 and
// non-cash all others.
#include <cstdint>

#include "host/reports/ReportFamily.h"
#include "host/reports/ReportTemplate.h"

namespace kvt::host {

inline constexpr std::int32_t kDaySmenaFinReport = 36;

// Scalars: Title, BegDate, EndDate, ReportTime, and the network's totals Shifts, Liters, Summa,
// Nal (cash), Beznal (non-cash), Skidka (discounts granted), Tovary (goods sold).
// Table Notice: Text, what the report could not reach beyond a station's database.
// Table Smena, station by station in the request's order, one kind of row each:
//   Head    a station's title, first;
//   Notice  why the station has no figures (no database, no shift in the period);
//   a shift: SmNum, Operator, BegTime, EndTime (empty while open) and its figures Liters,
//           Summa, Nal, Beznal, Skidka, Tovary, day by day;
//   Itog    a total of the rows above it with the same figures: a day's, after its shifts,
//           then the station's, after its last day;
//   VidOpl  a payment type of the station with its Liters and Summa over the period, after
//           the station's total.
// Every row has the other columns empty, so a template tells the kinds by Head, Notice, Itog
// and VidOpl.
const TemplateSchema& daySmenaFinSchema();

ReportData daySmenaFinData(std::int32_t reportNo, const Variant& params,
                           const ReportContext& context);

ReportPages produceDaySmenaFinReport(std::int32_t reportNo, const Variant& params,
                                     const ReportContext& context);

}  // namespace kvt::host
