#pragma once
// Report 35: the common list of discount cards, the sales against discount cards over every
// station of the network or a chosen set of them, in the templates
// C:\VEDA\FORMS\REPORT\DscCards.FRM and C:\VEDA\FORMS\WEBREP\Дисконтные карты.html.
//
// Parameters: [level, cards, stations].
//   level     I4: 0 detailed (card, station, fuel grade), 1 itemised (card, station), 2 summary
//             (card);
//   cards     "*" every card; otherwise card numbers one a line, each compared with the whole
//             card number, '?' standing for any one character and '*' for any run of
//             characters; no line: no card at all;
//   stations  "*" every station of the office table; otherwise station names, one a line
//             (host/reports/NetworkStations.h).
// A discount-card sale is a sale whose payment code modulo 100 is 10 and that carries a card
// number; its sums are the sales, litres, sum and discount granted.
#include <cstdint>
#include <string_view>

#include "host/reports/ReportFamily.h"
#include "host/reports/ReportTemplate.h"

namespace kvt::host {

inline constexpr std::int32_t kDiscountCardReport = 35;

// Whether a card number matches a pattern of the card list, '?' one character, '*' any run.
bool cardMatches(std::string_view pattern, std::string_view card);

// Scalars: Title, Detailed, Itemised, Summary (1 for the level asked), Cards and Stations (what
// the request chose, in words), ReportTime, and the totals CardCount (cards with sales), Count,
// Liters, Summa, Skidka.
// Table Notice: Text, what the report could not reach.
// The table of the level asked, by card number (the other two stay empty):
//   CardGsm: Itog, CardNum, KVT, Gsm, Count, Liters, Summa, Skidka;
//   CardKVT: Itog, CardNum, KVT, Count, Liters, Summa, Skidka;
//   Card:    CardNum, Count, Liters, Summa, Skidka.
// Itog names a card's total row (the card's rows before it), empty on the other rows.
const TemplateSchema& discountCardSchema();

ReportData discountCardData(std::int32_t reportNo, const Variant& params,
                            const ReportContext& context);

ReportPages produceDiscountCardReport(std::int32_t reportNo, const Variant& params,
                                      const ReportContext& context);

}  // namespace kvt::host
