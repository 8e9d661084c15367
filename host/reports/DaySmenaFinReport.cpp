#include "host/reports/DaySmenaFinReport.h"

#include <charconv>
#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "appserver/PayTypes.h"
#include "host/reports/NetworkStations.h"
#include "host/reports/PayTypeBook.h"
#include "host/reports/ReportComposer.h"
#include "host/reports/ReportParams.h"
#include "host/reports/SalesReports.h"
#include "host/reports/StationQuery.h"

namespace kvt::host {

namespace {

using namespace kind;

constexpr std::string_view kTitle = "ФИНАНСОВЫЙ СУТОЧНО-СМЕННЫЙ ОТЧЕТ";
constexpr std::string_view kStationsElement = "станции";

struct DaySmenaRequest {
    DateTime first = 0;
    DateTime last = 0;
    std::vector<std::int32_t> stations;
};

std::optional<std::int32_t> decimal(std::string_view text) {
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return number;
}

DaySmenaRequest readRequest(const Variant& params) {
    const ParamArray elements(params, "Финансовый суточно-сменный отчет (№36)", {3});
    DaySmenaRequest request{std::trunc(elements.date(0, "первый день")),
                            std::trunc(elements.date(1, "последний день")),
                            {}};
    if (request.first > request.last)
        elements.fail(1, "последний день", "последний день раньше первого", elements.at(1));
    for (const std::string& line : listedLines(elements.text(2, kStationsElement))) {
        const auto number = decimal(line);
        if (!number)
            elements.fail(2, kStationsElement, "«" + line + "» не номер станции", elements.at(2));
        request.stations.push_back(*number);
    }
    return request;
}

// The columns of table Smena.
enum Column : std::size_t {
    kHead,
    kNotice,
    kItog,
    kVidOpl,
    kSmNum,
    kOperator,
    kBegTime,
    kEndTime,
    kLiters,
    kSumma,
    kNal,
    kBeznal,
    kSkidka,
    kTovary,
    kColumnCount
};

TableRow labelled(Column column, std::string text) {
    TableRow row(kColumnCount);
    row[column] = std::move(text);
    return row;
}

struct Figures {
    double shifts = 0;
    double liters = 0;
    double summa = 0;
    double cash = 0;
    double nonCash = 0;
    double discount = 0;
    double goods = 0;

    void add(const SaleRow& sale) {
        liters += sale.liters;
        summa += sale.summa;
        (sale.payment == 0 ? cash : nonCash) += sale.summa;
        discount += sale.discount;
    }

    Figures& operator+=(const Figures& other) {
        shifts += other.shifts;
        liters += other.liters;
        summa += other.summa;
        cash += other.cash;
        nonCash += other.nonCash;
        discount += other.discount;
        goods += other.goods;
        return *this;
    }

    void putInto(TableRow& row) const {
        row[kLiters] = liters;
        row[kSumma] = summa;
        row[kNal] = cash;
        row[kBeznal] = nonCash;
        row[kSkidka] = discount;
        row[kTovary] = goods;
    }
};

struct ShiftLine {
    std::int32_t number = 0;
    DateTime begin = 0;
    std::optional<DateTime> end;
    std::string operatorName;
    double goods = 0;
};

// The shifts that began from the first day to the last, by their beginning.
std::vector<ShiftLine> readShifts(const appserver::Connection& db, DateTime first, DateTime last) {
    StationQuery query(db,
                       "SELECT SmNum, BegTime, EndTime, Operator, SummaTovary FROM SmLog "
                       "WHERE BegTime >= ?1 AND BegTime < ?2 ORDER BY BegTime, SmNum");
    query.bind(1, first).bind(2, last + 1);
    std::vector<ShiftLine> shifts;
    while (query.next())
        shifts.push_back({query.integer(0).value_or(0), query.number(1).value_or(0),
                          query.number(2), query.text(3), query.currency(4).value_or(0)});
    return shifts;
}

// One station's rows of table Smena and its share of the network's totals.
class StationRows {
public:
    StationRows(ReportData& data, const OpenStation& opened)
        : data_(data), opened_(opened), book_(appserver::readPayTypes(opened.file)) {}

    Figures add(const DaySmenaRequest& request) {
        const std::vector<ShiftLine> shifts = readShifts(opened_.db, request.first, request.last);
        if (shifts.empty())
            data_.addRow("Smena", labelled(kNotice, "Смен за период не было"));
        Figures station;
        Figures day;
        for (std::size_t i = 0; i < shifts.size(); ++i) {
            day += addShift(shifts[i]);
            const DateTime date = std::trunc(shifts[i].begin);
            if (i + 1 == shifts.size() || std::trunc(shifts[i + 1].begin) != date) {
                addTotal("Итого за " + FormatDateTime("dd.mm.yyyy", date), day);
                station += std::exchange(day, {});
            }
        }
        if (!shifts.empty())
            addTotal("Итого по " + stationTitle(opened_.station), station);
        for (const auto& [order, sums] : payments_) {
            TableRow row = labelled(kVidOpl, book_.caption(sums.first));
            row[kLiters] = sums.second.liters;
            row[kSumma] = sums.second.summa;
            data_.addRow("Smena", std::move(row));
        }
        return station;
    }

private:
    Figures addShift(const ShiftLine& shift) {
        Figures figures;
        figures.shifts = 1;
        figures.goods = shift.goods;
        for (const SaleRow& sale : readSales(opened_.db, {shift.begin, shift.end})) {
            figures.add(sale);
            auto& [code, sums] = payments_[book_.order(sale.payment)];
            code = sale.payment;
            sums.add(sale);
        }
        TableRow row(kColumnCount);
        row[kSmNum] = static_cast<double>(shift.number);
        row[kOperator] = shift.operatorName;
        row[kBegTime] = shift.begin;
        row[kEndTime] = cellOf(shift.end);
        figures.putInto(row);
        data_.addRow("Smena", std::move(row));
        return figures;
    }

    void addTotal(std::string caption, const Figures& figures) {
        TableRow row = labelled(kItog, std::move(caption));
        figures.putInto(row);
        data_.addRow("Smena", std::move(row));
    }

    ReportData& data_;
    const OpenStation& opened_;
    PayTypeBook book_;
    std::map<PayTypeBook::Key, std::pair<std::optional<std::int32_t>, Totals>> payments_;
};

void setTotals(ReportData& data, const Figures& network) {
    data.set("Shifts", network.shifts);
    data.set("Liters", network.liters);
    data.set("Summa", network.summa);
    data.set("Nal", network.cash);
    data.set("Beznal", network.nonCash);
    data.set("Skidka", network.discount);
    data.set("Tovary", network.goods);
}

ReportData buildData(const DaySmenaRequest& request, const ReportContext& context) {
    const Network network(context.database);
    const StationSelection chosen = network.byNumbers(request.stations);
    ReportData data(daySmenaFinSchema());
    for (const std::string& notice : chosen.notices)
        data.addRow("Notice", {notice});
    Figures total;
    for (const NetworkStation& station : chosen.stations) {
        const OpenStation opened = network.open(station);
        data.addRow("Smena", labelled(kHead, stationTitle(opened.station)));
        if (opened.db)
            total += StationRows(data, opened).add(request);
        else
            data.addRow("Smena", labelled(kNotice, opened.problem));
    }
    setTotals(data, total);
    data.set("Title", std::string(kTitle));
    data.set("BegDate", request.first);
    data.set("EndDate", request.last);
    data.set("ReportTime", context.now);
    return data;
}

}  // namespace

const TemplateSchema& daySmenaFinSchema() {
    static const TemplateSchema schema{{{"Title", T},
                                        {"BegDate", D},
                                        {"EndDate", D},
                                        {"ReportTime", D},
                                        {"Shifts", I},
                                        {"Liters", N},
                                        {"Summa", N},
                                        {"Nal", N},
                                        {"Beznal", N},
                                        {"Skidka", N},
                                        {"Tovary", N}},
                                       {{"Notice", {{"Text", T}}},
                                        {"Smena",
                                         {{"Head", T},
                                          {"Notice", T},
                                          {"Itog", T},
                                          {"VidOpl", T},
                                          {"SmNum", I},
                                          {"Operator", T},
                                          {"BegTime", D},
                                          {"EndTime", D},
                                          {"Liters", N},
                                          {"Summa", N},
                                          {"Nal", N},
                                          {"Beznal", N},
                                          {"Skidka", N},
                                          {"Tovary", N}}}}};
    return schema;
}

ReportData daySmenaFinData(std::int32_t, const Variant& params, const ReportContext& context) {
    return buildData(readRequest(params), context);
}

ReportPages produceDaySmenaFinReport(std::int32_t, const Variant& params,
                                     const ReportContext& context) {
    return composeReport(oldFormatTemplate("DaySmenaFin.FRM"),
                         newFormatTemplate("Финансовый суточно-сменный отчет.html"),
                         buildData(readRequest(params), context), kTitle, context.options.numbers);
}

}  // namespace kvt::host
