#include "host/reports/ShiftData.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <tuple>

#include "host/reports/PayTypeBook.h"
#include "host/reports/PumpOperations.h"

namespace kvt::host {

namespace {

using namespace kind;

constexpr std::int32_t kCashKind = 0;
constexpr std::int32_t kTerminalKind = 1;
constexpr std::int32_t kGroupTanksByGrade = 1;

std::vector<ValueDef> fuelOperationColumns() {
    return {{"OpNum", I}, {"SmNum", I},   {"BegTime", D}, {"EndTime", D}, {"Operator", T},
            {"Gsm", T},   {"Silo", T},    {"Car", T},     {"Volume", N},  {"Fact", N},
            {"Delta", N}, {"Density", N}, {"Temper", N},  {"Note", T}};
}

TemplateSchema makeSchema() {
    return TemplateSchema{
        {{"StationName", T},
         {"StationNumber", I},
         {"FirstShift", I},
         {"LastShift", I},
         {"ShiftCount", I},
         {"Current", I},
         {"BegTime", D},
         {"EndTime", D},
         {"Operators", T},
         {"CashIn", N},
         {"CashOut", N},
         {"GoodsSum", N},
         {"Department", T},
         {"UserLevel3", I},
         {"RoundTanks", I},
         {"ReportTime", D}},
        {
            {"Smena",
             {{"SmNum", I},
              {"BegTime", D},
              {"EndTime", D},
              {"Operator", T},
              {"Operator2", T},
              {"Operator3", T},
              {"CashIn", N},
              {"CashOut", N},
              {"Revenue", N},
              {"GoodsSum", N}}},
            {"Trk",
             {{"Pump", T},
              {"Nozzle", I},
              {"Gsm", T},
              {"Price", N},
              {"Count", I},
              {"Liters", N},
              {"Summa", N}}},
            {"Silo",
             {{"Number", I},
              {"Silo", T},
              {"Gsm", T},
              {"Capacity", N},
              {"Received", N},
              {"PumpedOut", N},
              {"Sold", N},
              {"Movement", N}}},
            {"Gsm",
             {{"Gsm", T},
              {"Price", N},
              {"Received", N},
              {"PumpedOut", N},
              {"Count", I},
              {"Liters", N},
              {"Summa", N}}},
            {"VidOpl", {{"VidOpl", T}, {"Code", I}, {"Count", I}, {"Liters", N}, {"Summa", N}}},
            {"GsmVidOpl", {{"Gsm", T}, {"VidOpl", T}, {"Count", I}, {"Liters", N}, {"Summa", N}}},
            {"Prihod", fuelOperationColumns()},
            {"Otkachka", fuelOperationColumns()},
            {"Beznal",
             {{"Time", D},
              {"Pump", T},
              {"Gsm", T},
              {"VidOpl", T},
              {"Customer", T},
              {"Liters", N},
              {"Summa", N}}},
            {"Vozvrat",
             {{"Time", D},
              {"Pump", T},
              {"Gsm", T},
              {"VidOpl", T},
              {"Customer", T},
              {"Ordered", N},
              {"Liters", N},
              {"Summa", N}}},
            {"Vedom",
             {{"VidOpl", T},
              {"Organization", T},
              {"Customer", T},
              {"Count", I},
              {"Liters", N},
              {"Summa", N}}},
        }};
}

bool isSale(const PumpLogRow& row) {
    return endsDelivery(row.operation);
}

std::optional<std::int32_t> paymentOf(const PumpLogRow& row) {
    return paymentCode(row.payment);
}

bool isPaymentKind(const PumpLogRow& row, std::int32_t kind) {
    const auto payment = paymentOf(row);
    return payment && *payment % kPaymentKindModulus == kind;
}

struct Totals {
    double count = 0;
    double liters = 0;
    double summa = 0;

    void add(const PumpLogRow& sale) { add(sale, sale.summa); }
    void add(const PumpLogRow& sale, double money) {
        ++count;
        liters += sale.liters;
        summa += money;
    }
    void appendTo(TableRow& row) const {
        row.insert(row.end(), {Cell(count), Cell(liters), Cell(summa)});
    }
};

class Builder {
public:
    Builder(const ShiftRecords& records, const ShiftReportRequest& request, MoneySums moneySums)
        : records_(records),
          request_(request),
          moneySums_(moneySums),
          book_(records.payTypes),
          data_(shiftReportSchema()),
          nozzleSales_(records.nozzles.size()) {
        for (const PumpLogRow& row : records.pumpLog) {
            if (isSale(row))
                countOnNozzle(row);
        }
    }

    ReportData build(bool current, DateTime now) {
        addScalars(current, now);
        addShifts();
        addPumps();
        addTanks();
        addGrades();
        addPayments();
        addGradePayments();
        addFuelOperations(true, "Prihod");
        addFuelOperations(false, "Otkachka");
        addSalesOf("Beznal", [](const PumpLogRow& sale) {
            return paymentOf(sale) && !isPaymentKind(sale, kCashKind);
        });
        addTerminalReturns();
        addStatements();
        return std::move(data_);
    }

private:
    using GradeKey = std::pair<std::size_t, std::string>;

    template <class Visit>
    void forEachSale(Visit visit) const {
        for (const PumpLogRow& row : records_.pumpLog) {
            if (isSale(row))
                visit(row);
        }
    }

    void countOnNozzle(const PumpLogRow& sale) {
        const auto& nozzles = records_.nozzles;
        const auto nozzle = std::find_if(nozzles.begin(), nozzles.end(), [&](const NozzleRow& n) {
            return n.pump == sale.pump && n.grade == sale.grade;
        });
        if (nozzle == nozzles.end())
            unmatchedSales_[{sale.pump, sale.grade}].add(sale);
        else
            nozzleSales_[static_cast<std::size_t>(nozzle - nozzles.begin())].add(sale);
    }

    // Grades in the station's order; grades it does not know after them, by name.
    GradeKey gradeKey(const std::string& grade) const {
        const auto& grades = records_.grades;
        const auto known = std::find_if(grades.begin(), grades.end(),
                                        [&](const GradeRow& row) { return row.name == grade; });
        return {static_cast<std::size_t>(known - grades.begin()), grade};
    }

    // A sale's money in the financial report.
    double financialSum(const PumpLogRow& sale) const {
        if (moneySums_ == MoneySums::Recorded)
            return sale.summa;
        const std::size_t index = gradeKey(sale.grade).first;
        return index < records_.grades.size() ? sale.liters * records_.grades[index].price
                                              : sale.summa;
    }

    void addScalars(bool current, DateTime now) {
        const std::vector<ShiftRow>& shifts = records_.shifts;
        std::vector<std::string> operators;
        double goods = 0;
        for (const ShiftRow& shift : shifts) {
            for (const std::string& name : shift.operators) {
                if (std::find(operators.begin(), operators.end(), name) == operators.end())
                    operators.push_back(name);
            }
            goods += shift.goods.value_or(0);
        }
        std::string operatorList;
        for (const std::string& name : operators)
            operatorList += (operatorList.empty() ? "" : ", ") + name;
        data_.set("StationName", records_.stationName);
        data_.set("StationNumber", cellOf(records_.stationNumber));
        data_.set("FirstShift", static_cast<double>(shifts.front().number));
        data_.set("LastShift", static_cast<double>(shifts.back().number));
        data_.set("ShiftCount", static_cast<double>(shifts.size()));
        data_.set("Current", current ? 1.0 : 0.0);
        data_.set("BegTime", shifts.front().begin);
        data_.set("EndTime", cellOf(shifts.back().end));
        data_.set("Operators", operatorList);
        data_.set("CashIn", cellOf(shifts.front().cashIn));
        data_.set("CashOut", cellOf(shifts.back().cashOut));
        data_.set("GoodsSum", goods);
        data_.set("Department", request_.department);
        data_.set("UserLevel3", request_.userLevel3 ? 1.0 : 0.0);
        data_.set("RoundTanks", request_.roundTanks ? 1.0 : 0.0);
        data_.set("ReportTime", now);
    }

    void addShifts() {
        for (const ShiftRow& shift : records_.shifts) {
            TableRow row{static_cast<double>(shift.number), shift.begin, cellOf(shift.end)};
            for (std::size_t i = 0; i < 3; ++i)
                row.push_back(i < shift.operators.size() ? Cell(shift.operators[i]) : Cell());
            const Cell revenue =
                shift.cashIn && shift.cashOut ? Cell(*shift.cashOut - *shift.cashIn) : Cell();
            row.insert(row.end(),
                       {cellOf(shift.cashIn), cellOf(shift.cashOut), revenue, cellOf(shift.goods)});
            data_.addRow("Smena", std::move(row));
        }
    }

    void addPumps() {
        for (std::size_t i = 0; i < records_.nozzles.size(); ++i) {
            const NozzleRow& nozzle = records_.nozzles[i];
            TableRow row{nozzle.pump, static_cast<double>(nozzle.position), nozzle.grade,
                         nozzle.price};
            nozzleSales_[i].appendTo(row);
            data_.addRow("Trk", std::move(row));
        }
        for (const auto& [pumpAndGrade, totals] : unmatchedSales_) {
            TableRow row{pumpAndGrade.first, Cell(), pumpAndGrade.second, Cell()};
            totals.appendTo(row);
            data_.addRow("Trk", std::move(row));
        }
    }

    double fuelMoved(bool receipt, auto matches) const {
        double litres = 0;
        for (const FuelOperationRow& op : records_.fuelOperations) {
            if (op.receipt == receipt && matches(op))
                litres += op.fact.value_or(op.volume.value_or(0));
        }
        return litres;
    }

    void addTanks() {
        std::vector<const TankRow*> tanks;
        for (const TankRow& tank : records_.tanks)
            tanks.push_back(&tank);
        if (request_.tankGrouping == kGroupTanksByGrade)
            std::stable_sort(tanks.begin(), tanks.end(), [](const TankRow* a, const TankRow* b) {
                return a->grade < b->grade;
            });
        const auto litres = [&](double value) {
            return request_.roundTanks ? std::round(value) : value;
        };
        for (const TankRow* tank : tanks) {
            const auto here = [&](const FuelOperationRow& op) { return op.tank == tank->name; };
            const double received = fuelMoved(true, here);
            const double pumpedOut = fuelMoved(false, here);
            double sold = 0;
            for (std::size_t i = 0; i < records_.nozzles.size(); ++i) {
                if (records_.nozzles[i].tank == tank->id)
                    sold += nozzleSales_[i].liters;
            }
            data_.addRow("Silo", {static_cast<double>(tank->id), tank->name, tank->grade,
                                  litres(tank->capacity), litres(received), litres(pumpedOut),
                                  litres(sold), litres(received - pumpedOut - sold)});
        }
    }

    void addGrades() {
        std::map<GradeKey, Totals> sales;
        for (const GradeRow& grade : records_.grades)
            sales[gradeKey(grade.name)];
        forEachSale([&](const PumpLogRow& sale) { sales[gradeKey(sale.grade)].add(sale); });
        for (const auto& [key, totals] : sales) {
            const std::string& grade = key.second;
            const auto here = [&](const FuelOperationRow& op) { return op.grade == grade; };
            TableRow row{grade, Cell(), fuelMoved(true, here), fuelMoved(false, here)};
            if (key.first < records_.grades.size())
                row[1] = records_.grades[key.first].price;
            totals.appendTo(row);
            data_.addRow("Gsm", std::move(row));
        }
    }

    void addPayments() {
        std::map<PayTypeBook::Key, std::pair<std::optional<std::int32_t>, Totals>> sales;
        forEachSale([&](const PumpLogRow& sale) {
            const auto payment = paymentOf(sale);
            auto& entry = sales[book_.order(payment)];
            entry.first = payment;
            entry.second.add(sale, financialSum(sale));
        });
        for (const auto& [key, entry] : sales) {
            TableRow row{book_.caption(entry.first), cellOf(entry.first)};
            entry.second.appendTo(row);
            data_.addRow("VidOpl", std::move(row));
        }
    }

    void addGradePayments() {
        std::map<std::pair<GradeKey, PayTypeBook::Key>,
                 std::pair<std::optional<std::int32_t>, Totals>>
            sales;
        forEachSale([&](const PumpLogRow& sale) {
            const auto payment = paymentOf(sale);
            auto& entry = sales[{gradeKey(sale.grade), book_.order(payment)}];
            entry.first = payment;
            entry.second.add(sale, financialSum(sale));
        });
        for (const auto& [key, entry] : sales) {
            TableRow row{key.first.second, book_.caption(entry.first)};
            entry.second.appendTo(row);
            data_.addRow("GsmVidOpl", std::move(row));
        }
    }

    void addFuelOperations(bool receipts, std::string_view table) {
        for (const FuelOperationRow& op : records_.fuelOperations) {
            if (op.receipt != receipts)
                continue;
            data_.addRow(table, {static_cast<double>(op.opNum), cellOf(op.shift), cellOf(op.begin),
                                 cellOf(op.end), op.operatorName, op.grade, op.tank, op.car,
                                 cellOf(op.volume), cellOf(op.fact), cellOf(op.delta),
                                 cellOf(op.density), cellOf(op.temperature), op.note});
        }
    }

    template <class Filter>
    void addSalesOf(std::string_view table, Filter filter) {
        forEachSale([&](const PumpLogRow& sale) {
            if (filter(sale))
                data_.addRow(table,
                             {sale.time, sale.pump, sale.grade, book_.caption(paymentOf(sale)),
                              sale.customer, sale.liters, sale.summa});
        });
    }

    // Short deliveries paid at the terminal: the customer is owed the difference between the
    // order (the pump's latest order before the delivery) and what was poured.
    void addTerminalReturns() {
        const auto& log = records_.pumpLog;
        for (std::size_t i = 0; i < log.size(); ++i) {
            const PumpLogRow& sale = log[i];
            if (pumpStep(sale.operation) != kPumpShortDelivery ||
                !isPaymentKind(sale, kTerminalKind))
                continue;
            Cell ordered;
            Cell owed;
            for (std::size_t j = i; j-- > 0;) {
                if (log[j].pump == sale.pump && pumpStep(log[j].operation) == kPumpOrdered) {
                    ordered = log[j].liters;
                    owed = std::max(0.0, log[j].summa - sale.summa);
                    break;
                }
            }
            data_.addRow("Vozvrat",
                         {sale.time, sale.pump, sale.grade, book_.caption(paymentOf(sale)),
                          sale.customer, ordered, sale.liters, owed});
        }
    }

    // Sales on the statements chosen for the report, by statement, organisation and vehicle.
    void addStatements() {
        const std::set<std::int32_t> codes = book_.flaggedCodes(request_.statementPayTypes);
        using Key = std::tuple<PayTypeBook::Key, std::string, std::string>;
        std::map<Key, std::pair<std::int32_t, Totals>> sales;
        forEachSale([&](const PumpLogRow& sale) {
            const auto payment = paymentOf(sale);
            if (!payment || !codes.contains(*payment))
                return;
            const auto owner = records_.vehicleOwners.find(sale.customer);
            const std::string organisation =
                owner == records_.vehicleOwners.end() ? std::string() : owner->second;
            auto& entry = sales[{book_.order(payment), organisation, sale.customer}];
            entry.first = *payment;
            entry.second.add(sale);
        });
        for (const auto& [key, entry] : sales) {
            TableRow row{book_.caption(entry.first), std::get<1>(key), std::get<2>(key)};
            entry.second.appendTo(row);
            data_.addRow("Vedom", std::move(row));
        }
    }

    const ShiftRecords& records_;
    const ShiftReportRequest& request_;
    MoneySums moneySums_;
    PayTypeBook book_;
    ReportData data_;
    std::vector<Totals> nozzleSales_;
    std::map<std::pair<std::string, std::string>, Totals> unmatchedSales_;
};

}  // namespace

const TemplateSchema& shiftReportSchema() {
    static const TemplateSchema schema = makeSchema();
    return schema;
}

ReportData shiftReportData(const ShiftRecords& records, const ShiftReportRequest& request,
                           MoneySums moneySums, bool current, DateTime now) {
    return Builder(records, request, moneySums).build(current, now);
}

}  // namespace kvt::host
