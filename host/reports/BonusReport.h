#pragma once
// Report 9: the discounts granted and bonuses credited on the sales of a run of shifts, by
// payment type and fuel grade, in the station's templates C:\VEDA\FORMS\REPORT\BonusRep.FRM and
// C:\VEDA\FORMS\WEBREP\Отчет по бонусам и скидкам.html. A sale counts when it got a discount
// or a bonus.
//
// Parameters: [first shift, payment-type selection (one integer per payment type in the
// station's order, not 0 = chosen), also list the chosen types without such sales (Bool), last
// shift, totals per fuel grade (Bool), subtotals per payment type (Bool)]. The plug-in sends
// the current shift's number as both shifts for the current shift.
#include <cstdint>

#include "host/reports/ReportFamily.h"
#include "host/reports/ReportTemplate.h"

namespace kvt::host {

inline constexpr std::int32_t kBonusReport = 9;

// Scalars: those of host/reports/SalesReports.h (Count, Liters, Summa over the sales counted),
// Skidka, Bonus (their totals), GsmItog, VidOplItog (1 when those totals were asked).
// Table BonusVidOpl, by payment type in the station's order, then fuel grade: Itog (empty on a
// grade's row; "Итого: <type>" on the type's subtotal row), VidOpl, Code, Gsm, Count, Liters,
// Summa, Skidka, Bonus. A chosen type without sales has one row of zeros when asked for: its
// subtotal row, or without subtotals a row without a grade.
// Table BonusGsm (with totals per fuel grade only), by grade: Gsm, Count, Liters, Summa,
// Skidka, Bonus.
const TemplateSchema& bonusReportSchema();

ReportData bonusReportData(std::int32_t reportNo, const Variant& params,
                           const ReportContext& context);

ReportPages produceBonusReport(std::int32_t reportNo, const Variant& params,
                               const ReportContext& context);

}  // namespace kvt::host
