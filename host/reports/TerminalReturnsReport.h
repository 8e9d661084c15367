#pragma once
// Report 19: the returns to the card terminal still to be made for short deliveries paid by
// card, over a run of shifts, in the station's templates C:\VEDA\FORMS\REPORT\BackCardRep.FRM
// and C:\VEDA\FORMS\WEBREP\Отчет по непроизведенным возвратам на терминал.html.
//
// Parameters: [first shift, begin, end, operator (empty unless one shift), last shift]. For the
// current shift the plug-in sends its number twice and both times as 0; a time of 0 is the
// shift log's.
#include <cstdint>

#include "host/reports/ReportFamily.h"
#include "host/reports/ReportTemplate.h"

namespace kvt::host {

inline constexpr std::int32_t kTerminalReturns = 19;

// Scalars: those of host/reports/SalesReports.h (Count, Liters, Summa over the returns owed).
// Table BackCard, by time: SmNum, Time, Trk, CardNum, Gsm, VidOpl, Liters, Summa.
const TemplateSchema& terminalReturnsSchema();

ReportData terminalReturnsData(std::int32_t reportNo, const Variant& params,
                               const ReportContext& context);

ReportPages produceTerminalReturns(std::int32_t reportNo, const Variant& params,
                                   const ReportContext& context);

}  // namespace kvt::host
