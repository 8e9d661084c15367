#include "infra/PumpLogText.h"

#include <array>
#include <string_view>

#include "platform/Text.h"

namespace kvt::infra {

namespace {

constexpr std::int32_t kOperationMask = 127;
constexpr std::int32_t kDoseMask = 0xFF;
constexpr std::string_view kUnknownCode = "?????";

constexpr std::array<std::string_view, 8> kOperations{"Заказано",     "Прод.отлива", "Остановлена",
                                                      "Отлито",       "Недолито",    "Сдача",
                                                      "Авар.останов", "Перелив"};

// A code outside its table: nothing for the "nothing recorded" value, else a visible marker.
std::string unknown(std::int32_t value) {
    return value == kPumpLogNoCode ? std::string() : std::string(kUnknownCode);
}

std::string doseName(std::int32_t code) {
    switch (code) {
        case 0:
            return "Литры";
        case 1:
            return "Сумма";
        case 2:
            return "Бак";
        case 4:
            return "---";
        default:
            return {};
    }
}

}  // namespace

std::string PumpOperationText(std::optional<std::int32_t> value) {
    if (!value)
        return {};
    const std::int32_t code = *value & kOperationMask;
    if (static_cast<std::size_t>(code) < kOperations.size())
        return std::string(kOperations[static_cast<std::size_t>(code)]);
    return unknown(*value);
}

std::string PumpPaymentText(std::optional<std::int32_t> value,
                            const std::vector<std::int32_t>& codes,
                            const std::vector<std::string>& captions) {
    if (!value || *value == kPumpLogNoCode)
        return {};
    std::string text = "Оплата: " + std::to_string(*value);
    for (std::size_t i = 0; i < codes.size() && i < captions.size(); ++i) {
        if (codes[i] == *value) {
            text = captions[i];
            break;
        }
    }
    return platform::utf8Substring(text, 0, kPumpPaymentTextLength);
}

std::string PumpDoseText(std::optional<std::int32_t> value) {
    if (!value)
        return {};
    std::string name = doseName(*value & kDoseMask);
    return name.empty() ? unknown(*value) : name;
}

}  // namespace kvt::infra
