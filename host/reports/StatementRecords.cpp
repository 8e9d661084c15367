#include "host/reports/StatementRecords.h"

#include <initializer_list>
#include <string_view>

#include "host/reports/PayTypeBook.h"
#include "host/reports/PumpOperations.h"
#include "host/reports/StationQuery.h"

namespace kvt::host {

namespace {

// Each condition of the filter is a pair of parameters, whether it applies and its value, so
// that an empty name is a name like any other and never "every counterparty".
constexpr std::string_view kSalesOnAccount =
    "SELECT Trk.Trk, Trk.Time, Trk.Gsm, Trk.Operation, Trk.Op1, Trk.Liters, Trk.Summa, "
    "TrkVedom.OrgName, TrkVedom.NumberAuto, VdContractor.Name, VdCar.Name, VdDriver.Name, "
    "Dogovor.Number "
    "FROM TrkVedom JOIN Trk ON Trk.ID = TrkVedom.TrkID "
    "LEFT JOIN VdContractor ON VdContractor.ID = TrkVedom.CntID "
    "LEFT JOIN VdCar ON VdCar.ID = TrkVedom.CarID "
    "LEFT JOIN VdDriver ON VdDriver.ID = TrkVedom.DriverID "
    "LEFT JOIN Dogovor ON Dogovor.ID = TrkVedom.DogovorID "
    "WHERE Trk.Time >= ?1 AND (?2 IS NULL OR Trk.Time <= ?2) "
    "AND (?3 = 0 OR VdContractor.Name = ?4) AND (?5 = 0 OR VdCar.Name = ?6) "
    "AND (?7 = 0 OR VdDriver.Name = ?8) "
    "AND (?9 = 0 OR TrkVedom.OrgName = ?10) AND (?11 = 0 OR TrkVedom.NumberAuto = ?12) "
    "ORDER BY Trk.Time, Trk.ID";

bool holds(const appserver::Connection& db, std::string_view sql,
           std::initializer_list<std::string_view> values) {
    StationQuery query(db, sql);
    int index = 0;
    for (const std::string_view value : values)
        query.bind(++index, value);
    return query.next();
}

}  // namespace

const std::string& StatementSale::counterpartyIn(Directory directory) const {
    if (directory == Directory::Organisations ||
        (directory == Directory::Either && contractor.empty()))
        return organisation;
    return contractor;
}

const std::string& StatementSale::carIn(Directory directory) const {
    if (directory == Directory::Organisations || (directory == Directory::Either && car.empty()))
        return plate;
    return car;
}

std::vector<StatementSale> readStatementSales(const appserver::Connection& db, const Period& period,
                                              const StatementFilter& filter) {
    std::vector<StatementSale> sales;
    if (!appserver::hasTable(db, "TrkVedom"))
        return sales;
    const bool contractors = filter.directory == Directory::Contractors;
    const bool organisations = filter.directory == Directory::Organisations;
    const std::optional<std::string> conditions[] = {
        contractors ? filter.counterparty : std::nullopt,
        contractors ? filter.car : std::nullopt,
        filter.driver,
        organisations ? filter.counterparty : std::nullopt,
        organisations ? filter.car : std::nullopt,
    };
    StationQuery query(db, kSalesOnAccount);
    query.bind(1, period.begin).bind(2, period.end);
    int index = 3;
    for (const std::optional<std::string>& condition : conditions) {
        query.bind(index++, std::int32_t{condition ? 1 : 0});
        query.bind(index++, std::string_view(condition ? *condition : std::string()));
    }
    while (query.next()) {
        if (!endsDelivery(query.integer(3)))
            continue;
        sales.push_back(StatementSale{query.text(0), query.number(1).value_or(0), query.text(2),
                                      paymentCode(query.integer(4)), query.number(5).value_or(0),
                                      query.number(6).value_or(0), query.text(7), query.text(8),
                                      query.text(9), query.text(10), query.text(11),
                                      query.text(12)});
    }
    return sales;
}

Directory directoryOfCounterparty(const appserver::Connection& db, const std::string& name) {
    if (!holds(db, "SELECT 1 FROM VdContractor WHERE Name = ?1", {name}) &&
        holds(db, "SELECT 1 FROM vedOrg WHERE Name = ?1", {name}))
        return Directory::Organisations;
    return Directory::Contractors;
}

Directory directoryOfCar(const appserver::Connection& db, const std::string& counterparty,
                         const std::string& car) {
    const bool contractorsCar = holds(db,
                                      "SELECT 1 FROM VdCar JOIN VdContractor ON VdContractor.ID = "
                                      "VdCar.CID WHERE VdContractor.Name = ?1 AND VdCar.Name = ?2",
                                      {counterparty, car});
    if (!contractorsCar &&
        holds(db, "SELECT 1 FROM vedAuto WHERE Name = ?1 AND NumberAuto = ?2", {counterparty, car}))
        return Directory::Organisations;
    return Directory::Contractors;
}

}  // namespace kvt::host
