#include "host/reports/SalesReports.h"

#include <algorithm>

#include "host/reports/StationQuery.h"

namespace kvt::host {

using namespace kind;

ReportHeader requestedHeader(const appserver::Connection& db, const ShiftRequest& request) {
    const ShiftSpan span = readShiftSpan(db, request.first, request.last);
    ReportHeader header{span.first, span.last, false, span.begin, span.end, span.operatorName};
    if (request.begin != 0)
        header.begin = request.begin;
    if (request.end != 0)
        header.end = request.end;
    if (!request.operatorName.empty() || span.first != span.last)
        header.operatorName = request.operatorName;
    return header;
}

ReportHeader currentShiftHeader(const appserver::Connection& db, const ReportContext& context) {
    const std::int32_t shift = currentShift(db, context);
    ReportHeader header = requestedHeader(db, {shift, shift, 0, 0, {}});
    header.current = true;
    return header;
}

ReportHeader shiftsHeader(const appserver::Connection& db, const ShiftRequest& request,
                          const ReportContext& context) {
    if (request.first != 0 || request.last != 0)
        return requestedHeader(db, request);
    const std::int32_t shift = currentShift(db, context);
    ShiftRequest current = request;
    current.first = current.last = shift;
    return requestedHeader(db, current);
}

Period periodOf(const ReportHeader& header) {
    return {header.begin, header.end};
}

void Totals::add(double addedLiters, double addedSumma) {
    ++count;
    liters += addedLiters;
    summa += addedSumma;
}

void Totals::add(const SaleRow& sale) {
    add(sale.liters, sale.summa);
    discount += sale.discount;
    bonus += sale.bonus;
}

void Totals::appendTo(TableRow& row) const {
    row.insert(row.end(), {Cell(count), Cell(liters), Cell(summa)});
}

void Totals::appendWithDiscountsTo(TableRow& row) const {
    appendTo(row);
    row.insert(row.end(), {Cell(discount), Cell(bonus)});
}

std::vector<ValueDef> withHeaderScalars(std::vector<ValueDef> own) {
    std::vector<ValueDef> scalars{{"StationName", T}, {"StationNumber", I}, {"FirstShift", I},
                                  {"LastShift", I},   {"SingleShift", I},   {"Current", I},
                                  {"BegTime", D},     {"EndTime", D},       {"Operator", T},
                                  {"ReportTime", D},  {"Count", I},         {"Liters", N},
                                  {"Summa", N}};
    scalars.insert(scalars.end(), own.begin(), own.end());
    return scalars;
}

void setHeader(ReportData& data, const appserver::Connection& db, const ReportHeader& header,
               const Totals& totals, DateTime now) {
    const StationIdentity station = readStationIdentity(db);
    data.set("StationName", station.name);
    data.set("StationNumber", cellOf(station.number));
    data.set("FirstShift", cellOf(header.firstShift));
    data.set("LastShift", cellOf(header.lastShift));
    data.set("SingleShift", header.firstShift && header.firstShift == header.lastShift ? 1.0 : 0.0);
    data.set("Current", header.current ? 1.0 : 0.0);
    data.set("BegTime", header.begin);
    data.set("EndTime", cellOf(header.end));
    data.set("Operator", header.operatorName);
    data.set("ReportTime", now);
    data.set("Count", totals.count);
    data.set("Liters", totals.liters);
    data.set("Summa", totals.summa);
}

GradeOrder::GradeOrder(const appserver::Connection& db) {
    StationQuery query(db, "SELECT Name FROM Gsm ORDER BY ID");
    while (query.next())
        grades_.push_back(query.text(0));
}

GradeOrder::Key GradeOrder::key(const std::string& grade) const {
    const auto known = std::find(grades_.begin(), grades_.end(), grade);
    return {static_cast<std::size_t>(known - grades_.begin()), grade};
}

std::pair<std::size_t, std::string> pumpOrder(const std::string& pump) {
    return {pump.size(), pump};
}

}  // namespace kvt::host
