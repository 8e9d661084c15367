#pragma once
// Report 10: the sales history of one pump, its log lines as the pump log window shows them, in
// the station's templates C:\VEDA\FORMS\REPORT\TrkHistory.FRM and C:\VEDA\FORMS\WEBREP\История
// продаж по ТРК.html.
//
// Parameters, by their count:
//   [pump, -1, begin, end, current]  the pump's lines from begin to end (date-times), current
//                                    telling that the period is the current shift's
//   [pump, record number]            the pump's latest lines up to that row of the pump log
//                                    window, which lists the newest first (row 1 the newest)
#include <cstdint>

#include "host/reports/ReportFamily.h"
#include "host/reports/ReportTemplate.h"

namespace kvt::host {

inline constexpr std::int32_t kPumpHistory = 10;

// Scalars: StationName, StationNumber, Pump, Current (1 for the current shift's period),
// Records (the record number asked; 0 for a period), BegTime, EndTime (the period, or the
// times of the oldest and newest line shown), SaleCount, SoldLiters, SoldSumma (the lines that
// end a delivery), ReportTime.
// Table Trk, oldest first: Time (empty on lines without a fuel grade), Client, Gsm, Operation,
// VidOpl, Customer, Dose, Liters, Summa.
const TemplateSchema& pumpHistorySchema();

ReportPages producePumpHistory(std::int32_t reportNo, const Variant& params,
                               const ReportContext& context);

}  // namespace kvt::host
