#include "host/reports/CouponReport.h"

#include <set>

#include "appserver/PayTypes.h"
#include "host/reports/PayTypeBook.h"
#include "host/reports/ReportComposer.h"
#include "host/reports/ReportParams.h"
#include "host/reports/SalesReports.h"

namespace kvt::host {

namespace {

using namespace kind;

constexpr std::string_view kTitle = "Отливы по талонам";

struct CouponRequest {
    DateTime begin = 0;
    DateTime end = 0;
    std::vector<bool> payTypes;
};

CouponRequest readRequest(const Variant& params) {
    const ParamArray elements(params, "Отливы по талонам (№46)", {3});
    return {elements.date(0, "начало периода"), elements.date(1, "конец периода"),
            elements.payTypeMask(2, "виды оплаты")};
}

ReportHeader headerOf(const CouponRequest& request, const appserver::Connection& db,
                      const ReportContext& context) {
    if (request.begin == 0 && request.end == 0)
        return currentShiftHeader(db, context);
    ReportHeader header;
    header.begin = request.begin;
    if (request.end != 0)
        header.end = request.end;
    return header;
}

}  // namespace

const TemplateSchema& couponReportSchema() {
    static const TemplateSchema schema{
        withHeaderScalars({}),
        {{"Talon",
          {{"Time", D},
           {"Trk", T},
           {"Gsm", T},
           {"TalonNum", T},
           {"VidOpl", T},
           {"Liters", N},
           {"Summa", N}}},
         {"TalonGsm", {{"Gsm", T}, {"Count", I}, {"Liters", N}, {"Summa", N}}}}};
    return schema;
}

ReportData couponReportData(std::int32_t, const Variant& params, const ReportContext& context) {
    const CouponRequest request = readRequest(params);
    const appserver::Connection db = appserver::openStationDatabase(context.database);
    const ReportHeader header = headerOf(request, db, context);
    const PayTypeBook book(appserver::readPayTypes(context.database));
    const std::set<std::int32_t> chosen = book.flaggedCodes(request.payTypes);
    const GradeOrder grades(db);
    ReportData data(couponReportSchema());
    Totals totals;
    GradeTotals gradeTotals;
    for (const SaleRow& sale : readSales(db, periodOf(header))) {
        if (sale.coupon.empty() || !sale.payment || !chosen.contains(*sale.payment))
            continue;
        data.addRow("Talon", {sale.time, sale.pump, sale.grade, sale.coupon,
                              book.caption(sale.payment), sale.liters, sale.summa});
        totals.add(sale.liters, sale.summa);
        gradeTotals[grades.key(sale.grade)].add(sale.liters, sale.summa);
    }
    for (const auto& [grade, gradeSales] : gradeTotals) {
        TableRow row{grade.second};
        gradeSales.appendTo(row);
        data.addRow("TalonGsm", std::move(row));
    }
    setHeader(data, db, header, totals, context.now);
    return data;
}

ReportPages produceCouponReport(std::int32_t reportNo, const Variant& params,
                                const ReportContext& context) {
    return composeReport(
        oldFormatTemplate("TalonRep.FRM"), newFormatTemplate("Отливы по талонам.html"),
        couponReportData(reportNo, params, context), kTitle, context.options.numbers);
}

}  // namespace kvt::host
