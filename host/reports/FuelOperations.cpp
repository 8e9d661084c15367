#include "host/reports/FuelOperations.h"

#include "host/reports/StationQuery.h"

namespace kvt::host {

namespace {

constexpr std::string_view kColumns =
    "SELECT Prihod, OpNum, Date, SmNum, BegTime, EndTime, Operator, GSMName, SiloName, CarName, "
    "CarVolTTN, SiloLevelBefore, SiloLevelAfter, Fact1, Dopusk, Delta, UdVes, FactPlotn, Temper, "
    "Prim FROM Prx ";

std::string sql(const FuelOperationSelection& selection) {
    const std::string_view key =
        selection.by == FuelOperationSelection::By::Shift ? "SmNum" : "OpNum";
    return std::string(kColumns) + "WHERE " + std::string(key) +
           " BETWEEN ?1 AND ?2 AND (?3 IS NULL OR Prihod = ?3) ORDER BY OpNum";
}

}  // namespace

std::vector<FuelOperationRow> readFuelOperations(const appserver::Connection& db,
                                                 const FuelOperationSelection& selection) {
    StationQuery query(db, sql(selection));
    query.bind(1, selection.first).bind(2, selection.last);
    if (selection.receipt)
        query.bind(3, std::int32_t{*selection.receipt ? 1 : 0});
    std::vector<FuelOperationRow> rows;
    while (query.next()) {
        FuelOperationRow row;
        row.receipt = query.integer(0).value_or(0) != 0;
        row.opNum = *query.integer(1);
        row.date = query.number(2);
        row.shift = query.integer(3);
        row.begin = query.number(4);
        row.end = query.number(5);
        row.operatorName = query.text(6);
        row.grade = query.text(7);
        row.tank = query.text(8);
        row.car = query.text(9);
        row.volume = query.number(10);
        row.levelBefore = query.number(11);
        row.levelAfter = query.number(12);
        row.fact = query.number(13);
        row.tolerance = query.number(14);
        row.delta = query.number(15);
        row.specificWeight = query.number(16);
        row.density = query.number(17);
        row.temperature = query.number(18);
        row.note = query.text(19);
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace kvt::host
