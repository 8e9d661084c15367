#include "host/reports/TerminalReturnsReport.h"

#include "appserver/PayTypes.h"
#include "host/reports/PayTypeBook.h"
#include "host/reports/ReportComposer.h"
#include "host/reports/ReportParams.h"
#include "host/reports/SalesReports.h"

namespace kvt::host {

namespace {

using namespace kind;

constexpr std::string_view kTitle = "Сменный отчет по непроизведенным возвратам на терминал";

ShiftRequest readRequest(const Variant& params) {
    const ParamArray elements(params, "Непроизведенные возвраты на терминал (№19)", {5});
    ShiftRequest request;
    request.first = elements.integer(0, "первая смена");
    request.begin = elements.date(1, "начало периода");
    request.end = elements.date(2, "конец периода");
    request.operatorName = elements.text(3, "оператор");
    request.last = elements.integer(4, "последняя смена");
    return request;
}

}  // namespace

const TemplateSchema& terminalReturnsSchema() {
    static const TemplateSchema schema{withHeaderScalars({}),
                                       {{"BackCard",
                                         {{"SmNum", I},
                                          {"Time", D},
                                          {"Trk", T},
                                          {"CardNum", T},
                                          {"Gsm", T},
                                          {"VidOpl", T},
                                          {"Liters", N},
                                          {"Summa", N}}}}};
    return schema;
}

ReportData terminalReturnsData(std::int32_t, const Variant& params, const ReportContext& context) {
    const ShiftRequest request = readRequest(params);
    const appserver::Connection db = appserver::openStationDatabase(context.database);
    ReportHeader header = shiftsHeader(db, request, context);
    header.current = request.first == request.last && request.begin == 0 && request.end == 0;
    const PayTypeBook book(appserver::readPayTypes(context.database));
    ReportData data(terminalReturnsSchema());
    Totals totals;
    for (const TerminalReturnRow& owed :
         readTerminalReturns(db, *header.firstShift, *header.lastShift)) {
        data.addRow("BackCard", {static_cast<double>(owed.shift), owed.time, owed.pump, owed.card,
                                 owed.grade, book.caption(owed.payment), owed.liters, owed.summa});
        totals.add(owed.liters, owed.summa);
    }
    setHeader(data, db, header, totals, context.now);
    return data;
}

ReportPages produceTerminalReturns(std::int32_t reportNo, const Variant& params,
                                   const ReportContext& context) {
    return composeReport(oldFormatTemplate("BackCardRep.FRM"),
                         newFormatTemplate("Отчет по непроизведенным возвратам на терминал.html"),
                         terminalReturnsData(reportNo, params, context), kTitle,
                         context.options.numbers);
}

}  // namespace kvt::host
