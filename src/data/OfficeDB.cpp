#include "data/OfficeDB.h"

#include <algorithm>
#include <cctype>
#include <numeric>
#include <optional>

#include "platform/PathMap.h"
#include "platform/Text.h"

namespace kvt::data {

namespace {

constexpr std::string_view kOrderField = "KVTNumber";

// The statement as words: key words and names between blanks, the table path as one word with
// its double quotes. A quote left open makes the statement unreadable.
std::optional<std::vector<std::string>> words(std::string_view sql) {
    std::vector<std::string> result;
    std::size_t i = 0;
    while (i < sql.size()) {
        if (std::isspace(static_cast<unsigned char>(sql[i]))) {
            ++i;
            continue;
        }
        std::size_t end = i;
        if (sql[i] == '"') {
            end = sql.find('"', i + 1);
            if (end == std::string_view::npos)
                return std::nullopt;
            ++end;
        } else {
            while (end < sql.size() && !std::isspace(static_cast<unsigned char>(sql[end])))
                ++end;
        }
        result.emplace_back(sql.substr(i, end - i));
        i = end;
    }
    return result;
}

bool keyword(const std::string& word, std::string_view expected) {
    return platform::equalsIgnoreCase(word, expected);
}

struct Statement {
    bool ordered = false;
};

// Exactly the two reads of the office table; anything else is refused before the file is
// touched.
Statement parse(const std::string& sql) {
    const std::string quotedPath = "\"" + std::string(kOfficeTablePath) + "\"";
    const auto list = words(sql);
    const auto accepted = [&](const std::vector<std::string>& w) {
        const bool select = w.size() >= 4 && keyword(w[0], "SELECT") && w[1] == "*" &&
                            keyword(w[2], "FROM") && platform::equalsIgnoreCase(w[3], quotedPath);
        if (!select)
            return false;
        return w.size() == 4 || (w.size() == 7 && keyword(w[4], "ORDER") && keyword(w[5], "BY") &&
                                 keyword(w[6], kOrderField));
    };
    if (!list || !accepted(*list))
        throw ParadoxError("Запрос к таблице станций не поддерживается: " + sql);
    return Statement{.ordered = list->size() == 7};
}

// Blanks before numbers, as the desktop database sorts; records with equal numbers keep their
// table order.
std::vector<std::size_t> byNumber(const ParadoxTable& table) {
    const auto field = table.fieldIndex(kOrderField);
    if (!field)
        throw ParadoxError("В таблице станций нет поля \"" + std::string(kOrderField) + "\"");
    std::vector<std::size_t> order(table.records().size());
    std::iota(order.begin(), order.end(), 0);
    const auto key = [&](std::size_t record) {
        const Variant& value = table.records()[record][*field];
        return std::make_pair(!value.isEmpty(), value.isEmpty() ? 0.0 : value.toDouble());
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return key(a) < key(b); });
    return order;
}

}  // namespace

void TOfficeQuery::Open() {
    const Statement statement = parse(SQL);
    try {
        table_ = ParadoxTable::read(platform::PathMap::toLocal(std::string(kOfficeTablePath)));
    } catch (const ParadoxError& error) {
        throw ParadoxError(std::string(kOfficeTablePath) + " -> " + error.what());
    }
    if (statement.ordered) {
        order_ = byNumber(table_);
    } else {
        order_.resize(table_.records().size());
        std::iota(order_.begin(), order_.end(), 0);
    }
    position_ = 0;
}

bool TOfficeQuery::Eof() const {
    return position_ >= order_.size();
}

void TOfficeQuery::Next() {
    if (!Eof())
        ++position_;
}

const Variant& TOfficeQuery::FieldByName(std::string_view name) const {
    const auto field = table_.fieldIndex(name);
    if (!field)
        throw ParadoxError("В таблице станций нет поля \"" + std::string(name) + "\"");
    if (Eof())
        throw ParadoxError("Таблица станций прочитана до конца");
    return table_.records()[order_[position_]][*field];
}

}  // namespace kvt::data
