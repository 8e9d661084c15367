#include "host/reports/FuelLog.h"

#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "host/reports/FuelOperations.h"
#include "host/reports/ReportComposer.h"
#include "host/reports/ReportParams.h"
#include "host/reports/StationQuery.h"

namespace kvt::host {

namespace {

using namespace kind;

constexpr std::int32_t kCurrentShiftMarker = -1;

struct Direction {
    bool receipt;
    std::string_view title;
};

Direction directionOf(std::int32_t reportNo) {
    if (reportNo == kFuelReceiptLog)
        return {true, "Журнал поступления топлива"};
    return {false, "Журнал откачки топлива"};
}

// A range of operation numbers; none: the current shift.
using OperationRange = std::optional<std::pair<std::int32_t, std::int32_t>>;

OperationRange readRange(const Variant& params, std::int32_t reportNo, const Direction& direction) {
    const ParamArray elements(
        params, std::string(direction.title) + " (№" + std::to_string(reportNo) + ")", {2});
    constexpr std::string_view kNames[]{"первая операция", "последняя операция"};
    const std::int32_t first = elements.integer(0, kNames[0]);
    const std::int32_t last = elements.integer(1, kNames[1]);
    if (first == kCurrentShiftMarker && last == kCurrentShiftMarker)
        return std::nullopt;
    for (const std::size_t index : {0U, 1U}) {
        if (elements.integer(index, kNames[index]) < 0)
            elements.fail(index, kNames[index],
                          "ожидается номер операции от 0 или -1 в обоих элементах (текущая смена)",
                          elements.at(index));
    }
    return std::pair{first, last};
}

TableRow rowOf(const FuelOperationRow& op) {
    return {Cell(static_cast<double>(op.opNum)),
            cellOf(op.date),
            cellOf(op.shift),
            cellOf(op.begin),
            cellOf(op.end),
            op.operatorName,
            op.grade,
            op.tank,
            op.car,
            cellOf(op.volume),
            cellOf(op.levelBefore),
            cellOf(op.levelAfter),
            cellOf(op.fact),
            cellOf(op.tolerance),
            cellOf(op.delta),
            cellOf(op.specificWeight),
            cellOf(op.density),
            cellOf(op.temperature),
            op.note};
}

}  // namespace

const TemplateSchema& fuelLogSchema() {
    static const TemplateSchema schema{{{"StationName", T},
                                        {"StationNumber", I},
                                        {"Title", T},
                                        {"Receipt", I},
                                        {"Current", I},
                                        {"Shift", I},
                                        {"FirstOp", I},
                                        {"LastOp", I},
                                        {"ReportTime", D}},
                                       {{"Prx",
                                         {{"OpNum", I},
                                          {"Date", D},
                                          {"SmNum", I},
                                          {"BegTime", D},
                                          {"EndTime", D},
                                          {"Operator", T},
                                          {"Gsm", T},
                                          {"Silo", T},
                                          {"Car", T},
                                          {"Volume", N},
                                          {"LevelBefore", N},
                                          {"LevelAfter", N},
                                          {"Fact", N},
                                          {"Dopusk", N},
                                          {"Delta", N},
                                          {"UdVes", N},
                                          {"Density", N},
                                          {"Temper", N},
                                          {"Note", T}}}}};
    return schema;
}

ReportPages produceFuelLog(std::int32_t reportNo, const Variant& params,
                           const ReportContext& context) {
    const Direction direction = directionOf(reportNo);
    const OperationRange range = readRange(params, reportNo, direction);
    const appserver::Connection db = appserver::openStationDatabase(context.database);
    ReportData data(fuelLogSchema());
    const StationIdentity station = readStationIdentity(db);
    data.set("StationName", station.name);
    data.set("StationNumber", cellOf(station.number));
    data.set("Title", std::string(direction.title));
    data.set("Receipt", direction.receipt ? 1.0 : 0.0);
    data.set("ReportTime", context.now);
    FuelOperationSelection selection{FuelOperationSelection::By::Operation, 0, 0,
                                     direction.receipt};
    if (range) {
        std::tie(selection.first, selection.last) = *range;
        data.set("FirstOp", static_cast<double>(range->first));
        data.set("LastOp", static_cast<double>(range->second));
    } else {
        const std::int32_t shift = context.currentShift ? *context.currentShift : latestShift(db);
        selection = {FuelOperationSelection::By::Shift, shift, shift, direction.receipt};
        data.set("Current", 1.0);
        data.set("Shift", static_cast<double>(shift));
    }
    for (const FuelOperationRow& op : readFuelOperations(db, selection))
        data.addRow("Prx", rowOf(op));
    return composeReport(oldFormatTemplate("PrxLog.FRM"),
                         newFormatTemplate("Журнал поступления и откачки топлива.html"), data,
                         direction.title, context.options.numbers);
}

}  // namespace kvt::host
