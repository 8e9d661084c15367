#include "host/reports/ReturnsReport.h"

#include <map>
#include <optional>
#include <set>

#include "appserver/PayTypes.h"
#include "host/reports/PayTypeBook.h"
#include "host/reports/ReportComposer.h"
#include "host/reports/ReportParams.h"
#include "host/reports/SalesReports.h"

namespace kvt::host {

namespace {

using namespace kind;

constexpr std::string_view kTitle = "Сменный отчет по возвратам";
constexpr std::size_t kChosenShifts = 9;
constexpr std::size_t kCurrentShift = 4;
constexpr std::int32_t kEmptyPayTypes = 1;
constexpr std::int32_t kSummary = 2;
constexpr std::int32_t kByPump = 4;

struct ReturnsRequest {
    std::vector<bool> payTypes;
    std::int32_t options = 0;
    std::optional<ShiftRequest> shifts;  // none: the current shift
};

ReturnsRequest readRequest(const Variant& params) {
    const ParamArray elements(params, "Отчет по возвратам (№34)", {kChosenShifts, kCurrentShift});
    ReturnsRequest request;
    request.payTypes = elements.payTypeMask(0, "виды оплаты");
    request.options = elements.integer(1, "параметры отчета");
    elements.integer(2, "значение 11 программы");
    if (elements.size() == kCurrentShift) {
        elements.integer(3, "уровень пользователя");
        return request;
    }
    request.shifts =
        ShiftRequest{elements.integer(5, "первая смена"), elements.integer(7, "последняя смена"),
                     elements.date(3, "начало периода"), elements.date(4, "конец периода"),
                     elements.text(6, "оператор")};
    elements.integer(8, "уровень пользователя");
    return request;
}

using PumpKey = std::pair<std::size_t, std::string>;

struct PumpReturns {
    std::vector<const ReturnActRow*> acts;
    Totals totals;
};

struct PayTypeReturns {
    std::int32_t code = 0;
    std::map<PumpKey, PumpReturns> pumps;
    Totals totals;
};

class ReturnsBuilder {
public:
    ReturnsBuilder(const ReturnsRequest& request, const PayTypeBook& book)
        : request_(request), book_(book) {}

    void addActs(const std::vector<ReturnActRow>& acts) {
        const std::set<std::int32_t> chosen = book_.flaggedCodes(request_.payTypes);
        const bool byPump = option(kByPump);
        for (const ReturnActRow& act : acts) {
            if (!act.payment || !chosen.contains(*act.payment))
                continue;
            PayTypeReturns& type = payTypes_[book_.order(act.payment)];
            type.code = *act.payment;
            PumpReturns& pump = type.pumps[byPump ? pumpOrder(act.pump) : PumpKey()];
            pump.acts.push_back(&act);
            pump.totals.add(act.liters, act.summa);
            type.totals.add(act.liters, act.summa);
            totals_.add(act.liters, act.summa);
        }
        if (option(kEmptyPayTypes)) {
            for (const std::int32_t code : chosen)
                payTypes_[book_.order(code)].code = code;
        }
    }

    void fill(ReportData& data) const {
        data.set("ShowSvod", option(kSummary) ? 1.0 : 0.0);
        data.set("GroupByTrk", option(kByPump) ? 1.0 : 0.0);
        for (const auto& [key, type] : payTypes_) {
            addPayTypeRows(data, type);
            if (option(kSummary)) {
                TableRow row{book_.caption(type.code), static_cast<double>(type.code)};
                type.totals.appendTo(row);
                data.addRow("Svod", std::move(row));
            }
        }
    }

    const Totals& totals() const { return totals_; }

private:
    bool option(std::int32_t bit) const { return (request_.options & bit) != 0; }

    void addPayTypeRows(ReportData& data, const PayTypeReturns& type) const {
        const std::string caption = book_.caption(type.code);
        const Cell code = static_cast<double>(type.code);
        const auto subtotal = [&](std::string itog, std::string pump, const Totals& totals) {
            TableRow row{std::move(itog), caption, code,   std::move(pump), Cell(),
                         Cell(),          Cell(),  Cell(), Cell()};
            totals.appendTo(row);
            data.addRow("Vozvrat", std::move(row));
        };
        for (const auto& [pumpKey, pump] : type.pumps) {
            for (const ReturnActRow* act : pump.acts) {
                TableRow row{"",
                             caption,
                             code,
                             act->pump,
                             static_cast<double>(act->number),
                             static_cast<double>(act->shift),
                             act->time,
                             act->grade,
                             act->customer};
                Totals one;
                one.add(act->liters, act->summa);
                one.appendTo(row);
                data.addRow("Vozvrat", std::move(row));
            }
            if (option(kByPump))
                subtotal("Итого по ТРК " + pumpKey.second, pumpKey.second, pump.totals);
        }
        subtotal("Итого: " + caption, "", type.totals);
    }

    const ReturnsRequest& request_;
    const PayTypeBook& book_;
    std::map<PayTypeBook::Key, PayTypeReturns> payTypes_;
    Totals totals_;
};

}  // namespace

const TemplateSchema& returnsReportSchema() {
    static const TemplateSchema schema{
        withHeaderScalars({{"ShowSvod", I}, {"GroupByTrk", I}}),
        {{"Vozvrat",
          {{"Itog", T},
           {"VidOpl", T},
           {"Code", I},
           {"Trk", T},
           {"ActNum", I},
           {"SmNum", I},
           {"Time", D},
           {"Gsm", T},
           {"Customer", T},
           {"Count", I},
           {"Liters", N},
           {"Summa", N}}},
         {"Svod", {{"VidOpl", T}, {"Code", I}, {"Count", I}, {"Liters", N}, {"Summa", N}}}}};
    return schema;
}

ReportData returnsReportData(std::int32_t, const Variant& params, const ReportContext& context) {
    const ReturnsRequest request = readRequest(params);
    const appserver::Connection db = appserver::openStationDatabase(context.database);
    const ReportHeader header =
        request.shifts ? requestedHeader(db, *request.shifts) : currentShiftHeader(db, context);
    const PayTypeBook book(appserver::readPayTypes(context.database));
    const std::vector<ReturnActRow> acts =
        readReturnActs(db, *header.firstShift, *header.lastShift);
    ReturnsBuilder builder(request, book);
    builder.addActs(acts);
    ReportData data(returnsReportSchema());
    setHeader(data, db, header, builder.totals(), context.now);
    builder.fill(data);
    return data;
}

ReportPages produceReturnsReport(std::int32_t reportNo, const Variant& params,
                                 const ReportContext& context) {
    return composeReport(
        oldFormatTemplate("BackRep.FRM"), newFormatTemplate("Отчет по возвратам.html"),
        returnsReportData(reportNo, params, context), kTitle, context.options.numbers);
}

}  // namespace kvt::host
