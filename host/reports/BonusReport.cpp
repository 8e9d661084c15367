#include "host/reports/BonusReport.h"

#include <map>
#include <set>

#include "appserver/PayTypes.h"
#include "host/reports/PayTypeBook.h"
#include "host/reports/ReportComposer.h"
#include "host/reports/ReportParams.h"
#include "host/reports/SalesReports.h"

namespace kvt::host {

namespace {

using namespace kind;

constexpr std::string_view kTitle = "СМЕННЫЙ ОТЧЕТ ПО БОНУСАМ И СКИДКАМ";

struct BonusRequest {
    std::int32_t first = 0;
    std::int32_t last = 0;
    std::vector<bool> payTypes;
    bool emptyPayTypes = false;
    bool gradeTotals = true;
    bool payTypeTotals = true;
};

BonusRequest readRequest(const Variant& params) {
    const ParamArray elements(params, "Отчет по бонусам и скидкам (№9)", {6});
    BonusRequest request;
    request.first = elements.integer(0, "первая смена");
    request.payTypes = elements.payTypeMask(1, "виды оплаты");
    request.emptyPayTypes = elements.flag(2, "виды оплаты без продаж");
    request.last = elements.integer(3, "последняя смена");
    request.gradeTotals = elements.flag(4, "итоги по ГСМ");
    request.payTypeTotals = elements.flag(5, "итоги по видам оплаты");
    return request;
}

std::vector<ValueDef> discountColumns() {
    return {{"Count", I}, {"Liters", N}, {"Summa", N}, {"Skidka", N}, {"Bonus", N}};
}

std::vector<ValueDef> withDiscountColumns(std::vector<ValueDef> columns) {
    const std::vector<ValueDef> totals = discountColumns();
    columns.insert(columns.end(), totals.begin(), totals.end());
    return columns;
}

struct PayTypeSales {
    std::int32_t code = 0;
    GradeTotals grades;
    Totals totals;
};

class BonusBuilder {
public:
    BonusBuilder(const BonusRequest& request, const PayTypeBook& book, const GradeOrder& grades)
        : request_(request), book_(book), grades_(grades) {}

    void addSales(const std::vector<SaleRow>& sales) {
        const std::set<std::int32_t> chosen = book_.flaggedCodes(request_.payTypes);
        for (const SaleRow& sale : sales) {
            if (!sale.payment || !chosen.contains(*sale.payment) ||
                (sale.discount == 0 && sale.bonus == 0))
                continue;
            PayTypeSales& type = payTypes_[book_.order(sale.payment)];
            type.code = *sale.payment;
            type.grades[grades_.key(sale.grade)].add(sale);
            type.totals.add(sale);
            gradeTotals_[grades_.key(sale.grade)].add(sale);
            totals_.add(sale);
        }
        if (request_.emptyPayTypes) {
            for (const std::int32_t code : chosen)
                payTypes_[book_.order(code)].code = code;
        }
    }

    void fill(ReportData& data) const {
        data.set("Skidka", totals_.discount);
        data.set("Bonus", totals_.bonus);
        data.set("GsmItog", request_.gradeTotals ? 1.0 : 0.0);
        data.set("VidOplItog", request_.payTypeTotals ? 1.0 : 0.0);
        for (const auto& [key, type] : payTypes_)
            addPayTypeRows(data, type);
        if (!request_.gradeTotals)
            return;
        for (const auto& [grade, totals] : gradeTotals_) {
            TableRow row{grade.second};
            totals.appendWithDiscountsTo(row);
            data.addRow("BonusGsm", std::move(row));
        }
    }

    const Totals& totals() const { return totals_; }

private:
    void addPayTypeRows(ReportData& data, const PayTypeSales& type) const {
        const std::string caption = book_.caption(type.code);
        const auto addRow = [&](std::string itog, std::string grade, const Totals& totals) {
            TableRow row{std::move(itog), caption, static_cast<double>(type.code),
                         std::move(grade)};
            totals.appendWithDiscountsTo(row);
            data.addRow("BonusVidOpl", std::move(row));
        };
        for (const auto& [grade, totals] : type.grades)
            addRow("", grade.second, totals);
        if (request_.payTypeTotals)
            addRow("Итого: " + caption, "", type.totals);
        else if (type.grades.empty())
            addRow("", "", type.totals);
    }

    const BonusRequest& request_;
    const PayTypeBook& book_;
    const GradeOrder& grades_;
    std::map<PayTypeBook::Key, PayTypeSales> payTypes_;
    GradeTotals gradeTotals_;
    Totals totals_;
};

}  // namespace

const TemplateSchema& bonusReportSchema() {
    static const TemplateSchema schema{
        withHeaderScalars({{"Skidka", N}, {"Bonus", N}, {"GsmItog", I}, {"VidOplItog", I}}),
        {{"BonusVidOpl",
          withDiscountColumns({{"Itog", T}, {"VidOpl", T}, {"Code", I}, {"Gsm", T}})},
         {"BonusGsm", withDiscountColumns({{"Gsm", T}})}}};
    return schema;
}

ReportData bonusReportData(std::int32_t, const Variant& params, const ReportContext& context) {
    const BonusRequest request = readRequest(params);
    const appserver::Connection db = appserver::openStationDatabase(context.database);
    ReportHeader header = shiftsHeader(db, {request.first, request.last, 0, 0, {}}, context);
    header.current =
        header.firstShift == header.lastShift && header.firstShift == currentShift(db, context);
    const PayTypeBook book(appserver::readPayTypes(context.database));
    const GradeOrder grades(db);
    BonusBuilder builder(request, book, grades);
    builder.addSales(readSales(db, periodOf(header)));
    ReportData data(bonusReportSchema());
    setHeader(data, db, header, builder.totals(), context.now);
    builder.fill(data);
    return data;
}

ReportPages produceBonusReport(std::int32_t reportNo, const Variant& params,
                               const ReportContext& context) {
    return composeReport(
        oldFormatTemplate("BonusRep.FRM"), newFormatTemplate("Отчет по бонусам и скидкам.html"),
        bonusReportData(reportNo, params, context), kTitle, context.options.numbers);
}

}  // namespace kvt::host
