#pragma once
// Report 34: the returns of a run of shifts (their return certificates) by payment type, in the
// station's templates C:\VEDA\FORMS\REPORT\BackRep.FRM and C:\VEDA\FORMS\WEBREP\Отчет по
// возвратам.html.
//
// Parameters, by their count:
//   [payment types, options, host value 11, begin, end, first shift, operator, last shift,
//    host value 15]                                     the chosen shifts
//   [payment types, options, host value 11, host value 15]   the current shift
// Payment types: one integer per payment type in the station's order, not 0 = chosen. Options
// are bits: 1 also lists the chosen types without returns, 2 adds the summary table, 4 groups
// the returns of each type by pump. A begin or end of 0 is the shift log's.
#include <cstdint>

#include "host/reports/ReportFamily.h"
#include "host/reports/ReportTemplate.h"

namespace kvt::host {

inline constexpr std::int32_t kReturnsReport = 34;

// Scalars: those of host/reports/SalesReports.h (Count, Liters, Summa over the returns), ShowSvod
// and GroupByTrk (1 when the summary table and the grouping by pump were asked).
// Table Vozvrat, by payment type in the station's order, then (grouped) pump, then time: Itog
// (empty on a return; "Итого по ТРК <pump>" and "Итого: <type>" on the subtotal rows), VidOpl,
// Code, Trk, ActNum, SmNum, Time, Gsm, Customer, Count, Liters, Summa. A chosen type without
// returns, when asked for, has its subtotal row of zeros.
// Table Svod (with the summary only), one row per payment type of table Vozvrat: VidOpl, Code,
// Count, Liters, Summa.
const TemplateSchema& returnsReportSchema();

ReportData returnsReportData(std::int32_t reportNo, const Variant& params,
                             const ReportContext& context);

ReportPages produceReturnsReport(std::int32_t reportNo, const Variant& params,
                                 const ReportContext& context);

}  // namespace kvt::host
