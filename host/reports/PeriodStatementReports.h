#pragma once
// Reports 11, 12, 13 and 53: the statement sales of a period the operator typed, in the names of
// host/reports/StatementSales.h and the templates C:\VEDA\FORMS\REPORT\VdOtpusk.FRM and
// C:\VEDA\FORMS\WEBREP\Отпуск за период.html. The period's begin and end come first, as the
// statement dialog shows them ("01.03.2024 08:00"); a period that ends before it begins is
// refused. The statement selection comes last.
//
// 11, every counterparty by counterparty: [begin, end, statement selection].
// 12, one counterparty: [begin, end, name, by driver, by car, drivers first, statement
//     selection]. The name is a contractor's, or an organisation's when only the organisations
//     have it (the plug-in's organisation directory); organisations group by car alone.
// 13, one car of a counterparty: [begin, end, counterparty, car, statement selection], the car a
//     contractor's car by name or an organisation's vehicle by plate, as the station has it.
// 53, one driver of a contractor: [begin, end, contractor, driver, statement selection].
#include <cstdint>

#include "host/reports/ReportFamily.h"
#include "host/reports/ReportTemplate.h"

namespace kvt::host {

inline constexpr std::int32_t kPeriodStatementReport = 11;
inline constexpr std::int32_t kPeriodCounterpartyReport = 12;
inline constexpr std::int32_t kPeriodCarReport = 13;
inline constexpr std::int32_t kPeriodDriverReport = 53;

ReportData periodStatementData(std::int32_t reportNo, const Variant& params,
                               const ReportContext& context);
ReportPages producePeriodStatementReport(std::int32_t reportNo, const Variant& params,
                                         const ReportContext& context);

}  // namespace kvt::host
