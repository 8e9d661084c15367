#pragma once
// Report 46: the fuel sold against numbered coupons in a period, in the station's templates
// C:\VEDA\FORMS\REPORT\TalonRep.FRM and C:\VEDA\FORMS\WEBREP\Отливы по талонам.html.
//
// Parameters: [begin, end, payment types (one integer per payment type in the station's order,
// not 0 = chosen)]. Both times 0 is the current shift, from its start to now; an end of 0 (a
// shift still open) is now. A sale counts when it was paid by a chosen type and carries a
// coupon number.
#include <cstdint>

#include "host/reports/ReportFamily.h"
#include "host/reports/ReportTemplate.h"

namespace kvt::host {

inline constexpr std::int32_t kCouponReport = 46;

// Scalars: those of host/reports/SalesReports.h (the shifts only for the current shift; Count,
// Liters, Summa over the sales).
// Table Talon, by time: Time, Trk, Gsm, TalonNum, VidOpl, Liters, Summa.
// Table TalonGsm, by fuel grade in the station's order: Gsm, Count, Liters, Summa.
const TemplateSchema& couponReportSchema();

ReportData couponReportData(std::int32_t reportNo, const Variant& params,
                            const ReportContext& context);

ReportPages produceCouponReport(std::int32_t reportNo, const Variant& params,
                                const ReportContext& context);

}  // namespace kvt::host
