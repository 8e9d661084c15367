#include "host/reports/PayTypeBook.h"

#include <algorithm>

namespace kvt::host {

PayTypeBook::PayTypeBook(std::vector<appserver::PayTypeRow> rows) : rows_(std::move(rows)) {}

PayTypeBook::Key PayTypeBook::order(std::optional<std::int32_t> code) const {
    if (!code)
        return {2, 0};
    const auto known = find(*code);
    return known ? Key{0, static_cast<std::int64_t>(*known)} : Key{1, *code};
}

std::string PayTypeBook::caption(std::optional<std::int32_t> code) const {
    if (!code)
        return "Вид оплаты не указан";
    const auto known = find(*code);
    if (!known)
        return "Оплата: " + std::to_string(*code);
    std::string name = rows_[*known].name;
    std::erase(name, '&');
    return name;
}

std::set<std::int32_t> PayTypeBook::flaggedCodes(const std::vector<bool>& flags) const {
    std::set<std::int32_t> codes;
    for (std::size_t i = 0; i < flags.size(); ++i) {
        if (!flags[i])
            continue;
        if (rows_.empty())
            codes.insert(static_cast<std::int32_t>(i));
        else if (i < rows_.size())
            codes.insert(rows_[i].code);
    }
    return codes;
}

std::optional<std::size_t> PayTypeBook::find(std::int32_t code) const {
    const auto found =
        std::find_if(rows_.begin(), rows_.end(),
                     [&](const appserver::PayTypeRow& row) { return row.code == code; });
    if (found == rows_.end())
        return std::nullopt;
    return static_cast<std::size_t>(found - rows_.begin());
}

std::optional<std::int32_t> paymentCode(std::optional<std::int32_t> logged) {
    if (!logged || *logged == kNoPaymentCode)
        return std::nullopt;
    return logged;
}

}  // namespace kvt::host
