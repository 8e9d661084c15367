#pragma once
// Reports 0 and 31: the station's log of fuel received into its tanks and of fuel pumped out of
// them, for a range of log records or for the current shift, in the station's templates
// C:\VEDA\FORMS\REPORT\PrxLog.FRM and C:\VEDA\FORMS\WEBREP\Журнал поступления и откачки
// топлива.html.
//
// Parameters: [first operation, last operation] (OpNum, both ends included; a first above the
// last is an empty range, which the shift runner sends for a shift without operations), or -1
// in both for the operations of the current shift.
#include <cstdint>

#include "host/reports/ReportFamily.h"
#include "host/reports/ReportTemplate.h"

namespace kvt::host {

inline constexpr std::int32_t kFuelReceiptLog = 0;
inline constexpr std::int32_t kPumpOutLog = 31;

// Scalars: StationName, StationNumber, Title, Receipt (1 receipts, 0 pump-outs), Current (1 for
// the current shift), Shift (its number), FirstOp, LastOp (the range asked), ReportTime.
// Table Prx, by OpNum: OpNum, Date, SmNum, BegTime, EndTime, Operator, Gsm, Silo, Car, Volume
// (by the waybill), LevelBefore, LevelAfter, Fact, Dopusk (tolerance), Delta, UdVes, Density,
// Temper, Note.
const TemplateSchema& fuelLogSchema();

ReportPages produceFuelLog(std::int32_t reportNo, const Variant& params,
                           const ReportContext& context);

}  // namespace kvt::host
