#pragma once
// Reports 21 and 22: the return certificates of one shift, in the station's templates
// C:\VEDA\FORMS\REPORT\BackAct.FRM and C:\VEDA\FORMS\WEBREP\Акты возвратов.html.
//
// Parameters: report 21 [begin, end, shift, operator, host value 11, host value 15] for a shift
// of the log (a begin or end of 0 is the log's); report 22 [host value 11, host value 15] for
// the current shift.
#include <cstdint>

#include "host/reports/ReportFamily.h"
#include "host/reports/ReportTemplate.h"

namespace kvt::host {

inline constexpr std::int32_t kReturnActs = 21;
inline constexpr std::int32_t kCurrentReturnActs = 22;

// Scalars: those of host/reports/SalesReports.h (Count, Liters, Summa over the certificates).
// Table Akt, by time: ActNum, SmNum, Time, Operator, Trk, Gsm, VidOpl, Liters, Summa, Customer,
// CardNum, Reason.
const TemplateSchema& returnActsSchema();

ReportData returnActsData(std::int32_t reportNo, const Variant& params,
                          const ReportContext& context);

ReportPages produceReturnActs(std::int32_t reportNo, const Variant& params,
                              const ReportContext& context);

}  // namespace kvt::host
