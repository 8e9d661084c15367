#include "host/reports/DiscountCardReport.h"

#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "host/reports/NetworkStations.h"
#include "host/reports/PayTypeBook.h"
#include "host/reports/ReportComposer.h"
#include "host/reports/ReportParams.h"
#include "host/reports/SalesReports.h"

namespace kvt::host {

namespace {

using namespace kind;

constexpr std::string_view kTitle = "ОТЧЕТ ПО ДИСКОНТНЫМ КАРТАМ";
constexpr std::int32_t kDiscountCardKind = 10;

enum class Level { Detailed = 0, Itemised = 1, Summary = 2 };

struct DiscountCardRequest {
    Level level = Level::Detailed;
    std::vector<std::string> cards;
    std::string stations;
};

DiscountCardRequest readRequest(const Variant& params) {
    const ParamArray elements(params, "Отчет по дисконтным картам (№35)", {3});
    const std::int32_t level = elements.integer(0, "форма отчета");
    if (level < static_cast<int>(Level::Detailed) || level > static_cast<int>(Level::Summary))
        elements.fail(0, "форма отчета", "ожидается 0, 1 или 2", elements.at(0));
    return {static_cast<Level>(level), listedLines(elements.text(1, "номера карт")),
            elements.text(2, "станции")};
}

// The bytes of the UTF-8 character at `at`, so that '?' stands for a whole character.
std::size_t characterLength(std::string_view text, std::size_t at) {
    std::size_t end = at + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        ++end;
    return end - at;
}

bool matchesAny(const std::vector<std::string>& patterns, std::string_view card) {
    for (const std::string& pattern : patterns) {
        if (cardMatches(pattern, card))
            return true;
    }
    return false;
}

bool isDiscountCardSale(const SaleRow& sale) {
    return sale.payment && *sale.payment % kPaymentKindModulus == kDiscountCardKind &&
           !sale.card.empty();
}

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "" : ", ") + item;
    return text;
}

std::string cardsText(const std::vector<std::string>& cards) {
    if (cards.empty())
        return "не заданы";
    return cards == std::vector<std::string>{"*"} ? "все карты" : joined(cards);
}

std::string stationsText(std::string_view request, const StationSelection& chosen) {
    if (listsEvery(request))
        return "все KVT";
    std::vector<std::string> names;
    for (const NetworkStation& station : chosen.stations)
        names.push_back(station.name);
    return names.empty() ? "не выбраны" : joined(names);
}

void appendSums(TableRow& row, const Totals& totals) {
    totals.appendTo(row);
    row.emplace_back(totals.discount);
}

// The discount-card sales of the chosen stations, summed by card, station and fuel grade.
class CardSums {
public:
    void addStation(const OpenStation& opened, const std::vector<std::string>& cards) {
        const std::size_t station = stations_.size();
        const NetworkStation& named = opened.station;
        stations_.push_back(named.name.empty() ? stationTitle(named) : named.name);
        const GradeOrder grades(opened.db);
        for (const SaleRow& sale : readSales(opened.db, Period{})) {
            if (!isDiscountCardSale(sale) || !matchesAny(cards, sale.card))
                continue;
            byGrade_[{sale.card, station, grades.key(sale.grade)}].add(sale);
            byStation_[{sale.card, station}].add(sale);
            byCard_[sale.card].add(sale);
            total_.add(sale);
        }
    }

    void fill(ReportData& data, Level level) const {
        // Plain references rather than a structured binding, which clang 14 lets no lambda
        // capture.
        for (const auto& entry : byCard_) {
            const std::string& card = entry.first;
            const Totals& sums = entry.second;
            switch (level) {
                case Level::Detailed:
                    addCard(data, "CardGsm", byGrade_, card, sums, [&](const GradeKey& key) {
                        return TableRow{std::string(), card, stations_[std::get<1>(key)],
                                        std::get<2>(key).second};
                    });
                    break;
                case Level::Itemised:
                    addCard(data, "CardKVT", byStation_, card, sums, [&](const StationKey& key) {
                        return TableRow{std::string(), card, stations_[key.second]};
                    });
                    break;
                case Level::Summary: {
                    TableRow row{card};
                    appendSums(row, sums);
                    data.addRow("Card", std::move(row));
                    break;
                }
            }
        }
        data.set("CardCount", static_cast<double>(byCard_.size()));
        data.set("Count", total_.count);
        data.set("Liters", total_.liters);
        data.set("Summa", total_.summa);
        data.set("Skidka", total_.discount);
    }

private:
    using GradeKey = std::tuple<std::string, std::size_t, GradeOrder::Key>;
    using StationKey = std::pair<std::string, std::size_t>;

    // A card's rows, whose keys begin with its number, then its total row. `head` gives a row's
    // cells before the sums: Itog (empty), the card number and where the sales were.
    template <class Key, class Head>
    static void addCard(ReportData& data, std::string_view table, const std::map<Key, Totals>& sums,
                        const std::string& card, const Totals& cardSums, Head head) {
        Key first{};
        std::get<0>(first) = card;
        std::size_t headWidth = 0;
        for (auto it = sums.lower_bound(first); it != sums.end() && std::get<0>(it->first) == card;
             ++it) {
            TableRow row = head(it->first);
            headWidth = row.size();
            appendSums(row, it->second);
            data.addRow(table, std::move(row));
        }
        TableRow total(headWidth, Cell(std::string()));
        total[0] = "Итого по карте " + card;
        total[1] = card;
        appendSums(total, cardSums);
        data.addRow(table, std::move(total));
    }

    std::vector<std::string> stations_;
    std::map<GradeKey, Totals> byGrade_;
    std::map<StationKey, Totals> byStation_;
    std::map<std::string, Totals> byCard_;
    Totals total_;
};

ReportData buildData(const DiscountCardRequest& request, const ReportContext& context) {
    const Network network(context.database);
    const StationSelection chosen = network.byNames(request.stations);
    ReportData data(discountCardSchema());
    if (request.cards.empty())
        data.addRow("Notice", {"Номера карт не заданы: отчет ни по одной карте"});
    for (const std::string& notice : chosen.notices)
        data.addRow("Notice", {notice});
    CardSums sums;
    for (const NetworkStation& station : chosen.stations) {
        const OpenStation opened = network.open(station);
        if (opened.db)
            sums.addStation(opened, request.cards);
        else
            data.addRow("Notice", {opened.problem});
    }
    sums.fill(data, request.level);
    data.set("Title", std::string(kTitle));
    data.set("Detailed", request.level == Level::Detailed ? 1.0 : 0.0);
    data.set("Itemised", request.level == Level::Itemised ? 1.0 : 0.0);
    data.set("Summary", request.level == Level::Summary ? 1.0 : 0.0);
    data.set("Cards", cardsText(request.cards));
    data.set("Stations", stationsText(request.stations, chosen));
    data.set("ReportTime", context.now);
    return data;
}

}  // namespace

bool cardMatches(std::string_view pattern, std::string_view card) {
    std::size_t p = 0;
    std::size_t c = 0;
    // Where the last '*' resumes in the pattern, and the card position it has swallowed up to.
    std::optional<std::size_t> star;
    std::size_t starCard = 0;
    while (c < card.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = ++p;
            starCard = c;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            c += characterLength(card, c);
        } else if (p < pattern.size() && pattern[p] == card[c]) {
            ++p;
            ++c;
        } else if (star) {
            starCard += characterLength(card, starCard);
            c = starCard;
            p = *star;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

const TemplateSchema& discountCardSchema() {
    static const TemplateSchema schema{
        {{"Title", T},
         {"Detailed", I},
         {"Itemised", I},
         {"Summary", I},
         {"Cards", T},
         {"Stations", T},
         {"ReportTime", D},
         {"CardCount", I},
         {"Count", I},
         {"Liters", N},
         {"Summa", N},
         {"Skidka", N}},
        {{"Notice", {{"Text", T}}},
         {"CardGsm",
          {{"Itog", T},
           {"CardNum", T},
           {"KVT", T},
           {"Gsm", T},
           {"Count", I},
           {"Liters", N},
           {"Summa", N},
           {"Skidka", N}}},
         {"CardKVT",
          {{"Itog", T},
           {"CardNum", T},
           {"KVT", T},
           {"Count", I},
           {"Liters", N},
           {"Summa", N},
           {"Skidka", N}}},
         {"Card", {{"CardNum", T}, {"Count", I}, {"Liters", N}, {"Summa", N}, {"Skidka", N}}}}};
    return schema;
}

ReportData discountCardData(std::int32_t, const Variant& params, const ReportContext& context) {
    return buildData(readRequest(params), context);
}

ReportPages produceDiscountCardReport(std::int32_t, const Variant& params,
                                      const ReportContext& context) {
    return composeReport(oldFormatTemplate("DscCards.FRM"),
                         newFormatTemplate("Дисконтные карты.html"),
                         buildData(readRequest(params), context), kTitle, context.options.numbers);
}

}  // namespace kvt::host
