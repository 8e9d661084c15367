#include "plugin/AbstractPayment.h"

#include <array>
#include <exception>
#include <string>

#include "platform/Beep.h"
#include "plugin/RepConsts.h"

namespace kvt::plugin {

namespace {

constexpr std::array<const char*, 13> kDefaultCaptions{
    "&Наличные",    "&Платеж. терминал", "&Товарные карты",
    "&Безналичные", "&Ведомость +",      "&Мерник",
    "&ЛНР",         "&Самообслуживание", "&Договорной",
    "&Талоны",      "&Дисконтные карты", "&Переливы",
    "ЛБР",
};

constexpr std::int32_t kRowsWithOwnCode = 13;

void beepForPayTypes() {
    platform::Beep(500, 100);
}

// The host's list, or null when the host keeps none. A zero reference counts as none: it
// cannot be followed.
const PayTypeList* hostPayTypeList(GetValueFunc getValue) {
    if (getValue == nullptr)
        return nullptr;
    try {
        Variant result;
        getValue(result, kPayTypeListValue, 0);
        if (result.type() == VarType::Str)
            return nullptr;
        return payTypeListOf(result);
    } catch (const std::exception&) {
        beepForPayTypes();
        return nullptr;
    }
}

}  // namespace

std::vector<std::int32_t> PayTypes::codes() const {
    std::vector<std::int32_t> result;
    result.reserve(static_cast<std::size_t>(PayTypeCount));
    for (std::int32_t row = 0; row < PayTypeCount; ++row)
        result.push_back(PayTypeTable.at(row, PayTypeCodeColumn).toInt());
    return result;
}

std::vector<std::string> PayTypes::captions() const {
    std::vector<std::string> result;
    result.reserve(static_cast<std::size_t>(PayTypeCount));
    for (std::int32_t row = 0; row < PayTypeCount; ++row)
        result.push_back(PayTypeTable.at(row, PayTypeCaptionColumn).toString());
    return result;
}

Variant DefaultPayTypeCaptions() {
    std::vector<Variant> captions(kDefaultCaptions.begin(), kDefaultCaptions.end());
    return Variant::list(std::move(captions));
}

Variant BuildPayTypeTable(const Variant& captions, GetValueFunc getValue, bool& statementsEnabled) {
    const std::int32_t rows = captions.highBound() + 1;
    Variant table = Variant::array({{0, rows - 1}, {0, PayTypeHostKindColumn}});
    const PayTypeList* hostList = hostPayTypeList(getValue);
    statementsEnabled = false;
    for (std::int32_t row = 0; row < rows; ++row) {
        table.at(row, PayTypeCaptionColumn) = captions.at(row).toString();
        table.at(row, PayTypeHostKindColumn) = std::string("-1");
        std::int32_t code = 0;
        bool enabled = true;
        if (hostList != nullptr) {
            const PayTypeItem& item = hostList->item(row);
            code = item.code();
            table.at(row, PayTypeHostKindColumn) = std::to_string(item.kind());
            enabled = item.enabled();
        } else if (row < kRowsWithOwnCode) {
            code = row;
        } else {
            beepForPayTypes();
        }
        table.at(row, PayTypeCodeColumn) = std::to_string(code);
        table.at(row, PayTypeKindColumn) = std::to_string(code % 100);
        if (code % 100 == kStatementPayKind && enabled)
            statementsEnabled = true;
    }
    return table;
}

void UpdatePayTypes(PayTypes& payTypes, GetHostValueFunc getHostValue, GetValueFunc getValue) {
    payTypes.PayTypeCaptions = Variant();
    payTypes.PayTypeTable = Variant();
    payTypes.PayTypeCount = 0;
    if (getHostValue == nullptr)
        return;
    try {
        getHostValue(payTypes.PayTypeCaptions, HostCode::PayTypeCaptions);
        if (!payTypes.PayTypeCaptions.isArray())
            payTypes.PayTypeCaptions = DefaultPayTypeCaptions();
        payTypes.PayTypeCount = payTypes.PayTypeCaptions.highBound() + 1;
        for (std::int32_t i = payTypes.PayTypeCaptions.lowBound();
             i <= payTypes.PayTypeCaptions.highBound(); ++i) {
            const std::string caption = payTypes.PayTypeCaptions.at(i).toString();
            if (caption.starts_with('&'))
                payTypes.PayTypeCaptions.at(i) = caption.substr(1);
        }
        payTypes.PayTypeTable =
            BuildPayTypeTable(payTypes.PayTypeCaptions, getValue, payTypes.StatementsEnabled);
    } catch (const std::exception&) {
        // The host's captions or list could not be read: the reports go on with what there is.
    }
}

}  // namespace kvt::plugin
