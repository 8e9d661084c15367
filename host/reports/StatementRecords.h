#pragma once
// The station's sales on account: the pump log lines paid by a statement or a contract with who
// took the fuel (table TrkVedom), in either of the station's two counterparty directories: the
// organisations of vedOrg with their vehicles' plates (vedAuto), and the contractors of
// VdContractor with their cars (VdCar) and drivers (VdDriver). A station database older than
// these records (schema versions 1 and 2) reads as having none.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "appserver/StationDatabase.h"
#include "host/reports/SalesRecords.h"

namespace kvt::host {

enum class Directory {
    Contractors,    // VdContractor, VdCar, VdDriver
    Organisations,  // vedOrg, vedAuto
    Either,         // a report over every counterparty: the contractor's names where recorded
};

struct StatementSale {
    std::string pump;
    DateTime time = 0;
    std::string grade;
    std::optional<std::int32_t> payment;
    double liters = 0;
    double summa = 0;
    std::string organisation;  // vedOrg.Name
    std::string plate;         // vedAuto.NumberAuto
    std::string contractor;    // VdContractor.Name
    std::string car;           // VdCar.Name
    std::string driver;        // VdDriver.Name
    std::string contract;      // Dogovor.Number

    // The counterparty and the car as the directory names them.
    const std::string& counterpartyIn(Directory directory) const;
    const std::string& carIn(Directory directory) const;
};

// Which sales a report takes: every one, or those of one counterparty of a directory, and of that
// counterparty one car or one driver (a plate in the organisation directory).
struct StatementFilter {
    Directory directory = Directory::Either;
    std::optional<std::string> counterparty;
    std::optional<std::string> car;
    std::optional<std::string> driver;
};

// The sales on account of the period that the filter takes, by time.
std::vector<StatementSale> readStatementSales(const appserver::Connection& db, const Period& period,
                                              const StatementFilter& filter);

// The directory a counterparty's name belongs to: the contractors' when they have one of that
// name, else the organisations' when they have it, else the contractors'.
Directory directoryOfCounterparty(const appserver::Connection& db, const std::string& name);

// The directory in which the counterparty has a car of that name: a car of the contractor, else
// a plate of the organisation's vehicles, else the contractors'.
Directory directoryOfCar(const appserver::Connection& db, const std::string& counterparty,
                         const std::string& car);

}  // namespace kvt::host
