#include "host/reports/CardReport.h"

#include <algorithm>
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

constexpr std::string_view kMaskName = "виды оплаты";
const std::set<std::int32_t> kCardKinds{1, 6, 7, 10, 12};

// Per payment type: include, leave out, or none when unassigned.
using CardMask = std::vector<std::optional<bool>>;

struct CardRequest {
    ShiftRequest shifts;
    bool current = false;
    CardMask payTypes;
    std::string pattern;
};

CardMask readMask(const ParamArray& elements, std::size_t index) {
    CardMask mask;
    for (const Variant& flag : elements.array(index, kMaskName).elements()) {
        if (flag.isEmpty())
            mask.emplace_back();
        else
            mask.emplace_back(elements.integerIn(index, kMaskName, flag, "флаг вида оплаты: ") !=
                              0);
    }
    return mask;
}

CardRequest readRequest(const Variant& params) {
    const ParamArray elements(params, "Отливы по картам (№52)", {6});
    CardRequest request;
    request.shifts.first = elements.integer(0, "первая смена");
    request.shifts.last = elements.integer(1, "последняя смена");
    request.shifts.begin = elements.date(2, "начало периода");
    request.shifts.end = elements.date(3, "конец периода");
    request.payTypes = readMask(elements, 4);
    request.pattern = elements.text(5, "номер карты");
    const ShiftRequest& shifts = request.shifts;
    request.current = shifts.first == 0 && shifts.last == 0 && shifts.begin == 0 && shifts.end == 0;
    return request;
}

// Which sales a card mask keeps.
class CardPayments {
public:
    CardPayments(const CardMask& mask, const PayTypeBook& book)
        : everyCardKind_(std::none_of(mask.begin(), mask.end(),
                                      [](const std::optional<bool>& flag) { return flag; })) {
        std::vector<bool> chosen;
        for (const std::optional<bool>& flag : mask)
            chosen.push_back(flag.value_or(false));
        codes_ = book.flaggedCodes(chosen);
    }

    bool keeps(std::optional<std::int32_t> payment) const {
        if (!payment)
            return false;
        if (everyCardKind_)
            return kCardKinds.contains(*payment % kPaymentKindModulus);
        return codes_.contains(*payment);
    }

private:
    bool everyCardKind_;
    std::set<std::int32_t> codes_;
};

std::string titleOf(const CardRequest& request) {
    return request.pattern.empty() ? "Отливы по пластиковым картам" : "Отливы по номеру карты";
}

ReportData buildData(const CardRequest& request, const ReportContext& context) {
    const appserver::Connection db = appserver::openStationDatabase(context.database);
    const ReportHeader header =
        request.current ? currentShiftHeader(db, context) : requestedHeader(db, request.shifts);
    const PayTypeBook book(appserver::readPayTypes(context.database));
    const CardPayments payments(request.payTypes, book);
    ReportData data(cardReportSchema());
    Totals totals;
    std::map<std::string, Totals> cards;
    for (const SaleRow& sale : readSales(db, periodOf(header), request.pattern)) {
        if (sale.card.empty() || !payments.keeps(sale.payment))
            continue;
        data.addRow("Card", {sale.time, sale.pump, sale.grade, sale.card,
                             book.caption(sale.payment), sale.customer, sale.liters, sale.summa});
        totals.add(sale.liters, sale.summa);
        cards[sale.card].add(sale.liters, sale.summa);
    }
    for (const auto& [card, cardSales] : cards) {
        TableRow row{card};
        cardSales.appendTo(row);
        data.addRow("CardItog", std::move(row));
    }
    setHeader(data, db, header, totals, context.now);
    data.set("Title", titleOf(request));
    data.set("CardPattern", request.pattern);
    return data;
}

}  // namespace

const TemplateSchema& cardReportSchema() {
    static const TemplateSchema schema{
        withHeaderScalars({{"Title", T}, {"CardPattern", T}}),
        {{"Card",
          {{"Time", D},
           {"Trk", T},
           {"Gsm", T},
           {"CardNum", T},
           {"VidOpl", T},
           {"Customer", T},
           {"Liters", N},
           {"Summa", N}}},
         {"CardItog", {{"CardNum", T}, {"Count", I}, {"Liters", N}, {"Summa", N}}}}};
    return schema;
}

ReportData cardReportData(std::int32_t, const Variant& params, const ReportContext& context) {
    return buildData(readRequest(params), context);
}

ReportPages produceCardReport(std::int32_t, const Variant& params, const ReportContext& context) {
    const CardRequest request = readRequest(params);
    return composeReport(oldFormatTemplate("CardRep.FRM"),
                         newFormatTemplate("Отливы по картам.html"), buildData(request, context),
                         titleOf(request), context.options.numbers);
}

}  // namespace kvt::host
