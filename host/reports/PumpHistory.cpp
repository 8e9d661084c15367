#include "host/reports/PumpHistory.h"

#include <algorithm>
#include <string>
#include <vector>

#include "appserver/PayTypes.h"
#include "host/reports/PumpOperations.h"
#include "host/reports/ReportComposer.h"
#include "host/reports/ReportParams.h"
#include "host/reports/StationQuery.h"
#include "infra/PumpLogText.h"

namespace kvt::host {

namespace {

using namespace kind;

constexpr std::string_view kTitle = "История продаж по ТРК";
constexpr std::size_t kPeriodCount = 5;
constexpr std::size_t kRecordCount = 2;
constexpr std::int32_t kPeriodMarker = -1;

constexpr std::string_view kColumns =
    "SELECT Time, Client, Gsm, Operation, Op1, AutoMobil, Op2, Liters, Summa FROM Trk ";

struct PumpHistoryRequest {
    std::string pump;
    DateTime begin = 0;
    DateTime end = 0;
    bool current = false;
    std::int32_t records = 0;  // 0: the period
};

PumpHistoryRequest readRequest(const Variant& params) {
    const ParamArray elements(params, std::string(kTitle) + " (№10)", {kPeriodCount, kRecordCount});
    PumpHistoryRequest request;
    request.pump = elements.text(0, "ТРК");
    if (elements.size() == kRecordCount) {
        request.records = elements.integer(1, "номер записи");
        if (request.records < 1)
            elements.fail(1, "номер записи", "ожидается номер записи от 1", elements.at(1));
        return request;
    }
    if (elements.integer(1, "признак периода") != kPeriodMarker)
        elements.fail(1, "признак периода", "ожидается -1 (отчет за период)", elements.at(1));
    request.begin = elements.date(2, "начало периода");
    request.end = elements.date(3, "конец периода");
    request.current = elements.flag(4, "текущая смена");
    return request;
}

// A pump log line with the texts of its coded columns.
struct HistoryLine {
    double time = 0;
    TableRow row;
    bool sale = false;
    double liters = 0;
    double summa = 0;
};

class PaymentCaptions {
public:
    explicit PaymentCaptions(const std::vector<appserver::PayTypeRow>& payTypes) {
        for (const appserver::PayTypeRow& type : payTypes) {
            codes_.push_back(type.code);
            // The plug-in shows the captions without the accelerator mark the table keeps.
            captions_.push_back(type.name.starts_with('&') ? type.name.substr(1) : type.name);
        }
    }

    std::string text(std::optional<std::int32_t> payment) const {
        return infra::PumpPaymentText(payment, codes_, captions_);
    }

private:
    std::vector<std::int32_t> codes_;
    std::vector<std::string> captions_;
};

std::vector<HistoryLine> readLines(StationQuery& query, const PaymentCaptions& payments) {
    std::vector<HistoryLine> lines;
    while (query.next()) {
        HistoryLine line;
        line.time = query.number(0).value_or(0);
        const std::string grade = query.text(2);
        const auto operation = query.integer(3);
        line.sale = endsDelivery(operation);
        line.liters = query.number(7).value_or(0);
        line.summa = query.number(8).value_or(0);
        line.row = {grade.empty() ? Cell() : Cell(line.time),
                    cellOf(query.integer(1)),
                    grade,
                    infra::PumpOperationText(operation),
                    payments.text(query.integer(4)),
                    query.text(5),
                    infra::PumpDoseText(query.integer(6)),
                    cellOf(query.number(7)),
                    cellOf(query.number(8))};
        lines.push_back(std::move(line));
    }
    return lines;
}

// Oldest first. The latest lines are read newest first through the pump's index, so that a pump
// with a long log gives its last rows without reading the rest.
std::vector<HistoryLine> readHistory(const appserver::Connection& db,
                                     const PumpHistoryRequest& request,
                                     const PaymentCaptions& payments) {
    if (request.records > 0) {
        StationQuery query(
            db, std::string(kColumns) + "WHERE Trk = ?1 ORDER BY Time DESC, ID DESC LIMIT ?2");
        query.bind(1, std::string_view(request.pump)).bind(2, request.records);
        std::vector<HistoryLine> lines = readLines(query, payments);
        std::ranges::reverse(lines);
        return lines;
    }
    StationQuery query(
        db, std::string(kColumns) + "WHERE Trk = ?1 AND Time BETWEEN ?2 AND ?3 ORDER BY Time, ID");
    query.bind(1, std::string_view(request.pump)).bind(2, request.begin).bind(3, request.end);
    return readLines(query, payments);
}

}  // namespace

const TemplateSchema& pumpHistorySchema() {
    static const TemplateSchema schema{{{"StationName", T},
                                        {"StationNumber", I},
                                        {"Pump", T},
                                        {"Current", I},
                                        {"Records", I},
                                        {"BegTime", D},
                                        {"EndTime", D},
                                        {"SaleCount", I},
                                        {"SoldLiters", N},
                                        {"SoldSumma", N},
                                        {"ReportTime", D}},
                                       {{"Trk",
                                         {{"Time", D},
                                          {"Client", I},
                                          {"Gsm", T},
                                          {"Operation", T},
                                          {"VidOpl", T},
                                          {"Customer", T},
                                          {"Dose", T},
                                          {"Liters", N},
                                          {"Summa", N}}}}};
    return schema;
}

ReportPages producePumpHistory(std::int32_t, const Variant& params, const ReportContext& context) {
    const PumpHistoryRequest request = readRequest(params);
    const appserver::Connection db = appserver::openStationDatabase(context.database);
    const PaymentCaptions payments(appserver::readPayTypes(context.database));
    const std::vector<HistoryLine> lines = readHistory(db, request, payments);

    ReportData data(pumpHistorySchema());
    const StationIdentity station = readStationIdentity(db);
    data.set("StationName", station.name);
    data.set("StationNumber", cellOf(station.number));
    data.set("Pump", request.pump);
    data.set("Current", request.current ? 1.0 : 0.0);
    data.set("Records", static_cast<double>(request.records));
    if (request.records == 0) {
        data.set("BegTime", request.begin);
        data.set("EndTime", request.end);
    } else if (!lines.empty()) {
        data.set("BegTime", lines.front().time);
        data.set("EndTime", lines.back().time);
    }
    double sales = 0;
    double liters = 0;
    double summa = 0;
    for (const HistoryLine& line : lines) {
        data.addRow("Trk", line.row);
        if (line.sale) {
            ++sales;
            liters += line.liters;
            summa += line.summa;
        }
    }
    data.set("SaleCount", sales);
    data.set("SoldLiters", liters);
    data.set("SoldSumma", summa);
    data.set("ReportTime", context.now);
    return composeReport(oldFormatTemplate("TrkHistory.FRM"),
                         newFormatTemplate("История продаж по ТРК.html"), data, kTitle,
                         context.options.numbers);
}

}  // namespace kvt::host
