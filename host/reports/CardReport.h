#pragma once
// Report 52: the fuel sold against plastic cards over a run of shifts, all cards or those whose
// number matches a pattern, in the station's templates C:\VEDA\FORMS\REPORT\CardRep.FRM and
// C:\VEDA\FORMS\WEBREP\Отливы по картам.html.
//
// Parameters: [first shift, last shift, begin, end, payment types, card number pattern]; all four
// of the first 0 is the current shift. A begin or end of 0 is the shift log's.
//
// Payment types: one element per payment type in the station's order, I4 1 to include the
// type, I4 0 to leave it out, Empty when the card report's settings never assigned it. An Empty
// element counts as left out; when every element is Empty (the settings were never saved, or
// the station has no payment types) the report takes every card kind the card settings offer:
// codes modulo 100 of 1 (terminal), 6, 7, 10 (discount cards) and 12, including codes the
// station's table lacks.
//
// Pattern: an SQL LIKE pattern, "%" any run of characters and "_" one character, compared with
// the whole card number (so "1234%" is every card beginning 1234); empty: every card. A sale
// counts when it was paid by a kept type and carries a card number that matches.
#include <cstdint>

#include "host/reports/ReportFamily.h"
#include "host/reports/ReportTemplate.h"

namespace kvt::host {

inline constexpr std::int32_t kCardReport = 52;

// Scalars: those of host/reports/SalesReports.h (Count, Liters, Summa over the sales), Title,
// CardPattern.
// Table Card, by time: Time, Trk, Gsm, CardNum, VidOpl, Customer, Liters, Summa.
// Table CardItog, by card number: CardNum, Count, Liters, Summa.
const TemplateSchema& cardReportSchema();

ReportData cardReportData(std::int32_t reportNo, const Variant& params,
                          const ReportContext& context);

ReportPages produceCardReport(std::int32_t reportNo, const Variant& params,
                              const ReportContext& context);

}  // namespace kvt::host
