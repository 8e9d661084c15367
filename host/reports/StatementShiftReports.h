#pragma once
// The shift reports of sales on account, in the names of host/reports/StatementSales.h:
//
// Reports 14 and 16: the statement sales of a run of shifts or of the current shift, by
// counterparty, in the templates VdSmena.FRM and "Сменный отпуск по ведомостям.html".
// Parameters of 14: [begin, end, first shift, operator, last shift, statement selection], the
// times and shifts as text (a time of 30.12.1899, the plug-in's text of an open shift's end, is
// the log's; shift 0 to 0 is the current shift); of 16: [statement selection].
//
// Reports 15 and 17: the statement sales of one counterparty, in VdKontr.FRM and "Сменный отпуск
// по контрагенту.html". The array's length tells the directory: a contractor's 15 is [begin,
// end, name, first shift, operator, last shift, statement selection, by driver, by car, drivers
// first], an organisation's the first seven; a contractor's 17 is [name, statement selection,
// by driver, by car, drivers first], an organisation's [name, statement selection].
//
// Reports 25 and 26: the contract sales by counterparty and contract, in Dogovor.FRM and
// "Сменный отпуск по договорам.html". Parameters of 25: [begin, end (date-times, 0: the log's),
// shift (text), operator, contract selection]; of 26: [shift, contract selection], shift 0 the
// current one.
//
// The templates lie in the console's folders C:\VEDA\FORMS\REPORT and WEBREP.
#include <cstdint>

#include "host/reports/ReportFamily.h"
#include "host/reports/ReportTemplate.h"

namespace kvt::host {

inline constexpr std::int32_t kStatementShiftReport = 14;
inline constexpr std::int32_t kCurrentStatementReport = 16;
inline constexpr std::int32_t kCounterpartyShiftReport = 15;
inline constexpr std::int32_t kCurrentCounterpartyReport = 17;
inline constexpr std::int32_t kContractShiftReport = 25;
inline constexpr std::int32_t kCurrentContractReport = 26;

ReportData statementShiftData(std::int32_t reportNo, const Variant& params,
                              const ReportContext& context);
ReportPages produceStatementShiftReport(std::int32_t reportNo, const Variant& params,
                                        const ReportContext& context);

ReportData counterpartyShiftData(std::int32_t reportNo, const Variant& params,
                                 const ReportContext& context);
ReportPages produceCounterpartyShiftReport(std::int32_t reportNo, const Variant& params,
                                           const ReportContext& context);

ReportData contractShiftData(std::int32_t reportNo, const Variant& params,
                             const ReportContext& context);
ReportPages produceContractShiftReport(std::int32_t reportNo, const Variant& params,
                                       const ReportContext& context);

}  // namespace kvt::host
