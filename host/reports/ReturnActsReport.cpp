#include "host/reports/ReturnActsReport.h"

#include <optional>

#include "appserver/PayTypes.h"
#include "host/reports/PayTypeBook.h"
#include "host/reports/ReportComposer.h"
#include "host/reports/ReportParams.h"
#include "host/reports/SalesReports.h"

namespace kvt::host {

namespace {

using namespace kind;

constexpr std::string_view kTitle = "Сменный отчет по возвратам";

// None: the current shift.
std::optional<ShiftRequest> readRequest(std::int32_t reportNo, const Variant& params) {
    if (reportNo == kCurrentReturnActs) {
        const ParamArray elements(params, "Акты возвратов текущей смены (№22)", {2});
        elements.integer(0, "значение 11 программы");
        elements.integer(1, "уровень пользователя");
        return std::nullopt;
    }
    const ParamArray elements(params, "Акты возвратов (№21)", {6});
    ShiftRequest shift;
    shift.begin = elements.date(0, "начало смены");
    shift.end = elements.date(1, "конец смены");
    shift.first = shift.last = elements.integer(2, "смена");
    shift.operatorName = elements.text(3, "оператор");
    elements.integer(4, "значение 11 программы");
    elements.integer(5, "уровень пользователя");
    return shift;
}

}  // namespace

const TemplateSchema& returnActsSchema() {
    static const TemplateSchema schema{withHeaderScalars({}),
                                       {{"Akt",
                                         {{"ActNum", I},
                                          {"SmNum", I},
                                          {"Time", D},
                                          {"Operator", T},
                                          {"Trk", T},
                                          {"Gsm", T},
                                          {"VidOpl", T},
                                          {"Liters", N},
                                          {"Summa", N},
                                          {"Customer", T},
                                          {"CardNum", T},
                                          {"Reason", T}}}}};
    return schema;
}

ReportData returnActsData(std::int32_t reportNo, const Variant& params,
                          const ReportContext& context) {
    const std::optional<ShiftRequest> chosen = readRequest(reportNo, params);
    const appserver::Connection db = appserver::openStationDatabase(context.database);
    const ReportHeader header =
        chosen ? requestedHeader(db, *chosen) : currentShiftHeader(db, context);
    const PayTypeBook book(appserver::readPayTypes(context.database));
    ReportData data(returnActsSchema());
    Totals totals;
    for (const ReturnActRow& act : readReturnActs(db, *header.firstShift, *header.lastShift)) {
        data.addRow("Akt",
                    {static_cast<double>(act.number), static_cast<double>(act.shift), act.time,
                     act.operatorName, act.pump, act.grade, book.caption(act.payment), act.liters,
                     act.summa, act.customer, act.card, act.reason});
        totals.add(act.liters, act.summa);
    }
    setHeader(data, db, header, totals, context.now);
    return data;
}

ReportPages produceReturnActs(std::int32_t reportNo, const Variant& params,
                              const ReportContext& context) {
    return composeReport(oldFormatTemplate("BackAct.FRM"), newFormatTemplate("Акты возвратов.html"),
                         returnActsData(reportNo, params, context), kTitle,
                         context.options.numbers);
}

}  // namespace kvt::host
