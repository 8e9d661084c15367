#include "host/reports/SalesRecords.h"

#include <stdexcept>
#include <utility>

#include "host/reports/PayTypeBook.h"
#include "host/reports/PumpOperations.h"
#include "host/reports/StationQuery.h"

namespace kvt::host {

namespace {

// A station without the sales' own records joins a row of nothing, so that one query serves
// both schema versions.
constexpr std::string_view kSalesWithExtras = "Trk LEFT JOIN TrkSale ON TrkSale.TrkID = Trk.ID";
constexpr std::string_view kSalesWithoutExtras =
    "Trk LEFT JOIN (SELECT NULL AS TrkID, NULL AS Skidka, NULL AS Bonus, NULL AS CardNum, "
    "NULL AS TalonNum) AS TrkSale ON 1 = 0";

std::string shiftsText(std::int32_t first, std::int32_t last) {
    if (first == last)
        return "Смены №" + std::to_string(first) + " нет в журнале смен";
    return "В журнале смен нет смен с №" + std::to_string(first) + " по №" + std::to_string(last);
}

}  // namespace

ShiftSpan readShiftSpan(const appserver::Connection& db, std::int32_t first, std::int32_t last) {
    if (first > last)
        std::swap(first, last);
    StationQuery query(db,
                       "SELECT SmNum, BegTime, EndTime, Operator FROM SmLog "
                       "WHERE SmNum BETWEEN ?1 AND ?2 ORDER BY SmNum");
    query.bind(1, first).bind(2, last);
    if (!query.next())
        throw std::runtime_error(shiftsText(first, last));
    ShiftSpan span{first, last, query.number(1).value_or(0), query.number(2), query.text(3)};
    while (query.next())
        span.end = query.number(2);
    return span;
}

std::int32_t currentShift(const appserver::Connection& db, const ReportContext& context) {
    return context.currentShift ? *context.currentShift : latestShift(db);
}

std::vector<SaleRow> readSales(const appserver::Connection& db, const Period& period,
                               std::string_view cardPattern) {
    const std::string sql =
        "SELECT Trk.Trk, Trk.Time, Trk.Gsm, Trk.Operation, Trk.Op1, Trk.AutoMobil, Trk.Liters, "
        "Trk.Summa, TrkSale.Skidka, TrkSale.Bonus, TrkSale.CardNum, TrkSale.TalonNum FROM " +
        std::string(appserver::hasTable(db, "TrkSale") ? kSalesWithExtras : kSalesWithoutExtras) +
        " WHERE Trk.Time >= ?1 AND (?2 IS NULL OR Trk.Time <= ?2)"
        " AND (?3 = '' OR TrkSale.CardNum LIKE ?3) ORDER BY Trk.Time, Trk.ID";
    StationQuery query(db, sql);
    query.bind(1, period.begin).bind(2, period.end).bind(3, cardPattern);
    std::vector<SaleRow> sales;
    while (query.next()) {
        if (!endsDelivery(query.integer(3)))
            continue;
        sales.push_back(SaleRow{query.text(0), query.number(1).value_or(0), query.text(2),
                                paymentCode(query.integer(4)), query.text(5),
                                query.number(6).value_or(0), query.number(7).value_or(0),
                                query.number(8).value_or(0), query.number(9).value_or(0),
                                query.text(10), query.text(11)});
    }
    return sales;
}

std::vector<ReturnActRow> readReturnActs(const appserver::Connection& db, std::int32_t first,
                                         std::int32_t last) {
    std::vector<ReturnActRow> acts;
    if (!appserver::hasTable(db, "BackAct"))
        return acts;
    StationQuery query(db,
                       "SELECT ActNum, SmNum, Time, Operator, Trk, Gsm, Op1, Liters, Summa, "
                       "Customer, CardNum, Reason FROM BackAct WHERE SmNum BETWEEN ?1 AND ?2 "
                       "ORDER BY Time, ActNum");
    query.bind(1, first).bind(2, last);
    while (query.next())
        acts.push_back(ReturnActRow{*query.integer(0), *query.integer(1),
                                    query.number(2).value_or(0), query.text(3), query.text(4),
                                    query.text(5), paymentCode(query.integer(6)),
                                    query.number(7).value_or(0), query.number(8).value_or(0),
                                    query.text(9), query.text(10), query.text(11)});
    return acts;
}

std::vector<TerminalReturnRow> readTerminalReturns(const appserver::Connection& db,
                                                   std::int32_t first, std::int32_t last) {
    std::vector<TerminalReturnRow> returns;
    if (!appserver::hasTable(db, "BackCard"))
        return returns;
    StationQuery query(db,
                       "SELECT SmNum, Time, Trk, CardNum, Gsm, Op1, Liters, Summa FROM BackCard "
                       "WHERE SmNum BETWEEN ?1 AND ?2 ORDER BY Time, ID");
    query.bind(1, first).bind(2, last);
    while (query.next())
        returns.push_back(
            TerminalReturnRow{*query.integer(0), query.number(1).value_or(0), query.text(2),
                              query.text(3), query.text(4), paymentCode(query.integer(5)),
                              query.number(6).value_or(0), query.number(7).value_or(0)});
    return returns;
}

}  // namespace kvt::host
